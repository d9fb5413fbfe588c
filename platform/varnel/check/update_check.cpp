// Proving an update object's statements on the live database (unit Vncheck).
//
// The statements come from a form file and are untrusted. Each is first vetted
// by the server's own grammar (one statement, of the kind its slot says,
// nothing that reaches outside the database); only then is it compiled, read
// against the catalog and, in a dry run, run. Everything happens in one
// transaction with time limits that is rolled back on every way out.
#include "varnel/Vncheck.h"

#include <algorithm>
#include <map>
#include <optional>

#include "dataset_loading.h"
#include "design_catalog.h"
#include "finding_groups.h"
#include "name_lists.h"
#include "query_text.h"
#include "rtl/DB.h"
#include "rtl/SysUtils.h"
#include "sql_tokenizer.h"
#include "statement_shape.h"
#include "varnel/Vnengine.h"

namespace {

constexpr const char* KindNames[] = {"RefreshSQL", "ModifySQL", "InsertSQL", "DeleteSQL"};
constexpr const char* SlotKinds[] = {"SELECT", "UPDATE", "INSERT", "DELETE"};

std::string Upper(std::string_view S) { return UpperCase(S); }

// "a DELETE", "an UPDATE".
std::string WithArticle(const std::string& Kind) {
  return (!Kind.empty() && std::string_view("AEIOU").find(Kind[0]) != std::string_view::npos ? "an " : "a ") + Kind;
}

// The last part of a possibly schema-qualified, possibly quoted table name.
std::string BareTableName(const std::string& Text) {
  if (const auto Parts = SplitObjectName(Text)) return Parts->Name;
  const std::size_t Dot = Text.rfind('.');
  return Dot == std::string::npos ? Text : Text.substr(Dot + 1);
}

// The rule a finding's text tells, for reports that sort findings by rule.
std::string RuleOf(const TVNUpdateCheckFinding& Finding) {
  if (Finding.Kind == fkNotChecked) return "not-checked";
  if (Finding.Kind == fkNote) return "note";
  static const std::pair<std::string_view, std::string_view> Rules[] = {
      {"'s SQL does not compile", "dataset-sql"},   {"does not compile", "does-not-compile"},
      {" statement, not ", "wrong-kind"},           {"more than one statement", "several-statements"},
      {"calls ", "reaches-outside"},                {"WITH query that writes", "writing-with"},
      {"creates a table", "select-into"},           {"filled by no field", "unfilled-parameter"},
      {"writes the alias", "alias-as-column"},      {"cannot be written", "unwritable-column"},
      {"no key:", "no-key"},                        {"is not unique", "key-not-unique"},
      {"never matches", "nullable-key"},            {"floating-point", "floating-point-key"},
      {"must be quoted", "needs-quotes"},           {"writes no column for field", "unwritten-field"},
      {" is a view", "view"},                       {"has no primary key", "no-unique-key"},
      {"dry run affected", "not-one-row"},          {"dry run failed", "dry-run-failed"},
      {"no dataset uses", "no-dataset"}};
  for (const auto& [Text, Rule] : Rules)
    if (Finding.Reason.find(Text) != std::string::npos) return std::string(Rule);
  return "finding";
}

// A field of the dataset and the table column it comes from, if any.
struct TDataSetField {
  std::string Name, Table, Column;
};

// The check's one transaction: rolled back on every way out. A connection that
// was lost took its transaction with it.
class TCheckTransaction {
 public:
  TCheckTransaction(TVNServerConnection& Connection, const TVNUpdateCheckOptions& Options) : FConnection(Connection) {
    FConnection.BeginLimitedTransaction(Options.TimeoutSeconds, Options.Mode != cmDryRun);
  }
  ~TCheckTransaction() {
    if (!FConnection.Connected()) return;
    try {
      FConnection.ExecuteStatement("ROLLBACK", {});
    } catch (const EDatabaseError&) {
      // The server ends a transaction it can no longer keep by itself.
    }
  }
  TCheckTransaction(const TCheckTransaction&) = delete;
  TCheckTransaction& operator=(const TCheckTransaction&) = delete;

