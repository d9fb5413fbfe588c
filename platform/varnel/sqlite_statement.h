// One compiled SQLite statement, finalized on every way out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <sqlite3.h>

class TSQLiteStatement {
 public:
  // Compiles the first statement of SQL. Raises EDatabaseError with SQLite's
  // message when it does not compile.
  TSQLiteStatement(sqlite3& Database, std::string_view SQL);

  // True when SQL held no statement at all (only blanks or comments).
  bool Empty() const noexcept { return FHandle == nullptr; }
  sqlite3_stmt* Handle() const noexcept { return FHandle.get(); }

  // Parameters count from 1. The value is copied.
  void Bind(int Index, std::string_view Value);
  void BindNull(int Index);

  // Moves to the next row: false after the last. Raises EDatabaseError with
  // SQLite's message on an error.
  bool Step();

  int ColumnCount() const noexcept;
  bool ColumnIsNull(int Column) const noexcept;
  std::string ColumnText(int Column) const;  // "" for NULL
  std::int64_t ColumnInt(int Column) const noexcept;

 private:
  struct TFinalizer {
    void operator()(sqlite3_stmt* Handle) const noexcept { sqlite3_finalize(Handle); }
  };
  void Check(int Result) const;

  sqlite3& FDatabase;
  std::unique_ptr<sqlite3_stmt, TFinalizer> FHandle;
};
