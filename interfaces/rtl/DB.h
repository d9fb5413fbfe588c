// Unit DB: the data library's shared types.
#pragma once

#include "rtl/SysUtils.h"

// Errors of database access: connecting, preparing, reading the catalog.
VN_DECLARE_EXCEPTION(EDatabaseError, Exception)
