#include "rtl/Classes.h"

#include <algorithm>
#include <unordered_map>

#include "component_watch.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "reserve_room.h"
#include "rtl_consts.h"

VN_IMPLEMENT_CLASS(TPersistent, TObject)
VN_IMPLEMENT_PUBLISHED(TComponent, TPersistent)

const std::vector<TPropInfo>& TComponent::PublishedProperties() {
  // The object header of a form file carries the name.
  static const auto List = TPublisher<TComponent>()
                               .String("Name", &TComponent::Name, &TComponent::SetName)
                               .StoredIf([](const TComponent&) { return false; })
                               .Int64("Tag", &TComponent::Tag, &TComponent::SetTag, 0)
                               .List();
  return List;
}

VN_IMPLEMENT_PUBLISHED(TDataModule, TComponent)

const std::vector<TPropInfo>& TDataModule::PublishedProperties() {
  using D = TDataModule;
  static const auto List = [] {
    auto Result =
        TPublisher<D>()
            .Boolean("OldCreateOrder", &D::OldCreateOrder, &D::SetOldCreateOrder, false)
            .StoredIf([](const D& M) { return M.OldCreateOrderGiven() || M.OldCreateOrder(); })
            .Event<void(TObject*)>(
                "OnCreate", [](const D& M) -> const TNotifyEvent& { return M.OnCreate; },
                [](D& M, TNotifyEvent V) { M.OnCreate = std::move(V); })
            .Event<void(TObject*)>(
                "OnDestroy", [](const D& M) -> const TNotifyEvent& { return M.OnDestroy; },
                [](D& M, TNotifyEvent V) { M.OnDestroy = std::move(V); })
            // The designer's view of the module, in the order it writes them.
            .Integer("Left", &D::DesignLeft, &D::SetDesignLeft)
            .Integer("Top", &D::DesignTop, &D::SetDesignTop)
            .Integer("Height", &D::DesignHeight, &D::SetDesignHeight)
            .Integer("HorizontalOffset", &D::HorizontalOffset, &D::SetHorizontalOffset)
            .Integer("VerticalOffset", &D::VerticalOffset, &D::SetVerticalOffset)
            .Integer("Width", &D::DesignWidth, &D::SetDesignWidth)
            .Integer("PixelsPerInch", &D::PixelsPerInch, &D::SetPixelsPerInch)
            .List();
    // Given, OldCreateOrder is written whatever its value.
    Result.front().Default.reset();
    return Result;
  }();
  return List;
}

namespace {

// Links are made once each (FreeNotification checks) and mostly undone in
// the reverse order: the search starts at the end.
void Erase(std::vector<TComponent*>& List, const TComponent* Item) {
  const auto It = std::find(List.rbegin(), List.rend(), Item);
  if (It != List.rend()) List.erase(std::next(It).base());
}

// Owners destroy their components last inserted first: the search starts at
// the end, so that taking out the last one costs nothing.
void EraseLast(std::vector<TComponent*>& List, const TComponent* Item) {
  const auto It = std::find(List.rbegin(), List.rend(), Item);
  if (It != List.rend()) List.erase(std::next(It).base());
}

// Names compare as AnsiSameText does: equal names are exactly those with equal keys.
std::string NameKey(std::string_view Name) { return AnsiSameTextKey(Name); }

bool Contains(const std::vector<TComponent*>& List, const TComponent* Item) {
  return std::find(List.begin(), List.end(), Item) != List.end();
}

thread_local vn_rtl::TComponentDestroyWatch* InnermostWatch = nullptr;

}  // namespace

vn_rtl::TComponentDestroyWatch::TComponentDestroyWatch() noexcept : FOuter(InnermostWatch) { InnermostWatch = this; }

vn_rtl::TComponentDestroyWatch::~TComponentDestroyWatch() { InnermostWatch = FOuter; }

void vn_rtl::ComponentDestroyed(const TComponent* Component) noexcept {
  for (TComponentDestroyWatch* Watch = InnermostWatch; Watch != nullptr; Watch = Watch->FOuter)
    Watch->Destroyed(Component);
}

// Each named component is indexed under the key of its name, which it keeps
// (FNameKey, which the index's entry views) so that leaving the index needs no
// new key and cannot fail.
struct TComponent::TIndex {
  using TNames = std::unordered_map<std::string_view, TComponent*>;
  TNames Names;

  // An entry for Component, made before anything changes: all that may fail.
  static TNames::node_type NewEntry(TComponent* Component) {
    TNames Single;
    Single.emplace(std::string_view(), Component);
    return Single.extract(Single.begin());
  }
  // Adds Entry (room made by ReserveOneMore); a component under the same key
  // before is no longer found.
  void Put(TNames::node_type Entry) noexcept {
    auto Result = Names.insert(std::move(Entry));
    if (Result.inserted) return;
    Names.erase(Result.position);
    Names.insert(std::move(Result.node));
  }
};

TComponent::TIndex& TComponent::Index() const {
  if (!FIndex) FIndex = std::make_unique<TIndex>();
  return *FIndex;
}

