#include "script_driver.h"

#include <algorithm>

#include "accelerators.h"
#include "dialog_texts.h"
#include "form_layout.h"
#include "form_picture.h"
#include "form_view.h"
#include "name_suggestion.h"
#include "vcl/ComCtrls.h"
#include "vcl/ExtCtrls.h"
#include "vcl/StdCtrls.h"
#include "rtl/SysUtils.h"

namespace vn_vcl {

namespace {

// A command that cannot run as written: told to the person, the script goes on.
class EScriptError : public Exception {
 public:
  using Exception::Exception;
};

enum TControlLookup { clByName, clByNameOrCaption };

struct TToken {
  std::string Text;
  std::size_t End;  // where the token ends in the line
};

// Words separated by blanks; "double quotes" hold blanks, \" and \\ inside them.
std::vector<TToken> Tokenize(const std::string& Line) {
  std::vector<TToken> Tokens;
  std::size_t I = 0;
  while (true) {
    while (I < Line.size() && (Line[I] == ' ' || Line[I] == '\t')) ++I;
    if (I >= Line.size()) return Tokens;
    std::string Text;
    if (Line[I] == '"') {
      ++I;
      while (I < Line.size() && Line[I] != '"') {
        if (Line[I] == '\\' && I + 1 < Line.size()) ++I;
        Text += Line[I++];
      }
      if (I >= Line.size()) throw EScriptError("a quoted text is not closed");
      ++I;
    } else {
      while (I < Line.size() && Line[I] != ' ' && Line[I] != '\t') Text += Line[I++];
    }
    Tokens.push_back({Text, I});
  }
}

// An item by its text (exactly, then without regard to case and the
// accelerator's "&"), or by "#n", its position from 0.
int FindItem(const TStrings& Items, const std::string& Wanted, const std::string& Owner) {
  for (int I = 0; I < Items.Count(); ++I)
    if (Items.Strings(I) == Wanted) return I;
  for (int I = 0; I < Items.Count(); ++I)
    if (AnsiSameText(WithoutAccelerator(Items.Strings(I)), WithoutAccelerator(Wanted))) return I;
  if (Wanted.size() > 1 && Wanted[0] == '#') {
    int Index = -1;
    if (TryStrToInt(Wanted.substr(1), Index) && Index >= 0 && Index < Items.Count()) return Index;
  }
  throw EScriptError(Owner + " has no item " + QuoteText(Wanted));
}

TControl& FindControl(TCustomForm& Form, const std::string& Name, TControlLookup Lookup = clByName) {
  auto* Control = dynamic_cast<TControl*>(Form.FindComponent(Name));
  if (Control == nullptr && Lookup == clByNameOrCaption) Control = FindControlByCaption(Form, Name);
  if (Control == nullptr) {
    std::vector<std::string> Names;
    for (int I = 0; I < Form.ComponentCount(); ++I)
      if (dynamic_cast<TControl*>(Form.Components(I)) != nullptr) Names.push_back(Form.Components(I)->Name());
    throw EScriptError(Form.Name() + " has no control " + Name + DidYouMean(Name, Names));
  }
  return *Control;
}

template <class T>
T& FindControlOf(TCustomForm& Form, const std::string& Name, const char* Kind) {
  auto* Control = dynamic_cast<T*>(&FindControl(Form, Name));
  if (Control == nullptr) throw EScriptError(Name + " is no " + Kind);
  return *Control;
}

// What a person can click: shown and enabled.
void CheckReachable(const TControl& Control) {
  if (!Control.Showing()) throw EScriptError(Control.Name() + " is not shown");
  if (!Control.EnabledInTree()) throw EScriptError(Control.Name() + " is disabled");
}

// A click on a control that takes the focus moves the focus there first.
void FocusByClick(TCustomForm& Form, TControl& Control) {
  auto* Win = dynamic_cast<TWinControl*>(&Control);
  if (Win != nullptr && Win->TabStop() && Win->CanFocus()) Form.FocusControl(Win);
  // The old control's exit handler may have changed what can be clicked.
  CheckReachable(Control);
}

int VirtualKeyOf(const std::string& Name) {
  if (SameText(Name, "alt") || SameText(Name, "menu")) return VK_MENU;
  if (SameText(Name, "shift")) return VK_SHIFT;
  if (SameText(Name, "ctrl") || SameText(Name, "control")) return VK_CONTROL;
  throw EScriptError("unknown key " + Name + " (alt, shift or ctrl)");
}

TPopupMenu* ContextMenuOf(TControl& Control, TControl*& Holder) {
  for (TControl* C = &Control; C != nullptr; C = C->Parent())
    if (C->PopupMenu() != nullptr && C->PopupMenu()->AutoPopup()) {
      Holder = C;
      return C->PopupMenu();
    }
  return nullptr;
}

TMenuItem* FindMenuItem(const TMenuItem& Parent, const std::string& Name) {
  for (int I = 0; I < Parent.Count(); ++I) {
    TMenuItem* Item = Parent.Items(I);
    if (SameText(Item->Name(), Name) || AnsiSameText(WithoutAccelerator(Item->Caption()), WithoutAccelerator(Name)))
      return Item;
    if (TMenuItem* Sub = FindMenuItem(*Item, Name)) return Sub;
  }
  return nullptr;
}

const char* const HelpText =
    "commands on a form (controls by name):\n"
    "  show                          what the form shows\n"
    "  show --png <file>             write a picture of the form (PNG)\n"
    "  type <control> <text>         replace the text of an edit or combo box\n"
    "  click <control> [left|right|middle]\n"
    "  select <list> <item>...       select items (a combo box or radio group: one)\n"
    "  deselect <list> <item>...\n"
    "  popup <control>               open its context menu, then: click <menuitem>\n"
    "  page <pagecontrol> <page>     click a page's tab\n"
    "  radio <group> <item>          click a radio button\n"
    "  check <checkbox> | uncheck <checkbox>\n"
    "  memo <memo>                   then its lines, ended by a line \".\"\n"
    "  key esc|enter|tab|shift+tab\n"
    "  alt <letter>                  press Alt and the letter a caption's & marks\n"
    "  close                         close the window\n"
    "on a message: answer <button>, key esc|enter, show\n"
    "in a file dialog: file <name> (in \"quotes\" when it has blanks), key esc, show\n"
    "in a menu: click <item>, alt <letter>, key esc, show\n"
    "anywhere: hold alt|shift|ctrl, release alt|shift|ctrl, shell ok|fail, help,\n"
    "  quit                          end the input here\n"
    "items: their text in \"quotes\" when it has blanks, or #n from 0\n";

}  // namespace

TScriptedDriver::TScriptedDriver(std::istream& In, std::ostream& Out) : FIn(In), FOut(Out) {}

void TScriptedDriver::ReportError(const std::string& Message) {
  ++FErrorCount;
  FOut << "error: " << Message << '\n';
}

bool TScriptedDriver::ReadLine(std::string& Line, const std::string&, TLineKind) {
  return static_cast<bool>(std::getline(FIn, Line));
}

bool TScriptedDriver::ReadRawLine(std::string& Line, const std::string& Prompt, TLineKind Kind) {
  if (FEnded) return false;
  if (!ReadLine(Line, Prompt, Kind)) {
    FEnded = true;
    return false;
  }
  if (!Line.empty() && Line.back() == '\r') Line.pop_back();
  return true;
}

bool TScriptedDriver::ReadCommand(std::string& Line, const std::string& Context) {
  if (!FPending.empty()) {
    Line = std::move(FPending.back());
    FPending.pop_back();
    return true;
  }
  while (true) {
    if (FEnded) return false;
    if (!ReadRawLine(Line, Context + "> ", lkCommand)) return false;
    const std::string Trimmed = Trim(Line);
    if (Trimmed.empty() || Trimmed[0] == '#') continue;
    if (FEcho) FOut << "> " << Trimmed << '\n';
    // Leading blanks go; trailing ones may be text that is typed.
    Line = TrimLeft(Line);
    return true;
  }
}

void TScriptedDriver::Unread(std::string Line) { FPending.push_back(std::move(Line)); }

void TScriptedDriver::SetKeyDown(int VirtualKey, bool Down) {
  if (Down)
    FKeysDown.insert(VirtualKey);
  else
    FKeysDown.erase(VirtualKey);
}

bool TScriptedDriver::IsKeyDown(int VirtualKey) { return FKeysDown.contains(VirtualKey); }

bool TScriptedDriver::ShellExecute(const std::string& Verb, const std::string& File) {
  FOut << "[" << (SameText(Verb, "open") ? std::string("Open") : Verb) << "] " << File;
  const bool Opened = FShellWorks && OpenAddress(Verb, File);
  FOut << (Opened ? "" : ": cannot be opened") << '\n';
  return Opened;
}

bool TScriptedDriver::OpenAddress(const std::string&, const std::string&) { return true; }

void TScriptedDriver::ShowException(const std::string& ClassName, const std::string& Message) {
  ++FErrorCount;
  FOut << "[Exception] " << ClassName << ": " << Message << '\n';
}

void TScriptedDriver::FormShown(TCustomForm& Form) {
  FOut << "[Form] " << Form.Name() << " " << QuoteText(Form.Caption()) << " opened\n";
}

void TScriptedDriver::FormClosed(TCustomForm& Form, TModalResult Result) {
  FOut << "[Form] " << Form.Name() << " closed: " << ModalResultName(Result) << '\n';
}

bool TScriptedDriver::ExecuteGlobal(const std::string& Line) {
  try {
    const std::vector<TToken> Tokens = Tokenize(Line);
    if (Tokens.empty()) return false;
    const std::string& Command = Tokens[0].Text;
    if (SameText(Command, "hold") || SameText(Command, "release")) {
      if (Tokens.size() != 2) throw EScriptError(Command + " takes one key: alt, shift or ctrl");
      SetKeyDown(VirtualKeyOf(Tokens[1].Text), SameText(Command, "hold"));
      return true;
    }
    if (SameText(Command, "shell")) {
      if (Tokens.size() != 2 || !(SameText(Tokens[1].Text, "ok") || SameText(Tokens[1].Text, "fail")))
        throw EScriptError("shell takes ok or fail");
      FShellWorks = SameText(Tokens[1].Text, "ok");
      return true;
    }
    if (SameText(Command, "quit") && Tokens.size() == 1) {
      FPending.clear();
      FEnded = true;
      return true;
    }
    if (SameText(Command, "help")) {
      FOut << HelpText;
      return true;
    }
    return false;
  } catch (const EScriptError& E) {
    ReportError(E.Message());
    return true;
  }
}

bool TScriptedDriver::HandleMessage(TCustomForm& Form) {
  std::string Line;
  if (!ReadCommand(Line, Form.Name())) {
    FOut << "(end of input)\n";
    return false;
  }
  try {
    if (!ExecuteGlobal(Line)) Execute(Form, Line);
  } catch (const EScriptError& E) {
    ReportError(E.Message());
  }
  return true;
}

void TScriptedDriver::Execute(TCustomForm& Form, const std::string& Line) {
  const std::vector<TToken> Tokens = Tokenize(Line);
  const std::string Command = LowerCase(Tokens[0].Text);
  auto Arg = [&](std::size_t I) -> const std::string& {
    if (I >= Tokens.size()) throw EScriptError(Command + ": too few arguments (try help)");
    return Tokens[I].Text;
  };
  auto Exactly = [&](std::size_t Count) {
    if (Tokens.size() != Count) throw EScriptError(Command + ": wrong number of arguments (try help)");
  };

  if (Command == "show") {
    if (Tokens.size() > 1 && SameText(Tokens[1].Text, "--png")) {
      Exactly(3);
      try {
        WriteFormPicture(LayoutForm(Form), Tokens[2].Text);
      } catch (const Exception& E) {
        throw EScriptError(E.Message());
      }
      FOut << "[Picture] " << Form.Name() << " " << QuoteText(Tokens[2].Text) << '\n';
    } else {
      Exactly(1);
      FOut << DescribeForm(Form);
    }
  } else if (Command == "type") {
    TControl& Control = FindControl(Form, Arg(1));
    // The text is the rest of the line after one blank, as it stands.
    std::string Text = Tokens[1].End < Line.size() ? Line.substr(Tokens[1].End + 1) : std::string();
    auto* Edit = dynamic_cast<TEdit*>(&Control);
    auto* Combo = dynamic_cast<TComboBox*>(&Control);
    if (Edit == nullptr && Combo == nullptr) {
      if (Control.InheritsFrom<TMemo>()) throw EScriptError(Control.Name() + " is a memo: use memo " + Control.Name());
      throw EScriptError(Control.Name() + " takes no typing");
    }
    if (Combo != nullptr && Combo->Style() == csDropDownList)
      throw EScriptError(Control.Name() + " takes no typing: select one of its items");
    CheckReachable(Control);
    FocusByClick(Form, Control);
    if (Edit != nullptr)
      Edit->UserSetText(Text);
    else
      Combo->UserSetText(Text);
  } else if (Command == "click") {
    if (Tokens.size() > 3) throw EScriptError("click: wrong number of arguments (try help)");
    TControl& Control = FindControl(Form, Arg(1), clByNameOrCaption);
    const std::string Button = Tokens.size() == 3 ? LowerCase(Tokens[2].Text) : "left";
    CheckReachable(Control);
    const int X = Control.Width() / 2, Y = Control.Height() / 2;
    if (Button == "left") {
      FocusByClick(Form, Control);
      Control.MouseDown(mbLeft, {ssLeft}, X, Y);
      Control.MouseUp(mbLeft, {ssLeft}, X, Y);
      // Controls that react to a click as a whole; the others take the focus
      // and wait for what is done inside them.
      const bool Clickable = Control.InheritsFrom<TButton>() || Control.InheritsFrom<TCheckBox>() ||
                             Control.InheritsFrom<TGraphicControl>() || Control.InheritsFrom<TPanel>() ||
                             Control.InheritsFrom<TGroupBox>();
      if (Clickable) Control.Click();
    } else if (Button == "right") {
      Control.MouseDown(mbRight, {ssRight}, X, Y);
      Control.MouseUp(mbRight, {ssRight}, X, Y);
      TControl* Holder = nullptr;
      if (TPopupMenu* Menu = ContextMenuOf(Control, Holder)) {
        Menu->SetPopupComponent(Holder);
        Menu->Popup(Control.Left() + X, Control.Top() + Y);
      }
    } else if (Button == "middle") {
      Control.MouseDown(mbMiddle, {ssMiddle}, X, Y);
      Control.MouseUp(mbMiddle, {ssMiddle}, X, Y);
    } else {
      throw EScriptError("click: the button is left, right or middle");
    }
  } else if (Command == "popup") {
    Exactly(2);
    TControl& Control = FindControl(Form, Arg(1));
    CheckReachable(Control);
    TControl* Holder = nullptr;
    TPopupMenu* Menu = ContextMenuOf(Control, Holder);
    if (Menu == nullptr) throw EScriptError(Control.Name() + " has no context menu");
    const int X = Control.Width() / 2, Y = Control.Height() / 2;
    Control.MouseDown(mbRight, {ssRight}, X, Y);
    Control.MouseUp(mbRight, {ssRight}, X, Y);
    Menu->SetPopupComponent(Holder);
    Menu->Popup(Control.Left() + X, Control.Top() + Y);
  } else if (Command == "select" || Command == "deselect") {
    // --only: exactly these items (select) or all but these (deselect).
    const bool Only = Arg(1) == "--only";
    const std::size_t First = Only ? 2 : 1;
    TControl& Control = FindControl(Form, Arg(First));
    Arg(First + 1);
    if (auto* List = dynamic_cast<TListBox*>(&Control)) {
      std::vector<int> Indexes;
      for (std::size_t I = First + 1; I < Tokens.size(); ++I)
        Indexes.push_back(FindItem(List->Items(), Tokens[I].Text, List->Name()));
      CheckReachable(*List);
      FocusByClick(Form, *List);
      const bool Want = Command == "select";
      if (Only) {
        if (Want && !List->MultiSelect() && Indexes.size() != 1)
          throw EScriptError(List->Name() + " selects one item at a time");
        for (int Index = 0; Index < List->Items().Count(); ++Index)
          if (std::find(Indexes.begin(), Indexes.end(), Index) == Indexes.end()) Indexes.push_back(Index);
      }
      const std::size_t Named = Only ? Tokens.size() - First - 1 : Indexes.size();
      for (std::size_t K = 0; K < Indexes.size(); ++K) {
        const int Index = Indexes[K];
        if (Index >= List->Items().Count()) continue;  // a handler took items away
        // With --only the items not named get the other state.
        const bool Wanted = K < Named ? Want : !Want;
        if (List->Selected(Index) == Wanted) continue;
        // Ctrl+click adds or takes away one item; a single-selection list
        // takes a plain click.
        List->UserClickItem(Index, List->MultiSelect() || !Wanted);
      }
    } else if (auto* Combo = dynamic_cast<TComboBox*>(&Control); Combo != nullptr && Command == "select" && !Only) {
      Exactly(3);
      const int Index = FindItem(Combo->Items(), Arg(2), Combo->Name());
      CheckReachable(*Combo);
      FocusByClick(Form, *Combo);
      Combo->UserSelect(Index);
    } else if (auto* Radio = dynamic_cast<TRadioGroup*>(&Control); Radio != nullptr && Command == "select" && !Only) {
      Exactly(3);
      const int Index = FindItem(Radio->Items(), Arg(2), Radio->Name());
      CheckReachable(*Radio);
      FocusByClick(Form, *Radio);
      Radio->UserClickItem(Index);
    } else {
      throw EScriptError(Control.Name() + " has no items to " + Command);
    }
  } else if (Command == "page") {
    Exactly(3);
    auto& Pages = FindControlOf<TPageControl>(Form, Arg(1), "page control");
    TTabSheet* Page = nullptr;
    for (int I = 0; I < Pages.PageCount() && Page == nullptr; ++I) {
      TTabSheet* P = Pages.Pages(I);
      if (SameText(P->Name(), Arg(2)) || AnsiSameText(WithoutAccelerator(P->Caption()), WithoutAccelerator(Arg(2))))
        Page = P;
    }
    if (Page == nullptr) throw EScriptError(Pages.Name() + " has no page " + QuoteText(Arg(2)));
    if (!Page->TabVisible() || !Page->Visible()) throw EScriptError(Page->Name() + " has no tab to click");
    CheckReachable(Pages);
    FocusByClick(Form, Pages);
    Pages.UserSelectPage(*Page);
  } else if (Command == "radio") {
    Exactly(3);
    auto& Radio = FindControlOf<TRadioGroup>(Form, Arg(1), "radio group");
    const int Index = FindItem(Radio.Items(), Arg(2), Radio.Name());
    CheckReachable(Radio);
    FocusByClick(Form, Radio);
    Radio.UserClickItem(Index);
  } else if (Command == "check" || Command == "uncheck") {
    Exactly(2);
    auto& Box = FindControlOf<TCheckBox>(Form, Arg(1), "check box");
    CheckReachable(Box);
    FocusByClick(Form, Box);
    if (Box.Checked() != (Command == "check")) Box.Click();
  } else if (Command == "memo") {
    auto Target = [&]() -> TMemo& {
      Exactly(2);
      auto& Memo = FindControlOf<TMemo>(Form, Arg(1), "memo");
      CheckReachable(Memo);
      if (Memo.ReadOnly()) throw EScriptError(Memo.Name() + " is read-only");
      return Memo;
    };
    // A script's lines come first, so that it stays in step whatever follows;
    // a person is told before typing lines that would be lost.
    if (FMemoCheckedFirst) Target();
    std::vector<std::string> Lines;
    std::string Text;
    bool Closed = false;
    const std::string Prompt = (Tokens.size() > 1 ? Tokens[1].Text : Command) + "| ";
    while (ReadRawLine(Text, Prompt, lkText)) {
      if (Text == ".") {
        Closed = true;
        break;
      }
      Lines.push_back(Text.starts_with("..") ? Text.substr(1) : Text);
    }
    if (!Closed) ReportError("memo: the lines end without a line \".\"");
    TMemo& Memo = Target();
    FocusByClick(Form, Memo);
    Memo.UserSetLines(Lines);
  } else if (Command == "key") {
    Exactly(2);
    const std::string Key = LowerCase(Arg(1));
    if (Key == "esc" || Key == "escape") {
      Form.DialogKey(VK_ESCAPE);
    } else if (Key == "enter" || Key == "return") {
      // A memo that wants returns takes Enter as a new line at its end.
      auto* Memo = dynamic_cast<TMemo*>(Form.ActiveControl());
      if (Memo != nullptr && Memo->WantReturns()) {
        if (Memo->ReadOnly()) return;
        std::vector<std::string> Lines;
        for (int I = 0; I < Memo->Lines().Count(); ++I) Lines.push_back(Memo->Lines().Strings(I));
        Lines.emplace_back();
        Memo->UserSetLines(Lines);
      } else {
        Form.DialogKey(VK_RETURN);
      }
    } else if (Key == "tab") {
      Form.DialogKey(VK_TAB);
    } else if (Key == "shift+tab") {
      if (TWinControl* Previous = Form.FindNextControl(Form.ActiveControl(), false)) Form.FocusControl(Previous);
    } else {
      throw EScriptError("unknown key " + Arg(1) + " (esc, enter, tab, shift+tab)");
    }
  } else if (Command == "alt") {
    Exactly(2);
    if (!PressAccelerator(Form, Arg(1))) throw EScriptError("nothing on " + Form.Name() + " takes Alt+" + Arg(1));
  } else if (Command == "close") {
    Exactly(1);
    Form.Close();
  } else if (Command == "answer") {
    throw EScriptError("no message is waiting for an answer");
  } else {
    throw EScriptError("unknown command " + Tokens[0].Text + " (try help)");
  }
}

int TScriptedDriver::MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
  FOut << DescribeMessage(Msg, DlgType, Buttons) << '\n';
  std::string Line;
  while (ReadCommand(Line, "message")) {
    if (ExecuteGlobal(Line)) continue;
    try {
      const std::vector<TToken> Tokens = Tokenize(Line);
      const std::string Command = LowerCase(Tokens[0].Text);
      if (Command == "answer" && Tokens.size() >= 2) {
        std::string Name;
        for (std::size_t I = 1; I < Tokens.size(); ++I) Name += Tokens[I].Text;
        TMsgDlgBtn Button{};
        if (!FindMsgDlgBtn(Name, Button) || !Buttons.Contains(Button))
          throw EScriptError("the message has no button " + QuoteText(Name));
        if (Button == mbHelp) {
          FOut << "[Help] context " << HelpCtx << '\n';
          continue;
        }
        return MsgDlgBtnResult(Button);
      }
      if (Command == "key" && Tokens.size() == 2 &&
          (SameText(Tokens[1].Text, "esc") || SameText(Tokens[1].Text, "escape")))
        return EscapeResult(Buttons);
      if (Command == "key" && Tokens.size() == 2 &&
          (SameText(Tokens[1].Text, "enter") || SameText(Tokens[1].Text, "return")))
        return EnterResult(Buttons);
      if (Command == "show" && Tokens.size() == 1) {
        FOut << DescribeMessage(Msg, DlgType, Buttons) << '\n';
        continue;
      }
      if (Command == "show") throw EScriptError("show --png draws a form: answer the message first");
      throw EScriptError("a message is waiting for an answer: answer <button>");
    } catch (const EScriptError& E) {
      ReportError(E.Message());
    }
  }
  const TModalResult Result = EscapeResult(Buttons);
  FOut << "(end of input: the message closes as with Esc, " << ModalResultName(Result) << ")\n";
  return Result;
}

