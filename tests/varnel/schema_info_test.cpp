#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "shop_fixture.h"
#include "varnel/Vnengine.h"

namespace {

using testing::ElementsAre;
using vn_test::Lines;
using vn_test::TShopFiles;

// The rows of an index schema as "index|column|type", read the way the
// UpdateSQL editor reads them: by field name, from the current row to the end.
std::vector<std::string> IndexRows(TDataSet& Schema) {
  std::vector<std::string> Rows;
  for (; !Schema.Eof(); Schema.Next()) {
    const TField& Type = Schema.FieldByName("INDEX_TYPE");
    Rows.push_back(Schema.FieldByName("INDEX_NAME").AsString() + "|" + Schema.FieldByName("COLUMN_NAME").AsString() +
                   "|" + (Type.IsNull() ? "null" : IntToStr(Type.AsInteger())));
  }
  return Rows;
}

class SchemaInfo : public testing::Test {
 protected:
  SchemaInfo() {
    vn_test::RunSQLiteScript(Files.Shop(), "CREATE TABLE notes(body TEXT); CREATE VIEW big AS SELECT * FROM orders;");
    Database.SetDatabaseName("SchemaShop");
    Database.SetRemoteDatabase(Files.Shop());
  }
  TShopFiles Files;
  TVNDatabase Database{nullptr};
};

TEST_F(SchemaInfo, IndexRowsCarryTheKeyAndUniqueBits) {
  EXPECT_FALSE(Database.Connected());
  std::unique_ptr<TDataSet> Customers = Database.GetSchemaInfo(vsIndexes, "customers");
  EXPECT_FALSE(Database.Connected()) << "connected for the question only";
  ASSERT_NE(Customers, nullptr);
  EXPECT_TRUE(Customers->Active());
  EXPECT_TRUE(Customers->Bof());
  EXPECT_EQ(Customers->FieldByName("INDEX_TYPE").DataType(), ftInteger);
  EXPECT_EQ(Customers->FieldByName("INDEX_NAME").DataType(), ftString);
  EXPECT_EQ(Customers->FieldByName("COLUMN_NAME").DataType(), ftString);
  // A rowid key and a unique constraint of two columns.
  EXPECT_THAT(IndexRows(*Customers), ElementsAre("PRIMARY|id|6", "sqlite_autoindex_customers_1|name|2",
                                                 "sqlite_autoindex_customers_1|city|2"));

  // A composite key first, then a unique index.
  EXPECT_THAT(IndexRows(*Database.GetSchemaInfo(vsIndexes, "ORDER_LINES")),
              ElementsAre("sqlite_autoindex_order_lines_1|order_id|6", "sqlite_autoindex_order_lines_1|line|6",
                          "lines_by_product|product|2", "lines_by_product|order_id|2"));
  // An index that is neither key nor unique has neither bit.
  EXPECT_THAT(IndexRows(*Database.GetSchemaInfo(vsIndexes, "orders")),
              ElementsAre("PRIMARY|id|6", "orders_by_customer|customer_id|0"));
  EXPECT_THAT(IndexRows(*Database.GetSchemaInfo(vsIndexes, "notes")), ElementsAre());
  EXPECT_EQ(Database.GetSchemaInfo(vsIndexes, "nosuch"), nullptr);
  EXPECT_EQ(Database.GetSchemaInfo(static_cast<TVNSchemaType>(5), "no_table_either"), nullptr);
}

TEST_F(SchemaInfo, OtherKindsAreCheapOrRefused) {
  auto Keys = Database.GetSchemaInfo(vsPrimaryKeys, "order_lines");
  ASSERT_NE(Keys, nullptr);
  std::vector<std::string> KeyColumns;
  for (; !Keys->Eof(); Keys->Next()) KeyColumns.push_back(Keys->FieldByName("COLUMN_NAME").AsString());
  EXPECT_THAT(KeyColumns, ElementsAre("order_id", "line"));

  auto Columns = Database.GetSchemaInfo(vsColumns, "customers");
  ASSERT_NE(Columns, nullptr);
  EXPECT_EQ(Columns->RecordCount(), 3);
  Columns->Next();
  EXPECT_EQ(Columns->FieldByName("COLUMN_NAME").AsString(), "name");
  EXPECT_EQ(Columns->FieldByName("COLUMN_POSITION").AsInteger(), 2);
  EXPECT_EQ(Database.GetSchemaInfo(vsColumns, "nosuch"), nullptr);

  auto Tables = Database.GetSchemaInfo(vsTables, "ORDER%");
  ASSERT_NE(Tables, nullptr);
  EXPECT_EQ(Tables->RecordCount(), 2);
  EXPECT_EQ(Database.GetSchemaInfo(vsProcedures, "")->RecordCount(), 0);
  EXPECT_THROW(Database.GetSchemaInfo(vsProcedureParams, "p"), EDatabaseError);
}

TEST_F(SchemaInfo, FieldInfoIsTheSameWhetherTheDatabaseIsConnectedOrNot) {
  TComponent Form(nullptr);
  auto* Query = new TVNQuery(&Form);
  Query->SetDatabaseName("schemashop");
  const std::string SQL = "SELECT o.*, c.name AS who FROM ORDERS o JOIN customers c ON c.id = o.customer_id";
  const auto ExpectedFields = ElementsAre("id=ORDERS.id", "customer_id=ORDERS.customer_id", "total=ORDERS.total",
                                          "paid=ORDERS.paid", "note=ORDERS.note", "who=customers.name");
  for (const bool Connected : {false, true, false}) {
    Database.SetConnected(Connected);
    TStringList Fields, Tables;
    Tables.Add("stale");
    Query->ParseFieldInfoFromSQL(SQL, &Fields, nullptr, &Tables);
    EXPECT_THAT(Lines(Fields), ExpectedFields) << Connected;
    EXPECT_THAT(Lines(Tables), ElementsAre("o=ORDERS", "c=customers")) << Connected;
    EXPECT_EQ(Database.Connected(), Connected) << "asking changed the connection";
  }

  // Through a view the origin is the table underneath; a null list is skipped.
  TStringList Fields, Unused;
  Query->ParseFieldInfoFromSQL("SELECT total FROM big", &Fields, &Unused, nullptr);
  EXPECT_THAT(Lines(Fields), ElementsAre("total=orders.total"));
  EXPECT_EQ(Unused.Count(), 0);

  // A file that cannot be reached leaves the parser to answer.
  Database.SetRemoteDatabase(Files.File("moved.db"));
  Query->ParseFieldInfoFromSQL(SQL, &Fields, nullptr, nullptr);
  EXPECT_THAT(Lines(Fields), ElementsAre("who=customers.name"));
  EXPECT_FALSE(FileExists(Files.File("moved.db"))) << "asking made a database file";

  // Without a database component the name is the database file's.
  Query->SetDatabaseName(Files.Shop());
  Query->ParseFieldInfoFromSQL("select * from customers", &Fields, nullptr, nullptr);
  EXPECT_THAT(Lines(Fields), ElementsAre("id=customers.id", "name=customers.name", "city=customers.city"));
  EXPECT_EQ(Session().FindDatabase(Files.Shop()), nullptr);
}

TEST_F(SchemaInfo, AMacroQueryReadsItsMacrosAndAnUnknownOneAsNothing) {
  TComponent Form(nullptr);
  auto* Query = new TVNMacroQuery(&Form);
  Query->SetDatabaseName("SchemaShop");
  Query->SQL().SetText("select %cols from orders %where");
  Query->MacroByName("cols").SetAsString("id, total as amount");
  TStringList Fields, Tables;
  Query->ParseFieldInfoFromSQL(Query->SQL().Text() + " %unknown", &Fields, nullptr, &Tables);
  EXPECT_THAT(Lines(Fields), ElementsAre("id=orders.id", "amount=orders.total"));
  EXPECT_THAT(Lines(Tables), ElementsAre("orders=orders"));
}

TEST(ObjectOwners, FollowTheServerTypeOfTheDatasetsDatabase) {
  TComponent Form(nullptr);
  auto* Query = new TVNQuery(&Form);
  Query->SetDatabaseName("OwnersDb");
  const TVNServerType Saved = DefServerType;
  DefServerType = stPostgreSQL;
  EXPECT_TRUE(Query->IsObjOwnerSupported()) << "without a database the default server type decides";
  DefServerType = Saved;
  EXPECT_FALSE(Query->IsObjOwnerSupported());

  auto* Database = new TVNDatabase(&Form);
  Database->SetDatabaseName("OWNERSDB");
  Database->SetServerType(stPostgreSQL);
  EXPECT_TRUE(Query->IsObjOwnerSupported());
  Database->SetServerType(stSQLite);
  EXPECT_FALSE(Query->IsObjOwnerSupported());
  Query->SetSessionName("NoSuchSessionForOwners");
  Database->SetServerType(stPostgreSQL);
  EXPECT_FALSE(Query->IsObjOwnerSupported()) << "a database of another session does not count";
  EXPECT_EQ(Sessions().FindSession("NoSuchSessionForOwners"), nullptr) << "asking makes no session";
}

}  // namespace
