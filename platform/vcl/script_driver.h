// The scripted driver: a person's actions as commands, one a line, naming
// controls by their component names (docs/vnide-driver.md). The terminal
// driver (terminal_driver.h) reads the same commands from a person.
#pragma once

#include <functional>
#include <istream>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "ui_driver.h"

namespace vn_vcl {

class TScriptedDriver : public TUserInterfaceDriver {
 public:
  // Reads commands from In and writes what a person would see to Out.
  TScriptedDriver(std::istream& In, std::ostream& Out);

  void FormShown(TCustomForm& Form) override;
  void FormClosed(TCustomForm& Form, TModalResult Result) override;
  bool HandleMessage(TCustomForm& Form) override;
  int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) override;
  TMenuItem* TrackPopupMenu(TPopupMenu& Menu) override;
  bool IsKeyDown(int VirtualKey) override;
  bool ShellExecute(const std::string& Verb, const std::string& File) override;
  void ShowException(const std::string& ClassName, const std::string& Message) override;
  // Shows the dialog's title, file name and filter, then takes `file <name>`,
  // `key esc` (cancel) or `show`.
  bool FileDialog(TOpenDialog& Dialog, std::string& FileName) override;

  // The next command: blank lines and lines starting with "#" are skipped.
  // False once the input has ended. Context names what waits for the command
  // (a form's name, "message", "menu"), for a prompt.
  bool ReadCommand(std::string& Line, const std::string& Context);
  // Gives a line back: the next ReadCommand returns it.
  void Unread(std::string Line);
  bool Ended() const noexcept { return FEnded; }
  // Runs a command that needs no form (hold, release, shell, help); false
  // when Line is no such command.
  bool ExecuteGlobal(const std::string& Line);
  // The next line of text as it stands (blank lines and "#" kept, not echoed),
  // for a host that takes lines as memo does; false at the end of the input.
  bool ReadTextLine(std::string& Line, const std::string& Prompt) { return ReadRawLine(Line, Prompt, lkText); }

  // Commands the host runs itself where no form waits (the code editor's):
  // what Tab offers after the words typed so far; null for none. The host
  // answers help there too.
  using THostCompletions = std::function<std::vector<std::string>(const std::vector<std::string>& Words)>;
  void SetHostCompletions(THostCompletions Completions) { FHostCompletions = std::move(Completions); }
  const THostCompletions& HostCompletions() const noexcept { return FHostCompletions; }

  // Writes each command read, after "> ", for transcripts.
  void SetEcho(bool Value) noexcept { FEcho = Value; }
  void SetKeyDown(int VirtualKey, bool Down);
  // Whether addresses open (the shell command sets it).
  void SetShellWorks(bool Value) noexcept { FShellWorks = Value; }
  // Commands that could not run as written and exceptions shown so far: a
  // script that hit any did not do what its author meant.
  std::size_t ErrorCount() const noexcept { return FErrorCount; }

 protected:
  enum TLineKind { lkCommand, lkText };
  // Reads the next line of input into Line; false at its end. Prompt is what
  // a person would be shown; lkText lines are a memo's text, not commands.
  virtual bool ReadLine(std::string& Line, const std::string& Prompt, TLineKind Kind);
  std::ostream& Out() noexcept { return FOut; }
  // Called by ShellExecute, after the transcript names the address and only
  // while the shell works: really open File with Verb, true when that started.
  // A script only pretends (true).
  virtual bool OpenAddress(const std::string& Verb, const std::string& File);
  // Whether memo checks its memo before reading the lines (a person at a
  // terminal) or after (a script, which must stay in step).
  void SetMemoCheckedFirst(bool Value) noexcept { FMemoCheckedFirst = Value; }

 private:
  void Execute(TCustomForm& Form, const std::string& Line);
  bool ReadRawLine(std::string& Line, const std::string& Prompt, TLineKind Kind);
  void ReportError(const std::string& Message);

  std::istream& FIn;
  std::ostream& FOut;
  std::vector<std::string> FPending;
  std::set<int> FKeysDown;
  bool FEnded = false;
  bool FEcho = false;
  bool FShellWorks = true;
  bool FMemoCheckedFirst = false;
  THostCompletions FHostCompletions;
  std::size_t FErrorCount = 0;
};

}  // namespace vn_vcl
