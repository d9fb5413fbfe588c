#include "about/product_info.h"

#include "package_module.h"
#include "varnel/Vncommon.h"

namespace VNAbout {

TProductInfo ReadProductInfo(HINSTANCE Instance) {
  TProductInfo Info;
  // A file without version information leaves both presets as they are.
  ReadFileVersInfo(GetModuleFileNameStr(Instance), Info.ProductName, Info.Version);
  return Info;
}

TProductInfo ReadPackageProductInfo() { return ReadProductInfo(DclVarq220::HInstance()); }

}  // namespace VNAbout
