// The terminal driver: the scripted driver's commands typed by a person.
#pragma once

#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "script_driver.h"

namespace vn_vcl {

class TLineEditor;

// A prompt before each command (naming what waits: the form, "message",
// "menu", or the memo being typed), the form shown when it opens, and after
// each command on a form one line saying what changed. At a terminal, lines
// are edited with GNU readline: history, Tab completion of commands, control
// names and items, Alt+letter for the letters that captions mark with "&".
class TTerminalDriver : public TScriptedDriver {
 public:
  // Plain lines from In; prompts and summaries go to Screen, the rest to Out.
  TTerminalDriver(std::istream& In, std::ostream& Out, std::ostream& Screen);
  TTerminalDriver(std::istream& In, std::ostream& Out) : TTerminalDriver(In, Out, Out) {}
  // A person at the controlling terminal, which standard input is: readline
  // reads there and prompts and summaries go there. What the driver shows
  // goes to Out, which writes to the file descriptor OutFd, and to the
  // terminal as well when OutFd is no terminal, so the person still sees it.
  static std::unique_ptr<TTerminalDriver> AtTerminal(std::ostream& Out, int OutFd);
  ~TTerminalDriver() override;

  void FormShown(TCustomForm& Form) override;
  bool HandleMessage(TCustomForm& Form) override;
  int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) override;
  TMenuItem* TrackPopupMenu(TPopupMenu& Menu) override;
  // Tab offers file, key and show, and after file the names in the folder.
  bool FileDialog(TOpenDialog& Dialog, std::string& FileName) override;

  // What Tab offers for Word, typed after Before, where the person is now:
  // commands, then the names of the controls a command can act on, then
  // items, pages, buttons, keys. Without regard to case; a candidate with
  // blanks comes in quotes unless Word already follows one (InQuotes).
  std::vector<std::string> Completions(const std::string& Before, const std::string& Word, bool InQuotes) const;
  // Whether Alt+Key does something where the person is now.
  bool TakesAccelerator(std::string_view Key) const;
  // The program that opens addresses for the person: "xdg-open" unless set.
  void SetOpener(std::string Program) { FOpener = std::move(Program); }

 protected:
  bool ReadLine(std::string& Line, const std::string& Prompt, TLineKind Kind) override;
  // Opens the address with the desktop's opener (verb "open" only).
  bool OpenAddress(const std::string& Verb, const std::string& File) override;

 private:
  struct TTerminalIo;
  // Where the person is: a form, a message on it, a menu on it.
  struct TPlace {
    TCustomForm* Form = nullptr;
    const TPopupMenu* Menu = nullptr;
    bool Message = false;
    TMsgDlgButtons Buttons;
    bool FileDialog = false;
  };
  class TPlaceScope;

  explicit TTerminalDriver(std::unique_ptr<TTerminalIo> Io);
  std::vector<std::string> Candidates(const std::vector<std::string>& Words) const;

  std::ostream& FScreen;
  std::unique_ptr<TTerminalIo> FIo;
  std::unique_ptr<TLineEditor> FEditor;
  TPlace FPlace;
  std::string FOpener = "xdg-open";
};

// What a person sees change on a form, control by control.
struct TFormSnapshot {
  struct TControlState {
    std::string Name;
    std::string Shown;  // its text, selection, check or page, in short
    std::string Value;  // all of that state, to compare
    bool Enabled;
    bool Visible;
  };
  std::vector<TControlState> Controls;
  std::string Focused;
};
TFormSnapshot TakeSnapshot(const TCustomForm& Form);
// "changed: cbName "orders"; btOk enabled; focus cbName", or "" when nothing
// changed. Controls that came or went with a page say nothing of their own.
std::string SummarizeChange(const TFormSnapshot& Before, const TFormSnapshot& After);

}  // namespace vn_vcl
