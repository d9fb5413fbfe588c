#include "structure_view.h"

#include <gtest/gtest.h>

#include "registrations.h"

namespace {

using vn_ide::TStructureView;

// A component that names the node it belongs under (Up: "" for the root).
class TLevel : public TComponent {
  VN_DECLARE_CLASS(TLevel)
 public:
  explicit TLevel(TComponent* AOwner) : TComponent(AOwner) {}
  std::string Key, Up;
};
class TInner : public TLevel {
  VN_DECLARE_CLASS(TInner)
 public:
  using TLevel::TLevel;
};
// Its node adds a transient node under the root without looking for one first.
class TTwin : public TComponent {
  VN_DECLARE_CLASS(TTwin)
 public:
  using TComponent::TComponent;
};
VN_IMPLEMENT_CLASS(TLevel, TComponent)
VN_IMPLEMENT_CLASS(TInner, TLevel)
VN_IMPLEMENT_CLASS(TTwin, TComponent)

class TLevelSprig : public TComponentSprig {
  VN_DECLARE_CLASS(TLevelSprig)
 public:
  using TComponentSprig::TComponentSprig;
  TLevel& Level() const { return dynamic_cast<TLevel&>(*Item()); }
  std::string Name() const override { return Level().Key; }
  void FigureParent() override {
    if (Level().Up.empty()) Root()->Add(*this);
    else if (TSprig* Parent = Root()->Find(Level().Up)) Parent->Add(*this);
  }
  bool DragOverTo(TSprig* AItem) override { return dynamic_cast<TLevelSprig*>(AItem) != nullptr; }
  bool DragDropTo(TSprig* AItem) override {
    const std::string Key = AItem->Name();
    const bool Changed = Level().Up != Key;
    Level().Up = Key;
    return Changed;
  }
};
class TInnerSprig : public TLevelSprig {
  VN_DECLARE_CLASS(TInnerSprig)
 public:
  using TLevelSprig::TLevelSprig;
};
class TTwinSprig : public TComponentSprig {
  VN_DECLARE_CLASS(TTwinSprig)
 public:
  using TComponentSprig::TComponentSprig;
  void FigureParent() override { Root()->Add(std::make_unique<TTransientSprig>(nullptr)).Add(*this); }
};
VN_IMPLEMENT_CLASS(TLevelSprig, TComponentSprig)
VN_IMPLEMENT_CLASS(TInnerSprig, TLevelSprig)
VN_IMPLEMENT_CLASS(TTwinSprig, TComponentSprig)

class TCountingDesigner : public IDesigner {
 public:
  void Modified() override { ++Count; }
  TComponent* GetRoot() override { return nullptr; }
  std::string GetDesignerExtension() override { return "dfm"; }
  int Count = 0;
};

void Outline(const TSprig& Node, int Depth, std::string& Out) {
  Out += std::string(2 * Depth, ' ') + Node.UniqueName() + (TStructureView::Unplaced(Node) ? " ?" : "") + "\n";
  for (const TSprig* Child = Node.FirstChild(); Child != nullptr; Child = Child->NextSibling())
    Outline(*Child, Depth + 1, Out);
}

class StructureView : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    vn_ide::BeginPackageRegistration("TreeFixture");
    // Registered outer level first: inner nodes are placed after level nodes.
    RegisterSprigType(TLevel::StaticClass(), TLevelSprig::StaticClass());
    RegisterSprigType(TInner::StaticClass(), TInnerSprig::StaticClass());
    RegisterSprigType(TTwin::StaticClass(), TTwinSprig::StaticClass());
    vn_ide::EndPackageRegistration();
  }
  static void TearDownTestSuite() { vn_ide::DropPackageRegistrations("TreeFixture"); }

  template <class T>
  T& Make(const std::string& Name, const std::string& Key = "", const std::string& Up = "") {
    auto* C = new T(&Root);
    C->SetName(Name);
    if constexpr (std::is_base_of_v<TLevel, T>) {
      C->Key = Key;
      C->Up = Up;
    }
    return *C;
  }
  std::string Tree() {
    EXPECT_EQ(View->CheckInvariants(), std::vector<std::string>{});
    std::string Out;
    Outline(View->RootSprig(), 0, Out);
    return Out;
  }

  TComponent Root{nullptr};
  TCountingDesigner Designer;
  std::unique_ptr<TStructureView> View;
};