void TComponent::Unindex(TComponent& AComponent) noexcept {
  if (FIndex && !AComponent.FNameKey.empty()) {
    const auto It = FIndex->Names.find(AComponent.FNameKey);
    if (It != FIndex->Names.end() && It->second == &AComponent) FIndex->Names.erase(It);
  }
  AComponent.FNameKey.clear();
}

// ---------------------------------------------------------------------------
// TPersistent

void TPersistent::Assign(const TPersistent& Source) { Source.AssignTo(*this); }

void TPersistent::AssignTo(TPersistent& Dest) const {
  std::string SourceName = ClassName();
  if (SourceName.empty()) SourceName = "nil";
  throw EConvertError(Format(rtl_consts::SAssignError, {SourceName, Dest.ClassName()}));
}

// ---------------------------------------------------------------------------
// TComponent

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner == nullptr) return;
  // The destructor does not run when a constructor throws, so an insertion that
  // fails half way (a throwing Notification) is undone here.
  struct TUndo {
    TComponent* Self;
    bool Done = false;
    ~TUndo() {
      if (Done) return;
      if (Self->FOwner != nullptr) Self->FOwner->Remove(*Self);
      while (!Self->FFreeNotifies.empty()) Self->RemoveFreeNotification(*Self->FFreeNotifies.back());
    }
  } Undo{this};
  AOwner->InsertComponent(*this);
  Undo.Done = true;
}

TComponent::~TComponent() {
  vn_rtl::ComponentDestroyed(this);
  auto Destroying = [](TComponent& C, auto& Self) -> void {
    if (C.FComponentState.Contains(csDestroying)) return;
    C.FComponentState.Include(csDestroying);
    for (TComponent* Child : C.FComponents) Self(*Child, Self);
  };
  Destroying(*this, Destroying);

  // Everyone linked by FreeNotification hears of it, and forgets this component.
  while (!FFreeNotifies.empty()) {
    TComponent* Other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    Erase(Other->FFreeNotifies, this);
    Other->Notification(this, opRemove);
  }

  // Owned components go last inserted first. Those that others watch leave
  // through RemoveComponent, so that their siblings drop references to them.
  // The name index goes at once: until the last is gone, names are looked up
  // among those that are left.
  FIndex.reset();
  while (!FComponents.empty()) {
    TComponent* Instance = FComponents.back();
    if (Instance->FComponentState.Contains(csFreeNotification))
      RemoveComponent(*Instance);
    else
      Remove(*Instance);
    delete Instance;
  }

  if (FOwner != nullptr) FOwner->RemoveComponent(*this);
}

void TComponent::SetName(const std::string& NewName) {
  if (FName == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError(Format(rtl_consts::SInvalidName, {NewName}));
  if (FOwner == nullptr) {
    FName = NewName;
    return;
  }
  // Whatever may fail comes before the first change.
  std::string NewKey = NewName.empty() ? std::string() : NameKey(NewName);
  FOwner->CheckNameFree(NewKey, *this, NewName);
  std::string Copy = NewName;
  TIndex& OwnerIndex = FOwner->Index();
  TIndex::TNames::node_type Entry;
  if (!NewKey.empty()) {
    Entry = TIndex::NewEntry(this);
    ReserveOneMore(OwnerIndex.Names);
  }
  FOwner->Unindex(*this);
  FName.swap(Copy);
  FNameKey.swap(NewKey);
  if (Entry) {
    Entry.key() = FNameKey;
    OwnerIndex.Put(std::move(Entry));
  }
}

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount())
    throw EListError(Format(rtl_consts::SListIndexError, {Index}));
  return FComponents[static_cast<std::size_t>(Index)];
}

int TComponent::ComponentIndex() const {
  if (FOwner == nullptr) return -1;
  const auto& Siblings = FOwner->FComponents;
  const auto It = std::find(Siblings.begin(), Siblings.end(), this);
  return It == Siblings.end() ? -1 : static_cast<int>(It - Siblings.begin());
}

TComponent* TComponent::FindComponent(std::string_view AName) const {
  if (AName.empty() || FComponents.empty()) return nullptr;
  if (!FIndex && FComponentState.Contains(csDestroying)) {
    const auto It = std::find_if(FComponents.begin(), FComponents.end(),
                                 [&](const TComponent* C) { return AnsiSameText(C->FName, AName); });
    return It == FComponents.end() ? nullptr : *It;
  }
  const TIndex& I = Index();
  const auto It = I.Names.find(NameKey(AName));
  return It == I.Names.end() ? nullptr : It->second;
}

bool TComponent::Owns(const TComponent* AComponent) const noexcept {
  return AComponent != nullptr && Contains(FComponents, AComponent);
}

void TComponent::CheckNameFree(const std::string& Key, const TComponent& AComponent, std::string_view Name) const {
  if (Key.empty() || !FIndex) return;
  const auto It = FIndex->Names.find(Key);
  if (It != FIndex->Names.end() && It->second != &AComponent)
    throw EComponentError(Format(rtl_consts::SDuplicateName, {Name}));
}

