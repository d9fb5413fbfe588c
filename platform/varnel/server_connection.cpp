#include "server_connection.h"

#include "rtl/DB.h"
#include "pg_connection.h"
#include "sqlite_connection.h"

TVNServerConnection::~TVNServerConnection() = default;

void TVNServerConnection::SetLoginParams(const TStrings&) {}

std::string TVNServerConnection::ProcCallStatement(const std::string&) {
  throw EDatabaseError(GetServerTypeName(ServerType()) + " databases have no stored procedures");
}

std::optional<std::vector<TVNProcParamInfo>> TVNServerConnection::ProcParams(const std::string&) {
  return std::nullopt;
}

std::unique_ptr<TVNServerConnection> CreateServerConnection(TVNServerType ServerType) {
  switch (ServerType) {
    case stSQLite:
      return std::make_unique<TVNSQLiteConnection>();
    case stPostgreSQL:
      return std::make_unique<TVNPgConnection>();
  }
  throw EDatabaseError("Connections to " + GetServerTypeName(ServerType) + " servers are not supported");
}
