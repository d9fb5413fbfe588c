#include "module_commands.h"

#include <sstream>
#include <vector>

#include "code_editor.h"
#include "rtl/Classes.h"
#include "rtl/SysUtils.h"
#include "script_driver.h"
#include "strings_file_system.h"

namespace vnide {

namespace {

VN_DECLARE_EXCEPTION(EModuleCommandError, Exception)

constexpr const char* Usage = "modules, module show|text|save|close [NAME], quit";

constexpr const char* HelpText =
    "in the code editor (NAME: a module's name or #n; none needed when one is open):\n"
    "  modules                       the open modules and their state\n"
    "  module show [NAME]            its text\n"
    "  module text [NAME]            then its new lines, ended by a line \".\"\n"
    "  module save [NAME]            write its text into its property\n"
    "  module close [NAME]           close it (a modified one asks first)\n"
    "anywhere: hold alt|shift|ctrl, release alt|shift|ctrl, shell ok|fail, help,\n"
    "  quit                          end the input here\n";

std::vector<std::string> Words(const std::string& Line) {
  std::istringstream In(Line);
  std::vector<std::string> Result;
  for (std::string Word; In >> Word;) Result.push_back(Word);
  return Result;
}

std::vector<std::string> TextLines(const std::string& Text) {
  TStringList Lines;
  Lines.SetText(Text);
  std::vector<std::string> Result;
  for (int I = 0; I < Lines.Count(); ++I) Result.push_back(Lines.Strings(I));
  return Result;
}

std::string State(vn_ide::TCodeEditorModule& Module) {
  std::string Result = Module.GetModified() ? "modified" : "saved";
  if (vn_ide::IDEServices().Front() == &Module) Result += ", front";
  if (Module.GetModuleFileCount() == 0) Result += ", no file editor";
  if (const vn_ide::TStringsEntry* Entry = Module.StringsEntry(); Entry != nullptr && Entry->Component() != nullptr)
    Result += ", " + Entry->Component()->Name() + "." + Entry->PropName();
  return Result + ", " + IntToStr(static_cast<std::int64_t>(TextLines(Module.Text()).size())) + " lines";
}

}  // namespace

void TModuleCommands::Run() {
  // Tab offers the code editor's commands and its modules' names here.
  FDriver.SetHostCompletions([](const std::vector<std::string>& Typed) -> std::vector<std::string> {
    if (Typed.empty()) return {"modules", "module"};
    if (!SameText(Typed[0], "module")) return {};
    if (Typed.size() == 1) return {"show", "text", "save", "close"};
    std::vector<std::string> Names;
    if (Typed.size() == 2)
      for (const auto& Module : vn_ide::IDEServices().Modules())
        if (!Module->FileName().empty()) Names.push_back(Module->FileName());
    return Names;
  });
  struct TCleared {
    vn_vcl::TScriptedDriver& Driver;
    ~TCleared() { Driver.SetHostCompletions(nullptr); }
  } Cleared{FDriver};
  std::string Line;
  while (!vn_ide::IDEServices().Modules().empty() && FDriver.ReadCommand(Line, "code editor")) {
    if (SameText(Trim(Line), "help")) {
      FOut << HelpText;
      continue;
    }
    if (FDriver.ExecuteGlobal(Line)) continue;
    if (!Execute(Line)) {
      ++FErrorCount;
      FOut << "error: " << Trim(Line) << " is no code-editor command (" << Usage << ")\n";
    }
  }
  if (vn_ide::IDEServices().Modules().empty()) return;
  FOut << "(end of input)\n";
  for (const auto& Module : vn_ide::IDEServices().Modules())
    if (Module->GetModified()) FOut << "[Code editor] " << Module->DisplayName() << " not saved: its changes are lost\n";
  vn_ide::IDEServices().DiscardAll();
}

bool TModuleCommands::Execute(const std::string& Line) {
  const std::vector<std::string> Args = Words(Line);
  if (Args.empty()) return false;
  const bool IsModules = SameText(Args[0], "modules");
  if (!IsModules && !SameText(Args[0], "module")) return false;
  try {
    if (IsModules) {
      if (Args.size() != 1) throw EModuleCommandError("modules takes nothing");
      const auto& Modules = vn_ide::IDEServices().Modules();
      FOut << "code editor: " << Modules.size() << (Modules.size() == 1 ? " module\n" : " modules\n");
      for (std::size_t I = 0; I < Modules.size(); ++I)
        FOut << "  #" << I << ' ' << Modules[I]->DisplayName() << " (" << State(*Modules[I]) << ")\n";
      return true;
    }
    if (Args.size() < 2 || Args.size() > 3) throw EModuleCommandError(std::string("usage: ") + Usage);
    const std::string& Verb = Args[1];
    vn_ide::TCodeEditorModule& Module = Named(Args.size() == 3 ? Args[2] : "");
    if (SameText(Verb, "show")) {
      FOut << "module " << Module.DisplayName() << " (" << State(Module) << ")\n";
      for (const std::string& Text : TextLines(Module.Text())) FOut << "  | " << Text << '\n';
    } else if (SameText(Verb, "text")) {
      ReplaceText(Module);
    } else if (SameText(Verb, "save")) {
      Module.Save();
    } else if (SameText(Verb, "close")) {
      if (!Module.Close()) FOut << "[Code editor] " << Module.DisplayName() << " stays open\n";
    } else {
      throw EModuleCommandError("module " + Verb + ": unknown; " + Usage);
    }
  } catch (const EModuleCommandError& E) {
    ++FErrorCount;
    FLastError = E.Message();
    FOut << "error: " << E.Message() << '\n';
  } catch (const Exception& E) {
    // The host reports its own errors; the module stays as it was.
    ++FErrorCount;
    FLastError = E.Message();
    FOut << "[Exception] " << E.ClassName() << ": " << E.Message() << '\n';
  }
  return true;
}

vn_ide::TCodeEditorModule& TModuleCommands::Named(const std::string& Name) const {
  vn_ide::TIDEServices& Services = vn_ide::IDEServices();
  const auto& Modules = Services.Modules();
  std::string Open;
  for (const auto& M : Modules) Open += (Open.empty() ? "" : ", ") + M->DisplayName();
  if (Name.empty()) {
    if (Modules.size() == 1) return *Modules.front();
    throw EModuleCommandError("name the module: " + Open);
  }
  if (Name.starts_with('#')) {
    int Index = -1;
    if (TryStrToInt(Name.substr(1), Index) && Index >= 0 && Index < static_cast<int>(Modules.size()))
      return *Modules[static_cast<std::size_t>(Index)];
  } else if (auto Found = Services.Find(Name)) {
    return *Found;
  }
  throw EModuleCommandError("no module " + Name + " is open (open: " + Open + ")");
}

void TModuleCommands::ReplaceText(vn_ide::TCodeEditorModule& Module) {
  std::string Text, Line;
  bool Closed = false;
  while (FDriver.ReadTextLine(Line, Module.DisplayName() + "| ")) {
    if (Line == ".") {
      Closed = true;
      break;
    }
    Text += (Line.starts_with("..") ? Line.substr(1) : Line) + std::string(sLineBreak);
  }
  // Half a text is not what the person meant: the module keeps its own.
  if (!Closed) throw EModuleCommandError("module text: the lines end without a line \".\"; the text is unchanged");
  Module.Edit(std::move(Text));
}

TModuleTranscript::TModuleTranscript(std::ostream& Out) {
  vn_ide::IDEServices().SetEventHandler([&Out](vn_ide::TCodeEditorModule& Module, vn_ide::TModuleEvent Event) {
    static constexpr const char* Texts[] = {"opened", "shown", "modified", "saved", "closed"};
    Out << "[Code editor] " << Module.DisplayName() << ' ' << Texts[Event];
    if (Event == vn_ide::meSaved)
      if (const vn_ide::TStringsEntry* Entry = Module.StringsEntry(); Entry != nullptr)
        Out << " into " << Entry->Component()->Name() << '.' << Entry->PropName();
    Out << '\n';
  });
}

TModuleTranscript::~TModuleTranscript() { vn_ide::IDEServices().SetEventHandler(nullptr); }

}  // namespace vnide
