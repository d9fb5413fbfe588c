#include "updatesql/update_sql_generator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <string>
#include <vector>

#include "rtl/SysUtils.h"
#include "varnel/Vncommon.h"

#include "support/string_lines.h"

using testing::ElementsAre;
using VNUpdSEd::TFieldChoices;
using VNUpdSEd::TUpdateSQLGenerator;

using vn_test::Lines;

namespace {

void SetLines(TStrings& List, std::initializer_list<const char*> Values) {
  List.Clear();
  for (const char* Value : Values) List.Add(Value);
}

// Each entry's name and value as the alias rule reads them, literally: the
// value through an IndexOfName of the name.
std::vector<std::pair<std::string, std::string>> ReadEntries(const TStrings& Info) {
  std::vector<std::pair<std::string, std::string>> Result;
  for (int I = 0; I < Info.Count(); ++I) Result.emplace_back(Info.Names(I), Info.Values(Info.Names(I)));
  return Result;
}

// The alias rule entry by entry: what the index must agree with.
std::string ReferenceAlias(const std::vector<std::pair<std::string, std::string>>& Entries, const std::string& Table,
                           const std::string& Field) {
  for (const auto& [Name, Value] : Entries) {
    for (std::size_t P = Value.size(); P-- > 1;) {
      if (Value[P - 1] != '.') continue;
      if (Value.substr(P) == Field && Value.substr(0, P - 1) == Table) return Name;
      break;
    }
  }
  return Field;
}

class UpdateSQLGenerator : public testing::Test {
 protected:
  // The dialog's state of the worked example: table ORDERS, QTY aliased AMOUNT.
  void SetUp() override {
    Gen.SetTableText("ORDERS");
    SetLines(Gen.FieldInfo(), {"ORD_NO=ORDERS.ORD_NO", "LINE_NO=ORDERS.LINE_NO", "ITEM=ORDERS.ITEM",
                               "AMOUNT=ORDERS.QTY", "PRICE=ORDERS.PRICE"});
    Gen.SetKeyFields({{"ORD_NO"}, {"LINE_NO"}});
    Gen.SetUpdateFields({{"ITEM"}, {"QTY"}, {"PRICE"}});
  }

  std::vector<std::string> Modify() { return (Gen.GenerateModifySQL(List), Lines(List)); }
  std::vector<std::string> Refresh() { return (Gen.GenerateRefreshSQL(List), Lines(List)); }
  std::vector<std::string> Insert() { return (Gen.GenerateInsertSQL(List), Lines(List)); }
  std::vector<std::string> Delete() { return (Gen.GenerateDeleteSQL(List), Lines(List)); }

  TUpdateSQLGenerator Gen;
  TStringList List;
};

TEST_F(UpdateSQLGenerator, WorkedExampleGivesTheFourStatements) {
  EXPECT_THAT(Modify(), ElementsAre("update ORDERS", "set", "  ITEM = :ITEM,", "  QTY = :AMOUNT,", "  PRICE = :PRICE",
                                    "where", "  ORD_NO = :OLD_ORD_NO and", "  LINE_NO = :OLD_LINE_NO"));
  EXPECT_THAT(Refresh(), ElementsAre("select ITEM, QTY as AMOUNT, PRICE\r\nfrom ORDERS", "where",
                                     "  ORD_NO = :OLD_ORD_NO and", "  LINE_NO = :OLD_LINE_NO"));
  EXPECT_THAT(Insert(), ElementsAre("insert into ORDERS", "  (ITEM, QTY, PRICE)", "values", "  (:ITEM, :AMOUNT, :PRICE)"));
  EXPECT_THAT(Delete(), ElementsAre("delete from ORDERS", "where", "  ORD_NO = :OLD_ORD_NO and", "  LINE_NO = :OLD_LINE_NO"));
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "QTY"), "AMOUNT");
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "ITEM"), "ITEM");
}

