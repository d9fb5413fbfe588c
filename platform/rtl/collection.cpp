#include "rtl/Classes.h"

#include <algorithm>

#include "rtl/SysUtils.h"
#include "rtl_consts.h"
#include "reserve_room.h"

VN_IMPLEMENT_CLASS(TCollectionItem, TPersistent)
VN_IMPLEMENT_CLASS(TCollection, TPersistent)

namespace {

// Changes made under it call no Update; the caller decides what to report.
struct TQuietChanges {
  int& UpdateCount;
  explicit TQuietChanges(int& AUpdateCount) : UpdateCount(AUpdateCount) { ++UpdateCount; }
  ~TQuietChanges() { --UpdateCount; }
  TQuietChanges(const TQuietChanges&) = delete;
  TQuietChanges& operator=(const TQuietChanges&) = delete;
};

}  // namespace

// ---------------------------------------------------------------------------
// TCollectionItem

TCollectionItem::TCollectionItem(TCollection* ACollection) {
  if (ACollection == nullptr) return;
  // The destructor does not run when a constructor throws: an item that joined
  // and then saw Update raise must leave again.
  struct TUndo {
    TCollectionItem* Self;
    bool Done = false;
    ~TUndo() {
      if (Done || Self->FCollection == nullptr) return;
      auto& Items = Self->FCollection->FItems;
      Items.erase(std::remove(Items.begin(), Items.end(), Self), Items.end());
      Self->FCollection = nullptr;
    }
  } Undo{this};
  // No class check here: while the base is constructed, the item is not yet of
  // its own class.
  ACollection->InsertItem(*this);
  Undo.Done = true;
}

TCollectionItem::~TCollectionItem() {
  if (FCollection != nullptr) FCollection->RemoveItem(*this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (Value == FCollection) return;
  if (Value != nullptr && !InheritsFrom(Value->ItemClass()))
    AssertErrorHandler(Format("A %s cannot join a collection of %s", {ClassName(), Value->ItemClass().ClassName()}),
                       __FILE__, __LINE__);
  if (FCollection != nullptr) FCollection->RemoveItem(*this);
  if (Value != nullptr) Value->InsertItem(*this);
}

int TCollectionItem::Index() const {
  if (FCollection == nullptr) return -1;
  const auto& Items = FCollection->FItems;
  return static_cast<int>(std::find(Items.begin(), Items.end(), this) - Items.begin());
}

void TCollectionItem::SetIndex(int Value) {
  const int Current = Index();
  if (Current < 0 || Current == Value) return;
  auto& Items = FCollection->FItems;
  if (Value < 0 || Value >= static_cast<int>(Items.size()))
    throw EListError(Format(rtl_consts::SListIndexError, {Value}));
  const auto From = Items.begin() + Current;
  const auto To = Items.begin() + Value;
  if (Current < Value)
    std::rotate(From, From + 1, To + 1);
  else
    std::rotate(To, From, From + 1);
  Changed(true);
}

std::string TCollectionItem::DisplayName() const { return ClassName(); }

void TCollectionItem::SetDisplayName(const std::string&) { Changed(false); }

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection != nullptr && FCollection->FUpdateCount == 0) FCollection->Update(AllItems ? nullptr : this);
}

// ---------------------------------------------------------------------------
// TCollection

TCollection::TCollection(const TMetaClass& AItemClass, TPersistent* AOwner)
    : FItemClass(&AItemClass), FOwner(AOwner) {
  if (!AItemClass.InheritsFrom(TCollectionItem::StaticClass()))
    AssertErrorHandler(Format(rtl_consts::SCollectionItemClass, {AItemClass.ClassName()}), __FILE__, __LINE__);
}

TCollection::~TCollection() {
  // No Update while going: an override would run on a half-destroyed object.
  ++FUpdateCount;
  while (!FItems.empty()) delete FItems.back();
}

TCollectionItem* TCollection::Add() {
  std::unique_ptr<TObject> Instance = FItemClass->CreateInstance(nullptr);
  auto* Item = dynamic_cast<TCollectionItem*>(Instance.get());
  if (Item == nullptr)
    AssertErrorHandler(Format(rtl_consts::SCollectionItemClass, {FItemClass->ClassName()}), __FILE__, __LINE__);
  ReserveOneMore(FItems);
  Instance.release();
  InsertItem(*Item);
  return Item;
}

TCollectionItem* TCollection::Insert(int Index) {
  if (Index < 0 || Index > Count()) throw EListError(Format(rtl_consts::SListIndexError, {Index}));
  TCollectionItem* Item;
  {
    // One Update for the whole insertion, once the item is in its place.
    TQuietChanges Quiet(FUpdateCount);
    Item = Add();
    Item->SetIndex(Index);
  }
  Changed();
  return Item;
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format(rtl_consts::SListIndexError, {Index}));
  return FItems[static_cast<std::size_t>(Index)];
}

void TCollection::Delete(int Index) { delete Items(Index); }

void TCollection::Clear() {
  if (FItems.empty()) return;
  {
    TQuietChanges Quiet(FUpdateCount);
    while (!FItems.empty()) delete FItems.back();
  }
  Changed();
}

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* Item : FItems)
    if (Item->FID == ID) return Item;
  return nullptr;
}

void TCollection::Assign(const TPersistent& Source) {
  const auto* Other = dynamic_cast<const TCollection*>(&Source);
  if (Other == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (Other == this) return;
  {
    TQuietChanges Quiet(FUpdateCount);
    Clear();
    for (const TCollectionItem* Item : Other->FItems) Add()->Assign(*Item);
  }
  Changed();
}

void TCollection::EndUpdate() {
  if (FUpdateCount == 0) return;
  --FUpdateCount;
  Changed();
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem& Item) {
  FItems.push_back(&Item);
  Item.FCollection = this;
  Item.FID = FNextID++;
  Changed();
}

void TCollection::RemoveItem(TCollectionItem& Item) {
  FItems.erase(std::remove(FItems.begin(), FItems.end(), &Item), FItems.end());
  Item.FCollection = nullptr;
  Changed();
}
