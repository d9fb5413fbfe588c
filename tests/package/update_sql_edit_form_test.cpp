#include "updatesql/update_sql_edit_form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "vcl/Dialogs.h"
#include "vcl/Forms.h"
#include "script_driver.h"
#include "support/temp_dir.h"
#include "varnel/Vnconsts.h"
#include "varnel/Vnengine.h"
#include "varnel/sqlite_fixture.h"

using namespace VNUpdSEd;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

using TProbe = std::function<void(TVNUpdateSQLEditForm&)>;

// The scripted driver, with "probe N" lines that run Probes[N] on the open
// dialog, and a record of the messages shown and the exceptions reported.
class TProbeDriver : public vn_vcl::TScriptedDriver {
 public:
  TProbeDriver(std::istream& In, std::ostream& Out, std::vector<TProbe> AProbes)
      : TScriptedDriver(In, Out), Probes(std::move(AProbes)) {}

  bool HandleMessage(TCustomForm& Form) override {
    std::string Line;
    if (ReadCommand(Line, Form.Name())) {
      if (!Line.starts_with("probe ")) {
        Unread(Line);
      } else {
        const std::size_t Index = std::stoul(Line.substr(6));
        Probes.at(Index)(As<TVNUpdateSQLEditForm>(Form));
        Ran.insert(Index);
        return true;
      }
    }
    return TScriptedDriver::HandleMessage(Form);
  }
  int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) override {
    std::string Kind = DlgType == mtError ? "error" : DlgType == mtConfirmation ? "question" : "other";
    Kind += Buttons == TMsgDlgButtons{mbOK} ? "/OK" : Buttons == mbYesNoCancel ? "/YesNoCancel" : "/other";
    Messages.push_back(Kind + ": " + Msg);
    return TScriptedDriver::MessageDlg(Msg, DlgType, Buttons, HelpCtx);
  }
  void ShowException(const std::string& ClassName, const std::string& Message) override {
    Exceptions.push_back(ClassName + ": " + Message);
  }
  void FormShown(TCustomForm& Form) override {
    if (FailOnShow) throw EDatabaseError("the host failed to show the form");
    TScriptedDriver::FormShown(Form);
  }

  bool FailOnShow = false;

  std::vector<TProbe> Probes;
  std::set<std::size_t> Ran;
  std::vector<std::string> Messages;
  std::vector<std::string> Exceptions;
};

std::vector<std::string> Items(const TStrings& List) {
  std::vector<std::string> Result;
  for (int I = 0; I < List.Count(); ++I) Result.push_back(List.Strings(I));
  return Result;
}

std::vector<std::string> SelectedItems(const TListBox& ListBox) {
  std::vector<std::string> Result;
  for (int I = 0; I < ListBox.Items().Count(); ++I)
    if (ListBox.Selected(I)) Result.push_back(ListBox.Items().Strings(I));
  return Result;
}

std::string Message(std::string_view Kind, std::string_view Format, const std::string& Arg = "") {
  return std::string(Kind) + ": " + (Arg.empty() ? std::string(Format) : ::Format(Format, {Arg}));
}

class UpdateSQLEditor : public testing::Test {
 protected:
  UpdateSQLEditor() {
    vn_test::RunSQLiteScript(Dir.File("dlg.db"),
                             "CREATE TABLE orders(order_no INTEGER, line_no INTEGER, item TEXT, qty INTEGER, price REAL,"
                             "  PRIMARY KEY(order_no, line_no));"
                             "CREATE UNIQUE INDEX orders_by_item ON orders(item);"
                             "CREATE TABLE parts(code TEXT, maker TEXT, serial TEXT, note TEXT);"
                             "CREATE UNIQUE INDEX parts_by_code ON parts(code);"
                             "CREATE UNIQUE INDEX parts_by_serial ON parts(maker, serial);"
                             "CREATE TABLE notes(body TEXT, stamp TEXT);"
                             "CREATE TABLE Customers(CustNo INTEGER PRIMARY KEY, \"Name      \" TEXT, City TEXT);");
    Root->SetName("Form1");
    auto* Database = new TVNDatabase(Root.get());
    Database->SetName("Database1");
    Database->SetDatabaseName("dlg");
    Database->SetRemoteDatabase(Dir.File("dlg.db"));
    Query = new TVNQuery(Root.get());
    Query->SetName("Query1");
    Query->SetDatabaseName("dlg");
    Query->SQL().SetText("select o.order_no, o.line_no, o.item, o.qty as amount, o.price\nfrom orders o");
    UpdateSQL = new TVNUpdateSQL(Root.get());
    UpdateSQL->SetName("UpdateSQL1");
    Query->SetUpdateObject(UpdateSQL);
  }

