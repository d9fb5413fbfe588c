#include "varnel/Vnengine.h"

#include <algorithm>

#include "library_state.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "server_connection.h"

VN_IMPLEMENT_ENUM_TYPEINFO(TVNServerType, "stSQLite", "stPostgreSQL", "stMariaDB")
VN_IMPLEMENT_ENUM_TYPEINFO(TVNDesignDBOption, "ddoIsDefaultDatabase", "ddoStoreConnected")
VN_IMPLEMENT_SET_TYPEINFO(TVNDesignDBOptions, "TVNDesignDBOptions", TVNDesignDBOption)

VN_IMPLEMENT_PUBLISHED(TVNDatabase, TComponent)

static_assert(ServerTypeCount == 3, "the server type names above follow the enumeration");

namespace {

std::string NameForMessages(const TVNDatabase& Database) {
  if (!Database.DatabaseName().empty()) return Database.DatabaseName();
  return Database.Name().empty() ? Database.ClassName() : Database.Name();
}

std::unique_ptr<TDataSet> MakeSchema(const std::vector<std::pair<std::string, TFieldType>>& Columns,
                                     std::vector<std::vector<Variant>> Rows) {
  auto Schema = std::make_unique<TMemoryDataSet>(nullptr);
  Schema->Load(Columns, std::move(Rows));
  return Schema;
}

}  // namespace

const std::vector<TPropInfo>& TVNDatabase::PublishedProperties() {
  using D = TVNDatabase;
  // Form files leave out ServerType when it is stSQLite; Loaded restores that
  // value for a file that leaves it out, whatever DefServerType is.
  static const auto List =
      TPublisher<D>()
          .String("DatabaseName", &D::DatabaseName, &D::SetDatabaseName)
          .Set<TVNDesignDBOptions>("DesignOptions", &D::DesignOptions, &D::SetDesignOptions)
          .Boolean("KeepConnection", &D::KeepConnection, &D::SetKeepConnection, true)
          .Boolean("LoginPrompt", &D::LoginPrompt, &D::SetLoginPrompt, true)
          .Owned<TStrings>("Params", &D::Params)
          .String("ParamsFileName", &D::ParamsFileName, &D::SetParamsFileName)
          .String("RemoteDatabase", &D::RemoteDatabase, &D::SetRemoteDatabase)
          .Enum("ServerType", &D::ServerType, &D::SetServerType, stSQLite)
          .String("SessionName", &D::SessionName, &D::SetSessionName)
          .Boolean("Connected", &D::Connected, &D::SetConnected, false)
          .StoredIf([](const D& Database) { return Database.DesignOptions().Contains(ddoStoreConnected); })
          .List();
  return List;
}

TVNDatabase::TVNDatabase(TComponent* AOwner)
    : TComponent(AOwner), FServerType(DefServerType), FParams(std::make_unique<TStringList>()) {
  LibraryState().Databases.push_back(this);
}

TVNDatabase::~TVNDatabase() {
  Disconnect();
  std::erase(LibraryState().Databases, this);
}

void TVNDatabase::CheckInactive(std::string_view What) const {
  if (Connected())
    throw EDatabaseError(Format("Database '%s': cannot change %s while connected", {NameForMessages(*this), What}));
}

void TVNDatabase::SetDatabaseName(const std::string& Value) {
  if (Value == FDatabaseName) return;
  CheckInactive("DatabaseName");
  FDatabaseName = Value;
}

void TVNDatabase::SetRemoteDatabase(const std::string& Value) {
  if (Value == FRemoteDatabase) return;
  CheckInactive("RemoteDatabase");
  FRemoteDatabase = Value;
}

void TVNDatabase::SetServerType(TVNServerType Value) {
  if (ComponentState().Contains(csLoading)) FServerTypeRead = true;
  if (Value == FServerType) return;
  CheckInactive("ServerType");
  FServerType = Value;
}

void TVNDatabase::SetSessionName(const std::string& Value) {
  if (Value == FSessionName) return;
  CheckInactive("SessionName");
  FSessionName = Value;
}

bool TVNDatabase::Connected() const noexcept { return FConnection != nullptr && FConnection->Connected(); }

void TVNDatabase::SetConnected(bool Value) {
  if (ComponentState().Contains(csLoading)) {
    FStreamedConnected = Value;
    return;
  }
  if (Value)
    Connect();
  else
    Disconnect();
}

void TVNDatabase::Connect() {
  if (Connected()) return;
  if (Trim(FRemoteDatabase).empty())
    throw EDatabaseError(Format("Database '%s': no RemoteDatabase to connect to", {NameForMessages(*this)}));
  std::unique_ptr<TVNServerConnection> Connection = CreateServerConnection(FServerType);
  Connection->SetLoginParams(*FParams);
  Connection->Open(FRemoteDatabase);
  FConnection = std::move(Connection);
}

