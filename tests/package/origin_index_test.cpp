#include "updatesql/origin_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using VNUpdSEd::TFieldAlias;
using VNUpdSEd::TOriginIndex;

struct TAliasCase {
  const char* What;
  std::vector<const char*> Origins;  // the origin list's lines
  const char* Table;
  const char* Column;
  const char* Alias;  // nullptr: no origin names the table
};

TEST(OriginIndex, FindsTheFieldEachTablesColumnGives) {
  const std::string Long(40, 'x');
  const std::string LongAlias = "a" + Long, LongLine = LongAlias + "=t." + Long;
  const TAliasCase Cases[] = {
      {"an alias", {"quantity=orders.qty"}, "orders", "qty", "quantity"},
      {"a column under its own name", {"qty=orders.qty"}, "orders", "qty", "qty"},
      {"a column no origin gives", {"quantity=orders.qty"}, "orders", "price", "price"},
      {"a table no origin names", {"quantity=orders.qty"}, "items", "qty", nullptr},
      {"tables compare exactly", {"quantity=orders.qty"}, "ORDERS", "qty", nullptr},
      {"columns compare exactly", {"quantity=orders.qty"}, "orders", "QTY", "QTY"},
      {"the first of two fields with one origin", {"a=t.c", "b=t.c"}, "t", "c", "a"},
      {"the rightmost full stop splits", {"f=shop.orders.qty"}, "shop.orders", "qty", "f"},
      {"a value ending in a full stop is no origin", {"f=orders."}, "orders", "", nullptr},
      {"a line without = names nothing", {"orders.qty", "g=orders.id"}, "orders", "qty", "qty"},
      // A name stands for the first line the list's name look-up finds: the
      // second QTY takes the first line's value, and that origin is named first.
      {"names look up without regard to case", {"qty=t.a", "QTY=t.b"}, "t", "b", "b"},
      {"non-ASCII names too", {"Ärger=t.a", "ärger=t.b", "x=t.a"}, "t", "a", "Ärger"},
      {"texts longer than a slot holds", {LongLine.c_str()}, "t", Long.c_str(), LongAlias.c_str()},
  };
  for (const TAliasCase& Case : Cases) {
    SCOPED_TRACE(Case.What);
    TStringList Origins;
    for (const char* Line : Case.Origins) Origins.Add(Line);
    const TOriginIndex Index(Origins);
    const std::uint32_t Key = Index.TableKey(Case.Table);
    if (Case.Alias == nullptr) {
      EXPECT_EQ(Key, 0u);
      continue;
    }
    ASSERT_NE(Key, 0u);
    EXPECT_EQ(Index.Alias(Key, Case.Column), Case.Alias);
  }
}

// Many fields at once agree with asking one by one, across the blocks the
// look-up takes them in, in several tables.
TEST(OriginIndex, FillsManyAliasesAsOneByOne) {
  TStringList Origins;
  std::vector<std::string> Columns;
  for (int I = 0; I < 300; ++I) {
    Columns.push_back("c" + std::to_string(I));
    Origins.Add((I % 3 == 0 ? "alias" + std::to_string(I) : Columns.back()) + "=" + (I % 2 == 0 ? "t" : "u") + "." +
                Columns.back());
  }
  const TOriginIndex Index(Origins);
  for (const char* Table : {"t", "u"}) {
    const std::uint32_t Key = Index.TableKey(Table);
    std::vector<TFieldAlias> Fields;
    for (const std::string& Column : Columns) Fields.push_back({Column, Column});
    Index.FillAliases(Key, Fields);
    for (std::size_t I = 0; I < Fields.size(); ++I) EXPECT_EQ(Fields[I].Alias, Index.Alias(Key, Columns[I])) << I;
    EXPECT_EQ(Fields[3].Alias, Table == std::string("u") ? "alias3" : "c3");
  }
}

}  // namespace