TEST_F(UpdateSQLGenerator, EmptyAndShortFieldListsStillGiveWholeStatements) {
  Gen.SetUpdateFields({});
  EXPECT_THAT(Modify(), ElementsAre("update ORDERS", "set", "where", "  ORD_NO = :OLD_ORD_NO and", "  LINE_NO = :OLD_LINE_NO"));
  EXPECT_EQ(Refresh().front(), "select \r\nfrom ORDERS");
  EXPECT_THAT(Insert(), ElementsAre("insert into ORDERS", "  ()", "values", "  ()"));

  Gen.SetUpdateFields({{"ITEM"}});
  Gen.SetKeyFields({});
  EXPECT_THAT(Modify(), ElementsAre("update ORDERS", "set", "  ITEM = :ITEM", "where"));
  EXPECT_THAT(Refresh(), ElementsAre("select ITEM\r\nfrom ORDERS", "where"));
  EXPECT_THAT(Delete(), ElementsAre("delete from ORDERS", "where"));

  Gen.SetKeyFields({{"LINE_NO"}});
  EXPECT_THAT(Delete(), ElementsAre("delete from ORDERS", "where", "  LINE_NO = :OLD_LINE_NO"));

  Gen.SetTableText("   ");
  EXPECT_EQ(Delete().front(), "delete from ") << "an empty table reference leaves the keyword's blank";
}

TEST_F(UpdateSQLGenerator, UnselectedFieldsAreSkippedAndOrderIsKept) {
  Gen.SetUpdateFields({{"PRICE"}, {"ITEM", false}, {"QTY"}, {"ORD_NO", false}});
  Gen.SetKeyFields({{"ORD_NO", false}, {"LINE_NO"}, {"ITEM", false}});
  EXPECT_THAT(Modify(), ElementsAre("update ORDERS", "set", "  PRICE = :PRICE,", "  QTY = :AMOUNT", "where",
                                    "  LINE_NO = :OLD_LINE_NO"));
  EXPECT_EQ(Refresh().front(), "select PRICE, QTY as AMOUNT\r\nfrom ORDERS");
  EXPECT_THAT(Insert(), ElementsAre("insert into ORDERS", "  (PRICE, QTY)", "values", "  (:PRICE, :AMOUNT)"));

  Gen.SetKeyFields({{"ORD_NO", false}});
  Gen.UpdateFields().assign({{"ITEM", false}});
  EXPECT_THAT(Modify(), ElementsAre("update ORDERS", "set", "where")) << "nothing selected is the same as nothing listed";
}

TEST_F(UpdateSQLGenerator, AliasesStandInParametersAndTheRefreshList) {
  SetLines(Gen.FieldInfo(), {"ITEM=ORDERS.ITEM", "qty=ORDERS.QTY", "Cost=ORDERS.PRICE", "ORD_NO=ORDERS.ORD_NO",
                             "LineNo=ORDERS.LINE_NO"});
  EXPECT_EQ(Refresh().front(), "select ITEM, QTY as qty, PRICE as Cost\r\nfrom ORDERS")
      << "an alias that differs only in case is still named";
  EXPECT_THAT(Modify(), ElementsAre("update ORDERS", "set", "  ITEM = :ITEM,", "  QTY = :qty,", "  PRICE = :Cost",
                                    "where", "  ORD_NO = :OLD_ORD_NO and", "  LINE_NO = :OLD_LineNo"));
  EXPECT_EQ(Insert().back(), "  (:ITEM, :qty, :Cost)");
  EXPECT_EQ(Delete().back(), "  LINE_NO = :OLD_LineNo");
}

