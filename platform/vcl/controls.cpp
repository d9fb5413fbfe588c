#include "vcl/Controls.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "vcl/ComCtrls.h"
#include "vcl/Forms.h"
#include "vcl/Menus.h"
#include "text_layout.h"
#include "ui_driver.h"
#include "windows_host.h"

VN_IMPLEMENT_PUBLISHED(TFont, TPersistent)
VN_IMPLEMENT_CLASS(TCanvas, TPersistent)
VN_IMPLEMENT_PUBLISHED(TControl, TComponent)
VN_IMPLEMENT_CLASS(TGraphicControl, TControl)
VN_IMPLEMENT_PUBLISHED(TWinControl, TControl)
VN_IMPLEMENT_CLASS(TCustomControl, TWinControl)

namespace {

// Window handles: numbers never reused, so that a message to a destroyed
// control finds nothing instead of freed memory.
class THandleTable {
 public:
  HWND Allocate(TWinControl& Control) {
    std::lock_guard Guard(FLock);
    const HWND Handle = ++FLast;
    FControls.emplace(Handle, &Control);
    return Handle;
  }
  void Release(HWND Handle) {
    std::lock_guard Guard(FLock);
    FControls.erase(Handle);
  }
  TWinControl* Find(HWND Handle) {
    std::lock_guard Guard(FLock);
    const auto It = FControls.find(Handle);
    return It == FControls.end() ? nullptr : It->second;
  }

 private:
  std::mutex FLock;
  HWND FLast = 0x100;
  std::unordered_map<HWND, TWinControl*> FControls;
};

THandleTable& Handles() {
  static THandleTable* Table = new THandleTable;  // controls may outlive static destruction
  return *Table;
}

// The Windows calls of the base library reach the controls and the driver.
class TControlsWindowsHost : public vn_rtl::TWindowsHost {
 public:
  LRESULT SendMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) override {
    TWinControl* Control = Handles().Find(hWnd);
    return Control == nullptr ? 0 : Control->Perform(Msg, wParam, lParam);
  }
  bool IsKeyDown(int VirtualKey) override { return vn_vcl::UserInterfaceDriver().IsKeyDown(VirtualKey); }
  bool ShellExecute(const std::string& Verb, const std::string& File) override {
    return vn_vcl::UserInterfaceDriver().ShellExecute(Verb, File);
  }
};

// Installed while this library is loaded.
struct TWindowsHostInstallation {
  TWindowsHostInstallation() noexcept { vn_rtl::SetWindowsHost(&Host); }
  ~TWindowsHostInstallation() { vn_rtl::SetWindowsHost(nullptr); }
  TControlsWindowsHost Host;
};
TWindowsHostInstallation WindowsHostInstallation;

}  // namespace

// ---------------------------------------------------------------------------
// TFont

TFont::TFont() = default;

const std::vector<TPropInfo>& TFont::PublishedProperties() {
  using F = TFont;
  static const auto List = TPublisher<F>()
                               .IntegerOf<TFontCharset>("Charset", &F::Charset, &F::SetCharset, DEFAULT_CHARSET)
                               .IntegerOf<TColor>("Color", &F::Color, &F::SetColor, clWindowText)
                               .Integer("Height", &F::Height, &F::SetHeight, -11)
                               .String("Name", &F::Name, &F::SetName)
                               .Enum("Pitch", &F::Pitch, &F::SetPitch, fpDefault)
                               .Integer("Size", &F::Size, &F::SetSize)
                               .StoredIf([](const F&) { return false; })
                               .Set<TFontStyles>("Style", &F::Style, &F::SetStyle)
                               .List();
  return List;
}

void TFont::Changed() {
  if (OnChange) OnChange(*this);
}

void TFont::SetName(const std::string& Value) {
  if (FName == Value) return;
  FName = Value;
  Changed();
}

void TFont::SetHeight(int Value) {
  if (FHeight == Value) return;
  FHeight = Value;
  Changed();
}

int TFont::Size() const {
  // Points from pixels, rounded as the platform's MulDiv.
  const long long Scaled = -static_cast<long long>(FHeight) * 72;
  const long long Half = FPixelsPerInch / 2;
  return static_cast<int>(Scaled >= 0 ? (Scaled + Half) / FPixelsPerInch : (Scaled - Half) / FPixelsPerInch);
}

void TFont::SetSize(int Value) {
  const long long Scaled = static_cast<long long>(Value) * FPixelsPerInch;
  SetHeight(-static_cast<int>((Scaled >= 0 ? Scaled + 36 : Scaled - 36) / 72));
}

