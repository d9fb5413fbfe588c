#include "server_connection.h"

#include "rtl/DB.h"
#include "rtl/SysUtils.h"
#include "sql_tokenizer.h"
#include "mariadb_backend.h"
#include "pg_backend.h"
#include "sqlite_connection.h"

TVNServerConnection::~TVNServerConnection() = default;

void TVNServerConnection::SetLoginParams(const TStrings&) {}

void TVNServerConnection::GuardStatements(bool) {}

std::string TVNServerConnection::QuotedTableName(const std::string& TableName) {
  // Names compare without regard to case here: each part quoted as written.
  if (FieldNames(TableName).empty()) return "";
  if (const auto Parts = SplitObjectName(Trim(TableName))) {
    std::string Result = Parts->Schema.empty() ? "" : QuoteIdentifier(Parts->Schema, true) + ".";
    return Result + QuoteIdentifier(Parts->Name, true);
  }
  return QuoteIdentifier(Trim(TableName), true);
}

std::string TVNServerConnection::ProcCallStatement(const std::string&) {
  throw EDatabaseError(GetServerTypeName(ServerType()) + " databases have no stored procedures");
}

std::optional<std::vector<TVNProcParamInfo>> TVNServerConnection::ProcParams(const std::string&) {
  return std::nullopt;
}

std::string TVNServerLogin::Describe() const {
  std::string Text = "database \"" + Database + "\"";
  if (!Host.empty()) Text += " on host " + Host;
  if (!Port.empty()) Text += " port " + Port;
  if (!Socket.empty()) Text += " socket " + Socket;
  return Text;
}

TVNServerLogin ReadServerLogin(const TStrings* Params, const std::string& RemoteDatabase) {
  TVNServerLogin Login;
  if (Params != nullptr) {
    Login.Host = Trim(Params->Values("HOST"));
    Login.Port = Trim(Params->Values("PORT"));
    Login.Socket = Trim(Params->Values("SOCKET"));
    Login.User = Trim(Params->Values("USER NAME"));
    Login.Password = Params->Values("PASSWORD");
    const std::string Timeout = Trim(Params->Values("CONNECT TIMEOUT"));
    if (!Timeout.empty()) Login.ConnectTimeout = std::clamp(StrToIntDef(Timeout, 10), 1, 600);
  }
  std::string Remote = Trim(RemoteDatabase);
  // Only "server/database": a file path (an SQLite database's name) names no server.
  if (const std::size_t Slash = Remote.find('/');
      Slash != std::string::npos && Slash > 0 && Remote.find('/', Slash + 1) == std::string::npos) {
    std::string Server = Remote.substr(0, Slash);
    Remote = Remote.substr(Slash + 1);
    if (const std::size_t Colon = Server.rfind(':'); Colon != std::string::npos) {
      Login.Port = Server.substr(Colon + 1);
      Server.resize(Colon);
    }
    if (!Server.empty()) Login.Host = Server;
  }
  Login.Database = Remote;
  return Login;
}

TVNServerLogin LoginFor(const TVNServerLogin& Login, const std::string& DatabaseName) {
  const TVNServerLogin Given = ReadServerLogin(nullptr, DatabaseName);
  TVNServerLogin Result = Login;
  Result.Database = Given.Database;
  if (!Given.Host.empty()) Result.Host = Given.Host;
  if (!Given.Port.empty()) Result.Port = Given.Port;
  return Result;
}

void RefuseTransactionControl(const std::vector<std::string>& Statements,
                              const std::function<bool(std::string_view)>& Controls) {
  for (std::size_t I = 0; I < Statements.size(); ++I)
    if (Controls(Statements[I]))
      throw EDatabaseError(Format(
          "Statement %d of the script controls transactions; a script runs in one transaction of its own",
          {static_cast<int>(I + 1)}));
}

std::unique_ptr<TVNServerConnection> CreateServerConnection(TVNServerType ServerType) {
  switch (ServerType) {
    case stSQLite:
      return std::make_unique<TVNSQLiteConnection>();
    case stPostgreSQL:
      return PgBackend().CreateConnection();
    case stMariaDB:
      return MariaDbBackend().CreateConnection();
  }
  throw EDatabaseError("Connections to " + GetServerTypeName(ServerType) + " servers are not supported");
}
