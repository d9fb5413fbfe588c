#include "pg_connection.h"

#include <libpq-fe.h>

#include <algorithm>
#include <deque>
#include <unordered_map>

#include "like_pattern.h"
#include "rtl/Classes.h"
#include "rtl/DB.h"
#include "rtl/SysUtils.h"
#include "sql_tokenizer.h"

namespace {

// libpq's messages end in a line break and may span lines; one line reads better.
std::string OneLineMessage(const char* Text) {
  std::string Result = Trim(Text == nullptr ? "" : Text);
  for (char& C : Result)
    if (C == '\n' || C == '\r' || C == '\t') C = ' ';
  return Result;
}

// A table name as written: its parts, and for each whether it was quoted.
struct TPgName {
  std::string Schema, Name;
  bool SchemaQuoted = false, NameQuoted = false;
};

std::optional<TPgName> SplitPgName(const std::string& Text) {
  std::vector<TSQLToken> Tokens;
  try {
    Tokens = TokenizeSQL(Trim(Text));
  } catch (const EDatabaseError&) {
    return std::nullopt;
  }
  TPgName Result;
  auto Quoted = [](const TSQLToken& T) { return T.Kind == tokQuotedIdentifier; };
  if (Tokens.size() == 2 && Tokens[0].IsName()) {
    Result.Name = Tokens[0].Text;
    Result.NameQuoted = Quoted(Tokens[0]);
  } else if (Tokens.size() == 4 && Tokens[0].IsName() && Tokens[1].IsOperator(".") && Tokens[2].IsName()) {
    Result.Schema = Tokens[0].Text;
    Result.SchemaQuoted = Quoted(Tokens[0]);
    Result.Name = Tokens[2].Text;
    Result.NameQuoted = Quoted(Tokens[2]);
  } else {
    return std::nullopt;
  }
  return Result;
}

constexpr const char* RelationName =
    "CASE WHEN pg_catalog.pg_table_is_visible(c.oid) THEN c.relname"
    " ELSE n.nspname || '.' || c.relname END";

}  // namespace

void TPgResultCloser::operator()(pg_result* Result) const noexcept { PQclear(Result); }

void TVNPgConnection::TCloser::operator()(pg_conn* Handle) const noexcept { PQfinish(Handle); }

TVNPgConnection::TVNPgConnection() = default;

TVNPgConnection::~TVNPgConnection() = default;

void TVNPgConnection::SetLoginParams(const TStrings& Params) {
  const std::string Database = FLogin.Database;
  FLogin = ReadServerLogin(&Params, "");
  FLogin.Database = Database;
}

void TVNPgConnection::Open(const std::string& DatabaseName) { Connect(DatabaseName, false); }

void TVNPgConnection::OpenReadOnly(const std::string& DatabaseName) { Connect(DatabaseName, true); }

void TVNPgConnection::Connect(const std::string& DatabaseName, bool ReadOnly) {
  Close();
  TVNServerLogin Login = LoginFor(FLogin, DatabaseName);
  if (Login.Database.empty()) throw EDatabaseError("Cannot connect to PostgreSQL: no database name given");

  const std::string Timeout = IntToStr(Login.ConnectTimeout);
  std::vector<const char*> Keys, Values;
  std::deque<std::string> Texts;  // stable addresses for libpq
  auto Add = [&](const char* Key, const std::string& Value) {
    if (Value.empty()) return;
    Keys.push_back(Key);
    Values.push_back(Texts.emplace_back(Value).c_str());
  };
  Add("host", Login.Host);
  Add("port", Login.Port);
  Add("dbname", Login.Database);
  Add("user", Login.User);
  Add("password", Login.Password);
  Add("connect_timeout", Timeout);
  Add("application_name", std::string("VarLib220"));
  Add("client_encoding", std::string("UTF8"));
  // A server that stops answering is noticed instead of waited for.
  Add("keepalives_idle", std::string("10"));
  Add("tcp_user_timeout", std::string("30000"));
  Keys.push_back(nullptr);
  Values.push_back(nullptr);
  // dbname is taken literally: expand_dbname 0 keeps "host=..." in a name from
  // being read as connection settings.
  std::unique_ptr<pg_conn, TCloser> Handle(PQconnectdbParams(Keys.data(), Values.data(), 0));
  if (!Handle) throw EDatabaseError("Cannot connect to PostgreSQL " + Login.Describe() + ": out of memory");
  if (PQstatus(Handle.get()) != CONNECTION_OK)
    throw EDatabaseError("Cannot connect to PostgreSQL " + Login.Describe() + ": " +
                         OneLineMessage(PQerrorMessage(Handle.get())));
  if (Login.Host.empty()) Login.Host = PQhost(Handle.get()) ? PQhost(Handle.get()) : "";
  if (Login.Port.empty()) Login.Port = PQport(Handle.get()) ? PQport(Handle.get()) : "";
  Login.Password.clear();
  // Notices (about implicit indexes and the like) would go to standard error.
  PQsetNoticeProcessor(Handle.get(), [](void*, const char*) {}, nullptr);
  FHandle = std::move(Handle);
  FLogin.Host = Login.Host;
  FLogin.Port = Login.Port;
  FLogin.Database = Login.Database;
  if (ReadOnly) Query("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY", {});
  FDatabaseName = DatabaseName;
}

