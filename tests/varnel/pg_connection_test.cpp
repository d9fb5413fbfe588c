// The runtime library on a real PostgreSQL server: the run's private server,
// one fresh database per test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "field_info.h"
#include "server_connection.h"
#include "sql_tokenizer.h"
#include "shop_fixture.h"
#include "support/message_of.h"
#include "support/pg_test_server.h"
#include "varnel/Vnengine.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::Not;

constexpr const char* Schema = R"(
CREATE SCHEMA shop;
CREATE TABLE shop.orders (order_no int NOT NULL, line_no int NOT NULL, qty int, price numeric(8,2), ref text,
                          PRIMARY KEY (order_no, line_no));
CREATE UNIQUE INDEX orders_ref ON shop.orders (ref);
CREATE TABLE "Items" ("ItemNo" varchar(10) NOT NULL, "Descr" text, CONSTRAINT items_no UNIQUE ("ItemNo"));
CREATE TABLE audit_log (logged_at text, message text);
CREATE VIEW big_orders AS SELECT order_no, qty FROM shop.orders WHERE qty > 1;
CREATE FUNCTION order_total(p_order int) RETURNS numeric
  AS $$ SELECT sum(qty * price) FROM shop.orders WHERE order_no = p_order $$ LANGUAGE sql;
CREATE PROCEDURE log_message(msg text) AS $$ INSERT INTO audit_log VALUES ('now', msg) $$ LANGUAGE sql;
INSERT INTO shop.orders VALUES (1001, 1, 2, 39.50, 'A'), (1001, 2, 5, 4.20, 'B'), (1002, 1, 1, 39.50, NULL);
INSERT INTO "Items" VALUES ('A-100', 'Reading lamp');
)";

std::vector<std::string> Lines(const TStrings& List) {
  std::vector<std::string> Result;
  for (int I = 0; I < List.Count(); ++I) Result.push_back(List.Strings(I));
  return Result;
}

class PgServer : public testing::Test {
 protected:
  PgServer() : Name(vn_test::TestDatabaseName()) {
    Server.CreateDatabase(Name);
    Server.Exec(Name, Schema);
    Database->SetDatabaseName(Name);
    Database->SetServerType(stPostgreSQL);
    Database->SetRemoteDatabase(Name);
    Server.FillParams(Database->Params());
  }
  std::unique_ptr<TVNServerConnection> Connect() {
    auto Connection = CreateServerConnection(stPostgreSQL);
    Connection->SetLoginParams(Database->Params());
    Connection->Open(Name);
    return Connection;
  }
  template <class T>
  T& Make() {
    auto* DataSet = new T(&Form);
    DataSet->SetDatabaseName(Name);
    return *DataSet;
  }

  vn_test::TPgServer Server;
  std::string Name;
  TComponent Form{nullptr};
  TVNDatabase* Database = new TVNDatabase(&Form);
};

TEST_F(PgServer, CatalogAnswersOwnerQualifiedMixedCaseKeylessAndViews) {
  const auto Connection = Connect();
  EXPECT_THAT(Connection->TableNames("", tsUserTables), ElementsAre("Items", "audit_log", "big_orders", "shop.orders"));
  EXPECT_THAT(Connection->TableNames("%ORD%", tsUserTables), ElementsAre("big_orders", "shop.orders"));
  EXPECT_THAT(Connection->TableNames("pg_class", tsWithSystemTables), ElementsAre("pg_class"));
  EXPECT_THAT(Connection->TableNames("pg_class", tsUserTables), ElementsAre());

  EXPECT_THAT(Connection->FieldNames("shop.orders"), ElementsAre("order_no", "line_no", "qty", "price", "ref"));
  EXPECT_THAT(Connection->FieldNames("SHOP.Orders"), ElementsAre("order_no", "line_no", "qty", "price", "ref"))
      << "bare names fold as the server folds them";
  EXPECT_THAT(Connection->FieldNames("Items"), ElementsAre("ItemNo", "Descr")) << "as written first";
  EXPECT_THAT(Connection->FieldNames("\"Items\""), ElementsAre("ItemNo", "Descr"));
  EXPECT_THAT(Connection->FieldNames("\"items\""), ElementsAre()) << "a quoted name is exact";
  EXPECT_THAT(Connection->FieldNames("orders"), ElementsAre()) << "not on the search path";
  EXPECT_THAT(Connection->StoredProcNames(), ElementsAre("log_message", "order_total"));

  using Row = TVNIndexSchemaRow;
  EXPECT_THAT(*Connection->IndexSchema("shop.orders"),
              ElementsAre(Row{"orders_pkey", "order_no", 6}, Row{"orders_pkey", "line_no", 6}, Row{"orders_ref", "ref", 2}));
  EXPECT_THAT(*Connection->IndexSchema("Items"), ElementsAre(Row{"items_no", "ItemNo", 2})) << "a unique key only";
  EXPECT_THAT(*Connection->IndexSchema("audit_log"), ElementsAre()) << "no key";
  EXPECT_THAT(*Connection->IndexSchema("big_orders"), ElementsAre()) << "a view";
  EXPECT_FALSE(Connection->IndexSchema("no_such_table").has_value());

  // The components ask through the same connection.
  auto Key = Database->GetSchemaInfo(vsPrimaryKeys, "shop.orders");
  EXPECT_EQ(Key->FieldByName("COLUMN_NAME").AsString(), "order_no");
  EXPECT_TRUE(Database->IsObjOwnerSupported());
  EXPECT_EQ(GetValidObjName("shop.orders", false), "shop.orders");
  EXPECT_EQ(QuoteIdentifier("shop.orders", true), "\"shop\".\"orders\"");
  EXPECT_EQ(QuoteIdentifier("ItemNo", true), "\"ItemNo\"");
}

