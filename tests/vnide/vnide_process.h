// Runs the design host under a time guard: a vnide that hangs is killed and
// reported as exit code 124 instead of stopping the test run.
#pragma once

#include <string>

#include "support/run_program.h"

namespace vn_test {

enum TStderr { seMerged, seDropped };

inline TRun RunVnideGuarded(const std::string& Args, TStderr Stderr = seMerged) {
  const char* BinDir = std::getenv("VN_BIN_DIR");
  const std::string Command = "timeout -k 5 60 " + std::string(BinDir ? BinDir : ".") + "/vnide " + Args +
                              (Stderr == seMerged ? " 2>&1" : " 2>/dev/null") + " </dev/null";
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
