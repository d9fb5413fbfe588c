// TVNServerConnection for PostgreSQL servers, through libpq.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "rtl/Variants.h"
#include "server_connection.h"

struct pg_conn;
struct pg_result;

// A result of libpq, cleared on every way out.
struct TPgResultCloser {
  void operator()(pg_result* Result) const noexcept;
};
using TPgResult = std::unique_ptr<pg_result, TPgResultCloser>;


class TVNPgConnection final : public TVNServerConnection {
 public:
  TVNPgConnection();
  ~TVNPgConnection() override;

  TVNServerType ServerType() const noexcept override { return stPostgreSQL; }
  void SetLoginParams(const TStrings& Params) override;
  // Waits at most CONNECT TIMEOUT seconds for the server; errors name the
  // database, host and port and never the password.
  void Open(const std::string& DatabaseName) override;
  // Every transaction of the session is read only.
  void OpenReadOnly(const std::string& DatabaseName) override;
  void Close() noexcept override;
  bool Connected() const noexcept override { return FHandle != nullptr; }
  const std::string& DatabaseName() const noexcept override { return FDatabaseName; }

  // Names of tables on the search path are bare, others "schema.table". The
  // system tables are those of pg_catalog and information_schema.
  std::vector<std::string> TableNames(const std::string& Pattern, TVNTableScope Scope) override;
  // A bare name is first looked up as written, then folded to lower case as
  // the server folds it; a quoted one only as written.
  std::vector<std::string> FieldNames(const std::string& TableName) override;
  std::string QuotedTableName(const std::string& TableName) override;
  // Functions and procedures outside the system schemas.
  std::vector<std::string> StoredProcNames() override;
  std::optional<std::vector<TVNIndexSchemaRow>> IndexSchema(const std::string& TableName) override;
  // From the server's description of the prepared statement.
  std::vector<TVNFieldOrigin> FieldOrigins(const std::string& SQL) override;

  // Strings go to the server untyped (it reads them as the column needs),
  // integers as int8, floats as float8, Booleans as bool.
  TVNResultSet OpenQuery(const std::string& SQL, const std::vector<Variant>& Params) override;
  int ExecuteStatement(const std::string& SQL, const std::vector<Variant>& Params) override;
  // One transaction (a savepoint inside an open one); statements that control
  // transactions are refused.
  void ExecuteScript(const std::string& Script, const std::function<void(const std::string&)>& OnStatement) override;

  int PrepareOnly(const std::string& SQL) override;
  // Generated and identity-always columns cannot be written; real and double
  // precision are floating point.
  std::optional<std::vector<TVNColumnDetails>> ColumnDetails(const std::string& TableName) override;
  bool InTransaction() const noexcept override;

  // By the server's own parser (libpg_query): one statement, its node type,
  // no data-modifying WITH of another kind, no SELECT INTO, and none of the
  // functions that reach outside the database or outside the transaction
  // (server files, large objects, other databases, sequences, session locks,
  // server control: the list is in pg_statement_guard.cpp).
  TVNStatementVerdict VetStatement(const std::string& SQL) override;
  // SET LOCAL lock_timeout and statement_timeout; a time-out raises EVNServerBusy.
  void BeginLimitedTransaction(int TimeoutSeconds, bool ReadOnly) override;
  std::string SuperuserName() override;
  // Serial and identity columns, and defaults that call nextval.
  std::vector<TVNSequenceDefault> SequenceDefaults(const std::string& TableName) override;
  // Views and materialized views are views.
  TVNRelationKind RelationKind(const std::string& TableName) override;
  // The server folds a bare name's ASCII capitals to lower case.
  bool BareNameMatches(std::string_view Word, std::string_view Name) const override;

  bool HasStoredProcs() const noexcept override { return true; }
  std::optional<std::vector<TVNProcParamInfo>> ProcParams(const std::string& Name) override;
  // "select * from f(?, ?)" for a function, "call p(?, null)" for a procedure
  // (its output parameters passed as null, as the server wants).
  std::string ProcCallStatement(const std::string& Name) override;

 private:
  struct TCloser {
    void operator()(pg_conn* Handle) const noexcept;
  };
  void Connect(const std::string& DatabaseName, bool ReadOnly);
  pg_conn& CheckConnected() const;
  // Runs SQL ($n placeholders) with Params; raises with the server's message.
  TPgResult Run(const std::string& SQL, const std::vector<Variant>& Params, bool Describe = false);
  TPgResult Query(const std::string& SQL, const std::vector<std::string>& Texts);
  [[noreturn]] void RaiseError(const pg_result* Result, const std::string& SQL);
  // The relation a table name designates (0 when there is none).
  unsigned ResolveRelation(const std::string& TableName);

  std::unique_ptr<pg_conn, TCloser> FHandle;
  std::string FDatabaseName;
  TVNServerLogin FLogin;
};
