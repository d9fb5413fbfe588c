#include "mariadb_connection.h"

#include <errmsg.h>
#include <mysql.h>
#include <mysqld_error.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "like_pattern.h"
#include "rtl/Classes.h"
#include "rtl/DB.h"
#include "rtl/SysUtils.h"
#include "sql_tokenizer.h"
#include "utf8_text.h"

namespace {

constexpr unsigned BinaryCharset = 63;  // the charsetnr of binary strings and BLOBs
constexpr unsigned AnswerTimeout = 60;  // seconds to wait for any answer of a connected server
constexpr const char* SystemSchemas = "'information_schema', 'mysql', 'performance_schema', 'sys'";

// What the scanner of MariaDB statements marks, by byte range.
enum TMark { mkPlaceholder, mkSemicolon, mkString, mkComment, mkVersionedComment };

// Calls OnMark(Mark, Start, End) for each ? placeholder and ";" outside
// literals, quoted names and comments, and for each string literal and
// comment, as the server reads them: backslashes escape in strings, "#" and
// "-- " start comments ("--x" is two minus signs), and the server runs what
// a "/*!" or "/*M!" comment holds.
template <class TOnMark>
void ScanStatement(std::string_view SQL, TOnMark OnMark) {
  std::size_t I = 0;
  while (I < SQL.size()) {
    const char C = SQL[I];
    const char Next = I + 1 < SQL.size() ? SQL[I + 1] : '\0';
    const std::size_t Start = I;
    if (C == '\'') {
      I = QuotedEnd(SQL, I, true);
      OnMark(mkString, Start, I);
    } else if (C == '"' || C == '`') {
      I = QuotedEnd(SQL, I);
    } else if (C == '#' || (C == '-' && Next == '-' &&
                            (I + 2 >= SQL.size() || std::isspace(static_cast<unsigned char>(SQL[I + 2]))))) {
      const std::size_t End = SQL.find('\n', I);
      I = End == std::string_view::npos ? SQL.size() : End;
      OnMark(mkComment, Start, I);
    } else if (C == '/' && Next == '*') {
      const std::size_t End = SQL.find("*/", I + 2);
      I = End == std::string_view::npos ? SQL.size() : End + 2;
      const std::string_view Opening = SQL.substr(Start, 4);
      OnMark(Opening.starts_with("/*!") || Opening.starts_with("/*M!") ? mkVersionedComment : mkComment, Start, I);
    } else {
      if (C == '?') OnMark(mkPlaceholder, Start, Start + 1);
      if (C == ';') OnMark(mkSemicolon, Start, Start + 1);
      ++I;
    }
  }
}

// The statements of a script, split at the semicolons between them.
std::vector<std::string> SplitScript(const std::string& Script) {
  std::vector<std::string> Statements;
  std::size_t Start = 0;
  auto Take = [&](std::size_t End) {
    std::string Text = Trim(std::string_view(Script).substr(Start, End - Start));
    if (!HoldsNoStatement(Text)) Statements.push_back(std::move(Text));
    Start = End + 1;
  };
  ScanStatement(Script, [&](TMark Mark, std::size_t At, std::size_t) {
    if (Mark == mkSemicolon) Take(At);
  });
  Take(Script.size());
  return Statements;
}

// The client's messages may span lines; one line reads better.
std::string OneLineMessage(const char* Text) {
  std::string Result = Trim(Text == nullptr ? "" : Text);
  for (char& C : Result)
    if (C == '\n' || C == '\r' || C == '\t') C = ' ';
  return Result;
}

bool LostConnection(unsigned Code) {
  return Code == CR_SERVER_GONE_ERROR || Code == CR_SERVER_LOST || Code == CR_CONNECTION_ERROR ||
         Code == CR_CONN_HOST_ERROR || Code == CR_SERVER_LOST_EXTENDED;
}

std::string Hex(std::string_view Bytes) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string Text = "X'";
  for (const char B : Bytes) {
    Text += Digits[static_cast<unsigned char>(B) >> 4];
    Text += Digits[static_cast<unsigned char>(B) & 15];
  }
  return Text + "'";
}

TFieldType MariaDbFieldType(const MYSQL_FIELD& Field, int& Size) {
  Size = 0;
  const bool Binary = Field.charsetnr == BinaryCharset;
  switch (Field.type) {
    case MYSQL_TYPE_TINY:
    case MYSQL_TYPE_SHORT:
      return ftSmallint;
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_YEAR:
      return ftInteger;
    case MYSQL_TYPE_LONGLONG:
    case MYSQL_TYPE_BIT:
      return ftLargeint;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL:
      return ftFloat;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
      return ftDate;
    case MYSQL_TYPE_TIME:
      return ftTime;
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
      return ftDateTime;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_JSON:
      return Binary ? ftBlob : ftMemo;
    case MYSQL_TYPE_GEOMETRY:
      return ftBlob;
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_STRING:
      if (Binary) return ftVarBytes;
      // The length is in bytes of the character set's widest character.
      Size = static_cast<int>(Field.length / 4);
      return ftString;
    default:
      return ftString;
  }
}

