// Runs the design host the tests were built with and collects what it printed.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vn_test {

struct TRun {
  int ExitCode;
  std::string Output;  // what the command wrote to standard output (with 2>&1, standard error too)
};

// Runs Command through the shell and collects its standard output.
inline TRun RunShell(const std::string& Command) {
  TRun Result{-1, ""};
  FILE* Pipe = popen(Command.c_str(), "r");
  if (Pipe == nullptr) return Result;
  std::array<char, 4096> Buffer;
  while (std::size_t N = fread(Buffer.data(), 1, Buffer.size(), Pipe)) Result.Output.append(Buffer.data(), N);
  const int Status = pclose(Pipe);
  Result.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  return Result;
}

// The folder of the build under test: VN_BIN_DIR (as ctest sets it), else the
// test program's own folder, where the build puts everything it makes.
inline std::string BinDir() {
  if (const char* Dir = std::getenv("VN_BIN_DIR"); Dir != nullptr && *Dir != '\0') return Dir;
  std::error_code Error;
  const std::filesystem::path Self = std::filesystem::read_symlink("/proc/self/exe", Error);
  return Error ? std::string(".") : Self.parent_path().string();
}

// The vnide of the build under test.
inline std::string VnideProgram() { return BinDir() + "/vnide"; }

inline TRun RunVnide(const std::string& Args) { return RunShell(VnideProgram() + " " + Args + " 2>&1"); }

}  // namespace vn_test
