// vnide: the design host. Loads the design package and lets a person, a script or
// a test use what it registers.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>

#include "commands.h"
#include "name_suggestion.h"
#include "package_host.h"
#include "package_info.h"
#include "rtl/SysUtils.h"

namespace {

constexpr const char* VnideVersion = "1.1.0";
constexpr const char* Synopsis = "vnide [--package FILE] COMMAND [OPTIONS] [ARGUMENTS]";

using TCommand = int (*)(vnide::TPackageHost&, const vnide::TOptions&, std::ostream&);

const std::map<std::string, TCommand> Commands = {
    {"packages", &vnide::RunPackagesCommand},   {"palette", &vnide::RunPaletteCommand},
    {"registrations", &vnide::RunRegistrationsCommand}, {"settings", &vnide::RunSettingsCommand},
    {"classes", &vnide::RunClassesCommand},     {"open", &vnide::RunOpenCommand},
    {"verbs", &vnide::RunVerbsCommand},         {"verb", &vnide::RunVerbCommand},
    {"dblclick", &vnide::RunDblClickCommand},
    {"snapshot", &vnide::RunSnapshotCommand},
    {"check", &vnide::RunCheckCommand},
    {"edit", &vnide::RunEditCommand},           {"about", &vnide::RunAboutCommand},
    {"edit-strings", &vnide::RunEditStringsCommand},
    {"inspect", &vnide::RunInspectCommand},     {"values", &vnide::RunValuesCommand},
    {"set", &vnide::RunSetCommand},             {"ellipsis", &vnide::RunEllipsisCommand},
    {"tree", &vnide::RunTreeCommand},         {"drag", &vnide::RunDragCommand},
    {"palette-drop", &vnide::RunPaletteDropCommand},
    {"new", &vnide::RunNewCommand},
    {"serve", &vnide::RunServeCommand},
};

int Fail(const std::string& Message) {
  std::cerr << "vnide: " << Message << '\n';
  return vnide::ecError;
}

int UsageError(const std::string& Message, const std::string& Command) {
  std::cerr << "vnide: usage: " << Message << '\n'
            << "vnide: usage: " << (Command.empty() ? Synopsis : "see vnide " + Command + " --help") << '\n';
  return vnide::ecUsage;
}

// The first option of the command line that Command does not know, with the
// one it was probably meant to be: "unknown option --scrip; did you mean
// --script?"; "" when every option is known.
std::string UnknownOption(const CLI::App& App, const CLI::App& Command, int argc, char** argv) {
  std::vector<std::string> Known;
  for (const CLI::App* A : {&App, &Command})
    for (const CLI::Option* Option : A->get_options())
      for (const std::string& Name : Option->get_lnames()) Known.push_back("--" + Name);
  for (int I = 1; I < argc; ++I) {
    std::string Arg = argv[I];
    if (!Arg.starts_with("--")) continue;
    Arg = Arg.substr(0, Arg.find('='));
    if (std::find(Known.begin(), Known.end(), Arg) == Known.end())
      return "unknown option " + Arg + vn_vcl::DidYouMean(Arg, Known);
  }
  return "";
}

// The first word that is neither an option nor an option's value: the command.
std::string CommandWord(int argc, char** argv) {
  for (int I = 1; I < argc; ++I) {
    const std::string Arg = argv[I];
    if (Arg == "--package") ++I;
    else if (!Arg.starts_with('-')) return Arg;
  }
  return "";
}

// "vnide 1.1.0" and the package it would load, read from the file's resources
// without loading it.
std::string VersionText(const std::string& PackageFile) {
  std::string Text = std::string("vnide ") + VnideVersion;
  std::error_code Error;
  if (!std::filesystem::is_regular_file(NativeFileName(PackageFile), Error))
    return Text + "\npackage " + PackageFile + ": not found";
  try {
    const vnide::TPackageDescription D = vnide::ReadPackageDescription(PackageFile);
    Text += "\npackage " + std::filesystem::path(D.FileName).filename().string() + " " +
            (D.Version.empty() ? "(no version)" : D.Version);
  } catch (const Exception& E) {
    Text += "\npackage " + PackageFile + ": " + E.Message();
  }
  return Text;
}

}  // namespace

