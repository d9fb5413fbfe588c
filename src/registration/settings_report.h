// What the settings store resolves, described for a person.
#pragma once

#include "rtl/Classes.h"

namespace VNReg {

class TDesignSettings;

// Appends one line per setting: directory and file, SQL-editor switch, default
// server type, default parameters and recent databases. Reads only.
void DescribeDesignSettings(TDesignSettings& Settings, TStrings& Lines);

}  // namespace VNReg

// Exported for the design host: describes a fresh store made for the call (the
// package's own store is neither needed nor touched).
extern "C" void VNReg_DesignSettingsReport(TStrings* Lines);
