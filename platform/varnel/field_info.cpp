#include "field_info.h"

#include <optional>
#include <unordered_map>
#include <vector>

#include "dataset_loading.h"
#include "rtl/Classes.h"
#include "rtl/DB.h"
#include "rtl/SysUtils.h"
#include "pg_backend.h"
#include "sql_tokenizer.h"
#include "select_parser.h"
#include "server_connection.h"

namespace {

// Groups the refill of one list into a single change.
class TUpdateGuard {
 public:
  explicit TUpdateGuard(TStrings& List) : FList(List) { FList.BeginUpdate(); }
  ~TUpdateGuard() { FList.EndUpdate(); }
  TUpdateGuard(const TUpdateGuard&) = delete;
  TUpdateGuard& operator=(const TUpdateGuard&) = delete;

 private:
  TStrings& FList;
};

void Fill(TStrings& List, const std::vector<std::string>& Lines) {
  TUpdateGuard Guard(List);
  List.Clear();
  for (const std::string& Line : Lines) List.Add(Line);
}

}  // namespace

std::optional<TVNSelectInfo> ReadSelectOffline(const std::string& SQL, TVNServerType Dialect) {
  try {
    if (Dialect == stPostgreSQL) {
      // Parsed as the server would receive it, :name parameters as $n.
      TParams Occurrences(nullptr);
      int Count = 0;
      return PgBackend().ParseSelect(NumberPgPlaceholders(Occurrences.ParseSQL(SQL, false), Count));
    }
    return ParseSelect(SQL);
  } catch (const EVNBackendMissing&) {
    throw;
  } catch (const EDatabaseError&) {
    return std::nullopt;
  }
}

namespace {

// The origins as the server reports them; none when it cannot compile SQL.
std::vector<TVNFieldOrigin> CompiledOrigins(TVNServerConnection& Catalog, const std::string& SQL) {
  try {
    // Compiled as the dataset sends it: its :name parameters become "?".
    TParams Occurrences(nullptr);
    return Catalog.FieldOrigins(Occurrences.ParseSQL(SQL, false));
  } catch (const EDatabaseError&) {
    return {};
  }
}

// The server names a column's table as its catalog spells it; the FROM clause
// may spell it otherwise ("ORDERS" for "orders"), and name its schema where
// the server leaves it out. Table names compare in ASCII case.
void SpellTablesAsWritten(std::vector<TVNFieldOrigin>& Origins, const std::vector<TVNSelectTable>& Tables) {
  std::unordered_map<std::string, const std::string*> Written;
  for (const TVNSelectTable& Table : Tables) Written.try_emplace(UpperCase(Table.TableName), &Table.TableName);
  for (const TVNSelectTable& Table : Tables)
    if (const std::size_t Dot = Table.TableName.rfind('.'); Dot != std::string::npos)
      Written.try_emplace(UpperCase(Table.TableName.substr(Dot + 1)), &Table.TableName);
  for (TVNFieldOrigin& Origin : Origins) {
    if (Origin.TableName.empty()) continue;
    const auto It = Written.find(UpperCase(Origin.TableName));
    if (It != Written.end()) Origin.TableName = *It->second;
  }
}

// Without a parsed FROM clause, the tables the fields come from, in order.
std::vector<TVNSelectTable> TablesOfOrigins(const std::vector<TVNFieldOrigin>& Origins) {
  std::vector<TVNSelectTable> Tables;
  std::unordered_map<std::string, bool> Seen;
  for (const TVNFieldOrigin& Origin : Origins)
    if (!Origin.TableName.empty() && Seen.try_emplace(UpperCase(Origin.TableName), true).second)
      Tables.push_back({Origin.TableName, Origin.TableName});
  return Tables;
}

}  // namespace

void ParseFieldInfo(TVNServerConnection* Catalog, const std::string& SQL, TStrings* Fields, TStrings* Tables,
                    TVNServerType Dialect) {
  const bool FromCatalog = Catalog != nullptr && Catalog->Connected();
  if (FromCatalog) Dialect = Catalog->ServerType();
  std::optional<TVNSelectInfo> Parsed = ReadSelectOffline(SQL, Dialect);
  std::vector<TVNFieldOrigin> Origins;
  std::vector<TVNSelectTable> TableList;
  if (Parsed) TableList = std::move(Parsed->Tables);
  if (FromCatalog) {
    Origins = CompiledOrigins(*Catalog, SQL);
    if (Parsed)
      SpellTablesAsWritten(Origins, TableList);
    else
      TableList = TablesOfOrigins(Origins);
  } else if (Parsed) {
    Origins = std::move(Parsed->Fields);
  }

  if (Fields) {
    std::vector<std::string> Columns;
    Columns.reserve(Origins.size());
    for (const TVNFieldOrigin& Field : Origins) Columns.push_back(Field.Name);
    const std::vector<std::string> Names = DataSetFieldNames(Columns);
    std::vector<std::string> Lines;
    Lines.reserve(Origins.size());
    for (std::size_t I = 0; I < Origins.size(); ++I) {
      // The list's reader takes the text up to the first "=" as the name: a
      // field named "qty = 1" (SQLite names an expression by its text) would
      // read as a field "qty " of the table. Such a name cannot be written in
      // this form at all, and the field is no column of a table, so it is left
      // out rather than renamed into something the dataset does not have.
      if (Names[I].find('=') != std::string::npos) continue;
      const TVNFieldOrigin& Field = Origins[I];
      const bool HasOrigin = !Field.TableName.empty() && !Field.ColumnName.empty();
      Lines.push_back(Names[I] + "=" + (HasOrigin ? Field.TableName + "." + Field.ColumnName : ""));
    }
    Fill(*Fields, Lines);
  }
  if (Tables) {
    std::vector<std::string> Lines;
    Lines.reserve(TableList.size());
    for (const TVNSelectTable& Table : TableList) Lines.push_back(Table.Name + "=" + Table.TableName);
    Fill(*Tables, Lines);
  }
}
