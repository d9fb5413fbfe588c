// Unit DSDesign: the IDE's fields editor of a dataset and the dataset editor
// that opens it.
#pragma once

#include <string>

#include "ide/DesignEditors.h"
#include "rtl/DB.h"

// What the fields editor asks of the dataset's kind. A dataset editor names
// its class (GetDSDesignerClass); the fields editor makes one for as long as it
// is open.
class TDSDesigner : public TObject {
  VN_DECLARE_CLASS(TDSDesigner)
 public:
  TDSDesigner() = default;

  // Called by the fields editor for each field it adds: answers a new
  // persistent field for Def, owned by Owner (the designer's root), named and
  // set up but not yet joined to DataSet. The host's own makes a field of the
  // data type's class named after the dataset and the field.
  virtual TField& DoCreateField(const TFieldDef& Def, TComponent& Owner, TDataSet& DataSet);
};
using TDSDesignerClass = const TMetaClass&;

// The fields editor: a modal dialog listing DataSet's persistent fields and the
// fields its statement yields (the dataset is opened briefly when it is
// closed), where fields are added and removed. Changes are made when the dialog
// is accepted; then the designer (when not null) is marked modified.
// DesignerClass must be TDSDesigner or derived from it (EInvalidCast otherwise).
void ShowFieldsEditor(IDesigner* Designer, TDataSet& DataSet, TDSDesignerClass DesignerClass);

// The host's component editor of datasets: one verb that opens the fields
// editor, which a double click opens too.
class TDataSetEditor : public TComponentEditor {
  VN_DECLARE_CLASS(TDataSetEditor)
 public:
  void Edit() override;
  void ExecuteVerb(int Index) override;
  std::string GetVerb(int Index) override;
  int GetVerbCount() override;

  // Called when the fields editor opens: the class of its TDSDesigner. The
  // host's own answers TDSDesigner.
  virtual TDSDesignerClass GetDSDesignerClass();
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void DSDesign_Initialization();
void DSDesign_Finalization();
