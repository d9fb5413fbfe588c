// The commands of the design host.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vnide {

class TPackageHost;

struct TOptions {
  std::string PackageFile;           // the design package to load
  std::vector<std::string> Arguments;  // the command's own arguments
};

// Each loads the design package into Host first and writes its report to Out.
// Errors are raised; the caller reports them while the packages are loaded.
int RunSettingsCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
int RunPackagesCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
// palette [--png FOLDER]: pages and components; with --png, each component's
// palette bitmap as FOLDER/<CLASS>.png.
int RunPaletteCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
int RunRegistrationsCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
// open FORMFILE [--save OUTFILE]: the form's components; with --save, the form
// written back.
int RunOpenCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
// edit FORMFILE UPDATEOBJECT [--script FILE] [--save FILE]: the UpdateSQL editor
// on an update object of the form, driven by a script (or standard input, or a
// person at the terminal); the form is saved when the editor reports a change.
int RunEditCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);

}  // namespace vnide
