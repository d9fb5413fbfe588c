#include <gtest/gtest.h>

#include "sqlite_fixture.h"
#include "support/registry_store.h"
#include "support/temp_dir.h"
#include "vnide_process.h"

using namespace vn_test;

namespace {

class VnideInspector : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteVarnelStore(Dir.File("registry.reg"), RegQuoted(Dir.Path().string()));
    RunSQLiteScript(Dir.File("shop.db"), "CREATE TABLE orders (order_no INTEGER PRIMARY KEY);");
    WriteFileText(Dir.File("params.ini"), "[Params]\nA=1\n");
    WriteFileText(Form, "object ShopModule: TShopModule\n"
                        "  object ShopDb: TVNDatabase\n"
                        "    DatabaseName = 'shop'\n"
                        "    RemoteDatabase = 'shop.db'\n"
                        "  end\n"
                        "  object Orders: TVNQuery\n"
                        "    DatabaseName = 'nowhere'\n"
                        "  end\n"
                        "end\n");
  }
  TRun Vnide(const std::string& Args) { return RunVnideGuarded(Args); }
  TTempDir Dir;
  TScopedEnv Registry{"VNIDE_REGISTRY", Dir.File("registry.reg")};
  std::string Form = Dir.File("shop.vfm");
};

TEST_F(VnideInspector, ValuesSetAndEllipsisWorkOnTheFormFile) {
  TRun Run = Vnide("values " + Form + " Orders DatabaseName");
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_EQ(Run.Output, "shop\n");

  // Typed text completed from the list; the form saved with it.
  Run = Vnide("set " + Form + " Orders DatabaseName SH");
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  const std::string Saved = ReadFileText(Form);
  EXPECT_EQ(Saved.find("nowhere"), std::string::npos);
  EXPECT_NE(Saved.find("DatabaseName = 'shop'", Saved.find("object Orders")), std::string::npos) << Saved;

  // A refused value: an error, and the form keeps what it had.
  const std::string Before = ReadFileText(Form);
  Run = Vnide("set " + Form + " ShopDb Connected Maybe");
  EXPECT_EQ(Run.ExitCode, 1) << Run.Output;
  EXPECT_EQ(ReadFileText(Form), Before);

  // The file dialog: cancelled is exit code 3 and no save; a file chosen is kept.
  WriteFileText(Dir.File("cancel.vns"), "key esc\n");
  Run = Vnide("ellipsis " + Form + " ShopDb ParamsFileName --script " + Dir.File("cancel.vns"));
  EXPECT_EQ(Run.ExitCode, 3) << Run.Output;
  EXPECT_EQ(ReadFileText(Form), Before);
  WriteFileText(Dir.File("choose.vns"), "file params.ini\n");
  Run = Vnide("ellipsis " + Form + " ShopDb ParamsFileName --script " + Dir.File("choose.vns"));
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_NE(ReadFileText(Form).find("ParamsFileName = '" + Dir.File("params.ini") + "'"), std::string::npos);

  Run = Vnide("inspect " + Form + " ShopDb --json");
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_NE(Run.Output.find("\"editor\": \"TVNFileNameProperty\""), std::string::npos) << Run.Output;
}

// The builder's rules for names: refused names leave the file byte for byte
// as it was; a new name is written wherever the old one was.
TEST_F(VnideInspector, NamesFollowTheBuildersRulesAndRenamingKeepsReferences) {
  WriteFileText(Form, "object ShopModule: TShopModule\n"
                      "  object ShopDb: TVNDatabase\n"
                      "    DatabaseName = 'shop'\n"
                      "  end\n"
                      "  object Orders: TVNQuery\n"
                      "    DatabaseName = 'shop'\n"
                      "    UpdateObject = OrdersUpdate\n"
                      "  end\n"
                      "  object OrdersUpdate: TVNUpdateSQL\n"
                      "  end\n"
                      "end\n");
  const std::string Before = ReadFileText(Form);
  const std::pair<std::string, std::string> Refused[] = {
      {"''", "'' is not a valid component name"},
      {"1abc", "'1abc' is not a valid component name"},
      {"'a b'", "'a b' is not a valid component name"},
      {"orders", "A component named orders already exists"},
      {"SHOPMODULE", "A component named SHOPMODULE already exists"},
  };
  for (const auto& [Name, Message] : Refused) {
    const TRun Run = Vnide("set " + Form + " OrdersUpdate Name " + Name);
    EXPECT_EQ(Run.ExitCode, 1) << Name;
    EXPECT_NE(Run.Output.find(Message), std::string::npos) << Run.Output;
    EXPECT_EQ(ReadFileText(Form), Before) << Name;
  }
  ASSERT_EQ(Vnide("set " + Form + " OrdersUpdate Name Changes").ExitCode, 0);
  const std::string After = ReadFileText(Form);
  EXPECT_NE(After.find("UpdateObject = Changes\r\n"), std::string::npos) << After;
  EXPECT_NE(After.find("object Changes: TVNUpdateSQL\r\n"), std::string::npos) << After;
}

}  // namespace