TEST_F(UpdateSQLGenerator, OriginsMatchTableAndColumnExactly) {
  SetLines(Gen.FieldInfo(), {
                                "A1=ORDERS.qty",            // column differs in case
                                "A2=orders.QTY",            // table differs in case
                                "A3=ORDERS.PRICE.",         // split before the final full stop
                                "A4=ORDERS.",               // no full stop before the last character
                                "A5=ITEM",                  // no full stop at all
                                "A6=main.ORDERS.ITEM",      // three parts: table part main.ORDERS
                                "A7=ORDERS.ITEM",
                                "A8=ORDERS.ITEM",           // later entries with the same origin lose
                                "A9= ORDERS .NOTE",         // blanks belong to the table part
                                "A10=\"ORDERS\".NOTE",
                                "A11=x.y.z",
                            });
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "QTY"), "QTY");
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "qty"), "A1");
  EXPECT_EQ(Gen.FindFieldAlias("orders", "QTY"), "A2");
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "PRICE."), "A3");
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "PRICE"), "PRICE");
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", ""), "");
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS.", ""), "");
  EXPECT_EQ(Gen.FindFieldAlias("", "ITEM"), "ITEM");
  EXPECT_EQ(Gen.FindFieldAlias("main.ORDERS", "ITEM"), "A6");
  EXPECT_EQ(Gen.FindFieldAlias("main", "ORDERS.ITEM"), "ORDERS.ITEM") << "only the rightmost full stop splits";
  EXPECT_EQ(Gen.FindFieldAlias("x", "y.z"), "y.z");
  EXPECT_EQ(Gen.FindFieldAlias("x.y", "z"), "A11");
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "ITEM"), "A7");
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "NOTE"), "NOTE");
  EXPECT_EQ(Gen.FindFieldAlias(" ORDERS ", "NOTE"), "A9");
  EXPECT_EQ(Gen.FindFieldAlias("\"ORDERS\"", "NOTE"), "A10");
}

TEST_F(UpdateSQLGenerator, TableTextIsMatchedAsTypedButNamedTrimmed) {
  SetLines(Gen.FieldInfo(), {"Qty= ORDERS .QTY", "Cost=\"ORDERS\".PRICE"});
  Gen.SetKeyFields({});
  Gen.SetUpdateFields({{"QTY"}, {"PRICE"}});

  Gen.SetTableText(" ORDERS ");
  EXPECT_EQ(Refresh().front(), "select QTY as Qty, PRICE\r\nfrom ORDERS");
  Gen.SetTableText("\"ORDERS\"");
  EXPECT_EQ(Refresh().front(), "select QTY, PRICE as Cost\r\nfrom \"ORDERS\"");
  Gen.SetTableText("ORDERS");
  EXPECT_EQ(Refresh().front(), "select QTY, PRICE\r\nfrom ORDERS");
}

TEST_F(UpdateSQLGenerator, QuotingPutsThePrefixInsideTheQuotes) {
  Gen.SetQuoteFields(true);
  Gen.SetKeyFields({{"ORD_NO"}});
  Gen.SetUpdateFields({{"QTY"}, {"ITEM"}});
  EXPECT_EQ(Gen.QuoteName("a\"b"), "\"a\"\"b\"");
  EXPECT_THAT(Modify(), ElementsAre("update \"ORDERS\"", "set", "  \"QTY\" = :\"AMOUNT\",", "  \"ITEM\" = :\"ITEM\"",
                                    "where", "  \"ORD_NO\" = :\"OLD_ORD_NO\""));
  EXPECT_THAT(Refresh(), ElementsAre("select \"QTY\" as \"AMOUNT\", \"ITEM\"\r\nfrom \"ORDERS\"", "where",
                                     "  \"ORD_NO\" = :\"OLD_ORD_NO\""));
  EXPECT_THAT(Insert(), ElementsAre("insert into \"ORDERS\"", "  (\"QTY\", \"ITEM\")", "values", "  (:\"AMOUNT\", :\"ITEM\")"));
  EXPECT_EQ(Delete().back(), "  \"ORD_NO\" = :\"OLD_ORD_NO\"");
}

