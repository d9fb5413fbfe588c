// Start-up and shut-down of rtl220's units, the entries that the unit tables
// of packages using them point to. None of these units has start-up work: what
// each needs is made on first use. Each still counts its start-ups, as every
// unit does.
#include "rtl/Classes.h"
#include "rtl/DB.h"
#include "rtl/FormFiles.h"
#include "rtl/IniFiles.h"
#include "rtl/Registry.h"
#include "rtl/Resources.h"
#include "rtl/SysInit.h"
#include "rtl/SysUtils.h"
#include "rtl/System.h"
#include "rtl/TypInfo.h"
#include "rtl/Variants.h"
#include "rtl/Windows.h"

VN_UNIT_WITHOUT_WORK(System)
VN_UNIT_WITHOUT_WORK(SysUtils)
VN_UNIT_WITHOUT_WORK(Classes)
VN_UNIT_WITHOUT_WORK(TypInfo)
VN_UNIT_WITHOUT_WORK(Variants)
VN_UNIT_WITHOUT_WORK(DB)
VN_UNIT_WITHOUT_WORK(FormFiles)
VN_UNIT_WITHOUT_WORK(Resources)
VN_UNIT_WITHOUT_WORK(IniFiles)
VN_UNIT_WITHOUT_WORK(Registry)
VN_UNIT_WITHOUT_WORK(Windows)
