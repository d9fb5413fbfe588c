#include "registration/design_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "rtl/IniFiles.h"
#include "rtl/Registry.h"
#include "rtl/SysUtils.h"
#include "support/registry_store.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"
#include "support/string_lines.h"

using VNReg::TDesignSettings;
using namespace vn_test;

namespace {

class TCurrentDirGuard {
 public:
  explicit TCurrentDirGuard(const std::filesystem::path& Dir) : FOld(std::filesystem::current_path()) {
    std::filesystem::current_path(Dir);
  }
  ~TCurrentDirGuard() { std::filesystem::current_path(FOld); }

 private:
  std::filesystem::path FOld;
};

// Each test gets its own registry store naming its own settings directory.
class DesignSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(SettingsDir);
    WriteVarnelStore(StoreFile, RegQuoted(SettingsDir));
    DefServerType = stSQLite;
  }
  void TearDown() override { DefServerType = stSQLite; }

  void WriteIni(const std::string& Text) { WriteFileText(IniFile, Text); }
  std::string ReadIni() { return ReadFileText(IniFile); }
  std::vector<std::string> Section(const std::string& Name) {
    TIniFile Ini(IniFile);
    TStringList Values;
    Ini.ReadSectionValues(Name, Values);
    return Lines(Values);
  }

  TTempDir Dir;
  std::string StoreFile = Dir.File("registry.reg");
  TScopedEnv Store{"VNIDE_REGISTRY", StoreFile};
  std::string SettingsDir = Dir.File("settings");
  std::string IniFile = SettingsDir + "/varlib.ini";
};

