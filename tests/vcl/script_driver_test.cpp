#include "script_driver.h"

#include <gtest/gtest.h>

#include "dialog_script.h"
#include "support/temp_dir.h"

namespace {

using Log = std::vector<std::string>;

TEST(ScriptedDriverTest, ClicksMoveTheFocusFirstSoExitsComeBeforeTheClicksEffects) {
  auto Form = NewTestDialog();
  const TScriptRun Run = RunScript(*Form,
                                   "type cbName orders\n"
                                   "select lbFields price\n"
                                   "page pcMain Second\n"
                                   "memo meText\n"
                                   "edited first\n"
                                   ".\n"
                                   "radio rgrKind &Two\n"
                                   "memo meText\n"
                                   "second\n"
                                   ".\n"
                                   "click btCancel\n");
  EXPECT_EQ(Run.Result, mrCancel);
  EXPECT_EQ(DialogLog(), (Log{"create cbName", "change orders", "exit cbName", "exit lbFields", "page tsSecond",
                              "exit meText", "radio 1", "exit meText", "closequery 2"}));
  // The memo's edits went into the statement shown while they were made.
  EXPECT_EQ(Form->Statements, (std::vector<std::string>{"edited first", "second", "third"}));
  EXPECT_EQ(Form->ActiveControl(), Form->btCancel);
  EXPECT_EQ(Run.Output, "[Form] TestDialog \"Test Dialog\" opened\n[Form] TestDialog closed: mrCancel\n");
}

TEST(ScriptedDriverTest, DisabledAndUnseenControlsCannotBeActedOnAndTheScriptGoesOn) {
  auto Form = NewTestDialog();
  const TScriptRun Run = RunScript(*Form,
                                   "click btAction\n"
                                   "memo meText\n"
                                   "lost\n"
                                   ".\n"
                                   "click btNothing\n"
                                   "frobnicate now\n"
                                   "answer Yes\n"
                                   "select lbFields nosuch\n"
                                   "type lbFields text\n"
                                   "type cbName x\n"
                                   "click btAction\n");
  EXPECT_EQ(Run.Output,
            "[Form] TestDialog \"Test Dialog\" opened\n"
            "error: btAction is disabled\n"
            "error: meText is not shown\n"
            "error: TestDialog has no control btNothing\n"
            "error: unknown command frobnicate (try help)\n"
            "error: no message is waiting for an answer\n"
            "error: lbFields has no item \"nosuch\"\n"
            "error: lbFields takes no typing\n"
            "(end of input)\n"
            "[Form] TestDialog closed: mrCancel\n");
  // The click on the button that became enabled moved the focus first.
  EXPECT_EQ(DialogLog(), (Log{"create cbName", "change x", "exit cbName", "action x"}));
  EXPECT_EQ(Form->Statements[0], "first");
}

TEST(ScriptedDriverTest, EnterPressesTheDefaultButtonAndEscTheCancelButton) {
  auto Form = NewTestDialog();
  Form->Statements[1] = "filled";
  EXPECT_EQ(RunScript(*Form, "type cbName a\nkey enter\n").Result, mrOk);
  // The default button is pressed without taking the focus.
  EXPECT_EQ(DialogLog(), (Log{"create cbName", "change a", "closequery 1"}));
  EXPECT_EQ(RunScript(*Form, "key esc\n").Result, mrCancel);
  // A focused button takes Enter itself.
  // Tab skips what cannot take the focus: the hidden page, the panel.
  EXPECT_EQ(RunScript(*Form, "key tab\nkey tab\nkey tab\nkey tab\nkey tab\nkey tab\nkey enter\n").Result, mrCancel);
  EXPECT_EQ(Form->ActiveControl(), Form->btCancel);
}

TEST(ScriptedDriverTest, AClosingQuestionAnsweredNoKeepsTheFormOpen) {
  auto Form = NewTestDialog();
  const TScriptRun Run = RunScript(*Form,
                                   "click btOk\n"
                                   "answer No\n"
                                   "show\n"
                                   "click btOk\n"
                                   "answer Retry\n"
                                   "type cbName x\n"
                                   "answer yes\n");
  EXPECT_EQ(Run.Result, mrOk);
  const std::string Question =
      "[Confirmation] The second statement is empty. Close anyway? (buttons: Yes, No, Cancel)\n";
  EXPECT_TRUE(Has(Run.Output, Question + "form TestDialog")) << Run.Output;
  EXPECT_TRUE(Has(Run.Output, Question + "error: the message has no button \"Retry\"\n"
                                         "error: a message is waiting for an answer: answer <button>\n"
                                         "[Form] TestDialog closed: mrOk\n"))
      << Run.Output;
  EXPECT_EQ(DialogLog(), (Log{"create cbName", "exit cbName", "closequery 1", "closequery 1"}));
}

TEST(ScriptedDriverTest, MessageAnswersComeBackAsModalResults) {
  auto Form = NewTestDialog();
  RunScript(*Form, "click btAsk\nanswer cancel\nclick btAsk\nkey enter\nclick btAsk\nanswer No\nclick btAsk\n");
  // The last question meets the end of the input and closes as with Esc.
  EXPECT_EQ(DialogLog(), (Log{"create cbName", "exit cbName", "asked 2", "asked 6", "asked 7", "asked 2"}));
}

TEST(ScriptedDriverTest, TheComboChangesOnTypingAndOnChoosingButNotInCode) {
  auto Form = NewTestDialog();
  Form->cbName->SetItemIndex(1);
  EXPECT_EQ(Form->cbName->Text(), "beta");
  Form->cbName->SetText("alpha");
  EXPECT_EQ(Form->cbName->ItemIndex(), 0);
  EXPECT_EQ(DialogLog(), Log{"create cbName"});

  RunScript(*Form, "type cbName   \nselect cbName beta\ntype cbName beta\ntype cbName gamma\n");
  EXPECT_EQ(DialogLog(), (Log{"create cbName", "change   ", "change beta", "change gamma"}));
  EXPECT_EQ(Form->cbName->ItemIndex(), -1);
  EXPECT_TRUE(Form->btAction->Enabled());

  // Emptying the list empties the edit.
  Form->cbName->Items().Clear();
  EXPECT_EQ(Form->cbName->Text(), "");
  EXPECT_THROW(Form->cbName->SetItemIndex(0), EListError);
}

// --only says the whole selection: exactly these (select) or all but these
// (deselect), whatever was selected before.
TEST(ScriptedDriverTest, OnlyMakesTheSelectionExactlyWhatItNames) {
  const std::pair<const char*, std::vector<bool>> Cases[] = {
      {"select lbFields id name price\nselect --only lbFields price\n", {false, false, true}},
      {"select lbFields id\nselect --only lbFields name price\n", {false, true, true}},
      {"deselect --only lbFields id\n", {false, true, true}},
      {"select lbFields id name\ndeselect --only lbFields id name\n", {false, false, true}},
  };
  for (const auto& [Script, Selected] : Cases) {
    SCOPED_TRACE(Script);
    auto Form = NewTestDialog();
    const TScriptRun Run = RunScript(*Form, Script);
    EXPECT_EQ(Run.Output.find("error"), std::string::npos) << Run.Output;
    for (int I = 0; I < 3; ++I) EXPECT_EQ(Form->lbFields->Selected(I), Selected[static_cast<std::size_t>(I)]) << I;
  }
}

TEST(ScriptedDriverTest, AMultiSelectListSelectsAndDeselectsItems) {
  auto Form = NewTestDialog();
  const TScriptRun Run =
      RunScript(*Form, "select lbFields id \"price\"\ndeselect lbFields id\nselect lbFields #1\nshow\n");
  ASSERT_EQ(Form->lbFields->SelCount(), 2);
  EXPECT_FALSE(Form->lbFields->Selected(0));
  EXPECT_TRUE(Form->lbFields->Selected(1));
  EXPECT_TRUE(Form->lbFields->Selected(2));
  EXPECT_TRUE(Has(Run.Output,
                  "      lbFields list multi-select, 3 items, 2 selected, extent 0 focused\n"
                  "        [ ] \"id\"\n        [x] \"name\"\n        [x] \"price\"\n"))
      << Run.Output;

  // Selection stays with its item when items come and go.
  Form->lbFields->Items().Insert(0, "new");
  EXPECT_TRUE(Form->lbFields->Selected(2));
  Form->lbFields->Items().Delete(0);
  Form->lbFields->Items().Put(1, "renamed");
  EXPECT_TRUE(Form->lbFields->Selected(1));

  // A list that selects one item answers -1 for the count, as the platform does.
  Form->lbFields->SetMultiSelect(false);
  EXPECT_EQ(Form->lbFields->SelCount(), -1);
  Form->lbFields->SetItemIndex(2);
  EXPECT_TRUE(Form->lbFields->Selected(2));
  EXPECT_FALSE(Form->lbFields->Selected(1));
}

TEST(ScriptedDriverTest, TheContextMenuActsOnTheControlItWasOpenedOn) {
  auto Form = NewTestDialog();
  for (int I = 0; I < 3; ++I) Form->lbFields->SetSelected(I, true);
  const TScriptRun Run =
      RunScript(*Form, "popup lbFields\nclick miClearAll\npopup lbFields\ntype cbName x\npopup cbName\n");
  EXPECT_EQ(Form->pmFields->PopupComponent(), Form->lbFields);
  EXPECT_EQ(Form->lbFields->SelCount(), 0);
  EXPECT_TRUE(
      Has(Run.Output, "[Menu] pmFields on lbFields\n  miSelectAll \"&Select All\"\n  miClearAll \"&Clear All\"\n"))
      << Run.Output;
  // Anything else closes the menu and is done as usual.
  EXPECT_EQ(DialogLog(), (Log{"create cbName", "clear all on lbFields", "change x"}));
  EXPECT_TRUE(Has(Run.Output, "error: cbName has no context menu\n"));

  // A right click opens it too, a disabled item cannot be picked.
  Form->miSelectAll->SetEnabled(false);
  RunScript(*Form, "click lbFields right\nclick miSelectAll\nclick \"&Clear All\"\n");
  EXPECT_EQ(DialogLog().back(), "clear all on lbFields");
}

TEST(ScriptedDriverTest, PagesRadioItemsAndCheckBoxesReactToClicks) {
  auto Form = NewTestDialog();
  const TScriptRun Run = RunScript(*Form,
                                   "check cbQuoted\ncheck cbQuoted\nuncheck cbQuoted\n"
                                   "page pcMain tsSecond\nradio rgrKind One\nradio rgrKind t&hree\nshow\n"
                                   "page pcMain first\n");
  EXPECT_EQ(DialogLog(), (Log{"create cbName", "exit cbName", "quoted on", "quoted off", "page tsSecond", "radio 2",
                              "page tsFirst"}));
  EXPECT_EQ(Form->pcMain->ActivePage(), Form->tsFirst);
  EXPECT_TRUE(Has(Run.Output,
                  "    tsFirst page \"First\" (not shown)\n"
                  "    tsSecond page \"Second\" (active)\n"
                  "      rgrKind radio \"Kind\" focused\n"
                  "        ( ) \"&One\"\n        ( ) \"&Two\"\n        (*) \"T&hree\"\n"
                  "      meText memo, 1 lines\n        | third\n"))
      << Run.Output;
  // A page change can be refused.
  Form->pcMain->OnChanging.Handler = [](TObject*, bool& Allow) { Allow = false; };
  RunScript(*Form, "page pcMain tsSecond\n");
  EXPECT_EQ(Form->pcMain->ActivePage(), Form->tsFirst);
}

TEST(ScriptedDriverTest, EscDiscardsAMemoEditThatNeverLostTheFocus) {
  auto Form = NewTestDialog();
  RunScript(*Form, "page pcMain tsSecond\nmemo meText\nlost edit\n..dot\n.\nkey enter\nkey esc\n");
  EXPECT_EQ(Form->Statements[0], "first");
  // Enter in a memo is a new line, not the default button.
  EXPECT_EQ(Form->meText->Lines().Count(), 3);
  EXPECT_EQ(Form->meText->Lines().Strings(1), ".dot");
  EXPECT_EQ(DialogLog().back(), "closequery 2");
}

TEST(ScriptedDriverTest, AnEndingScriptCancelsTheFormWithoutAskingIt) {
  auto Form = NewTestDialog();
  const TScriptRun Run = RunScript(*Form, "select lbFields id\n");
  EXPECT_EQ(Run.Result, mrCancel);
  EXPECT_EQ(DialogLog(), (Log{"create cbName", "exit cbName"}));
  EXPECT_TRUE(Has(Run.Output, "(end of input)\n[Form] TestDialog closed: mrCancel\n"));
}

TEST(ScriptedDriverTest, AnExceptionOfAHandlerIsReportedAndTheFormStaysOpen) {
  auto Form = NewTestDialog();
  Form->ActionFails = "bad table";
  const TScriptRun Run = RunScript(*Form, "type cbName x\nclick btAction\nclose\n");
  EXPECT_EQ(Run.Result, mrCancel);
  EXPECT_TRUE(Has(Run.Output, "[Exception] EConvertError: bad table\n[Form] TestDialog closed: mrCancel\n"))
      << Run.Output;
}

TEST(ScriptedDriverTest, TheLabelSeesMouseButtonsAndKeysAndTheShellGoThroughTheDriver) {
  auto Form = NewTestDialog();
  const TScriptRun Run = RunScript(*Form, "click lblName right\nclick lblName\nhold alt\n", [](TCustomForm&) {});
  EXPECT_EQ(DialogLog(), (Log{"create cbName", "mousedown lblName right", "mousedown lblName left"}));

  std::istringstream In("shell fail\nhold alt\nrelease alt\n");
  std::ostringstream Out;
  vn_vcl::TScriptedDriver Driver(In, Out);
  vn_vcl::TDriverInstallation Installed(Driver);
  EXPECT_GT(ShellExecuteW(0, L"open", L"https://example.org/caf\u00e9", nullptr, nullptr, SW_HIDE), 32);
  std::string Line;
  ASSERT_TRUE(Driver.ReadCommand(Line, "test"));
  EXPECT_TRUE(Driver.ExecuteGlobal(Line));
  EXPECT_LE(ShellExecuteW(0, L"open", L"mailto:x@example.org", nullptr, nullptr, SW_HIDE), 32);
  EXPECT_EQ(ShellExecuteW(0, L"open", nullptr, nullptr, nullptr, SW_HIDE), SE_ERR_FNF);
  ASSERT_TRUE(Driver.ReadCommand(Line, "test"));
  EXPECT_TRUE(Driver.ExecuteGlobal(Line));
  EXPECT_LT(GetAsyncKeyState(VK_MENU), 0);
  ASSERT_TRUE(Driver.ReadCommand(Line, "test"));
  EXPECT_TRUE(Driver.ExecuteGlobal(Line));
  EXPECT_EQ(GetAsyncKeyState(VK_MENU), 0);
  EXPECT_FALSE(Driver.ReadCommand(Line, "test"));
  EXPECT_EQ(Out.str(), "[Open] https://example.org/caf\u00e9\n[Open] mailto:x@example.org: cannot be opened\n");
}

TEST(ScriptedDriverTest, ShowPngWritesThePictureOfTheFormOrNamesTheFileItCannotWrite) {
  vn_test::TTempDir Dir;
  const std::string Picture = Dir.File("dialog.png"), Unwritable = Dir.File("missing/dialog.png");
  auto Form = NewTestDialog();
  const TScriptRun Run =
      RunScript(*Form, "show --png " + Picture + "\nshow --png " + Unwritable + "\nshow --png\nclick btCancel\n");
  EXPECT_EQ(Run.Output,
            "[Form] TestDialog \"Test Dialog\" opened\n"
            "[Picture] TestDialog \"" +
                Picture +
                "\"\n"
                "error: Cannot write the picture " +
                Unwritable +
                ": No such file or directory\n"
                "error: show: wrong number of arguments (try help)\n"
                "[Form] TestDialog closed: mrCancel\n");
  // A PNG as wide and high as the window, frame and title bar included.
  const std::string Png = vn_test::ReadFileText(Picture);
  ASSERT_GT(Png.size(), 24u);
  EXPECT_EQ(Png.substr(1, 3), "PNG");
  auto At = [&](std::size_t Offset) {
    return static_cast<int>(
        static_cast<unsigned char>(Png[Offset]) << 24 | static_cast<unsigned char>(Png[Offset + 1]) << 16 |
        static_cast<unsigned char>(Png[Offset + 2]) << 8 | static_cast<unsigned char>(Png[Offset + 3]));
  };
  EXPECT_EQ(At(16), Form->Width());
  EXPECT_EQ(At(20), Form->Height());
}

}  // namespace
