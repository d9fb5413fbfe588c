#include "varnel/Vnengine.h"

#include <algorithm>

#include "dataset_loading.h"
#include "field_info.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "server_connection.h"

VN_IMPLEMENT_PUBLISHED(TVNDataSet, TDataSet)

std::vector<std::vector<Variant>> DefineFields(TFieldDefs& Defs, TVNResultSet&& Result) {
  Defs.BeginUpdate();
  Defs.Clear();
  for (std::size_t I = 0; I < Result.Columns.size(); ++I) {
    const TVNColumnInfo& Column = Result.Columns[I];
    std::string Name = Column.Name.empty() ? "COLUMN" + IntToStr(static_cast<std::int64_t>(I + 1)) : Column.Name;
    // Fields are found by name: "SELECT a.id, b.id" must give two of them.
    if (Defs.IndexOf(Name) >= 0) {
      int Suffix = 1;
      while (Defs.IndexOf(Name + "_" + IntToStr(Suffix)) >= 0) ++Suffix;
      Name += "_" + IntToStr(Suffix);
    }
    Defs.AddFieldDef(Name, Column.DataType, Column.Size);
  }
  Defs.EndUpdate();
  return std::move(Result.Rows);
}

const std::vector<TPropInfo>& TVNDataSet::PublishedProperties() {
  using D = TVNDataSet;
  static const auto List = TPublisher<D>()
                               .String("DatabaseName", &D::DatabaseName, &D::SetDatabaseName)
                               .String("SessionName", &D::SessionName, &D::SetSessionName)
                               .List();
  return List;
}

TVNDataSet::TVNDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

TVNDataSet::~TVNDataSet() {
  Close();
  DetachDatabase();
  SetUpdateObject(nullptr);
}

void TVNDataSet::SetDatabaseName(const std::string& Value) {
  if (Value == FDatabaseName) return;
  CheckInactive("DatabaseName");
  // A prepared dataset lets the old database go.
  if (FDatabase != nullptr) DatabaseDisconnected();
  FDatabaseName = Value;
}

void TVNDataSet::SetSessionName(const std::string& Value) {
  if (Value == FSessionName) return;
  CheckInactive("SessionName");
  if (FDatabase != nullptr) DatabaseDisconnected();
  FSessionName = Value;
}

void TVNDataSet::SetUpdateObject(TVNDataSetUpdateObject* Value) {
  if (Value == FUpdateObject) return;
  if (TVNDataSetUpdateObject* Old = FUpdateObject) {
    FUpdateObject = nullptr;
    if (Old->FDataSet == this) Old->FDataSet = nullptr;
    RemoveFreeNotification(*Old);
  }
  if (Value == nullptr) return;
  // An update object serves one dataset: the one it served before loses it.
  if (Value->FDataSet != nullptr && Value->FDataSet != this) Value->FDataSet->SetUpdateObject(nullptr);
  FUpdateObject = Value;
  Value->FDataSet = this;
  FreeNotification(*Value);
}

TVNSession& TVNDataSet::GetDBSession() const { return Sessions().GetSessionByName(FSessionName); }

bool TVNDataSet::IsObjOwnerSupported() const {
  const TVNDatabase* Found = FDatabase;
  if (Found == nullptr)
    if (const TVNSession* Owner = Sessions().FindSession(FSessionName)) Found = Owner->FindDatabase(FDatabaseName);
  const TVNServerType Type = Found != nullptr ? Found->ServerType() : DefServerType;
  return Type == stPostgreSQL;
}

void TVNDataSet::ParseFieldInfoFromSQL(const std::string& SQL, TStrings* FieldList, TStrings*, TStrings* TableList) {
  TVNDatabase* Found = FDatabase;
  if (Found == nullptr)
    if (const TVNSession* Owner = Sessions().FindSession(FSessionName)) Found = Owner->FindDatabase(FDatabaseName);
  TVNServerConnection* Connection = Found != nullptr && Found->Connected() ? &Found->Connection() : nullptr;
  ParseFieldInfo(Connection, SQL, FieldList, TableList);
}

TVNDatabase& TVNDataSet::AttachDatabase() {
  if (FDatabase != nullptr) {
    FDatabase->Connect();
    return *FDatabase;
  }
  TVNDatabase& Database = GetDBSession().OpenDatabase(FDatabaseName);
  Database.FDataSets.push_back(this);
  FDatabase = &Database;
  return Database;
}

void TVNDataSet::DetachDatabase() noexcept {
  TVNDatabase* Database = FDatabase;
  if (Database == nullptr) return;
  FDatabase = nullptr;
  std::erase(Database->FDataSets, this);
  if (Database->FDataSets.empty() && !Database->KeepConnection()) Database->Disconnect();
}

void TVNDataSet::InternalClose() { DetachDatabase(); }

void TVNDataSet::DatabaseDisconnected() noexcept {
  Close();
  DetachDatabase();
}

void TVNDataSet::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent != nullptr && AComponent == FUpdateObject) SetUpdateObject(nullptr);
  TDataSet::Notification(AComponent, Operation);
}
