#include "terminal_driver.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <iostream>
#include <streambuf>
#include <unordered_map>
#include <unordered_set>

#include "accelerators.h"
#include "desktop_opener.h"
#include "dialog_texts.h"
#include "form_view.h"
#include "vcl/ComCtrls.h"
#include "vcl/ExtCtrls.h"
#include "vcl/StdCtrls.h"
#include "line_editor.h"
#include "rtl/SysUtils.h"

namespace vn_vcl {

namespace {

// Writes to a C stream, the one readline writes its prompts to.
class TFileBuf : public std::streambuf {
 public:
  explicit TFileBuf(std::FILE* File) : FFile(File) {}

 protected:
  int_type overflow(int_type C) override {
    if (traits_type::eq_int_type(C, traits_type::eof())) return traits_type::not_eof(C);
    return std::fputc(C, FFile) == EOF ? traits_type::eof() : C;
  }
  std::streamsize xsputn(const char* S, std::streamsize N) override {
    return static_cast<std::streamsize>(std::fwrite(S, 1, static_cast<std::size_t>(N), FFile));
  }
  int sync() override { return std::fflush(FFile) == 0 ? 0 : -1; }

 private:
  std::FILE* FFile;
};

// Writes to two places at once.
class TTeeBuf : public std::streambuf {
 public:
  TTeeBuf(std::streambuf& A, std::streambuf& B) : FA(A), FB(B) {}

 protected:
  int_type overflow(int_type C) override {
    if (traits_type::eq_int_type(C, traits_type::eof())) return traits_type::not_eof(C);
    const char Ch = traits_type::to_char_type(C);
    const bool Ok = !traits_type::eq_int_type(FA.sputc(Ch), traits_type::eof()) &&
                    !traits_type::eq_int_type(FB.sputc(Ch), traits_type::eof());
    return Ok ? C : traits_type::eof();
  }
  std::streamsize xsputn(const char* S, std::streamsize N) override { return std::min(FA.sputn(S, N), FB.sputn(S, N)); }
  int sync() override { return FA.pubsync() == 0 && FB.pubsync() == 0 ? 0 : -1; }

