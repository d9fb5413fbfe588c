// Running statements on an SQLite connection: queries, single statements and scripts.
#include "sqlite_connection.h"

#include <sqlite3.h>

#include "rtl/SysUtils.h"
#include "sql_tokenizer.h"
#include "sqlite_statement.h"

namespace {

// The length in "VARCHAR(30)"; 0 when none is given.
int DeclaredLength(std::string_view Type) {
  const std::size_t Open = Type.find('(');
  if (Open == std::string_view::npos) return 0;
  int Length = 0;
  for (std::size_t I = Open + 1; I < Type.size() && Type[I] >= '0' && Type[I] <= '9'; ++I) {
    if (Length > 100'000'000) return 0;
    Length = Length * 10 + (Type[I] - '0');
  }
  return Length;
}

// SQLite's affinity rules, with the few types that datasets tell apart added;
// ftUnknown for a column without a declared type.
TFieldType DeclaredFieldType(std::string_view DeclType, int& Size) {
  Size = 0;
  const std::string Type = UpperCase(Trim(DeclType));
  if (Type.empty()) return ftUnknown;
  auto Has = [&](std::string_view Part) { return Type.find(Part) != std::string::npos; };
  if (Has("BOOL")) return ftBoolean;
  if (Has("BIGINT") || Has("BIG INT") || Has("INT8")) return ftLargeint;
  if (Has("SMALLINT") || Has("TINYINT") || Has("INT2")) return ftSmallint;
  if (Has("INT")) return ftInteger;
  if (Has("CLOB")) return ftMemo;
  if (Has("CHAR") || Has("TEXT")) {
    Size = DeclaredLength(Type);
    return ftString;
  }
  if (Has("BLOB")) return ftBlob;
  if (Has("REAL") || Has("FLOA") || Has("DOUB")) return ftFloat;
  if (Has("DATETIME") || Has("TIMESTAMP")) return ftDateTime;
  if (Has("DATE")) return ftDate;
  if (Has("TIME")) return ftTime;
  if (Has("NUMERIC") || Has("DECIMAL") || Has("MONEY")) return ftFloat;
  return ftString;
}

TFieldType StorageFieldType(int StorageClass) {
  switch (StorageClass) {
    case SQLITE_INTEGER:
      return ftLargeint;
    case SQLITE_FLOAT:
      return ftFloat;
    case SQLITE_BLOB:
      return ftBlob;
    default:
      return ftString;
  }
}

// SQL compiled with Params bound, refused when it holds no statement, more than
// one, or a different number of placeholders than values.
TSQLiteStatement Prepare(sqlite3& Database, const std::string& SQL, const std::vector<Variant>& Params) {
  TSQLiteStatement Statement(Database, SQL);
  if (Statement.Empty()) throw EDatabaseError("No SQL statement to run");
  // SQLite compiles the first statement only; the rest would be dropped silently.
  if (!HoldsNoStatement(std::string_view(SQL).substr(Statement.Consumed())))
    throw EDatabaseError("Only one SQL statement can be run at a time; run several as a script");
  const int Count = Statement.ParameterCount();
  if (Count != static_cast<int>(Params.size()))
    throw EDatabaseError(Format("The statement takes %d parameters, but %d values were given",
                                {Count, static_cast<int>(Params.size())}));
  for (int I = 0; I < Count; ++I) Statement.BindVariant(I + 1, Params[static_cast<std::size_t>(I)]);
  return Statement;
}

void ExecQuietly(sqlite3& Database, const char* SQL) noexcept {
  sqlite3_exec(&Database, SQL, nullptr, nullptr, nullptr);
}

void Exec(sqlite3& Database, const char* SQL) {
  if (sqlite3_exec(&Database, SQL, nullptr, nullptr, nullptr) != SQLITE_OK)
    throw EDatabaseError(sqlite3_errmsg(&Database));
}

// A script's savepoint: released when the script went through, rolled back otherwise.
class TScriptSavepoint {
 public:
  explicit TScriptSavepoint(sqlite3& Database) : FDatabase(Database) { Exec(FDatabase, "SAVEPOINT vn_script"); }
  ~TScriptSavepoint() {
    if (FReleased || sqlite3_get_autocommit(&FDatabase) != 0) return;
    ExecQuietly(FDatabase, "ROLLBACK TO vn_script");
    ExecQuietly(FDatabase, "RELEASE vn_script");
  }
  TScriptSavepoint(const TScriptSavepoint&) = delete;
  TScriptSavepoint& operator=(const TScriptSavepoint&) = delete;

  void Release() {
    Exec(FDatabase, "RELEASE vn_script");
    FReleased = true;
  }

