// The UpdateSQL editor driven by any script, on a query over a real SQLite
// file: no crash, the cursor restored, and a dialog that was not accepted
// leaves the update object's statements as they were.
#include <sqlite3.h>
#include <stdlib.h>

#include <array>
#include <memory>
#include <sstream>
#include <string>

#include "fuzz_support.h"
#include "vcl/Forms.h"
#include "script_driver.h"
#include "support/temp_dir.h"
#include "updatesql/update_sql_edit_form.h"
#include "varnel/Vnengine.h"

namespace {

// Removed with its files when the process exits.
std::unique_ptr<vn_test::TTempDir> Dir;

constexpr const char* Schema =
    "CREATE TABLE orders(order_no INTEGER, line_no INTEGER, item TEXT, qty INTEGER, price REAL,"
    "  PRIMARY KEY(order_no, line_no));"
    "CREATE UNIQUE INDEX orders_by_item ON orders(item);"
    "CREATE TABLE parts(code TEXT, maker TEXT, serial TEXT, note TEXT);"
    "CREATE UNIQUE INDEX parts_by_serial ON parts(maker, serial);"
    "CREATE TABLE \"Order Notes\"(\"Body \" TEXT, stamp TEXT);";

// The driver's output is not looked at; handler errors are reported there.
class TQuietDriver : public vn_vcl::TScriptedDriver {
 public:
  using TScriptedDriver::TScriptedDriver;
  void ShowException(const std::string&, const std::string&) override {}
};

std::array<std::string, 4> Statements(TVNUpdateSQL& UpdateSQL) {
  return {UpdateSQL.ModifySQL().Text(), UpdateSQL.InsertSQL().Text(), UpdateSQL.DeleteSQL().Text(),
          UpdateSQL.RefreshSQL().Text()};
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Dir = std::make_unique<vn_test::TTempDir>();
  // Settings are looked up in a registry store of the fuzzer's own.
  setenv("VNIDE_REGISTRY", Dir->File("registry.reg").c_str(), 1);
  sqlite3* Db = nullptr;
  const bool Made = sqlite3_open(Dir->File("fuzz.db").c_str(), &Db) == SQLITE_OK &&
                    sqlite3_exec(Db, Schema, nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(Db);
  if (!Made) vn_fuzz::Fail("cannot create the sample database");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  using vn_fuzz::Require;
  const auto Root = std::make_unique<TForm>(nullptr);
  Root->SetName("Form1");
  auto* Database = new TVNDatabase(Root.get());
  Database->SetName("Database1");
  Database->SetDatabaseName("fuzz");
  Database->SetRemoteDatabase(Dir->File("fuzz.db"));
  auto* Query = new TVNQuery(Root.get());
  Query->SetName("Query1");
  Query->SetDatabaseName("fuzz");
  Query->SQL().SetText("select o.order_no, o.line_no, o.item, o.qty as amount, o.price\nfrom orders o");
  auto* UpdateSQL = new TVNUpdateSQL(Root.get());
  UpdateSQL->SetName("UpdateSQL1");
  UpdateSQL->ModifySQL().SetText("update orders set qty = :qty where order_no = :old_order_no");
  Query->SetUpdateObject(UpdateSQL);
  const std::array<std::string, 4> Before = Statements(*UpdateSQL);

  std::istringstream In{std::string(vn_fuzz::AsText(Data, Size))};
  std::ostringstream Out;
  TQuietDriver Driver(In, Out);
  bool Accepted = false;
  {
    vn_vcl::TDriverInstallation Installed(Driver);
    try {
      Accepted = VNUpdSEd::EditUpdateSQL(*UpdateSQL);
    } catch (const Exception&) {
      // What the package lets pass goes to the host, which reports it.
    }
  }
  Require(Screen->Cursor() == crDefault, "the screen cursor is restored", Out.str());
  if (!Accepted) Require(Statements(*UpdateSQL) == Before, "a dialog not accepted changes nothing", Out.str());
  return 0;
}
