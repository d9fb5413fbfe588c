#include "field_info.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "rtl/Classes.h"
#include "rtl/DB.h"
#include "sqlite_connection.h"
#include "sqlite_fixture.h"
#include "support/temp_dir.h"
#include "support/string_lines.h"

using vn_test::Lines;

namespace {

using testing::ElementsAre;

constexpr const char* Query =
    "SELECT o.id AS \"Order\", c.name, total * 2 AS double_total, o.* "
    "FROM orders AS o LEFT JOIN customers c ON c.id = o.customer_id";

TEST(ParseFieldInfo, WithoutAConnectionEverythingComesFromTheParser) {
  TStringList Fields, Tables;
  Fields.Add("stale=line");
  ParseFieldInfo(nullptr, Query, &Fields, &Tables);
  EXPECT_THAT(Lines(Fields), ElementsAre("Order=orders.id", "name=customers.name", "double_total="));
  EXPECT_THAT(Lines(Tables), ElementsAre("o=orders", "c=customers"));

  ParseFieldInfo(nullptr, "SELECT a FROM t", nullptr, &Tables);
  EXPECT_THAT(Lines(Tables), ElementsAre("t=t"));
  ParseFieldInfo(nullptr, "SELECT a FROM t", &Fields, nullptr);
  EXPECT_THAT(Lines(Fields), ElementsAre("a=t.a"));

  // A closed connection is no connection: the parser answers.
  TVNSQLiteConnection Closed;
  ParseFieldInfo(&Closed, "SELECT b FROM u", &Fields, &Tables);
  EXPECT_THAT(Lines(Fields), ElementsAre("b=u.b"));
}

TEST(ParseFieldInfo, WithAConnectionFieldsComeFromTheDatabaseAndStarsExpand) {
  vn_test::TTempDir Dir;
  const std::string File = Dir.File("shop.db");
  vn_test::RunSQLiteScript(File,
                           "CREATE TABLE customers(id INTEGER PRIMARY KEY, name TEXT);"
                           "CREATE TABLE orders(id INTEGER PRIMARY KEY, customer_id INT, total REAL);");
  TVNSQLiteConnection Connection;
  Connection.Open(File);
  TStringList Fields, Tables;
  ParseFieldInfo(&Connection, Query, &Fields, &Tables);
  EXPECT_THAT(Lines(Fields), ElementsAre("Order=orders.id", "name=customers.name", "double_total=", "id=orders.id",
                                         "customer_id=orders.customer_id", "total=orders.total"));
  EXPECT_THAT(Lines(Tables), ElementsAre("o=orders", "c=customers"));
}

TEST(ParseFieldInfo, AnErrorLeavesBothListsAsTheyWere) {
  vn_test::TTempDir Dir;
  const std::string File = Dir.File("empty.db");
  vn_test::RunSQLiteScript(File, "CREATE TABLE t(a);");
  TVNSQLiteConnection Connection;
  Connection.Open(File);
  TStringList Fields, Tables;
  Fields.Add("keep=t.a");
  Tables.Add("keep=t");
  EXPECT_THROW(ParseFieldInfo(&Connection, "SELECT nosuch FROM t", &Fields, &Tables), EDatabaseError);
  EXPECT_THROW(ParseFieldInfo(nullptr, "SELECT FROM t", &Fields, &Tables), EDatabaseError);
  EXPECT_THAT(Lines(Fields), ElementsAre("keep=t.a"));
  EXPECT_THAT(Lines(Tables), ElementsAre("keep=t"));
}

}  // namespace
