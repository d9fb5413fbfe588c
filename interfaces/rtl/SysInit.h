// Module records and package start-up: what a package file's entry points hand
// to the base library.
#pragma once

#include <cstdint>
#include <functional>

// One loaded module (a program or a package file) as the base library knows it.
struct TLibModule {
  TLibModule* Next = nullptr;
  std::uintptr_t Instance = 0;     // the module's instance handle: its load address
  std::uintptr_t ResInstance = 0;  // where its resources are read from (itself unless a resource module was loaded)
};

// Start-up and shut-down of one unit; either may be null (nothing to do).
struct TUnitEntry {
  const char* UnitName;
  void (*Init)();
  void (*FInit)();
};

// How often a unit has been started, as each unit of every package counts it:
// 0 when its library is loaded, below 0 while started. A unit's start-up does
// its work only at the first start-up in the process, its shut-down only at the
// last, so that the units of a package that several packages use start once.
class TUnitStartCount {
 public:
  // Counts a start-up; true when it is the first (the unit's work is to be done).
  bool Start() noexcept { return FCount-- == 0; }
  // Counts a shut-down; true when it is the last. A shut-down without a
  // start-up counts nothing.
  bool Stop() noexcept { return FCount < 0 && ++FCount == 0; }
  std::int32_t Count() const noexcept { return FCount; }

 private:
  std::int32_t FCount = 0;
};

// Defines Unit_Initialization and Unit_Finalization of a unit with no start-up
// work of its own: both only count.
#define VN_UNIT_WITHOUT_WORK(Unit)                               \
  namespace {                                                    \
  TUnitStartCount Unit##Count;                                   \
  }                                                              \
  void Unit##_Initialization() { Unit##Count.Start(); }          \
  void Unit##_Finalization() { Unit##Count.Stop(); }

// A package's unit table: every unit it uses, those of its required packages
// first, in start-up order. Entries for units of other packages are those
// units' own start-up and shut-down, exported by the package that contains them
// as <Unit>_Initialization and <Unit>_Finalization.
struct PackageInfoTable {
  int UnitCount;
  const TUnitEntry* UnitInfo;
};
using PackageInfo = const PackageInfoTable*;

// The module list. A module registers when it is loaded and unregisters when it
// is unloaded; registering twice or unregistering an unknown module does nothing.
void RegisterModule(TLibModule* LibModule);
void UnregisterModule(TLibModule* LibModule);
// Calls Proc for each registered module, the most recently registered first,
// until Proc answers false.
void EnumModules(const std::function<bool(const TLibModule&)>& Proc);
// The registered module of that instance handle, or null.
TLibModule* FindModule(std::uintptr_t Instance);
// Where the resources of module Instance are read from: its resource module
// when it registered one, otherwise the module itself.
std::uintptr_t FindResourceHInstance(std::uintptr_t Instance);

// Runs the start-up of every unit of Table, first to last. When one raises, the
// units already started are shut down again (last to first) and the exception
// passes on.
void PackageLoad(PackageInfo Table, TLibModule* Module);
// Runs the shut-down of every unit of Table, last to first. Every unit is shut
// down even when one raises; the first exception then passes on.
void PackageUnload(PackageInfo Table, TLibModule* Module);

