// vnide check on real databases: each finding on a schema built to provoke it,
// dry runs that leave the database as it was, and servers that cannot be used.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

#include "rtl/SysUtils.h"
#include "support/pg_test_server.h"
#include "support/temp_dir.h"
#include "vnide_process.h"

namespace {

using testing::HasSubstr;
using testing::Not;
using vn_test::RunVnideGuarded;

std::string Quoted(const std::string& Line) {
  std::string Result = "'";
  for (const char C : Line) Result += C == '\'' ? std::string("''") : std::string(1, C);
  return Result + "'";
}

// "    Name.Strings = (\n      'line'\n      'line')" of an SQL text, lines split at "\n".
std::string StringList(const std::string& Name, const std::string& Text) {
  if (Text.empty()) return "";
  std::string Result = "    " + Name + ".Strings = (";
  std::istringstream In(Text);
  std::string Line;
  while (std::getline(In, Line)) Result += "\n      " + Quoted(Line);
  return Result + ")\n";
}

struct TStatements {
  std::string Query, Modify, Insert = "", Delete = "", Refresh = "";
};

// A data module with one database, one query and its update object.
std::string FormText(const std::string& DatabaseLines, const TStatements& S) {
  return "object CheckModule: TCheckModule\n  object Db: TVNDatabase\n    DatabaseName = 'checkdb'\n" +
         DatabaseLines + "  end\n  object Query: TVNQuery\n    DatabaseName = 'checkdb'\n" +
         StringList("SQL", S.Query) + "    UpdateObject = Upd\n  end\n  object Upd: TVNUpdateSQL\n" +
         StringList("RefreshSQL", S.Refresh) + StringList("ModifySQL", S.Modify) + StringList("InsertSQL", S.Insert) +
         StringList("DeleteSQL", S.Delete) + "  end\nend\n";
}

std::string ReadFile(const std::string& Name) {
  std::ifstream In(Name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), {});
}

constexpr const char* PgSchema = R"(
CREATE TABLE orders (order_no int NOT NULL, line_no int NOT NULL, qty int NOT NULL, price numeric(8,2),
                     total numeric GENERATED ALWAYS AS (qty * price) STORED, PRIMARY KEY (order_no, line_no));
CREATE TABLE audit_log (message text);
CREATE TABLE codes (code text, descr text);
CREATE UNIQUE INDEX codes_code ON codes (code);
CREATE TABLE readings (value double precision PRIMARY KEY, note text);
CREATE TABLE "Items" ("ItemNo" int PRIMARY KEY, descr text);
INSERT INTO orders VALUES (1, 1, 2, 3.50), (1, 2, 5, 1.25), (2, 1, 1, 9.99);
INSERT INTO audit_log VALUES ('a'), ('a');
INSERT INTO codes VALUES ('x', 'one');
INSERT INTO readings VALUES (0.1, 'low');
INSERT INTO "Items" VALUES (1, 'lamp');
)";

// The statements the UpdateSQL editor writes for orders, fields as the query names them.
const TStatements CleanOrders = {
    "select order_no, line_no, qty as quantity, price from orders",
    "update orders\nset\n  order_no = :order_no,\n  line_no = :line_no,\n  qty = :quantity,\n  price = :price\n"
    "where\n  order_no = :OLD_order_no and\n  line_no = :OLD_line_no",
    "insert into orders\n  (order_no, line_no, qty, price)\nvalues\n  (:order_no, :line_no, :quantity, :price)",
    "delete from orders\nwhere\n  order_no = :OLD_order_no and\n  line_no = :OLD_line_no",
    "select order_no, line_no, qty as quantity, price\nfrom orders\nwhere\n  order_no = :OLD_order_no and\n"
    "  line_no = :OLD_line_no"};

class Check : public testing::Test {
 protected:
  Check() : Registry{"VNIDE_REGISTRY", Dir.File("registry.reg")} {}

