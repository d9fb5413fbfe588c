#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "shop_fixture.h"
#include "support/message_of.h"
#include "varnel/Vnengine.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using vn_test::Column;
using vn_test::TShopFiles;

std::string Describe(const TIndexDef& Def) {
  std::string Options;
  if (Def.Options().Contains(ixPrimary)) Options += "P";
  if (Def.Options().Contains(ixUnique)) Options += "U";
  if (Def.Options().Contains(ixExpression)) Options += "E";
  return Def.Name() + "(" + Def.Fields() + ")" + Options;
}

std::vector<std::string> IndexFields(const TVNTable& Table) {
  std::vector<std::string> Names;
  for (int I = 0; I < Table.GetIndexFieldCount(); ++I) Names.push_back(Table.GetIndexField(I)->FieldName());
  return Names;
}

class Tables : public testing::Test {
 protected:
  Tables() {
    Database->SetDatabaseName("TablesShop");
    Database->SetRemoteDatabase(Files.Shop());
    Table->SetDatabaseName("tablesshop");
  }
  std::vector<std::string> Indexes() const {
    std::vector<std::string> Result;
    for (int I = 0; I < Table->IndexDefs().Count(); ++I) Result.push_back(Describe(*Table->IndexDefs().Items(I)));
    return Result;
  }

  TShopFiles Files;
  TComponent Form{nullptr};
  TVNDatabase* Database = new TVNDatabase(&Form);
  TVNTable* Table = new TVNTable(&Form);
};

TEST_F(Tables, OpeningReadsTheRowsInKeyOrderAndDescribesTheIndexes) {
  EXPECT_FALSE(Table->PSIsSQLBased());
  Table->SetTableName("ORDER_LINES");
  Table->Open();
  EXPECT_TRUE(Database->Connected());
  EXPECT_THAT(Indexes(),
              ElementsAre("sqlite_autoindex_order_lines_1(order_id;line)PU", "lines_by_product(product;order_id)U"));
  EXPECT_THAT(IndexFields(*Table), ElementsAre("order_id", "line")) << "no index chosen: the primary key";
  EXPECT_THROW(Table->GetIndexField(2), EListError);
  EXPECT_THAT(Column(*Table, "product"), ElementsAre("tea", "cake", "books"));
  EXPECT_EQ(Table->FieldByName("qty").DataType(), ftInteger);
  EXPECT_THROW(Table->SetTableName("orders"), EDatabaseError);
  Table->Close();

  Table->SetTableName("customers");
  EXPECT_EQ(Table->IndexDefs().Count(), 0) << "another table's indexes are forgotten";
  Table->Open();
  EXPECT_THAT(Indexes(), ElementsAre("PRIMARY(id)PU", "sqlite_autoindex_customers_1(name;city)U"));
  Table->Close();
  Table->SetTableName("orders");
  Table->Open();
  EXPECT_THAT(Indexes(), ElementsAre("PRIMARY(id)PU", "orders_by_customer(customer_id)"));

  Table->SetMasterFields("customer_id");
  EXPECT_EQ(Table->MasterFields(), "customer_id");

  // A database that goes first closes what reads through it.
  delete Database;
  EXPECT_FALSE(Table->Active());
  EXPECT_EQ(Table->Database(), nullptr);
}

TEST_F(Tables, IndexNameAndIndexFieldNamesClearEachOtherAndOrderTheRows) {
  Table->SetTableName("customers");
  Table->Open();
  EXPECT_THAT(Column(*Table, "name"), ElementsAre("Ada", "Grace", "Alan"));

  Table->SetIndexFieldNames("name");
  EXPECT_TRUE(Table->Active());
  EXPECT_THAT(Column(*Table, "name"), ElementsAre("Ada", "Alan", "Grace"));
  EXPECT_THAT(IndexFields(*Table), ElementsAre("name"));

  Table->SetIndexName("sqlite_autoindex_customers_1");
  EXPECT_EQ(Table->IndexFieldNames(), "");
  EXPECT_THAT(IndexFields(*Table), ElementsAre("name", "city"));
  Table->SetIndexFieldNames("city;name");
  EXPECT_EQ(Table->IndexName(), "");
  EXPECT_THAT(Column(*Table, "name"), ElementsAre("Alan", "Grace", "Ada")) << "NULL sorts first";

  // The empty name is the primary key, and choosing it clears the field list too.
  Table->SetIndexName("");
  EXPECT_EQ(Table->IndexFieldNames(), "");
  EXPECT_THAT(Column(*Table, "id"), ElementsAre("1", "2", "3"));

  EXPECT_EQ(MessageOf<EDatabaseError>([&] { Table->SetIndexName("nosuch"); }), "Index 'nosuch' not found");
  EXPECT_FALSE(Table->Active());
  Table->SetIndexFieldNames("name;age");
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Table->Open(); }), HasSubstr("index field 'age' is no column of table 'customers'"));
  EXPECT_FALSE(Table->Active());
}

TEST_F(Tables, NamesAreQuotedSoThatNoneCanAddSQL) {
  vn_test::RunSQLiteScript(
      Files.Shop(), "CREATE TABLE \"my \"\"odd\"\" table\"(a); INSERT INTO \"my \"\"odd\"\" table\" VALUES (7);");
  Table->SetTableName("my \"odd\" table");
  Table->Open();
  EXPECT_EQ(Table->FieldByName("a").AsInteger(), 7);
  Table->Close();
  Table->SetTableName("main.\"my \"\"odd\"\" table\"");
  Table->Open();
  EXPECT_EQ(Table->RecordCount(), 1);
  Table->Close();

  Table->SetTableName("customers; DROP TABLE orders");
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { Table->Open(); }),
            "Table 'customers; DROP TABLE orders' does not exist in database 'TablesShop'");
  Table->SetTableName("orders");
  Table->Open();
  EXPECT_EQ(Table->RecordCount(), 3);
  Table->Close();

  Table->SetTableName(" ");
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { Table->Open(); }), "TVNTable: no TableName given");
  EXPECT_FALSE(Table->Active());
}

}  // namespace
