#include "field_info.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dataset_loading.h"
#include "rtl/Classes.h"
#include "rtl/DB.h"
#include "sqlite_connection.h"
#include "sqlite_fixture.h"
#include "support/string_lines.h"
#include "support/temp_dir.h"

using vn_test::Lines;

namespace {

using testing::ElementsAre;
using Texts = std::vector<std::string>;

struct TFieldInfoCase {
  const char* SQL;
  Texts FromCatalog;  // fields when the database compiles SQL
  Texts FromParser;   // fields when it cannot be reached
  Texts Tables;       // the same either way
};

const TFieldInfoCase FieldInfoCases[] = {
    {"SELECT o.id AS \"Order\", c.name, total * 2 AS double_total, o.* "
     "FROM orders AS o LEFT JOIN customers c ON c.id = o.customer_id",
     {"Order=orders.id", "name=customers.name", "double_total=", "id=orders.id", "customer_id=orders.customer_id",
      "total=orders.total"},
     {"Order=orders.id", "name=customers.name", "double_total="},
     {"o=orders", "c=customers"}},
    // The table is spelt as the FROM clause spells it, on both ways.
    {"select o.total as amount from ORDERS o", {"amount=ORDERS.total"}, {"amount=ORDERS.total"}, {"o=ORDERS"}},
    // Fields named as the dataset names them.
    {"select o.customer_id as id, c.id, o.id from orders o, customers c",
     {"id=orders.customer_id", "id_1=customers.id", "id_2=orders.id"},
     {"id=orders.customer_id", "id_1=customers.id", "id_2=orders.id"},
     {"o=orders", "c=customers"}},
    // A name holding "=" would read as another field of the table.
    {"select total = 1, total >= 100, total from orders", {"total=orders.total"}, {"total=orders.total"},
     {"orders=orders"}},
    {"select total from orders;;", {"total=orders.total"}, {"total=orders.total"}, {"orders=orders"}},
    {"select total from orders where id = :id", {"total=orders.total"}, {"total=orders.total"}, {"orders=orders"}},
    // Nothing to read, or nothing a dataset could open: no lines, no error.
    {"", {}, {}, {}},
    {"\r\n\r\n", {}, {}, {}},
    {"insert into orders(total) values (1)", {}, {}, {}},
    {"select total from orders; select 1", {}, {}, {}},
    {"select total from orders where id = :id(1)", {}, {}, {}},
    {"select top 5 total from orders", {}, {}, {}},
    {"select total from gone", {}, {"total=gone.total"}, {"gone=gone"}},
};

class FieldInfo : public testing::Test {
 protected:
  FieldInfo() {
    vn_test::RunSQLiteScript(File, "CREATE TABLE customers(id INTEGER PRIMARY KEY, name TEXT);"
                                   "CREATE TABLE orders(id INTEGER PRIMARY KEY, customer_id INT, total REAL);");
    Catalog.OpenReadOnly(File);
  }
  vn_test::TTempDir Dir;
  std::string File = Dir.File("shop.db");
  TVNSQLiteConnection Catalog;
};

TEST_F(FieldInfo, ReadsWhatItCanAndNeverRaises) {
  for (const TFieldInfoCase& Case : FieldInfoCases) {
    TStringList Fields, Tables;
    Fields.Add("stale=line");
    Tables.Add("stale=table");
    EXPECT_NO_THROW(ParseFieldInfo(&Catalog, Case.SQL, &Fields, &Tables)) << Case.SQL;
    EXPECT_EQ(Lines(Fields), Case.FromCatalog) << Case.SQL;
    EXPECT_EQ(Lines(Tables), Case.Tables) << Case.SQL;
    EXPECT_NO_THROW(ParseFieldInfo(nullptr, Case.SQL, &Fields, &Tables)) << Case.SQL;
    EXPECT_EQ(Lines(Fields), Case.FromParser) << Case.SQL;
    EXPECT_EQ(Lines(Tables), Case.Tables) << Case.SQL;
  }
}

TEST_F(FieldInfo, StatementsAreOnlyCompiledAndEitherListMayBeLeftOut) {
  TStringList Fields;
  ParseFieldInfo(&Catalog, "pragma table_info(orders)", &Fields, nullptr);
  EXPECT_THAT(Lines(Fields), ElementsAre("cid=", "name=", "type=", "notnull=", "dflt_value=", "pk="));

  TVNSQLiteConnection Writer;
  Writer.Open(File);
  ParseFieldInfo(&Writer, "delete from orders returning id", &Fields, nullptr);
  EXPECT_THAT(Lines(Fields), ElementsAre("id=orders.id"));
  ParseFieldInfo(&Writer, "insert into orders(total) values (1) returning total", nullptr, nullptr);
  EXPECT_EQ(Writer.OpenQuery("select count(*) from orders", {}).Rows.at(0).at(0).AsInteger(), 0) << "a statement ran";

  // Text only SQLite reads (a #name parameter) still has its fields, and their
  // tables stand in for the FROM clause the parser could not read.
  TStringList Tables;
  ParseFieldInfo(&Catalog, "select o.total, c.name from orders o, customers c where o.id = #id", &Fields, &Tables);
  EXPECT_THAT(Lines(Fields), ElementsAre("total=orders.total", "name=customers.name"));
  EXPECT_THAT(Lines(Tables), ElementsAre("orders=orders", "customers=customers"));
  ParseFieldInfo(nullptr, "select total from orders where id = #id", &Fields, &Tables);
  EXPECT_EQ(Fields.Count() + Tables.Count(), 0);
}

TEST(DataSetFieldNames, RepeatedNamesTakeTheFirstFreeSuffixAndEmptyOnesTheirPosition) {
  EXPECT_THAT(DataSetFieldNames({"id", "ID", "id_1", "Id", "", "name", "COLUMN5"}),
              ElementsAre("id", "ID_1", "id_1_1", "Id_2", "COLUMN5", "name", "COLUMN5_1"));
  EXPECT_THAT(DataSetFieldNames({"Äpfel", "äpfel", "x"}), ElementsAre("Äpfel", "äpfel_1", "x"));
}

}  // namespace
