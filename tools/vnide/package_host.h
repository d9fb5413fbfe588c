// The design host's package loader: loads package files with what they require,
// starts them, lets them register, and stops and unloads them again.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "package_info.h"
#include "rtl/SysUtils.h"

namespace vnide {

VN_DECLARE_EXCEPTION(EPackageError, Exception)

// The folder that holds vnide and, beside it, the packages it was built with.
std::string HostDirectory();

// One package file loaded into the process.
class TLoadedPackage {
 public:
  TLoadedPackage(TPackageDescription Description, void* Handle) noexcept
      : FDescription(std::move(Description)), FHandle(Handle) {}
  ~TLoadedPackage();
  TLoadedPackage(const TLoadedPackage&) = delete;
  TLoadedPackage& operator=(const TLoadedPackage&) = delete;

  const TPackageDescription& Description() const noexcept { return FDescription; }
  const std::string& Name() const noexcept { return FDescription.Name; }
  // The exported entry point of that name, or null.
  void* FindExport(const std::string& Symbol) const;
  // True for a design package: it was started and may have registered.
  bool Started() const noexcept { return FStarted; }

 private:
  friend class TPackageHost;
  TPackageDescription FDescription;
  void* FHandle;
  bool FStarted = false;
};

// Loads packages and keeps them until Unload or the host's end (in reverse order
// of loading). A package whose load fails leaves nothing behind: its start-up
// is undone, its registrations dropped, the file unloaded.
class TPackageHost {
 public:
  TPackageHost();
  ~TPackageHost();
  TPackageHost(const TPackageHost&) = delete;
  TPackageHost& operator=(const TPackageHost&) = delete;

  // Folders searched for required packages after the requiring package's own.
  void AddSearchFolder(const std::string& Folder) { FSearchFolders.push_back(Folder); }

  // Reads the package's description, loads the packages it requires, loads the
  // file, runs Initialize and then the Register of each contained unit that
  // exports one ("<Unit>_Register"). Run-time packages and the IDE's own are
  // loaded only: their units start as their files load. EPackageError names the package and what
  // went wrong (a missing file or required package, a missing entry point, an
  // exception at start-up or in Register).
  TLoadedPackage& Load(const std::string& FileName);
  // Finalize, registrations dropped, file unloaded; packages loaded after it
  // first. Errors of Finalize are returned as messages, the unload goes on.
  std::vector<std::string> Unload(const std::string& PackageName);
  std::vector<std::string> UnloadAll();

  const std::vector<std::unique_ptr<TLoadedPackage>>& Packages() const noexcept { return FPackages; }
  TLoadedPackage* Find(const std::string& PackageName) const;

 private:
  TLoadedPackage& LoadWithRequirements(const std::string& FileName, std::vector<std::string>& Loading);
  std::string FindRequiredFile(const std::string& Name, const std::string& RequiringFile) const;
  void Start(TLoadedPackage& Package);
  std::vector<std::string> Stop(TLoadedPackage& Package);

  std::vector<std::string> FSearchFolders;
  std::vector<std::unique_ptr<TLoadedPackage>> FPackages;
};

}  // namespace vnide
