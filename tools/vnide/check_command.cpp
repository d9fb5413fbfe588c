// vnide check: every update object of each form proven on its live database by
// the runtime library's checker. The forms are opened as the designer opens
// them, in their own folders, and never saved.
#include <nlohmann/json.hpp>

#include "commands.h"
#include "design_session.h"
#include "package_host.h"
#include "statement_check.h"
#include "varnel/Vncheck.h"

namespace vnide {

namespace {

bool IsUpdateObject(const TComponent& Component) {
  for (const TMetaClass* C = &Component.ClassType(); C != nullptr; C = C->ClassParent())
    if (C->ClassName() == "TVNDataSetUpdateObject") return true;
  return false;
}

struct TCheckedObject {
  std::string Form, Name;
  TVNUpdateCheckResult Result;

  int Count(TVNCheckFindingKind Kind) const {
    int N = 0;
    for (const TVNUpdateCheckFinding& Finding : Result.Findings) N += Finding.Kind == Kind ? 1 : 0;
    return N;
  }
};

const char* KindPrefix(TVNCheckFindingKind Kind) {
  switch (Kind) {
    case fkFinding: return "";
    case fkNotChecked: return "not checked: ";
    case fkNote: return "note: ";
  }
  return "";
}

const char* JsonList(TVNCheckFindingKind Kind) {
  switch (Kind) {
    case fkFinding: return "findings";
    case fkNotChecked: return "notChecked";
    case fkNote: return "notes";
  }
  return "findings";
}

void WriteJson(const std::vector<TCheckedObject>& Checked, const TOptions& Options, int Statements, int NotChecked,
               int Findings, std::ostream& Out) {
  nlohmann::ordered_json Json;
  Json["dryRun"] = Options.DryRun;
  Json["checked"] = Statements - NotChecked;
  Json["notChecked"] = NotChecked;
  Json["findings"] = Findings;
  Json["updateObjects"] = nlohmann::ordered_json::array();
  for (const TCheckedObject& Object : Checked) {
    nlohmann::ordered_json Item{{"form", Object.Form},
                                {"name", Object.Name},
                                {"statementsChecked", Object.Result.Checked},
                                {"statementsNotChecked", Object.Result.NotChecked}};
    for (const TVNCheckFindingKind Kind : {fkFinding, fkNotChecked, fkNote}) Item[JsonList(Kind)] = nlohmann::ordered_json::array();
    for (const TVNUpdateCheckFinding& Finding : Object.Result.Findings)
    {
      nlohmann::ordered_json Entry{{"statement", Finding.Statement}, {"reason", Finding.Reason}};
      if (!Finding.Hint.empty()) Entry["hint"] = Finding.Hint;
      Item[JsonList(Finding.Kind)].push_back(std::move(Entry));
    }
    Json["updateObjects"].push_back(std::move(Item));
  }
  Out << JsonText(Json, 2) << '\n';
}

void WriteText(const std::vector<TCheckedObject>& Checked, const TOptions& Options, int Statements, int NotChecked,
               int Findings, std::ostream& Out) {
  for (const TCheckedObject& Object : Checked) {
    const bool Clean = Object.Count(fkFinding) == 0 && Object.Count(fkNotChecked) == 0 && Object.Result.NotChecked == 0;
    if (Clean && Object.Result.Checked == 0)
      Out << Object.Form << ": " << Object.Name << ": holds no statements\n";
    else if (Clean)
      Out << Object.Form << ": " << Object.Name << ": ok" << (Options.DryRun ? " (dry run)" : "") << '\n';
    for (const TVNUpdateCheckFinding& Finding : Object.Result.Findings) {
      Out << Object.Form << ": " << Object.Name << (Finding.Statement.empty() ? "" : "." + Finding.Statement) << ": "
          << KindPrefix(Finding.Kind) << Finding.Reason << '\n';
      if (!Finding.Hint.empty()) Out << "  what to do: " << Finding.Hint << '\n';
    }
  }
  Out << Format("%d update object(s), %d statement(s): %d checked%s, %d not checked, %d finding(s)",
                {static_cast<int>(Checked.size()), Statements, Statements - NotChecked,
                 Options.DryRun ? " with a dry run" : "", NotChecked, Findings})
      << '\n';
}

}  // namespace

int RunCheckCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  TVNUpdateCheckOptions CheckOptions;
  CheckOptions.Mode = Options.DryRun ? cmDryRun : cmPrepare;
  CheckOptions.TimeoutSeconds = Options.TimeoutSeconds;
  CheckOptions.AllowSuperuser = Options.AllowSuperuser;
  std::vector<TCheckedObject> Checked;
  for (const std::string& Form : Options.FormFiles) {
    TOptions One = Options;
    One.FormFile = Form;
    One.ScriptFile.clear();
    // No dialog runs and Finish is never called: nothing is saved.
    TDesignSession Session(Host, One, Out);
    for (int I = 0; I < Session.Root().ComponentCount(); ++I) {
      TComponent& Component = *Session.Root().Components(I);
      if (!IsUpdateObject(Component)) continue;
      TCheckedObject Object{Form, Component.Name(), {}};
      try {
        Object.Result = CheckUpdateObject(Host, Component, CheckOptions);
      } catch (const EVNCheckRefused& E) {
        throw EHostError(Form + ": " + Component.Name() + ": " + E.Message() + " (--allow-superuser runs them anyway)");
      }
      Checked.push_back(std::move(Object));
    }
  }

  int Statements = 0, NotChecked = 0, Findings = 0;
  for (const TCheckedObject& Object : Checked) {
    Statements += Object.Result.Checked + Object.Result.NotChecked;
    NotChecked += Object.Result.NotChecked;
    Findings += Object.Count(fkFinding);
  }
  if (Options.Output == ofJson)
    WriteJson(Checked, Options, Statements, NotChecked, Findings, Out);
  else
    WriteText(Checked, Options, Statements, NotChecked, Findings, Out);
  const bool Unchecked = NotChecked > 0 && !Options.AllowUnchecked;
  return Findings > 0 || Unchecked ? ecFindings : ecSuccess;
}

}  // namespace vnide
