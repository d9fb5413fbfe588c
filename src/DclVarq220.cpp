// Package unit DclVarq220: the library entry point, the unit table and the
// entry points through which the IDE starts and stops the package's units.
#include "package_module.h"

#include <iterator>

#include "ide/ColnEdit.h"
#include "ide/DBReg.h"
#include "ide/DSDesign.h"
#include "ide/DSSprigs.h"
#include "ide/DesignEditors.h"
#include "ide/DesignIntf.h"
#include "ide/StFilSys.h"
#include "ide/ToolsAPI.h"
#include "ide/TreeIntf.h"
#include "registration/vnreg.h"
#include "rtl/Classes.h"
#include "rtl/DB.h"
#include "rtl/IniFiles.h"
#include "rtl/Registry.h"
#include "rtl/Resources.h"
#include "rtl/SysUtils.h"
#include "rtl/System.h"
#include "rtl/TypInfo.h"
#include "rtl/Variants.h"
#include "rtl/Windows.h"
#include "varnel/Vncommon.h"
#include "varnel/Vnconsts.h"
#include "varnel/Vndlgs.h"
#include "varnel/Vnengine.h"
#include "vcl/ComCtrls.h"
#include "vcl/Controls.h"
#include "vcl/Dialogs.h"
#include "vcl/ExtCtrls.h"
#include "vcl/Forms.h"
#include "vcl/Graphics.h"
#include "vcl/Menus.h"
#include "vcl/StdCtrls.h"

namespace {

TLibModule PackageModule;

// The package's own units without start-up work still count their start-ups,
// as every unit does; so does its copy of the per-module start-up code.
VN_UNIT_WITHOUT_WORK(SysInit)
VN_UNIT_WITHOUT_WORK(VNAbout)
VN_UNIT_WITHOUT_WORK(VNUpdSEd)

#define VN_UNIT(Unit) \
  { #Unit, &Unit##_Initialization, &Unit##_Finalization }

// Every unit the package uses. After the module's own start-up code, those of
// the required packages come first, each package's after the packages it
// requires, and forward to the units' own start-up, which does its work once
// per process. The package's own units come last, in the order they start.
const TUnitEntry UnitTable[] = {
    // The package's own copy of the per-module start-up code, before anything.
    VN_UNIT(SysInit),
    // rtl220
    VN_UNIT(System),
    VN_UNIT(SysUtils),
    VN_UNIT(Classes),
    VN_UNIT(TypInfo),
    VN_UNIT(Variants),
    VN_UNIT(DB),
    VN_UNIT(Resources),
    VN_UNIT(IniFiles),
    VN_UNIT(Registry),
    VN_UNIT(Windows),
    // vcl220
    VN_UNIT(Graphics),
    VN_UNIT(Controls),
    VN_UNIT(Forms),
    VN_UNIT(StdCtrls),
    VN_UNIT(ExtCtrls),
    VN_UNIT(ComCtrls),
    VN_UNIT(Menus),
    VN_UNIT(Dialogs),
    // dcldb220
    VN_UNIT(DesignIntf),
    VN_UNIT(TreeIntf),
    VN_UNIT(ToolsAPI),
    VN_UNIT(StFilSys),
    VN_UNIT(DesignEditors),
    VN_UNIT(DSDesign),
    VN_UNIT(DSSprigs),
    VN_UNIT(ColnEdit),
    VN_UNIT(DBReg),
    // VarLib220
    VN_UNIT(Vncommon),
    VN_UNIT(Vnconsts),
    VN_UNIT(Vnengine),
    VN_UNIT(Vndlgs),
    // DclVarq220
    VN_UNIT(VNAbout),
    VN_UNIT(VNUpdSEd),
    {"VNReg", &VNReg::Initialization, &VNReg::Finalization},
};
#undef VN_UNIT
const PackageInfoTable PackageTable{static_cast<int>(std::size(UnitTable)), UnitTable};

// The library entry point: the loader runs these when the package file is
// loaded into and unloaded from the process.
__attribute__((constructor)) void LibraryAttach() {
  PackageModule.Instance = FindModuleHandle(&PackageModule);
  const HINSTANCE Resources = LoadResourceModule(GetModuleFileName(PackageModule.Instance));
  PackageModule.ResInstance = Resources != 0 ? Resources : PackageModule.Instance;
  RegisterModule(&PackageModule);
}

__attribute__((destructor)) void LibraryDetach() {
  UnregisterModule(&PackageModule);
  if (PackageModule.ResInstance != PackageModule.Instance) FreeLibrary(PackageModule.ResInstance);
}

}  // namespace

std::uintptr_t DclVarq220::HInstance() { return PackageModule.Instance; }

extern "C" void Initialize() { PackageLoad(&PackageTable, &PackageModule); }
extern "C" void Finalize() { PackageUnload(&PackageTable, &PackageModule); }
extern "C" PackageInfo GetPackageInfoTable() { return &PackageTable; }
