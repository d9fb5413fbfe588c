#include "desktop_opener.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <vector>

extern char** environ;

namespace vn_vcl {

namespace {

// Openers started earlier; they are reaped once they have ended.
std::vector<pid_t> Running;

void ReapEnded() {
  std::erase_if(Running, [](pid_t Pid) { return ::waitpid(Pid, nullptr, WNOHANG) != 0; });
}

// posix_spawn's attribute and file-action objects, destroyed on every way out.
struct TSpawnSetup {
  posix_spawnattr_t Attributes;
  posix_spawn_file_actions_t Actions;
  TSpawnSetup() {
    posix_spawnattr_init(&Attributes);
    posix_spawn_file_actions_init(&Actions);
  }
  ~TSpawnSetup() {
    posix_spawn_file_actions_destroy(&Actions);
    posix_spawnattr_destroy(&Attributes);
  }
  TSpawnSetup(const TSpawnSetup&) = delete;
  TSpawnSetup& operator=(const TSpawnSetup&) = delete;
};

}  // namespace

bool OpenWithDesktop(const std::string& Program, const std::string& Address) {
  ReapEnded();
  if (Program.empty() || Address.empty() || Address.front() == '-') return false;

  TSpawnSetup Setup;
  for (int Fd = 0; Fd <= 2; ++Fd)
    if (posix_spawn_file_actions_addopen(&Setup.Actions, Fd, "/dev/null", Fd == 0 ? O_RDONLY : O_WRONLY, 0) != 0)
      return false;
  // Its own process group: Ctrl+C at the person's terminal does not reach it.
  posix_spawnattr_setpgroup(&Setup.Attributes, 0);
  sigset_t Signals;
  sigemptyset(&Signals);
  posix_spawnattr_setsigmask(&Setup.Attributes, &Signals);
  sigaddset(&Signals, SIGINT);
  sigaddset(&Signals, SIGQUIT);
  sigaddset(&Signals, SIGPIPE);
  posix_spawnattr_setsigdefault(&Setup.Attributes, &Signals);
  posix_spawnattr_setflags(&Setup.Attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::string Argument0 = Program, Argument1 = Address;
  char* const Arguments[] = {Argument0.data(), Argument1.data(), nullptr};
  pid_t Pid = 0;
  // glibc reports a program that cannot be executed here, not in the child.
  if (posix_spawnp(&Pid, Program.c_str(), &Setup.Actions, &Setup.Attributes, Arguments, environ) != 0) return false;
  Running.push_back(Pid);
  return true;
}

}  // namespace vn_vcl