Variant MariaDbValue(const char* Text, unsigned long Length, TFieldType Type, const MYSQL_FIELD& Field) {
  if (Text == nullptr) return Variant::Null();
  const std::string_view Value(Text, Length);
  switch (Type) {
    case ftSmallint:
    case ftInteger:
    case ftLargeint: {
      if (Field.type == MYSQL_TYPE_BIT) {
        std::int64_t Bits = 0;
        for (const char B : Value) Bits = (Bits << 8) | static_cast<unsigned char>(B);
        return Variant(Bits);
      }
      std::int64_t Number = 0;
      const auto [End, Error] = std::from_chars(Value.data(), Value.data() + Value.size(), Number);
      // An unsigned BIGINT past the signed range stays text.
      if (Error != std::errc() || End != Value.data() + Value.size()) return Variant(Value);
      return Variant(Number);
    }
    case ftFloat:
      return Variant(std::strtod(std::string(Value).c_str(), nullptr));
    default:
      return Variant(Value);
  }
}

std::string Lower(std::string_view Text) {
  std::string Result(Text);
  for (char& C : Result)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return Result;
}

// The statement's own verb: its first word, or after a WITH list the first
// verb outside parentheses.
std::string VerbOf(const std::vector<TSQLToken>& Tokens) {
  const bool AfterWith = Tokens.front().IsKeyword("WITH");
  int Depth = 0;
  for (const TSQLToken& T : Tokens) {
    if (T.IsOperator("(")) ++Depth;
    if (T.IsOperator(")")) --Depth;
    if (Depth > 0 || T.Kind != tokIdentifier) continue;
    const std::string Word = UpperCase(T.Text);
    if (!AfterWith || Word == "SELECT" || Word == "INSERT" || Word == "UPDATE" || Word == "DELETE" || Word == "REPLACE")
      return Word;
  }
  // "(select ...)": the first word inside.
  for (const TSQLToken& T : Tokens)
    if (T.Kind == tokIdentifier) return UpperCase(T.Text);
  return Tokens.front().Text;
}

bool ControlsTransactions(std::string_view Statement) {
  const auto [First, Second] = LeadingWords(Statement);
  for (const char* Keyword : {"BEGIN", "COMMIT", "ROLLBACK", "SAVEPOINT", "RELEASE", "START", "XA", "LOCK", "UNLOCK"})
    if (First == Keyword) return true;
  return First == "SET" && Second == "AUTOCOMMIT";
}

}  // namespace

void TMariaDbResultCloser::operator()(st_mysql_res* Result) const noexcept { mysql_free_result(Result); }

TVNMariaDbConnection::TVNMariaDbConnection() = default;

TVNMariaDbConnection::~TVNMariaDbConnection() { Close(); }

void TVNMariaDbConnection::SetLoginParams(const TStrings& Params) {
  const std::string Database = FLogin.Database;
  FLogin = ReadServerLogin(&Params, "");
  FLogin.Database = Database;
}

void TVNMariaDbConnection::Open(const std::string& DatabaseName) { Connect(DatabaseName, false); }

void TVNMariaDbConnection::OpenReadOnly(const std::string& DatabaseName) { Connect(DatabaseName, true); }

