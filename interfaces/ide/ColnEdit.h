// Unit ColnEdit: the IDE's collection editor, a dialog over the items of a
// collection property.
#pragma once

#include <string>

#include "ide/DesignIntf.h"
#include "rtl/Classes.h"
#include "vcl/Forms.h"
#include "vcl/StdCtrls.h"

// What the collection editor lets the person do with the items.
enum TColOption { coAdd, coDelete, coMove };
using TColOptions = TSet<TColOption>;

// The collection editor's dialog. A package may derive its own from it (with a
// form description of its own) and pass that class to ShowCollectionEditorClass.
class TCollectionEditor : public TForm {
  VN_DECLARE_FORM(TCollectionEditor, TForm)
 public:
  TLabel* lblItems = nullptr;
  TListBox* lbItems = nullptr;
  TButton* btAdd = nullptr;
  TButton* btDelete = nullptr;
  TButton* btMoveUp = nullptr;
  TButton* btMoveDown = nullptr;
  TButton* btClose = nullptr;

  // Binds the dialog to Collection (a property of Component named
  // PropertyName) before it is shown.
  void Bind(TComponent& Component, TCollection& Collection, const std::string& PropertyName, TColOptions Options);
  // Whether an item was added, deleted or moved since Bind.
  bool CollectionChanged() const noexcept { return FChanged; }

  void btAddClick(TObject* Sender);
  void btDeleteClick(TObject* Sender);
  void btMoveUpClick(TObject* Sender);
  void btMoveDownClick(TObject* Sender);
  void lbItemsClick(TObject* Sender);

 private:
  void FillItems(int Selected);
  void UpdateButtons();
  void Move(int Delta);

  TCollection* FCollection = nullptr;
  TColOptions FOptions;
  bool FChanged = false;
};

// Shows a modal collection editor of class CollectionEditorClass (TCollectionEditor
// or derived; EInvalidCast otherwise) on Collection, the property PropertyName
// of Component. Items are added, deleted and moved only as Options allow, at
// once; when the collection changed, the designer (when not null) is marked
// modified.
void ShowCollectionEditorClass(IDesigner* Designer, const TMetaClass& CollectionEditorClass, TComponent& Component,
                               TCollection& Collection, const std::string& PropertyName, TColOptions Options);

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void ColnEdit_Initialization();
void ColnEdit_Finalization();
