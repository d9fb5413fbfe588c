#include "sqlite_statement.h"

#include <limits>

#include "rtl/DB.h"

TSQLiteStatement::TSQLiteStatement(sqlite3& Database, std::string_view SQL) : FDatabase(Database) {
  if (SQL.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    throw EDatabaseError("SQL statement too long");
  sqlite3_stmt* Raw = nullptr;
  const int Result = sqlite3_prepare_v2(&FDatabase, SQL.data(), static_cast<int>(SQL.size()), &Raw, nullptr);
  FHandle.reset(Raw);
  Check(Result);
}

void TSQLiteStatement::Check(int Result) const {
  if (Result != SQLITE_OK) throw EDatabaseError(sqlite3_errmsg(&FDatabase));
}

void TSQLiteStatement::Bind(int Index, std::string_view Value) {
  Check(sqlite3_bind_text64(FHandle.get(), Index, Value.data(), Value.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
}

void TSQLiteStatement::BindNull(int Index) { Check(sqlite3_bind_null(FHandle.get(), Index)); }

bool TSQLiteStatement::Step() {
  if (!FHandle) return false;
  const int Result = sqlite3_step(FHandle.get());
  if (Result == SQLITE_ROW) return true;
  if (Result == SQLITE_DONE) return false;
  throw EDatabaseError(sqlite3_errmsg(&FDatabase));
}

int TSQLiteStatement::ColumnCount() const noexcept { return sqlite3_column_count(FHandle.get()); }

bool TSQLiteStatement::ColumnIsNull(int Column) const noexcept {
  return sqlite3_column_type(FHandle.get(), Column) == SQLITE_NULL;
}

std::string TSQLiteStatement::ColumnText(int Column) const {
  const auto* Text = reinterpret_cast<const char*>(sqlite3_column_text(FHandle.get(), Column));
  if (Text == nullptr) return {};
  return std::string(Text, static_cast<std::size_t>(sqlite3_column_bytes(FHandle.get(), Column)));
}

std::int64_t TSQLiteStatement::ColumnInt(int Column) const noexcept {
  return sqlite3_column_int64(FHandle.get(), Column);
}
