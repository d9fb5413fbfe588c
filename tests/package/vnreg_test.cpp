#include "registration/vnreg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "rtl/IniFiles.h"
#include "package_info.h"
#include "package_module.h"
#include "registration/settings_report.h"
#include "registrations.h"
#include "rtl/Resources.h"
#include "support/registry_store.h"
#include "support/temp_dir.h"
#include "varnel/Vnengine.h"

using namespace vn_test;

namespace {

class VNRegUnit : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteVarnelStore(StoreFile, RegQuoted(Dir.Path().string()));
    DefServerType = stSQLite;
  }
  void TearDown() override { DefServerType = stSQLite; }

  TTempDir Dir;
  std::string StoreFile = Dir.File("registry.reg");
  TScopedEnv Store{"VNIDE_REGISTRY", StoreFile};
  std::string IniFile = Dir.File("varlib.ini");
};

TEST_F(VNRegUnit, OnlyTheFirstStartUpMakesTheStoreAndOnlyTheLastShutDownSavesIt) {
  ASSERT_EQ(VNReg::DesignSettings, nullptr);
  Initialize();
  VNReg::TDesignSettings* Store = VNReg::DesignSettings;
  ASSERT_NE(Store, nullptr);
  Initialize();
  EXPECT_EQ(VNReg::DesignSettings, Store) << "a second start-up made a second store";

  Store->AddLastUsedDatabase("orders.db");
  Finalize();
  EXPECT_EQ(VNReg::DesignSettings, Store);
  EXPECT_FALSE(TIniFile(IniFile).ValueExists("RecentDatabases", "Item00")) << "saved before the last shut-down";

  Finalize();
  EXPECT_EQ(VNReg::DesignSettings, nullptr);
  EXPECT_EQ(TIniFile(IniFile).ReadString("RecentDatabases", "Item00", ""), "orders.db");
}

// The settings report describes the package's own store while it runs, with
// what it has not saved yet; and looking saves nothing: a list the store did
// not load is not rewritten at shut-down (the item after the gap stays).
TEST_F(VNRegUnit, TheSettingsReportDescribesThePackagesOwnStoreAndChangesNothing) {
  const std::string Ini = "[RecentDatabases]\nItem00=a.db\nItem02=after-gap.db\nMaxCount=8\n";
  WriteFileText(IniFile, Ini);
  Initialize();
  TStringList Before;
  VNReg_DesignSettingsReport(&Before);
  Finalize();
  EXPECT_EQ(ReadFileText(IniFile), Ini);
  EXPECT_NE(Before.IndexOf("  a.db"), -1) << Before.Text();

  Initialize();
  VNReg::DesignSettings->AddLastUsedDatabase("unsaved.db");
  TStringList Lines;
  VNReg_DesignSettingsReport(&Lines);
  Finalize();
  EXPECT_NE(Lines.IndexOf("  unsaved.db"), -1) << Lines.Text();
}

TEST_F(VNRegUnit, TheDefaultServerTypeComesFromTheSettingsFile) {
  Initialize();
  EXPECT_EQ(DefServerType, stSQLite) << "no settings file: the library's own default stays";
  Finalize();

  TIniFile(IniFile).WriteString("TVNDatabase", "ServerType", "PostgreSQL");
  Initialize();
  EXPECT_EQ(DefServerType, stPostgreSQL);
  Finalize();
}

TEST_F(VNRegUnit, AFailedStartUpLeavesNothingBehindAndCanBeRepeated) {
  WriteVarnelStore(StoreFile, "dword:00000001");
  TIniFile(IniFile).WriteString("TVNDatabase", "ServerType", "PostgreSQL");
  EXPECT_THROW(Initialize(), ERegistryException);
  EXPECT_EQ(VNReg::DesignSettings, nullptr);
  EXPECT_EQ(DefServerType, stSQLite);

  WriteVarnelStore(StoreFile, RegQuoted(Dir.Path().string()));
  Initialize();
  EXPECT_NE(VNReg::DesignSettings, nullptr);
  EXPECT_EQ(DefServerType, stPostgreSQL);
  Finalize();
  EXPECT_EQ(VNReg::DesignSettings, nullptr);
}

