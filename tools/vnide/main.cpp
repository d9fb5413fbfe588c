// vnide: the design host. Loads the design package and lets a person, a script or
// a test use what it registers.
#include <iostream>
#include <map>
#include <string>

#include "commands.h"
#include "package_host.h"
#include "rtl/SysUtils.h"

namespace {

constexpr const char* Usage =
    "usage: vnide [--package FILE] COMMAND [ARGUMENTS]\n"
    "\n"
    "commands:\n"
    "  packages                       the loaded packages: description, version, units, requirements\n"
    "  palette [--png FOLDER]         palette pages and components; --png writes their bitmaps\n"
    "  registrations                  everything the packages registered, in order\n"
    "  settings                       what the package's settings store resolves\n"
    "  open FORMFILE [--save FILE]    the components of a form file; --save writes it back\n"
    "  edit FORMFILE UPDATEOBJECT [--script FILE] [--save FILE]\n"
    "                                 the UpdateSQL editor on an update object of the form,\n"
    "                                 driven by a script, standard input or the terminal\n"
    "\n"
    "options:\n"
    "  --package FILE   the design package (default: DclVarq220.bpl beside vnide)\n";

int Fail(const std::string& Message) {
  std::cerr << "vnide: " << Message << '\n';
  return 1;
}

using TCommand = int (*)(vnide::TPackageHost&, const vnide::TOptions&, std::ostream&);

const std::map<std::string, TCommand> Commands = {
    {"packages", &vnide::RunPackagesCommand},
    {"palette", &vnide::RunPaletteCommand},
    {"registrations", &vnide::RunRegistrationsCommand},
    {"settings", &vnide::RunSettingsCommand},
    {"open", &vnide::RunOpenCommand},
    {"edit", &vnide::RunEditCommand},
};

}  // namespace

int main(int argc, char** argv) {
  vnide::TOptions Options;
  Options.PackageFile = vnide::HostDirectory() + "/DclVarq220.bpl";
  std::string Command;
  for (int I = 1; I < argc; ++I) {
    const std::string Arg = argv[I];
    if (!Command.empty()) {
      Options.Arguments.push_back(Arg);
    } else if (Arg == "--package") {
      if (++I == argc) return Fail("--package needs a file name");
      Options.PackageFile = argv[I];
    } else if (Arg == "-h" || Arg == "--help") {
      std::cout << Usage;
      return 0;
    } else if (!Arg.empty() && Arg[0] == '-') {
      return Fail("unknown option " + Arg + "\n" + Usage);
    } else {
      Command = Arg;
    }
  }
  if (Command.empty()) {
    std::cerr << Usage;
    return 2;
  }
  const auto Found = Commands.find(Command);
  if (Found == Commands.end()) return Fail("unknown command " + Command + "\n" + Usage);

  // The host's boundary: every error of a package or the platform is reported
  // here with its class, as an IDE reports it, while the packages are still
  // loaded; then the packages are stopped and unloaded.
  vnide::TPackageHost Host;
  int ExitCode = 0;
  try {
    ExitCode = Found->second(Host, Options, std::cout);
  } catch (const vnide::EPackageError& E) {
    ExitCode = Fail(E.Message());
  } catch (const Exception& E) {
    ExitCode = Fail(std::string(E.ClassName()) + ": " + E.Message());
  } catch (const std::exception& E) {
    ExitCode = Fail(E.what());
  }
  for (const std::string& Error : Host.UnloadAll()) ExitCode = Fail(Error);
  return ExitCode;
}