void TVNDatabase::Disconnect() noexcept {
  const std::vector<TVNDataSet*> Attached = FDataSets;
  for (TVNDataSet* DataSet : Attached) DataSet->DatabaseDisconnected();
  FDataSets.clear();
  FConnection.reset();
}

void TVNDatabase::Loaded() {
  TComponent::Loaded();
  // A file leaves out the default value, not the one this process starts with.
  if (!FServerTypeRead && !Connected()) FServerType = stSQLite;
  FServerTypeRead = false;
  if (!FStreamedConnected) return;
  FStreamedConnected = false;
  Connect();
}

TVNSession& TVNDatabase::GetSession() const {
  if (FTemporary && FTempSession != nullptr) return *FTempSession;
  return Sessions().GetSessionByName(FSessionName);
}

// A PostgreSQL schema and a MariaDB database both qualify a table's name.
bool TVNDatabase::IsObjOwnerSupported() const noexcept { return FServerType != stSQLite; }

TVNServerConnection& TVNDatabase::Connection() {
  if (!Connected()) throw EDatabaseError(Format("Database '%s' is not connected", {NameForMessages(*this)}));
  return *FConnection;
}

// Connects for one catalog question and, when the database was not connected
// before, disconnects once it has answered: asking leaves the state as it was,
// so the same state gives the same answers.
class TVNDatabase::TCatalogScope {
 public:
  explicit TCatalogScope(TVNDatabase& Database) : FDatabase(Database), FWasConnected(Database.Connected()) {
    FDatabase.Connect();
  }
  ~TCatalogScope() {
    if (!FWasConnected) FDatabase.Disconnect();
  }
  TCatalogScope(const TCatalogScope&) = delete;
  TCatalogScope& operator=(const TCatalogScope&) = delete;

 private:
  TVNDatabase& FDatabase;
  bool FWasConnected;
};

void TVNDatabase::GetTableNames(const std::string& Pattern, bool SystemTables, TStrings& List) {
  TCatalogScope Scope(*this);
  for (const std::string& Name : FConnection->TableNames(Pattern, SystemTables ? tsWithSystemTables : tsUserTables))
    List.Add(Name);
}

void TVNDatabase::GetFieldNames(const std::string& TableName, TStrings& List) {
  TCatalogScope Scope(*this);
  for (const std::string& Name : FConnection->FieldNames(TableName)) List.Add(Name);
}

void TVNDatabase::GetStoredProcNames(TStrings& List) {
  TCatalogScope Scope(*this);
  for (const std::string& Name : FConnection->StoredProcNames()) List.Add(Name);
}

std::unique_ptr<TDataSet> TVNDatabase::GetSchemaInfo(TVNSchemaType Kind, const std::string& ObjectName) {
  TCatalogScope Scope(*this);
  std::vector<std::vector<Variant>> Rows;
  switch (Kind) {
    case vsTables:
      for (const std::string& Name : FConnection->TableNames(ObjectName, tsUserTables)) Rows.push_back({Variant(Name)});
      return MakeSchema({{"TABLE_NAME", ftString}}, std::move(Rows));
    case vsColumns: {
      const std::vector<std::string> Names = FConnection->FieldNames(ObjectName);
      // A table has at least one column: none means no such table.
      if (Names.empty()) return nullptr;
      for (std::size_t I = 0; I < Names.size(); ++I)
        Rows.push_back({Variant(Names[I]), Variant(static_cast<std::int64_t>(I + 1))});
      return MakeSchema({{"COLUMN_NAME", ftString}, {"COLUMN_POSITION", ftInteger}}, std::move(Rows));
    }
    case vsProcedures:
      for (const std::string& Name : FConnection->StoredProcNames()) Rows.push_back({Variant(Name)});
      return MakeSchema({{"PROCEDURE_NAME", ftString}}, std::move(Rows));
    case vsPrimaryKeys:
    case vsIndexes: {
      const auto Schema = FConnection->IndexSchema(ObjectName);
      if (!Schema) return nullptr;
      for (const TVNIndexSchemaRow& Row : *Schema) {
        const bool Primary = Row.IndexType.has_value() && (*Row.IndexType & itPrimary) != 0;
        if (Kind == vsPrimaryKeys) {
          if (Primary) Rows.push_back({Variant(Row.IndexName), Variant(Row.ColumnName)});
          continue;
        }
        Rows.push_back({Variant(Row.IndexName), Variant(Row.ColumnName),
                        Row.IndexType ? Variant(*Row.IndexType) : Variant::Null()});
      }
      if (Kind == vsPrimaryKeys)
        return MakeSchema({{"INDEX_NAME", ftString}, {"COLUMN_NAME", ftString}}, std::move(Rows));
      return MakeSchema({{"INDEX_NAME", ftString}, {"COLUMN_NAME", ftString}, {"INDEX_TYPE", ftInteger}},
                        std::move(Rows));
    }
    case vsProcedureParams:
      break;
  }
  throw EDatabaseError(Format("Database '%s': this kind of schema information (%d) is not supported",
                              {NameForMessages(*this), static_cast<int>(Kind)}));
}
