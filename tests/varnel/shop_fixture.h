// A small shop database, made afresh for each test in a directory of its own.
#pragma once

#include <string>
#include <vector>

#include "rtl/Classes.h"
#include "rtl/DB.h"
#include "sqlite_fixture.h"
#include "support/string_lines.h"
#include "support/temp_dir.h"

namespace vn_test {

inline constexpr const char* ShopScript = R"(
CREATE TABLE customers(id INTEGER PRIMARY KEY, name VARCHAR(40) NOT NULL, city TEXT, UNIQUE(name, city));
CREATE TABLE orders(id INTEGER PRIMARY KEY, customer_id INTEGER, total REAL, paid BOOLEAN, note TEXT);
CREATE INDEX orders_by_customer ON orders(customer_id);
CREATE TABLE order_lines(order_id INTEGER, line INTEGER, product TEXT, qty INTEGER, PRIMARY KEY(order_id, line));
CREATE UNIQUE INDEX lines_by_product ON order_lines(product, order_id);
INSERT INTO customers VALUES (1, 'Ada', 'London'), (2, 'Grace', 'Arlington'), (3, 'Alan', NULL);
INSERT INTO orders VALUES (10, 1, 12.5, 1, 'first'), (11, 1, 7.25, 0, NULL), (12, 2, 100.0, 1, 'big');
INSERT INTO order_lines VALUES (10, 1, 'tea', 2), (10, 2, 'cake', 1), (12, 1, 'books', 10);
)";

class TShopFiles {
 public:
  TShopFiles() { RunSQLiteScript(FShop, ShopScript); }
  const std::string& Shop() const { return FShop; }
  std::string File(const std::string& Name) const { return FDir.File(Name); }

 private:
  TTempDir FDir;
  std::string FShop = FDir.File("shop.db");
};

// The values of one field over every record of an open dataset, as text.
inline std::vector<std::string> Column(TDataSet& DataSet, std::string_view Name) {
  std::vector<std::string> Values;
  for (DataSet.First(); !DataSet.Eof(); DataSet.Next()) Values.push_back(DataSet.FieldByName(Name).AsString());
  return Values;
}

}  // namespace vn_test
