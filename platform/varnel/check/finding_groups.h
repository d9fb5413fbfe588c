// Findings as a person reads them: one line per distinct problem with the
// columns or parameters it concerns listed, and the statements that share a
// problem named together.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "varnel/Vncheck.h"

class TFindingGroups {
 public:
  // A problem of Statement about Subject (a column, a parameter): Singular
  // with "%s" where the subject goes, Plural where several go.
  void Add(const std::string& Statement, TVNCheckFindingKind Kind, std::string_view Singular, std::string_view Plural,
           const std::string& Subject);
  // What to do about the problem whose Singular text is given.
  void SetHint(std::string_view Singular, std::string Hint);
  // A problem told whole.
  void Add(const std::string& Statement, TVNCheckFindingKind Kind, const std::string& Reason);
  // A finding of the update object as a whole that comes before all others.
  void AddLeading(const std::string& Reason);

  // One finding per problem and set of statements, in the order the problems
  // were first met.
  std::vector<TVNUpdateCheckFinding> Findings() const;

 private:
  struct TProblem {
    bool Leading;
    TVNCheckFindingKind Kind;
    std::string Singular, Plural;
    std::string Hint;
    // Each statement with the subjects it has the problem with, in order.
    std::vector<std::pair<std::string, std::vector<std::string>>> Statements;
  };
  std::vector<TProblem> FProblems;
};
