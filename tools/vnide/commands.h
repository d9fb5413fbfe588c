// The commands of the design host.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vnide {

class TPackageHost;

struct TOptions {
  std::string PackageFile;  // the design package to use
};

// vnide settings: what the package's settings store resolves.
int RunSettingsCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);

}  // namespace vnide
