// A second private database server, for tests that stop the server under a
// session: started by the project's script for that server into a state
// folder of its own, stopped (and its files removed) with the object.
#pragma once

#include <stdlib.h>

#include <stdexcept>
#include <string>

#include "support/run_program.h"

namespace vn_test {

// TServer reads the server.env file the script writes.
template <class TServer>
class TOwnServer {
 public:
  TOwnServer(std::string Script, const std::string& Kind) : FScript(std::move(Script)), FState(TempState()) {
    const TRun Run = RunShell(FScript + " start " + FState + " 2>&1");
    if (Run.ExitCode != 0) {
      Stop();  // no destructor runs for a constructor that throws
      throw std::runtime_error("cannot start a " + Kind + " server: " + Run.Output);
    }
  }
  ~TOwnServer() { Stop(); }
  TOwnServer(const TOwnServer&) = delete;
  TOwnServer& operator=(const TOwnServer&) = delete;
  TServer Server() const { return TServer(FState + "/server.env"); }
  void Stop() { RunShell(FScript + " stop " + FState + " 2>&1"); }

 private:
  static std::string TempState() {
    std::string Pattern = "/tmp/vn-own-server-XXXXXX";
    if (mkdtemp(Pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return Pattern;
  }
  std::string FScript;
  std::string FState;
};

}  // namespace vn_test
