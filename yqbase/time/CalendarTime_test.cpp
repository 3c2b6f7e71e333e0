#include "yqbase/time/CalendarTime.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace {

constexpr LONGLONG kDay = CTimeInterval::kTicksPerDay;
constexpr LONGLONG kMinute = CTimeInterval::kTicksPerMinute;

// The UTC time stamp of a date and time, from the calendar's own conversion.
CTimeStamp Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
               LONGLONG ticks = 0) {
  CCalendarTime t;
  t.year = year;
  t.month = month - 1;
  t.dayOfMonth = day;
  t.hours = hour;
  t.minutes = minute;
  t.seconds = second;
  t.milliseconds = t.microseconds = t.hundredNanoseconds = 0;
  t.offsetMinutes = 0;
  return t.AsTimeStamp() + CTimeInterval(ticks);
}

bool SameFields(const CCalendarTime& a, const CCalendarTime& b) {
  return a.hundredNanoseconds == b.hundredNanoseconds && a.microseconds == b.microseconds &&
         a.milliseconds == b.milliseconds && a.seconds == b.seconds && a.minutes == b.minutes &&
         a.hours == b.hours && a.dayOfMonth == b.dayOfMonth && a.month == b.month &&
         a.year == b.year && a.dayOfWeek == b.dayOfWeek && a.dayOfYear == b.dayOfYear &&
         a.offsetMinutes == b.offsetMinutes;
}

}  // namespace

TEST(CCalendarTime, DefaultFieldsAreUnset) {
  const CCalendarTime t;
  for (int field : {t.hundredNanoseconds, t.microseconds, t.milliseconds, t.seconds, t.minutes,
                    t.hours, t.dayOfMonth, t.month, t.year, t.dayOfWeek, t.dayOfYear})
    EXPECT_EQ(-1, field);
  EXPECT_EQ(0, t.offsetMinutes);
  EXPECT_FALSE(t.reserved);
}

