#include "editors/component_editors.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "editors/product_caption.h"
#include "ide/ColnEdit.h"
#include "rtl/Windows.h"
#include "vcl/StdCtrls.h"

using vn_test::TScriptScope;

namespace {

using TStrings_ = std::vector<std::string>;

TStrings_ Verbs(TComponentEditor& Editor) {
  TStrings_ Result;
  for (int I = 0; I < Editor.GetVerbCount(); ++I) Result.push_back(Editor.GetVerb(I));
  return Result;
}

class ComponentEditors : public vn_test::EditorTest {};

TEST_F(ComponentEditors, VerbTablesFollowTheSQLEditorSwitch) {
  const std::string P = VNReg::GetProductCaption();
  struct TCase {
    const TMetaClass& Class;
    const char* Editor;
    TStrings_ SwitchOff, SwitchOn;
  };
  const TStrings_ DataSet = {P, "-", "Fields Editor..."};
  const TStrings_ Query = {P, "-", "Fields Editor...", "Edit Parameters..."};
  const TCase Cases[] = {
      {TVNSession::StaticClass(), "TVNDefaultEditor", {P}, {P}},
      {TVNDatabase::StaticClass(), "TVNDatabaseEditor", {P, "-", "Database Editor...", "Edit Parameters..."}, {}},
      {TVNTable::StaticClass(), "TVNDataSetEditor", DataSet, {}},
      {TVNQuery::StaticClass(), "TVNQueryEditor", Query, {P, "-", "Fields Editor...", "Edit Parameters...", "Edit SQL..."}},
      {TVNMacroQuery::StaticClass(), "TVNMacroQueryEditor",
       {P, "-", "Fields Editor...", "Edit Parameters...", "Edit Macros..."},
       {P, "-", "Fields Editor...", "Edit Parameters...", "Edit SQL...", "Edit Macros..."}},
      {TVNStoredProc::StaticClass(), "TVNStoredProcEditor", Query, {}},
      {TVNUpdateSQL::StaticClass(), "TVNUpdateSQLEditor", {P, "-", "UpdateSQL Editor..."}, {}},
      {TVNScript::StaticClass(), "TVNScriptEditor", {P}, {}},
      {TVNMonitor::StaticClass(), "TVNDefaultEditor", {P}, {}},
      {TVNSQLBaseServer::StaticClass(), "TVNDefaultEditor", {P}, {}},
  };
  for (const bool Switch : {false, true}) {
    StopPackage();
    StartPackage(Switch);
    for (const TCase& C : Cases) {
      std::unique_ptr<TObject> Component = C.Class.CreateInstance(nullptr);
      const auto Editor = EditorOf(static_cast<TComponent&>(*Component));
      EXPECT_EQ(Editor->ClassName(), C.Editor);
      const TStrings_& Expected = Switch && !C.SwitchOn.empty() ? C.SwitchOn : C.SwitchOff;
      EXPECT_EQ(Verbs(*Editor), Expected) << C.Class.ClassName() << (Switch ? " switch on" : " switch off");
      EXPECT_EQ(Editor->GetVerb(99), "") << C.Class.ClassName();
    }
  }
}

TEST_F(ComponentEditors, ADoubleClickOpensWhatTheComponentsEditorStandsFor) {
  struct TCase {
    TComponent* Component;
    std::string Shown;
  };
  auto* Session = Make<TVNSession>("Session1");
  Session->SetSessionName("Design");
  auto* Table = Make<TVNTable>("Table1");
  Table->SetDatabaseName("ShopDB");
  Table->SetTableName("ORDERS");
  const std::string About = "VNAboutDlg ";
  const TCase Cases[] = {
      {Session, About},
      {Make<TVNScript>("Script1"), About},
      {Make<TVNMonitor>("Monitor1"), About},
      {Make<TVNSQLBaseServer>("Server1"), About},
      {Database, "VNDatabaseEditDlg"},
      {Table, "FieldsEditor \"Form1.Table1\""},
      {Query, "FieldsEditor \"Form1.Query1\""},
      {MacroQuery, "FieldsEditor \"Form1.MacroQuery1\""},
      {StoredProc, "FieldsEditor \"Form1.StoredProc1\""},
      {UpdateSQL, "VNUpdateSQLEditForm \"Form1.UpdateSQL1 (Query1)\""},
  };
  for (const TCase& C : Cases) {
    TScriptScope Scope("close\n");
    EditorOf(*C.Component)->Edit();
    ASSERT_EQ(Scope.Driver.Shown.size(), 1u) << C.Component->Name() << Scope.Driver.Output();
    EXPECT_TRUE(Scope.Driver.Shown[0].starts_with(C.Shown)) << Scope.Driver.Shown[0];
    EXPECT_EQ(Scope.Driver.ErrorCount(), 0u) << Scope.Driver.Output();
  }
  EXPECT_FALSE(Designer.IsModified());
}

TEST_F(ComponentEditors, SeparatorsAndUnknownIndexesExecuteNothing) {
  const std::pair<TComponent*, int> Cases[] = {{Database, 1}, {Query, 1}, {StoredProc, 1}, {UpdateSQL, 1},
                                               {Database, 4}, {StoredProc, 4}, {UpdateSQL, 3}, {Query, 9}};
  for (const auto& [Component, Index] : Cases) {
    TScriptScope Scope("");
    EditorOf(*Component)->ExecuteVerb(Index);
    EXPECT_TRUE(Scope.Driver.Shown.empty()) << Component->Name() << " " << Index;
  }
  EXPECT_FALSE(Designer.IsModified());
}

TEST_F(ComponentEditors, IndexFourOfTheQueryEditorRunsTheSQLEditorWhenTheSwitchIsOff) {
  StopPackage();
  StartPackage(false);
  ASSERT_EQ(EditorOf(*Query)->GetVerbCount(), 4);
  {
    TScriptScope Scope("click btCancel\n");
    EditorOf(*Query)->ExecuteVerb(4);
    EXPECT_EQ(Scope.Driver.Shown, TStrings_{"VNSQLEditDlg \"Form1.Query1.SQL\""});
  }
  EXPECT_FALSE(Designer.IsModified());
  TScriptScope Scope("memo meSQL\nSELECT ORDER_NO FROM ORDERS\n.\nclick btOk\n");
  EditorOf(*Query)->ExecuteVerb(4);
  EXPECT_EQ(Trim(Query->SQL().Text()), "SELECT ORDER_NO FROM ORDERS");
  EXPECT_TRUE(Designer.IsModified());
}

TEST_F(ComponentEditors, ParameterAndMacroVerbsShowTheCollectionsWithoutOptions) {
  struct TCase {
    TComponent* Component;
    int Index;
    const char* Caption;
  };
  const TCase Cases[] = {{Query, 3, "Editing Query1.Params"},
                         {MacroQuery, 3, "Editing MacroQuery1.Params"},
                         {MacroQuery, 5, "Editing MacroQuery1.Macros"}};
  for (const TCase& C : Cases) {
    TScriptScope Scope("click btClose\n");
    bool AddShown = true;
    Scope.Driver.OnShown = [&](TCustomForm& Form) { AddShown = As<TCollectionEditor>(Form).btAdd->Visible(); };
    EditorOf(*C.Component)->ExecuteVerb(C.Index);
    EXPECT_EQ(Scope.Driver.Shown, TStrings_{std::string("CollectionEditor \"") + C.Caption + "\""});
    EXPECT_FALSE(AddShown) << C.Caption;
  }
  EXPECT_FALSE(Designer.IsModified());
}

TEST_F(ComponentEditors, AStoredProceduresParametersMayBeAddedAndDeletedUnlessItsDatabaseDescribedThem) {
  struct TCase {
    const char* What;
    std::function<void()> Arrange;
  };
  const TCase Cases[] = {
      {"connected database that describes no procedures", [&] { Database->Open(); }},
      {"database not connected", [&] {
         Database->Close();
         StoredProc->Params().CreateParam(ftInteger, "ID", ptInput);
       }},
      {"blank database name", [&] {
         StoredProc->SetDatabaseName("  ");
         StoredProc->Params().CreateParam(ftInteger, "ID", ptInput);
       }},
  };
  for (const TCase& C : Cases) {
    C.Arrange();
    TScriptScope Scope("click btClose\n");
    TColOptions Offered;
    Scope.Driver.OnShown = [&](TCustomForm& Form) {
      auto& Editor = As<TCollectionEditor>(Form);
      if (Editor.btAdd->Visible()) Offered.Include(coAdd);
      if (Editor.btDelete->Visible()) Offered.Include(coDelete);
      if (Editor.btMoveUp->Visible()) Offered.Include(coMove);
    };
    EditorOf(*StoredProc)->ExecuteVerb(3);
    EXPECT_EQ(Scope.Driver.Shown, TStrings_{"CollectionEditor \"Editing StoredProc1.Params\""}) << C.What;
    EXPECT_EQ(Offered, (TColOptions{coAdd, coDelete})) << C.What;
    EXPECT_FALSE(StoredProc->Prepared()) << C.What;
  }
}

TEST(SharedRoutines, DatabasesAreFoundInTheDataSetsSession) {
  TComponent Root(nullptr);
  TVNDatabase Database(&Root);
  Database.SetDatabaseName("Orders");
  TVNQuery Query(&Root);
  Query.SetDatabaseName("ORDERS");
  EXPECT_FALSE(VNReg::IsDataSetDatabaseConnected(Query));
  Query.SetSessionName("NoSuchSession");
  EXPECT_FALSE(VNReg::IsDataSetDatabaseConnected(Query));
  TVNStoredProc Proc(&Root);
  Proc.SetDatabaseName("orders");
  EXPECT_EQ(VNReg::FindStoredProcDatabase(Proc), &Database);
  Proc.SetDatabaseName("other");
  EXPECT_EQ(VNReg::FindStoredProcDatabase(Proc), nullptr);
  EXPECT_EQ(VNReg::GetDesignerRootName(nullptr), "");
}

TEST(SharedRoutines, TheAltKeyIsDownWhileTheDriverHoldsIt) {
  TScriptScope Scope("");
  EXPECT_FALSE(VNReg::IsAltKeyDown());
  Scope.Driver.SetKeyDown(VK_MENU, true);
  EXPECT_TRUE(VNReg::IsAltKeyDown());
}

}  // namespace
