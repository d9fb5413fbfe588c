// vnide verbs, verb and dblclick: a component's context menu as the builder
// builds it from the component's editor, one of its entries, and the double
// click. The form is saved when the designer was marked modified.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <memory>

#include "commands.h"
#include "component_menu.h"
#include "design_session.h"
#include "ide/DesignEditors.h"
#include "package_host.h"
#include "vcl/Menus.h"

namespace vnide {

std::vector<TMenuEntry> MenuEntries(TComponentEditor& Editor) {
  std::vector<TMenuEntry> Entries;
  const int Count = Editor.GetVerbCount();
  for (int I = 0; I < Count; ++I) {
    TMenuItem Item(nullptr);
    Item.SetCaption(Editor.GetVerb(I));
    Editor.PrepareItem(I, Item);
    Entries.push_back({I, Item.Caption(), Item.IsLine(), Item.Enabled(), Item.Visible()});
  }
  return Entries;
}

namespace {

// A caption as a person names it: without "&", without a trailing "...".
std::string PlainCaption(const std::string& Caption) {
  std::string Plain;
  for (std::size_t I = 0; I < Caption.size(); ++I) {
    if (Caption[I] != '&') Plain += Caption[I];
    else if (I + 1 < Caption.size() && Caption[I + 1] == '&') Plain += Caption[++I];
  }
  Plain = Trim(Plain);
  if (Plain.ends_with("...")) Plain = TrimRight(Plain.substr(0, Plain.size() - 3));
  return Plain;
}

std::string MenuListing(const std::vector<TMenuEntry>& Entries) {
  std::string Text;
  for (const TMenuEntry& E : Entries) Text += (Text.empty() ? "" : ", ") + std::to_string(E.Index) + " " + QuotedStr(E.Caption);
  return Text.empty() ? "none" : Text;
}

}  // namespace

const TMenuEntry& ChooseEntry(const std::vector<TMenuEntry>& Entries, const std::string& Name,
                              const std::string& ComponentName) {
  const TMenuEntry* Found = nullptr;
  const bool IsIndex = !Name.empty() && std::all_of(Name.begin(), Name.end(), [](unsigned char C) { return std::isdigit(C); });
  if (IsIndex) {
    const long Index = Name.size() > 9 ? -1 : std::stol(Name);
    if (Index >= 0 && Index < static_cast<long>(Entries.size())) Found = &Entries[static_cast<std::size_t>(Index)];
  } else {
    for (const TMenuEntry& E : Entries)
      if (!E.Separator && AnsiSameText(PlainCaption(E.Caption), PlainCaption(Name))) {
        Found = &E;
        break;
      }
  }
  if (Found == nullptr)
    throw EHostError(Format("the context menu of %s has no entry %s (entries: %s)",
                            {ComponentName, Name, MenuListing(Entries)}));
  if (Found->Separator)
    throw EHostError(Format("entry %d of the context menu of %s is a separator", {Found->Index, ComponentName}));
  if (!Found->Visible || !Found->Enabled)
    throw EHostError(Format("entry %d (%s) of the context menu of %s is %s",
                            {Found->Index, Found->Caption, ComponentName, !Found->Visible ? "hidden" : "disabled"}));
  return *Found;
}

nlohmann::ordered_json EntriesJson(const std::vector<TMenuEntry>& Entries) {
  nlohmann::ordered_json List = nlohmann::ordered_json::array();
  for (const TMenuEntry& E : Entries)
    List.push_back({{"index", E.Index}, {"caption", E.Caption}, {"separator", E.Separator},
                    {"enabled", E.Enabled}, {"visible", E.Visible}});
  return List;
}

namespace {

// Ends an action's session: saves when modified, reports, answers the exit code.
int FinishAction(TDesignSession& Session, const TOptions& Options, TComponent& Component, const std::string& Action,
                 std::ostream& Out) {
  const bool Modified = Session.Designer().IsModified();
  const bool Saved = Session.Finish();
  if (Options.Output == ofJson) {
    nlohmann::ordered_json Json;
    Json["component"] = Component.Name();
    Json["action"] = Action;
    Json["modified"] = Modified;
    Json["saved"] = Saved ? nlohmann::ordered_json(Session.SaveFile()) : nlohmann::ordered_json(nullptr);
    Out << JsonText(Json, 2) << '\n';
  } else {
    Out << Action << " on " << Component.Name() << ": " << (Modified ? "the form was modified" : "nothing modified")
        << '\n';
  }
  return Modified ? ecSuccess : ecCancelled;
}

}  // namespace

int RunVerbsCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  TDesignSession Session(Host, Options, Out);
  TComponent& Component = Session.FindComponent(Options.ObjectName);
  std::vector<TMenuEntry> Entries;
  std::string EditorClass;
  Session.Run([&] {
    std::unique_ptr<TComponentEditor> Editor = GetComponentEditor(Component, &Session.Designer());
    EditorClass = Editor->ClassName();
    Entries = MenuEntries(*Editor);
  });
  Session.Finish();
  if (Options.Output == ofJson) {
    nlohmann::ordered_json Json;
    Json["component"] = Component.Name();
    Json["class"] = Component.ClassName();
    Json["editor"] = EditorClass;
    Json["verbs"] = EntriesJson(Entries);
    Out << JsonText(Json, 2) << '\n';
    return ecSuccess;
  }
  Out << Component.Name() << ": " << Component.ClassName() << " (editor " << EditorClass << ")\n";
  if (Entries.empty()) Out << "  (no verbs)\n";
  for (const TMenuEntry& E : Entries) {
    Out << "  " << E.Index << "  " << (E.Separator ? "----------------" : E.Caption);
    if (!E.Visible) Out << "  (hidden)";
    else if (!E.Enabled) Out << "  (disabled)";
    Out << '\n';
  }
  return ecSuccess;
}

int RunVerbCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  TDesignSession Session(Host, Options, Out);
  TComponent& Component = Session.FindComponent(Options.ObjectName);
  std::string Action;
  Session.Run([&] {
    std::unique_ptr<TComponentEditor> Editor = GetComponentEditor(Component, &Session.Designer());
    const std::vector<TMenuEntry> Entries = MenuEntries(*Editor);
    const TMenuEntry& Entry = ChooseEntry(Entries, Options.Verb, Component.Name());
    Action = "verb " + std::to_string(Entry.Index) + " " + QuotedStr(Entry.Caption);
    Session.Transcript() << "running " << Action << " of " << Editor->ClassName() << '\n';
    Editor->ExecuteVerb(Entry.Index);
  });
  return FinishAction(Session, Options, Component, Action, Out);
}

int RunDblClickCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  TDesignSession Session(Host, Options, Out);
  TComponent& Component = Session.FindComponent(Options.ObjectName);
  Session.Run([&] {
    std::unique_ptr<TComponentEditor> Editor = GetComponentEditor(Component, &Session.Designer());
    Session.Transcript() << "double click: Edit of " << Editor->ClassName() << '\n';
    Editor->Edit();
  });
  return FinishAction(Session, Options, Component, "double click", Out);
}

}  // namespace vnide
