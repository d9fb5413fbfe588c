// vnide check on real databases: each finding on a schema built to provoke it,
// dry runs that leave the database as it was, and servers that cannot be used.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sqlite3.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "rtl/SysUtils.h"
#include "sqlite_fixture.h"
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
CREATE VIEW v_bookings AS SELECT order_no, count(*) AS n FROM orders GROUP BY order_no;
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

  std::string PgDatabaseLines(const std::string& Database, const std::string& Port, const std::string& Password,
                              const std::string& User) {
    return "    RemoteDatabase = '" + Database + "'\n    ServerType = stPostgreSQL\n    Params.Strings = (\n" +
           "      'HOST=127.0.0.1'\n      'PORT=" + Port + "'\n      'USER NAME=" + User + "'\n" +
           "      'PASSWORD=" + Password + "'\n      'CONNECT TIMEOUT=5')\n";
  }
  // The database lines of a form that connects to Database as User (by
  // default an ordinary role, as an application would).
  std::string PgLines(const std::string& Database, const std::string& User = "") {
    return PgDatabaseLines(Database, Server.Port(), Server.Password(), User.empty() ? Database : User);
  }
  // A fresh database with Schema, and its application role.
  std::string PgDatabase(const std::string& Schema) {
    const std::string Database = vn_test::TestDatabaseName();
    Server.CreateDatabase(Database);
    Server.Exec(Database, Schema);
    Server.CreateAppRole(Database);
    return Database;
  }
  // shop.db beside the forms: the orders of CleanOrders with Rows, and More after them.
  std::string SQLiteOrders(const std::string& Rows, const std::string& More = "") {
    const std::string File = Dir.File("shop.db");
    vn_test::RunSQLiteScript(File, "CREATE TABLE orders (order_no INTEGER NOT NULL, line_no INTEGER NOT NULL,"
                                   " qty INTEGER NOT NULL, price NUMERIC, PRIMARY KEY (order_no, line_no));"
                                   " INSERT INTO orders VALUES " + Rows + ";" + More);
    return File;
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
  const std::string Database = PgDatabase(PgSchema);
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
       "Upd.ModifySQL: writes no column for fields order_no, line_no, price\n"},
      {{"select order_no, line_no, qty as quantity, price from orders",
        "update orders set order_no = :order_no where order_no = :OLD_order_no and line_no = :OLD_line_no"},
       "Upd.ModifySQL: writes no column for fields line_no, quantity (orders.qty), price\n"},
      {{"select order_no from orders", "", "", "delete from orders"}, "Upd.DeleteSQL: no key"},
      {{"select message from audit_log", "", "", "delete from audit_log where message = :OLD_message"},
       "Upd: audit_log has no primary key or unique index: no statement can name exactly one row\n"},
      {{"select code from codes", "update codes set code = :code where code = :OLD_code", "",
        "delete from codes where code = :OLD_code"},
       "Upd: key column code allows NULL"},
      {{"select order_no, n from v_bookings", "update v_bookings set n = :n where order_no = :OLD_order_no"},
       "Upd: v_bookings is a view: statements that write it fail\n"},
      {{"select value from readings", "", "", "delete from readings where value = :OLD_value"},
       "Upd: key column value is floating-point"},
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
                  FormText(PgLines(Database), Cases[I].Statements));
    const vn_test::TRun Run = RunVnideGuarded("check --dry-run " + Form);
    EXPECT_EQ(Run.ExitCode, 4) << Run.Output;
    EXPECT_THAT(Run.Output, HasSubstr(Cases[I].Expected)) << Run.Output;
  }

  // SQLite compares names without regard to the case of ASCII letters only.
  sqlite3* Clinic = nullptr;
  ASSERT_EQ(sqlite3_open(Dir.File("clinic.db").c_str(), &Clinic), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(Clinic, "CREATE TABLE staff (id INTEGER PRIMARY KEY, \"\u00c4rzte\" TEXT NOT NULL)", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(Clinic);
  const std::string Form = WriteForm("clinic.vfm", FormText("    RemoteDatabase = 'clinic.db'\n",
                                                            {"select id, \"\u00c4rzte\" from staff",
                                                             "update staff set \u00e4rzte = :\"\u00c4rzte\" where id = :OLD_id"}));
  const vn_test::TRun Run = RunVnideGuarded("check " + Form);
  EXPECT_EQ(Run.ExitCode, 4) << Run.Output;
  EXPECT_THAT(Run.Output, HasSubstr("Upd.ModifySQL: identifier \u00e4rzte must be quoted as \"\u00c4rzte\": unquoted, "
                                    "SQLite matches only ASCII letters without regard to case"));
}

// The statements the editor writes with Quote Field Names on.
TStatements Quoted(const TStatements& S) {
  auto Quote = [](std::string Text) {
    for (const char* Name : {"orders", "order_no", "line_no", "qty", "price"}) {
      std::string Result;
      const std::string Word = Name;
      for (std::size_t I = 0; I < Text.size();) {
        const bool Boundary = (I == 0 || !std::isalnum(static_cast<unsigned char>(Text[I - 1]))) &&
                              Text.compare(I, Word.size(), Word) == 0 &&
                              (I + Word.size() == Text.size() || !std::isalnum(static_cast<unsigned char>(Text[I + Word.size()])));
        const bool Parameter = I > 0 && (Text[I - 1] == ':' || Text[I - 1] == '_');
        if (Boundary && !Parameter) {
          Result += "\"" + Word + "\"";
          I += Word.size();
        } else {
          Result += Text[I++];
        }
      }
      Text = Result;
    }
    // :name and :OLD_name as quoted parameters.
    std::string Result;
    for (std::size_t I = 0; I < Text.size(); ++I) {
      if (Text[I] != ':') {
        Result += Text[I];
        continue;
      }
      std::size_t End = I + 1;
      while (End < Text.size() && (std::isalnum(static_cast<unsigned char>(Text[End])) || Text[End] == '_')) ++End;
      Result += ":\"" + Text.substr(I + 1, End - I - 1) + "\"";
      I = End - 1;
    }
    return Result;
  };
  return {S.Query, Quote(S.Modify), Quote(S.Insert), Quote(S.Delete), Quote(S.Refresh)};
}

TEST_F(Check, QuotedAndUnquotedStatementsAreProvedAlikeAndLeaveTheDatabaseByteForByte) {
  const std::string Database = PgDatabase(PgSchema);
  const std::string Before = Server.Dump(Database);
  const std::string SQLiteFile = SQLiteOrders("(1, 1, 2, 3.5), (1, 2, 5, 1.25)");
  const std::string SQLiteBefore = ReadFile(SQLiteFile);
  ASSERT_THAT(Quoted(CleanOrders).Modify, HasSubstr("update \"orders\"\nset\n  \"order_no\" = :\"order_no\","));

  for (const TStatements& Statements : {CleanOrders, Quoted(CleanOrders)}) {
    const std::string PgForm = WriteForm("pg.vfm", FormText(PgLines(Database), Statements));
    const std::string SQLiteForm = WriteForm("shop.vfm", FormText("    RemoteDatabase = 'shop.db'\n", Statements));
    const vn_test::TRun Run = RunVnideGuarded("check --dry-run --json " + PgForm + " " + SQLiteForm, vn_test::seDropped);
    EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
    const auto Json = nlohmann::json::parse(Run.Output);
    EXPECT_EQ(Json["findings"], 0) << Run.Output;
    EXPECT_EQ(Json["checked"], 8) << "every statement ran in the dry run: " << Run.Output;
    EXPECT_EQ(Json["notChecked"], 0) << Run.Output;
    EXPECT_EQ(Server.Dump(Database), Before);
    EXPECT_EQ(ReadFile(SQLiteFile), SQLiteBefore);
    EXPECT_EQ(ReadFile(PgForm), FormText(PgLines(Database), Statements)) << "never saved";
  }

  // Twins with the same faults give the same findings.
  TStatements Faulty = CleanOrders;
  Faulty.Modify = "update orders set qty = :quantity where order_no = :OLD_order_no";
  Faulty.Delete = "delete from orders where order_no = :OLD_order_no and line_no = :OLD_line_no and qty = :OLD_qty";
  std::vector<std::string> Findings;
  for (const TStatements& Statements : {Faulty, Quoted(Faulty)}) {
    const vn_test::TRun Run = RunVnideGuarded("check --json " + WriteForm("pg.vfm", FormText(PgLines(Database), Statements)),
                                              vn_test::seDropped);
    EXPECT_EQ(Run.ExitCode, 4) << Run.Output;
    Findings.push_back(nlohmann::json::parse(Run.Output)["updateObjects"][0]["findings"].dump());
  }
  EXPECT_EQ(Findings[0], Findings[1]);
  EXPECT_THAT(Findings[0], HasSubstr("key (order_no) is not unique"));
  EXPECT_THAT(Findings[0], HasSubstr("parameter :OLD_qty (no field qty) is filled by no field of Query"));

  // A quoted name with blanks and a doubled quote in it.
  Server.Exec(Database, "CREATE TABLE \"Order Lines\" (\"line no\" int PRIMARY KEY, \"a\"\"b\" text);"
                        " INSERT INTO \"Order Lines\" VALUES (1, 'x'); GRANT ALL ON \"Order Lines\" TO " + Database);
  const TStatements Odd = {
      "select * from \"Order Lines\"",
      "update \"Order Lines\"\nset\n  \"line no\" = :\"line no\",\n  \"a\"\"b\" = :\"a\"\"b\"\nwhere\n  \"line no\" = :\"OLD_line no\"",
      "insert into \"Order Lines\"\n  (\"line no\", \"a\"\"b\")\nvalues\n  (:\"line no\", :\"a\"\"b\")",
      "delete from \"Order Lines\"\nwhere\n  \"line no\" = :\"OLD_line no\"",
      "select \"line no\", \"a\"\"b\"\nfrom \"Order Lines\"\nwhere\n  \"line no\" = :\"OLD_line no\""};
  const vn_test::TRun Run = RunVnideGuarded("check --dry-run " + WriteForm("odd.vfm", FormText(PgLines(Database), Odd)));
  EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_THAT(Run.Output, HasSubstr("4 statement(s): 4 checked with a dry run, 0 not checked, 0 finding(s)"));
}

// Forms as an attacker would write them: each statement is a finding, nothing
// of it runs, no file appears and the database is as it was, whoever connects.
TEST_F(Check, HostileStatementsAreFindingsAndNothingOfThemRuns) {
  const std::string Database = PgDatabase(PgSchema + std::string("CREATE TABLE tickets (id serial PRIMARY KEY, note text);"
                                                                 "INSERT INTO tickets (note) VALUES ('a');"));
  const std::string SQLiteFile = SQLiteOrders("(1, 1, 2, 3.5), (1, 2, 5, 1.25)");
  const std::string Trap = Dir.File("trap");  // no statement may create it
  struct TCase {
    bool Pg;
    std::string Slot, Statement, Expected;
  };
  const std::vector<TCase> Cases = {
      {true, "Delete", "copy orders from program 'touch " + Trap + "'", "DeleteSQL: is a COPY statement, not a DELETE"},
      {true, "Delete", "copy orders to '" + Trap + "'", "DeleteSQL: is a COPY statement, not a DELETE"},
      {true, "Insert", "copy orders to program 'tee " + Trap + "'", "InsertSQL: is a COPY statement, not an INSERT"},
      {true, "Modify", "update orders set qty = 1 where order_no = :OLD_order_no; drop table orders",
       "ModifySQL: holds more than one statement"},
      {true, "Delete", "commit", "DeleteSQL: is a COMMIT statement, not a DELETE"},
      {true, "Modify", "set role " + Server.User(), "ModifySQL: is a SET ROLE statement, not an UPDATE"},
      {true, "Insert", "create table pwned (x int)", "InsertSQL: is a CREATE TABLE statement, not an INSERT"},
      {true, "Refresh", "with gone as (delete from orders returning *) select * from gone",
       "RefreshSQL: holds a WITH query that writes rows (DELETE)"},
      {true, "Refresh", "select pg_read_file('/etc/passwd')", "RefreshSQL: calls pg_read_file"},
      {true, "Refresh", "select nextval('tickets_id_seq')", "RefreshSQL: calls nextval"},
      {true, "Delete", "delete from orders where order_no = :OLD_order_no and lo_export(1, '" + Trap + "') = 1",
       "DeleteSQL: calls lo_export"},
      {true, "Refresh", "select * into pwned from orders", "RefreshSQL: creates a table (SELECT INTO)"},
      {false, "Delete", "attach database '" + Trap + "' as trap", "DeleteSQL: is an ATTACH statement, not a DELETE"},
      {false, "Delete", "vacuum into '" + Trap + "'", "DeleteSQL: is a VACUUM statement, not a DELETE"},
      {false, "Modify", "pragma writable_schema = 1", "ModifySQL: is a PRAGMA statement, not an UPDATE"},
      {false, "Refresh", "select load_extension('" + Trap + "')", "RefreshSQL: calls load_extension"},
      {false, "Modify", "update orders set qty = 1 where order_no = :OLD_order_no; drop table orders",
       "ModifySQL: holds more than one statement"},
      {false, "Insert", "create table pwned (x int)", "InsertSQL: is a CREATE TABLE statement, not an INSERT"},
      {false, "Delete", "commit", "DeleteSQL: is a COMMIT statement, not a DELETE"},
  };
  const std::string PgBefore = Server.Dump(Database);
  const std::string SQLiteBefore = ReadFile(SQLiteFile);
  for (const TCase& Case : Cases) {
    TStatements Statements = CleanOrders;
    std::string& Slot = Case.Slot == "Modify" ? Statements.Modify : Case.Slot == "Insert" ? Statements.Insert
                        : Case.Slot == "Delete" ? Statements.Delete : Statements.Refresh;
    Slot = Case.Statement;
    // As the ordinary role, and as the superuser once allowed: the vetting alone stops them.
    for (const std::string& User : Case.Pg ? std::vector<std::string>{"", Server.User()} : std::vector<std::string>{""}) {
      const std::string Form = WriteForm("hostile.vfm", FormText(Case.Pg ? PgLines(Database, User) : "    RemoteDatabase = 'shop.db'\n", Statements));
      for (const char* Mode : {"check ", "check --dry-run --allow-superuser "}) {
        const vn_test::TRun Run = RunVnideGuarded(Mode + Form);
        EXPECT_EQ(Run.ExitCode, 4) << Case.Statement << "\n" << Run.Output;
        EXPECT_THAT(Run.Output, HasSubstr("Upd." + Case.Expected)) << Run.Output;
        EXPECT_FALSE(FileExists(Trap)) << Case.Statement;
      }
    }
  }
  EXPECT_EQ(Server.Dump(Database), PgBefore);
  EXPECT_EQ(ReadFile(SQLiteFile), SQLiteBefore);
}

TEST_F(Check, ADryRunRefusesASuperuserUnlessAllowedAndNeverAdvancesASequence) {
  const std::string Database = PgDatabase(PgSchema + std::string("CREATE TABLE tickets (id serial PRIMARY KEY, note text);"
                                                                 "INSERT INTO tickets (note) VALUES ('a');"));
  const std::string Before = Server.Dump(Database);
  const std::string Form = WriteForm("su.vfm", FormText(PgLines(Database, Server.User()), CleanOrders));
  vn_test::TRun Run = RunVnideGuarded("check --dry-run " + Form);
  EXPECT_EQ(Run.ExitCode, 1) << Run.Output;
  EXPECT_THAT(Run.Output, HasSubstr("does not run a form's statements as " + Server.User() + ", a superuser"));
  EXPECT_THAT(Run.Output, HasSubstr("--allow-superuser"));
  EXPECT_EQ(RunVnideGuarded("check " + Form).ExitCode, 0) << "a plain check runs nothing of the form's";
  EXPECT_EQ(RunVnideGuarded("check --dry-run --allow-superuser " + Form).ExitCode, 0);

  // The insert would draw the next ticket number: not run, and said so.
  const TStatements Tickets = {"select id, note from tickets", "", "insert into tickets (note) values (:note)"};
  Run = RunVnideGuarded("check --dry-run " + WriteForm("tickets.vfm", FormText(PgLines(Database), Tickets)));
  EXPECT_EQ(Run.ExitCode, 4) << Run.Output;
  EXPECT_THAT(Run.Output, HasSubstr("Upd.InsertSQL: not checked: not run: it would advance sequence tickets_id_seq\n"));
  EXPECT_THAT(Run.Output, HasSubstr("1 statement(s): 0 checked with a dry run, 1 not checked, 0 finding(s)"));
  EXPECT_THAT(Run.Output, Not(HasSubstr("writes no column for field id"))) << "the server numbers it";
  EXPECT_EQ(Server.Dump(Database), Before);
}

TEST_F(Check, WhatCouldNotBeCheckedFailsTheCheckUnlessAllowed) {
  const std::string Database = PgDatabase(PgSchema + std::string("DELETE FROM orders;"));
  const std::string Form = WriteForm("empty.vfm", FormText(PgLines(Database), CleanOrders));
  vn_test::TRun Run = RunVnideGuarded("check --dry-run " + Form);
  EXPECT_EQ(Run.ExitCode, 4) << Run.Output;
  EXPECT_THAT(Run.Output, HasSubstr("Upd.RefreshSQL, ModifySQL, DeleteSQL, InsertSQL: not checked: not run: orders has "
                                    "no row to try the statements on\n"));
  EXPECT_THAT(Run.Output, HasSubstr("1 update object(s), 4 statement(s): 0 checked with a dry run, 4 not checked, 0 finding(s)"));
  EXPECT_EQ(RunVnideGuarded("check --dry-run --allow-unchecked " + Form).ExitCode, 0);
}

// Another session's lock ends the check within the time limit, naming the lock.
TEST_F(Check, ALockHeldByAnotherSessionEndsTheCheckWithinItsTimeout) {
  const std::string Database = PgDatabase(PgSchema);
  const auto Holder = Server.Open(Database);
  ASSERT_TRUE(Holder->Run("BEGIN; LOCK TABLE orders IN ACCESS EXCLUSIVE MODE"));
  const std::string PgForm = WriteForm("pg.vfm", FormText(PgLines(Database), CleanOrders));

  const std::string SQLiteFile = SQLiteOrders("(1, 1, 2, 3.5)");
  sqlite3* Writer = nullptr;
  ASSERT_EQ(sqlite3_open(SQLiteFile.c_str(), &Writer), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(Writer, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  const std::string SQLiteForm = WriteForm("shop.vfm", FormText("    RemoteDatabase = 'shop.db'\n", CleanOrders));

  struct TCase {
    std::string Form, Expected;
  };
  for (const TCase& Case : {TCase{PgForm, "not checked: the server gave up waiting (time limit 1 s): canceling statement due to lock timeout"},
                            TCase{SQLiteForm, "not checked: the server gave up waiting (time limit 1 s): database is locked"}}) {
    const auto Start = std::chrono::steady_clock::now();
    const vn_test::TRun Run = RunVnideGuarded("check --dry-run --timeout 1 " + Case.Form);
    EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(20)) << "never hangs";
    EXPECT_EQ(Run.ExitCode, 4) << Run.Output;
    EXPECT_THAT(Run.Output, HasSubstr(Case.Expected)) << Run.Output;
  }
  sqlite3_close(Writer);
}

// A project's forms in CI: a folder checked in parallel gives what one job
// gives, and the reports a CI system reads are well-formed.
TEST_F(Check, AFolderOfFormsGivesTheSameFindingsInAnyJobsAndReportsCIReads) {
  const std::filesystem::path Examples = std::filesystem::path(VN_SOURCE_DIR) / "examples";
  const std::filesystem::path Project = Dir.Path() / "project";
  std::filesystem::create_directories(Project);
  std::filesystem::copy(Examples / "forms", Project / "forms", std::filesystem::copy_options::recursive);
  std::filesystem::create_directories(Project / "more");
  std::filesystem::copy_file(Examples / "forms" / "shop_orders.vfm", Project / "more" / "orders.vfm");
  for (const auto& [Script, Database] : {std::pair{"shop.sql", "forms/shop.db"}, {"drifted.sql", "forms/drifted.db"},
                                         {"shop.sql", "more/shop.db"}})
    ASSERT_EQ(vn_test::RunShell("sqlite3 " + (Project / Database).string() + " < " + (Examples / Script).string()).ExitCode, 0);

  std::string Json[2];
  for (int Jobs = 1; Jobs <= 2; ++Jobs) {
    const vn_test::TRun Run = RunVnideGuarded("check -j " + std::to_string(Jobs) + " --format json " + Project.string(),
                                              vn_test::seDropped);
    EXPECT_EQ(Run.ExitCode, 1) << "shop_pg.vfm and shop_mariadb.vfm name servers that are not there: " << Run.Output;
    Json[Jobs - 1] = Run.Output;
  }
  EXPECT_EQ(Json[0], Json[1]);
  const auto Report = nlohmann::json::parse(Json[0]);
  EXPECT_EQ(Report["forms"], 7);
  EXPECT_GT(Report["findings"], 0);
  EXPECT_EQ(Report["errors"].size(), 2u) << Report["errors"];

  // JUnit as CI tools read it: one test case per update object.
  const std::string Validate = std::string(VN_SOURCE_DIR) + "/tests/support/validate_report.py";
  const std::string JUnit = Dir.File("junit.xml");
  vn_test::RunShell(vn_test::VnideProgram() + " check --format junit " + Project.string() + " > " + JUnit);
  const vn_test::TRun Xml = vn_test::RunShell(Validate + " junit " + JUnit + " 2>&1");
  EXPECT_EQ(Xml.ExitCode, 0) << Xml.Output;
  int Cases = 0, Failures = 0;
  std::istringstream(Xml.Output) >> Cases >> Failures;
  EXPECT_EQ(Cases, static_cast<int>(Report["updateObjects"].size()) + 2) << "and one for each form that had an error";
  EXPECT_GT(Failures, 0);

  // SARIF 2.1.0: each result names its rule, its form file and the line of its statement.
  const vn_test::TRun Sarif = RunVnideGuarded("check --format sarif " + Project.string(), vn_test::seDropped);
  vn_test::WriteFileText(Dir.File("check.sarif"), Sarif.Output);
  // The schema comes with the browser tests' node modules (npm ci in tests/browser).
  const vn_test::TRun Valid = vn_test::RunShell(
      Validate + " sarif " + VN_SOURCE_DIR +
      "/tests/browser/node_modules/@microsoft/sarif-multitool-linux/sarif-2.1.0.json " + Dir.File("check.sarif") + " 2>&1");
  EXPECT_EQ(Valid.ExitCode, 0) << Valid.Output;
  const auto Log = nlohmann::json::parse(Sarif.Output);
  EXPECT_EQ(Log["version"], "2.1.0");
  ASSERT_EQ(Log["runs"].size(), 1u);
  std::set<std::string> Rules;
  for (const auto& Rule : Log["runs"][0]["tool"]["driver"]["rules"]) Rules.insert(Rule["id"].get<std::string>());
  bool SawDrifted = false;
  for (const auto& Result : Log["runs"][0]["results"]) {
    EXPECT_TRUE(Rules.count(Result["ruleId"].get<std::string>())) << Result;
    const auto& Where = Result["locations"][0]["physicalLocation"];
    EXPECT_GE(Where["region"]["startLine"].get<int>(), 1);
    if (Where["artifactLocation"]["uri"].get<std::string>().ends_with("drifted.vfm") &&
        Result["message"]["text"].get<std::string>().starts_with("OrdersUpdate.ModifySQL: does not compile")) {
      SawDrifted = true;
      // The line of ModifySQL.Strings in the file.
      const std::string Text = ReadFile((Project / "forms" / "drifted.vfm").string());
      const auto Line = std::count(Text.begin(), Text.begin() + static_cast<std::ptrdiff_t>(Text.find("ModifySQL.Strings")), '\n') + 1;
      EXPECT_EQ(Where["region"]["startLine"].get<long>(), Line);
    }
  }
  EXPECT_TRUE(SawDrifted) << Sarif.Output;
}

// The editor's natural paths that fail, each taken and accepted, then mended
// by check --fix: what can be written is, and passes a dry run; a view and a
// keyless table say why nothing was written.
TEST_F(Check, FixMendsTheNaturalPathsThatFail) {
  const std::string Fixtures = std::string(VN_SOURCE_DIR) + "/tests/browser/fixtures/";
  vn_test::RunSQLiteScript(Dir.File("shop.db"), ReadFile(std::string(VN_SOURCE_DIR) + "/examples/shop.sql") +
                                                    ReadFile(Fixtures + "failing_paths.sql"));
  const std::string Form = WriteForm("paths.vfm", ReadFile(Fixtures + "failing_paths.vfm"));
  const std::pair<const char*, const char*> Paths[] = {
      {"AliasesUpdate", "click btSelectPrimKeys"},
      {"CountsUpdate", "click btGetTableFields\nselect lbKeyFields order_no"},
      {"LogUpdate", "click btGetTableFields\nselect lbKeyFields logged_at"},
      {"TotalsUpdate", "click btGetTableFields\nclick btSelectPrimKeys"},
      {"KeyAliasUpdate", "click btSelectPrimKeys"},
  };
  for (const auto& [Object, Steps] : Paths) {
    WriteForm("session.vns", std::string(Steps) + "\nclick btGenerateSQL\nclick btOk\n");
    const vn_test::TRun Run = RunVnideGuarded("edit " + Form + " " + Object + " --script " + Dir.File("session.vns"));
    EXPECT_EQ(Run.ExitCode, 0) << Object << ": the statements are saved as the person chose\n" << Run.Output;
  }
  vn_test::TRun Run = RunVnideGuarded("check --fix " + Form);
  EXPECT_EQ(Run.ExitCode, 4) << Run.Output;
  for (const char* Says : {"CountsUpdate: nothing generated: order_counts is a view",
                           "LogUpdate: nothing generated: audit_log has no primary key or unique index",
                           "AliasesUpdate: new statements pass a dry run", "TotalsUpdate: new statements pass a dry run",
                           "KeyAliasUpdate: new statements pass a dry run", "paths.vfm: saved"})
    EXPECT_THAT(Run.Output, HasSubstr(Says));
  Run = RunVnideGuarded("check --dry-run " + Form);
  for (const char* Object : {"AliasesUpdate", "TotalsUpdate", "KeyAliasUpdate"})
    EXPECT_THAT(Run.Output, HasSubstr(std::string(Object) + ": ok (dry run)"));
}

// check --fix: the editor's own statements for what fails, proven with a dry
// run and saved; what passes, or cannot be fixed, stays byte for byte.
TEST_F(Check, FixGivesStatementsThatPassAndLeavesTheRestAlone) {
  const std::string Database = PgDatabase(PgSchema);
  SQLiteOrders("(1, 1, 2, 3.5), (1, 2, 5, 1.25)");
  // The statements write price, which the query does not select.
  TStatements Failing = CleanOrders;
  Failing.Query = "select order_no, line_no, qty as quantity from orders";
  for (const std::string& Lines : {PgLines(Database), std::string("    RemoteDatabase = 'shop.db'\n")}) {
    const std::string Form = WriteForm("fix.vfm", FormText(Lines, Failing));
    vn_test::TRun Run = RunVnideGuarded("check --fix " + Form);
    EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
    EXPECT_THAT(Run.Output, HasSubstr("   line_no = :line_no,\n-  qty = :quantity,\n-  price = :price\n+  qty = :quantity\n"))
        << Run.Output;
    EXPECT_THAT(Run.Output, HasSubstr("Upd: new statements pass a dry run\n"));
    EXPECT_THAT(Run.Output, HasSubstr(Form + ": saved\n"));
    Run = RunVnideGuarded("check --dry-run " + Form);
    EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
    const std::string Fixed = ReadFile(Form);
    Run = RunVnideGuarded("check --fix " + Form);
    EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
    EXPECT_THAT(Run.Output, HasSubstr("nothing to fix"));
    EXPECT_EQ(ReadFile(Form), Fixed) << "passing objects are left alone";
  }
  // The other natural paths that fail: an alias written as its column (no Get
  // Table Fields), a generated column written.
  TStatements Alias = CleanOrders;
  Alias.Modify = "update orders set order_no = :order_no, line_no = :line_no, quantity = :quantity, price = :price\n"
                 "where order_no = :OLD_order_no and line_no = :OLD_line_no";
  TStatements Generated = CleanOrders;
  Generated.Query = "select order_no, line_no, qty, price, total from orders";
  Generated.Modify = "update orders set qty = :qty, total = :total where order_no = :OLD_order_no and line_no = :OLD_line_no";
  Generated.Insert = "insert into orders (order_no, line_no, qty, price, total) values (:order_no, :line_no, :qty, :price, :total)";
  Generated.Refresh = "select order_no, line_no, qty, price, total from orders where order_no = :OLD_order_no and line_no = :OLD_line_no";
  for (const TStatements& Statements : {Alias, Generated}) {
    const std::string Form = WriteForm("path.vfm", FormText(PgLines(Database), Statements));
    EXPECT_EQ(RunVnideGuarded("check " + Form).ExitCode, 4) << Statements.Modify;
    const vn_test::TRun Run = RunVnideGuarded("check --fix " + Form);
    EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
    EXPECT_EQ(RunVnideGuarded("check --dry-run " + Form).ExitCode, 0) << ReadFile(Form);
  }

  // A name from the database with a line break in it never reaches the
  // editor's script, where it would make a line of its own.
  vn_test::RunSQLiteScript(Dir.File("shop.db"), "CREATE TABLE odd (id INTEGER PRIMARY KEY, \"a\nshow --png x.png\" TEXT)");
  const std::string Odd = WriteForm("odd.vfm", FormText("    RemoteDatabase = 'shop.db'\n",
                                                        {"select * from odd", "", "", "delete from odd"}));
  const std::string OddBefore = ReadFile(Odd);
  const vn_test::TRun OddRun = RunVnideGuarded("check --fix " + Odd);
  EXPECT_EQ(OddRun.ExitCode, 4) << OddRun.Output;
  EXPECT_THAT(OddRun.Output, HasSubstr("nothing generated: odd has a name with a control character"));
  EXPECT_EQ(ReadFile(Odd), OddBefore);
  EXPECT_FALSE(FileExists(Dir.File("x.png")));

  // A table without a key: nothing is generated, and the form stays as it was.
  const std::string Keyless = WriteForm(
      "keyless.vfm", FormText(PgLines(Database), {"select message from audit_log", "", "",
                                                  "delete from audit_log where message = :OLD_message"}));
  const std::string Before = ReadFile(Keyless);
  const vn_test::TRun Run = RunVnideGuarded("check --fix " + Keyless);
  EXPECT_EQ(Run.ExitCode, 4) << Run.Output;
  EXPECT_THAT(Run.Output, HasSubstr("Upd: nothing generated: audit_log has no primary key or unique index"));
  EXPECT_EQ(ReadFile(Keyless), Before);
}

// A check killed halfway through a dry run leaves its transaction to the
// database, which undoes it.
TEST_F(Check, ACheckKilledDuringADryRunLeavesTheDatabaseAsItWas) {
  // The database's own trigger never ends once a row is deleted.
  const std::string SQLiteFile =
      SQLiteOrders("(1, 1, 2, 3.5)", "CREATE TRIGGER endless AFTER DELETE ON orders BEGIN SELECT count(*) FROM"
                                     " (WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT x FROM c); END;");
  const std::string Before = ReadFile(SQLiteFile);
  const std::string Form = WriteForm("shop.vfm", FormText("    RemoteDatabase = 'shop.db'\n", CleanOrders));
  const vn_test::TRun Run =
      vn_test::RunShell("timeout -s KILL 1 " + vn_test::VnideProgram() + " check --dry-run --timeout 60 " + Form + " 2>&1");
  EXPECT_EQ(Run.ExitCode, 128 + 9) << Run.Output;
  // The next connection finds the journal of the killed one and rolls it back.
  EXPECT_EQ(vn_test::RunShell("sqlite3 " + SQLiteFile + " 'SELECT count(*) FROM orders'").Output, "1\n");
  EXPECT_EQ(ReadFile(SQLiteFile), Before);
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
    const std::string Form =
        WriteForm("bad.vfm", FormText(PgDatabaseLines(Database, Case.Port, Case.Password, Server.User()), CleanOrders));
    const vn_test::TRun Run = RunVnideGuarded("check " + Form);
    EXPECT_EQ(Run.ExitCode, 1) << Run.Output;
    EXPECT_THAT(Run.Output, HasSubstr(Case.Expected));
    EXPECT_THAT(Run.Output, HasSubstr("database \"" + Database + "\" on host 127.0.0.1 port " + Case.Port));
    EXPECT_THAT(Run.Output, Not(HasSubstr(Case.Password)));
  }

  // The server ends the session halfway: the dry run's refresh statement calls
  // a function of the database that has the server end the connection.
  Server.Exec(Database, PgSchema);
  Server.Exec(Database, "CREATE FUNCTION hang_up() RETURNS boolean LANGUAGE sql"
                        " AS 'SELECT pg_terminate_backend(pg_backend_pid())'");
  Server.CreateAppRole(Database);
  TStatements Killing = CleanOrders;
  Killing.Refresh += " and hang_up()";
  const std::string Form = WriteForm("lost.vfm", FormText(PgLines(Database), Killing));
  const std::string Before = Server.Dump(Database);
  const vn_test::TRun Run = RunVnideGuarded("check --dry-run " + Form);
  EXPECT_EQ(Run.ExitCode, 1) << Run.Output;
  EXPECT_THAT(Run.Output, HasSubstr("Lost the connection to PostgreSQL database \"" + Database + "\" on host 127.0.0.1"));
  EXPECT_EQ(Server.Dump(Database), Before);
}

}  // namespace
