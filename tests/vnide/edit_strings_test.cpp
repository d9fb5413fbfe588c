#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/registry_store.h"
#include "support/temp_dir.h"
#include "vnide_process.h"

using namespace vn_test;

namespace {

class VnideEditStrings : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteVarnelStore(Dir.File("registry.reg"), RegQuoted(Dir.Path().string()));
    WriteFileText(Dir.File("shop.vfm"),
                  "object Shop: TShopModule\r\n"
                  "  object OrdersQuery: TVNQuery\r\n"
                  "    SQL.Strings = (\r\n"
                  "      'select * from orders')\r\n"
                  "  end\r\n"
                  "end\r\n");
  }
  TRun EditStrings(const std::string& Args, const std::string& Script) {
    WriteFileText(Dir.File("session.vns"), Script);
    return RunVnideGuarded("edit-strings " + Dir.File("shop.vfm") + " " + Args + " --script " +
                           Dir.File("session.vns") + " --save " + Dir.File("saved.vfm"));
  }

  TTempDir Dir;
  TScopedEnv Registry{"VNIDE_REGISTRY", Dir.File("registry.reg")};
};

TEST_F(VnideEditStrings, SavedModuleTextIsSavedWithTheForm) {
  const TRun Run = EditStrings("OrdersQuery SQL",
                               "help\n"
                               "module show\n"
                               "module text\n"
                               "select order_no\n"
                               "\n"
                               "# from, as typed\n"
                               "..\n"
                               ".\n"
                               "module save dfm.Shop.OrdersQuery.SQL\n"
                               "module close Shop.OrdersQuery.SQL\n");
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_NE(Run.Output.find("[Code editor] dfm.Shop.OrdersQuery.SQL opened\n"), std::string::npos) << Run.Output;
  EXPECT_NE(Run.Output.find("  | select * from orders\n"), std::string::npos) << Run.Output;
  // help at the code editor's prompt tells its own commands, not a form's.
  EXPECT_NE(Run.Output.find("in the code editor"), std::string::npos) << Run.Output;
  EXPECT_EQ(Run.Output.find("commands on a form"), std::string::npos) << Run.Output;
  EXPECT_NE(Run.Output.find("saved into OrdersQuery.SQL"), std::string::npos) << Run.Output;
  const std::string Saved = ReadFileText(Dir.File("saved.vfm"));
  EXPECT_NE(Saved.find("'select order_no'\r\n      ''\r\n      '# from, as typed'\r\n      '.')"), std::string::npos)
      << Saved;
}

TEST_F(VnideEditStrings, UnsavedModuleSavesNothingAndErrorsNameWhatIsWrong) {
  TRun Run = EditStrings("OrdersQuery SQL", "module text\nselect 1\n.\n");
  EXPECT_EQ(Run.ExitCode, 3) << Run.Output;
  EXPECT_NE(Run.Output.find("dfm.Shop.OrdersQuery.SQL not saved"), std::string::npos) << Run.Output;
  EXPECT_FALSE(std::filesystem::exists(Dir.File("saved.vfm")));

  Run = EditStrings("OrdersQuery Params", "");
  EXPECT_EQ(Run.ExitCode, 1);
  EXPECT_NE(Run.Output.find("OrdersQuery.Params is a TParams, not a string list; string lists of OrdersQuery: SQL"),
            std::string::npos)
      << Run.Output;
  Run = EditStrings("NoSuch SQL", "");
  EXPECT_NE(Run.Output.find("Shop has no component NoSuch"), std::string::npos) << Run.Output;
}

}  // namespace
