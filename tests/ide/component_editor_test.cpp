#include "ide/DesignEditors.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "form_designer.h"
#include "ide/DSDesign.h"
#include "registrations.h"

namespace {

class TThing : public TComponent {
  VN_DECLARE_CLASS(TThing)
 public:
  using TComponent::TComponent;
};
class TBigThing : public TThing {
  VN_DECLARE_CLASS(TBigThing)
 public:
  using TThing::TThing;
};
class TBiggerThing : public TBigThing {
  VN_DECLARE_CLASS(TBiggerThing)
 public:
  using TBigThing::TBigThing;
};

std::vector<std::string> Ran;

class TThingEditor : public TComponentEditor {
  VN_DECLARE_CLASS(TThingEditor)
 public:
  void ExecuteVerb(int Index) override { Ran.push_back(Component().Name() + ":" + std::to_string(Index)); }
  std::string GetVerb(int) override { return "Thing"; }
  int GetVerbCount() override { return 2; }
};
class TBigThingEditor : public TThingEditor {
  VN_DECLARE_CLASS(TBigThingEditor)
};
class TLaterEditor : public TComponentEditor {
  VN_DECLARE_CLASS(TLaterEditor)
};

VN_IMPLEMENT_CLASS(TThing, TComponent)
VN_IMPLEMENT_CLASS(TBigThing, TThing)
VN_IMPLEMENT_CLASS(TBiggerThing, TBigThing)
VN_IMPLEMENT_CLASS(TThingEditor, TComponentEditor)
VN_IMPLEMENT_CLASS(TBigThingEditor, TThingEditor)
VN_IMPLEMENT_CLASS(TLaterEditor, TComponentEditor)

// Registrations made on behalf of a package of the test's own, dropped after.
class ComponentEditorTest : public testing::Test {
 protected:
  void Register(const std::function<void()>& Calls) {
    vn_ide::BeginPackageRegistration("ide_tests");
    Calls();
    vn_ide::EndPackageRegistration();
  }
  void TearDown() override {
    vn_ide::DropPackageRegistrations("ide_tests");
    Ran.clear();
  }
};

TEST_F(ComponentEditorTest, TheEditorOfTheMostDerivedRegisteredClassIsMadeTheLatestRegistrationWinning) {
  Register([] {
    RegisterComponentEditor(TThing::StaticClass(), TThingEditor::StaticClass());
    RegisterComponentEditor(TBigThing::StaticClass(), TBigThingEditor::StaticClass());
  });
  struct TCase {
    const TMetaClass& Class;
    const char* Editor;
  };
  const TCase Cases[] = {{TComponent::StaticClass(), "TComponentEditor"},
                         {TThing::StaticClass(), "TThingEditor"},
                         {TBigThing::StaticClass(), "TBigThingEditor"},
                         {TBiggerThing::StaticClass(), "TBigThingEditor"}};
  TComponent Root(nullptr);
  vn_ide::TFormDesigner Designer(Root);
  for (const TCase& C : Cases) {
    std::unique_ptr<TObject> Component = C.Class.CreateInstance(&Root);
    auto& Comp = static_cast<TComponent&>(*Component);
    const std::unique_ptr<TComponentEditor> Editor = GetComponentEditor(Comp, &Designer);
    EXPECT_EQ(Editor->ClassName(), C.Editor) << C.Class.ClassName();
    EXPECT_EQ(&Editor->Component(), &Comp);
    EXPECT_EQ(Editor->GetDesigner(), &Designer);
  }

  Register([] { RegisterComponentEditor(TThing::StaticClass(), TLaterEditor::StaticClass()); });
  TThing Thing(&Root);
  EXPECT_EQ(GetComponentEditor(Thing, nullptr)->ClassName(), "TLaterEditor");
}

TEST_F(ComponentEditorTest, TheHostsEditorRunsVerbZeroOnADoubleClickAndNothingWithoutVerbs) {
  Register([] { RegisterComponentEditor(TThing::StaticClass(), TThingEditor::StaticClass()); });
  TComponent Root(nullptr);
  TThing Thing(&Root);
  Thing.SetName("Thing1");
  GetComponentEditor(Thing, nullptr)->Edit();
  EXPECT_EQ(Ran, std::vector<std::string>{"Thing1:0"});

  const std::unique_ptr<TComponentEditor> Plain = GetComponentEditor(Root, nullptr);
  EXPECT_EQ(Plain->GetVerbCount(), 0);
  EXPECT_EQ(Plain->GetVerb(0), "");
  Plain->Edit();
  Plain->ExecuteVerb(0);
  EXPECT_EQ(Ran.size(), 1u);
}

TEST_F(ComponentEditorTest, AClassThatIsNoComponentEditorIsRefused) {
  Register([] { RegisterComponentEditor(TThing::StaticClass(), TBigThing::StaticClass()); });
  TThing Thing(nullptr);
  EXPECT_THROW(GetComponentEditor(Thing, nullptr), EInvalidCast);
}

TEST_F(ComponentEditorTest, TheHostsDataSetEditorOffersTheFieldsEditor) {
  TDataSetEditor Editor;
  EXPECT_EQ(Editor.GetVerbCount(), 1);
  EXPECT_EQ(Editor.GetVerb(0), "Fields Editor...");
  EXPECT_EQ(&Editor.GetDSDesignerClass(), &TDSDesigner::StaticClass());
}

}  // namespace
