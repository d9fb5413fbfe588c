// The product name and version that a module file's own version information
// records: what the About dialog shows and the About verb's caption reads.
#pragma once

#include <string>

#include "rtl/Resources.h"

namespace VNAbout {

struct TProductInfo {
  std::string ProductName = "Varnel";
  std::string Version;

  // Product name, one blank, version: "Varnel Library 6.5.3.0", or "Varnel "
  // for a file without version information.
  std::string Caption() const { return ProductName + " " + Version; }
};

// Reads the version information of the file that the module Instance was
// loaded from; what the file does not hold keeps its preset ("Varnel" and "").
TProductInfo ReadProductInfo(HINSTANCE Instance);
// The same for the package's own file.
TProductInfo ReadPackageProductInfo();

}  // namespace VNAbout
