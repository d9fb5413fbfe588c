#include "form_layout.h"

#include <nlohmann/json.hpp>

#include "dib_pixels.h"
#include "form_view.h"
#include "text_layout.h"
#include "vcl/ComCtrls.h"
#include "vcl/ExtCtrls.h"
#include "vcl/StdCtrls.h"

namespace vn_vcl {

namespace {

// The classic desktop scheme, indexed by the system colour's number.
constexpr std::uint32_t SystemColors[] = {0xD4D0C8, 0x3A6EA5, 0x0A246A, 0x808080, 0xD4D0C8, 0xFFFFFF, 0x000000,
                                          0x000000, 0x000000, 0xFFFFFF, 0xD4D0C8, 0xD4D0C8, 0x808080, 0x0A246A,
                                          0xFFFFFF, 0xD4D0C8, 0x808080, 0x808080, 0x000000, 0xD4D0C8, 0xFFFFFF,
                                          0x404040, 0xD4D0C8, 0x000000, 0xFFFFE1, 0xB5B5B5, 0x000080};

}  // namespace

TLayoutFont LayoutFontOf(const TFont& Font) {
  TLayoutFont Result;
  Result.Family = ResolvedFontFamily(Font);
  Result.Size = FontPixelSize(Font);
  Result.Bold = Font.Style().Contains(fsBold);
  Result.Italic = Font.Style().Contains(fsItalic);
  Result.Underline = Font.Style().Contains(fsUnderline);
  Result.Color = ColorText(Font.Color());
  return Result;
}

namespace {

std::string AlignmentText(TAlignment Alignment) {
  switch (Alignment) {
    case taRightJustify:
      return "right";
    case taCenter:
      return "center";
    case taLeftJustify:
      break;
  }
  return "left";
}

std::string PanelBevelText(TPanelBevel Bevel) {
  switch (Bevel) {
    case bvLowered:
      return "lowered";
    case bvRaised:
      return "raised";
    case bvNone:
    case bvSpace:
      break;
  }
  return "none";
}

std::string ShapeText(TBevelShape Shape) {
  static const char* const Names[] = {"box", "frame", "topLine", "bottomLine", "leftLine", "rightLine", "spacer"};
  return Names[static_cast<int>(Shape)];
}

std::vector<std::string> StringsOf(const TStrings& Strings) {
  std::vector<std::string> Result;
  Result.reserve(static_cast<std::size_t>(Strings.Count()));
  for (int I = 0; I < Strings.Count(); ++I) Result.push_back(Strings.Strings(I));
  return Result;
}

class TLayoutBuilder {
 public:
  explicit TLayoutBuilder(const TCustomForm& AForm) : FForm(AForm) {}

  TFormLayout Build() {
    FLayout.Name = FForm.Name();
    FLayout.Caption = FForm.Caption();
    FLayout.Width = FForm.Width();
    FLayout.Height = FForm.Height();
    FLayout.ClientWidth = FForm.ClientWidth();
    FLayout.ClientHeight = FForm.ClientHeight();
    FLayout.Font = LayoutFontOf(FForm.Font());
    FLayout.Color = ColorText(FForm.Color());
    Children(FForm, "", 0, 0);
    return std::move(FLayout);
  }

 private:
  void Children(const TWinControl& Parent, const std::string& ParentName, int X, int Y) {
    if (const auto* Pages = dynamic_cast<const TPageControl*>(&Parent)) {
      // Only the active page shows, and what is on it.
      if (TTabSheet* Active = Pages->ActivePage(); Active != nullptr && Active->Visible())
        Control(*Active, ParentName, X, Y);
      for (int I = 0; I < Parent.ControlCount(); ++I)
        if (!Parent.Controls(I)->InheritsFrom<TTabSheet>()) Control(*Parent.Controls(I), ParentName, X, Y);
      return;
    }
    for (int I = 0; I < Parent.ControlCount(); ++I) Control(*Parent.Controls(I), ParentName, X, Y);
  }

