#include "sqlite_connection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <ostream>

#include "rtl/DB.h"
#include "sqlite_fixture.h"
#include "sqlite_statement.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

std::ostream& operator<<(std::ostream& Out, const TVNIndexSchemaRow& R) {
  return Out << "{" << R.IndexName << ", " << R.ColumnName << ", "
             << (R.IndexType ? std::to_string(*R.IndexType) : "null") << "}";
}
std::ostream& operator<<(std::ostream& Out, const TVNFieldOrigin& F);

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using vn_test::RunSQLiteScript;
using vn_test::TTempDir;
using Rows = std::vector<TVNIndexSchemaRow>;

std::string OpenError(TVNSQLiteConnection& Connection, const std::string& File) {
  try {
    Connection.Open(File);
  } catch (const EDatabaseError& E) {
    EXPECT_FALSE(Connection.Connected());
    return E.Message();
  }
  return "no error";
}

TEST(SQLiteConnection, OpenRefusesMissingFilesDirectoriesAndForeignFiles) {
  TTempDir Dir;
  TVNSQLiteConnection Connection;
  const std::string Good = Dir.File("good.db");
  RunSQLiteScript(Good, "CREATE TABLE t(a);");
  Connection.Open(Good);
  EXPECT_TRUE(Connection.Connected());
  EXPECT_EQ(Connection.DatabaseName(), Good);

  const std::string Missing = Dir.File("missing.db");
  EXPECT_EQ(OpenError(Connection, Missing),
            "Cannot open database \"" + Missing + "\": unable to open database file (No such file or directory)");
  EXPECT_FALSE(std::filesystem::exists(Missing)) << "a missing database must not be created";
  EXPECT_EQ(Connection.DatabaseName(), "");

  const std::string Text = Dir.File("notes.txt");
  vn_test::WriteFileText(Text, "These are notes, not a database at all.");
  EXPECT_EQ(OpenError(Connection, Text), "Cannot open database \"" + Text + "\": file is not a database");

  EXPECT_THAT(OpenError(Connection, Dir.Path().string()), HasSubstr("unable to open database file"));
  EXPECT_THAT(OpenError(Connection, "  "), HasSubstr("no database file name"));
}

TEST(SQLiteConnection, OpenNamesTheReasonForAnUnreadableFile) {
  vn_test::RunUnprivileged([] {
    TTempDir Dir;
    TVNSQLiteConnection Connection;
    const std::string Locked = Dir.File("locked.db");
    RunSQLiteScript(Locked, "CREATE TABLE t(a);");
    std::filesystem::permissions(Locked, std::filesystem::perms::none);
    EXPECT_EQ(OpenError(Connection, Locked),
              "Cannot open database \"" + Locked + "\": unable to open database file (Permission denied)");
  });
}

TEST(SQLiteConnection, CatalogCallsOnAClosedConnectionRaise) {
  TVNSQLiteConnection Connection;
  EXPECT_THROW(Connection.TableNames("", tsUserTables), EDatabaseError);
  EXPECT_THROW(Connection.FieldNames("t"), EDatabaseError);
  EXPECT_THROW(Connection.IndexSchema("t"), EDatabaseError);
  EXPECT_THROW(Connection.FieldOrigins("SELECT 1"), EDatabaseError);
  EXPECT_TRUE(Connection.StoredProcNames().empty());
  EXPECT_EQ(CreateServerConnection(stPostgreSQL)->ServerType(), stPostgreSQL);
  EXPECT_EQ(CreateServerConnection(stSQLite)->ServerType(), stSQLite);
}

class SQLiteCatalog : public testing::Test {
 protected:
  void SetUp() override {
    RunSQLiteScript(FFile,
                    "CREATE TABLE orders(id INTEGER PRIMARY KEY AUTOINCREMENT, total REAL);"
                    "CREATE TABLE \"Mixed Case\"(\"First Col\" TEXT, second INT, doubled AS (second * 2));"
                    "CREATE VIEW OrderView AS SELECT id, total FROM orders;"
                    "CREATE TABLE Ärger(x);"
                    "CREATE INDEX orders_total ON orders(total);"
                    "CREATE TABLE customers(id INTEGER PRIMARY KEY, name TEXT);"
                    "INSERT INTO orders(total) VALUES (1.5);"
                    "ANALYZE;");
    FConnection.Open(FFile);
  }

  TTempDir FDir;
  std::string FFile = FDir.File("catalog.db");
  TVNSQLiteConnection FConnection;
};

TEST_F(SQLiteCatalog, TableNamesKeepSchemaOrderAndFilterByPattern) {
  EXPECT_THAT(FConnection.TableNames("", tsUserTables),
              ElementsAre("orders", "Mixed Case", "OrderView", "Ärger", "customers"));
  EXPECT_THAT(FConnection.TableNames("", tsWithSystemTables),
              ElementsAre("sqlite_master", "orders", "sqlite_sequence", "Mixed Case", "OrderView", "Ärger",
                          "customers", "sqlite_stat1"));
  EXPECT_THAT(FConnection.TableNames("ORDER%", tsUserTables), ElementsAre("orders", "OrderView"));
  EXPECT_THAT(FConnection.TableNames("_rders", tsUserTables), ElementsAre("orders"));
  EXPECT_THAT(FConnection.TableNames("%e_", tsUserTables), ElementsAre("OrderView", "Ärger"));
  EXPECT_THAT(FConnection.TableNames("ärger", tsUserTables), ElementsAre("Ärger"));  // beyond ASCII too
  EXPECT_THAT(FConnection.TableNames("SQLITE%", tsWithSystemTables),
              ElementsAre("sqlite_master", "sqlite_sequence", "sqlite_stat1"));
  EXPECT_THAT(FConnection.TableNames("sqlite%", tsUserTables), ElementsAre());
  EXPECT_THAT(FConnection.TableNames("%x%y%", tsUserTables), ElementsAre());
}

