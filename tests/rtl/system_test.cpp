#include "rtl/System.h"

#include <gtest/gtest.h>

#include "support/message_of.h"
#include "rtl/Classes.h"
#include "rtl/SysUtils.h"

namespace {

class TShape : public TPersistent {
  VN_DECLARE_CLASS(TShape)
 public:
  virtual double Area() const = 0;
};

class TSquare : public TShape {
  VN_DECLARE_CLASS(TSquare)
 public:
  double Area() const override { return 1; }
};

class TWidget : public TComponent {
  VN_DECLARE_CLASS(TWidget)
 public:
  using TComponent::TComponent;
};

}  // namespace

VN_IMPLEMENT_CLASS(TShape, TPersistent)
VN_IMPLEMENT_CLASS(TSquare, TShape)
VN_IMPLEMENT_CLASS(TWidget, TComponent)

namespace {

TEST(SystemTest, ClassInformationNamesWalksParentsAndCreates) {
  TSquare Square;
  EXPECT_TRUE(Square.ClassNameIs("tsquare"));
  EXPECT_FALSE(Square.ClassNameIs("TShape"));
  EXPECT_TRUE(Square.InheritsFrom<TObject>());
  EXPECT_FALSE(Square.InheritsFrom<TComponent>());
  EXPECT_EQ(TObject::StaticClass().ClassParent(), nullptr);
  EXPECT_EQ(MessageOf<EAbstractError>([] { TShape::StaticClass().CreateInstance(); }),
            "Cannot create an instance of abstract class TShape");
  EXPECT_EQ(&TSquare::StaticClass().CreateInstance()->ClassType(), &TSquare::StaticClass());

  TComponent Owner(nullptr);
  TObject* Widget = TWidget::StaticClass().CreateInstance(&Owner).release();  // the owner frees it
  EXPECT_EQ(Owner.Components(0), Widget);
  EXPECT_EQ(As<TWidget>(Widget), Owner.Components(0));
  EXPECT_THROW(As<TStringList>(Widget), EInvalidCast);
}

TEST(SystemTest, FailedAssertionNamesMessageSourceAndLine) {
  EXPECT_EQ(MessageOf<EAssertionFailed>([] { Assert(false, "", "unit.pas", 7); }),
            "Assertion failure (unit.pas, line 7)");
  try {
    VN_ASSERT(1 + 1 == 3, "arithmetic broke");
    FAIL();
  } catch (const EAssertionFailed& E) {
    EXPECT_EQ(E.Message(), "arithmetic broke (" + E.SourceName() + ", line " + std::to_string(E.Line()) + ")");
    EXPECT_EQ(E.SourceName(), __FILE__);
  }
  EXPECT_NO_THROW(VN_ASSERT(true, "never"));
}

}  // namespace
