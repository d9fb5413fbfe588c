#include "rtl/SysUtils.h"

#include <gtest/gtest.h>

#include "support/message_of.h"

namespace {

TEST(NumbersTest, TryStrToIntFollowsThePlatformRules) {
  const std::pair<const char*, int> Valid[] = {
      {"42", 42}, {"  42", 42}, {"+7", 7}, {"-7", -7}, {"007", 7}, {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1}, {"$FF", 255}, {"0x1f", 31}, {"0X1F", 31}, {"x10", 16},
      {"-$10", -16}, {"$FFFFFFFF", -1}, {"$80000000", -2147483647 - 1}, {"$000000000001", 1}};
  for (const auto& [Text, Expected] : Valid) {
    int Value = 12345;
    EXPECT_TRUE(TryStrToInt(Text, Value)) << Text;
    EXPECT_EQ(Value, Expected) << Text;
  }
  for (const char* Text : {"", " ", "\t5", "5 ", "+", "-", "$", "0x", "x", "--5", "- 5", "1.0", "2147483648",
                           "-2147483649", "99999999999999999999", "$100000000", "$G", "0x-1"}) {
    int Value = 12345;
    EXPECT_FALSE(TryStrToInt(Text, Value)) << Text;
    EXPECT_EQ(Value, 12345) << Text;
  }
}

TEST(NumbersTest, ConversionsRaiseFallBackAndPad) {
  EXPECT_EQ(StrToInt(" -12"), -12);
  EXPECT_EQ(MessageOf<EConvertError>([] { StrToInt("12 "); }), "'12 ' is not a valid integer value");
  EXPECT_EQ(StrToIntDef("abc", 9), 9);
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0x12345, 2), "12345");
  EXPECT_EQ(IntToHex(-1, 0), "FFFFFFFFFFFFFFFF");
}

}  // namespace
