// vnide about: the package's About dialog, driven by a script, standard input
// or a person at the terminal, as the builder shows it from a component's
// context menu.
#include <unistd.h>

#include <iostream>
#include <memory>
#include <sstream>

#include "commands.h"
#include "form_text_file.h"
#include "package_host.h"
#include "script_driver.h"
#include "terminal_driver.h"

namespace vnide {

int RunAboutCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  std::istringstream Script;
  const bool Scripted = !Options.ScriptFile.empty() || !isatty(STDIN_FILENO);
  if (!Options.ScriptFile.empty()) Script.str(ReadInputFile(Options.ScriptFile, "script"));

  TLoadedPackage& Package = Host.Load(Options.PackageFile);
  using TShowAboutBox = void (*)();
  auto ShowAboutBox = reinterpret_cast<TShowAboutBox>(Package.FindExport("VNAbout_ShowAboutBox"));
  if (ShowAboutBox == nullptr) throw EPackageError(Format("Package %s has no About dialog", {Package.Name()}));

  std::unique_ptr<vn_vcl::TScriptedDriver> Driver;
  if (!Scripted) {
    Driver = vn_vcl::TTerminalDriver::AtTerminal(Out, STDOUT_FILENO);
  } else {
    Driver = std::make_unique<vn_vcl::TScriptedDriver>(Options.ScriptFile.empty() ? std::cin : Script, Out);
    Driver->SetEcho(true);  // a transcript: each command before what it did
  }
  {
    vn_vcl::TDriverInstallation Installed(*Driver);
    ShowAboutBox();
  }

  // A script that did not run as written did not show what its author meant.
  if (Scripted && Options.Session == smStrict) {
    std::string Left;
    if (Driver->ReadCommand(Left, "")) {
      Out << "error: the dialog has closed; this and any further lines are left over\n";
      throw EHostError(Format("the script goes on after the dialog closed (\"%s\")", {Trim(Left)}));
    }
    if (Driver->ErrorCount() > 0)
      throw EHostError(Format("the session hit %d error(s)", {static_cast<int>(Driver->ErrorCount())}));
  }
  return ecSuccess;
}

}  // namespace vnide
