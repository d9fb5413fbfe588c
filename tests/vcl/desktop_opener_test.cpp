#include "desktop_opener.h"

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "rtl/Windows.h"
#include "support/temp_dir.h"
#include "terminal_driver.h"

namespace {

// Waits for the opener the last call started: the test's only child.
void WaitForOpener() {
  int Status = 0;
  ASSERT_GT(::waitpid(-1, &Status, 0), 0);
}

TEST(DesktopOpenerTest, TheAddressIsOneArgumentThatNoShellReads) {
  vn_test::TTempDir Dir;
  // touch makes a file named exactly by its argument: quotes, blanks and
  // $(...) would have been taken apart by a shell.
  const std::string Address = Dir.File("a b; touch pwned $(id) 'q'");
  ASSERT_TRUE(vn_vcl::OpenWithDesktop("touch", Address));
  WaitForOpener();
  EXPECT_TRUE(std::filesystem::exists(Address));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Path()), {}), 1);
}

TEST(DesktopOpenerTest, OptionsEmptyAddressesAndMissingOpenersAreFailures) {
  EXPECT_FALSE(vn_vcl::OpenWithDesktop("touch", "-rf"));
  EXPECT_FALSE(vn_vcl::OpenWithDesktop("touch", ""));
  EXPECT_FALSE(vn_vcl::OpenWithDesktop("vn-no-such-opener", "https://www.example.org/"));
}

TEST(DesktopOpenerTest, TheTerminalDriverAnswersAFailureCodeWhenNothingOpens) {
  std::istringstream In;
  std::ostringstream Out;
  vn_vcl::TTerminalDriver Driver(In, Out);
  vn_vcl::TDriverInstallation Installed(Driver);
  Driver.SetOpener("vn-no-such-opener");
  EXPECT_LE(ShellExecuteW(0, L"open", L"https://www.example.org/", nullptr, nullptr, SW_HIDE), 32);
  EXPECT_LE(ShellExecuteW(0, L"open", L"-x", nullptr, nullptr, SW_HIDE), 32);
  Driver.SetOpener("true");
  EXPECT_GT(ShellExecuteW(0, L"open", L"https://www.example.org/", nullptr, nullptr, SW_HIDE), 32);
  WaitForOpener();
  EXPECT_EQ(Out.str(),
            "[Open] https://www.example.org/: cannot be opened\n"
            "[Open] -x: cannot be opened\n"
            "[Open] https://www.example.org/\n");
}

}  // namespace
