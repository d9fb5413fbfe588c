#include "varnel/Vnengine.h"

#include <algorithm>

#include "dataset_loading.h"
#include "monitor_hook.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "server_connection.h"

VN_IMPLEMENT_PUBLISHED(TVNTable, TVNDataSet)

namespace {

std::string NameForMessages(const TComponent& Component) {
  return Component.Name().empty() ? Component.ClassName() : Component.Name();
}

}  // namespace

const std::vector<TPropInfo>& TVNTable::PublishedProperties() {
  using T = TVNTable;
  static const auto List = TPublisher<T>()
                               .String("TableName", &T::TableName, &T::SetTableName)
                               .String("IndexName", &T::IndexName, &T::SetIndexName)
                               .String("IndexFieldNames", &T::IndexFieldNames, &T::SetIndexFieldNames)
                               .String("MasterFields", &T::MasterFields, &T::SetMasterFields)
                               .Reference<TDataSource>("MasterSource", &T::MasterSource, &T::SetMasterSource)
                               .Reference<TVNDataSetUpdateObject>("UpdateObject", &T::UpdateObject, &T::SetUpdateObject)
                               .List();
  return List;
}

TVNTable::TVNTable(TComponent* AOwner) : TVNDataSet(AOwner), FIndexDefs(std::make_unique<TIndexDefs>(this)) {}

TVNTable::~TVNTable() { Close(); }

void TVNTable::SetTableName(const std::string& Value) {
  if (Value == FTableName) return;
  CheckInactive("TableName");
  FTableName = Value;
  // They described the previous table.
  FIndexDefs->Clear();
}

void TVNTable::SetIndexName(const std::string& Value) {
  if (Value == FIndexName && FIndexFieldNames.empty()) return;
  FIndexName = Value;
  FIndexFieldNames.clear();
  if (Active()) {
    Close();
    Open();
  }
}

void TVNTable::SetIndexFieldNames(const std::string& Value) {
  if (Value == FIndexFieldNames && FIndexName.empty()) return;
  FIndexFieldNames = Value;
  FIndexName.clear();
  if (Active()) {
    Close();
    Open();
  }
}

void TVNTable::SetMasterFields(const std::string& Value) { FMasterFields = Value; }

std::vector<std::string> TVNTable::CurrentIndexFields() const {
  if (!Trim(FIndexFieldNames).empty()) return SplitFieldList(FIndexFieldNames);
  if (!Trim(FIndexName).empty()) return SplitFieldList(FIndexDefs->Find(Trim(FIndexName)).Fields());
  for (int I = 0; I < FIndexDefs->Count(); ++I)
    if (FIndexDefs->Items(I)->Options().Contains(ixPrimary)) return SplitFieldList(FIndexDefs->Items(I)->Fields());
  return {};
}

int TVNTable::GetIndexFieldCount() const { return static_cast<int>(CurrentIndexFields().size()); }

TField* TVNTable::GetIndexField(int Index) const {
  const std::vector<std::string> Names = CurrentIndexFields();
  if (Index < 0 || Index >= static_cast<int>(Names.size()))
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  return &FieldByName(Names[static_cast<std::size_t>(Index)]);
}

void TVNTable::InternalOpen() {
  const std::string Table = Trim(FTableName);
  if (Table.empty()) throw EDatabaseError(Format("%s: no TableName given", {NameForMessages(*this)}));
  TVNDatabase& Database = AttachDatabase();
  TVNServerConnection& Connection = Database.Connection();
  FillIndexDefs(Connection, Table, Database.DatabaseName());

  const std::vector<std::string> Columns = Connection.FieldNames(Table);
  // The table as the catalog names it, every part quoted, so that no name can
  // end the identifier and add SQL of its own.
  std::string SQL = "SELECT * FROM " + Connection.QuotedTableName(Table);
  const std::vector<std::string> Order = CurrentIndexFields();
  for (std::size_t I = 0; I < Order.size(); ++I) {
    if (std::none_of(Columns.begin(), Columns.end(), [&](const std::string& C) { return AnsiSameText(C, Order[I]); }))
      throw EDatabaseError(
          Format("%s: index field '%s' is no column of table '%s'", {NameForMessages(*this), Order[I], Table}));
    SQL += (I == 0 ? " ORDER BY " : ", ") + QuoteIdentifier(Order[I], true);
  }
  NotifyMonitors(SQL);
  SetRecords(DefineFields(FieldDefs(), Connection.OpenQuery(SQL, {})));
}

void TVNTable::FillIndexDefs(TVNServerConnection& Connection, const std::string& Table,
                             const std::string& DatabaseName) {
  const auto Schema = Connection.IndexSchema(Table);
  if (!Schema) throw EDatabaseError(Format("Table '%s' does not exist in database '%s'", {Table, DatabaseName}));

  // One definition per index, its columns in index order.
  FIndexDefs->BeginUpdate();
  FIndexDefs->Clear();
  for (const TVNIndexSchemaRow& Row : *Schema) {
    int Index = FIndexDefs->IndexOf(Row.IndexName);
    if (Index < 0) {
      const int Type = Row.IndexType.value_or(0);
      TIndexOptions Options;
      if ((Type & itPrimary) != 0) Options = {ixPrimary, ixUnique};
      if ((Type & itUnique) != 0) Options.Include(ixUnique);
      FIndexDefs->AddIndexDef(Row.IndexName, "", Options);
      Index = FIndexDefs->Count() - 1;
    }
    TIndexDef& Def = *FIndexDefs->Items(Index);
    if (Row.ColumnName.empty()) {
      Def.SetOptions(Def.Options() + TIndexOptions{ixExpression});
      continue;
    }
    Def.SetFields(Def.Fields().empty() ? Row.ColumnName : Def.Fields() + ";" + Row.ColumnName);
  }
  FIndexDefs->EndUpdate();
}

void TVNTable::UpdateIndexDefs() {
  const std::string Table = Trim(FTableName);
  if (Active() || Table.empty()) return;
  TVNSession& Session = GetDBSession();
  TVNDatabase* Database = Session.FindDatabase(DatabaseName());
  // A name that no database component carries names a database file, as the
  // session's catalog questions take it.
  std::unique_ptr<TVNDatabase> Temporary;
  if (Database == nullptr) {
    if (Trim(DatabaseName()).empty())
      throw EDatabaseError(Format("%s: no DatabaseName given", {NameForMessages(*this)}));
    Temporary = std::make_unique<TVNDatabase>(nullptr);
    Temporary->SetSessionName(Session.SessionName());
    Temporary->SetRemoteDatabase(DatabaseName());
    Database = Temporary.get();
  }
  struct TConnectionScope {
    TVNDatabase& Database;
    bool WasConnected;
    ~TConnectionScope() {
      if (!WasConnected) Database.SetConnected(false);
    }
  } Scope{*Database, Database->Connected()};
  Database->SetConnected(true);
  FillIndexDefs(Database->Connection(), Table, DatabaseName());
}

void TVNTable::SetMasterSource(TDataSource* Value) {
  if (Value == FMasterSource) return;
  if (FMasterSource != nullptr) RemoveFreeNotification(*FMasterSource);
  FMasterSource = Value;
  if (FMasterSource != nullptr) FreeNotification(*FMasterSource);
}

void TVNTable::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FMasterSource) FMasterSource = nullptr;
  TVNDataSet::Notification(AComponent, Operation);
}