TEST_F(DesignSettingsTest, RecentListHonoursTheLimitAndStopsAtTheFirstGap) {
  WriteIni("[RecentDatabases]\nItem00=A\nItem01=B\nItem02=C\nItem03=D\nItem04=E\nItem05=F\n"
           "Item06=G\nItem07=H\nItem08=I\nItem09=J\n");
  EXPECT_EQ(TDesignSettings().RecentDatabases().Count(), 8);

  WriteIni("[RecentDatabases]\nMaxCount=0\nItem00=A\nItem01=B\nItem02=C\nItem03=D\nItem04=E\nItem05=F\n"
           "Item06=G\nItem07=H\nItem08=I\n");
  EXPECT_EQ(TDesignSettings().RecentDatabases().Count(), 8);

  WriteIni("[RecentDatabases]\nMaxCount=3\nItem00=A\nItem01=B\nItem02=C\nItem03=D\nItem04=E\nItem05=F\n");
  TDesignSettings Three;
  EXPECT_EQ(Lines(Three.RecentDatabases()), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(Three.MaxDbCount(), 3);

  WriteIni("[RecentDatabases]\nItem00=A\nItem02=C\n");
  EXPECT_EQ(Lines(TDesignSettings().RecentDatabases()), std::vector<std::string>{"A"});
  WriteIni("[RecentDatabases]\nItem00=A\nItem01=\nItem02=C\n");
  EXPECT_EQ(Lines(TDesignSettings().RecentDatabases()), std::vector<std::string>{"A"});

  WriteIni("[RecentDatabases]\nMaxCount=abc\nItem00=A\n");
  TDesignSettings NotANumber;
  EXPECT_EQ(NotANumber.RecentDatabases().Count(), 1);
  EXPECT_EQ(NotANumber.MaxDbCount(), 8);
}

TEST_F(DesignSettingsTest, NegativeLimitLoadsNothingAndIsNotLoadedAgain) {
  WriteIni("[RecentDatabases]\nMaxCount=-1\nItem00=A\n");
  TDesignSettings Settings;
  EXPECT_EQ(Settings.RecentDatabases().Count(), 0);
  EXPECT_EQ(Settings.MaxDbCount(), -1);
  WriteIni("[RecentDatabases]\nItem00=A\n");
  EXPECT_EQ(Settings.RecentDatabases().Count(), 0);
}

TEST_F(DesignSettingsTest, AddingLoadsTheListFirstAndSaveAllWritesExactlyTheList) {
  WriteIni("[RecentDatabases]\nItem00=A\nItem01=B\n");
  TDesignSettings Settings;
  Settings.AddLastUsedDatabase("ORCL");
  EXPECT_EQ(Lines(Settings.RecentDatabases()), (std::vector<std::string>{"ORCL", "A", "B"}));
  Settings.SaveAll();
  EXPECT_EQ(Section("RecentDatabases"), (std::vector<std::string>{"Item00=ORCL", "Item01=A", "Item02=B"}));
}

TEST_F(DesignSettingsTest, AddingAKnownNameMovesItToTheFrontInItsStoredCase) {
  WriteIni("[RecentDatabases]\nItem00=A\nItem01=B\nItem02=Orcl\n");
  TDesignSettings Settings;
  Settings.AddLastUsedDatabase("ORCL");
  EXPECT_EQ(Lines(Settings.RecentDatabases()), (std::vector<std::string>{"Orcl", "A", "B"}));
  Settings.AddLastUsedDatabase("orcl");
  EXPECT_EQ(Lines(Settings.RecentDatabases()), (std::vector<std::string>{"Orcl", "A", "B"}));
  // Unicode names are matched without regard to case too.
  Settings.AddLastUsedDatabase("ÄRGER");
  Settings.AddLastUsedDatabase("B");
  Settings.AddLastUsedDatabase("ärger");
  EXPECT_EQ(Lines(Settings.RecentDatabases()), (std::vector<std::string>{"ÄRGER", "B", "Orcl", "A"}));
}

TEST_F(DesignSettingsTest, TheLimitAppliesOnlyWhenTheFileIsReadBack) {
  {
    TDesignSettings Settings;
    for (int I = 0; I < 10; ++I) Settings.AddLastUsedDatabase(Format("DB%d", {I}));
    EXPECT_EQ(Settings.RecentDatabases().Count(), 10);
    Settings.SaveAll();
  }
  const auto Saved = Section("RecentDatabases");
  ASSERT_EQ(Saved.size(), 10u);
  EXPECT_EQ(Saved.front(), "Item00=DB9");
  EXPECT_EQ(Saved.back(), "Item09=DB0");
  TDesignSettings NextRun;
  EXPECT_EQ(NextRun.RecentDatabases().Count(), 8);
  EXPECT_EQ(NextRun.RecentDatabases().Strings(7), "DB2");
}

TEST_F(DesignSettingsTest, SaveAllKeepsAnUnusualLimitAndDropsTheDefaultOne) {
  WriteIni("[RecentDatabases]\nMaxCount=12\nItem00=A\n");
  {
    TDesignSettings Settings;
    Settings.AddLastUsedDatabase("B");
    Settings.SaveAll();
  }
  EXPECT_EQ(Section("RecentDatabases"), (std::vector<std::string>{"Item00=B", "Item01=A", "MaxCount=12"}));

  WriteIni("[RecentDatabases]\nMaxCount=8\nItem00=A\n");
  {
    TDesignSettings Settings;
    Settings.AddLastUsedDatabase("B");
    Settings.SaveAll();
  }
  EXPECT_EQ(Section("RecentDatabases"), (std::vector<std::string>{"Item00=B", "Item01=A"}));
}

TEST_F(DesignSettingsTest, SaveAllWithAnEmptyListLeavesTheFileAlone) {
  const std::string Text = "[RecentDatabases]\r\nItem00=\r\nItem01=B\r\n; hand-written\r\n";
  WriteIni(Text);
  TDesignSettings Settings;
  EXPECT_EQ(Settings.RecentDatabases().Count(), 0);
  Settings.SaveAll();
  EXPECT_EQ(ReadIni(), Text);
}

std::vector<std::string> Noticed;

TEST_F(DesignSettingsTest, SaveAllSkipsNamesThatCannotBeStoredWithoutCuttingTheListShort) {
  WriteIni("[Other]\nKey=1\n");
  Noticed.clear();
  SetNoticeProc([](const std::string& Message) { Noticed.push_back(Message); });
  TDesignSettings Settings;
  Settings.AddLastUsedDatabase("C");
  Settings.AddLastUsedDatabase(std::string("nul\0byte", 8));
  Settings.AddLastUsedDatabase("two\nlines");
  Settings.AddLastUsedDatabase("");
  Settings.AddLastUsedDatabase(" padded ");
  Settings.AddLastUsedDatabase("A");
  Settings.SaveAll();
  EXPECT_EQ(Section("RecentDatabases"), (std::vector<std::string>{"Item00=A", "Item01= padded ", "Item02=C"}));
  EXPECT_EQ(Section("Other"), std::vector<std::string>{"Key=1"});
  EXPECT_EQ(Lines(TDesignSettings().RecentDatabases()), (std::vector<std::string>{"A", " padded ", "C"}));
  // What is left out is said, never cut short in silence.
  SetNoticeProc(nullptr);
  const std::string Cannot = " was not saved: the settings file cannot hold a line break or a NUL character";
  EXPECT_EQ(Noticed, (std::vector<std::string>{"The recent database \"two\\x0Alines\"" + Cannot,
                                               "The recent database \"nul\\x00byte\"" + Cannot}));
}

TEST_F(DesignSettingsTest, SaveAllReportsWriteErrorsWithoutRaisingAndLeavesTheFileWhole) {
  // A settings directory replaced by a file cannot receive the settings file.
  std::filesystem::create_directory(Dir.File("gone"));
  WriteVarnelStore(StoreFile, RegQuoted(Dir.File("gone")));
  TDesignSettings Settings;
  std::filesystem::remove(Dir.File("gone"));
  WriteFileText(Dir.File("gone"), "now a file");
  Settings.AddLastUsedDatabase("A");
  testing::internal::CaptureStderr();
  EXPECT_NO_THROW(Settings.SaveAll());
  const std::string Reported = testing::internal::GetCapturedStderr();
  EXPECT_NE(Reported.find("The recent databases were not saved: Unable to write to"), std::string::npos) << Reported;
  EXPECT_EQ(ReadFileText(Dir.File("gone")), "now a file");
}

TEST_F(DesignSettingsTest, SaveAllReachesAWritableFileInAReadOnlyFolder) {
  WriteIni("[RecentDatabases]\nItem00=Old\n");
  // An ordinary user must reach the registry store and the settings file.
  chmod(Dir.Path().c_str(), 0755);
  chmod(StoreFile.c_str(), 0666);
  chmod(IniFile.c_str(), 0666);
  chmod(SettingsDir.c_str(), 0777);
  RunUnprivileged([&] {
    chmod(SettingsDir.c_str(), 0555);
    TDesignSettings Settings;
    Settings.AddLastUsedDatabase("New");
    Settings.SaveAll();
    chmod(SettingsDir.c_str(), 0755);
  });
  chmod(SettingsDir.c_str(), 0755);
  EXPECT_EQ(Section("RecentDatabases"), (std::vector<std::string>{"Item00=New", "Item01=Old"}));
}

TEST_F(DesignSettingsTest, SaveDbParamsWritesTheFirstValueOfEachNameAndKeepsTheLines) {
  WriteIni("[TVNDatabase_Params]\nOld=1\n[After]\nK=V\n");
  TDesignSettings Settings;
  EXPECT_EQ(Lines(Settings.DbParams()), std::vector<std::string>{"Old=1"});
  TStringList List;
  List.SetText("A=1\na=2\nB\n");
  Settings.SaveDbParams(List);
  EXPECT_EQ(Section("TVNDatabase_Params"), (std::vector<std::string>{"A=1", "="}));
  EXPECT_EQ(Section("After"), std::vector<std::string>{"K=V"});
  EXPECT_EQ(Lines(Settings.DbParams()), (std::vector<std::string>{"A=1", "a=2", "B"}));

  // Values that the file format would otherwise change read back unchanged.
  TStringList Awkward;
  Awkward.SetText("USER NAME= sa \nPATH=\"quoted\"\n");
  Settings.SaveDbParams(Awkward);
  EXPECT_EQ(Lines(TDesignSettings().DbParams()), (std::vector<std::string>{"USER NAME= sa ", "PATH=\"quoted\""}));
}

TEST_F(DesignSettingsTest, SaveDbParamsWithAnUnstorableNameChangesNothing) {
  const std::string Text = "[TVNDatabase_Params]\nOld=1\n";
  WriteIni(Text);
  TDesignSettings Settings;
  EXPECT_EQ(Settings.DbParams().Count(), 1);
  TStringList List;
  List.Add("Good=1");
  List.Add("[Injected]=2");
  EXPECT_THROW(Settings.SaveDbParams(List), EIniFileException);
  EXPECT_EQ(ReadIni(), Text);
  EXPECT_EQ(Lines(Settings.DbParams()), std::vector<std::string>{"Old=1"});

  // Passing the store's own list back is allowed.
  EXPECT_NO_THROW(Settings.SaveDbParams(Settings.DbParams()));
  EXPECT_EQ(Lines(Settings.DbParams()), std::vector<std::string>{"Old=1"});
}

TEST_F(DesignSettingsTest, DbParamsAreReadAgainWhileEmptyAndKeptOnceLoaded) {
  TDesignSettings Settings;
  EXPECT_EQ(Settings.DbParams().Count(), 0);
  WriteIni("[TVNDatabase_Params]\nUSER=sa\nROLE=admin\n");
  EXPECT_EQ(Lines(Settings.DbParams()), (std::vector<std::string>{"USER=sa", "ROLE=admin"}));
  WriteIni("[TVNDatabase_Params]\nUSER=other\n");
  EXPECT_EQ(Lines(Settings.DbParams()), (std::vector<std::string>{"USER=sa", "ROLE=admin"}));
}

TEST_F(DesignSettingsTest, SQLEditorSwitchDefaultsOnAndIsReadOnce) {
  EXPECT_TRUE(TDesignSettings().SQLEditor());
  WriteIni("[SQLEditor]\nEnabled=0\n");
  TDesignSettings Off;
  EXPECT_FALSE(Off.SQLEditor());
  WriteIni("[SQLEditor]\nEnabled=1\n");
  EXPECT_FALSE(Off.SQLEditor());
  WriteIni("[SQLEditor]\nEnabled=-1\n");
  EXPECT_TRUE(TDesignSettings().SQLEditor());
  WriteIni("[SQLEditor]\nEnabled=no\n");
  EXPECT_TRUE(TDesignSettings().SQLEditor());
}

TEST_F(DesignSettingsTest, DefaultServerTypeComesFromTheFileOrStaysTheLibrarys) {
  TDesignSettings Settings;
  EXPECT_EQ(Settings.ReadDefaultServerType(), stSQLite);
  DefServerType = stPostgreSQL;
  EXPECT_EQ(Settings.ReadDefaultServerType(), stPostgreSQL);
  WriteIni("[TVNDatabase]\nServerType=Oracle\n");
  EXPECT_EQ(Settings.ReadDefaultServerType(), stPostgreSQL);
  WriteIni("[TVNDatabase]\nServerType=SQLite\n");
  EXPECT_EQ(Settings.ReadDefaultServerType(), stSQLite);

  Settings.WriteDefaultServerType(stPostgreSQL);
  EXPECT_EQ(DefServerType, stPostgreSQL);
  EXPECT_EQ(Section("TVNDatabase"), std::vector<std::string>{"ServerType=PostgreSQL"});
  EXPECT_EQ(TDesignSettings().ReadDefaultServerType(), stPostgreSQL);
}

TEST_F(DesignSettingsTest, AFailedServerTypeWriteLeavesTheDefaultAlone) {
  std::filesystem::create_directory(IniFile);  // the file name is taken by a directory
  TDesignSettings Settings;
  DefServerType = stSQLite;
  try {
    Settings.WriteDefaultServerType(stPostgreSQL);
    FAIL() << "the write should have failed";
  } catch (const EIniFileException& E) {
    EXPECT_NE(E.Message().find("Unable to write to"), std::string::npos) << E.Message();
  }
  EXPECT_EQ(DefServerType, stSQLite);
}

TEST_F(DesignSettingsTest, RootDirComesFromTheRegistryOrIsTheCurrentDirectory) {
  {
    TDesignSettings Settings;
    EXPECT_EQ(Settings.RootDir(), SettingsDir);
    EXPECT_EQ(Settings.IniFileName(), SettingsDir + "\\varlib.ini");
  }
  // A trailing backslash gives two before the file name, and the file still works.
  WriteVarnelStore(StoreFile, RegQuoted(SettingsDir + "\\"));
  {
    TDesignSettings Settings;
    EXPECT_EQ(Settings.IniFileName(), SettingsDir + "\\\\varlib.ini");
    Settings.WriteDefaultServerType(stSQLite);
    EXPECT_EQ(Section("TVNDatabase"), std::vector<std::string>{"ServerType=SQLite"});
  }
  TCurrentDirGuard InTemp(Dir.Path());
  for (const std::string& Store : std::vector<std::string>{
           "Windows Registry Editor Version 5.00\r\n",
           "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Varnel]\r\n",
                                   "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Varnel]\r\n"
                                   "\"RootDir\"=\"" + Dir.File("missing") + "\"\r\n"}) {
    WriteFileText(StoreFile, Store);
    TDesignSettings Settings;
    EXPECT_EQ(Settings.RootDir(), ".");
    EXPECT_EQ(Settings.IniFileName(), ".\\varlib.ini");
    Settings.WriteDefaultServerType(stSQLite);
    EXPECT_TRUE(std::filesystem::exists(Dir.File("varlib.ini")));
    std::filesystem::remove(Dir.File("varlib.ini"));
  }
}

TEST_F(DesignSettingsTest, RootDirTakesAnExpandableStringLiterallyAndRefusesOtherTypes) {
  const std::string Literal = Dir.File("%VNTEST_DIR%");
  std::filesystem::create_directory(Literal);
  TScopedEnv Expansion("VNTEST_DIR", "settings");
  TRegistry Reg;
  ASSERT_TRUE(Reg.OpenKey("Software\\Varnel", true));
  Reg.WriteExpandString("RootDir", Literal);
  EXPECT_EQ(TDesignSettings().RootDir(), Literal);

  Reg.WriteInteger("RootDir", 42);
  EXPECT_THROW(TDesignSettings(), ERegistryException);
}

TEST(DesignSettingsRegistry, AStoreTheUserCannotWriteMeansTheCurrentDirectory) {
  RunUnprivileged([] {
    TTempDir Dir;
    const std::string Store = Dir.File("registry.reg");
    std::filesystem::create_directory(Dir.File("settings"));
    WriteVarnelStore(Store, RegQuoted(Dir.File("settings")));
    TScopedEnv Registry("VNIDE_REGISTRY", Store);
    EXPECT_EQ(TDesignSettings().RootDir(), Dir.File("settings"));
    chmod(Store.c_str(), 0444);
    TCurrentDirGuard InTemp(Dir.Path());
    EXPECT_EQ(TDesignSettings().RootDir(), ".");
  });
}

}  // namespace