 private:
  std::streambuf& FA;
  std::streambuf& FB;
};

struct TFileCloser {
  void operator()(std::FILE* File) const noexcept { std::fclose(File); }
};
using TFilePtr = std::unique_ptr<std::FILE, TFileCloser>;

const std::vector<std::string> FormCommands = {"show",  "type", "click", "select", "deselect", "popup", "page",
                                               "radio", "check", "uncheck", "memo", "key",      "alt",   "close"};
const std::vector<std::string> GlobalCommands = {"hold", "release", "shell", "help", "quit"};
const std::vector<std::string> MessageCommands = {"answer", "key", "show"};
const std::vector<std::string> MenuCommands = {"click", "alt", "key", "show"};
const std::vector<std::string> FileDialogCommands = {"file", "key", "show"};

// The words before the one being completed: blanks separate them, double
// quotes hold blanks, as the command reader has it; an open quote runs on.
std::vector<std::string> SplitWords(const std::string& Line) {
  std::vector<std::string> Words;
  std::size_t I = 0;
  while (true) {
    while (I < Line.size() && (Line[I] == ' ' || Line[I] == '\t')) ++I;
    if (I >= Line.size()) return Words;
    std::string Word;
    if (Line[I] == '"') {
      for (++I; I < Line.size() && Line[I] != '"'; ++I) {
        if (Line[I] == '\\' && I + 1 < Line.size()) ++I;
        Word += Line[I];
      }
      ++I;
    } else {
      while (I < Line.size() && Line[I] != ' ' && Line[I] != '\t') Word += Line[I++];
    }
    Words.push_back(std::move(Word));
  }
}

// A candidate as it must be typed: in quotes when it holds blanks or quotes,
// with \" and \\ inside them.
std::string Escaped(const std::string& Text) {
  std::string Result;
  for (char C : Text) {
    if (C == '"' || C == '\\') Result += '\\';
    Result += C;
  }
  return Result;
}

std::string AsTyped(const std::string& Text) {
  const bool Plain = !Text.empty() && Text.find_first_of(" \t\"\\") == std::string::npos && Text[0] != '#';
  return Plain ? Text : "\"" + Escaped(Text) + "\"";
}

bool Reachable(const TControl& Control) { return Control.Showing() && Control.EnabledInTree(); }

TControl* ControlNamed(const TCustomForm& Form, const std::string& Name) {
  return dynamic_cast<TControl*>(Form.FindComponent(Name));
}

void AddItems(const TStrings& Items, std::vector<std::string>& Out) {
  for (int I = 0; I < Items.Count(); ++I) Out.push_back(Items.Strings(I));
}

void AddMenuItems(const TMenuItem& Parent, std::vector<std::string>& Out) {
  for (int I = 0; I < Parent.Count(); ++I) {
    const TMenuItem& Item = *Parent.Items(I);
    if (!Item.Visible() || Item.IsLine()) continue;
    if (Item.Enabled()) Out.push_back(Item.Name());
    AddMenuItems(Item, Out);
  }
}

// The controls that Command acts on, as its first argument takes them.
std::function<bool(const TControl&)> TargetsOf(const std::string& Command) {
  if (Command == "type")
    return [](const TControl& C) {
      const auto* Combo = dynamic_cast<const TComboBox*>(&C);
      return C.InheritsFrom<TEdit>() || (Combo != nullptr && Combo->Style() != csDropDownList);
    };
  if (Command == "click") return [](const TControl&) { return true; };
  if (Command == "select")
    return [](const TControl& C) {
      return C.InheritsFrom<TListBox>() || C.InheritsFrom<TComboBox>() || C.InheritsFrom<TRadioGroup>();
    };
  if (Command == "deselect") return [](const TControl& C) { return C.InheritsFrom<TListBox>(); };
  if (Command == "popup")
    return [](const TControl& C) {
      for (const TControl* P = &C; P != nullptr; P = P->Parent())
        if (P->PopupMenu() != nullptr && P->PopupMenu()->AutoPopup()) return true;
      return false;
    };
  if (Command == "page") return [](const TControl& C) { return C.InheritsFrom<TPageControl>(); };
  if (Command == "radio") return [](const TControl& C) { return C.InheritsFrom<TRadioGroup>(); };
  if (Command == "check" || Command == "uncheck") return [](const TControl& C) { return C.InheritsFrom<TCheckBox>(); };
  if (Command == "memo")
    return [](const TControl& C) {
      const auto* Memo = dynamic_cast<const TMemo*>(&C);
      return Memo != nullptr && !Memo->ReadOnly();
    };
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------

struct TTerminalDriver::TTerminalIo {
  TFilePtr OwnedIn, OwnedOut;
  std::FILE* In = nullptr;
  std::FILE* Out = nullptr;
  std::unique_ptr<TFileBuf> ScreenBuf;
  std::unique_ptr<std::ostream> Screen;
  std::unique_ptr<TTeeBuf> Tee;
  std::unique_ptr<std::ostream> TeeOut;
  std::ostream* DriverOut = nullptr;
};

class TTerminalDriver::TPlaceScope {
 public:
  TPlaceScope(TPlace& Place, const TPlace& Now) : FPlace(Place), FSaved(Place) { FPlace = Now; }
  ~TPlaceScope() { FPlace = FSaved; }
  TPlaceScope(const TPlaceScope&) = delete;
  TPlaceScope& operator=(const TPlaceScope&) = delete;

 private:
  TPlace& FPlace;
  TPlace FSaved;
};

TTerminalDriver::TTerminalDriver(std::istream& In, std::ostream& Out, std::ostream& Screen)
    : TScriptedDriver(In, Out), FScreen(Screen) {
  SetMemoCheckedFirst(true);
}

TTerminalDriver::TTerminalDriver(std::unique_ptr<TTerminalIo> Io)
    : TScriptedDriver(std::cin, *Io->DriverOut), FScreen(*Io->Screen), FIo(std::move(Io)) {
  SetMemoCheckedFirst(true);
  TLineEditor::THooks Hooks;
  Hooks.Complete = [this](const std::string& Before, const std::string& Word, bool InQuotes) {
    return Completions(Before, Word, InQuotes);
  };
  Hooks.Accelerator = [this](std::string_view Key) { return TakesAccelerator(Key); };
  FEditor = std::make_unique<TLineEditor>(FIo->In, FIo->Out, std::move(Hooks));
}

TTerminalDriver::~TTerminalDriver() {
  // The editor gives the terminal back before its streams close.
  FEditor.reset();
  if (FIo != nullptr) FIo->Screen->flush();
}

std::unique_ptr<TTerminalDriver> TTerminalDriver::AtTerminal(std::ostream& Out, int OutFd) {
  auto Io = std::make_unique<TTerminalIo>();
  // The controlling terminal, whatever standard output and error are; standard
  // input and error stand in when there is none.
  Io->OwnedIn.reset(std::fopen("/dev/tty", "re"));
  Io->OwnedOut.reset(std::fopen("/dev/tty", "we"));
  Io->In = Io->OwnedIn != nullptr ? Io->OwnedIn.get() : stdin;
  Io->Out = Io->OwnedOut != nullptr ? Io->OwnedOut.get() : stderr;
  Io->ScreenBuf = std::make_unique<TFileBuf>(Io->Out);
  Io->Screen = std::make_unique<std::ostream>(Io->ScreenBuf.get());
  if (isatty(OutFd)) {
    Io->DriverOut = &Out;
  } else {
    Io->Tee = std::make_unique<TTeeBuf>(*Out.rdbuf(), *Io->ScreenBuf);
    Io->TeeOut = std::make_unique<std::ostream>(Io->Tee.get());
    Io->DriverOut = Io->TeeOut.get();
  }
  return std::unique_ptr<TTerminalDriver>(new TTerminalDriver(std::move(Io)));
}

bool TTerminalDriver::OpenAddress(const std::string& Verb, const std::string& File) {
  // The desktop's opener knows no other verbs.
  return (Verb.empty() || SameText(Verb, "open")) && OpenWithDesktop(FOpener, File);
}

bool TTerminalDriver::ReadLine(std::string& Line, const std::string& Prompt, TLineKind Kind) {
  // What was written so far is on the screen before the prompt.
  Out().flush();
  if (FEditor == nullptr) {
    FScreen << Prompt << std::flush;
    return TScriptedDriver::ReadLine(Line, Prompt, Kind);
  }
  FScreen.flush();
  if (FEditor->ReadLine(Prompt, Kind == lkCommand ? TLineEditor::ekCommand : TLineEditor::ekText, Line)) return true;
  FScreen << '\n' << std::flush;  // Ctrl+D leaves the cursor after the prompt
  return false;
}

void TTerminalDriver::FormShown(TCustomForm& Form) {
  TScriptedDriver::FormShown(Form);
  Out() << DescribeForm(Form) << (FEditor != nullptr ? "(help lists the commands, Tab completes them)\n"
                                                     : "(help lists the commands)\n");
}

bool TTerminalDriver::HandleMessage(TCustomForm& Form) {
  TPlaceScope Scope(FPlace, TPlace{&Form, nullptr, false, {}, false});
  const TFormSnapshot Before = TakeSnapshot(Form);
  if (!TScriptedDriver::HandleMessage(Form)) return false;
  const std::string Summary = SummarizeChange(Before, TakeSnapshot(Form));
  if (!Summary.empty()) {
    Out().flush();
    FScreen << Summary << '\n' << std::flush;
  }
  return true;
}

int TTerminalDriver::MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
  TPlaceScope Scope(FPlace, TPlace{FPlace.Form, nullptr, true, Buttons, false});
  return TScriptedDriver::MessageDlg(Msg, DlgType, Buttons, HelpCtx);
}

TMenuItem* TTerminalDriver::TrackPopupMenu(TPopupMenu& Menu) {
  TPlaceScope Scope(FPlace, TPlace{FPlace.Form, &Menu, false, {}, false});
  return TScriptedDriver::TrackPopupMenu(Menu);
}

bool TTerminalDriver::FileDialog(TOpenDialog& Dialog, std::string& FileName) {
  TPlaceScope Scope(FPlace, TPlace{FPlace.Form, nullptr, false, {}, true});
  return TScriptedDriver::FileDialog(Dialog, FileName);
}

bool TTerminalDriver::TakesAccelerator(std::string_view Key) const {
  if (FPlace.Menu != nullptr) return FindAcceleratedItem(*FPlace.Menu, Key) != nullptr;
  if (FPlace.Message || FPlace.Form == nullptr) return false;
  return vn_vcl::TakesAccelerator(*FPlace.Form, Key);
}

std::vector<std::string> TTerminalDriver::Candidates(const std::vector<std::string>& Words) const {
  std::vector<std::string> Result;
  const auto Add = [&Result](const std::vector<std::string>& Some) { Result.insert(Result.end(), Some.begin(), Some.end()); };
  const std::string Command = Words.empty() ? std::string() : LowerCase(Words[0]);
  // "select --only LIST ITEM...": completed as "select LIST ITEM...".
  if ((Command == "select" || Command == "deselect") && Words.size() >= 2 && Words[1] == "--only") {
    std::vector<std::string> Shorter(Words);
    Shorter.erase(Shorter.begin() + 1);
    return Candidates(Shorter);
  }
  if (Words.size() == 2 && (Command == "hold" || Command == "release")) return {};
  if (Words.size() == 1 && (Command == "hold" || Command == "release")) return {"alt", "shift", "ctrl"};
  if (Words.size() == 1 && Command == "shell") return {"ok", "fail"};

  if (FPlace.Message) {
    if (Words.empty()) Add(MessageCommands);
    if (Words.size() == 1 && Command == "key") return {"esc", "enter"};
    if (Words.size() == 1 && Command == "answer")
      for (int B = mbYes; B <= mbClose; ++B)
        if (FPlace.Buttons.Contains(static_cast<TMsgDlgBtn>(B)))
          Result.push_back(MsgDlgBtnName(static_cast<TMsgDlgBtn>(B)));
    if (Words.empty()) Add(GlobalCommands);
    return Result;
  }
  if (FPlace.FileDialog) {
    if (Words.empty()) {
      Add(FileDialogCommands);
      Add(GlobalCommands);
    } else if (Words.size() == 1 && Command == "key") {
      return {"esc"};
    } else if (Words.size() == 1 && Command == "file") {
      // The names in the working folder, which relative names are taken from.
      std::error_code Error;
      for (const auto& Entry : std::filesystem::directory_iterator(".", Error))
        Result.push_back(Entry.path().filename().string() + (Entry.is_directory(Error) ? "/" : ""));
      std::sort(Result.begin(), Result.end());
    }
    return Result;
  }
  if (FPlace.Menu != nullptr) {
    if (Words.empty()) {
      Add(MenuCommands);
      Add(GlobalCommands);
      return Result;
    }
    if (Words.size() == 1 && Command == "click") {
      AddMenuItems(FPlace.Menu->Items(), Result);
      return Result;
    }
    if (Words.size() == 1 && Command == "key") return {"esc"};
  }
  if (FPlace.Form == nullptr && HostCompletions()) {
    // No form waits: the host's own commands (the code editor's).
    Result = HostCompletions()(Words);
    if (Words.empty()) Add(GlobalCommands);
    return Result;
  }
  if (Words.empty()) {
    Add(FormCommands);
    Add(GlobalCommands);
    return Result;
  }
  const TCustomForm* Form = FPlace.Form;
  if (Form == nullptr) return {};
  if (Words.size() == 1) {
    if (Command == "key") return {"esc", "enter", "tab", "shift+tab"};
    const auto Targets = TargetsOf(Command);
    if (!Targets) return {};
    if (Command == "select" || Command == "deselect") Result.push_back("--only");
    for (int I = 0; I < Form->ComponentCount(); ++I) {
      const auto* Control = dynamic_cast<const TControl*>(Form->Components(I));
      if (Control != nullptr && !Control->Name().empty() && Reachable(*Control) && Targets(*Control))
        Result.push_back(Control->Name());
    }
    // A button is clicked by its caption too.
    if (Command == "click")
      for (int I = 0; I < Form->ComponentCount(); ++I) {
        const auto* Control = dynamic_cast<const TControl*>(Form->Components(I));
        if (Control != nullptr && Reachable(*Control) &&
            (Control->InheritsFrom<TButton>() || Control->InheritsFrom<TCheckBox>()))
          Result.push_back(WithoutAccelerator(Control->Caption()));
      }
    return Result;
  }
  const TControl* Control = ControlNamed(*Form, Words[1]);
  if (Command == "click" && Words.size() == 2) return {"left", "right", "middle"};
  if (Control == nullptr) return {};
  if (Command == "select" || Command == "deselect" || Command == "radio") {
    if (const auto* List = dynamic_cast<const TListBox*>(Control)) AddItems(List->Items(), Result);
    if (Words.size() == 2) {
      if (const auto* Combo = dynamic_cast<const TComboBox*>(Control)) AddItems(Combo->Items(), Result);
      if (const auto* Radio = dynamic_cast<const TRadioGroup*>(Control)) AddItems(Radio->Items(), Result);
    }
  } else if (Command == "page" && Words.size() == 2) {
    if (const auto* Pages = dynamic_cast<const TPageControl*>(Control))
      for (int I = 0; I < Pages->PageCount(); ++I)
        if (Pages->Pages(I)->TabVisible() && Pages->Pages(I)->Visible()) Result.push_back(Pages->Pages(I)->Name());
  }
  return Result;
}

std::vector<std::string> TTerminalDriver::Completions(const std::string& Before, const std::string& Word,
                                                      bool InQuotes) const {
  const std::string Prefix = AnsiLowerCase(Word);
  std::vector<std::string> Result;
  std::unordered_set<std::string> Seen;
  for (const std::string& Candidate : Candidates(SplitWords(Before))) {
    if (!AnsiLowerCase(Candidate).starts_with(Prefix)) continue;
    std::string Typed = InQuotes ? Escaped(Candidate) : AsTyped(Candidate);
    if (Seen.insert(Typed).second) Result.push_back(std::move(Typed));
  }
  return Result;
}

// ---------------------------------------------------------------------------

namespace {

// Shown: the control's state in short. Value: all of it, to compare: a memo
// or list edited in place keeps its count.
void StateOf(const TControl& C, std::string& Shown, std::string& Value) {
  if (const auto* Combo = dynamic_cast<const TComboBox*>(&C)) {
    Shown = QuoteText(Combo->Text()) + ", " + IntToStr(Combo->Items().Count()) + " items";
    Value = Shown + "\n" + Combo->Items().Text();
  } else if (const auto* List = dynamic_cast<const TListBox*>(&C)) {
    Shown = IntToStr(List->Items().Count()) + " items";
    if (List->MultiSelect())
      Shown += ", " + IntToStr(List->SelCount()) + " selected";
    else if (List->ItemIndex() >= 0)
      Shown += ", " + QuoteText(List->Items().Strings(List->ItemIndex()));
    Value = Shown;
    for (int I = 0; I < List->Items().Count(); ++I)
      Value += (List->Selected(I) ? "\n+" : "\n-") + List->Items().Strings(I);
  } else if (const auto* Memo = dynamic_cast<const TMemo*>(&C)) {
    const int Count = Memo->Lines().Count();
    Shown = IntToStr(Count) + (Count == 1 ? " line" : " lines");
    Value = Shown + "\n" + Memo->Lines().Text();
  } else if (const auto* Radio = dynamic_cast<const TRadioGroup*>(&C)) {
    Shown = Radio->ItemIndex() >= 0 ? QuoteText(Radio->Items().Strings(Radio->ItemIndex())) : "none";
    Value = Shown + "\n" + Radio->Items().Text();
  } else if (const auto* Box = dynamic_cast<const TCheckBox*>(&C)) {
    Shown = Box->State() == cbChecked ? "checked" : Box->State() == cbGrayed ? "grayed" : "unchecked";
  } else if (const auto* Pages = dynamic_cast<const TPageControl*>(&C)) {
    Shown = Pages->ActivePage() != nullptr ? "on " + Pages->ActivePage()->Name() : "no page";
  } else {
    Shown = QuoteText(C.Text());
  }
  if (Value.empty()) Value = Shown;
}

}  // namespace

TFormSnapshot TakeSnapshot(const TCustomForm& Form) {
  TFormSnapshot Snapshot;
  for (int I = 0; I < Form.ComponentCount(); ++I) {
    const auto* Control = dynamic_cast<const TControl*>(Form.Components(I));
    if (Control == nullptr || Control->Name().empty()) continue;
    TFormSnapshot::TControlState State{Control->Name(), {}, {}, Control->Enabled(), Control->Visible()};
    StateOf(*Control, State.Shown, State.Value);
    Snapshot.Controls.push_back(std::move(State));
  }
  if (const TWinControl* Active = Form.ActiveControl()) Snapshot.Focused = Active->Name();
  return Snapshot;
}

std::string SummarizeChange(const TFormSnapshot& Before, const TFormSnapshot& After) {
  std::unordered_map<std::string_view, const TFormSnapshot::TControlState*> Old;
  for (const auto& State : Before.Controls) Old.emplace(State.Name, &State);
  std::vector<std::string> Parts;
  for (const auto& State : After.Controls) {
    const auto Found = Old.find(State.Name);
    if (Found == Old.end()) continue;
    const auto& Was = *Found->second;
    std::string Part;
    if (State.Value != Was.Value) Part += " " + State.Shown;
    if (State.Enabled != Was.Enabled) Part += State.Enabled ? " enabled" : " disabled";
    if (State.Visible != Was.Visible) Part += State.Visible ? " shown" : " hidden";
    if (!Part.empty()) Parts.push_back(State.Name + Part);
  }
  if (After.Focused != Before.Focused) Parts.push_back("focus " + (After.Focused.empty() ? "none" : After.Focused));
  if (Parts.empty()) return {};
  // One line: the first few, then how many more ("show" tells them all).
  constexpr std::size_t Shown = 6;
  std::string Line = "changed: ";
  for (std::size_t I = 0; I < Parts.size() && I < Shown; ++I) Line += (I == 0 ? "" : "; ") + Parts[I];
  if (Parts.size() > Shown) Line += "; and " + IntToStr(static_cast<int>(Parts.size() - Shown)) + " more";
  return Line;
}

}  // namespace vn_vcl
