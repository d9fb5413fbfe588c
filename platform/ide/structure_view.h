// The host's structure view: the components of one designed root as a tree of
// sprigs, built through the sprig types that packages registered, with drag
// and drop and palette drops carried out by asking the nodes.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ide/DesignIntf.h"
#include "ide/TreeIntf.h"
#include "rtl/SysUtils.h"

// The root node: the designed root component. It owns every node of the tree.
class TRootSprig : public TSprig {
  VN_DECLARE_CLASS(TRootSprig)
 public:
  // AClassName: the class name to show for the root ("" : the item's own).
  TRootSprig(TComponent* AItem, std::string AClassName);
  ~TRootSprig() override;

  std::string Caption() const override;
  // The class name shown for the root: the one given, else the item's own.
  std::string ShownClassName() const;
  // The node of component AItem, or null.
  TSprig* FindItem(const TComponent* AItem) const;
  // Every node but the root, in the order they joined the tree.
  const std::vector<std::unique_ptr<TSprig>>& Nodes() const noexcept { return FNodes; }
  // Takes ANode into the tree, without a parent yet.
  TSprig& Adopt(std::unique_ptr<TSprig> ANode);
  // Puts every node without a parent under the root, marked unplaced.
  void PlaceUnplaced();
  // True for a node that PlaceUnplaced put under the root.
  static bool Unplaced(const TSprig& Node) noexcept { return Node.FUnplaced; }
  // See TStructureView::CheckInvariants.
  std::vector<std::string> CheckTree() const;

 private:
  std::string FClassName;
  std::vector<std::unique_ptr<TSprig>> FNodes;
  std::unordered_map<const TComponent*, TSprig*> FByItem;
};

namespace vn_ide {

// A node a person named that the tree does not have (or has more than once).
VN_DECLARE_EXCEPTION(EStructureViewError, Exception)

// What a drop did.
enum TDropResult {
  drRefused,    // the node (DragOverTo, PaletteOverTo) does not go there
  drUnchanged,  // accepted, but nothing on the form changed
  drChanged,    // the form changed (and the designer heard of it)
};

// The name the designer gives a new component of Class in Root: the class
// name without its T and the first number that makes it unique (VNQuery1).
std::string UniqueComponentName(const TComponent& Root, const TMetaClass& Class);

class TStructureView {
 public:
  // Root: the designed root; Designer: told of changes (may be null).
  // RootClassName: the class name to show for the root ("" : its own).
  TStructureView(TComponent& Root, IDesigner* Designer, std::string RootClassName = "");
  ~TStructureView();
  TStructureView(const TStructureView&) = delete;
  TStructureView& operator=(const TStructureView&) = delete;

  // Builds the tree anew from the root's components (transient nodes go).
  // Nodes point at components: rebuild once components came or went.
  void Rebuild();
  TRootSprig& RootSprig() const noexcept { return *FRootSprig; }

  // True for a node that no FigureParent placed: the view shows it under the root.
  static bool Unplaced(const TSprig& Node) noexcept;

  // The node a person names: a component's name, or a transient node's unique
  // name or caption; "PARENT/NAME" picks one of several by its parent's unique
  // name. EStructureViewError when none or more than one match.
  TSprig& FindNode(std::string_view Name) const;

  // Drops Node on Target: DragOverTo, then DragDropTo; the view rebuilds.
  // Node and Target are invalid afterwards.
  TDropResult DragDrop(TSprig& Node, TSprig& Target);
  // A new component of Class (from the palette) dropped on Target: made only
  // when its node's PaletteOverTo agrees, then dropped through DragDropTo.
  // Created, when given, receives the new component.
  TDropResult PaletteDrop(const TMetaClass& Class, TSprig& Target, TComponent** Created = nullptr);

  // The tree's own invariants: each node once, parent and sibling links
  // consistent, child indexes true, no two transient siblings of one unique
  // name. One line per finding; empty when sound.
  std::vector<std::string> CheckInvariants() const;

 private:
  std::unique_ptr<TSprig> NodeFor(TComponent& Component) const;
  // The form as its file would hold it, to see what a drop changed.
  std::string FormText() const;
  int PlacementRank(const TSprig& Node) const;

  TComponent& FRoot;
  IDesigner* FDesigner;
  std::string FRootClassName;
  std::unique_ptr<TRootSprig> FRootSprig;
  // Component class -> (sprig class, registration rank), from the registrations.
  std::unordered_map<const TMetaClass*, std::pair<const TMetaClass*, int>> FSprigTypes;
};

}  // namespace vn_ide
