#include "varnel/Vnengine.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "dataset_loading.h"
#include "field_info.h"
#include "design_catalog.h"
#include "query_text.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "server_connection.h"

VN_IMPLEMENT_PUBLISHED(TVNDataSet, TDataSet)

namespace {

bool IsAscii(std::string_view S) noexcept {
  return std::all_of(S.begin(), S.end(), [](char C) { return static_cast<unsigned char>(C) < 0x80; });
}

// The comparison field definitions find names by.
bool SameFieldName(std::string_view A, std::string_view B) {
  if (SameText(A, B)) return true;
  return !(IsAscii(A) && IsAscii(B)) && AnsiSameText(A, B);
}

}  // namespace

std::vector<std::string> DataSetFieldNames(const std::vector<std::string>& Columns) {
  std::vector<std::string> Names;
  Names.reserve(Columns.size());
  for (std::size_t I = 0; I < Columns.size(); ++I)
    Names.push_back(Columns[I].empty() ? "COLUMN" + IntToStr(static_cast<std::int64_t>(I + 1)) : Columns[I]);
  const bool AllAscii = std::all_of(Names.begin(), Names.end(), [](const std::string& N) { return IsAscii(N); });

  // ASCII names are the same exactly when their upper case is, so a hash set
  // finds them; other names need the collator, pair by pair.
  std::unordered_set<std::string> Taken;
  std::vector<std::string> TakenOthers;
  // Per name, the suffix to try first: those below it are taken for good.
  std::unordered_map<std::string, int> NextSuffix;
  auto IsTaken = [&](const std::string& Name) {
    if (AllAscii) return Taken.contains(UpperCase(Name));
    return std::any_of(TakenOthers.begin(), TakenOthers.end(),
                       [&](const std::string& T) { return SameFieldName(T, Name); });
  };
  auto Take = [&](const std::string& Name) {
    if (AllAscii)
      Taken.insert(UpperCase(Name));
    else
      TakenOthers.push_back(Name);
  };
  for (std::string& Name : Names) {
    if (IsTaken(Name)) {
      int& Suffix = NextSuffix.try_emplace(AllAscii ? UpperCase(Name) : Name, 1).first->second;
      while (IsTaken(Name + "_" + IntToStr(Suffix))) ++Suffix;
      Name += "_" + IntToStr(Suffix);
    }
    Take(Name);
  }
  return Names;
}

std::vector<std::vector<Variant>> DefineFields(TFieldDefs& Defs, TVNResultSet&& Result) {
  std::vector<std::string> Columns;
  Columns.reserve(Result.Columns.size());
  for (const TVNColumnInfo& Column : Result.Columns) Columns.push_back(Column.Name);
  const std::vector<std::string> Names = DataSetFieldNames(Columns);
  Defs.BeginUpdate();
  Defs.Clear();
  for (std::size_t I = 0; I < Names.size(); ++I)
    Defs.AddFieldDef(Names[I], Result.Columns[I].DataType, Result.Columns[I].Size);
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
  return Type != stSQLite;
}

namespace {

// The catalog that answers for a dataset at design time: a read-only
// connection of its own to the database the dataset would open, so that the
// answer does not depend on whether that database is connected, and asking
// connects nothing. Null when there is no such database or it cannot be reached.
std::unique_ptr<TVNServerConnection> OpenCatalog(const TVNDataSet& DataSet) {
  try {
    return ConnectDataSetDatabase(DataSet, caReadOnly);
  } catch (const EDatabaseError&) {
    return nullptr;
  }
}

}  // namespace

const TVNDatabase* DesignDatabase(const TVNDataSet& DataSet) {
  if (const TVNDatabase* Attached = DataSet.Database()) return Attached;
  const TVNSession* Owner = Sessions().FindSession(DataSet.SessionName());
  if (Owner == nullptr) return nullptr;
  if (!Trim(DataSet.DatabaseName()).empty()) return Owner->FindDatabase(DataSet.DatabaseName());
  for (const TVNDatabase* Database : Owner->Databases())
    if (Database->DesignOptions().Contains(ddoIsDefaultDatabase)) return Database;
  return nullptr;
}

TVNServerType DataSetServerType(const TVNDataSet& DataSet) {
  const TVNDatabase* Found = DesignDatabase(DataSet);
  return Found != nullptr ? Found->ServerType() : DefServerType;
}

std::unique_ptr<TVNServerConnection> ConnectDataSetDatabase(const TVNDataSet& DataSet, TVNCatalogAccess Access) {
  const TVNDatabase* Found = DesignDatabase(DataSet);
  // A name that no component carries names a database file, as when opening.
  const std::string& Remote = Found != nullptr ? Found->RemoteDatabase() : DataSet.DatabaseName();
  if (Trim(Remote).empty())
    throw EDatabaseError(Format("%s: no database to connect to (DatabaseName '%s')",
                                {DataSet.Name().empty() ? DataSet.ClassName() : DataSet.Name(), DataSet.DatabaseName()}));
  std::unique_ptr<TVNServerConnection> Connection = CreateServerConnection(DataSetServerType(DataSet));
  if (Found != nullptr) Connection->SetLoginParams(Found->Params());
  if (Access == caReadOnly)
    Connection->OpenReadOnly(Remote);
  else
    Connection->Open(Remote);
  return Connection;
}

void TVNDataSet::ParseFieldInfoFromSQL(const std::string& SQL, TStrings* FieldList, TStrings*, TStrings* TableList) {
  // What a macro query would send: its macros expanded, unknown ones as nothing.
  const auto* MacroQuery = dynamic_cast<const TVNMacroQuery*>(this);
  const std::string Text = MacroQuery != nullptr ? ExpandMacrosLeniently(*MacroQuery, SQL) : SQL;
  // A query just linked to an update object often has no SQL yet.
  const std::unique_ptr<TVNServerConnection> Catalog = Trim(Text).empty() ? nullptr : OpenCatalog(*this);
  ParseFieldInfo(Catalog.get(), Text, FieldList, TableList, DataSetServerType(*this));
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
