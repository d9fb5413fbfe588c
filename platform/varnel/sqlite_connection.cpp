#include "sqlite_connection.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "like_pattern.h"
#include "rtl/DB.h"
#include "rtl/SysUtils.h"
#include "sql_tokenizer.h"
#include "sqlite_statement.h"

namespace {

// SQLite's message, with the operating system's reason where the file itself failed.
std::string Reason(sqlite3& Database, int Result) {
  std::string Text = sqlite3_errmsg(&Database);
  const int Primary = Result & 0xFF;
  const int Errno = sqlite3_system_errno(&Database);
  if (Errno != 0 && (Primary == SQLITE_CANTOPEN || Primary == SQLITE_IOERR || Primary == SQLITE_PERM))
    Text += " (" + std::generic_category().message(Errno) + ")";
  return Text;
}

[[noreturn]] void RaiseOpenError(const std::string& DatabaseName, const std::string& Why) {
  throw EDatabaseError("Cannot open database \"" + DatabaseName + "\": " + Why);
}

bool IsSystemTableName(std::string_view Name) {
  constexpr std::string_view Prefix = "sqlite_";
  return Name.size() >= Prefix.size() && SameText(Name.substr(0, Prefix.size()), Prefix);
}

// A table as the user typed it, split into the parts SQLite resolves.
struct TTableRef {
  std::string Schema;  // empty: SQLite searches temp, main, then attached databases
  std::string Name;
};

void BindTableRef(TSQLiteStatement& Statement, const TTableRef& Ref) {
  Statement.Bind(1, Ref.Name);
  if (Ref.Schema.empty())
    Statement.BindNull(2);
  else
    Statement.Bind(2, Ref.Schema);
}

// nullopt when the text names a schema that is not attached: such a table
// cannot exist, and the pragmas would report it as an error.
std::optional<TTableRef> ResolveTable(sqlite3& Database, const std::string& TableName) {
  const std::string Text = Trim(TableName);
  if (Text.empty()) return std::nullopt;
  TTableRef Ref;
  if (auto Name = SplitObjectName(Text)) {
    Ref = {Name->Schema, Name->Name};
  } else {
    Ref.Name = Text;  // not SQL (a name with blanks, say): taken as it stands
  }
  if (!Ref.Schema.empty()) {
    TSQLiteStatement Schemas(Database, "SELECT 1 FROM pragma_database_list WHERE name = ?1 COLLATE NOCASE");
    Schemas.Bind(1, Ref.Schema);
    if (!Schemas.Step()) return std::nullopt;
  }
  return Ref;
}

// Sort key of one index of a table: SQLite lists a table's indexes newest
// first, except that UNIQUE ... ON CONFLICT REPLACE constraints go last; the
// constraints' own indexes carry their creation number in their names.
struct TIndexOrder {
  int Rank;              // 0 primary key, 1 constraint, 2 CREATE INDEX
  std::int64_t Created;  // grows with creation within a rank
  std::int64_t Column;   // position in the index

  auto operator<=>(const TIndexOrder&) const = default;
};

std::int64_t AutoIndexNumber(std::string_view Name, std::int64_t Fallback) {
  const std::size_t Underscore = Name.rfind('_');
  if (Underscore == std::string_view::npos) return Fallback;
  std::int64_t Number = 0;
  const char* First = Name.data() + Underscore + 1;
  const char* Last = Name.data() + Name.size();
  auto [End, Error] = std::from_chars(First, Last, Number);
  return Error == std::errc() && End == Last && First != Last ? Number : Fallback;
}

}  // namespace

void TVNSQLiteConnection::TCloser::operator()(sqlite3* Handle) const noexcept { sqlite3_close_v2(Handle); }

void TVNSQLiteConnection::Open(const std::string& DatabaseName) { OpenWithFlags(DatabaseName, SQLITE_OPEN_READWRITE); }

void TVNSQLiteConnection::OpenReadOnly(const std::string& DatabaseName) {
  OpenWithFlags(DatabaseName, SQLITE_OPEN_READONLY);
}

