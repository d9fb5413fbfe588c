// Proving an update object's statements on the live database (unit Vncheck).
#include "varnel/Vncheck.h"

#include <algorithm>
#include <map>
#include <set>

#include "dataset_loading.h"
#include "design_catalog.h"
#include "query_text.h"
#include "rtl/DB.h"
#include "rtl/SysUtils.h"
#include "sql_tokenizer.h"
#include "varnel/Vnengine.h"

namespace {

constexpr const char* KindNames[] = {"RefreshSQL", "ModifySQL", "InsertSQL", "DeleteSQL"};

std::string Upper(std::string_view S) { return UpperCase(S); }

// The last part of a possibly schema-qualified, possibly quoted table name.
std::string BareTableName(const std::string& Text) {
  if (const auto Parts = SplitObjectName(Text)) return Parts->Name;
  const std::size_t Dot = Text.rfind('.');
  return Dot == std::string::npos ? Text : Text.substr(Dot + 1);
}

// A field of the dataset and the table column it comes from, if any.
struct TDataSetField {
  std::string Name, Table, Column;
};

// What one statement says about its table, read from its tokens.
struct TStatementShape {
  std::string TableText;                 // as written
  std::vector<std::string> Written;      // SET targets, or the insert's column list
  std::vector<std::string> KeyColumns;   // WHERE column = :parameter
  std::vector<TSQLToken> BareNames;      // every unquoted word, for the quoting check
};

std::optional<TStatementShape> ReadShape(std::string_view SQL, TVNUpdateKind Kind) {
  std::vector<TSQLToken> T;
  try {
    T = TokenizeSQL(SQL);
  } catch (const EDatabaseError&) {
    return std::nullopt;
  }
  TStatementShape Shape;
  for (const TSQLToken& Token : T)
    if (Token.Kind == tokIdentifier) Shape.BareNames.push_back(Token);
  const char* Before = Kind == ukModify ? "UPDATE" : Kind == ukInsert ? "INTO" : "FROM";
  std::size_t I = 0;
  for (int Depth = 0; I < T.size(); ++I) {
    if (T[I].IsOperator("(")) ++Depth;
    if (T[I].IsOperator(")")) --Depth;
    if (Depth == 0 && T[I].IsKeyword(Before)) break;
  }
  if (I + 1 >= T.size()) return Shape;
  ++I;
  if (Kind == ukModify && T[I].IsKeyword("OR") && I + 2 < T.size()) I += 2;  // UPDATE OR REPLACE
  if (!T[I].IsName()) return Shape;
  std::size_t End = I + 1;
  if (End + 1 < T.size() && T[End].IsOperator(".") && T[End + 1].IsName()) End += 2;
  Shape.TableText = std::string(SQL.substr(T[I].Offset, T[End - 1].EndOffset() - T[I].Offset));

  int Depth = 0;
  bool InWhere = false, InSet = false;
  for (std::size_t J = End; J < T.size(); ++J) {
    const TSQLToken& Token = T[J];
    if (Kind == ukInsert && J == End && Token.IsOperator("(")) {
      for (++J; J < T.size() && !T[J].IsOperator(")"); ++J)
        if (T[J].IsName()) Shape.Written.push_back(T[J].Text);
      continue;
    }
    if (Token.IsOperator("(")) ++Depth;
    if (Token.IsOperator(")")) --Depth;
    if (Depth != 0) continue;
    if (Token.IsKeyword("SET")) InSet = true;
    if (Token.IsKeyword("WHERE")) InSet = false, InWhere = true;
    const bool Assigns = J + 1 < T.size() && T[J + 1].IsOperator("=") && Token.IsName();
    if (InSet && Assigns && (T[J - 1].IsKeyword("SET") || T[J - 1].IsOperator(",")))
      Shape.Written.push_back(Token.Text);
    if (InWhere && Assigns && J + 2 < T.size() && T[J + 2].Kind == tokVariable) Shape.KeyColumns.push_back(Token.Text);
  }
  return Shape;
}

bool Contains(const std::vector<std::string>& List, const std::string& Name) {
  return std::any_of(List.begin(), List.end(), [&](const std::string& S) { return AnsiSameText(S, Name); });
}

std::string Joined(const std::vector<std::string>& List) {
  std::string Text;
  for (const std::string& S : List) Text += (Text.empty() ? "" : ", ") + S;
  return Text;
}

// Undoes everything the dry run did, on every way out: the check's own
// transaction, or a savepoint in one already open.
class TDryRunTransaction {
 public:
  explicit TDryRunTransaction(TVNServerConnection& Connection)
      : FConnection(Connection), FNested(Connection.InTransaction()) {
    FConnection.ExecuteStatement(FNested ? "SAVEPOINT vn_check" : "BEGIN", {});
  }
  ~TDryRunTransaction() {
    if (!FConnection.Connected()) return;
    try {
      FConnection.ExecuteStatement(FNested ? "ROLLBACK TO SAVEPOINT vn_check" : "ROLLBACK", {});
      if (FNested) FConnection.ExecuteStatement("RELEASE SAVEPOINT vn_check", {});
    } catch (const EDatabaseError&) {
      // A connection that fails here has lost the transaction with it.
    }
  }
  TDryRunTransaction(const TDryRunTransaction&) = delete;
  TDryRunTransaction& operator=(const TDryRunTransaction&) = delete;

