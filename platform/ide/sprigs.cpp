// The host's sprig classes: links, the child-name index, placement defaults.
#include "ide/TreeIntf.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "ide/DSSprigs.h"
#include "rtl/DB.h"
#include "rtl/SysUtils.h"
#include "structure_view.h"

VN_IMPLEMENT_CLASS(TSprig, TObject)
VN_IMPLEMENT_CLASS(TComponentSprig, TSprig)
VN_IMPLEMENT_CLASS(TTransientSprig, TSprig)
VN_IMPLEMENT_CLASS(TDataSetSprig, TComponentSprig)
VN_IMPLEMENT_CLASS(TRootSprig, TSprig)

namespace {

// The key names match by: AnsiSameText's, the comparison the runtime and the
// drop rules use, so that a name is one node whatever its case or form
// (ΟΔΟΣ and οδοσ, a composed and a decomposed Ä).
std::string NameKey(std::string_view Name) { return AnsiSameTextKey(Name); }

}  // namespace

// Children by name. Children join Pending when they are added and are indexed
// by the next Find, so that a node named just after it was added (a transient
// node its creator fills in) is indexed under its final name. Dirty (after a
// child left) makes the next Find index every child anew.
struct TSprig::TChildIndex {
  std::unordered_map<std::string, TSprig*> ByName;  // the first child of each name
  std::vector<TSprig*> Pending;
  bool Dirty = true;
};

TSprig::TSprig(TComponent* AItem) : FItem(AItem) {}

TSprig::~TSprig() = default;

TSprig* TSprig::Root() const noexcept { return FRoot; }

std::string TSprig::Name() const { return UniqueName(); }

std::string TSprig::UniqueName() const { return FItem != nullptr ? FItem->Name() : std::string(); }

std::string TSprig::Caption() const {
  const TClass Class = ItemClass();
  return CaptionFor(Name(), UniqueName(), Class != nullptr ? Class->ClassName() : std::string());
}

bool TSprig::AnyProblems() const { return false; }

bool TSprig::Transient() const { return false; }

TClass TSprig::ItemClass() const { return FItem != nullptr ? &FItem->ClassType() : nullptr; }

void TSprig::FigureParent() {}

void TSprig::FigureChildren() {}

bool TSprig::DragOverTo(TSprig*) { return false; }

bool TSprig::DragDropTo(TSprig*) { return false; }

bool TSprig::PaletteOverTo(TSprig*, TClass) { return false; }

void TSprig::Reparent() {}

std::string TSprig::CaptionFor(std::string_view AName, std::string_view ALabel, std::string_view AClass) const {
  std::string Result(ALabel);
  if (!AClass.empty()) Result.append(Result.empty() ? "" : ": ").append(AClass);
  if (!AName.empty() && AName != ALabel) Result.append(Result.empty() ? "{" : " {").append(AName).append("}");
  return Result;
}

void TSprig::IndexChildren() {
  TChildIndex& Index = *FIndex;
  if (Index.Dirty) {
    Index.ByName.clear();
    Index.Pending.clear();
    for (TSprig* Child = FFirstChild; Child != nullptr; Child = Child->FNext)
      Index.ByName.try_emplace(NameKey(Child->Name()), Child);
    Index.Dirty = false;
    return;
  }
  for (TSprig* Child : Index.Pending) Index.ByName.try_emplace(NameKey(Child->Name()), Child);
  Index.Pending.clear();
}

TSprig* TSprig::Find(std::string_view AName, TSprigFindScope AScope) {
  if (AScope == fsDescendants) {
    for (TSprig* Child = FFirstChild; Child != nullptr; Child = Child->FNext) {
      if (AnsiSameText(Child->Name(), AName)) return Child;
      if (TSprig* Found = Child->Find(AName, fsDescendants)) return Found;
    }
    return nullptr;
  }
  if (!FIndex) FIndex = std::make_unique<TChildIndex>();
  IndexChildren();
  const std::string Key = NameKey(AName);
  auto It = FIndex->ByName.find(Key);
  if (It == FIndex->ByName.end()) return nullptr;
  if (NameKey(It->second->Name()) == Key) return It->second;
  // A child was renamed after it was indexed: read every name again.
  FIndex->Dirty = true;
  IndexChildren();
  It = FIndex->ByName.find(Key);
  return It != FIndex->ByName.end() ? It->second : nullptr;
}

void TSprig::Unlink() noexcept {
  if (FParent == nullptr) return;
  (FPrev != nullptr ? FPrev->FNext : FParent->FFirstChild) = FNext;
  (FNext != nullptr ? FNext->FPrev : FParent->FLastChild) = FPrev;
  --FParent->FCount;
  if (FParent->FIndex) FParent->FIndex->Dirty = true;
  FParent = FPrev = FNext = nullptr;
}

TSprig& TSprig::Add(TSprig& AChild) {
  VN_ASSERT(FRoot != nullptr && AChild.FRoot == FRoot, "a sprig is added to a node of its own tree");
  for (const TSprig* Up = this; Up != nullptr; Up = Up->FParent)
    VN_ASSERT(Up != &AChild, "a sprig is added under itself");
  AChild.Unlink();
  AChild.FParent = this;
  AChild.FPrev = FLastChild;
  (FLastChild != nullptr ? FLastChild->FNext : FFirstChild) = &AChild;
  FLastChild = &AChild;
  ++FCount;
  AChild.FUnplaced = false;
  if (FIndex && !FIndex->Dirty) FIndex->Pending.push_back(&AChild);
  return AChild;
}

