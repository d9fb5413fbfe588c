// Unit VNReg: the master-fields link designer of a table. The host's link
// dialog works on a private, open copy of the inspected table, so that the
// inspected one is neither opened nor changed unless a changed link is
// confirmed.
#pragma once

#include <memory>
#include <string>

#include "ide/DBReg.h"

class TVNTable;

namespace VNReg {

class TVNTableFieldLinkProperty : public TFieldLinkProperty {
  VN_DECLARE_CLASS(TVNTableFieldLinkProperty)
 public:
  TVNTableFieldLinkProperty();
  using TFieldLinkProperty::TFieldLinkProperty;
  ~TVNTableFieldLinkProperty() override;

  void Edit() override;
  // The link operations, answered from the working table while Edit runs.
  void GetFieldNamesForIndex(TStrings& List) override;
  bool GetIndexBased() override;
  TIndexDefs* GetIndexDefs() override;
  std::string GetIndexFieldNames() override;
  std::string GetIndexName() override;
  std::string GetMasterFields() override;
  void SetIndexFieldNames(const std::string& Value) override;
  // The primary index's entry (SPrimary) is the empty index name.
  void SetIndexName(const std::string& Value) override;
  void SetMasterFields(const std::string& Value) override;

 private:
  TVNTable& Table() const;
  std::unique_ptr<TVNTable> FTable;  // exists only while Edit runs
};

}  // namespace VNReg
