#include "like_pattern.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace {

// Text as case-folded code points; bytes that are not UTF-8 stand for themselves.
std::vector<char32_t> Fold(std::string_view Text) {
  std::vector<char32_t> Result;
  Result.reserve(Text.size());
  const auto* Bytes = reinterpret_cast<const uint8_t*>(Text.data());
  const auto Length = static_cast<int32_t>(Text.size());
  for (int32_t I = 0; I < Length;) {
    const int32_t Start = I;
    UChar32 C;
    U8_NEXT(Bytes, I, Length, C);
    if (C < 0) C = 0xDC00 + Bytes[Start];  // a lone surrogate: matches only the same bad byte
    Result.push_back(static_cast<char32_t>(u_foldCase(C, U_FOLD_CASE_DEFAULT)));
  }
  return Result;
}

}  // namespace

TVNLikePattern::TVNLikePattern(std::string_view Pattern) : FPattern(Fold(Pattern)) {}

bool TVNLikePattern::Matches(std::string_view Text) const {
  if (FPattern.empty()) return true;
  const std::vector<char32_t> T = Fold(Text);
  // Greedy matching that goes back only to the last %: linear for the patterns
  // people type, never worse than pattern length times text length.
  std::size_t P = 0, I = 0;
  std::size_t StarP = std::string_view::npos, StarI = 0;
  while (I < T.size()) {
    if (P < FPattern.size() && FPattern[P] == U'%') {
      StarP = P++;
      StarI = I;
    } else if (P < FPattern.size() && (FPattern[P] == U'_' || FPattern[P] == T[I])) {
      ++P;
      ++I;
    } else if (StarP != std::string_view::npos) {
      P = StarP + 1;
      I = ++StarI;
    } else {
      return false;
    }
  }
  while (P < FPattern.size() && FPattern[P] == U'%') ++P;
  return P == FPattern.size();
}
