// The runtime library on a real MariaDB server: the run's private server, one
// fresh database per test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "field_info.h"
#include "server_connection.h"
#include "support/mariadb_test_server.h"
#include "support/message_of.h"
#include "varnel/Vncheck.h"
#include "varnel/Vnengine.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::Not;

constexpr const char* Schema = R"(
CREATE TABLE orders (order_no int NOT NULL, line_no int NOT NULL, qty int, price decimal(8,2), ref varchar(20),
                     PRIMARY KEY (order_no, line_no), UNIQUE KEY orders_ref (ref)) ENGINE=InnoDB;
CREATE TABLE Items (ItemNo varchar(10) NOT NULL, Descr text, UNIQUE KEY items_no (ItemNo)) ENGINE=InnoDB;
CREATE TABLE items (id int NOT NULL AUTO_INCREMENT PRIMARY KEY, name varchar(30)) ENGINE=InnoDB;
CREATE TABLE audit_log (logged_at varchar(20), message text, UNIQUE KEY log_at (logged_at)) ENGINE=InnoDB;
CREATE TABLE notes (body text) ENGINE=InnoDB;
CREATE TABLE archive (id int NOT NULL PRIMARY KEY, note varchar(20)) ENGINE=MyISAM;
CREATE VIEW big_orders AS SELECT order_no, qty FROM orders WHERE qty > 1;
CREATE FUNCTION order_total(p_order int) RETURNS decimal(10,2) READS SQL DATA
  RETURN (SELECT SUM(qty * price) FROM orders WHERE order_no = p_order);
CREATE PROCEDURE log_message(msg text) MODIFIES SQL DATA INSERT INTO audit_log VALUES ('now', msg);
CREATE PROCEDURE big_lines(least int) READS SQL DATA SELECT order_no, qty FROM orders WHERE qty >= least;
INSERT INTO orders VALUES (1001, 1, 2, 39.50, 'A'), (1001, 2, 5, 4.20, 'B'), (1002, 1, 1, 39.50, NULL);
INSERT INTO Items VALUES ('A-100', 'Reading lamp');
INSERT INTO items (name) VALUES ('lamp');
INSERT INTO archive VALUES (1, 'old');
)";

std::vector<std::string> Lines(const TStrings& List) {
  std::vector<std::string> Result;
  for (int I = 0; I < List.Count(); ++I) Result.push_back(List.Strings(I));
  return Result;
}

std::string TestDatabaseName() {
  const auto* Info = testing::UnitTest::GetInstance()->current_test_info();
  std::string Name = std::string("t_") + Info->name();
  for (char& C : Name) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  return Name.substr(0, 60);
}

