#include "rtl/Variants.h"

#include <gtest/gtest.h>

#include "support/message_of.h"

namespace {

TEST(VariantTest, KindsAndNulls) {
  EXPECT_EQ(Variant().VarType(), varEmpty);
  EXPECT_TRUE(Variant().IsEmpty());
  EXPECT_TRUE(Variant::Null().IsNull());
  EXPECT_FALSE(Variant::Null().IsEmpty());
  EXPECT_EQ(Variant(5).VarType(), varInt64);
  EXPECT_EQ(Variant(std::int64_t{5}), Variant(5));
  EXPECT_EQ(Variant("x").VarType(), varString);
  EXPECT_EQ(Variant(true).VarType(), varBoolean);
  EXPECT_NE(Variant(1), Variant(1.0));
  EXPECT_NE(Variant(), Variant::Null());

  EXPECT_EQ(Variant::Null().AsString(), "");
  EXPECT_EQ(Variant::Null().AsInteger(), 0);
  EXPECT_FALSE(Variant().AsBoolean());
}

TEST(VariantTest, ConversionsFollowThePlatform) {
  EXPECT_EQ(Variant(true).AsString(), "True");
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(2.5).AsString(), "2.5");
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant(-2.5).AsInt64(), -2);
  EXPECT_EQ(Variant(" 42 ").AsInteger(), 42);
  EXPECT_EQ(Variant("1.5e2").AsFloat(), 150);
  EXPECT_TRUE(Variant("true").AsBoolean());
  EXPECT_TRUE(Variant("7").AsBoolean());
  EXPECT_EQ(Variant(std::int64_t{9000000000}).AsString(), "9000000000");

  EXPECT_EQ(MessageOf<EConvertError>([] { Variant("abc").AsInteger(); }),
            "Could not convert variant of type (String) into type (Int64)");
  EXPECT_EQ(MessageOf<EConvertError>([] { Variant(std::int64_t{9000000000}).AsInteger(); }),
            "Could not convert variant of type (Int64) into type (Integer)");
  EXPECT_NE(MessageOf<EConvertError>([] { Variant(1e300).AsInt64(); }), "(no error)");
  EXPECT_NE(MessageOf<EConvertError>([] { Variant("1.5x").AsFloat(); }), "(no error)");
  EXPECT_NE(MessageOf<EConvertError>([] { Variant("maybe").AsBoolean(); }), "(no error)");
}

}  // namespace
