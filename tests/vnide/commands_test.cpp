#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <nlohmann/json.hpp>

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
            "  Contains:    DclVarq220, VNAbout, SysInit, VNUpdSEd, VNReg\n"
            "  Requirement tree:\n"
            "    VarLib220\n"
            "      vcl220\n"
            "        rtl220\n"
            "      rtl220\n"
            "    dcldb220\n"
            "      vcl220\n"
            "        rtl220\n"
            "      rtl220\n"
            "    rtl220\n");
  const auto Json = nlohmann::json::parse(RunVnide("packages --json").Output);
  EXPECT_EQ(Json[0]["version"], "6.5.3.0");
  EXPECT_EQ(Json[0]["requires"], nlohmann::json::array({"VarLib220", "dcldb220", "rtl220"}));
  EXPECT_EQ(Json[0]["requirementTree"][1]["name"], "dcldb220");
  EXPECT_EQ(Json[0]["requirementTree"][1]["requires"][0]["name"], "vcl220");
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
  EXPECT_EQ(RunVnide("palette --bogus").ExitCode, 2);

  const auto Json = nlohmann::json::parse(RunVnide("palette --json --png " + Pngs + " 2>/dev/null").Output);
  EXPECT_EQ(Json[0]["page"], "Varnel");
  EXPECT_EQ(Json[0]["components"][0]["class"], "TVNSession");
  EXPECT_EQ(Json[0]["components"][0]["png"], Pngs + "/TVNSESSION.png");
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
  const auto Json = nlohmann::json::parse(RunVnide("open --json " + Dir.File("orders.vfm")).Output);
  EXPECT_EQ(Json["class"], "TOrdersModule");
  EXPECT_EQ(Json["components"][2]["name"], "OrdersUpdate");

  WriteFileText(Dir.File("broken.vfm"), "object Orders: TOrdersModule\r\n  object X: TNoSuchClass\r\n  end\r\nend\r\n");
  const TRun Broken = RunVnide("open " + Dir.File("broken.vfm"));
  EXPECT_EQ(Broken.ExitCode, 1);
  EXPECT_NE(Broken.Output.find("TNoSuchClass"), std::string::npos) << Broken.Output;
  WriteFileText(Dir.File("misspelt.vfm"), "object Orders: TOrdersModule\r\n  object X: TVNQuerry\r\n  end\r\nend\r\n");
  EXPECT_NE(RunVnide("open " + Dir.File("misspelt.vfm")).Output.find("did you mean TVNQuery?"), std::string::npos);
}

TEST_F(VnideCommands, OpenTakesAFormRootWithAFormsOwnProperties) {
  // As the builder writes a form: a data module root would refuse Caption and
  // the client size.
  WriteFileText(Dir.File("form1.vfm"),
                "object Form1: TForm1\r\n  Left = 0\r\n  Top = 0\r\n  Caption = 'Orders'\r\n"
                "  ClientHeight = 299\r\n  ClientWidth = 635\r\n  Color = clBtnFace\r\n"
                "  Font.Charset = DEFAULT_CHARSET\r\n  Font.Color = clWindowText\r\n  Font.Height = -11\r\n"
                "  Font.Name = 'Tahoma'\r\n  Font.Style = []\r\n  OldCreateOrder = False\r\n"
                "  PixelsPerInch = 96\r\n  TextHeight = 13\r\n"
                "  object ShopDb: TVNDatabase\r\n    DatabaseName = 'shop'\r\n    Left = 24\r\n    Top = 16\r\n"
                "  end\r\nend\r\n");
  const TRun Run = RunVnide("open " + Dir.File("form1.vfm") + " --save " + Dir.File("saved.vfm"));
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  const std::string Saved = ReadFileText(Dir.File("saved.vfm"));
  for (const char* Line : {"  Caption = 'Orders'\r\n", "  ClientWidth = 635\r\n", "  Font.Name = 'Tahoma'\r\n",
                           "    Left = 24\r\n    Top = 16\r\n"})
    EXPECT_NE(Saved.find(Line), std::string::npos) << Line << " in\n" << Saved;
  ASSERT_EQ(RunVnide("open " + Dir.File("saved.vfm") + " --save " + Dir.File("again.vfm")).ExitCode, 0);
  EXPECT_EQ(ReadFileText(Dir.File("again.vfm")), Saved);
}

// Forms and data modules as the builder writes them (properties this host does
// not model or writes differently, [n] indexes, binary data, #nn characters,
// strings continued with +, collections) come back byte for byte; a change is
// the changed line only, and a property newly set goes where the writer puts it.
TEST_F(VnideCommands, BuilderFormsComeBackByteForByteAndAChangeIsItsLineOnly) {
  struct TCase {
    const char* File;
    std::string Args;         // a set's arguments after the form file, or an editor session
    std::string Was, Now;     // the one line it changes ("" Was: a line added before Before)
    std::string Before;
  };
  const TCase Cases[] = {
      {"orders_form.vfm", "OrdersQuery DatabaseName archive", "    DatabaseName = 'shop'",
       "    DatabaseName = 'archive'", ""},
      {"orders_form.vfm", "OrdersForm Caption Orders", "  Caption = 'Orders of '#39'Shop'#39",
       "  Caption = 'Orders'", ""},
      {"orders_form.vfm", "OrdersQuery Tag 5", "", "    Tag = 5", "    DatabaseName = 'shop'"},
      {"shop_module.vfm", "Customers TableName orders", "    TableName = 'customers'", "    TableName = 'orders'", ""},
      // An accepted editor session: the code editor's text saved into the property.
      {"orders_form.vfm", "edit-strings OrdersUpdate ModifySQL", "",
       "    ModifySQL.Strings = (\r\n      'update orders set qty = :qty')", "    Left = 120"},
  };
  const std::filesystem::path Corpus = std::filesystem::path(VN_SOURCE_DIR) / "tests/vnide/fixtures/round_trip";
  for (const TCase& C : Cases) {
    const std::string Form = Dir.File(C.File), Original = ReadFileText((Corpus / C.File).string());
    WriteFileText(Form, Original);
    const TRun Open = RunVnide("open " + Form + " --save " + Dir.File("saved.vfm"));
    ASSERT_EQ(Open.ExitCode, 0) << Open.Output;
    EXPECT_EQ(ReadFileText(Dir.File("saved.vfm")), Original) << C.File;

    const bool Editor = C.Args.starts_with("edit-strings ");
    WriteFileText(Dir.File("session.vns"), "module text\nupdate orders set qty = :qty\n.\nmodule save\nmodule close\n");
    const TRun Set = Editor ? RunVnide("edit-strings " + Form + " " + C.Args.substr(13) + " --script " +
                                       Dir.File("session.vns"))
                            : RunVnide("set " + Form + " " + C.Args);
    ASSERT_EQ(Set.ExitCode, 0) << Set.Output;
    std::string Expected = Original;
    if (C.Was.empty())
      Expected.insert(Expected.find(C.Before + "\r\n"), C.Now + "\r\n");
    else
      Expected.replace(Expected.find(C.Was + "\r\n"), C.Was.size(), C.Now);
    EXPECT_EQ(ReadFileText(Form), Expected) << C.Args;
  }
}

}  // namespace
