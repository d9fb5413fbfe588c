#include <algorithm>
#include <climits>

#include "vcl/Forms.h"
#include "vcl/StdCtrls.h"
#include "item_strings.h"

VN_IMPLEMENT_PUBLISHED(TLabel, TGraphicControl)
VN_IMPLEMENT_PUBLISHED(TButton, TWinControl)
VN_IMPLEMENT_PUBLISHED(TEdit, TWinControl)
VN_IMPLEMENT_PUBLISHED(TComboBox, TWinControl)
VN_IMPLEMENT_PUBLISHED(TListBox, TWinControl)
VN_IMPLEMENT_PUBLISHED(TCheckBox, TWinControl)
VN_IMPLEMENT_PUBLISHED(TMemo, TWinControl)
VN_IMPLEMENT_CLASS(TCustomGroupBox, TCustomControl)
VN_IMPLEMENT_PUBLISHED(TGroupBox, TCustomGroupBox)

namespace {

template <class C>
auto EventOf(TNotifyEvent C::*Member) {
  return [Member](const C& Control) -> const TNotifyEvent& { return Control.*Member; };
}
template <class C>
auto SetEventOf(TNotifyEvent C::*Member) {
  return [Member](C& Control, TNotifyEvent Value) { Control.*Member = std::move(Value); };
}

[[noreturn]] void IndexError(int Index) { throw EListError(Format("List index out of bounds (%d)", {Index})); }

bool Loading(const TComponent& C) { return C.ComponentState().Contains(csLoading); }

}  // namespace

// ---------------------------------------------------------------------------
// TLabel

const std::vector<TPropInfo>& TLabel::PublishedProperties() {
  using L = TLabel;
  static const auto List = TPublisher<L>()
                               .Enum("Alignment", &L::Alignment, &L::SetAlignment, taLeftJustify)
                               .Boolean("AutoSize", &L::AutoSize, &L::SetAutoSize, true)
                               .String("Caption", &L::Caption, &L::SetCaption)
                               .Reference<TWinControl>("FocusControl", &L::FocusControl, &L::SetFocusControl)
                               .Enum("Layout", &L::Layout, &L::SetLayout, tlTop)
                               .Boolean("ShowAccelChar", &L::ShowAccelChar, &L::SetShowAccelChar, true)
                               .Boolean("Transparent", &L::Transparent, &L::SetTransparent, false)
                               .Boolean("WordWrap", &L::WordWrap, &L::SetWordWrap, false)
                               .List();
  return List;
}

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 65, 17); }

void TLabel::SetAutoSize(bool Value) {
  FAutoSize = Value;
  AdjustBounds();
}

void TLabel::SetFocusControl(TWinControl* Value) {
  if (FFocusControl == Value) return;
  if (FFocusControl != nullptr) FFocusControl->RemoveFreeNotification(*this);
  FFocusControl = Value;
  if (FFocusControl != nullptr) FFocusControl->FreeNotification(*this);
}

void TLabel::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent != nullptr && AComponent == FFocusControl) FFocusControl = nullptr;
  TGraphicControl::Notification(AComponent, Operation);
}

std::string TLabel::DisplayText() const {
  const std::string Text = Caption();
  if (!FShowAccelChar) return Text;
  std::string Result;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '&' && I + 1 < Text.size())
      ++I;
    else if (Text[I] == '&')
      continue;
    Result += Text[I];
  }
  return Result;
}

void TLabel::TextChanged() { AdjustBounds(); }

void TLabel::FontChanged() { AdjustBounds(); }

void TLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TLabel::AdjustBounds() {
  // A label that sizes itself is as wide as its text in its font.
  if (!FAutoSize || FWordWrap || Loading(*this)) return;
  const std::string Text = DisplayText();
  const TSize Extent = Canvas().TextExtent(Text.empty() ? std::string_view(" ") : std::string_view(Text));
  const int NewWidth = Text.empty() ? 0 : Extent.cx;
  int NewLeft = Left();
  if (FAlignment == taRightJustify) NewLeft += Width() - NewWidth;
  SetBounds(NewLeft, Top(), NewWidth, Extent.cy);
}

