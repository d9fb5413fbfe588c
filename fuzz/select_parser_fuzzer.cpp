// The SELECT parser against SQLite's own compiler: a single SELECT that SQLite
// compiles must parse, with no more fields than SQLite's result columns, and
// with as many when there is no "*" anywhere that could expand to several.
#include <sqlite3.h>

#include <cctype>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "rtl/DB.h"
#include "select_parser.h"

namespace {

sqlite3* Db = nullptr;

constexpr const char* Schema =
    "CREATE TABLE orders(order_no INTEGER, line_no INTEGER, item TEXT, qty INTEGER, price REAL,"
    "  PRIMARY KEY(order_no, line_no));"
    "CREATE INDEX orders_by_item ON orders(item);"
    "CREATE TABLE customers(cust_no INTEGER PRIMARY KEY, \"Name\" TEXT, city TEXT);"
    "CREATE TABLE \"order lines\"(a, b, c);"
    "CREATE VIEW big_orders AS SELECT order_no, qty FROM orders WHERE qty > 10;";

// The statement's first word, past blanks and comments, in upper case.
std::string FirstWord(std::string_view S) {
  std::size_t I = 0;
  while (I < S.size()) {
    if (std::isspace(static_cast<unsigned char>(S[I]))) {
      ++I;
    } else if (S.substr(I, 2) == "--") {
      const auto End = S.find('\n', I);
      I = End == std::string_view::npos ? S.size() : End + 1;
    } else if (S.substr(I, 2) == "/*") {
      const auto End = S.find("*/", I + 2);
      I = End == std::string_view::npos ? S.size() : End + 2;
    } else {
      break;
    }
  }
  std::string Word;
  while (I < S.size() && std::isalpha(static_cast<unsigned char>(S[I])))
    Word += static_cast<char>(std::toupper(static_cast<unsigned char>(S[I++])));
  return Word;
}

// The number of result columns when SQL is one read-only statement that
// SQLite compiles (nothing but blanks, comments and semicolons after it); -1
// otherwise.
int CompiledColumns(std::string_view SQL) {
  sqlite3_stmt* Stmt = nullptr;
  const char* Tail = nullptr;
  if (sqlite3_prepare_v2(Db, SQL.data(), static_cast<int>(SQL.size()), &Stmt, &Tail) != SQLITE_OK ||
      Stmt == nullptr) {
    sqlite3_finalize(Stmt);
    return -1;
  }
  int Columns = sqlite3_stmt_readonly(Stmt) ? sqlite3_column_count(Stmt) : -1;
  // SQLite also takes the parameters of its Tcl binding, which no one else
  // writes: #name, and names with "::" or a "(...)" suffix.
  for (int I = 1; I <= sqlite3_bind_parameter_count(Stmt); ++I) {
    const char* Name = sqlite3_bind_parameter_name(Stmt, I);
    const std::string_view N = Name ? Name : "";
    if (N.starts_with('#') || N.find("::") != std::string_view::npos || N.find('(') != std::string_view::npos)
      Columns = -1;
  }
  sqlite3_finalize(Stmt);
  const std::string_view Rest = SQL.substr(static_cast<std::size_t>(Tail - SQL.data()));
  if (!Rest.empty()) {
    sqlite3_stmt* Next = nullptr;
    const int Result = sqlite3_prepare_v2(Db, Rest.data(), static_cast<int>(Rest.size()), &Next, nullptr);
    sqlite3_finalize(Next);
    if (Result != SQLITE_OK || Next != nullptr) return -1;
  }
  return Columns;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (sqlite3_open(":memory:", &Db) != SQLITE_OK || sqlite3_exec(Db, Schema, nullptr, nullptr, nullptr) != SQLITE_OK)
    vn_fuzz::Fail("cannot create the schema");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string_view SQL = vn_fuzz::AsText(Data, Size);
  // SQLite reads a C string up to its first NUL; the parser reads every byte.
  if (SQL.find('\0') != std::string_view::npos || Size > 100000) return 0;
  TVNSelectInfo Info;
  try {
    Info = ParseSelect(SQL);
  } catch (const EDatabaseError& E) {
    const std::string Word = FirstWord(SQL);
    if (Word != "SELECT" && Word != "VALUES" && Word != "WITH") return 0;
    // Deeper nesting than the parser takes is refused on purpose.
    if (E.Message().find("nested too deeply") != std::string::npos) return 0;
    vn_fuzz::Require(CompiledColumns(SQL) < 0, "a SELECT that SQLite compiles parses", E.Message());
    return 0;
  }
  const int Columns = CompiledColumns(SQL);
  if (Columns < 0) return 0;
  const auto Fields = static_cast<int>(Info.Fields.size());
  vn_fuzz::Require(Fields <= Columns, "no more fields than result columns");
  if (SQL.find('*') == std::string_view::npos)
    vn_fuzz::Require(Fields == Columns, "one field per result column when nothing is expanded");
  return 0;
}
