// Statements from outside the program on SQLite: what they are by SQLite's own
// compiler, and an authorizer that keeps them to the rows of the database.
#include "sqlite_connection.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>

#include "rtl/SysUtils.h"
#include "sql_tokenizer.h"
#include "sqlite_statement.h"
#include "varnel/Vncommon.h"

namespace {

// Functions of extensions and of SQLite's own shell that read or write files
// or load code: refused wherever they are present.
constexpr std::array<std::string_view, 9> OutsideFunctions = {
    "load_extension", "readfile", "writefile", "edit", "lsdir", "fts3_tokenizer", "zipfile",
    "sqlar_compress", "sqlar_uncompress"};

bool ReachesOutside(std::string_view Function) {
  return std::any_of(OutsideFunctions.begin(), OutsideFunctions.end(),
                     [&](std::string_view Name) { return SameText(Name, Function); });
}

bool IsSQLiteTable(std::string_view Table) {
  constexpr std::string_view Prefix = "sqlite_";
  return Table.size() >= Prefix.size() && SameText(Table.substr(0, Prefix.size()), Prefix);
}

// The statement an action other than reading and writing rows belongs to.
std::string StatementOfAction(int Action, const char* First) {
  switch (Action) {
    case SQLITE_CREATE_INDEX:
    case SQLITE_CREATE_TEMP_INDEX: return "CREATE INDEX";
    case SQLITE_CREATE_TABLE:
    case SQLITE_CREATE_TEMP_TABLE: return "CREATE TABLE";
    case SQLITE_CREATE_TRIGGER:
    case SQLITE_CREATE_TEMP_TRIGGER: return "CREATE TRIGGER";
    case SQLITE_CREATE_VIEW:
    case SQLITE_CREATE_TEMP_VIEW: return "CREATE VIEW";
    case SQLITE_CREATE_VTABLE: return "CREATE VIRTUAL TABLE";
    case SQLITE_DROP_INDEX:
    case SQLITE_DROP_TEMP_INDEX: return "DROP INDEX";
    case SQLITE_DROP_TABLE:
    case SQLITE_DROP_TEMP_TABLE:
    case SQLITE_DROP_VTABLE: return "DROP TABLE";
    case SQLITE_DROP_TRIGGER:
    case SQLITE_DROP_TEMP_TRIGGER: return "DROP TRIGGER";
    case SQLITE_DROP_VIEW:
    case SQLITE_DROP_TEMP_VIEW: return "DROP VIEW";
    case SQLITE_PRAGMA: return "PRAGMA";
    case SQLITE_ATTACH: return "ATTACH";
    case SQLITE_DETACH: return "DETACH";
    case SQLITE_ALTER_TABLE: return "ALTER TABLE";
    case SQLITE_REINDEX: return "REINDEX";
    case SQLITE_ANALYZE: return "ANALYZE";
    case SQLITE_TRANSACTION: return First != nullptr ? std::string(First) : "BEGIN";  // BEGIN, COMMIT, ROLLBACK
    case SQLITE_SAVEPOINT:  // BEGIN (SAVEPOINT), RELEASE, ROLLBACK (TO)
      return First == nullptr || SameText(First, "BEGIN") ? "SAVEPOINT" : First;
    default: return "unknown";
  }
}

// The first word of SQL in capitals: the name of a statement whose compiling
// asked the authorizer nothing (VACUUM, say).
std::string FirstWord(std::string_view SQL) {
  try {
    const std::vector<TSQLToken> Tokens = TokenizeSQL(SQL);
    if (Tokens.front().Kind == tokIdentifier) return UpperCase(Tokens.front().Text);
  } catch (const EDatabaseError&) {
  }
  return "unknown";
}

}  // namespace

// What the authorizer saw while one text compiled, and what it refused.
struct TVNSQLiteConnection::TAuthorizer {
  TVNStatementVerdict* Verdict = nullptr;  // set while vetting
  // Actions of the statement itself, not of a trigger or view it sets off.
  bool Select = false, Insert = false, Update = false, Delete = false;
  std::string Statement;  // the statement an action other than reading and writing rows belongs to
  bool OnSQLiteTable = false;  // Statement was named after an action on a table of SQLite's own