class MariaDbServer : public testing::Test {
 protected:
  MariaDbServer() : Name(TestDatabaseName()) {
    Server.CreateDatabase(Name);
    Server.Exec(Name, Schema);
    Database->SetDatabaseName(Name);
    Database->SetServerType(stMariaDB);
    Database->SetRemoteDatabase(Name);
    Server.FillParams(Database->Params());
  }
  std::unique_ptr<TVNServerConnection> Connect() {
    auto Connection = CreateServerConnection(stMariaDB);
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

  vn_test::TMariaDbServer Server;
  std::string Name;
  TComponent Form{nullptr};
  TVNDatabase* Database = new TVNDatabase(&Form);
};

TEST_F(MariaDbServer, CatalogAnswersOwnerQualifiedMixedCaseKeylessAndViews) {
  const auto Connection = Connect();
  EXPECT_EQ(GetServerTypeName(stMariaDB), "MariaDB");
  EXPECT_EQ(StrToServerTypeDef(" mariadb ", stSQLite), stMariaDB);
  EXPECT_THAT(Connection->TableNames("", tsUserTables),
              ElementsAre("Items", "archive", "audit_log", "big_orders", "items", "notes", "orders"));
  EXPECT_THAT(Connection->TableNames("%ORD%", tsUserTables), ElementsAre("big_orders", "orders"));
  EXPECT_THAT(Connection->TableNames("mysql.user", tsWithSystemTables), ElementsAre("mysql.user"));
  EXPECT_THAT(Connection->TableNames("mysql.user", tsUserTables), ElementsAre());

  // The test server keeps table names' case (lower_case_table_names = 0).
  EXPECT_THAT(Connection->FieldNames("Items"), ElementsAre("ItemNo", "Descr"));
  EXPECT_THAT(Connection->FieldNames("items"), ElementsAre("id", "name"));
  EXPECT_THAT(Connection->FieldNames("ORDERS"), ElementsAre()) << "not the name of a table here";
  EXPECT_THAT(Connection->FieldNames(Name + ".orders"), ElementsAre("order_no", "line_no", "qty", "price", "ref"));
  EXPECT_THAT(Connection->FieldNames("`" + Name + "`.`orders`"),
              ElementsAre("order_no", "line_no", "qty", "price", "ref"));
  EXPECT_EQ(Connection->QuotedTableName("orders"), "`" + Name + "`.`orders`");
  EXPECT_THAT(Connection->StoredProcNames(), ElementsAre("big_lines", "log_message", "order_total"));

  using Row = TVNIndexSchemaRow;
  EXPECT_THAT(*Connection->IndexSchema("orders"),
              ElementsAre(Row{"PRIMARY", "order_no", 6}, Row{"PRIMARY", "line_no", 6}, Row{"orders_ref", "ref", 2}));
  EXPECT_THAT(*Connection->IndexSchema("Items"), ElementsAre(Row{"items_no", "ItemNo", 2}));
  EXPECT_THAT(*Connection->IndexSchema("audit_log"), ElementsAre(Row{"log_at", "logged_at", 2}));
  EXPECT_THAT(*Connection->IndexSchema("notes"), ElementsAre()) << "no key";
  EXPECT_THAT(*Connection->IndexSchema("big_orders"), ElementsAre()) << "a view";
  EXPECT_FALSE(Connection->IndexSchema("no_such_table").has_value());
  EXPECT_EQ(Connection->RelationKind("big_orders"), rkTable) << "a view MariaDB writes through";
  EXPECT_EQ(Connection->RollbackTrouble("orders"), "");
  EXPECT_EQ(Connection->RollbackTrouble("archive"), "is a MyISAM table, which a rollback does not restore");
  EXPECT_EQ(Connection->SequenceDefaults("items").at(0).Column, "id");

  // The components ask through the same connection; owner-qualified names are kept.
  auto Key = Database->GetSchemaInfo(vsPrimaryKeys, "orders");
  EXPECT_EQ(Key->FieldByName("COLUMN_NAME").AsString(), "order_no");
  EXPECT_TRUE(Database->IsObjOwnerSupported());
  EXPECT_EQ(GetValidObjName(Name + ".orders", !Database->IsObjOwnerSupported()), Name + ".orders");
}

TEST_F(MariaDbServer, FieldOriginsComeFromThePreparedStatementAndWithoutItFromTheSQL) {
  struct TCase {
    std::string SQL;
    std::vector<std::string> Connected, Offline;
  };
  const std::vector<TCase> Cases = {
      {"select o.order_no, o.qty as quantity, o.price * 2 as doubled from orders o where o.qty > :min",
       {"order_no=orders.order_no", "quantity=orders.qty", "doubled="},
       {"order_no=orders.order_no", "quantity=orders.qty", "doubled="}},
      {"select * from Items", {"ItemNo=Items.ItemNo", "Descr=Items.Descr"}, {}},
      {"select i.ItemNo, l.message, upper(l.message) as up from Items i join audit_log l on 1 = 1",
       {"ItemNo=Items.ItemNo", "message=audit_log.message", "up="},
       {"ItemNo=Items.ItemNo", "message=audit_log.message", "up="}},
      {"select `order_no` from big_orders", {"order_no=big_orders.order_no"}, {"order_no=big_orders.order_no"}},
  };
  const auto Connection = Connect();
  for (const TCase& Case : Cases) {
    TStringList Fields, Tables, OfflineFields, OfflineTables;
    ParseFieldInfo(Connection.get(), Case.SQL, &Fields, &Tables);
    ParseFieldInfo(nullptr, Case.SQL, &OfflineFields, &OfflineTables, stMariaDB);
    EXPECT_EQ(Lines(Fields), Case.Connected) << Case.SQL;
    EXPECT_EQ(Lines(OfflineFields), Case.Offline) << Case.SQL;
  }
}

TEST_F(MariaDbServer, QueriesTablesScriptsAndProceduresRunWithTypedParameters) {
  auto& Query = Make<TVNQuery>();
  Query.SQL().SetText(
      "select order_no, qty, price, ref, \"qty\" > :few as many from orders"
      " where price >= :price and not (ref <=> :ref) and ref <> :quote order by 1, 2");
  Query.ParamByName("few").SetAsInteger(1);
  Query.ParamByName("price").SetAsFloat(4.2);
  Query.ParamByName("ref").SetValue(Variant::Null());
  Query.ParamByName("quote").SetAsString("it's \\ 'quoted'");
  Query.Open();
  EXPECT_EQ(Query.RecordCount(), 2) << "<=> NULL drops the row without a ref";
  EXPECT_EQ(Query.FieldByName("order_no").DataType(), ftInteger);
  EXPECT_EQ(Query.FieldByName("price").DataType(), ftFloat);
  EXPECT_EQ(Query.FieldByName("ref").AsString(), "A");
  EXPECT_EQ(Query.FieldByName("many").AsInteger(), 1) << "double quotes name a column";
  Query.Close();

  Query.SQL().SetText("select nosuch from audit_log");
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Query.Open(); }), HasSubstr("Unknown column 'nosuch'"));
  Query.SQL().SetText("delete from audit_log");
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Query.Open(); }), HasSubstr("returns no rows"));

  auto& Table = Make<TVNTable>();
  Table.SetTableName("orders");
  Table.Open();
  EXPECT_EQ(Table.RecordCount(), 3);
  EXPECT_EQ(Table.GetIndexFieldCount(), 2);
  Table.Close();

  auto& Script = *new TVNScript(&Form);
  Script.SetDatabaseName(Name);
  Script.SQL().SetText("insert into items (name) values ('a;b');\ninsert into nowhere values (1);");
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Script.ExecSQL(); }), HasSubstr("Statement 2 of the script failed"));
  Script.SQL().SetText(
      "insert into items (name) values ('shade'); -- a comment; with a semicolon\n"
      "insert into items (name) values ('bulb')");
  Script.ExecSQL();
  Query.SQL().SetText("select id, name from items order by id desc");
  Query.Open();
  EXPECT_EQ(Query.RecordCount(), 3) << "all or nothing, then both";
  EXPECT_EQ(Query.FieldByName("name").AsString(), "bulb");
  EXPECT_GT(Query.FieldByName("id").AsInteger(), 2) << "AUTO_INCREMENT numbered it";
  Query.Close();

  auto& Total = Make<TVNStoredProc>();
  Total.SetStoredProcName("order_total");
  Total.Prepare();
  ASSERT_TRUE(Total.DescriptionsAvailable());
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
  Query.Close();
  // A procedure that returns rows leaves the connection ready for the next statement.
  const auto Connection = Connect();
  Connection->ExecuteStatement("call big_lines(?)", {Variant(2)});
  EXPECT_EQ(Connection->OpenQuery("select count(*) from orders", {}).Rows.at(0).at(0).AsInteger(), 3);
}

