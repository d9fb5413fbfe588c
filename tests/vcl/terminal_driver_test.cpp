#include "terminal_driver.h"

#include <gtest/gtest.h>

#include "dialog_script.h"

namespace {

using Log = std::vector<std::string>;

struct TTerminalRun {
  TModalResult Result = mrNone;
  std::string Out, Screen;
};

TTerminalRun RunAtTerminal(TCustomForm& Form, const std::string& Typed) {
  std::istringstream In(Typed);
  std::ostringstream Out, Screen;
  vn_vcl::TTerminalDriver Driver(In, Out, Screen);
  vn_vcl::TDriverInstallation Installed(Driver);
  TTerminalRun Run;
  Run.Result = Form.ShowModal();
  Run.Out = Out.str();
  Run.Screen = Screen.str();
  return Run;
}

TEST(TerminalDriverTest, PromptsAndSummariesGoToTheScreenAndAMemoIsCheckedBeforeItsLines) {
  auto Form = NewTestDialog();
  const TTerminalRun Run = RunAtTerminal(*Form,
                                         "type cbName x\n"
                                         "click btAsk\nanswer no\n"
                                         // Not shown yet: the next line is a command again.
                                         "memo meText\n"
                                         "page pcMain tsSecond\n"
                                         "memo meText\nnew text\n.\n"
                                         "quit\n"
                                         "click btCancel\n");
  EXPECT_EQ(Run.Result, mrCancel);
  EXPECT_EQ(Run.Screen,
            "TestDialog> changed: cbName \"x\", 2 items; btAction enabled\n"
            "TestDialog> message> changed: focus btAsk\n"
            "TestDialog> "
            "TestDialog> changed: pcMain on tsSecond; focus pcMain\n"
            "TestDialog> meText| meText| changed: meText 1 line; focus meText\n"
            "TestDialog> ");
  EXPECT_TRUE(Has(Run.Out, "form TestDialog \"Test Dialog\"\n  pcMain pages on tsFirst\n")) << Run.Out;
  EXPECT_TRUE(Has(Run.Out, "(help lists the commands)\n[Confirmation] Proceed? (buttons: Yes, No, Cancel)\n"
                           "error: meText is not shown\n(end of input)\n[Form] TestDialog closed: mrCancel\n"))
      << Run.Out;
  EXPECT_EQ(Form->meText->Lines().Count(), 1);
  EXPECT_EQ(Form->meText->Lines().Strings(0), "new text");
  EXPECT_EQ(DialogLog(), (Log{"create cbName", "change x", "exit cbName", "asked 7", "page tsSecond"}));
}

TEST(TerminalDriverTest, QuitEndsTheInputWhereverThePersonIs) {
  auto Form = NewTestDialog();
  TScriptRun Run = RunScript(*Form, "quit\nclick btOk\n");
  EXPECT_EQ(Run.Result, mrCancel);
  EXPECT_EQ(DialogLog(), Log{"create cbName"});
  // A waiting message closes as with Esc, and the form as at the end of input.
  Run = RunScript(*Form, "click btAsk\nquit\nanswer yes\n");
  EXPECT_EQ(Run.Result, mrCancel);
  EXPECT_EQ(DialogLog(), (Log{"create cbName", "exit cbName", "asked 2"}));
}

// Reads as readline would, asking for completions at each prompt as Tab does.
class TCompletingDriver : public vn_vcl::TTerminalDriver {
 public:
  struct TCase {
    std::string Prompt, Before, Word;
    bool InQuotes;
    std::vector<std::string> Expected;
  };
  using TTerminalDriver::TTerminalDriver;
  std::vector<TCase> Cases;
  struct TKey {
    std::string Prompt, Key;
    bool Acts;
  };
  std::vector<TKey> Keys;
  std::string Failures;

