// Errors of the servers that callers tell apart from the rest.
#pragma once

#include "rtl/DB.h"

// The server gave up waiting: a lock another session holds, or a statement
// that ran past its time limit. Nothing of the statement remains.
VN_DECLARE_EXCEPTION(EVNServerBusy, EDatabaseError)
