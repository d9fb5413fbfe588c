// vnide serve: the browser as a user-interface driver. The design thread asks
// it for the person's next action; it publishes the state, answers the action
// that led here, and waits for the next one from the page. Dialog commands
// reach the package's dialogs through the scripted driver's reader, so the
// browser hands them the same commands as a script (docs/vnide-driver.md).
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "script_driver.h"
#include "serve_channel.h"

namespace vnide {

// The last lines written to it, as the page shows them.
class TTranscriptBuffer : public std::streambuf {
 public:
  explicit TTranscriptBuffer(std::size_t MaxLines) : FMaxLines(MaxLines) {}
  const std::deque<std::string>& Lines() const noexcept { return FLines; }
  // How many lines were completed so far (kept or not).
  std::size_t Total() const noexcept { return FTotal; }
  // The first line after Mark (a Total() taken earlier) that starts with one
  // of Prefixes, or "".
  std::string FirstSince(std::size_t Mark, const std::vector<std::string>& Prefixes) const;

 protected:
  int_type overflow(int_type Char) override;

 private:
  std::size_t FMaxLines;
  std::deque<std::string> FLines;
  std::string FPartial;
  std::size_t FTotal = 0;
};

// The driver's streams, made before the driver that writes to them.
struct TWebDriverStreams {
  TTranscriptBuffer FTranscriptBuffer{200};
  std::ostream FTranscript{&FTranscriptBuffer};
  std::istringstream FNoInput;
};

class TWebDriver : private TWebDriverStreams, public vn_vcl::TScriptedDriver {
 public:
  explicit TWebDriver(TServeChannel& Channel);
  // StateOf builds the state the page sees (on the design thread); the
  // driver's own part of it is Modal().
  void SetStateOf(std::function<TJson()> StateOf) { FStateOf = std::move(StateOf); }
  // PictureOf draws the innermost open modal form, or the designed form when
  // it gets null, as PNG (on the design thread, wherever it waits).
  void SetPictureOf(std::function<std::string(const TCustomForm*)> PictureOf) { FPictureOf = std::move(PictureOf); }
  // Asked about once a second while the design thread waits for the person:
  // true when something outside changed what the page shows (a form file
  // changed on disk), which publishes the state anew.
  void SetOutsideChange(std::function<bool()> Changed) { FOutsideChange = std::move(Changed); }
  // What the driver writes, and what the sessions write, for the page.
  std::ostream& Transcript() noexcept { return FTranscript; }

  // The next action on the form (never a dialog op: those are refused with
  // 409 while no dialog is open), after the state was published and the
  // previous action answered; null once the channel closed.
  std::shared_ptr<TServeAction> NextFormAction();
  // The action being carried out fails with Message (also written to the
  // transcript as "error: ...").
  void Fail(const std::string& Message);
  // What the action's answer carries besides ok, error and state.
  TJson& Extra() noexcept { return FExtra; }
  // Holds Key for the click that follows: released when the design thread
  // next waits for the person.
  void HoldForClick(int VirtualKey);
  // Lines of text the next command reads (a module's new text, say), ended by
  // a line "." and with lines that start with "." escaped as the driver reads them.
  void QueueTextLines(const TJson& Lines);

  // The innermost dialog the design thread waits in, as the page reads it
  // (docs/vnide-serve.md), or null.
  TJson Modal() const;
  const std::deque<std::string>& TranscriptLines() const noexcept { return FTranscriptBuffer.Lines(); }

  void FormShown(TCustomForm& Form) override;
  void FormClosed(TCustomForm& Form, TModalResult Result) override;
  bool HandleMessage(TCustomForm& Form) override;
  int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) override;
  TMenuItem* TrackPopupMenu(TPopupMenu& Menu) override;
  bool FileDialog(TOpenDialog& Dialog, std::string& FileName) override;

 protected:
  // The dialog's next line: a line of a memo op given earlier, else the next
  // dialog or memo op from the page (others are refused with 409). False
  // once the channel closed: what is open then closes as cancelled.
  bool ReadLine(std::string& Line, const std::string& Prompt, TLineKind Kind) override;

 private:
  enum TOpenKind { okForm, okMessage, okMenu, okFile };
  struct TOpen {
    explicit TOpen(TOpenKind AKind) : Kind(AKind) {}
    TOpenKind Kind;
    TCustomForm* Form = nullptr;
    std::string Text;
    TMsgDlgType MessageType = mtCustom;
    TMsgDlgButtons Buttons;
    TPopupMenu* Menu = nullptr;
    TOpenDialog* Dialog = nullptr;
    const std::string* FileName = nullptr;
  };
  // Publishes the state, answers the current action, and takes the next one
  // that fits where the design thread waits.
  std::shared_ptr<TServeAction> Wait(bool InDialog);
  void AnswerCurrent();
  void Begin(std::shared_ptr<TServeAction> Action);
  TJson OpenJson(const TOpen& Open) const;
  void AnswerPicture(TServeAction& Action);

  class TOpenScope;

  TServeChannel& FChannel;
  std::function<TJson()> FStateOf;
  std::function<std::string(const TCustomForm*)> FPictureOf;
  std::function<bool()> FOutsideChange;
  std::vector<TOpen> FOpen;
  std::deque<std::string> FLines;  // a memo op's lines still to read
  std::vector<int> FClickKeys;
  std::shared_ptr<TServeAction> FCurrent;
  TJson FExtra = TJson::object();
  std::string FFailure;
  std::size_t FErrorMark = 0;
  std::size_t FLineMark = 0;
};

}  // namespace vnide