void TFont::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  Changed();
}

void TFont::SetStyle(TFontStyles Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Changed();
}

void TFont::SetCharset(TFontCharset Value) {
  if (FCharset == Value) return;
  FCharset = Value;
  Changed();
}

void TFont::SetPitch(TFontPitch Value) {
  if (FPitch == Value) return;
  FPitch = Value;
  Changed();
}

bool TFont::Equals(const TFont& Other) const noexcept {
  return FName == Other.FName && FHeight == Other.FHeight && FColor == Other.FColor && FStyle == Other.FStyle &&
         FCharset == Other.FCharset && FPitch == Other.FPitch;
}

void TFont::Assign(const TPersistent& Source) {
  const auto* Other = dynamic_cast<const TFont*>(&Source);
  if (Other == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (Equals(*Other)) return;
  FName = Other->FName;
  FHeight = Other->FHeight;
  FColor = Other->FColor;
  FStyle = Other->FStyle;
  FCharset = Other->FCharset;
  FPitch = Other->FPitch;
  Changed();
}

TSize TCanvas::TextExtent(std::string_view Text) const { return vn_vcl::MeasureText(*FFont, Text); }

// ---------------------------------------------------------------------------
// TControl

const std::vector<TPropInfo>& TControl::PublishedProperties() {
  using C = TControl;
  // A form's size is its client size; the outer size follows from the border.
  auto NotForm = [](const C& Control) { return !Control.InheritsFrom<TCustomForm>(); };
  static const auto List =
      TPublisher<C>()
          .Integer("Left", &C::Left, &C::SetLeft, std::nullopt)
          .Integer("Top", &C::Top, &C::SetTop, std::nullopt)
          .Integer("Width", &C::Width, &C::SetWidth, std::nullopt)
          .StoredIf(NotForm)
          .Integer("Height", &C::Height, &C::SetHeight, std::nullopt)
          .StoredIf(NotForm)
          .Enum("Align", &C::Align, &C::SetAlign, alNone)
          .IntegerOf<TColor>("Color", &C::Color, &C::SetColor, std::nullopt)
          .StoredIf([](const C& Control) { return Control.ColorStored(); })
          .IntegerOf<TCursor>("Cursor", &C::Cursor, &C::SetCursor, crDefault)
          .Boolean("Enabled", &C::Enabled, &C::SetEnabled, true)
          .Owned<TFont>("Font", [](const C& Control) { return &Control.Font(); })
          .StoredIf([](const C& Control) { return !Control.ParentFont(); })
          .Integer("HelpContext", &C::HelpContext, &C::SetHelpContext)
          .String("Hint", &C::Hint, &C::SetHint)
          .Boolean("ParentColor", &C::ParentColor, &C::SetParentColor, true)
          .Boolean("ParentFont", &C::ParentFont, &C::SetParentFont, true)
          .Boolean("ParentShowHint", &C::ParentShowHint, &C::SetParentShowHint, true)
          .Reference<TPopupMenu>("PopupMenu", &C::PopupMenu, &C::SetPopupMenu)
          .Boolean("ShowHint", &C::ShowHint, &C::SetShowHint, false)
          .StoredIf([](const C& Control) { return !Control.ParentShowHint(); })
          .Boolean("Visible", &C::Visible, &C::SetVisible, true)
          .Event<void(TObject*)>(
              "OnClick", [](const C& Control) -> const TNotifyEvent& { return Control.OnClick; },
              [](C& Control, TNotifyEvent V) { Control.OnClick = std::move(V); })
          .Event<void(TObject*, TMouseButton, TShiftState, int, int)>(
              "OnMouseDown", [](const C& Control) -> const TMouseEvent& { return Control.OnMouseDown; },
              [](C& Control, TMouseEvent V) { Control.OnMouseDown = std::move(V); })
          .Event<void(TObject*, TMouseButton, TShiftState, int, int)>(
              "OnMouseUp", [](const C& Control) -> const TMouseEvent& { return Control.OnMouseUp; },
              [](C& Control, TMouseEvent V) { Control.OnMouseUp = std::move(V); })
          .List();
  return List;
}

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), FFont(std::make_unique<TFont>()), FCanvas(std::make_unique<TCanvas>(*FFont)) {
  FFont->OnChange = [this](TFont&) { HandleFontChange(); };
}

TControl::~TControl() {
  FFont->OnChange = nullptr;
  SetParent(nullptr);
}

