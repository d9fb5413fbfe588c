#include "rtl/SysInit.h"

#include <exception>
#include <mutex>
#include <vector>

namespace {

// Modules load and unload on whichever thread loads the library.
std::mutex& ModuleLock() {
  static std::mutex Lock;
  return Lock;
}
TLibModule* ModuleList = nullptr;

}  // namespace

void RegisterModule(TLibModule* LibModule) {
  if (LibModule == nullptr) return;
  std::lock_guard Guard(ModuleLock());
  for (TLibModule* M = ModuleList; M != nullptr; M = M->Next)
    if (M == LibModule) return;
  LibModule->Next = ModuleList;
  ModuleList = LibModule;
}

void UnregisterModule(TLibModule* LibModule) {
  if (LibModule == nullptr) return;
  std::lock_guard Guard(ModuleLock());
  for (TLibModule** Link = &ModuleList; *Link != nullptr; Link = &(*Link)->Next)
    if (*Link == LibModule) {
      *Link = LibModule->Next;
      LibModule->Next = nullptr;
      return;
    }
}

void EnumModules(const std::function<bool(const TLibModule&)>& Proc) {
  // Proc may load or unload packages; walk a copy of the list.
  std::vector<TLibModule*> Snapshot;
  {
    std::lock_guard Guard(ModuleLock());
    for (TLibModule* M = ModuleList; M != nullptr; M = M->Next) Snapshot.push_back(M);
  }
  for (TLibModule* M : Snapshot)
    if (!Proc(*M)) return;
}

TLibModule* FindModule(std::uintptr_t Instance) {
  std::lock_guard Guard(ModuleLock());
  for (TLibModule* M = ModuleList; M != nullptr; M = M->Next)
    if (M->Instance == Instance) return M;
  return nullptr;
}

std::uintptr_t FindResourceHInstance(std::uintptr_t Instance) {
  std::lock_guard Guard(ModuleLock());
  for (TLibModule* M = ModuleList; M != nullptr; M = M->Next)
    if (M->Instance == Instance && M->ResInstance != 0) return M->ResInstance;
  return Instance;
}

void PackageLoad(PackageInfo Table, TLibModule* /*Module*/) {
  if (Table == nullptr) return;
  int Started = 0;
  try {
    for (; Started < Table->UnitCount; ++Started)
      if (auto Init = Table->UnitInfo[Started].Init) Init();
  } catch (...) {
    // Shut down what started, then report the start-up error itself.
    while (Started-- > 0) {
      try {
        if (auto FInit = Table->UnitInfo[Started].FInit) FInit();
      } catch (...) {
      }
    }
    throw;
  }
}

void PackageUnload(PackageInfo Table, TLibModule* /*Module*/) {
  if (Table == nullptr) return;
  std::exception_ptr First;
  for (int I = Table->UnitCount - 1; I >= 0; --I) {
    try {
      if (auto FInit = Table->UnitInfo[I].FInit) FInit();
    } catch (...) {
      if (!First) First = std::current_exception();
    }
  }
  if (First) std::rethrow_exception(First);
}