void TSprig::AddNew(std::unique_ptr<TSprig> AChild) {
  VN_ASSERT(FRoot != nullptr, "a new sprig is added to a node of a tree");
  Add(FRoot->Adopt(std::move(AChild)));
}

void TSprig::ReparentChildren() {
  for (TSprig* Child = FFirstChild; Child != nullptr; Child = Child->FNext) Child->Reparent();
}

TComponentSprig::TComponentSprig(TComponent* AItem) : TSprig(AItem) {}

void TComponentSprig::FigureParent() {
  TComponent* ParentComponent =
      Item() != nullptr && Item()->HasParent() ? Item()->GetParentComponent() : nullptr;
  TSprig* ParentNode = ParentComponent != nullptr ? static_cast<TRootSprig*>(Root())->FindItem(ParentComponent) : nullptr;
  (ParentNode != nullptr && ParentNode != this ? *ParentNode : *Root()).Add(*this);
}

TTransientSprig::TTransientSprig(TComponent* AItem) : TSprig(AItem) {}

bool TTransientSprig::Transient() const { return true; }

TDataSetSprig::TDataSetSprig(TComponent* AItem) : TComponentSprig(AItem) {}

void TDataSetSprig::FigureChildren() {
  const auto* DataSet = dynamic_cast<const TDataSet*>(Item());
  if (DataSet == nullptr) return;
  const auto& Tree = static_cast<const TRootSprig&>(*Root());
  for (int I = 0; I < DataSet->FieldCount(); ++I) {
    TField* Field = DataSet->Fields().Fields(I);
    if (Tree.FindItem(Field) == nullptr) Add(std::make_unique<TComponentSprig>(Field));
  }
}

// ---------------------------------------------------------------------------

TRootSprig::TRootSprig(TComponent* AItem, std::string AClassName) : TSprig(AItem), FClassName(std::move(AClassName)) {
  FRoot = this;
}

// Children go before the root: no node outlives the tree it links into.
TRootSprig::~TRootSprig() { FNodes.clear(); }

std::string TRootSprig::ShownClassName() const {
  return FClassName.empty() && Item() != nullptr ? Item()->ClassName() : FClassName;
}

std::string TRootSprig::Caption() const { return CaptionFor(Name(), UniqueName(), ShownClassName()); }

TSprig* TRootSprig::FindItem(const TComponent* AItem) const {
  if (AItem == Item()) return const_cast<TRootSprig*>(this);
  auto It = FByItem.find(AItem);
  return It != FByItem.end() ? It->second : nullptr;
}

TSprig& TRootSprig::Adopt(std::unique_ptr<TSprig> ANode) {
  VN_ASSERT(ANode != nullptr && ANode->FRoot == nullptr, "a sprig joins one tree once");
  TSprig& Node = *ANode;
  Node.FRoot = this;
  if (Node.Item() != nullptr) FByItem.try_emplace(Node.Item(), &Node);
  FNodes.push_back(std::move(ANode));
  return Node;
}

void TRootSprig::PlaceUnplaced() {
  for (const std::unique_ptr<TSprig>& Node : FNodes) {
    if (Node->FParent != nullptr) continue;
    Add(*Node);
    Node->FUnplaced = true;
  }
}

std::vector<std::string> TRootSprig::CheckTree() const {
  std::vector<std::string> Findings;
  const auto Describe = [](const TSprig& Node) {
    const std::string Name = Node.UniqueName();
    return Name.empty() ? "a " + Node.ClassName() : Name;
  };
  std::unordered_set<const TSprig*> Seen{this};
  std::vector<const TSprig*> Stack{this};
  while (!Stack.empty()) {
    const TSprig& Parent = *Stack.back();
    Stack.pop_back();
    int Count = 0;
    const TSprig* Prev = nullptr;
    std::unordered_set<std::string> TransientNames;
    for (const TSprig* Child = Parent.FFirstChild; Child != nullptr; Prev = Child, Child = Child->FNext) {
      ++Count;
      if (!Seen.insert(Child).second) {
        Findings.push_back(Describe(*Child) + " appears more than once");
        break;  // a cycle in the links would not end otherwise
      }
      if (Child->FParent != &Parent) Findings.push_back(Describe(*Child) + " does not name its parent " + Describe(Parent));
      if (Child->FPrev != Prev) Findings.push_back(Describe(*Child) + " has a wrong previous sibling");
      if (Child->FRoot != this) Findings.push_back(Describe(*Child) + " belongs to another tree");
      if (Child->Transient() && !TransientNames.insert(NameKey(Child->UniqueName())).second)
        Findings.push_back(Describe(Parent) + " holds more than one transient node \"" + Child->UniqueName() + "\"");
      Stack.push_back(Child);
    }
    if (Count != Parent.FCount)
      Findings.push_back(Format("%s counts %d children but links %d", {Describe(Parent), Parent.FCount, Count}));
    if (Parent.FLastChild != Prev) Findings.push_back(Describe(Parent) + " has a wrong last child");
    if (Parent.FIndex && !Parent.FIndex->Dirty) {
      for (const auto& [Key, Child] : Parent.FIndex->ByName) {
        if (Child->FParent != &Parent)
          Findings.push_back(Describe(Parent) + " indexes " + Key + ", which is not its child");
        else if (NameKey(Child->Name()) != Key)
          Findings.push_back(Describe(Parent) + " indexes " + Describe(*Child) + " under the old name " + Key);
      }
    }
  }
  for (const std::unique_ptr<TSprig>& Node : FNodes)
    if (!Seen.contains(Node.get())) Findings.push_back(Describe(*Node) + " is not in the tree");
  return Findings;
}
