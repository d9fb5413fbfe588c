// The runtime library's statement checker, for the commands that show what it
// finds: check, and the sessions that accept new statements.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "varnel/Vncheck.h"

class TComponent;

namespace vnide {

class TPackageHost;

// True for the update objects of a form (a TVNDataSetUpdateObject or descendant).
bool IsUpdateObject(const TComponent& Component);
// The lines of the statement property Name ("ModifySQL") of UpdateObject; a
// list line that holds line breaks of its own counts as several.
std::vector<std::string> StatementLines(const TComponent& UpdateObject, const char* Name);

// Checks UpdateObject with the runtime library's checker, which raises
// EDatabaseError when its database cannot be reached.
TVNUpdateCheckResult CheckUpdateObject(TPackageHost& Host, TComponent& UpdateObject,
                                       const TVNUpdateCheckOptions& Options);

// The inputs the UpdateSQL editor should be given for UpdateObject's
// statements, from the runtime library's planner.
TVNUpdatePlan PlanUpdateStatements(TPackageHost& Host, TComponent& UpdateObject);

// The block a person reads once a dialog accepted new statements: what the
// check found, grouped, each with what to do, or that the statements passed.
void WriteVerification(const std::string& ObjectName, const TVNUpdateCheckResult& Result, std::ostream& Out);

// Findings (fkFinding) in Result.
int FindingCount(const TVNUpdateCheckResult& Result);

}  // namespace vnide
