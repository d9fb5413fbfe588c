// The package's own module: its instance handle and module record.
#pragma once

#include <cstdint>

#include "rtl/SysInit.h"

namespace DclVarq220 {

// The instance handle that the library entry point recorded when the package
// file was loaded; the package reads its own file's resources through it.
std::uintptr_t HInstance();

}  // namespace DclVarq220

// Package entry points, called by the IDE's package loader.
extern "C" {
void Initialize();
void Finalize();
PackageInfo GetPackageInfoTable();
}
