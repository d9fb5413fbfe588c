#include "editors/product_caption.h"

#include "about/product_info.h"

namespace VNReg {

std::string GetProductCaption() { return VNAbout::ReadPackageProductInfo().Caption(); }

}  // namespace VNReg
