#include <gtest/gtest.h>

#include "rtl/Windows.h"

// The base library alone: nothing that answers the Windows calls is loaded.
TEST(WindowsCallsTest, WithoutTheVisualComponentLibraryNothingAnswers) {
  EXPECT_EQ(SendMessageW(0x101, LB_SETHORIZONTALEXTENT, 300, 0), 0);
  EXPECT_EQ(GetAsyncKeyState(VK_MENU), 0);
  EXPECT_EQ(ShellExecuteW(0, L"open", L"https://example.org", nullptr, nullptr, SW_SHOWNORMAL), SE_ERR_NOASSOC);
  EXPECT_EQ(ShellExecuteW(0, nullptr, L"", nullptr, nullptr, SW_SHOWNORMAL), SE_ERR_FNF);
}
