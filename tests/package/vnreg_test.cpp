#include "registration/vnreg.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "rtl/IniFiles.h"
#include "package_module.h"
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

}  // namespace