TEST_F(UpdateSQLGenerator, OwnerQualifiedTablesFollowTheServer) {
  Gen.SetTableText(" dbo.ORDERS ");
  EXPECT_EQ(Delete().front(), "delete from ORDERS") << "owners are dropped by default";
  Gen.SetObjOwnerSupported(true);
  EXPECT_EQ(Delete().front(), "delete from dbo.ORDERS");

  // Quoting quotes owner and table each on their own, and leaves quoted parts.
  Gen.SetQuoteFields(true);
  EXPECT_EQ(Delete().front(), "delete from \"dbo\".\"ORDERS\"");
  Gen.SetTableText("main . \"Order \"\"Lines\"\"\"");
  EXPECT_EQ(Delete().front(), "delete from \"main\".\"Order \"\"Lines\"\"\"");
  Gen.SetTableText("[my db].dbo.`a.b`");
  EXPECT_EQ(Delete().front(), "delete from [my db].\"dbo\".`a.b`");
  Gen.SetTableText("\"a\"b\"");
  EXPECT_EQ(Delete().front(), "delete from \"\"\"a\"\"b\"\"\"") << "not one quoted name: quoted again";
  Gen.SetObjOwnerSupported(false);
  Gen.SetTableText("dbo.\"a.b\"");
  EXPECT_EQ(Delete().front(), "delete from \"a.b\"");
  Gen.SetTableText("dbo.ORDERS");
  EXPECT_EQ(Delete().front(), "delete from \"ORDERS\"");

  // The alias look-up still sees the owner as part of the table.
  SetLines(Gen.FieldInfo(), {"Qty=dbo.ORDERS.QTY"});
  EXPECT_EQ(Gen.FindFieldAlias("dbo.ORDERS", "QTY"), "Qty");
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "QTY"), "QTY");
}

TEST_F(UpdateSQLGenerator, EachOperationRefillsOnlyItsOwnList) {
  TStringList Other;
  SetLines(List, {"hand edit"});
  SetLines(Other, {"kept"});
  int Changes = 0;
  List.OnChange = [&](TObject*) { ++Changes; };

  Gen.GenerateModifySQL(List);
  const std::vector<std::string> First = Lines(List);
  EXPECT_EQ(First.front(), "update ORDERS");
  EXPECT_EQ(Changes, 1) << "a refill is one change";
  List.Add("hand edit");
  Gen.GenerateModifySQL(List);
  EXPECT_EQ(Lines(List), First) << "generating again gives the same lines and drops hand edits";
  EXPECT_THAT(Lines(Other), ElementsAre("kept"));
}

TEST_F(UpdateSQLGenerator, OriginChangesAreSeenByTheNextGeneration) {
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "QTY"), "AMOUNT");
  Gen.FieldInfo().Put(3, "QUANTITY=ORDERS.QTY");
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "QTY"), "QUANTITY");
  Gen.FieldInfo().Insert(0, "FIRST=ORDERS.QTY");
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "QTY"), "FIRST");
  Gen.FieldInfo().Delete(0);
  Gen.FieldInfo().Add("LATER=ORDERS.QTY");
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "QTY"), "QUANTITY");
  Gen.FieldInfo().Exchange(3, 5);
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "QTY"), "LATER");

  Gen.FieldInfo().BeginUpdate();
  Gen.FieldInfo().Clear();
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "QTY"), "QTY") << "seen even before the group of changes ends";
  Gen.FieldInfo().Add("Q=ORDERS.QTY");
  Gen.FieldInfo().EndUpdate();
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "QTY"), "Q");

  TStringList Parsed;
  Parsed.Add("AMT=ORDERS.QTY");
  Gen.SetFieldInfo(Parsed);
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "QTY"), "AMT");
  Gen.FieldInfo().SetText("");
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "QTY"), "QTY");
}