namespace {

// "[Open file] "title" file "name" filter "Ini-files (*.ini)" *.INI | ... (entry 1)"
std::string DescribeFileDialog(const TOpenDialog& Dialog, const std::string& FileName) {
  std::string Text = "[Open file] " + QuoteText(Dialog.Title().empty() ? std::string("Open") : Dialog.Title()) +
                     " file " + QuoteText(FileName);
  const std::string& Filter = Dialog.Filter();
  if (!Filter.empty()) {
    Text += " filter";
    std::size_t Start = 0;
    for (int Part = 0; Start <= Filter.size(); ++Part) {
      const std::size_t Bar = std::min(Filter.find('|', Start), Filter.size());
      const std::string Piece = Filter.substr(Start, Bar - Start);
      Text += Part % 2 == 0 ? (Part == 0 ? " " : "; ") + QuoteText(Piece) : " " + Piece;
      Start = Bar + 1;
    }
    Text += " (entry " + std::to_string(Dialog.FilterIndex()) + ")";
  }
  return Text;
}

}  // namespace

bool TScriptedDriver::FileDialog(TOpenDialog& Dialog, std::string& FileName) {
  FOut << DescribeFileDialog(Dialog, FileName) << '\n';
  std::string Line;
  while (ReadCommand(Line, "file")) {
    if (ExecuteGlobal(Line)) continue;
    try {
      const std::vector<TToken> Tokens = Tokenize(Line);
      const std::string Command = LowerCase(Tokens[0].Text);
      if (Command == "file" && Tokens.size() == 2) {
        FileName = Tokens[1].Text;
        return true;
      }
      if (Command == "key" && Tokens.size() == 2 &&
          (SameText(Tokens[1].Text, "esc") || SameText(Tokens[1].Text, "escape")))
        return false;
      if (Command == "show" && Tokens.size() == 1) {
        FOut << DescribeFileDialog(Dialog, FileName) << '\n';
        continue;
      }
      throw EScriptError("a file dialog is open: file <name> or key esc");
    } catch (const EScriptError& E) {
      ReportError(E.Message());
    }
  }
  FOut << "(end of input: the file dialog is cancelled)\n";
  return false;
}