// ---------------------------------------------------------------------------
// TButton

const std::vector<TPropInfo>& TButton::PublishedProperties() {
  using B = TButton;
  static const auto List = TPublisher<B>()
                               .Boolean("Cancel", &B::Cancel, &B::SetCancel, false)
                               .String("Caption", &B::Caption, &B::SetCaption)
                               .Boolean("Default", &B::Default, &B::SetDefault, false)
                               .Integer("ModalResult", &B::ModalResult, &B::SetModalResult, mrNone)
                               .List();
  return List;
}

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
}

void TButton::Click() {
  if (FModalResult != mrNone)
    if (TCustomForm* Form = GetParentForm()) Form->SetModalResult(FModalResult);
  TWinControl::Click();
}

// ---------------------------------------------------------------------------
// TEdit

const std::vector<TPropInfo>& TEdit::PublishedProperties() {
  using E = TEdit;
  static const auto List = TPublisher<E>()
                               .Integer("MaxLength", &E::MaxLength, &E::SetMaxLength)
                               .Boolean("ReadOnly", &E::ReadOnly, &E::SetReadOnly, false)
                               .String("Text", &E::Text, &E::SetText)
                               .Event<void(TObject*)>("OnChange", EventOf(&E::OnChange), SetEventOf(&E::OnChange))
                               .List();
  return List;
}

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetDefaultColor(clWindow, false);
  SetBounds(0, 0, 121, 21);
}

void TEdit::UserSetText(const std::string& Value) {
  if (FReadOnly) throw EInvalidOperation(Format("%s is read-only", {Name()}));
  if (Text() == Value) return;
  SetText(Value);
  Change();
}

void TEdit::Change() {
  if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------
// TComboBox

const std::vector<TPropInfo>& TComboBox::PublishedProperties() {
  using C = TComboBox;
  static const auto List = TPublisher<C>()
                               .Integer("DropDownCount", &C::DropDownCount, &C::SetDropDownCount, 8)
                               .Integer("ItemHeight", &C::ItemHeight, &C::SetItemHeight, 13)
                               .Integer("ItemIndex", &C::ItemIndex, &C::SetItemIndex, -1)
                               .Owned<TStrings>("Items", [](const C& Combo) { return &Combo.Items(); })
                               .Integer("MaxLength", &C::MaxLength, &C::SetMaxLength)
                               .Boolean("Sorted", &C::Sorted, &C::SetSorted, false)
                               .Enum("Style", &C::Style, &C::SetStyle, csDropDown)
                               .String("Text", &C::Text, &C::SetText)
                               .Event<void(TObject*)>("OnChange", EventOf(&C::OnChange), SetEventOf(&C::OnChange))
                               .List();
  return List;
}

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner), FItems(std::make_unique<TItemStrings>()) {
  SetTabStop(true);
  SetDefaultColor(clWindow, false);
  SetBounds(0, 0, 145, 21);
  FItems->OnInserted = [this](int Index) {
    if (!Loading(*this) && FItemIndex >= Index) ++FItemIndex;
  };
  FItems->OnDeleted = [this](int Index) {
    if (Loading(*this)) return;
    if (FItemIndex == Index)
      FItemIndex = -1;
    else if (FItemIndex > Index)
      --FItemIndex;
  };
  // Emptying the list empties the edit too, as the platform's combo box does.
  FItems->OnCleared = [this]() {
    if (Loading(*this)) return;
    FItemIndex = -1;
    TWinControl::SetText("");
  };
}

TComboBox::~TComboBox() = default;

TStrings& TComboBox::Items() const noexcept { return *FItems; }

int TComboBox::MatchingItem(const std::string& Value) const {
  for (int I = 0; I < FItems->Count(); ++I)
    if (AnsiSameText(FItems->Strings(I), Value)) return I;
  return -1;
}

