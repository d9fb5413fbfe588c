// vnide settings: what the package's settings store resolves, and from where.
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "rtl/Registry.h"
#include "package_host.h"
#include "rtl/Classes.h"

namespace vnide {

namespace {

using TJson = nlohmann::ordered_json;

constexpr const char* VarnelKey = "Software\\Varnel";

// Why the store's file is the one it is; mirrors TRegistry::StoreFileName.
std::string StoreSource() {
  const auto Set = [](const char* Name) {
    const char* Value = std::getenv(Name);
    return Value != nullptr && *Value != '\0';
  };
  if (Set("VNIDE_REGISTRY")) return "VNIDE_REGISTRY";
  if (Set("XDG_CONFIG_HOME")) return "XDG_CONFIG_HOME, as VNIDE_REGISTRY is not set";
  return "HOME, as VNIDE_REGISTRY and XDG_CONFIG_HOME are not set";
}

struct TRootDirUse {
  bool Used = false;
  std::string Value;
  std::string Reason;  // why it was not used
};

// Follows the settings store's own rule: RootDir under the Varnel key names the
// settings folder when it is an existing folder; otherwise the working folder is used.
TRootDirUse ExplainRootDir(const std::string& StoreFile) {
  TRootDirUse Use;
  const std::string Key = std::string("HKEY_CURRENT_USER\\") + VarnelKey;
  if (!FileExists(StoreFile)) {
    Use.Reason = "the registry store does not exist; the working folder is used";
    return Use;
  }
  TRegistry Reg(KEY_READ);
  Reg.SetRootKey(HKEY_CURRENT_USER);
  if (!Reg.OpenKeyReadOnly(VarnelKey)) {
    Use.Reason = "the store has no key " + Key + "; the working folder is used";
    return Use;
  }
  try {
    Use.Value = Reg.ReadString("RootDir");
  } catch (const Exception&) {
    Use.Reason = "RootDir under " + Key + " is not a string; the working folder is used";
    return Use;
  }
  if (Use.Value.empty())
    Use.Reason = "the key " + Key + " has no RootDir value; the working folder is used";
  else if (!DirectoryExists(Use.Value))
    Use.Reason = "the folder " + Use.Value + " does not exist; the working folder is used";
  else
    Use.Used = true;
  return Use;
}

// The package's report as data: "Name: value" lines, and "Title (n):" lines
// followed by indented items.
TJson ReportAsJson(const TStrings& Lines) {
  TJson Json = TJson::object();
  TJson* List = nullptr;
  for (int I = 0; I < Lines.Count(); ++I) {
    const std::string Line = Lines.Strings(I);
    if (Line.starts_with("  ")) {
      if (List != nullptr && Trim(Line) != "(none)") List->push_back(Trim(Line));
      continue;
    }
    const auto Colon = Line.find(':');
    if (Colon == std::string::npos) continue;
    std::string Name = Line.substr(0, Colon);
    const std::string Value = Trim(Line.substr(Colon + 1));
    if (!Value.empty() || Line.back() != ':') {
      Json[Name] = Value;
      List = nullptr;
      continue;
    }
    if (const auto Open = Name.rfind(" ("); Open != std::string::npos) Name.erase(Open);
    if (const auto Limit = Name.find(", limit "); Limit != std::string::npos) {
      int Count = 0;
      if (TryStrToInt(Name.substr(Limit + 8), Count)) Json[Name.substr(0, Limit) + " limit"] = Count;
      Name.erase(Limit);
    }
    Json[Name] = TJson::array();
    List = &Json[Name];
  }
  return Json;
}

}  // namespace

int RunSettingsCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  TLoadedPackage& Package = Host.Load(Options.PackageFile);
  using TReport = void (*)(TStrings*);
  auto Report = reinterpret_cast<TReport>(Package.FindExport("VNReg_DesignSettingsReport"));
  if (Report == nullptr) throw EPackageError(Format("Package %s cannot describe its settings", {Package.Name()}));
  TStringList Lines;
  Report(&Lines);
  // Default parameters may hold a password: it is never shown.
  for (int I = 0; I < Lines.Count(); ++I)
    if (const std::string Hidden = HideSecret(Lines.StringRef(I)); Hidden != Lines.StringRef(I)) Lines.Put(I, Hidden);

  const std::string StoreFile = TRegistry::StoreFileName();
  TRootDirUse RootDir = ExplainRootDir(StoreFile);
  // What the package settled on decides: a RootDir it could not use (say, the
  // store could not be opened for writing) is not reported as used.
  const std::string DirectoryLabel = "Settings directory:";
  for (int I = 0; I < Lines.Count(); ++I)
    if (const std::string& Line = Lines.StringRef(I); RootDir.Used && Line.starts_with(DirectoryLabel)) {
      const std::string Settled = Trim(std::string_view(Line).substr(DirectoryLabel.size()));
      std::error_code Error;
      if (!std::filesystem::equivalent(Settled, RootDir.Value, Error)) {
        RootDir.Used = false;
        RootDir.Reason = "the package settled on " + Settled + " instead";
      }
    }
  if (Options.Output == ofJson) {
    TJson Json;
    Json["registryStore"] = {{"file", StoreFile}, {"from", StoreSource()}, {"exists", FileExists(StoreFile)}};
    Json["rootDir"] = {{"used", RootDir.Used},
                       {"value", RootDir.Value},
                       {"reason", RootDir.Used ? TJson(nullptr) : TJson(RootDir.Reason)}};
    Json["settings"] = ReportAsJson(Lines);
    Out << JsonText(Json, 2) << '\n';
    return ecSuccess;
  }
  Out << "Registry store:      " << StoreFile << " (from " << StoreSource() << ")\n";
  if (RootDir.Used)
    Out << "RootDir:             used: " << RootDir.Value << '\n';
  else
    Out << "RootDir:             not used: " << RootDir.Reason << "\n";
  for (int I = 0; I < Lines.Count(); ++I) Out << Lines.StringRef(I) << '\n';
  return ecSuccess;
}

}  // namespace vnide