  std::string PgDatabaseLines(const std::string& Database, const std::string& Port, const std::string& Password) {
    return "    RemoteDatabase = '" + Database + "'\n    ServerType = stPostgreSQL\n    Params.Strings = (\n" +
           "      'HOST=127.0.0.1'\n      'PORT=" + Port + "'\n      'USER NAME=" + Server.User() + "'\n" +
           "      'PASSWORD=" + Password + "'\n      'CONNECT TIMEOUT=5')\n";
  }
  std::string WriteForm(const std::string& Name, const std::string& Text) {
    std::ofstream(Dir.File(Name)) << Text;
    return Dir.File(Name);
  }

  vn_test::TTempDir Dir;
  vn_test::TScopedEnv Registry;
  vn_test::TPgServer Server;
};

TEST_F(Check, EachFindingOnASchemaBuiltToProvokeIt) {
  const std::string Database = vn_test::TestDatabaseName();
  Server.CreateDatabase(Database);
  Server.Exec(Database, PgSchema);
  struct TCase {
    TStatements Statements;
    std::string Expected;
  };
  const std::vector<TCase> Cases = {
      {{"select order_no, line_no from orders", "update orders set line_no = :line_no\nwhere nosuch = :OLD_order_no"},
       "Upd.ModifySQL: does not compile: column \"nosuch\" does not exist at line 2, column 7"},
      {{"select order_no, line_no, qty from orders",
        "update orders set qty = :quantity where order_no = :OLD_order_no and line_no = :OLD_line_no"},
       "Upd.ModifySQL: parameter :quantity is filled by no field of Query"},
      {{"select order_no, line_no, qty, price from orders",
        "update orders set qty = :qty where order_no = :OLD_order_no and line_no = :OLD_line_no"},
       "Upd.ModifySQL: field price (orders.price) is written by no statement"},
      {{"select order_no from orders", "", "", "delete from orders"}, "Upd.DeleteSQL: no key"},
      {{"select message from audit_log", "", "", "delete from audit_log where message = :OLD_message"},
       "Upd.DeleteSQL: key (message) is not unique"},
      {{"select code from codes", "", "", "delete from codes where code = :OLD_code"},
       "Upd.DeleteSQL: key column code allows NULL"},
      {{"select value from readings", "", "", "delete from readings where value = :OLD_value"},
       "Upd.DeleteSQL: key column value is floating-point"},
      {{"select order_no, line_no, total from orders",
        "update orders set total = :total where order_no = :OLD_order_no and line_no = :OLD_line_no"},
       "Upd.ModifySQL: column total cannot be written (generated or computed)"},
      {{"select \"ItemNo\", descr from \"Items\"", "update Items set descr = :descr where ItemNo = :OLD_ItemNo"},
       "Upd.ModifySQL: identifier ItemNo must be quoted as \"ItemNo\""},
      {{"select message from audit_log", "", "", "", "select message from audit_log where message = :OLD_message"},
       "Upd.RefreshSQL: dry run affected 2 rows instead of exactly one"},
  };
  for (std::size_t I = 0; I < Cases.size(); ++I) {
    const std::string Form =
        WriteForm("case" + std::to_string(I) + ".vfm",
                  FormText(PgDatabaseLines(Database, Server.Port(), Server.Password()), Cases[I].Statements));
    const vn_test::TRun Run = RunVnideGuarded("check --dry-run " + Form);
    EXPECT_EQ(Run.ExitCode, 4) << Run.Output;
    EXPECT_THAT(Run.Output, HasSubstr(Cases[I].Expected)) << Run.Output;
  }
}

