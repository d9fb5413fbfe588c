#include "rtl/SysUtils.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

#include "rtl_consts.h"

namespace {

using namespace std::chrono;

constexpr std::int64_t MSecsPerDay = 24 * 60 * 60 * 1000;
constexpr sys_days DateBase = sys_days(year(1899) / December / 30);
constexpr std::int64_t FirstDay = (sys_days(year(1) / January / 1) - DateBase).count();
constexpr std::int64_t LastDay = (sys_days(year(9999) / December / 31) - DateBase).count();

// A date-time as whole days from the base and milliseconds into the day. The
// value is rounded to the millisecond first, so that a time a hair before
// midnight belongs to the next day in both halves alike.
struct TTimeStamp {
  std::int64_t Days = 0;
  std::int64_t MSecs = 0;
  bool Valid = false;
};

TTimeStamp ToTimeStamp(TDateTime Value) {
  TTimeStamp Result;
  const double Total = std::round(Value * MSecsPerDay);
  // Beyond year 9999 either way there is no date to decode.
  if (!std::isfinite(Total) || std::fabs(Total) > 4e15) return Result;
  const auto MSecs = static_cast<std::int64_t>(Total);
  Result.Days = MSecs / MSecsPerDay;
  Result.MSecs = (MSecs < 0 ? -MSecs : MSecs) % MSecsPerDay;
  Result.Valid = true;
  return Result;
}

}  // namespace

TDateTime EncodeDate(int Year, int Month, int Day) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > 31)
    throw EConvertError(rtl_consts::SDateEncodeError);
  const year_month_day Date{year(Year), month(static_cast<unsigned>(Month)), day(static_cast<unsigned>(Day))};
  if (!Date.ok()) throw EConvertError(rtl_consts::SDateEncodeError);
  return static_cast<TDateTime>((sys_days(Date) - DateBase).count());
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
  if (Hour < 0 || Hour >= 24 || Min < 0 || Min >= 60 || Sec < 0 || Sec >= 60 || MSec < 0 || MSec >= 1000)
    throw EConvertError(rtl_consts::STimeEncodeError);
  return static_cast<TDateTime>(((Hour * 60 + Min) * 60 + Sec) * 1000 + MSec) / MSecsPerDay;
}

void DecodeDate(TDateTime Date, int& Year, int& Month, int& Day) {
  Year = Month = Day = 0;
  const TTimeStamp Stamp = ToTimeStamp(Date);
  // Only years 1..9999 have a date; further out the calendar arithmetic overflows.
  if (!Stamp.Valid || Stamp.Days < FirstDay || Stamp.Days > LastDay) return;
  const year_month_day Ymd{DateBase + days(Stamp.Days)};
  Year = int(Ymd.year());
  Month = static_cast<int>(unsigned(Ymd.month()));
  Day = static_cast<int>(unsigned(Ymd.day()));
}

void DecodeTime(TDateTime Time, int& Hour, int& Min, int& Sec, int& MSec) {
  const TTimeStamp Stamp = ToTimeStamp(Time);
  const auto MSecs = static_cast<int>(Stamp.MSecs);
  Hour = MSecs / 3600000;
  Min = MSecs / 60000 % 60;
  Sec = MSecs / 1000 % 60;
  MSec = MSecs % 1000;
}

TDateTime Now() {
  timespec Clock{};
  clock_gettime(CLOCK_REALTIME, &Clock);
  tm Local{};
  localtime_r(&Clock.tv_sec, &Local);
  // A leap second (tm_sec 60) is shown as the last second of its minute.
  return EncodeDate(Local.tm_year + 1900, Local.tm_mon + 1, Local.tm_mday) +
         EncodeTime(Local.tm_hour, Local.tm_min, std::min(Local.tm_sec, 59),
                    static_cast<int>(Clock.tv_nsec / 1000000));
}

std::int32_t DateTimeToFileDate(TDateTime DateTime) {
  int Year, Month, Day, Hour, Min, Sec, MSec;
  DecodeDate(DateTime, Year, Month, Day);
  if (Year < 1980 || Year > 2107) return 0;
  DecodeTime(DateTime, Hour, Min, Sec, MSec);
  const auto Date = static_cast<std::uint32_t>(((Year - 1980) << 9) | (Month << 5) | Day);
  const auto Time = static_cast<std::uint32_t>((Hour << 11) | (Min << 5) | (Sec / 2));
  return static_cast<std::int32_t>((Date << 16) | Time);
}

TDateTime FileDateToDateTime(std::int32_t FileDate) {
  const auto Bits = static_cast<std::uint32_t>(FileDate);
  const auto Date = Bits >> 16;
  const auto Time = Bits & 0xFFFFu;
  return EncodeDate(static_cast<int>((Date >> 9) + 1980), static_cast<int>((Date >> 5) & 15),
                    static_cast<int>(Date & 31)) +
         EncodeTime(static_cast<int>(Time >> 11), static_cast<int>((Time >> 5) & 63),
                    static_cast<int>((Time & 31) * 2), 0);
}
