#include "structure_view.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "registrations.h"
#include "rtl/FormFiles.h"

namespace vn_ide {

namespace {

constexpr int DefaultRank = INT_MAX;  // host nodes are placed after every registered type

bool NamesNode(const TSprig& Node, std::string_view Name) {
  if (AnsiSameText(Node.UniqueName(), Name)) return true;
  return Node.Transient() && Node.Caption() == Name;
}

template <class F>
void ForEachNode(TSprig& Node, const F& Visit) {
  Visit(Node);
  for (TSprig* Child = Node.FirstChild(); Child != nullptr; Child = Child->NextSibling()) ForEachNode(*Child, Visit);
}


}  // namespace

std::string UniqueComponentName(const TComponent& Root, const TMetaClass& Class) {
  std::string Base = Class.ClassName();
  if (Base.size() > 1 && (Base[0] == 'T' || Base[0] == 't')) Base.erase(0, 1);
  for (int N = 1;; ++N) {
    std::string Name = Base + std::to_string(N);
    if (Root.FindComponent(Name) == nullptr) return Name;
  }
}

TStructureView::TStructureView(TComponent& Root, IDesigner* Designer, std::string RootClassName)
    : FRoot(Root), FDesigner(Designer), FRootClassName(std::move(RootClassName)) {
  Rebuild();
}

TStructureView::~TStructureView() = default;

bool TStructureView::Unplaced(const TSprig& Node) noexcept { return TRootSprig::Unplaced(Node); }

std::unique_ptr<TSprig> TStructureView::NodeFor(TComponent& Component) const {
  for (const TMetaClass* Class = &Component.ClassType(); Class != nullptr; Class = Class->ClassParent()) {
    auto It = FSprigTypes.find(Class);
    if (It == FSprigTypes.end()) continue;
    std::unique_ptr<TObject> Instance = It->second.first->CreateInstance(&Component);
    if (auto* Node = dynamic_cast<TSprig*>(Instance.get())) {
      Instance.release();
      return std::unique_ptr<TSprig>(Node);
    }
    break;
  }
  return std::make_unique<TComponentSprig>(&Component);
}

int TStructureView::PlacementRank(const TSprig& Node) const {
  auto It = FSprigTypes.end();
  for (const TMetaClass* Class = Node.Item() != nullptr ? &Node.Item()->ClassType() : nullptr;
       Class != nullptr && It == FSprigTypes.end(); Class = Class->ClassParent())
    It = FSprigTypes.find(Class);
  return It != FSprigTypes.end() && &Node.ClassType() == It->second.first ? It->second.second : DefaultRank;
}

void TStructureView::Rebuild() {
  // Sprig types usable by the view: a later registration for a class wins.
  FSprigTypes.clear();
  int Rank = 0;
  for (const TRegistration& R : Registrations()) {
    if (R.Kind != rkSprigType) continue;
    if (!R.EditorClass->InheritsFrom(TSprig::StaticClass()) || R.EditorClass->IsAbstract()) continue;
    FSprigTypes[R.ComponentClass] = {R.EditorClass, Rank++};
  }

  FRootSprig.reset();
  FRootSprig = std::make_unique<TRootSprig>(&FRoot, FRootClassName);
  std::vector<std::pair<int, TSprig*>> Order;
  Order.reserve(static_cast<std::size_t>(FRoot.ComponentCount()));
  for (int I = 0; I < FRoot.ComponentCount(); ++I) {
    TSprig& Node = FRootSprig->Adopt(NodeFor(*FRoot.Components(I)));
    Order.emplace_back(PlacementRank(Node), &Node);
  }
  // Outer levels first: a node looks for the nodes of the levels above it.
  std::stable_sort(Order.begin(), Order.end(),
                   [](const auto& A, const auto& B) { return A.first < B.first; });
  for (const auto& [NodeRank, Node] : Order)
    if (Node->Parent() == nullptr) Node->FigureParent();
  FRootSprig->PlaceUnplaced();
  const std::size_t Placed = FRootSprig->Nodes().size();
  for (std::size_t I = 0; I < Placed; ++I) FRootSprig->Nodes()[I]->FigureChildren();
}

TSprig& TStructureView::FindNode(std::string_view Name) const {
  std::vector<TSprig*> Matches;
  ForEachNode(*FRootSprig, [&](TSprig& Node) {
    if (NamesNode(Node, Name)) Matches.push_back(&Node);
  });
  if (Matches.empty()) {
    if (const auto Slash = Name.find('/'); Slash != std::string_view::npos) {
      const std::string_view ParentName = Name.substr(0, Slash), ChildName = Name.substr(Slash + 1);
      ForEachNode(*FRootSprig, [&](TSprig& Node) {
        if (Node.Parent() != nullptr && AnsiSameText(Node.Parent()->UniqueName(), ParentName) &&
            NamesNode(Node, ChildName))
          Matches.push_back(&Node);
      });
    }
  }
  if (Matches.size() == 1) return *Matches.front();
  if (Matches.empty()) throw EStructureViewError(Format("The structure view has no node %s", {std::string(Name)}));
  std::string Listed;
  for (const TSprig* Node : Matches)
    Listed += (Listed.empty() ? "" : ", ") + Node->Parent()->UniqueName() + "/" + Node->UniqueName();
  throw EStructureViewError(
      Format("%s names %d nodes; name one as PARENT/NAME: %s", {std::string(Name), static_cast<int>(Matches.size()), Listed}));
}

std::string TStructureView::FormText() const {
  try {
    return WriteComponentText(FRoot);
  } catch (const EWriteError&) {
    return {};  // a value no form file holds: the node's own answer decides
  }
}

TDropResult TStructureView::DragDrop(TSprig& Node, TSprig& Target) {
  if (&Node == &Target || !Node.DragOverTo(&Target)) return drRefused;
  // A node that reports no change may still have re-parented its children into
  // another spelling of the same name: what the form file would hold decides.
  const std::string Before = FormText();
  bool Changed = false;
  try {
    Changed = Node.DragDropTo(&Target);
    if (!Changed && FormText() != Before) Changed = true;
  } catch (...) {
    // Part of the drop may have reached the components before it failed.
    if (FDesigner != nullptr) FDesigner->Modified();
    throw;
  }
  if (Changed && FDesigner != nullptr) FDesigner->Modified();
  Rebuild();
  return Changed ? drChanged : drUnchanged;
}

TDropResult TStructureView::PaletteDrop(const TMetaClass& Class, TSprig& Target, TComponent** Created) {
  VN_ASSERT(Class.InheritsFrom(TComponent::StaticClass()), "the palette holds component classes");
  // The new component stays this function's until the drop went through, so
  // that a refused or failed drop leaves the form as it was.
  std::unique_ptr<TObject> Instance = Class.CreateInstance(&FRoot);
  auto& Component = dynamic_cast<TComponent&>(*Instance);
  // The node is asked before it joins the tree, as the view asks while a
  // person still drags.
  std::unique_ptr<TSprig> Node = NodeFor(Component);
  // The form itself takes whatever the palette holds, as its designer does;
  // a node decides what may be dropped on it.
  if (&Target != FRootSprig.get() && !Node->PaletteOverTo(&Target, &Class)) return drRefused;
  Component.SetName(UniqueComponentName(FRoot, Class));
  Component.SetDesigning(FRoot.ComponentState().Contains(csDesigning));
  Node->DragDropTo(&Target);
  Instance.release();  // the root owns it now
  Node.reset();
  if (Created != nullptr) *Created = &Component;
  if (FDesigner != nullptr) FDesigner->Modified();
  Rebuild();
  return drChanged;
}

std::vector<std::string> TStructureView::CheckInvariants() const { return FRootSprig->CheckTree(); }

}  // namespace vn_ide
