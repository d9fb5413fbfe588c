#include <gtest/gtest.h>

#include "support/registry_store.h"
#include "support/temp_dir.h"
#include "vnide_process.h"

using namespace vn_test;

namespace {

int Occurrences(const std::string& Text, const std::string& Part) {
  int Count = 0;
  for (auto Pos = Text.find(Part); Pos != std::string::npos; Pos = Text.find(Part, Pos + 1)) ++Count;
  return Count;
}

class VnideTree : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteVarnelStore(Dir.File("registry.reg"), RegQuoted(Dir.Path().string()));
    WriteFileText(Form, "object ShopModule: TShopModule\n"
                        "  object Sales: TVNSession\n"
                        "    SessionName = 'Sales'\n"
                        "  end\n"
                        "  object ShopDb: TVNDatabase\n"
                        "    DatabaseName = 'shop'\n"
                        "    RemoteDatabase = 'shop.db'\n"
                        "  end\n"
                        "  object Orders: TVNQuery\n"
                        "    DatabaseName = 'shop'\n"
                        "    SQL.Strings = (\n"
                        "      'select *'\n"
                        "      'from orders')\n"
                        "  end\n"
                        "end\n");
  }
  TTempDir Dir;
  TScopedEnv Registry{"VNIDE_REGISTRY", Dir.File("registry.reg")};
  std::string Form = Dir.File("shop.vfm");
};

TEST_F(VnideTree, TreeShowsTheViewAndDropsSaveTheFormOnlyWhenChanged) {
  TRun Run = RunVnideGuarded("tree " + Form);
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_EQ(Run.Output,
            "ShopModule: TShopModule\n"
            "  Sales: TVNSession\n"
            "  VNSession: TVNSession {Default}  [<DefaultSession>]\n"
            "    ShopDb: TVNDatabase {SQLite | shop.db}\n"
            "      Orders {select *...}\n");

  Run = RunVnideGuarded("drag " + Form + " ShopDb Sales");
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_NE(Run.Output.find("dropped ShopDb on Sales\n"), std::string::npos) << Run.Output;
  EXPECT_NE(Run.Output.find("  Sales: TVNSession\n    ShopDb"), std::string::npos) << Run.Output;
  const std::string Moved = ReadFileText(Form);
  EXPECT_EQ(Occurrences(Moved, "SessionName = 'Sales'"), 3) << "the session, its database and its dataset\n" << Moved;

  Run = RunVnideGuarded("drag " + Form + " ShopDb sales");
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_NE(Run.Output.find(": nothing changed"), std::string::npos) << Run.Output;
  EXPECT_EQ(ReadFileText(Form), Moved);

  // The database stays where it is, but its dataset takes the session's
  // spelling of the name: that is a change, and it is saved.
  std::string Lower = Moved;
  const std::size_t InOrders = Lower.find("SessionName = 'Sales'", Lower.find("object Orders"));
  ASSERT_NE(InOrders, std::string::npos) << Lower;
  WriteFileText(Form, Lower.replace(InOrders, 21, "SessionName = 'sales'"));
  Run = RunVnideGuarded("drag " + Form + " ShopDb Sales");
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_EQ(Run.Output.find(": nothing changed"), std::string::npos) << Run.Output;
  EXPECT_EQ(ReadFileText(Form), Moved);

  Run = RunVnideGuarded("drag " + Form + " Orders Sales");
  EXPECT_EQ(Run.ExitCode, 1) << Run.Output;
  EXPECT_EQ(ReadFileText(Form), Moved);

  Run = RunVnideGuarded("palette-drop " + Form + " TVNTable ShopDb --json");
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_NE(Run.Output.find("\"drop\": \"changed\""), std::string::npos) << Run.Output;
  const std::string WithTable = ReadFileText(Form);
  EXPECT_NE(WithTable.find("object VNTable1: TVNTable"), std::string::npos) << WithTable;
  EXPECT_EQ(Occurrences(WithTable, "SessionName = 'Sales'"), 4) << WithTable;
}

}  // namespace

namespace {

// A form whose strings an older tool wrote in Windows-1252: every surface
// reads them as the builder did.
TEST(VnideLegacyText, AFormInTheSystemCodePageReadsAsItsCharacters) {
  TTempDir Dir;
  TScopedEnv Registry{"VNIDE_REGISTRY", Dir.File("registry.reg")};
  WriteVarnelStore(Dir.File("registry.reg"), RegQuoted(Dir.Path().string()));
  const std::string Form = Dir.File("latin.vfm");
  WriteFileText(Form, "object M: TM\n  object S: TVNSession\n    SessionName = 'M\xFCnchen'\n  end\n"
                      "  object Db: TVNDatabase\n    DatabaseName = 'Stra\xDF" "e'\n    SessionName = 'M\xFCnchen'\n"
                      "  end\nend\n");
  TRun Run = RunVnideGuarded("tree " + Form + " --json");
  EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_NE(Run.Output.find("S: TVNSession {M\u00FCnchen}"), std::string::npos) << Run.Output;
  Run = RunVnideGuarded("inspect " + Form + " Db --json");
  EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_NE(Run.Output.find("Stra\u00DFe"), std::string::npos) << Run.Output;
  Run = RunVnideGuarded("snapshot " + Form + " " + Dir.File("pictures"));
  EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
}

}  // namespace
