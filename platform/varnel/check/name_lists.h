// Lists of names as the checker compares and shows them.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "rtl/SysUtils.h"

// True when List holds Name, without regard to case.
inline bool ContainsName(const std::vector<std::string>& List, const std::string& Name) {
  return std::any_of(List.begin(), List.end(), [&](const std::string& S) { return AnsiSameText(S, Name); });
}

// "a, b, c".
inline std::string JoinedNames(const std::vector<std::string>& List) {
  std::string Text;
  for (const std::string& S : List) Text += (Text.empty() ? "" : ", ") + S;
  return Text;
}
