// The package's first load into a fresh process, the one a person waits for
// when the builder starts: its required runtime library and the package file
// mapped and relocated, Initialize, Register. Within one process only the
// first load does that work (the loader keeps some libraries mapped for good),
// so this program runs itself again and again, one first load per process,
// and prints the median and the fastest of those runs.
//
//   vn_package_first_load [RUNS]       default 21 runs of each kind
//
// Two kinds of run alternate: the host's own loader (TPackageHost::Load, with
// reading the package's description), and the same steps one by one to show
// where the time goes. The files come from the page cache after the first run.
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "package_host.h"
#include "registrations.h"

namespace {

using TClock = std::chrono::steady_clock;

double MicrosecondsSince(TClock::time_point Start) {
  return std::chrono::duration<double, std::micro>(TClock::now() - Start).count();
}

std::string Bpl(const char* Name) { return vnide::HostDirectory() + "/" + Name; }

// The processor time this process has used, in microseconds.
double ProcessMicroseconds() {
  timespec Now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &Now);
  return static_cast<double>(Now.tv_sec) * 1e6 + static_cast<double>(Now.tv_nsec) / 1e3;
}

// One first load through the host's loader; prints "host=<us>" and, as the
// clock also counts waiting on a busy machine, "host_cpu=<us>".
int RunHost() {
  vnide::TPackageHost Host;
  const double Cpu = ProcessMicroseconds();
  const auto Start = TClock::now();
  Host.Load(Bpl("DclVarq220.bpl"));
  std::printf("host=%.1f\nhost_cpu=%.1f\n", MicrosecondsSince(Start), ProcessMicroseconds() - Cpu);
  return 0;
}

void* Open(const std::string& File) {
  void* Handle = dlopen(File.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (Handle == nullptr) {
    std::fprintf(stderr, "%s\n", dlerror());
    std::exit(1);
  }
  return Handle;
}

// The host's steps one by one; prints one "<step>=<us>" per line.
int RunSteps() {
  using TProc = void (*)();
  auto Start = TClock::now();
  Open(Bpl("VarLib220.bpl"));
  std::printf("runtime_dlopen=%.1f\n", MicrosecondsSince(Start));
  Start = TClock::now();
  void* Package = Open(Bpl("DclVarq220.bpl"));
  std::printf("package_dlopen=%.1f\n", MicrosecondsSince(Start));
  auto Initialize = reinterpret_cast<TProc>(dlsym(Package, "Initialize"));
  auto Register = reinterpret_cast<TProc>(dlsym(Package, "VNReg_Register"));
  if (Initialize == nullptr || Register == nullptr) return 1;
  Start = TClock::now();
  Initialize();
  std::printf("initialize=%.1f\n", MicrosecondsSince(Start));
  Start = TClock::now();
  vn_ide::BeginPackageRegistration("DclVarq220");
  Register();
  vn_ide::EndPackageRegistration();
  std::printf("register=%.1f\n", MicrosecondsSince(Start));
  return 0;
}

// Runs this program with Argument and adds each "name=value" line it prints.
bool RunChild(const std::string& Argument, std::map<std::string, std::vector<double>>& Times) {
  const std::string Command = "'" + std::filesystem::read_symlink("/proc/self/exe").string() + "' " + Argument;
  FILE* Pipe = popen(Command.c_str(), "r");
  if (Pipe == nullptr) return false;
  char Line[256];
  while (std::fgets(Line, sizeof Line, Pipe) != nullptr) {
    const char* Equals = std::strchr(Line, '=');
    if (Equals == nullptr) continue;
    Times[std::string(Line, static_cast<std::size_t>(Equals - Line))].push_back(std::atof(Equals + 1));
  }
  return pclose(Pipe) == 0;
}

}  // namespace

int main(int Argc, char** Argv) {
  try {
    if (Argc == 2 && std::strcmp(Argv[1], "--host") == 0) return RunHost();
    if (Argc == 2 && std::strcmp(Argv[1], "--steps") == 0) return RunSteps();
  } catch (const std::exception& E) {
    std::fprintf(stderr, "%s\n", E.what());
    return 1;
  }
  const int Runs = Argc > 1 ? std::max(1, std::atoi(Argv[1])) : 21;
  // The package reads the registry store at start-up: give it an empty one.
  const std::string Store = (std::filesystem::temp_directory_path() / "vn-bench-first-load.reg").string();
  setenv("VNIDE_REGISTRY", Store.c_str(), 1);

  std::map<std::string, std::vector<double>> Times;
  for (int I = 0; I < Runs; ++I) {
    if (!RunChild("--host", Times) || !RunChild("--steps", Times)) {
      std::fprintf(stderr, "a first load failed\n");
      return 1;
    }
  }
  std::filesystem::remove(Store);
  std::printf("First load of DclVarq220 in a fresh process, %d runs each (microseconds):\n", Runs);
  std::printf("%-16s %10s %10s\n", "", "median", "fastest");
  for (const char* Name : {"host", "host_cpu", "runtime_dlopen", "package_dlopen", "initialize", "register"}) {
    std::vector<double>& T = Times[Name];
    if (T.empty()) continue;
    std::sort(T.begin(), T.end());
    std::printf("%-16s %10.0f %10.0f\n", Name, T[T.size() / 2], T.front());
  }
  std::printf("host: the host's loader, description and requirements included (host_cpu: its processor\n"
              "time); the others one step each\n");
  return 0;
}