void TControl::SetDefaultColor(TColor Value, bool AParentColor) {
  FColor = FDefaultColor = Value;
  FParentColor = AParentColor;
}

void TControl::SetParent(TWinControl* Value) {
  if (FParent == Value) return;
  for (const TControl* P = Value; P != nullptr; P = P->FParent)
    if (P == this) throw EInvalidOperation(Format("Control %s cannot be its own parent", {Name()}));
  TCustomForm* OldForm = GetParentForm();
  if (FParent != nullptr) FParent->RemoveControl(*this);
  FParent = Value;
  if (FParent != nullptr) FParent->InsertControl(*this);
  // The old form forgets a focus that left it with this control.
  if (OldForm != nullptr && OldForm != GetParentForm() && OldForm->ActiveControl() != nullptr) {
    const TControl* Active = OldForm->ActiveControl();
    for (const TControl* P = Active; P != nullptr; P = P->FParent)
      if (P == this) {
        OldForm->SetActiveControl(nullptr);
        break;
      }
  }
  ParentFontChanged();
  ParentColorChanged();
  if (FAlign != alNone) RequestAlign();
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  if (FLeft == ALeft && FTop == ATop && FWidth == AWidth && FHeight == AHeight) return;
  const bool Resized = FWidth != AWidth || FHeight != AHeight;
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  if (FAlign != alNone) RequestAlign();
  if (Resized)
    if (auto* Self = dynamic_cast<TWinControl*>(this)) Self->Realign();
}

void TControl::SetText(const std::string& Value) {
  if (FText == Value) return;
  FText = Value;
  TextChanged();
}

namespace {
// A focused control that can no longer take the focus loses it.
void DropFocusFrom(TControl& Control) {
  TCustomForm* Form = Control.GetParentForm();
  if (Form == nullptr || !Form->Showing() || Form->ActiveControl() == nullptr) return;
  for (const TControl* P = Form->ActiveControl(); P != nullptr; P = P->Parent())
    if (P == &Control) {
      Form->FocusControl(nullptr);
      return;
    }
}
}  // namespace

void TControl::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  if (!Value) DropFocusFrom(*this);
}

void TControl::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  if (!Value) DropFocusFrom(*this);
  if (FAlign != alNone) RequestAlign();
}

bool TControl::Showing() const { return FVisible && FParent != nullptr && FParent->Showing(); }

bool TControl::EnabledInTree() const { return FEnabled && (FParent == nullptr || FParent->EnabledInTree()); }

void TControl::HandleFontChange() {
  if (!FFollowingParent) FParentFont = false;
  FontChanged();
  if (auto* Self = dynamic_cast<TWinControl*>(this))
    for (TControl* Child : std::vector<TControl*>(Self->FControls)) Child->ParentFontChanged();
}

void TControl::SetParentFont(bool Value) {
  if (FParentFont == Value) return;
  FParentFont = Value;
  ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!FParentFont || FParent == nullptr) return;
  FFollowingParent = true;
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } Reset{FFollowingParent};
  FFont->Assign(FParent->Font());
}

void TControl::SetColor(TColor Value) {
  FParentColor = false;
  if (FColor == Value) return;
  FColor = Value;
  if (auto* Self = dynamic_cast<TWinControl*>(this))
    for (TControl* Child : Self->FControls) Child->ParentColorChanged();
}

void TControl::SetParentColor(bool Value) {
  if (FParentColor == Value) return;
  FParentColor = Value;
  ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (!FParentColor || FParent == nullptr) return;
  FColor = FParent->Color();
  if (auto* Self = dynamic_cast<TWinControl*>(this))
    for (TControl* Child : Self->FControls) Child->ParentColorChanged();
}

void TControl::SetShowHint(bool Value) {
  FShowHint = Value;
  FParentShowHint = false;
}

void TControl::SetParentShowHint(bool Value) {
  FParentShowHint = Value;
  if (Value && FParent != nullptr) FShowHint = FParent->ShowHint();
}

void TControl::SetAlign(TAlign Value) {
  if (FAlign == Value) return;
  FAlign = Value;
  RequestAlign();
}

void TControl::RequestAlign() {
  if (FParent != nullptr) FParent->Realign();
}