void TVNMariaDbConnection::Connect(const std::string& DatabaseName, bool ReadOnly) {
  Close();
  TVNServerLogin Login = LoginFor(FLogin, DatabaseName);
  if (Login.Database.empty()) throw EDatabaseError("Cannot connect to MariaDB: no database name given");
  unsigned Port = 0;
  if (!Login.Port.empty()) {
    const int Number = StrToIntDef(Login.Port, -1);
    if (Number <= 0 || Number > 65535)
      throw EDatabaseError("Cannot connect to MariaDB " + Login.Describe() + ": PORT is not a port number");
    Port = static_cast<unsigned>(Number);
  }

  // The client library's set-up is not safe to race: done once, before any thread's first connection.
  static const bool Ready = mysql_library_init(0, nullptr, nullptr) == 0;
  MYSQL* Handle = Ready ? mysql_init(nullptr) : nullptr;
  if (Handle == nullptr) throw EDatabaseError("Cannot connect to MariaDB " + Login.Describe() + ": out of memory");
  struct TRelease {
    MYSQL*& Handle;
    ~TRelease() {
      if (Handle != nullptr) mysql_close(Handle);
    }
  } Release{Handle};
  const unsigned ConnectTimeout = static_cast<unsigned>(Login.ConnectTimeout), Answer = AnswerTimeout;
  const unsigned NoLocalFiles = 0;
  mysql_optionsv(Handle, MYSQL_OPT_CONNECT_TIMEOUT, &ConnectTimeout);
  mysql_optionsv(Handle, MYSQL_OPT_READ_TIMEOUT, &Answer);
  mysql_optionsv(Handle, MYSQL_OPT_WRITE_TIMEOUT, &Answer);
  // A statement can never make the client send one of its files.
  mysql_optionsv(Handle, MYSQL_OPT_LOCAL_INFILE, &NoLocalFiles);
  mysql_optionsv(Handle, MYSQL_SET_CHARSET_NAME, "utf8mb4");
  // The [client] group of the option files gives what the form leaves out (a
  // password). It holds the user's password for whatever server is named, so
  // it is read only for a server on this machine: a form cannot have it sent
  // to a host of its choosing.
  const bool OnThisMachine = Login.Host.empty() || Login.Host == "localhost" || Login.Host == "127.0.0.1" ||
                             Login.Host == "::1";
  if (OnThisMachine) mysql_optionsv(Handle, MYSQL_READ_DEFAULT_GROUP, "client");
  const char* Host = Login.Host.empty() ? nullptr : Login.Host.c_str();
  const char* Socket = Login.Socket.empty() ? nullptr : Login.Socket.c_str();
  const char* User = Login.User.empty() ? nullptr : Login.User.c_str();
  const char* Password = Login.Password.empty() ? nullptr : Login.Password.c_str();
  // Rows an UPDATE matches count as affected, changed or not, as on the other servers.
  if (mysql_real_connect(Handle, Host, User, Password, Login.Database.c_str(), Port, Socket, CLIENT_FOUND_ROWS) ==
      nullptr)
    throw EDatabaseError("Cannot connect to MariaDB " + Login.Describe() + ": " + OneLineMessage(mysql_error(Handle)));
  Login.Password.clear();
  FHandle = std::exchange(Handle, nullptr);
  FLogin.Host = Login.Host;
  FLogin.Port = Login.Port;
  FLogin.Socket = Login.Socket;
  FLogin.Database = Login.Database;
  FDatabaseName = DatabaseName;
  try {
    Run("SET SESSION sql_mode = CONCAT(@@sql_mode, ',ANSI_QUOTES')");
    FReadOnly = ReadOnly;
    const auto Settings = Ask("SELECT DATABASE(), @@lower_case_table_names", {});
    FSchema = Settings.at(0).at(0);
    FTableCase = Settings.at(0).at(1) == "0";
  } catch (...) {
    Close();
    throw;
  }
}

void TVNMariaDbConnection::Close() noexcept {
  if (FHandle != nullptr) mysql_close(FHandle);
  FHandle = nullptr;
  FReadOnly = false;
  FDatabaseName.clear();
}

st_mysql& TVNMariaDbConnection::CheckConnected() const {
  if (FHandle == nullptr) throw EDatabaseError("Database is not connected");
  return *FHandle;
}

bool TVNMariaDbConnection::InTransaction() const noexcept {
  return FHandle != nullptr && (FHandle->server_status & SERVER_STATUS_IN_TRANS) != 0;
}

void TVNMariaDbConnection::RaiseError() {
  st_mysql& Handle = CheckConnected();
  const unsigned Code = mysql_errno(&Handle);
  const std::string Message = OneLineMessage(mysql_error(&Handle));
  if (LostConnection(Code)) {
    // The server went away: the connection is of no further use.
    const std::string Where = FLogin.Describe();
    Close();
    throw EDatabaseError("Lost the connection to MariaDB " + Where + ": " + Message);
  }
  // The server gave up waiting for a lock, or stopped a statement at its time limit.
  if (Code == ER_LOCK_WAIT_TIMEOUT || Code == ER_STATEMENT_TIMEOUT || Code == ER_QUERY_INTERRUPTED)
    throw EVNServerBusy(Message);
  throw EDatabaseError(Message);
}

std::string TVNMariaDbConnection::Bind(const std::string& SQL, const std::vector<Variant>& Params) {
  st_mysql& Handle = CheckConnected();
  std::vector<std::size_t> Places;
  ScanStatement(SQL, [&](TMark Mark, std::size_t At, std::size_t) {
    if (Mark == mkPlaceholder) Places.push_back(At);
  });
  if (Places.size() != Params.size())
    throw EDatabaseError(Format("The statement takes %d parameters, but %d values were given",
                                {static_cast<int>(Places.size()), static_cast<int>(Params.size())}));
  std::string Text;
  std::size_t From = 0;
  for (std::size_t I = 0; I < Places.size(); ++I) {
    Text.append(SQL, From, Places[I] - From);
    From = Places[I] + 1;
    const Variant& Value = Params[I];
    switch (Value.VarType()) {
      case varEmpty:
      case varNull:
        Text += "NULL";
        break;
      case varBoolean:
        Text += Value.AsBoolean() ? "TRUE" : "FALSE";
        break;
      case varInt64:
        Text += std::to_string(Value.AsInt64());
        break;
      case varDouble: {
        const double D = Value.AsFloat();
        if (!std::isfinite(D)) throw EDatabaseError("MariaDB stores no infinite or NaN numbers");
        char Buffer[40];
        Text.append(Buffer, std::to_chars(Buffer, Buffer + sizeof Buffer, D).ptr);
        break;
      }
      case varString: {
        const std::string S = Value.AsString();
        // Bytes that are no text go as a hexadecimal literal.
        if (!vn_rtl::IsUtf8(S) || S.find('\0') != std::string::npos) {
          Text += Hex(S);
          break;
        }
        std::string Escaped(S.size() * 2 + 1, '\0');
        Escaped.resize(
            mysql_real_escape_string(&Handle, Escaped.data(), S.data(), static_cast<unsigned long>(S.size())));
        Text += "'" + Escaped + "'";
        break;
      }
    }
  }
  Text.append(SQL, From);
  return Text;
}

