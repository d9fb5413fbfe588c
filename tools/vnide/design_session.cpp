#include "design_session.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "code_editor.h"
#include "form_text_file.h"
#include "module_commands.h"
#include "name_suggestion.h"
#include "package_host.h"
#include "script_driver.h"
#include "terminal_driver.h"
#include "vcl/Forms.h"

namespace vnide {

TWorkingFolder::TWorkingFolder(const std::filesystem::path& Folder)
    : FSaved(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (::chdir(Folder.c_str()) != 0) {
    const int Error = errno;
    if (FSaved >= 0) ::close(FSaved);
    throw EHostError(Format("Cannot work in folder \"%s\": %s", {Folder.string(), std::strerror(Error)}));
  }
}

TWorkingFolder::~TWorkingFolder() {
  if (FSaved < 0) return;
  [[maybe_unused]] const int Ignored = ::fchdir(FSaved);
  ::close(FSaved);
}

namespace {

std::string Absolute(const std::string& FileName) {
  return FileName.empty() ? FileName : std::filesystem::absolute(NativeFileName(FileName)).string();
}

}  // namespace

TDesignSession::TDesignSession(TPackageHost& Host, const TOptions& Options, std::ostream& Out,
                               vn_vcl::TScriptedDriver* Driver)
    : FOptions(Options),
      // Paths as given are resolved before the session moves to the form's folder.
      FFormFile(Absolute(Options.FormFile)),
      FSaveFile(Absolute(Options.SaveFile.empty() ? Options.FormFile : Options.SaveFile)),
      FTranscript(Options.Output == ofJson ? std::cerr : Out),
      FFolderPath(std::filesystem::path(FFormFile).parent_path()) {
  const std::string FormText = ReadInputFile(Options.FormFile, "form file");
  FScripted = Driver != nullptr || !Options.ScriptFile.empty() || !isatty(STDIN_FILENO);
  if (Driver == nullptr && !Options.ScriptFile.empty()) FScript.str(ReadInputFile(Options.ScriptFile, "script"));

  FPackage = &Host.Load(Options.PackageFile);
  FFolder = std::make_unique<TWorkingFolder>(FFolderPath);
  FRoot.LoadFromText(FormText, Options.FormFile);
  FDesigner = std::make_unique<vn_ide::TFormDesigner>(FRoot.Component());
  FModuleTranscript = std::make_unique<TModuleTranscript>(FTranscript);

  if (Driver != nullptr) {
    FDriver = Driver;
  } else if (!FScripted) {
    FOwnDriver = vn_vcl::TTerminalDriver::AtTerminal(FTranscript, &FTranscript == &std::cerr ? STDERR_FILENO
                                                                                             : STDOUT_FILENO);
  } else {
    std::istream& In = Options.ScriptFile.empty() ? std::cin : FScript;
    FOwnDriver = std::make_unique<vn_vcl::TScriptedDriver>(In, FTranscript);
    FOwnDriver->SetEcho(true);  // a transcript: each command before what it did
  }
  if (FDriver == nullptr) FDriver = FOwnDriver.get();
}

TDesignSession::TDesignSession(TPackageHost& Host, const TOptions& Options, std::ostream& Out)
    : TDesignSession(Host, Options, Out, nullptr) {}

TDesignSession::TDesignSession(TPackageHost& Host, const TOptions& Options, std::ostream& Out,
                               vn_vcl::TScriptedDriver& Driver)
    : TDesignSession(Host, Options, Out, &Driver) {}

// Modules still open stand for the root's properties: they go first. The
// designer goes before the root it designs; the folder comes back last.
TDesignSession::~TDesignSession() {
  FModuleTranscript.reset();
  vn_ide::IDEServices().DiscardAll();
}

void* TDesignSession::RequireExport(const std::string& Symbol, const std::string& What) const {
  void* Entry = FPackage->FindExport(Symbol);
  if (Entry == nullptr) throw EPackageError(Format("Package %s has no %s", {FPackage->Name(), What}));
  return Entry;
}

TComponent& TDesignSession::FindComponent(const std::string& Name) const {
  if (TComponent* Found = Root().FindComponent(Name)) return *Found;
  std::vector<std::string> Names;
  for (int I = 0; I < Root().ComponentCount(); ++I) Names.push_back(Root().Components(I)->Name());
  throw EHostError(Format("%s has no component %s%s", {Root().Name(), Name, vn_vcl::DidYouMean(Name, Names)}));
}

void TDesignSession::HoldKey(int VirtualKey) { FDriver->SetKeyDown(VirtualKey, true); }

void TDesignSession::Run(const std::function<void()>& Action) {
  // Several sessions of one host share the process's working folder.
  TWorkingFolder InFolder(FFolderPath);
  vn_vcl::TDriverInstallation Installed(*FDriver);
  Action();
  if (FKeepModulesOpen || vn_ide::IDEServices().Modules().empty()) return;
  TModuleCommands Commands(*FDriver, FTranscript);
  Commands.Run();
  FModuleErrors += Commands.ErrorCount();
}

bool TDesignSession::Finish() {
  // A script that did not run as written may have left a dialog in any state:
  // nothing it produced is saved.
  if (FScripted && FOptions.Session == smStrict) {
    std::string Left;
    if (FDriver->ReadCommand(Left, "")) {
      FTranscript << "error: the dialog has closed; this and any further lines are left over\n";
      throw EHostError(Format("the script goes on after the dialog closed (\"%s\"); the form was not saved",
                              {Trim(Left)}));
    }
    if (const std::size_t Errors = FDriver->ErrorCount() + FModuleErrors; Errors > 0)
      throw EHostError(Format("the session hit %d error(s); the form was not saved (--keep-going saves regardless)",
                              {static_cast<int>(Errors)}));
  }
  return Save();
}

bool TDesignSession::Save() {
  if (!FDesigner->IsModified()) return false;
  WriteTextFile(FSaveFile, FRoot.SaveToText());
  FDesigner->ClearModified();
  FTranscript << "saved " << (FOptions.SaveFile.empty() ? FOptions.FormFile : FOptions.SaveFile) << '\n';
  return true;
}

}  // namespace vnide