TEST_F(SQLiteCatalog, FieldNamesResolveQuotedQualifiedAndCaseDifferingNames) {
  const auto Expected = ElementsAre("First Col", "second", "doubled");
  EXPECT_THAT(FConnection.FieldNames("\"Mixed Case\""), Expected);
  EXPECT_THAT(FConnection.FieldNames("[mixed case]"), Expected);
  EXPECT_THAT(FConnection.FieldNames(" `MIXED CASE` "), Expected);
  EXPECT_THAT(FConnection.FieldNames("MAIN.\"mixed case\""), Expected);
  EXPECT_THAT(FConnection.FieldNames("Mixed Case"), Expected);
  EXPECT_THAT(FConnection.FieldNames("ORDERS"), ElementsAre("id", "total"));
  EXPECT_THAT(FConnection.FieldNames("orderview"), ElementsAre("id", "total"));
  EXPECT_THAT(FConnection.FieldNames("sqlite_master"), ElementsAre("type", "name", "tbl_name", "rootpage", "sql"));
  EXPECT_THAT(FConnection.FieldNames("nosuch"), ElementsAre());
  EXPECT_THAT(FConnection.FieldNames("other.orders"), ElementsAre());
  EXPECT_THAT(FConnection.FieldNames(""), ElementsAre());
}

TEST(SQLiteIndexSchema, ReportsKeysConstraintsAndIndexesInOrder) {
  TTempDir Dir;
  const std::string File = Dir.File("idx.db");
  RunSQLiteScript(File,
                  "CREATE TABLE plain(id INTEGER PRIMARY KEY, name TEXT);"
                  "CREATE INDEX plain_name ON plain(name);"
                  "CREATE UNIQUE INDEX plain_name_id ON plain(name DESC, id);"
                  "CREATE TABLE lines(code TEXT UNIQUE, ord INT, pos INT, note TEXT, PRIMARY KEY(ord, pos));"
                  "CREATE INDEX lines_note ON lines(note, pos);"
                  "CREATE UNIQUE INDEX lines_lower ON lines(lower(note), ord);"
                  "CREATE TABLE r(a UNIQUE, b UNIQUE ON CONFLICT REPLACE, c UNIQUE);"
                  "CREATE INDEX r_c ON r(c);"
                  "CREATE TABLE kv(k TEXT PRIMARY KEY, v) WITHOUT ROWID;"
                  "CREATE TABLE nokey(a, b);"
                  "CREATE VIEW v AS SELECT * FROM plain;");
  TVNSQLiteConnection Connection;
  Connection.Open(File);

  EXPECT_EQ(Connection.IndexSchema("PLAIN"), (Rows{{"PRIMARY", "id", 6},
                                                    {"plain_name", "name", 0},
                                                    {"plain_name_id", "name", 2},
                                                    {"plain_name_id", "id", 2}}));
  EXPECT_EQ(Connection.IndexSchema("main.[lines]"), (Rows{{"sqlite_autoindex_lines_2", "ord", 6},
                                                          {"sqlite_autoindex_lines_2", "pos", 6},
                                                          {"sqlite_autoindex_lines_1", "code", 2},
                                                          {"lines_note", "note", 0},
                                                          {"lines_note", "pos", 0},
                                                          {"lines_lower", "", 2},
                                                          {"lines_lower", "ord", 2}}));
  // SQLite moves REPLACE constraints to the end of its own list; creation order wins.
  EXPECT_EQ(Connection.IndexSchema("r"), (Rows{{"sqlite_autoindex_r_1", "a", 2},
                                               {"sqlite_autoindex_r_2", "b", 2},
                                               {"sqlite_autoindex_r_3", "c", 2},
                                               {"r_c", "c", 0}}));
  EXPECT_EQ(Connection.IndexSchema("kv"), (Rows{{"sqlite_autoindex_kv_1", "k", 6}}));
  EXPECT_EQ(Connection.IndexSchema("nokey"), Rows{});
  EXPECT_EQ(Connection.IndexSchema("v"), Rows{});
  EXPECT_EQ(Connection.IndexSchema("missing"), std::nullopt);
  EXPECT_EQ(Connection.IndexSchema("nosuchschema.plain"), std::nullopt);
}

TEST_F(SQLiteCatalog, FieldOriginsComeFromTheDatabase) {
  using Fields = std::vector<TVNFieldOrigin>;
  EXPECT_EQ(FConnection.FieldOrigins("SELECT o.id AS OrderNo, total * 2, c.name, \"First Col\" "
                                     "FROM orders o JOIN customers c ON c.id = o.id, [mixed case]"),
            (Fields{{"OrderNo", "orders", "id"},
                    {"total * 2", "", ""},
                    {"name", "customers", "name"},
                    {"First Col", "Mixed Case", "First Col"}}));
  EXPECT_EQ(FConnection.FieldOrigins("select * from OrderView"),
            (Fields{{"id", "orders", "id"}, {"total", "orders", "total"}}));
  EXPECT_EQ(FConnection.FieldOrigins("-- nothing"), Fields{});
  try {
    FConnection.FieldOrigins("SELECT a FROM nosuch");
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& E) {
    EXPECT_EQ(E.Message(), "no such table: nosuch");
  }
  // Compiled only: a statement that changes data is not run.
  EXPECT_EQ(FConnection.FieldOrigins("DELETE FROM orders"), Fields{});
  TSQLiteStatement Count(*FConnection.Handle(), "SELECT count(*) FROM orders");
  ASSERT_TRUE(Count.Step());
  EXPECT_EQ(Count.ColumnInt(0), 1);
}

}  // namespace
