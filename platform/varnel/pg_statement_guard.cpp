// Statements from outside the program on PostgreSQL: what they are by the
// server's own parser, and what in them reaches beyond the rows of the
// database or beyond the transaction that a check rolls back.
#include "pg_connection.h"

#include <libpq-fe.h>

#include <algorithm>
#include <array>

#include <nlohmann/json.hpp>

#include "pg_select_parser.h"
#include "rtl/SysUtils.h"
#include "sql_tokenizer.h"

namespace {

using json = nlohmann::json;

// Built-in functions a form's statement may not call, by name in any schema.
// A deny list: every other function runs, as the database's own functions do
// (a function the database defines is the database owner's to trust; a
// dry run's role and time limits bound what it can do).
struct TOutsideFunction {
  std::string_view Name;
  bool Prefix;  // every function whose name starts so
  std::string_view Why;
};
constexpr std::array<TOutsideFunction, 44> OutsideFunctions = {{
    // The server's files and programs.
    {"pg_read_file", false, "reads the server's files"},
    {"pg_read_binary_file", false, "reads the server's files"},
    {"pg_stat_file", false, "reads the server's files"},
    {"pg_ls_", true, "lists the server's folders"},
    {"pg_file_", true, "writes the server's files"},
    {"pg_logdir_ls", false, "lists the server's folders"},
    {"pg_current_logfile", false, "reads the server's files"},
    // Large objects: lo_import and lo_export reach files, the rest change large objects.
    {"lo_", true, "reaches large objects or the server's files"},
    {"loread", false, "reaches large objects"},
    {"lowrite", false, "reaches large objects"},
    // Other databases, and statements given as text.
    {"dblink", true, "reaches another database"},
    {"query_to_xml", true, "runs a statement given as text"},
    {"cursor_to_xml", true, "runs a statement given as text"},
    // Effects a rollback does not undo.
    {"nextval", false, "advances a sequence for good: no rollback undoes it"},
    {"setval", false, "sets a sequence for good: no rollback undoes it"},
    {"pg_advisory_lock", true, "takes a lock that outlives the transaction"},
    {"pg_advisory_unlock", true, "releases session locks"},
    {"pg_try_advisory_lock", true, "takes a lock that outlives the transaction"},
    {"set_config", false, "changes the session's settings"},
    {"pg_logical_emit_message", false, "writes to the server's log of changes"},
    {"pg_notify", false, "signals other sessions"},
    // The server itself and other sessions.
    {"pg_terminate_backend", false, "ends server sessions"},
    {"pg_cancel_backend", false, "cancels other sessions' statements"},
    {"pg_reload_conf", false, "controls the server"},
    {"pg_rotate_logfile", false, "controls the server"},
    {"pg_promote", false, "controls the server"},
    {"pg_switch_wal", false, "controls the server"},
    {"pg_create_restore_point", false, "controls the server"},
    {"pg_backup_start", false, "controls the server"},
    {"pg_backup_stop", false, "controls the server"},
    {"pg_start_backup", false, "controls the server"},
    {"pg_stop_backup", false, "controls the server"},
    {"pg_wal_replay_", true, "controls the server"},
    {"pg_create_physical_replication_slot", false, "controls the server"},
    {"pg_create_logical_replication_slot", false, "controls the server"},
    {"pg_drop_replication_slot", false, "controls the server"},
    {"pg_copy_physical_replication_slot", false, "controls the server"},
    {"pg_copy_logical_replication_slot", false, "controls the server"},
    {"pg_replication_slot_advance", false, "controls the server"},
    {"pg_replication_origin_", true, "controls the server"},
    {"pg_stat_reset", true, "resets the server's statistics"},
    {"pg_log_backend_memory_contexts", false, "controls the server"},
    {"pg_import_system_collations", false, "changes the catalog"},
    {"pg_sleep", true, "waits on purpose"},
}};

const TOutsideFunction* FindOutsideFunction(std::string_view Name) {
  const std::string Lower = LowerCase(Name);
  for (const TOutsideFunction& Function : OutsideFunctions)
    if (Function.Prefix ? std::string_view(Lower).starts_with(Function.Name) : Lower == Function.Name) return &Function;
  return nullptr;
}

// The kind of a statement node of the parse tree ("UpdateStmt": "UPDATE"); ""
// for the statements that do not read or write rows.
std::string RowStatementKind(const std::string& Node) {
  if (Node == "SelectStmt") return "SELECT";
  if (Node == "InsertStmt") return "INSERT";
  if (Node == "UpdateStmt") return "UPDATE";
  if (Node == "DeleteStmt") return "DELETE";
  if (Node == "MergeStmt") return "MERGE";
  return "";
}

// The leading words of a statement, as a person names it: "COPY", "SET ROLE".
std::string StatementWords(std::string_view SQL) {
  try {
    const std::vector<TSQLToken> Tokens = TokenizeSQL(SQL);
    std::string Words;
    for (std::size_t I = 0; I < Tokens.size() && Tokens[I].Kind == tokIdentifier; ++I) {
      Words += (Words.empty() ? "" : " ") + UpperCase(Tokens[I].Text);
      const bool TwoWords = Words == "SET" || Words == "CREATE" || Words == "DROP" || Words == "ALTER" ||
                            Words == "RESET" || Words == "LOCK";
      if (!TwoWords) break;
    }
    if (!Words.empty()) return Words;
  } catch (const EDatabaseError&) {
  }
  return "unknown";
}

class TTreeVetting {
 public:
  TTreeVetting(const std::string& Kind, TVNStatementVerdict& Verdict) : FKind(Kind), FVerdict(Verdict) {}

