#include "object_inspector.h"

#include <gtest/gtest.h>

#include <memory>

#include "form_designer.h"
#include "ide/DesignIntf.h"
#include "registrations.h"
#include "rtl/SysUtils.h"
#include "rtl/TypInfo.h"

namespace {

enum TGadgetMode { gmOff, gmSlow, gmFast };

// A component whose Count refuses negative numbers.
class TGadget : public TComponent {
  VN_DECLARE_PUBLISHED(TGadget)
 public:
  explicit TGadget(TComponent* AOwner) : TComponent(AOwner) {}
  std::string Caption;
  int Count = 0;
  TGadgetMode Mode = gmOff;
  TComponent* Buddy = nullptr;
  void SetCount(int Value) {
    if (Value < 0) throw EPropertyError("Count must not be negative");
    Count = Value;
  }
};

class TBigGadget : public TGadget {
  VN_DECLARE_PUBLISHED(TBigGadget)
 public:
  using TGadget::TGadget;
};

// Editors the tests register: one per level of specificity.
class TAnyStringEditor : public TStringProperty {
  VN_DECLARE_CLASS(TAnyStringEditor)
};
class TGadgetStringEditor : public TStringProperty {
  VN_DECLARE_CLASS(TGadgetStringEditor)
};
class TCaptionEditor : public TStringProperty {
  VN_DECLARE_CLASS(TCaptionEditor)
 public:
  TPropertyAttributes GetAttributes() override { return {paValueList, paMultiSelect}; }
  void GetValues(const TGetStrProc& Proc) override {
    Proc("Alpha");
    Proc("Almond");
  }
  bool AutoFill() override { return AllowFill; }
  static inline bool AllowFill = true;
};
class TBigCaptionEditor : public TStringProperty {
  VN_DECLARE_CLASS(TBigCaptionEditor)
};

}  // namespace

VN_IMPLEMENT_ENUM_TYPEINFO(TGadgetMode, "gmOff", "gmSlow", "gmFast")
VN_IMPLEMENT_PUBLISHED(TGadget, TComponent)
VN_IMPLEMENT_PUBLISHED(TBigGadget, TGadget)
VN_IMPLEMENT_CLASS(TAnyStringEditor, TStringProperty)
VN_IMPLEMENT_CLASS(TGadgetStringEditor, TStringProperty)
VN_IMPLEMENT_CLASS(TCaptionEditor, TStringProperty)
VN_IMPLEMENT_CLASS(TBigCaptionEditor, TStringProperty)

const std::vector<TPropInfo>& TGadget::PublishedProperties() {
  static const auto List =
      TPublisher<TGadget>()
          .String("Caption", [](const TGadget& G) { return G.Caption; },
                  [](TGadget& G, const std::string& V) { G.Caption = V; })
          .String("Hint", [](const TGadget& G) { return G.Caption; }, nullptr)
          .Integer("Count", [](const TGadget& G) { return G.Count; }, &TGadget::SetCount)
          .Enum<TGadgetMode>("Mode", [](const TGadget& G) { return G.Mode; },
                             [](TGadget& G, TGadgetMode V) { G.Mode = V; }, gmOff)
          .Reference<TComponent>("Buddy", [](const TGadget& G) { return G.Buddy; },
                                 [](TGadget& G, TComponent* V) { G.Buddy = V; })
          .List();
  return List;
}

const std::vector<TPropInfo>& TBigGadget::PublishedProperties() {
  static const std::vector<TPropInfo> List;
  return List;
}

namespace {

class ObjectInspectorTest : public testing::Test {
 protected:
  void SetUp() override {
    vn_ide::BeginPackageRegistration("inspector_tests");
    const PTypeInfo String = TypeInfo<std::string>();
    RegisterPropertyEditor(String, nullptr, "", TAnyStringEditor::StaticClass());
    RegisterPropertyEditor(String, &TGadget::StaticClass(), "", TGadgetStringEditor::StaticClass());
    RegisterPropertyEditor(String, &TGadget::StaticClass(), "Caption", TCaptionEditor::StaticClass());
    RegisterPropertyEditor(String, &TBigGadget::StaticClass(), "Caption", TBigCaptionEditor::StaticClass());
    RegisterPropertiesInCategory("Looks", TGadget::StaticClass(), {"*tion", "Mode"});
    vn_ide::EndPackageRegistration();
    Root.SetName("Form1");
    A->SetName("A");
    B->SetName("B");
    Big->SetName("Big");
  }
  void TearDown() override {
    vn_ide::DropPackageRegistrations("inspector_tests");
    TCaptionEditor::AllowFill = true;
  }

