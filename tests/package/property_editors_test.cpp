// The package's property editors, through the host's Object Inspector, on a
// real SQLite database.
#include <gtest/gtest.h>

#include "code_editor.h"
#include "editor_fixture.h"
#include "editors/code_editor_bridge.h"
#include "object_inspector.h"
#include "properties/name_list_properties.h"
#include "rtl/DB.h"
#include "rtl/TypInfo.h"
#include "rtl/Windows.h"

namespace vn_test {
namespace {

class PropertyEditorsTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    RunSQLiteScript(DatabaseFile,
                    "CREATE TABLE LINES (ORDER_NO INTEGER, LINE INTEGER, ITEM TEXT, PRIMARY KEY (ORDER_NO, LINE));"
                    "CREATE INDEX LINES_BY_ITEM ON LINES (ITEM, ORDER_NO);");
    Master = Make<TVNTable>("Orders");
    Master->SetDatabaseName("ShopDB");
    Master->SetTableName("ORDERS");
    Source = Make<TDataSource>("OrdersSource");
    Source->SetDataSet(Master);
    Lines = Make<TVNTable>("Lines");
    Lines->SetDatabaseName("ShopDB");
    Lines->SetTableName("LINES");
    Lines->SetMasterSource(Source);
  }
  void TearDown() override {
    vn_ide::IDEServices().DiscardAll();
    EditorTest::TearDown();
  }

  vn_ide::TObjectInspector Inspect(std::vector<TComponent*> Selection) {
    return vn_ide::TObjectInspector(&Designer, std::move(Selection));
  }
  std::vector<std::string> History() {
    std::vector<std::string> List;
    for (int I = 0; I < VNReg::DesignSettings->RecentDatabases().Count(); ++I)
      List.push_back(VNReg::DesignSettings->RecentDatabases().Strings(I));
    return List;
  }

  TVNTable* Master = nullptr;
  TDataSource* Source = nullptr;
  TVNTable* Lines = nullptr;
};

TEST_F(PropertyEditorsTest, NameListsComeFromTheRuntimeLibrary) {
  std::vector<std::string> Sessions;
  for (int I = 0; I < ::Sessions().GetCount(); ++I) Sessions.push_back(::Sessions().GetSession(I)->SessionName());
  EXPECT_EQ(Inspect({Query}).Values("SessionName"), Sessions);
  EXPECT_EQ(Sessions.front(), Session().SessionName());  // the default session is listed like any other

  auto* Other = Make<TVNDatabase>("Database2");
  Other->SetDatabaseName("OtherDB");
  Other->SetRemoteDatabase(Dir.File("other.db"));
  RunSQLiteScript(Dir.File("other.db"), "CREATE TABLE ZEBRA (Z INTEGER);");
  auto* Script = Make<TVNScript>("Script1");
  EXPECT_EQ(Inspect({Script}).Values("DatabaseName"), (std::vector<std::string>{"OtherDB", "ShopDB"}));

  // With two tables selected, the list is that of the first table's database.
  auto* Zebras = Make<TVNTable>("Zebras");
  Zebras->SetDatabaseName("OtherDB");
  EXPECT_EQ(Inspect({Lines, Zebras}).Values("TableName"), (std::vector<std::string>{"LINES", "ORDERS"}));
  EXPECT_EQ(Inspect({Zebras, Lines}).Values("TableName"), (std::vector<std::string>{"ZEBRA"}));
  EXPECT_EQ(Inspect({Lines}).Row("TableName").Attributes.Bits(), 41u);
  EXPECT_EQ(Inspect({Database}).Row("RemoteDatabase").Attributes.Bits(), 5u);
}

