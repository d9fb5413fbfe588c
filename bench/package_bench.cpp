// The package's life in the host: load with its requirements, Initialize,
// Register, Finalize, unload; and the start-up and registration steps alone.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "package_host.h"
#include "registrations.h"

namespace {

std::string PackageFile() { return vnide::HostDirectory() + "/DclVarq220.bpl"; }

// The package reads the registry store at start-up: give it an empty one.
void UseScratchRegistry() {
  static const std::string Store = (std::filesystem::temp_directory_path() / "vn-bench-registry.reg").string();
  setenv("VNIDE_REGISTRY", Store.c_str(), 1);
}

void BM_PackageLoadStartRegisterStopUnload(benchmark::State& State) {
  UseScratchRegistry();
  for (auto _ : State) {
    vnide::TPackageHost Host;
    Host.Load(PackageFile());
    benchmark::DoNotOptimize(Host.UnloadAll());
  }
}
BENCHMARK(BM_PackageLoadStartRegisterStopUnload)->Unit(benchmark::kMicrosecond);

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