TEST_F(PgServer, FieldOriginsComeFromTheServerAndWithoutItFromItsGrammar) {
  struct TCase {
    std::string SQL;
    std::vector<std::string> Connected, Offline, Tables;
  };
  const std::vector<TCase> Cases = {
      {"select o.order_no, o.qty as quantity, o.price * 2 as doubled from shop.orders o where o.qty > :min",
       {"order_no=shop.orders.order_no", "quantity=shop.orders.qty", "doubled="},
       {"order_no=shop.orders.order_no", "quantity=shop.orders.qty", "doubled="},
       {"o=shop.orders"}},
      {"select * from \"Items\"", {"ItemNo=Items.ItemNo", "Descr=Items.Descr"}, {}, {"Items=Items"}},
      {"select i.\"ItemNo\", l.message, upper(l.message), l.message::varchar from \"Items\" i join audit_log l on true",
       {"ItemNo=Items.ItemNo", "message=audit_log.message", "upper=", "message_1="},
       {"ItemNo=Items.ItemNo", "message=audit_log.message", "upper=", "message_1="},
       {"i=Items", "l=audit_log"}},
      {"select order_no from big_orders", {"order_no=big_orders.order_no"}, {"order_no=big_orders.order_no"},
       {"big_orders=big_orders"}},
  };
  const auto Connection = Connect();
  for (const TCase& Case : Cases) {
    TStringList Fields, Tables, OfflineFields, OfflineTables;
    ParseFieldInfo(Connection.get(), Case.SQL, &Fields, &Tables);
    ParseFieldInfo(nullptr, Case.SQL, &OfflineFields, &OfflineTables, stPostgreSQL);
    EXPECT_EQ(Lines(Fields), Case.Connected) << Case.SQL;
    EXPECT_EQ(Lines(OfflineFields), Case.Offline) << Case.SQL;
    EXPECT_EQ(Lines(Tables), Case.Tables) << Case.SQL;
    EXPECT_EQ(Lines(OfflineTables), Case.Tables) << Case.SQL;
  }
}

TEST_F(PgServer, QueriesTablesScriptsAndProceduresRunWithTypedParameters) {
  auto& Query = Make<TVNQuery>();
  Query.SQL().SetText("select order_no, qty, price, ref, qty > :few as many from shop.orders"
                      " where price >= :price and ref is distinct from :ref order by 1, 2");
  Query.ParamByName("few").SetAsInteger(1);
  Query.ParamByName("price").SetAsFloat(4.2);
  Query.ParamByName("ref").SetValue(Variant::Null());
  Query.Open();
  EXPECT_EQ(Query.RecordCount(), 2) << "IS DISTINCT FROM NULL drops the row without a ref";
  EXPECT_EQ(Query.FieldByName("order_no").DataType(), ftInteger);
  EXPECT_EQ(Query.FieldByName("price").DataType(), ftFloat);
  EXPECT_EQ(Query.FieldByName("many").DataType(), ftBoolean);
  EXPECT_TRUE(Query.FieldByName("many").AsBoolean());
  Query.Close();

  Query.SQL().SetText("select nosuch\nfrom audit_log");
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Query.Open(); }),
              testing::AllOf(HasSubstr("column \"nosuch\" does not exist"), HasSubstr("at line 1, column 8")));

  auto& Table = Make<TVNTable>();
  Table.SetTableName("shop.orders");
  Table.Open();
  EXPECT_EQ(Table.RecordCount(), 3);
  EXPECT_EQ(Table.GetIndexFieldCount(), 2);
  Table.Close();
  Table.SetTableName("SHOP.Orders");
  Table.Open();
  EXPECT_EQ(Table.RecordCount(), 3) << "read from the table the catalog found, as the server spells it";
  Table.Close();

  auto& Script = *new TVNScript(&Form);
  Script.SetDatabaseName(Name);
  Script.SQL().SetText("insert into audit_log values ('x', 'kept?');\ninsert into nowhere values (1);");
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Script.ExecSQL(); }), HasSubstr("Statement 2 of the script failed"));
  Query.SQL().SetText("select count(*) from audit_log");
  Query.Open();
  EXPECT_EQ(Query.FieldByName("count").AsInteger(), 0) << "all or nothing";
  Query.Close();

  auto& Total = Make<TVNStoredProc>();
  Total.SetStoredProcName("order_total");
  Total.Prepare();
  ASSERT_TRUE(Total.DescriptionsAvailable());
  ASSERT_EQ(Total.ParamsCount(), 2);
  Total.Params().ParamByName("p_order").SetAsInteger(1001);
  Total.ExecProc();
  EXPECT_DOUBLE_EQ(Total.Params().ParamByName("Result").AsFloat(), 2 * 39.50 + 5 * 4.20);

  auto& Log = Make<TVNStoredProc>();
  Log.SetStoredProcName("log_message");
  Log.Prepare();
  Log.Params().ParamByName("msg").SetAsString("called");
  Log.ExecProc();
  Query.SQL().SetText("select message from audit_log");
  Query.Open();
  EXPECT_EQ(Query.FieldByName("message").AsString(), "called");
}

