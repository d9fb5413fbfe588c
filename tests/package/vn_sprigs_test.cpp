#include "sprigs/vn_sprigs.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "registration/vnreg.h"
#include "registrations.h"
#include "structure_view.h"
#include "varnel/Vnengine.h"

namespace {

using vn_ide::TStructureView;

// One line per node: its unique name, "!" when it has problems, "?" when no
// rule placed it.
void Outline(const TSprig& Node, int Depth, std::string& Out) {
  Out += std::string(2 * Depth, ' ') + Node.UniqueName() + (Node.AnyProblems() ? " !" : "") +
         (TStructureView::Unplaced(Node) ? " ?" : "") + "\n";
  for (const TSprig* Child = Node.FirstChild(); Child != nullptr; Child = Child->NextSibling())
    Outline(*Child, Depth + 1, Out);
}

class VNSprigs : public ::testing::Test {
 public:  // the table's cases build through the fixture
  static void SetUpTestSuite() {
    vn_ide::BeginPackageRegistration("DclVarq220");
    VNReg_Register();
    vn_ide::EndPackageRegistration();
  }
  static void TearDownTestSuite() { vn_ide::DropPackageRegistrations("DclVarq220"); }

  template <class T>
  T& Make(const std::string& Name) {
    auto* C = new T(&Root);
    C->SetName(Name);
    return *C;
  }
  TVNDatabase& Database(const std::string& Name, const std::string& DatabaseName, const std::string& SessionName) {
    auto& DB = Make<TVNDatabase>(Name);
    DB.SetDatabaseName(DatabaseName);
    DB.SetSessionName(SessionName);
    return DB;
  }
  template <class T = TVNQuery>
  T& DataSet(const std::string& Name, const std::string& DatabaseName, const std::string& SessionName = "") {
    auto& DS = Make<T>(Name);
    DS.SetDatabaseName(DatabaseName);
    DS.SetSessionName(SessionName);
    return DS;
  }
  TVNSession& SessionComponent(const std::string& Name, const std::string& SessionName) {
    auto& S = Make<TVNSession>(Name);
    S.SetSessionName(SessionName);
    return S;
  }

  // The outline of a freshly built view, its invariants checked.
  std::string Tree() {
    View = std::make_unique<TStructureView>(Root, nullptr);
    EXPECT_EQ(View->CheckInvariants(), std::vector<std::string>{});
    std::string Out;
    Outline(View->RootSprig(), 0, Out);
    return Out;
  }
  TSprig& Node(const std::string& Name) { return View->FindNode(Name); }