// An entry's value is the first value its name looks up, names compared as
// the string list compares them; the entry's own name is the alias.
TEST_F(UpdateSQLGenerator, RepeatedNamesTakeTheFirstValueOfTheirName) {
  SetLines(Gen.FieldInfo(), {"qty=ORDERS.QTY", "QTY=ORDERS.AMOUNT", "Größe=T.A", "GRÖSSE=T.B", "GRÖẞE=T.Z",
                             "ärger=T.C", "ÄRGER=T.D", "ΣΟΦΊΑ=T.E", "σοφία=T.F", "no separator", "=T.G", "x=T.H"});
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "QTY"), "qty");
  EXPECT_EQ(Gen.FindFieldAlias("ORDERS", "AMOUNT"), "AMOUNT") << "QTY's own value is never read";
  EXPECT_EQ(Gen.FindFieldAlias("T", "B"), "GRÖSSE") << "SS is no capital of ß to the list, though AnsiUpperCase makes one";
  EXPECT_EQ(Gen.FindFieldAlias("T", "Z"), "Z");
  EXPECT_EQ(Gen.FindFieldAlias("T", "D"), "D");
  EXPECT_EQ(Gen.FindFieldAlias("T", "F"), "F");
  EXPECT_EQ(Gen.FindFieldAlias("T", "E"), "ΣΟΦΊΑ");
  EXPECT_EQ(Gen.FindFieldAlias("T", "G"), "") << "a line without \"=\" has the empty name and is found first";
  EXPECT_EQ(Gen.FindFieldAlias("T", "H"), "x");

  // Only lines with "=" give a name its value.
  SetLines(Gen.FieldInfo(), {"lonely", "A=T.A"});
  EXPECT_EQ(Gen.FindFieldAlias("T", "A"), "A");
  for (const auto& [Table, Field] : {std::pair{"T", "A"}, {"T", "G"}})
    EXPECT_EQ(Gen.FindFieldAlias(Table, Field), ReferenceAlias(ReadEntries(Gen.FieldInfo()), Table, Field));
}

// Names that only the collation holds equal, names that are no UTF-8 and plain
// ASCII names, mixed at random: the index answers as IndexOfName would.
TEST_F(UpdateSQLGenerator, AliasIndexAgreesWithTheStringListsNameLookUp) {
  const std::vector<std::string> PlainNames = {"qty", "QTY", "Qty", "name", "NAME ", "n ame", "I", "i", ""};
  const std::vector<std::string> NonUtf8Names = {"a\xFF", "A\xFF", "a\xFE", "\xC3"};
  const std::vector<std::string> OtherNames = {
      "Größe", "GRÖSSE", "grösse", "e\xCC\x81t\xC3\xA9", "\xC3\x89T\xC3\xA9",  // été decomposed, ÉTé composed
      "ＱＴＹ", "q\x01ty", "\x01", "ı", "ärger", "ÄRGER"};
  const std::vector<std::string> TablePool = {"T", "t", "main.T", "", "T."};
  const std::vector<std::string> ColumnPool = {"a", "A", "b", "b.", "", "c.d"};
  std::mt19937 Random(20260307);
  const auto Pick = [&Random](const std::vector<std::string>& Pool) {
    return Pool[std::uniform_int_distribution<std::size_t>(0, Pool.size() - 1)(Random)];
  };
  for (int Round = 0; Round < 48; ++Round) {
    TStrings& Info = Gen.FieldInfo();
    Info.Clear();
    // A third of the rounds leave out the names that only the collation groups.
    const int Kinds = Round % 3 == 0 ? 2 : 3;
    for (int I = 0, Count = Round % 2 == 0 ? 12 : 30; I < Count; ++I) {
      const std::size_t Kind = Random() % Kinds;
      const std::string Name = Pick(Kind == 0 ? PlainNames : Kind == 1 ? NonUtf8Names : OtherNames);
      const std::string Value = Pick(TablePool) + "." + Pick(ColumnPool);
      Info.Add(Random() % 10 == 0 ? Name : Name + "=" + Value);
    }
    const auto Entries = ReadEntries(Info);
    for (const std::string& Table : TablePool)
      for (const std::string& Column : ColumnPool)
        ASSERT_EQ(Gen.FindFieldAlias(Table, Column), ReferenceAlias(Entries, Table, Column))
            << "round " << Round << ", " << Table << "." << Column << " in\n" << Info.Text();
  }
}

// The index groups printable ASCII names by ASCII case alone; this is the
// property of the base library's comparison it relies on.
TEST(UpdateSQLGeneratorBase, PrintableAsciiIsEqualToTheListExactlyButForCase) {
  for (char A = ' '; A <= '~'; ++A)
    for (char B = ' '; B <= '~'; ++B)
      ASSERT_EQ(AnsiSameText(std::string(1, A), std::string(1, B)), SameText(std::string(1, A), std::string(1, B)))
          << "'" << A << "' and '" << B << "'";
  EXPECT_TRUE(AnsiSameText("a\xFF", "A\xFF"));
  EXPECT_FALSE(AnsiSameText("a\xFF", "a\xFE")) << "text that is not UTF-8 is equal only but for ASCII case";
  EXPECT_TRUE(AnsiSameText("ＱＴＹ", "qty")) << "why names beyond printable ASCII go through the collation";
}

