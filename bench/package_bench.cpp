// The package's life in the host once it has been loaded before in the same
// process: load with its requirements, Initialize, Register, Finalize, unload;
// and the start-up and registration steps alone. The first load into a fresh
// process is vn_package_first_load's.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <link.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "package_host.h"
#include "registrations.h"

namespace {

std::string PackageFile() { return vnide::HostDirectory() + "/DclVarq220.bpl"; }

// The package reads the registry store at start-up: give it an empty one.
void UseScratchRegistry() {
  static const std::string Store = (std::filesystem::temp_directory_path() / "vn-bench-registry.reg").string();
  setenv("VNIDE_REGISTRY", Store.c_str(), 1);
}

// How many of the files that loading the package maps (the runtime library
// and the package itself; the program links the others) are mapped now.
int MappedPackageFiles() {
  int Count = 0;
  dl_iterate_phdr(
      [](dl_phdr_info* Info, std::size_t, void* Data) {
        const std::string_view Name = Info->dlpi_name;
        if (Name.ends_with("/VarLib220.bpl") || Name.ends_with("/DclVarq220.bpl")) ++*static_cast<int*>(Data);
        return 0;
      },
      &Count);
  return Count;
}

// The loader keeps the runtime library and the package mapped after their
// first unload (both define symbols of unique binding, which it never drops),
// so from the second iteration on nothing is mapped or relocated:
// this is the warm cycle, not a first load. "stay_mapped" counts the two files
// still mapped after an unload.
void BM_WarmPackageCycle(benchmark::State& State) {
  UseScratchRegistry();
  {
    vnide::TPackageHost Host;
    Host.Load(PackageFile());
  }
  State.counters["stay_mapped"] = MappedPackageFiles();
  for (auto _ : State) {
    vnide::TPackageHost Host;
    Host.Load(PackageFile());
    benchmark::DoNotOptimize(Host.UnloadAll());
  }
}
BENCHMARK(BM_WarmPackageCycle)->Unit(benchmark::kMicrosecond);

// Initialize and Finalize of a package that stays loaded.
void BM_PackageInitializeFinalize(benchmark::State& State) {
  UseScratchRegistry();
  void* Handle = dlopen(PackageFile().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (Handle == nullptr) {
    State.SkipWithError(dlerror());
    return;
  }
  auto Initialize = reinterpret_cast<void (*)()>(dlsym(Handle, "Initialize"));
  auto Finalize = reinterpret_cast<void (*)()>(dlsym(Handle, "Finalize"));
  for (auto _ : State) {
    Initialize();
    Finalize();
  }
  dlclose(Handle);
}
BENCHMARK(BM_PackageInitializeFinalize)->Unit(benchmark::kMicrosecond);

// Register and the host dropping the registrations again.
void BM_PackageRegister(benchmark::State& State) {
  UseScratchRegistry();
  vnide::TPackageHost Host;
  vnide::TLoadedPackage& Package = Host.Load(PackageFile());
  auto Register = reinterpret_cast<void (*)()>(Package.FindExport("VNReg_Register"));
  for (auto _ : State) {
    vn_ide::BeginPackageRegistration("bench");
    Register();
    vn_ide::EndPackageRegistration();
    vn_ide::DropPackageRegistrations("bench");
  }
}
BENCHMARK(BM_PackageRegister)->Unit(benchmark::kMicrosecond);

}  // namespace
