// The product caption: the About verb's text on every component's context menu.
#pragma once

#include <string>

namespace VNReg {

// Product name, one blank and version from the package file's own version
// information; "Varnel " (with the blank) when the file holds none.
std::string GetProductCaption();

}  // namespace VNReg