// The rules as written, one step at a time: what the generator must agree with.
struct TReferenceStatements {
  std::vector<std::string> Modify, Insert, Delete, Refresh;
};

TReferenceStatements ReferenceStatements(const TUpdateSQLGenerator& Gen) {
  const auto Entries = ReadEntries(Gen.FieldInfo());
  const auto Quote = [&](const std::string& Name) { return QuoteIdentifier(Name, Gen.QuoteFields()); };
  const auto AliasOf = [&](const std::string& Field) { return ReferenceAlias(Entries, Gen.TableText(), Field); };
  const auto KeyLines = [&](std::vector<std::string>& Out) {
    for (const auto& Key : Gen.KeyFields()) {
      if (!Key.Selected) continue;
      if (Out.back() != "where") Out.back() += " and";
      Out.push_back("  " + Quote(Key.Name) + " = :" + Quote("OLD_" + AliasOf(Key.Name)));
    }
  };
  const std::string Table = Gen.TableReference();
  TReferenceStatements R;
  R.Modify = {"update " + Table, "set"};
  std::string Select, Columns, Values;
  for (const auto& Field : Gen.UpdateFields()) {
    if (!Field.Selected) continue;
    const std::string Alias = AliasOf(Field.Name);
    if (R.Modify.back() != "set") R.Modify.back() += ",";
    R.Modify.push_back("  " + Quote(Field.Name) + " = :" + Quote(Alias));
    if (!Select.empty()) Select += ", ";
    Select += Quote(Field.Name) + (Alias != Field.Name ? " as " + Quote(Alias) : "");
    if (!Columns.empty()) Columns += ", ";
    Columns += Quote(Field.Name);
    if (!Values.empty()) Values += ", ";
    Values += ":" + Quote(Alias);
  }
  R.Modify.push_back("where");
  KeyLines(R.Modify);
  R.Insert = {"insert into " + Table, "  (" + Columns + ")", "values", "  (" + Values + ")"};
  R.Delete = {"delete from " + Table, "where"};
  KeyLines(R.Delete);
  R.Refresh = {"select " + Select + "\r\nfrom " + Table, "where"};
  KeyLines(R.Refresh);
  return R;
}

struct TStatementLists {
  TStringList Modify, Insert, Delete, Refresh;
};

// All four statements generated at once, each list compared with the rules.
void GenerateAllAsTheRulesSay(const TUpdateSQLGenerator& Gen, TStatementLists& Lists, const TReferenceStatements& Want,
                              int Round) {
  Gen.GenerateAllSQL(Lists.Modify, Lists.Insert, Lists.Delete, Lists.Refresh);
  ASSERT_EQ(Lines(Lists.Modify), Want.Modify) << "round " << Round;
  ASSERT_EQ(Lines(Lists.Insert), Want.Insert) << "round " << Round;
  ASSERT_EQ(Lines(Lists.Delete), Want.Delete) << "round " << Round;
  ASSERT_EQ(Lines(Lists.Refresh), Want.Refresh) << "round " << Round;
}