TEST(VNRegRegister, PutsTheTenComponentsOnOnePageAndFilesTheDatabaseProperties) {
  const std::size_t Before = vn_ide::Registrations().size();
  VNReg_Register();
  const auto All = vn_ide::Registrations();
  // Components, property editors, component editors, property editors again
  // (without a settings store, none for a query's SQL) and categories; the
  // seven sprig types that follow are the structure view's.
  ASSERT_EQ(All.size() - Before, 37u);
  std::vector<std::string> Lines;
  for (std::size_t I = Before; I < Before + 30; ++I) Lines.push_back(All[I].Describe());
  EXPECT_EQ(Lines, (std::vector<std::string>{
                       "RegisterComponents('Varnel', [TVNSession, TVNDatabase, TVNQuery, TVNMacroQuery, "
                       "TVNStoredProc, TVNTable, TVNUpdateSQL, TVNScript, TVNMonitor, TVNSQLBaseServer])",
                       "RegisterPropertyEditor(Boolean, TVNDatabase, 'Connected', TVNDatabaseConnectedProperty)",
                       "RegisterPropertyEditor(string, TVNDatabase, 'RemoteDatabase', TVNDatabaseProperty)",
                       "RegisterPropertyEditor(string, TVNDatabase, 'SessionName', TVNSessionNameProperty)",
                       "RegisterPropertyEditor(string, TVNDatabase, 'ParamsFileName', TVNFileNameProperty)",
                       "RegisterPropertyEditor(string, TVNDataSet, 'DatabaseName', TVNDatabaseNameProperty)",
                       "RegisterPropertyEditor(string, TVNDataSet, 'SessionName', TVNSessionNameProperty)",
                       "RegisterPropertyEditor(string, TVNScript, 'DatabaseName', TVNDatabaseNameProperty)",
                       "RegisterPropertyEditor(string, TVNScript, 'SessionName', TVNSessionNameProperty)",
                       "RegisterPropertyEditor(string, TVNStoredProc, 'StoredProcName', TVNStoredProcNameProperty)",
                       "RegisterPropertyEditor(string, TVNTable, 'TableName', TVNTableNameProperty)",
                       "RegisterPropertyEditor(string, TVNTable, 'IndexName', TIndexNameProperty)",
                       "RegisterPropertyEditor(string, TVNTable, 'IndexFieldNames', TIndexFieldNamesProperty)",
                       "RegisterPropertyEditor(TParams, TVNQuery, 'Params', TVNQueryParamsProperty)",
                       "RegisterPropertyEditor(TParams, TVNStoredProc, 'Params', TVNStoredProcParamsProperty)",
                       "RegisterComponentEditor(TVNSession, TVNDefaultEditor)",
                       "RegisterComponentEditor(TVNDatabase, TVNDatabaseEditor)",
                       "RegisterComponentEditor(TVNDataSet, TVNDataSetEditor)",
                       "RegisterComponentEditor(TVNQuery, TVNQueryEditor)",
                       "RegisterComponentEditor(TVNMacroQuery, TVNMacroQueryEditor)",
                       "RegisterComponentEditor(TVNStoredProc, TVNStoredProcEditor)",
                       "RegisterComponentEditor(TVNUpdateSQL, TVNUpdateSQLEditor)",
                       "RegisterComponentEditor(TVNScript, TVNScriptEditor)",
                       "RegisterComponentEditor(TVNMonitor, TVNDefaultEditor)",
                       "RegisterComponentEditor(TVNSQLBaseServer, TVNDefaultEditor)",
                       "RegisterPropertyEditor(TStrings, TVNDatabase, 'Params', TVNDatabaseParamsProperty)",
                       "RegisterPropertyEditor(string, TVNTable, 'MasterFields', TVNTableFieldLinkProperty)",
                       "RegisterPropertiesInCategory('Database', TVNDatabase, ['ServerType', 'SessionName', "
                       "'DatabaseName', 'RemoteDatabase'])",
                       "RegisterPropertiesInCategory('Database', TVNDataSet, ['DatabaseName'])",
                       "RegisterPropertiesInCategory('Database', TVNDataSetUpdateObject, ['*SQL'])"}));
  vn_ide::DropPackageRegistrations("");
}

