#include "rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "support/message_of.h"

namespace {

std::string ErrorOf(std::string_view Fmt, std::initializer_list<TVarRec> Args) {
  return MessageOf<EConvertError>([&] { Format(Fmt, Args); });
}

TEST(FormatTest, IntegersPadWithZerosToPrecisionAndWithSpacesToWidth) {
  EXPECT_EQ(Format("%.2d %.2d %.2d %.2d", {5, -5, 123, 100}), "05 -05 123 100");
  EXPECT_EQ(Format("%2d|%-4d|%5.3d", {7, 7, -7}), " 7|7   | -007");
  EXPECT_EQ(Format("%*d|%-*d|%*d", {3, 1, 3, 2, -3, 3}), "  1|2  |3  ");
  EXPECT_EQ(Format("%d", {std::numeric_limits<std::int64_t>::min()}), "-9223372036854775808");
  EXPECT_EQ(Format("%d", {std::numeric_limits<std::uint64_t>::max()}), "18446744073709551615");
}

TEST(FormatTest, HexAndUnsignedShowNegativeValuesInTheWidthPassed) {
  EXPECT_EQ(Format("%.4x", {255}), "00FF");
  EXPECT_EQ(Format("%x", {-1}), "FFFFFFFF");
  EXPECT_EQ(Format("%x", {std::int64_t{-1}}), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format("%u", {-1}), "4294967295");
}

TEST(FormatTest, StringsWithIndexWidthAndTruncation) {
  EXPECT_EQ(Format("%s (%s)", {"a", std::string("b")}), "a (b)");
  EXPECT_EQ(Format("%1:s %0:s %s", {"x", "y"}), "y x y");
  EXPECT_EQ(Format("[%5s][%-5s][%.2s]", {"ab", "ab", "abcdef"}), "[   ab][ab   ][ab]");
  // Precision and width count characters; a UTF-8 sequence is never cut.
  EXPECT_EQ(Format("[%.2s][%4s]", {"äöü", "äö"}), "[äö][  äö]");
  EXPECT_EQ(Format("100%%", {}), "100%");
  EXPECT_EQ(Format("%s%s", {'x', "y", "unused"}), "xy");
  EXPECT_EQ(Format("%S-%D", {"up", 3}), "up-3");
}

TEST(FormatTest, FloatsRoundHalfAwayFromZero) {
  EXPECT_EQ(Format("%f", {1234.5}), "1234.50");
  EXPECT_EQ(Format("%.0f|%.2f|%.2f", {2.5, 0.125, 1.005}), "3|0.13|1.00");
  EXPECT_EQ(Format("%.2f", {-0.001}), "0.00");
  EXPECT_EQ(Format("%n", {-1234567.891}), "-1,234,567.89");
  EXPECT_EQ(Format("%.0n", {999.5}), "1,000");
  EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
  EXPECT_EQ(Format("%.3e", {-0.000123456}), "-1.23E-004");
  EXPECT_EQ(Format("%g|%g|%g", {1234.5, 0.00001, 100.0}), "1234.5|0.00001|100");
  EXPECT_EQ(Format("%g|%.3g", {0.000001, 123456.0}), "1E-006|1.23E+005");
  EXPECT_EQ(Format("%f|%f", {std::numeric_limits<double>::infinity(), std::nan("")}), "INF|NAN");
}

TEST(FormatTest, BadFormatsAndArgumentsRaiseConvertError) {
  EXPECT_EQ(ErrorOf("%d", {"x"}), "Format '%d' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf("%f", {1}), "Format '%f' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf("a %s %s", {"x"}), "No argument for format 'a %s %s'");
  EXPECT_EQ(ErrorOf("%2:s", {"x"}), "No argument for format '%2:s'");
  for (std::string_view Bad : {"%", "%5", "%q", "%-", "%.", "%1:", "%5-d", "%99999999999d"})
    EXPECT_EQ(ErrorOf(Bad, {1}), "Format '" + std::string(Bad) + "' invalid or incompatible with argument");
}

}  // namespace
