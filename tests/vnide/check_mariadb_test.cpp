// vnide on the run's private MariaDB server: the sample shop's editor session,
// check --fix on the natural path that fails, dry runs that leave the database
// as it was, and a server that cannot be reached.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "rtl/SysUtils.h"
#include "support/mariadb_test_server.h"
#include "support/temp_dir.h"
#include "vnide_process.h"

namespace {

using testing::HasSubstr;
using testing::Not;
using vn_test::RunVnideGuarded;

std::string ReadFile(const std::string& Name) {
  std::ifstream In(Name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), {});
}

class MariaDbCheck : public testing::Test {
 protected:
  MariaDbCheck()
      : Registry{"VNIDE_REGISTRY", Dir.File("registry.reg")}, OptionFolder{"MYSQL_HOME", Dir.Path().string()} {
    Server.CreateDatabase(Database);
    Server.Exec(Database, ReadFile(Examples + "shop_mariadb.sql"));
    Server.CreateAppRole(Database);
    // The form holds no password: the client's option file does, readable by its owner alone.
    const std::string Options = Dir.File("my.cnf");
    std::ofstream(Options) << "[client]\npassword=" << Server.Password() << "\n";
    chmod(Options.c_str(), 0600);
  }
  // The sample form on this server's database, its query's SQL replaced when given.
  std::string Form(const std::string& Name, const std::string& Port, const std::string& QuerySQL = "") {
    std::string Text = ReadFile(Examples + "forms/shop_mariadb.vfm");
    for (const auto& [Mark, Value] : {std::pair{"@HOST@", Server.Host()}, {"@PORT@", Port}, {"@USER@", Database}})
      Text = StringReplaceAll(Text, Mark, Value);
    Text = StringReplaceAll(Text, "'shop'", "'" + Database + "'");
    if (!QuerySQL.empty()) {
      const std::size_t Start = Text.find("    SQL.Strings = ("), End = Text.find(")\n", Start);
      Text.replace(Start, End + 2 - Start, "    SQL.Strings = (\n      '" + QuerySQL + "')\n");
    }
    std::ofstream(Dir.File(Name)) << Text;
    return Dir.File(Name);
  }

  const std::string Examples = std::string(VN_SOURCE_DIR) + "/examples/";
  vn_test::TTempDir Dir;
  vn_test::TScopedEnv Registry, OptionFolder;
  vn_test::TMariaDbServer Server;
  const std::string Database =
      "t_vnide_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()).substr(0, 20);
};

TEST_F(MariaDbCheck, TheEditorsStatementsPassADryRunThatLeavesTheDatabaseAsItWas) {
  const std::string Shop = Form("shop.vfm", Server.Port());
  vn_test::TRun Run = RunVnideGuarded("edit " + Shop + " OrdersUpdate --script " + Examples + "orders_session.vns");
  EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_THAT(Run.Output,
              HasSubstr("Check of OrdersUpdate's statements on their database: ok, 4 statement(s) checked"));
  const std::string Before = Server.Dump(Database);
  Run = RunVnideGuarded("check --dry-run " + Shop);
  EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_THAT(Run.Output, HasSubstr("OrdersUpdate: ok (dry run)"));
  EXPECT_EQ(Server.Dump(Database), Before);

  // The natural path: every column an update field, of a query that selects
  // only some. check --fix has the editor write what fits, and saves it.
  const std::string Natural = Form("natural.vfm", Server.Port(),
                                   "select order_no, line_no, cust_no, item_no, qty as quantity, price from orders");
  Run = RunVnideGuarded("edit " + Natural + " OrdersUpdate --script " + Examples + "orders_session.vns");
  EXPECT_THAT(Run.Output, HasSubstr("finding(s)"));
  Run = RunVnideGuarded("check --fix " + Natural);
  EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_THAT(Run.Output, HasSubstr("OrdersUpdate: new statements pass a dry run"));
  EXPECT_THAT(Run.Output, HasSubstr("natural.vfm: saved"));
  Run = RunVnideGuarded("check --dry-run " + Natural);
  EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_EQ(Server.Dump(Database), Before);
}

TEST_F(MariaDbCheck, AServerThatCannotBeReachedIsAnErrorNamingHostAndDatabaseAndNothingIsSaved) {
  const std::string Closed = Trim(vn_test::RunShell("python3 -c 'import socket; s=socket.socket(); "
                                                    "s.bind((\"127.0.0.1\", 0)); print(s.getsockname()[1])'")
                                      .Output);
  const std::string Shop = Form("shop.vfm", Closed);
  const std::string Text = ReadFile(Shop);
  for (const char* Command : {"check --fix ", "check --dry-run "}) {
    const vn_test::TRun Run = RunVnideGuarded(Command + Shop);
    EXPECT_EQ(Run.ExitCode, 1) << Run.Output;
    EXPECT_THAT(Run.Output,
                HasSubstr("Cannot connect to MariaDB database \"" + Database + "\" on host 127.0.0.1 port " + Closed));
    EXPECT_THAT(Run.Output, Not(HasSubstr(Server.Password())));
  }
  EXPECT_EQ(ReadFile(Shop), Text);
}

// The option file's password is for a server on this machine: a form that
// names the same server another way ("127.1") is not given it.
TEST_F(MariaDbCheck, TheOptionFilesPasswordGoesOnlyToAServerOnThisMachine) {
  std::string Text = ReadFile(Form("shop.vfm", Server.Port()));
  const std::string Elsewhere = Dir.File("elsewhere.vfm");
  std::ofstream(Elsewhere) << StringReplaceAll(Text, "'HOST=127.0.0.1'", "'HOST=127.1'");
  const vn_test::TRun Run = RunVnideGuarded("check " + Elsewhere);
  EXPECT_EQ(Run.ExitCode, 1) << Run.Output;
  EXPECT_THAT(Run.Output, HasSubstr("on host 127.1 port " + Server.Port()));
  EXPECT_THAT(Run.Output, HasSubstr("using password: NO"));
}

}  // namespace