void TComboBox::SetSorted(bool Value) {
  if (FSorted == Value) return;
  FSorted = Value;
  const std::string Chosen = FItemIndex >= 0 ? FItems->Strings(FItemIndex) : std::string();
  FItems->SetSorted(Value);
  if (FItemIndex >= 0) FItemIndex = FItems->IndexOf(Chosen);
}

void TComboBox::SetItemIndex(int Value) {
  // Read before the items while a form loads; settled in Loaded.
  if (Loading(*this)) {
    FItemIndex = Value;
    return;
  }
  if (Value < -1 || Value >= FItems->Count()) IndexError(Value);
  FItemIndex = Value;
  TWinControl::SetText(Value < 0 ? std::string() : FItems->Strings(Value));
}

void TComboBox::SetText(const std::string& Value) {
  if (Loading(*this)) {
    TWinControl::SetText(Value);
    return;
  }
  const int Match = MatchingItem(Value);
  if (FStyle == csDropDownList) {
    // Only an item's text can be shown.
    FItemIndex = Match;
    TWinControl::SetText(Match < 0 ? std::string() : FItems->Strings(Match));
    return;
  }
  FItemIndex = Match >= 0 && FItems->Strings(Match) == Value ? Match : -1;
  TWinControl::SetText(Value);
}

void TComboBox::Loaded() {
  TWinControl::Loaded();
  if (FItemIndex >= FItems->Count() || FItemIndex < -1) FItemIndex = -1;
  if (FItemIndex >= 0) TWinControl::SetText(FItems->Strings(FItemIndex));
}

void TComboBox::Clear() {
  FItems->Clear();
  FItemIndex = -1;
  TWinControl::SetText("");
}

void TComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TComboBox::UserSetText(const std::string& Value) {
  if (FStyle == csDropDownList) throw EInvalidOperation(Format("%s takes no typing: choose an item", {Name()}));
  if (Text() == Value) return;
  SetText(Value);
  Change();
}

void TComboBox::UserSelect(int Index) {
  if (Index < 0 || Index >= FItems->Count()) IndexError(Index);
  FItemIndex = Index;
  TWinControl::SetText(FItems->Strings(Index));
  Click();
  Change();
}

// ---------------------------------------------------------------------------
// TListBox

const std::vector<TPropInfo>& TListBox::PublishedProperties() {
  using L = TListBox;
  static const auto List = TPublisher<L>()
                               .Integer("Columns", &L::Columns, &L::SetColumns)
                               .Boolean("ExtendedSelect", &L::ExtendedSelect, &L::SetExtendedSelect, true)
                               .Integer("ItemHeight", &L::ItemHeight, &L::SetItemHeight, 13)
                               .Integer("ItemIndex", &L::ItemIndex, &L::SetItemIndex, -1)
                               .Owned<TStrings>("Items", [](const L& List) { return &List.Items(); })
                               .Boolean("MultiSelect", &L::MultiSelect, &L::SetMultiSelect, false)
                               .Integer("ScrollWidth", &L::ScrollWidth, &L::SetScrollWidth)
                               .Boolean("Sorted", &L::Sorted, &L::SetSorted, false)
                               .List();
  return List;
}

TListBox::TListBox(TComponent* AOwner) : TWinControl(AOwner), FItems(std::make_unique<TItemStrings>()) {
  SetTabStop(true);
  SetDefaultColor(clWindow, false);
  SetBounds(0, 0, 121, 97);
  FItems->OnInserted = [this](int Index) {
    if (Loading(*this)) return;
    if (FItemIndex >= Index) ++FItemIndex;
  };
  FItems->OnDeleted = [this](int Index) {
    if (Loading(*this)) return;
    if (FItemIndex == Index)
      FItemIndex = -1;
    else if (FItemIndex > Index)
      --FItemIndex;
  };
  FItems->OnCleared = [this]() {
    if (!Loading(*this)) FItemIndex = -1;
  };
}

