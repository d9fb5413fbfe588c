#include "vcl/Menus.h"

#include <algorithm>

#include "vcl/Controls.h"
#include "rtl/SysUtils.h"
#include "ui_driver.h"

VN_IMPLEMENT_PUBLISHED(TMenuItem, TComponent)
VN_IMPLEMENT_CLASS(TMenu, TComponent)
VN_IMPLEMENT_PUBLISHED(TPopupMenu, TMenu)

// ---------------------------------------------------------------------------
// TMenuItem

const std::vector<TPropInfo>& TMenuItem::PublishedProperties() {
  using M = TMenuItem;
  static const auto List = TPublisher<M>()
                               .String("Caption", &M::Caption, &M::SetCaption)
                               .Boolean("Checked", &M::Checked, &M::SetChecked, false)
                               .Boolean("Default", &M::Default, &M::SetDefault, false)
                               .Boolean("Enabled", &M::Enabled, &M::SetEnabled, true)
                               .Integer("HelpContext", &M::HelpContext, &M::SetHelpContext)
                               .Boolean("Visible", &M::Visible, &M::SetVisible, true)
                               .Event<void(TObject*)>(
                                   "OnClick", [](const M& Item) -> const TNotifyEvent& { return Item.OnClick; },
                                   [](M& Item, TNotifyEvent V) { Item.OnClick = std::move(V); })
                               .List();
  return List;
}

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
  if (FParent != nullptr) FParent->Remove(*this);
  // Sub-items stay with their owner, which frees them.
  for (TMenuItem* Item : FItems) Item->FParent = nullptr;
  FItems.clear();
}

TMenuItem* TMenuItem::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FItems[static_cast<std::size_t>(Index)];
}

void TMenuItem::Add(TMenuItem& Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem& Item) {
  for (const TMenuItem* P = this; P != nullptr; P = P->FParent)
    if (P == &Item) throw EInvalidOperation(Format("Menu item %s cannot hold itself", {Item.Name()}));
  if (Item.FParent != nullptr) Item.FParent->Remove(Item);
  if (Index < 0 || Index > Count()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  FItems.insert(FItems.begin() + Index, &Item);
  Item.FParent = this;
}

void TMenuItem::Remove(TMenuItem& Item) {
  if (Item.FParent != this) return;
  std::erase(FItems, &Item);
  Item.FParent = nullptr;
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
  const auto It = std::find(FItems.begin(), FItems.end(), Item);
  return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* Top = this;
  while (Top->FParent != nullptr) Top = Top->FParent;
  return Top->FMenu;
}

void TMenuItem::Click() {
  if (OnClick) OnClick(this);
}

TComponent* TMenuItem::GetParentComponent() const {
  if (FParent != nullptr && FParent->FMenu != nullptr) return FParent->FMenu;
  return FParent;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
  if (auto* Menu = dynamic_cast<TMenu*>(Value))
    Menu->Items().Add(*this);
  else if (auto* Item = dynamic_cast<TMenuItem*>(Value))
    Item->Add(*this);
}

void TMenuItem::GetChildren(const std::function<void(TComponent&)>& Proc, const TComponent& Root) const {
  for (TMenuItem* Item : std::vector<TMenuItem*>(FItems))
    if (Item->Owner() == &Root) Proc(*Item);
}

// ---------------------------------------------------------------------------
// TMenu, TPopupMenu

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(std::make_unique<TMenuItem>(nullptr)) {
  FItems->FMenu = this;
}

TMenu::~TMenu() = default;

void TMenu::GetChildren(const std::function<void(TComponent&)>& Proc, const TComponent& Root) const {
  FItems->GetChildren(Proc, Root);
}

const std::vector<TPropInfo>& TPopupMenu::PublishedProperties() {
  using P = TPopupMenu;
  static const auto List = TPublisher<P>()
                               .Integer("Left", &P::DesignLeft, &P::SetDesignLeft)
                               .Integer("Top", &P::DesignTop, &P::SetDesignTop)
                               .Boolean("AutoPopup", &P::AutoPopup, &P::SetAutoPopup, true)
                               .Event<void(TObject*)>(
                                   "OnPopup", [](const P& Menu) -> const TNotifyEvent& { return Menu.OnPopup; },
                                   [](P& Menu, TNotifyEvent V) { Menu.OnPopup = std::move(V); })
                               .List();
  return List;
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

void TPopupMenu::SetPopupComponent(TComponent* Value) {
  if (FPopupComponent == Value) return;
  if (FPopupComponent != nullptr) FPopupComponent->RemoveFreeNotification(*this);
  FPopupComponent = Value;
  if (FPopupComponent != nullptr) FPopupComponent->FreeNotification(*this);
}

void TPopupMenu::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent != nullptr && AComponent == FPopupComponent) FPopupComponent = nullptr;
  TMenu::Notification(AComponent, Operation);
}

void TPopupMenu::Popup(int, int) {
  if (OnPopup) OnPopup(this);
  TMenuItem* Item = vn_vcl::UserInterfaceDriver().TrackPopupMenu(*this);
  if (Item == nullptr) return;
  // Only an item of this menu that a person could pick runs.
  for (const TMenuItem* P = Item; P != nullptr; P = P->Parent())
    if (!P->Enabled() || !P->Visible()) return;
  if (Item->GetParentMenu() != this || Item->IsLine()) return;
  Item->Click();
}
