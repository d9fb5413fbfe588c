#include "serve_model.h"

#include <algorithm>
#include <filesystem>

#include <sys/stat.h>

#include "bitmap_png.h"
#include "code_editor.h"
#include "component_menu.h"
#include "design_picture.h"
#include "form_layout.h"
#include "form_picture.h"
#include "ide/DesignEditors.h"
#include "module_commands.h"
#include "object_inspector.h"
#include "package_host.h"
#include "registrations.h"
#include "rtl/Windows.h"
#include "serve_driver.h"
#include "strings_file_system.h"
#include "statement_check.h"
#include "structure_view.h"
#include "tree_nodes.h"

namespace vnide {

namespace {

// Design positions are 16-bit words in the form file; the page gets them
// signed, as a component dragged off the left edge sits at -8.
constexpr int MinPosition = -32768;
constexpr int MaxPosition = 32767;

int PositionOf(std::uint32_t Word) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(Word)); }

TJson TreeJson(const TSprig& Node, bool IsRoot) {
  TJson Json;
  Json["caption"] = Node.Caption();
  Json["name"] = IsRoot ? std::string() : Node.UniqueName();
  Json["transient"] = Node.Transient();
  Json["problem"] = Node.AnyProblems();
  Json["unplaced"] = vn_ide::TStructureView::Unplaced(Node);
  Json["children"] = TJson::array();
  for (const TSprig* Child = Node.FirstChild(); Child != nullptr; Child = Child->NextSibling())
    Json["children"].push_back(TreeJson(*Child, false));
  return Json;
}

TJson InspectorJson(std::vector<vn_ide::TInspectorRow>& Rows) {
  TJson List = TJson::array();
  for (const vn_ide::TInspectorRow& Row : Rows)
    List.push_back({{"name", Row.Name},
                    {"value", Row.Value},
                    {"category", Row.Category},
                    {"valueList", Row.Attributes.Contains(paValueList)},
                    {"dialog", Row.Attributes.Contains(paDialog)},
                    {"readOnly", Row.Attributes.Contains(paReadOnly)},
                    {"editor", Row.Editor->ClassName()}});
  return List;
}

const std::string& Text(const TJson& Request, const char* Field) {
  return Request.at(Field).get_ref<const std::string&>();
}

// Two names of one file are one form.
std::string AbsolutePath(const std::string& File) { return std::filesystem::absolute(File).lexically_normal().string(); }

}  // namespace

TServeModel::TServeModel(TPackageHost& Host, const TOptions& Options, TWebDriver& Driver)
    : FHost(Host), FDriver(Driver) {
  // Each session works in its form's folder from the start: names are
  // resolved before the first one opens.
  std::vector<std::string> Files;
  for (const std::string& File : Options.FormFiles) {
    const std::string Absolute = AbsolutePath(File);
    if (std::find(Files.begin(), Files.end(), Absolute) != Files.end())
      throw EHostError(Format("%s is named twice: each form is served once", {File}));
    Files.push_back(Absolute);
  }
  for (std::size_t I = 0; I < Files.size(); ++I) {
    auto Form = std::make_unique<TServedForm>();
    Form->Shown = Options.FormFiles[I];
    Form->Options = Options;
    Form->Options.FormFile = Files[I];
    Form->Options.Output = ofText;
    Form->Options.Session = smKeepGoing;
    OpenSession(*Form);
    FForms.push_back(std::move(Form));
  }
  for (const auto& [Page, Classes] : vn_ide::PalettePages()) {
    for (const TMetaClass* Class : Classes) {
      TJson Bitmap = nullptr;
      try {
        if (const std::vector<std::uint8_t> Dib = PaletteBitmap(Host, *Class); !Dib.empty()) {
          FBitmaps[Class->ClassName()] = BitmapAsPng(Dib, UpperCase(Class->ClassName()));
          Bitmap = "/api/bitmap/" + Class->ClassName() + ".png";
        }
      } catch (const Exception& E) {
        Driver.Transcript() << "error: " << E.Message() << '\n';
      }
      FPalette.push_back({{"page", Page}, {"class", Class->ClassName()}, {"bitmap", Bitmap}});
    }
  }
}

