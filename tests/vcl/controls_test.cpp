#include "vcl/Controls.h"

#include <gtest/gtest.h>

#include "dialog_script.h"
#include "text_layout.h"

namespace {

TEST(CanvasTest, TextWidthIsMeasuredWithTheControlsFont) {
  TLabel Label(nullptr);
  TCanvas& Canvas = Label.Canvas();
  const int Short = Canvas.TextWidth("id");
  const int Long = Canvas.TextWidth("customer_name");
  EXPECT_GT(Short, 0);
  EXPECT_GT(Long, Short);
  EXPECT_EQ(Canvas.TextWidth(""), 0);
  // Not a count of characters: narrow and wide letters differ.
  EXPECT_LT(Canvas.TextWidth("iiiiiiii"), Canvas.TextWidth("WWWWWWWW"));
  // Height -11 at 96 pixels per inch is an 11-pixel em: a line of about 13.
  EXPECT_GE(Canvas.TextHeight("Ag"), 11);
  EXPECT_LE(Canvas.TextHeight("Ag"), 15);

  const int Normal = Canvas.TextWidth("Refresh/Update Fields");
  Label.Font().SetHeight(-22);
  EXPECT_GT(Canvas.TextWidth("Refresh/Update Fields"), Normal * 17 / 10);
  Label.Font().SetHeight(-11);
  Label.Font().SetStyle({fsBold});
  EXPECT_GT(Canvas.TextWidth("Refresh/Update Fields"), Normal);
  // A positive height is the cell height, a little more than the em.
  Label.Font().SetStyle({});
  Label.Font().SetHeight(13);
  EXPECT_LT(Canvas.TextWidth("Refresh/Update Fields"), Canvas.TextWidth("Refresh/Update Fields") + 1);
  EXPECT_LE(Canvas.TextWidth("Refresh/Update Fields"), Normal * 13 / 11 + 1);
  Label.Font().SetHeight(-11);

  // The form font resolves to the metric-compatible sans font that the set-up
  // installs (not a wider fallback), and bad text still measures.
  const std::string Family = vn_vcl::ResolvedFontFamily(Label.Font());
  EXPECT_EQ(Family, "Liberation Sans");
  EXPECT_GT(Canvas.TextWidth(std::string("a\xFF\0b", 4)), 0);
}

TEST(CanvasTest, AnAutoSizedLabelTakesTheWidthOfItsCaption) {
  TLabel Label(nullptr);
  Label.SetCaption("&Key Fields:");
  EXPECT_EQ(Label.DisplayText(), "Key Fields:");
  EXPECT_EQ(Label.Width(), Label.Canvas().TextWidth("Key Fields:"));
  Label.Font().SetStyle({fsBold});
  EXPECT_EQ(Label.Width(), Label.Canvas().TextWidth("Key Fields:"));
}

TEST(ListBoxTest, HorizontalExtentComesByMessageAndShows) {
  auto Form = NewTestDialog();
  const HWND Handle = Form->lbFields->Handle();
  EXPECT_EQ(SendMessageW(Handle, LB_SETHORIZONTALEXTENT, 123, 0), 0);
  EXPECT_EQ(Form->lbFields->ScrollWidth(), 123);
  EXPECT_EQ(SendMessageW(Handle, LB_GETHORIZONTALEXTENT, 0, 0), 123);
  EXPECT_NE(Form->cbName->Handle(), Handle);
  const TScriptRun Run = RunScript(*Form, "show\n");
  EXPECT_TRUE(Has(Run.Output, "lbFields list multi-select, 3 items, 3 selected, extent 123\n") ||
              Has(Run.Output, "extent 123"))
      << Run.Output;

  // A handle outlives nothing: messages to a destroyed control go nowhere.
  Form.reset();
  EXPECT_EQ(SendMessageW(Handle, LB_GETHORIZONTALEXTENT, 0, 0), 0);
  EXPECT_EQ(SendMessageW(0, LB_SETHORIZONTALEXTENT, 5, 0), 0);
}

TEST(ControlTreeTest, ParentsChildrenAndFontsStayConsistentAsControlsComeAndGo) {
  auto Form = NewTestDialog();
  // A control cannot hold its own parent.
  EXPECT_THROW(Form->pnlButtons->SetParent(Form->btOk), EInvalidOperation);
  EXPECT_THROW(Form->pcMain->SetParent(Form->tsFirst), EInvalidOperation);

  // The form's font reaches the controls that follow it, not the others.
  Form->Font().SetHeight(-13);
  EXPECT_EQ(Form->cbName->Font().Height(), -13);
  EXPECT_EQ(Form->lblName->Font().Height(), -11);
  Form->cbName->Font().SetName("Courier New");
  EXPECT_FALSE(Form->cbName->ParentFont());
  Form->Font().SetHeight(-11);
  EXPECT_EQ(Form->cbName->Font().Height(), -13);

  // Destroying controls leaves no dangling links.
  delete Form->btCancel;
  Form->btCancel = nullptr;
  delete Form->tsSecond;
  Form->tsSecond = nullptr;
  Form->rgrKind = nullptr;
  EXPECT_EQ(Form->pcMain->PageCount(), 1);
  delete Form->pmFields;
  Form->pmFields = nullptr;
  EXPECT_EQ(Form->lbFields->PopupMenu(), nullptr);
  EXPECT_EQ(Form->ConsistencyCheck(), "");
  // The memo and radio group of the page stay with the form, out of any parent.
  EXPECT_EQ(Form->meText->Parent(), nullptr);
  EXPECT_EQ(Form->FindNextControl(Form->btOk, true), Form->pcMain);
}

}  // namespace

