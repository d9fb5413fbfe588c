// Unit DesignEditors: component editors, the objects the IDE asks for the
// entries of a component's context menu (its verbs) and calls on a double click.
#pragma once

#include <memory>
#include <string>

#include "ide/DesignIntf.h"
#include "rtl/Classes.h"

class TMenuItem;

// The host's component editor. The host makes an editor from the class
// registered with RegisterComponentEditor, calls Create, asks for verbs, runs
// one or Edit, and frees it: an editor lives for one menu or one double click.
// Editor classes are made by their class information, so they need a public
// constructor without arguments; what a constructor would take, Create gets.
class TComponentEditor : public TObject {
  VN_DECLARE_CLASS(TComponentEditor)
 public:
  TComponentEditor() = default;

  // Called by the host once, right after making the editor and before any
  // other call: the component it edits and the designer of that component's
  // root (null when there is none). An override calls the inherited Create first.
  virtual void Create(TComponent* AComponent, IDesigner* ADesigner);
  // Called on a double click on the component. The host's own runs verb 0
  // when there is one.
  virtual void Edit();
  // Called when the person chooses entry Index of the menu (0 to
  // GetVerbCount() - 1). An index the editor does not know does nothing.
  virtual void ExecuteVerb(int Index);
  // Called while the menu is built, for the caption of entry Index; "-" is
  // shown as a separator. An index the editor does not know answers "".
  virtual std::string GetVerb(int Index);
  // Called before the menu is built: how many entries the editor adds. The
  // host's own adds none.
  virtual int GetVerbCount();
  // Called after the component was copied to the clipboard, so that the editor
  // can add formats of its own. The host's own does nothing.
  virtual void Copy();
  // Called for each entry's menu item after its caption is set and before the
  // menu shows, so that the editor can disable, check or hide it.
  virtual void PrepareItem(int Index, TMenuItem& AItem);

  // The component being edited; EAssertionFailed before Create.
  TComponent& Component() const;
  IDesigner* GetDesigner() const noexcept { return FDesigner; }

 private:
  TComponent* FComponent = nullptr;
  IDesigner* FDesigner = nullptr;
};

// The editor the host uses for Component, created with Component and
// Designer: of the class registered for the most derived of Component's
// classes (the latest registration for the same class wins), else the host's
// own TComponentEditor. EInvalidCast when the registered class is no
// component editor.
std::unique_ptr<TComponentEditor> GetComponentEditor(TComponent& Component, IDesigner* Designer);

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void DesignEditors_Initialization();
void DesignEditors_Finalization();
