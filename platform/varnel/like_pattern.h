// SQL LIKE patterns matched without regard to case, for catalog name filters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// % matches any run of characters, _ exactly one character; there is no escape
// character. Case is folded with Unicode's rules, one character at a time.
class TVNLikePattern {
 public:
  explicit TVNLikePattern(std::string_view Pattern);

  // True for every name when the pattern is empty.
  bool Matches(std::string_view Text) const;

 private:
  std::vector<char32_t> FPattern;  // case-folded; % and _ kept as they are
};
