// vnide check: every update object of each form proven on its live database by
// the runtime library's checker. The forms are opened as the designer opens
// them, in their own folders, and never saved.
#include <nlohmann/json.hpp>

#include "commands.h"
#include "design_session.h"
#include "package_host.h"
#include "varnel/Vncheck.h"

namespace vnide {

namespace {

constexpr const char* RuntimePackage = "VarLib220";

bool IsUpdateObject(const TComponent& Component) {
  for (const TMetaClass* C = &Component.ClassType(); C != nullptr; C = C->ClassParent())
    if (C->ClassName() == "TVNDataSetUpdateObject") return true;
  return false;
}

struct TCheckedObject {
  std::string Form, Name;
  std::vector<TVNUpdateCheckFinding> Findings;
};

}  // namespace

int RunCheckCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  const TVNUpdateCheckMode Mode = Options.DryRun ? cmDryRun : cmPrepare;
  std::vector<TCheckedObject> Checked;
  for (const std::string& Form : Options.FormFiles) {
    TOptions One = Options;
    One.FormFile = Form;
    One.ScriptFile.clear();
    // No dialog runs and Finish is never called: nothing is saved.
    TDesignSession Session(Host, One, Out);
    TLoadedPackage* Runtime = Host.Find(RuntimePackage);
    void* Entry = Runtime != nullptr ? Runtime->FindExport(CheckUpdateObjectExport) : nullptr;
    if (Entry == nullptr) throw EPackageError(Format("Package %s has no update-object checker", {RuntimePackage}));
    const auto Check = reinterpret_cast<TVNCheckUpdateObjectProc>(Entry);
    for (int I = 0; I < Session.Root().ComponentCount(); ++I) {
      TComponent& Component = *Session.Root().Components(I);
      if (!IsUpdateObject(Component)) continue;
      TCheckedObject Object{Form, Component.Name(), {}};
      Check(Component, Mode, Object.Findings);
      Checked.push_back(std::move(Object));
    }
  }

  int Findings = 0;
  for (const TCheckedObject& Object : Checked)
    for (const TVNUpdateCheckFinding& Finding : Object.Findings) Findings += Finding.Note ? 0 : 1;
  if (Options.Output == ofJson) {
    nlohmann::ordered_json Json;
    Json["dryRun"] = Options.DryRun;
    Json["findings"] = Findings;
    Json["updateObjects"] = nlohmann::ordered_json::array();
    for (const TCheckedObject& Object : Checked) {
      nlohmann::ordered_json Item{{"form", Object.Form}, {"name", Object.Name}};
      Item["findings"] = nlohmann::ordered_json::array();
      Item["notes"] = nlohmann::ordered_json::array();
      for (const TVNUpdateCheckFinding& Finding : Object.Findings)
        Item[Finding.Note ? "notes" : "findings"].push_back({{"statement", Finding.Statement}, {"reason", Finding.Reason}});
      Json["updateObjects"].push_back(std::move(Item));
    }
    Out << Json.dump(2) << '\n';
  } else {
    for (const TCheckedObject& Object : Checked) {
      if (Object.Findings.empty())
        Out << Object.Form << ": " << Object.Name << ": ok" << (Options.DryRun ? " (dry run)" : "") << '\n';
      for (const TVNUpdateCheckFinding& Finding : Object.Findings)
        Out << Object.Form << ": " << Object.Name << '.' << Finding.Statement << ": "
            << (Finding.Note ? "note: " : "") << Finding.Reason << '\n';
    }
    Out << Format("%d update object(s) checked%s, %d finding(s)",
                  {static_cast<int>(Checked.size()), Options.DryRun ? " with a dry run" : "", Findings})
        << '\n';
  }
  return Findings > 0 ? ecFindings : ecSuccess;
}

}  // namespace vnide
