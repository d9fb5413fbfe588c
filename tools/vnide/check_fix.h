// vnide check --fix: new statements for the update objects whose statements
// fail, from the package's own UpdateSQL editor, proven and then saved.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vnide {

class TPackageHost;
struct TOptions;

// Fixes the update objects of Files that Options.Fix names; ecFindings when
// some could not be fixed (the form is then left as it was).
int RunCheckFix(TPackageHost& Host, const TOptions& Options, const std::vector<std::string>& Files, std::ostream& Out);

}  // namespace vnide
