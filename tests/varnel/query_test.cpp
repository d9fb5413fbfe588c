#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "shop_fixture.h"
#include "support/message_of.h"
#include "varnel/Vnengine.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using vn_test::Lines;
using vn_test::Column;
using vn_test::TShopFiles;

std::vector<std::string> ParamNames(const TParams& Params) {
  std::vector<std::string> Names;
  for (int I = 0; I < Params.Count(); ++I) Names.push_back(Params.Items(I)->Name());
  return Names;
}

// Datasets of these tests name the shop file itself, in a session of their own
// that goes with the test.
class Queries : public testing::Test {
 protected:
  Queries() {
    Work->SetSessionName("QueriesWork");
    Work->SetKeepConnections(false);
  }
  template <class T>
  T& Make() {
    auto* DataSet = new T(&Form);
    DataSet->SetSessionName("QueriesWork");
    DataSet->SetDatabaseName(Files.Shop());
    return *DataSet;
  }

  TShopFiles Files;
  TComponent Form{nullptr};
  TVNSession* Work = new TVNSession(&Form);
};

TEST_F(Queries, ParametersFollowTheTextAndKeepTheirValues) {
  auto& Query = Make<TVNQuery>();
  EXPECT_TRUE(Query.PSIsSQLBased());
  Query.SQL().SetText("SELECT * FROM orders WHERE customer_id = :cust AND total > :min OR customer_id = :CUST");
  EXPECT_THAT(ParamNames(Query.Params()), ElementsAre("cust", "min")) << "one parameter per name";
  Query.ParamByName("cust").SetAsInteger(1);
  Query.ParamByName("min").SetAsFloat(10);

  Query.SQL().SetText("SELECT id, total FROM orders WHERE customer_id = :Cust AND note <> ':quoted' ORDER BY id");
  ASSERT_EQ(Query.ParamCount(), 1);
  EXPECT_EQ(Query.Params().Items(0)->AsInteger(), 1) << "a parameter of the same name keeps its value";
  EXPECT_EQ(Query.Params().Items(0)->DataType(), ftInteger);

  Query.Open();
  EXPECT_EQ(Query.RecordCount(), 1) << "NULL notes compare as unknown";
  EXPECT_THAT(Column(Query, "id"), ElementsAre("10"));
  EXPECT_EQ(Query.FieldByName("total").DataType(), ftFloat);
  EXPECT_EQ(Query.FieldByName("ID").DataType(), ftInteger);
  EXPECT_TRUE(Query.FieldByName("total").InheritsFrom<TFloatField>());
  ASSERT_NE(Query.Database(), nullptr);
  EXPECT_TRUE(Query.Database()->Temporary());

  // Changing the text closes the query.
  Query.SQL().Add("LIMIT 5");
  EXPECT_FALSE(Query.Active());
  EXPECT_EQ(Query.Database(), nullptr) << "a closed query lets its database go";
  EXPECT_FALSE(Work->FindDatabase(Files.Shop())->Connected()) << "the session keeps no connections";

  Query.ParamByName("cust").Clear();
  Query.Open();
  EXPECT_EQ(Query.RecordCount(), 0) << "a cleared parameter binds NULL";
  Query.Close();
  Query.SQL().SetText("SELECT * FROM orders WHERE id = :fresh");
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { Query.Open(); }), "TVNQuery: no value for parameter 'fresh'");
  EXPECT_FALSE(Query.Active());
  EXPECT_THROW(Query.ParamByName("gone"), EDatabaseError);
}