TMariaDbResult TVNMariaDbConnection::Run(const std::string& SQL) {
  st_mysql& Handle = CheckConnected();
  if (mysql_real_query(&Handle, SQL.data(), static_cast<unsigned long>(SQL.size())) != 0) RaiseError();
  TMariaDbResult Result(mysql_store_result(&Handle));
  if (!Result && mysql_field_count(&Handle) != 0) RaiseError();
  // A procedure's CALL ends with a result of its own: the first one is kept.
  while (mysql_more_results(&Handle)) {
    if (mysql_next_result(&Handle) > 0) RaiseError();
    TMariaDbResult(mysql_store_result(&Handle));
  }
  return Result;
}

std::vector<std::vector<std::string>> TVNMariaDbConnection::Ask(const std::string& SQL,
                                                                const std::vector<std::string>& Texts) {
  std::vector<Variant> Params(Texts.begin(), Texts.end());
  const TMariaDbResult Result = Run(Bind(SQL, Params));
  std::vector<std::vector<std::string>> Rows;
  if (!Result) return Rows;
  const unsigned Columns = mysql_num_fields(Result.get());
  while (MYSQL_ROW Row = mysql_fetch_row(Result.get())) {
    const unsigned long* Lengths = mysql_fetch_lengths(Result.get());
    auto& Values = Rows.emplace_back();
    for (unsigned I = 0; I < Columns; ++I)
      Values.emplace_back(Row[I] == nullptr ? "" : std::string(Row[I], Lengths[I]));
  }
  return Rows;
}

void TVNMariaDbConnection::Prepare(const std::string& SQL, int& Placeholders, int& Columns,
                                   std::vector<TVNFieldOrigin>* Origins) {
  st_mysql& Handle = CheckConnected();
  if (HoldsNoStatement(SQL)) throw EDatabaseError("No SQL statement to run");
  MYSQL_STMT* Statement = mysql_stmt_init(&Handle);
  if (Statement == nullptr) RaiseError();
  struct TClose {
    MYSQL_STMT* S;
    ~TClose() { mysql_stmt_close(S); }
  } CloseStatement{Statement};
  if (mysql_stmt_prepare(Statement, SQL.data(), static_cast<unsigned long>(SQL.size())) != 0) {
    const unsigned Code = mysql_stmt_errno(Statement);
    const std::string Message = OneLineMessage(mysql_stmt_error(Statement));
    if (LostConnection(Code)) RaiseError();
    throw EDatabaseError(Message);
  }
  Placeholders = static_cast<int>(mysql_stmt_param_count(Statement));
  Columns = static_cast<int>(mysql_stmt_field_count(Statement));
  if (Origins == nullptr || Columns == 0) return;
  const TMariaDbResult Metadata(mysql_stmt_result_metadata(Statement));
  if (!Metadata) return;
  const unsigned Count = mysql_num_fields(Metadata.get());
  const MYSQL_FIELD* Fields = mysql_fetch_fields(Metadata.get());
  for (unsigned I = 0; I < Count; ++I) {
    const MYSQL_FIELD& F = Fields[I];
    TVNFieldOrigin Origin{F.name, "", ""};
    if (F.org_table != nullptr && *F.org_table != '\0' && F.org_name != nullptr && *F.org_name != '\0') {
      Origin.TableName = F.org_table;
      // A table of another database is named with it.
      if (F.db != nullptr && *F.db != '\0' && F.db != FSchema) Origin.TableName = std::string(F.db) + "." + F.org_table;
      Origin.ColumnName = F.org_name;
    }
    Origins->push_back(std::move(Origin));
  }
}

std::optional<TVNMariaDbConnection::TTable> TVNMariaDbConnection::ResolveTable(const std::string& TableName) {
  CheckConnected();
  const auto Name = SplitObjectName(Trim(TableName));
  if (!Name) return std::nullopt;
  const std::string Schema = Name->Schema.empty() ? FSchema : Name->Schema;
  // The catalog compares without regard to case: the server's own rule decides.
  const std::string Where = FTableCase ? "BINARY TABLE_SCHEMA = ? AND BINARY TABLE_NAME = ?"
                                       : "TABLE_SCHEMA = ? AND TABLE_NAME = ?";
  const auto Rows = Ask("SELECT TABLE_SCHEMA, TABLE_NAME FROM information_schema.TABLES WHERE " + Where +
                            " ORDER BY BINARY TABLE_NAME = ? DESC LIMIT 1",
                        {Schema, Name->Name, Name->Name});
  if (Rows.empty()) return std::nullopt;
  return TTable{Rows[0][0], Rows[0][1]};
}

