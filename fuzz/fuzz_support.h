// What the fuzz targets share: a failed property aborts, so that libFuzzer
// and the corpus replay both report the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size);

namespace vn_fuzz {

[[noreturn]] inline void Fail(std::string_view What, std::string_view Detail = {}) {
  std::fprintf(stderr, "fuzz property violated: %.*s\n", static_cast<int>(What.size()), What.data());
  if (!Detail.empty()) std::fprintf(stderr, "%.*s\n", static_cast<int>(Detail.size()), Detail.data());
  std::abort();
}

inline void Require(bool Holds, std::string_view What, std::string_view Detail = {}) {
  if (!Holds) Fail(What, Detail);
}

inline std::string_view AsText(const std::uint8_t* Data, std::size_t Size) {
  return {reinterpret_cast<const char*>(Data), Size};
}

}  // namespace vn_fuzz
