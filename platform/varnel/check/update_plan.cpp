// The inputs the UpdateSQL editor should be given for an update object's
// statements to fit its dataset and table (unit Vncheck).
#include <algorithm>
#include <map>

#include "design_catalog.h"
#include "field_info.h"
#include "name_lists.h"
#include "query_text.h"
#include "rtl/DB.h"
#include "rtl/SysUtils.h"
#include "sql_tokenizer.h"
#include "varnel/Vncheck.h"
#include "varnel/Vncommon.h"
#include "varnel/Vnengine.h"

namespace {

std::string BareName(const std::string& Text) {
  if (const auto Parts = SplitObjectName(Text)) return Parts->Name;
  return Text;
}

// A name the server reads as written only in quotes: not a plain identifier,
// or (PostgreSQL) one with capitals, which the server folds.
bool NeedsQuotes(const std::string& Name, TVNServerType Server) {
  if (Name.empty() || !(std::isalpha(static_cast<unsigned char>(Name[0])) || Name[0] == '_')) return true;
  for (const char C : Name) {
    if (!(std::isalnum(static_cast<unsigned char>(C)) || C == '_')) return true;
    if (Server == stPostgreSQL && C >= 'A' && C <= 'Z') return true;
  }
  return false;
}

void Plan(TVNUpdateSQL& Update, TVNUpdatePlan& Result) {
  auto* Query = dynamic_cast<TVNQuery*>(Update.DataSet());
  if (Query == nullptr) {
    Result.Why = "only a query's update statements are planned";
    return;
  }
  const auto Connection = ConnectDataSetDatabase(*Query, caReadOnly);
  const auto* Macro = dynamic_cast<TVNMacroQuery*>(Query);
  const std::string SQL = Macro ? ExpandMacrosLeniently(*Macro, Query->SQL().Text()) : Query->SQL().Text();
  TParams Occurrences(nullptr);
  std::vector<TVNFieldOrigin> Origins;
  try {
    Connection->GuardStatements(true);
    Origins = Connection->FieldOrigins(Occurrences.ParseSQL(SQL, false));
    Connection->GuardStatements(false);
  } catch (const EDatabaseError& E) {
    if (!Connection->Connected()) throw;
    Result.Why = Query->Name() + "'s SQL does not compile: " + E.Message();
    return;
  }
  std::vector<std::string> Tables;
  for (const TVNFieldOrigin& Origin : Origins)
    if (!Origin.TableName.empty() && !ContainsName(Tables, BareName(Origin.TableName))) Tables.push_back(BareName(Origin.TableName));
  if (Tables.empty()) {
    Result.Why = Query->Name() + " selects no column of a table";
    return;
  }
  if (Tables.size() > 1) {
    Result.Why = Query->Name() + " selects columns of several tables (" + JoinedNames(Tables) +
                 "): which one the statements write is the person's choice";
    return;
  }
  // The columns of a view have the origins of its tables: the relation the
  // query reads is what its statements would have to write.
  std::vector<std::string> Read{Tables.front()};
  if (const auto Select = ReadSelectOffline(SQL, Connection->ServerType()))
    for (const TVNSelectTable& Table : Select->Tables) Read.push_back(Table.TableName);
  for (const std::string& Relation : Read)
    if (Connection->RelationKind(Relation) == rkView) {
      Result.Why = Relation + " is a view: statements that write it fail";
      return;
    }
  Result.Table = Tables.front();
  const auto Columns = Connection->ColumnDetails(Result.Table);
  if (!Columns) {
    Result.Why = "no table " + Result.Table;
    return;
  }
  // The editor is driven by its own script: a name that holds a line break
  // (or any control character) could not be named there, and could add lines.
  const auto Unnamable = [](const std::string& Name) {
    return std::any_of(Name.begin(), Name.end(), [](char C) { return static_cast<unsigned char>(C) < 0x20 || C == 0x7F; });
  };
  for (const TVNColumnDetails& Column : *Columns)
    if (Unnamable(Column.Name) || Unnamable(Result.Table)) {
      Result.Why = Result.Table + " has a name with a control character in it, which the editor's lists cannot be driven to";
      return;
    }
  std::vector<std::string> Selected;
  for (const TVNFieldOrigin& Origin : Origins)
    if (AnsiSameText(BareName(Origin.TableName), Result.Table)) Selected.push_back(Origin.ColumnName);
  for (const TVNColumnDetails& Column : *Columns) {
    Result.Columns.push_back(Column.Name);
    if (Column.Writable && ContainsName(Selected, Column.Name)) Result.UpdateFields.push_back(Column.Name);
  }
  // The primary key, else the first unique index none of whose columns allows
  // NULL: a unique index holds any number of rows with NULL in it.
  std::vector<std::string> Primary;
  std::map<std::string, std::vector<std::string>> Unique;
  std::vector<std::string> UniqueOrder;
  if (const auto Indexes = Connection->IndexSchema(Result.Table))
    for (const TVNIndexSchemaRow& Row : *Indexes) {
      if (!Row.IndexType) continue;
      if ((*Row.IndexType & itPrimary) != 0) {
        Primary.push_back(Row.ColumnName);
      } else if ((*Row.IndexType & itUnique) != 0) {
        if (!Unique.contains(Row.IndexName)) UniqueOrder.push_back(Row.IndexName);
        Unique[Row.IndexName].push_back(Row.ColumnName);
      }
    }
  const auto AllowsNull = [&](const std::string& Name) {
    return Name.empty() || std::any_of(Columns->begin(), Columns->end(), [&](const TVNColumnDetails& C) {
             return C.Nullable && AnsiSameText(C.Name, Name);
           });
  };
  Result.KeyFields = Primary;
  for (const std::string& Name : UniqueOrder) {
    if (!Result.KeyFields.empty()) break;
    const std::vector<std::string>& Key = Unique[Name];
    if (std::none_of(Key.begin(), Key.end(), AllowsNull)) Result.KeyFields = Key;
  }
  if (Result.KeyFields.empty()) {
    Result.Why = Result.Table + " has no primary key or unique index: no statement can name exactly one row";
    return;
  }
  std::vector<std::string> Missing;
  for (const std::string& Key : Result.KeyFields)
    if (!ContainsName(Selected, Key)) Missing.push_back(Key);
  if (!Missing.empty()) {
    Result.Why = Query->Name() + " does not select the key column(s) " + JoinedNames(Missing) + " of " + Result.Table;
    return;
  }
  const TVNServerType Server = Connection->ServerType();
  Result.QuoteNames = NeedsQuotes(Result.Table, Server) ||
                      std::any_of(Result.Columns.begin(), Result.Columns.end(),
                                  [&](const std::string& C) { return NeedsQuotes(C, Server); });
}

}  // namespace

void Vncheck_PlanUpdateStatements(TComponent& UpdateObject, TVNUpdatePlan& Result) {
  auto* Update = dynamic_cast<TVNUpdateSQL*>(&UpdateObject);
  if (Update == nullptr)
    throw EDatabaseError(Format("%s is a %s, not a TVNUpdateSQL", {UpdateObject.Name(), UpdateObject.ClassName()}));
  if (Update->DataSet() == nullptr) {
    Result.Why = "no dataset uses " + Update->Name() + " as its UpdateObject";
    return;
  }
  Plan(*Update, Result);
}
