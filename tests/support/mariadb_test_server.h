// The private MariaDB server of the test run (tests/support/mariadb_server.sh,
// started by a ctest fixture): how to reach it, and a fresh database per test.
#pragma once

#include <gtest/gtest.h>
#include <mysql.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>

#include "rtl/Classes.h"
#include "support/own_server.h"
#include "support/run_program.h"

namespace vn_test {

// The lines of STATE/server.env.
class TMariaDbServer {
 public:
  // The run's server, or another one.
  explicit TMariaDbServer(const std::string& EnvFile = VN_MARIADB_SERVER_FILE) {
    std::ifstream In(EnvFile);
    if (!In) throw std::runtime_error("no MariaDB test server: cannot read " + EnvFile);
    std::string Line;
    while (std::getline(In, Line))
      if (const std::size_t Eq = Line.find('='); Eq != std::string::npos)
        FValues[Line.substr(0, Eq)] = Line.substr(Eq + 1);
  }
  std::string Get(const std::string& Key) const {
    const auto It = FValues.find(Key);
    return It == FValues.end() ? "" : It->second;
  }
  std::string Host() const { return Get("HOST"); }
  std::string Port() const { return Get("PORT"); }
  std::string Socket() const { return Get("SOCKET"); }
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

  // A name as MariaDB quotes identifiers, and a string literal.
  static std::string Name(const std::string& Text) { return Quote(Text, '`'); }
  static std::string Literal(const std::string& Text) { return Quote(Text, '\''); }

  // Runs SQL (several statements) in Database (none when empty) as the test
  // user; failures fail the test.
  void Exec(const std::string& Database, const std::string& SQL) const {
    MYSQL* Conn = mysql_init(nullptr);
    const unsigned Timeout = 5;
    mysql_options(Conn, MYSQL_OPT_CONNECT_TIMEOUT, &Timeout);
    mysql_options(Conn, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    if (mysql_real_connect(Conn, Host().c_str(), User().c_str(), Password().c_str(),
                           Database.empty() ? nullptr : Database.c_str(), static_cast<unsigned>(std::stoul(Port())),
                           nullptr, CLIENT_MULTI_STATEMENTS) != nullptr &&
        mysql_real_query(Conn, SQL.data(), SQL.size()) == 0) {
      // Every statement's result is read: the first error ends the batch.
      do {
        if (MYSQL_RES* Result = mysql_store_result(Conn)) mysql_free_result(Result);
      } while (mysql_errno(Conn) == 0 && mysql_next_result(Conn) == 0);
    }
    if (mysql_errno(Conn) != 0) ADD_FAILURE() << mysql_error(Conn) << '\n' << SQL;
    mysql_close(Conn);
  }
  // A new, empty database (an old one of the name is dropped first).
  void CreateDatabase(const std::string& Database) const {
    Exec("", "DROP DATABASE IF EXISTS " + Name(Database) + "; CREATE DATABASE " + Name(Database) +
                 " CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci");
  }
  // An ordinary login named as Database, with the test user's password, that
  // may read and write the tables of Database only: what an application
  // connects as.
  std::string CreateAppRole(const std::string& Database) const {
    const std::string Local = Literal(Database) + "@'localhost'", Loopback = Literal(Database) + "@'127.0.0.1'";
    const std::string Secret = " IDENTIFIED BY " + Literal(Password());
    Exec("", "DROP USER IF EXISTS " + Local + ", " + Loopback + "; CREATE USER " + Local + Secret + ", " + Loopback +
                 Secret + "; GRANT SELECT, INSERT, UPDATE, DELETE ON " + Name(Database) + ".* TO " + Local + ", " +
                 Loopback);
    return Database;
  }

  // Every object and row of Database, as mariadb-dump writes them (no date,
  // no comments: two dumps of the same data are the same text).
  std::string Dump(const std::string& Database) const {
    // The password goes in an option file only the test's user can read.
    std::string OptionFile = "/tmp/vn-mariadb-dump-XXXXXX";
    const int Fd = mkstemp(OptionFile.data());
    if (Fd < 0) throw std::runtime_error("mkstemp failed");
    const std::string Options = "[client]\nuser=" + User() + "\npassword=" + Password() + "\nsocket=" + Socket() + "\n";
    const bool Written = write(Fd, Options.data(), Options.size()) == static_cast<ssize_t>(Options.size());
    close(Fd);
    TRun Run{-1, "cannot write " + OptionFile};
    if (Written)
      Run = RunShell(Get("BIN") + "/mariadb-dump --defaults-file=" + OptionFile + " --skip-dump-date --skip-comments " +
                     Database + " 2>&1");
    unlink(OptionFile.c_str());
    EXPECT_EQ(Run.ExitCode, 0) << Run.Output;
    return Run.Output;
  }

 private:
  static std::string Quote(const std::string& Text, char Mark) {
    std::string Result(1, Mark);
    for (const char C : Text) {
      if (C == Mark || (Mark == '\'' && C == '\\')) Result += C == '\\' ? '\\' : Mark;
      Result += C;
    }
    return Result + Mark;
  }
  std::map<std::string, std::string> FValues;
};

// A second private server, for tests that stop the server under a session.
class TOwnMariaDbServer : public TOwnServer<TMariaDbServer> {
 public:
  TOwnMariaDbServer() : TOwnServer(VN_MARIADB_SCRIPT, "MariaDB") {}
};

}  // namespace vn_test