TMenuItem* TScriptedDriver::TrackPopupMenu(TPopupMenu& Menu) {
  FOut << DescribeMenu(Menu);
  std::string Line;
  while (ReadCommand(Line, "menu")) {
    if (ExecuteGlobal(Line)) continue;
    try {
      const std::vector<TToken> Tokens = Tokenize(Line);
      const std::string Command = LowerCase(Tokens[0].Text);
      if (Command == "show" && Tokens.size() == 1) {
        FOut << DescribeMenu(Menu);
        continue;
      }
      if (Command == "key" && Tokens.size() == 2 &&
          (SameText(Tokens[1].Text, "esc") || SameText(Tokens[1].Text, "escape")))
        return nullptr;
      if (Command == "alt" && Tokens.size() == 2) {
        if (TMenuItem* Item = FindAcceleratedItem(Menu, Tokens[1].Text)) return Item;
        throw EScriptError("no item of the menu takes Alt+" + Tokens[1].Text);
      }
      if (Command == "click" && Tokens.size() == 2) {
        if (TMenuItem* Item = FindMenuItem(Menu.Items(), Tokens[1].Text)) {
          if (!Item->Visible() || Item->IsLine()) throw EScriptError(Item->Name() + " is not in the menu");
          if (!Item->Enabled()) throw EScriptError(Item->Name() + " is disabled");
          return Item;
        }
      }
    } catch (const EScriptError& E) {
      ReportError(E.Message());
      continue;
    }
    // Anything else closes the menu and is done as it would be without one.
    Unread(Line);
    return nullptr;
  }
  return nullptr;
}

}  // namespace vn_vcl