void TVNSQLiteConnection::OpenWithFlags(const std::string& DatabaseName, int Flags) {
  Close();
  // SQLite would quietly open a private temporary database for an empty name.
  if (Trim(DatabaseName).empty()) throw EDatabaseError("Cannot open database: no database file name given");
  const std::string FileName = NativeFileName(DatabaseName);
  sqlite3* Raw = nullptr;
  // No SQLITE_OPEN_CREATE: a mistyped name must not leave an empty database behind.
  const int Result = sqlite3_open_v2(FileName.c_str(), &Raw, Flags, nullptr);
  std::unique_ptr<sqlite3, TCloser> Handle(Raw);
  if (!Handle) RaiseOpenError(DatabaseName, sqlite3_errstr(Result));
  if (Result != SQLITE_OK) RaiseOpenError(DatabaseName, Reason(*Handle, Result));
  sqlite3_extended_result_codes(Handle.get(), 1);
  sqlite3_busy_timeout(Handle.get(), 5000);
  // Opening reads nothing yet; reading the schema now finds files that are not
  // databases, or that cannot be read, before anyone relies on the connection.
  const int Check = sqlite3_exec(Handle.get(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if (Check != SQLITE_OK) RaiseOpenError(DatabaseName, Reason(*Handle, Check));
  FHandle = std::move(Handle);
  FDatabaseName = DatabaseName;
}

void TVNSQLiteConnection::Close() noexcept {
  FHandle.reset();
  FDatabaseName.clear();
}

sqlite3& TVNSQLiteConnection::CheckConnected() const {
  if (!FHandle) throw EDatabaseError("Database is not connected");
  return *FHandle;
}

std::vector<std::string> TVNSQLiteConnection::TableNames(const std::string& Pattern, TVNTableScope Scope) {
  sqlite3& Database = CheckConnected();
  const TVNLikePattern Like(Pattern);
  std::vector<std::string> Names;
  // The schema table does not list itself.
  if (Scope == tsWithSystemTables && Like.Matches("sqlite_master")) Names.emplace_back("sqlite_master");
  TSQLiteStatement Tables(Database, "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') ORDER BY rowid");
  while (Tables.Step()) {
    std::string Name = Tables.ColumnText(0);
    if (Scope == tsUserTables && IsSystemTableName(Name)) continue;
    if (Like.Matches(Name)) Names.push_back(std::move(Name));
  }
  return Names;
}

std::vector<std::string> TVNSQLiteConnection::FieldNames(const std::string& TableName) {
  sqlite3& Database = CheckConnected();
  const auto Ref = ResolveTable(Database, TableName);
  if (!Ref) return {};
  // table_xinfo also lists generated columns, which SELECT * returns; hidden = 1
  // marks the hidden columns of virtual tables, which it does not.
  TSQLiteStatement Columns(Database, "SELECT name FROM pragma_table_xinfo(?1, ?2) WHERE hidden <> 1");
  BindTableRef(Columns, *Ref);
  std::vector<std::string> Names;
  while (Columns.Step()) Names.push_back(Columns.ColumnText(0));
  return Names;
}

std::optional<std::vector<TVNIndexSchemaRow>> TVNSQLiteConnection::IndexSchema(const std::string& TableName) {
  sqlite3& Database = CheckConnected();
  const auto Ref = ResolveTable(Database, TableName);
  if (!Ref) return std::nullopt;

  TSQLiteStatement Columns(Database, "SELECT name, pk FROM pragma_table_info(?1, ?2)");
  BindTableRef(Columns, *Ref);
  bool Exists = false;
  std::vector<std::pair<std::int64_t, std::string>> PrimaryKey;  // position in the key, column
  while (Columns.Step()) {
    Exists = true;
    if (const std::int64_t Position = Columns.ColumnInt(1); Position > 0)
      PrimaryKey.emplace_back(Position, Columns.ColumnText(0));
  }
  if (!Exists) return std::nullopt;
  std::sort(PrimaryKey.begin(), PrimaryKey.end());

  // Every column of every index in one query.
  TSQLiteStatement Indexes(Database,
                           "SELECT il.seq, il.name, il.\"unique\", il.origin, ii.seqno, ii.name"
                           " FROM pragma_index_list(?1, ?2) AS il, pragma_index_info(il.name, ?2) AS ii");
  BindTableRef(Indexes, *Ref);
  std::vector<std::pair<TIndexOrder, TVNIndexSchemaRow>> Rows;
  bool HasPrimaryIndex = false;
  while (Indexes.Step()) {
    const std::int64_t Seq = Indexes.ColumnInt(0);
    std::string Name = Indexes.ColumnText(1);
    const bool Unique = Indexes.ColumnInt(2) != 0;
    const std::string Origin = Indexes.ColumnText(3);
    TIndexOrder Order{2, -Seq, Indexes.ColumnInt(4)};
    int Type = Unique ? itUnique : 0;
    if (Origin == "pk") {
      HasPrimaryIndex = true;
      Order.Rank = 0;
      Type = itPrimary | itUnique;
    } else if (Origin == "u") {
      Order.Rank = 1;
      Order.Created = AutoIndexNumber(Name, -Seq);
    }
    Rows.emplace_back(Order, TVNIndexSchemaRow{std::move(Name), Indexes.ColumnText(5), Type});
  }
  std::stable_sort(Rows.begin(), Rows.end(), [](const auto& A, const auto& B) { return A.first < B.first; });

  std::vector<TVNIndexSchemaRow> Result;
  Result.reserve(Rows.size() + PrimaryKey.size());
  // A rowid alias is the table's key without any index of its own.
  if (!HasPrimaryIndex)
    for (auto& [Position, Column] : PrimaryKey) Result.push_back({"PRIMARY", std::move(Column), itPrimary | itUnique});
  for (auto& Row : Rows) Result.push_back(std::move(Row.second));
  return Result;
}

std::vector<TVNFieldOrigin> TVNSQLiteConnection::FieldOrigins(const std::string& SQL) {
  sqlite3& Database = CheckConnected();
  StartStatementClock();
  TSQLiteStatement Statement(Database, SQL);  // compiled only, never run
  std::vector<TVNFieldOrigin> Fields;
  if (Statement.Empty()) return Fields;
  // The first of several statements would describe a dataset that cannot open.
  if (!HoldsNoStatement(std::string_view(SQL).substr(Statement.Consumed())))
    throw EDatabaseError("More than one SQL statement");
  sqlite3_stmt* Handle = Statement.Handle();
  const int Count = sqlite3_column_count(Handle);
  auto Text = [](const char* S) { return S ? std::string(S) : std::string(); };
  for (int I = 0; I < Count; ++I)
    Fields.push_back({Text(sqlite3_column_name(Handle, I)), Text(sqlite3_column_table_name(Handle, I)),
                      Text(sqlite3_column_origin_name(Handle, I))});
  return Fields;
}

int TVNSQLiteConnection::PrepareOnly(const std::string& SQL) {
  sqlite3& Database = CheckConnected();
  StartStatementClock();
  sqlite3_stmt* Raw = nullptr;
  const char* Tail = nullptr;
  const int Result = sqlite3_prepare_v2(&Database, SQL.c_str(), static_cast<int>(SQL.size()), &Raw, &Tail);
  std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> Statement(Raw, &sqlite3_finalize);
  if (Result != SQLITE_OK) {
    std::string Message = sqlite3_errmsg(&Database);
    if (const int Offset = sqlite3_error_offset(&Database); Offset >= 0 && static_cast<std::size_t>(Offset) <= SQL.size())
      Message += " at " + DescribeSQLPosition(SQL, static_cast<std::size_t>(Offset));
    throw EDatabaseError(Message);
  }
  if (!Statement) throw EDatabaseError("No SQL statement to run");
  if (Tail != nullptr && !HoldsNoStatement(std::string_view(Tail)))
    throw EDatabaseError("Only one SQL statement can be run at a time");
  return sqlite3_bind_parameter_count(Statement.get());
}

std::optional<std::vector<TVNColumnDetails>> TVNSQLiteConnection::ColumnDetails(const std::string& TableName) {
  sqlite3& Database = CheckConnected();
  const auto Ref = ResolveTable(Database, TableName);
  if (!Ref) return std::nullopt;
  TSQLiteStatement Columns(Database, "SELECT name, type, \"notnull\", pk, hidden FROM pragma_table_xinfo(?1, ?2)"
                                     " WHERE hidden <> 1");
  BindTableRef(Columns, *Ref);
  std::vector<TVNColumnDetails> Result;
  int KeyColumns = 0;
  std::size_t RowidAlias = std::string::npos;
  while (Columns.Step()) {
    const std::string Type = UpperCase(Trim(Columns.ColumnText(1)));
    TVNColumnDetails Column;
    Column.Name = Columns.ColumnText(0);
    Column.Nullable = Columns.ColumnInt(2) == 0;
    Column.FloatingPoint = Type.find("REAL") != std::string::npos || Type.find("FLOA") != std::string::npos ||
                           Type.find("DOUB") != std::string::npos;
    Column.Writable = Columns.ColumnInt(4) == 0;
    if (Columns.ColumnInt(3) > 0) {
      ++KeyColumns;
      if (Type == "INTEGER") RowidAlias = Result.size();
    }
    Result.push_back(std::move(Column));
  }
  if (Result.empty()) return std::nullopt;
  if (KeyColumns == 1 && RowidAlias != std::string::npos) Result[RowidAlias].Nullable = false;
  return Result;
}

bool TVNSQLiteConnection::InTransaction() const noexcept {
  return FHandle != nullptr && sqlite3_get_autocommit(FHandle.get()) == 0;
}
