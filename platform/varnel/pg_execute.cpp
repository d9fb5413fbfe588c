// Running statements on a PostgreSQL connection: queries, single statements,
// scripts and stored procedures.
#include "pg_connection.h"

#include <libpq-fe.h>
#include <pg_query.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "rtl/DB.h"
#include "rtl/SysUtils.h"
#include "sql_tokenizer.h"

namespace {

constexpr Oid ByteaOid = 17;

// Values as the server reads them in text form; bytes that hold a NUL go as bytea.
struct TBoundValues {
  std::vector<std::string> Texts;
  std::vector<const char*> Values;
  std::vector<int> Lengths, Formats;
  std::vector<Oid> Types;

  explicit TBoundValues(const std::vector<Variant>& Params) {
    Texts.reserve(Params.size());
    for (const Variant& Value : Params) {
      Oid Type = 0;
      int Format = 0;
      switch (Value.VarType()) {
        case varEmpty:
        case varNull:
          Texts.emplace_back();
          break;
        case varBoolean:
          Texts.emplace_back(Value.AsBoolean() ? "true" : "false");
          break;
        case varDouble: {
          const double D = Value.AsFloat();
          char Buffer[40];
          if (std::isnan(D))
            Texts.emplace_back("NaN");
          else if (std::isinf(D))
            Texts.emplace_back(D > 0 ? "Infinity" : "-Infinity");
          else  // the shortest text that reads back as D: 4.2, not 4.2000000000000002
            Texts.emplace_back(Buffer, std::to_chars(Buffer, Buffer + sizeof Buffer, D).ptr);
          break;
        }
        case varInt64:
        case varString:
          Texts.push_back(Value.AsString());
          if (Texts.back().find('\0') != std::string::npos) {
            Type = ByteaOid;
            Format = 1;
          }
          break;
      }
      Types.push_back(Type);
      Formats.push_back(Format);
      Lengths.push_back(static_cast<int>(Texts.back().size()));
    }
    for (std::size_t I = 0; I < Params.size(); ++I) Values.push_back(Params[I].IsNull() ? nullptr : Texts[I].c_str());
  }
  int Count() const noexcept { return static_cast<int>(Values.size()); }
};

TFieldType PgFieldType(Oid Type, int Modifier, int& Size) {
  Size = 0;
  switch (Type) {
    case 16:
      return ftBoolean;
    case 20:
    case 26:
      return ftLargeint;
    case 21:
      return ftSmallint;
    case 23:
      return ftInteger;
    case 700:
    case 701:
    case 1700:
      return ftFloat;
    case ByteaOid:
      return ftBlob;
    case 114:
    case 3802:
      return ftMemo;
    case 1082:
      return ftDate;
    case 1083:
    case 1266:
      return ftTime;
    case 1114:
    case 1184:
      return ftDateTime;
    case 1042:
    case 1043:
      if (Modifier > 4) Size = Modifier - 4;
      return ftString;
    default:
      return ftString;
  }
}

Variant PgValue(const pg_result* Result, int Row, int Column, TFieldType Type) {
  if (PQgetisnull(Result, Row, Column)) return Variant::Null();
  const char* Text = PQgetvalue(Result, Row, Column);
  switch (Type) {
    case ftBoolean:
      return Variant(Text[0] == 't');
    case ftLargeint:
    case ftSmallint:
    case ftInteger:
      return Variant(static_cast<std::int64_t>(std::strtoll(Text, nullptr, 10)));
    case ftFloat:
      return Variant(std::strtod(Text, nullptr));
    case ftBlob: {
      std::size_t Length = 0;
      unsigned char* Bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(Text), &Length);
      if (Bytes == nullptr) throw EDatabaseError("Cannot read a bytea value: out of memory");
      std::string Value(reinterpret_cast<const char*>(Bytes), Length);
      PQfreemem(Bytes);
      return Variant(std::move(Value));
    }
    default:
      return Variant(std::string(Text, static_cast<std::size_t>(PQgetlength(Result, Row, Column))));
  }
}

