#include "ide/DSDesign.h"

#include <gtest/gtest.h>

#include <string>

#include "form_designer.h"
#include "rtl/FormFiles.h"
#include "support/recording_driver.h"
#include "vcl/StdCtrls.h"

namespace {

// A dataset whose statement cannot be run.
class TBrokenDataSet : public TDataSet {
  VN_DECLARE_CLASS(TBrokenDataSet)
 public:
  using TDataSet::TDataSet;

 protected:
  void InternalOpen() override { throw EDatabaseError("no such table: ORDERS"); }
};
VN_IMPLEMENT_CLASS(TBrokenDataSet, TDataSet)

struct TFormWithData {
  TFormWithData() {
    Root.SetName("Form1");
    Data.SetName("Data1");
    Data.Load({{"ID", ftInteger}, {"NAME", ftString}}, {{Variant(1), Variant("one")}});
  }
  TComponent Root{nullptr};
  TMemoryDataSet Data{&Root};
  vn_ide::TFormDesigner Designer{Root};

  void ShowEditor(const std::string& Script) {
    vn_test::TScriptScope Scope(Script);
    ShowFieldsEditor(&Designer, Data, TDSDesigner::StaticClass());
    ASSERT_EQ(Scope.Driver.ErrorCount(), 0u) << Scope.Driver.Output();
  }
};

TEST(FieldsEditorTest, AddedFieldsBecomePersistentFieldsThatTheFormFileKeeps) {
  TFormWithData Form;
  Form.ShowEditor("select lbAvailable NAME\nclick btAdd\nclick btOk\n");
  auto* Field = dynamic_cast<TStringField*>(Form.Root.FindComponent("Data1NAME"));
  ASSERT_NE(Field, nullptr);
  EXPECT_EQ(Field->FieldName(), "NAME");
  EXPECT_EQ(Field->DataSet(), &Form.Data);
  EXPECT_EQ(Form.Data.FieldCount(), 1);
  EXPECT_TRUE(Form.Data.Active());
  EXPECT_EQ(Form.Data.FieldByName("NAME").AsString(), "one");
  EXPECT_TRUE(Form.Designer.IsModified());
  std::string Text = WriteComponentText(Form.Root, "TForm1");
  std::erase(Text, '\r');
  // Written inside its dataset.
  EXPECT_TRUE(Text.ends_with("    object Data1NAME: TStringField\n      FieldName = 'NAME'\n    end\n  end\nend\n"))
      << Text;

  Form.Designer.ClearModified();
  Form.ShowEditor("click btAddAll\nselect lbFields NAME\nclick btRemove\nclick btOk\n");
  EXPECT_EQ(Form.Root.FindComponent("Data1NAME"), nullptr);
  ASSERT_NE(Form.Root.FindComponent("Data1ID"), nullptr);
  EXPECT_EQ(Form.Data.FieldCount(), 1);
  EXPECT_TRUE(Form.Designer.IsModified());
}

TEST(FieldsEditorTest, CancelAndAnUnchangedListChangeNothing) {
  TFormWithData Form;
  Form.ShowEditor("click btAddAll\nclick btCancel\n");
  Form.ShowEditor("click btAddAll\nclick btRemoveAll\nclick btOk\n");
  EXPECT_EQ(Form.Root.ComponentCount(), 1);
  EXPECT_FALSE(Form.Designer.IsModified());
}

TEST(FieldsEditorTest, AStatementThatCannotRunIsReportedInTheDialogAndLeavesTheDataSetClosed) {
  TComponent Root(nullptr);
  TBrokenDataSet Data(&Root);
  Data.SetName("Orders");
  vn_test::TScriptScope Scope("click btOk\n");
  std::string Status;
  Scope.Driver.OnShown = [&](TCustomForm& Form) {
    Status = dynamic_cast<TLabel&>(*Form.FindComponent("lblStatus")).Caption();
    EXPECT_EQ(dynamic_cast<TListBox&>(*Form.FindComponent("lbAvailable")).Items().Count(), 0);
  };
  ShowFieldsEditor(nullptr, Data, TDSDesigner::StaticClass());
  EXPECT_EQ(Status, "The fields of Orders could not be read: no such table: ORDERS");
  EXPECT_FALSE(Data.Active());
}

}  // namespace
