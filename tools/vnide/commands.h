// The commands of the design host.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "rtl/SysUtils.h"

namespace vnide {

class TPackageHost;

// An error the host itself found (a file it cannot read or save, a name the
// form does not have, a session that went wrong): reported as its message alone.
VN_DECLARE_EXCEPTION(EHostError, Exception)

// The JSON text of Json (an nlohmann value), indented as dump takes it. A
// string that is not UTF-8 comes out with U+FFFD for its bad bytes instead of
// failing the whole answer.
template <class TJsonValue>
std::string JsonText(const TJsonValue& Json, int Indent = -1) {
  return Json.dump(Indent, ' ', false, TJsonValue::error_handler_t::replace);
}

// What vnide exits with.
enum TExitCode : int {
  ecSuccess = 0,
  ecError = 1,      // an error of the package, the platform, a file or a session
  ecUsage = 2,      // the command line is wrong
  ecCancelled = 3,  // the person cancelled the dialog
  ecFindings = 4,   // check: statements that do not fit their database
};

enum TOutputFormat { ofText, ofJson };
// How a scripted session treats a command that could not run as written.
enum TSessionMode { smStrict, smKeepGoing };

// check --fix: none, the update objects whose statements fail, or all.
enum TFixMode { fxNone, fxFailing, fxAll };

// The command line, parsed; each command reads the fields it takes.
struct TOptions {
  std::string PackageFile;  // the design package to load
  TOutputFormat Output = ofText;
  std::string FormFile;
  std::string SaveFile;    // open, edit: where the form goes ("" : edit saves over FormFile)
  std::string ObjectName;  // edit: the update object
  std::string ScriptFile;  // edit: "" reads standard input or the terminal
  TSessionMode Session = smStrict;
  std::string PngFolder;   // palette, snapshot: where the pictures go
  std::string ClassName;   // classes: "" for every palette class
  std::vector<std::string> FormFiles;  // check: the forms, each opened in its own folder
  bool DryRun = false;                 // check: also run the statements, always rolled back
  int TimeoutSeconds = 5;              // check: how long a statement may run or wait for a lock
  bool AllowSuperuser = false;         // check: a dry run may run the statements as a superuser
  bool AllowUnchecked = false;         // check: statements that could not be checked do not fail it
  bool CheckBeforeSave = false;        // edit: statements with findings, or unchecked, are not saved
  std::string CheckFormat = "text";    // check: text, json, junit or sarif
  TFixMode Fix = fxNone;               // check: which update objects get new statements
  int Jobs = 0;                        // check: forms checked at once (0: one per processor)
  std::vector<std::string> Selection;  // inspect, values, set, ellipsis: the components inspected
  std::string Value;                   // set: the text typed into the inspector
  bool Complete = false;               // set: a unique beginning of a listed value is completed
  bool AltKeyDown = false;             // ellipsis: Alt held while clicking
  std::string NodeName;    // drag: the structure-view node dragged
  std::string TargetName;  // drag, palette-drop: the node dropped on
  std::string PropertyName;  // edit-strings: the string-list property
  std::string Verb;        // verb: an entry of the context menu, by index or caption
  int Port = 0;            // serve: 0 lets the system choose
  bool NewForm = false;      // new: a form rather than a data module
  std::string DatabaseText;  // new: an SQLite file or postgresql://[user@]host[:port]/database
  std::string TableName;     // new: the table the query reads and its update object writes
};

// A new form file (FormFile, never over an existing one): a data module, or a
// form; with DatabaseText a database component, and with TableName a query on
// that table (its columns read from the database) and an update object bound
// to it, named and placed as the builder drops them.
int RunNewCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
// Each loads the design package into Host first and writes its report to Out.
// Errors are raised; the caller reports them while the packages are loaded.
// The result is a TExitCode.
int RunSettingsCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
int RunPackagesCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
// Pages and components; with PngFolder, each component's palette bitmap as
// PngFolder/<CLASS>.png.
int RunPaletteCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
int RunRegistrationsCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
// The palette's component classes (or ClassName alone) with their published
// properties, types and the values a new component has.
int RunClassesCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
// The form's components; with SaveFile, the form written back.
int RunOpenCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
// The UpdateSQL editor on an update object of the form, driven by a script (or
// standard input, or a person at the terminal), with the form's folder as the
// working folder; the form is saved when the editor reports a change.
// ecCancelled when it reports none. A scripted session that hit an error
// raises EHostError and saves nothing, unless Session is smKeepGoing.
int RunEditCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
// Every update object of FormFiles (folders: every form file below them)
// proven on its live database by the runtime
// library's checker (with DryRun, its statements run and are rolled back); the
// forms are never saved. ecFindings when anything does not fit, or (unless
// AllowUnchecked) some statement could not be checked.
int RunCheckCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
// A string-list property (ObjectName, PropertyName) opened in the code editor
// through the package, then the session's module commands; the form is saved
// when the designer was marked modified (a module saved), else ecCancelled.
int RunEditStringsCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);

// Pictures into PngFolder: the form (a data module: its design surface with
// each component's palette bitmap) as <Name>.png, and with ObjectName the
// dialogs its double click opens, driven by ScriptFile (or standard input),
// each as NN-<Name>.png as it comes up. All are written or none; the form is
// never saved.
int RunSnapshotCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);

// The package's About dialog, driven by a script (ScriptFile, or standard
// input) or a person at the terminal. A strict script that hit an error or
// goes on after the dialog closed raises EHostError.
int RunAboutCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);

// A component's context menu as the builder shows it: the entries its
// component editor gives (ObjectName names the component).
int RunVerbsCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
// Runs the entry Verb of the component's context menu, and the double click
// (the editor's Edit), in a design session like edit's: the form is saved when
// the designer was marked modified; ecCancelled when it was not.
int RunVerbCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
int RunDblClickCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);

// The structure view of the form: one node per component, placed by the
// package's sprigs, with problem and unplaced markers.
int RunTreeCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
// Drops node NodeName on TargetName in a design session; the form is saved
// when the drop changed it. A refused drop raises EHostError.
int RunDragCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
// Drops a new component of palette class ClassName on TargetName; the form is
// saved with it. A refused drop raises EHostError.
int RunPaletteDropCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);

// The Object Inspector on Selection: inspect lists the properties they share
// by category (value, editor, attributes); values lists PropertyName's
// drop-down; set types Value into it; ellipsis presses its button (Alt held
// with AltKeyDown), dialogs driven as for edit. set and ellipsis save the form
// when the designer was marked modified; ellipsis answers ecCancelled when it
// was not.
int RunInspectCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
int RunValuesCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
int RunSetCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);
int RunEllipsisCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);

// Serves FormFiles to a browser (docs/vnide-serve.md): writes the page's
// address with its token as one line to Out, then serves until SIGINT or
// SIGTERM, and ends with ecSuccess, saving nothing the page did not save.
int RunServeCommand(TPackageHost& Host, const TOptions& Options, std::ostream& Out);

}  // namespace vnide
