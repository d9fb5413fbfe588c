// A string list's lines as a vector, for comparing with expected lines.
#pragma once

#include <string>
#include <vector>

#include "rtl/Classes.h"

namespace vn_test {

inline std::vector<std::string> Lines(const TStrings& List) {
  std::vector<std::string> Result;
  for (int I = 0; I < List.Count(); ++I) Result.push_back(List.Strings(I));
  return Result;
}

}  // namespace vn_test
