#include "registration/vnreg.h"

#include <cstdint>
#include <memory>
#include <utility>

#include "editors/component_editors.h"
#include "editors/database_editor.h"
#include "ide/DBReg.h"
#include "ide/DesignIntf.h"
#include "ide/TreeIntf.h"
#include "sprigs/vn_sprigs.h"
#include "properties/dialog_properties.h"
#include "properties/field_link_property.h"
#include "properties/name_list_properties.h"
#include "rtl/DB.h"
#include "rtl/TypInfo.h"
#include "varnel/Vnengine.h"

namespace VNReg {

TDesignSettings* DesignSettings = nullptr;

namespace {
// Below 0 while started: each start-up counts down, each shut-down back up.
std::int32_t StartupCounter = 0;
}  // namespace

void Initialization() {
  if (StartupCounter-- != 0) return;
  try {
    // The store and the default server type take effect together, so that a
    // failed start-up leaves neither behind and a later one can try again.
    auto Store = std::make_unique<TDesignSettings>();
    const TVNServerType ServerType = Store->ReadDefaultServerType();
    DesignSettings = Store.release();
    DefServerType = ServerType;
  } catch (...) {
    ++StartupCounter;
    throw;
  }
}

void Finalization() {
  if (++StartupCounter != 0) return;
  std::unique_ptr<TDesignSettings> Store(std::exchange(DesignSettings, nullptr));
  if (Store) Store->SaveAll();
}

void Register() {
  RegisterComponents("Varnel", {&TVNSession::StaticClass(), &TVNDatabase::StaticClass(), &TVNQuery::StaticClass(),
                                &TVNMacroQuery::StaticClass(), &TVNStoredProc::StaticClass(),
                                &TVNTable::StaticClass(), &TVNUpdateSQL::StaticClass(), &TVNScript::StaticClass(),
                                &TVNMonitor::StaticClass(), &TVNSQLBaseServer::StaticClass()});

  const PTypeInfo String = TypeInfo<std::string>();
  RegisterPropertyEditor(TypeInfo<bool>(), &TVNDatabase::StaticClass(), "Connected",
                         TVNDatabaseConnectedProperty::StaticClass());
  RegisterPropertyEditor(String, &TVNDatabase::StaticClass(), "RemoteDatabase", TVNDatabaseProperty::StaticClass());
  RegisterPropertyEditor(String, &TVNDatabase::StaticClass(), "SessionName", TVNSessionNameProperty::StaticClass());
  RegisterPropertyEditor(String, &TVNDatabase::StaticClass(), "ParamsFileName", TVNFileNameProperty::StaticClass());
  RegisterPropertyEditor(String, &TVNDataSet::StaticClass(), "DatabaseName", TVNDatabaseNameProperty::StaticClass());
  RegisterPropertyEditor(String, &TVNDataSet::StaticClass(), "SessionName", TVNSessionNameProperty::StaticClass());
  RegisterPropertyEditor(String, &TVNScript::StaticClass(), "DatabaseName", TVNDatabaseNameProperty::StaticClass());
  RegisterPropertyEditor(String, &TVNScript::StaticClass(), "SessionName", TVNSessionNameProperty::StaticClass());
  RegisterPropertyEditor(String, &TVNStoredProc::StaticClass(), "StoredProcName",
                         TVNStoredProcNameProperty::StaticClass());
  RegisterPropertyEditor(String, &TVNTable::StaticClass(), "TableName", TVNTableNameProperty::StaticClass());
  RegisterPropertyEditor(String, &TVNTable::StaticClass(), "IndexName", TIndexNameProperty::StaticClass());
  RegisterPropertyEditor(String, &TVNTable::StaticClass(), "IndexFieldNames", TIndexFieldNamesProperty::StaticClass());
  RegisterPropertyEditor(TypeInfo<TParams>(), &TVNQuery::StaticClass(), "Params",
                         TVNQueryParamsProperty::StaticClass());
  RegisterPropertyEditor(TypeInfo<TParams>(), &TVNStoredProc::StaticClass(), "Params",
                         TVNStoredProcParamsProperty::StaticClass());

  RegisterComponentEditor(TVNSession::StaticClass(), TVNDefaultEditor::StaticClass());
  RegisterComponentEditor(TVNDatabase::StaticClass(), TVNDatabaseEditor::StaticClass());
  RegisterComponentEditor(TVNDataSet::StaticClass(), TVNDataSetEditor::StaticClass());
  RegisterComponentEditor(TVNQuery::StaticClass(), TVNQueryEditor::StaticClass());
  RegisterComponentEditor(TVNMacroQuery::StaticClass(), TVNMacroQueryEditor::StaticClass());
  RegisterComponentEditor(TVNStoredProc::StaticClass(), TVNStoredProcEditor::StaticClass());
  RegisterComponentEditor(TVNUpdateSQL::StaticClass(), TVNUpdateSQLEditor::StaticClass());
  RegisterComponentEditor(TVNScript::StaticClass(), TVNScriptEditor::StaticClass());
  RegisterComponentEditor(TVNMonitor::StaticClass(), TVNDefaultEditor::StaticClass());
  RegisterComponentEditor(TVNSQLBaseServer::StaticClass(), TVNDefaultEditor::StaticClass());

  RegisterPropertyEditor(TypeInfo<TStrings>(), &TVNDatabase::StaticClass(), "Params",
                         TVNDatabaseParamsProperty::StaticClass());
  if (DesignSettings != nullptr && DesignSettings->SQLEditor())
    RegisterPropertyEditor(TypeInfo<TStrings>(), &TVNQuery::StaticClass(), "SQL", TVNQuerySQLProperty::StaticClass());
  RegisterPropertyEditor(TypeInfo<std::string>(), &TVNTable::StaticClass(), "MasterFields",
                         TVNTableFieldLinkProperty::StaticClass());

  RegisterPropertiesInCategory(std::string(sDatabaseCategoryName), TVNDatabase::StaticClass(),
                               {"ServerType", "SessionName", "DatabaseName", "RemoteDatabase"});
  RegisterPropertiesInCategory(std::string(sDatabaseCategoryName), TVNDataSet::StaticClass(), {"DatabaseName"});
  RegisterPropertiesInCategory(std::string(sDatabaseCategoryName), TVNDataSetUpdateObject::StaticClass(), {"*SQL"});

  RegisterSprigType(TVNSession::StaticClass(), TVNSessionSprig::StaticClass());
  RegisterSprigType(TVNDatabase::StaticClass(), TVNDatabaseSprig::StaticClass());
  RegisterSprigType(TVNDataSet::StaticClass(), TVNDataSetSprig::StaticClass());
  RegisterSprigType(TVNTable::StaticClass(), TVNTableSprig::StaticClass());
  RegisterSprigType(TVNQuery::StaticClass(), TVNQuerySprig::StaticClass());
  RegisterSprigType(TVNStoredProc::StaticClass(), TVNStoredProcSprig::StaticClass());
  RegisterSprigType(TVNUpdateSQL::StaticClass(), TVNUpdateSQLSprig::StaticClass());
}

}  // namespace VNReg

extern "C" void VNReg_Register() { VNReg::Register(); }