 private:
  TVNServerConnection& FConnection;
  bool FNested;
};

class TUpdateChecker {
 public:
  TUpdateChecker(TVNUpdateSQL& Update, TVNDataSet& DataSet, TVNServerConnection& Connection,
                 std::vector<TVNUpdateCheckFinding>& Findings)
      : FUpdate(Update), FDataSet(DataSet), FConnection(Connection), FFindings(Findings) {}

  void Run(TVNUpdateCheckMode Mode) {
    ReadDataSetFields();
    for (int Kind = ukRefresh; Kind <= ukDelete; ++Kind) CheckStatement(static_cast<TVNUpdateKind>(Kind));
    CheckUnwrittenFields();
    if (Mode == cmDryRun) DryRun();
  }

 private:
  struct TStatement {
    std::string Text;      // as the update object holds it
    std::string Prepared;  // :name parameters as ?
    std::vector<std::string> Params;  // in order of occurrence
    std::optional<TStatementShape> Shape;
    bool Compiles = false;
  };

  void Add(TVNUpdateKind Kind, const std::string& Reason) { FFindings.push_back({KindNames[Kind], Reason}); }
  void Note(TVNUpdateKind Kind, const std::string& Reason) { FFindings.push_back({KindNames[Kind], Reason, true}); }
  // Database errors are findings; a lost connection ends the check.
  template <class F>
  bool Try(TVNUpdateKind Kind, const std::string& What, F&& Action) {
    try {
      Action();
      return true;
    } catch (const EDatabaseError& E) {
      if (!FConnection.Connected()) throw;
      Add(Kind, What + E.Message());
      return false;
    }
  }