// Random dialogs: repeated and case-twin names, origins of other tables and
// with several full stops, empty names, both quote settings; the four
// operations one by one and all at once write what the rules give, into lists
// that held longer, shorter or no statements before.
TEST_F(UpdateSQLGenerator, StatementsFollowTheRulesOnRandomDialogs) {
  const std::vector<std::string> Columns = {"A", "a", "B", "C.D", "E.", "", "Größe", "x y"};
  const std::vector<std::string> Tables = {"T", "t", "main.T", "T.", ""};
  const std::vector<std::string> Names = {"A", "a", "AL", "al", "B", "", "K", "GRÖSSE"};
  std::mt19937 Random(151);
  const auto Pick = [&Random](const std::vector<std::string>& Pool) {
    return Pool[std::uniform_int_distribution<std::size_t>(0, Pool.size() - 1)(Random)];
  };
  const auto RandomFields = [&] {
    TFieldChoices Fields;
    for (std::size_t I = Random() % 6; I > 0; --I) Fields.push_back({Pick(Columns), Random() % 4 != 0});
    return Fields;
  };
  TStatementLists Lists;
  TStringList Single;
  for (int Round = 0; Round < 200; ++Round) {
    TStrings& Info = Gen.FieldInfo();
    Info.Clear();
    for (std::size_t I = Random() % 8; I > 0; --I) Info.Add(Pick(Names) + "=" + Pick(Tables) + "." + Pick(Columns));
    Gen.SetTableText(Pick(Tables));
    Gen.SetQuoteFields(Round % 3 == 0);
    Gen.SetUpdateFields(RandomFields());
    Gen.SetKeyFields(RandomFields());
    const TReferenceStatements Want = ReferenceStatements(Gen);

    ASSERT_NO_FATAL_FAILURE(GenerateAllAsTheRulesSay(Gen, Lists, Want, Round));
    Gen.GenerateModifySQL(Single);
    ASSERT_EQ(Lines(Single), Want.Modify) << "round " << Round;
    Gen.GenerateRefreshSQL(Single);
    ASSERT_EQ(Lines(Single), Want.Refresh) << "round " << Round;
    Gen.GenerateInsertSQL(Single);
    ASSERT_EQ(Lines(Single), Want.Insert) << "round " << Round;
    Gen.GenerateDeleteSQL(Single);
    ASSERT_EQ(Lines(Single), Want.Delete) << "round " << Round;
  }
}

// Dialogs of hundreds of fields, generated again into the same lists that
// held a longer or a shorter statement: the look-ups fetch ahead of the
// fields they serve, which small dialogs never reach, and columns and aliases
// of every length up to some hundred characters mix with short ones.
TEST_F(UpdateSQLGenerator, LargeDialogsFollowTheRulesGenerationAfterGeneration) {
  std::mt19937 Random(33);
  TStatementLists Lists;
  const int Counts[] = {400, 60, 400};
  for (int Round = 0; Round < 3; ++Round) {
    TFieldChoices Fields;
    Gen.FieldInfo().Clear();
    std::vector<std::string> Origins;
    for (int I = 0; I < Counts[Round]; ++I) {
      const std::string Column = (I % 11 == 0 ? std::string(I % 300, 'c') : "C") + std::to_string(I);
      Fields.push_back({Column, I % 5 != 0});
      const std::string Alias =
          I % 3 == 0 ? "ALIAS_OF_ROUND_" + std::to_string(Round) + "_" + Column + std::string(I % 2 * I, 'x') : Column;
      if (I % 7 != 0) Origins.push_back(Alias + "=ORDERS." + Column);
    }
    std::shuffle(Origins.begin(), Origins.end(), Random);
    for (const std::string& Origin : Origins) Gen.FieldInfo().Add(Origin);
    Gen.SetKeyFields({Fields.begin(), Fields.begin() + 3});
    Gen.SetUpdateFields(std::move(Fields));
    const TReferenceStatements Want = ReferenceStatements(Gen);

    ASSERT_NO_FATAL_FAILURE(GenerateAllAsTheRulesSay(Gen, Lists, Want, Round));
  }
}