  TComponent Root{nullptr};
  std::unique_ptr<TStructureView> View;
};

TEST_F(VNSprigs, RegistersTheSevenSprigTypesLast) {
  const auto All = vn_ide::Registrations();
  ASSERT_GE(All.size(), 7u);
  std::vector<std::string> Last;
  for (std::size_t I = All.size() - 7; I < All.size(); ++I) Last.push_back(All[I].Describe());
  EXPECT_EQ(Last, (std::vector<std::string>{"RegisterSprigType(TVNSession, TVNSessionSprig)",
                                            "RegisterSprigType(TVNDatabase, TVNDatabaseSprig)",
                                            "RegisterSprigType(TVNDataSet, TVNDataSetSprig)",
                                            "RegisterSprigType(TVNTable, TVNTableSprig)",
                                            "RegisterSprigType(TVNQuery, TVNQuerySprig)",
                                            "RegisterSprigType(TVNStoredProc, TVNStoredProcSprig)",
                                            "RegisterSprigType(TVNUpdateSQL, TVNUpdateSQLSprig)"}));
}

TEST_F(VNSprigs, NamingRoutines) {
  EXPECT_EQ(VNReg::GetSessionSprigName(""), "<DefaultSession>");
  EXPECT_EQ(VNReg::GetSessionSprigName("dEFAULT"), "<DefaultSession>");
  EXPECT_EQ(VNReg::GetSessionSprigName("Sales"), "Sales");
  EXPECT_EQ(VNReg::GetImpliedDatabaseSprigName("shop"), "<ImpliedDatabase>.shop");
  EXPECT_EQ(VNReg::GetImpliedDatabaseSprigName(""), "<ImpliedDatabase>.");
}

// Each case builds components on an empty root and expects the tree's outline.
struct TPlacementCase {
  const char* Name;
  std::function<void(VNSprigs&)> Build;
  const char* Outline;
};

TEST_F(VNSprigs, PlacesSessionsDatabasesAndDataSets) {
  const TPlacementCase Cases[] = {
      {"empty and case-differing default names share one default-session node",
       [](VNSprigs& T) {
         T.Database("dbA", "a", "");
         T.Database("dbB", "b", "DEFAULT");
       },
       "\n  <DefaultSession>\n    dbA\n    dbB\n"},
      {"a database naming a session without a node stays unplaced, no default node made",
       [](VNSprigs& T) { T.Database("dbLost", "lost", "Nowhere"); }, "\n  dbLost ?\n"},
      {"datasets sharing an undefined database share one implied node per session",
       [](VNSprigs& T) {
         T.SessionComponent("sesSales", "Sales");
         T.DataSet("q1", "x");
         T.DataSet("q2", "X");
         T.DataSet("q3", "x", "sales");
       },
       "\n  sesSales\n    <ImpliedDatabase>.x\n      q3 !\n  <DefaultSession>\n    <ImpliedDatabase>.x\n"
       "      q1 !\n      q2 !\n"},
      {"a dataset finds its session's database component, whatever the order on the form",
       [](VNSprigs& T) {
         T.DataSet<TVNTable>("tbl", "Shop");
         T.Database("dbShop", "shop", "");
       },
       "\n  <DefaultSession>\n    dbShop\n      tbl !\n"},
      {"a dataset without a database name: problem, under an implied node of the bare prefix",
       [](VNSprigs& T) { T.DataSet<TVNStoredProc>("proc", "").SetStoredProcName("p"); },
       "\n  <DefaultSession>\n    <ImpliedDatabase>. !\n      proc !\n"},
      {"nameless session and database, update objects with or without a change statement",
       [](VNSprigs& T) {
         T.SessionComponent("sesNoName", "");
         T.Database("dbEmpty", "", "");
         T.Make<TVNUpdateSQL>("updRefreshOnly").RefreshSQL().Add("select 1");
         T.Make<TVNUpdateSQL>("updDelete").DeleteSQL().Add("delete from t");
       },
       "\n  sesNoName !\n  <DefaultSession>\n    dbEmpty !\n  updRefreshOnly !\n  updDelete\n"},
      // Names are one whatever their case or form, as the runtime compares them.
      {"a Greek session name in another case (final sigma) and a decomposed accent name one session",
       [](VNSprigs& T) {
         T.SessionComponent("sesRoad", "ΟΔΟΣ");
         T.Database("dbRoad", "road", "οδοσ");
         T.SessionComponent("sesDoctors", "\u00c4rzte");
         T.Database("dbDoctors", "doctors", "A\u0308RZTE");
       },
       "\n  sesRoad\n    dbRoad\n  sesDoctors\n    dbDoctors\n"},
      {"datasets naming one undefined database in two cases share its implied node",
       [](VNSprigs& T) {
         T.DataSet("q1", "ΟΔΟΣ");
         T.DataSet("q2", "οδοσ");
       },
       "\n  <DefaultSession>\n    <ImpliedDatabase>.ΟΔΟΣ\n      q1 !\n      q2 !\n"},
  };
  for (const TPlacementCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    while (Root.ComponentCount() > 0) delete Root.Components(0);
    Case.Build(*this);
    EXPECT_EQ(Tree(), Case.Outline);
  }
}

TEST_F(VNSprigs, Captions) {
  Database("dbShop", "shop", "");
  TVNQuery& Query = DataSet("qry", "shop");
  DataSet<TVNTable>("tbl", "shop").SetTableName("items");
  Tree();
  EXPECT_EQ(Node("<DefaultSession>").Caption(), "VNSession: TVNSession {Default}");
  EXPECT_EQ(Node("dbShop").Caption(), "dbShop: TVNDatabase {SQLite | <UnknownDatabase>}");
  EXPECT_EQ(Node("tbl").Caption(), "tbl {items}");
  DataSet("q2", "nowhere");
  Tree();
  EXPECT_EQ(Node("<ImpliedDatabase>.nowhere").Caption(), "Unknown {nowhere}");

  const struct {
    std::vector<std::string> Lines;
    const char* Caption;
    bool Problem;
  } Queries[] = {
      {{}, "qry", true},
      {{"select 1"}, "qry {select 1}", false},
      {{"select *", "from t"}, "qry {select *...}", false},
      {{"", "select 1"}, "qry {...}", false},
  };
  for (const auto& Q : Queries) {
    Query.SQL().Clear();
    for (const std::string& Line : Q.Lines) Query.SQL().Add(Line);
    Tree();
    EXPECT_EQ(Node("qry").Caption(), Q.Caption);
    EXPECT_EQ(Node("qry").AnyProblems(), Q.Problem) << Q.Caption;
  }
}

TEST_F(VNSprigs, DropRulesOfDatabasesAndDataSets) {
  SessionComponent("sesSales", "Sales");
  SessionComponent("sesNoName", "");
  Database("dbShop", "shop", "");
  Database("dbSales", "sales", "Sales");
  DataSet("q", "undefined");
  Tree();
  const struct {
    const char* Node;
    const char* Target;
    bool Accepted;
  } Cases[] = {
      {"dbShop", "sesSales", true},          {"dbShop", "<DefaultSession>", true},
      {"dbShop", "sesNoName", false},        {"dbShop", "dbSales", false},
      {"q", "dbSales", true},                {"q", "<ImpliedDatabase>.undefined", true},
      {"q", "sesSales", false},              {"<ImpliedDatabase>.undefined", "sesNoName", true},
      {"<ImpliedDatabase>.undefined", "dbShop", false},
  };
  for (const auto& C : Cases)
    EXPECT_EQ(Node(C.Node).DragOverTo(&Node(C.Target)), C.Accepted) << C.Node << " over " << C.Target;
  EXPECT_FALSE(Node("dbShop").PaletteOverTo(&Node("sesNoName"), &TVNDatabase::StaticClass()));
  EXPECT_TRUE(Node("q").PaletteOverTo(&Node("dbSales"), &TVNQuery::StaticClass()));
}

TEST_F(VNSprigs, DatabaseMovedToAnotherSessionTakesItsDataSetsAlong) {
  SessionComponent("sesSales", "Sales");
  TVNDatabase& DB = Database("dbShop", "shop", "");
  Database("dbOther", "other", "");
  TVNQuery& Q = DataSet("q", "shop");
  TVNTable& T = DataSet<TVNTable>("t", "SHOP", "default");
  Tree();
  EXPECT_EQ(View->DragDrop(Node("dbShop"), Node("sesSales")), vn_ide::drChanged);
  EXPECT_EQ(DB.SessionName(), "Sales");
  EXPECT_EQ(Q.SessionName(), "Sales");
  EXPECT_EQ(T.SessionName(), "Sales");
  EXPECT_EQ(View->CheckInvariants(), std::vector<std::string>{});
  std::string Out;
  Outline(View->RootSprig(), 0, Out);
  // Tables are placed before queries: their node type was registered first.
  EXPECT_EQ(Out, "\n  sesSales\n    dbShop\n      t !\n      q !\n  <DefaultSession>\n    dbOther\n");

  // Back to the default session: its datasets carry the empty name.
  EXPECT_EQ(View->DragDrop(Node("dbShop"), Node("<DefaultSession>")), vn_ide::drChanged);
  EXPECT_EQ(DB.SessionName(), "");
  EXPECT_EQ(Q.SessionName(), "");
}

TEST_F(VNSprigs, DropsThatChangeNothingStillReparentTheChildren) {
  SessionComponent("sesSales", "Sales");
  TVNDatabase& DB = Database("dbSales", "sales", "sales");
  TVNQuery& Q = DataSet("q", "SALES", "SALES");
  Tree();
  // The database keeps its session, but its dataset takes the database's
  // spelling: a change to save.
  EXPECT_EQ(View->DragDrop(Node("dbSales"), Node("sesSales")), vn_ide::drChanged);
  EXPECT_EQ(DB.SessionName(), "sales");
  EXPECT_EQ(Q.SessionName(), "sales") << "the dataset was not re-parented";
  EXPECT_EQ(View->DragDrop(Node("dbSales"), Node("sesSales")), vn_ide::drUnchanged) << "nothing left to change";

  EXPECT_EQ(View->DragDrop(Node("q"), Node("dbSales")), vn_ide::drUnchanged) << "same names in other letter case";
}

// A drop on the default session's node gives the session name '', the one
// spelling that follows the default session whatever it is called: a name
// that is already '' changes nothing (nothing to save), the default session's
// own name in another letter case becomes ''.
TEST_F(VNSprigs, DropOnTheDefaultSessionGivesTheEmptySessionName) {
  TVNDatabase& Empty = Database("dbEmpty", "e", "");
  TVNDatabase& Cased = Database("dbCased", "c", "DEFAULT");
  DataSet("q", "implied");
  Tree();
  EXPECT_EQ(View->DragDrop(Node("dbEmpty"), Node("<DefaultSession>")), vn_ide::drUnchanged);
  EXPECT_EQ(View->DragDrop(Node("dbCased"), Node("<DefaultSession>")), vn_ide::drChanged);
  EXPECT_EQ(View->DragDrop(Node("<ImpliedDatabase>.implied"), Node("<DefaultSession>")), vn_ide::drUnchanged);
  EXPECT_EQ(Empty.SessionName(), "");
  EXPECT_EQ(Cased.SessionName(), "");
}

TEST_F(VNSprigs, DataSetDropsCopyTheTargetsNames) {
  SessionComponent("sesSales", "Sales");
  Database("dbShop", "shop", "");
  TVNQuery& Q = DataSet("q", "shop");
  TVNQuery& Other = DataSet("other", "reports", "Sales");
  Tree();
  EXPECT_EQ(View->DragDrop(Node("q"), Node("sesSales/<ImpliedDatabase>.reports")), vn_ide::drChanged);
  EXPECT_EQ(Q.DatabaseName(), "reports");
  EXPECT_EQ(Q.SessionName(), "Sales");

  // An implied database moved to the default session: its datasets follow.
  EXPECT_EQ(View->DragDrop(Node("sesSales/<ImpliedDatabase>.reports"), Node("<DefaultSession>")), vn_ide::drChanged);
  EXPECT_EQ(Q.SessionName(), "");
  EXPECT_EQ(Other.SessionName(), "");
}

TEST_F(VNSprigs, PaletteDropTakesTheTargetsNames) {
  SessionComponent("sesSales", "Sales");
  Database("dbSales", "sales", "Sales");
  Tree();
  TComponent* Created = nullptr;
  EXPECT_EQ(View->PaletteDrop(TVNQuery::StaticClass(), Node("dbSales"), &Created), vn_ide::drChanged);
  ASSERT_NE(Created, nullptr);
  auto& Q = dynamic_cast<TVNQuery&>(*Created);
  EXPECT_EQ(Q.Name(), "VNQuery1");
  EXPECT_EQ(Q.DatabaseName(), "sales");
  EXPECT_EQ(Q.SessionName(), "Sales");
  EXPECT_EQ(View->PaletteDrop(TVNDatabase::StaticClass(), Node("dbSales")), vn_ide::drRefused);
  EXPECT_EQ(Root.ComponentCount(), 3) << "a refused drop left a component behind";
}

}  // namespace
