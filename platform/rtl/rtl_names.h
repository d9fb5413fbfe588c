// Comparing identifiers (property, enumeration value, component and parameter
// names) without regard to case.
#pragma once

#include <string_view>

#include "rtl/SysUtils.h"

namespace rtl_names {

inline bool IsAscii(std::string_view S) noexcept {
  for (unsigned char C : S)
    if (C >= 0x80) return false;
  return true;
}

// Identifiers are nearly always ASCII, where the plain comparison gives the
// answer without asking the collator.
inline bool SameName(std::string_view S1, std::string_view S2) {
  if (SameText(S1, S2)) return true;
  if (IsAscii(S1) && IsAscii(S2)) return false;
  return AnsiSameText(S1, S2);
}

}  // namespace rtl_names
