#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "rtl/FormFiles.h"
#include "shop_fixture.h"
#include "varnel/Vnengine.h"

namespace {

using testing::HasSubstr;
using testing::Not;
using vn_test::TShopFiles;

std::string Crlf(std::string_view Text) { return StringReplaceAll(Text, "\n", "\r\n"); }

TEST(UpdateObjects, LinkBothWaysAndForgetWhatIsDestroyed) {
  TComponent Form(nullptr);
  auto* Orders = new TVNQuery(&Form);
  auto* Lines = new TVNQuery(&Form);
  auto* Update = new TVNUpdateSQL(&Form);

  Orders->SetUpdateObject(Update);
  EXPECT_EQ(Update->DataSet(), Orders);
  Update->SetDataSet(Lines);
  EXPECT_EQ(Orders->UpdateObject(), nullptr) << "an update object serves one dataset";
  EXPECT_EQ(Lines->UpdateObject(), Update);
  Orders->SetUpdateObject(Update);
  EXPECT_EQ(Lines->UpdateObject(), nullptr);
  EXPECT_EQ(Update->DataSet(), Orders);
  Update->SetDataSet(nullptr);
  EXPECT_EQ(Orders->UpdateObject(), nullptr);

  Orders->SetUpdateObject(Update);
  delete Update;
  EXPECT_EQ(Orders->UpdateObject(), nullptr);

  auto* Second = new TVNUpdateSQL(&Form);
  Second->SetDataSet(Orders);
  delete Orders;
  EXPECT_EQ(Second->DataSet(), nullptr);

  // Owned by another form, gone with it.
  {
    TComponent Other(nullptr);
    auto* Foreign = new TVNUpdateSQL(&Other);
    Lines->SetUpdateObject(Foreign);
  }
  EXPECT_EQ(Lines->UpdateObject(), nullptr);
}

TEST(UpdateObjects, StatementListsByIndex) {
  TVNUpdateSQL Update(nullptr);
  Update.RefreshSQL().Add("refresh");
  Update.ModifySQL().Add("modify");
  Update.InsertSQL().Add("insert");
  Update.DeleteSQL().Add("delete");
  const char* Expected[] = {"refresh", "modify", "insert", "delete"};
  for (int I = 0; I < 4; ++I) EXPECT_EQ(Update.GetSQLIndex(I).Strings(0), Expected[I]);
  EXPECT_THROW(Update.GetSQLIndex(4), EListError);
  EXPECT_THROW(Update.GetSQLIndex(-1), EListError);
}

TEST(ComponentClasses, AreRegisteredAndPublishWhatDesignersEdit) {
  for (const char* Name : {"TVNSession", "TVNDatabase", "TVNQuery", "TVNMacroQuery", "TVNStoredProc", "TVNTable",
                           "TVNUpdateSQL", "TVNScript", "TVNMonitor", "TVNSQLBaseServer"})
    EXPECT_NE(GetClass(Name), nullptr) << Name;
  // A package's shut-down does not take the classes away from the library
  // that is still loaded, nor the default session.
  TVNSession* Default = &Session();
  Vnengine_Initialization();
  Vnengine_Finalization();
  EXPECT_NE(GetClass("TVNQuery"), nullptr);
  EXPECT_EQ(&Session(), Default);

  TVNTable Table(nullptr);
  for (const char* Name : {"Active", "DatabaseName", "SessionName", "UpdateObject", "TableName", "IndexName",
                           "IndexFieldNames", "MasterFields"})
    EXPECT_NE(GetPropInfo(Table, Name), nullptr) << Name;
  TVNStoredProc Proc(nullptr);
  EXPECT_NE(GetPropInfo(Proc, "StoredProcName"), nullptr);
  EXPECT_NE(GetPropInfo(Proc, "Params"), nullptr);
  TVNDatabase Database(nullptr);
  for (const char* Name : {"DatabaseName", "RemoteDatabase", "ServerType", "Params", "ParamsFileName", "KeepConnection",
                           "LoginPrompt", "DesignOptions", "SessionName", "Connected"})
    EXPECT_NE(GetPropInfo(Database, Name), nullptr) << Name;
  TVNSQLBaseServer Server(nullptr);
  EXPECT_EQ(Server.ServerType(), DefServerType);
  EXPECT_EQ(GetPropText(Server, *GetPropInfo(Server, "ServerType")), "stSQLite");
}

TEST(FormFiles, ComponentsReadWriteBackAndConnectOnceLoaded) {
  TShopFiles Files;
  const std::string Text = StringReplaceAll(Crlf(R"(object DataModule1: TDataModule1
  object ShopDb: TVNDatabase
    DatabaseName = 'FormShop'
    DesignOptions = [ddoStoreConnected]
    LoginPrompt = False
    Params.Strings = (
      'BUSY TIMEOUT=500')
    RemoteDatabase = '@SHOP@'
    Connected = True
  end
  object ServerDb: TVNDatabase
    DatabaseName = 'FormServer'
    RemoteDatabase = 'db.example.com:shop'
    ServerType = stPostgreSQL
  end
  object Orders: TVNQuery
    Active = True
    DatabaseName = 'FormShop'
    SQL.Strings = (
      'SELECT id, total FROM orders'
      'WHERE customer_id = :cust'
      'ORDER BY id')
    Params = <
      item
        DataType = ftInteger
        Name = 'cust'
        ParamType = ptInput
        Value = 1
      end>
    UpdateObject = OrdersUpdate
  end
  object Customers: TVNTable
    DatabaseName = 'FormShop'
    TableName = 'customers'
    IndexFieldNames = 'name'
  end
  object OrdersUpdate: TVNUpdateSQL
    ModifySQL.Strings = (
      'UPDATE orders SET total = :total WHERE id = :OLD_id')
  end
  object Server: TVNSQLBaseServer
  end
end
)"),
                                            "@SHOP@", Files.Shop());
  // A file leaves out the default server type, whatever this process would
  // give new databases.
  const TVNServerType Saved = DefServerType;
  DefServerType = stPostgreSQL;
  struct TRestore {
    TVNServerType Value;
    ~TRestore() { DefServerType = Value; }
  } Restore{Saved};
  TComponent Root(nullptr);
  ReadComponentText(Text, Root);

  auto& ShopDb = As<TVNDatabase>(*Root.FindComponent("ShopDb"));
  auto& Orders = As<TVNQuery>(*Root.FindComponent("Orders"));
  auto& Customers = As<TVNTable>(*Root.FindComponent("Customers"));
  auto& OrdersUpdate = As<TVNUpdateSQL>(*Root.FindComponent("OrdersUpdate"));
  EXPECT_TRUE(ShopDb.Connected()) << "connected once the form is loaded";
  EXPECT_EQ(ShopDb.ServerType(), stSQLite);
  EXPECT_EQ(As<TVNDatabase>(*Root.FindComponent("ServerDb")).ServerType(), stPostgreSQL);
  EXPECT_EQ(As<TVNSQLBaseServer>(*Root.FindComponent("Server")).ServerType(), stSQLite);
  EXPECT_FALSE(ShopDb.LoginPrompt());
  EXPECT_EQ(ShopDb.Params().Values("BUSY TIMEOUT"), "500");
  EXPECT_EQ(Orders.UpdateObject(), &OrdersUpdate);
  EXPECT_EQ(OrdersUpdate.DataSet(), &Orders);
  EXPECT_EQ(OrdersUpdate.GetSQLIndex(1).Strings(0), "UPDATE orders SET total = :total WHERE id = :OLD_id");
  ASSERT_TRUE(Orders.Active());
  EXPECT_EQ(Orders.Database(), &ShopDb);
  EXPECT_EQ(Orders.RecordCount(), 2);
  EXPECT_EQ(Orders.ParamByName("cust").DataType(), ftInteger);
  EXPECT_EQ(Customers.IndexFieldNames(), "name");
  EXPECT_FALSE(Customers.Active());

  EXPECT_EQ(WriteComponentText(Root, "TDataModule1"), Text);

  // The connected state is written only when the designer asks for it.
  ShopDb.SetDesignOptions({});
  EXPECT_THAT(WriteComponentText(Root), Not(HasSubstr("Connected")));
  ShopDb.Close();
  EXPECT_FALSE(Orders.Active()) << "disconnecting closes the datasets";
}

TEST(FormFiles, AFailingConnectionFailsTheReadAndLeavesNothingBehind) {
  TShopFiles Files;
  const std::string Missing = Files.File("gone.db");
  const std::string Text = Crlf(R"(object Module: TDataModule
  object Lost: TVNDatabase
    DatabaseName = 'Lost'
    RemoteDatabase = ')" + Missing +
                                R"('
    Connected = True
  end
end
)");
  TComponent Root(nullptr);
  try {
    ReadComponentText(Text, Root);
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& E) {
    EXPECT_THAT(E.Message(), HasSubstr(Missing));
  }
  EXPECT_EQ(Root.ComponentCount(), 0);
  EXPECT_EQ(Session().FindDatabase("Lost"), nullptr);
}

}  // namespace
