#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "support/registry_store.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

using namespace vn_test;

namespace {

TEST(VnideSettings, PrintsWhatTheStoreResolvesWithoutChangingTheFile) {
  TTempDir Dir;
  const std::string Store = Dir.File("registry.reg");
  TScopedEnv Registry("VNIDE_REGISTRY", Store);
  WriteVarnelStore(Store, RegQuoted(Dir.Path().string()));
  const std::string Ini =
      "[SQLEditor]\nEnabled=0\n[TVNDatabase]\nServerType=PostgreSQL\n"
      "[TVNDatabase_Params]\nUSER NAME=sa\n[RecentDatabases]\nMaxCount=3\nItem00=orders.db\nItem01=shop.db\n";
  WriteFileText(Dir.File("varlib.ini"), Ini);

  const TRun Run = RunVnide("settings");
  EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
  EXPECT_EQ(Run.Output.find("Registry store:      " + Store + " (from VNIDE_REGISTRY)\n"
                            "RootDir:             used: " + Dir.Path().string() + "\n"),
            0u)
      << Run.Output;
  EXPECT_NE(Run.Output.find("Settings directory:  " + Dir.Path().string() + "\n"), std::string::npos) << Run.Output;
  EXPECT_NE(Run.Output.find("Settings file:       " + Dir.Path().string() + "/varlib.ini\n"), std::string::npos);
  EXPECT_NE(Run.Output.find("SQL editor:          off\n"), std::string::npos);
  EXPECT_NE(Run.Output.find("Default server type: PostgreSQL\n"), std::string::npos);
  EXPECT_NE(Run.Output.find("Default parameters (1):\n  USER NAME=sa\n"), std::string::npos);
  EXPECT_NE(Run.Output.find("Recent databases, limit 3 (2):\n  orders.db\n  shop.db\n"), std::string::npos);
  EXPECT_EQ(ReadFileText(Dir.File("varlib.ini")), Ini);
}

// "Save as defaults" with a password: the settings file is its owner's alone
// and no output shows the password.
TEST(VnideSettings, APasswordSavedAsDefaultIsKeptPrivateAndNeverShown) {
  TTempDir Dir;
  const std::string Store = Dir.File("registry.reg");
  TScopedEnv Registry("VNIDE_REGISTRY", Store);
  WriteVarnelStore(Store, RegQuoted(Dir.Path().string()));
  const std::string Ini = Dir.File("varlib.ini");
  WriteFileText(Dir.File("db.vfm"), "object M: TM\n  object Db: TVNDatabase\n    DatabaseName = 'shop'\n  end\nend\n");
  WriteFileText(Dir.File("save.vns"),
                "memo meParams\nUSER NAME=bob\nPASSWORD=hunter2\n.\nshow\nclick btSaveDefaultParams\nclick btCancel\n");
  TRun Run = RunVnide("dblclick " + Dir.File("db.vfm") + " Db --script " + Dir.File("save.vns"));
  EXPECT_EQ(Run.ExitCode, 3) << Run.Output;
  EXPECT_EQ(Run.Output.find("hunter2"), std::string::npos) << "the transcript is a log: " << Run.Output;
  EXPECT_NE(Run.Output.find("| PASSWORD=***"), std::string::npos) << Run.Output;
  EXPECT_EQ(std::filesystem::status(Ini).permissions() & std::filesystem::perms::all, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_NE(ReadFileText(Ini).find("PASSWORD=hunter2"), std::string::npos);
  for (const char* Command : {"settings", "settings --json"}) {
    Run = RunVnide(Command);
    EXPECT_EQ(Run.Output.find("hunter2"), std::string::npos) << Run.Output;
    EXPECT_NE(Run.Output.find("PASSWORD=***"), std::string::npos) << Run.Output;
    EXPECT_NE(Run.Output.find("USER NAME=bob"), std::string::npos) << Run.Output;
  }

  // A file others could read is tightened when a password goes in, and the
  // person is told once.
  std::filesystem::remove(Ini);
  WriteFileText(Ini, "[TVNDatabase]\nServerType=SQLite\n");
  std::filesystem::permissions(Ini, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                        std::filesystem::perms::group_read | std::filesystem::perms::others_read);
  Run = RunVnide("dblclick " + Dir.File("db.vfm") + " Db --script " + Dir.File("save.vns"));
  EXPECT_NE(Run.Output.find("note: " + Ini + " holds a password and could be read by others: it is now readable by "
                            "its owner only"),
            std::string::npos)
      << Run.Output;
  EXPECT_EQ(std::filesystem::status(Ini).permissions() & std::filesystem::perms::all, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  Run = RunVnide("dblclick " + Dir.File("db.vfm") + " Db --script " + Dir.File("save.vns"));
  EXPECT_EQ(Run.Output.find("note: "), std::string::npos) << "told once: " << Run.Output;
}

TEST(VnideSettings, SaysWhyRootDirWasNotUsed) {
  TTempDir Dir;
  const std::string Store = Dir.File("registry.reg");
  TScopedEnv Registry("VNIDE_REGISTRY", Store);
  const std::pair<std::string, std::string> Cases[] = {
      {"", "not used: the registry store does not exist; the working folder is used\n"},
      {RegQuoted(Dir.File("gone")), "not used: the folder " + Dir.File("gone") + " does not exist"},
  };
  for (const auto& [RootDir, Says] : Cases) {
    if (!RootDir.empty()) WriteVarnelStore(Store, RootDir);
    const TRun Run = RunVnide("settings");
    EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
    EXPECT_NE(Run.Output.find("RootDir:             " + Says), std::string::npos) << Run.Output;
    EXPECT_NE(Run.Output.find("Settings directory:  .\n"), std::string::npos) << Run.Output;
  }
  const auto Json = nlohmann::json::parse(RunVnide("settings --json").Output);
  EXPECT_EQ(Json["rootDir"]["used"], false);
  EXPECT_EQ(Json["registryStore"]["from"], "VNIDE_REGISTRY");
  EXPECT_EQ(Json["settings"]["Recent databases limit"], 8);
}

TEST(VnideSettings, ReportsErrorsWithTheirClassAndFails) {
  TTempDir Dir;
  const std::string Store = Dir.File("registry.reg");
  TScopedEnv Registry("VNIDE_REGISTRY", Store);
  WriteVarnelStore(Store, "dword:00000001");
  TRun Run = RunVnide("settings");
  EXPECT_EQ(Run.ExitCode, 1);
  EXPECT_NE(Run.Output.find("vnide: Package DclVarq220 failed to start: ERegistryException: Invalid data type for 'RootDir'"),
            std::string::npos)
      << Run.Output;

  Run = RunVnide("--package " + Dir.File("missing.bpl") + " settings");
  EXPECT_EQ(Run.ExitCode, 1);
  EXPECT_NE(Run.Output.find("vnide: Package " + Dir.File("missing.bpl") + " not found"), std::string::npos) << Run.Output;

  Run = RunVnide("frobnicate");
  EXPECT_EQ(Run.ExitCode, 2);
  EXPECT_NE(Run.Output.find("unknown command frobnicate"), std::string::npos);
}

}  // namespace