TServeModel::TDiskStamp TServeModel::StampOf(const std::string& File) {
  struct stat Info {};
  if (::stat(File.c_str(), &Info) != 0) return {};
  return {true, static_cast<std::int64_t>(Info.st_mtim.tv_sec) * 1'000'000'000 + Info.st_mtim.tv_nsec,
          static_cast<std::uintmax_t>(Info.st_size), static_cast<std::uintmax_t>(Info.st_ino)};
}

void TServeModel::OpenSession(TServedForm& Form) {
  // The stamp first: a change while the file is read is then seen as one.
  const TDiskStamp Stamp = StampOf(Form.Options.FormFile);
  Form.Session.reset();
  Form.Session = std::make_unique<TDesignSession>(FHost, Form.Options, FDriver.Transcript(), FDriver);
  Form.Session->KeepModulesOpen();
  Form.Read = Form.Told = Stamp;
}

bool TServeModel::FilesChangedOnDisk() {
  bool Changed = false;
  for (const auto& Form : FForms) {
    const TDiskStamp Now = StampOf(Form->Options.FormFile);
    if (Now == Form->Told) continue;
    Form->Told = Now;
    Changed = true;
  }
  return Changed;
}

TServeModel::~TServeModel() {
  // Sessions end in the reverse order of opening: each gives back the working
  // folder it found.
  while (!FForms.empty()) FForms.pop_back();
}

const std::string* TServeModel::Bitmap(const std::string& Class) const {
  const auto Found = FBitmaps.find(Class);
  return Found == FBitmaps.end() ? nullptr : &Found->second;
}

std::vector<std::string> TServeModel::Unsaved() const {
  std::vector<std::string> Files;
  for (const auto& Form : FForms)
    if (Form->Session->Designer().IsModified()) Files.push_back(Form->Shown);
  return Files;
}

std::vector<TComponent*> TServeModel::Selected(TServedForm& Form) const {
  std::vector<TComponent*> Components;
  TComponent& Root = Form.Session->Root();
  for (const std::string& Name : Form.Selection) {
    TComponent* C = SameText(Name, Root.Name()) ? &Root : Root.FindComponent(Name);
    if (C != nullptr && std::find(Components.begin(), Components.end(), C) == Components.end())
      Components.push_back(C);
  }
  return Components;
}

TComponent& TServeModel::Component(const TJson& Request, const char* Field) {
  return ShownForm().Session->FindComponent(Text(Request, Field));
}

std::string TServeModel::Picture(const TCustomForm* OpenForm) {
  if (OpenForm != nullptr) return vn_vcl::FormPicturePng(vn_vcl::LayoutForm(*OpenForm));
  TDesignSession& Session = *ShownForm().Session;
  if (Session.DesignRoot().Kind() == rkForm)
    return vn_vcl::FormPicturePng(vn_vcl::LayoutForm(As<TCustomForm>(Session.Root())));
  return DataModulePicture(FHost, Session.Root());
}

TJson TServeModel::StatementsJson(const TComponent& UpdateObject) {
  TJson Statements = TJson::object();
  for (const char* Name : {"RefreshSQL", "ModifySQL", "InsertSQL", "DeleteSQL"})
    Statements[Name] = StatementLines(UpdateObject, Name);
  return Statements;
}

