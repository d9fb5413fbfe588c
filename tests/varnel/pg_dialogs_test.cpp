#include "varnel/Vndlgs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_driver.h"
#include "support/pg_test_server.h"
#include "support/string_lines.h"

using namespace vn_test;
using testing::ElementsAreArray;
using testing::HasSubstr;
using testing::StartsWith;

namespace {

// The SQL editor's test run on a server: the session it opens is read-only,
// so a statement that writes fails there and changes nothing.
TEST(PgDialogs, SQLEditorTestReadsAndRefusesWritesOnAServer) {
  TPgServer Server;
  const std::string Name = TestDatabaseName();
  Server.CreateDatabase(Name);
  Server.Exec(Name, "CREATE TABLE items(id integer PRIMARY KEY, label text);"
                    "INSERT INTO items VALUES (1, 'pen'), (2, 'ink');");
  TComponent Form(nullptr);
  auto* Database = new TVNDatabase(&Form);
  Database->SetDatabaseName(Name);
  Database->SetServerType(stPostgreSQL);
  Database->SetRemoteDatabase(Name);
  Server.FillParams(Database->Params());
  auto* Query = new TVNQuery(&Form);
  Query->SetDatabaseName(Name);
  Query->SQL().SetText("select label from items where id = :id");
  Query->ParamByName("id").SetValue(2);

  struct TCase {
    std::string SQL;
    std::string Status;
    std::vector<std::string> Rows;
  } Cases[] = {
      {"select label from items where id = :id", "1 row", {"label", "ink"}},
      {"delete from items returning id", "Error: cannot execute DELETE in a read-only transaction", {}},
  };
  for (const TCase& Case : Cases) {
    std::unique_ptr<TProbeDriver> Driver;
    std::string Status;
    std::vector<std::string> Rows;
    RunDialog(Driver, "memo meSQL\n" + Case.SQL + "\n.\nclick btTest\nprobe",
              [&] { ShowSQLEditor("Q", *Query, nullptr); },
              {[&](TCustomForm& Dialog) {
                Status = Control<TLabel>(Dialog, "lblResult").Caption();
                Rows = Lines(Control<TListBox>(Dialog, "lbResult").Items());
              }});
    EXPECT_THAT(Status, StartsWith(Case.Status)) << Case.SQL;
    EXPECT_THAT(Rows, ElementsAreArray(Case.Rows)) << Case.SQL;
  }
  EXPECT_THAT(Server.Dump(Name), HasSubstr("2\tink"));
  EXPECT_FALSE(Database->Connected());
}

}  // namespace