void TControl::SetPopupMenu(TPopupMenu* Value) {
  if (FPopupMenu == Value) return;
  if (FPopupMenu != nullptr) FPopupMenu->RemoveFreeNotification(*this);
  FPopupMenu = Value;
  if (FPopupMenu != nullptr) FPopupMenu->FreeNotification(*this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent != nullptr && AComponent == FPopupMenu) FPopupMenu = nullptr;
  TComponent::Notification(AComponent, Operation);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

TCustomForm* TControl::GetParentForm() const {
  const TControl* Top = this;
  while (Top->FParent != nullptr) Top = Top->FParent;
  return const_cast<TCustomForm*>(dynamic_cast<const TCustomForm*>(Top));
}

TCustomForm* GetParentForm(const TControl& Control) { return Control.GetParentForm(); }

bool TControl::HasParent() const { return FParent != nullptr; }

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* Value) {
  if (auto* Parent = dynamic_cast<TWinControl*>(Value)) SetParent(Parent);
}

// ---------------------------------------------------------------------------
// TWinControl

const std::vector<TPropInfo>& TWinControl::PublishedProperties() {
  using W = TWinControl;
  static const auto List = TPublisher<W>()
                               .Integer("TabOrder", &W::TabOrder, &W::SetTabOrder, std::nullopt)
                               .StoredIf([](const W& Control) { return Control.Parent() != nullptr; })
                               .Boolean("TabStop", &W::TabStop, &W::SetTabStop, false)
                               .Event<void(TObject*)>(
                                   "OnEnter", [](const W& Control) -> const TNotifyEvent& { return Control.OnEnter; },
                                   [](W& Control, TNotifyEvent V) { Control.OnEnter = std::move(V); })
                               .Event<void(TObject*)>(
                                   "OnExit", [](const W& Control) -> const TNotifyEvent& { return Control.OnExit; },
                                   [](W& Control, TNotifyEvent V) { Control.OnExit = std::move(V); })
                               .List();
  return List;
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), FHandle(Handles().Allocate(*this)) {}

TWinControl::~TWinControl() {
  Handles().Release(FHandle);
  // Out of the parent while still a windowed control, so that the parent's tab
  // order lets go of it too.
  SetParent(nullptr);
  if (TCustomForm* Form = GetParentForm(); Form != nullptr && Form != this) {
    for (const TControl* P = Form->ActiveControl(); P != nullptr; P = P->Parent())
      if (P == this) {
        Form->SetActiveControl(nullptr);
        break;
      }
  }
  // The children stay with their owner, which frees them.
  for (TControl* Child : FControls) Child->FParent = nullptr;
  FControls.clear();
  FTabList.clear();
}

LRESULT TWinControl::Perform(UINT, WPARAM, LPARAM) { return 0; }