TJson TServeModel::VerificationJson(TComponent& UpdateObject, std::ostream& Transcript) {
  TJson Json{{"object", UpdateObject.Name()}, {"statements", StatementsJson(UpdateObject)}};
  try {
    const TVNUpdateCheckResult Result = CheckUpdateObject(FHost, UpdateObject, {});
    WriteVerification(UpdateObject.Name(), Result, Transcript);
    Json["ok"] = FindingCount(Result) == 0 && Result.NotChecked == 0;
    Json["findings"] = TJson::array();
    for (const TVNUpdateCheckFinding& Finding : Result.Findings)
      Json["findings"].push_back({{"statement", Finding.Statement},
                                  {"kind", Finding.Kind == fkFinding ? "finding" : Finding.Kind == fkNotChecked ? "not checked" : "note"},
                                  {"reason", Finding.Reason},
                                  {"hint", Finding.Hint}});
  } catch (const Exception& E) {
    Transcript << "The statements of " << UpdateObject.Name() << " could not be checked: " << E.Message() << '\n';
    Json["ok"] = false;
    Json["findings"] = TJson::array();
    Json["error"] = "the statements could not be checked: " + E.Message();
  }
  return Json;
}

TJson TServeModel::State() {
  TServedForm& Form = ShownForm();
  TDesignSession& Session = *Form.Session;
  TComponent& Root = Session.Root();
  TWorkingFolder InFolder(Session.Folder());
  TJson State;
  State["forms"] = TJson::array();
  for (const auto& F : FForms)
    State["forms"].push_back({{"file", F->Shown},
                              {"name", F->Session->Root().Name()},
                              {"modified", F->Session->Designer().IsModified()},
                              {"changedOnDisk", ChangedOnDisk(*F)}});
  State["form"] = FShown;
  State["verification"] = Form.Verification;
  State["palette"] = FPalette;
  TJson Components = TJson::array();
  for (int I = 0; I < Root.ComponentCount(); ++I) {
    const TComponent& C = *Root.Components(I);
    const auto Info = static_cast<std::uint32_t>(C.DesignInfo());
    TJson Left = nullptr, Top = nullptr;
    if (Info != 0) {
      Left = PositionOf(Info & 0xFFFFu);
      Top = PositionOf(Info >> 16);
    }
    // A dataset's persistent fields (whatever has a parent component) are no
    // icons of the design surface: the structure view and the Fields editor show them.
    Components.push_back(
        {{"name", C.Name()}, {"class", C.ClassName()}, {"left", Left}, {"top", Top}, {"onSurface", !C.HasParent()}});
  }
  State["components"] = std::move(Components);
  const std::vector<TComponent*> Selection = Selected(Form);
  State["selection"] = TJson::array();
  for (const TComponent* C : Selection) State["selection"].push_back(C->Name());
  // A property editor or a node of the package that fails is shown, not fatal.
  State["inspector"] = TJson::array();
  if (!Selection.empty()) {
    try {
      vn_ide::TObjectInspector Inspector(&Session.Designer(), Selection);
      State["inspector"] = InspectorJson(Inspector.Rows());
    } catch (const Exception& E) {
      State["inspectorError"] = E.Message();
    }
  }
  try {
    const vn_ide::TStructureView View(Root, &Session.Designer(), Session.DesignRoot().DeclaredClassName());
    State["tree"] = TreeJson(View.RootSprig(), true);
  } catch (const Exception& E) {
    State["tree"] = nullptr;
    State["treeError"] = E.Message();
  }
  // The code editor's modules stay open between actions until closed.
  State["modules"] = TJson::array();
  for (const auto& Module : vn_ide::IDEServices().Modules()) {
    TJson Property = nullptr;
    if (const vn_ide::TStringsEntry* Entry = Module->StringsEntry(); Entry != nullptr && Entry->Component() != nullptr)
      Property = Entry->Component()->Name() + "." + Entry->PropName();
    State["modules"].push_back({{"name", Module->DisplayName()},
                                {"modified", Module->GetModified()},
                                {"front", vn_ide::IDEServices().Front() == Module.get()},
                                {"property", Property},
                                {"text", Module->Text()}});
  }
  State["modal"] = FDriver.Modal();
  State["transcript"] = FDriver.TranscriptLines();
  return State;
}

