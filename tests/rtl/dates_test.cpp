#include "rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "support/message_of.h"

namespace {

TEST(DatesTest, EncodeCountsDaysFromTheBaseAndValidates) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(2000, 2, 29) + 1, EncodeDate(2000, 3, 1));
  EXPECT_DOUBLE_EQ(EncodeTime(6, 30, 15, 500), (6 * 3600 + 30 * 60 + 15.5) / 86400);
  for (auto [Y, M, D] : {std::tuple{1900, 2, 29}, {2001, 2, 29}, {2000, 13, 1}, {0, 1, 1}, {10000, 1, 1},
                         {2000, 4, 31}, {2000, 1, -1}})
    EXPECT_EQ(MessageOf<EConvertError>([&] { EncodeDate(Y, M, D); }), "Invalid argument to date encode");
  for (auto [H, N, S, MS] : {std::tuple{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}})
    EXPECT_EQ(MessageOf<EConvertError>([&] { EncodeTime(H, N, S, MS); }), "Invalid argument to time encode");
}

TEST(DatesTest, DecodeRoundsToTheMillisecondInBothHalves) {
  int Y, M, D, H, N, S, MS;
  DecodeDate(EncodeDate(2024, 2, 29) + EncodeTime(23, 59, 59, 999), Y, M, D);
  EXPECT_EQ((std::tuple{Y, M, D}), (std::tuple{2024, 2, 29}));
  // 0.4 ms before midnight is midnight of the next day.
  const TDateTime AlmostMidnight = EncodeDate(2024, 2, 29) + (86400000 - 0.4) / 86400000;
  DecodeDate(AlmostMidnight, Y, M, D);
  DecodeTime(AlmostMidnight, H, N, S, MS);
  EXPECT_EQ((std::tuple{Y, M, D, H, N, S, MS}), (std::tuple{2024, 3, 1, 0, 0, 0, 0}));
  // Before the base date the fraction still counts forward from midnight.
  DecodeDate(-1.25, Y, M, D);
  DecodeTime(-1.25, H, N, S, MS);
  EXPECT_EQ((std::tuple{Y, M, D, H, N}), (std::tuple{1899, 12, 29, 6, 0}));
  for (double Outside : {std::nan(""), 1e9, -1e9, EncodeDate(1, 1, 1) - 1}) {
    DecodeDate(Outside, Y, M, D);
    EXPECT_EQ((std::tuple{Y, M, D}), (std::tuple{0, 0, 0})) << Outside;
  }
  DecodeDate(EncodeDate(9999, 12, 31) + 0.5, Y, M, D);
  EXPECT_EQ(Y, 9999);
}

TEST(DatesTest, FileDatesPackDosDateAndTime) {
  const TDateTime When = EncodeDate(2021, 7, 4) + EncodeTime(13, 45, 31, 700);
  const std::int32_t FileDate = DateTimeToFileDate(When);
  EXPECT_EQ(FileDate, static_cast<std::int32_t>((41u << 25 | 7u << 21 | 4u << 16) | (13u << 11 | 45u << 5 | 15u)));
  EXPECT_DOUBLE_EQ(FileDateToDateTime(FileDate), EncodeDate(2021, 7, 4) + EncodeTime(13, 45, 30, 0));
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(1979, 12, 31)), 0);
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(2108, 1, 1)), 0);
  const std::int32_t Late = DateTimeToFileDate(EncodeDate(2107, 12, 31) + EncodeTime(23, 59, 58, 0));
  EXPECT_LT(Late, 0);  // years after 2043 set the top bit
  EXPECT_DOUBLE_EQ(FileDateToDateTime(Late), EncodeDate(2107, 12, 31) + EncodeTime(23, 59, 58, 0));
  EXPECT_THROW(FileDateToDateTime(0), EConvertError);  // month 0
}

TEST(DatesTest, NowIsLocalTime) {
  const std::time_t Before = std::time(nullptr);
  const TDateTime Current = Now();
  std::tm Local{};
  localtime_r(&Before, &Local);
  const TDateTime Expected = EncodeDate(Local.tm_year + 1900, Local.tm_mon + 1, Local.tm_mday) +
                             EncodeTime(Local.tm_hour, Local.tm_min, std::min(Local.tm_sec, 59), 0);
  EXPECT_NEAR(Current, Expected, 5.0 / 86400);
}

}  // namespace
