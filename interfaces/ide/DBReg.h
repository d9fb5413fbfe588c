// Unit DBReg: the property editors of the IDE's database design package that
// design packages register or derive from: index names, index field names, and
// the master-detail link designer.
#pragma once

#include <string>

#include "ide/PropEdits.h"
#include "rtl/DB.h"

// The editor's dataset's indexes, brought up to date from its database
// (UpdateIndexDefs) without opening it; null when the dataset has none.
TIndexDefs* GetIndexDefs(TPersistent* Component);

// A dataset's index name: a sorted list of the names of its indexes.
class TIndexNameProperty : public TStringProperty {
  VN_DECLARE_CLASS(TIndexNameProperty)
 public:
  TPropertyAttributes GetAttributes() override;
  void GetValues(const TGetStrProc& Proc) override;
};

// A dataset's index fields: a sorted list of the field lists of its indexes.
class TIndexFieldNamesProperty : public TStringProperty {
  VN_DECLARE_CLASS(TIndexFieldNamesProperty)
 public:
  TPropertyAttributes GetAttributes() override;
  void GetValues(const TGetStrProc& Proc) override;
};

// The link designer of a detail dataset's master fields. Edit shows a modal
// dialog that pairs fields of the detail's chosen index with fields of the
// master dataset (the detail's data source's dataset, opened for its fields
// when it is closed and knows none); the dialog reads and
// writes the link through the virtual operations below, which a descendant
// answers for its own kind of dataset.
class TFieldLinkProperty : public TStringProperty {
  VN_DECLARE_CLASS(TFieldLinkProperty)
 public:
  TFieldLinkProperty() = default;
  // For use outside the inspector: the link designer of ADataSet.
  explicit TFieldLinkProperty(TDataSet& ADataSet) : FDataSet(&ADataSet) {}

  TPropertyAttributes GetAttributes() override;
  // Called when the ellipsis button is pressed: runs the link dialog. Changed
  // tells afterwards whether the person confirmed a changed link; the
  // designer is then marked modified.
  void Edit() override;

  // Called by the dialog: appends the fields of the detail's current index,
  // in index order.
  virtual void GetFieldNamesForIndex(TStrings& List);
  // Called by the dialog: true when the detail chooses its order by index
  // (the index list is offered), false for a dataset ordered by SQL.
  virtual bool GetIndexBased();
  // Called by the dialog: the detail's index definitions (may be null).
  virtual TIndexDefs* GetIndexDefs();
  // Called by the dialog to read the link and the index choice.
  virtual std::string GetIndexFieldNames();
  virtual std::string GetIndexName();
  virtual std::string GetMasterFields();
  // Called by the dialog, after the person confirmed, to write them.
  virtual void SetIndexFieldNames(const std::string& Value);
  virtual void SetIndexName(const std::string& Value);
  virtual void SetMasterFields(const std::string& Value);

  // The detail dataset: the one given to the constructor, else the first
  // inspected component (EInvalidCast when it is no dataset).
  TDataSet& GetDataSet();
  // Whether the last Edit ended with a confirmed, changed link.
  bool Changed() const noexcept { return FChanged; }

 private:
  TDataSet* FDataSet = nullptr;
  bool FChanged = false;
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void DBReg_Initialization();
void DBReg_Finalization();
