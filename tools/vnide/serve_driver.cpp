#include "serve_driver.h"

#include <algorithm>

#include "code_editor.h"
#include "dialog_texts.h"
#include "form_view.h"
#include "serve_layout.h"

namespace vnide {

std::string TTranscriptBuffer::FirstSince(std::size_t Mark, const std::vector<std::string>& Prefixes) const {
  const std::size_t Since = std::min(FTotal - std::min(Mark, FTotal), FLines.size());
  for (std::size_t I = FLines.size() - Since; I < FLines.size(); ++I)
    for (const std::string& Prefix : Prefixes)
      if (FLines[I].starts_with(Prefix)) return FLines[I];
  return "";
}

TTranscriptBuffer::int_type TTranscriptBuffer::overflow(int_type Char) {
  if (traits_type::eq_int_type(Char, traits_type::eof())) return traits_type::not_eof(Char);
  const char C = traits_type::to_char_type(Char);
  if (C != '\n') {
    FPartial += C;
    return Char;
  }
  FLines.push_back(std::move(FPartial));
  FPartial.clear();
  if (FLines.size() > FMaxLines) FLines.pop_front();
  ++FTotal;
  return Char;
}

// An entry of the stack of open dialogs for the duration of a driver call;
// what was opened above it is gone when it closes.
class TWebDriver::TOpenScope {
 public:
  TOpenScope(TWebDriver& Driver, TOpen Open) : FDriver(Driver), FIndex(Driver.FOpen.size()) {
    FDriver.FOpen.push_back(std::move(Open));
  }
  ~TOpenScope() { FDriver.FOpen.erase(FDriver.FOpen.begin() + static_cast<std::ptrdiff_t>(FIndex), FDriver.FOpen.end()); }
  TOpenScope(const TOpenScope&) = delete;
  TOpenScope& operator=(const TOpenScope&) = delete;

