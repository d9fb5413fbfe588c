// Runs the design host under a time guard: a vnide that hangs is killed and
// reported as exit code 124 instead of stopping the test run.
#pragma once

#include <string>

#include "support/run_program.h"

namespace vn_test {

enum TStderr { seMerged, seDropped };

inline TRun RunVnideGuarded(const std::string& Args, TStderr Stderr = seMerged) {
  return RunShell("timeout -k 5 60 " + VnideProgram() + " " + Args +
                  (Stderr == seMerged ? " 2>&1" : " 2>/dev/null") + " </dev/null");
}

}  // namespace vn_test
