// Unit Vnengine: the Varnel data-access components.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/Classes.h"
#include "rtl/DB.h"
#include "rtl/TypInfo.h"
#include "varnel/Vncommon.h"

class TVNServerConnection;
class TVNSession;
class TVNDatabase;
class TVNDataSet;
class TVNDataSetUpdateObject;
struct TVNResultSet;

VN_DECLARE_TYPEINFO(TVNServerType)

// DesignOptions of a database: element 0 marks the default database, element 1
// asks that the connected state be stored in form files.
enum TVNDesignDBOption { ddoIsDefaultDatabase, ddoStoreConnected };
using TVNDesignDBOptions = TSet<TVNDesignDBOption>;
VN_DECLARE_TYPEINFO(TVNDesignDBOption)
VN_DECLARE_TYPEINFO(TVNDesignDBOptions)

// Kinds of schema information a database describes (GetSchemaInfo).
enum TVNSchemaType { vsTables, vsColumns, vsProcedures, vsProcedureParams, vsPrimaryKeys, vsIndexes };

// ---------------------------------------------------------------------------
// Sessions

// Every session of the process: the default session first, then the session
// components and the sessions made by GetSessionByName, in order of creation.
class TVNSessionList {
 public:
  int GetCount() const;
  int Count() const { return GetCount(); }
  TVNSession* GetSession(int Index) const;  // EListError when out of range
  // The session of that name, without regard to case; "" names the default
  // session. Null when there is none.
  TVNSession* FindSession(std::string_view SessionName) const;
  // As FindSession, but makes a session of that name (owned by the list) when
  // there is none.
  TVNSession& GetSessionByName(std::string_view SessionName);
};
TVNSessionList& Sessions();
// The default session ("Default").
TVNSession& Session();

class TVNSession : public TComponent {
  VN_DECLARE_PUBLISHED(TVNSession)
 public:
  explicit TVNSession(TComponent* AOwner);
  ~TVNSession() override;

  const std::string& SessionName() const noexcept { return FSessionName; }
  // EDatabaseError when another session already has that name, or while a
  // database of this session is connected.
  void SetSessionName(const std::string& Value);
  bool KeepConnections() const noexcept { return FKeepConnections; }
  void SetKeepConnections(bool Value) noexcept { FKeepConnections = Value; }

  // The database components (and temporary databases) of this session, in order
  // of creation.
  std::vector<TVNDatabase*> Databases() const;
  // The database of that DatabaseName, without regard to case; null when none.
  TVNDatabase* FindDatabase(std::string_view DatabaseName) const;
  // FindDatabase, else a temporary database owned by the session whose remote
  // database is DatabaseName itself; connected in either case. An empty name
  // gives the session's default database (ddoIsDefaultDatabase).
  TVNDatabase& OpenDatabase(std::string_view DatabaseName);

  void GetDatabaseNames(TStrings& List) const;
  // Each appends to List, asking the database that FindDatabase gives (the
  // default database for an empty name); a name no database carries names a
  // database file, opened for the question only. A database is disconnected
  // again after answering unless it was connected before, so that asking
  // changes nothing. EDatabaseError when the database cannot be reached.
  void GetTableNames(const std::string& DatabaseName, const std::string& Pattern, bool SystemTables, TStrings& List);
  void GetFieldNames(const std::string& DatabaseName, const std::string& TableName, TStrings& List);
  void GetStoredProcNames(const std::string& DatabaseName, TStrings& List);

 private:
  // The database that DatabaseName designates (the default database for an
  // empty name, EDatabaseError when there is none); null when no database
  // carries the name.
  TVNDatabase* FindCatalogDatabase(std::string_view DatabaseName) const;
  template <class FAsk>
  void AskCatalog(std::string_view DatabaseName, FAsk&& Ask);

  std::string FSessionName;
  bool FKeepConnections = true;
  std::vector<std::unique_ptr<TVNDatabase>> FTempDatabases;
};

// ---------------------------------------------------------------------------
// Databases

class TVNDatabase : public TComponent {
  VN_DECLARE_PUBLISHED(TVNDatabase)
 public:
  explicit TVNDatabase(TComponent* AOwner);
  ~TVNDatabase() override;

