// Start-up and shut-down of VarLib220's units, the entries that the unit tables
// of packages using them point to. None of these units has start-up work: what
// each needs is made on first use. Each still counts its start-ups, as every
// unit does. Vnengine starts and stops in registration.cpp.
#include "rtl/SysInit.h"
#include "varnel/Vncheck.h"
#include "varnel/Vncommon.h"
#include "varnel/Vnconsts.h"
#include "varnel/Vndlgs.h"
#include "varnel/Vninputdlg.h"

VN_UNIT_WITHOUT_WORK(Vncommon)
VN_UNIT_WITHOUT_WORK(Vnconsts)
VN_UNIT_WITHOUT_WORK(Vninputdlg)
VN_UNIT_WITHOUT_WORK(Vndlgs)
VN_UNIT_WITHOUT_WORK(Vncheck)
