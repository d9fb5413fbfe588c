// TVNServerConnection for MariaDB servers, through the server's C client
// (libmariadb).
//
// Sessions run with ANSI_QUOTES added to the server's sql_mode, so that "x"
// names a column as QuoteIdentifier writes it (`x` works as well); strings are
// in single quotes. Statements are compiled by the server's prepare (what a
// statement is, its placeholders, its result columns and where they come
// from) and run with their ? placeholders replaced by literals the client
// library escapes for the connection's character set (utf8mb4).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "rtl/Variants.h"
#include "server_connection.h"

struct st_mysql;
struct st_mysql_res;

// A result of the client library, freed on every way out.
struct TMariaDbResultCloser {
  void operator()(st_mysql_res* Result) const noexcept;
};
using TMariaDbResult = std::unique_ptr<st_mysql_res, TMariaDbResultCloser>;

class TVNMariaDbConnection final : public TVNServerConnection {
 public:
  TVNMariaDbConnection();
  ~TVNMariaDbConnection() override;

  TVNServerType ServerType() const noexcept override { return stMariaDB; }
  // HOST, PORT or SOCKET, USER NAME, PASSWORD, CONNECT TIMEOUT. For a server
  // on this machine (a socket, localhost, 127.0.0.1, ::1) a password left out
  // is read from the client's option files ([client] of ~/.my.cnf or
  // $MYSQL_HOME/my.cnf), so that forms need not hold one; another host never
  // gets what those files hold.
  void SetLoginParams(const TStrings& Params) override;
  // Waits at most CONNECT TIMEOUT seconds for the server, and 60 s for any
  // answer after; errors name the database and the host or socket, never the
  // password.
  void Open(const std::string& DatabaseName) override;
  // The connection executes nothing but SELECT and transaction control. (The
  // server itself cannot be asked: it refuses to compile writing statements
  // in a read-only session or transaction.)
  void OpenReadOnly(const std::string& DatabaseName) override;
  void Close() noexcept override;
  bool Connected() const noexcept override { return FHandle != nullptr; }
  const std::string& DatabaseName() const noexcept override { return FDatabaseName; }

  // The tables of the connection's database, bare; with the system tables
  // also those of information_schema, mysql, performance_schema and sys, as
  // "database.table".
  std::vector<std::string> TableNames(const std::string& Pattern, TVNTableScope Scope) override;
  // Table names match as the server's lower_case_table_names says: with their
  // letter case where it is 0, without otherwise.
  std::vector<std::string> FieldNames(const std::string& TableName) override;
  std::string QuotedTableName(const std::string& TableName) override;
  // Procedures and functions of the connection's database.
  std::vector<std::string> StoredProcNames() override;
  std::optional<std::vector<TVNIndexSchemaRow>> IndexSchema(const std::string& TableName) override;
  // From the result metadata of the prepared statement (org_table, org_name).
  std::vector<TVNFieldOrigin> FieldOrigins(const std::string& SQL) override;

  TVNResultSet OpenQuery(const std::string& SQL, const std::vector<Variant>& Params) override;
  int ExecuteStatement(const std::string& SQL, const std::vector<Variant>& Params) override;
  // One transaction (a savepoint inside an open one); statements that control
  // transactions are refused.
  void ExecuteScript(const std::string& Script, const std::function<void(const std::string&)>& OnStatement) override;

  int PrepareOnly(const std::string& SQL) override;
  // Virtual (generated) columns cannot be written; FLOAT and DOUBLE are
  // floating point.
  std::optional<std::vector<TVNColumnDetails>> ColumnDetails(const std::string& TableName) override;
  bool InTransaction() const noexcept override;

  // Compiled by the server (one statement); its kind from its words; refused
  // when it reads or writes the server's files, takes session locks, draws on
  // a sequence or sets session variables.
  TVNStatementVerdict VetStatement(const std::string& SQL) override;
  // max_statement_time and the lock wait timeouts of the session; a time-out
  // raises EVNServerBusy. ReadOnly needs a connection opened by OpenReadOnly.
  void BeginLimitedTransaction(int TimeoutSeconds, bool ReadOnly) override;
  // The login when it holds SUPER.
  std::string SuperuserName() override;
  // AUTO_INCREMENT columns: the table's counter is not given back by a rollback.
  std::vector<TVNSequenceDefault> SequenceDefaults(const std::string& TableName) override;
  TVNRelationKind RelationKind(const std::string& TableName) override;
  std::string RollbackTrouble(const std::string& TableName) override;
  // Column names match without regard to case; so do table names unless the
  // server keeps their case, which quoting does not change either.
  bool BareNameMatches(std::string_view Word, std::string_view Name) const override;

  bool HasStoredProcs() const noexcept override { return true; }
  std::optional<std::vector<TVNProcParamInfo>> ProcParams(const std::string& Name) override;
  // "CALL p(?, ?)" for a procedure (its OUT parameters as NULL), "SELECT f(?)" for a function.
  std::string ProcCallStatement(const std::string& Name) override;

 private:
  struct TTable {
    std::string Schema, Name;  // as the catalog spells them
  };
  struct TRoutine {
    std::string Schema, Name;
    bool Procedure = false;
  };
  void Connect(const std::string& DatabaseName, bool ReadOnly);
  st_mysql& CheckConnected() const;
  [[noreturn]] void RaiseError();
  // SQL with its ? placeholders replaced by Params as literals.
  std::string Bind(const std::string& SQL, const std::vector<Variant>& Params);
  // Runs SQL; its result when it has one.
  TMariaDbResult Run(const std::string& SQL);
  // A catalog question with ? placeholders for Texts; every row as text.
  std::vector<std::vector<std::string>> Ask(const std::string& SQL, const std::vector<std::string>& Texts);
  // Compiles SQL; its placeholder and result column counts, and its result
  // columns' origins when Origins is given.
  void Prepare(const std::string& SQL, int& Placeholders, int& Columns, std::vector<TVNFieldOrigin>* Origins);
  std::optional<TTable> ResolveTable(const std::string& TableName);
  std::optional<TRoutine> ResolveRoutine(const std::string& Name);
  std::vector<TVNProcParamInfo> ParamsOf(const TRoutine& Routine);

  st_mysql* FHandle = nullptr;
  std::string FDatabaseName;
  TVNServerLogin FLogin;
  std::string FSchema;     // the database connected to
  bool FTableCase = true;  // lower_case_table_names = 0: table names keep their case
  bool FReadOnly = false;  // opened by OpenReadOnly
};
