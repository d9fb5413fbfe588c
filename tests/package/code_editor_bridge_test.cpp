#include "editors/code_editor_bridge.h"

#include <gtest/gtest.h>

#include <sstream>

#include "code_editor.h"
#include "form_designer.h"
#include "ide/StFilSys.h"
#include "rtl/SysUtils.h"
#include "script_driver.h"
#include "strings_file_system.h"

namespace {

class CodeEditorBridge : public ::testing::Test {
 protected:
  void SetUp() override {
    Root.SetName("Form1");
    Query->SetName("Query1");
    SQL.SetText("select *\r\nfrom orders\r\n");
  }
  void TearDown() override { Services.DiscardAll(); }

  vn_ide::TIDEServices& Services = vn_ide::IDEServices();
  TComponent Root{nullptr};
  TComponent* Query = new TComponent(&Root);
  vn_ide::TFormDesigner Designer{Root};
  TStringList SQL;
};

TEST_F(CodeEditorBridge, ModuleOpenedForAPropertyIsFoundAgainShownAndClosed) {
  VNReg::ShowStringsInCodeEditor(&Designer, Query, "SQL", SQL, false);
  const auto Module = Services.FindExact("dfm.Form1.Query1.SQL");
  ASSERT_NE(Module, nullptr);
  EXPECT_EQ(Module->Text(), "select *\r\nfrom orders\r\n");
  EXPECT_FALSE(Module->GetModified());  // the flag was false
  EXPECT_EQ(Services.Front(), Module.get());
  EXPECT_EQ(Module->StringsEntry()->Component(), Query);
  EXPECT_EQ(Module->StringsEntry()->PropName(), "SQL");
  EXPECT_NE(Module->StringsEntry()->FileDate(), 0);

  Services.SetEventHandler([&](vn_ide::TCodeEditorModule&, vn_ide::TModuleEvent Event) {
    EXPECT_EQ(Event, vn_ide::meShown);
  });
  EXPECT_TRUE(VNReg::ShowOpenStringsModule(&Designer, Query, "SQL"));
  Services.SetEventHandler(nullptr);
  EXPECT_TRUE(VNReg::CloseStringsModule(&Designer, Query, "SQL"));
  EXPECT_TRUE(Services.Modules().empty());
  EXPECT_FALSE(VNReg::ShowOpenStringsModule(&Designer, Query, "SQL"));
  EXPECT_TRUE(VNReg::CloseStringsModule(&Designer, Query, "SQL"));
}

TEST_F(CodeEditorBridge, MarkModifiedFlagMarksTheModuleAndAModifiedModuleMayStayOpen) {
  VNReg::ShowStringsInCodeEditor(&Designer, Query, "SQL", SQL, true);
  EXPECT_TRUE(Services.Find("Form1.Query1.SQL")->GetModified());
  std::istringstream In("answer cancel\n");
  std::ostringstream Out;
  vn_vcl::TScriptedDriver Driver(In, Out);
  vn_vcl::TDriverInstallation Installed(Driver);
  EXPECT_FALSE(VNReg::CloseStringsModule(&Designer, Query, "SQL"));
  EXPECT_EQ(Services.Modules().size(), 1u);
}

// Without a named root owning the component no identifier exists: the module is
// unnamed, and the other routines find nothing even where a module of the same
// names is open.
TEST_F(CodeEditorBridge, NoIdentifierWithoutANamedRootOwningTheComponent) {
  VNReg::ShowStringsInCodeEditor(&Designer, Query, "SQL", SQL, true);  // modified: closing it would ask
  TComponent OtherRoot(nullptr);
  OtherRoot.SetName("Form1");
  auto* Foreign = new TComponent(&OtherRoot);
  Foreign->SetName("Query1");
  TComponent Unnamed(nullptr);
  vn_ide::TFormDesigner UnnamedDesigner(Unnamed);
  auto* InUnnamed = new TComponent(&Unnamed);
  InUnnamed->SetName("Query1");
  TStringList NoComponent;

  struct TCase {
    const char* Name;
    IDesigner* Designer;
    TObject* Object;
  };
  for (const TCase& Case : {TCase{"not owned by the root", &Designer, Foreign},
                            TCase{"not a component", &Designer, &NoComponent},
                            TCase{"root without a name", &UnnamedDesigner, InUnnamed}}) {
    SCOPED_TRACE(Case.Name);
    EXPECT_TRUE(VNReg::CloseStringsModule(Case.Designer, Case.Object, "SQL"));
    EXPECT_FALSE(VNReg::ShowOpenStringsModule(Case.Designer, Case.Object, "SQL"));
    EXPECT_EQ(Services.Modules().size(), 1u);
    if (auto* Component = dynamic_cast<TComponent*>(Case.Object)) {
      VNReg::ShowStringsInCodeEditor(Case.Designer, Component, "SQL", SQL, false);
      ASSERT_EQ(Services.Modules().size(), 2u);
      EXPECT_EQ(Services.Modules().back()->FileName(), "");
      EXPECT_EQ(Services.Modules().back()->StringsEntry()->Component(), Component);
      Services.Modules().back()->Discard();
    }
  }
}

// The creator with its text, opened without a file editor.
class THiddenCreator : public VNReg::TStringsModuleCreator {
 public:
  using TStringsModuleCreator::TStringsModuleCreator;
  bool GetShowSource() override { return false; }
};

TEST_F(CodeEditorBridge, ModuleWithoutFilesCountsAsNotOpen) {
  StFilSys::Register();  // as the bridge does before it opens a module
  Services.CreateModule(
      std::make_shared<THiddenCreator>("dfm.Form1.Query1.SQL", std::make_unique<TStringStream>("x"), Now()));
  ASSERT_EQ(Services.Find("Form1.Query1.SQL")->GetModuleFileCount(), 0);
  EXPECT_TRUE(VNReg::CloseStringsModule(&Designer, Query, "SQL"));
  EXPECT_FALSE(VNReg::ShowOpenStringsModule(&Designer, Query, "SQL"));
  EXPECT_EQ(Services.Modules().size(), 1u);  // not closed
}

TEST_F(CodeEditorBridge, CreatorAnswersForATextModuleOfTheStringsFileSystem) {
  const auto Creator =
      std::make_shared<VNReg::TStringsModuleCreator>("dfm.F.Q.SQL", std::make_unique<TStringStream>("a\r\nb\r\n"), 42.5);
  const auto Asked = AsInterface<IOTAModuleCreator>(Creator);
  EXPECT_EQ(Supports<IOTACreator>(Creator).get(), static_cast<IOTACreator*>(Asked.get()));
  EXPECT_EQ(Asked->GetCreatorType(), "Text");
  EXPECT_TRUE(Asked->GetExisting());
  EXPECT_EQ(Asked->GetFileSystem(), "Delphi.TStringsFileSystem");
  EXPECT_EQ(Asked->GetOwner(), nullptr);
  EXPECT_FALSE(Asked->GetUnnamed());
  EXPECT_EQ(Asked->GetAncestorName(), "");
  EXPECT_EQ(Asked->GetImplFileName(), "dfm.F.Q.SQL");
  EXPECT_EQ(Asked->GetIntfFileName(), "");
  EXPECT_EQ(Asked->GetFormName(), "");
  EXPECT_FALSE(Asked->GetMainForm());
  EXPECT_FALSE(Asked->GetShowForm());
  EXPECT_TRUE(Asked->GetShowSource());
  EXPECT_EQ(Asked->NewFormFile("F", ""), nullptr);
  EXPECT_EQ(Asked->NewIntfSource("M", "F", ""), nullptr);
  const auto File = Asked->NewImplSource("M", "F", "");
  ASSERT_NE(File, nullptr);
  EXPECT_EQ(File->GetSource(), "a\r\nb\r\n");
  EXPECT_EQ(File->GetAge(), 42.5);
  EXPECT_EQ(Supports<IOTAModule>(Creator), nullptr);
}

// Module services that open nothing.
class TNoModules : public TInterfacedObject, public IBorlandIDEServices, public IOTAModuleServices {
 public:
  void* QueryInterface(const TGUID& IID) noexcept override {
    if (void* Found = InterfaceOf<IBorlandIDEServices, IOTAModuleServices>(this, IID)) return Found;
    return TInterfacedObject::QueryInterface(IID);
  }
  std::shared_ptr<IOTAModule> CreateModule(const std::shared_ptr<IOTACreator>& Creator) override {
    Asked = Supports<IOTAModuleCreator>(Creator) != nullptr;
    return nullptr;
  }
  std::shared_ptr<IOTAModule> FindModule(const std::string&) override { return nullptr; }
  int GetModuleCount() override { return 0; }
  std::shared_ptr<IOTAModule> GetModule(int) override { return nullptr; }
  bool Asked = false;
};

TEST_F(CodeEditorBridge, NoModuleLeavesTheFileSystemEntryUntouched) {
  const std::shared_ptr<IBorlandIDEServices> Host = BorlandIDEServices;
  const auto Double = std::make_shared<TNoModules>();
  BorlandIDEServices = Double;
  VNReg::ShowStringsInCodeEditor(&Designer, Query, "Lines", SQL, true);
  BorlandIDEServices = nullptr;
  EXPECT_THROW(VNReg::CloseStringsModule(&Designer, Query, "Lines"), EIntfCastError);
  BorlandIDEServices = Host;
  EXPECT_TRUE(Double->Asked);
  EXPECT_EQ(StFilSys::StringsFileSystem().GetTStringsProperty("dfm.Form1.Query1.Lines", Query, "Lines").FileDate(), 0);
}

}  // namespace
