#include "package_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "registrations.h"
#include "script_driver.h"
#include "support/temp_dir.h"
#include "support/run_program.h"

using namespace vnide;

namespace {

std::string BinFile(const std::string& Name) { return vn_test::BinDir() + "/" + Name; }

std::vector<std::string> RegistrationsOf(const std::string& Package) {
  std::vector<std::string> Lines;
  for (const vn_ide::TRegistration& R : vn_ide::Registrations())
    if (R.Package == Package) Lines.push_back(R.Describe());
  return Lines;
}

std::string LoadError(TPackageHost& Host, const std::string& File) {
  try {
    Host.Load(File);
  } catch (const EPackageError& E) {
    return E.Message();
  }
  return "(loaded)";
}

// Each test keeps the settings of the real package in a folder of its own.
class PackageHostTest : public ::testing::Test {
 protected:
  vn_test::TTempDir Dir;
  vn_test::TScopedEnv Registry{"VNIDE_REGISTRY", Dir.File("registry.reg")};
};

TEST_F(PackageHostTest, LoadsTheRealPackageWithWhatItRequiresAndUnloadsIt) {
  TPackageHost Host;
  TLoadedPackage& Package = Host.Load(BinFile("DclVarq220.bpl"));
  const TPackageDescription& D = Package.Description();
  EXPECT_TRUE(Package.Started());
  EXPECT_EQ(D.Description, "Varnel Components");
  EXPECT_EQ(D.ProductName, "Varnel Library");
  EXPECT_EQ(D.Version, "6.5.3.0");
  EXPECT_EQ(D.Requires, (std::vector<std::string>{"VarLib220", "dcldb220", "rtl220"}));
  ASSERT_EQ(D.Contains.size(), 5u);
  EXPECT_EQ(D.Contains[0].Name, "DclVarq220");
  EXPECT_EQ(D.Contains[4].Name, "VNReg");
  // Required packages were loaded first, with what they require; they are the
  // platform's own and were not started.
  std::vector<std::string> Loaded;
  for (const auto& P : Host.Packages()) {
    Loaded.push_back(P->Name());
    EXPECT_EQ(P->Started(), P.get() == &Package) << P->Name();
  }
  EXPECT_EQ(Loaded, (std::vector<std::string>{"rtl220", "vcl220", "VarLib220", "dcldb220", "DclVarq220"}));

  const auto Pages = vn_ide::PalettePages();
  ASSERT_EQ(Pages.size(), 1u);
  EXPECT_EQ(Pages[0].first, "Varnel");
  std::vector<std::string> Names;
  for (const TMetaClass* C : Pages[0].second) Names.push_back(C->ClassName());
  EXPECT_EQ(Names, (std::vector<std::string>{"TVNSession", "TVNDatabase", "TVNQuery", "TVNMacroQuery",
                                             "TVNStoredProc", "TVNTable", "TVNUpdateSQL", "TVNScript", "TVNMonitor",
                                             "TVNSQLBaseServer"}));
  // Besides the palette, property editors, categories and sprig types: a
  // component editor for each of the ten classes.
  std::size_t ComponentEditors = 0;
  for (const std::string& R : RegistrationsOf("DclVarq220"))
    ComponentEditors += R.starts_with("RegisterComponentEditor(") ? 1 : 0;
  EXPECT_EQ(ComponentEditors, 10u);

  EXPECT_TRUE(Host.UnloadAll().empty());
  EXPECT_TRUE(Host.Packages().empty());
  EXPECT_TRUE(RegistrationsOf("DclVarq220").empty());
  EXPECT_TRUE(vn_ide::PalettePages().empty());
}

TEST_F(PackageHostTest, AGoodFixtureRegistersUnderItsOwnNameUntilUnloaded) {
  TPackageHost Host;
  Host.Load(BinFile("FixtureGood.bpl"));
  EXPECT_EQ(RegistrationsOf("FixtureGood"), std::vector<std::string>{"RegisterComponents('Fixture', [TFixtureThing])"});
  Host.Load(BinFile("FixtureGood.bpl"));
  EXPECT_EQ(RegistrationsOf("FixtureGood").size(), 1u) << "loading a loaded package again registers nothing";
  EXPECT_TRUE(Host.Unload("FixtureGood").empty());
  EXPECT_TRUE(RegistrationsOf("FixtureGood").empty());
}

TEST_F(PackageHostTest, BrokenPackagesAreReportedAndLeaveNothingBehind) {
  TPackageHost Host;
  EXPECT_EQ(LoadError(Host, BinFile("FixtureRaises.bpl")),
            "Registration procedure FixtureReg.Register in package FixtureRaises raised EComponentError: "
            "the fixture refuses to register");
  EXPECT_TRUE(RegistrationsOf("FixtureRaises").empty());
  EXPECT_EQ(Host.Find("FixtureRaises"), nullptr);

  EXPECT_EQ(LoadError(Host, BinFile("FixtureMissing.bpl")),
            "Package FixtureMissing requires NoSuchPackage220.bpl, which cannot be found");
  EXPECT_EQ(LoadError(Host, BinFile("FixtureStartFails.bpl")),
            "Package FixtureStartFails failed to start: EOSError: the fixture cannot start");
  EXPECT_EQ(LoadError(Host, BinFile("FixtureNoEntry.bpl")), "Package FixtureNoEntry has no entry point Initialize");
  EXPECT_EQ(LoadError(Host, BinFile("FixtureCircleA.bpl")),
            "Packages require each other: FixtureCircleA -> FixtureCircleB -> FixtureCircleA");
  EXPECT_EQ(LoadError(Host, Dir.File("nothing.bpl")), "Package " + Dir.File("nothing.bpl") + " not found");
  const std::string NotAPackage = Dir.File("text.bpl");
  vn_test::WriteFileText(NotAPackage, "just text");
  EXPECT_NE(LoadError(Host, NotAPackage).find("Cannot read package " + NotAPackage), std::string::npos);

  // The host goes on: a good package still loads after all of these.
  for (const auto& P : Host.Packages()) EXPECT_FALSE(P->Started()) << P->Name();
  Host.Load(BinFile("FixtureGood.bpl"));
  EXPECT_EQ(RegistrationsOf("FixtureGood").size(), 1u);
}

TEST_F(PackageHostTest, TheRuntimeLibraryShowsItsOwnFormWithoutTheIde) {
  TPackageHost Host;
  TLoadedPackage& Runtime = Host.Load(BinFile("VarLib220.bpl"));
  std::vector<std::string> Loaded;
  for (const auto& P : Host.Packages()) Loaded.push_back(P->Name());
  EXPECT_EQ(Loaded, (std::vector<std::string>{"rtl220", "vcl220", "VarLib220"}));
  using TInputValue = bool (*)(const std::string&, const std::string&, std::string&);
  const auto InputValue = reinterpret_cast<TInputValue>(Runtime.FindExport("Vninputdlg_InputValue"));
  ASSERT_NE(InputValue, nullptr);

  const auto Run = [&](const std::string& Script, std::string& Value) {
    std::istringstream In(Script);
    std::ostringstream Out;
    vn_vcl::TScriptedDriver Driver(In, Out);
    vn_vcl::TDriverInstallation Installed(Driver);
    const bool Accepted = InputValue("Database", "&File name:", Value);
    EXPECT_EQ(Driver.ErrorCount(), 0u) << Out.str();
    return std::make_pair(Accepted, Out.str());
  };
  std::string Value = "old.db";
  const auto [Accepted, Output] = Run("show\ntype edValue shop.db\nclick OK\n", Value);
  EXPECT_TRUE(Accepted);
  EXPECT_EQ(Value, "shop.db");
  EXPECT_NE(Output.find("VNInputValueDlg"), std::string::npos) << Output;
  EXPECT_NE(Output.find("old.db"), std::string::npos) << Output;
  EXPECT_FALSE(Run("type edValue other.db\nkey esc\n", Value).first);
  EXPECT_EQ(Value, "shop.db");
}

}  // namespace
