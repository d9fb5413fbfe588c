#include "properties/field_link_property.h"

#include "rtl/SysUtils.h"
#include "varnel/Vnconsts.h"
#include "varnel/Vnengine.h"

namespace VNReg {

VN_IMPLEMENT_CLASS(TVNTableFieldLinkProperty, TFieldLinkProperty)

TVNTableFieldLinkProperty::TVNTableFieldLinkProperty() = default;
TVNTableFieldLinkProperty::~TVNTableFieldLinkProperty() = default;

TVNTable& TVNTableFieldLinkProperty::Table() const {
  VN_ASSERT(FTable != nullptr, "the link operations work only while Edit runs");
  return *FTable;
}

void TVNTableFieldLinkProperty::Edit() {
  TVNTable& T = As<TVNTable>(GetDataSet());
  // The working table goes on every way out of Edit.
  struct TWorkingTable {
    std::unique_ptr<TVNTable>& Table;
    ~TWorkingTable() { Table.reset(); }
  } Guard{FTable};
  FTable = std::make_unique<TVNTable>(nullptr);
  FTable->SetSessionName(T.SessionName());
  FTable->SetDatabaseName(T.DatabaseName());
  FTable->SetTableName(T.TableName());
  if (!T.IndexFieldNames().empty())
    FTable->SetIndexFieldNames(T.IndexFieldNames());
  else
    FTable->SetIndexName(T.IndexName());
  FTable->SetMasterFields(T.MasterFields());
  FTable->Open();
  TFieldLinkProperty::Edit();
  if (!Changed()) return;
  T.SetMasterFields(FTable->MasterFields());
  if (!FTable->IndexFieldNames().empty())
    T.SetIndexFieldNames(FTable->IndexFieldNames());
  else
    T.SetIndexName(FTable->IndexName());
}

void TVNTableFieldLinkProperty::GetFieldNamesForIndex(TStrings& List) {
  for (int I = 0; I < Table().GetIndexFieldCount(); ++I) List.Add(Table().GetIndexField(I)->FieldName());
}

bool TVNTableFieldLinkProperty::GetIndexBased() { return !Table().PSIsSQLBased(); }

TIndexDefs* TVNTableFieldLinkProperty::GetIndexDefs() { return &Table().IndexDefs(); }

std::string TVNTableFieldLinkProperty::GetIndexFieldNames() { return Table().IndexFieldNames(); }

std::string TVNTableFieldLinkProperty::GetIndexName() { return Table().IndexName(); }

std::string TVNTableFieldLinkProperty::GetMasterFields() { return Table().MasterFields(); }

void TVNTableFieldLinkProperty::SetIndexFieldNames(const std::string& Value) { Table().SetIndexFieldNames(Value); }

void TVNTableFieldLinkProperty::SetIndexName(const std::string& Value) {
  Table().SetIndexName(Value == SPrimary ? std::string() : Value);
}

void TVNTableFieldLinkProperty::SetMasterFields(const std::string& Value) { Table().SetMasterFields(Value); }

}  // namespace VNReg