// Indexes as full as they get, so that probes run long and wrap around the
// end: every origin is found, under its own table only, and a column no
// origin names is its own alias.
TEST_F(UpdateSQLGenerator, FullIndexesFindEveryOrigin) {
  for (const int Count : {5, 672, 1354, 2720}) {
    Gen.FieldInfo().BeginUpdate();
    Gen.FieldInfo().Clear();
    for (int I = 0; I < Count; ++I)
      Gen.FieldInfo().Add((I % 2 ? "N" : "C") + std::to_string(I) + "=T" + std::to_string(I % 3) + ".C" + std::to_string(I));
    Gen.FieldInfo().EndUpdate();
    for (int I = 0; I < Count; ++I) {
      const std::string Column = "C" + std::to_string(I), Table = "T" + std::to_string(I % 3);
      ASSERT_EQ(Gen.FindFieldAlias(Table, Column), (I % 2 ? "N" : "C") + std::to_string(I)) << Count << " " << I;
      ASSERT_EQ(Gen.FindFieldAlias("T" + std::to_string((I + 1) % 3), Column), Column) << Count << " " << I;
      ASSERT_EQ(Gen.FindFieldAlias(Table, Column + "X"), Column + "X") << Count << " " << I;
    }
  }
}

// A list's earlier lines may be taken over by the new statement: none of
// their objects, surplus lines or sort order survives.
TEST_F(UpdateSQLGenerator, AListKeepsNothingOfItsEarlierContent) {
  TObject Marker;
  SetLines(List, {"one", "two", "three", "four", "five", "six", "seven", "eight", "nine"});
  List.PutObject(0, &Marker);
  List.PutObject(8, &Marker);
  EXPECT_THAT(Delete(), ElementsAre("delete from ORDERS", "where", "  ORD_NO = :OLD_ORD_NO and", "  LINE_NO = :OLD_LINE_NO"));
  for (int I = 0; I < List.Count(); ++I) EXPECT_EQ(List.Objects(I), nullptr) << I;
  List.AddObject("later", &Marker);
  EXPECT_EQ(Insert().size(), 4u);
  EXPECT_EQ(List.Objects(3), nullptr);

  TStringList Sorted;
  Sorted.SetSorted(true);
  Sorted.Add("zzz");
  Gen.GenerateDeleteSQL(Sorted);
  EXPECT_THAT(Lines(Sorted), ElementsAre("  LINE_NO = :OLD_LINE_NO", "  ORD_NO = :OLD_ORD_NO and", "delete from ORDERS",
                                         "where"))
      << "a sorted list sorts the lines it is given";
}

// Generating again rewrites each list's lines where they are: a long line keeps
// its storage, and each list reports one change.
TEST_F(UpdateSQLGenerator, GeneratingAgainRewritesTheLinesInPlace) {
  TStringList Modify, Insert, Delete, Refresh;
  Gen.GenerateAllSQL(Modify, Insert, Delete, Refresh);
  const std::vector<std::string> Before = Lines(Refresh);
  const char* SelectLine = Refresh.StringRef(0).data();
  const char* ValuesLine = Insert.StringRef(3).data();
  int Changes = 0;
  for (TStringList* L : {&Modify, &Insert, &Delete, &Refresh}) L->OnChange = [&](TObject*) { ++Changes; };
  Gen.GenerateAllSQL(Modify, Insert, Delete, Refresh);
  EXPECT_EQ(Changes, 4);
  EXPECT_EQ(Lines(Refresh), Before);
  EXPECT_EQ(Refresh.StringRef(0).data(), SelectLine);
  EXPECT_EQ(Insert.StringRef(3).data(), ValuesLine);
}

// The aliases are read from the origin list: a statement written into that
// very list must not read it while it changes.
TEST_F(UpdateSQLGenerator, AStatementMayReplaceTheOriginsItWasBuiltFrom) {
  TStringList Modify, Delete, Refresh;
  Gen.GenerateAllSQL(Modify, Gen.FieldInfo(), Delete, Refresh);
  EXPECT_THAT(Lines(Gen.FieldInfo()), ElementsAre("insert into ORDERS", "  (ITEM, QTY, PRICE)", "values",
                                                  "  (:ITEM, :AMOUNT, :PRICE)"));
  EXPECT_EQ(Lines(Modify)[3], "  QTY = :AMOUNT,");
  EXPECT_EQ(Refresh.Strings(0), "select ITEM, QTY, PRICE\r\nfrom ORDERS") << "read after the insert replaced the origins";
  Gen.GenerateModifySQL(Gen.FieldInfo());
  EXPECT_EQ(Lines(Gen.FieldInfo()).size(), 8u);
}

}  // namespace