  void Control(const TControl& C, const std::string& ParentName, int X, int Y) {
    if (!C.Visible()) return;
    TLayoutControl& Item = FLayout.Controls.emplace_back();
    Item.Name = C.Name();
    Item.Kind = KindOf(C);
    Item.ClassName = C.ClassName();
    Item.Parent = ParentName;
    Item.Left = X + C.Left();
    Item.Top = Y + C.Top();
    Item.Width = C.Width();
    Item.Height = C.Height();
    Item.Enabled = C.EnabledInTree();
    Item.Focused = FForm.ActiveControl() == &C;
    if (!C.ParentFont()) Item.Font = LayoutFontOf(C.Font());
    Item.Color = ColorText(C.Color());
    Describe(C, Item);
    // Item may move when children are added: take what they need first.
    const std::string Name = Item.Name;
    const int Left = Item.Left;
    const int Top = Item.Top;
    if (const auto* W = dynamic_cast<const TWinControl*>(&C); W != nullptr && !C.InheritsFrom<TRadioGroup>())
      Children(*W, Name, Left, Top);
  }

  static void Describe(const TControl& C, TLayoutControl& Item) {
    if (const auto* Combo = dynamic_cast<const TComboBox*>(&C)) {
      Item.Text = Combo->Text();
      Item.Items = StringsOf(Combo->Items());
      Item.ItemIndex = Combo->ItemIndex();
      Item.ItemHeight = Combo->ItemHeight();
    } else if (const auto* List = dynamic_cast<const TListBox*>(&C)) {
      Item.Items = StringsOf(List->Items());
      for (int I = 0; I < List->Items().Count(); ++I)
        if (List->Selected(I)) Item.Selected.push_back(I);
      Item.ItemIndex = List->ItemIndex();
      Item.ItemHeight = List->ItemHeight();
    } else if (const auto* Memo = dynamic_cast<const TMemo*>(&C)) {
      Item.Lines = StringsOf(Memo->Lines());
    } else if (const auto* Radio = dynamic_cast<const TRadioGroup*>(&C)) {
      Item.Caption = Radio->Caption();
      Item.Items = StringsOf(Radio->Items());
      Item.ItemIndex = Radio->ItemIndex();
      Item.Columns = std::max(Radio->Columns(), 1);
    } else if (const auto* Check = dynamic_cast<const TCheckBox*>(&C)) {
      Item.Caption = Check->Caption();
      Item.Checked = Check->State() == cbChecked;
      Item.Alignment = AlignmentText(Check->Alignment());
    } else if (const auto* Button = dynamic_cast<const TButton*>(&C)) {
      Item.Caption = Button->Caption();
      Item.Default = Button->Default();
      Item.Cancel = Button->Cancel();
    } else if (const auto* Edit = dynamic_cast<const TEdit*>(&C)) {
      Item.Text = Edit->Text();
    } else if (const auto* Pages = dynamic_cast<const TPageControl*>(&C)) {
      for (int I = 0; I < Pages->PageCount(); ++I) {
        const TTabSheet& Page = *Pages->Pages(I);
        if (!Page.TabVisible()) continue;
        if (&Page == Pages->ActivePage()) Item.ActiveTab = static_cast<int>(Item.Tabs.size());
        Item.Tabs.push_back(Page.Caption());
      }
    } else if (const auto* Label = dynamic_cast<const TLabel*>(&C)) {
      Item.Caption = Label->Caption();
      Item.Alignment = AlignmentText(Label->Alignment());
    } else if (const auto* Panel = dynamic_cast<const TPanel*>(&C)) {
      Item.Caption = Panel->Caption();
      Item.Alignment = AlignmentText(Panel->Alignment());
      Item.Bevel = PanelBevelText(Panel->BevelOuter());
    } else if (const auto* Bevel = dynamic_cast<const TBevel*>(&C)) {
      Item.Shape = ShapeText(Bevel->Shape());
      Item.Bevel = Bevel->Style() == bsRaised ? "raised" : "lowered";
    } else if (C.InheritsFrom<TGroupBox>() || C.InheritsFrom<TTabSheet>()) {
      Item.Caption = C.Caption();
    } else if (const auto* Image = dynamic_cast<const TImage*>(&C)) {
      if (const TBitmap* Bitmap = Image->Picture().Bitmap()) Item.Png = BitmapFileAsPng(Bitmap->FileData());
    }
  }

