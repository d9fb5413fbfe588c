// "Did you mean ...?": the known name closest to a misspelt one, for messages
// that name a component, class or control that does not exist.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

namespace vn_vcl {

// Edit distance (insertions, deletions, substitutions, and two neighbours
// swapped, the commonest slip: "edti" is one from "edit") without regard to
// ASCII case; three rows of the table at a time.
inline std::size_t NameDistance(std::string_view A, std::string_view B) {
  const auto Lower = [](char C) { return static_cast<char>(std::tolower(static_cast<unsigned char>(C))); };
  std::vector<std::size_t> Before(B.size() + 1), Previous(B.size() + 1), Row(B.size() + 1);
  for (std::size_t J = 0; J <= B.size(); ++J) Previous[J] = J;
  for (std::size_t I = 1; I <= A.size(); ++I) {
    Row[0] = I;
    for (std::size_t J = 1; J <= B.size(); ++J) {
      const bool Same = Lower(A[I - 1]) == Lower(B[J - 1]);
      Row[J] = std::min({Previous[J] + 1, Row[J - 1] + 1, Previous[J - 1] + (Same ? 0 : 1)});
      if (I > 1 && J > 1 && Lower(A[I - 1]) == Lower(B[J - 2]) && Lower(A[I - 2]) == Lower(B[J - 1]))
        Row[J] = std::min(Row[J], Before[J - 2] + 1);
    }
    std::swap(Before, Previous);
    std::swap(Previous, Row);
  }
  return Previous[B.size()];
}

// The candidate closest to Wanted when it is close enough to be a slip of the
// keyboard (about one edit in three characters), else "". The first of equally
// close candidates wins.
inline std::string SuggestName(std::string_view Wanted, const std::vector<std::string>& Candidates) {
  const std::size_t Limit = std::max<std::size_t>(1, Wanted.size() / 3);
  std::string Best;
  std::size_t BestDistance = Limit + 1;
  for (const std::string& Candidate : Candidates) {
    // Lengths further apart than the limit cannot be close enough.
    const std::size_t Apart = Candidate.size() > Wanted.size() ? Candidate.size() - Wanted.size()
                                                               : Wanted.size() - Candidate.size();
    if (Candidate.empty() || Apart > Limit) continue;
    const std::size_t Distance = NameDistance(Wanted, Candidate);
    if (Distance < BestDistance) {
      Best = Candidate;
      BestDistance = Distance;
    }
  }
  return Best;
}

// "; did you mean X?" or "".
inline std::string DidYouMean(std::string_view Wanted, const std::vector<std::string>& Candidates) {
  const std::string Name = SuggestName(Wanted, Candidates);
  return Name.empty() ? std::string() : "; did you mean " + Name + "?";
}

}  // namespace vn_vcl
