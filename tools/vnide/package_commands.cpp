// vnide packages, palette and registrations.
#include <algorithm>
#include <filesystem>

#include "bitmap_png.h"
#include "commands.h"
#include "package_host.h"
#include "registrations.h"
#include "rtl/Resources.h"

namespace vnide {

namespace {

std::string Joined(const std::vector<std::string>& Items) {
  std::string Result;
  for (const std::string& S : Items) Result += (Result.empty() ? "" : ", ") + S;
  return Result.empty() ? "(none)" : Result;
}

void DescribePackage(const TPackageDescription& D, std::ostream& Out) {
  Out << std::filesystem::path(D.FileName).filename().string() << '\n';
  Out << "  Description: " << (D.Description.empty() ? "(none)" : D.Description) << '\n';
  Out << "  Version:     "
      << (D.ProductName.empty() && D.Version.empty() ? "(none)" : Trim(D.ProductName + " " + D.Version)) << '\n';
  Out << "  Flags:       " << FlagsText(D.Flags) << '\n';
  Out << "  Requires:    " << Joined(D.Requires) << '\n';
  std::vector<std::string> Units;
  for (const TContainedUnit& U : D.Contains) Units.push_back(U.Name);
  Out << "  Contains:    " << Joined(Units) << '\n';
}

// The file of the package that registered a class on the palette.
std::string RegisteringFile(TPackageHost& Host, const std::string& PackageName) {
  const TLoadedPackage* Package = Host.Find(PackageName);
  return Package ? Package->Description().FileName : "";
}

}  // namespace

int RunPackagesCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  Host.Load(Options.PackageFile);
  for (const auto& Package : Host.Packages())
    if (Package->Description().IsPackage) DescribePackage(Package->Description(), Out);
  return 0;
}

int RunPaletteCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  std::string PngFolder;
  for (std::size_t I = 0; I < Options.Arguments.size(); ++I) {
    if (Options.Arguments[I] == "--png" && I + 1 < Options.Arguments.size())
      PngFolder = Options.Arguments[++I];
    else
      throw EConvertError(Format("palette: unexpected argument %s (usage: palette [--png FOLDER])",
                                 {Options.Arguments[I]}));
  }
  Host.Load(Options.PackageFile);
  if (!PngFolder.empty()) std::filesystem::create_directories(PngFolder);

  for (const auto& [Page, Classes] : vn_ide::PalettePages()) {
    Out << Page << '\n';
    for (const TMetaClass* Class : Classes) {
      Out << "  " << Class->ClassName();
      if (!PngFolder.empty()) {
        // The bitmap comes from the file of the package that registered the class.
        std::string File;
        for (const vn_ide::TRegistration& R : vn_ide::Registrations())
          if (R.Kind == vn_ide::rkComponents && std::find(R.Classes.begin(), R.Classes.end(), Class) != R.Classes.end())
            File = RegisteringFile(Host, R.Package);
        const std::string Resource = UpperCase(Class->ClassName());
        const auto Resources = ReadModuleResources(File);
        const TResource* Bitmap = FindResource(Resources, RT_BITMAP, Resource);
        if (Bitmap == nullptr) {
          Out << "  (no bitmap " << Resource << ")";
        } else {
          const std::string Png = (std::filesystem::path(PngFolder) / (Resource + ".png")).string();
          WriteBitmapAsPng(Bitmap->Data, Png);
          Out << "  -> " << Png;
        }
      }
      Out << '\n';
    }
  }
  return 0;
}

int RunRegistrationsCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  Host.Load(Options.PackageFile);
  for (const vn_ide::TRegistration& R : vn_ide::Registrations())
    Out << (R.Package.empty() ? "(host)" : R.Package) << ": " << R.Describe() << '\n';
  return 0;
}

}  // namespace vnide
