// Start-up and shut-down of vcl220's units, the entries that the unit tables
// of packages using them point to. None of these units has start-up work: what
// each needs is made on first use. Each still counts its start-ups, as every
// unit does.
#include "rtl/SysInit.h"
#include "vcl/ComCtrls.h"
#include "vcl/Controls.h"
#include "vcl/Dialogs.h"
#include "vcl/ExtCtrls.h"
#include "vcl/Forms.h"
#include "vcl/Graphics.h"
#include "vcl/Menus.h"
#include "vcl/StdCtrls.h"

VN_UNIT_WITHOUT_WORK(Graphics)
VN_UNIT_WITHOUT_WORK(Controls)
VN_UNIT_WITHOUT_WORK(Forms)
VN_UNIT_WITHOUT_WORK(StdCtrls)
VN_UNIT_WITHOUT_WORK(ExtCtrls)
VN_UNIT_WITHOUT_WORK(ComCtrls)
VN_UNIT_WITHOUT_WORK(Menus)
VN_UNIT_WITHOUT_WORK(Dialogs)