TEST_F(PropertyEditorsTest, TableNamesAreCompletedOnlyWhileTheDatabaseIsOpen) {
  struct TCase {
    const char* Session;
    const char* Database;
    bool Connect;
    const char* Stored;
  } Cases[] = {
      {"NoSuchSession", "ShopDB", true, "ORD"},  // no such session
      {"", "NoSuchDB", true, "ORD"},             // no such database object
      {"", "ShopDB", false, "ORD"},              // not connected
      {"", "ShopDB", true, "ORDERS"},
  };
  for (const TCase& C : Cases) {
    Database->SetConnected(C.Connect);
    Lines->SetSessionName(C.Session);
    Lines->SetDatabaseName(C.Database);
    auto Inspector = Inspect({Lines});
    // Without completion the list is not even asked for, so an unknown
    // session or database costs nothing.
    Inspector.SetValue("TableName", "ORD", true);
    EXPECT_EQ(Lines->TableName(), C.Stored) << C.Session << "/" << C.Database;
  }
  Database->SetConnected(false);
}

TEST_F(PropertyEditorsTest, RemoteDatabaseHistoryAndItsPlaceholder) {
  auto Inspector = Inspect({Database});
  const std::string File = Database->RemoteDatabase();
  EXPECT_EQ(Inspector.Values("RemoteDatabase"), (std::vector<std::string>{"<history list>"}));
  Inspector.SetValue("RemoteDatabase", "<history list>");
  EXPECT_EQ(Database->RemoteDatabase(), File);

  // The input dialog: an empty answer and the placeholder change nothing.
  for (const char* Typed : {"", "<history list>"}) {
    TScriptScope Script(std::string("type edDatabase ") + Typed + "\nclick btOk\n");
    Inspector.Edit("RemoteDatabase");
    EXPECT_EQ(Database->RemoteDatabase(), File) << Typed;
  }
  {
    TScriptScope Script("click btCancel\n");
    Inspector.Edit("RemoteDatabase");
    EXPECT_EQ(Database->RemoteDatabase(), File);
  }
  EXPECT_FALSE(Designer.IsModified());
  Inspector.SetValue("RemoteDatabase", "<HISTORY LIST>");  // another letter case is a name like any other
  EXPECT_EQ(Database->RemoteDatabase(), "<HISTORY LIST>");
}

TEST_F(PropertyEditorsTest, ConnectingRecordsTheRemoteDatabaseFirst) {
  auto Inspector = Inspect({Database});
  VNReg::DesignSettings->AddLastUsedDatabase("older.db");
  Inspector.SetValue("Connected", "True");
  EXPECT_EQ(History(), (std::vector<std::string>{DatabaseFile, "older.db"}));
  Inspector.SetValue("Connected", "true");
  EXPECT_EQ(History(), (std::vector<std::string>{DatabaseFile, "older.db"}));
  Inspector.SetValue("Connected", "False");
  EXPECT_EQ(History(), (std::vector<std::string>{DatabaseFile, "older.db"}));
  EXPECT_EQ(Inspector.Values("RemoteDatabase"), History());

  // A failing connect, also one with no remote database at all, leaves the
  // history alone.
  for (const std::string& Remote : {std::string(), Dir.File("missing/none.db")}) {
    Database->SetRemoteDatabase(Remote);
    EXPECT_THROW(Inspector.SetValue("Connected", "True"), EDatabaseError) << Remote;
    EXPECT_FALSE(Database->Connected());
    EXPECT_EQ(History(), (std::vector<std::string>{DatabaseFile, "older.db"}));
  }
}

TEST_F(PropertyEditorsTest, ParamsShowTheCollectionClassWhateverItHolds) {
  auto* Empty = Make<TVNQuery>("EmptyQuery");
  ASSERT_GT(Query->Params().Count(), 0);
  for (const std::vector<TComponent*>& Selection :
       std::vector<std::vector<TComponent*>>{{Empty}, {Query}, {Query, Empty}, {StoredProc}}) {
    auto Inspector = Inspect(Selection);
    EXPECT_EQ(Inspector.Row("Params").Value, "(TParams)");
    EXPECT_EQ(Inspector.Row("Params").Attributes.Bits(), 12u);
  }
}