TEST_F(StructureView, PlacesNodesOfTheNearestRegisteredClassInRegistrationOrder) {
  Root.SetName("Form");
  Make<TInner>("inner", "i", "OUTER");  // before its parent on the form
  Make<TLevel>("outer", "outer");
  Make<TInner>("lost", "l", "missing");
  Make<TComponent>("plain");
  View = std::make_unique<TStructureView>(Root, &Designer, "TFormClass");
  EXPECT_EQ(Tree(), "Form\n  outer\n    inner\n  plain\n  lost ?\n");
  EXPECT_EQ(View->FindNode("inner").ClassName(), "TInnerSprig");
  EXPECT_EQ(View->FindNode("plain").ClassName(), "TComponentSprig");
  EXPECT_EQ(View->RootSprig().Caption(), "Form: TFormClass");
  EXPECT_EQ(View->FindNode("outer").Caption(), "outer: TLevel");
}

TEST_F(StructureView, FindAnswersFromTheChildIndexAsNamesAndParentsChange) {
  Make<TLevel>("a", "A");
  Make<TLevel>("b", "B");
  View = std::make_unique<TStructureView>(Root, nullptr);
  TSprig& Top = View->RootSprig();
  EXPECT_EQ(Top.Find("a"), &View->FindNode("a"));
  EXPECT_EQ(Top.Find("nothing"), nullptr);
  // A node named after it was added is found under its final name.
  auto& Late = Top.Add(std::make_unique<TInnerSprig>(new TInner(&Root)));
  Late.Level().Key = "late";
  EXPECT_EQ(Top.Find("LATE"), &Late);
  // A child that moved away is no longer found where it was.
  TSprig& B = *Top.Find("b");
  Top.Find("a")->Add(B);
  EXPECT_EQ(Top.Find("b"), nullptr);
  EXPECT_EQ(Top.Find("b", fsDescendants), &B);
  EXPECT_EQ(View->CheckInvariants(), std::vector<std::string>{});
  EXPECT_EQ(Top.Count(), 2);
}

TEST_F(StructureView, InvariantCheckFindsTwoTransientSiblingsOfOneName) {
  Root.SetName("Form");
  Make<TTwin>("t1");
  Make<TTwin>("t2");
  View = std::make_unique<TStructureView>(Root, nullptr);
  EXPECT_EQ(View->CheckInvariants(), std::vector<std::string>{"Form holds more than one transient node \"\""});
}

TEST_F(StructureView, DropsAskTheNodesAndTellTheDesignerOnlyOfChanges) {
  Make<TLevel>("b", "b");
  TLevel& A = Make<TLevel>("a", "a");
  Make<TComponent>("plain");
  View = std::make_unique<TStructureView>(Root, &Designer);
  EXPECT_EQ(View->DragDrop(View->FindNode("a"), View->FindNode("plain")), vn_ide::drRefused);
  EXPECT_EQ(View->DragDrop(View->FindNode("a"), View->FindNode("b")), vn_ide::drChanged);
  EXPECT_EQ(A.Up, "b");
  EXPECT_EQ(Designer.Count, 1);
  EXPECT_EQ(Tree(), "\n  b\n    a\n  plain\n");
  EXPECT_EQ(View->DragDrop(View->FindNode("a"), View->FindNode("b")), vn_ide::drUnchanged);
  EXPECT_EQ(Designer.Count, 1);
}

TEST_F(StructureView, NodesAreNamedByComponentNameOrParentQualifiedTransientName) {
  Make<TLevel>("x", "x");
  Make<TInner>("y", "y", "x");
  Make<TComponent>("z");
  View = std::make_unique<TStructureView>(Root, nullptr);
  EXPECT_EQ(&View->FindNode("x/y"), &View->FindNode("Y"));
  EXPECT_THROW(View->FindNode("missing"), vn_ide::EStructureViewError);
}

}  // namespace