void TServeModel::Perform(const TJson& Request) {
  const std::string& Op = Text(Request, "op");
  TServedForm& Form = ShownForm();
  TDesignSession& Session = *Form.Session;
  // Property editors may read files the form names, also outside Run.
  TWorkingFolder InFolder(Session.Folder());
  if (Op == "form") {
    const auto Index = Request["index"].get<std::int64_t>();
    if (Index < 0 || Index >= static_cast<std::int64_t>(FForms.size()))
      throw EHostError(Format("there is no form %d (0 to %d)", {Index, static_cast<int>(FForms.size()) - 1}));
    FShown = static_cast<std::size_t>(Index);
  } else if (Op == "select") {
    std::vector<std::string> Names;
    for (const TJson& Name : Request["names"]) {
      const std::string& N = Name.get_ref<const std::string&>();
      const TComponent& C = SameText(N, Session.Root().Name()) ? Session.Root() : Session.FindComponent(N);
      Names.push_back(C.Name());
    }
    Form.Selection = std::move(Names);
  } else if (Op == "set" || Op == "values" || Op == "ellipsis") {
    const std::vector<TComponent*> Selection = Selected(Form);
    if (Selection.empty()) throw EHostError("select a component first");
    vn_ide::TObjectInspector Inspector(&Session.Designer(), Selection);
    const std::string& Property = Text(Request, "property");
    if (Op == "set") {
      Session.Run([&] { Inspector.SetValue(Property, Text(Request, "value")); });
      FDriver.Extra()["value"] = Inspector.Row(Property).Value;
    } else if (Op == "values") {
      Session.Run([&] { FDriver.Extra()["values"] = Inspector.Values(Property); });
    } else {
      if (Request.value("alt", false)) FDriver.HoldForClick(VK_MENU);
      Session.Run([&] { Inspector.Edit(Property); });
    }
  } else if (Op == "verbs" || Op == "verb" || Op == "dblclick") {
    TComponent& C = Component(Request, "component");
    const TJson Before = IsUpdateObject(C) ? StatementsJson(C) : TJson();
    Session.Run([&] {
      std::unique_ptr<TComponentEditor> Editor = GetComponentEditor(C, &Session.Designer());
      if (Op == "dblclick") {
        Session.Transcript() << "double click on " << C.Name() << ": Edit of " << Editor->ClassName() << '\n';
        Editor->Edit();
        return;
      }
      const std::vector<TMenuEntry> Entries = MenuEntries(*Editor);
      if (Op == "verbs") {
        FDriver.Extra()["verbs"] = EntriesJson(Entries);
        return;
      }
      const TJson& Index = Request["index"];
      const TMenuEntry& Entry =
          ChooseEntry(Entries, Index.is_string() ? Index.get<std::string>() : std::to_string(Index.get<std::int64_t>()),
                      C.Name());
      Session.Transcript() << "running verb " << Entry.Index << " " << QuotedStr(Entry.Caption) << " of "
                           << Editor->ClassName() << " on " << C.Name() << '\n';
      Editor->ExecuteVerb(Entry.Index);
    });
    // Statements a dialog accepted are checked at once, where the person is.
    if (IsUpdateObject(C) && StatementsJson(C) != Before) Form.Verification = VerificationJson(C, Session.Transcript());
  } else if (Op == "move") {
    TComponent& C = Component(Request, "component");
    const auto Left = Request["left"].get<std::int64_t>(), Top = Request["top"].get<std::int64_t>();
    if (Left < MinPosition || Left > MaxPosition || Top < MinPosition || Top > MaxPosition)
      throw EHostError(Format("a design position is %d to %d", {MinPosition, MaxPosition}));
    const auto Word = [](std::int64_t V) { return static_cast<std::uint32_t>(static_cast<std::uint16_t>(V)); };
    C.SetDesignInfo(static_cast<std::int32_t>(Word(Left) | Word(Top) << 16));
    Session.Designer().Modified();
  } else if (Op == "drag" || Op == "paletteDrop") {
    Drop(Request);
  } else if (Op == "module" || Op == "moduleText") {
    ModuleCommand(Request);
  } else if (Op == "save") {
    // Another program's change is not overwritten unless the person says so.
    if (ChangedOnDisk(Form) && !Request.value("force", false))
      throw EHostError(Format("%s was changed on disk by another program since it was read: reload it to take "
                              "that change, or save anyway to overwrite it",
                              {Form.Shown}));
    const bool Saved = Session.Save();
    if (!Saved) Session.Transcript() << Form.Shown << ": nothing to save\n";
    if (Saved) Form.Read = Form.Told = StampOf(Form.Options.FormFile);
    FDriver.Extra()["saved"] = Saved;
  } else if (Op == "reload") {
    // What the file holds now; changes not saved are given up (the page asks first).
    const std::vector<std::string> Selection = Form.Selection;
    OpenSession(Form);
    Form.Verification = nullptr;
    Form.Selection.clear();
    for (const std::string& Name : Selection)
      if (SameText(Name, Form.Session->Root().Name()) || Form.Session->Root().FindComponent(Name) != nullptr)
        Form.Selection.push_back(Name);
    Form.Session->Transcript() << "reloaded " << Form.Shown << '\n';
  } else {
    throw EHostError(Op + " needs an open dialog");
  }
}

