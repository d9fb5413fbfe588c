// vnide packages, palette and registrations.
#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "bitmap_png.h"
#include "commands.h"
#include "package_host.h"
#include "registrations.h"
#include "rtl/Resources.h"

namespace vnide {

namespace {

using TJson = nlohmann::ordered_json;

std::string Joined(const std::vector<std::string>& Items) {
  std::string Result;
  for (const std::string& S : Items) Result += (Result.empty() ? "" : ", ") + S;
  return Result.empty() ? "(none)" : Result;
}

std::vector<std::string> UnitNames(const TPackageDescription& D) {
  std::vector<std::string> Units;
  for (const TContainedUnit& U : D.Contains) Units.push_back(U.Name);
  return Units;
}

// The packages that D requires, and theirs, one a line, indented by depth. Each
// required package is loaded (the loader refuses circles), so the tree ends.
void WriteRequirementTree(const TPackageHost& Host, const TPackageDescription& D, int Depth, std::ostream& Out) {
  for (const std::string& Name : D.Requires) {
    Out << std::string(2 * Depth, ' ') << Name << '\n';
    if (const TLoadedPackage* Required = Host.Find(Name))
      WriteRequirementTree(Host, Required->Description(), Depth + 1, Out);
  }
}

TJson RequirementTreeAsJson(const TPackageHost& Host, const TPackageDescription& D) {
  TJson Tree = TJson::array();
  for (const std::string& Name : D.Requires) {
    const TLoadedPackage* Required = Host.Find(Name);
    TJson Below = Required == nullptr ? TJson::array() : RequirementTreeAsJson(Host, Required->Description());
    Tree.push_back({{"name", Name}, {"requires", std::move(Below)}});
  }
  return Tree;
}

void DescribePackage(const TPackageHost& Host, const TPackageDescription& D, std::ostream& Out) {
  Out << std::filesystem::path(D.FileName).filename().string() << '\n';
  Out << "  Description: " << (D.Description.empty() ? "(none)" : D.Description) << '\n';
  Out << "  Version:     "
      << (D.ProductName.empty() && D.Version.empty() ? "(none)" : Trim(D.ProductName + " " + D.Version)) << '\n';
  Out << "  Flags:       " << FlagsText(D.Flags) << '\n';
  Out << "  Requires:    " << Joined(D.Requires) << '\n';
  Out << "  Contains:    " << Joined(UnitNames(D)) << '\n';
  if (D.Requires.empty()) return;
  Out << "  Requirement tree:\n";
  WriteRequirementTree(Host, D, 2, Out);
}

TJson PackageAsJson(const TPackageHost& Host, const TPackageDescription& D) {
  TJson Json;
  Json["file"] = D.FileName;
  Json["name"] = D.Name;
  Json["description"] = D.Description;
  Json["product"] = D.ProductName;
  Json["version"] = D.Version;
  Json["flags"] = D.Flags;
  Json["flagsText"] = FlagsText(D.Flags);
  Json["requires"] = D.Requires;
  Json["contains"] = UnitNames(D);
  Json["requirementTree"] = RequirementTreeAsJson(Host, D);
  return Json;
}

// The class's palette bitmap as FOLDER/<CLASS>.png; "" when the package has none.
std::string WritePaletteBitmap(TPackageHost& Host, const TMetaClass* Class, const std::string& Folder) {
  const std::vector<std::uint8_t> Dib = PaletteBitmap(Host, *Class);
  if (Dib.empty()) return "";
  const std::string Png = (std::filesystem::path(Folder) / (UpperCase(Class->ClassName()) + ".png")).string();
  WriteBitmapAsPng(Dib, Png);
  return Png;
}

const char* KindName(vn_ide::TRegistrationKind Kind) {
  switch (Kind) {
    case vn_ide::rkComponents: return "components";
    case vn_ide::rkPropertyEditor: return "propertyEditor";
    case vn_ide::rkComponentEditor: return "componentEditor";
    case vn_ide::rkPropertiesInCategory: return "propertiesInCategory";
    case vn_ide::rkSprigType: return "sprigType";
  }
  return "";
}

}  // namespace

int RunPackagesCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  Host.Load(Options.PackageFile);
  TJson Json = TJson::array();
  // The packages that were installed; the platform's own come in their trees.
  for (const auto& Package : Host.Packages()) {
    if (!Package->Started()) continue;
    if (Options.Output == ofJson)
      Json.push_back(PackageAsJson(Host, Package->Description()));
    else
      DescribePackage(Host, Package->Description(), Out);
  }
  if (Options.Output == ofJson) Out << JsonText(Json, 2) << '\n';
  return ecSuccess;
}

int RunPaletteCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  Host.Load(Options.PackageFile);
  if (!Options.PngFolder.empty()) std::filesystem::create_directories(Options.PngFolder);
  TJson Json = TJson::array();
  for (const auto& [Page, Classes] : vn_ide::PalettePages()) {
    TJson Components = TJson::array();
    if (Options.Output == ofText) Out << Page << '\n';
    for (const TMetaClass* Class : Classes) {
      const std::string Png = Options.PngFolder.empty() ? "" : WritePaletteBitmap(Host, Class, Options.PngFolder);
      if (Options.Output == ofJson) {
        Components.push_back({{"class", Class->ClassName()}, {"png", Png.empty() ? TJson(nullptr) : TJson(Png)}});
        continue;
      }
      Out << "  " << Class->ClassName();
      if (!Options.PngFolder.empty())
        Out << (Png.empty() ? "  (no bitmap " + UpperCase(Class->ClassName()) + ")" : "  -> " + Png);
      Out << '\n';
    }
    if (Options.Output == ofJson) Json.push_back({{"page", Page}, {"components", std::move(Components)}});
  }
  if (Options.Output == ofJson) Out << JsonText(Json, 2) << '\n';
  return ecSuccess;
}

int RunRegistrationsCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  Host.Load(Options.PackageFile);
  TJson Json = TJson::array();
  for (const vn_ide::TRegistration& R : vn_ide::Registrations()) {
    if (Options.Output == ofJson)
      Json.push_back({{"package", R.Package}, {"kind", KindName(R.Kind)}, {"text", R.Describe()}});
    else
      Out << (R.Package.empty() ? "(host)" : R.Package) << ": " << R.Describe() << '\n';
  }
  if (Options.Output == ofJson) Out << JsonText(Json, 2) << '\n';
  return ecSuccess;
}

}  // namespace vnide
