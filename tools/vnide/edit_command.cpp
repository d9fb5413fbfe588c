// vnide edit: a design session on one update object of a form file. The
// package's UpdateSQL editor runs on it, driven by a script or by a person at
// the terminal; when the editor reports a change, the form is saved.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "commands.h"
#include "design_root.h"
#include "form_text_file.h"
#include "name_suggestion.h"
#include "package_host.h"
#include "rtl/TypInfo.h"
#include "script_driver.h"
#include "terminal_driver.h"

namespace vnide {

namespace {

constexpr const char* StatementNames[] = {"RefreshSQL", "ModifySQL", "InsertSQL", "DeleteSQL"};
constexpr const char* UpdateObjectClass = "TVNDataSetUpdateObject";

// The text lines of a statement: a list line may hold line breaks of its own.
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

void ShowStatements(const TComponent& UpdateObject, std::ostream& Out) {
  for (const char* Name : StatementNames) {
    Out << UpdateObject.Name() << '.' << Name << ":\n";
    const std::vector<std::string> Lines = StatementLines(UpdateObject, Name);
    if (Lines.empty()) Out << "  (empty)\n";
    for (const std::string& Line : Lines) Out << "  " << Line << '\n';
  }
}

bool IsUpdateObject(const TComponent& Component) {
  for (const TMetaClass* C = &Component.ClassType(); C != nullptr; C = C->ClassParent())
    if (C->ClassName() == UpdateObjectClass) return true;
  return false;
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

std::string Absolute(const std::string& FileName) {
  return FileName.empty() ? FileName : std::filesystem::absolute(NativeFileName(FileName)).string();
}

// The working folder changed for the session and restored on every way out.
class TWorkingFolder {
 public:
  explicit TWorkingFolder(const std::filesystem::path& Folder)
      : FSaved(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (::chdir(Folder.c_str()) != 0)
      throw EHostError(Format("Cannot work in folder \"%s\": %s", {Folder.string(), std::strerror(errno)}));
  }
  ~TWorkingFolder() {
    if (FSaved < 0) return;
    [[maybe_unused]] const int Ignored = ::fchdir(FSaved);
    ::close(FSaved);
  }
  TWorkingFolder(const TWorkingFolder&) = delete;
  TWorkingFolder& operator=(const TWorkingFolder&) = delete;

 private:
  int FSaved;
};

}  // namespace

int RunEditCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  // Paths as given are resolved before the session moves to the form's folder.
  const std::string FormFile = Absolute(Options.FormFile);
  const std::string SaveFile = Absolute(Options.SaveFile.empty() ? Options.FormFile : Options.SaveFile);
  const std::string FormText = ReadInputFile(Options.FormFile, "form file");
  std::istringstream Script;
  const bool Scripted = !Options.ScriptFile.empty() || !isatty(STDIN_FILENO);
  if (!Options.ScriptFile.empty()) Script.str(ReadInputFile(Options.ScriptFile, "script"));

  TLoadedPackage& Package = Host.Load(Options.PackageFile);
  using TEditUpdateSQL = bool (*)(TComponent*);
  auto EditUpdateSQL = reinterpret_cast<TEditUpdateSQL>(Package.FindExport("VNUpdSEd_EditUpdateSQL"));
  if (EditUpdateSQL == nullptr) throw EPackageError(Format("Package %s has no UpdateSQL editor", {Package.Name()}));

  // A relative database file name in the form means one beside the form, as in
  // the builder, whose working folder is the project's.
  const TWorkingFolder Folder(std::filesystem::path(FormFile).parent_path());
  TDesignRoot Root;
  Root.LoadFromText(FormText, Options.FormFile);
  TComponent& UpdateObject = FindUpdateObject(Root.Component(), Options.ObjectName);

  // With --json the transcript goes to standard error, so that standard output
  // holds the JSON alone.
  std::ostream& Transcript = Options.Output == ofJson ? std::cerr : Out;
  std::istream& In = Options.ScriptFile.empty() ? std::cin : Script;
  std::unique_ptr<vn_vcl::TScriptedDriver> Driver;
  if (!Scripted) {
    Driver = vn_vcl::TTerminalDriver::AtTerminal(Transcript, &Transcript == &std::cerr ? STDERR_FILENO : STDOUT_FILENO);
  } else {
    Driver = std::make_unique<vn_vcl::TScriptedDriver>(In, Transcript);
    Driver->SetEcho(true);  // a transcript: each command before what it did
  }
  bool Modified = false;
  {
    vn_vcl::TDriverInstallation Installed(*Driver);
    Modified = EditUpdateSQL(&UpdateObject);
  }
  Transcript << "EditUpdateSQL(" << Options.ObjectName << ") returned "
             << (Modified ? "true: the form was modified" : "false") << '\n';

  // A script that did not run as written may have left the dialog in any state:
  // nothing it produced is saved.
  if (Scripted && Options.Session == smStrict) {
    std::string Left;
    if (Driver->ReadCommand(Left, "")) {
      Transcript << "error: the dialog has closed; this and any further lines are left over\n";
      throw EHostError(Format("the script goes on after the dialog closed (\"%s\"); the form was not saved",
                              {Trim(Left)}));
    }
    if (Driver->ErrorCount() > 0)
      throw EHostError(Format("the session hit %d error(s); the form was not saved (--keep-going saves regardless)",
                              {static_cast<int>(Driver->ErrorCount())}));
  }
  if (Modified) {
    WriteTextFile(SaveFile, Root.SaveToText());
    Transcript << "saved " << (Options.SaveFile.empty() ? Options.FormFile : Options.SaveFile) << '\n';
  }
  if (Options.Output == ofJson) {
    nlohmann::ordered_json Json;
    Json["updateObject"] = UpdateObject.Name();
    Json["modified"] = Modified;
    Json["saved"] = Modified ? nlohmann::ordered_json(SaveFile) : nlohmann::ordered_json(nullptr);
    for (const char* Name : StatementNames) Json["statements"][Name] = StatementLines(UpdateObject, Name);
    Out << Json.dump(2) << '\n';
  } else {
    ShowStatements(UpdateObject, Out);
  }
  return Modified ? ecSuccess : ecCancelled;
}

}  // namespace vnide
