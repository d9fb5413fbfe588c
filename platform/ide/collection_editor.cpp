// The collection editor: a modal dialog over the items of a collection property.
#include "ide/ColnEdit.h"

#include <memory>

#include "rtl/SysUtils.h"

VN_IMPLEMENT_CLASS(TCollectionEditor, TForm)

const TFormBindings& TCollectionEditor::Bindings() {
  using D = TCollectionEditor;
  static const TFormBindings B = TFormBinder<D>()
                                     .Field("lblItems", &D::lblItems)
                                     .Field("lbItems", &D::lbItems)
                                     .Field("btAdd", &D::btAdd)
                                     .Field("btDelete", &D::btDelete)
                                     .Field("btMoveUp", &D::btMoveUp)
                                     .Field("btMoveDown", &D::btMoveDown)
                                     .Field("btClose", &D::btClose)
                                     .Handler("btAddClick", &D::btAddClick)
                                     .Handler("btDeleteClick", &D::btDeleteClick)
                                     .Handler("btMoveUpClick", &D::btMoveUpClick)
                                     .Handler("btMoveDownClick", &D::btMoveDownClick)
                                     .Handler("lbItemsClick", &D::lbItemsClick)
                                     .Done();
  return B;
}

void TCollectionEditor::Bind(TComponent& Component, TCollection& Collection, const std::string& PropertyName,
                             TColOptions Options) {
  FCollection = &Collection;
  FOptions = Options;
  FChanged = false;
  SetCaption("Editing " + Component.Name() + "." + PropertyName);
  // What the options forbid is not offered at all.
  btAdd->SetVisible(Options.Contains(coAdd));
  btDelete->SetVisible(Options.Contains(coDelete));
  btMoveUp->SetVisible(Options.Contains(coMove));
  btMoveDown->SetVisible(Options.Contains(coMove));
  FillItems(Collection.Count() > 0 ? 0 : -1);
}

void TCollectionEditor::FillItems(int Selected) {
  TStrings& Items = lbItems->Items();
  Items.BeginUpdate();
  Items.Clear();
  for (int I = 0; I < FCollection->Count(); ++I)
    Items.Add(Format("%d - %s", {I, FCollection->Items(I)->DisplayName()}));
  Items.EndUpdate();
  lbItems->SetItemIndex(Selected < FCollection->Count() ? Selected : FCollection->Count() - 1);
  UpdateButtons();
}

void TCollectionEditor::UpdateButtons() {
  const int Index = lbItems->ItemIndex();
  btDelete->SetEnabled(Index >= 0);
  btMoveUp->SetEnabled(Index > 0);
  btMoveDown->SetEnabled(Index >= 0 && Index < FCollection->Count() - 1);
}

void TCollectionEditor::btAddClick(TObject*) {
  if (!FOptions.Contains(coAdd)) return;
  FCollection->Add();
  FChanged = true;
  FillItems(FCollection->Count() - 1);
}

void TCollectionEditor::btDeleteClick(TObject*) {
  const int Index = lbItems->ItemIndex();
  if (!FOptions.Contains(coDelete) || Index < 0) return;
  FCollection->Delete(Index);
  FChanged = true;
  FillItems(Index);
}

void TCollectionEditor::Move(int Delta) {
  const int Index = lbItems->ItemIndex();
  const int Target = Index + Delta;
  if (!FOptions.Contains(coMove) || Index < 0 || Target < 0 || Target >= FCollection->Count()) return;
  FCollection->Items(Index)->SetIndex(Target);
  FChanged = true;
  FillItems(Target);
}

void TCollectionEditor::btMoveUpClick(TObject*) { Move(-1); }

void TCollectionEditor::btMoveDownClick(TObject*) { Move(+1); }

void TCollectionEditor::lbItemsClick(TObject*) { UpdateButtons(); }

void ShowCollectionEditorClass(IDesigner* Designer, const TMetaClass& CollectionEditorClass, TComponent& Component,
                               TCollection& Collection, const std::string& PropertyName, TColOptions Options) {
  if (!CollectionEditorClass.InheritsFrom(TCollectionEditor::StaticClass()))
    throw EInvalidCast(Format("%s is no collection editor", {CollectionEditorClass.ClassName()}));
  std::unique_ptr<TObject> Instance = CollectionEditorClass.CreateInstance(Application);
  std::unique_ptr<TCollectionEditor> Dialog(static_cast<TCollectionEditor*>(Instance.release()));
  Dialog->Bind(Component, Collection, PropertyName, Options);
  Dialog->ShowModal();
  if (Dialog->CollectionChanged() && Designer != nullptr) Designer->Modified();
}
