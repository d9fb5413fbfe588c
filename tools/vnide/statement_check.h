// The runtime library's statement checker, for the commands that show what it
// finds: check, and the sessions that accept new statements.
#pragma once

#include <ostream>
#include <string>

#include "varnel/Vncheck.h"

class TComponent;

namespace vnide {

class TPackageHost;

// Checks UpdateObject with the runtime library's checker, which raises
// EDatabaseError when its database cannot be reached.
TVNUpdateCheckResult CheckUpdateObject(TPackageHost& Host, TComponent& UpdateObject,
                                       const TVNUpdateCheckOptions& Options);

// The block a person reads once a dialog accepted new statements: what the
// check found, grouped, each with what to do, or that the statements passed.
void WriteVerification(const std::string& ObjectName, const TVNUpdateCheckResult& Result, std::ostream& Out);

// Findings (fkFinding) in Result.
int FindingCount(const TVNUpdateCheckResult& Result);

}  // namespace vnide