  void ReadDataSetFields() {
    std::vector<TVNFieldOrigin> Origins;
    if (auto* Query = dynamic_cast<TVNQuery*>(&FDataSet)) {
      const auto* Macro = dynamic_cast<TVNMacroQuery*>(Query);
      const std::string SQL = Macro ? ExpandMacrosLeniently(*Macro, Query->SQL().Text()) : Query->SQL().Text();
      TParams Occurrences(nullptr);
      try {
        Origins = FConnection.FieldOrigins(Occurrences.ParseSQL(SQL, false));
      } catch (const EDatabaseError& E) {
        if (!FConnection.Connected()) throw;
        FFindings.push_back({"DataSet", FDataSet.Name() + "'s SQL does not compile: " + E.Message()});
        return;
      }
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

  void CheckStatement(TVNUpdateKind Kind) {
    TStatement& S = FStatements[Kind];
    S.Text = FUpdate.GetSQLIndex(Kind).Text();
    if (HoldsNoStatement(S.Text)) return;
    TParams Found(nullptr);
    S.Prepared = Found.ParseSQL(S.Text, true);
    for (int I = 0; I < Found.Count(); ++I)
      if (!Contains(S.Params, Found.Items(I)->Name())) S.Params.push_back(Found.Items(I)->Name());
    S.Compiles = Try(Kind, "does not compile: ", [&] { FConnection.PrepareOnly(S.Prepared); });
    S.Shape = ReadShape(S.Text, Kind);

    for (const std::string& Param : S.Params)
      if (FFieldsKnown && FindField(FieldOfParam(Param)) == nullptr)
        Add(Kind, "parameter :" + Param + " is filled by no field of " + FDataSet.Name() +
                      (FieldOfParam(Param) != Param ? " (no field " + FieldOfParam(Param) + ")" : ""));
    if (!S.Shape || S.Shape->TableText.empty()) {
      Note(Kind, "the table the statement writes could not be read from it: key and column checks and the dry run skip it");
      S.Shape.reset();
      return;
    }
    if (FTarget.empty()) FTarget = S.Shape->TableText;
    const auto Columns = FConnection.ColumnDetails(S.Shape->TableText);
    if (!Columns) return;  // the server's own message says so
    CheckQuoting(Kind, *S.Shape, *Columns);
    for (const std::string& Name : S.Shape->Written)
      for (const TVNColumnDetails& Column : *Columns)
        if (AnsiSameText(Column.Name, Name) && !Column.Writable)
          Add(Kind, "column " + Column.Name + " cannot be written (generated or computed)");
    if (Kind != ukInsert) CheckKey(Kind, *S.Shape, *Columns);
  }

  void CheckKey(TVNUpdateKind Kind, const TStatementShape& Shape, const std::vector<TVNColumnDetails>& Columns) {
    const std::vector<std::string>& Key = Shape.KeyColumns;
    if (Key.empty()) {
      Add(Kind, "no key: no WHERE condition compares a column with a parameter, so every row would match");
      return;
    }
    // Unique when the columns of some unique index are all among the key's.
    std::map<std::string, std::vector<std::string>> Unique;
    if (const auto Indexes = FConnection.IndexSchema(Shape.TableText))
      for (const TVNIndexSchemaRow& Row : *Indexes)
        if (Row.IndexType && (*Row.IndexType & (itPrimary | itUnique)) != 0) Unique[Row.IndexName].push_back(Row.ColumnName);
    const bool IsUnique = std::any_of(Unique.begin(), Unique.end(), [&](const auto& Index) {
      return std::all_of(Index.second.begin(), Index.second.end(), [&](const std::string& C) { return !C.empty() && Contains(Key, C); });
    });
    if (!IsUnique)
      Add(Kind, "key (" + Joined(Key) + ") is not unique: no primary key or unique index covers it");
    for (const TVNColumnDetails& Column : Columns) {
      if (!Contains(Key, Column.Name)) continue;
      if (Column.Nullable) Add(Kind, "key column " + Column.Name + " allows NULL, which \"= :parameter\" never matches");
      if (Column.FloatingPoint)
        Add(Kind, "key column " + Column.Name + " is floating-point: a value read back may not compare equal");
    }
  }

  // The server folds bare names to lower case: a bare word naming a column (or
  // the table) whose catalog name has capitals reaches another name.
  void CheckQuoting(TVNUpdateKind Kind, const TStatementShape& Shape, const std::vector<TVNColumnDetails>& Columns) {
    if (FConnection.ServerType() != stPostgreSQL) return;
    std::vector<std::string> Names;
    for (const TVNColumnDetails& Column : Columns) Names.push_back(Column.Name);
    for (const std::string& Table : FConnection.TableNames("", tsUserTables)) Names.push_back(BareTableName(Table));
    std::set<std::string> Reported;
    for (const TSQLToken& Word : Shape.BareNames) {
      const std::string Folded = LowerCase(Word.Text);
      for (const std::string& Name : Names)
        if (Name != Folded && LowerCase(Name) == Folded && Reported.insert(Name).second)
          Add(Kind, "identifier " + Word.Text + " must be quoted as \"" + Name + "\": unquoted, the server reads " + Folded);
    }
  }

  void CheckUnwrittenFields() {
    if (!FFieldsKnown || FTarget.empty()) return;
    const TStatement& Modify = FStatements[ukModify];
    const TStatement& Insert = FStatements[ukInsert];
    if (Modify.Text.empty() && Insert.Text.empty()) return;
    std::vector<std::string> Writable;
    if (const auto Columns = FConnection.ColumnDetails(FTarget))
      for (const TVNColumnDetails& Column : *Columns)
        if (Column.Writable) Writable.push_back(Column.Name);
    for (const TDataSetField& Field : FFields) {
      if (!FromTarget(Field) || !Contains(Writable, Field.Column)) continue;
      const bool Written = Contains(Modify.Params, Field.Name) || Contains(Insert.Params, Field.Name);
      if (!Written)
        Add(Modify.Text.empty() ? ukInsert : ukModify,
            "field " + Field.Name + " (" + Field.Table + "." + Field.Column + ") is written by no statement");
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

  std::optional<std::vector<Variant>> Values(TVNUpdateKind Kind, const std::map<std::string, Variant>& Row) {
    // The prepared text has one ? per occurrence, in order.
    TParams Occurrences(nullptr);
    Occurrences.ParseSQL(FStatements[Kind].Text, true);
    std::vector<Variant> Result;
    for (int I = 0; I < Occurrences.Count(); ++I) {
      const std::string& Param = Occurrences.Items(I)->Name();
      const auto Value = ColumnValue(Row, Param);
      if (!Value) {
        Note(Kind, "dry run skipped: no column of " + FTarget + " gives parameter :" + Param);
        return std::nullopt;
      }
      Result.push_back(*Value);
    }
    return Result;
  }

  void ExpectOne(TVNUpdateKind Kind, std::size_t Count) {
    if (Count != 1)
      Add(Kind, Format("dry run affected %d rows instead of exactly one", {static_cast<int>(Count)}));
  }

  void DryRun() {
    for (const TStatement& S : FStatements)
      if (!S.Text.empty() && (!S.Compiles || !S.Shape)) return;  // the findings above say why
    if (FTarget.empty()) return;
    TDryRunTransaction Transaction(FConnection);
    TVNResultSet Sample = FConnection.OpenQuery("SELECT * FROM " + FTarget + " LIMIT 1", {});
    if (Sample.Rows.empty()) {
      FFindings.push_back({"DataSet", "dry run skipped: " + FTarget + " has no row to try the statements on", true});
      return;
    }
    std::map<std::string, Variant> Row;
    for (std::size_t I = 0; I < Sample.Columns.size(); ++I) Row.emplace(Upper(Sample.Columns[I].Name), Sample.Rows[0][I]);

    for (const TVNUpdateKind Kind : {ukRefresh, ukModify, ukDelete, ukInsert}) {
      const TStatement& S = FStatements[Kind];
      if (S.Text.empty()) continue;
      std::map<std::string, Variant> Input = Row;
      if (Kind == ukInsert && !FreshKey(Input)) continue;
      const auto Bound = Values(Kind, Input);
      if (!Bound) continue;
      // Each statement starts from the row as it was.
      FConnection.ExecuteStatement("SAVEPOINT vn_check_statement", {});
      Try(Kind, "dry run failed: ", [&] {
        if (Kind == ukRefresh)
          ExpectOne(Kind, FConnection.OpenQuery(S.Prepared, *Bound).Rows.size());
        else
          ExpectOne(Kind, static_cast<std::size_t>(FConnection.ExecuteStatement(S.Prepared, *Bound)));
      });
      FConnection.ExecuteStatement("ROLLBACK TO SAVEPOINT vn_check_statement", {});
    }
  }

  // The row's values with every unique index the insert writes given a value
  // no row has: one column per index, an integer one past the largest, a text
  // one of the same length with "~~" in front. False (with a note) when some
  // index has no such column.
  bool FreshKey(std::map<std::string, Variant>& Row) {
    const std::vector<std::string>& Written = FStatements[ukInsert].Shape->Written;
    std::map<std::string, std::vector<std::string>> Unique;
    if (const auto Indexes = FConnection.IndexSchema(FTarget))
      for (const TVNIndexSchemaRow& Index : *Indexes)
        if (Index.IndexType && (*Index.IndexType & (itPrimary | itUnique)) != 0)
          Unique[Index.IndexName].push_back(Index.ColumnName);
    for (const auto& [Name, Columns] : Unique) {
      if (!std::all_of(Columns.begin(), Columns.end(), [&](const std::string& C) { return Contains(Written, C); }))
        continue;  // the server fills the rest (a serial key, a default)
      bool Fresh = false;
      for (const std::string& Column : Columns) {
        Variant& Value = Row[Upper(Column)];
        if (Value.VarType() == varInt64) {
          const TVNResultSet Max = FConnection.OpenQuery("SELECT max(" + QuoteIdentifier(Column, true) + ") FROM " + FTarget, {});
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
        Note(ukInsert, "dry run skipped: no column of " + Name + " can take a fresh value");
        return false;
      }
    }
    return true;
  }

  TVNUpdateSQL& FUpdate;
  TVNDataSet& FDataSet;
  TVNServerConnection& FConnection;
  std::vector<TVNUpdateCheckFinding>& FFindings;
  std::vector<TDataSetField> FFields;
  bool FFieldsKnown = false;
  std::string FTarget;  // the table as the first statement that names one writes it
  TStatement FStatements[4];
};

}  // namespace

void Vncheck_CheckUpdateObject(TComponent& UpdateObject, TVNUpdateCheckMode Mode,
                               std::vector<TVNUpdateCheckFinding>& Findings) {
  auto* Update = dynamic_cast<TVNUpdateSQL*>(&UpdateObject);
  if (Update == nullptr)
    throw EDatabaseError(Format("%s is a %s, not a TVNUpdateSQL", {UpdateObject.Name(), UpdateObject.ClassName()}));
  TVNDataSet* DataSet = Update->DataSet();
  if (DataSet == nullptr) {
    Findings.push_back({"DataSet", "no dataset uses " + Update->Name() + " as its UpdateObject"});
    return;
  }
  // Read only unless the statements are to run: a plain check cannot change anything.
  const auto Connection = ConnectDataSetDatabase(*DataSet, Mode == cmDryRun ? caReadWrite : caReadOnly);
  TUpdateChecker(*Update, *DataSet, *Connection, Findings).Run(Mode);
}