void TServeModel::ModuleCommand(const TJson& Request) {
  TDesignSession& Session = *ShownForm().Session;
  const std::string& Name = Text(Request, "name");
  if (Name.empty() || Name.find_first_of(" \t\r\n") != std::string::npos)
    throw EHostError("name a module as the state lists it");
  std::string Line;
  if (Text(Request, "op") == "moduleText") {
    FDriver.QueueTextLines(Request["lines"]);
    Line = "module text " + Name;
  } else {
    const std::string& Command = Text(Request, "command");
    if (!SameText(Command, "show") && !SameText(Command, "save") && !SameText(Command, "close"))
      throw EHostError("a module command is show, save or close, not " + Command);
    Line = "module " + Command + " " + Name;
  }
  TModuleCommands Commands(FDriver, Session.Transcript());
  Session.Run([&] { Commands.Execute(Line); });
  if (Commands.ErrorCount() > 0) throw EHostError(Commands.LastError());
}

void TServeModel::Drop(const TJson& Request) {
  TServedForm& Form = ShownForm();
  TDesignSession& Session = *Form.Session;
  vn_ide::TStructureView View(Session.Root(), &Session.Designer(), Session.DesignRoot().DeclaredClassName());
  const std::string& TargetName = Text(Request, "target");
  TSprig& Target = TargetName.empty() ? View.RootSprig() : NodeNamed(View, TargetName);
  const std::string Shown = TargetName.empty() ? Session.Root().Name() : Target.UniqueName();
  vn_ide::TDropResult Result = vn_ide::drRefused;
  if (Text(Request, "op") == "drag") {
    TSprig& Node = NodeNamed(View, Text(Request, "node"));
    const std::string NodeName = Node.UniqueName();
    Session.Run([&] { Result = View.DragDrop(Node, Target); });
    if (Result == vn_ide::drRefused) throw EHostError(Format("%s cannot be dropped on %s", {NodeName, Shown}));
    Session.Transcript() << "dropped " << NodeName << " on " << Shown << '\n';
    return;
  }
  const TMetaClass& Class = PaletteClass(Text(Request, "class"));
  TComponent* Created = nullptr;
  Session.Run([&] { Result = View.PaletteDrop(Class, Target, &Created); });
  if (Result == vn_ide::drRefused || Created == nullptr)
    throw EHostError(Format("A new %s cannot be dropped on %s", {Class.ClassName(), Shown}));
  Session.Transcript() << "dropped new " << Created->Name() << ": " << Class.ClassName() << " on " << Shown << '\n';
  Form.Selection = {Created->Name()};
  FDriver.Extra()["created"] = Created->Name();
}

}  // namespace vnide
