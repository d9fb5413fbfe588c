#include <gtest/gtest.h>

#include <string>

#include "support/registry_store.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "vnide_process.h"

using namespace vn_test;

namespace {

class VnideAbout : public ::testing::Test {
 protected:
  TRun About(const std::string& Script) {
    WriteFileText(Dir.File("about.vns"), Script);
    return RunVnideGuarded("about --script " + Dir.File("about.vns"));
  }
  static bool Has(const TRun& Run, const std::string& Part) { return Run.Output.find(Part) != std::string::npos; }

  TTempDir Dir;
  TScopedEnv Registry{"VNIDE_REGISTRY", Dir.File("registry.reg")};
};

TEST_F(VnideAbout, TheTranscriptShowsTheLabelsTheVersionAndTheLinksAndRecordsWhatOpens) {
  const TRun Run = About("show\nclick lblOrderVarnelStd\nkey enter\n");
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_TRUE(Has(Run, "lblProductName label \"Varnel Library\"\n")) << Run.Output;
  EXPECT_TRUE(Has(Run, "lblVersion label \"Version 6.5.3.0\"\n")) << Run.Output;
  EXPECT_TRUE(Has(Run, "lblHome label \"Varnel Home\" link\n")) << Run.Output;
  EXPECT_TRUE(Has(Run, "> click lblOrderVarnelStd\n[Open] https://www.example.org/varnel/order/standard\n"))
      << Run.Output;
  EXPECT_TRUE(Has(Run, "[Form] VNAboutDlg closed: mrOk\n")) << Run.Output;
}

TEST_F(VnideAbout, AScriptThatDidNotRunAsWrittenExitsWithAnError) {
  for (const char* Script : {"click lblNoSuch\nkey enter\n", "key enter\nshow\n"}) {
    const TRun Run = About(Script);
    EXPECT_EQ(Run.ExitCode, 1) << Run.Output;
  }
  const TRun Help = RunVnideGuarded("about --help");
  EXPECT_EQ(Help.ExitCode, 0);
  EXPECT_TRUE(Has(Help, "--script")) << Help.Output;
}

}  // namespace
