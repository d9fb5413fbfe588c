#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

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

  // Typed text is taken as typed (with a warning when the list lacks it);
  // --complete completes a unique beginning and says so.
  const std::string Typed = ReadFileText(Form);
  Run = Vnide("set " + Form + " Orders DatabaseName SH");
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_NE(Run.Output.find("warning: DatabaseName \"SH\" is none of the values its editor lists (shop)"),
            std::string::npos)
      << Run.Output;
  EXPECT_NE(ReadFileText(Form).find("DatabaseName = 'SH'"), std::string::npos);
  WriteFileText(Form, Typed);
  Run = Vnide("set " + Form + " Orders DatabaseName SH --complete");
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_NE(Run.Output.find("completed \"SH\" to \"shop\""), std::string::npos) << Run.Output;
  const std::string Saved = ReadFileText(Form);
  EXPECT_EQ(Saved.find("nowhere"), std::string::npos);
  EXPECT_NE(Saved.find("DatabaseName = 'shop'", Saved.find("object Orders")), std::string::npos) << Saved;

  // A listed name that holds a control character reaches the terminal escaped.
  const std::string Plain = ReadFileText(Form);
  std::string Escape = Plain;
  Escape.replace(Escape.find("DatabaseName = 'shop'"), 21, "DatabaseName = 'sh'#27'[31mop'");
  WriteFileText(Form, Escape);
  Run = Vnide("set " + Form + " Orders DatabaseName other");
  EXPECT_EQ(Run.Output.find('\x1b'), std::string::npos) << Run.Output;
  EXPECT_NE(Run.Output.find("(\"sh\\x1B[31mop\")"), std::string::npos) << Run.Output;
  WriteFileText(Form, Plain);

  // The value the row shows already: nothing changes, nothing is saved.
  const std::string Before = ReadFileText(Form);
  const auto Mtime = std::filesystem::last_write_time(Form);
  Run = Vnide("set " + Form + " Orders DatabaseName shop");
  EXPECT_EQ(Run.ExitCode, 3) << Run.Output;
  EXPECT_NE(Run.Output.find("(unchanged: the designer was not modified)"), std::string::npos) << Run.Output;
  EXPECT_EQ(std::filesystem::last_write_time(Form), Mtime);

  // A refused value: an error, and the form keeps what it had.
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

// Values that differ among the components inspected together show blank, as
// the builder shows them, and are marked in JSON; an empty value is no blank.
TEST_F(VnideInspector, DifferingValuesShowBlankAndAreMarked) {
  WriteFileText(Form, "object ShopModule: TShopModule\n  object A: TVNQuery\n    Tag = 1\n  end\n"
                      "  object B: TVNQuery\n    Tag = 2\n  end\nend\n");
  TRun Run = Vnide("inspect " + Form + " A,B");
  EXPECT_NE(Run.Output.find("Tag          =  (TIntegerProperty"), std::string::npos) << Run.Output;
  EXPECT_NE(Run.Output.find("DatabaseName = \"\"  ("), std::string::npos) << "equal, and empty: " << Run.Output;
  Run = Vnide("inspect " + Form + " A,B --json");
  const auto Json = nlohmann::json::parse(Run.Output);
  std::map<std::string, bool> Differs;
  for (const auto& Category : Json["categories"])
    for (const auto& Property : Category["properties"]) Differs[Property["name"]] = Property["differs"];
  EXPECT_TRUE(Differs["Tag"]);
  EXPECT_FALSE(Differs["DatabaseName"]);
}

// A string list without an editor of its own (an update object's statements)
// gets the String List Editor: OK sets the lines, Cancel nothing, and its
// Code Editor button (or Alt) moves the lines to the code editor.
TEST_F(VnideInspector, StringListsWithoutAnEditorOfTheirOwnGetTheStringListEditor) {
  WriteFileText(Form, "object ShopModule: TShopModule\n  object Upd: TVNUpdateSQL\n  end\nend\n");
  TRun Run = Vnide("inspect " + Form + " Upd");
  EXPECT_NE(Run.Output.find("ModifySQL  = \"(TStrings)\"  (TStringListProperty: dialog, read-only)"), std::string::npos)
      << Run.Output;
  const std::string Empty = ReadFileText(Form);
  struct TCase {
    std::string Script, Flags;
    int ExitCode;
    std::string Stored;  // "" : nothing saved
  };
  const TCase Cases[] = {
      {"key esc\n", "", 3, ""},
      {"memo Memo\ndelete from t\n.\nclick OKButton\n", "", 0, "'delete from t'"},
      {"memo Memo\ndelete from u\n.\nclick CodeWndBtn\nmodule save\nmodule close\n", "", 0, "'delete from u'"},
      {"module text\ndelete from v\n.\nmodule save\nmodule close\n", " --alt", 0, "'delete from v'"},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Script);
    WriteFileText(Form, Empty);
    WriteFileText(Dir.File("strings.vns"), Case.Script);
    Run = Vnide("ellipsis " + Form + " Upd DeleteSQL" + Case.Flags + " --script " + Dir.File("strings.vns"));
    EXPECT_EQ(Run.ExitCode, Case.ExitCode) << Run.Output;
    const std::string Saved = ReadFileText(Form);
    if (Case.Stored.empty())
      EXPECT_EQ(Saved, Empty);
    else
      EXPECT_NE(Saved.find("DeleteSQL.Strings = (\n      " + Case.Stored + ")"), std::string::npos) << Saved;
  }
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
  // The file's own line breaks are kept.
  EXPECT_NE(After.find("UpdateObject = Changes\n"), std::string::npos) << After;
  EXPECT_NE(After.find("object Changes: TVNUpdateSQL\n"), std::string::npos) << After;
}

}  // namespace
