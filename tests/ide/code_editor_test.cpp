#include "code_editor.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "form_designer.h"
#include "ide/StFilSys.h"
#include "rtl/Classes.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"
#include "script_driver.h"
#include "strings_file_system.h"
#include "support/message_of.h"

namespace {

// A component with a string list, as a query has its SQL.
class TLinesHolder : public TComponent {
  VN_DECLARE_PUBLISHED(TLinesHolder)
 public:
  explicit TLinesHolder(TComponent* AOwner) : TComponent(AOwner) {}
  TStringList& Lines() const { return FLines; }

 private:
  mutable TStringList FLines;
};

VN_IMPLEMENT_PUBLISHED(TLinesHolder, TComponent)

const std::vector<TPropInfo>& TLinesHolder::PublishedProperties() {
  static const auto List = TPublisher<TLinesHolder>().Owned<TStrings>("Lines", &TLinesHolder::Lines).List();
  return List;
}

// A text module of the strings file system; records the questions asked.
class TTextCreator : public TInterfacedObject, public IOTAModuleCreator {
 public:
  TTextCreator(std::string FileName, std::string Text) : FFileName(std::move(FileName)), FText(std::move(Text)) {}
  void* QueryInterface(const TGUID& IID) noexcept override {
    if (void* Found = InterfaceOf<IOTAModuleCreator, IOTACreator>(this, IID)) return Found;
    return TInterfacedObject::QueryInterface(IID);
  }
  std::string GetCreatorType() override { return Asked("CreatorType"), "Text"; }
  bool GetExisting() override { return Asked("Existing"), true; }
  std::string GetFileSystem() override { return Asked("FileSystem"), std::string(StFilSys::sTStringsFileSystem); }
  std::shared_ptr<IOTAModule> GetOwner() override { return Asked("Owner"), nullptr; }
  bool GetUnnamed() override { return Asked("Unnamed"), false; }
  std::string GetAncestorName() override { return Asked("AncestorName"), ""; }
  std::string GetImplFileName() override { return Asked("ImplFileName"), FFileName; }
  std::string GetIntfFileName() override { return Asked("IntfFileName"), ""; }
  std::string GetFormName() override { return Asked("FormName"), ""; }
  bool GetMainForm() override { return Asked("MainForm"), false; }
  bool GetShowForm() override { return Asked("ShowForm"), false; }
  bool GetShowSource() override { return Asked("ShowSource"), true; }
  std::shared_ptr<IOTAFile> NewFormFile(const std::string&, const std::string&) override {
    return Asked("NewFormFile"), nullptr;
  }
  std::shared_ptr<IOTAFile> NewImplSource(const std::string&, const std::string&, const std::string&) override;
  std::shared_ptr<IOTAFile> NewIntfSource(const std::string&, const std::string&, const std::string&) override {
    return Asked("NewIntfSource"), nullptr;
  }
  void FormCreated(const std::shared_ptr<IOTAFormEditor>&) override { Asked("FormCreated"); }

  std::vector<std::string> Questions;

 private:
  int Asked(const char* Question) { return Questions.emplace_back(Question), 0; }
  std::string FFileName, FText;
};

class TTextFile : public TInterfacedObject, public IOTAFile {
 public:
  explicit TTextFile(std::string Text) : FText(std::move(Text)) {}
  void* QueryInterface(const TGUID& IID) noexcept override {
    if (void* Found = InterfaceOf<IOTAFile>(this, IID)) return Found;
    return TInterfacedObject::QueryInterface(IID);
  }
  std::string GetSource() override { return FText; }
  TDateTime GetAge() override { return 0; }

 private:
  std::string FText;
};

std::shared_ptr<IOTAFile> TTextCreator::NewImplSource(const std::string&, const std::string&, const std::string&) {
  Asked("NewImplSource");
  return std::make_shared<TTextFile>(FText);
}

class CodeEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    StFilSys::Register();
    Root.SetName("Form1");
    Holder->SetName("Query1");
    Holder->Lines().SetText("select 1\r\n");
  }
  void TearDown() override { Services.DiscardAll(); }

  // The module for Holder's lines, bound as the package binds it.
  std::shared_ptr<vn_ide::TCodeEditorModule> Open(const std::string& Name = "dfm.Form1.Query1.Lines") {
    Services.CreateModule(std::make_shared<TTextCreator>(Name, Holder->Lines().Text()));
    StFilSys::StringsFileSystem().GetTStringsProperty(Name, Holder, "Lines");
    return Services.FindExact(Name);
  }

  vn_ide::TIDEServices& Services = vn_ide::IDEServices();
  TComponent Root{nullptr};
  TLinesHolder* Holder = new TLinesHolder(&Root);
  vn_ide::TFormDesigner Designer{Root};
};

