#include "commands.h"
#include "package_host.h"
#include "rtl/Classes.h"

namespace vnide {

int RunSettingsCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  TLoadedPackage& Package = Host.Load(Options.PackageFile);
  using TReport = void (*)(TStrings*);
  auto Report = reinterpret_cast<TReport>(Package.FindExport("VNReg_DesignSettingsReport"));
  if (Report == nullptr) throw EPackageError(Format("Package %s cannot describe its settings", {Package.Name()}));
  TStringList Lines;
  Report(&Lines);
  for (int I = 0; I < Lines.Count(); ++I) Out << Lines.StringRef(I) << '\n';
  return 0;
}

}  // namespace vnide