bool ControlsTransactions(std::string_view Statement) {
  const auto [First, Second] = LeadingWords(Statement);
  for (const char* Keyword : {"BEGIN", "COMMIT", "END", "ROLLBACK", "SAVEPOINT", "RELEASE", "START", "ABORT"})
    if (First == Keyword) return true;
  return First == "PREPARE" && Second == "TRANSACTION";
}

// The statements of a script, as the server's own scanner splits them.
std::vector<std::string> SplitScript(const std::string& Script) {
  PgQuerySplitResult Split = pg_query_split_with_scanner(Script.c_str());
  struct TFree {
    PgQuerySplitResult& R;
    ~TFree() { pg_query_free_split_result(R); }
  } Free{Split};
  if (Split.error != nullptr) throw EDatabaseError(std::string("The script cannot be read: ") + Split.error->message);
  std::vector<std::string> Statements;
  for (int I = 0; I < Split.n_stmts; ++I) {
    const PgQuerySplitStmt& S = *Split.stmts[I];
    std::string Text = Trim(std::string_view(Script).substr(static_cast<std::size_t>(S.stmt_location),
                                                           static_cast<std::size_t>(S.stmt_len)));
    if (!HoldsNoStatement(Text)) Statements.push_back(std::move(Text));
  }
  return Statements;
}

}  // namespace

TPgResult TVNPgConnection::Run(const std::string& SQL, const std::vector<Variant>& Params, bool Describe) {
  pg_conn& Handle = CheckConnected();
  int Count = 0;
  const std::string Text = NumberPgPlaceholders(SQL, Count);
  if (HoldsNoStatement(Text)) throw EDatabaseError("No SQL statement to run");
  if (!Describe && Count != static_cast<int>(Params.size()))
    throw EDatabaseError(Format("The statement takes %d parameters, but %d values were given",
                                {Count, static_cast<int>(Params.size())}));
  const TBoundValues Bound(Params);
  if (!Describe) {
    TPgResult Result(PQexecParams(&Handle, Text.c_str(), Bound.Count(), Bound.Types.data(), Bound.Values.data(),
                                  Bound.Lengths.data(), Bound.Formats.data(), 0));
    const ExecStatusType Status = PQresultStatus(Result.get());
    if (Status != PGRES_TUPLES_OK && Status != PGRES_COMMAND_OK) RaiseError(Result.get(), Text);
    return Result;
  }
  // The unnamed statement: compiled, described, and replaced by the next one.
  const TPgResult Prepared(PQprepare(&Handle, "", Text.c_str(), 0, nullptr));
  if (PQresultStatus(Prepared.get()) != PGRES_COMMAND_OK) RaiseError(Prepared.get(), Text);
  TPgResult Description(PQdescribePrepared(&Handle, ""));
  if (PQresultStatus(Description.get()) != PGRES_COMMAND_OK) RaiseError(Description.get(), Text);
  return Description;
}

TVNResultSet TVNPgConnection::OpenQuery(const std::string& SQL, const std::vector<Variant>& Params) {
  pg_conn& Handle = CheckConnected();
  int Count = 0;
  const std::string Text = NumberPgPlaceholders(SQL, Count);
  if (Count != static_cast<int>(Params.size()))
    throw EDatabaseError(Format("The statement takes %d parameters, but %d values were given",
                                {Count, static_cast<int>(Params.size())}));
  // Described before it runs: a statement without rows must not run at all.
  if (PQnfields(Run(SQL, {}, true).get()) == 0)
    throw EDatabaseError("The statement returns no rows; execute it instead of opening it");
  const TBoundValues Bound(Params);
  const TPgResult Result(PQexecPrepared(&Handle, "", Bound.Count(), Bound.Values.data(), Bound.Lengths.data(),
                                        Bound.Formats.data(), 0));
  if (PQresultStatus(Result.get()) != PGRES_TUPLES_OK) RaiseError(Result.get(), Text);

  TVNResultSet Set;
  const int Columns = PQnfields(Result.get());
  for (int I = 0; I < Columns; ++I) {
    TVNColumnInfo Column;
    Column.Name = PQfname(Result.get(), I);
    Column.DataType = PgFieldType(PQftype(Result.get(), I), PQfmod(Result.get(), I), Column.Size);
    Set.Columns.push_back(std::move(Column));
  }
  const int Rows = PQntuples(Result.get());
  Set.Rows.reserve(static_cast<std::size_t>(Rows));
  for (int Row = 0; Row < Rows; ++Row) {
    std::vector<Variant> Values;
    Values.reserve(static_cast<std::size_t>(Columns));
    for (int I = 0; I < Columns; ++I)
      Values.push_back(PgValue(Result.get(), Row, I, Set.Columns[static_cast<std::size_t>(I)].DataType));
    Set.Rows.push_back(std::move(Values));
  }
  return Set;
}

