#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "shop_fixture.h"
#include "support/message_of.h"
#include "varnel/Vnengine.h"

namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using vn_test::Lines;
using vn_test::TShopFiles;

TEST(Sessions, TheDefaultSessionIsFirstAndNamesAreFoundWithoutRegardToCase) {
  ASSERT_GE(Sessions().GetCount(), 1);
  EXPECT_EQ(Sessions().GetSession(0), &Session());
  EXPECT_EQ(Session().SessionName(), "Default");
  EXPECT_EQ(Session().ClassName(), "TVNSession");
  EXPECT_EQ(Sessions().FindSession(""), &Session());
  EXPECT_EQ(Sessions().FindSession("dEfAuLt"), &Session());
  EXPECT_EQ(Sessions().FindSession("NoSuchSession"), nullptr);
  EXPECT_THROW(Sessions().GetSession(Sessions().GetCount()), EListError);
  EXPECT_THROW(Sessions().GetSession(-1), EListError);

  const int Before = Sessions().GetCount();
  TVNSession& Made = Sessions().GetSessionByName("MadeOnDemand");
  EXPECT_EQ(Sessions().GetCount(), Before + 1);
  EXPECT_EQ(Sessions().GetSession(Before), &Made);
  EXPECT_EQ(&Sessions().GetSessionByName("MADEONDEMAND"), &Made);
  EXPECT_EQ(Sessions().FindSession("madeondemand"), &Made);
  EXPECT_EQ(&Sessions().GetSessionByName(""), &Session());
  EXPECT_EQ(Sessions().GetCount(), Before + 1);
}

TEST(Sessions, SessionComponentsJoinUnderTheirNameAndLeaveWhenDestroyed) {
  const int Before = Sessions().GetCount();
  {
    TComponent Form(nullptr);
    auto* Reports = new TVNSession(&Form);
    EXPECT_EQ(Sessions().GetCount(), Before + 1);
    EXPECT_EQ(Reports->SessionName(), "");
    EXPECT_TRUE(Reports->KeepConnections());
    EXPECT_EQ(Sessions().FindSession(""), &Session()) << "an unnamed session is not the default one";

    Reports->SetSessionName("Reports");
    EXPECT_EQ(Sessions().FindSession("REPORTS"), Reports);
    Reports->SetSessionName("Reports2");
    EXPECT_EQ(Sessions().FindSession("Reports"), nullptr) << "a renamed session is no longer found by its old name";
    EXPECT_EQ(Sessions().FindSession("reports2"), Reports);

    auto* Other = new TVNSession(&Form);
    EXPECT_EQ(MessageOf<EDatabaseError>([&] { Other->SetSessionName("REPORTS2"); }), "A session named 'REPORTS2' already exists");
    EXPECT_THROW(Other->SetSessionName("default"), EDatabaseError);
    EXPECT_EQ(Other->SessionName(), "");
    delete Other;
    EXPECT_EQ(Sessions().GetCount(), Before + 1);
  }
  EXPECT_EQ(Sessions().GetCount(), Before);
  EXPECT_EQ(Sessions().FindSession("Reports2"), nullptr);
  for (int I = 0; I < Sessions().GetCount(); ++I) EXPECT_FALSE(Sessions().GetSession(I)->SessionName().empty());
}

TEST(Databases, ConnectingOpensTheFileAndRefusesWhatIsNoDatabase) {
  TShopFiles Files;
  TVNDatabase Database(nullptr);
  EXPECT_EQ(Database.ServerType(), DefServerType);
  EXPECT_TRUE(Database.KeepConnection());
  EXPECT_TRUE(Database.LoginPrompt());
  EXPECT_TRUE(Database.DesignOptions().Empty());
  Database.SetDatabaseName("shop");

  EXPECT_EQ(MessageOf<EDatabaseError>([&] { Database.SetConnected(true); }), "Database 'shop': no RemoteDatabase to connect to");

  const std::string Missing = Files.File("missing.db");
  Database.SetRemoteDatabase(Missing);
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Database.Open(); }), HasSubstr(Missing));
  EXPECT_FALSE(Database.Connected());
  EXPECT_FALSE(std::filesystem::exists(Missing));

  const std::string Notes = Files.File("notes.txt");
  vn_test::WriteFileText(Notes, "shopping list: tea, cake, books");
  Database.SetRemoteDatabase(Notes);
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Database.Open(); }), HasSubstr(Notes + "\": file is not a database"));
  EXPECT_FALSE(Database.Connected());
  EXPECT_THROW(Database.Connection(), EDatabaseError);

  Database.SetRemoteDatabase(Files.Shop());
  Database.SetConnected(true);
  EXPECT_TRUE(Database.Connected());
  EXPECT_NO_THROW(Database.Connection());

  EXPECT_EQ(MessageOf<EDatabaseError>([&] { Database.SetDatabaseName("other"); }),
            "Database 'shop': cannot change DatabaseName while connected");
  EXPECT_THROW(Database.SetRemoteDatabase(Missing), EDatabaseError);
  EXPECT_THROW(Database.SetServerType(stPostgreSQL), EDatabaseError);
  EXPECT_THROW(Database.SetSessionName("Other"), EDatabaseError);
  Database.SetDatabaseName("shop");  // the same value changes nothing and is allowed
  EXPECT_EQ(Database.RemoteDatabase(), Files.Shop());

  Database.Close();
  EXPECT_FALSE(Database.Connected());
  Database.SetDatabaseName("renamed");
  EXPECT_EQ(Database.DatabaseName(), "renamed");

  // A file name is no PostgreSQL database on any server: said so, not crashed.
  Database.SetServerType(stPostgreSQL);
  EXPECT_TRUE(Database.IsObjOwnerSupported());
  Database.Params().SetValue("HOST", "127.0.0.1");
  Database.Params().SetValue("PORT", "1");
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Database.Open(); }),
              HasSubstr("Cannot connect to PostgreSQL database \"" + Files.Shop() + "\" on host 127.0.0.1 port 1"));
  EXPECT_FALSE(Database.Connected());

  const TVNServerType Saved = DefServerType;
  DefServerType = stPostgreSQL;
  TVNDatabase Later(nullptr);
  DefServerType = Saved;
  EXPECT_EQ(Later.ServerType(), stPostgreSQL);
}