std::vector<std::string> TVNMariaDbConnection::TableNames(const std::string& Pattern, TVNTableScope Scope) {
  const TVNLikePattern Like(Pattern);
  // The connection's database, then (with the system tables) the server's own.
  const std::string Where = Scope == tsUserTables
                                ? "TABLE_SCHEMA = DATABASE()"
                                : std::string("TABLE_SCHEMA = DATABASE() OR TABLE_SCHEMA IN (") + SystemSchemas + ")";
  const auto Rows = Ask("SELECT TABLE_SCHEMA, TABLE_NAME FROM information_schema.TABLES WHERE " + Where +
                            " ORDER BY TABLE_SCHEMA <> DATABASE(), BINARY TABLE_SCHEMA, BINARY TABLE_NAME",
                        {});
  std::vector<std::string> Names;
  for (const auto& Row : Rows) {
    std::string Name = Row[0] == FSchema ? Row[1] : Row[0] + "." + Row[1];
    if (Like.Matches(Name)) Names.push_back(std::move(Name));
  }
  return Names;
}

std::vector<std::string> TVNMariaDbConnection::FieldNames(const std::string& TableName) {
  const auto Table = ResolveTable(TableName);
  if (!Table) return {};
  std::vector<std::string> Names;
  for (auto& Row : Ask("SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = ? AND TABLE_NAME = ?"
                       " ORDER BY ORDINAL_POSITION",
                       {Table->Schema, Table->Name}))
    Names.push_back(std::move(Row[0]));
  return Names;
}

std::string TVNMariaDbConnection::QuotedTableName(const std::string& TableName) {
  const auto Table = ResolveTable(TableName);
  if (!Table) return "";
  auto Quote = [](const std::string& Part) { return "`" + StringReplaceAll(Part, "`", "``") + "`"; };
  return Quote(Table->Schema) + "." + Quote(Table->Name);
}

std::vector<std::string> TVNMariaDbConnection::StoredProcNames() {
  std::vector<std::string> Names;
  for (auto& Row : Ask("SELECT ROUTINE_NAME FROM information_schema.ROUTINES WHERE ROUTINE_SCHEMA = DATABASE()"
                       " ORDER BY ROUTINE_NAME",
                       {}))
    if (Names.empty() || Names.back() != Row[0]) Names.push_back(std::move(Row[0]));
  return Names;
}

std::optional<std::vector<TVNIndexSchemaRow>> TVNMariaDbConnection::IndexSchema(const std::string& TableName) {
  const auto Table = ResolveTable(TableName);
  if (!Table) return std::nullopt;
  // One row per index column. Views have no indexes.
  const auto Rows =
      Ask("SELECT INDEX_NAME, COLUMN_NAME, NON_UNIQUE = 0 FROM information_schema.STATISTICS"
          " WHERE TABLE_SCHEMA = ? AND TABLE_NAME = ?"
          " ORDER BY INDEX_NAME <> 'PRIMARY', INDEX_NAME, SEQ_IN_INDEX",
          {Table->Schema, Table->Name});
  std::vector<TVNIndexSchemaRow> Result;
  for (const auto& Row : Rows) {
    const bool Primary = Row[0] == "PRIMARY";
    const bool Unique = Row[2] == "1";
    Result.push_back({Row[0], Row[1], Primary ? itPrimary | itUnique : Unique ? itUnique : 0});
  }
  return Result;
}

std::vector<TVNFieldOrigin> TVNMariaDbConnection::FieldOrigins(const std::string& SQL) {
  std::vector<TVNFieldOrigin> Fields;
  if (HoldsNoStatement(SQL)) return Fields;
  int Placeholders = 0, Columns = 0;
  Prepare(SQL, Placeholders, Columns, &Fields);
  return Fields;
}

TVNResultSet TVNMariaDbConnection::OpenQuery(const std::string& SQL, const std::vector<Variant>& Params) {
  const std::string Text = Bind(SQL, Params);
  // Compiled before it runs: a statement without rows must not run at all.
  int Placeholders = 0, Columns = 0;
  Prepare(SQL, Placeholders, Columns, nullptr);
  if (Columns == 0) throw EDatabaseError("The statement returns no rows; execute it instead of opening it");
  // DELETE ... RETURNING returns rows too.
  if (FReadOnly && VerbOf(TokenizeSQL(SQL)) != "SELECT")
    throw EDatabaseError("The connection to MariaDB " + FLogin.Describe() + " only reads");
  const TMariaDbResult Result = Run(Text);
  TVNResultSet Set;
  if (!Result) return Set;
  const unsigned Count = mysql_num_fields(Result.get());
  const MYSQL_FIELD* Fields = mysql_fetch_fields(Result.get());
  for (unsigned I = 0; I < Count; ++I) {
    TVNColumnInfo Column;
    Column.Name = Fields[I].name;
    Column.DataType = MariaDbFieldType(Fields[I], Column.Size);
    Set.Columns.push_back(std::move(Column));
  }
  Set.Rows.reserve(static_cast<std::size_t>(mysql_num_rows(Result.get())));
  while (MYSQL_ROW Row = mysql_fetch_row(Result.get())) {
    const unsigned long* Lengths = mysql_fetch_lengths(Result.get());
    std::vector<Variant> Values;
    Values.reserve(Count);
    for (unsigned I = 0; I < Count; ++I)
      Values.push_back(MariaDbValue(Row[I], Lengths[I], Set.Columns[I].DataType, Fields[I]));
    Set.Rows.push_back(std::move(Values));
  }
  return Set;
}