  void Walk(const json& Node) {
    if (Node.is_array()) {
      for (const json& Item : Node) Walk(Item);
      return;
    }
    if (!Node.is_object()) return;
    for (const auto& [Key, Value] : Node.items()) {
      if (Key == "FuncCall") VetCall(Value);
      if (Key == "CommonTableExpr") VetWith(Value);
      if (Key == "SelectStmt" && Value.contains("intoClause")) Refuse("creates a table (SELECT INTO)");
      Walk(Value);
    }
  }

 private:
  void VetCall(const json& Call) {
    const auto Names = Call.find("funcname");
    if (Names == Call.end() || !Names->is_array() || Names->empty()) return;
    const json& Last = Names->back();
    if (!Last.contains("String")) return;
    const std::string Name = Last["String"].value("sval", "");
    if (const TOutsideFunction* Function = FindOutsideFunction(Name))
      Refuse("calls " + Name + ", which " + std::string(Function->Why));
  }
  void VetWith(const json& Cte) {
    const auto Query = Cte.find("ctequery");
    if (Query == Cte.end() || !Query->is_object() || Query->empty()) return;
    const std::string Kind = RowStatementKind(Query->begin().key());
    if (!Kind.empty() && Kind != "SELECT" && Kind != FKind)
      Refuse("holds a WITH query that writes rows (" + Kind + ")");
  }
  void Refuse(const std::string& Why) {
    if (std::find(FVerdict.Refusals.begin(), FVerdict.Refusals.end(), Why) == FVerdict.Refusals.end())
      FVerdict.Refusals.push_back(Why);
  }

  std::string FKind;
  TVNStatementVerdict& FVerdict;
};

}  // namespace

TVNStatementVerdict TVNPgConnection::VetStatement(const std::string& SQL) {
  int Placeholders = 0;
  const std::string Numbered = NumberPgPlaceholders(SQL, Placeholders);
  TVNStatementVerdict Verdict;
  try {
    const json Tree = ParsePgTree(Numbered);
    const json& Statements = Tree.at("stmts");
    Verdict.Count = static_cast<int>(std::min<std::size_t>(Statements.size(), 2));
    if (Statements.empty()) throw EDatabaseError("No SQL statement to run");
    const json& First = Statements[0].at("stmt");
    const std::string Node = First.empty() ? std::string() : First.begin().key();
    Verdict.Kind = RowStatementKind(Node);
    if (Verdict.Kind.empty()) {
      Verdict.Kind = StatementWords(Numbered);
      return Verdict;  // of the wrong kind whatever is in it
    }
    TTreeVetting(Verdict.Kind, Verdict).Walk(Statements);
  } catch (const json::exception& E) {
    throw EDatabaseError(std::string("Cannot read the statement's parse tree: ") + E.what());
  }
  return Verdict;
}