 private:
  TVNServerConnection& FConnection;
};

// A step that may fail without spoiling the transaction: on PostgreSQL an
// error aborts the transaction unless it is undone to a savepoint.
class TStepSavepoint {
 public:
  explicit TStepSavepoint(TVNServerConnection& Connection) : FConnection(Connection) {
    FConnection.ExecuteStatement("SAVEPOINT vn_check_step", {});
  }
  ~TStepSavepoint() {
    if (!FConnection.Connected()) return;
    try {
      FConnection.ExecuteStatement("ROLLBACK TO SAVEPOINT vn_check_step", {});
      FConnection.ExecuteStatement("RELEASE SAVEPOINT vn_check_step", {});
    } catch (const EDatabaseError&) {
    }
  }
  TStepSavepoint(const TStepSavepoint&) = delete;
  TStepSavepoint& operator=(const TStepSavepoint&) = delete;

 private:
  TVNServerConnection& FConnection;
};

// The server's guard over statements from the form, on while they compile or run.
class TGuardedStatements {
 public:
  explicit TGuardedStatements(TVNServerConnection& Connection) : FConnection(Connection) {
    FConnection.GuardStatements(true);
  }
  ~TGuardedStatements() {
    if (FConnection.Connected()) FConnection.GuardStatements(false);
  }
  TGuardedStatements(const TGuardedStatements&) = delete;
  TGuardedStatements& operator=(const TGuardedStatements&) = delete;

 private:
  TVNServerConnection& FConnection;
};

class TUpdateChecker {
 public:
  TUpdateChecker(TVNUpdateSQL& Update, TVNDataSet& DataSet, TVNServerConnection& Connection,
                 const TVNUpdateCheckOptions& Options)
      : FUpdate(Update), FDataSet(DataSet), FConnection(Connection), FOptions(Options) {}

  void Run(TVNUpdateCheckResult& Result) {
    for (int K = ukRefresh; K <= ukDelete; ++K) {
      TStatement& S = FStatements[K];
      S.Text = FUpdate.GetSQLIndex(static_cast<TVNUpdateKind>(K)).Text();
      if (!HoldsNoStatement(S.Text)) S.State = ssOpen;
    }
    try {
      // Everything runs in this transaction, rolled back on every way out.
      TCheckTransaction Transaction(FConnection, FOptions);
      ReadStatements();
      ReadDataSetFields();
      CheckTable();
      for (TStatement& S : FStatements) {
        CheckStatement(static_cast<TVNUpdateKind>(&S - FStatements));
        if (FOptions.Mode != cmDryRun && S.State == ssOpen) S.State = ssProven;
      }
      CheckUnwrittenFields();
      if (FOptions.Mode == cmDryRun) DryRun();
    } catch (const EVNServerBusy& E) {
      // Every later step would wait as long again: the check of this update
      // object ends here.
      if (!FConnection.Connected()) throw;
      StopOpenStatements(Format("the server gave up waiting (time limit %d s): %s", {FOptions.TimeoutSeconds, E.Message()}));
    }
    for (TStatement& S : FStatements) {
      if (S.State == ssEmpty) continue;
      if (S.State == ssOpen) S.State = ssProven;
      (S.State == ssNotChecked ? Result.NotChecked : Result.Checked) += 1;
    }
    for (TVNUpdateCheckFinding& Finding : FGroups.Findings()) {
      Finding.Rule = RuleOf(Finding);
      Result.Findings.push_back(std::move(Finding));
    }
  }

 private:
  enum TState {
    ssEmpty,       // no statement in the slot
    ssOpen,        // every stage so far went through; more are to come
    ssProven,      // every stage went through
    ssBroken,      // does not compile: read against the catalog, never run
    ssSettled,     // refused: nothing more is tried
    ssNotChecked   // some stage could not be tried
  };
  struct TStatement {
    std::string Text;      // as the update object holds it
    std::string Prepared;  // :name parameters as ?
    std::vector<std::string> Params;  // in order of first occurrence
    std::optional<TStatementShape> Shape;
    TState State = ssEmpty;
  };

  void Add(TVNUpdateKind Kind, const std::string& Reason) { FGroups.Add(KindNames[Kind], fkFinding, Reason); }
  void Add(TVNUpdateKind Kind, std::string_view Singular, std::string_view Plural, const std::string& Subject) {
    FGroups.Add(KindNames[Kind], fkFinding, Singular, Plural, Subject);
  }
  void Settle(TVNUpdateKind Kind, const std::string& Reason) {
    Add(Kind, Reason);
    FStatements[Kind].State = ssSettled;
  }
  void Break(TVNUpdateKind Kind, const std::string& Reason) {
    Add(Kind, Reason);
    if (FStatements[Kind].State == ssOpen) FStatements[Kind].State = ssBroken;
  }
  void NotChecked(TVNUpdateKind Kind, const std::string& Reason) {
    FGroups.Add(KindNames[Kind], fkNotChecked, Reason);
    FStatements[Kind].State = ssNotChecked;
  }
  void NotRun(TVNUpdateKind Kind, std::string_view Singular, std::string_view Plural, const std::string& Subject) {
    FGroups.Add(KindNames[Kind], fkNotChecked, Singular, Plural, Subject);
    FStatements[Kind].State = ssNotChecked;
  }

