// What a statement from a form is, by each server's own grammar, and what in
// it is refused before anything runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "server_connection.h"
#include "rtl/DB.h"
#include "sqlite_connection.h"
#include "sqlite_fixture.h"
#include "support/temp_dir.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;

struct TVetCase {
  std::string SQL, Kind;
  int Count = 1;
  std::string Refusal = "";  // a part of the one refusal expected, "" for none
};

void ExpectVerdicts(TVNServerConnection& Connection, const std::vector<TVetCase>& Cases) {
  for (const TVetCase& Case : Cases) {
    const TVNStatementVerdict Verdict = Connection.VetStatement(Case.SQL);
    EXPECT_EQ(Verdict.Kind, Case.Kind) << Case.SQL;
    EXPECT_EQ(Verdict.Count, Case.Count) << Case.SQL;
    if (Case.Refusal.empty())
      EXPECT_TRUE(Verdict.Refusals.empty()) << Case.SQL << ": " << (Verdict.Refusals.empty() ? "" : Verdict.Refusals[0]);
    else
      EXPECT_THAT(Verdict.Refusals, ElementsAre(HasSubstr(Case.Refusal))) << Case.SQL;
  }
}

TEST(StatementVetting, SQLiteTellsTheKindFromWhatCompilingAsksTheAuthorizer) {
  vn_test::TTempDir Dir;
  const std::string File = Dir.File("vet.db");
  vn_test::RunSQLiteScript(File, "CREATE TABLE t (a INTEGER PRIMARY KEY, b); CREATE TABLE log (x);"
                                 "CREATE TRIGGER tr AFTER DELETE ON t BEGIN INSERT INTO log VALUES (old.a); END;"
                                 "CREATE VIEW v AS SELECT a FROM t; INSERT INTO t VALUES (1, 'one');");
  TVNSQLiteConnection Connection;
  Connection.Open(File);
  ExpectVerdicts(Connection, {
      {"insert into t (a, b) values (?, ?) on conflict (a) do update set b = excluded.b", "INSERT"},
      {"replace into t values (?, ?)", "INSERT"},
      {"with x as (select 1) delete from t where a = ?", "DELETE"},  // the trigger's insert is not the statement's
      {"update t set b = ? where a in (select x from log)", "UPDATE"},
      {"select * from v", "SELECT"},
      {"explain delete from t", "EXPLAIN"},
      {"select a from t -- the end;\n", "SELECT"},
      {"delete from t; delete from t", "DELETE", 2},
      {"begin", "BEGIN"},
      {"savepoint s", "SAVEPOINT"},
      {"detach x", "DETACH"},
      {"drop table t", "DROP TABLE"},
      {"alter table t add c", "ALTER TABLE"},
      {"create index i on t (b)", "CREATE INDEX"},
      {"analyze", "ANALYZE"},
      {"vacuum", "VACUUM"},
      {"select b from t where load_extension('x') is null", "SELECT", 1, "calls load_extension"},
  });
  EXPECT_THROW(Connection.VetStatement("delete from nosuch"), EDatabaseError);

  // While guarded, the connection compiles only what reads and writes rows.
  Connection.GuardStatements(true);
  EXPECT_THROW(Connection.ExecuteStatement("attach database '" + Dir.File("other.db") + "' as other", {}), EDatabaseError);
  EXPECT_THROW(Connection.ExecuteStatement("pragma user_version = 7", {}), EDatabaseError);
  EXPECT_EQ(Connection.OpenQuery("select b from t where a = ?", {Variant(std::int64_t{1})}).Rows.size(), 1u);
  Connection.GuardStatements(false);
  EXPECT_EQ(Connection.OpenQuery("pragma user_version", {}).Rows[0][0].AsInt64(), 0);
  EXPECT_FALSE(std::filesystem::exists(Dir.File("other.db")));
}

TEST(StatementVetting, PostgreSQLTellsTheKindFromItsParserWithoutAServer) {
  // Never connected: the parser is the server's, in the backend loaded here.
  const auto Pg = CreateServerConnection(stPostgreSQL);
  TVNServerConnection& Connection = *Pg;
  ExpectVerdicts(Connection, {
      {"delete from t where a = ? and b = ?", "DELETE"},
      {"with gone as (delete from t where a = ? returning *) delete from log where x in (select a from gone)", "DELETE"},
      {"with logged as (insert into log values (?) returning *) delete from t", "DELETE", 1,
       "WITH query that writes rows (INSERT)"},
      {"merge into t using s on t.a = s.a when matched then delete", "MERGE"},
      {"values (1)", "SELECT"},
      {"select pg_catalog.pg_read_file('x')", "SELECT", 1, "reads the server's files"},
      {"select b from t where dblink_exec('x') = ''", "SELECT", 1, "reaches another database"},
      {"update t set a = NEXTVAL('s') where a = ?", "UPDATE", 1, "advances a sequence"},
      {"select pg_advisory_lock(1)", "SELECT", 1, "outlives the transaction"},
      {"select * into t2 from t", "SELECT", 1, "creates a table"},
      {"select my_own_function(a) from t", "SELECT"},
      {"update t set b = 1; commit", "UPDATE", 2},
      {"copy t to program 'true'", "COPY"},
      {"set role other", "SET ROLE"},
      {"create table x (a int)", "CREATE TABLE"},
      {"do $$ begin end $$", "DO"},
  });
  try {
    Connection.VetStatement("delete form t");
    ADD_FAILURE() << "a syntax error must raise";
  } catch (const EDatabaseError& E) {
    EXPECT_THAT(E.Message(), HasSubstr("at line 1, column"));
  }
}

}  // namespace