void TVNPgConnection::BeginLimitedTransaction(int TimeoutSeconds, bool ReadOnly) {
  // A statement that waits for a lock the whole time is told as waiting for the
  // lock: the statement's own limit is a little longer.
  const int Milliseconds = TimeoutSeconds * 1000;
  Query(ReadOnly ? "BEGIN READ ONLY" : "BEGIN", {});
  Query("SET LOCAL lock_timeout = " + std::to_string(Milliseconds), {});
  Query("SET LOCAL statement_timeout = " + std::to_string(Milliseconds + 250), {});
  Query("SET LOCAL idle_in_transaction_session_timeout = '60s'", {});
}

std::string TVNPgConnection::SuperuserName() {
  const TPgResult Result = Query("SELECT current_user, current_setting('is_superuser')", {});
  return std::string_view(PQgetvalue(Result.get(), 0, 1)) == "on" ? PQgetvalue(Result.get(), 0, 0) : "";
}

std::vector<TVNSequenceDefault> TVNPgConnection::SequenceDefaults(const std::string& TableName) {
  const unsigned Relation = ResolveRelation(TableName);
  if (Relation == 0) return {};
  // A default that calls nextval depends on its sequence; an identity column's
  // sequence depends on the column.
  const TPgResult Result = Query(
      "SELECT a.attname, s.oid::regclass::text FROM pg_catalog.pg_attribute a"
      " JOIN pg_catalog.pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum"
      " JOIN pg_catalog.pg_depend p ON p.classid = 'pg_catalog.pg_attrdef'::regclass AND p.objid = d.oid"
      "  AND p.refclassid = 'pg_catalog.pg_class'::regclass"
      " JOIN pg_catalog.pg_class s ON s.oid = p.refobjid AND s.relkind = 'S'"
      " WHERE a.attrelid = $1 AND NOT a.attisdropped"
      " UNION"
      " SELECT a.attname, s.oid::regclass::text FROM pg_catalog.pg_depend p"
      " JOIN pg_catalog.pg_class s ON s.oid = p.objid AND s.relkind = 'S'"
      " JOIN pg_catalog.pg_attribute a ON a.attrelid = p.refobjid AND a.attnum = p.refobjsubid"
      " WHERE p.refobjid = $1 AND p.classid = 'pg_catalog.pg_class'::regclass AND p.deptype = 'i'"
      " ORDER BY 1",
      {std::to_string(Relation)});
  std::vector<TVNSequenceDefault> Defaults;
  for (int Row = 0; Row < PQntuples(Result.get()); ++Row)
    Defaults.push_back({PQgetvalue(Result.get(), Row, 0), PQgetvalue(Result.get(), Row, 1)});
  return Defaults;
}

TVNRelationKind TVNPgConnection::RelationKind(const std::string& TableName) {
  const unsigned Relation = ResolveRelation(TableName);
  if (Relation == 0) return rkNone;
  // A view the server writes through (a simple view, or one with INSTEAD OF
  // triggers or rules) takes the statements as a table does.
  const TPgResult Result = Query("SELECT relkind IN ('v', 'm') AND pg_catalog.pg_relation_is_updatable(oid, true) = 0"
                                 " FROM pg_catalog.pg_class WHERE oid = $1",
                                 {std::to_string(Relation)});
  return PQntuples(Result.get()) > 0 && PQgetvalue(Result.get(), 0, 0)[0] == 't' ? rkView : rkTable;
}

bool TVNPgConnection::BareNameMatches(std::string_view Word, std::string_view Name) const {
  if (Word.size() != Name.size()) return false;
  for (std::size_t I = 0; I < Word.size(); ++I) {
    const char C = Word[I] >= 'A' && Word[I] <= 'Z' ? static_cast<char>(Word[I] - 'A' + 'a') : Word[I];
    if (C != Name[I]) return false;
  }
  return true;
}