  TComponent Root{nullptr};
  TGadget* A = new TGadget(&Root);
  TGadget* B = new TGadget(&Root);
  TBigGadget* Big = new TBigGadget(&Root);
  vn_ide::TFormDesigner Designer{Root};
};

TEST_F(ObjectInspectorTest, EditorIsTheMostSpecificRegistration) {
  struct TCase {
    const TMetaClass& Class;
    const char* Property;
    const char* Editor;
  } Cases[] = {
      {TGadget::StaticClass(), "Caption", "TCaptionEditor"},       // class and name
      {TBigGadget::StaticClass(), "Caption", "TBigCaptionEditor"},  // derived class beats base
      {TGadget::StaticClass(), "Hint", "TGadgetStringEditor"},     // class beats none
      {TGadget::StaticClass(), "Name", "TComponentNameProperty"},  // the host's registration
      {TBigGadget::StaticClass(), "Hint", "TGadgetStringEditor"},   // inherited from the base's
      {TGadget::StaticClass(), "Mode", "TEnumProperty"},           // the host's own
      {TGadget::StaticClass(), "Buddy", "TComponentProperty"},
  };
  for (const TCase& C : Cases)
    EXPECT_EQ(vn_ide::FindPropertyEditorClass(C.Class, *GetPropInfo(C.Class, C.Property)).ClassName(), C.Editor)
        << C.Class.ClassName() << "." << C.Property;
}

TEST_F(ObjectInspectorTest, RowsShowValuesCategoriesAndSharedProperties) {
  A->Caption = "same";
  B->Caption = "same";
  A->Count = 1;
  B->Count = 2;
  vn_ide::TObjectInspector One(&Designer, {A});
  EXPECT_EQ(One.Row("Mode").Value, "gmOff");
  EXPECT_EQ(One.Row("Caption").Category, "Looks");
  EXPECT_EQ(One.Row("Mode").Category, "Looks");
  EXPECT_EQ(One.Row("Count").Category, "Miscellaneous");
  EXPECT_EQ(One.Values("Mode"), (std::vector<std::string>{"gmFast", "gmOff", "gmSlow"}));  // sorted by the host

  vn_ide::TObjectInspector Two(&Designer, {A, B});
  Two.Rows();
  EXPECT_EQ(Two.Row("Caption").Value, "same");
  EXPECT_EQ(Two.Row("Count").Value, "");  // the two differ
  EXPECT_THROW(Two.Row("Name"), EPropertyError);  // a name is never set on two at once
  Two.SetValue("Count", "7");
  EXPECT_EQ(A->Count, 7);
  EXPECT_EQ(B->Count, 7);
  EXPECT_EQ(Designer.ModifiedCount(), 1);
}

TEST_F(ObjectInspectorTest, FailingSetValueLeavesEveryComponentAsItWas) {
  A->Count = 3;
  B->Count = 4;
  vn_ide::TObjectInspector Two(&Designer, {A, B});
  EXPECT_THROW(Two.SetValue("Count", "-1"), EPropertyError);
  EXPECT_EQ(A->Count, 3);
  EXPECT_EQ(B->Count, 4);
  EXPECT_THROW(Two.SetValue("Mode", "gmNone"), EPropertyError);
  EXPECT_EQ(A->Mode, gmOff);
  EXPECT_FALSE(Designer.IsModified());
}

TEST_F(ObjectInspectorTest, TypedTextIsCompletedOnlyWhenTheEditorAllows) {
  struct TCase {
    bool AllowFill;
    const char* Typed;
    const char* Stored;
  } Cases[] = {
      // Only a beginning of exactly one value is completed.
      {true, "alm", "Almond"}, {true, "al", "al"},    {true, "ALPHA", "ALPHA"},
      {true, "Beta", "Beta"},  {false, "alm", "alm"},
  };
  for (const TCase& C : Cases) {
    TCaptionEditor::AllowFill = C.AllowFill;
    vn_ide::TObjectInspector Inspector(&Designer, {A});
    Inspector.SetValue("Caption", C.Typed, true);
    EXPECT_EQ(A->Caption, C.Stored) << C.Typed;
    Inspector.SetValue("Caption", C.Typed);
    EXPECT_EQ(A->Caption, C.Typed) << "without completion, as typed";
  }
}

TEST_F(ObjectInspectorTest, ReferencesAreListedAndSetByName) {
  vn_ide::TObjectInspector Inspector(&Designer, {A});
  EXPECT_EQ(Inspector.Values("Buddy"), (std::vector<std::string>{"A", "B", "Big", "Form1"}));
  Inspector.SetValue("Buddy", "Big");
  EXPECT_EQ(A->Buddy, Big);
  EXPECT_THROW(Inspector.Row("Hint"), EPropertyError);  // what cannot be set is not shown
}

}  // namespace