  void StopOpenStatements(const std::string& Reason) {
    for (int Kind = ukRefresh; Kind <= ukDelete; ++Kind)
      if (FStatements[Kind].State == ssOpen) NotChecked(static_cast<TVNUpdateKind>(Kind), Reason);
  }

  // Runs Action as one step that may fail; false after a database error, which
  // OnError hears. A server that gave up waiting ends the whole check.
  template <class F, class G>
  bool Step(F&& Action, G&& OnError) {
    try {
      TStepSavepoint Savepoint(FConnection);
      Action();
      return true;
    } catch (const EVNServerBusy&) {
      throw;  // ends the whole check
    } catch (const EDatabaseError& E) {
      if (!FConnection.Connected()) throw;  // a lost connection ends the check
      OnError(E);
      return false;
    }
  }

  // ---- the statements as written ---------------------------------------------

  void ReadStatements() {
    for (int K = ukRefresh; K <= ukDelete; ++K) {
      const auto Kind = static_cast<TVNUpdateKind>(K);
      TStatement& S = FStatements[Kind];
      if (S.State == ssEmpty) continue;
      TParams Found(nullptr);
      S.Prepared = Found.ParseSQL(S.Text, true);
      for (int I = 0; I < Found.Count(); ++I)
        if (!ContainsName(S.Params, Found.Items(I)->Name())) S.Params.push_back(Found.Items(I)->Name());
      Vet(Kind);
      if (S.State == ssSettled) continue;
      S.Shape = ReadShape(S.Prepared, Kind);
      if (S.Shape && !S.Shape->TableText.empty()) {
        if (FTarget.empty()) FTarget = S.Shape->TableText;
      } else {
        S.Shape.reset();
        // A statement that does not compile has its finding already.
        if (S.State == ssOpen) NotChecked(Kind, "the table it writes could not be read from it");
      }
    }
  }

  // The server's grammar says what the statement is before anything compiles
  // or runs it: a statement of the wrong kind is never tried.
  void Vet(TVNUpdateKind Kind) {
    TStatement& S = FStatements[Kind];
    TVNStatementVerdict Verdict;
    const bool Parsed = Step([&] { Verdict = FConnection.VetStatement(S.Prepared); },
                             [&](const EDatabaseError& E) { Break(Kind, "does not compile: " + E.Message()); });
    if (!Parsed) return;
    if (Verdict.Count > 1) Settle(Kind, "holds more than one statement; an update object runs one at a time");
    if (Verdict.Kind != SlotKinds[Kind])
      Settle(Kind, "is " + WithArticle(Verdict.Kind) + " statement, not " + WithArticle(SlotKinds[Kind]));
    for (const std::string& Refusal : Verdict.Refusals) Settle(Kind, Refusal);
  }

  // ---- catalog -------------------------------------------------------------

  void ReadDataSetFields() {
    std::vector<TVNFieldOrigin> Origins;
    if (auto* Query = dynamic_cast<TVNQuery*>(&FDataSet)) {
      const auto* Macro = dynamic_cast<TVNMacroQuery*>(Query);
      const std::string SQL = Macro ? ExpandMacrosLeniently(*Macro, Query->SQL().Text()) : Query->SQL().Text();
      TParams Occurrences(nullptr);
      const std::string Prepared = Occurrences.ParseSQL(SQL, false);
      const bool Read = Step(
          [&] {
            TGuardedStatements Guard(FConnection);
            Origins = FConnection.FieldOrigins(Prepared);
          },
          [&](const EDatabaseError& E) {
            FGroups.Add("DataSet", fkFinding, FDataSet.Name() + "'s SQL does not compile: " + E.Message());
          });
      if (!Read) return;
    } else if (auto* Table = dynamic_cast<TVNTable*>(&FDataSet)) {
      for (const std::string& Column : FConnection.FieldNames(Table->TableName()))
        Origins.push_back({Column, Table->TableName(), Column});
    } else {
      return;  // a stored procedure's fields are known only once it runs
    }
    std::vector<std::string> Columns;
    for (const TVNFieldOrigin& Origin : Origins) Columns.push_back(Origin.Name);
    const std::vector<std::string> Names = DataSetFieldNames(Columns);
    for (std::size_t I = 0; I < Origins.size(); ++I)
      FFields.push_back({Names[I], Origins[I].TableName, Origins[I].ColumnName});
    FFieldsKnown = true;
  }