  const std::string& DatabaseName() const noexcept { return FDatabaseName; }
  void SetDatabaseName(const std::string& Value);  // EDatabaseError while connected
  // The database to connect to; for SQLite the database file.
  const std::string& RemoteDatabase() const noexcept { return FRemoteDatabase; }
  void SetRemoteDatabase(const std::string& Value);  // EDatabaseError while connected
  // New databases start with DefServerType; form files leave out stSQLite.
  TVNServerType ServerType() const noexcept { return FServerType; }
  void SetServerType(TVNServerType Value);  // EDatabaseError while connected
  const std::string& SessionName() const noexcept { return FSessionName; }
  void SetSessionName(const std::string& Value);  // EDatabaseError while connected
  TStrings& Params() const noexcept { return *FParams; }
  void SetParams(const TStrings& Value) { FParams->Assign(Value); }
  const std::string& ParamsFileName() const noexcept { return FParamsFileName; }
  void SetParamsFileName(const std::string& Value) { FParamsFileName = Value; }
  bool KeepConnection() const noexcept { return FKeepConnection; }
  void SetKeepConnection(bool Value) noexcept { FKeepConnection = Value; }
  bool LoginPrompt() const noexcept { return FLoginPrompt; }
  void SetLoginPrompt(bool Value) noexcept { FLoginPrompt = Value; }
  TVNDesignDBOptions DesignOptions() const noexcept { return FDesignOptions; }
  void SetDesignOptions(TVNDesignDBOptions Value) noexcept { FDesignOptions = Value; }
  // True for a temporary database of a session rather than a component of a form.
  bool Temporary() const noexcept { return FTemporary; }

  // Connecting really opens the database: a missing or unreadable file, or one
  // that is not a database, raises EDatabaseError naming the file. Read from a
  // form file, the state is applied once the form is loaded. Disconnecting
  // closes the datasets attached to it. Params and ParamsFileName are kept for
  // servers that log in; an SQLite file needs neither, nor a login prompt.
  bool Connected() const noexcept;
  void SetConnected(bool Value);
  void Open() { SetConnected(true); }
  void Close() { SetConnected(false); }

  // The session this database belongs to (Sessions().GetSessionByName(SessionName),
  // or for a temporary database the session that made it).
  TVNSession& GetSession() const;
  bool IsObjOwnerSupported() const noexcept;

  // Catalog questions; each connects first when needed, and disconnects again
  // after answering when it was not connected before.
  void GetTableNames(const std::string& Pattern, bool SystemTables, TStrings& List);
  void GetFieldNames(const std::string& TableName, TStrings& List);
  void GetStoredProcNames(TStrings& List);
  // A dataset positioned on its first row describing ObjectName, or null when
  // there is no such object. vsIndexes: string fields "INDEX_NAME" and
  // "COLUMN_NAME" and an integer field "INDEX_TYPE" (may be null; 4 = primary
  // key, 2 = unique), one row per column of each index of the table, the primary
  // key first. vsPrimaryKeys: "INDEX_NAME", "COLUMN_NAME" of the primary key.
  // vsColumns: "COLUMN_NAME", "COLUMN_POSITION" (from 1). vsTables (ObjectName
  // a LIKE pattern, "" for all): "TABLE_NAME", never null. vsProcedures:
  // "PROCEDURE_NAME", never null. vsProcedureParams raises EDatabaseError (not
  // supported). The caller owns the dataset.
  std::unique_ptr<TDataSet> GetSchemaInfo(TVNSchemaType Kind, const std::string& ObjectName);

  // The open connection; EDatabaseError when not connected. For the library's
  // own datasets.
  TVNServerConnection& Connection();

 protected:
  void Loaded() override;

 private:
  friend class TVNSession;
  friend class TVNDataSet;
  class TCatalogScope;
  void CheckInactive(std::string_view What) const;
  // Connects now, also while the component is being loaded.
  void Connect();
  void Disconnect() noexcept;

  std::string FDatabaseName;
  std::string FRemoteDatabase;
  TVNServerType FServerType;
  std::string FSessionName;
  std::unique_ptr<TStrings> FParams;
  std::string FParamsFileName;
  bool FKeepConnection = true;
  bool FLoginPrompt = true;
  TVNDesignDBOptions FDesignOptions;
  bool FTemporary = false;
  TVNSession* FTempSession = nullptr;  // the session that owns a temporary database
  bool FStreamedConnected = false;
  bool FServerTypeRead = false;  // the form file being read names the server type
  std::unique_ptr<TVNServerConnection> FConnection;
  std::vector<TVNDataSet*> FDataSets;  // attached, in order of attaching
};