TEST(PackageModule, TheLibraryEntryPointRegisteredThePackagesModule) {
  const std::uintptr_t Instance = DclVarq220::HInstance();
  ASSERT_NE(Instance, 0u);
  const TLibModule* Module = FindModule(Instance);
  ASSERT_NE(Module, nullptr);
  EXPECT_EQ(Module->ResInstance, Instance);
  EXPECT_EQ(FindModuleHandle(reinterpret_cast<const void*>(&VNReg_Register)), Instance);
}

// Each entry of the unit table against what the packages really provide: the
// start-up an entry calls lives in the package file that says it contains the
// unit; a package's units come after those of every package it requires; the
// package's own units come last.
TEST(PackageModule, TheUnitTableCallsEachUnitsOwnStartUpRequiredPackagesFirst) {
  const PackageInfo Table = GetPackageInfoTable();
  ASSERT_NE(Table, nullptr);
  const std::string OwnFile = GetModuleFileName(DclVarq220::HInstance());
  std::map<std::string, vnide::TPackageDescription> Packages;  // by file
  std::vector<std::string> Order;  // the package of each entry, in table order
  for (int I = 0; I < Table->UnitCount; ++I) {
    const TUnitEntry& Entry = Table->UnitInfo[I];
    ASSERT_NE(Entry.Init, nullptr) << Entry.UnitName;
    ASSERT_NE(Entry.FInit, nullptr) << Entry.UnitName;
    const std::string File = GetModuleFileName(FindModuleHandle(reinterpret_cast<const void*>(Entry.Init)));
    EXPECT_EQ(File, GetModuleFileName(FindModuleHandle(reinterpret_cast<const void*>(Entry.FInit))));
    if (!Packages.contains(File)) Packages.emplace(File, vnide::ReadPackageDescription(File));
    const vnide::TPackageDescription& Package = Packages.at(File);
    EXPECT_TRUE(std::ranges::any_of(Package.Contains, [&](const auto& U) { return U.Name == Entry.UnitName; }))
        << Entry.UnitName << " is not a unit of " << Package.Name;
    for (const std::string& Earlier : Order) {
      if (Earlier == OwnFile) continue;
      EXPECT_FALSE(std::ranges::count(Packages.at(Earlier).Requires, Package.Name))
          << Entry.UnitName << " of " << Package.Name << " starts after a unit of " << Packages.at(Earlier).Name
          << ", which requires it";
    }
    Order.push_back(File);
  }
  std::set<std::string> Used;
  for (const auto& [File, Package] : Packages) Used.insert(Package.Name);
  EXPECT_EQ(Used, (std::set<std::string>{"rtl220", "vcl220", "dcldb220", "VarLib220", "DclVarq220"}));
  // The package's own: its copy of the per-module start-up code first, its units last.
  std::vector<std::string> Own;
  for (int I = 0; I < Table->UnitCount; ++I)
    if (Order[I] == OwnFile) Own.push_back(std::to_string(I) + " " + Table->UnitInfo[I].UnitName);
  const int N = Table->UnitCount;
  EXPECT_EQ(Own, (std::vector<std::string>{"0 SysInit", std::to_string(N - 3) + " VNAbout",
                                           std::to_string(N - 2) + " VNUpdSEd", std::to_string(N - 1) + " VNReg"}));
}

}  // namespace