TEST_F(PropertyEditorsTest, ParamsFileIsChosenInTheOpenDialog) {
  const std::string IniFile = Dir.File("params.ini");
  TIniFile(IniFile).WriteString("Params", "A", "1");
  Database->SetParamsFileName("start.ini");
  auto Inspector = Inspect({Database});
  EXPECT_EQ(Inspector.Row("ParamsFileName").Attributes.Bits(), 132u);
  {
    TScriptScope Script("file " + Dir.File("missing.ini") + "\nanswer ok\nkey esc\n");
    Inspector.Edit("ParamsFileName");
    const std::string Out = Script.Driver.Output();
    EXPECT_NE(Out.find("file \"start.ini\" filter \"Ini-files (*.ini)\" *.INI; \"Text files (*.txt)\" *.TXT; "
                       "\"All files (*.*)\" *.* (entry 1)"),
              std::string::npos)
        << Out;
    EXPECT_NE(Out.find("File not found"), std::string::npos) << Out;
    EXPECT_EQ(Database->ParamsFileName(), "start.ini");
    EXPECT_FALSE(Designer.IsModified());
  }
  TScriptScope Script("file " + IniFile + "\n");
  Inspector.Edit("ParamsFileName");
  EXPECT_EQ(Database->ParamsFileName(), IniFile);
  EXPECT_TRUE(Designer.IsModified());
}

TEST_F(PropertyEditorsTest, AltOrAnOpenModuleTakesAStringListToTheCodeEditor) {
  Database->Params().SetText("USER NAME=ann\n");
  for (TComponent* Component : std::vector<TComponent*>{Database, Query}) {
    const std::string Property = Component == Database ? "Params" : "SQL";
    vn_ide::IDEServices().DiscardAll();
    {
      TScriptScope Script("");
      Script.Driver.SetKeyDown(VK_MENU, true);
      Inspect({Component}).Edit(Property);
      EXPECT_TRUE(Script.Driver.Shown.empty()) << Property;
      EXPECT_EQ(vn_ide::IDEServices().Modules().size(), 1u) << Property;
    }
    // Open already: brought forward, whatever the Alt key says.
    TScriptScope Script("");
    Inspect({Component}).Edit(Property);
    EXPECT_TRUE(Script.Driver.Shown.empty()) << Property;
    EXPECT_EQ(vn_ide::IDEServices().Modules().size(), 1u) << Property;
  }
  EXPECT_FALSE(Designer.IsModified());
}

TEST_F(PropertyEditorsTest, DialogsWriteBackOnlyWhenAccepted) {
  Database->Params().SetText("USER NAME=ann\n");
  {
    TScriptScope Script("memo meParams\nUSER NAME=bob\n.\nclick btCancel\n");
    Inspect({Database}).Edit("Params");
    EXPECT_EQ(Database->Params().CommaText(), "\"USER NAME=ann\"");
    EXPECT_EQ(Designer.ModifiedCount(), 0);
  }
  {
    TScriptScope Script("memo meParams\nUSER NAME=bob\n.\nclick btOk\n");
    Inspect({Database}).Edit("Params");
    EXPECT_EQ(Database->Params().CommaText(), "\"USER NAME=bob\"");
    EXPECT_EQ(Designer.ModifiedCount(), 1);  // written back once
  }
  TScriptScope Script("memo meSQL\nSELECT 1\n.\nclick btOk\n");
  Inspect({Query}).Edit("SQL");
  EXPECT_EQ(Script.Driver.Shown, (std::vector<std::string>{"VNSQLEditDlg \"Form1.Query1.SQL\""}));
  EXPECT_EQ(Query->SQL().CommaText(), "\"SELECT 1\"");
  EXPECT_EQ(Designer.ModifiedCount(), 2);
}

TEST_F(PropertyEditorsTest, IndexListsAreReadWithoutOpeningTheTable) {
  auto Inspector = Inspect({Lines});
  EXPECT_EQ(Inspector.Values("IndexName"), (std::vector<std::string>{"LINES_BY_ITEM", "sqlite_autoindex_LINES_1"}));
  EXPECT_EQ(Inspector.Values("IndexFieldNames"), (std::vector<std::string>{"ITEM;ORDER_NO", "ORDER_NO;LINE"}));
  EXPECT_FALSE(Lines->Active());
  EXPECT_FALSE(Database->Connected());
}

