// vnide tree, drag, palette-drop: the structure view of a form file, and drops
// on it carried out as the builder's structure view carries them out.
#include <nlohmann/json.hpp>

#include "commands.h"
#include "design_root.h"
#include "design_session.h"
#include "form_text_file.h"
#include "name_suggestion.h"
#include "package_host.h"
#include "registrations.h"
#include "structure_view.h"
#include "tree_nodes.h"

namespace vnide {

namespace {

using vn_ide::TStructureView;

// Captions come from the form (a query's first line): control characters
// would break the one-line-per-node layout.
std::string Printable(const std::string& Text) {
  std::string Result;
  for (const char C : Text) {
    if (C == '\n') Result += "\\n";
    else if (C == '\r') Result += "\\r";
    else if (C == '\t') Result += "\\t";
    else if (static_cast<unsigned char>(C) < 0x20 || C == 0x7f) {
      constexpr const char* Hex = "0123456789abcdef";
      Result += {'\\', 'x', Hex[(C >> 4) & 0xf], Hex[C & 0xf]};
    } else {
      Result += C;
    }
  }
  return Result;
}

void ShowNode(const TSprig& Node, int Depth, std::ostream& Out) {
  Out << std::string(2 * Depth, ' ') << Printable(Node.Caption());
  if (Node.Transient()) Out << "  [" << Printable(Node.UniqueName()) << "]";
  if (Node.AnyProblems()) Out << "  !problem";
  if (TStructureView::Unplaced(Node)) Out << "  !unplaced";
  Out << '\n';
  for (const TSprig* Child = Node.FirstChild(); Child != nullptr; Child = Child->NextSibling())
    ShowNode(*Child, Depth + 1, Out);
}

nlohmann::ordered_json NodeAsJson(const TSprig& Node) {
  nlohmann::ordered_json Json;
  Json["name"] = Node.UniqueName();
  Json["caption"] = Node.Caption();
  const TClass Class = Node.ItemClass();
  if (const auto* Root = dynamic_cast<const TRootSprig*>(&Node))
    Json["class"] = Root->ShownClassName();
  else
    Json["class"] = Class != nullptr ? nlohmann::ordered_json(Class->ClassName()) : nlohmann::ordered_json(nullptr);
  Json["transient"] = Node.Transient();
  Json["problems"] = Node.AnyProblems();
  Json["unplaced"] = TStructureView::Unplaced(Node);
  Json["children"] = nlohmann::ordered_json::array();
  for (const TSprig* Child = Node.FirstChild(); Child != nullptr; Child = Child->NextSibling())
    Json["children"].push_back(NodeAsJson(*Child));
  return Json;
}

const char* DropText(vn_ide::TDropResult Result) {
  return Result == vn_ide::drChanged ? "changed" : Result == vn_ide::drUnchanged ? "unchanged" : "refused";
}

// The report of a drop: what it did, where the form went, the new tree.
int ReportDrop(TDesignSession& Session, const TStructureView& View, const TOptions& Options,
               vn_ide::TDropResult Result, const std::string& What, std::ostream& Out) {
  const bool Saved = Session.Finish();
  if (Options.Output == ofJson) {
    nlohmann::ordered_json Json;
    Json["drop"] = DropText(Result);
    Json["saved"] = Saved ? nlohmann::ordered_json(Session.SaveFile()) : nlohmann::ordered_json(nullptr);
    Json["tree"] = NodeAsJson(View.RootSprig());
    Out << JsonText(Json, 2) << '\n';
  } else {
    Out << What << (Result == vn_ide::drChanged ? "" : ": nothing changed") << '\n';
    ShowNode(View.RootSprig(), 0, Out);
  }
  return ecSuccess;
}

// A drop's session: nothing to script, so nothing is read from standard input.
TOptions DropOptions(const TOptions& Options) {
  TOptions Result = Options;
  Result.Session = smKeepGoing;
  return Result;
}

}  // namespace

const TMetaClass& PaletteClass(const std::string& Name) {
  std::vector<std::string> Names;
  for (const auto& [Page, Classes] : vn_ide::PalettePages()) {
    for (const TMetaClass* Class : Classes) {
      if (SameText(Class->ClassName(), Name)) return *Class;
      Names.push_back(Class->ClassName());
    }
  }
  throw EHostError(Format("The palette has no class %s%s", {Name, vn_vcl::DidYouMean(Name, Names)}));
}

TSprig& NodeNamed(const TStructureView& View, const std::string& Name) {
  try {
    return View.FindNode(Name);
  } catch (const vn_ide::EStructureViewError& E) {
    throw EHostError(E.Message());
  }
}

int RunTreeCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  const std::string FormText = ReadInputFile(Options.FormFile, "form file");
  Host.Load(Options.PackageFile);
  TDesignRoot Root;
  Root.LoadFromText(FormText, Options.FormFile);
  const TStructureView View(Root.Component(), nullptr, Root.DeclaredClassName());
  if (Options.Output == ofJson)
    Out << JsonText(NodeAsJson(View.RootSprig()), 2) << '\n';
  else
    ShowNode(View.RootSprig(), 0, Out);
  return ecSuccess;
}

int RunDragCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  const TOptions SessionOptions = DropOptions(Options);
  TDesignSession Session(Host, SessionOptions, Out);
  TStructureView View(Session.Root(), &Session.Designer(), Session.DesignRoot().DeclaredClassName());
  TSprig& Node = NodeNamed(View, Options.NodeName);
  TSprig& Target = NodeNamed(View, Options.TargetName);
  const std::string NodeName = Node.UniqueName(), TargetName = Target.UniqueName();
  vn_ide::TDropResult Result = vn_ide::drRefused;
  Session.Run([&] { Result = View.DragDrop(Node, Target); });
  if (Result == vn_ide::drRefused)
    throw EHostError(Format("%s cannot be dropped on %s", {NodeName, TargetName}));
  return ReportDrop(Session, View, SessionOptions, Result, "dropped " + NodeName + " on " + TargetName, Out);
}

int RunPaletteDropCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  const TOptions SessionOptions = DropOptions(Options);
  TDesignSession Session(Host, SessionOptions, Out);
  const TMetaClass& Class = PaletteClass(Options.ClassName);
  TStructureView View(Session.Root(), &Session.Designer(), Session.DesignRoot().DeclaredClassName());
  // "" names the form itself.
  TSprig& Target = Options.TargetName.empty() ? View.RootSprig() : NodeNamed(View, Options.TargetName);
  const std::string TargetName = Options.TargetName.empty() ? Session.Root().Name() : Target.UniqueName();
  TComponent* Created = nullptr;
  vn_ide::TDropResult Result = vn_ide::drRefused;
  Session.Run([&] { Result = View.PaletteDrop(Class, Target, &Created); });
  if (Result == vn_ide::drRefused)
    throw EHostError(Format("A new %s cannot be dropped on %s", {Class.ClassName(), TargetName}));
  return ReportDrop(Session, View, SessionOptions, Result,
                    "dropped new " + Created->Name() + ": " + Class.ClassName() + " on " + TargetName, Out);
}

}  // namespace vnide