TEST_F(PgServer, BadLoginsNameHostAndDatabaseButNeverThePassword) {
  struct TCase {
    std::string Port, Password, Database, Expected;
  };
  // A port that was free a moment ago: nothing listens there.
  const std::string Closed = vn_test::RunShell("python3 -c 'import socket; s=socket.socket(); "
                                               "s.bind((\"127.0.0.1\", 0)); print(s.getsockname()[1])'")
                                 .Output;
  const std::vector<TCase> Cases = {
      {Server.Port(), "wrong-secret", Name, "password authentication failed"},
      {Server.Port(), "", "no_such_db", "no_such_db"},
      {Trim(Closed), "", Name, "Connection refused"},
  };
  for (const TCase& Case : Cases) {
    auto Connection = CreateServerConnection(stPostgreSQL);
    TStringList Params;
    Server.FillParams(Params, Case.Password);
    Params.SetValue("PORT", Case.Port);
    Connection->SetLoginParams(Params);
    const std::string Message = MessageOf<EDatabaseError>([&] { Connection->Open(Case.Database); });
    EXPECT_THAT(Message, HasSubstr(Case.Expected));
    EXPECT_THAT(Message, HasSubstr("database \"" + Case.Database + "\" on host 127.0.0.1 port " + Case.Port));
    EXPECT_THAT(Message, Not(HasSubstr("wrong-secret")));
    EXPECT_THAT(Message, Not(HasSubstr(Server.Password())));
    EXPECT_FALSE(Connection->Connected());
  }
}

TEST(PgSession, AServerThatStopsEndsTheConnectionWithAnErrorNamingIt) {
  vn_test::TOwnPgServer Own;
  const vn_test::TPgServer Server = Own.Server();
  auto Connection = CreateServerConnection(stPostgreSQL);
  TStringList Params;
  Server.FillParams(Params);
  Connection->SetLoginParams(Params);
  Connection->Open(Server.Get("DATABASE"));
  EXPECT_EQ(Connection->OpenQuery("select 1", {}).Rows.size(), 1u);
  Own.Stop();
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Connection->OpenQuery("select 1", {}); }),
              HasSubstr("Lost the connection to PostgreSQL database \"vn_test\" on host 127.0.0.1"));
  EXPECT_FALSE(Connection->Connected());
}

TEST(PgPlaceholders, OnlyBarePlaceholdersAreNumbered) {
  int Count = 0;
  EXPECT_EQ(NumberPgPlaceholders("a = ? and b = '?' and \"c?\" = ? -- ?\n and $$?$$ = E'\\'?' and d = ?", Count),
            "a = $1 and b = '?' and \"c?\" = $2 -- ?\n and $$?$$ = E'\\'?' and d = $3");
  EXPECT_EQ(Count, 3);
}

}  // namespace

namespace {

TEST(PgOfflineParser, WhatItCannotReadGivesNoLinesAndNeverRaises) {
  for (const char* SQL : {"", "-- only a comment", "select", "values (1)", "select from", "delete from t",
                          "select 1; select 2", "select t.* from t", "select (select 1) as x from a, b"}) {
    TStringList Fields, Tables;
    EXPECT_NO_THROW(ParseFieldInfo(nullptr, SQL, &Fields, &Tables, stPostgreSQL)) << SQL;
  }
}

}  // namespace