TListBox::~TListBox() = default;

TStrings& TListBox::Items() const noexcept { return *FItems; }

void TListBox::SetMultiSelect(bool Value) {
  if (FMultiSelect == Value) return;
  FMultiSelect = Value;
  // A single-selection list keeps only its current item selected.
  for (int I = 0; I < FItems->Count(); ++I) FItems->SetSelected(I, !Value && I == FItemIndex);
}

void TListBox::SetSorted(bool Value) {
  if (FSorted == Value) return;
  FSorted = Value;
  const std::string Current = FItemIndex >= 0 ? FItems->Strings(FItemIndex) : std::string();
  FItems->SetSorted(Value);
  if (FItemIndex >= 0) FItemIndex = FItems->IndexOf(Current);
}

void TListBox::SetItemIndex(int Value) {
  if (Loading(*this)) {
    FItemIndex = Value;
    return;
  }
  if (Value < -1 || Value >= FItems->Count()) IndexError(Value);
  // In a multi-selection list the index is the focused item only.
  if (!FMultiSelect)
    for (int I = 0; I < FItems->Count(); ++I) FItems->SetSelected(I, I == Value);
  FItemIndex = Value;
}

void TListBox::Loaded() {
  TWinControl::Loaded();
  if (FItemIndex < -1 || FItemIndex >= FItems->Count()) FItemIndex = -1;
  if (!FMultiSelect && FItemIndex >= 0) FItems->SetSelected(FItemIndex, true);
}

bool TListBox::Selected(int Index) const {
  if (Index < 0 || Index >= FItems->Count()) IndexError(Index);
  return FItems->Selected(Index);
}

void TListBox::SetSelected(int Index, bool Value) {
  if (Index < 0 || Index >= FItems->Count()) IndexError(Index);
  if (FMultiSelect) {
    FItems->SetSelected(Index, Value);
    return;
  }
  if (Value)
    SetItemIndex(Index);
  else if (FItemIndex == Index)
    SetItemIndex(-1);
}

int TListBox::SelCount() const {
  // The platform answers -1 for a list that selects one item at most.
  return FMultiSelect ? FItems->SelCount() : -1;
}

void TListBox::Clear() { FItems->Clear(); }

LRESULT TListBox::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case LB_SETHORIZONTALEXTENT:
      SetScrollWidth(WParam > static_cast<WPARAM>(INT_MAX) ? INT_MAX : static_cast<int>(WParam));
      return 0;
    case LB_GETHORIZONTALEXTENT:
      return FScrollWidth;
    default:
      return TWinControl::Perform(Msg, WParam, LParam);
  }
}

void TListBox::UserClickItem(int Index, bool Toggle) {
  if (Index < 0 || Index >= FItems->Count()) IndexError(Index);
  if (FMultiSelect && (Toggle || !FExtendedSelect)) {
    FItems->SetSelected(Index, !FItems->Selected(Index));
  } else if (!FMultiSelect && Toggle && FItemIndex == Index) {
    FItems->SetSelected(Index, false);
    FItemIndex = -1;
    Click();
    return;
  } else {
    for (int I = 0; I < FItems->Count(); ++I) FItems->SetSelected(I, I == Index);
  }
  FItemIndex = Index;
  Click();
}

// ---------------------------------------------------------------------------
// TCheckBox

const std::vector<TPropInfo>& TCheckBox::PublishedProperties() {
  using C = TCheckBox;
  static const auto List = TPublisher<C>()
                               .Enum("Alignment", &C::Alignment, &C::SetAlignment, taRightJustify)
                               .Boolean("AllowGrayed", &C::AllowGrayed, &C::SetAllowGrayed, false)
                               .String("Caption", &C::Caption, &C::SetCaption)
                               .Boolean("Checked", &C::Checked, &C::SetChecked, false)
                               .Enum("State", &C::State, &C::SetState, cbUnchecked)
                               .StoredIf([](const C& Box) { return Box.State() == cbGrayed; })
                               .List();
  return List;
}

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetBounds(0, 0, 97, 17);
}

