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