TEST_F(MariaDbServer, StatementsFromFormsAreVettedAndADryRunLeavesTheDatabaseAsItWas) {
  const auto Connection = Connect();
  struct TCase {
    std::string SQL, Kind, Refusal;
  };
  const std::vector<TCase> Cases = {
      {"update orders set qty = ? where order_no = ?", "UPDATE", ""},
      {"with t as (select 1 as n) select n from t", "SELECT", ""},
      {"select load_file('/etc/passwd')", "SELECT", "calls LOAD_FILE, which reads the server's files"},
      {"select * from orders into outfile '/tmp/x'", "SELECT", "writes the server's file system (INTO OUTFILE)"},
      {"select get_lock('x', 1)", "SELECT", "calls GET_LOCK, whose lock outlives the transaction"},
      {"select @n", "SELECT", "uses session variable @n"},
      {"create table x (a int)", "CREATE", ""},
      // What the server reads as code where a reader of standard SQL sees a string or a comment.
      {"select 'a\\'', load_file('x') #'", "SELECT", "calls LOAD_FILE, which reads the server's files"},
      {"select 1 --load_file('x')", "SELECT", "calls LOAD_FILE, which reads the server's files"},
      {"select 1 /*!, load_file('x') */", "SELECT", "holds a /*! comment, whose text the server runs unseen"},
      {"select 'a;b' as `c;d` -- ; delete from orders", "SELECT", ""},
  };
  for (const TCase& Case : Cases) {
    const TVNStatementVerdict Verdict = Connection->VetStatement(Case.SQL);
    EXPECT_EQ(Verdict.Count, 1) << Case.SQL;
    EXPECT_EQ(Verdict.Kind, Case.Kind) << Case.SQL;
    EXPECT_EQ(Verdict.Refusals.empty() ? "" : Verdict.Refusals.front(), Case.Refusal) << Case.SQL;
  }
  EXPECT_EQ(Connection->VetStatement("delete from orders; drop table orders").Count, 2);
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Connection->VetStatement("selec 1"); }), HasSubstr("SQL syntax"));

  EXPECT_EQ(Connection->SuperuserName(), Server.User() + "@127.0.0.1") << "the test login holds SUPER";

  // The update object's statements, run by a dry run as an ordinary login.
  Server.FillParams(Database->Params());
  Database->Params().SetValue("USER NAME", Server.CreateAppRole(Name));
  auto& Query = Make<TVNQuery>();
  Query.SetName("OrdersQuery");
  Query.SQL().SetText("select order_no, line_no, qty, price, ref from orders");
  auto* Update = new TVNUpdateSQL(&Form);
  Update->SetName("OrdersUpdate");
  Query.SetUpdateObject(Update);
  Update->GetSQLIndex(ukModify).SetText(
      "update orders set order_no = :order_no, line_no = :line_no, \"qty\" = :qty, price = :price, ref = :ref"
      " where order_no = :OLD_order_no and line_no = :OLD_line_no");
  Update->GetSQLIndex(ukDelete).SetText("delete from orders where order_no = :OLD_order_no and line_no = :OLD_line_no");
  Update->GetSQLIndex(ukRefresh).SetText(
      "select order_no, line_no, qty, price, ref from orders where order_no = :order_no"
      " and line_no = :line_no");
  const std::string Before = Server.Dump(Name);
  TVNUpdateCheckResult Result;
  Vncheck_CheckUpdateObject(*Update, {cmDryRun, 5, false}, Result);
  for (const auto& F : Result.Findings) ADD_FAILURE() << F.Statement << ": " << F.Reason;
  EXPECT_EQ(Result.Checked, 3);
  EXPECT_EQ(Server.Dump(Name), Before);

  // What check --fix gives the editor; a unique index over a column that
  // allows NULL is no key.
  TVNUpdatePlan Plan;
  Vncheck_PlanUpdateStatements(*Update, Plan);
  EXPECT_EQ(Plan.Why, "");
  EXPECT_THAT(Plan.KeyFields, ElementsAre("order_no", "line_no"));
  EXPECT_THAT(Plan.UpdateFields, ElementsAre("order_no", "line_no", "qty", "price", "ref"));
  Query.SQL().SetText("select logged_at, message from audit_log");
  Vncheck_PlanUpdateStatements(*Update, Plan);
  EXPECT_THAT(Plan.Why, HasSubstr("audit_log has no primary key or unique index"));

  // A row another session holds ends the check within its time limit.
  Query.SQL().SetText("select order_no, line_no, qty, price, ref from orders");
  const auto Holder = Connect();
  Holder->ExecuteStatement("START TRANSACTION", {});
  Holder->ExecuteStatement("UPDATE orders SET qty = qty WHERE order_no = 1001", {});
  TVNUpdateCheckResult Waited;
  const auto Start = std::chrono::steady_clock::now();
  Vncheck_CheckUpdateObject(*Update, {cmDryRun, 1, false}, Waited);
  EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(10));
  ASSERT_FALSE(Waited.Findings.empty());
  EXPECT_THAT(Waited.Findings.back().Reason, HasSubstr("the server gave up waiting (time limit 1 s)"));
  Holder->ExecuteStatement("ROLLBACK", {});

  // A table that cannot roll back is not written.
  Query.SQL().SetText("select id, note from archive");
  Update->GetSQLIndex(ukModify).SetText("update archive set note = :note where id = :OLD_id");
  Update->GetSQLIndex(ukDelete).SetText("");
  Update->GetSQLIndex(ukRefresh).SetText("");
  TVNUpdateCheckResult Refused;
  Vncheck_CheckUpdateObject(*Update, {cmDryRun, 5, false}, Refused);
  ASSERT_FALSE(Refused.Findings.empty());
  EXPECT_THAT(Refused.Findings.front().Reason, HasSubstr("archive is a MyISAM table"));
  EXPECT_EQ(Server.Dump(Name), Before);
}

