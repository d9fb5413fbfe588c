#include "pg_select_parser.h"

#include <pg_query.h>

#include <nlohmann/json.hpp>

#include "rtl/DB.h"
#include "sql_tokenizer.h"

namespace {

using json = nlohmann::json;

// One item of the top-level FROM clause.
struct TPgFromItem {
  std::string Alias, Schema, Relation;
  bool IsTable = false;
  std::string Name() const { return Alias.empty() ? Relation : Alias; }
};

const json* Child(const json& Node, const char* Key) {
  const auto It = Node.find(Key);
  return It == Node.end() ? nullptr : &*It;
}

std::string Text(const json& Node, const char* Key) {
  const json* Value = Child(Node, Key);
  return Value != nullptr && Value->is_string() ? Value->get<std::string>() : std::string();
}

void CollectFrom(const json& Node, const std::vector<std::string>& Ctes, std::vector<TPgFromItem>& From) {
  if (const json* Range = Child(Node, "RangeVar")) {
    TPgFromItem Item;
    Item.Schema = Text(*Range, "schemaname");
    Item.Relation = Text(*Range, "relname");
    if (const json* Alias = Child(*Range, "alias")) Item.Alias = Text(*Alias, "aliasname");
    Item.IsTable = !(Item.Schema.empty() && std::find(Ctes.begin(), Ctes.end(), Item.Relation) != Ctes.end());
    From.push_back(std::move(Item));
  } else if (const json* Join = Child(Node, "JoinExpr")) {
    if (const json* Left = Child(*Join, "larg")) CollectFrom(*Left, Ctes, From);
    if (const json* Right = Child(*Join, "rarg")) CollectFrom(*Right, Ctes, From);
  } else {
    // A subquery or a function: rows under an alias, but no table.
    TPgFromItem Item;
    for (const auto& [Kind, Body] : Node.items())
      if (const json* Alias = Child(Body, "alias")) Item.Alias = Text(*Alias, "aliasname");
    From.push_back(std::move(Item));
  }
}

std::vector<std::string> NameParts(const json& Fields) {
  std::vector<std::string> Parts;
  for (const json& Field : Fields) {
    const json* String = Child(Field, "String");
    Parts.push_back(String != nullptr ? Text(*String, "sval") : std::string("*"));
  }
  return Parts;
}

std::string LastPart(const json& Fields) {
  const std::vector<std::string> Parts = NameParts(Fields);
  return Parts.empty() ? "?column?" : Parts.back();
}

// The name the server gives a result column without an alias.
std::string ColumnName(const json& Value) {
  if (const json* Ref = Child(Value, "ColumnRef")) return LastPart(Ref->at("fields"));
  if (const json* Call = Child(Value, "FuncCall")) return LastPart(Call->at("funcname"));
  if (const json* Cast = Child(Value, "TypeCast")) {
    const std::string Inner = ColumnName(Cast->at("arg"));
    return Inner != "?column?" ? Inner : LastPart(Cast->at("typeName").at("names"));
  }
  return "?column?";
}

const TPgFromItem* FindItem(const std::vector<TPgFromItem>& From, const std::vector<std::string>& Parts) {
  if (Parts.size() == 1) return From.size() == 1 ? &From.front() : nullptr;
  for (const TPgFromItem& Item : From) {
    if (Parts.size() == 2 && Item.Name() == Parts[0]) return &Item;
    if (Parts.size() == 3 && Item.IsTable && Item.Alias.empty() && Item.Relation == Parts[1] &&
        (Item.Schema.empty() || Item.Schema == Parts[0]))
      return &Item;
  }
  return nullptr;
}

TVNSelectInfo ReadSelect(std::string_view SQL) {
  const json Tree = ParsePgTree(SQL);
  const json& Statements = Tree.at("stmts");
  if (Statements.size() != 1) throw EDatabaseError("Not one SQL statement");
  const json* Select = Child(Statements[0].at("stmt"), "SelectStmt");
  if (Select == nullptr) throw EDatabaseError("Not a SELECT statement");

  std::vector<std::string> Ctes;
  if (const json* With = Child(*Select, "withClause"))
    for (const json& Cte : With->at("ctes")) Ctes.push_back(Text(Cte.at("CommonTableExpr"), "ctename"));
  // A compound select takes its columns from its first part.
  while (Text(*Select, "op") != "SETOP_NONE" && Child(*Select, "larg") != nullptr) Select = Child(*Select, "larg");

  std::vector<TPgFromItem> From;
  if (const json* Items = Child(*Select, "fromClause"))
    for (const json& Item : *Items) CollectFrom(Item, Ctes, From);

  TVNSelectInfo Info;
  if (const json* Targets = Child(*Select, "targetList")) {
    for (const json& Target : *Targets) {
      const json& Res = Target.at("ResTarget");
      const json& Value = Res.at("val");
      const json* Ref = Child(Value, "ColumnRef");
      std::vector<std::string> Parts;
      if (Ref != nullptr) {
        Parts = NameParts(Ref->at("fields"));
        if (Parts.empty() || Parts.back() == "*") continue;  // expanded only by the server
      }
      TVNFieldOrigin Field{Text(Res, "name"), "", ""};
      if (Field.Name.empty()) Field.Name = ColumnName(Value);
      if (const TPgFromItem* Item = Ref != nullptr ? FindItem(From, Parts) : nullptr; Item && Item->IsTable) {
        Field.TableName = Item->Schema.empty() ? Item->Relation : Item->Schema + "." + Item->Relation;
        Field.ColumnName = Parts.back();
      }
      Info.Fields.push_back(std::move(Field));
    }
  }
  for (const TPgFromItem& Item : From)
    if (Item.IsTable) Info.Tables.push_back({Item.Name(), Item.Schema.empty() ? Item.Relation : Item.Schema + "." + Item.Relation});
  return Info;
}

}  // namespace

json ParsePgTree(std::string_view SQL) {
  const std::string Statement(SQL);
  PgQueryParseResult Parsed = pg_query_parse(Statement.c_str());
  struct TFree {
    PgQueryParseResult& R;
    ~TFree() { pg_query_free_parse_result(R); }
  } Free{Parsed};
  if (Parsed.error != nullptr) {
    std::string Message = Parsed.error->message;
    if (Parsed.error->cursorpos > 0)
      Message += " at " + DescribeSQLPosition(SQL, std::min<std::size_t>(static_cast<std::size_t>(Parsed.error->cursorpos - 1), SQL.size()));
    throw EDatabaseError(Message);
  }
  return json::parse(Parsed.parse_tree);
}

TVNSelectInfo ParsePgSelect(std::string_view SQL) {
  try {
    return ReadSelect(SQL);
  } catch (const json::exception& E) {
    // A tree of a shape this reader does not know.
    throw EDatabaseError(std::string("Cannot read the statement's parse tree: ") + E.what());
  }
}