void TComponent::InsertComponent(TComponent& AComponent) {
  if (AComponent.FOwner == this) return;
  // An owner inside its own components would destroy itself twice.
  for (const TComponent* C = this; C != nullptr; C = C->FOwner)
    if (C == &AComponent) {
      const std::string Name = AComponent.FName.empty() ? AComponent.ClassName() : AComponent.FName;
      throw EComponentError(Format(rtl_consts::SOwnerCycle, {Name}));
    }
  std::string Key = AComponent.FName.empty() ? std::string() : NameKey(AComponent.FName);
  CheckNameFree(Key, AComponent, AComponent.FName);
  // A component has one owner: moving it leaves the previous one first.
  if (AComponent.FOwner != nullptr) AComponent.FOwner->RemoveComponent(AComponent);
  Insert(AComponent, std::move(Key));
  if (FComponentState.Contains(csDesigning)) AComponent.SetDesigning(true);
  Notification(&AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent& AComponent) {
  if (AComponent.FOwner != this) return;
  Notification(&AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::Insert(TComponent& AComponent, std::string Key) {
  TIndex& I = Index();
  ReserveOneMore(FComponents);
  TIndex::TNames::node_type Entry;
  if (!Key.empty()) {
    Entry = TIndex::NewEntry(&AComponent);
    ReserveOneMore(I.Names);
  }
  AComponent.FNameKey = std::move(Key);
  if (Entry) {
    Entry.key() = AComponent.FNameKey;
    I.Put(std::move(Entry));
  }
  FComponents.push_back(&AComponent);
  AComponent.FOwner = this;
}

void TComponent::Remove(TComponent& AComponent) {
  Unindex(AComponent);
  EraseLast(FComponents, &AComponent);
  AComponent.FOwner = nullptr;
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  if (Value)
    FComponentState.Include(csDesigning);
  else
    FComponentState.Exclude(csDesigning);
  if (SetChildren)
    for (TComponent* Child : FComponents) Child->SetDesigning(Value);
}

void TComponent::SetLoading(bool Value) {
  if (Value)
    FComponentState.Include(csLoading);
  else
    FComponentState.Exclude(csLoading);
}

void TComponent::SetAncestor(bool Value) {
  if (Value)
    FComponentState.Include(csAncestor);
  else
    FComponentState.Exclude(csAncestor);
}

void TComponent::SetInline(bool Value) {
  if (Value)
    FComponentState.Include(csInline);
  else
    FComponentState.Exclude(csInline);
}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

bool TComponent::HasParent() const { return false; }

TComponent* TComponent::GetParentComponent() const { return nullptr; }

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::GetChildren(const std::function<void(TComponent&)>& Proc, const TComponent& Root) const {
  if (this != &Root) return;
  for (std::size_t I = 0; I < FComponents.size(); ++I)
    if (!FComponents[I]->HasParent()) Proc(*FComponents[I]);
}

std::any TComponent::MethodAddress(std::string_view) const { return {}; }

void TComponent::FreeNotification(TComponent& AComponent) {
  // A link to a component on its way out would dangle once it is gone.
  if (&AComponent == this || FComponentState.Contains(csDestroying) ||
      AComponent.FComponentState.Contains(csDestroying))
    return;
  if (!Contains(FFreeNotifies, &AComponent)) FFreeNotifies.push_back(&AComponent);
  if (!Contains(AComponent.FFreeNotifies, this)) AComponent.FFreeNotifies.push_back(this);
  FComponentState.Include(csFreeNotification);
  AComponent.FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent& AComponent) {
  RemoveNotification(AComponent);
  AComponent.RemoveNotification(*this);
}

void TComponent::RemoveNotification(TComponent& AComponent) { Erase(FFreeNotifies, &AComponent); }

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent != nullptr) RemoveFreeNotification(*AComponent);
  // While a form file is read, a component that arrives is news to no one yet,
  // and one that leaves (a failed read undone) concerns only those linked to it
  // by FreeNotification, as in the destructor: telling every sibling would make
  // reading quadratic in the components.
  if (FComponentState.Contains(csLoading) && AComponent != nullptr &&
      (Operation == opInsert || !AComponent->FComponentState.Contains(csFreeNotification)))
    return;
  // An owner on its way out tells only those of its components that are linked
  // to the leaving one by FreeNotification: the others hold no reference that
  // outlives them, and telling every one of them of every other would make
  // destroying a form quadratic in its components.
  if (FComponentState.Contains(csDestroying) && Operation == opRemove && AComponent != nullptr) {
    const std::vector<TComponent*> Linked = AComponent->FFreeNotifies;
    for (TComponent* C : Linked)
      if (C->FOwner == this && Contains(AComponent->FFreeNotifies, C)) C->Notification(AComponent, Operation);
    return;
  }
  // Owned components hear of it too, so that siblings drop their references.
  // A handler may remove components: the index is kept within the list.
  int I = ComponentCount() - 1;
  while (I >= 0) {
    FComponents[static_cast<std::size_t>(I)]->Notification(AComponent, Operation);
    --I;
    if (I >= ComponentCount()) I = ComponentCount() - 1;
  }
}
