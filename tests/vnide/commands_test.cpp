#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "sqlite_fixture.h"
#include "support/registry_store.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

using namespace vn_test;

namespace {

class VnideCommands : public ::testing::Test {
 protected:
  void SetUp() override { WriteVarnelStore(Dir.File("registry.reg"), RegQuoted(Dir.Path().string())); }
  TTempDir Dir;
  TScopedEnv Registry{"VNIDE_REGISTRY", Dir.File("registry.reg")};
};

TEST_F(VnideCommands, PackagesDescribesTheDesignPackage) {
  const TRun Run = RunVnide("packages");
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_EQ(Run.Output,
            "DclVarq220.bpl\n"
            "  Description: Varnel Components\n"
            "  Version:     Varnel Library 6.5.3.0\n"
            "  Flags:       design-time only, never rebuilt implicitly, package\n"
            "  Requires:    VarLib220, dcldb220, rtl220\n"
            "  Contains:    DclVarq220, VNAbout, SysInit, VNUpdSEd, VNReg\n");
}

TEST_F(VnideCommands, PaletteListsThePageAndWritesEachBitmap) {
  const std::string Pngs = Dir.File("png");
  const TRun Run = RunVnide("palette --png " + Pngs);
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_EQ(Run.Output.substr(0, Run.Output.find('\n')), "Varnel");
  for (const char* Class : {"TVNSESSION", "TVNDATABASE", "TVNQUERY", "TVNMACROQUERY", "TVNSTOREDPROC", "TVNTABLE",
                            "TVNUPDATESQL", "TVNSCRIPT", "TVNMONITOR", "TVNSQLBASESERVER"}) {
    const std::string Png = Pngs + "/" + Class + ".png";
    EXPECT_TRUE(std::filesystem::is_regular_file(Png)) << Png;
    EXPECT_EQ(ReadFileText(Png).substr(1, 3), "PNG");
  }
  EXPECT_EQ(RunVnide("palette --bogus").ExitCode, 1);
}

TEST_F(VnideCommands, RegistrationsAreListedInTheOrderMade) {
  const TRun Run = RunVnide("registrations");
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_EQ(Run.Output.find("DclVarq220: RegisterComponents('Varnel', [TVNSession, TVNDatabase,"), 0u) << Run.Output;
  EXPECT_NE(Run.Output.find("DclVarq220: RegisterPropertiesInCategory('Database', TVNDataSetUpdateObject, ['*SQL'])\n"),
            std::string::npos);
}

TEST_F(VnideCommands, OpenShowsAFormAndSavesItBackUnchanged) {
  const std::string Form =
      "object Orders: TOrdersModule\r\n"
      "  object ShopDb: TVNDatabase\r\n"
      "    DatabaseName = 'shop'\r\n"
      "    RemoteDatabase = 'shop.db'\r\n"
      "  end\r\n"
      "  object OrdersQuery: TVNQuery\r\n"
      "    DatabaseName = 'shop'\r\n"
      "    SQL.Strings = (\r\n"
      "      'select * from orders')\r\n"
      "    UpdateObject = OrdersUpdate\r\n"
      "  end\r\n"
      "  object OrdersUpdate: TVNUpdateSQL\r\n"
      "  end\r\n"
      "end\r\n";
  WriteFileText(Dir.File("orders.vfm"), Form);
  const TRun Run = RunVnide("open " + Dir.File("orders.vfm") + " --save " + Dir.File("saved.vfm"));
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_EQ(Run.Output.substr(0, Run.Output.find("saved")),
            "Orders: TOrdersModule\n  ShopDb: TVNDatabase\n  OrdersQuery: TVNQuery\n  OrdersUpdate: TVNUpdateSQL\n");
  EXPECT_EQ(ReadFileText(Dir.File("saved.vfm")), Form);

  WriteFileText(Dir.File("broken.vfm"), "object Orders: TOrdersModule\r\n  object X: TNoSuchClass\r\n  end\r\nend\r\n");
  const TRun Broken = RunVnide("open " + Dir.File("broken.vfm"));
  EXPECT_EQ(Broken.ExitCode, 1);
  EXPECT_NE(Broken.Output.find("TNoSuchClass"), std::string::npos) << Broken.Output;
}

}  // namespace

namespace {

// A design session on a real database: the editor's table fields and keys come
// from it, and the generated statements reach the saved form.
TEST_F(VnideCommands, EditRunsTheUpdateSQLEditorAndSavesTheFormOnlyWhenAccepted) {
  const std::string Db = Dir.File("shop.db");
  vn_test::RunSQLiteScript(Db,
                           "CREATE TABLE orders (order_no INTEGER, line_no INTEGER, qty INTEGER, "
                           "PRIMARY KEY (order_no, line_no));");
  const std::string Form =
      "object Shop: TShopModule\r\n"
      "  object ShopDb: TVNDatabase\r\n"
      "    DatabaseName = 'shop'\r\n"
      "    RemoteDatabase = '" + Db + "'\r\n"
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
  WriteFileText(Dir.File("shop.vfm"), Form);
  WriteFileText(Dir.File("accept.vns"),
                "click btGetTableFields\nclick btSelectPrimKeys\nclick btGenerateSQL\nclick btOk\n");
  WriteFileText(Dir.File("cancel.vns"), "click btGenerateSQL\nclick btCancel\n");

  TRun Run = RunVnide("edit " + Dir.File("shop.vfm") + " OrdersUpdate --script " + Dir.File("cancel.vns"));
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_NE(Run.Output.find("EditUpdateSQL(OrdersUpdate) returned false"), std::string::npos) << Run.Output;
  EXPECT_EQ(ReadFileText(Dir.File("shop.vfm")), Form);

  Run = RunVnide("edit " + Dir.File("shop.vfm") + " OrdersUpdate --script " + Dir.File("accept.vns") + " --save " +
                 Dir.File("saved.vfm"));
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_NE(Run.Output.find("EditUpdateSQL(OrdersUpdate) returned true: the form was modified"), std::string::npos)
      << Run.Output;
  EXPECT_NE(Run.Output.find("OrdersUpdate.ModifySQL:\n  update orders\n  set\n    order_no = :order_no,\n"
                            "    line_no = :line_no,\n    qty = :quantity\n  where\n    order_no = :OLD_order_no and\n"
                            "    line_no = :OLD_line_no\n"),
            std::string::npos)
      << Run.Output;
  const std::string Saved = ReadFileText(Dir.File("saved.vfm"));
  EXPECT_NE(Saved.find("ModifySQL.Strings"), std::string::npos) << Saved;
  EXPECT_NE(Saved.find("'  qty = :quantity'"), std::string::npos) << Saved;
  EXPECT_EQ(ReadFileText(Dir.File("shop.vfm")), Form) << "--save leaves the original alone";
}

}  // namespace