  const TCustomForm& FForm;
  TFormLayout FLayout;
};

// A PNG picture as the page's img elements take it.
std::string DataUri(const std::string& Png) {
  static constexpr char Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string Out = "data:image/png;base64,";
  for (std::size_t I = 0; I < Png.size(); I += 3) {
    const auto Byte = [&](std::size_t K) { return K < Png.size() ? static_cast<std::uint32_t>(static_cast<unsigned char>(Png[K])) : 0u; };
    const std::uint32_t Bits = Byte(I) << 16 | Byte(I + 1) << 8 | Byte(I + 2);
    Out += Digits[Bits >> 18 & 63];
    Out += Digits[Bits >> 12 & 63];
    Out += I + 1 < Png.size() ? Digits[Bits >> 6 & 63] : '=';
    Out += I + 2 < Png.size() ? Digits[Bits & 63] : '=';
  }
  return Out;
}

nlohmann::json FontJson(const TLayoutFont& Font) {
  return {{"family", Font.Family}, {"size", Font.Size},           {"bold", Font.Bold},
          {"italic", Font.Italic}, {"underline", Font.Underline}, {"color", Font.Color}};
}

}  // namespace

std::string ColorText(TColor Color) {
  std::uint32_t Rgb = 0;
  const auto Value = static_cast<std::uint32_t>(Color);
  if ((Value & 0xFF000000u) == 0xFF000000u) {
    const std::uint32_t Index = Value & 0xFFu;
    Rgb = Index < std::size(SystemColors) ? SystemColors[Index] : 0;
  } else if (Color == clNone || Color == clDefault) {
    Rgb = SystemColors[clBtnFace & 0xFF];
  } else {
    // TColor keeps blue in the high byte.
    Rgb = ((Value & 0xFF) << 16) | (Value & 0xFF00) | ((Value >> 16) & 0xFF);
  }
  static const char* const Hex = "0123456789abcdef";
  std::string Text = "#";
  for (int Shift = 20; Shift >= 0; Shift -= 4) Text += Hex[(Rgb >> Shift) & 0xF];
  return Text;
}

TFormLayout LayoutForm(const TCustomForm& Form) { return TLayoutBuilder(Form).Build(); }

nlohmann::json LayoutJson(const TFormLayout& Layout) {
  nlohmann::json Controls = nlohmann::json::array();
  for (const TLayoutControl& C : Layout.Controls) {
    Controls.push_back({{"name", C.Name},           {"kind", C.Kind},
                        {"class", C.ClassName},     {"parent", C.Parent},
                        {"left", C.Left},           {"top", C.Top},
                        {"width", C.Width},         {"height", C.Height},
                        {"caption", C.Caption},     {"text", C.Text},
                        {"items", C.Items},         {"selected", C.Selected},
                        {"itemIndex", C.ItemIndex}, {"itemHeight", C.ItemHeight},
                        {"lines", C.Lines},         {"checked", C.Checked},
                        {"enabled", C.Enabled},     {"visible", C.Visible},
                        {"focused", C.Focused},     {"default", C.Default},
                        {"cancel", C.Cancel},       {"tabs", C.Tabs},
                        {"activeTab", C.ActiveTab}, {"font", C.Font ? FontJson(*C.Font) : nlohmann::json(nullptr)},
                        {"color", C.Color},         {"columns", C.Columns},
                        {"alignment", C.Alignment}, {"bevel", C.Bevel},
                        {"shape", C.Shape},         {"picture", C.Png.empty() ? nlohmann::json(nullptr)
                                                                               : nlohmann::json(DataUri(C.Png))}});
  }
  return {{"name", Layout.Name},
          {"caption", Layout.Caption},
          {"width", Layout.Width},
          {"height", Layout.Height},
          {"clientWidth", Layout.ClientWidth},
          {"clientHeight", Layout.ClientHeight},
          {"font", FontJson(Layout.Font)},
          {"color", Layout.Color},
          {"controls", std::move(Controls)}};
}

}  // namespace vn_vcl
