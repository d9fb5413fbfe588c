// Unit TreeIntf: nodes ("sprigs") of the IDE's structure view.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "rtl/Classes.h"

class TRootSprig;

// Where TSprig::Find looks.
enum TSprigFindScope { fsChildren, fsDescendants };

// A node of the structure view. The view creates one node per component of the
// designed root through the sprig class registered for the component's class,
// owns every node (transient ones too, once they are added), and calls the
// virtuals below; a package overrides them to shape its part of the tree.
class TSprig : public TObject {
  VN_DECLARE_CLASS(TSprig)
 public:
  // AItem: the component the node stands for; null for a node that stands for
  // none. The view creates registered sprig classes through their class
  // information with the component as the argument.
  explicit TSprig(TComponent* AItem);
  ~TSprig() override;

  TComponent* Item() const noexcept { return FItem; }
  TSprig* Parent() const noexcept { return FParent; }
  // The tree's root node; null until the node joins a tree.
  TSprig* Root() const noexcept;
  int Count() const noexcept { return FCount; }
  // Children in order: FirstChild, then each child's NextSibling.
  TSprig* FirstChild() const noexcept { return FFirstChild; }
  TSprig* NextSibling() const noexcept { return FNext; }

  // Called when the view shows or finds the node: the name a parent's Find
  // matches. The default is UniqueName.
  virtual std::string Name() const;
  // Called by the view to name the node to a person or a script: for a
  // component node the component's name, otherwise a name that the node's
  // class makes up. The default is the item's name, or "" without an item.
  virtual std::string UniqueName() const;
  // Called when the view shows the node. The default is CaptionFor(Name,
  // UniqueName, the item's class name).
  virtual std::string Caption() const;
  // Called when the view shows the node: true marks it as incomplete.
  virtual bool AnyProblems() const;
  // Called by the view: true for a node that stands for nothing on the form;
  // the view drops such nodes when it rebuilds.
  virtual bool Transient() const;
  // Called by the view: the component class the node stands for (the item's
  // class by default; null without an item).
  virtual TClass ItemClass() const;
  // Called once per build, in the order the sprig types were registered, on a
  // node that has no parent yet: the override adds the node to its parent
  // (Add). A node left without a parent is shown under the root and marked.
  // The default places nothing.
  virtual void FigureParent();
  // Called after every node is placed: adds child nodes for what the item
  // holds that is no component of the root. The default adds none.
  virtual void FigureChildren();
  // Called while a person drags this node over AItem: may it be dropped there.
  virtual bool DragOverTo(TSprig* AItem);
  // Called when the node is dropped on AItem (after DragOverTo agreed): carry
  // out the drop on the components; true when something was changed. The view
  // rebuilds afterwards, so the override need not move nodes.
  virtual bool DragDropTo(TSprig* AItem);
  // Called while a person drags a new component of class AClass from the
  // palette over AParent, on a node made for that new component: may it be
  // dropped there. A drop then goes through DragDropTo.
  virtual bool PaletteOverTo(TSprig* AParent, TClass AClass);
  // Called by ReparentChildren on each child of the node it was called on (or
  // by the view when it moves a node): bring the item in line with the parent.
  virtual void Reparent();

  // The caption text the view uses: ALabel, ": " and AClass when given, then
  // AName in braces when given and not ALabel itself.
  std::string CaptionFor(std::string_view AName, std::string_view ALabel, std::string_view AClass) const;
  // The first child (or descendant, depth first) whose Name matches AName
  // without regard to case; null when none. Direct children are found through
  // an index of their names, read when Find first meets a child.
  TSprig* Find(std::string_view AName, TSprigFindScope AScope = fsChildren);
  // Makes AChild, a node of the same tree, the last child of this node.
  TSprig& Add(TSprig& AChild);
  // Hands a new node to the tree and makes it the last child of this node.
  template <class T>
  T& Add(std::unique_ptr<T> AChild) {
    T& Child = *AChild;
    AddNew(std::unique_ptr<TSprig>(std::move(AChild)));
    return Child;
  }
  // Calls Reparent on every child, in order.
  void ReparentChildren();

 private:
  friend class TRootSprig;
  struct TChildIndex;
  void AddNew(std::unique_ptr<TSprig> AChild);
  void Unlink() noexcept;
  void IndexChildren();

  TComponent* FItem;
  TRootSprig* FRoot = nullptr;
  TSprig* FParent = nullptr;
  TSprig* FFirstChild = nullptr;
  TSprig* FLastChild = nullptr;
  TSprig* FPrev = nullptr;
  TSprig* FNext = nullptr;
  int FCount = 0;
  bool FUnplaced = false;  // no FigureParent placed it; the view put it under the root
  std::unique_ptr<TChildIndex> FIndex;
};

// The host's node of a component: placed under the node of its parent
// component (a control's container, a field's dataset) or under the root.
class TComponentSprig : public TSprig {
  VN_DECLARE_CLASS(TComponentSprig)
 public:
  explicit TComponentSprig(TComponent* AItem);
  void FigureParent() override;
};

// The host's node of something that no component of the form stands for.
class TTransientSprig : public TSprig {
  VN_DECLARE_CLASS(TTransientSprig)
 public:
  explicit TTransientSprig(TComponent* AItem);
  bool Transient() const override;
};

// Nodes of SprigClass (derived from TSprig) stand for components of
// ComponentClass and its descendants in the structure view; a component gets
// the class registered for its nearest class. Recorded like the registrations
// of DesignIntf, on behalf of the package whose Register is running. The view
// places nodes in registration order: register the outer levels first.
void RegisterSprigType(const TMetaClass& ComponentClass, const TMetaClass& SprigClass);

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void TreeIntf_Initialization();
void TreeIntf_Finalization();