  // Runs EditUpdateSQL on Target under Script; checks that no handler raised.
  bool Edit(TVNUpdateSQL& Target, const std::string& Script, std::vector<TProbe> Probes = {}) {
    std::istringstream In(Script);
    std::ostringstream Out;
    Driver = std::make_unique<TProbeDriver>(In, Out, std::move(Probes));
    vn_vcl::TDriverInstallation Installed(*Driver);
    const bool Result = EditUpdateSQL(Target);
    // A script out of step with the dialog would skip probes unnoticed.
    EXPECT_EQ(Driver->Ran.size(), Driver->Probes.size()) << Out.str();
    EXPECT_EQ(Out.str().find("error:"), std::string::npos) << Out.str();
    EXPECT_THAT(Driver->Exceptions, IsEmpty()) << Out.str();
    EXPECT_EQ(Screen->Cursor(), crDefault);
    return Result;
  }
  std::vector<std::string> Messages() const { return Driver->Messages; }

  vn_test::TTempDir Dir;
  std::unique_ptr<TForm> Root = std::make_unique<TForm>(nullptr);
  TVNQuery* Query;
  TVNUpdateSQL* UpdateSQL;
  std::unique_ptr<TProbeDriver> Driver;
};

TEST_F(UpdateSQLEditor, SetUpFillsTheDialogFromTheQueryAndTheButtonsFollowTheTable) {
  UpdateSQL->ModifySQL().SetText("update orders set qty = :qty");
  UpdateSQL->RefreshSQL().SetText("select qty from orders");
  const int FormsBefore = Application->ComponentCount();
  const bool Accepted = Edit(*UpdateSQL, "probe 0\ntype cbTableName    \nprobe 1\nselect cbTableName orders\nprobe 2\nclick btCancel\n",
                             {[](TVNUpdateSQLEditForm& F) {
                                EXPECT_EQ(F.Caption(), "Form1.UpdateSQL1 (Query1)");
                                EXPECT_THAT(Items(F.cbTableName->Items()), ElementsAre("orders"));
                                EXPECT_EQ(F.cbTableName->Text(), "orders");
                                const auto Fields = ElementsAre("order_no", "line_no", "item", "amount", "price");
                                EXPECT_THAT(SelectedItems(*F.lbKeyFields), Fields);
                                EXPECT_THAT(SelectedItems(*F.lbUpdateFields), Fields);
                                EXPECT_FALSE(F.btDataSetDefaults->Enabled());
                                EXPECT_TRUE(F.btGetTableFields->Enabled());
                                EXPECT_EQ(F.pcUpdateSQL->ActivePage(), F.tsOptions);
                                EXPECT_THAT(Items(F.meSQLText->Lines()), ElementsAre("select qty from orders"));
                                EXPECT_EQ(F.ActiveControl(), F.cbTableName);
                              },
                              [](TVNUpdateSQLEditForm& F) {
                                EXPECT_FALSE(F.btGetTableFields->Enabled()) << "blanks are no table";
                                EXPECT_FALSE(F.btSelectPrimKeys->Enabled());
                                EXPECT_FALSE(F.btGenerateSQL->Enabled());
                              },
                              [](TVNUpdateSQLEditForm& F) {
                                EXPECT_TRUE(F.btGetTableFields->Enabled());
                                EXPECT_TRUE(F.btSelectPrimKeys->Enabled());
                                EXPECT_TRUE(F.btGenerateSQL->Enabled());
                              }});
  EXPECT_FALSE(Accepted);
  EXPECT_EQ(Application->ComponentCount(), FormsBefore) << "the dialog outlived the call";
  EXPECT_EQ(UpdateSQL->ModifySQL().Text(), "update orders set qty = :qty\r\n");

  // Owned by something that is not a form and without a dataset: no owner in
  // the caption, nothing to discover, but the statements can still be typed.
  TComponent DataModule(nullptr);
  DataModule.SetName("DataModule1");
  auto* Lone = new TVNUpdateSQL(&DataModule);
  Lone->SetName("UpdateSQL2");
  EXPECT_TRUE(Edit(*Lone,
                   "type cbTableName orders\nprobe 0\npage pcUpdateSQL SQL\nradio rgrStatementType #1\n"
                   "memo meSQLText\nupdate t set a = :a\n.\nclick btOk\n",
                   {[](TVNUpdateSQLEditForm& F) {
                     EXPECT_EQ(F.Caption(), "UpdateSQL2 (" + std::string(SNoDataSet) + ")");
                     EXPECT_EQ(F.cbTableName->Items().Count(), 0);
                     EXPECT_EQ(F.lbKeyFields->Items().Count(), 0);
                     EXPECT_FALSE(F.btGetTableFields->Enabled());
                     EXPECT_FALSE(F.btSelectPrimKeys->Enabled());
                     EXPECT_FALSE(F.btGenerateSQL->Enabled());
                     try {
                       F.GetTableFieldsClick(nullptr);
                       ADD_FAILURE() << "no assertion";
                     } catch (const EAssertionFailed& E) {
                       EXPECT_EQ(E.SourceName(), "VNUpdSEd");
                       EXPECT_EQ(E.Line(), 542);
                       EXPECT_THAT(E.Message(), testing::StartsWith("Assertion failure"));
                     }
                   }}));
  EXPECT_EQ(Lone->ModifySQL().Text(), "update t set a = :a\r\n");

  // The exported entry checks the class of what it is given.
  EXPECT_THROW(VNUpdSEd_EditUpdateSQL(Query), EInvalidCast);
  EXPECT_THROW(VNUpdSEd_EditUpdateSQL(nullptr), EInvalidCast);
}