  static int Authorize(void* Data, int Action, const char* First, const char* Second, const char*,
                       const char* Inner) noexcept {
    auto& Self = *static_cast<TAuthorizer*>(Data);
    const bool Outer = Inner == nullptr;
    try {
      switch (Action) {
        case SQLITE_SELECT:
          Self.Select = Self.Select || Outer;
          return SQLITE_OK;
        case SQLITE_READ:
        case SQLITE_RECURSIVE:
          return SQLITE_OK;
        case SQLITE_INSERT:
        case SQLITE_UPDATE:
        case SQLITE_DELETE:
          if (First != nullptr && IsSQLiteTable(First)) {
            Self.Refuse("writes " + std::string(First) + ", a table of SQLite's own");
            // Vetting compiles to learn what the statement is and never runs
            // it: compiling on finds a CREATE or DROP behind the write.
            return Self.Verdict != nullptr ? SQLITE_OK : SQLITE_DENY;
          }
          if (Outer) {
            Self.Insert = Self.Insert || Action == SQLITE_INSERT;
            Self.Update = Self.Update || Action == SQLITE_UPDATE;
            Self.Delete = Self.Delete || Action == SQLITE_DELETE;
          }
          return SQLITE_OK;
        case SQLITE_FUNCTION:
          if (Second == nullptr || !ReachesOutside(Second)) return SQLITE_OK;
          Self.Refuse("calls " + std::string(Second) + ", which reaches outside the database");
          return SQLITE_DENY;
        default:
          // ANALYZE first creates a table of SQLite's own: the statement is
          // named after the first action on anything else.
          if (Self.Statement.empty() || Self.OnSQLiteTable) {
            Self.Statement = StatementOfAction(Action, First);
            Self.OnSQLiteTable = First != nullptr && IsSQLiteTable(First);
          }
          return SQLITE_DENY;
      }
    } catch (...) {
      return SQLITE_DENY;  // out of memory: refused rather than let through
    }
  }

  void Refuse(const std::string& Why) {
    if (Verdict != nullptr && std::find(Verdict->Refusals.begin(), Verdict->Refusals.end(), Why) == Verdict->Refusals.end())
      Verdict->Refusals.push_back(Why);
  }

  std::string Kind(std::string_view SQL) const {
    if (!Statement.empty()) return Statement;
    // An upsert asks for INSERT and UPDATE: it is an INSERT.
    if (Insert) return "INSERT";
    if (Update) return "UPDATE";
    if (Delete) return "DELETE";
    if (Select) return "SELECT";
    return FirstWord(SQL);
  }
};

TVNSQLiteConnection::TVNSQLiteConnection() = default;
TVNSQLiteConnection::~TVNSQLiteConnection() = default;

void TVNSQLiteConnection::GuardStatements(bool On) {
  sqlite3& Database = CheckConnected();
  if (On) {
    FAuthorizer = std::make_unique<TAuthorizer>();
    sqlite3_set_authorizer(&Database, &TAuthorizer::Authorize, FAuthorizer.get());
  } else {
    sqlite3_set_authorizer(&Database, nullptr, nullptr);
    FAuthorizer.reset();
  }
}

