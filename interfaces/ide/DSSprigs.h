// The database design package's structure-view node of a dataset.
#pragma once

#include "ide/TreeIntf.h"

// A dataset's node: its dataset's fields that are no components of the root
// (the fields a dataset makes for itself) appear as its children; persistent
// fields place themselves under it as components with a parent.
class TDataSetSprig : public TComponentSprig {
  VN_DECLARE_CLASS(TDataSetSprig)
 public:
  explicit TDataSetSprig(TComponent* AItem);
  void FigureChildren() override;
};

// The unit's start-up and shut-down, for the unit tables of the packages that use it.
void DSSprigs_Initialization();
void DSSprigs_Finalization();