TEST_F(UpdateSQLEditor, GetTableFieldsUnquotesTrimsMeasuresAndKeepsTheListsWhenTheTableIsMissing) {
  EXPECT_FALSE(Edit(*UpdateSQL,
                    "type cbTableName \"customers\"\nclick btGetTableFields\nprobe 0\n"
                    "deselect lbKeyFields City\ntype cbTableName no\"\"such\nclick btGetTableFields\nanswer OK\nprobe 1\n"
                    "click btDataSetDefaults\nprobe 2\nclick btCancel\n",
                    {[](TVNUpdateSQLEditForm& F) {
                       EXPECT_THAT(SelectedItems(*F.lbKeyFields), ElementsAre("CustNo", "Name", "City"));
                       EXPECT_THAT(SelectedItems(*F.lbUpdateFields), ElementsAre("CustNo", "Name", "City"));
                       EXPECT_TRUE(F.btDataSetDefaults->Enabled());
                       // The untrimmed name is the widest: its blanks count.
                       const int Widest = F.lbKeyFields->Canvas().TextWidth("Name      A");
                       EXPECT_GT(Widest, F.lbKeyFields->Canvas().TextWidth("CustNoA"));
                       EXPECT_EQ(F.lbKeyFields->ScrollWidth(), Widest);
                       EXPECT_EQ(F.lbUpdateFields->ScrollWidth(), F.lbUpdateFields->Canvas().TextWidth("Name      A"));
                     },
                     [](TVNUpdateSQLEditForm& F) {
                       EXPECT_THAT(SelectedItems(*F.lbKeyFields), ElementsAre("CustNo", "Name", "City"));
                       EXPECT_TRUE(F.btDataSetDefaults->Enabled());
                     },
                     [](TVNUpdateSQLEditForm& F) {
                       EXPECT_THAT(SelectedItems(*F.lbKeyFields),
                                   ElementsAre("order_no", "line_no", "item", "amount", "price"));
                       EXPECT_FALSE(F.btDataSetDefaults->Enabled());
                     }}));
  // Of two adjacent quotes only the first goes.
  EXPECT_THAT(Messages(), ElementsAre(Message("error/OK", SSQLDataSetOpen, "no\"such")));
}

