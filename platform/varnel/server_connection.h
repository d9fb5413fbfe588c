// A connection to one database server, behind which each kind of server (SQLite
// now, PostgreSQL later) answers the catalog questions the components ask.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalog_types.h"
#include "server_errors.h"
#include "rtl/DB.h"
#include "rtl/Variants.h"
#include "varnel/Vncommon.h"

class TStrings;

// One result column of a statement, typed for a dataset's fields.
struct TVNColumnInfo {
  std::string Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;  // characters of a string column declared with a length, else 0
};

// Everything a statement returned.
struct TVNResultSet {
  std::vector<TVNColumnInfo> Columns;
  std::vector<std::vector<Variant>> Rows;  // one value per column each
};

// One column of a table as the catalog describes it, for checking statements
// that write the table.
struct TVNColumnDetails {
  std::string Name;
  bool Nullable = true;
  bool FloatingPoint = false;  // approximate numbers make poor keys
  bool Writable = true;        // false for generated and computed columns
};

// What one SQL text is by the server's own grammar, read without running it.
struct TVNStatementVerdict {
  int Count = 0;     // statements in the text (counting stops at two)
  std::string Kind;  // "SELECT", "INSERT", "UPDATE", "DELETE", else the statement's own words ("COPY", "PRAGMA")
  // What in it reaches outside the rows of the database or outside the
  // transaction: "calls pg_read_file, which reads the server's files".
  std::vector<std::string> Refusals;
};

// rkView: a view the server does not write through.
enum TVNRelationKind { rkNone, rkTable, rkView };

// A column whose default takes the next value of a sequence, which a rollback
// does not give back.
struct TVNSequenceDefault {
  std::string Column, Sequence;
};

// One parameter of a stored procedure as the server describes it.
struct TVNProcParamInfo {
  std::string Name;
  TFieldType DataType = ftUnknown;
  TParamType ParamType = ptInput;
};

class TVNServerConnection {
 public:
  TVNServerConnection() = default;
  virtual ~TVNServerConnection();
  TVNServerConnection(const TVNServerConnection&) = delete;
  TVNServerConnection& operator=(const TVNServerConnection&) = delete;

  virtual TVNServerType ServerType() const noexcept = 0;

  // Called before Open with the database component's Params ("NAME=value"
  // lines): a server that logs in reads the names it knows; others ignore them.
  virtual void SetLoginParams(const TStrings& Params);

  // Connects to DatabaseName, closing any earlier connection first. Raises
  // EDatabaseError naming the database and the reason when that fails; the
  // connection is then closed.
  virtual void Open(const std::string& DatabaseName) = 0;
  // As Open, but the connection can only read: for catalog questions asked
  // without a database component's connection.
  virtual void OpenReadOnly(const std::string& DatabaseName) = 0;
  // Nothing when already closed.
  virtual void Close() noexcept = 0;
  virtual bool Connected() const noexcept = 0;
  // The name given to the last successful Open; empty when closed.
  virtual const std::string& DatabaseName() const noexcept = 0;

  // Every catalog call below raises EDatabaseError when the connection is
  // closed or the server reports an error.

  // Tables and views in the order the server keeps them. Pattern is an SQL LIKE
  // pattern (% and _) matched without regard to case; "" matches every name.
  virtual std::vector<std::string> TableNames(const std::string& Pattern, TVNTableScope Scope) = 0;
  // The columns of TableName (possibly quoted or schema-qualified) in column
  // order; empty when no such table or view exists.
  virtual std::vector<std::string> FieldNames(const std::string& TableName) = 0;
  virtual std::vector<std::string> StoredProcNames() = 0;
  // One row per column of each index of TableName: the primary key first, then
  // the other indexes in creation order, columns in index order. Empty for a
  // view; nullopt when no such table or view exists.
  virtual std::optional<std::vector<TVNIndexSchemaRow>> IndexSchema(const std::string& TableName) = 0;
  // Name and origin of each result column of one statement, "*" expanded,
  // compiled and never run; a statement that returns no rows has none. Raises
  // EDatabaseError with the server's message when SQL does not compile, and
  // when it holds more than one statement.
  virtual std::vector<TVNFieldOrigin> FieldOrigins(const std::string& SQL) = 0;

  // Statements. SQL holds one statement whose ? placeholders take Params in
  // order; a count that does not match, a second statement, or an error of the
  // server raises EDatabaseError.

