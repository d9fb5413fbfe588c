// TVNServerConnection for SQLite database files.
#pragma once

#include <chrono>
#include <memory>

#include "server_connection.h"

struct sqlite3;

class TVNSQLiteConnection final : public TVNServerConnection {
 public:
  TVNSQLiteConnection();
  ~TVNSQLiteConnection() override;

  TVNServerType ServerType() const noexcept override { return stSQLite; }
  // Opens an existing database file; a missing file is never created.
  void Open(const std::string& DatabaseName) override;
  void OpenReadOnly(const std::string& DatabaseName) override;
  void Close() noexcept override;
  bool Connected() const noexcept override { return FHandle != nullptr; }
  const std::string& DatabaseName() const noexcept override { return FDatabaseName; }

  // The system tables are the schema table (as "sqlite_master") and every table
  // whose name starts with "sqlite_".
  std::vector<std::string> TableNames(const std::string& Pattern, TVNTableScope Scope) override;
  std::vector<std::string> FieldNames(const std::string& TableName) override;
  std::vector<std::string> StoredProcNames() override { return {}; }
  // A primary key that SQLite keeps without an index (an INTEGER PRIMARY KEY)
  // is reported as the index "PRIMARY".
  std::optional<std::vector<TVNIndexSchemaRow>> IndexSchema(const std::string& TableName) override;
  std::vector<TVNFieldOrigin> FieldOrigins(const std::string& SQL) override;

  // Column types follow the declared type as SQLite reads it (INT: integer,
  // CHAR/TEXT: string, REAL/FLOA/DOUB: float, BLOB: blob, plus BOOL, DATE and
  // TIME); a computed column takes the type of its first value.
  TVNResultSet OpenQuery(const std::string& SQL, const std::vector<Variant>& Params) override;
  int ExecuteStatement(const std::string& SQL, const std::vector<Variant>& Params) override;
  int PrepareOnly(const std::string& SQL) override;
  // A column without NOT NULL is nullable, as SQLite lets NULL into every key
  // but an INTEGER PRIMARY KEY; generated columns cannot be written.
  std::optional<std::vector<TVNColumnDetails>> ColumnDetails(const std::string& TableName) override;
  bool InTransaction() const noexcept override;
  // Runs inside a savepoint; statements that control transactions (BEGIN,
  // COMMIT, ROLLBACK, SAVEPOINT ...) are refused.
  void ExecuteScript(const std::string& Script, const std::function<void(const std::string&)>& OnStatement) override;

  // By the statement's own compilation: the actions SQLite's authorizer is
  // asked for tell the kind, and the authorizer refuses ATTACH, DETACH,
  // PRAGMA, schema changes, transactions, writes to SQLite's own tables and
  // the functions that reach outside the database (load_extension, readfile,
  // writefile and their kind).
  TVNStatementVerdict VetStatement(const std::string& SQL) override;
  // The same authorizer, for every statement compiled while on.
  void GuardStatements(bool On) override;
  // Waits for another connection's lock at most TimeoutSeconds, and interrupts
  // a statement that runs longer.
  void BeginLimitedTransaction(int TimeoutSeconds, bool ReadOnly) override;
  TVNRelationKind RelationKind(const std::string& TableName) override;
  // SQLite compares names without regard to the case of ASCII letters only.
  bool BareNameMatches(std::string_view Word, std::string_view Name) const override;

  // The SQLite handle, for the components that run statements; null when closed.
  sqlite3* Handle() const noexcept { return FHandle.get(); }

 private:
  struct TCloser {
    void operator()(sqlite3* Handle) const noexcept;
  };

  sqlite3& CheckConnected() const;
  void OpenWithFlags(const std::string& DatabaseName, int Flags);
  // Starts the time limit of the statement about to run, when one is set.
  void StartStatementClock() noexcept;
  static int InterruptWhenLate(void* Self) noexcept;

  std::unique_ptr<sqlite3, TCloser> FHandle;
  std::string FDatabaseName;
  struct TAuthorizer;
  std::unique_ptr<TAuthorizer> FAuthorizer;  // set while vetting or guarding
  std::chrono::milliseconds FStatementLimit{0};  // 0: statements run as long as they take
  std::chrono::steady_clock::time_point FStatementDeadline;
};
