#include "properties/name_list_properties.h"

#include "editors/component_editors.h"
#include "registration/vnreg.h"
#include "rtl/SysUtils.h"
#include "varnel/Vndlgs.h"
#include "varnel/Vnconsts.h"
#include "varnel/Vnengine.h"

namespace VNReg {

VN_IMPLEMENT_CLASS(TVNStringProperty, TStringProperty)
VN_IMPLEMENT_CLASS(TVNSessionNameProperty, TVNStringProperty)
VN_IMPLEMENT_CLASS(TVNDatabaseNameProperty, TVNStringProperty)
VN_IMPLEMENT_CLASS(TVNStoredProcNameProperty, TVNStringProperty)
VN_IMPLEMENT_CLASS(TVNTableNameProperty, TVNStringProperty)
VN_IMPLEMENT_CLASS(TVNDatabaseProperty, TVNStringProperty)
VN_IMPLEMENT_CLASS(TVNDatabaseConnectedProperty, TEnumProperty)

TPropertyAttributes TVNStringProperty::GetAttributes() { return {paValueList, paMultiSelect, paSortList}; }

void TVNStringProperty::GetValues(const TGetStrProc& Proc) {
  TStringList List;
  GetValueList(List);
  for (int I = 0; I < List.Count(); ++I) Proc(List.StringRef(I));
}

void TVNStringProperty::GetValueList(TStrings&) { throw EAbstractError("Abstract Error"); }

void TVNSessionNameProperty::GetValueList(TStrings& List) {
  for (int I = 0; I < Sessions().GetCount(); ++I) List.Add(Sessions().GetSession(I)->SessionName());
}

void TVNDatabaseNameProperty::GetValueList(TStrings& List) {
  TPersistent* Component = GetComponent(0);
  if (auto* Script = dynamic_cast<TVNScript*>(Component))
    Script->GetDBSession().GetDatabaseNames(List);
  else
    As<TVNDataSet>(*Component).GetDBSession().GetDatabaseNames(List);
}

void TVNStoredProcNameProperty::GetValueList(TStrings& List) {
  TVNStoredProc& Proc = As<TVNStoredProc>(*GetComponent(0));
  Proc.GetDBSession().GetStoredProcNames(Proc.DatabaseName(), List);
}

bool TVNTableNameProperty::AutoFill() { return IsDataSetDatabaseConnected(As<TVNDataSet>(*GetComponent(0))); }

void TVNTableNameProperty::GetValueList(TStrings& List) {
  TVNTable& Table = As<TVNTable>(*GetComponent(0));
  Table.GetDBSession().GetTableNames(Table.DatabaseName(), "", false, List);
}

void TVNDatabaseProperty::Edit() {
  const std::string Current = GetValue();
  TVNDatabase& Database = As<TVNDatabase>(*GetComponent(0));
  const std::string Value = InputRemoteDatabaseValue(Database.ServerType(), Current);
  if (!Value.empty()) SetValue(Value);
}

TPropertyAttributes TVNDatabaseProperty::GetAttributes() { return {paValueList, paDialog}; }

void TVNDatabaseProperty::SetValue(const std::string& Value) {
  if (Value == SHistoryPlaceholder) return;
  TVNStringProperty::SetValue(Value);
}

void TVNDatabaseProperty::GetValueList(TStrings& List) {
  // Without a settings store (a failed start-up) the history is empty.
  TStrings* History = DesignSettings != nullptr ? &DesignSettings->RecentDatabases() : nullptr;
  if (History == nullptr || History->Count() == 0)
    List.Add(SHistoryPlaceholder);
  else
    List.Assign(*History);
}

void TVNDatabaseConnectedProperty::SetValue(const std::string& Value) {
  TEnumProperty::SetValue(Value);
  if (AnsiSameText(Value, std::string(STextTrue)) && DesignSettings != nullptr)
    DesignSettings->AddLastUsedDatabase(As<TVNDatabase>(*GetComponent(0)).RemoteDatabase());
}

}  // namespace VNReg
