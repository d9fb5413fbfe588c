#include "accelerators.h"

#include <gtest/gtest.h>

#include "dialog_script.h"

namespace {

using Log = std::vector<std::string>;

TEST(AcceleratorsTest, TheLetterAfterASingleAmpersandIsTheAccelerator) {
  const struct {
    std::string Caption, Accel;
  } Cases[] = {{"&OK", "O"}, {"T&hree", "h"}, {"Fish && &Chips", "C"}, {"Fish && Chips", ""}, {"End&", ""},
               {"&\xc3\x89tat", "\xc3\x89"}, {"", ""}};
  for (const auto& Case : Cases) EXPECT_EQ(vn_vcl::AcceleratorOf(Case.Caption), Case.Accel) << Case.Caption;
  EXPECT_TRUE(vn_vcl::IsAccel("o", "&OK"));
  EXPECT_TRUE(vn_vcl::IsAccel("\xc3\xa9", "&\xc3\x89tat"));
  EXPECT_FALSE(vn_vcl::IsAccel("&", "Fish && Chips"));
}

TEST(AcceleratorsTest, AltAndALetterActsAsTheCaptionsMarkAndButtonsAreClickedByCaption) {
  const struct {
    std::string Script;
    Log Expected;  // after "create cbName"
  } Cases[] = {
      // A button is clicked where the focus is: cbName does not exit.
      {"type cbName x\nalt A\n", {"change x", "action x"}},
      {"alt k\nanswer yes\n", {"asked 6"}},
      // A check box takes the focus first; the label focuses its control.
      {"alt q\nalt n\ntype cbName y\n", {"exit cbName", "quoted on", "change y"}},
      {"page pcMain tsSecond\nalt t\n", {"exit cbName", "page tsSecond", "radio 1"}},
      // Off-page, disabled and unmarked captions take nothing.
      {"alt t\nalt a\nalt z\nalt\n", {}},
      {"popup lbFields\nalt c\n", {"clear all on lbFields"}},
      {"popup lbFields\nalt z\nkey esc\n", {}},
      {"click ask\nanswer no\nclick \"&Quoted\"\n", {"exit cbName", "asked 7", "quoted on"}},
  };
  for (const auto& Case : Cases) {
    auto Form = NewTestDialog();
    const TScriptRun Run = RunScript(*Form, Case.Script);
    Log Expected{"create cbName"};
    Expected.insert(Expected.end(), Case.Expected.begin(), Case.Expected.end());
    EXPECT_EQ(DialogLog(), Expected) << Case.Script << Run.Output;
  }
  auto Form = NewTestDialog();
  const TScriptRun Run = RunScript(*Form, "alt z\npopup lbFields\nalt z\nkey esc\nclick Cancel\n");
  EXPECT_EQ(Run.Result, mrCancel);
  EXPECT_TRUE(Has(Run.Output, "error: nothing on TestDialog takes Alt+z\n")) << Run.Output;
  EXPECT_TRUE(Has(Run.Output, "error: no item of the menu takes Alt+z\n")) << Run.Output;
}

}  // namespace
