#include "form_view.h"

#include "vcl/ComCtrls.h"
#include "vcl/ExtCtrls.h"
#include "vcl/StdCtrls.h"
#include "rtl/SysUtils.h"

namespace vn_vcl {

std::string QuoteText(std::string_view Text) {
  static const char* const Hex = "0123456789ABCDEF";
  std::string Result = "\"";
  for (char C : Text) {
    const auto U = static_cast<unsigned char>(C);
    switch (C) {
      case '"':
        Result += "\\\"";
        break;
      case '\\':
        Result += "\\\\";
        break;
      case '\r':
        Result += "\\r";
        break;
      case '\n':
        Result += "\\n";
        break;
      case '\t':
        Result += "\\t";
        break;
      default:
        if (U < 0x20 || U == 0x7F) {
          Result += "\\x";
          Result += Hex[U >> 4];
          Result += Hex[U & 0xF];
        } else {
          Result += C;
        }
    }
  }
  return Result + "\"";
}

std::string KindOf(const TControl& Control) {
  if (Control.InheritsFrom<TLabel>()) return "label";
  if (Control.InheritsFrom<TButton>()) return "button";
  if (Control.InheritsFrom<TEdit>()) return "edit";
  if (Control.InheritsFrom<TComboBox>()) return "combo";
  if (Control.InheritsFrom<TListBox>()) return "list";
  if (Control.InheritsFrom<TCheckBox>()) return "check";
  if (Control.InheritsFrom<TMemo>()) return "memo";
  if (Control.InheritsFrom<TRadioGroup>()) return "radio";
  if (Control.InheritsFrom<TGroupBox>()) return "group";
  if (Control.InheritsFrom<TPageControl>()) return "pages";
  if (Control.InheritsFrom<TTabSheet>()) return "page";
  if (Control.InheritsFrom<TPanel>()) return "panel";
  if (Control.InheritsFrom<TBevel>()) return "bevel";
  if (Control.InheritsFrom<TImage>()) return "image";
  return Control.ClassName();
}

namespace {

std::string Indent(int Depth) { return std::string(static_cast<std::size_t>(Depth) * 2, ' '); }

class TFormWriter {
 public:
  explicit TFormWriter(const TCustomForm& AForm) : FForm(AForm) {}

  std::string Write() {
    FText = "form " + FForm.Name() + " " + QuoteText(FForm.Caption()) + "\n";
    Children(FForm, 1);
    return FText;
  }

 private:
  void Children(const TWinControl& Parent, int Depth) {
    if (const auto* Pages = dynamic_cast<const TPageControl*>(&Parent)) {
      // Pages first, in page order, whatever order they were made in.
      for (int I = 0; I < Pages->PageCount(); ++I) Control(*Pages->Pages(I), Depth);
      for (int I = 0; I < Parent.ControlCount(); ++I)
        if (!Parent.Controls(I)->InheritsFrom<TTabSheet>()) Control(*Parent.Controls(I), Depth);
      return;
    }
    for (int I = 0; I < Parent.ControlCount(); ++I) Control(*Parent.Controls(I), Depth);
  }

  void Control(const TControl& C, int Depth) {
    std::string Line = Indent(Depth) + C.Name() + " " + KindOf(C);
    if (!C.Visible()) {
      FText += Line + " (hidden)\n";
      return;
    }
    const auto* Page = dynamic_cast<const TTabSheet*>(&C);
    if (Page != nullptr) {
      Line += " " + QuoteText(Page->Caption());
      if (Page->PageControl() != nullptr && Page->PageControl()->ActivePage() != Page) {
        FText += Line + (Page->TabVisible() ? " (not shown)\n" : " (no tab)\n");
        return;
      }
      FText += Line + " (active)\n";
      Children(*Page, Depth + 1);
      return;
    }
    std::vector<std::string> Below;
    Describe(C, Line, Below);
    if (!C.EnabledInTree()) Line += " disabled";
    if (FForm.ActiveControl() == &C) Line += " focused";
    FText += Line + "\n";
    for (const std::string& Sub : Below) FText += Indent(Depth + 1) + Sub + "\n";
    if (const auto* W = dynamic_cast<const TWinControl*>(&C); W != nullptr && !C.InheritsFrom<TRadioGroup>())
      Children(*W, Depth + 1);
  }

