#include "finding_groups.h"

#include <algorithm>

namespace {

std::string Joined(const std::vector<std::string>& List) {
  std::string Text;
  for (const std::string& Item : List) Text += (Text.empty() ? "" : ", ") + Item;
  return Text;
}

std::string WithSubjects(const std::string& Pattern, const std::vector<std::string>& Subjects) {
  const std::size_t At = Pattern.find("%s");
  if (Subjects.empty() || At == std::string::npos) return Pattern;
  return Pattern.substr(0, At) + Joined(Subjects) + Pattern.substr(At + 2);
}

template <class T, class U>
bool Has(const std::vector<T>& List, const U& Item) {
  return std::find(List.begin(), List.end(), Item) != List.end();
}

}  // namespace

void TFindingGroups::Add(const std::string& Statement, TVNCheckFindingKind Kind, std::string_view Singular,
                         std::string_view Plural, const std::string& Subject) {
  auto Problem = std::find_if(FProblems.begin(), FProblems.end(), [&](const TProblem& P) {
    return P.Kind == Kind && P.Singular == Singular && P.Plural == Plural;
  });
  if (Problem == FProblems.end())
    Problem = FProblems.insert(FProblems.end(), {false, Kind, std::string(Singular), std::string(Plural), "", {}});
  auto Entry = std::find_if(Problem->Statements.begin(), Problem->Statements.end(),
                            [&](const auto& E) { return E.first == Statement; });
  if (Entry == Problem->Statements.end()) Entry = Problem->Statements.insert(Problem->Statements.end(), {Statement, {}});
  if (!Subject.empty() && !Has(Entry->second, Subject)) Entry->second.push_back(Subject);
}

void TFindingGroups::Add(const std::string& Statement, TVNCheckFindingKind Kind, const std::string& Reason) {
  Add(Statement, Kind, Reason, Reason, "");
}

void TFindingGroups::SetHint(std::string_view Singular, std::string Hint) {
  for (TProblem& Problem : FProblems)
    if (Problem.Singular == Singular) Problem.Hint = Hint;
}

void TFindingGroups::AddLeading(const std::string& Reason) {
  Add("", fkFinding, Reason);
  auto Problem = std::find_if(FProblems.begin(), FProblems.end(), [&](const TProblem& P) { return P.Singular == Reason; });
  Problem->Leading = true;
}

std::vector<TVNUpdateCheckFinding> TFindingGroups::Findings() const {
  std::vector<TProblem> Problems = FProblems;
  std::stable_partition(Problems.begin(), Problems.end(), [](const TProblem& P) { return P.Leading; });
  std::vector<TVNUpdateCheckFinding> Result;
  for (const TProblem& Problem : Problems) {
    // Statements with the same subjects share one line.
    std::vector<bool> Told(Problem.Statements.size(), false);
    for (std::size_t I = 0; I < Problem.Statements.size(); ++I) {
      if (Told[I]) continue;
      const std::vector<std::string>& Subjects = Problem.Statements[I].second;
      std::vector<std::string> Names;
      for (std::size_t J = I; J < Problem.Statements.size(); ++J)
        if (!Told[J] && Problem.Statements[J].second == Subjects) {
          Told[J] = true;
          Names.push_back(Problem.Statements[J].first);
        }
      const std::string& Pattern = Subjects.size() > 1 ? Problem.Plural : Problem.Singular;
      Result.push_back(
          {Joined(Names), WithSubjects(Pattern, Subjects), Problem.Kind, WithSubjects(Problem.Hint, Subjects), ""});
    }
  }
  return Result;
}
