// Errors of the servers that callers tell apart from the rest.
#pragma once

#include "rtl/DB.h"

// The server gave up waiting: a lock another session holds, or a statement
// that ran past its time limit. Nothing of the statement remains.
VN_DECLARE_EXCEPTION(EVNServerBusy, EDatabaseError)

// A server's backend library is not there or cannot be loaded: the message
// names the file and the loader's reason.
VN_DECLARE_EXCEPTION(EVNBackendMissing, EDatabaseError)
