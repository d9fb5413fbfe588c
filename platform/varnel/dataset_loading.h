// Turning a statement's result into a dataset's field definitions and records.
#pragma once

#include <string>
#include <vector>

#include "rtl/DB.h"
#include "server_connection.h"

// The names a dataset gives the fields of columns named Columns, in order:
// fields are found by name, so a name met before (letter case aside) gets the
// first free "_1", "_2" ... appended, and an empty one becomes "COLUMNn".
std::vector<std::string> DataSetFieldNames(const std::vector<std::string>& Columns);

// Replaces Defs with one definition per column of Result, named as
// DataSetFieldNames says, and returns the rows.
std::vector<std::vector<Variant>> DefineFields(TFieldDefs& Defs, TVNResultSet&& Result);
