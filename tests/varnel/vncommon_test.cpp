#include "varnel/Vncommon.h"

#include <gtest/gtest.h>

TEST(ServerTypes, NamesConvertBothWaysAndUnknownTextGivesTheDefault) {
  for (TVNServerType T : {stSQLite, stPostgreSQL}) EXPECT_EQ(StrToServerTypeDef(GetServerTypeName(T), stSQLite), T);
  EXPECT_EQ(GetServerTypeName(stSQLite), "SQLite");
  EXPECT_EQ(GetServerTypeName(stPostgreSQL), "PostgreSQL");
  EXPECT_EQ(StrToServerTypeDef(" postgresql ", stSQLite), stPostgreSQL);
  EXPECT_EQ(StrToServerTypeDef("", stPostgreSQL), stPostgreSQL);
  EXPECT_EQ(StrToServerTypeDef("Oracle", stPostgreSQL), stPostgreSQL);
  EXPECT_EQ(DefServerType, stSQLite);
}

TEST(Identifiers, QuoteIdentifierDoublesEmbeddedQuotesOnlyWhenAsked) {
  EXPECT_EQ(QuoteIdentifier("Customers", true), "\"Customers\"");
  EXPECT_EQ(QuoteIdentifier("say \"hi\"", true), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(QuoteIdentifier("", true), "\"\"");
  EXPECT_EQ(QuoteIdentifier("say \"hi\"", false), "say \"hi\"");
}

TEST(Identifiers, GetValidObjNameTrimsAndDropsOwnerOutsideQuotes) {
  EXPECT_EQ(GetValidObjName("  dbo.Orders \t", false), "dbo.Orders");
  EXPECT_EQ(GetValidObjName("  dbo.Orders ", true), "Orders");
  EXPECT_EQ(GetValidObjName("srv.db.Orders", true), "Orders");
  EXPECT_EQ(GetValidObjName("\"my.schema\".\"my.table\"", true), "\"my.table\"");
  EXPECT_EQ(GetValidObjName("[a.b]", true), "[a.b]");
  EXPECT_EQ(GetValidObjName("`x.y`.`z.w`", true), "`z.w`");
  EXPECT_EQ(GetValidObjName("\"a\"\".b\"", true), "\"a\"\".b\"");  // doubled quote stays inside
  EXPECT_EQ(GetValidObjName("dbo . Orders", true), "Orders");
  EXPECT_EQ(GetValidObjName("Orders", true), "Orders");
  EXPECT_EQ(GetValidObjName("", true), "");
}
