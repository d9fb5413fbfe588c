#include "package_host.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <filesystem>

#include "registrations.h"
#include "rtl/SysInit.h"

namespace vnide {

namespace {

using TProc = void (*)();

std::string ExceptionText() {
  try {
    throw;
  } catch (const Exception& E) {
    return std::string(E.ClassName()) + ": " + E.Message();
  } catch (const std::exception& E) {
    return E.what();
  } catch (...) {
    return "unknown exception";
  }
}

std::string StemOf(const std::string& FileName) { return std::filesystem::path(FileName).stem().string(); }

// A package file name as given or with the package extension added.
std::string WithExtension(const std::string& Name) {
  return std::filesystem::path(Name).has_extension() ? Name : Name + ".bpl";
}

// The IDE's own package, the one that keeps the registrations: the host runs on
// it, so it started with the host.
bool IsTheHostsOwn(const std::string& FileName) {
  Dl_info Info{};
  if (dladdr(reinterpret_cast<void*>(&vn_ide::Registrations), &Info) == 0 || Info.dli_fname == nullptr) return false;
  std::error_code Error;
  return std::filesystem::equivalent(NativeFileName(FileName), Info.dli_fname, Error);
}

// The file of the loaded object whose name (or soname) is FileName; "" when
// the process has none.
std::string LoadedFileOf(const std::string& FileName) {
  void* Handle = dlopen(FileName.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (Handle == nullptr) return "";
  link_map* Map = nullptr;
  std::string File;
  if (dlinfo(Handle, RTLD_DI_LINKMAP, &Map) == 0 && Map != nullptr && Map->l_name != nullptr) File = Map->l_name;
  dlclose(Handle);  // the look-up counted as a reference
  return File;
}

}  // namespace

std::string HostDirectory() {
  std::error_code Error;
  auto Exe = std::filesystem::read_symlink("/proc/self/exe", Error);
  if (Error) return ".";
  return Exe.parent_path().string();
}

TLoadedPackage::~TLoadedPackage() {
  if (FHandle != nullptr) dlclose(FHandle);
}

void* TLoadedPackage::FindExport(const std::string& Symbol) const {
  dlerror();
  return dlsym(FHandle, Symbol.c_str());
}

TPackageHost::TPackageHost() { FSearchFolders.push_back(HostDirectory()); }

TPackageHost::~TPackageHost() { UnloadAll(); }

TLoadedPackage* TPackageHost::Find(const std::string& PackageName) const {
  for (const auto& P : FPackages)
    if (SameText(P->Name(), PackageName)) return P.get();
  return nullptr;
}

TLoadedPackage& TPackageHost::Load(const std::string& FileName) {
  std::vector<std::string> Loading;
  return LoadWithRequirements(FileName, Loading);
}

std::string TPackageHost::FindRequiredFile(const std::string& Name, const std::string& RequiringFile) const {
  // A package the process has already (the IDE's own, which the host runs on,
  // and the libraries under it) is that one: a copy beside the requiring
  // package would be a second IDE with registrations of its own.
  if (const std::string Loaded = LoadedFileOf(WithExtension(Name)); !Loaded.empty()) return Loaded;
  std::vector<std::string> Folders{std::filesystem::path(NativeFileName(RequiringFile)).parent_path().string()};
  Folders.insert(Folders.end(), FSearchFolders.begin(), FSearchFolders.end());
  for (const std::string& Folder : Folders) {
    const auto Candidate = std::filesystem::path(Folder.empty() ? "." : Folder) / WithExtension(Name);
    if (std::filesystem::is_regular_file(Candidate)) return Candidate.string();
  }
  return "";
}

TLoadedPackage& TPackageHost::LoadWithRequirements(const std::string& FileName, std::vector<std::string>& Loading) {
  const std::string Name = StemOf(FileName);
  if (TLoadedPackage* Loaded = Find(Name)) return *Loaded;
  if (std::find_if(Loading.begin(), Loading.end(), [&](const std::string& N) { return SameText(N, Name); }) !=
      Loading.end()) {
    std::string Chain;
    for (const std::string& N : Loading) Chain += N + " -> ";
    throw EPackageError(Format("Packages require each other: %s%s", {Chain, Name}));
  }
  if (!FileExists(FileName)) throw EPackageError(Format("Package %s not found", {FileName}));

  TPackageDescription Description;
  try {
    Description = ReadPackageDescription(FileName);
  } catch (const Exception& E) {
    throw EPackageError(Format("Cannot read package %s: %s", {FileName, E.Message()}));
  }
  Loading.push_back(Name);
  for (const std::string& Required : Description.Requires) {
    const std::string RequiredFile = FindRequiredFile(Required, FileName);
    if (RequiredFile.empty())
      throw EPackageError(Format("Package %s requires %s, which cannot be found", {Name, WithExtension(Required)}));
    LoadWithRequirements(RequiredFile, Loading);
  }
  Loading.pop_back();

  void* Handle = dlopen(NativeFileName(FileName).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (Handle == nullptr) {
    const char* Reason = dlerror();
    throw EPackageError(Format("Cannot load package %s: %s", {FileName, Reason ? Reason : "unknown reason"}));
  }
  auto Package = std::make_unique<TLoadedPackage>(std::move(Description), Handle);
  // Run-time packages start their units as their files load; only the packages
  // the IDE installs are started and asked to register.
  const TPackageDescription& D = Package->Description();
  if (D.IsPackage && (D.Flags & pfRunOnly) == 0 && !IsTheHostsOwn(FileName)) Start(*Package);
  FPackages.push_back(std::move(Package));
  return *FPackages.back();
}

void TPackageHost::Start(TLoadedPackage& Package) {
  for (const char* Entry : {"Initialize", "Finalize", "GetPackageInfoTable"})
    if (Package.FindExport(Entry) == nullptr)
      throw EPackageError(Format("Package %s has no entry point %s", {Package.Name(), Entry}));

  // The message is taken while the package is still loaded: the exception may
  // refer to its code and data.
  std::string Failure;
  try {
    reinterpret_cast<TProc>(Package.FindExport("Initialize"))();
  } catch (...) {
    Failure = ExceptionText();
  }
  if (!Failure.empty()) throw EPackageError(Format("Package %s failed to start: %s", {Package.Name(), Failure}));
  Package.FStarted = true;

  for (const TContainedUnit& Unit : Package.Description().Contains) {
    auto Register = reinterpret_cast<TProc>(Package.FindExport(Unit.Name + "_Register"));
    if (Register == nullptr) continue;
    vn_ide::BeginPackageRegistration(Package.Name());
    try {
      Register();
    } catch (...) {
      Failure = ExceptionText();
    }
    vn_ide::EndPackageRegistration();
    if (!Failure.empty()) {
      Stop(Package);
      throw EPackageError(
          Format("Registration procedure %s.Register in package %s raised %s", {Unit.Name, Package.Name(), Failure}));
    }
  }
}

std::vector<std::string> TPackageHost::Stop(TLoadedPackage& Package) {
  std::vector<std::string> Errors;
  if (!Package.FStarted) return Errors;
  Package.FStarted = false;
  try {
    reinterpret_cast<TProc>(Package.FindExport("Finalize"))();
  } catch (...) {
    Errors.push_back(Format("Package %s failed to stop: %s", {Package.Name(), ExceptionText()}));
  }
  vn_ide::DropPackageRegistrations(Package.Name());
  return Errors;
}

std::vector<std::string> TPackageHost::Unload(const std::string& PackageName) {
  std::vector<std::string> Errors;
  auto It = std::find_if(FPackages.begin(), FPackages.end(),
                         [&](const auto& P) { return SameText(P->Name(), PackageName); });
  if (It == FPackages.end()) return Errors;
  // What was loaded after it may depend on it.
  while (FPackages.end() - It > 1) {
    auto More = Unload(FPackages.back()->Name());
    Errors.insert(Errors.end(), More.begin(), More.end());
  }
  auto More = Stop(**It);
  Errors.insert(Errors.end(), More.begin(), More.end());
  FPackages.erase(It);
  return Errors;
}

std::vector<std::string> TPackageHost::UnloadAll() {
  std::vector<std::string> Errors;
  while (!FPackages.empty()) {
    auto More = Unload(FPackages.front()->Name());
    Errors.insert(Errors.end(), More.begin(), More.end());
  }
  return Errors;
}

}  // namespace vnide