// ---------------------------------------------------------------------------
// Datasets

class TVNDataSet : public TDataSet {
  VN_DECLARE_PUBLISHED(TVNDataSet)
 public:
  explicit TVNDataSet(TComponent* AOwner);
  ~TVNDataSet() override;

  const std::string& DatabaseName() const noexcept { return FDatabaseName; }
  void SetDatabaseName(const std::string& Value);  // EDatabaseError while open
  const std::string& SessionName() const noexcept { return FSessionName; }
  void SetSessionName(const std::string& Value);  // EDatabaseError while open
  TVNDataSetUpdateObject* UpdateObject() const noexcept { return FUpdateObject; }
  void SetUpdateObject(TVNDataSetUpdateObject* Value);

  // The session its SessionName designates (made when absent).
  TVNSession& GetDBSession() const;
  // The database it is attached to while open or prepared; null otherwise.
  TVNDatabase* Database() const noexcept { return FDatabase; }
  // Whether its server knows owner-qualified object names (owner.table).
  bool IsObjOwnerSupported() const;
  // Fills FieldList with one "name=table.column" line per field of SQL's result
  // ("name=" for a computed field; name as the dataset names its field) and
  // TableList with one "name=table" line per table read (name: the alias, else
  // the table name, spelt as SQL spells it); both are cleared first and either
  // may be null. Reserved is not used and may be null. A macro query expands
  // its macros first. The database answers through a read-only connection of
  // its own whenever it can be reached, whether connected or not; a parser of
  // SQL otherwise. Never raises for what SQL holds: what cannot be read gives
  // fewer or no lines.
  void ParseFieldInfoFromSQL(const std::string& SQL, TStrings* FieldList, TStrings* Reserved, TStrings* TableList);

 protected:
  // Attaches to the session's database (connecting it) for opening or preparing.
  TVNDatabase& AttachDatabase();
  void DetachDatabase() noexcept;
  void InternalClose() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Called when the attached database disconnects or is destroyed: closes the
  // dataset and lets the database go. An override calls the base.
  virtual void DatabaseDisconnected() noexcept;

 private:
  friend class TVNDatabase;
  std::string FDatabaseName;
  std::string FSessionName;
  TVNDatabase* FDatabase = nullptr;
  TVNDataSetUpdateObject* FUpdateObject = nullptr;
};

class TVNQuery : public TVNDataSet {
  VN_DECLARE_PUBLISHED(TVNQuery)
 public:
  explicit TVNQuery(TComponent* AOwner);
  ~TVNQuery() override;

  // Changing the text closes the query and re-creates Params from its :name
  // parameters, one per name in order of first use, keeping the values of
  // parameters of the same name.
  TStrings& SQL() const noexcept { return *FSQL; }
  void SetSQL(const TStrings& Value) { FSQL->Assign(Value); }
  TParams& Params() const noexcept { return *FParams; }
  void SetParams(const TParams& Value);
  int ParamCount() const;
  TParam& ParamByName(std::string_view Name) const;
  // Runs a statement that returns no rows; the number of rows changed.
  int ExecSQL();

  bool PSIsSQLBased() const override { return true; }

 protected:
  void InternalOpen() override;
  // The statement as sent to the server (macros expanded in TVNMacroQuery).
  virtual std::string StatementText() const;
  virtual void SQLChanged();

 private:
  // StatementText with "?" for each :name parameter, and the values to bind.
  // EDatabaseError for a parameter that is missing or has no value.
  std::string BoundStatement(std::vector<Variant>& Values) const;

  std::unique_ptr<TStrings> FSQL;
  std::unique_ptr<TParams> FParams;
};

// A query whose text may hold macros: "%" directly followed by a name (letters,
// digits, "_"; not starting with a digit), outside string literals, quoted names
// and comments. Each is replaced by its macro's value as text before the
// statement is sent; an unassigned macro gives nothing. Changing the text
// re-creates Macros as it does Params, one macro per name.
class TVNMacroQuery : public TVNQuery {
  VN_DECLARE_PUBLISHED(TVNMacroQuery)
 public:
  explicit TVNMacroQuery(TComponent* AOwner);
  ~TVNMacroQuery() override;

