#include "server_connection.h"

#include "rtl/DB.h"
#include "sqlite_connection.h"

TVNServerConnection::~TVNServerConnection() = default;

std::optional<std::vector<TVNProcParamInfo>> TVNServerConnection::ProcParams(const std::string&) {
  return std::nullopt;
}

std::unique_ptr<TVNServerConnection> CreateServerConnection(TVNServerType ServerType) {
  switch (ServerType) {
    case stSQLite:
      return std::make_unique<TVNSQLiteConnection>();
    case stPostgreSQL:
      break;
  }
  throw EDatabaseError("Connections to " + GetServerTypeName(ServerType) + " servers are not supported yet");
}