TVNStatementVerdict TVNSQLiteConnection::VetStatement(const std::string& SQL) {
  sqlite3& Database = CheckConnected();
  TVNStatementVerdict Verdict;
  TAuthorizer Vetting;
  Vetting.Verdict = &Verdict;
  sqlite3_set_authorizer(&Database, &TAuthorizer::Authorize, &Vetting);
  // The guard, when on, is back on every way out.
  struct TRestore {
    sqlite3& Database;
    TAuthorizer* Guard;
    ~TRestore() {
      sqlite3_set_authorizer(&Database, Guard ? &TAuthorizer::Authorize : nullptr, Guard);
    }
  } Restore{Database, FAuthorizer.get()};

  const char* Start = SQL.c_str();
  const char* Rest = Start;
  const char* End = Start + SQL.size();
  while (Verdict.Count < 2 && Rest < End) {
    sqlite3_stmt* Raw = nullptr;
    const char* Tail = nullptr;
    const int Result = sqlite3_prepare_v2(&Database, Rest, static_cast<int>(End - Rest), &Raw, &Tail);
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> Statement(Raw, &sqlite3_finalize);
    // A refusal may surface as SQLITE_AUTH or as a plain error ("not authorized
    // to use function"): what the authorizer recorded tells.
    const bool Refused = !Vetting.Statement.empty() || !Verdict.Refusals.empty();
    if (Result != SQLITE_OK && !Refused) {
      std::string Message = sqlite3_errmsg(&Database);
      if (const int Offset = sqlite3_error_offset(&Database); Offset >= 0)
        Message += " at " + DescribeSQLPosition(SQL, std::min(SQL.size(), static_cast<std::size_t>(Rest - Start + Offset)));
      throw EDatabaseError(Message);
    }
    if (Result == SQLITE_OK && Statement == nullptr) break;  // only blanks and comments were left
    if (++Verdict.Count == 1) {
      Verdict.Kind = Statement != nullptr && sqlite3_stmt_isexplain(Statement.get()) != 0 ? "EXPLAIN" : Vetting.Kind(SQL);
    }
    if (Result != SQLITE_OK) break;  // refused: nothing after it compiles with any meaning
    Rest = Tail != nullptr ? Tail : End;
  }
  if (Verdict.Count == 0) throw EDatabaseError("No SQL statement to run");
  // A statement that is not a row statement at all is refused for that alone.
  if (!Vetting.Statement.empty()) Verdict.Refusals.clear();
  return Verdict;
}

void TVNSQLiteConnection::BeginLimitedTransaction(int TimeoutSeconds, bool ReadOnly) {
  sqlite3& Database = CheckConnected();
  sqlite3_busy_timeout(&Database, TimeoutSeconds * 1000);
  FStatementLimit = std::chrono::seconds(TimeoutSeconds);
  sqlite3_progress_handler(&Database, 1000, &InterruptWhenLate, this);
  if (ReadOnly) ExecuteStatement("PRAGMA query_only = 1", {});
  // A transaction that will write takes the write lock at once: two that
  // first read and then both wanted to write would fail each other, where
  // this way the second waits for the first.
  ExecuteStatement(ReadOnly ? "BEGIN" : "BEGIN IMMEDIATE", {});
}

void TVNSQLiteConnection::StartStatementClock() noexcept {
  if (FStatementLimit.count() > 0) FStatementDeadline = std::chrono::steady_clock::now() + FStatementLimit;
}

int TVNSQLiteConnection::InterruptWhenLate(void* Self) noexcept {
  const auto& Connection = *static_cast<const TVNSQLiteConnection*>(Self);
  return Connection.FStatementLimit.count() > 0 && std::chrono::steady_clock::now() > Connection.FStatementDeadline;
}

TVNRelationKind TVNSQLiteConnection::RelationKind(const std::string& TableName) {
  sqlite3& Database = CheckConnected();
  const auto Parts = SplitObjectName(Trim(TableName));
  const std::string Schema = Parts && !Parts->Schema.empty() ? Parts->Schema : "main";
  const std::string Name = Parts ? Parts->Name : Trim(TableName);
  if (SameText(Schema, "main") && (SameText(Name, "sqlite_master") || SameText(Name, "sqlite_schema")))
    return rkTable;
  TSQLiteStatement Kind(Database, "SELECT type = 'view' FROM pragma_table_list"
                                  " WHERE name = ?1 COLLATE NOCASE AND schema = ?2 COLLATE NOCASE");
  Kind.Bind(1, Name);
  Kind.Bind(2, Schema);
  if (!Kind.Step()) return rkNone;
  if (Kind.ColumnInt(0) == 0) return rkTable;
  // A view with INSTEAD OF triggers takes the statements as a table does.
  TSQLiteStatement Triggers(Database, "SELECT 1 FROM " + QuoteIdentifier(Schema, true) +
                                          ".sqlite_schema WHERE type = 'trigger' AND tbl_name = ?1 COLLATE NOCASE");
  Triggers.Bind(1, Name);
  return Triggers.Step() ? rkTable : rkView;
}

bool TVNSQLiteConnection::BareNameMatches(std::string_view Word, std::string_view Name) const {
  return Word.size() == Name.size() &&
         sqlite3_strnicmp(Word.data(), Name.data(), static_cast<int>(Word.size())) == 0;
}
