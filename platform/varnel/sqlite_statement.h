// One compiled SQLite statement, finalized on every way out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <sqlite3.h>

#include "rtl/Variants.h"

class TSQLiteStatement {
 public:
  // Compiles the first statement of SQL. Raises EDatabaseError with SQLite's
  // message when it does not compile.
  TSQLiteStatement(sqlite3& Database, std::string_view SQL);

  // True when SQL held no statement at all (only blanks or comments).
  bool Empty() const noexcept { return FHandle == nullptr; }
  // Bytes of SQL that the first statement took, its ";" included: where the
  // next statement starts.
  std::size_t Consumed() const noexcept { return FConsumed; }
  sqlite3_stmt* Handle() const noexcept { return FHandle.get(); }

  // Parameters count from 1. The value is copied.
  void Bind(int Index, std::string_view Value);
  void BindNull(int Index);
  void BindInt64(int Index, std::int64_t Value);
  void BindDouble(int Index, double Value);
  // Null and unassigned bind NULL; a Boolean binds 1 or 0.
  void BindVariant(int Index, const Variant& Value);
  int ParameterCount() const noexcept;

  // Moves to the next row: false after the last. Raises EDatabaseError with
  // SQLite's message on an error.
  bool Step();

  int ColumnCount() const noexcept;
  bool ColumnIsNull(int Column) const noexcept;
  std::string ColumnText(int Column) const;  // "" for NULL
  std::int64_t ColumnInt(int Column) const noexcept;
  // The value in the type SQLite holds it in: integer, real, text, a blob as
  // its bytes, or null.
  Variant ColumnValue(int Column) const;
  // The type the column was declared with; "" for an expression.
  std::string ColumnDeclType(int Column) const;

 private:
  struct TFinalizer {
    void operator()(sqlite3_stmt* Handle) const noexcept { sqlite3_finalize(Handle); }
  };
  void Check(int Result) const;

  sqlite3& FDatabase;
  std::unique_ptr<sqlite3_stmt, TFinalizer> FHandle;
  std::size_t FConsumed = 0;
};