int TVNMariaDbConnection::ExecuteStatement(const std::string& SQL, const std::vector<Variant>& Params) {
  if (HoldsNoStatement(SQL)) throw EDatabaseError("No SQL statement to run");
  if (FReadOnly && !ControlsTransactions(SQL))
    throw EDatabaseError("The connection to MariaDB " + FLogin.Describe() + " only reads");
  const std::string Text = Bind(SQL, Params);
  Run(Text);
  const my_ulonglong Affected = mysql_affected_rows(FHandle);
  return Affected == static_cast<my_ulonglong>(-1) ? 0 : static_cast<int>(Affected);
}

void TVNMariaDbConnection::ExecuteScript(const std::string& Script,
                                         const std::function<void(const std::string&)>& OnStatement) {
  CheckConnected();
  if (FReadOnly) throw EDatabaseError("The connection to MariaDB " + FLogin.Describe() + " only reads");
  const std::vector<std::string> Statements = SplitScript(Script);
  RefuseTransactionControl(Statements, ControlsTransactions);
  // All or nothing: the script's own transaction, or a savepoint in the
  // caller's. Statements that define tables commit by themselves on MariaDB.
  const bool Nested = InTransaction();
  Run(Nested ? "SAVEPOINT vn_script" : "START TRANSACTION");
  struct TUndo {
    TVNMariaDbConnection& Self;
    bool Nested;
    bool Done = false;
    ~TUndo() {
      if (Done || !Self.Connected()) return;
      const char* Undo = Nested ? "ROLLBACK TO SAVEPOINT vn_script" : "ROLLBACK";
      mysql_real_query(Self.FHandle, Undo, static_cast<unsigned long>(std::strlen(Undo)));
    }
  } Undo{*this, Nested};
  for (std::size_t I = 0; I < Statements.size(); ++I) {
    if (OnStatement) OnStatement(Statements[I]);
    try {
      Run(Statements[I]);
    } catch (EDatabaseError& E) {
      E.SetMessage(Format("Statement %d of the script failed: %s", {static_cast<int>(I + 1), E.Message()}));
      throw;
    }
  }
  Run(Nested ? "RELEASE SAVEPOINT vn_script" : "COMMIT");
  Undo.Done = true;
}

int TVNMariaDbConnection::PrepareOnly(const std::string& SQL) {
  int Placeholders = 0, Columns = 0;
  Prepare(SQL, Placeholders, Columns, nullptr);
  return Placeholders;
}

std::optional<std::vector<TVNColumnDetails>> TVNMariaDbConnection::ColumnDetails(const std::string& TableName) {
  const auto Table = ResolveTable(TableName);
  if (!Table) return std::nullopt;
  std::vector<TVNColumnDetails> Columns;
  for (const auto& Row : Ask("SELECT COLUMN_NAME, IS_NULLABLE = 'YES', DATA_TYPE IN ('float', 'double'),"
                             " IS_GENERATED = 'NEVER'"
                             " FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = ? AND TABLE_NAME = ?"
                             " ORDER BY ORDINAL_POSITION",
                             {Table->Schema, Table->Name}))
    Columns.push_back({Row[0], Row[1] == "1", Row[2] == "1", Row[3] == "1"});
  return Columns;
}

