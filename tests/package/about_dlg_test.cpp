#include "about/about_dlg.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "about/product_info.h"
#include "editors/product_caption.h"
#include "script_driver.h"
#include "support/run_program.h"

using namespace VNAbout;

namespace {

bool Has(const std::string& Text, const std::string& Part) { return Text.find(Part) != std::string::npos; }

std::size_t CountOf(const std::string& Text, const std::string& Part) {
  std::size_t Count = 0;
  for (std::size_t At = Text.find(Part); At != std::string::npos; At = Text.find(Part, At + 1)) ++Count;
  return Count;
}

// The About box driven by Script; what a person would have seen.
std::string RunAboutBox(const std::string& Script) {
  std::istringstream In(Script);
  std::ostringstream Out;
  vn_vcl::TScriptedDriver Driver(In, Out);
  vn_vcl::TDriverInstallation Installed(Driver);
  ShowAboutBox();
  EXPECT_EQ(Application->FindComponent("VNAboutDlg"), nullptr) << "the dialog is freed";
  return Out.str();
}

TEST(AboutDialogTest, ShowsProductNameVersionCopyrightAndLogo) {
  const TProductInfo Info = ReadPackageProductInfo();
  ASSERT_FALSE(Info.Version.empty());
  const std::string Out = RunAboutBox("show\nkey enter\n");
  EXPECT_TRUE(Has(Out, "[Form] VNAboutDlg \"About Varnel\" opened\n")) << Out;
  EXPECT_TRUE(Has(Out, "lblProductName label \"" + Info.ProductName + "\"\n")) << Out;
  // One blank between the word and the version, whatever the version is.
  EXPECT_TRUE(Has(Out, "lblVersion label \"Version " + Info.Version + "\"\n")) << Out;
  EXPECT_TRUE(Has(Out, "lblCopyright label \"" + std::string(CopyrightLine) + "\"\n")) << Out;
  EXPECT_TRUE(Has(Out, "imgLogo image bitmap 100 x 30, 8 bits per pixel\n")) << Out;
  EXPECT_TRUE(Has(Out, "lblOrderVarnelPro label \"Varnel Pro (with source)\" link\n")) << Out;
}

TEST(AboutDialogTest, EachLinkOpensItsOwnAddressWithTheLeftButtonOnly) {
  const struct {
    const char* Label;
    std::string_view Address;
  } Links[] = {{"lblHome", HomePageAddress},
               {"lblOrderVarnelStd", OrderStdAddress},
               {"lblOrderVarnelPro", OrderProAddress},
               {"lblSupport", SupportAddress}};
  for (const auto& Link : Links) {
    const std::string L = Link.Label;
    const std::string Out = RunAboutBox("click " + L + " right\nclick " + L + " middle\nclick " + L + "\nkey esc\n");
    EXPECT_EQ(CountOf(Out, "[Open]"), 1u) << Out;
    EXPECT_TRUE(Has(Out, "[Open] " + std::string(Link.Address) + "\n")) << Out;
  }
}

TEST(AboutDialogTest, AnAddressThatCannotBeOpenedIsReportedAndTheDialogStaysOpen) {
  const std::string Out = RunAboutBox("shell fail\nclick lblSupport\nanswer ok\nclick lblHome right\nkey enter\n");
  EXPECT_TRUE(Has(Out, "[Open] mailto:support@example.org: cannot be opened\n"
                       "[Error] Error opening following address: mailto:support@example.org (buttons: OK)\n"))
      << Out;
  EXPECT_FALSE(Has(Out, "error:")) << "the dialog took the commands after the message: " << Out;
  EXPECT_TRUE(Has(Out, "[Form] VNAboutDlg closed: mrOk\n")) << Out;
}

TEST(AboutDialogTest, EnterEscapeAndOkCloseWithOk) {
  for (const char* Script : {"key enter\n", "key esc\n", "click btOk\n"})
    EXPECT_TRUE(Has(RunAboutBox(Script), "[Form] VNAboutDlg closed: mrOk\n")) << Script;
}

TEST(ProductCaptionTest, NameBlankVersionOrTheNameAndABlankWithoutVersionInformation) {
  EXPECT_EQ(VNReg::GetProductCaption(), "Varnel Library 6.5.3.0");

  // A module whose file carries resources but no version information.
  const std::string Fixture = vn_test::BinDir() + "/ResourceFixture.bpl";
  void* Library = dlopen(Fixture.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(Library, nullptr) << dlerror();
  const HINSTANCE Instance = FindModuleHandle(dlsym(Library, "ResourceFixtureAnswer"));
  EXPECT_EQ(ReadProductInfo(Instance).Caption(), "Varnel ");
  dlclose(Library);
}

}  // namespace