  // Runs a statement that returns rows and reads all of them. A statement that
  // returns none is refused before it runs.
  virtual TVNResultSet OpenQuery(const std::string& SQL, const std::vector<Variant>& Params) = 0;
  // Runs a statement; the number of rows it inserted, changed or deleted.
  virtual int ExecuteStatement(const std::string& SQL, const std::vector<Variant>& Params) = 0;
  // Runs every statement of Script in order, all or nothing: a failing one
  // undoes the ones before it. OnStatement hears each statement before it runs.
  virtual void ExecuteScript(const std::string& Script, const std::function<void(const std::string&)>& OnStatement) = 0;

  // SQL text naming the table or view that TableName designates, each part
  // quoted as the catalog spells it; "" when there is none.
  virtual std::string QuotedTableName(const std::string& TableName);

  // Compiles SQL (one statement, ? placeholders) without running it; the number
  // of placeholders. EDatabaseError with the server's message and, where the
  // server gives one, the position ("at line L, column C").
  virtual int PrepareOnly(const std::string& SQL) = 0;
  // Columns of TableName with what writing them needs; nullopt when no such
  // table or view exists.
  virtual std::optional<std::vector<TVNColumnDetails>> ColumnDetails(const std::string& TableName) = 0;
  // True while a transaction is open, so that callers nest with a savepoint.
  virtual bool InTransaction() const noexcept = 0;

  // Statements from outside the program (a form file).

  // What SQL (one statement, ? placeholders) is, by the server's grammar; runs
  // nothing. EDatabaseError with the server's message when it does not parse.
  virtual TVNStatementVerdict VetStatement(const std::string& SQL) = 0;
  // While on, the server refuses to compile what VetStatement refuses: the
  // guard around running statements that were vetted. Servers whose grammar
  // is read apart from compiling keep to VetStatement alone.
  virtual void GuardStatements(bool On);
  // BEGIN, with each statement of the transaction allowed TimeoutSeconds to
  // run and to wait for a lock; ReadOnly transactions cannot write. A statement
  // that runs out of time raises EVNServerBusy.
  virtual void BeginLimitedTransaction(int TimeoutSeconds, bool ReadOnly) = 0;
  // The login's name when it is a superuser of the server, else "".
  virtual std::string SuperuserName() { return ""; }
  // Columns of TableName whose defaults draw on a sequence.
  virtual std::vector<TVNSequenceDefault> SequenceDefaults(const std::string&) { return {}; }
  virtual TVNRelationKind RelationKind(const std::string& TableName) = 0;
  // Why writes to TableName would outlive a rollback (a table of an engine
  // without transactions); "" when a rollback undoes them.
  virtual std::string RollbackTrouble(const std::string&) { return ""; }
  // True when the bare (unquoted) Word in a statement reaches the catalog's Name.
  virtual bool BareNameMatches(std::string_view Word, std::string_view Name) const = 0;

  // Stored procedures, on servers that have them.
  virtual bool HasStoredProcs() const noexcept { return false; }
  // The parameters of procedure Name; nullopt when the server cannot describe them.
  virtual std::optional<std::vector<TVNProcParamInfo>> ProcParams(const std::string& Name);
  // The statement that runs procedure Name with one ? per input parameter, in
  // the order ProcParams gives; EDatabaseError where procedures cannot run.
  virtual std::string ProcCallStatement(const std::string& Name);
};

// Where a connection to a database server goes, read from the database's Params
// and RemoteDatabase.
// The password is kept for connecting only: it never enters a message.
struct TVNServerLogin {
  std::string Host;      // HOST; "" lets the client library choose (its socket)
  std::string Port;      // PORT
  std::string Socket;    // SOCKET: a server's local socket file, where the server has one
  std::string Database;  // RemoteDatabase, or its part after "/"
  std::string User;      // USER NAME
  std::string Password;  // PASSWORD
  int ConnectTimeout = 10;  // CONNECT TIMEOUT, in seconds

  // "database \"shop\" on host 127.0.0.1 port 5432": for messages.
  std::string Describe() const;
};

// RemoteDatabase is a database name, or "host[:port]/database" (one "/", not
// first) to name the server too, which then wins over HOST and PORT.
TVNServerLogin ReadServerLogin(const TStrings* Params, const std::string& RemoteDatabase);
// Where a connection to DatabaseName (a RemoteDatabase) goes: Login with that
// database, and with the server DatabaseName names, where it names one.
TVNServerLogin LoginFor(const TVNServerLogin& Login, const std::string& DatabaseName);
// Raises EDatabaseError naming the first of a script's Statements that
// Controls says controls transactions: a script runs in a transaction of its own.
void RefuseTransactionControl(const std::vector<std::string>& Statements,
                              const std::function<bool(std::string_view)>& Controls);

// A closed connection to a server of the given type.
std::unique_ptr<TVNServerConnection> CreateServerConnection(TVNServerType ServerType);