void TCheckBox::SetState(TCheckBoxState Value) { FState = Value; }

void TCheckBox::Click() {
  switch (FState) {
    case cbUnchecked:
      FState = cbChecked;
      break;
    case cbChecked:
      FState = FAllowGrayed ? cbGrayed : cbUnchecked;
      break;
    case cbGrayed:
      FState = cbUnchecked;
      break;
  }
  TWinControl::Click();
}

// ---------------------------------------------------------------------------
// TMemo

const std::vector<TPropInfo>& TMemo::PublishedProperties() {
  using M = TMemo;
  static const auto List = TPublisher<M>()
                               .Owned<TStrings>("Lines", [](const M& Memo) { return &Memo.Lines(); })
                               .Integer("MaxLength", &M::MaxLength, &M::SetMaxLength)
                               .Boolean("ReadOnly", &M::ReadOnly, &M::SetReadOnly, false)
                               .Enum("ScrollBars", &M::ScrollBars, &M::SetScrollBars, ssNone)
                               .Boolean("WantReturns", &M::WantReturns, &M::SetWantReturns, true)
                               .Boolean("WantTabs", &M::WantTabs, &M::SetWantTabs, false)
                               .Boolean("WordWrap", &M::WordWrap, &M::SetWordWrap, true)
                               .Event<void(TObject*)>("OnChange", EventOf(&M::OnChange), SetEventOf(&M::OnChange))
                               .List();
  return List;
}

namespace {

// A memo's lines as its edit control holds them: text with a line break in it
// becomes several lines, as it would once shown in the control.
class TMemoLines : public TStringList {
 public:
  int AddObject(const std::string& S, TObject* AObject) override {
    const int Index = Count();
    InsertObject(Index, S, AObject);
    return Index;
  }
  void InsertObject(int Index, const std::string& S, TObject* AObject) override {
    if (S.find_first_of("\r\n") == std::string::npos) return TStringList::InsertObject(Index, S, AObject);
    TStringList Parts;
    Parts.SetText(S);
    if (Parts.Count() == 0) Parts.Add("");
    for (int I = 0; I < Parts.Count(); ++I)
      TStringList::InsertObject(Index + I, Parts.StringRef(I), I == 0 ? AObject : nullptr);
  }
  void Put(int Index, const std::string& S) override {
    if (S.find_first_of("\r\n") == std::string::npos) return TStringList::Put(Index, S);
    TObject* AObject = Objects(Index);
    Delete(Index);
    InsertObject(Index, S, AObject);
  }
};

}  // namespace

TMemo::TMemo(TComponent* AOwner) : TWinControl(AOwner), FLines(std::make_unique<TMemoLines>()) {
  SetTabStop(true);
  SetDefaultColor(clWindow, false);
  SetBounds(0, 0, 185, 89);
}

TMemo::~TMemo() = default;

std::string TMemo::Text() const { return FLines->Text(); }

void TMemo::SetText(const std::string& Value) { FLines->SetText(Value); }

void TMemo::UserSetLines(const std::vector<std::string>& Value) {
  if (FReadOnly) throw EInvalidOperation(Format("%s is read-only", {Name()}));
  TStringList New;
  for (const std::string& Line : Value) New.Add(Line);
  if (New.Equals(*FLines)) return;
  FLines->Assign(New);
  Change();
}

void TMemo::Change() {
  if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------------------
// TGroupBox

const std::vector<TPropInfo>& TGroupBox::PublishedProperties() {
  static const auto List =
      TPublisher<TGroupBox>().String("Caption", &TGroupBox::Caption, &TGroupBox::SetCaption).List();
  return List;
}

TGroupBox::TGroupBox(TComponent* AOwner) : TCustomGroupBox(AOwner) { SetBounds(0, 0, 185, 105); }