  const TDataSetField* FindField(const std::string& Name) const {
    for (const TDataSetField& Field : FFields)
      if (AnsiSameText(Field.Name, Name)) return &Field;
    return nullptr;
  }
  static std::string FieldOfParam(const std::string& Param) {
    return Param.size() > 4 && SameText(Param.substr(0, 4), "OLD_") ? Param.substr(4) : Param;
  }
  bool FromTarget(const TDataSetField& Field) const {
    return !Field.Table.empty() && SameText(BareTableName(Field.Table), BareTableName(FTarget));
  }

  // What is wrong with the table itself is said once, before the statements.
  void CheckTable() {
    if (FTarget.empty()) return;
    const std::string Name = BareTableName(FTarget);
    switch (FConnection.RelationKind(FTarget)) {
      case rkNone:
        return;  // each statement's compilation says so
      case rkView:
        FGroups.AddLeading(Name + " is a view: statements that write it fail");
        FView = true;
        return;
      case rkTable:
        break;
    }
    if (const auto Indexes = FConnection.IndexSchema(FTarget))
      for (const TVNIndexSchemaRow& Row : *Indexes)
        if (Row.IndexType && (*Row.IndexType & (itPrimary | itUnique)) != 0) FUnique[Row.IndexName].push_back(Row.ColumnName);
    if (FUnique.empty()) {
      FGroups.AddLeading(Name + " has no primary key or unique index: no statement can name exactly one row");
      FNoKey = true;
    }
  }

  void CheckStatement(TVNUpdateKind Kind) {
    TStatement& S = FStatements[Kind];
    if (S.State == ssEmpty || S.State == ssSettled) return;
    if (S.State != ssBroken)
      Step(
          [&] {
            TGuardedStatements Guard(FConnection);
            FConnection.PrepareOnly(S.Prepared);
          },
          [&](const EDatabaseError& E) { Break(Kind, "does not compile: " + E.Message()); });
    for (const std::string& Param : S.Params)
      if (FFieldsKnown && FindField(FieldOfParam(Param)) == nullptr) {
        const std::string Singular = "parameter %s is filled by no field of " + FDataSet.Name();
        Add(Kind, Singular, "parameters %s are filled by no field of " + FDataSet.Name(),
            ":" + Param + (FieldOfParam(Param) != Param ? " (no field " + FieldOfParam(Param) + ")" : ""));
        FGroups.SetHint(Singular, "clear the columns " + FDataSet.Name() +
                                      " does not select from the update fields (or select them in its SQL), "
                                      "then press Generate SQL");
      }
    if (!S.Shape) return;
    const auto Columns = FConnection.ColumnDetails(S.Shape->TableText);
    if (!Columns) return;  // the server's own message says so
    CheckQuoting(Kind, *S.Shape, *Columns);
    CheckAliases(Kind, *S.Shape, *Columns);
    for (const std::string& Name : S.Shape->Written)
      for (const TVNColumnDetails& Column : *Columns)
        if (AnsiSameText(Column.Name, Name) && !Column.Writable)
          Add(Kind, "column %s cannot be written (generated or computed)",
              "columns %s cannot be written (generated or computed)", Column.Name);
    if (Kind != ukInsert && !FView) CheckKey(Kind, *S.Shape, *Columns);
  }