TEST(Databases, BelongToTheSessionTheirSessionNameDesignates) {
  TShopFiles Files;
  TComponent Form(nullptr);
  auto* Shop = new TVNDatabase(&Form);
  Shop->SetDatabaseName("ShopDb");
  Shop->SetRemoteDatabase(Files.Shop());
  auto* Archive = new TVNDatabase(&Form);
  Archive->SetDatabaseName("ArchiveDb");
  Archive->SetSessionName("ArchiveSession");
  auto* Mine = new TVNSession(&Form);
  Mine->SetSessionName("ArchiveSession");

  EXPECT_EQ(Session().FindDatabase("shopdb"), Shop);
  EXPECT_EQ(Session().FindDatabase("ArchiveDb"), nullptr);
  EXPECT_EQ(Mine->FindDatabase("ARCHIVEDB"), Archive);
  EXPECT_EQ(&Archive->GetSession(), Mine);
  EXPECT_EQ(&Shop->GetSession(), &Session());
  EXPECT_THAT(Mine->Databases(), ElementsAre(Archive));

  TStringList Names;
  Mine->GetDatabaseNames(Names);
  EXPECT_THAT(Lines(Names), ElementsAre("ArchiveDb"));

  // A session whose database is connected keeps its name, or the database
  // would belong to no session.
  Archive->SetRemoteDatabase(Files.Shop());
  Archive->Open();
  EXPECT_THROW(Mine->SetSessionName("Elsewhere"), EDatabaseError);
  Archive->Close();
  Mine->SetSessionName("Elsewhere");
  EXPECT_EQ(Mine->FindDatabase("ArchiveDb"), nullptr);

  // The default database of a session answers for an empty name.
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Mine->OpenDatabase(""); }), HasSubstr("no default database"));
  Archive->SetSessionName("Elsewhere");
  Archive->SetDesignOptions({ddoIsDefaultDatabase});
  EXPECT_EQ(&Mine->OpenDatabase(" "), Archive);
  EXPECT_TRUE(Archive->Connected());
}

TEST(Databases, NamesComeThroughSessionsWithOrWithoutADatabaseComponent) {
  TShopFiles Files;
  TComponent Form(nullptr);
  auto* Work = new TVNSession(&Form);
  Work->SetSessionName("NamesWork");
  auto* Shop = new TVNDatabase(&Form);
  Shop->SetSessionName("NamesWork");
  Shop->SetDatabaseName("shop");
  Shop->SetRemoteDatabase(Files.Shop());

  TStringList Tables;
  Tables.Add("kept");
  Work->GetTableNames("SHOP", "", false, Tables);
  EXPECT_THAT(Lines(Tables), ElementsAre("kept", "customers", "orders", "order_lines")) << "names are appended";
  EXPECT_FALSE(Shop->Connected()) << "connected for the question only";

  TStringList Fields;
  Work->GetFieldNames("shop", "Orders", Fields);
  EXPECT_THAT(Lines(Fields), ElementsAre("id", "customer_id", "total", "paid", "note"));
  TStringList Procs;
  Work->GetStoredProcNames("shop", Procs);
  EXPECT_EQ(Procs.Count(), 0) << "SQLite has no stored procedures";

  // A connected database stays connected.
  Shop->Open();
  Work->GetFieldNames("shop", "customers", Fields);
  EXPECT_TRUE(Shop->Connected());
  Shop->Close();

  // A file name stands for a database file, opened for the question only: the
  // next question finds no database of that name either.
  TStringList FromFile;
  Work->GetTableNames(Files.Shop(), "ORDER%", false, FromFile);
  EXPECT_THAT(Lines(FromFile), ElementsAre("orders", "order_lines"));
  EXPECT_EQ(Work->FindDatabase(Files.Shop()), nullptr);
  EXPECT_EQ(Work->Databases().size(), 1u);

  // Opening for a dataset makes a temporary database of the session.
  TVNDatabase& Temporary = Work->OpenDatabase(Files.Shop());
  EXPECT_TRUE(Temporary.Temporary());
  EXPECT_TRUE(Temporary.Connected());
  EXPECT_EQ(Temporary.RemoteDatabase(), Files.Shop());
  EXPECT_EQ(&Temporary.GetSession(), Work);
  EXPECT_EQ(&Work->OpenDatabase(Files.Shop()), &Temporary) << "found again, not made twice";
  Work->GetFieldNames(Files.Shop(), "orders", Fields);
  EXPECT_TRUE(Temporary.Connected());
  EXPECT_EQ(Work->Databases().size(), 2u);

  // One that cannot connect is not kept.
  const std::string Missing = Files.File("none.db");
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { Work->GetTableNames(Missing, "", false, FromFile); }), HasSubstr(Missing));
  EXPECT_EQ(Work->FindDatabase(Missing), nullptr);
  EXPECT_EQ(Session().FindDatabase(Files.Shop()), nullptr) << "the temporary database is the session's own";

  delete Work;
  EXPECT_EQ(Sessions().FindSession("NamesWork"), nullptr);
  EXPECT_EQ(Session().FindDatabase(Files.Shop()), nullptr);
  Shop->Open();
  EXPECT_TRUE(Shop->Connected()) << "a component outlives the session it was listed under";
}

}  // namespace
