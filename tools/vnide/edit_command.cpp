// vnide edit: a design session on one update object of a form file. The
// package's UpdateSQL editor runs on it, driven by a script or by a person at
// the terminal; when the editor reports a change, the form is saved.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "commands.h"
#include "design_root.h"
#include "form_text_file.h"
#include "package_host.h"
#include "rtl/TypInfo.h"
#include "script_driver.h"
#include "terminal_driver.h"

namespace vnide {

namespace {

constexpr const char* EditUsage = "usage: edit FORMFILE UPDATEOBJECT [--script FILE] [--save FILE]";

// The four statements of an update object, read through its published lists.
void ShowStatements(const TComponent& UpdateObject, std::ostream& Out) {
  for (const char* Name : {"RefreshSQL", "ModifySQL", "InsertSQL", "DeleteSQL"}) {
    const auto* Lines = dynamic_cast<const TStrings*>(GetObjectProp(UpdateObject, FindPropInfo(UpdateObject, Name)));
    Out << UpdateObject.Name() << '.' << Name << ":\n";
    if (Lines == nullptr || Lines->Count() == 0) Out << "  (empty)\n";
    // A line may hold a line break of its own; show every text line indented.
    if (Lines != nullptr)
      for (int I = 0; I < Lines->Count(); ++I) {
        TStringList Parts;
        Parts.SetText(Lines->Strings(I));
        for (int J = 0; J < Parts.Count(); ++J) Out << "  " << Parts.StringRef(J) << '\n';
      }
  }
}

}  // namespace

int RunEditCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out) {
  std::string FormFile, ObjectName, ScriptFile, SaveFile;
  for (std::size_t I = 0; I < Options.Arguments.size(); ++I) {
    const std::string& Arg = Options.Arguments[I];
    if (Arg == "--script" && I + 1 < Options.Arguments.size())
      ScriptFile = Options.Arguments[++I];
    else if (Arg == "--save" && I + 1 < Options.Arguments.size())
      SaveFile = Options.Arguments[++I];
    else if (FormFile.empty())
      FormFile = Arg;
    else if (ObjectName.empty())
      ObjectName = Arg;
    else
      throw EConvertError(Format("edit: unexpected argument %s (%s)", {Arg, EditUsage}));
  }
  if (ObjectName.empty()) throw EConvertError(Format("edit: a form file and an update object are required (%s)", {EditUsage}));

  TLoadedPackage& Package = Host.Load(Options.PackageFile);
  using TEditUpdateSQL = bool (*)(TComponent*);
  auto EditUpdateSQL = reinterpret_cast<TEditUpdateSQL>(Package.FindExport("VNUpdSEd_EditUpdateSQL"));
  if (EditUpdateSQL == nullptr) throw EPackageError(Format("Package %s has no UpdateSQL editor", {Package.Name()}));

  TDesignRoot Root;
  Root.LoadFromText(ReadTextFile(FormFile), FormFile);
  TComponent* UpdateObject = Root.FindComponent(ObjectName);
  if (UpdateObject == nullptr)
    throw EComponentError(Format("Form %s has no component %s", {Root.Name(), ObjectName}));

  // The session's commands: a script file, standard input when it is no
  // terminal, or a person at the terminal.
  std::ifstream Script;
  std::istream* In = &std::cin;
  if (!ScriptFile.empty()) {
    Script.open(NativeFileName(ScriptFile));
    if (!Script) throw EFOpenError(Format("Cannot open file \"%s\"", {ScriptFile}));
    In = &Script;
  }
  std::unique_ptr<vn_ide::TScriptedDriver> Driver;
  if (ScriptFile.empty() && isatty(STDIN_FILENO)) {
    Driver = vn_ide::TTerminalDriver::AtTerminal(Out, STDOUT_FILENO);
  } else {
    Driver = std::make_unique<vn_ide::TScriptedDriver>(*In, Out);
    Driver->SetEcho(true);  // a transcript: each command before what it did
  }
  vn_ide::TDriverInstallation Installed(*Driver);

  const bool Modified = EditUpdateSQL(UpdateObject);
  Out << "EditUpdateSQL(" << ObjectName << ") returned " << (Modified ? "true: the form was modified" : "false")
      << '\n';
  if (Modified) {
    const std::string Target = SaveFile.empty() ? FormFile : SaveFile;
    WriteTextFile(Target, Root.SaveToText());
    Out << "saved " << Target << '\n';
  }
  ShowStatements(*UpdateObject, Out);
  return 0;
}

}  // namespace vnide