 protected:
  bool ReadLine(std::string& Line, const std::string& Prompt, TLineKind Kind) override {
    for (const TCase& Case : Cases) {
      if (Case.Prompt != Prompt) continue;
      const auto Got = Completions(Case.Before, Case.Word, Case.InQuotes);
      if (Got != Case.Expected) {
        Failures += Prompt + "[" + Case.Before + "|" + Case.Word + "]:";
        for (const auto& G : Got) Failures += " " + G;
        Failures += "\n";
      }
    }
    for (const TKey& Key : Keys)
      if (Key.Prompt == Prompt && TakesAccelerator(Key.Key) != Key.Acts)
        Failures += Prompt + "Alt+" + Key.Key + (Key.Acts ? " does nothing\n" : " acts\n");
    return TTerminalDriver::ReadLine(Line, Prompt, Kind);
  }
};

// Where no form waits (the code editor's prompt), Tab offers what the host
// runs there, and the commands that work anywhere.
TEST(TerminalDriverTest, WithoutAFormTabOffersTheHostsOwnCommands) {
  std::istringstream In("modules\n");
  std::ostringstream Out;
  TCompletingDriver Driver(In, Out);
  Driver.SetHostCompletions([](const std::vector<std::string>& Words) -> std::vector<std::string> {
    if (Words.empty()) return {"modules", "module"};
    return Words.size() == 1 && Words[0] == "module" ? std::vector<std::string>{"show", "save"} : std::vector<std::string>{};
  });
  const std::string C = "code editor> ";
  Driver.Cases = {{C, "", "mod", false, {"modules", "module"}},
                  {C, "module ", "s", false, {"show", "save"}},
                  {C, "", "q", false, {"quit"}},
                  {C, "click ", "", false, {}}};
  std::string Line;
  ASSERT_TRUE(Driver.ReadCommand(Line, "code editor"));
  EXPECT_EQ(Driver.Failures, "");
}

TEST(TerminalDriverTest, TabCompletesCommandsControlsItemsAndButtonsWhereThePersonIs) {
  auto Form = NewTestDialog();
  Form->lbFields->Items().Add("unit \"net\" price");
  std::istringstream In("click btAsk\nanswer no\npopup lbFields\nkey esc\nclick btCancel\n");
  std::ostringstream Out;
  TCompletingDriver Driver(In, Out);
  const std::string F = "TestDialog> ";
  Driver.Cases = {
      {F, "", "c", false, {"click", "check", "close"}},
      {F, "", "H", false, {"hold", "help"}},
      // Only what the command acts on and a person can reach: btAction is
      // disabled, meText on a page not shown.
      {F, "type ", "", false, {"cbName"}},
      {F, "click ", "bt", false, {"btAsk", "btOk", "btCancel"}},
      {F, "click ", "o", false, {"OK"}},
      {F, "click btOk ", "", false, {"left", "right", "middle"}},
      {F, "memo ", "", false, {}},
      {F, "popup ", "", false, {"lbFields"}},
      {F, "page pcMain ", "", false, {"tsFirst", "tsSecond"}},
      {F, "select cbName ", "", false, {"alpha", "beta"}},
      {F, "select  lbFields ", "N", false, {"name"}},
      {F, "select ", "--", false, {"--only"}},
      {F, "select --only lbFields ", "N", false, {"name"}},
      {F, "deselect lbFields id ", "u", false, {"\"unit \\\"net\\\" price\""}},
      {F, "select lbFields ", "unit \"", true, {"unit \\\"net\\\" price"}},
      {F, "select nosuch ", "", false, {}},
      {F, "key ", "s", false, {"shift+tab"}},
      {F, "hold ", "", false, {"alt", "shift", "ctrl"}},
      {"message> ", "", "a", false, {"answer"}},
      {"message> ", "answer ", "", false, {"Yes", "No", "Cancel"}},
      {"message> ", "type ", "", false, {}},
      {"menu> ", "click ", "mi", false, {"miSelectAll", "miClearAll"}},
      {"menu> ", "", "", false, {"click", "alt", "key", "show", "hold", "release", "shell", "help", "quit"}},
  };
  // The label focuses cbName; Alt+T's radio item is on a page not shown.
  Driver.Keys = {{F, "o", true},        {F, "N", true},        {F, "t", false}, {F, "x", false},
                 {"menu> ", "s", true}, {"menu> ", "o", false}, {"message> ", "y", false}};
  vn_vcl::TDriverInstallation Installed(Driver);
  EXPECT_EQ(Form->ShowModal(), mrCancel);
  EXPECT_EQ(Driver.Failures, "");
}

}  // namespace