  static void Describe(const TControl& C, std::string& Line, std::vector<std::string>& Below) {
    if (const auto* Combo = dynamic_cast<const TComboBox*>(&C)) {
      Line += " " + QuoteText(Combo->Text());
      std::string Items;
      for (int I = 0; I < Combo->Items().Count(); ++I)
        Items += (I == 0 ? "" : ", ") + QuoteText(Combo->Items().Strings(I)) + (I == Combo->ItemIndex() ? "*" : "");
      Line += " items [" + Items + "]";
      return;
    }
    if (const auto* List = dynamic_cast<const TListBox*>(&C)) {
      Line += List->MultiSelect() ? " multi-select" : "";
      Line += ", " + IntToStr(List->Items().Count()) + " items";
      if (List->MultiSelect()) Line += ", " + IntToStr(List->SelCount()) + " selected";
      Line += ", extent " + IntToStr(List->ScrollWidth());
      for (int I = 0; I < List->Items().Count(); ++I)
        Below.push_back(std::string(List->Selected(I) ? "[x] " : "[ ] ") + QuoteText(HideSecret(List->Items().Strings(I))));
      return;
    }
    if (const auto* Memo = dynamic_cast<const TMemo*>(&C)) {
      Line += ", " + IntToStr(Memo->Lines().Count()) + " lines";
      if (Memo->ReadOnly()) Line += ", read-only";
      // A transcript is a log: a password typed into connection parameters is not written into it.
      for (int I = 0; I < Memo->Lines().Count(); ++I) Below.push_back("| " + HideSecret(Memo->Lines().Strings(I)));
      return;
    }
    if (const auto* Radio = dynamic_cast<const TRadioGroup*>(&C)) {
      Line += " " + QuoteText(Radio->Caption());
      for (int I = 0; I < Radio->Items().Count(); ++I)
        Below.push_back(std::string(I == Radio->ItemIndex() ? "(*) " : "( ) ") + QuoteText(Radio->Items().Strings(I)));
      return;
    }
    if (const auto* Check = dynamic_cast<const TCheckBox*>(&C)) {
      Line += " " + QuoteText(Check->Caption());
      Line += Check->State() == cbChecked ? " [x]" : Check->State() == cbGrayed ? " [-]" : " [ ]";
      return;
    }
    if (const auto* Button = dynamic_cast<const TButton*>(&C)) {
      Line += " " + QuoteText(Button->Caption());
      if (Button->Default()) Line += " default";
      if (Button->Cancel()) Line += " cancel";
      return;
    }
    if (const auto* Edit = dynamic_cast<const TEdit*>(&C)) {
      Line += " " + QuoteText(Edit->Text());
      return;
    }
    if (const auto* Pages = dynamic_cast<const TPageControl*>(&C)) {
      if (Pages->ActivePage() != nullptr) Line += " on " + Pages->ActivePage()->Name();
      return;
    }
    if (C.InheritsFrom<TLabel>() || C.InheritsFrom<TGroupBox>() || C.InheritsFrom<TPanel>()) {
      if (!C.Caption().empty() || C.InheritsFrom<TLabel>()) Line += " " + QuoteText(C.Caption());
      // A label with the hand cursor is a link: clicking it does something.
      if (C.InheritsFrom<TLabel>() && C.Cursor() == crHandPoint) Line += " link";
    }
    if (const auto* Image = dynamic_cast<const TImage*>(&C); Image != nullptr && Image->Picture().Bitmap() != nullptr) {
      const TBitmap& Bitmap = *Image->Picture().Bitmap();
      Line += Format(" bitmap %d x %d, %d bits per pixel", {Bitmap.Width(), Bitmap.Height(), Bitmap.BitsPerPixel()});
    }
  }

  const TCustomForm& FForm;
  std::string FText;
};

}  // namespace

std::string DescribeForm(const TCustomForm& Form) { return TFormWriter(Form).Write(); }

std::string DescribeMenu(const TPopupMenu& Menu) {
  std::string Text = "[Menu] " + Menu.Name();
  if (Menu.PopupComponent() != nullptr) Text += " on " + Menu.PopupComponent()->Name();
  Text += "\n";
  for (int I = 0; I < Menu.Items().Count(); ++I) {
    const TMenuItem* Item = Menu.Items().Items(I);
    if (!Item->Visible()) continue;
    if (Item->IsLine()) {
      Text += "  -\n";
      continue;
    }
    Text += "  " + Item->Name() + " " + QuoteText(Item->Caption());
    if (Item->Checked()) Text += " checked";
    if (!Item->Enabled()) Text += " disabled";
    Text += "\n";
  }
  return Text;
}

}  // namespace vn_vcl
