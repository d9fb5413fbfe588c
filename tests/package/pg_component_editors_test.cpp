#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "ide/ColnEdit.h"
#include "support/pg_test_server.h"

using vn_test::TPgServer;
using vn_test::TScriptScope;

namespace {

class PgComponentEditors : public vn_test::EditorTest {};

// A server that describes a procedure's parameters owns them: the collection
// editor offers neither adding, deleting nor moving.
TEST_F(PgComponentEditors, AConnectedDatabaseThatDescribesTheParametersLeavesNothingToAddOrDelete) {
  TPgServer Server;
  const std::string Name = vn_test::TestDatabaseName();
  Server.CreateDatabase(Name);
  Server.Exec(Name, "CREATE FUNCTION new_order(customer text, qty integer) RETURNS integer "
                    "AS 'SELECT 1' LANGUAGE sql;");
  auto* PgDatabase = Make<TVNDatabase>("PgDatabase");
  PgDatabase->SetDatabaseName("PgShop");
  PgDatabase->SetServerType(stPostgreSQL);
  PgDatabase->SetRemoteDatabase(Name);
  Server.FillParams(PgDatabase->Params());
  PgDatabase->Open();
  StoredProc->SetDatabaseName("PgShop");
  StoredProc->SetStoredProcName("new_order");

  TScriptScope Scope("click btClose\n");
  bool Offered = true;
  int Items = 0;
  Scope.Driver.OnShown = [&](TCustomForm& Form) {
    auto& Editor = As<TCollectionEditor>(Form);
    Offered = Editor.btAdd->Visible() || Editor.btDelete->Visible() || Editor.btMoveUp->Visible();
    Items = Editor.lbItems->Items().Count();
  };
  EditorOf(*StoredProc)->ExecuteVerb(3);
  EXPECT_EQ(Scope.Driver.Shown, std::vector<std::string>{"CollectionEditor \"Editing StoredProc1.Params\""});
  EXPECT_FALSE(Offered);
  EXPECT_GE(Items, 2) << "the server described the parameters";
  EXPECT_FALSE(StoredProc->Prepared());
  PgDatabase->Close();
}

}  // namespace