 private:
  TWebDriver& FDriver;
  std::size_t FIndex;
};

TWebDriver::TWebDriver(TServeChannel& Channel) : TScriptedDriver(FNoInput, FTranscript), FChannel(Channel) {
  SetEcho(true);  // the page's transcript shows each dialog command before what it did
}

std::shared_ptr<TServeAction> TWebDriver::NextFormAction() { return Wait(false); }

void TWebDriver::Fail(const std::string& Message) {
  if (FFailure.empty()) FFailure = Message;
  FTranscript << "error: " << Message << '\n';
}

void TWebDriver::HoldForClick(int VirtualKey) {
  SetKeyDown(VirtualKey, true);
  FClickKeys.push_back(VirtualKey);
}

std::shared_ptr<TServeAction> TWebDriver::Wait(bool InDialog) {
  // The person let go of the keys held for the click that led here.
  for (const int Key : FClickKeys) SetKeyDown(Key, false);
  FClickKeys.clear();
  // Waiting on the form, no dialog is open (a form whose closing raised
  // never reported that it closed).
  if (!InDialog) FOpen.clear();
  try {
    FChannel.Publish(FStateOf ? FStateOf() : TJson::object());
  } catch (const std::exception& E) {
    // A dialog the page cannot be shown is closed as cancelled (no further
    // input), so that the page never waits on a dialog it does not see.
    if (!InDialog) throw;
    Fail(std::string("the dialog could not be shown and was closed as cancelled: ") + E.what());
    AnswerCurrent();
    return nullptr;
  }
  AnswerCurrent();
  std::shared_ptr<TServeAction> Action;
  while (FChannel.NextWithin(std::chrono::seconds(1), Action)) {
    if (Action == nullptr) {
      try {
        if (!InDialog && FOutsideChange && FOutsideChange() && FStateOf) FChannel.Publish(FStateOf());
      } catch (const std::exception& E) {
        FTranscript << "error: " << E.what() << '\n';
      }
      continue;
    }
    if (Action->Request["op"] == "picture") {
      AnswerPicture(*Action);
      continue;
    }
    if (IsDialogOp(Action->Request) == InDialog) {
      Begin(std::move(Action));
      return FCurrent;
    }
    FChannel.Answer(*Action, 409,
                    {{"ok", false},
                     {"error", InDialog ? "a dialog is open: answer it first (ops dialog and memo)"
                                        : "no dialog is open"}});
  }
  return nullptr;
}

// A picture changes nothing: it is drawn wherever the design thread waits.
void TWebDriver::AnswerPicture(TServeAction& Action) {
  const auto Form = std::find_if(FOpen.rbegin(), FOpen.rend(), [](const TOpen& O) { return O.Kind == okForm; });
  try {
    Action.Picture = FPictureOf ? FPictureOf(Form == FOpen.rend() ? nullptr : Form->Form) : std::string();
    FChannel.Answer(Action, 200, {{"ok", true}});
  } catch (const Exception& E) {
    FChannel.Answer(Action, 500, {{"ok", false}, {"error", E.Message()}});
  } catch (const std::exception& E) {
    FChannel.Answer(Action, 500, {{"ok", false}, {"error", E.what()}});
  }
}

void TWebDriver::Begin(std::shared_ptr<TServeAction> Action) {
  FCurrent = std::move(Action);
  FExtra = TJson::object();
  FFailure.clear();
  FErrorMark = ErrorCount();
  FLineMark = FTranscriptBuffer.Total();
}

void TWebDriver::AnswerCurrent() {
  if (FCurrent == nullptr) return;
  std::string Error = FFailure;
  if (Error.empty() && ErrorCount() > FErrorMark) {
    Error = FTranscriptBuffer.FirstSince(FLineMark, {"error: ", "[Exception] "});
    if (Error.starts_with("error: ")) Error.erase(0, 7);
    if (Error.empty()) Error = "the command could not be carried out (see the transcript)";
  }
  TJson Answer = {{"ok", Error.empty()}};
  if (!Error.empty()) Answer["error"] = Error;
  for (auto& [Key, Value] : FExtra.items()) Answer[Key] = std::move(Value);
  FChannel.Answer(*FCurrent, 200, std::move(Answer));
  FCurrent.reset();
  FExtra = TJson::object();
  FFailure.clear();
}

namespace {

// A control's name as the script reader takes it: quoted when it has blanks.
std::string ScriptWord(const std::string& Word) {
  if (Word.find_first_of(" \t\"") == std::string::npos && !Word.empty()) return Word;
  std::string Quoted = "\"";
  for (const char C : Word) {
    if (C == '"' || C == '\\') Quoted += '\\';
    Quoted += C;
  }
  return Quoted + '"';
}

// Dialog commands the page must not send as one line: those that read lines
// of text after them (the memo op sends those), and quit, which would end
// the server's input for good.
std::string RefusedDialogCommand(const std::string& Command) {
  std::vector<std::string> Words;
  for (std::size_t I = 0; I < Command.size();) {
    while (I < Command.size() && (Command[I] == ' ' || Command[I] == '\t')) ++I;
    const std::size_t Start = I;
    while (I < Command.size() && Command[I] != ' ' && Command[I] != '\t') ++I;
    if (I > Start) Words.push_back(Command.substr(Start, I - Start));
  }
  if (Words.empty()) return "the command is empty";
  if (Command.find_first_of("\r\n") != std::string::npos) return "a dialog command is one line";
  if (SameText(Words[0], "memo") || (SameText(Words[0], "module") && Words.size() > 1 && SameText(Words[1], "text")))
    return Words[0] + " takes lines of text: use the memo op";
  if (SameText(Words[0], "quit")) return "quit would end the server's input: close the dialog instead";
  return "";
}

}  // namespace

bool TWebDriver::ReadLine(std::string& Line, const std::string&, TLineKind) {
  if (!FLines.empty()) {
    Line = std::move(FLines.front());
    FLines.pop_front();
    return true;
  }
  while (const std::shared_ptr<TServeAction> Action = Wait(true)) {
    const TJson& Request = Action->Request;
    if (Request["op"] == "dialog") {
      const std::string& Command = Request["command"].get_ref<const std::string&>();
      if (const std::string Refused = RefusedDialogCommand(Command); !Refused.empty()) {
        Fail(Refused);
        continue;
      }
      Line = Command;
      return true;
    }
    // memo: the lines follow the command, up to one holding only ".".
    if (!FOpen.empty() && FOpen.back().Kind != okForm) {
      Fail("a message, menu or file dialog is open: answer it first");
      continue;
    }
    const bool OnForm = std::any_of(FOpen.begin(), FOpen.end(), [](const TOpen& O) { return O.Kind == okForm; });
    Line = (OnForm ? "memo " : "module text ") + ScriptWord(Request["control"].get<std::string>());
    QueueTextLines(Request["lines"]);
    return true;
  }
  return false;
}

void TWebDriver::QueueTextLines(const TJson& Lines) {
  for (const TJson& Text : Lines) {
    const std::string& L = Text.get_ref<const std::string&>();
    FLines.push_back(L.starts_with('.') ? "." + L : L);
  }
  FLines.emplace_back(".");
}

void TWebDriver::FormShown(TCustomForm& Form) {
  TOpen Open(okForm);
  Open.Form = &Form;
  FOpen.push_back(std::move(Open));
  TScriptedDriver::FormShown(Form);
}

bool TWebDriver::HandleMessage(TCustomForm& Form) {
  // Form acts again: whatever was opened above it has closed, reported or not.
  const auto Found = std::find_if(FOpen.rbegin(), FOpen.rend(),
                                  [&](const TOpen& O) { return O.Kind == okForm && O.Form == &Form; });
  if (Found != FOpen.rend()) FOpen.erase(Found.base(), FOpen.end());
  return TScriptedDriver::HandleMessage(Form);
}

void TWebDriver::FormClosed(TCustomForm& Form, TModalResult Result) {
  const auto Found = std::find_if(FOpen.rbegin(), FOpen.rend(),
                                  [&](const TOpen& O) { return O.Kind == okForm && O.Form == &Form; });
  if (Found != FOpen.rend()) FOpen.erase(std::next(Found).base());
  TScriptedDriver::FormClosed(Form, Result);
}

int TWebDriver::MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
  TOpen Open(okMessage);
  Open.Text = Msg;
  Open.MessageType = DlgType;
  Open.Buttons = Buttons;
  TOpenScope Scope(*this, std::move(Open));
  return TScriptedDriver::MessageDlg(Msg, DlgType, Buttons, HelpCtx);
}

