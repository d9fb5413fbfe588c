#include "vcl/ExtCtrls.h"
#include "item_strings.h"

VN_IMPLEMENT_PUBLISHED(TPanel, TCustomControl)
VN_IMPLEMENT_PUBLISHED(TBevel, TGraphicControl)
VN_IMPLEMENT_PUBLISHED(TImage, TGraphicControl)
VN_IMPLEMENT_PUBLISHED(TRadioGroup, TCustomGroupBox)

const std::vector<TPropInfo>& TPanel::PublishedProperties() {
  using P = TPanel;
  static const auto List = TPublisher<P>()
                               .Enum("Alignment", &P::Alignment, &P::SetAlignment, taCenter)
                               .Enum("BevelInner", &P::BevelInner, &P::SetBevelInner, bvNone)
                               .Enum("BevelOuter", &P::BevelOuter, &P::SetBevelOuter, bvRaised)
                               .Integer("BevelWidth", &P::BevelWidth, &P::SetBevelWidth, 1)
                               .Integer("BorderWidth", &P::BorderWidth, &P::SetBorderWidth)
                               .String("Caption", &P::Caption, &P::SetCaption)
                               .List();
  return List;
}

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) { SetBounds(0, 0, 185, 41); }

const std::vector<TPropInfo>& TBevel::PublishedProperties() {
  using B = TBevel;
  static const auto List = TPublisher<B>()
                               .Enum("Shape", &B::Shape, &B::SetShape, bsBox)
                               .Enum("Style", &B::Style, &B::SetStyle, bsLowered)
                               .List();
  return List;
}

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 50, 50); }

const std::vector<TPropInfo>& TImage::PublishedProperties() {
  using I = TImage;
  static const auto List = TPublisher<I>()
                               .Boolean("AutoSize", &I::AutoSize, &I::SetAutoSize, false)
                               .Boolean("Center", &I::Center, &I::SetCenter, false)
                               .Owned<TPicture>("Picture", [](const I& Image) { return &Image.Picture(); })
                               .Boolean("Proportional", &I::Proportional, &I::SetProportional, false)
                               .Boolean("Stretch", &I::Stretch, &I::SetStretch, false)
                               .Boolean("Transparent", &I::Transparent, &I::SetTransparent, false)
                               .List();
  return List;
}

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>()) {
  SetBounds(0, 0, 105, 105);
  FPicture->OnChange = [this](TPicture&) { PictureChanged(); };
}

TImage::~TImage() { FPicture->OnChange = nullptr; }

void TImage::SetAutoSize(bool Value) {
  FAutoSize = Value;
  PictureChanged();
}

void TImage::PictureChanged() {
  if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
    SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
}

// ---------------------------------------------------------------------------
// TRadioGroup

const std::vector<TPropInfo>& TRadioGroup::PublishedProperties() {
  using R = TRadioGroup;
  static const auto List = TPublisher<R>()
                               .String("Caption", &R::Caption, &R::SetCaption)
                               .Integer("Columns", &R::Columns, &R::SetColumns, 1)
                               .Integer("ItemIndex", &R::ItemIndex, &R::SetItemIndex, -1)
                               .Owned<TStrings>("Items", [](const R& Group) { return &Group.Items(); })
                               .List();
  return List;
}

TRadioGroup::TRadioGroup(TComponent* AOwner) : TCustomGroupBox(AOwner), FItems(std::make_unique<TItemStrings>()) {
  // The group stands for its buttons, which take the focus.
  SetTabStop(true);
  SetBounds(0, 0, 185, 105);
  FItems->OnInserted = [this](int Index) {
    if (!ComponentState().Contains(csLoading) && FItemIndex >= Index) ++FItemIndex;
  };
  FItems->OnDeleted = [this](int Index) {
    if (ComponentState().Contains(csLoading)) return;
    if (FItemIndex == Index)
      FItemIndex = -1;
    else if (FItemIndex > Index)
      --FItemIndex;
  };
  FItems->OnCleared = [this]() {
    if (!ComponentState().Contains(csLoading)) FItemIndex = -1;
  };
}

TRadioGroup::~TRadioGroup() = default;

TStrings& TRadioGroup::Items() const noexcept { return *FItems; }

void TRadioGroup::SetItemIndex(int Value) {
  // Form files give the index before the items; it is checked once loaded.
  if (ComponentState().Contains(csLoading)) {
    FItemIndex = Value;
    return;
  }
  if (Value < -1 || Value >= FItems->Count()) throw EListError(Format("List index out of bounds (%d)", {Value}));
  FItemIndex = Value;
}

void TRadioGroup::SetColumns(int Value) {
  if (Value < 1 || Value > 16) throw EInvalidOperation(Format("Invalid number of columns %d for %s", {Value, Name()}));
  FColumns = Value;
}

void TRadioGroup::Loaded() {
  TCustomGroupBox::Loaded();
  if (FItemIndex < -1 || FItemIndex >= FItems->Count()) FItemIndex = -1;
}

void TRadioGroup::UserClickItem(int Index) {
  if (Index < 0 || Index >= FItems->Count()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  // Clicking the selected button changes nothing, and tells nothing.
  if (Index == FItemIndex) return;
  FItemIndex = Index;
  Click();
}
