#include "editors/database_editor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "code_editor.h"
#include "editor_fixture.h"
#include "editors/code_editor_bridge.h"
#include "support/string_lines.h"

using vn_test::Lines;
using vn_test::TScriptScope;
using TLines = std::vector<std::string>;

namespace {

class DatabaseEditor : public vn_test::EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    Database->Params().SetText("USER_NAME=ann\n");
  }
  void TearDown() override {
    vn_ide::IDEServices().DiscardAll();
    EditorTest::TearDown();
  }
  // The editor as the host makes it for the database.
  VNReg::TVNDatabaseEditor& Editor() {
    if (!FEditor) FEditor = EditorOf(*Database);
    return As<VNReg::TVNDatabaseEditor>(*FEditor);
  }

 private:
  std::unique_ptr<TComponentEditor> FEditor;
};

TEST_F(DatabaseEditor, CancelWritesNothingButDefaultsSavedByTheButtonsStaySaved) {
  TScriptScope Scope("memo meParams\nUSER_NAME=bob\nROLE=admin\n.\nclick btSaveDefaultParams\n"
                     "type cbDatabaseName Other\nclick btCancel\n");
  Editor().Edit();
  ASSERT_EQ(Scope.Driver.ErrorCount(), 0u) << Scope.Driver.Output();
  EXPECT_EQ(Database->DatabaseName(), "ShopDB");
  EXPECT_EQ(Lines(Database->Params()), TLines{"USER_NAME=ann"});
  EXPECT_FALSE(Designer.IsModified());
  EXPECT_EQ(Lines(VNReg::DesignSettings->DbParams()), (TLines{"USER_NAME=bob", "ROLE=admin"}));
  EXPECT_EQ(Editor().EditDlg, nullptr);
}

TEST_F(DatabaseEditor, AcceptingWritesTheValuesBackAndTheTwoDesignOptionsLeavingOtherElementsAlone) {
  // An element the dialog knows nothing of (bit 5) stays as it was.
  Database->SetDesignOptions(TVNDesignDBOptions::FromBits(0b100000) + TVNDesignDBOptions{ddoIsDefaultDatabase});
  TScriptScope Scope("type cbDatabaseName Orders\nuncheck cbDefaultDatabase\ncheck cbStoreConnected\n"
                     "uncheck cbKeepConnection\nclick btOk\n");
  Editor().ExecuteVerb(2);
  ASSERT_EQ(Scope.Driver.ErrorCount(), 0u) << Scope.Driver.Output();
  EXPECT_EQ(Database->DatabaseName(), "Orders");
  EXPECT_FALSE(Database->KeepConnection());
  EXPECT_EQ(Database->DesignOptions(), TVNDesignDBOptions::FromBits(0b100000) + TVNDesignDBOptions{ddoStoreConnected});
  EXPECT_EQ(Lines(Database->Params()), TLines{"USER_NAME=ann"});
  EXPECT_TRUE(Designer.IsModified());
}

TEST_F(DatabaseEditor, ASetterRaisingMidWriteBackFreesTheDialogAndLeavesTheDesignerUnmarked) {
  Database->Open();  // a connected database refuses a new name
  TScriptScope Scope("memo meParams\nUSER_NAME=bob\n.\ntype cbDatabaseName Orders\nclick btOk\n");
  EXPECT_THROW(Editor().ExecuteVerb(2), EDatabaseError);
  EXPECT_EQ(Lines(Database->Params()), TLines{"USER_NAME=bob"}) << "written before the failing step";
  EXPECT_EQ(Database->DatabaseName(), "ShopDB");
  EXPECT_EQ(Editor().EditDlg, nullptr);
  EXPECT_EQ(Application->FindComponent("VNDatabaseEditDlg"), nullptr) << "the dialog was not freed";
  EXPECT_FALSE(Designer.IsModified());
}

TEST_F(DatabaseEditor, TheParameterVerbDeclinesWhileTheParametersStayOpenInTheCodeEditor) {
  VNReg::ShowStringsInCodeEditor(&Designer, Database, "Params", Database->Params(), true);
  {
    TScriptScope Scope("answer Cancel\n");
    Editor().ExecuteVerb(3);
    EXPECT_TRUE(Scope.Driver.Shown.empty()) << Scope.Driver.Output();
  }
  Designer.ClearModified();
  TScriptScope Scope("answer No\nclick btOk\n");
  Editor().ExecuteVerb(3);
  EXPECT_EQ(Scope.Driver.Shown.size(), 1u) << Scope.Driver.Output();
  EXPECT_TRUE(Designer.IsModified());
}

TEST_F(DatabaseEditor, DefaultParametersAreCopiedIntoAListAndANullListIsLeftAlone) {
  TStringList Defaults;
  Defaults.SetText("HOST=db1\n");
  VNReg::DesignSettings->SaveDbParams(Defaults);
  Editor().GetDefaultParams(nullptr);
  TStringList List;
  List.SetText("OLD=1\n");
  Editor().GetDefaultParams(&List);
  EXPECT_EQ(Lines(List), TLines{"HOST=db1"});
  // The dialog's events do nothing once the dialog is gone.
  Editor().LoadDefaultParams(nullptr);
  Editor().SaveDefaultParams(nullptr);
  Editor().SaveDefaultSrvType(nullptr);
  EXPECT_EQ(Lines(VNReg::DesignSettings->DbParams()), TLines{"HOST=db1"});
}

}  // namespace
