#include "rtl/Classes.h"

#include <algorithm>

#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
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

namespace {

void Erase(std::vector<TComponent*>& List, const TComponent* Item) {
  List.erase(std::remove(List.begin(), List.end(), Item), List.end());
}

bool Contains(const std::vector<TComponent*>& List, const TComponent* Item) {
  return std::find(List.begin(), List.end(), Item) != List.end();
}

}  // namespace

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
  if (FOwner != nullptr)
    FOwner->ValidateRename(this, FName, NewName);
  else
    ValidateRename(nullptr, FName, NewName);
  FName = NewName;
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
  if (AName.empty()) return nullptr;
  for (TComponent* C : FComponents)
    if (AnsiSameText(C->FName, AName)) return C;
  return nullptr;
}

void TComponent::ValidateRename(TComponent* AComponent, std::string_view CurName, std::string_view NewName) const {
  if (AComponent == nullptr || NewName.empty() || AnsiSameText(CurName, NewName)) return;
  const TComponent* Found = FindComponent(NewName);
  if (Found != nullptr && Found != AComponent)
    throw EComponentError(Format(rtl_consts::SDuplicateName, {NewName}));
}

void TComponent::InsertComponent(TComponent& AComponent) {
  if (AComponent.FOwner == this) return;
  // An owner inside its own components would destroy itself twice.
  for (const TComponent* C = this; C != nullptr; C = C->FOwner)
    if (C == &AComponent) {
      const std::string Name = AComponent.FName.empty() ? AComponent.ClassName() : AComponent.FName;
      throw EComponentError(Format(rtl_consts::SOwnerCycle, {Name}));
    }
  ValidateRename(&AComponent, "", AComponent.FName);
  // A component has one owner: moving it leaves the previous one first.
  if (AComponent.FOwner != nullptr) AComponent.FOwner->RemoveComponent(AComponent);
  Insert(AComponent);
  if (FComponentState.Contains(csDesigning)) AComponent.SetDesigning(true);
  Notification(&AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent& AComponent) {
  if (AComponent.FOwner != this) return;
  Notification(&AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::Insert(TComponent& AComponent) {
  FComponents.push_back(&AComponent);
  AComponent.FOwner = this;
}

void TComponent::Remove(TComponent& AComponent) {
  Erase(FComponents, &AComponent);
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
  // Owned components hear of it too, so that siblings drop their references.
  // A handler may remove components: the index is kept within the list.
  int I = ComponentCount() - 1;
  while (I >= 0) {
    FComponents[static_cast<std::size_t>(I)]->Notification(AComponent, Operation);
    --I;
    if (I >= ComponentCount()) I = ComponentCount() - 1;
  }
}