TEST_F(Queries, RowsAreReadWithTypesFromTheDeclarations) {
  auto& Query = Make<TVNQuery>();
  Query.SetName("Orders");
  Query.SQL().SetText(
      "SELECT o.id, c.id, c.name, o.paid, o.total * 2 AS twice, 'x' || o.note AS tagged, NULL AS blank "
      "FROM orders o JOIN customers c ON c.id = o.customer_id ORDER BY o.id");
  Query.Open();
  TStringList Names;
  Query.GetFieldNames(Names);
  EXPECT_THAT(Lines(Names), ElementsAre("id", "id_1", "name", "paid", "twice", "tagged", "blank"));
  EXPECT_EQ(Query.FieldByName("name").DataType(), ftString);
  EXPECT_EQ(Query.FieldByName("name").Size(), 40);
  EXPECT_EQ(Query.FieldByName("paid").DataType(), ftBoolean);
  EXPECT_EQ(Query.FieldByName("twice").DataType(), ftFloat) << "an expression takes the type of its value";
  EXPECT_EQ(Query.FieldByName("tagged").DataType(), ftString);
  EXPECT_EQ(Query.RecordCount(), 3);
  EXPECT_TRUE(Query.FieldByName("paid").AsBoolean());
  EXPECT_EQ(Query.FieldByName("paid").Value().VarType(), varBoolean);
  EXPECT_DOUBLE_EQ(Query.FieldByName("twice").AsFloat(), 25.0);
  Query.Next();
  EXPECT_FALSE(Query.FieldByName("paid").AsBoolean());
  EXPECT_TRUE(Query.FieldByName("tagged").IsNull());
  EXPECT_EQ(Query.FieldByName("id_1").AsInteger(), 1);

  // Setters that would change what is open are refused.
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { Query.SetDatabaseName("x"); }),
            "Orders: cannot change DatabaseName of an open dataset");
  EXPECT_THROW(Query.SetSessionName("x"), EDatabaseError);
  Query.Close();

  Query.SQL().SetText("DELETE FROM orders");
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Query.Open(); }), HasSubstr("returns no rows"));
  Query.SQL().SetText("SELECT 1; DELETE FROM orders");
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Query.Open(); }), HasSubstr("Only one SQL statement"));
  Query.SQL().SetText("SELECT count(*) AS n FROM orders");
  Query.Open();
  EXPECT_EQ(Query.FieldByName("n").AsInteger(), 3) << "nothing was deleted";
}

TEST_F(Queries, ExecSQLChangesRowsAndCountsThem) {
  auto& Update = Make<TVNQuery>();
  Update.SQL().SetText("UPDATE orders SET note = :note WHERE customer_id = :cust");
  Update.ParamByName("note").SetAsString("it's paid");
  Update.ParamByName("cust").SetAsInteger(1);
  EXPECT_EQ(Update.ExecSQL(), 2);
  EXPECT_EQ(Update.Database(), nullptr);
  Update.SQL().SetText("CREATE TABLE extra(a)");
  EXPECT_EQ(Update.ExecSQL(), 0) << "a statement that changes no rows counts none";

  auto& Check = Make<TVNQuery>();
  Check.SQL().SetText("SELECT note FROM orders WHERE customer_id = 1");
  Check.Open();
  EXPECT_THAT(Column(Check, "note"), ElementsAre("it's paid", "it's paid"));
}

TEST_F(Queries, MacrosAreExpandedBeforeTheStatementIsSent) {
  auto& Query = Make<TVNMacroQuery>();
  Query.SQL().SetText(
      "SELECT %cols FROM orders WHERE %cond AND note <> '%notamacro' AND total > :min -- %comment\n"
      "ORDER BY %cols");
  EXPECT_THAT(ParamNames(Query.Macros()), ElementsAre("cols", "cond"));
  EXPECT_THAT(ParamNames(Query.Params()), ElementsAre("min"));
  Query.MacroByName("cols").SetAsString("id");
  Query.MacroByName("COND").SetAsString("paid = 1");
  Query.ParamByName("min").SetAsFloat(1);
  Query.Open();
  EXPECT_THAT(Column(Query, "id"), ElementsAre("10", "12"));
  EXPECT_EQ(Query.FieldCount(), 1);

  Query.SQL().SetText("SELECT %cols FROM customers ORDER BY %order");
  EXPECT_FALSE(Query.Active());
  EXPECT_THAT(ParamNames(Query.Macros()), ElementsAre("cols", "order"));
  EXPECT_EQ(Query.MacroByName("cols").AsString(), "id") << "a macro of the same name keeps its value";
  Query.MacroByName("cols").SetAsString("name");
  Query.MacroByName("order").SetAsString("name DESC");
  Query.Open();
  EXPECT_THAT(Column(Query, "name"), ElementsAre("Grace", "Alan", "Ada"));
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { Query.MacroByName("nothing"); }), "TVNMacroQuery: macro 'nothing' not found");
}