// Walks every day from 1601-01-01 to 9999-12-31 with a plain day count, weekday count and
// day-of-year count, and checks both directions of the conversion at a varying time of day.
TEST(CCalendarTime, EveryDayFrom1601To9999MatchesADayCount) {
  static const int kMonthLength[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  LONGLONG day = 0;
  int weekday = 1;  // 1601-01-01 was a Monday
  long long mismatches = 0;
  for (int year = 1601; year <= 9999; ++year) {
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    int dayOfYear = 0;
    for (int month = 0; month < 12; ++month) {
      const int length = kMonthLength[month] + (month == 1 && leap ? 1 : 0);
      for (int dom = 1; dom <= length; ++dom, ++day, ++dayOfYear, weekday = (weekday + 1) % 7) {
        const LONGLONG inDay = (day * 7919) % kDay;
        const CTimeStamp stamp(day * kDay + inDay);
        const CCalendarTime t(stamp);
        const LONGLONG second = inDay / CTimeInterval::kTicksPerSecond;
        const bool ok = t.year == year && t.month == month && t.dayOfMonth == dom &&
                        t.dayOfWeek == weekday && t.dayOfYear == dayOfYear &&
                        t.hours == second / 3600 && t.minutes == second / 60 % 60 &&
                        t.seconds == second % 60 &&
                        t.milliseconds == inDay % CTimeInterval::kTicksPerSecond / 10000 &&
                        t.microseconds == inDay % 10000 / 10 &&
                        t.hundredNanoseconds == inDay % 10 * 100 && t.AsTimeStamp() == stamp;
        if (!ok && mismatches++ < 5)
          ADD_FAILURE() << year << "-" << month + 1 << "-" << dom << " gives " << t.AsString()
                        << " weekday " << t.dayOfWeek << " day of year " << t.dayOfYear;
      }
    }
  }
  EXPECT_EQ(0, mismatches);
  EXPECT_EQ(3067671, day);  // days from 1601-01-01 to 10000-01-01
}

// The walk above covers 1601 to 9999; the tick before 1601 falls in a leap year.
TEST(CCalendarTime, TheTickBefore1601) {
  const CCalendarTime t(CTimeStamp(-1));
  EXPECT_EQ("1600/12/31 23:59:59.999999Z", t.AsString());
  EXPECT_EQ(0, t.dayOfWeek);
  EXPECT_EQ(365, t.dayOfYear);
  EXPECT_EQ(900, t.hundredNanoseconds);
  // The literal tick count of the POSIX epoch agrees with the calendar.
  EXPECT_EQ(CTimeStamp::kPosixEpoch, Utc(1970, 1, 1).GetValue());
}

TEST(CCalendarTime, AsTimeStampInvertsFromTimeStampForAnyOffset) {
  std::mt19937_64 random(20210304);
  std::uniform_int_distribution<LONGLONG> anyTick(-CTimeStamp::kFilled - 1, CTimeStamp::kFilled);
  std::uniform_int_distribution<LONGLONG> usualTick(0, Utc(10000, 1, 1).GetValue());
  std::uniform_int_distribution<int> usualOffset(-14 * 60, 14 * 60);
  std::uniform_int_distribution<int> anyOffset(-0x7FFFFFFF - 1, 0x7FFFFFFF);
  const int fixedOffsets[] = {0, 1, -1, 60, -90, 330, 0x7FFFFFFF, -0x7FFFFFFF - 1};
  long long failures = 0;
  for (int i = 0; i < 200000; ++i) {
    const CTimeStamp t(i % 2 == 0 ? usualTick(random) : anyTick(random));
    const int m = i % 3 == 0 ? fixedOffsets[i / 3 % 8]
                             : (i % 3 == 1 ? usualOffset(random) : anyOffset(random));
    CCalendarTime c;
    c.FromTimeStamp(t, m);
    if (c.offsetMinutes != m || c.AsTimeStamp() != t) {
      if (failures++ < 5) ADD_FAILURE() << "t=" << t.GetValue() << " m=" << m;
    }
  }
  EXPECT_EQ(0, failures);
  // Just above the lowest count the midnight before lies outside the 64-bit range.
  const LONGLONG lowest = -CTimeStamp::kFilled - 1;
  for (LONGLONG edge : {LONGLONG{0}, LONGLONG{1}, LONGLONG{-1}, CTimeStamp::kFilled, lowest,
                        lowest + 1, lowest + 959717376, lowest + LONGLONG{864000000000}}) {
    for (int offset : {0, 600, -600}) {
      CCalendarTime c;
      c.FromTimeStamp(CTimeStamp(edge), offset);
      EXPECT_EQ(edge, c.AsTimeStamp().GetValue()) << "offset " << offset;
    }
  }
}

// A zone west of UTC moves the fields back into the previous day; localized fields are not moved.
TEST(CCalendarTime, OffsetMovesTheFieldsIntoTheZone) {
  const CTimeStamp t = Utc(2021, 3, 4, 0, 30);
  CCalendarTime west, localized;
  west.FromTimeStamp(t, -90);
  localized.FromLocalizedTimeStamp(t, 60);
  EXPECT_EQ("2021/03/03 23:00:00.000000-0130", west.AsString());
  EXPECT_EQ(3, west.dayOfWeek);
  EXPECT_EQ("2021/03/04 00:30:00.000000+0100", localized.AsString());
  EXPECT_EQ(t - CTimeInterval(60 * kMinute), localized.AsTimeStamp());
}

TEST(CCalendarTime, AsStringStylesAndZones) {
  typedef BCalendarTimeOutputFormat F;
  const CTimeStamp t = Utc(2021, 3, 4, 5, 6, 7, 890123);  // .089012 and 3 ticks
  CCalendarTime utc(t), east, west, early;
  east.FromTimeStamp(t, 60);
  west.FromTimeStamp(t, -90);
  early.FromTimeStamp(Utc(1601, 1, 2, 3, 4, 5));
  const struct {
    const CCalendarTime* time;
    DWORD format;
    const char* text;
  } cases[] = {
      {&utc, F::STYLE_LOGGING, "2021/03/04 05:06:07.089012Z"},
      {&utc, F::STYLE_ISO8601, "2021-03-04T05:06:07Z"},
      {&utc, F::STYLE_ASCTIME, "Thu Mar  4 05:06:07 2021"},
      {&utc, F::STYLE_YYYY_MM_DD, "2021-03-04"},
      {&utc, F::STYLE_YYYY_MM_DD_HH_MM_SS, "2021-03-04 05:06:07"},
      {&utc, 9, "2021/03/04 05:06:07.089012Z"},
      {&east, F::ZONE_INTERNAL | F::STYLE_ISO8601, "2021-03-04T06:06:07+0100"},
      {&east, F::ZONE_UTC | F::STYLE_ISO8601, "2021-03-04T05:06:07Z"},
      {&east, F::ZONE_INTERNAL | F::STYLE_LOGGING, "2021/03/04 06:06:07.089012+0100"},
      {&east, F::ZONE_INTERNAL | F::STYLE_ASCTIME, "Thu Mar  4 06:06:07 2021"},
      {&east, F::ZONE_INTERNAL | 9, "2021/03/04 06:06:07.089012+0100"},
      {&east, F::ZONE_UTC | 9, "2021/03/04 05:06:07.089012Z"},
      {&west, F::ZONE_INTERNAL | F::STYLE_YYYY_MM_DD_HH_MM_SS, "2021-03-04 03:36:07"},
      {&west, F::ZONE_INTERNAL | F::STYLE_LOGGING, "2021/03/04 03:36:07.089012-0130"},
      {&west, F::ZONE_UTC | F::STYLE_YYYY_MM_DD, "2021-03-04"},
      {&early, F::STYLE_ASCTIME, "Tue Jan  2 03:04:05 1601"},
      {&early, F::STYLE_ISO8601, "1601-01-02T03:04:05Z"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(BCalendarTimeOutputFormat::AsString(c.format));
    EXPECT_EQ(c.text, c.time->AsString(c.format));
  }
  EXPECT_EQ("2021/03/04 06:06:07.089012+0100", east.AsString());
  for (const CCalendarTime* time : {&utc, &east, &west}) {
    EXPECT_EQ("2021/03/04 05:06:07.089012Z", time->AsUTCDateTimeString());
    EXPECT_EQ("2021/03/04", time->AsUTCDateString());
    EXPECT_EQ("05:06:07.089012Z", time->AsUTCTimeString());
  }
}

// Normalizing never changes the moment the fields stand for, and leaves the same fields as a
// fresh break-down of that moment in the same zone.
TEST(CCalendarTime, NormalizeKeepsTheMomentAndRestoresRanges) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> delta(-5000, 5000);
  long long failures = 0;
  for (int i = 0; i < 20000; ++i) {
    CCalendarTime t;
    t.FromTimeStamp(Utc(1990 + i % 50, 1, 1) + CTimeInterval((i * 104729LL % 366) * kDay),
                    i % 7 * 45 - 120);
    t.hundredNanoseconds += delta(random) * 100;
    t.microseconds += delta(random);
    t.milliseconds += delta(random);
    t.seconds += delta(random);
    t.minutes += delta(random);
    t.hours += delta(random) / 50;
    t.dayOfMonth += delta(random) / 100;
    t.month += delta(random) / 500;
    const CTimeStamp before = t.AsTimeStamp();
    t.Normalize();
    CCalendarTime fresh;
    fresh.FromTimeStamp(before, t.offsetMinutes);
    if (t.AsTimeStamp() != before || !SameFields(t, fresh)) {
      if (failures++ < 5) ADD_FAILURE() << t.AsString() << " vs " << fresh.AsString();
    }
  }
  EXPECT_EQ(0, failures);

  CCalendarTime t(Utc(2021, 12, 31, 23, 59, 59));
  t.seconds += 75;  // into the next year
  t.milliseconds = -1;
  t.Normalize();
  EXPECT_EQ("2022/01/01 00:01:13.999000Z", t.AsString());
  EXPECT_EQ(6, t.dayOfWeek);
  EXPECT_EQ(0, t.dayOfYear);
}

// The fields are public: any value renders without overflowing.
TEST(CCalendarTime, FieldsOutOfRangeRenderAsTheirNumbers) {
  CCalendarTime t(CTimeStamp(0));
  t.month = 0x7FFFFFFF;
  t.dayOfMonth = -1;
  EXPECT_EQ("1601-2147483648-4294967295", t.AsString(BCalendarTimeOutputFormat::STYLE_YYYY_MM_DD));
  t.month = -1;
  EXPECT_EQ("1601/00/4294967295 00:00:00.000000Z", t.AsUTCDateTimeString());
  t.offsetMinutes = -0x7FFFFFFF - 1;
  EXPECT_FALSE(t.AsString().empty());
  EXPECT_FALSE(t.AsUTCDateString().empty());
}

TEST(CCalendarTime, AsTimeStampSaturatesBeyondTheRange) {
  CCalendarTime t(CTimeStamp(0));
  t.year = 0x7FFFFFFF;
  EXPECT_EQ(CTimeStamp::kFilled, t.AsTimeStamp().GetValue());
  t.year = -0x7FFFFFFF;
  EXPECT_EQ(-CTimeStamp::kFilled - 1, t.AsTimeStamp().GetValue());
}

TEST(BCalendarTimeOutputFormat, DisplayNames) {
  typedef BCalendarTimeOutputFormat F;
  const struct {
    DWORD value;
    const char* text;
  } cases[] = {
      {0, "UTC+Logging (0x0)"},
      {F::ZONE_INTERNAL | F::STYLE_ISO8601, "Internal+ISO8601 (0x1000001)"},
      {F::STYLE_ASCTIME, "UTC+asctime (0x2)"},
      {F::STYLE_YYYY_MM_DD, "UTC+YYYY-MM-DD (0x3)"},
      {F::ZONE_INTERNAL | F::STYLE_YYYY_MM_DD_HH_MM_SS, "Internal+YYYY-MM-DD_HH:MM:SS (0x1000004)"},
      {0x02000007, "VALUE_NOT_FOUND(0x2000007) (0x2000007)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.text, F::AsString(c.value));
  }
  EXPECT_EQ(L"Internal+ISO8601 (0x1000001)", F::AsWstring(F::ZONE_INTERNAL | F::STYLE_ISO8601));
  const F format = F::ZONE_INTERNAL | F::STYLE_ASCTIME;
  EXPECT_EQ(F::ZONE_INTERNAL, format.GetZone());
  EXPECT_EQ(F::STYLE_ASCTIME, format.GetStyle());
}
