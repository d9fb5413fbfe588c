#include "accelerators.h"

#include "vcl/ComCtrls.h"
#include "vcl/ExtCtrls.h"
#include "vcl/StdCtrls.h"
#include "rtl/SysUtils.h"

namespace vn_vcl {

std::string WithoutAccelerator(std::string_view Caption) {
  std::string Result;
  for (std::size_t I = 0; I < Caption.size(); ++I) {
    if (Caption[I] == '&' && I + 1 < Caption.size())
      ++I;
    else if (Caption[I] == '&')
      continue;
    Result += Caption[I];
  }
  return Result;
}

std::string AcceleratorOf(std::string_view Caption) {
  for (std::size_t I = 0; I + 1 < Caption.size(); ++I) {
    if (Caption[I] != '&') continue;
    if (Caption[I + 1] == '&') {
      ++I;
      continue;
    }
    // The whole UTF-8 sequence: its lead byte and the continuation bytes.
    std::size_t End = I + 2;
    while (End < Caption.size() && (static_cast<unsigned char>(Caption[End]) & 0xC0) == 0x80) ++End;
    return std::string(Caption.substr(I + 1, End - I - 1));
  }
  return {};
}

bool IsAccel(std::string_view Key, std::string_view Caption) {
  const std::string Accel = AcceleratorOf(Caption);
  return !Accel.empty() && AnsiSameText(Accel, Key);
}

namespace {

bool Reachable(const TControl& Control) { return Control.Showing() && Control.EnabledInTree(); }

// What Alt+Key reaches: a control, and for a page control or a radio group
// the page or item.
struct TAccelTarget {
  TControl* Control = nullptr;
  int Index = -1;
};

TAccelTarget Find(const TControl& Control, std::string_view Key) {
  if (!Reachable(Control)) return {};
  auto* Mutable = const_cast<TControl*>(&Control);
  if (const auto* Pages = dynamic_cast<const TPageControl*>(&Control)) {
    for (int I = 0; I < Pages->PageCount(); ++I) {
      const TTabSheet* Page = Pages->Pages(I);
      if (Page->TabVisible() && Page->Visible() && IsAccel(Key, Page->Caption())) return {Mutable, I};
    }
  } else if (const auto* Radio = dynamic_cast<const TRadioGroup*>(&Control)) {
    for (int I = 0; I < Radio->Items().Count(); ++I)
      if (IsAccel(Key, Radio->Items().Strings(I))) return {Mutable, I};
    return {};
  } else if (Control.InheritsFrom<TButton>() || Control.InheritsFrom<TCheckBox>()) {
    return IsAccel(Key, Control.Caption()) ? TAccelTarget{Mutable, -1} : TAccelTarget{};
  } else if (const auto* Label = dynamic_cast<const TLabel*>(&Control)) {
    const TWinControl* Target = Label->FocusControl();
    const bool Takes = Target != nullptr && Label->ShowAccelChar() && IsAccel(Key, Label->Caption()) && Target->CanFocus();
    return Takes ? TAccelTarget{Mutable, -1} : TAccelTarget{};
  }
  if (const auto* Parent = dynamic_cast<const TWinControl*>(&Control))
    for (int I = 0; I < Parent->ControlCount(); ++I)
      if (TAccelTarget Target = Find(*Parent->Controls(I), Key); Target.Control != nullptr) return Target;
  return {};
}

TAccelTarget Find(const TCustomForm& Form, std::string_view Key) {
  for (int I = 0; I < Form.ControlCount(); ++I)
    if (TAccelTarget Target = Find(*Form.Controls(I), Key); Target.Control != nullptr) return Target;
  return {};
}

// The focus moves first; its old owner's exit handler may then have made the
// control unreachable, and the key does nothing more.
bool FocusFirst(TCustomForm& Form, TWinControl& Control) {
  if (Control.CanFocus()) Form.FocusControl(&Control);
  return Reachable(Control);
}

}  // namespace

bool TakesAccelerator(const TCustomForm& Form, std::string_view Key) { return Find(Form, Key).Control != nullptr; }

bool PressAccelerator(TCustomForm& Form, std::string_view Key) {
  const TAccelTarget Target = Find(Form, Key);
  TControl* Control = Target.Control;
  if (Control == nullptr) return false;
  if (auto* Pages = dynamic_cast<TPageControl*>(Control)) {
    if (FocusFirst(Form, *Pages)) Pages->UserSelectPage(*Pages->Pages(Target.Index));
  } else if (auto* Radio = dynamic_cast<TRadioGroup*>(Control)) {
    if (FocusFirst(Form, *Radio)) Radio->UserClickItem(Target.Index);
  } else if (auto* Box = dynamic_cast<TCheckBox*>(Control)) {
    if (FocusFirst(Form, *Box)) Box->Click();
  } else if (auto* Label = dynamic_cast<TLabel*>(Control)) {
    Form.FocusControl(Label->FocusControl());
  } else {
    Control->Click();  // a button: clicked where the focus is
  }
  return true;
}

TMenuItem* FindAcceleratedItem(const TPopupMenu& Menu, std::string_view Key) {
  for (int I = 0; I < Menu.Items().Count(); ++I) {
    TMenuItem* Item = Menu.Items().Items(I);
    if (Item->Visible() && Item->Enabled() && !Item->IsLine() && IsAccel(Key, Item->Caption())) return Item;
  }
  return nullptr;
}

TControl* FindControlByCaption(const TCustomForm& Form, std::string_view Caption) {
  const std::string Wanted = WithoutAccelerator(Caption);
  TControl* Hidden = nullptr;
  for (int I = 0; I < Form.ComponentCount(); ++I) {
    auto* Control = dynamic_cast<TControl*>(Form.Components(I));
    if (Control == nullptr || !(Control->InheritsFrom<TButton>() || Control->InheritsFrom<TCheckBox>())) continue;
    if (!AnsiSameText(WithoutAccelerator(Control->Caption()), Wanted)) continue;
    if (Control->Showing()) return Control;
    if (Hidden == nullptr) Hidden = Control;
  }
  return Hidden;
}

}  // namespace vn_vcl