TEST_F(UpdateSQLEditor, SelectPrimaryKeysPrefersThePrimaryKeyThenTheFirstUniqueIndex) {
  // Aliases keep the field names in the letter case typed here.
  Query->SQL().SetText("select custno as custno, \"Name      \" as name, city as city from customers");
  EXPECT_FALSE(Edit(
      *UpdateSQL,
      // Field names in another letter case than the table's columns.
      "type cbTableName Customers\nclick btSelectPrimKeys\nprobe 0\n"
      "type cbTableName orders\nclick btGetTableFields\nclick btSelectPrimKeys\nprobe 1\n"
      "type cbTableName parts\nclick btGetTableFields\nclick btSelectPrimKeys\nprobe 2\n"
      "type cbTableName notes\nclick btGetTableFields\nclick btSelectPrimKeys\nprobe 3\n"
      "select lbKeyFields body\ntype cbTableName nosuch\nclick btSelectPrimKeys\nprobe 4\nclick btCancel\n",
      {[](TVNUpdateSQLEditForm& F) {
         EXPECT_THAT(SelectedItems(*F.lbKeyFields), ElementsAre("custno"));
         EXPECT_THAT(SelectedItems(*F.lbUpdateFields), ElementsAre("custno", "name", "city"));
       },
       [](TVNUpdateSQLEditForm& F) {
         // The unique index on item is left out: the primary key wins.
         EXPECT_THAT(SelectedItems(*F.lbKeyFields), ElementsAre("order_no", "line_no"));
       },
       [](TVNUpdateSQLEditForm& F) {
         // Whichever unique index the schema lists first.
         std::vector<std::string> First;
         auto Schema = Session().FindDatabase("dlg")->GetSchemaInfo(vsIndexes, "parts");
         const std::string FirstIndex = Schema->FieldByName("INDEX_NAME").AsString();
         for (; !Schema->Eof(); Schema->Next())
           if (Schema->FieldByName("INDEX_NAME").AsString() == FirstIndex)
             First.push_back(Schema->FieldByName("COLUMN_NAME").AsString());
         ASSERT_FALSE(First.empty());
         EXPECT_EQ(SelectedItems(*F.lbKeyFields), First);
       },
       [](TVNUpdateSQLEditForm& F) {
         EXPECT_THAT(SelectedItems(*F.lbKeyFields), IsEmpty()) << "no key: nothing stays selected";
         EXPECT_THAT(SelectedItems(*F.lbUpdateFields), ElementsAre("body", "stamp"));
       },
       [](TVNUpdateSQLEditForm& F) {
         EXPECT_THAT(SelectedItems(*F.lbKeyFields), ElementsAre("body")) << "a table without schema changed the keys";
       }}));
}

TEST_F(UpdateSQLEditor, GenerateStoresMemoEditsAndOkWritesTheStatementsBack) {
  UpdateSQL->InsertSQL().SetText("old insert");
  EXPECT_TRUE(Edit(*UpdateSQL,
                   "popup lbKeyFields\nclick miClearAll\nprobe 0\nclick btGenerateSQL\nanswer OK\n"
                   "popup lbKeyFields\nclick miSelectAll\nprobe 1\n"
                   "click btGetTableFields\nclick btSelectPrimKeys\ndeselect lbUpdateFields order_no line_no\n"
                   "page pcUpdateSQL SQL\nradio rgrStatementType #3\npage pcUpdateSQL Options\n"
                   "click btGenerateSQL\nprobe 2\n"
                   "page pcUpdateSQL SQL\nradio rgrStatementType #2\nmemo meSQLText\ninsert into orders default values\n.\n"
                   "radio rgrStatementType #0\nclick btOk\n",
                   {[](TVNUpdateSQLEditForm& F) {
                      EXPECT_THAT(SelectedItems(*F.lbKeyFields), IsEmpty());
                      EXPECT_EQ(SelectedItems(*F.lbUpdateFields).size(), 5u) << "the other list was touched";
                    },
                    [this](TVNUpdateSQLEditForm& F) {
                      EXPECT_EQ(SelectedItems(*F.lbKeyFields).size(), 5u);
                      EXPECT_EQ(SelectedItems(*F.lbUpdateFields).size(), 5u);
                      EXPECT_THAT(Messages(), ElementsAre(Message("error/OK", SSQLGenSelect)));
                      EXPECT_THAT(Items(F.meSQLText->Lines()), IsEmpty()) << "generated without a selection";
                    },
                    [](TVNUpdateSQLEditForm& F) {
                      EXPECT_EQ(F.pcUpdateSQL->ActivePage(), F.tsOptions);
                      EXPECT_EQ(F.meSQLText->Lines().Text(),
                                "delete from orders\r\nwhere\r\n  order_no = :OLD_order_no and\r\n"
                                "  line_no = :OLD_line_no\r\n");
                    }}));
  EXPECT_EQ(UpdateSQL->ModifySQL().Text(),
            "update orders\r\nset\r\n  item = :item,\r\n  qty = :amount,\r\n  price = :price\r\nwhere\r\n"
            "  order_no = :OLD_order_no and\r\n  line_no = :OLD_line_no\r\n");
  EXPECT_EQ(UpdateSQL->RefreshSQL().Text(),
            "select item, qty as amount, price\r\nfrom orders\r\nwhere\r\n"
            "  order_no = :OLD_order_no and\r\n  line_no = :OLD_line_no\r\n");
  EXPECT_EQ(UpdateSQL->InsertSQL().Text(), "insert into orders default values\r\n") << "the memo edit was lost";
  EXPECT_EQ(UpdateSQL->DeleteSQL().Text(),
            "delete from orders\r\nwhere\r\n  order_no = :OLD_order_no and\r\n  line_no = :OLD_line_no\r\n");
}