int TVNPgConnection::ExecuteStatement(const std::string& SQL, const std::vector<Variant>& Params) {
  const TPgResult Result = Run(SQL, Params);
  const char* Tuples = PQcmdTuples(Result.get());
  return Tuples == nullptr || *Tuples == '\0' ? 0 : std::atoi(Tuples);
}

void TVNPgConnection::ExecuteScript(const std::string& Script,
                                    const std::function<void(const std::string&)>& OnStatement) {
  CheckConnected();
  const std::vector<std::string> Statements = SplitScript(Script);
  RefuseTransactionControl(Statements, ControlsTransactions);

  // All or nothing: the script's own transaction, or a savepoint in the caller's.
  const bool Nested = InTransaction();
  Query(Nested ? "SAVEPOINT vn_script" : "BEGIN", {});
  struct TUndo {
    TVNPgConnection& Self;
    bool Nested;
    bool Done = false;
    ~TUndo() {
      if (Done || !Self.Connected()) return;
      PQclear(PQexec(Self.FHandle.get(), Nested ? "ROLLBACK TO SAVEPOINT vn_script; RELEASE vn_script" : "ROLLBACK"));
    }
  } Undo{*this, Nested};
  for (std::size_t I = 0; I < Statements.size(); ++I) {
    if (OnStatement) OnStatement(Statements[I]);
    try {
      Run(Statements[I], {});
    } catch (EDatabaseError& E) {
      E.SetMessage(Format("Statement %d of the script failed: %s", {static_cast<int>(I + 1), E.Message()}));
      throw;
    }
  }
  Query(Nested ? "RELEASE vn_script" : "COMMIT", {});
  Undo.Done = true;
}

