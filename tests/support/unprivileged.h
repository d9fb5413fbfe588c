// Permission checks must be tested as a user whom permission bits stop; the
// superuser is not one, so as root the checks run in a child process that has
// given up its privileges.
#pragma once

#include <gtest/gtest.h>
#include <grp.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vn_test {

// Runs Body (which makes its own temporary folders) as an ordinary user.
template <class F>
void RunUnprivileged(F&& Body) {
  if (geteuid() != 0) {
    Body();
    return;
  }
  constexpr int CannotDrop = 77;
  const pid_t Child = fork();
  ASSERT_GE(Child, 0);
  if (Child == 0) {
    constexpr uid_t Nobody = 65534;
    if (setgroups(0, nullptr) != 0 || setgid(Nobody) != 0 || setuid(Nobody) != 0) _exit(CannotDrop);
    prctl(PR_SET_DUMPABLE, 1);  // lets the sanitizers read /proc/self as before
    try {
      Body();
    } catch (...) {
      ADD_FAILURE() << "exception in the unprivileged child";
    }
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int Status = 0;
  ASSERT_EQ(waitpid(Child, &Status, 0), Child);
  ASSERT_TRUE(WIFEXITED(Status)) << "the unprivileged child died";
  if (WEXITSTATUS(Status) == CannotDrop) GTEST_SKIP() << "this superuser cannot become an ordinary user";
  EXPECT_EQ(WEXITSTATUS(Status), 0) << "failures of the unprivileged child are shown above";
}

}  // namespace vn_test
