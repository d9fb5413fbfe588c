// The design session's commands on the code editor's open modules (modules,
// module show|text|save|close), read through the session's driver once a
// package call has left modules open.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>

namespace vn_vcl {
class TScriptedDriver;
}

namespace vn_ide {
class TCodeEditorModule;
}

namespace vnide {

class TModuleCommands {
 public:
  // Commands come from Driver (which must be installed while they run, so that
  // a close can ask); what a person would see goes to Out.
  TModuleCommands(vn_vcl::TScriptedDriver& Driver, std::ostream& Out) : FDriver(Driver), FOut(Out) {}

  // Runs commands until the input ends or quit; then reports the modules that
  // are still modified as not saved and closes every module without asking.
  void Run();
  // Runs one command; false when Line is none of the module commands.
  bool Execute(const std::string& Line);
  // Commands that could not run as written and errors of the host.
  std::size_t ErrorCount() const noexcept { return FErrorCount; }
  // What the last command that failed said ("" when none failed).
  const std::string& LastError() const noexcept { return FLastError; }

 private:
  vn_ide::TCodeEditorModule& Named(const std::string& Name) const;
  void ReplaceText(vn_ide::TCodeEditorModule& Module);

  vn_vcl::TScriptedDriver& FDriver;
  std::ostream& FOut;
  std::size_t FErrorCount = 0;
  std::string FLastError;
};

// "[Code editor] ..." lines for what happens to modules, written to Out while
// the guard lives.
class TModuleTranscript {
 public:
  explicit TModuleTranscript(std::ostream& Out);
  ~TModuleTranscript();
  TModuleTranscript(const TModuleTranscript&) = delete;
  TModuleTranscript& operator=(const TModuleTranscript&) = delete;
};

}  // namespace vnide
