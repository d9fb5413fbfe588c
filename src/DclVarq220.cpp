// Package unit DclVarq220: the library entry point, the unit table and the
// entry points through which the IDE starts and stops the package's units.
#include "package_module.h"

#include <iterator>

#include "registration/vnreg.h"
#include "rtl/Resources.h"
#include "varnel/Vnengine.h"

namespace {

TLibModule PackageModule;

// Own units without start-up work still count their start-ups, as every unit does.
std::int32_t VNAboutCounter = 0;
std::int32_t VNUpdSEdCounter = 0;
void VNAboutInitialization() { --VNAboutCounter; }
void VNAboutFinalization() { ++VNAboutCounter; }
void VNUpdSEdInitialization() { --VNUpdSEdCounter; }
void VNUpdSEdFinalization() { ++VNUpdSEdCounter; }

// Units of the required packages first (their own start-up runs once per
// process), then the package's units in the order they start.
const TUnitEntry UnitTable[] = {
    {"Vnengine", &Vnengine_Initialization, &Vnengine_Finalization},
    {"VNAbout", &VNAboutInitialization, &VNAboutFinalization},
    {"VNUpdSEd", &VNUpdSEdInitialization, &VNUpdSEdFinalization},
    {"VNReg", &VNReg::Initialization, &VNReg::Finalization},
};
const PackageInfoTable PackageTable{static_cast<int>(std::size(UnitTable)), UnitTable};

// The library entry point: the loader runs these when the package file is
// loaded into and unloaded from the process.
__attribute__((constructor)) void LibraryAttach() {
  PackageModule.Instance = FindModuleHandle(&PackageModule);
  PackageModule.ResInstance = PackageModule.Instance;
  RegisterModule(&PackageModule);
}

__attribute__((destructor)) void LibraryDetach() { UnregisterModule(&PackageModule); }

}  // namespace

std::uintptr_t DclVarq220::HInstance() { return PackageModule.Instance; }

extern "C" void Initialize() { PackageLoad(&PackageTable, &PackageModule); }
extern "C" void Finalize() { PackageUnload(&PackageTable, &PackageModule); }
extern "C" PackageInfo GetPackageInfoTable() { return &PackageTable; }
