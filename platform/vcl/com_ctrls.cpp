#include <algorithm>

#include "vcl/ComCtrls.h"
#include "vcl/Forms.h"

VN_IMPLEMENT_PUBLISHED(TTabSheet, TWinControl)
VN_IMPLEMENT_PUBLISHED(TPageControl, TWinControl)

// ---------------------------------------------------------------------------
// TTabSheet

const std::vector<TPropInfo>& TTabSheet::PublishedProperties() {
  using T = TTabSheet;
  static const auto List = TPublisher<T>()
                               .String("Caption", &T::Caption, &T::SetCaption)
                               .Integer("ImageIndex", &T::ImageIndex, &T::SetImageIndex, -1)
                               .Reference<TPageControl>("PageControl", &T::PageControl, &T::SetPageControl)
                               .StoredIf([](const T&) { return false; })
                               .Boolean("TabVisible", &T::TabVisible, &T::SetTabVisible, true)
                               .List();
  return List;
}

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {}

TTabSheet::~TTabSheet() {
  if (FPageControl != nullptr) FPageControl->RemovePage(*this);
}

void TTabSheet::SetPageControl(TPageControl* Value) {
  if (FPageControl == Value) return;
  if (FPageControl != nullptr) FPageControl->RemovePage(*this);
  SetParent(Value);
  if (Value != nullptr) Value->InsertPage(*this);
}

int TTabSheet::PageIndex() const {
  if (FPageControl == nullptr) return -1;
  const auto& Pages = FPageControl->FPages;
  return static_cast<int>(std::find(Pages.begin(), Pages.end(), this) - Pages.begin());
}

void TTabSheet::SetPageIndex(int Value) {
  if (FPageControl == nullptr) return;
  auto& Pages = FPageControl->FPages;
  if (Value < 0 || Value >= static_cast<int>(Pages.size()))
    throw EListError(Format("List index out of bounds (%d)", {Value}));
  std::erase(Pages, this);
  Pages.insert(Pages.begin() + Value, this);
}

bool TTabSheet::Showing() const {
  return TWinControl::Showing() && (FPageControl == nullptr || FPageControl->ActivePage() == this);
}

void TTabSheet::SetParentComponent(TComponent* Value) {
  if (auto* Pages = dynamic_cast<TPageControl*>(Value))
    SetPageControl(Pages);
  else
    TWinControl::SetParentComponent(Value);
}

// ---------------------------------------------------------------------------
// TPageControl

const std::vector<TPropInfo>& TPageControl::PublishedProperties() {
  using P = TPageControl;
  static const auto List = TPublisher<P>()
                               .Reference<TTabSheet>("ActivePage", &P::ActivePage, &P::SetActivePage)
                               .Event<void(TObject*)>(
                                   "OnChange", [](const P& C) -> const TNotifyEvent& { return C.OnChange; },
                                   [](P& C, TNotifyEvent V) { C.OnChange = std::move(V); })
                               .Event<void(TObject*, bool&)>(
                                   "OnChanging", [](const P& C) -> const TTabChangingEvent& { return C.OnChanging; },
                                   [](P& C, TTabChangingEvent V) { C.OnChanging = std::move(V); })
                               .List();
  return List;
}

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
  for (TTabSheet* Page : FPages) Page->FPageControl = nullptr;
  FPages.clear();
  FActivePage = nullptr;
}

TTabSheet* TPageControl::Pages(int Index) const {
  if (Index < 0 || Index >= PageCount()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FPages[static_cast<std::size_t>(Index)];
}

void TPageControl::InsertPage(TTabSheet& Page) {
  FPages.push_back(&Page);
  Page.FPageControl = this;
  // The page area inside the tabs and the border.
  Page.SetBounds(4, 24, std::max(Width() - 8, 0), std::max(Height() - 28, 0));
  if (FActivePage == nullptr) FActivePage = &Page;
}

void TPageControl::RemovePage(TTabSheet& Page) {
  const auto It = std::find(FPages.begin(), FPages.end(), &Page);
  if (It == FPages.end()) return;
  const std::size_t Index = static_cast<std::size_t>(It - FPages.begin());
  FPages.erase(It);
  Page.FPageControl = nullptr;
  if (FActivePage == &Page) FActivePage = FPages.empty() ? nullptr : FPages[std::min(Index, FPages.size() - 1)];
}

void TPageControl::SetActivePage(TTabSheet* Page) {
  if (Page == FActivePage) return;
  if (Page != nullptr && Page->FPageControl != this)
    throw EInvalidOperation(Format("%s is not a page of %s", {Page->Name(), Name()}));
  // A focused control on the page that goes out of sight gives the focus to
  // the page control first.
  TCustomForm* Form = GetParentForm();
  if (Form != nullptr && Form->Showing() && FActivePage != nullptr &&
      FActivePage->ContainsControl(Form->ActiveControl()))
    Form->FocusControl(CanFocus() ? this : nullptr);
  FActivePage = Page;
}

int TPageControl::ActivePageIndex() const { return FActivePage == nullptr ? -1 : FActivePage->PageIndex(); }

void TPageControl::SetActivePageIndex(int Value) { SetActivePage(Value < 0 ? nullptr : Pages(Value)); }

bool TPageControl::UserSelectPage(TTabSheet& Page) {
  if (Page.FPageControl != this) throw EInvalidOperation(Format("%s is not a page of %s", {Page.Name(), Name()}));
  if (&Page == FActivePage) return false;
  bool AllowChange = true;
  if (OnChanging) OnChanging(this, AllowChange);
  if (!AllowChange) return false;
  SetActivePage(&Page);
  if (OnChange) OnChange(this);
  return true;
}

void TPageControl::GetChildren(const std::function<void(TComponent&)>& Proc, const TComponent& Root) const {
  // Pages in page order, then anything else placed on the control.
  for (TTabSheet* Page : std::vector<TTabSheet*>(FPages))
    if (Page->Owner() == &Root) Proc(*Page);
  for (int I = 0; I < ControlCount(); ++I) {
    TControl* Child = Controls(I);
    if (Child->Owner() == &Root && !Child->InheritsFrom<TTabSheet>()) Proc(*Child);
  }
}

void TPageControl::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
}
