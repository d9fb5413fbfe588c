#include "varnel/Vndlgs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "shop_fixture.h"

using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::HasSubstr;
using testing::IsEmpty;
using namespace vn_test;

namespace {

class Dialogs : public testing::Test {
 protected:
  Dialogs() {
    Root->SetName("Form1");
    Database = new TVNDatabase(Root.get());
    Database->SetDatabaseName("shop");
    Database->SetRemoteDatabase(Files.Shop());
    Query = new TVNQuery(Root.get());
    Query->SetName("Query1");
    Query->SetDatabaseName("shop");
    Query->SQL().SetText("select name from customers\n");
  }

  // Runs Action under Script; the script's output comes back, and no line of
  // it may have failed.
  std::string Run(const std::string& Script, const std::function<void()>& Action, std::vector<TProbe> Probes = {},
                  bool ExpectErrors = false) {
    return RunDialog(Driver, Script, Action, std::move(Probes), ExpectErrors);
  }

  int CustomerCount() {
    TVNQuery Count(nullptr);
    Count.SetDatabaseName("shop");
    Count.SQL().SetText("select count(*) as n from customers");
    Count.Open();
    return Count.FieldByName("n").AsInteger();
  }

  vn_test::TShopFiles Files;
  std::unique_ptr<TForm> Root = std::make_unique<TForm>(nullptr);
  TVNDatabase* Database;
  TVNQuery* Query;
  std::unique_ptr<TProbeDriver> Driver;
};

// ---------------------------------------------------------------------------
// SQL editor

TEST_F(Dialogs, SQLEditorWritesTheSQLBackOnlyWhenAccepted) {
  const std::string Edit = "memo meSQL\nselect id from customers\n.\n";
  struct TCase {
    std::string Script;
    bool Accepted;
    std::string SQL;
  } Cases[] = {
      {Edit + "click btOk", true, "select id from customers"},
      {Edit + "click btCancel", false, "select name from customers"},
      {Edit + "key esc", false, "select name from customers"},
  };
  for (const TCase& Case : Cases) {
    Query->SQL().SetText("select name from customers\n");
    bool Accepted = !Case.Accepted;
    Run(Case.Script, [&] { Accepted = ShowSQLEditor("Form1.Query1.SQL", *Query, nullptr); });
    EXPECT_EQ(Accepted, Case.Accepted) << Case.Script;
    EXPECT_THAT(Lines(Query->SQL()), ElementsAre(Case.SQL)) << Case.Script;
  }
}

TEST_F(Dialogs, SQLEditorCodeEditorButtonHandsTheTextOverAndAnswersFalse) {
  std::vector<std::string> Handed;
  bool MarkModified = false;
  const TShowCodeEditorEvent ToCodeEditor = [&](TStrings& List, bool Modified) {
    Handed = Lines(List);
    MarkModified = Modified;
  };
  bool Accepted = true;
  Run("memo meSQL\nselect id\nfrom customers\n.\nclick btCodeEditor",
      [&] { Accepted = ShowSQLEditor("Q", *Query, ToCodeEditor); });
  EXPECT_FALSE(Accepted);
  EXPECT_THAT(Handed, ElementsAre("select id", "from customers"));
  EXPECT_TRUE(MarkModified);
  EXPECT_THAT(Lines(Query->SQL()), ElementsAre("select name from customers"));

  // Without a code editor to go to, the button cannot be clicked.
  const std::string Output = Run("click btCodeEditor", [&] { ShowSQLEditor("Q", *Query, nullptr); }, {}, true);
  EXPECT_THAT(Output, HasSubstr("error: btCodeEditor is disabled"));
}

TEST_F(Dialogs, SQLEditorTestShowsRowsOrAnErrorAndNeverChangesTheDatabase) {
  Query->SQL().SetText("select name from customers where id = :id");
  Query->ParamByName("id").SetValue(3);
  struct TCase {
    std::string SQL;
    std::string Status;
    std::vector<std::string> Rows;
  } Cases[] = {
      {"select id, name, city from customers where id <= 2 order by id", "2 rows",
       {"id | name | city", "1 | Ada | London", "2 | Grace | Arlington"}},
      {"select name, city from customers where id = :id", "1 row", {"name | city", "Alan | NULL"}},
      {"select name from customers where id = :other", "Error: Parameter 'other' has no value", {}},
      {"select * from nosuch", "Error: no such table: nosuch", {}},
      {"delete from customers", "Error: The statement would change the database", {}},
      {"delete from customers returning id", "Error: The statement would change the database", {}},
      {"select 1; delete from customers", "Error: Only one statement can be tested at a time", {}},
  };
  for (const TCase& Case : Cases) {
    std::string Status;
    std::vector<std::string> Rows;
    Run("memo meSQL\n" + Case.SQL + "\n.\nclick btTest\nprobe",
        [&] { ShowSQLEditor("Q", *Query, nullptr); },
        {[&](TCustomForm& Form) {
          Status = Control<TLabel>(Form, "lblResult").Caption();
          Rows = Lines(Control<TListBox>(Form, "lbResult").Items());
        }});
    EXPECT_THAT(Status, testing::StartsWith(Case.Status)) << Case.SQL;
    EXPECT_THAT(Rows, ElementsAreArray(Case.Rows)) << Case.SQL;
  }
  EXPECT_FALSE(Query->Active());
  EXPECT_FALSE(Database->Connected());
  EXPECT_EQ(CustomerCount(), 3);
}

// ---------------------------------------------------------------------------
// Parameter list editor

TEST_F(Dialogs, ParamsEditorEditsTheListInPlaceWhenAccepted) {
  const TGetDefaultParamsEvent Defaults = [](TStrings* List) {
    if (List) List->SetText("host=localhost\nport=5432\n");
  };
  struct TCase {
    std::string Script;
    TGetDefaultParamsEvent GetDefaults;
    bool Accepted;
    std::vector<std::string> Params;
  } Cases[] = {
      {"memo meParams\nuser=bob\n\nrole=admin\n.\nclick btOk", nullptr, true, {"user=bob", "role=admin"}},
      {"memo meParams\nuser=bob\n.\nclick btCancel", nullptr, false, {"user=ada"}},
      {"click btDefaults\nclick btOk", Defaults, true, {"host=localhost", "port=5432"}},
      {"click btDefaults\nclick btOk", nullptr, true, {"user=ada"}},
  };
  for (const TCase& Case : Cases) {
    TStringList Params;
    Params.Add("user=ada");
    bool Accepted = !Case.Accepted;
    Run(Case.Script, [&] { Accepted = ShowDatabaseParamsEditor(Params, nullptr, Case.GetDefaults); }, {},
        !Case.GetDefaults);
    EXPECT_EQ(Accepted, Case.Accepted) << Case.Script;
    EXPECT_THAT(Lines(Params), ElementsAreArray(Case.Params)) << Case.Script;
  }
}

// ---------------------------------------------------------------------------
// Remote database question

TEST_F(Dialogs, InputRemoteDatabaseValueAnswersTheTextOrNothing) {
  struct TCase {
    std::string Script;
    std::string Answer;
  } Cases[] = {
      {"type edDatabase  /data/new.db \nclick btOk", "/data/new.db"},
      {"click btOk", "old.db"},
      {"type edDatabase /data/new.db\nclick btCancel", ""},
      {"type edDatabase /data/new.db\nkey esc", ""},
      {"click btBrowse\nfile " + Files.Shop() + "\nclick btOk", Files.Shop()},
      {"click btBrowse\nfile " + Files.File("nosuch.db") + "\nanswer OK\nkey esc\nclick btOk", "old.db"},
  };
  for (const TCase& Case : Cases) {
    std::string Answer = "unset";
    Run(Case.Script, [&] { Answer = InputRemoteDatabaseValue(stSQLite, "old.db"); });
    EXPECT_EQ(Answer, Case.Answer) << Case.Script;
  }
  // Only a database file is looked for.
  Run("probe\nclick btOk", [] { InputRemoteDatabaseValue(stPostgreSQL, "shop"); },
      {[](TCustomForm& Form) { EXPECT_FALSE(Control<TButton>(Form, "btBrowse").Visible()); }});
}

// ---------------------------------------------------------------------------
// Database dialog

TEST_F(Dialogs, DatabaseDialogGivesBackWhatItWasGiven) {
  TVNDatabaseEditDlg Dialog(Application, 0);
  TStringList Names, History, Params;
  Names.SetText("shop\nstock\n");
  History.SetText("/a.db\n/b.db\n");
  Params.SetText("user=ada\nrole=clerk\n");
  Dialog.LoadData(&Names);
  Dialog.SetDatabaseName("stock");
  Dialog.SetServerType(stPostgreSQL);
  Dialog.SetRemoteDatabase("/b.db");
  Dialog.SetRemoteDatabaseHistory(&History);
  Dialog.SetParams(Params);
  for (const bool On : {true, false}) {
    Dialog.SetKeepConnection(On);
    Dialog.SetLoginPrompt(!On);
    Dialog.SetDefaultDatabase(On);
    Dialog.SetStoreConnected(!On);
    EXPECT_EQ(Dialog.GetKeepConnection(), On);
    EXPECT_EQ(Dialog.GetLoginPrompt(), !On);
    EXPECT_EQ(Dialog.GetDefaultDatabase(), On);
    EXPECT_EQ(Dialog.GetStoreConnected(), !On);
  }
  EXPECT_EQ(Dialog.GetDatabaseName(), "stock");
  EXPECT_EQ(Dialog.GetServerType(), stPostgreSQL);
  EXPECT_EQ(Dialog.GetRemoteDatabase(), "/b.db");
  EXPECT_THAT(Lines(*Dialog.GetParams()), ElementsAre("user=ada", "role=clerk"));
  EXPECT_THAT(Lines(Dialog.cbDatabaseName->Items()), ElementsAre("shop", "stock"));
  EXPECT_THAT(Lines(Dialog.cbRemoteDatabase->Items()), ElementsAre("/a.db", "/b.db"));
  EXPECT_THAT(Lines(History), ElementsAre("/a.db", "/b.db"));
}

TEST_F(Dialogs, DatabaseDialogButtonsFireTheirEventsWithTheDialogAsSender) {
  TVNDatabaseEditDlg Dialog(Application, 0);
  std::vector<std::string> Fired;
  auto Event = [&](const std::string& Name) {
    return TNotifyEvent{"", [&, Name](TObject* Sender) {
                          Fired.push_back(Name + (Sender == &Dialog ? "" : " (other)"));
                        }};
  };
  Dialog.SetDatabaseName("shop");
  Dialog.SetOnLoadDefaultParamsClick(Event("load"));
  Dialog.SetOnSaveDefaultParamsClick(Event("save"));
  Dialog.SetOnSaveDefaultSrvTypeClick(Event("type"));
  Run("click btLoadDefaultParams\nclick btSaveDefaultParams\nclick btSaveDefaultSrvType\nclick btCancel",
      [&] { EXPECT_EQ(Dialog.ShowModal(), mrCancel); });
  EXPECT_THAT(Fired, ElementsAre("load", "save", "type"));

  // An unset event leaves its button with nothing to do.
  Dialog.SetOnSaveDefaultSrvTypeClick({});
  EXPECT_FALSE(Dialog.btSaveDefaultSrvType->Enabled());
}

TEST_F(Dialogs, DatabaseDialogRefusesOKWithoutADatabaseName) {
  TVNDatabaseEditDlg Dialog(Application, 0);
  Dialog.SetDatabaseName("  ");
  TModalResult Result = mrNone;
  Run("click btOk\nanswer OK\nprobe\ntype cbDatabaseName orders\nclick btRemoteDatabase\ntype edDatabase /x/orders.db\n"
      "click btOk\nclick btOk",
      [&] { Result = Dialog.ShowModal(); },
      {[](TCustomForm& Form) { EXPECT_TRUE(Form.Showing()); }});
  EXPECT_EQ(Result, mrOk);
  ASSERT_EQ(Driver->Messages.size(), 1U);
  EXPECT_THAT(Driver->Messages[0], HasSubstr("database name"));
  EXPECT_EQ(Dialog.GetDatabaseName(), "orders");
  EXPECT_EQ(Dialog.GetRemoteDatabase(), "/x/orders.db");
}

}  // namespace