TEST_F(MariaDbServer, BadLoginsNameHostAndDatabaseAndALostConnectionSaysSo) {
  const std::string Closed = vn_test::RunShell(
                                 "python3 -c 'import socket; s=socket.socket(); "
                                 "s.bind((\"127.0.0.1\", 0)); print(s.getsockname()[1])'")
                                 .Output;
  struct TCase {
    std::string Port, Password, Database, Expected;
  };
  const std::vector<TCase> Cases = {
      {Server.Port(), "wrong-secret", Name, "Access denied"},
      {Server.Port(), "", "no_such_db", "no_such_db"},
      {Trim(Closed), "", Name, "Can't connect"},
  };
  for (const TCase& Case : Cases) {
    TStringList Params;
    Server.FillParams(Params, Case.Password);
    auto Connection = CreateServerConnection(stMariaDB);
    Connection->SetLoginParams(Params);
    Params.SetValue("PORT", Case.Port);
    Connection->SetLoginParams(Params);
    const std::string Message = MessageOf<EDatabaseError>([&] { Connection->Open(Case.Database); });
    EXPECT_THAT(Message, HasSubstr("Cannot connect to MariaDB database \"" + Case.Database + "\" on host 127.0.0.1"));
    EXPECT_THAT(Message, HasSubstr(Case.Expected));
    EXPECT_THAT(Message, Not(HasSubstr(Server.Password())));
    EXPECT_FALSE(Connection->Connected());
  }

  // A local server is reached by its socket file as well.
  TStringList Local;
  Local.Add("SOCKET=" + Server.Socket());
  Local.Add("USER NAME=" + Server.User());
  Local.Add("PASSWORD=" + Server.Password());
  auto BySocket = CreateServerConnection(stMariaDB);
  BySocket->SetLoginParams(Local);
  BySocket->Open(Name);
  EXPECT_THAT(BySocket->FieldNames("items"), ElementsAre("id", "name"));

  // The server ends the session under the connection.
  const auto Connection = Connect();
  const TVNResultSet Id = Connection->OpenQuery("select connection_id()", {});
  Server.Exec("", "KILL CONNECTION " + Id.Rows.at(0).at(0).AsString());
  const std::string Lost = MessageOf<EDatabaseError>([&] { Connection->OpenQuery("select 1", {}); });
  EXPECT_THAT(Lost, HasSubstr("Lost the connection to MariaDB database \"" + Name + "\""));
  EXPECT_FALSE(Connection->Connected());
}

TEST(MariaDbSession, AServerThatStopsEndsTheConnectionWithAnErrorNamingIt) {
  vn_test::TOwnMariaDbServer Own;
  const vn_test::TMariaDbServer Server = Own.Server();
  auto Connection = CreateServerConnection(stMariaDB);
  TStringList Params;
  Server.FillParams(Params);
  Connection->SetLoginParams(Params);
  Connection->Open(Server.Get("DATABASE"));
  EXPECT_EQ(Connection->OpenQuery("select 1", {}).Rows.size(), 1u);
  Own.Stop();
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Connection->OpenQuery("select 1", {}); }),
              HasSubstr("Lost the connection to MariaDB database \"vn_test\" on host 127.0.0.1"));
  EXPECT_FALSE(Connection->Connected());
}

}  // namespace