TEST_F(UpdateSQLEditor, AnEmptyModifyStatementAsksBeforeOkAndCancelDiscardsEverything) {
  UpdateSQL->DeleteSQL().SetText("delete from orders");
  const std::string Question = Message("question/YesNoCancel", SSQLNotGenerated);
  EXPECT_TRUE(Edit(*UpdateSQL, "click btOk\nanswer No\nprobe 0\nclick btOk\nanswer Cancel\nprobe 0\nclick btOk\nanswer Yes\n",
                   {[](TVNUpdateSQLEditForm& F) { EXPECT_TRUE(F.Showing()) << "closed without a Yes"; }}));
  EXPECT_EQ(Messages(), std::vector<std::string>(3, Question));
  EXPECT_EQ(UpdateSQL->ModifySQL().Text(), "");
  EXPECT_EQ(UpdateSQL->DeleteSQL().Text(), "delete from orders\r\n");

  // Generated and edited, then cancelled: the update object keeps what it had.
  EXPECT_FALSE(Edit(*UpdateSQL,
                    "click btGenerateSQL\npage pcUpdateSQL SQL\nmemo meSQLText\nselect 1\n.\nclick btCancel\n"));
  EXPECT_THAT(Messages(), IsEmpty());
  for (int Index = 0; Index < 4; ++Index)
    EXPECT_EQ(UpdateSQL->GetSQLIndex(Index).Text(), Index == 3 ? "delete from orders\r\n" : "") << Index;
}

TEST_F(UpdateSQLEditor, AFailureWhileOpeningDestroysTheDialogAndLeavesTheStatements) {
  UpdateSQL->ModifySQL().SetText("update orders set qty = :qty");
  const int FormsBefore = Application->ComponentCount();
  Screen->SetCursor(crArrow);
  std::istringstream In("click btOk\n");
  std::ostringstream Out;
  TProbeDriver Failing(In, Out, {});
  Failing.FailOnShow = true;
  {
    vn_vcl::TDriverInstallation Installed(Failing);
    EXPECT_THROW(EditUpdateSQL(*UpdateSQL), EDatabaseError);
  }
  EXPECT_EQ(Screen->Cursor(), crArrow) << "set-up left its cursor";
  Screen->SetCursor(crDefault);
  EXPECT_EQ(Application->ComponentCount(), FormsBefore);
  EXPECT_EQ(UpdateSQL->ModifySQL().Text(), "update orders set qty = :qty\r\n");
}

struct TOpeningCase {
  const char* SQL;
  bool Macros;             // a macro query instead of a query
  bool Connected;          // the database is connected while the editor opens
  std::vector<std::string> Tables;  // the combo's items
  std::vector<std::string> Fields;  // the field lists' items
};

