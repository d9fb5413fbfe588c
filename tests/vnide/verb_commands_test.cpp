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

// A form (its root has a caption, so it is a real form) with a query and its
// update object on an SQLite database beside it.
class VnideVerbs : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteVarnelStore(Dir.File("registry.reg"), RegQuoted(Dir.Path().string()));
    RunSQLiteScript(Dir.File("shop.db"), "CREATE TABLE orders (order_no INTEGER PRIMARY KEY, qty INTEGER);");
    WriteFileText(Form(), FormText);
  }
  std::string Form() const { return Dir.File("shop.vfm"); }
  // vnide Command FORM Args --script <Script>
  TRun Vnide(const std::string& Command, const std::string& Args, const std::string& Script = "",
             TStderr Stderr = seMerged) {
    WriteFileText(Dir.File("session.vns"), Script);
    return RunVnideGuarded(Command + " " + Form() + " " + Args + " --script " + Dir.File("session.vns"), Stderr);
  }

  TTempDir Dir;
  TScopedEnv Registry{"VNIDE_REGISTRY", Dir.File("registry.reg")};
  const std::string FormText =
      "object Form1: TForm1\n"
      "  Caption = 'Orders'\n"
      "  object ShopDb: TVNDatabase\n"
      "    DatabaseName = 'shop'\n"
      "    RemoteDatabase = 'shop.db'\n"
      "  end\n"
      "  object Query1: TVNQuery\n"
      "    DatabaseName = 'shop'\n"
      "    SQL.Strings = (\n"
      "      'select order_no, qty from orders')\n"
      "    UpdateObject = UpdateSQL1\n"
      "  end\n"
      "  object UpdateSQL1: TVNUpdateSQL\n"
      "  end\n"
      "end\n";
};

TEST_F(VnideVerbs, VerbsListsTheContextMenuWithSeparatorsAsSuch) {
  const TRun Text = Vnide("verbs", "Query1", "", seDropped);
  ASSERT_EQ(Text.ExitCode, 0) << Text.Output;
  EXPECT_NE(Text.Output.find("Query1: TVNQuery (editor TVNQueryEditor)\n"), std::string::npos) << Text.Output;
  EXPECT_NE(Text.Output.find("  1  ----------------\n  2  Fields Editor...\n  3  Edit Parameters...\n"
                             "  4  Edit SQL...\n"),
            std::string::npos)
      << Text.Output;

  const TRun Json = Vnide("verbs --json", "UpdateSQL1", "", seDropped);
  ASSERT_EQ(Json.ExitCode, 0) << Json.Output;
  const auto Parsed = nlohmann::json::parse(Json.Output);
  EXPECT_EQ(Parsed["editor"], "TVNUpdateSQLEditor");
  ASSERT_EQ(Parsed["verbs"].size(), 3u);
  EXPECT_EQ(Parsed["verbs"][1]["separator"], true);
  EXPECT_EQ(Parsed["verbs"][2]["caption"], "UpdateSQL Editor...");
}

TEST_F(VnideVerbs, VerbRunsAnEntryByIndexOrCaptionAndRefusesSeparatorsAndUnknownEntries) {
  struct TCase {
    std::string Args;
    std::string Script;
    int ExitCode;
    std::string Expected;
  };
  const TCase Cases[] = {
      {"UpdateSQL1 2", "click btCancel\n", 3, "[Form] VNUpdateSQLEditForm \"Form1.UpdateSQL1 (Query1)\" opened"},
      {"UpdateSQL1 '&updatesql editor...'", "close\n", 3, "VNUpdateSQLEditForm"},
      {"Query1 \"fields editor\"", "click btCancel\n", 3, "[Form] FieldsEditor \"Form1.Query1\" opened"},
      {"Query1 1", "", 1, "entry 1 of the context menu of Query1 is a separator"},
      {"Query1 7", "", 1, "the context menu of Query1 has no entry 7"},
      {"Query1 Frobnicate", "", 1, "has no entry Frobnicate"},
  };
  for (const TCase& C : Cases) {
    const TRun Run = Vnide("verb", C.Args, C.Script);
    EXPECT_EQ(Run.ExitCode, C.ExitCode) << C.Args << "\n" << Run.Output;
    EXPECT_NE(Run.Output.find(C.Expected), std::string::npos) << C.Args << "\n" << Run.Output;
  }
}

TEST_F(VnideVerbs, DoubleClickOnTheUpdateObjectEditsItAndSavesTheForm) {
  const TRun Edited = Vnide("dblclick --json", "UpdateSQL1",
                            "click btGetTableFields\nclick btSelectPrimKeys\nclick btGenerateSQL\nclick btOk\n", seDropped);
  ASSERT_EQ(Edited.ExitCode, 0) << Edited.Output;
  const auto Parsed = nlohmann::json::parse(Edited.Output);
  EXPECT_EQ(Parsed["modified"], true);
  EXPECT_EQ(Parsed["saved"], Form());
  EXPECT_NE(ReadFileText(Form()).find("ModifySQL.Strings"), std::string::npos);
}

}  // namespace
