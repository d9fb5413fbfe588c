#include "sqlite_statement.h"

#include <limits>

#include "rtl/DB.h"
#include "server_errors.h"

namespace {

// SQLite's message; EVNServerBusy when it gave up waiting for another
// connection's lock or interrupted a statement that ran out of time.
[[noreturn]] void RaiseError(sqlite3& Database, int Result) {
  const std::string Message = sqlite3_errmsg(&Database);
  switch (Result & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      throw EVNServerBusy(Message + ": another connection holds a lock on it");
    case SQLITE_INTERRUPT:
      throw EVNServerBusy(Message + ": the statement ran past its time limit");
    default:
      throw EDatabaseError(Message);
  }
}

}  // namespace

TSQLiteStatement::TSQLiteStatement(sqlite3& Database, std::string_view SQL) : FDatabase(Database) {
  if (SQL.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    throw EDatabaseError("SQL statement too long");
  sqlite3_stmt* Raw = nullptr;
  const char* Tail = nullptr;
  const int Result = sqlite3_prepare_v2(&FDatabase, SQL.data(), static_cast<int>(SQL.size()), &Raw, &Tail);
  FHandle.reset(Raw);
  Check(Result);
  FConsumed = Tail == nullptr ? SQL.size() : static_cast<std::size_t>(Tail - SQL.data());
}

void TSQLiteStatement::Check(int Result) const {
  if (Result != SQLITE_OK) RaiseError(FDatabase, Result);
}

void TSQLiteStatement::Bind(int Index, std::string_view Value) {
  Check(sqlite3_bind_text64(FHandle.get(), Index, Value.data(), Value.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
}

void TSQLiteStatement::BindNull(int Index) { Check(sqlite3_bind_null(FHandle.get(), Index)); }

void TSQLiteStatement::BindInt64(int Index, std::int64_t Value) {
  Check(sqlite3_bind_int64(FHandle.get(), Index, Value));
}

void TSQLiteStatement::BindDouble(int Index, double Value) { Check(sqlite3_bind_double(FHandle.get(), Index, Value)); }

void TSQLiteStatement::BindVariant(int Index, const Variant& Value) {
  switch (Value.VarType()) {
    case varEmpty:
    case varNull: BindNull(Index); return;
    case varBoolean: BindInt64(Index, Value.AsBoolean() ? 1 : 0); return;
    case varInt64: BindInt64(Index, Value.AsInt64()); return;
    case varDouble: BindDouble(Index, Value.AsFloat()); return;
    case varString: Bind(Index, Value.AsString()); return;
  }
}

int TSQLiteStatement::ParameterCount() const noexcept { return sqlite3_bind_parameter_count(FHandle.get()); }

bool TSQLiteStatement::Step() {
  if (!FHandle) return false;
  const int Result = sqlite3_step(FHandle.get());
  if (Result == SQLITE_ROW) return true;
  if (Result == SQLITE_DONE) return false;
  RaiseError(FDatabase, Result);
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

Variant TSQLiteStatement::ColumnValue(int Column) const {
  switch (sqlite3_column_type(FHandle.get(), Column)) {
    case SQLITE_INTEGER: return Variant(ColumnInt(Column));
    case SQLITE_FLOAT: return Variant(sqlite3_column_double(FHandle.get(), Column));
    case SQLITE_NULL: return Variant::Null();
    case SQLITE_BLOB: {
      const void* Bytes = sqlite3_column_blob(FHandle.get(), Column);
      const auto Size = static_cast<std::size_t>(sqlite3_column_bytes(FHandle.get(), Column));
      return Variant(Bytes == nullptr ? std::string() : std::string(static_cast<const char*>(Bytes), Size));
    }
    default: return Variant(ColumnText(Column));
  }
}

std::string TSQLiteStatement::ColumnDeclType(int Column) const {
  const char* Type = sqlite3_column_decltype(FHandle.get(), Column);
  return Type == nullptr ? std::string() : std::string(Type);
}
