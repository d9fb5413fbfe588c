// A data module as the designer shows it, drawn as PNG: shared by vnide
// snapshot and vnide serve.
#pragma once

#include <string>

#include "rtl/Classes.h"

namespace vnide {

class TPackageHost;

// Each component's palette bitmap at its design position, with its name below;
// components never placed go in rows below the others.
std::string DataModulePicture(TPackageHost& Host, const TComponent& Root);

}  // namespace vnide
