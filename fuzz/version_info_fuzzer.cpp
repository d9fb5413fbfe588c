// Version information (VS_VERSIONINFO) of any bytes.
#include "version_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  vn_fuzz::ReadVersionInfo({Data, Size});
  return 0;
}
