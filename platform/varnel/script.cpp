#include "varnel/Vnengine.h"

#include "monitor_hook.h"
#include "rtl/TypInfo.h"
#include "server_connection.h"

VN_IMPLEMENT_PUBLISHED(TVNScript, TComponent)

const std::vector<TPropInfo>& TVNScript::PublishedProperties() {
  static const auto List = TPublisher<TVNScript>()
                               .String("DatabaseName", &TVNScript::DatabaseName, &TVNScript::SetDatabaseName)
                               .String("SessionName", &TVNScript::SessionName, &TVNScript::SetSessionName)
                               .Owned<TStrings>("SQL", &TVNScript::SQL)
                               .List();
  return List;
}

TVNScript::TVNScript(TComponent* AOwner) : TComponent(AOwner), FSQL(std::make_unique<TStringList>()) {}

TVNScript::~TVNScript() = default;

TVNSession& TVNScript::GetDBSession() const { return Sessions().GetSessionByName(FSessionName); }

void TVNScript::ExecSQL() {
  TVNDatabase& Database = GetDBSession().OpenDatabase(FDatabaseName);
  Database.Connection().ExecuteScript(FSQL->Text(), [](const std::string& Statement) { NotifyMonitors(Statement); });
}
