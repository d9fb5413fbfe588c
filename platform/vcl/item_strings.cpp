#include "item_strings.h"

#include <algorithm>

VN_IMPLEMENT_CLASS(TItemStrings, TStrings)

void TItemStrings::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) Error("List index out of bounds (%d)", Index);
}

std::string TItemStrings::Strings(int Index) const {
  CheckIndex(Index);
  return FItems[static_cast<std::size_t>(Index)].Text;
}

void TItemStrings::Put(int Index, const std::string& S) {
  CheckIndex(Index);
  // Replacing the text keeps the item, selected state and all.
  FItems[static_cast<std::size_t>(Index)].Text = S;
}

TObject* TItemStrings::Objects(int Index) const {
  CheckIndex(Index);
  return FItems[static_cast<std::size_t>(Index)].Object;
}

void TItemStrings::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index);
  FItems[static_cast<std::size_t>(Index)].Object = AObject;
}

int TItemStrings::Add(const std::string& S) {
  int Index = Count();
  if (FSorted)
    Index = static_cast<int>(
        std::upper_bound(FItems.begin(), FItems.end(), S,
                         [this](const std::string& L, const TItem& R) { return CompareStrings(L, R.Text) < 0; }) -
        FItems.begin());
  Insert(Index, S);
  return Index;
}

void TItemStrings::Insert(int Index, const std::string& S) {
  if (Index < 0 || Index > Count()) Error("List index out of bounds (%d)", Index);
  FItems.insert(FItems.begin() + Index, TItem{S, nullptr, false});
  if (OnInserted) OnInserted(Index);
}

void TItemStrings::Delete(int Index) {
  CheckIndex(Index);
  FItems.erase(FItems.begin() + Index);
  if (OnDeleted) OnDeleted(Index);
}

void TItemStrings::Clear() {
  FItems.clear();
  if (OnCleared) OnCleared();
}

void TItemStrings::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FItems[static_cast<std::size_t>(Index1)], FItems[static_cast<std::size_t>(Index2)]);
}

bool TItemStrings::Selected(int Index) const {
  CheckIndex(Index);
  return FItems[static_cast<std::size_t>(Index)].Selected;
}

void TItemStrings::SetSelected(int Index, bool Value) {
  CheckIndex(Index);
  FItems[static_cast<std::size_t>(Index)].Selected = Value;
}

int TItemStrings::SelCount() const {
  return static_cast<int>(std::count_if(FItems.begin(), FItems.end(), [](const TItem& I) { return I.Selected; }));
}

void TItemStrings::SetSorted(bool Value) {
  if (FSorted == Value) return;
  FSorted = Value;
  if (FSorted)
    std::stable_sort(FItems.begin(), FItems.end(),
                     [this](const TItem& L, const TItem& R) { return CompareStrings(L.Text, R.Text) < 0; });
}