// Text that the runtime library cannot read as one SELECT still opens the
// editor, with what could be read, and hand-typed statements are saved.
TEST_F(UpdateSQLEditor, OpensWhateverTheQueryHoldsAndSavesTypedStatements) {
  const TOpeningCase Cases[] = {
      {"", false, false, {}, {}},
      {"\n\n", false, false, {}, {}},
      {"select o.qty from orders o %where", true, false, {"orders"}, {"qty"}},
      {"select qty from orders %where", false, false, {}, {}},
      {"pragma table_info(orders)", false, false, {}, {"cid", "name", "type", "notnull", "dflt_value", "pk"}},
      {"insert into orders(qty) values (1)", false, false, {}, {}},
      {"select qty from orders; select 1", false, false, {}, {}},
      {"select qty from orders;;", false, true, {"orders"}, {"qty"}},
      {"select qty from orders where item = #item", false, false, {"orders"}, {"qty"}},
      {"select qty from orders where item = :item(1)", false, false, {}, {}},
      {"select top 1 qty from orders", false, false, {}, {}},
      {"select gone from orders", false, true, {"orders"}, {}},
      {"select qty from gone", false, true, {"gone"}, {}},
      // An expression named by its text ("qty = 1") is no field of the table.
      {"select order_no, qty = 1, price >= 100 from orders", false, false, {"orders"}, {"order_no"}},
  };
  for (const TOpeningCase& Case : Cases) {
    SCOPED_TRACE(Case.SQL);
    TVNQuery* Target = Query;
    std::unique_ptr<TVNMacroQuery> MacroQuery;
    if (Case.Macros) {
      MacroQuery = std::make_unique<TVNMacroQuery>(nullptr);
      MacroQuery->SetDatabaseName("dlg");
      MacroQuery->SetUpdateObject(UpdateSQL);
      Target = MacroQuery.get();
    }
    Target->SQL().SetText(Case.SQL);
    Session().FindDatabase("dlg")->SetConnected(Case.Connected);
    UpdateSQL->ModifySQL().Clear();
    EXPECT_TRUE(Edit(*UpdateSQL,
                     "probe 0\npage pcUpdateSQL SQL\nradio rgrStatementType #1\n"
                     "memo meSQLText\nupdate orders set qty = 0\n.\nclick btOk\n",
                     {[&Case](TVNUpdateSQLEditForm& F) {
                       EXPECT_EQ(Items(F.cbTableName->Items()), Case.Tables);
                       EXPECT_EQ(SelectedItems(*F.lbUpdateFields), Case.Fields);
                     }}));
    EXPECT_EQ(UpdateSQL->ModifySQL().Text(), "update orders set qty = 0\r\n");
    Query->SetUpdateObject(UpdateSQL);
  }
}

// Generating from the table's own fields binds each through the query's alias
// for it, the same on every opening whatever the buttons did to the database.
TEST_F(UpdateSQLEditor, StatementsAreTheSameOnEveryOpeningAndBindTheAliases) {
  Query->SQL().SetText("select o.order_no, o.line_no, o.qty as amount from ORDERS o");
  const std::string Script =
      "click btGetTableFields\nclick btSelectPrimKeys\ndeselect lbUpdateFields item price\n"
      "click btGenerateSQL\nclick btOk\n";
  const std::string Expected =
      "update ORDERS\r\nset\r\n  order_no = :order_no,\r\n  line_no = :line_no,\r\n  qty = :amount\r\n"
      "where\r\n  order_no = :OLD_order_no and\r\n  line_no = :OLD_line_no\r\n";
  for (int Opening = 0; Opening < 3; ++Opening) {
    if (Opening == 2) Session().FindDatabase("dlg")->Open();
    EXPECT_TRUE(Edit(*UpdateSQL, Script));
    EXPECT_EQ(UpdateSQL->ModifySQL().Text(), Expected) << "opening " << Opening;
  }
}

// With a database file named directly, asking for its fields leaves no
// database behind for Select Primary Keys to find.
TEST_F(UpdateSQLEditor, GetTableFieldsLeavesNoDatabaseForSelectPrimaryKeys) {
  Query->SetDatabaseName(Dir.File("dlg.db"));
  const auto AllSelected = [](TVNUpdateSQLEditForm& F) {
    EXPECT_THAT(SelectedItems(*F.lbKeyFields), ElementsAre("order_no", "line_no", "item", "qty", "price"));
  };
  EXPECT_FALSE(Edit(*UpdateSQL,
                    "click btGetTableFields\nclick btSelectPrimKeys\nanswer ok\nprobe 0\n"
                    "click btGetTableFields\nclick btSelectPrimKeys\nanswer ok\nprobe 1\nclick btCancel\n",
                    {AllSelected, AllSelected}));
  EXPECT_EQ(Query->GetDBSession().FindDatabase(Dir.File("dlg.db")), nullptr);
  // Nothing changes, and the person is told why.
  ASSERT_FALSE(Messages().empty());
  EXPECT_EQ(Messages().back(), "other/OK: No database named \"" + Dir.File("dlg.db") +
                                          "\" is defined in session \"Default\": the primary key cannot be looked up");
}

}  // namespace