int main(int argc, char** argv) {
  vnide::TOptions Options;
  Options.PackageFile = vnide::HostDirectory() + "/DclVarq220.bpl";
  bool Json = false, KeepGoing = false, ShowVersion = false;

  CLI::App App("vnide: the design host. Loads the design package (with the packages it requires),\n"
               "runs one command and unloads the packages.\n"
               "Exit codes: 0 success, 1 error, 2 usage, 3 cancelled by the person, 4 findings (check).",
               "vnide");
  App.require_subcommand(0, 1);
  App.fallthrough();  // --package and --version also after the command
  App.add_option("--package", Options.PackageFile, "the design package (default: DclVarq220.bpl beside vnide)")
      ->option_text("FILE");
  App.add_flag("--version", ShowVersion, "vnide's version and the package's, then exit");

  const auto AddJson = [&](CLI::App* Command) { Command->add_flag("--json", Json, "the output as JSON"); };
  AddJson(App.add_subcommand("packages", "the loaded packages: description, version, units, requirements"));
  CLI::App* Palette = App.add_subcommand("palette", "palette pages and components");
  Palette->add_option("--png", Options.PngFolder, "write each component's bitmap as FOLDER/<CLASS>.png")
      ->option_text("FOLDER");
  AddJson(Palette);
  AddJson(App.add_subcommand("registrations", "everything the packages registered, in order"));
  AddJson(App.add_subcommand("settings", "what the package's settings store resolves, and from where"));
  CLI::App* Classes = App.add_subcommand("classes", "component classes with their published properties");
  Classes->add_option("CLASS", Options.ClassName, "one class (default: every class on the palette)");
  AddJson(Classes);
  CLI::App* Open = App.add_subcommand("open", "the components of a form file");
  Open->add_option("FORMFILE", Options.FormFile, "the form file")->required();
  Open->add_option("--save", Options.SaveFile, "write the form back to FILE")->option_text("FILE");
  AddJson(Open);
  CLI::App* Edit = App.add_subcommand(
      "edit", "the UpdateSQL editor on an update object of a form file, driven by a script,\n"
              "standard input or the terminal; saves the form when the editor is accepted");
  Edit->add_option("FORMFILE", Options.FormFile, "the form file")->required();
  Edit->add_option("UPDATEOBJECT", Options.ObjectName, "the update object's name")->required();
  Edit->add_option("--script", Options.ScriptFile, "the session's commands (default: standard input)")
      ->option_text("FILE");
  Edit->add_option("--save", Options.SaveFile, "save to FILE instead of FORMFILE")->option_text("FILE");
  Edit->add_flag("--keep-going", KeepGoing,
                 "a script's errors do not stop the save or the exit code (a transcript whatever happens)");
  Edit->add_flag("--json", Json, "the update object's statements as JSON (the transcript goes to standard error)");
  Edit->add_flag("--check", Options.CheckBeforeSave,
                 "save only statements that pass their check on the database (else exit code 4)");
  CLI::App* Check = App.add_subcommand(
      "check", "every update object of the forms proven on its live database (SQLite, PostgreSQL or MariaDB):\n"
               "each statement vetted by the server's grammar (one statement of its slot's kind, nothing\n"
               "that reaches outside the database), compiled, and its parameters, fields, key and\n"
               "quoting compared with the catalog, in one transaction that is rolled back.\n"
               "The forms are never saved. Exit code 4 when there are findings or a statement\n"
               "could not be checked");
  Check->add_option("PATH", Options.FormFiles, "form files, and folders: every .vfm file below them")->required();
  Check->add_flag("--dry-run", Options.DryRun,
                  "also run each statement on one existing row, in a transaction that is always\n"
                  "rolled back: each must affect exactly one row");
  Check->add_option("--timeout", Options.TimeoutSeconds,
                    "seconds a statement may run or wait for another session's lock (default 5)")
      ->option_text("SECONDS")
      ->check(CLI::Range(1, 3600));
  Check->add_flag("--allow-superuser", Options.AllowSuperuser,
                  "let a dry run run the form's statements when the login is a superuser");
  Check->add_flag("--allow-unchecked", Options.AllowUnchecked,
                  "statements that could not be checked do not make the exit code 4");
  Check->add_flag("--json", Json, "the findings as JSON (as --format json)");
  Check->add_option("--format", Options.CheckFormat,
                    "text, json, junit (one test case per update object) or sarif (2.1.0, with the\n"
                    "line of each finding's statement in its form file)")
      ->check(CLI::IsMember({"text", "json", "junit", "sarif"}));
  std::string FixWhat;
  CLI::Option* Fix =
      Check->add_option("--fix", FixWhat,
                        "new statements from the UpdateSQL editor for the update objects whose statements\n"
                        "fail (--fix=all: for every one), shown as a diff, proven with a dry run, and\n"
                        "saved only when they all pass")
          ->expected(0, 1)
          ->check(CLI::IsMember({"all"}));
  Check->add_option("-j,--jobs", Options.Jobs, "forms checked at once, each in a process of its own (default: one per\n"
                                                "processor)")
      ->option_text("N")
      ->check(CLI::Range(1, 256));
  CLI::App* About = App.add_subcommand(
      "about", "the package's About dialog, driven by a script, standard input or the terminal:\n"
               "product name and version from the package file, links that open their addresses");
  About->add_option("--script", Options.ScriptFile, "the session's commands (default: standard input)")
      ->option_text("FILE");
  About->add_flag("--keep-going", KeepGoing, "a script's errors do not change the exit code");

  // A design session on one component: --script, --save and --keep-going as for edit.
  const auto AddSession = [&](CLI::App* Command, const std::string& JsonText) {
    Command->add_option("FORMFILE", Options.FormFile, "the form file")->required();
    Command->add_option("COMPONENT", Options.ObjectName, "the component's name")->required();
    Command->add_option("--script", Options.ScriptFile, "the session's commands (default: standard input)")
        ->option_text("FILE");
    Command->add_option("--save", Options.SaveFile, "save to FILE instead of FORMFILE")->option_text("FILE");
    Command->add_flag("--keep-going", KeepGoing,
                      "a script's errors do not stop the save or the exit code (a transcript whatever happens)");
    Command->add_flag("--json", Json, JsonText);
  };
  CLI::App* Verbs = App.add_subcommand(
      "verbs", "a component's context menu as the builder shows it: index and caption of each entry\n"
               "its component editor gives, separators shown as such");
  AddSession(Verbs, "the entries as JSON");
  CLI::App* Verb = App.add_subcommand(
      "verb", "runs one entry of a component's context menu (dialogs driven by a script, standard input\n"
              "or the terminal); saves the form when the designer was modified, exit code 3 when not");
  AddSession(Verb, "the outcome as JSON (the transcript goes to standard error)");
  Verb->add_option("VERB", Options.Verb,
                   "the entry: its index, or its caption without regard to case, \"&\" and a closing \"...\"")
      ->required();
  AddSession(App.add_subcommand(
                 "dblclick", "the double click on a component: its component editor's Edit, dialogs driven as for\n"
                             "verb; saves the form when the designer was modified, exit code 3 when not"),
             "the outcome as JSON (the transcript goes to standard error)");

  CLI::App* Snapshot = App.add_subcommand(
      "snapshot", "pictures (PNG) of a form file as the builder shows it (a data module: its components'\n"
                  "palette bitmaps at their places) and, with --object, of each dialog the double click\n"
                  "on that component opens, as a script drives them; the form is never saved");
  Snapshot->add_option("FORMFILE", Options.FormFile, "the form file")->required();
  Snapshot->add_option("FOLDER", Options.PngFolder,
                       "where the pictures go (made when missing): <Form>.png, then NN-<Dialog>.png\n"
                       "for each dialog in the order they came up")
      ->required();
  CLI::Option* SnapshotObject =
      Snapshot->add_option("--object", Options.ObjectName,
                           "double-click this component (an update object: the UpdateSQL editor, as edit)")
          ->option_text("NAME");
  Snapshot->add_option("--script", Options.ScriptFile, "the commands for the dialogs (default: standard input)")
      ->option_text("FILE")
      ->needs(SnapshotObject);
  Snapshot->add_flag("--keep-going", KeepGoing, "a script's errors do not stop the pictures or the exit code");
  Snapshot->add_flag("--json", Json, "the pictures' file names as JSON (the transcript goes to standard error)");

  CLI::App* EditStrings = App.add_subcommand(
      "edit-strings", "a component's string-list property opened in the code editor through the package;\n"
                      "the session's module commands edit, save and close it; saves the form when a\n"
                      "module was saved into it, exit code 3 when not");
  EditStrings->add_option("FORMFILE", Options.FormFile, "the form file")->required();
  EditStrings->add_option("COMPONENT", Options.ObjectName, "the component's name")->required();
  EditStrings->add_option("PROPERTY", Options.PropertyName, "the string-list property (SQL, Params ...)")->required();
  EditStrings->add_option("--script", Options.ScriptFile, "the session's commands (default: standard input)")
      ->option_text("FILE");
  EditStrings->add_option("--save", Options.SaveFile, "save to FILE instead of FORMFILE")->option_text("FILE");
  EditStrings->add_flag("--keep-going", KeepGoing,
                        "a script's errors do not stop the save or the exit code (a transcript whatever happens)");

  // The structure view: NODE and TARGET name a component, or a transient node by
  // its unique name or caption; PARENT/NAME picks one of several.
  CLI::App* Tree = App.add_subcommand(
      "tree", "the structure view of a form file: sessions, databases and datasets as the package's\n"
              "nodes place them, with problem and unplaced markers");
  Tree->add_option("FORMFILE", Options.FormFile, "the form file")->required();
  AddJson(Tree);
  const auto AddDrop = [&](CLI::App* Command) {
    Command->add_option("--save", Options.SaveFile, "save to FILE instead of FORMFILE")->option_text("FILE");
    Command->add_flag("--json", Json, "the drop, the saved file and the new tree as JSON");
  };
  CLI::App* Drag = App.add_subcommand(
      "drag", "drags a structure-view node onto another; saves the form when the drop changed it\n"
              "and prints the new tree (a refused drop is an error)");
  Drag->add_option("FORMFILE", Options.FormFile, "the form file")->required();
  Drag->add_option("NODE", Options.NodeName, "the node dragged: a component's name, or a transient node's\n"
                                            "name or caption, or PARENT/NAME")->required();
  Drag->add_option("TARGET", Options.TargetName, "the node dropped on, named the same way")->required();
  AddDrop(Drag);
  CLI::App* PaletteDrop = App.add_subcommand(
      "palette-drop", "drops a new component of a palette class onto a structure-view node; saves the form\n"
                      "with it and prints the new tree (a refused drop is an error)");
  PaletteDrop->add_option("FORMFILE", Options.FormFile, "the form file")->required();
  PaletteDrop->add_option("CLASS", Options.ClassName, "the palette class, e.g. TVNQuery")->required();
  PaletteDrop->add_option("TARGET", Options.TargetName, "the node dropped on, named as for drag")->required();
  AddDrop(PaletteDrop);

  // The Object Inspector: COMPONENT may name several components, separated by ",".
  std::string Component;
  const auto AddInspected = [&](CLI::App* Command, bool Property) {
    Command->add_option("FORMFILE", Options.FormFile, "the form file")->required();
    if (Property)
      Command->add_option("COMPONENT", Component,
                          "the component inspected (several: A,B selects them together; the root's own name: the form)")
          ->required();
    else
      Command->add_option("COMPONENT", Options.Selection,
                          "the components inspected together (or A,B; the root's own name: the form)")
          ->required();
    if (Property) Command->add_option("PROPERTY", Options.PropertyName, "the property, as the inspector names it")->required();
    Command->add_option("--script", Options.ScriptFile, "the session's commands for dialogs (default: standard input)")
        ->option_text("FILE");
  };
  const auto AddSaving = [&](CLI::App* Command) {
    Command->add_option("--save", Options.SaveFile, "save to FILE instead of FORMFILE")->option_text("FILE");
    Command->add_flag("--keep-going", KeepGoing,
                      "a script's errors do not stop the save or the exit code (a transcript whatever happens)");
  };
  CLI::App* Inspect = App.add_subcommand(
      "inspect", "the Object Inspector on components of a form file: the properties they share by\n"
                 "category, each with its value, its property editor and what the editor offers");
  AddInspected(Inspect, false);
  AddJson(Inspect);
  CLI::App* Values = App.add_subcommand(
      "values", "the drop-down list of a property, as its property editor gives it (sorted when it asks)");
  AddInspected(Values, true);
  AddJson(Values);
  CLI::App* Set = App.add_subcommand(
      "set", "types VALUE into a property of the Object Inspector, taken as typed (--complete: the one\n"
             "value of the drop-down list it begins); saves the form when the designer was modified,\n"
             "exit code 3 when not (the value the row shows already changes nothing)");
  AddInspected(Set, true);
  Set->add_option("VALUE", Options.Value, "the text typed")->required();
  Set->add_flag("--complete", Options.Complete,
                "complete VALUE to the one value of the drop-down list it begins, where the editor allows");
  AddSaving(Set);
  Set->add_flag("--json", Json, "the outcome as JSON (the transcript goes to standard error)");
  CLI::App* Ellipsis = App.add_subcommand(
      "ellipsis", "presses a property's ellipsis button in the Object Inspector (dialogs driven by a\n"
                  "script, standard input or the terminal); saves the form when the designer was\n"
                  "modified, exit code 3 when not");
  AddInspected(Ellipsis, true);
  Ellipsis->add_flag("--alt", Options.AltKeyDown, "hold the Alt key while pressing the button");
  AddSaving(Ellipsis);
  Ellipsis->add_flag("--json", Json, "the outcome as JSON (the transcript goes to standard error)");

  CLI::App* New = App.add_subcommand(
      "new", "a new form file: a data module (or --form a form); with --database a database component,\n"
             "and with --table a query on that table and an update object bound to it, named and placed\n"
             "as the builder drops them; never writes over a file");
  New->add_option("FORMFILE", Options.FormFile, "the form file to write")->required();
  New->add_flag("--form", Options.NewForm, "a form rather than a data module");
  New->add_flag("--datamodule", [&](std::int64_t) { Options.NewForm = false; }, "a data module (the default)");
  New->add_option("--database", Options.DatabaseText,
                  "an SQLite file, or postgresql://[user@]host[:port]/database or mariadb://... (the\n"
                  "password from ~/.pgpass or PGPASSFILE, or from ~/.my.cnf or $MYSQL_HOME/my.cnf,\n"
                  "never the form)")
      ->option_text("FILE-OR-URI");
  New->add_option("--table", Options.TableName, "the table the query reads, its columns listed from the database")
      ->option_text("T");

  CLI::App* Serve = App.add_subcommand(
      "serve", "serves the forms to a browser on 127.0.0.1: palette, components, Object Inspector,\n"
               "structure view and the package's dialogs, one design session per form. Prints the\n"
               "page's address with its access token, serves until interrupted (Ctrl-C, SIGTERM)\n"
               "and saves only when the page asks (docs/vnide-serve.md)");
  Serve->add_option("FORMFILE", Options.FormFiles, "the form files")->required();
  Serve->add_option("--port", Options.Port, "the port (default 0: one the system chooses)")
      ->option_text("N")
      ->check(CLI::Range(0, 65535));

  const std::string Word = CommandWord(argc, argv);
  if (!Word.empty() && !Commands.contains(Word)) {
    std::vector<std::string> Names;
    for (const auto& [Name, Run] : Commands) Names.push_back(Name);
    return UsageError("unknown command " + Word + vn_vcl::DidYouMean(Word, Names), "");
  }
  try {
    App.parse(argc, argv);
  } catch (const CLI::CallForHelp& E) {
    return App.exit(E);
  } catch (const CLI::ParseError& E) {
    std::string Message = E.what();
    if (!Word.empty())
      if (const std::string Unknown = UnknownOption(App, *App.get_subcommand(Word), argc, argv); !Unknown.empty())
        Message = Unknown;
    return UsageError((Word.empty() ? "" : Word + ": ") + Message, Word);
  }
  if (ShowVersion) {
    std::cout << VersionText(Options.PackageFile) << '\n';
    return vnide::ecSuccess;
  }
  if (Word.empty()) return UsageError("a command is required; vnide --help lists them", "");
  Options.Output = Json ? vnide::ofJson : vnide::ofText;
  if (Fix->count() > 0) Options.Fix = FixWhat == "all" ? vnide::fxAll : vnide::fxFailing;
  if (!Component.empty()) Options.Selection.push_back(Component);
  Options.Session = KeepGoing ? vnide::smKeepGoing : vnide::smStrict;

  // The host's boundary: errors are reported here while the packages are still
  // loaded, the platform's with their class as an IDE reports them; then the
  // packages are stopped and unloaded.
  vnide::TPackageHost Host;
  int ExitCode = vnide::ecSuccess;
  try {
    ExitCode = Commands.at(Word)(Host, Options, std::cout);
  } catch (const vnide::EPackageError& E) {
    ExitCode = Fail(E.Message());
  } catch (const vnide::EHostError& E) {
    ExitCode = Fail(E.Message());
  } catch (const Exception& E) {
    ExitCode = Fail(std::string(E.ClassName()) + ": " + E.Message());
  } catch (const std::exception& E) {
    ExitCode = Fail(E.what());
  }
  std::cout.flush();
  for (const std::string& Error : Host.UnloadAll()) ExitCode = Fail(Error);
  return ExitCode;
}