  void CheckKey(TVNUpdateKind Kind, const TStatementShape& Shape, const std::vector<TVNColumnDetails>& Columns) {
    const std::vector<std::string>& Key = Shape.KeyColumns;
    if (Key.empty()) {
      const std::string NoKey = "no key: no WHERE condition compares a column with a parameter, so every row would match";
      Add(Kind, NoKey);
      FGroups.SetHint(NoKey, "press Select Primary Keys (or choose the key fields), then Generate SQL");
      return;
    }
    // Unique when the columns of some unique index are all among the key's.
    const bool IsUnique = std::any_of(FUnique.begin(), FUnique.end(), [&](const auto& Index) {
      return std::all_of(Index.second.begin(), Index.second.end(), [&](const std::string& C) { return !C.empty() && ContainsName(Key, C); });
    });
    if (!IsUnique && !FNoKey) {
      const std::string NotUnique = "key (" + JoinedNames(Key) + ") is not unique: no primary key or unique index covers it";
      Add(Kind, NotUnique);
      FGroups.SetHint(NotUnique, "press Select Primary Keys (or choose key fields a unique index covers), then Generate SQL");
    }
    // Said once for the statements that share the key.
    for (const TVNColumnDetails& Column : Columns) {
      if (!ContainsName(Key, Column.Name)) continue;
      if (Column.Nullable)
        FGroups.Add("", fkFinding, "key column %s allows NULL, which \"= :parameter\" never matches",
                    "key columns %s allow NULL, which \"= :parameter\" never matches", Column.Name);
      if (Column.FloatingPoint)
        FGroups.Add("", fkFinding, "key column %s is floating-point: a value read back may not compare equal",
                    "key columns %s are floating-point: a value read back may not compare equal", Column.Name);
    }
  }

  // A written name the table has not, which is a field's alias for a column
  // it has: the statements were generated before the fields' origins were read.
  void CheckAliases(TVNUpdateKind Kind, const TStatementShape& Shape, const std::vector<TVNColumnDetails>& Columns) {
    for (const std::string& Name : Shape.Written) {
      const bool IsColumn = std::any_of(Columns.begin(), Columns.end(),
                                        [&](const TVNColumnDetails& C) { return AnsiSameText(C.Name, Name); });
      const TDataSetField* Field = FindField(Name);
      if (IsColumn || Field == nullptr || !FromTarget(*Field) || AnsiSameText(Field->Column, Field->Name)) continue;
      constexpr std::string_view Singular = "writes the alias %s as a column, which the table has not";
      Add(Kind, Singular, "writes the aliases %s as columns, which the table has not",
          Name + " (its column is " + Field->Column + ")");
      FGroups.SetHint(Singular, "press Get Table Fields, then Generate SQL: aliases are then written as their columns");
    }
  }

  // A bare word meant to name a column or table (the same name without regard
  // to case) that the server reads as another name: it needs quotes.
  void CheckQuoting(TVNUpdateKind Kind, const TStatementShape& Shape, const std::vector<TVNColumnDetails>& Columns) {
    std::vector<std::string> Names;
    for (const TVNColumnDetails& Column : Columns) Names.push_back(Column.Name);
    Names.push_back(BareTableName(Shape.TableText));
    for (const TSQLToken& Word : Shape.BareNames) {
      const bool Reaches = std::any_of(Names.begin(), Names.end(),
                                       [&](const std::string& Name) { return FConnection.BareNameMatches(Word.Text, Name); });
      if (Reaches) continue;
      for (const std::string& Name : Names) {
        if (!AnsiSameText(Word.Text, Name)) continue;
        const std::string Why = FConnection.ServerType() == stPostgreSQL
                                    ? "unquoted, the server reads " + LowerCase(Word.Text)
                                    : "unquoted, SQLite matches only ASCII letters without regard to case";
        Add(Kind, "identifier " + Word.Text + " must be quoted as " + QuoteIdentifier(Name, true) + ": " + Why);
        break;
      }
    }
  }

  void CheckUnwrittenFields() {
    if (!FFieldsKnown || FTarget.empty() || FView) return;
    const TStatement& Modify = FStatements[ukModify];
    const TStatement& Insert = FStatements[ukInsert];
    if (Modify.State == ssEmpty && Insert.State == ssEmpty) return;
    std::vector<std::string> Writable;
    if (const auto Columns = FConnection.ColumnDetails(FTarget))
      for (const TVNColumnDetails& Column : *Columns)
        if (Column.Writable) Writable.push_back(Column.Name);
    // A column the server numbers from a sequence is the server's to fill.
    for (const TVNSequenceDefault& Default : FConnection.SequenceDefaults(FTarget))
      Writable.erase(std::remove_if(Writable.begin(), Writable.end(),
                                    [&](const std::string& Name) { return AnsiSameText(Name, Default.Column); }),
                     Writable.end());
    for (const TDataSetField& Field : FFields) {
      if (!FromTarget(Field) || !ContainsName(Writable, Field.Column)) continue;
      if (ContainsName(Modify.Params, Field.Name) || ContainsName(Insert.Params, Field.Name)) continue;
      Add(Modify.State == ssEmpty ? ukInsert : ukModify, "writes no column for field %s", "writes no column for fields %s",
          SameText(Field.Name, Field.Column) ? Field.Name : Field.Name + " (" + BareTableName(Field.Table) + "." + Field.Column + ")");
      FGroups.SetHint("writes no column for field %s",
                      "select these fields among the update fields, then press Generate SQL");
    }
  }