TVNStatementVerdict TVNMariaDbConnection::VetStatement(const std::string& SQL) {
  TVNStatementVerdict Verdict;
  // The text as the server reads it, for the project's tokenizer (which knows
  // no backslash escapes, "#" comments or "--x"): strings emptied, comments
  // blanked, and the statements apart.
  std::string Code;
  std::vector<std::size_t> Ends;  // offsets in Code of the ";" between statements
  std::size_t Copied = 0;
  bool Versioned = false;
  ScanStatement(SQL, [&](TMark Mark, std::size_t Start, std::size_t End) {
    if (Mark == mkPlaceholder) return;
    Code.append(SQL, Copied, Start - Copied);
    Copied = End;
    if (Mark == mkSemicolon) Ends.push_back(Code.size());
    Code += Mark == mkSemicolon ? ";" : Mark == mkString ? "''" : " ";
    Versioned = Versioned || Mark == mkVersionedComment;
  });
  Code.append(SQL, Copied);
  Ends.push_back(Code.size());
  std::vector<std::string> Statements;
  std::size_t From = 0;
  for (const std::size_t End : Ends) {
    std::string Statement = StringReplaceAll(std::string_view(Code).substr(From, End - From), "--", "- -");
    if (!HoldsNoStatement(Statement)) Statements.push_back(std::move(Statement));
    From = End + 1;
  }
  Verdict.Count = static_cast<int>(std::min<std::size_t>(Statements.size(), 2));
  if (Statements.empty()) throw EDatabaseError("No SQL statement to run");
  const std::vector<TSQLToken> Tokens = TokenizeSQL(Statements.front());
  Verdict.Kind = VerbOf(Tokens);
  if (Verdict.Count > 1) return Verdict;
  int Placeholders = 0, Columns = 0;
  Prepare(SQL, Placeholders, Columns, nullptr);
  if (Verdict.Kind != "SELECT" && Verdict.Kind != "INSERT" && Verdict.Kind != "UPDATE" && Verdict.Kind != "DELETE")
    return Verdict;  // of the wrong kind whatever is in it

  if (Versioned) Verdict.Refusals.push_back("holds a /*! comment, whose text the server runs unseen");
  auto Refuse = [&](const std::string& Why) {
    if (std::find(Verdict.Refusals.begin(), Verdict.Refusals.end(), Why) == Verdict.Refusals.end())
      Verdict.Refusals.push_back(Why);
  };
  for (std::size_t I = 0; I + 1 < Tokens.size(); ++I) {
    const TSQLToken& T = Tokens[I];
    const TSQLToken& Next = Tokens[I + 1];
    if (T.Kind == tokVariable && T.Text.size() > 1 && T.Text[0] == '@') Refuse("uses session variable " + T.Text);
    if (T.Kind != tokIdentifier) continue;
    const std::string Word = UpperCase(T.Text);
    if (Word == "INTO" && (Next.IsKeyword("OUTFILE") || Next.IsKeyword("DUMPFILE")))
      Refuse("writes the server's file system (INTO " + UpperCase(Next.Text) + ")");
    if (Word == "NEXT" && Next.IsKeyword("VALUE")) Refuse("draws on a sequence (NEXT VALUE FOR)");
    if (!Next.IsOperator("(")) continue;
    if (Word == "LOAD_FILE") Refuse("calls LOAD_FILE, which reads the server's files");
    if (Word == "GET_LOCK" || Word == "RELEASE_LOCK" || Word == "RELEASE_ALL_LOCKS")
      Refuse("calls " + Word + ", whose lock outlives the transaction");
    if (Word == "NEXTVAL" || Word == "SETVAL" || Word == "LASTVAL")
      Refuse("calls " + Word + ", which a rollback does not undo");
    if (Word == "SLEEP" || Word == "BENCHMARK") Refuse("calls " + Word + ", which only takes the server's time");
  }
  return Verdict;
}

void TVNMariaDbConnection::BeginLimitedTransaction(int TimeoutSeconds, bool ReadOnly) {
  // A statement that waits for a lock the whole time is told as waiting for the
  // lock: the statement's own limit is a little longer.
  const std::string Seconds = std::to_string(std::max(TimeoutSeconds, 1));
  Run("SET SESSION innodb_lock_wait_timeout = " + Seconds + ", SESSION lock_wait_timeout = " + Seconds +
      ", SESSION max_statement_time = " + Seconds + ".25");
  // The server compiles no writing statement in a READ ONLY transaction: a
  // check that only reads keeps to a connection that only reads instead.
  if (ReadOnly && !FReadOnly) throw EDatabaseError("A read-only check needs a connection that only reads");
  Run("START TRANSACTION");
}

std::string TVNMariaDbConnection::SuperuserName() {
  const auto Rows =
      Ask("SELECT CURRENT_USER(), EXISTS (SELECT 1 FROM information_schema.USER_PRIVILEGES"
          " WHERE PRIVILEGE_TYPE = 'SUPER' AND GRANTEE = CONCAT('''', SUBSTRING_INDEX(CURRENT_USER(), '@', 1),"
          " '''@''', SUBSTRING_INDEX(CURRENT_USER(), '@', -1), ''''))",
          {});
  return !Rows.empty() && Rows[0][1] == "1" ? Rows[0][0] : "";
}

std::vector<TVNSequenceDefault> TVNMariaDbConnection::SequenceDefaults(const std::string& TableName) {
  const auto Table = ResolveTable(TableName);
  if (!Table) return {};
  std::vector<TVNSequenceDefault> Defaults;
  for (auto& Row : Ask("SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = ? AND TABLE_NAME = ?"
                       " AND EXTRA LIKE '%auto_increment%' ORDER BY ORDINAL_POSITION",
                       {Table->Schema, Table->Name}))
    Defaults.push_back({std::move(Row[0]), "AUTO_INCREMENT of " + Table->Name});
  return Defaults;
}

