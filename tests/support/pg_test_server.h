// The private PostgreSQL server of the test run (tests/support/pg_server.sh,
// started by a ctest fixture): how to reach it, and a fresh database per test.
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "rtl/Classes.h"
#include "support/own_server.h"
#include "support/run_program.h"

namespace vn_test {

// The lines of STATE/server.env.
class TPgServer {
 public:
  // The run's server, or another one.
  explicit TPgServer(const std::string& EnvFile = VN_PG_SERVER_FILE) {
    std::ifstream In(EnvFile);
    if (!In) throw std::runtime_error("no PostgreSQL test server: cannot read " + EnvFile);
    std::string Line;
    while (std::getline(In, Line))
      if (const std::size_t Eq = Line.find('='); Eq != std::string::npos) FValues[Line.substr(0, Eq)] = Line.substr(Eq + 1);
  }
  static std::string Env(const char* Name) {
    const char* Value = std::getenv(Name);
    return Value == nullptr ? "" : Value;
  }
  std::string Get(const std::string& Key) const {
    const auto It = FValues.find(Key);
    return It == FValues.end() ? "" : It->second;
  }
  std::string Host() const { return Get("HOST"); }
  std::string Port() const { return Get("PORT"); }
  std::string User() const { return Get("USER"); }
  std::string Password() const { return Get("PASSWORD"); }

  // Params of a database component that logs in to this server.
  void FillParams(TStrings& Params, const std::string& Password = "") const {
    Params.Clear();
    Params.Add("HOST=" + Host());
    Params.Add("PORT=" + Port());
    Params.Add("USER NAME=" + User());
    Params.Add("PASSWORD=" + (Password.empty() ? this->Password() : Password));
    Params.Add("CONNECT TIMEOUT=5");
  }

  // Runs SQL (several statements) in Database as the test user; failures fail the test.
  void Exec(const std::string& Database, const std::string& SQL) const {
    PGconn* Conn = Connect(Database);
    PGresult* Result = PQexec(Conn, SQL.c_str());
    const ExecStatusType Status = PQresultStatus(Result);
    EXPECT_TRUE(Status == PGRES_COMMAND_OK || Status == PGRES_TUPLES_OK) << PQerrorMessage(Conn) << SQL;
    PQclear(Result);
    PQfinish(Conn);
  }
  // A new, empty database (an old one of the name is dropped first).
  void CreateDatabase(const std::string& Database) const {
    Exec(Get("DATABASE"), "DROP DATABASE IF EXISTS \"" + Database + "\" WITH (FORCE)");
    Exec(Get("DATABASE"), "CREATE DATABASE \"" + Database + "\"");
  }
  // An ordinary login role named as Database, with the superuser's password,
  // that may read and write every table and sequence Database has now: what
  // an application connects as.
  std::string CreateAppRole(const std::string& Database) const {
    const std::string Role = "\"" + Database + "\"";
    Exec(Database, "DROP ROLE IF EXISTS " + Role + "; CREATE ROLE " + Role + " LOGIN PASSWORD '" + Password() +
                       "'; GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO " + Role +
                       "; GRANT USAGE, SELECT ON ALL SEQUENCES IN SCHEMA public TO " + Role);
    return Database;
  }
  // A session of the test user in Database, closed with the object.
  struct TSession {
    PGconn* Conn;
    explicit TSession(PGconn* C) : Conn(C) {}
    ~TSession() { PQfinish(Conn); }
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;
    // Runs SQL; false (with the reason in the test's output) when it fails.
    bool Run(const std::string& SQL) const {
      PGresult* Result = PQexec(Conn, SQL.c_str());
      const ExecStatusType Status = PQresultStatus(Result);
      PQclear(Result);
      const bool Ok = Status == PGRES_COMMAND_OK || Status == PGRES_TUPLES_OK;
      EXPECT_TRUE(Ok) << PQerrorMessage(Conn) << SQL;
      return Ok;
    }
  };
  std::unique_ptr<TSession> Open(const std::string& Database) const { return std::make_unique<TSession>(Connect(Database)); }

  // Every object and row of Database, as pg_dump writes them; without the
  // \restrict lines, whose key is new on every dump.
  std::string Dump(const std::string& Database) const {
    const std::string Text = RunShell("PGPASSWORD=" + Password() + " " + Get("BIN") + "/pg_dump -h " + Host() +
                                      " -p " + Port() + " -U " + User() + " " + Database + " 2>&1")
                                 .Output;
    std::string Result;
    std::size_t Start = 0;
    while (Start < Text.size()) {
      std::size_t End = Text.find('\n', Start);
      End = End == std::string::npos ? Text.size() : End + 1;
      const std::string_view Line(Text.data() + Start, End - Start);
      if (!Line.starts_with("\\restrict ") && !Line.starts_with("\\unrestrict ")) Result += Line;
      Start = End;
    }
    return Result;
  }

 private:
  PGconn* Connect(const std::string& Database) const {
    const char* Keys[] = {"host", "port", "user", "password", "dbname", nullptr};
    const std::string P = Port(), H = Host(), U = User(), W = Password();
    const char* Values[] = {H.c_str(), P.c_str(), U.c_str(), W.c_str(), Database.c_str(), nullptr};
    return PQconnectdbParams(Keys, Values, 0);
  }
  std::map<std::string, std::string> FValues;
};

// The database of the running test: its name, lower case.
inline std::string TestDatabaseName() {
  const auto* Info = testing::UnitTest::GetInstance()->current_test_info();
  std::string Name = std::string("t_") + Info->test_suite_name() + "_" + Info->name();
  for (char& C : Name) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  return Name.substr(0, 60);
}

// A second private server, for tests that stop the server under a session.
class TOwnPgServer : public TOwnServer<TPgServer> {
 public:
  TOwnPgServer() : TOwnServer(VN_PG_SCRIPT, "PostgreSQL") {}
};

}  // namespace vn_test