void TVNPgConnection::Close() noexcept {
  FHandle.reset();
  FDatabaseName.clear();
}

pg_conn& TVNPgConnection::CheckConnected() const {
  if (!FHandle) throw EDatabaseError("Database is not connected");
  return *FHandle;
}

bool TVNPgConnection::InTransaction() const noexcept {
  return FHandle != nullptr && PQtransactionStatus(FHandle.get()) != PQTRANS_IDLE;
}

void TVNPgConnection::RaiseError(const pg_result* Result, const std::string& SQL) {
  pg_conn& Handle = CheckConnected();
  if (PQstatus(&Handle) != CONNECTION_OK) {
    // The server went away: the connection is of no further use.
    const std::string Reason = OneLineMessage(PQerrorMessage(&Handle));
    const std::string Where = FLogin.Describe();
    Close();
    throw EDatabaseError("Lost the connection to PostgreSQL " + Where + ": " + Reason);
  }
  const char* Primary = Result ? PQresultErrorField(Result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  std::string Message = Primary ? OneLineMessage(Primary) : OneLineMessage(PQerrorMessage(&Handle));
  if (const char* Position = Result ? PQresultErrorField(Result, PG_DIAG_STATEMENT_POSITION) : nullptr) {
    // The server counts characters from 1; the offset is in bytes.
    const int Characters = StrToIntDef(Position, 0);
    std::size_t Offset = 0;
    for (int Seen = 0; Offset < SQL.size(); ++Offset) {
      if ((static_cast<unsigned char>(SQL[Offset]) & 0xC0) == 0x80) continue;
      if (++Seen == Characters) break;
    }
    if (Characters > 0) Message += " at " + DescribeSQLPosition(SQL, std::min(Offset, SQL.size()));
  }
  // The server gave up waiting for a lock, or stopped a statement at its time limit.
  const char* State = Result ? PQresultErrorField(Result, PG_DIAG_SQLSTATE) : nullptr;
  if (State != nullptr && (std::string_view(State) == "55P03" || std::string_view(State) == "57014"))
    throw EVNServerBusy(Message);
  throw EDatabaseError(Message);
}

TPgResult TVNPgConnection::Query(const std::string& SQL, const std::vector<std::string>& Texts) {
  pg_conn& Handle = CheckConnected();
  std::vector<const char*> Values;
  for (const std::string& Text : Texts) Values.push_back(Text.c_str());
  TPgResult Result(PQexecParams(&Handle, SQL.c_str(), static_cast<int>(Values.size()), nullptr, Values.data(),
                                nullptr, nullptr, 0));
  const ExecStatusType Status = PQresultStatus(Result.get());
  if (Status != PGRES_TUPLES_OK && Status != PGRES_COMMAND_OK) RaiseError(Result.get(), SQL);
  return Result;
}

unsigned TVNPgConnection::ResolveRelation(const std::string& TableName) {
  const auto Name = SplitPgName(TableName);
  if (!Name) return 0;
  // Bare names: as written first, then as the server folds them.
  const std::string SQL =
      "SELECT c.oid FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace"
      " WHERE c.relkind IN ('r', 'v', 'm', 'p', 'f')"
      "   AND (c.relname = $1 OR ($2 = 'f' AND c.relname = lower($1)))"
      "   AND CASE WHEN $3 = '' THEN pg_catalog.pg_table_is_visible(c.oid)"
      "            ELSE (n.nspname = $3 OR ($4 = 'f' AND n.nspname = lower($3))) END"
      " ORDER BY (c.relname = $1) DESC, (n.nspname = $3) DESC LIMIT 1";
  const TPgResult Result = Query(SQL, {Name->Name, Name->NameQuoted ? "t" : "f", Name->Schema,
                                       Name->SchemaQuoted ? "t" : "f"});
  if (PQntuples(Result.get()) == 0) return 0;
  return static_cast<unsigned>(std::stoul(PQgetvalue(Result.get(), 0, 0)));
}

std::vector<std::string> TVNPgConnection::TableNames(const std::string& Pattern, TVNTableScope Scope) {
  const TVNLikePattern Like(Pattern);
  const TPgResult Result = Query(
      std::string("SELECT ") + RelationName +
          ", n.nspname IN ('pg_catalog', 'information_schema') OR n.nspname LIKE 'pg\\_%'"
          " FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace"
          " WHERE c.relkind IN ('r', 'v', 'm', 'p', 'f') AND NOT c.relispartition"
          " ORDER BY 2, pg_catalog.pg_table_is_visible(c.oid) DESC, n.nspname, c.relname",
      {});
  std::vector<std::string> Names;
  for (int Row = 0; Row < PQntuples(Result.get()); ++Row) {
    if (Scope == tsUserTables && PQgetvalue(Result.get(), Row, 1)[0] == 't') continue;
    std::string Name = PQgetvalue(Result.get(), Row, 0);
    if (Like.Matches(Name)) Names.push_back(std::move(Name));
  }
  return Names;
}

std::vector<std::string> TVNPgConnection::FieldNames(const std::string& TableName) {
  CheckConnected();
  const unsigned Relation = ResolveRelation(TableName);
  if (Relation == 0) return {};
  const TPgResult Result = Query("SELECT attname FROM pg_catalog.pg_attribute WHERE attrelid = $1 AND attnum > 0"
                                 " AND NOT attisdropped ORDER BY attnum",
                                 {std::to_string(Relation)});
  std::vector<std::string> Names;
  for (int Row = 0; Row < PQntuples(Result.get()); ++Row) Names.emplace_back(PQgetvalue(Result.get(), Row, 0));
  return Names;
}

std::string TVNPgConnection::QuotedTableName(const std::string& TableName) {
  CheckConnected();
  const unsigned Relation = ResolveRelation(TableName);
  if (Relation == 0) return "";
  const TPgResult Result = Query("SELECT quote_ident(n.nspname) || '.' || quote_ident(c.relname)"
                                 " FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace"
                                 " WHERE c.oid = $1",
                                 {std::to_string(Relation)});
  return PQntuples(Result.get()) == 0 ? "" : PQgetvalue(Result.get(), 0, 0);
}

std::vector<std::string> TVNPgConnection::StoredProcNames() {
  const TPgResult Result = Query(
      "SELECT CASE WHEN pg_catalog.pg_function_is_visible(p.oid) THEN p.proname"
      " ELSE n.nspname || '.' || p.proname END"
      " FROM pg_catalog.pg_proc p JOIN pg_catalog.pg_namespace n ON n.oid = p.pronamespace"
      " WHERE p.prokind IN ('f', 'p') AND n.nspname NOT IN ('pg_catalog', 'information_schema')"
      "   AND n.nspname NOT LIKE 'pg\\_%'"
      "   AND NOT EXISTS (SELECT 1 FROM pg_catalog.pg_depend d WHERE d.objid = p.oid AND d.deptype = 'e')"
      " ORDER BY 1",
      {});
  std::vector<std::string> Names;
  for (int Row = 0; Row < PQntuples(Result.get()); ++Row) {
    std::string Name = PQgetvalue(Result.get(), Row, 0);
    // Overloads share a name: one entry each name.
    if (Names.empty() || Names.back() != Name) Names.push_back(std::move(Name));
  }
  return Names;
}

std::optional<std::vector<TVNIndexSchemaRow>> TVNPgConnection::IndexSchema(const std::string& TableName) {
  CheckConnected();
  const unsigned Relation = ResolveRelation(TableName);
  if (Relation == 0) return std::nullopt;
  const TPgResult Result = Query(
      "SELECT i.relname, a.attname, x.indisprimary, x.indisunique"
      " FROM pg_catalog.pg_index x JOIN pg_catalog.pg_class i ON i.oid = x.indexrelid"
      " CROSS JOIN LATERAL unnest(x.indkey::int2[]) WITH ORDINALITY AS k(attnum, ord)"
      " LEFT JOIN pg_catalog.pg_attribute a ON a.attrelid = x.indrelid AND a.attnum = k.attnum AND k.attnum > 0"
      " WHERE x.indrelid = $1 AND k.ord <= x.indnkeyatts"
      " ORDER BY x.indisprimary DESC, x.indexrelid, k.ord",
      {std::to_string(Relation)});
  std::vector<TVNIndexSchemaRow> Rows;
  for (int Row = 0; Row < PQntuples(Result.get()); ++Row) {
    const bool Primary = PQgetvalue(Result.get(), Row, 2)[0] == 't';
    const bool Unique = PQgetvalue(Result.get(), Row, 3)[0] == 't';
    Rows.push_back({PQgetvalue(Result.get(), Row, 0), PQgetvalue(Result.get(), Row, 1),
                    Primary ? itPrimary | itUnique : Unique ? itUnique : 0});
  }
  return Rows;
}

std::vector<TVNFieldOrigin> TVNPgConnection::FieldOrigins(const std::string& SQL) {
  std::vector<TVNFieldOrigin> Fields;
  if (HoldsNoStatement(SQL)) return Fields;
  const TPgResult Description = Run(SQL, {}, true);
  const int Count = PQnfields(Description.get());
  // Every table and column the result reads, named in one question.
  std::string Tables, Columns;
  for (int I = 0; I < Count; ++I) {
    if (PQftable(Description.get(), I) == InvalidOid) continue;
    Tables += (Tables.empty() ? "" : ",") + std::to_string(PQftable(Description.get(), I));
    Columns += (Columns.empty() ? "" : ",") + std::to_string(PQftablecol(Description.get(), I));
  }
  std::unordered_map<std::string, std::pair<std::string, std::string>> Origins;  // "oid/attnum"
  if (!Tables.empty()) {
    const TPgResult Names = Query(std::string("SELECT c.oid || '/' || a.attnum, ") + RelationName +
                                      ", a.attname FROM unnest($1::oid[], $2::int2[]) AS u(rel, col)"
                                      " JOIN pg_catalog.pg_class c ON c.oid = u.rel"
                                      " JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace"
                                      " JOIN pg_catalog.pg_attribute a ON a.attrelid = u.rel AND a.attnum = u.col",
                                  {"{" + Tables + "}", "{" + Columns + "}"});
    for (int Row = 0; Row < PQntuples(Names.get()); ++Row)
      Origins[PQgetvalue(Names.get(), Row, 0)] = {PQgetvalue(Names.get(), Row, 1), PQgetvalue(Names.get(), Row, 2)};
  }
  for (int I = 0; I < Count; ++I) {
    TVNFieldOrigin Field{PQfname(Description.get(), I), "", ""};
    if (PQftable(Description.get(), I) != InvalidOid) {
      const auto It = Origins.find(std::to_string(PQftable(Description.get(), I)) + "/" +
                                   std::to_string(PQftablecol(Description.get(), I)));
      if (It != Origins.end()) std::tie(Field.TableName, Field.ColumnName) = It->second;
    }
    Fields.push_back(std::move(Field));
  }
  return Fields;
}

int TVNPgConnection::PrepareOnly(const std::string& SQL) {
  if (HoldsNoStatement(SQL)) throw EDatabaseError("No SQL statement to run");
  int Count = 0;
  NumberPgPlaceholders(SQL, Count);
  Run(SQL, {}, true);
  return Count;
}

std::optional<std::vector<TVNColumnDetails>> TVNPgConnection::ColumnDetails(const std::string& TableName) {
  CheckConnected();
  const unsigned Relation = ResolveRelation(TableName);
  if (Relation == 0) return std::nullopt;
  const TPgResult Result = Query(
      "SELECT a.attname, NOT a.attnotnull, a.atttypid IN (700, 701),"
      " a.attgenerated = '' AND a.attidentity <> 'a'"
      " FROM pg_catalog.pg_attribute a"
      " WHERE a.attrelid = $1 AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum",
      {std::to_string(Relation)});
  std::vector<TVNColumnDetails> Columns;
  for (int Row = 0; Row < PQntuples(Result.get()); ++Row)
    Columns.push_back({PQgetvalue(Result.get(), Row, 0), PQgetvalue(Result.get(), Row, 1)[0] == 't',
                       PQgetvalue(Result.get(), Row, 2)[0] == 't', PQgetvalue(Result.get(), Row, 3)[0] == 't'});
  return Columns;
}