TEST_F(Queries, ScriptsRunAllOrNothingAndMonitorsHearWhatIsSent) {
  TVNMonitor& Monitor = *new TVNMonitor(&Form);
  auto& Count = Make<TVNQuery>();
  Count.SQL().SetText("SELECT count(*) AS n FROM order_lines");
  Count.Open();
  EXPECT_EQ(Monitor.Lines().Count(), 0) << "an inactive monitor records nothing";
  Count.Close();

  Monitor.SetActive(true);
  Monitor.SetMaxLines(3);
  auto& Script = *new TVNScript(&Form);
  Script.SetSessionName("QueriesWork");
  Script.SetDatabaseName(Files.Shop());
  Script.SQL().SetText(
      "CREATE TABLE log(msg TEXT);\n"
      "INSERT INTO log VALUES ('a;b');\n"
      "CREATE TRIGGER t AFTER INSERT ON log BEGIN INSERT INTO order_lines VALUES (99, NEW.rowid, NEW.msg, 1); END;\n"
      "INSERT INTO log VALUES ('c');");
  Script.ExecSQL();
  EXPECT_THAT(
      Lines(Monitor.Lines()),
      ElementsAre(
          "INSERT INTO log VALUES ('a;b')",
          "CREATE TRIGGER t AFTER INSERT ON log BEGIN INSERT INTO order_lines VALUES (99, NEW.rowid, NEW.msg, 1); END",
          "INSERT INTO log VALUES ('c')"))
      << "at most MaxLines, the oldest dropped";
  Count.Open();
  EXPECT_EQ(Count.FieldByName("n").AsInteger(), 4);
  Count.Close();

  Script.SQL().SetText("INSERT INTO log VALUES ('d');\nINSERT INTO nosuch VALUES (1);");
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { Script.ExecSQL(); }), "Statement 2 of the script failed: no such table: nosuch");
  Script.SQL().SetText("DELETE FROM order_lines;\nSELECT * FROM log;\nINSERT INTO log VALUES (1, 2);");
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Script.ExecSQL(); }), HasSubstr("Statement 3 of the script failed"));
  Script.SQL().SetText("DELETE FROM order_lines;\nCOMMIT;");
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Script.ExecSQL(); }), HasSubstr("Statement 2 of the script controls transactions"));
  Count.Open();
  EXPECT_EQ(Count.FieldByName("n").AsInteger(), 4) << "failed scripts changed nothing";
  auto& Log = Make<TVNQuery>();
  Log.SQL().SetText("SELECT count(*) AS n FROM log");
  Log.Open();
  EXPECT_EQ(Log.FieldByName("n").AsInteger(), 2);

  EXPECT_THROW(Monitor.SetMaxLines(0), EDatabaseError);
  Monitor.SetActive(false);
  Log.Close();
  Log.Open();
  EXPECT_THAT(Lines(Monitor.Lines()).back(), HasSubstr("SELECT count(*) AS n FROM log"));
  EXPECT_EQ(Monitor.Lines().Count(), 3);
}

TEST_F(Queries, StoredProceduresOnSQLitePrepareWithoutDescriptions) {
  auto& Proc = Make<TVNStoredProc>();
  Proc.SetStoredProcName("recalc");
  EXPECT_FALSE(Proc.Prepared());
  Proc.Prepare();
  EXPECT_TRUE(Proc.Prepared());
  EXPECT_FALSE(Proc.DescriptionsAvailable());
  EXPECT_EQ(Proc.ParamsCount(), 0);
  ASSERT_NE(Proc.Database(), nullptr);
  EXPECT_TRUE(Proc.Database()->Connected());
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Proc.ExecProc(); }), HasSubstr("SQLite databases have no stored procedures"));
  EXPECT_THROW(Proc.Open(), EDatabaseError);
  EXPECT_TRUE(Proc.Prepared()) << "a failed open keeps the procedure prepared";
  EXPECT_NE(Proc.Database(), nullptr);
  Proc.UnPrepare();
  EXPECT_FALSE(Proc.Prepared());
  EXPECT_EQ(Proc.Database(), nullptr);

  // Disconnecting the database unprepares what depends on it.
  Proc.Prepare();
  TVNDatabase* Database = Proc.Database();
  Database->Close();
  EXPECT_FALSE(Proc.Prepared());
  EXPECT_EQ(Proc.Database(), nullptr);
}

}  // namespace