 private:
  sqlite3& FDatabase;
  bool FReleased = false;
};

// Action's database errors, told as those of statement Number of a script.
template <class F>
decltype(auto) InStatement(int Number, F&& Action) {
  try {
    return Action();
  } catch (EDatabaseError& E) {
    E.SetMessage(Format("Statement %d of the script failed: %s", {Number, E.Message()}));
    throw;
  }
}

// BEGIN, COMMIT and their kind would end or nest the transaction a script runs in.
bool ControlsTransactions(std::string_view Statement) {
  const std::string First = LeadingWords(Statement).first;
  for (const char* Keyword : {"BEGIN", "COMMIT", "END", "ROLLBACK", "SAVEPOINT", "RELEASE"})
    if (First == Keyword) return true;
  return false;
}

std::string StatementText(std::string_view Text) {
  std::string Result = Trim(Text);
  while (!Result.empty() && Result.back() == ';')
    Result = TrimRight(std::string_view(Result).substr(0, Result.size() - 1));
  return Result;
}

}  // namespace

TVNResultSet TVNSQLiteConnection::OpenQuery(const std::string& SQL, const std::vector<Variant>& Params) {
  sqlite3& Database = CheckConnected();
  StartStatementClock();
  TSQLiteStatement Statement = Prepare(Database, SQL, Params);
  const int Count = Statement.ColumnCount();
  if (Count == 0) throw EDatabaseError("The statement returns no rows; execute it instead of opening it");

  TVNResultSet Result;
  std::vector<int> FirstStorage(static_cast<std::size_t>(Count), SQLITE_NULL);
  for (int I = 0; I < Count; ++I) {
    TVNColumnInfo Column;
    const char* Name = sqlite3_column_name(Statement.Handle(), I);
    Column.Name = Name == nullptr ? std::string() : std::string(Name);
    Column.DataType = DeclaredFieldType(Statement.ColumnDeclType(I), Column.Size);
    Result.Columns.push_back(std::move(Column));
  }
  while (Statement.Step()) {
    std::vector<Variant> Row;
    Row.reserve(static_cast<std::size_t>(Count));
    for (int I = 0; I < Count; ++I) {
      const auto Column = static_cast<std::size_t>(I);
      if (FirstStorage[Column] == SQLITE_NULL) FirstStorage[Column] = sqlite3_column_type(Statement.Handle(), I);
      Variant Value = Statement.ColumnValue(I);
      if (Result.Columns[Column].DataType == ftBoolean && Value.VarType() == varInt64)
        Value = Variant(Value.AsInt64() != 0);
      Row.push_back(std::move(Value));
    }
    Result.Rows.push_back(std::move(Row));
  }
  for (std::size_t I = 0; I < Result.Columns.size(); ++I)
    if (Result.Columns[I].DataType == ftUnknown) Result.Columns[I].DataType = StorageFieldType(FirstStorage[I]);
  return Result;
}

int TVNSQLiteConnection::ExecuteStatement(const std::string& SQL, const std::vector<Variant>& Params) {
  sqlite3& Database = CheckConnected();
  StartStatementClock();
  TSQLiteStatement Statement = Prepare(Database, SQL, Params);
  const sqlite3_int64 Before = sqlite3_total_changes64(&Database);
  while (Statement.Step()) {
  }
  // sqlite3_changes keeps the count of the last data change, which a statement
  // that changed nothing (or was no INSERT, UPDATE or DELETE) leaves as it was.
  if (sqlite3_total_changes64(&Database) == Before) return 0;
  return sqlite3_changes(&Database);
}

void TVNSQLiteConnection::ExecuteScript(const std::string& Script,
                                        const std::function<void(const std::string&)>& OnStatement) {
  sqlite3& Database = CheckConnected();
  TScriptSavepoint Savepoint(Database);
  std::string_view Rest = Script;
  int Number = 0;
  while (!Rest.empty()) {
    // Each statement is compiled only once those before it have run: a script
    // may create a table and fill it.
    TSQLiteStatement Statement = InStatement(Number + 1, [&] { return TSQLiteStatement(Database, Rest); });
    const std::string Text = StatementText(Rest.substr(0, Statement.Consumed()));
    if (Statement.Consumed() == 0) break;
    Rest.remove_prefix(Statement.Consumed());
    if (Statement.Empty()) continue;
    ++Number;
    if (ControlsTransactions(Text))
      throw EDatabaseError(Format(
          "Statement %d of the script controls transactions; a script runs in one transaction of its own", {Number}));
    if (OnStatement) OnStatement(Text);
    InStatement(Number, [&] {
      while (Statement.Step()) {
      }
    });
    if (sqlite3_get_autocommit(&Database) != 0)
      throw EDatabaseError(Format("Statement %d of the script ends the transaction the script runs in", {Number}));
  }
  Savepoint.Release();
}
