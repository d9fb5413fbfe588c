// vnide edit: a design session on one update object of a form file: the
// double click on it opens the package's UpdateSQL editor, driven by a script
// or by a person at the terminal; when the editor reports a change, the form
// is saved.
#include <nlohmann/json.hpp>

#include "commands.h"
#include "design_session.h"
#include "ide/DesignEditors.h"
#include "name_suggestion.h"
#include "package_host.h"
#include "statement_check.h"
#include "rtl/TypInfo.h"

namespace vnide {

namespace {

constexpr const char* StatementNames[] = {"RefreshSQL", "ModifySQL", "InsertSQL", "DeleteSQL"};

void ShowStatements(const TComponent& UpdateObject, std::ostream& Out) {
  for (const char* Name : StatementNames) {
    Out << UpdateObject.Name() << '.' << Name << ":\n";
    const std::vector<std::string> Lines = StatementLines(UpdateObject, Name);
    if (Lines.empty()) Out << "  (empty)\n";
    for (const std::string& Line : Lines) Out << "  " << Line << '\n';
  }
}

// The update object the person named, or an error that says what the form has.
TComponent& FindUpdateObject(const TComponent& Root, const std::string& Name) {
  std::vector<std::string> UpdateObjects, AllNames;
  for (int I = 0; I < Root.ComponentCount(); ++I) {
    const TComponent& C = *Root.Components(I);
    AllNames.push_back(C.Name());
    if (IsUpdateObject(C)) UpdateObjects.push_back(C.Name());
  }
  std::string Listed;
  for (const std::string& N : UpdateObjects) Listed += (Listed.empty() ? "" : ", ") + N;
  const std::string Available = UpdateObjects.empty() ? Root.Name() + " has no update objects"
                                                      : "update objects in " + Root.Name() + ": " + Listed;
  TComponent* Found = Root.FindComponent(Name);
  if (Found == nullptr)
    throw EHostError(Format("%s has no component %s%s (%s)",
                            {Root.Name(), Name, vn_vcl::DidYouMean(Name, AllNames), Available}));
  if (!IsUpdateObject(*Found))
    throw EHostError(Format("%s is a %s, not an update object; %s", {Name, Found->ClassName(), Available}));
  return *Found;
}

// Checks the update object's new statements and writes what was found to
// Out; false when there were findings or something could not be checked.
bool Verify(TPackageHost& Host, TComponent& UpdateObject, std::ostream& Out) {
  try {
    const TVNUpdateCheckResult Result = CheckUpdateObject(Host, UpdateObject, {});
    WriteVerification(UpdateObject.Name(), Result, Out);
    return FindingCount(Result) == 0 && Result.NotChecked == 0;
  } catch (const Exception& E) {
    Out << "The statements of " << UpdateObject.Name() << " could not be checked: " << E.Message() << '\n';
    return false;
  }
}

}  // namespace

int RunEditCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  TDesignSession Session(Host, Options, Out);
  TComponent& UpdateObject = FindUpdateObject(Session.Root(), Options.ObjectName);

  // The double click: the component editor registered for the update object
  // runs its editor and marks the designer modified when it was accepted.
  Session.Run([&] { GetComponentEditor(UpdateObject, &Session.Designer())->Edit(); });
  const bool Modified = Session.Designer().IsModified();
  Session.Transcript() << "EditUpdateSQL(" << Options.ObjectName << ") returned "
                       << (Modified ? "true: the form was modified" : "false") << '\n';
  // Accepted statements are checked on their database at once, where the
  // person still is, instead of failing at run time.
  const bool Passed = !Modified || Verify(Host, UpdateObject, Session.Transcript());
  if (Options.CheckBeforeSave && !Passed) {
    Session.Transcript() << "Nothing was saved (--check): the statements did not pass their check\n";
    return ecFindings;
  }
  Session.Finish();
  const std::string& SaveFile = Session.SaveFile();
  if (Options.Output == ofJson) {
    nlohmann::ordered_json Json;
    Json["updateObject"] = UpdateObject.Name();
    Json["modified"] = Modified;
    Json["saved"] = Modified ? nlohmann::ordered_json(SaveFile) : nlohmann::ordered_json(nullptr);
    for (const char* Name : StatementNames) Json["statements"][Name] = StatementLines(UpdateObject, Name);
    Out << JsonText(Json, 2) << '\n';
  } else {
    ShowStatements(UpdateObject, Out);
  }
  return Modified ? ecSuccess : ecCancelled;
}

}  // namespace vnide