  TParams& Macros() const noexcept { return *FMacros; }
  void SetMacros(const TParams& Value);
  TParam& MacroByName(std::string_view Name) const;

 protected:
  std::string StatementText() const override;
  void SQLChanged() override;

 private:
  std::unique_ptr<TParams> FMacros;
};

class TVNStoredProc : public TVNDataSet {
  VN_DECLARE_PUBLISHED(TVNStoredProc)
 public:
  explicit TVNStoredProc(TComponent* AOwner);
  ~TVNStoredProc() override;

  const std::string& StoredProcName() const noexcept { return FStoredProcName; }
  void SetStoredProcName(const std::string& Value);
  TParams& Params() const noexcept { return *FParams; }
  void SetParams(const TParams& Value);
  int ParamsCount() const;
  bool Prepared() const noexcept { return FPrepared; }
  // Attaches to the database and asks the server to describe the procedure's
  // parameters where it can; a server without stored procedures describes none.
  void Prepare();
  void UnPrepare();
  // Whether the server described the parameters when the procedure was prepared.
  bool DescriptionsAvailable() const noexcept { return FDescriptionsAvailable; }
  // Runs the procedure with the input parameters' values; output parameters
  // take the values it returns. On a server without stored procedures,
  // ExecProc and Open raise EDatabaseError.
  void ExecProc();

 protected:
  void InternalOpen() override;
  // A prepared procedure stays attached to its database until UnPrepare.
  void InternalClose() override;
  void DatabaseDisconnected() noexcept override;

 private:
  // Calls the procedure; the rows it returned.
  TVNResultSet Run();

  std::string FStoredProcName;
  std::unique_ptr<TParams> FParams;
  bool FPrepared = false;
  bool FDescriptionsAvailable = false;
};

class TVNTable : public TVNDataSet {
  VN_DECLARE_PUBLISHED(TVNTable)
 public:
  explicit TVNTable(TComponent* AOwner);
  ~TVNTable() override;

  const std::string& TableName() const noexcept { return FTableName; }
  void SetTableName(const std::string& Value);  // EDatabaseError while open
  // The index that orders the table: by name ("" for the primary key), or by
  // the ";"-separated fields. Setting one clears the other; on an open table
  // the records are read again in the new order.
  const std::string& IndexName() const noexcept { return FIndexName; }
  void SetIndexName(const std::string& Value);
  const std::string& IndexFieldNames() const noexcept { return FIndexFieldNames; }
  void SetIndexFieldNames(const std::string& Value);
  // Fields of this table linked to a master dataset, ";"-separated.
  const std::string& MasterFields() const noexcept { return FMasterFields; }
  void SetMasterFields(const std::string& Value);
  // The table's indexes; filled when the table is opened.
  TIndexDefs& IndexDefs() const noexcept { return *FIndexDefs; }
  // The fields of the current index, in index order: IndexFieldNames, else the
  // index named IndexName, else the primary key (open table only).
  int GetIndexFieldCount() const;
  TField* GetIndexField(int Index) const;  // EListError when out of range

  bool PSIsSQLBased() const override { return false; }
  TIndexDefs* GetIndexDefs() override { return FIndexDefs.get(); }
  // Reads the table's indexes from its database without opening the table
  // (connecting the database for the question only); nothing while open or
  // without a TableName.
  void UpdateIndexDefs() override;

  // The data source of the master dataset that MasterFields refer to.
  TDataSource* MasterSource() const noexcept { return FMasterSource; }
  void SetMasterSource(TDataSource* Value);
  TDataSource* GetDataSource() const override { return FMasterSource; }

 protected:
  void InternalOpen() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  std::vector<std::string> CurrentIndexFields() const;
  void FillIndexDefs(TVNServerConnection& Connection, const std::string& Table, const std::string& DatabaseName);

  std::string FTableName;
  std::string FIndexName;
  std::string FIndexFieldNames;
  std::string FMasterFields;
  std::unique_ptr<TIndexDefs> FIndexDefs;
  TDataSource* FMasterSource = nullptr;
};

// ---------------------------------------------------------------------------
// Update objects

// Statement kinds of an update object, in GetSQLIndex order.
enum TVNUpdateKind { ukRefresh, ukModify, ukInsert, ukDelete };

