// Name comparison shared by the ini files and the registry. Private to rtl220.
#pragma once

#include <string_view>

#include "rtl/SysUtils.h"

namespace vn_rtl {

inline bool IsAsciiName(std::string_view S) {
  for (char C : S)
    if (static_cast<unsigned char>(C) >= 0x80) return false;
  return true;
}

// AnsiSameText, except that two plain ASCII names compare by ASCII case alone:
// a search through a large file then costs no collation per line, and names
// differing by control characters (which collation ignores) stay different.
inline bool SameName(std::string_view A, std::string_view B) {
  if (IsAsciiName(A) && IsAsciiName(B)) return A.size() == B.size() && SameText(A, B);
  return AnsiSameText(A, B);
}

}  // namespace vn_rtl
