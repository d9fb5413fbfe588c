// A design session on one form file: the package loaded, the form opened as the
// designer's root in the form's folder, a user-interface driver (a script,
// standard input or a person at the terminal, or one the host gives, as the
// browser's) for every dialog, and the form saved at the end only when the
// designer was marked modified.
#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <sstream>
#include <string>

#include "commands.h"
#include "design_root.h"
#include "form_designer.h"

namespace vn_vcl {
class TScriptedDriver;
}

namespace vnide {

class TLoadedPackage;
class TModuleTranscript;

// The working folder changed for a while and restored on every way out.
class TWorkingFolder {
 public:
  explicit TWorkingFolder(const std::filesystem::path& Folder);
  ~TWorkingFolder();
  TWorkingFolder(const TWorkingFolder&) = delete;
  TWorkingFolder& operator=(const TWorkingFolder&) = delete;

 private:
  int FSaved;
};

class TDesignSession {
 public:
  // Reads the form file and the script named in Options (before anything is
  // loaded, so that a bad file costs nothing), loads the package, moves to the
  // form's folder (a relative database file name in the form means one beside
  // it, as in the builder) and opens the form.
  TDesignSession(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
  // The same with Driver answering every dialog instead of one of the
  // session's own; Options' script is not read. Driver must outlive the session.
  TDesignSession(TPackageHost& Host, const TOptions& Options, std::ostream& Out, vn_vcl::TScriptedDriver& Driver);
  ~TDesignSession();
  TDesignSession(const TDesignSession&) = delete;
  TDesignSession& operator=(const TDesignSession&) = delete;

  TLoadedPackage& Package() const noexcept { return *FPackage; }
  TComponent& Root() const noexcept { return FRoot.Component(); }
  const TDesignRoot& DesignRoot() const noexcept { return FRoot; }
  vn_ide::TFormDesigner& Designer() noexcept { return *FDesigner; }
  // Where the session's transcript goes: standard error with --json, so that
  // standard output holds the JSON alone.
  std::ostream& Transcript() const noexcept { return FTranscript; }

  // The package's exported routine Symbol, or EPackageError naming What.
  void* RequireExport(const std::string& Symbol, const std::string& What) const;
  // The root's component Name, or EHostError naming what the form has.
  TComponent& FindComponent(const std::string& Name) const;

  // Holds a key down for the rest of the session, as the driver's hold does.
  void HoldKey(int VirtualKey);

  // Runs Action in the form's folder with the session's driver answering
  // every dialog. When Action leaves code-editor modules open, the session's
  // module commands follow until the input ends or the last module closes
  // (module_commands.h), unless modules stay open.
  void Run(const std::function<void()>& Action);
  // Modules an action opens stay open after it, as in the builder, until the
  // person closes them: for hosts that take further commands between actions
  // (serve), where opening the same property again finds its open module.
  void KeepModulesOpen() noexcept { FKeepModulesOpen = true; }
  // The form's folder, for work outside Run that may read files the form names.
  const std::filesystem::path& Folder() const noexcept { return FFolderPath; }

  // Ends the session: a strict script that went wrong (lines left over after
  // the last dialog, errors, module commands that failed) raises EHostError
  // and saves nothing; otherwise the form is saved when the designer was
  // marked modified. True when saved.
  bool Finish();
  // Saves the form (atomically) when the designer was marked modified and
  // clears the mark, so that it can be called again after further changes.
  // True when saved.
  bool Save();

  // Where Finish saves (absolute).
  const std::string& SaveFile() const noexcept { return FSaveFile; }

 private:
  TDesignSession(TPackageHost& Host, const TOptions& Options, std::ostream& Out, vn_vcl::TScriptedDriver* Driver);

  const TOptions& FOptions;
  std::string FFormFile;
  std::string FSaveFile;
  std::istringstream FScript;
  std::ostream& FTranscript;
  std::filesystem::path FFolderPath;
  TLoadedPackage* FPackage = nullptr;
  std::unique_ptr<TWorkingFolder> FFolder;
  TDesignRoot FRoot;
  std::unique_ptr<vn_ide::TFormDesigner> FDesigner;
  std::unique_ptr<vn_vcl::TScriptedDriver> FOwnDriver;
  vn_vcl::TScriptedDriver* FDriver = nullptr;
  bool FScripted = false;
  bool FKeepModulesOpen = false;
  std::unique_ptr<TModuleTranscript> FModuleTranscript;
  std::size_t FModuleErrors = 0;
};

}  // namespace vnide
