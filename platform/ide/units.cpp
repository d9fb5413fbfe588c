// Start-up and shut-down of dcldb220's units, the entries that the unit tables
// of packages using them point to. None of these units has start-up work: what
// each needs is made on first use. Each still counts its start-ups, as every
// unit does.
#include "ide/ColnEdit.h"
#include "ide/DBReg.h"
#include "ide/DSDesign.h"
#include "ide/DSSprigs.h"
#include "ide/DesignEditors.h"
#include "ide/DesignIntf.h"
#include "ide/StFilSys.h"
#include "ide/ToolsAPI.h"
#include "ide/TreeIntf.h"
#include "rtl/SysInit.h"

VN_UNIT_WITHOUT_WORK(DesignIntf)
VN_UNIT_WITHOUT_WORK(TreeIntf)
VN_UNIT_WITHOUT_WORK(ToolsAPI)
VN_UNIT_WITHOUT_WORK(StFilSys)
VN_UNIT_WITHOUT_WORK(DesignEditors)
VN_UNIT_WITHOUT_WORK(DSDesign)
VN_UNIT_WITHOUT_WORK(DSSprigs)
VN_UNIT_WITHOUT_WORK(ColnEdit)
VN_UNIT_WITHOUT_WORK(DBReg)
