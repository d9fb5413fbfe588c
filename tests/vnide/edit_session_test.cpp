#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "sqlite_fixture.h"
#include "support/registry_store.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "vnide_process.h"

using namespace vn_test;

namespace {

// A form whose database is named relative to the form's folder, as the builder
// keeps it; vnide runs from elsewhere, so the session must work in that folder.
class VnideEditSession : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteVarnelStore(Dir.File("registry.reg"), RegQuoted(Dir.Path().string()));
    RunSQLiteScript(Dir.File("shop.db"),
                    "CREATE TABLE orders (order_no INTEGER, line_no INTEGER, qty INTEGER, "
                    "PRIMARY KEY (order_no, line_no));");
    WriteFileText(Form(), FormText);
  }
  std::string Form() const { return Dir.File("shop.vfm"); }
  TRun Edit(const std::string& Object, const std::string& Script, const std::string& Extra = "") {
    WriteFileText(Dir.File("session.vns"), Script);
    return RunVnideGuarded("edit " + Form() + " " + Object + " --script " + Dir.File("session.vns") + Extra);
  }

  TTempDir Dir;
  TScopedEnv Registry{"VNIDE_REGISTRY", Dir.File("registry.reg")};
  const std::string FormText =
      "object Shop: TShopModule\r\n"
      "  object ShopDb: TVNDatabase\r\n"
      "    DatabaseName = 'shop'\r\n"
      "    RemoteDatabase = 'shop.db'\r\n"
      "  end\r\n"
      "  object OrdersQuery: TVNQuery\r\n"
      "    DatabaseName = 'shop'\r\n"
      "    SQL.Strings = (\r\n"
      "      'select o.order_no, o.line_no, o.qty as quantity from orders o')\r\n"
      "    UpdateObject = OrdersUpdate\r\n"
      "  end\r\n"
      "  object OrdersUpdate: TVNUpdateSQL\r\n"
      "  end\r\n"
      "end\r\n";
  const std::string Accept = "click btGetTableFields\nclick btSelectPrimKeys\nclick btGenerateSQL\nclick btOk\n";
};

TEST_F(VnideEditSession, AcceptedSessionSavesWhatWasGeneratedFromTheFormsOwnDatabase) {
  const TRun Run = Edit("OrdersUpdate", Accept, " --save " + Dir.File("saved.vfm"));
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_NE(Run.Output.find("EditUpdateSQL(OrdersUpdate) returned true: the form was modified"), std::string::npos);
  EXPECT_NE(Run.Output.find("OrdersUpdate.ModifySQL:\n  update orders\n  set\n    order_no = :order_no,\n"
                            "    line_no = :line_no,\n    qty = :quantity\n  where\n    order_no = :OLD_order_no and\n"
                            "    line_no = :OLD_line_no\n"),
            std::string::npos)
      << Run.Output;
  const std::string Saved = ReadFileText(Dir.File("saved.vfm"));
  EXPECT_NE(Saved.find("'  qty = :quantity'"), std::string::npos) << Saved;
  EXPECT_EQ(ReadFileText(Form()), FormText) << "--save leaves the original alone";
}

// Anything but an accepted, clean session leaves the form byte for byte as it was.
TEST_F(VnideEditSession, ExitCodeSaysHowTheSessionEndedAndOnlySuccessSaves) {
  struct TCase {
    const char* Object;
    std::string Script;
    int ExitCode;
    const char* Says;
  };
  const TCase Cases[] = {
      {"OrdersUpdate", "click btGenerateSQL\nclick btCancel\n", 3, "returned false"},
      {"OrdersUpdate", "check cbQuotedFeilds\n" + Accept, 1,
       "has no control cbQuotedFeilds; did you mean cbQuotedFields?"},
      {"OrdersUpdate", "click btGenerateSQL\nfrobnicate\nclick btOk\n", 1, "the session hit 1 error(s)"},
      {"OrdersUpdate", Accept + "click btOk\n", 1, "the script goes on after the dialog closed (\"click btOk\")"},
      {"OrdersUpdat", Accept, 1, "Shop has no component OrdersUpdat; did you mean OrdersUpdate?"},
      {"OrdersQuery", Accept, 1,
       "OrdersQuery is a TVNQuery, not an update object; update objects in Shop: OrdersUpdate"},
  };
  for (const TCase& Case : Cases) {
    const TRun Run = Edit(Case.Object, Case.Script);
    EXPECT_EQ(Run.ExitCode, Case.ExitCode) << Case.Script << Run.Output;
    EXPECT_NE(Run.Output.find(Case.Says), std::string::npos) << Run.Output;
    EXPECT_EQ(Run.Output.find("\nsaved "), std::string::npos) << Run.Output;
    EXPECT_EQ(ReadFileText(Form()), FormText) << Case.Script;
  }
}

TEST_F(VnideEditSession, KeepGoingSavesAnAcceptedSessionDespiteItsErrors) {
  const TRun Run = Edit("OrdersUpdate", "click btNoSuchButton\n" + Accept, " --keep-going");
  EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_NE(Run.Output.find("error: "), std::string::npos) << Run.Output;
  EXPECT_NE(ReadFileText(Form()).find("ModifySQL.Strings"), std::string::npos);
}

