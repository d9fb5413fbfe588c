// Turning a statement's result into a dataset's field definitions and records.
#pragma once

#include <vector>

#include "rtl/DB.h"
#include "server_connection.h"

// Replaces Defs with one definition per column of Result (a repeated name gets
// "_1", "_2" ... appended; an empty one becomes "COLUMNn") and returns the rows.
std::vector<std::vector<Variant>> DefineFields(TFieldDefs& Defs, TVNResultSet&& Result);
