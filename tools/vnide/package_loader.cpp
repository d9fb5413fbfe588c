#include "package_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>

namespace vnide {

std::string HostDirectory() {
  std::error_code Error;
  auto Exe = std::filesystem::read_symlink("/proc/self/exe", Error);
  if (Error) return ".";
  return Exe.parent_path().string();
}

TLoadedPackage::TLoadedPackage(std::string FileName) : FFileName(std::move(FileName)) {
  FHandle = dlopen(NativeFileName(FFileName).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (FHandle == nullptr) {
    const char* Reason = dlerror();
    throw EPackageError(Format("Cannot load package %s: %s", {FFileName, Reason ? Reason : "unknown reason"}));
  }
}

TLoadedPackage::~TLoadedPackage() {
  if (FHandle != nullptr) dlclose(FHandle);
}

void* TLoadedPackage::FindExport(const std::string& Name) const {
  dlerror();
  return dlsym(FHandle, Name.c_str());
}

void* TLoadedPackage::RequireExport(const std::string& Name) const {
  void* Address = FindExport(Name);
  if (Address == nullptr)
    throw EPackageError(Format("Package %s has no entry point %s", {FFileName, Name}));
  return Address;
}

TPackageHost::~TPackageHost() {
  while (!FPackages.empty()) FPackages.pop_back();
}

TLoadedPackage& TPackageHost::Load(const std::string& FileName) {
  FPackages.push_back(std::make_unique<TLoadedPackage>(FileName));
  return *FPackages.back();
}

}  // namespace vnide