TEST_F(CodeEditor, CreatorIsAskedEveryQuestionInSlotOrder) {
  const auto Creator = std::make_shared<TTextCreator>("dfm.Form1.Query1.Lines", "x\r\n");
  Services.CreateModule(Creator);
  EXPECT_EQ(Creator->Questions,
            (std::vector<std::string>{"CreatorType", "Existing", "FileSystem", "Owner", "Unnamed", "AncestorName",
                                      "ImplFileName", "IntfFileName", "FormName", "MainForm", "ShowForm",
                                      "ShowSource", "NewFormFile", "NewImplSource", "NewIntfSource", "FormCreated"}));
  EXPECT_EQ(Services.FindExact("dfm.Form1.Query1.Lines")->Text(), "x\r\n");
}

TEST_F(CodeEditor, ModulesAreFoundWithoutRegardToCaseAndByTheirLookupName) {
  const auto Module = Open();
  EXPECT_EQ(Services.Find("DFM.FORM1.QUERY1.LINES"), Module);
  EXPECT_EQ(Services.Find("form1.query1.lines"), Module);
  EXPECT_EQ(Services.Find("Query1.Lines"), nullptr);
  EXPECT_EQ(Services.Find(""), nullptr);

  // Opened again: it comes forward; its text follows the property unless the person changed it.
  Holder->Lines().SetText("select 2\r\n");
  EXPECT_EQ(Open(), Module);
  EXPECT_EQ(Module->Text(), "select 2\r\n");
  Module->Edit("mine\r\n");
  Holder->Lines().SetText("select 3\r\n");
  Open();
  EXPECT_EQ(Module->Text(), "mine\r\n");
  EXPECT_EQ(Services.Modules().size(), 1u);

  Module->Discard();
  EXPECT_EQ(Services.Find("Form1.Query1.Lines"), nullptr);
}

TEST_F(CodeEditor, SavingWritesTheTextBackAndMarksTheDesignerModified) {
  const auto Module = Open();
  Module->Edit("select a\r\nfrom b\r\n");
  EXPECT_FALSE(Designer.IsModified());
  Module->Save();
  EXPECT_EQ(Holder->Lines().Text(), "select a\r\nfrom b\r\n");
  EXPECT_TRUE(Designer.IsModified());
  EXPECT_FALSE(Module->GetModified());
  EXPECT_NE(Module->StringsEntry()->FileDate(), 0);
}

TEST_F(CodeEditor, SavingAfterTheComponentIsGoneIsAnErrorAndKeepsTheText) {
  const auto Module = Open();
  Module->Edit("kept\r\n");
  delete Holder;
  EXPECT_EQ(MessageOf<Exception>([&] { Module->Save(); }),
            "dfm.Form1.Query1.Lines cannot be saved: its component no longer exists");
  EXPECT_TRUE(Module->GetModified());
  EXPECT_FALSE(Designer.IsModified());
}

TEST_F(CodeEditor, ClosingAModifiedModuleAsksWhetherToSave) {
  struct TCase {
    const char* Answer;
    bool Closed;
    const char* Lines;
  };
  for (const TCase& Case : {TCase{"yes", true, "edited\r\n"}, TCase{"no", true, "select 1\r\n"},
                            TCase{"cancel", false, "select 1\r\n"}}) {
    SCOPED_TRACE(Case.Answer);
    Holder->Lines().SetText("select 1\r\n");
    const auto Module = Open();
    Module->Edit("edited\r\n");
    std::istringstream In(std::string("answer ") + Case.Answer + "\n");
    std::ostringstream Out;
    vn_vcl::TScriptedDriver Driver(In, Out);
    vn_vcl::TDriverInstallation Installed(Driver);
    EXPECT_EQ(Module->Close(), Case.Closed);
    EXPECT_NE(Out.str().find("[Confirmation] Save changes to dfm.Form1.Query1.Lines?"), std::string::npos);
    EXPECT_EQ(Services.Find("Form1.Query1.Lines") != nullptr, !Case.Closed);
    EXPECT_EQ(Holder->Lines().Text(), Case.Lines);
    Services.DiscardAll();
  }
}

}  // namespace
