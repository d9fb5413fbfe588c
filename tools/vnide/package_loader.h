// Loading package files into the design host.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "rtl/SysUtils.h"

namespace vnide {

VN_DECLARE_EXCEPTION(EPackageError, Exception)

// The folder that holds vnide and, beside it, the packages it was built with.
std::string HostDirectory();

// A package file loaded into the process for the life of the object.
class TLoadedPackage {
 public:
  // Raises EPackageError naming the file and the loader's reason.
  explicit TLoadedPackage(std::string FileName);
  ~TLoadedPackage();
  TLoadedPackage(const TLoadedPackage&) = delete;
  TLoadedPackage& operator=(const TLoadedPackage&) = delete;

  const std::string& FileName() const noexcept { return FFileName; }
  // The exported entry point of that name, or null.
  void* FindExport(const std::string& Name) const;
  // As FindExport, but raises EPackageError when the package lacks it.
  void* RequireExport(const std::string& Name) const;

 private:
  std::string FFileName;
  void* FHandle = nullptr;
};

// The packages the host has loaded. They stay loaded until the host ends, after
// it has reported any error: an exception raised inside a package may refer to
// the package's own code and data until it has been handled.
class TPackageHost {
 public:
  TPackageHost() = default;
  ~TPackageHost();  // unloads in reverse order of loading
  TPackageHost(const TPackageHost&) = delete;
  TPackageHost& operator=(const TPackageHost&) = delete;

  TLoadedPackage& Load(const std::string& FileName);

 private:
  std::vector<std::unique_ptr<TLoadedPackage>> FPackages;
};

}  // namespace vnide