TMenuItem* TWebDriver::TrackPopupMenu(TPopupMenu& Menu) {
  TOpen Open(okMenu);
  Open.Menu = &Menu;
  TOpenScope Scope(*this, std::move(Open));
  return TScriptedDriver::TrackPopupMenu(Menu);
}

bool TWebDriver::FileDialog(TOpenDialog& Dialog, std::string& FileName) {
  TOpen Open(okFile);
  Open.Dialog = &Dialog;
  Open.FileName = &FileName;
  TOpenScope Scope(*this, std::move(Open));
  return TScriptedDriver::FileDialog(Dialog, FileName);
}

TJson TWebDriver::OpenJson(const TOpen& Open) const {
  switch (Open.Kind) {
    case okForm:
      return {{"kind", "form"},
              {"name", Open.Form->Name()},
              {"caption", Open.Form->Caption()},
              {"layout", FormLayoutJson(*Open.Form)},
              {"show", vn_vcl::DescribeForm(*Open.Form)}};
    case okMessage: {
      TJson Buttons = TJson::array();
      for (int B = mbYes; B <= mbClose; ++B)
        if (Open.Buttons.Contains(static_cast<TMsgDlgBtn>(B)))
          Buttons.push_back(vn_vcl::MsgDlgBtnName(static_cast<TMsgDlgBtn>(B)));
      return {{"kind", "message"},
              {"type", vn_vcl::MsgDlgTypeName(Open.MessageType)},
              {"text", Open.Text},
              {"buttons", Buttons}};
    }
    case okMenu: {
      TJson Items = TJson::array();
      const TMenuItem& Root = Open.Menu->Items();
      for (int I = 0; I < Root.Count(); ++I) {
        const TMenuItem& Item = *Root.Items(I);
        if (!Item.Visible()) continue;
        Items.push_back({{"name", Item.Name()},
                         {"caption", Item.Caption()},
                         {"enabled", Item.Enabled()},
                         {"checked", Item.Checked()},
                         {"separator", Item.IsLine()}});
      }
      return {{"kind", "menu"}, {"name", Open.Menu->Name()}, {"items", Items}};
    }
    case okFile:
      return {{"kind", "file"},
              {"title", Open.Dialog->Title().empty() ? std::string("Open") : Open.Dialog->Title()},
              {"fileName", *Open.FileName},
              {"filter", Open.Dialog->Filter()}};
  }
  return nullptr;
}

TJson TWebDriver::Modal() const {
  // The code editor's modules are no dialog: they stay open between actions
  // and the state lists them apart.
  if (FOpen.empty()) return nullptr;
  TJson Innermost = OpenJson(FOpen.back());
  if (FOpen.back().Kind != okForm)
    for (auto Open = FOpen.rbegin(); Open != FOpen.rend(); ++Open)
      if (Open->Kind == okForm) {
        Innermost["under"] = FormLayoutJson(*Open->Form);
        break;
      }
  return Innermost;
}

}  // namespace vnide
