#include "select_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>

#include "rtl/DB.h"
#include "sql_tokenizer.h"

std::ostream& operator<<(std::ostream& Out, const TVNFieldOrigin& F) {
  return Out << "{" << F.Name << " = " << F.TableName << "." << F.ColumnName << "}";
}
std::ostream& operator<<(std::ostream& Out, const TVNSelectTable& T) {
  return Out << "{" << T.Name << " = " << T.TableName << "}";
}

namespace {

using Fields = std::vector<TVNFieldOrigin>;
using Tables = std::vector<TVNSelectTable>;

std::string ErrorOf(const std::string& SQL) {
  try {
    ParseSelect(SQL);
  } catch (const EDatabaseError& E) {
    return E.Message();
  }
  return "no error";
}

TEST(SelectParser, AliasesWithAndWithoutAsAndQuotedNames) {
  auto Info = ParseSelect(
      "SELECT id, name AS \"Full \"\"Name\"\"\", [order] o, `select` AS 'kw', \"t\".\"c\" FROM Customers");
  EXPECT_EQ(Info.Fields, (Fields{{"id", "Customers", "id"},
                                 {"Full \"Name\"", "Customers", "name"},
                                 {"o", "Customers", "order"},
                                 {"kw", "Customers", "select"},
                                 {"c", "", ""}}));  // t is not in FROM: no guess
  EXPECT_EQ(Info.Tables, (Tables{{"Customers", "Customers"}}));
}

TEST(SelectParser, QualifiedColumnsResolveThroughTableAliases) {
  auto Info = ParseSelect(
      "select c.name, o.total, main.items.qty, qty, x.y from main.customers as c, orders o "
      "join items using (order_id)");
  EXPECT_EQ(Info.Fields, (Fields{{"name", "customers", "name"},
                                 {"total", "orders", "total"},
                                 {"qty", "items", "qty"},
                                 {"qty", "", ""},  // several tables: unqualified has no origin
                                 {"y", "", ""}}));
  EXPECT_EQ(Info.Tables, (Tables{{"c", "customers"}, {"o", "orders"}, {"items", "items"}}));
  // With an alias the table's own name no longer names it, as in SQLite.
  EXPECT_EQ(ParseSelect("SELECT orders.total FROM orders o").Fields, (Fields{{"total", "", ""}}));
}

TEST(SelectParser, EveryJoinFormKeepsItsTables) {
  auto Info = ParseSelect(
      "SELECT 1 FROM a NATURAL JOIN b LEFT OUTER JOIN c ON c.id = b.id AND (c.k IN (1, 2)) "
      "RIGHT JOIN d ON 1 FULL JOIN e USING (k, m) CROSS JOIN f INNER JOIN g ON g.x = f.x "
      "LEFT JOIN (h JOIN i ON h.a = i.a) ON 1 JOIN j NOT INDEXED, k INDEXED BY k_idx");
  std::vector<std::string> Names;
  for (const auto& T : Info.Tables) Names.push_back(T.Name);
  EXPECT_THAT(Names, testing::ElementsAre("a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"));
  EXPECT_EQ(Info.Fields, (Fields{{"1", "", ""}}));
}

TEST(SelectParser, ExpressionsAndSubqueriesHaveNoOrigin) {
  auto Info = ParseSelect(
      "SELECT DISTINCT price * qty, count(*) AS n, upper(t.name) u, (SELECT max(id) FROM other) m, "
      "CASE WHEN a BETWEEN 1 AND 2 THEN 'x' ELSE 'y' END AS c, CAST(a AS VARCHAR(10)) ca, -a, "
      "a COLLATE NOCASE, (a), x'0AFF', :p, a IS NOT NULL, -NOT a = 1, t.* , * "
      "FROM t");
  EXPECT_EQ(Info.Fields, (Fields{{"price * qty", "", ""},
                                 {"n", "", ""},
                                 {"u", "", ""},
                                 {"m", "", ""},
                                 {"c", "", ""},
                                 {"ca", "", ""},
                                 {"-a", "", ""},
                                 {"a COLLATE NOCASE", "", ""},
                                 {"a", "t", "a"},  // parentheses hide neither the column nor its name
                                 {"x'0AFF'", "", ""},
                                 {":p", "", ""},
                                 {"a IS NOT NULL", "", ""},
                                 {"-NOT a = 1", "", ""}}));
  EXPECT_EQ(Info.Tables, (Tables{{"t", "t"}}));
}

TEST(SelectParser, DerivedTablesAndCommonTableExpressionsAreNotTables) {
  auto Info = ParseSelect(
      "WITH recent(id) AS (SELECT id FROM orders WHERE d > '2020') "
      "SELECT d.total, r.id, id FROM (SELECT total FROM orders) AS d, recent r, customers c, json_each(c.tags) j");
  EXPECT_EQ(Info.Fields, (Fields{{"total", "", ""}, {"id", "", ""}, {"id", "", ""}}));
  EXPECT_EQ(Info.Tables, (Tables{{"c", "customers"}}));
  EXPECT_EQ(ParseSelect("SELECT x FROM (SELECT 1 AS x)").Fields, (Fields{{"x", "", ""}}));
}

TEST(SelectParser, ClausesAfterFromAreSkippedCorrectly) {
  auto Info = ParseSelect(
      "SELECT a /* FROM fake */, b -- , c FROM fake\n"
      "FROM t WHERE (a = ')' OR (b IN (SELECT b FROM u WHERE (c > 1)))) AND d LIKE 'x%' ESCAPE '\\' "
      "GROUP BY a, (b) HAVING count(*) FILTER (WHERE b > 0) > 1 "
      "WINDOW w AS (PARTITION BY a ORDER BY b ROWS BETWEEN 1 PRECEDING AND CURRENT ROW) "
      "UNION ALL SELECT x, y FROM v EXCEPT VALUES (1, 2) ORDER BY 1 DESC NULLS LAST LIMIT 10 OFFSET (2);");
  EXPECT_EQ(Info.Fields, (Fields{{"a", "t", "a"}, {"b", "t", "b"}}));
  EXPECT_EQ(Info.Tables, (Tables{{"t", "t"}}));  // only the first SELECT's FROM
  EXPECT_EQ(ParseSelect("SELECT sum(a) OVER (PARTITION BY b) s, a FROM t LIMIT 5, 10").Fields,
            (Fields{{"s", "", ""}, {"a", "t", "a"}}));
  // WINDOW is a clause only as "WINDOW name AS", as SQLite reads it.
  EXPECT_EQ(ParseSelect("SELECT a window, cast FROM t WINDOW w AS (ORDER BY a)").Fields,
            (Fields{{"window", "t", "a"}, {"cast", "t", "cast"}}));
  EXPECT_EQ(ParseSelect("VALUES (1, 'a'), (2, 'b')").Fields, (Fields{{"column1", "", ""}, {"column2", "", ""}}));
}

TEST(SelectParser, MalformedStatementsNameThePositionAndWhatWasExpected) {
  EXPECT_EQ(ErrorOf("SELECT a FROM"),
            "SQL error at line 1, column 14: table name expected, found end of statement");
  EXPECT_EQ(ErrorOf("SELECT a,\n  FROM t"), "SQL error at line 2, column 3: expression expected, found \"FROM\"");
  EXPECT_EQ(ErrorOf("UPDATE t SET a = 1"), "SQL error at line 1, column 1: SELECT expected, found \"UPDATE\"");
  EXPECT_EQ(ErrorOf("SELECT (a FROM t"), "SQL error at line 1, column 11: \")\" expected, found \"FROM\"");
  EXPECT_EQ(ErrorOf("SELECT 'abc FROM t"), "SQL error at line 1, column 8: unterminated string");
  EXPECT_EQ(ErrorOf("SELECT [abc FROM t"), "SQL error at line 1, column 8: unterminated quoted name");
  EXPECT_EQ(ErrorOf("SELECT a FROM t LEFT x"), "SQL error at line 1, column 22: JOIN expected, found \"x\"");
  EXPECT_EQ(ErrorOf("SELECT a FROM t WHERE"), "SQL error at line 1, column 22: expression expected, found end of statement");
  EXPECT_EQ(ErrorOf("SELECT a FROM t; SELECT b"), "SQL error at line 1, column 18: end of statement expected, found \"SELECT\"");
  EXPECT_EQ(ErrorOf("SELECT é FROM t #"), "SQL error at line 1, column 17: unexpected character \"#\"");
  EXPECT_EQ(ErrorOf("SELECT CASE a END FROM t"), "SQL error at line 1, column 15: WHEN expected, found \"END\"");
  EXPECT_EQ(ErrorOf(""), "SQL error at line 1, column 1: SELECT expected, found end of statement");
}

TEST(SelectParser, DeepNestingIsRefusedInsteadOfExhaustingTheStack) {
  const std::string Deep = "SELECT " + std::string(100000, '(') + "1" + std::string(100000, ')');
  EXPECT_THAT(ErrorOf(Deep), testing::HasSubstr("nested too deeply"));
  const std::string Fine = "SELECT " + std::string(50, '(') + "a" + std::string(50, ')') + " FROM t";
  EXPECT_EQ(ParseSelect(Fine).Fields.at(0).ColumnName, "a");
}

TEST(SqlTokenizer, TableNamesSplitLikeSQLiteReadsThem) {
  auto Check = [](std::string_view Text, std::string Schema, std::string Name) {
    auto R = SplitObjectName(Text);
    ASSERT_TRUE(R.has_value()) << Text;
    EXPECT_EQ(R->Schema, Schema) << Text;
    EXPECT_EQ(R->Name, Name) << Text;
  };
  Check("orders", "", "orders");
  Check(" main . \"my \"\"odd\"\" table\" ", "main", "my \"odd\" table");
  Check("[a.b]", "", "a.b");
  Check("`x`.`y`", "x", "y");
  Check("'lit'", "", "lit");
  EXPECT_FALSE(SplitObjectName("my table").has_value());
  EXPECT_FALSE(SplitObjectName("a.b.c").has_value());
  EXPECT_FALSE(SplitObjectName("\"open").has_value());
  EXPECT_FALSE(SplitObjectName("").has_value());
}

}  // namespace
