// SQLite files built by the tests themselves, through the C API.
#pragma once

#include <sqlite3.h>

#include <stdexcept>
#include <string>

namespace vn_test {

// Creates (or extends) the database File by running Script.
inline void RunSQLiteScript(const std::string& File, const std::string& Script) {
  sqlite3* Db = nullptr;
  if (sqlite3_open(File.c_str(), &Db) != SQLITE_OK) {
    sqlite3_close(Db);
    throw std::runtime_error("cannot create " + File);
  }
  char* Error = nullptr;
  const int Result = sqlite3_exec(Db, Script.c_str(), nullptr, nullptr, &Error);
  std::string Message = Error ? Error : "";
  sqlite3_free(Error);
  sqlite3_close(Db);
  if (Result != SQLITE_OK) throw std::runtime_error("script failed: " + Message);
}

}  // namespace vn_test