// Writes a dataset's changes back to its table with statements of its own.
class TVNDataSetUpdateObject : public TComponent {
  VN_DECLARE_CLASS(TVNDataSetUpdateObject)
 public:
  explicit TVNDataSetUpdateObject(TComponent* AOwner);
  ~TVNDataSetUpdateObject() override;

  // The dataset whose UpdateObject this is; null when none.
  TVNDataSet* DataSet() const noexcept { return FDataSet; }
  void SetDataSet(TVNDataSet* Value);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TVNDataSet;
  TVNDataSet* FDataSet = nullptr;
};

class TVNUpdateSQL : public TVNDataSetUpdateObject {
  VN_DECLARE_PUBLISHED(TVNUpdateSQL)
 public:
  explicit TVNUpdateSQL(TComponent* AOwner);
  ~TVNUpdateSQL() override;

  // The statement list of a kind: 0 refresh, 1 modify, 2 insert, 3 delete
  // (EListError otherwise).
  TStrings& GetSQLIndex(int Index) const;
  TStrings& RefreshSQL() const { return GetSQLIndex(ukRefresh); }
  TStrings& ModifySQL() const { return GetSQLIndex(ukModify); }
  TStrings& InsertSQL() const { return GetSQLIndex(ukInsert); }
  TStrings& DeleteSQL() const { return GetSQLIndex(ukDelete); }

 private:
  std::unique_ptr<TStrings> FSQL[4];
};

// ---------------------------------------------------------------------------
// Other components

// Runs a script of statements separated by ";" against a database, all or
// nothing.
class TVNScript : public TComponent {
  VN_DECLARE_PUBLISHED(TVNScript)
 public:
  explicit TVNScript(TComponent* AOwner);
  ~TVNScript() override;

  const std::string& DatabaseName() const noexcept { return FDatabaseName; }
  void SetDatabaseName(const std::string& Value) { FDatabaseName = Value; }
  const std::string& SessionName() const noexcept { return FSessionName; }
  void SetSessionName(const std::string& Value) { FSessionName = Value; }
  TStrings& SQL() const noexcept { return *FSQL; }
  void SetSQL(const TStrings& Value) { FSQL->Assign(Value); }

  TVNSession& GetDBSession() const;
  // Runs every statement of SQL in order inside one transaction.
  void ExecSQL();

 private:
  std::string FDatabaseName;
  std::string FSessionName;
  std::unique_ptr<TStrings> FSQL;
};

// Records the statements that the library's datasets and scripts send, while
// Active: every monitor of the process hears them, one line per statement.
class TVNMonitor : public TComponent {
  VN_DECLARE_PUBLISHED(TVNMonitor)
 public:
  explicit TVNMonitor(TComponent* AOwner);
  ~TVNMonitor() override;

  bool Active() const noexcept { return FActive; }
  void SetActive(bool Value) noexcept { FActive = Value; }
  // The most recent statements, oldest first; at most MaxLines of them.
  TStrings& Lines() const noexcept { return *FLines; }
  int MaxLines() const noexcept { return FMaxLines; }
  void SetMaxLines(int Value);

 private:
  bool FActive = false;
  int FMaxLines = 1000;
  std::unique_ptr<TStrings> FLines;
};

// Describes a database server for the components that need one by name.
class TVNSQLBaseServer : public TComponent {
  VN_DECLARE_PUBLISHED(TVNSQLBaseServer)
 public:
  explicit TVNSQLBaseServer(TComponent* AOwner);
  ~TVNSQLBaseServer() override;

  // New ones start with DefServerType; form files leave out stSQLite.
  TVNServerType ServerType() const noexcept { return FServerType; }
  void SetServerType(TVNServerType Value) noexcept;
  TStrings& Params() const noexcept { return *FParams; }
  void SetParams(const TStrings& Value) { FParams->Assign(Value); }

 protected:
  void Loaded() override;

 private:
  TVNServerType FServerType;
  bool FServerTypeRead = false;  // the form file being read names the server type
  std::unique_ptr<TStrings> FParams;
};

// ---------------------------------------------------------------------------
// Unit start-up, for the unit tables of packages that use this library. The
// first start-up in the process registers the component classes by name and
// makes the default session; the last shut-down undoes that. The library holds
// one start-up of its own from loading to unloading, so its classes and the
// default session are there while it is loaded.
void Vnengine_Initialization();
void Vnengine_Finalization();