TControl* TWinControl::Controls(int Index) const {
  if (Index < 0 || Index >= ControlCount()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FControls[static_cast<std::size_t>(Index)];
}

bool TWinControl::ContainsControl(const TControl* Control) const {
  for (const TControl* P = Control; P != nullptr; P = P->Parent())
    if (P == this) return true;
  return false;
}

void TWinControl::InsertControl(TControl& Control) {
  FControls.push_back(&Control);
  if (auto* Win = dynamic_cast<TWinControl*>(&Control)) {
    int At = static_cast<int>(FTabList.size());
    if (Win->FPendingTabOrder >= 0 && !Win->ComponentState().Contains(csLoading))
      At = std::min(Win->FPendingTabOrder, At);
    FTabList.insert(FTabList.begin() + At, Win);
    if (!Win->ComponentState().Contains(csLoading)) Win->FPendingTabOrder = -1;
  }
}

void TWinControl::RemoveControl(TControl& Control) {
  std::erase(FControls, &Control);
  if (auto* Win = dynamic_cast<TWinControl*>(&Control)) {
    // Out of a parent, the control remembers its place for the next one.
    const auto It = std::find(FTabList.begin(), FTabList.end(), Win);
    if (It != FTabList.end() && Win->FPendingTabOrder < 0)
      Win->FPendingTabOrder = static_cast<int>(It - FTabList.begin());
    std::erase(FTabList, Win);
  }
  Realign();
}

int TWinControl::TabOrder() const {
  if (Parent() == nullptr || ComponentState().Contains(csLoading)) return FPendingTabOrder;
  const auto& List = Parent()->FTabList;
  const auto It = std::find(List.begin(), List.end(), this);
  return It == List.end() ? -1 : static_cast<int>(It - List.begin());
}

void TWinControl::SetTabOrder(int Value) {
  // While a form is read, siblings read later are not there yet: the order is
  // settled when the parent has loaded.
  if (Parent() == nullptr || ComponentState().Contains(csLoading)) {
    FPendingTabOrder = Value;
    return;
  }
  auto& List = Parent()->FTabList;
  std::erase(List, this);
  const int At = Value < 0 ? static_cast<int>(List.size()) : std::min(Value, static_cast<int>(List.size()));
  List.insert(List.begin() + At, this);
}

void TWinControl::Loaded() {
  TControl::Loaded();
  // Tab orders read from the file: by the number given, the rest after them in
  // the order they came.
  std::stable_sort(FTabList.begin(), FTabList.end(), [](const TWinControl* A, const TWinControl* B) {
    const unsigned OrderA = static_cast<unsigned>(A->FPendingTabOrder);  // -1 sorts last
    const unsigned OrderB = static_cast<unsigned>(B->FPendingTabOrder);
    return OrderA < OrderB;
  });
  for (TWinControl* Child : FTabList) Child->FPendingTabOrder = -1;
  if (Parent() != nullptr && Parent()->ComponentState().Contains(csLoading)) return;
  Realign();
}

bool TWinControl::CanFocus() const {
  const TCustomForm* Form = GetParentForm();
  if (Form == nullptr) return false;
  for (const TControl* P = this; P != Form; P = P->Parent()) {
    if (!P->Visible() || !P->Enabled()) return false;
    // An inactive page hides what is on it.
    const auto* Page = dynamic_cast<const TTabSheet*>(P);
    if (Page != nullptr && Page->PageControl() != nullptr && Page->PageControl()->ActivePage() != Page) return false;
  }
  return Form->Enabled();
}

void TWinControl::SetFocus() {
  TCustomForm* Form = GetParentForm();
  if (Form == nullptr || !CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  Form->FocusControl(this);
}

bool TWinControl::Focused() const {
  const TCustomForm* Form = GetParentForm();
  return Form != nullptr && Form->Showing() && Form->ActiveControl() == this;
}

void TWinControl::ListTabOrder(std::vector<TWinControl*>& List) const {
  for (TWinControl* Child : FTabList) {
    List.push_back(Child);
    Child->ListTabOrder(List);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward) const {
  std::vector<TWinControl*> List;
  ListTabOrder(List);
  if (List.empty()) return nullptr;
  if (!GoForward) std::reverse(List.begin(), List.end());
  const auto Cur = std::find(List.begin(), List.end(), CurControl);
  const std::size_t Start = Cur == List.end() ? List.size() - 1 : static_cast<std::size_t>(Cur - List.begin());
  for (std::size_t Step = 1; Step <= List.size(); ++Step) {
    TWinControl* Candidate = List[(Start + Step) % List.size()];
    if (Candidate->TabStop() && Candidate->CanFocus()) return Candidate;
  }
  return nullptr;
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::ParentFontChanged() { TControl::ParentFontChanged(); }

void TWinControl::ParentColorChanged() { TControl::ParentColorChanged(); }

void TWinControl::GetChildren(const std::function<void(TComponent&)>& Proc, const TComponent& Root) const {
  for (TControl* Child : std::vector<TControl*>(FControls))
    if (Child->Owner() == &Root) Proc(*Child);
  TComponent::GetChildren(Proc, Root);
}

void TWinControl::Realign() {
  if (FAligning || ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)) return;
  FAligning = true;
  struct TReset {
    bool& Flag;
    ~TReset() { Flag = false; }
  } Reset{FAligning};
  int Left = 0, Top = 0, Right = ClientWidth(), Bottom = ClientHeight();
  auto Each = [&](TAlign Kind, auto Place) {
    for (TControl* Child : std::vector<TControl*>(FControls))
      if (Child->Align() == Kind && Child->Visible()) Place(*Child);
  };
  Each(alTop, [&](TControl& C) {
    C.SetBounds(Left, Top, Right - Left, C.Height());
    Top += C.Height();
  });
  Each(alBottom, [&](TControl& C) {
    C.SetBounds(Left, Bottom - C.Height(), Right - Left, C.Height());
    Bottom -= C.Height();
  });
  Each(alLeft, [&](TControl& C) {
    C.SetBounds(Left, Top, C.Width(), Bottom - Top);
    Left += C.Width();
  });
  Each(alRight, [&](TControl& C) {
    C.SetBounds(Right - C.Width(), Top, C.Width(), Bottom - Top);
    Right -= C.Width();
  });
  Each(alClient, [&](TControl& C) { C.SetBounds(Left, Top, Right - Left, Bottom - Top); });
}