  // ---- dry run --------------------------------------------------------------

  std::optional<Variant> ColumnValue(const std::map<std::string, Variant>& Row, const std::string& Param) const {
    const std::string Name = FieldOfParam(Param);
    std::string Column = Name;
    if (const TDataSetField* Field = FindField(Name); Field && FromTarget(*Field)) Column = Field->Column;
    const auto It = Row.find(Upper(Column));
    if (It == Row.end()) return std::nullopt;
    return It->second;
  }

  // The values of the statement's ? placeholders, one per occurrence, from the
  // row; nullopt (and the statement not run) when a parameter has none.
  std::optional<std::vector<Variant>> Values(TVNUpdateKind Kind, const std::map<std::string, Variant>& Row) {
    TParams Occurrences(nullptr);
    Occurrences.ParseSQL(FStatements[Kind].Text, true);
    std::vector<Variant> Result;
    bool Complete = true;
    for (int I = 0; I < Occurrences.Count(); ++I) {
      const std::string& Param = Occurrences.Items(I)->Name();
      if (const auto Value = ColumnValue(Row, Param)) {
        Result.push_back(*Value);
      } else {
        NotRun(Kind, "not run: no column of " + BareTableName(FTarget) + " gives parameter %s",
               "not run: no column of " + BareTableName(FTarget) + " gives parameters %s", ":" + Param);
        Complete = false;
      }
    }
    if (!Complete) return std::nullopt;
    return Result;
  }

  void ExpectOne(TVNUpdateKind Kind, std::size_t Count) {
    if (Count != 1) Add(Kind, Format("dry run affected %d rows instead of exactly one", {static_cast<int>(Count)}));
  }

  void DryRun() {
    const bool Pending = std::any_of(std::begin(FStatements), std::end(FStatements),
                                     [](const TStatement& S) { return S.State == ssOpen; });
    if (!Pending || FTarget.empty()) return;
    if (const std::string Why = FConnection.RollbackTrouble(FTarget); !Why.empty()) {
      FGroups.AddLeading(BareTableName(FTarget) + " " + Why + ": a dry run does not write it");
      StopOpenStatements("not run: a rollback would not undo it");
      return;
    }
    const std::string Table = FConnection.QuotedTableName(FTarget);
    std::map<std::string, Variant> Row;
    if (!Table.empty()) {
      const TVNResultSet Sample = FConnection.OpenQuery("SELECT * FROM " + Table + " LIMIT 1", {});
      if (!Sample.Rows.empty())
        for (std::size_t I = 0; I < Sample.Columns.size(); ++I) Row.emplace(Upper(Sample.Columns[I].Name), Sample.Rows[0][I]);
    }
    for (const TVNUpdateKind Kind : {ukRefresh, ukModify, ukDelete, ukInsert}) {
      TStatement& S = FStatements[Kind];
      if (S.State != ssOpen) continue;
      if (Row.empty()) {
        NotChecked(Kind, "not run: " + BareTableName(FTarget) + " has no row to try the statements on");
        continue;
      }
      std::map<std::string, Variant> Input = Row;
      if (Kind == ukInsert && (!DrawsNoSequence() || !FreshKey(Input))) continue;
      const auto Bound = Values(Kind, Input);
      if (!Bound) continue;
      // Each statement starts from the row as it was: its step's savepoint undoes it.
      Step(
          [&] {
            TGuardedStatements Guard(FConnection);
            if (Kind == ukRefresh)
              ExpectOne(Kind, FConnection.OpenQuery(S.Prepared, *Bound).Rows.size());
            else
              ExpectOne(Kind, static_cast<std::size_t>(FConnection.ExecuteStatement(S.Prepared, *Bound)));
          },
          [&](const EDatabaseError& E) { Break(Kind, "dry run failed: " + E.Message()); });
      if (S.State == ssOpen) S.State = ssProven;
    }
  }

