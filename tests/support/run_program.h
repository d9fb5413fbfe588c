// Runs the design host the tests were built with and collects what it printed.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vn_test {

struct TRun {
  int ExitCode;
  std::string Output;  // stdout and stderr together
};

inline TRun RunVnide(const std::string& Args) {
  const char* BinDir = std::getenv("VN_BIN_DIR");
  const std::string Command = std::string(BinDir ? BinDir : ".") + "/vnide " + Args + " 2>&1";
  TRun Result{-1, ""};
  FILE* Pipe = popen(Command.c_str(), "r");
  if (Pipe == nullptr) return Result;
  std::array<char, 4096> Buffer;
  while (std::size_t N = fread(Buffer.data(), 1, Buffer.size(), Pipe)) Result.Output.append(Buffer.data(), N);
  const int Status = pclose(Pipe);
  Result.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  return Result;
}

}  // namespace vn_test
