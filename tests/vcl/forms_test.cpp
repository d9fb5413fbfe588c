#include "vcl/Forms.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "dialog_script.h"
#include "rtl/FormFiles.h"
#include "support/message_of.h"

namespace {

using Log = std::vector<std::string>;

TEST(FormResourceTest, StreamsTheDescriptionAndBindsFieldsAndHandlersByName) {
  auto Form = NewTestDialog();
  EXPECT_EQ(Form->Name(), "TestDialog");
  EXPECT_EQ(Form->Owner(), Application);
  EXPECT_EQ(Form->Caption(), "Test Dialog");
  EXPECT_EQ(Form->ClientWidth(), 400);
  EXPECT_EQ(Form->ClientHeight(), 240);
  EXPECT_EQ(Form->BorderStyle(), bsDialog);
  EXPECT_EQ(Form->Position(), poScreenCenter);
  EXPECT_EQ(Form->Font().Name(), "MS Sans Serif");
  EXPECT_EQ(Form->Font().Height(), -11);
  EXPECT_EQ(Form->Font().Size(), 8);

  // Named values of integer properties: colours and cursors.
  EXPECT_EQ(Form->Color(), clBtnFace);
  EXPECT_EQ(Form->lblName->Font().Color(), clNavy);
  EXPECT_TRUE(Form->lblName->Font().Style().Contains(fsUnderline));
  EXPECT_EQ(Form->lblName->Cursor(), crHandPoint);
  EXPECT_EQ(static_cast<int>(crHandPoint), -21);

  // Controls follow their parent's font unless they have their own.
  EXPECT_TRUE(Form->cbName->ParentFont());
  EXPECT_EQ(Form->cbName->Font().Name(), "MS Sans Serif");
  EXPECT_FALSE(Form->lblName->ParentFont());

  // Every field points at the component of its name, nested as described.
  EXPECT_EQ(Form->cbName->Parent(), Form->tsFirst);
  EXPECT_EQ(Form->tsFirst->PageControl(), Form->pcMain);
  EXPECT_EQ(Form->pcMain->PageCount(), 2);
  EXPECT_EQ(Form->pcMain->ActivePage(), Form->tsFirst);
  EXPECT_EQ(Form->btOk->Parent(), Form->pnlButtons);
  EXPECT_EQ(Form->lblName->FocusControl(), Form->cbName);
  EXPECT_EQ(Form->lbFields->PopupMenu(), Form->pmFields);
  EXPECT_EQ(Form->miClearAll->GetParentMenu(), Form->pmFields);
  EXPECT_EQ(Form->pmFields->Items().Count(), 2);
  EXPECT_EQ(Form->ActiveControl(), Form->cbName);

  // Values given before the items they index are kept for them.
  EXPECT_EQ(Form->rgrKind->ItemIndex(), 0);
  EXPECT_EQ(Form->rgrKind->Items().Count(), 3);
  EXPECT_EQ(Form->cbName->Items().Count(), 2);
  EXPECT_TRUE(Form->btOk->Default());
  EXPECT_EQ(Form->btOk->ModalResult(), mrOk);
  EXPECT_TRUE(Form->btCancel->Cancel());

  // Tab order from the file, whatever order the controls came in.
  EXPECT_EQ(Form->meText->TabOrder(), 0);
  EXPECT_EQ(Form->rgrKind->TabOrder(), 1);
  EXPECT_EQ(Form->FindNextControl(nullptr, true), Form->pcMain);
  EXPECT_EQ(Form->FindNextControl(Form->pcMain, true), Form->cbName);

  // Aligned children fill the client area: the panel at the bottom, pages above.
  EXPECT_EQ(Form->pnlButtons->Top(), 207);
  EXPECT_EQ(Form->pnlButtons->Width(), 400);
  EXPECT_EQ(Form->pcMain->Height(), 207);

  EXPECT_EQ(DialogLog(), Log{"create cbName"});
  EXPECT_EQ(Form->meText->Lines().Text(), "first\r\n");
  EXPECT_EQ(Form->ConsistencyCheck(), "");

  Form.reset();
  EXPECT_EQ(DialogLog(), (Log{"create cbName", "destroy TestDialog"}));
}

TEST(FormResourceTest, ASecondFormOfTheClassGetsAFreeName) {
  auto First = NewTestDialog();
  auto Second = std::make_unique<TTestDialog>(Application);
  EXPECT_EQ(First->Name(), "TestDialog");
  EXPECT_EQ(Second->Name(), "TestDialog_1");
  EXPECT_EQ(Application->FindComponent("TestDialog_1"), Second.get());
  Second.reset();
  EXPECT_EQ(Application->FindComponent("TestDialog_1"), nullptr);
}

TEST(FormResourceTest, BindingProblemsNameTheFormAndTheField) {
  EXPECT_EQ(MessageOf<EComponentError>([] { TMissingFieldDialog Form(Application); }),
            "TMissingFieldDialog.btCancel: the form resource TMISSINGFIELDDIALOG has no component of that name");
  EXPECT_EQ(MessageOf<EComponentError>([] { TWrongClassDialog Form(Application); }),
            "TWrongClassDialog.btOk: the form resource TWRONGCLASSDIALOG makes it a TLabel, not a TButton");
  const std::string Missing = MessageOf<EResNotFound>([] { TNoResourceDialog Form(nullptr); });
  EXPECT_TRUE(Has(Missing, "Resource TNORESOURCEDIALOG not found in ")) << Missing;
  const std::string Handler = MessageOf<Exception>([] { TUnknownHandlerDialog Form(nullptr); });
  EXPECT_TRUE(Has(Handler, "NoSuchMethod")) << Handler;
  // Nothing of a failed form stays with the application.
  EXPECT_EQ(Application->FindComponent("MissingFieldDialog"), nullptr);
  EXPECT_EQ(Application->FindComponent("WrongClassDialog"), nullptr);
}

TEST(FormResourceTest, CreateFormMakesTheApplicationTheOwner) {
  TTestDialog* Form = nullptr;
  Application->CreateForm(Form);
  ASSERT_NE(Form, nullptr);
  std::unique_ptr<TTestDialog> Owned(Form);
  EXPECT_EQ(Form->Owner(), Application);
  EXPECT_EQ(Form->btOk->Caption(), "&OK");
  EXPECT_THROW(Application->CreateFormOfClass(TButton::StaticClass()), EInvalidCast);
}

TEST(FormResourceTest, WrittenBackNamedValuesStayNamed) {
  auto Form = NewTestDialog();
  const std::string Text = WriteComponentText(*Form);
  EXPECT_TRUE(Has(Text, "Font.Color = clNavy")) << Text;
  EXPECT_TRUE(Has(Text, "Cursor = crHandPoint")) << Text;
  EXPECT_TRUE(Has(Text, "ActivePage = tsFirst")) << Text;
  EXPECT_TRUE(Has(Text, "object miSelectAll: TMenuItem")) << Text;
  EXPECT_FALSE(Has(Text, "\n  Width = ")) << "a form writes its client size";
  EXPECT_TRUE(Has(Text, "\n  ClientWidth = 400")) << Text;

  // The inspector shows them by name and takes a name or a number.
  const TPropInfo& Cursor = FindPropInfo(*Form->lblName, "Cursor");
  EXPECT_EQ(GetPropText(*Form->lblName, Cursor), "crHandPoint");
  SetPropText(*Form->lblName, Cursor, "crHourGlass");
  EXPECT_EQ(Form->lblName->Cursor(), crHourGlass);
  SetPropText(*Form->lblName, Cursor, "-2");
  EXPECT_EQ(Form->lblName->Cursor(), crArrow);
  SetPropText(*Form->lblName, Cursor, "7");
  EXPECT_EQ(GetPropText(*Form->lblName, Cursor), "7");
  EXPECT_THROW(SetPropText(*Form->lblName, Cursor, "crNoSuch"), EPropertyConvertError);

  // And read into a plain form again, they mean the same.
  TForm Copy(nullptr);
  Copy.SetDesigning(true);
  ReadComponentText(Text, Copy);
  auto* Label = As<TLabel>(Copy.FindComponent("lblName"));
  EXPECT_EQ(Label->Font().Color(), clNavy);
  EXPECT_EQ(Label->Cursor(), crHandPoint);
  EXPECT_EQ(Copy.ClientWidth(), 400);
  EXPECT_EQ(As<TRadioGroup>(Copy.FindComponent("rgrKind"))->ItemIndex(), 0);
}

TEST(FocusModelTest, ExitsFireBeforeEntersAndARaisingExitKeepsTheFocus) {
  auto Form = NewTestDialog();
  // Focus set before the form is up is only recorded.
  Form->OnShow.Handler = [&](TObject*) { Form->lbFields->SetFocus(); };
  const TScriptRun Run = RunScript(*Form, "", [&](TCustomForm&) {
    EXPECT_TRUE(Form->lbFields->Focused());
    EXPECT_EQ(DialogLog(), Log{"create cbName"});

    Form->cbName->SetFocus();
    EXPECT_EQ(DialogLog().back(), "exit lbFields");
    EXPECT_TRUE(Form->cbName->Focused());
    EXPECT_EQ(Form->ConsistencyCheck(), "");

    // Focus into a page that is not shown cannot be.
    EXPECT_FALSE(Form->meText->CanFocus());
    EXPECT_THROW(Form->meText->SetFocus(), EInvalidOperation);

    // An exit handler that raises keeps the focus where it was.
    Form->cbName->OnExit.Handler = [](TObject*) { throw EConvertError("not valid"); };
    EXPECT_THROW(Form->lbFields->SetFocus(), EConvertError);
    EXPECT_EQ(Form->ActiveControl(), Form->cbName);

    // Disabling the focused control takes the focus away, with its exit.
    Form->cbName->OnExit.Handler = [](TObject*) { DialogLog().push_back("exit cbName (disabled)"); };
    Form->cbName->SetEnabled(false);
    EXPECT_EQ(Form->ActiveControl(), nullptr);
    EXPECT_EQ(DialogLog().back(), "exit cbName (disabled)");
    EXPECT_EQ(Form->ConsistencyCheck(), "");

    EXPECT_EQ(Screen->ActiveForm(), Form.get());
    EXPECT_THROW(Form->ShowModal(), EInvalidOperation);
  });
  EXPECT_EQ(Run.Result, mrCancel);
  EXPECT_FALSE(Form->Showing());
  EXPECT_EQ(Screen->ActiveForm(), nullptr);
}

TEST(ModalFormTest, WithoutADriverNoOneActsAndTheFormCloses) {
  auto Form = NewTestDialog();
  EXPECT_EQ(Form->ShowModal(), mrCancel);
  EXPECT_EQ(MessageDlg("Nobody answers", mtError, {mbOK}, 0), mrOk);
  EXPECT_EQ(MessageDlg("Nobody answers", mtConfirmation, mbYesNoCancel, 0), mrCancel);
  EXPECT_EQ(MessageDlg("Nobody answers", mtConfirmation, mbYesNo, 0), mrNo);
  EXPECT_EQ(GetAsyncKeyState(VK_MENU), 0);
}

TEST(ScreenCursorTest, TheGuardRestoresTheCursorOnEveryWayOut) {
  Screen->SetCursor(crDefault);
  try {
    TCursorGuard Busy(crHourGlass);
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    EXPECT_EQ(static_cast<int>(Screen->Cursor()), -11);
    {
      TCursorGuard Inner(crSQLWait);
      EXPECT_EQ(Screen->Cursor(), crSQLWait);
    }
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    throw EConvertError("failed");
  } catch (const EConvertError&) {
  }
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

}  // namespace

namespace {

TEST(ModalFormTest, CloseEventsAndNestedModalFormsFollowThePlatform) {
  auto Form = NewTestDialog();
  // A close query that raises is reported and keeps the form open.
  int Queries = 0;
  Form->OnCloseQuery.Handler = [&](TObject*, bool&) {
    if (++Queries == 1) throw EConvertError("cannot decide");
  };
  // OnClose may keep the form open too.
  int Closes = 0;
  Form->OnClose.Handler = [&](TObject*, TCloseAction& Action) {
    if (++Closes == 1) Action = caNone;
  };
  // A button that opens a second dialog over the first.
  Form->btAsk->OnClick.Handler = [&](TObject*) {
    auto Inner = std::make_unique<TTestDialog>(Application);
    DialogLog().push_back("inner " + IntToStr(Inner->ShowModal()));
  };
  const TScriptRun Run = RunScript(*Form,
                                   "click btAsk\n"
                                   "type cbName inner\n"
                                   "key enter\n"
                                   "answer yes\n"
                                   "key esc\n"
                                   "key esc\n"
                                   "key esc\n");
  EXPECT_EQ(Run.Result, mrCancel);
  EXPECT_EQ(Queries, 3);
  EXPECT_EQ(Closes, 2);
  EXPECT_TRUE(Has(Run.Output,
                  "[Form] TestDialog_1 \"Test Dialog\" opened\n"
                  "[Confirmation] The second statement is empty. Close anyway? (buttons: Yes, No, Cancel)\n"
                  "[Form] TestDialog_1 closed: mrOk\n"
                  "[Exception] EConvertError: cannot decide\n"
                  "[Form] TestDialog closed: mrCancel\n"))
      << Run.Output;
  EXPECT_NE(std::find(DialogLog().begin(), DialogLog().end(), "inner 1"), DialogLog().end());
}

TEST(FormResourceTest, AHandlerOfTheWrongSignatureIsRefusedByName) {
  auto Form = NewTestDialog();
  const TPropInfo& OnClick = FindPropInfo(*Form->btOk, "OnClick");
  const std::string Message = MessageOf<EPropertyConvertError>(
      [&] { SetMethodProp(*Form->btOk, OnClick, "FormCloseQuery", Form->MethodAddress("FormCloseQuery")); });
  EXPECT_TRUE(Has(Message, "FormCloseQuery")) << Message;
  EXPECT_TRUE(Has(Message, "OnClick")) << Message;
  // Handlers are found without regard to case, as the platform's methods are.
  EXPECT_TRUE(Form->MethodAddress("formcreate").has_value());
  EXPECT_FALSE(Form->MethodAddress("NoSuchMethod").has_value());
}

}  // namespace