TEST_F(VnideEditSession, JsonCarriesTheStatementsAloneOnStandardOutput) {
  WriteFileText(Dir.File("session.vns"), Accept);
  const TRun Run = RunVnideGuarded("edit --json " + Form() + " OrdersUpdate --script=" + Dir.File("session.vns") +
                                       " --save " + Dir.File("saved.vfm"),
                                   seDropped);
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  const auto Json = nlohmann::json::parse(Run.Output);
  EXPECT_EQ(Json["modified"], true);
  EXPECT_EQ(Json["statements"]["DeleteSQL"],
            nlohmann::json::array({"delete from orders", "where", "  order_no = :OLD_order_no and",
                                   "  line_no = :OLD_line_no"}));
}

}  // namespace

namespace {

// The statements a session accepts are checked on their database at once: the
// natural paths that give failing statements say so, and --check saves only
// statements that pass.
TEST(VnideEditVerification, AcceptedStatementsAreCheckedAndCheckRefusesToSaveFailingOnes) {
  TTempDir Dir;
  TScopedEnv Registry{"VNIDE_REGISTRY", Dir.File("registry.reg")};
  WriteVarnelStore(Dir.File("registry.reg"), RegQuoted(Dir.Path().string()));
  RunSQLiteScript(Dir.File("shop.db"),
                  "CREATE TABLE orders (order_no INTEGER NOT NULL, line_no INTEGER NOT NULL, qty INTEGER,"
                  " ref TEXT, PRIMARY KEY (order_no, line_no));"
                  "CREATE TABLE lines (line_no INTEGER PRIMARY KEY, qty INTEGER, total INTEGER GENERATED ALWAYS AS (qty * 2));"
                  "CREATE TABLE audit_log (message TEXT);"
                  "CREATE VIEW v_orders AS SELECT order_no, count(*) AS n FROM orders GROUP BY order_no;");
  const auto FormOf = [](const std::string& SQL, const std::string& Database) {
    return "object Shop: TShopModule\n  object ShopDb: TVNDatabase\n    DatabaseName = 'shop'\n"
           "    RemoteDatabase = '" + Database + "'\n  end\n  object Q: TVNQuery\n    DatabaseName = 'shop'\n"
           "    SQL.Strings = (\n      '" + SQL + "')\n    UpdateObject = U\n  end\n"
           "  object U: TVNUpdateSQL\n  end\nend\n";
  };
  const std::string Accept = "click btGetTableFields\nclick btSelectPrimKeys\nclick btGenerateSQL\nclick btOk\n";
  struct TCase {
    std::string SQL, Script, Expected, Database = "shop.db";
  };
  const std::vector<TCase> Cases = {
      // Get Table Fields takes every column; the query selects two.
      {"select order_no, line_no from orders", Accept,
       "ModifySQL, InsertSQL: parameters :qty, :ref are filled by no field of Q\n    what to do: clear the columns"},
      // Without Get Table Fields the alias is written as a column.
      {"select order_no, line_no, qty as quantity, ref from orders",
       "click btDataSetDefaults\nclick btSelectPrimKeys\nclick btGenerateSQL\nclick btOk\n",
       "writes the alias quantity (its column is qty) as a column, which the table has not\n"
       "    what to do: press Get Table Fields"},
      // Select Primary Keys finds no key in a view or a keyless table: the person picks one.
      {"select order_no, n from v_orders", "click btGetTableFields\nselect lbKeyFields order_no\nclick btGenerateSQL\nclick btOk\n",
       "U: v_orders is a view: statements that write it fail"},
      {"select message from audit_log", "click btGetTableFields\nselect lbKeyFields message\nclick btGenerateSQL\nclick btOk\n",
       "U: audit_log has no primary key or unique index"},
      {"select line_no, qty, total from lines", Accept, "column total cannot be written (generated or computed)"},
      // A key column under an alias, without Get Table Fields: the key's own column is not found.
      {"select order_no as ono, line_no, qty, ref from orders",
       "click btSelectPrimKeys\nclick btGenerateSQL\nclick btOk\n", "key (line_no) is not unique"},
      {"select order_no, line_no from orders", Accept, "The statements of U could not be checked: ", "gone.db"},
  };
  for (const TCase& Case : Cases) {
    const std::string Form = Dir.File("case.vfm");
    const std::string Text = FormOf(Case.SQL, Case.Database);
    WriteFileText(Form, Text);
    WriteFileText(Dir.File("session.vns"), Case.Script);
    TRun Run = RunVnideGuarded("edit " + Form + " U --check --script " + Dir.File("session.vns"));
    EXPECT_EQ(Run.ExitCode, 4) << Case.SQL << "\n" << Run.Output;
    EXPECT_NE(Run.Output.find(Case.Expected), std::string::npos) << Case.SQL << "\n" << Run.Output;
    EXPECT_NE(Run.Output.find("Nothing was saved (--check)"), std::string::npos) << Run.Output;
    EXPECT_EQ(ReadFileText(Form), Text) << Case.SQL;
    // Without --check the findings are shown and the statements saved as the person chose.
    Run = RunVnideGuarded("edit " + Form + " U --script " + Dir.File("session.vns"));
    EXPECT_NE(Run.Output.find(Case.Expected), std::string::npos) << Run.Output;
  }

  // The path that works: every column the query selects comes from the table.
  const std::string Form = Dir.File("good.vfm");
  WriteFileText(Form, FormOf("select order_no, line_no, qty, ref from orders", "shop.db"));
  WriteFileText(Dir.File("session.vns"), Accept);
  const TRun Run = RunVnideGuarded("edit " + Form + " U --check --script " + Dir.File("session.vns"));
  EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_NE(Run.Output.find("Check of U's statements on their database: ok, 4 statement(s) checked"), std::string::npos)
      << Run.Output;
}

}  // namespace
