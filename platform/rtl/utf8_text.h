// UTF-8 validity, shared by the readers of rtl220. Private to rtl220.
#pragma once

#include <string_view>

namespace vn_rtl {

// True when Text is well-formed UTF-8.
bool IsUtf8(std::string_view Text) noexcept;

}  // namespace vn_rtl
