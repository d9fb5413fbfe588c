#include "statement_check.h"

#include "commands.h"
#include "package_host.h"
#include "rtl/TypInfo.h"

namespace vnide {

namespace {

constexpr const char* RuntimePackage = "VarLib220";

// The runtime library's exported routine Symbol, or EPackageError naming What.
void* RuntimeExport(TPackageHost& Host, const char* Symbol, const char* What) {
  TLoadedPackage* Runtime = Host.Find(RuntimePackage);
  void* Entry = Runtime != nullptr ? Runtime->FindExport(Symbol) : nullptr;
  if (Entry == nullptr) throw EPackageError(Format("Package %s has no %s", {RuntimePackage, What}));
  return Entry;
}

}  // namespace

bool IsUpdateObject(const TComponent& Component) {
  for (const TMetaClass* C = &Component.ClassType(); C != nullptr; C = C->ClassParent())
    if (C->ClassName() == "TVNDataSetUpdateObject") return true;
  return false;
}

std::vector<std::string> StatementLines(const TComponent& UpdateObject, const char* Name) {
  const auto* Lines = dynamic_cast<const TStrings*>(GetObjectProp(UpdateObject, FindPropInfo(UpdateObject, Name)));
  std::vector<std::string> Result;
  if (Lines == nullptr) return Result;
  for (int I = 0; I < Lines->Count(); ++I) {
    TStringList Parts;
    Parts.SetText(Lines->Strings(I));
    for (int J = 0; J < Parts.Count(); ++J) Result.push_back(Parts.StringRef(J));
  }
  return Result;
}

TVNUpdateCheckResult CheckUpdateObject(TPackageHost& Host, TComponent& UpdateObject,
                                       const TVNUpdateCheckOptions& Options) {
  TVNUpdateCheckResult Result;
  reinterpret_cast<TVNCheckUpdateObjectProc>(RuntimeExport(Host, CheckUpdateObjectExport, "update-object checker"))(
      UpdateObject, Options, Result);
  return Result;
}

TVNUpdatePlan PlanUpdateStatements(TPackageHost& Host, TComponent& UpdateObject) {
  TVNUpdatePlan Plan;
  reinterpret_cast<TVNPlanUpdateStatementsProc>(RuntimeExport(Host, PlanUpdateStatementsExport, "update statement planner"))(
      UpdateObject, Plan);
  return Plan;
}

int FindingCount(const TVNUpdateCheckResult& Result) {
  int Count = 0;
  for (const TVNUpdateCheckFinding& Finding : Result.Findings) Count += Finding.Kind == fkFinding ? 1 : 0;
  return Count;
}

void WriteVerification(const std::string& ObjectName, const TVNUpdateCheckResult& Result, std::ostream& Out) {
  const int Findings = FindingCount(Result);
  Out << "Check of " << ObjectName << "'s statements on their database: ";
  if (Findings == 0 && Result.NotChecked == 0) {
    Out << Format("ok, %d statement(s) checked", {Result.Checked}) << '\n';
    return;
  }
  Out << Format("%d finding(s), %d statement(s) not checked", {Findings, Result.NotChecked}) << '\n';
  for (const TVNUpdateCheckFinding& Finding : Result.Findings) {
    Out << "  " << (Finding.Statement.empty() ? ObjectName : Finding.Statement) << ": "
        << (Finding.Kind == fkNotChecked ? "not checked: " : Finding.Kind == fkNote ? "note: " : "") << Finding.Reason
        << '\n';
    if (!Finding.Hint.empty()) Out << "    what to do: " << Finding.Hint << '\n';
  }
}

}  // namespace vnide