namespace {

TEST(FontTest, HeightAndSizeConvertAtTheFormsResolution) {
  TFont Font;
  EXPECT_EQ(Font.Height(), -11);
  EXPECT_EQ(Font.Size(), 8);
  Font.SetSize(10);
  EXPECT_EQ(Font.Height(), -13);
  Font.SetSize(12);
  EXPECT_EQ(Font.Height(), -16);
  Font.SetHeight(-16);
  EXPECT_EQ(Font.Size(), 12);

  int Changes = 0;
  Font.OnChange = [&](TFont&) { ++Changes; };
  TFont Other;
  Other.SetStyle({fsBold, fsItalic});
  Font.Assign(Other);
  EXPECT_TRUE(Font.Equals(Other));
  Font.Assign(Other);  // nothing changes the second time
  EXPECT_EQ(Changes, 1);
  TStringList NotAFont;
  EXPECT_THROW(Font.Assign(NotAFont), EConvertError);
}

TEST(ItemControlsTest, IndexesFollowTheirItemsAndBadIndexesAreRefused) {
  TForm Form(nullptr);
  TComboBox Combo(&Form);
  Combo.SetParent(&Form);
  Combo.Items().Add("b");
  Combo.Items().Add("d");
  Combo.SetItemIndex(1);
  Combo.Items().Insert(0, "a");
  EXPECT_EQ(Combo.ItemIndex(), 2);
  EXPECT_EQ(Combo.Text(), "d");
  Combo.Items().Delete(2);
  EXPECT_EQ(Combo.ItemIndex(), -1);
  EXPECT_EQ(Combo.Text(), "d") << "deleting the chosen item leaves the edit's text";
  EXPECT_THROW(Combo.SetItemIndex(5), EListError);
  EXPECT_THROW(Combo.UserSelect(-1), EListError);

  Combo.SetSorted(true);
  Combo.Items().Add("c");
  EXPECT_EQ(Combo.Items().CommaText(), "a,b,c");
  Combo.SetStyle(csDropDownList);
  EXPECT_THROW(Combo.UserSetText("zzz"), EInvalidOperation);
  Combo.SetText("B");
  EXPECT_EQ(Combo.Text(), "b") << "a list-only combo shows an item's own text";
  Combo.SetText("zzz");
  EXPECT_EQ(Combo.ItemIndex(), -1);
  EXPECT_EQ(Combo.Text(), "");

  TRadioGroup Radio(&Form);
  Radio.Items().SetText("x\ny\nz");
  Radio.SetItemIndex(2);
  Radio.Items().Delete(0);
  EXPECT_EQ(Radio.ItemIndex(), 1);
  EXPECT_THROW(Radio.SetItemIndex(2), EListError);
  EXPECT_THROW(Radio.UserClickItem(7), EListError);
  EXPECT_THROW(Radio.SetColumns(0), EInvalidOperation);
  Radio.Items().Clear();
  EXPECT_EQ(Radio.ItemIndex(), -1);

  TListBox List(&Form);
  List.Items().SetText("c\na\nb");
  List.SetItemIndex(0);
  List.SetSorted(true);
  EXPECT_EQ(List.Items().CommaText(), "a,b,c");
  EXPECT_EQ(List.ItemIndex(), 2) << "the current item stays current when sorted";
  EXPECT_THROW(List.Selected(3), EListError);
  EXPECT_THROW(List.SetSelected(-1, true), EListError);
  List.Clear();
  EXPECT_EQ(List.ItemIndex(), -1);
}

TEST(PageControlTest, PagesComeAndGoAndHiddenFocusMovesToThePageControl) {
  auto Form = NewTestDialog();
  TForm Other(nullptr);
  TTabSheet Foreign(&Other);
  EXPECT_THROW(Form->pcMain->SetActivePage(&Foreign), EInvalidOperation);
  EXPECT_THROW(Form->pcMain->UserSelectPage(Foreign), EInvalidOperation);
  EXPECT_EQ(Form->tsSecond->PageIndex(), 1);
  Form->tsSecond->SetPageIndex(0);
  EXPECT_EQ(Form->pcMain->Pages(0), Form->tsSecond);
  Form->tsSecond->SetPageIndex(1);

  RunScript(*Form, "", [&](TCustomForm&) {
    Form->lbFields->SetFocus();
    DialogLog().clear();
    // Turning the page in code takes the focus off the page that goes.
    Form->pcMain->SetActivePage(Form->tsSecond);
    EXPECT_EQ(DialogLog(), std::vector<std::string>{"exit lbFields"});
    EXPECT_EQ(Form->ActiveControl(), Form->pcMain);
    EXPECT_TRUE(Form->meText->CanFocus());
    EXPECT_FALSE(Form->lbFields->CanFocus());
    EXPECT_EQ(Form->ConsistencyCheck(), "");
  });

  // Taking away the active page shows its neighbour.
  delete Form->tsSecond;
  Form->tsSecond = nullptr;
  EXPECT_EQ(Form->pcMain->ActivePage(), Form->tsFirst);
  EXPECT_EQ(Form->pcMain->ActivePageIndex(), 0);
  EXPECT_THROW(Form->pcMain->Pages(1), EListError);
}

TEST(LayoutTest, TheFrameFollowsTheBorderAndAlignedChildrenShareTheClientArea) {
  TForm Form(nullptr);
  Form.SetBorderStyle(bsDialog);
  Form.SetClientWidth(475);
  Form.SetClientHeight(280);
  EXPECT_EQ(Form.Width(), 481);
  EXPECT_EQ(Form.Height(), 305);
  Form.SetBorderStyle(bsNone);
  EXPECT_EQ(Form.Width(), 475) << "the client area keeps its size";
  Form.SetBounds(0, 0, 300, 200);
  EXPECT_EQ(Form.ClientWidth(), 300);

  TPanel Top(&Form), Bottom(&Form), Left(&Form), Client(&Form);
  for (TPanel* P : {&Top, &Bottom, &Left, &Client}) P->SetParent(&Form);
  Top.SetHeight(20);
  Top.SetAlign(alTop);
  Bottom.SetHeight(30);
  Bottom.SetAlign(alBottom);
  Left.SetWidth(50);
  Left.SetAlign(alLeft);
  Client.SetAlign(alClient);
  EXPECT_EQ(Bottom.Top(), 170);
  EXPECT_EQ(Left.Top(), 20);
  EXPECT_EQ(Left.Height(), 150);
  EXPECT_EQ(Client.Left(), 50);
  EXPECT_EQ(Client.Width(), 250);
  EXPECT_EQ(Client.Height(), 150);
  Form.SetClientHeight(300);
  EXPECT_EQ(Bottom.Top(), 270);
  EXPECT_EQ(Client.Height(), 250);
  Bottom.SetVisible(false);
  EXPECT_EQ(Client.Height(), 280);
  EXPECT_EQ(Form.ConsistencyCheck(), "");
}

TEST(MenuTest, ItemsNestAndAPopupRunsOnlyWhatCanBePicked) {
  TForm Form(nullptr);
  TPopupMenu Menu(&Form);
  TMenuItem File(&Form), Open(&Form), Line(&Form);
  Menu.Items().Add(File);
  File.Add(Open);
  Menu.Items().Add(Line);
  Line.SetCaption("-");
  File.SetCaption("&File");
  Open.SetCaption("&Open");
  EXPECT_EQ(Open.GetParentMenu(), &Menu);
  EXPECT_EQ(Open.GetParentComponent(), &File);
  EXPECT_EQ(File.GetParentComponent(), &Menu);
  EXPECT_THROW(Open.Add(File), EInvalidOperation);
  EXPECT_THROW(File.Insert(5, Line), EListError);

  int Opened = 0, Popups = 0;
  Open.OnClick.Handler = [&](TObject*) { ++Opened; };
  Menu.OnPopup.Handler = [&](TObject*) { ++Popups; };
  std::istringstream In("click Open\nclick Open\nkey esc\n");
  std::ostringstream Out;
  vn_vcl::TScriptedDriver Driver(In, Out);
  vn_vcl::TDriverInstallation Installed(Driver);
  Menu.Popup(0, 0);
  EXPECT_EQ(Opened, 1);
  File.SetEnabled(false);  // a disabled parent hides its items' commands
  Menu.Popup(0, 0);
  EXPECT_EQ(Opened, 1);
  EXPECT_EQ(Popups, 2);

  // An item destroyed first leaves its parent, a parent destroyed first lets go.
  {
    TMenuItem Temp(&Form);
    File.Add(Temp);
    EXPECT_EQ(File.Count(), 2);
  }
  EXPECT_EQ(File.Count(), 1);
}

}  // namespace

TEST(MemoTest, TextWithALineBreakBecomesSeveralLines) {
  TMemo Memo(nullptr);
  TStringList Statement;
  Statement.Add("select a\r\nfrom t");
  Statement.Add("where");
  Memo.Lines().Assign(Statement);
  ASSERT_EQ(Memo.Lines().Count(), 3);
  EXPECT_EQ(Memo.Lines().Strings(0), "select a");
  EXPECT_EQ(Memo.Lines().Strings(1), "from t");
  EXPECT_EQ(Memo.Lines().Text(), Statement.Text()) << "the statement's text is the same";
  Memo.Lines().Put(2, "where\nx = 1");
  EXPECT_EQ(Memo.Lines().Count(), 4);
  EXPECT_EQ(Memo.Lines().Strings(3), "x = 1");
}