  // A sequence gives no number back on rollback: an insert that leaves a
  // sequence's column to its default is not run.
  bool DrawsNoSequence() {
    const std::vector<std::string>& Written = FStatements[ukInsert].Shape->Written;
    bool None = true;
    for (const TVNSequenceDefault& Default : FConnection.SequenceDefaults(FTarget)) {
      if (ContainsName(Written, Default.Column)) continue;
      NotRun(ukInsert, "not run: it would advance sequence %s", "not run: it would advance sequences %s", Default.Sequence);
      None = false;
    }
    return None;
  }

  // The row's values with every unique index the insert writes given a value
  // no row has: one column per index, an integer one past the largest, a text
  // one of the same length with "~~" in front. False (not run) when some
  // index has no such column.
  bool FreshKey(std::map<std::string, Variant>& Row) {
    const std::vector<std::string>& Written = FStatements[ukInsert].Shape->Written;
    const std::string Table = FConnection.QuotedTableName(FTarget);
    for (const auto& [Name, Columns] : FUnique) {
      if (!std::all_of(Columns.begin(), Columns.end(), [&](const std::string& C) { return ContainsName(Written, C); }))
        continue;  // the server fills the rest (a default)
      bool Fresh = false;
      for (const std::string& Column : Columns) {
        Variant& Value = Row[Upper(Column)];
        if (Value.VarType() == varInt64) {
          const TVNResultSet Max = FConnection.OpenQuery("SELECT max(" + QuoteIdentifier(Column, true) + ") FROM " + Table, {});
          Value = Variant(Max.Rows[0][0].AsInt64() + 1);
          Fresh = true;
        } else if (Value.VarType() == varString && Value.AsString().size() >= 2) {
          Value = Variant("~~" + Value.AsString().substr(2));
          Fresh = true;
        } else if (Value.IsNull()) {
          Fresh = true;  // NULLs never clash in a unique index
        }
        if (Fresh) break;
      }
      if (!Fresh) {
        NotChecked(ukInsert, "not run: no column of " + Name + " can take a fresh value");
        return false;
      }
    }
    return true;
  }

  TVNUpdateSQL& FUpdate;
  TVNDataSet& FDataSet;
  TVNServerConnection& FConnection;
  const TVNUpdateCheckOptions& FOptions;
  TFindingGroups FGroups;
  std::vector<TDataSetField> FFields;
  bool FFieldsKnown = false;
  std::string FTarget;  // the table as the first statement that names one writes it
  bool FView = false;   // the table is a view that cannot be written
  bool FNoKey = false;  // the table has no primary key or unique index
  std::map<std::string, std::vector<std::string>> FUnique;  // unique indexes of the table, their columns
  TStatement FStatements[4];
};

}  // namespace

void Vncheck_CheckUpdateObject(TComponent& UpdateObject, const TVNUpdateCheckOptions& Options,
                               TVNUpdateCheckResult& Result) {
  auto* Update = dynamic_cast<TVNUpdateSQL*>(&UpdateObject);
  if (Update == nullptr)
    throw EDatabaseError(Format("%s is a %s, not a TVNUpdateSQL", {UpdateObject.Name(), UpdateObject.ClassName()}));
  TVNDataSet* DataSet = Update->DataSet();
  if (DataSet == nullptr) {
    Result.Findings.push_back(
        {"DataSet", "no dataset uses " + Update->Name() + " as its UpdateObject", fkFinding, "", "no-dataset"});
    for (int Kind = ukRefresh; Kind <= ukDelete; ++Kind)
      Result.NotChecked += HoldsNoStatement(Update->GetSQLIndex(static_cast<TVNUpdateKind>(Kind)).Text()) ? 0 : 1;
    return;
  }
  // Read only unless the statements are to run: a plain check cannot change anything.
  const auto Connection = ConnectDataSetDatabase(*DataSet, Options.Mode == cmDryRun ? caReadWrite : caReadOnly);
  if (Options.Mode == cmDryRun && !Options.AllowSuperuser)
    if (const std::string Superuser = Connection->SuperuserName(); !Superuser.empty())
      throw EVNCheckRefused("A dry run does not run a form's statements as " + Superuser +
                            ", a superuser of the server: connect as an ordinary role");
  TUpdateChecker(*Update, *DataSet, *Connection, Options).Run(Result);
}
