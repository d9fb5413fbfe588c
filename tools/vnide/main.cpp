// vnide: the design host. Loads the design package and lets a person, a script or
// a test use what it registers.
#include <cstring>
#include <iostream>
#include <string>

#include "commands.h"
#include "package_loader.h"
#include "rtl/SysUtils.h"

namespace {

constexpr const char* Usage =
    "usage: vnide [--package FILE] COMMAND\n"
    "\n"
    "commands:\n"
    "  settings    show what the package's settings store resolves\n"
    "\n"
    "options:\n"
    "  --package FILE   the design package (default: DclVarq220.bpl beside vnide)\n";

int Fail(const std::string& Message) {
  std::cerr << "vnide: " << Message << '\n';
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  vnide::TOptions Options;
  Options.PackageFile = vnide::HostDirectory() + "/DclVarq220.bpl";
  std::string Command;
  for (int I = 1; I < argc; ++I) {
    const std::string Arg = argv[I];
    if (Arg == "--package") {
      if (++I == argc) return Fail("--package needs a file name");
      Options.PackageFile = argv[I];
    } else if (Arg == "-h" || Arg == "--help") {
      std::cout << Usage;
      return 0;
    } else if (!Arg.empty() && Arg[0] == '-') {
      return Fail("unknown option " + Arg + "\n" + Usage);
    } else if (Command.empty()) {
      Command = Arg;
    } else {
      return Fail("unexpected argument " + Arg);
    }
  }
  if (Command.empty()) {
    std::cerr << Usage;
    return 2;
  }
  // The host's boundary: every error of the package or the platform is reported
  // here with its class, as an IDE reports it, while the packages are still loaded.
  vnide::TPackageHost Host;
  try {
    if (Command == "settings") return vnide::RunSettingsCommand(Host, Options, std::cout);
    return Fail("unknown command " + Command + "\n" + Usage);
  } catch (const Exception& E) {
    return Fail(std::string(E.ClassName()) + ": " + E.Message());
  } catch (const std::exception& E) {
    return Fail(E.what());
  }
}