TEST_F(PropertyEditorsTest, LinkDesignerWritesBackOnTheSideTheTableUsed) {
  struct TCase {
    const char* IndexName;
    const char* IndexFieldNames;
    const char* Script;
    const char* NewIndexName;
    const char* NewIndexFieldNames;
    const char* NewMasterFields;
  } Cases[] = {
      {"", "ORDER_NO;LINE", "select cbIndexes LINES_BY_ITEM\nselect lbDetail ORDER_NO\nselect lbMaster ORDER_NO\n"
                            "click btAdd\nclick btOk\n",
       "", "ITEM;ORDER_NO", "ORDER_NO"},
      {"LINES_BY_ITEM", "", "select cbIndexes Primary\nselect lbDetail ORDER_NO\nselect lbMaster ORDER_NO\n"
                            "click btAdd\nclick btOk\n",
       "", "", "ORDER_NO"},
      {"", "", "select cbIndexes LINES_BY_ITEM\nclick btOk\n", "LINES_BY_ITEM", "", ""},
      {"LINES_BY_ITEM", "", "select cbIndexes Primary\nselect lbDetail ORDER_NO\nselect lbMaster ORDER_NO\n"
                            "click btAdd\nclick btCancel\n",
       "LINES_BY_ITEM", "", ""},
  };
  for (const TCase& C : Cases) {
    if (*C.IndexFieldNames)
      Lines->SetIndexFieldNames(C.IndexFieldNames);
    else
      Lines->SetIndexName(C.IndexName);
    Lines->SetMasterFields("");
    Designer.ClearModified();
    TScriptScope Script(C.Script);
    Inspect({Lines}).Edit("MasterFields");
    EXPECT_EQ(Lines->IndexName(), C.NewIndexName) << C.Script;
    EXPECT_EQ(Lines->IndexFieldNames(), C.NewIndexFieldNames) << C.Script;
    EXPECT_EQ(Lines->MasterFields(), C.NewMasterFields) << C.Script;
    EXPECT_EQ(Designer.IsModified(), std::string(C.Script).ends_with("btOk\n")) << C.Script;
    EXPECT_FALSE(Lines->Active());
    EXPECT_FALSE(Master->Active());  // opened for its fields only
  }
}

TEST_F(PropertyEditorsTest, LinkDesignerLeavesTheTableAloneWhenTheWorkingCopyCannotOpen) {
  Lines->SetTableName("NO_SUCH_TABLE");
  Lines->SetIndexName("LINES_BY_ITEM");
  Lines->SetMasterFields("ORDER_NO");
  TScriptScope Script("click btOk\n");
  EXPECT_THROW(Inspect({Lines}).Edit("MasterFields"), EDatabaseError);
  EXPECT_TRUE(Script.Driver.Shown.empty());
  EXPECT_EQ(Lines->IndexName(), "LINES_BY_ITEM");
  EXPECT_EQ(Lines->MasterFields(), "ORDER_NO");
  EXPECT_FALSE(Designer.IsModified());
}

TEST_F(PropertyEditorsTest, WithTheSQLEditorSwitchOffTheQuerySQLKeepsTheHostEditor) {
  StopPackage();
  StartPackage(false);
  int PropertyEditors = 0;
  for (const vn_ide::TRegistration& R : vn_ide::Registrations())
    if (R.Kind == vn_ide::rkPropertyEditor && R.Package == "editor_tests") ++PropertyEditors;
  EXPECT_EQ(PropertyEditors, 16);
  EXPECT_EQ(Inspect({Query}).Row("SQL").Editor->ClassName(), "TStringListProperty");  // the host's own string-list editor
  EXPECT_EQ(Inspect({Database}).Row("Params").Editor->ClassName(), "TVNDatabaseParamsProperty");
}

}  // namespace
}  // namespace vn_test