TVNRelationKind TVNMariaDbConnection::RelationKind(const std::string& TableName) {
  const auto Table = ResolveTable(TableName);
  if (!Table) return rkNone;
  const auto Rows =
      Ask("SELECT t.TABLE_TYPE = 'VIEW' AND COALESCE(v.IS_UPDATABLE, 'NO') = 'NO'"
          " FROM information_schema.TABLES t LEFT JOIN information_schema.VIEWS v"
          " ON v.TABLE_SCHEMA = t.TABLE_SCHEMA AND v.TABLE_NAME = t.TABLE_NAME"
          " WHERE t.TABLE_SCHEMA = ? AND t.TABLE_NAME = ?",
          {Table->Schema, Table->Name});
  return !Rows.empty() && Rows[0][0] == "1" ? rkView : rkTable;
}

std::string TVNMariaDbConnection::RollbackTrouble(const std::string& TableName) {
  const auto Table = ResolveTable(TableName);
  if (!Table) return "";
  const auto Rows =
      Ask("SELECT t.ENGINE FROM information_schema.TABLES t JOIN information_schema.ENGINES e"
          " ON e.ENGINE = t.ENGINE WHERE t.TABLE_SCHEMA = ? AND t.TABLE_NAME = ?"
          " AND COALESCE(e.TRANSACTIONS, 'NO') <> 'YES'",
          {Table->Schema, Table->Name});
  if (Rows.empty()) return "";
  return "is a " + Rows[0][0] + " table, which a rollback does not restore";
}

bool TVNMariaDbConnection::BareNameMatches(std::string_view Word, std::string_view Name) const {
  return Lower(Word) == Lower(Name);
}

std::optional<TVNMariaDbConnection::TRoutine> TVNMariaDbConnection::ResolveRoutine(const std::string& Name) {
  CheckConnected();
  const auto Parts = SplitObjectName(Trim(Name));
  if (!Parts) return std::nullopt;
  // Routine names never depend on letter case.
  const auto Rows =
      Ask("SELECT ROUTINE_SCHEMA, ROUTINE_NAME, ROUTINE_TYPE = 'PROCEDURE' FROM information_schema.ROUTINES"
          " WHERE ROUTINE_SCHEMA = ? AND ROUTINE_NAME = ? LIMIT 1",
          {Parts->Schema.empty() ? FSchema : Parts->Schema, Parts->Name});
  if (Rows.empty()) return std::nullopt;
  return TRoutine{Rows[0][0], Rows[0][1], Rows[0][2] == "1"};
}

std::optional<std::vector<TVNProcParamInfo>> TVNMariaDbConnection::ProcParams(const std::string& Name) {
  const auto Routine = ResolveRoutine(Name);
  if (!Routine) return std::nullopt;
  return ParamsOf(*Routine);
}

std::vector<TVNProcParamInfo> TVNMariaDbConnection::ParamsOf(const TRoutine& Routine) {
  std::vector<TVNProcParamInfo> Params;
  for (const auto& Row : Ask("SELECT COALESCE(PARAMETER_NAME, ''), COALESCE(PARAMETER_MODE, ''), DATA_TYPE"
                             " FROM information_schema.PARAMETERS WHERE SPECIFIC_SCHEMA = ? AND SPECIFIC_NAME = ?"
                             " ORDER BY ORDINAL_POSITION",
                             {Routine.Schema, Routine.Name})) {
    TVNProcParamInfo Param;
    const std::string Type = Lower(Row[2]);
    Param.DataType = Type == "int" || Type == "mediumint"                       ? ftInteger
                     : Type == "bigint"                                         ? ftLargeint
                     : Type == "smallint" || Type == "tinyint"                  ? ftSmallint
                     : Type == "float" || Type == "double" || Type == "decimal" ? ftFloat
                     : Type == "date"                                           ? ftDate
                     : Type == "datetime" || Type == "timestamp"                ? ftDateTime
                                                                                : ftString;
    // A function's return value is the row without a mode.
    Param.Name = Row[1].empty() ? "Result" : Row[0];
    Param.ParamType = Row[1].empty()      ? ptResult
                      : Row[1] == "OUT"   ? ptOutput
                      : Row[1] == "INOUT" ? ptInputOutput
                                          : ptInput;
    Params.push_back(std::move(Param));
  }
  return Params;
}

std::string TVNMariaDbConnection::ProcCallStatement(const std::string& Name) {
  const auto Routine = ResolveRoutine(Name);
  if (!Routine) throw EDatabaseError(Format("No stored procedure '%s' in %s", {Name, FLogin.Describe()}));
  std::string Arguments;
  for (const TVNProcParamInfo& Param : ParamsOf(*Routine)) {
    if (Param.ParamType == ptResult) continue;
    // OUT parameters take a variable on MariaDB; NULL stands for one that is not read.
    Arguments += (Arguments.empty() ? "" : ", ") + std::string(Param.ParamType == ptOutput ? "NULL" : "?");
  }
  const std::string Call = "`" + StringReplaceAll(Routine->Schema, "`", "``") + "`.`" +
                           StringReplaceAll(Routine->Name, "`", "``") + "`(" + Arguments + ")";
  return Routine->Procedure ? "CALL " + Call : "SELECT " + Call;
}