namespace {

// The server's description of one routine, found by the name as written.
struct TPgRoutine {
  std::string Call;  // schema-qualified and quoted
  bool Procedure = false;
  std::vector<TVNProcParamInfo> Params;
  std::vector<char> Modes;  // per parameter: i, o, b (in and out), v (variadic), t (table column)
};

std::vector<std::string> PgArray(const char* Text) {
  // Names and modes arrays of the catalog: {a,b,"c d"}.
  std::vector<std::string> Items;
  std::string_view S(Text);
  if (S.size() < 2) return Items;
  S = S.substr(1, S.size() - 2);
  std::string Item;
  bool Quoted = false;
  for (std::size_t I = 0; I < S.size(); ++I) {
    const char C = S[I];
    if (C == '"') {
      Quoted = !Quoted;
    } else if (C == '\\' && I + 1 < S.size()) {
      Item += S[++I];
    } else if (C == ',' && !Quoted) {
      Items.push_back(std::move(Item));
      Item.clear();
    } else {
      Item += C;
    }
  }
  if (!S.empty()) Items.push_back(std::move(Item));
  return Items;
}

// Looked up as FieldNames looks up tables: as written, then folded.
std::optional<TPgRoutine> FindRoutine(
    const std::string& Name, const std::function<TPgResult(const std::string&, const std::vector<std::string>&)>& Ask) {
  std::string Schema, Routine = Trim(Name);
  if (const auto Parts = SplitObjectName(Routine)) {
    Schema = Parts->Schema;
    Routine = Parts->Name;
  }
  const TPgResult Result = Ask(
      "SELECT quote_ident(n.nspname) || '.' || quote_ident(p.proname), p.prokind = 'p',"
      " coalesce(p.proargnames, '{}'), coalesce(p.proargmodes::text[], '{}'),"
      " coalesce(p.proallargtypes, p.proargtypes::oid[]), p.prorettype"
      " FROM pg_catalog.pg_proc p JOIN pg_catalog.pg_namespace n ON n.oid = p.pronamespace"
      " WHERE p.prokind IN ('f', 'p') AND (p.proname = $1 OR p.proname = lower($1))"
      "   AND CASE WHEN $2 = '' THEN pg_catalog.pg_function_is_visible(p.oid)"
      "            ELSE n.nspname = $2 OR n.nspname = lower($2) END"
      " ORDER BY (p.proname = $1) DESC, p.oid LIMIT 1",
      {Routine, Schema});
  if (PQntuples(Result.get()) == 0) return std::nullopt;
  TPgRoutine Found;
  Found.Call = PQgetvalue(Result.get(), 0, 0);
  Found.Procedure = PQgetvalue(Result.get(), 0, 1)[0] == 't';
  const std::vector<std::string> Names = PgArray(PQgetvalue(Result.get(), 0, 2));
  const std::vector<std::string> Modes = PgArray(PQgetvalue(Result.get(), 0, 3));
  const std::vector<std::string> Types = PgArray(PQgetvalue(Result.get(), 0, 4));
  for (std::size_t I = 0; I < Types.size(); ++I) {
    const char Mode = I < Modes.size() && !Modes[I].empty() ? Modes[I][0] : 'i';
    TVNProcParamInfo Param;
    Param.Name = I < Names.size() && !Names[I].empty() ? Names[I] : "Param" + std::to_string(I + 1);
    int Size = 0;
    Param.DataType = PgFieldType(static_cast<Oid>(std::strtoul(Types[I].c_str(), nullptr, 10)), -1, Size);
    Param.ParamType = Mode == 'o' || Mode == 't' ? ptOutput : Mode == 'b' ? ptInputOutput : ptInput;
    Found.Params.push_back(std::move(Param));
    Found.Modes.push_back(Mode);
  }
  const bool HasOutputs = std::any_of(Found.Modes.begin(), Found.Modes.end(), [](char M) { return M != 'i' && M != 'v'; });
  const Oid Returns = static_cast<Oid>(std::strtoul(PQgetvalue(Result.get(), 0, 5), nullptr, 10));
  constexpr Oid VoidOid = 2278;
  if (!Found.Procedure && !HasOutputs && Returns != VoidOid) {
    int Size = 0;
    Found.Params.push_back({"Result", PgFieldType(Returns, -1, Size), ptResult});
    Found.Modes.push_back('r');
  }
  return Found;
}

}  // namespace

std::optional<std::vector<TVNProcParamInfo>> TVNPgConnection::ProcParams(const std::string& Name) {
  const auto Routine = FindRoutine(Name, [this](const std::string& S, const std::vector<std::string>& V) {
    return Query(S, V);
  });
  if (!Routine) return std::nullopt;
  return Routine->Params;
}

std::string TVNPgConnection::ProcCallStatement(const std::string& Name) {
  const auto Routine = FindRoutine(Name, [this](const std::string& S, const std::vector<std::string>& V) {
    return Query(S, V);
  });
  if (!Routine) throw EDatabaseError(Format("No stored procedure '%s' in %s", {Name, FLogin.Describe()}));
  std::string Arguments;
  for (const char Mode : Routine->Modes) {
    std::string Argument;
    if (Mode == 'i' || Mode == 'b' || Mode == 'v')
      Argument = "?";
    else if (Mode == 'o' && Routine->Procedure)
      Argument = "NULL";
    else
      continue;
    Arguments += (Arguments.empty() ? "" : ", ") + Argument;
  }
  return Routine->Procedure ? "CALL " + Routine->Call + "(" + Arguments + ")"
                            : "SELECT * FROM " + Routine->Call + "(" + Arguments + ")";
}
