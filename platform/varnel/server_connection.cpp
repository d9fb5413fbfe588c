#include "server_connection.h"

#include "rtl/DB.h"
#include "rtl/SysUtils.h"
#include "sql_tokenizer.h"
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

std::unique_ptr<TVNServerConnection> CreateServerConnection(TVNServerType ServerType) {
  switch (ServerType) {
    case stSQLite:
      return std::make_unique<TVNSQLiteConnection>();
    case stPostgreSQL:
      return PgBackend().CreateConnection();
  }
  throw EDatabaseError("Connections to " + GetServerTypeName(ServerType) + " servers are not supported");
}