TEST_F(Check, DryRunsProveGoodStatementsAndLeaveTheDatabaseByteForByte) {
  const std::string Database = vn_test::TestDatabaseName();
  Server.CreateDatabase(Database);
  Server.Exec(Database, PgSchema);
  const std::string PgForm = WriteForm("pg.vfm", FormText(PgDatabaseLines(Database, Server.Port(), Server.Password()), CleanOrders));
  const std::string Before = Server.Dump(Database);

  const std::string SQLiteFile = Dir.File("shop.db");
  ASSERT_EQ(vn_test::RunShell("sqlite3 " + SQLiteFile +
                              " \"CREATE TABLE orders (order_no INTEGER NOT NULL, line_no INTEGER NOT NULL,"
                              " qty INTEGER NOT NULL, price NUMERIC, PRIMARY KEY (order_no, line_no));"
                              " INSERT INTO orders VALUES (1, 1, 2, 3.5), (1, 2, 5, 1.25);\"")
                .ExitCode,
            0);
  const std::string SQLiteForm = WriteForm("shop.vfm", FormText("    RemoteDatabase = 'shop.db'\n", CleanOrders));
  const std::string SQLiteBefore = ReadFile(SQLiteFile);

  const vn_test::TRun Run = RunVnideGuarded("check --dry-run --json " + PgForm + " " + SQLiteForm, vn_test::seDropped);
  EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
  const auto Json = nlohmann::json::parse(Run.Output);
  EXPECT_EQ(Json["findings"], 0);
  ASSERT_EQ(Json["updateObjects"].size(), 2u);
  for (const auto& Object : Json["updateObjects"]) EXPECT_TRUE(Object["notes"].empty()) << Object.dump();
  EXPECT_EQ(Server.Dump(Database), Before);
  EXPECT_EQ(ReadFile(SQLiteFile), SQLiteBefore);
  EXPECT_EQ(ReadFile(PgForm), FormText(PgDatabaseLines(Database, Server.Port(), Server.Password()), CleanOrders))
      << "never saved";
}

TEST_F(Check, ServersThatCannotBeUsedAreErrorsNamingHostAndDatabase) {
  const std::string Database = vn_test::TestDatabaseName();
  Server.CreateDatabase(Database);
  const std::string Closed = Trim(vn_test::RunShell("python3 -c 'import socket; s=socket.socket(); "
                                                    "s.bind((\"127.0.0.1\", 0)); print(s.getsockname()[1])'")
                                      .Output);
  struct TCase {
    std::string Port, Password, Expected;
  };
  const std::vector<TCase> Cases = {
      {Closed, Server.Password(), "Connection refused"},
      {Server.Port(), "not-the-password", "password authentication failed"},
  };
  for (const TCase& Case : Cases) {
    const std::string Form = WriteForm("bad.vfm", FormText(PgDatabaseLines(Database, Case.Port, Case.Password), CleanOrders));
    const vn_test::TRun Run = RunVnideGuarded("check " + Form);
    EXPECT_EQ(Run.ExitCode, 1) << Run.Output;
    EXPECT_THAT(Run.Output, HasSubstr(Case.Expected));
    EXPECT_THAT(Run.Output, HasSubstr("database \"" + Database + "\" on host 127.0.0.1 port " + Case.Port));
    EXPECT_THAT(Run.Output, Not(HasSubstr(Case.Password)));
  }

  // The server ends the session halfway: the dry run's refresh statement has
  // the server terminate the connection it runs on.
  Server.Exec(Database, PgSchema);
  TStatements Killing = CleanOrders;
  Killing.Refresh += " and pg_terminate_backend(pg_backend_pid())";
  const std::string Form = WriteForm("lost.vfm", FormText(PgDatabaseLines(Database, Server.Port(), Server.Password()), Killing));
  const std::string Before = Server.Dump(Database);
  const vn_test::TRun Run = RunVnideGuarded("check --dry-run " + Form);
  EXPECT_EQ(Run.ExitCode, 1) << Run.Output;
  EXPECT_THAT(Run.Output, HasSubstr("Lost the connection to PostgreSQL database \"" + Database + "\" on host 127.0.0.1"));
  EXPECT_EQ(Server.Dump(Database), Before);
}

}  // namespace
