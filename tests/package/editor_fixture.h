// A design session for the component editors' tests: the package started on
// a settings folder of the test's own, its editors registered, and a form
// Form1 with one component of each palette class on a real SQLite database.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "form_designer.h"
#include "ide/DesignEditors.h"
#include "package_module.h"
#include "registration/vnreg.h"
#include "registrations.h"
#include "rtl/IniFiles.h"
#include "support/recording_driver.h"
#include "support/registry_store.h"
#include "support/temp_dir.h"
#include "varnel/Vnengine.h"
#include "varnel/sqlite_fixture.h"
#include "vcl/Forms.h"

namespace vn_test {

class EditorTest : public testing::Test {
 protected:
  // SQLEditorSwitch: the settings file's SQL-editor switch.
  void StartPackage(bool SQLEditorSwitch = true) {
    WriteVarnelStore(StoreFile, RegQuoted(Dir.Path().string()));
    TIniFile(Dir.File("varlib.ini")).WriteString("SQLEditor", "Enabled", SQLEditorSwitch ? "1" : "0");
    Initialize();
    vn_ide::BeginPackageRegistration("editor_tests");
    VNReg::Register();
    vn_ide::EndPackageRegistration();
  }
  void StopPackage() {
    if (VNReg::DesignSettings == nullptr) return;
    vn_ide::DropPackageRegistrations("editor_tests");
    Finalize();
  }

  void SetUp() override {
    RunSQLiteScript(DatabaseFile, "CREATE TABLE ORDERS (ORDER_NO INTEGER PRIMARY KEY, CUSTOMER TEXT);"
                                  "INSERT INTO ORDERS VALUES (1, 'Ann');");
    StartPackage();
    Root->SetName("Form1");
    Database = Make<TVNDatabase>("Database1");
    Database->SetDatabaseName("ShopDB");
    Database->SetRemoteDatabase(DatabaseFile);
    Query = Make<TVNQuery>("Query1");
    Query->SetDatabaseName("ShopDB");
    Query->SQL().SetText("SELECT * FROM ORDERS WHERE ORDER_NO = :NO");
    MacroQuery = Make<TVNMacroQuery>("MacroQuery1");
    MacroQuery->SetDatabaseName("ShopDB");
    MacroQuery->SQL().SetText("SELECT * FROM %TABLE");
    StoredProc = Make<TVNStoredProc>("StoredProc1");
    StoredProc->SetDatabaseName("ShopDB");
    StoredProc->SetStoredProcName("NEW_ORDER");
    UpdateSQL = Make<TVNUpdateSQL>("UpdateSQL1");
    Query->SetUpdateObject(UpdateSQL);
  }
  void TearDown() override {
    Root.reset();
    StopPackage();
  }

  template <class T>
  T* Make(const std::string& Name) {
    auto* C = new T(Root.get());  // the form owns it
    C->SetName(Name);
    return C;
  }
  std::unique_ptr<TComponentEditor> EditorOf(TComponent& Component) {
    return GetComponentEditor(Component, &Designer);
  }

  TTempDir Dir;
  std::string StoreFile = Dir.File("registry.reg");
  TScopedEnv Store{"VNIDE_REGISTRY", StoreFile};
  std::string DatabaseFile = Dir.File("shop.db");
  std::unique_ptr<TForm> Root = std::make_unique<TForm>(nullptr);
  vn_ide::TFormDesigner Designer{*Root};
  TVNDatabase* Database = nullptr;
  TVNQuery* Query = nullptr;
  TVNMacroQuery* MacroQuery = nullptr;
  TVNStoredProc* StoredProc = nullptr;
  TVNUpdateSQL* UpdateSQL = nullptr;
};

}  // namespace vn_test
