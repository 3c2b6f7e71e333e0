#include "yqbase/time/TimeStamp.h"

#include <gtest/gtest.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>

namespace {

constexpr LONGLONG kSecond = CTimeInterval::kTicksPerSecond;

// Sets TZ for the lifetime of the object and restores the previous value.
class CScopedTimeZone {
 public:
  explicit CScopedTimeZone(const char* zone) {
    if (const char* previous = std::getenv("TZ")) m_previous = previous;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~CScopedTimeZone() {
    m_previous ? setenv("TZ", m_previous->c_str(), 1) : unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> m_previous;
};

// The text the C library gives for a POSIX time, in the layout of the date-time forms.
std::string LibraryText(time_t seconds, long micros, bool utc) {
  struct tm fields = {};
  if (utc)
    gmtime_r(&seconds, &fields);
  else
    localtime_r(&seconds, &fields);
  char date[64];
  strftime(date, sizeof date, "%Y/%m/%d %H:%M:%S", &fields);
  char text[96];
  std::snprintf(text, sizeof text, "%s.%06ld%s", date, micros, utc ? "Z" : "");
  return text;
}

}  // namespace

// The reserved values read as words in every form.
TEST(CTimeStamp, UtcForms) {
  const struct {
    LONGLONG value;
    const char* dateTime;
    const char* time;
  } cases[] = {
      {CTimeStamp::kPosixEpoch, "1970/01/01 00:00:00.000000Z", "00:00:00.000000Z"},
      {CTimeStamp::kPosixEpoch + 15, "1970/01/01 00:00:00.000001Z", "00:00:00.000001Z"},
      {CTimeStamp::kPosixEpoch - 5, "1969/12/31 23:59:59.999999Z", "23:59:59.999999Z"},
      {1, "1601/01/01 00:00:00.000000Z", "00:00:00.000000Z"},
      {CTimeStamp::kFilled - 1, "30828/09/14 02:48:05.477580Z", "02:48:05.477580Z"},
      {CTimeStamp::kClear, "Clear", "Clear"},
      {CTimeStamp::kFilled, "Filled", "Filled"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    const CTimeStamp t(c.value);
    EXPECT_EQ(c.dateTime, t.AsUTCDateTimeString());
    EXPECT_EQ(c.dateTime, t.AsString());
    EXPECT_EQ(c.time, t.AsUTCTimeString());
    EXPECT_EQ(c.value == CTimeStamp::kClear, t.IsClear());
    EXPECT_EQ(c.value == CTimeStamp::kFilled, t.IsFilled());
    if (t.IsClear() || t.IsFilled()) {
      EXPECT_EQ(c.time, t.AsLocalDateTimeString());
      EXPECT_EQ(c.time, t.AsLocalTimeString());
    }
  }
  EXPECT_TRUE(CTimeStamp().IsClear());
}

// The UTC and local forms agree with the C library's gmtime and localtime (with daylight
// saving rules) over the range a 32-bit time_t covers.
TEST(CTimeStamp, FormsAgreeWithTheCLibrary) {
  CScopedTimeZone zone("EST5EDT,M3.2.0,M11.1.0");
  std::mt19937 random(1970);
  std::uniform_int_distribution<long> seconds(-0x7FFFFFFFL, 0x7FFFFFFFL);
  std::uniform_int_distribution<long> micros(0, 999999);
  for (int i = 0; i < 2000; ++i) {
    const time_t s = static_cast<time_t>(seconds(random));
    const long us = micros(random);
    const CTimeStamp t = CTimeStamp::FromPosixTime(s, us * 1000LL);
    SCOPED_TRACE(t.GetValue());
    ASSERT_EQ(LibraryText(s, us, true), t.AsUTCDateTimeString());
    ASSERT_EQ(LibraryText(s, us, false), t.AsLocalDateTimeString());
    ASSERT_EQ(LibraryText(s, us, false).substr(11), t.AsLocalTimeString());
  }
}

TEST(CTimeStamp, LocalFormsFollowTz) {
  const CTimeStamp epoch(CTimeStamp::kPosixEpoch + 5);
  {
    CScopedTimeZone zone("XYZ-2");  // two hours east of UTC
    EXPECT_EQ("1970/01/01 02:00:00.000000", epoch.AsLocalDateTimeString());
    EXPECT_EQ("02:00:00.000000", epoch.AsLocalTimeString());
  }
  {
    CScopedTimeZone zone("XYZ+3:30");
    EXPECT_EQ("1969/12/31 20:30:00.000000", epoch.AsLocalDateTimeString());
  }
}

TEST(CTimeStamp, NowIsTheRealTimeClock) {
  const LONGLONG before = CTimeStamp::FromPosixTime(time(nullptr)).GetValue();
  const CTimeStamp now = CTimeStamp::Now();
  const CTimeStamp precise = FXMicroTimeStamp::Now();
  // Generous bounds: the three readings are taken within moments of each other.
  EXPECT_GT(now.GetValue(), before - 3600 * kSecond);
  EXPECT_LT(now.GetValue(), before + 3600 * kSecond);
  EXPECT_LE(now, precise + CTimeInterval(3600 * kSecond));
  EXPECT_TRUE(FXMicroTimeStamp::HasPreciseTimeStamp());
}

TEST(CTimeStamp, ArithmeticSaturates) {
  const CTimeStamp now = CTimeStamp::Now();
  EXPECT_TRUE((now + CTimeInterval(CTimeInterval::kInfinite)).IsFilled());
  EXPECT_EQ(-CTimeStamp::kFilled - 1,
            (CTimeStamp(-5) - CTimeInterval(CTimeInterval::kInfinite)).GetValue());
  EXPECT_EQ(CTimeInterval(90 * kSecond), (now + CTimeInterval(90 * kSecond)) - now);
  FILETIME ft = CTimeStamp(0x0123456789ABCDEFLL).AsFileTime();
  EXPECT_EQ(0x89ABCDEFu, ft.dwLowDateTime);
  EXPECT_EQ(0x01234567u, ft.dwHighDateTime);
  EXPECT_EQ(0x0123456789ABCDEFLL, CTimeStamp(ft).GetValue());
}

TEST(CTimeInterval, AsString) {
  const struct {
    LONGLONG value;
    const char* text;
  } cases[] = {
      {0, "0:00.000000"},
      {9, "0:00.000000"},
      {10, "0:00.000001"},
      {905000000, "1:30.500000"},
      {61 * 60 * kSecond, "61:00.000000"},
      {-kSecond, "0:-1.000000"},  // truncating division, no sign handling
      {-905000000, "-1:-30.-500000"},
      {-10, "0:00.-00001"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(c.text, CTimeInterval(c.value).AsString());
  }
  EXPECT_EQ(1500, CTimeInterval::FromMilliseconds(1500).GetMilliseconds());
}

TEST(FXTime, PlainNumberForms) {
  CScopedTimeZone zone("UTC0");
  EXPECT_EQ("Thu Jan  1 00:00:00 1970\n", FXTime::SystemTimeUtcAsString(0));
  EXPECT_EQ("Thu Jan  1 00:00:01 1970\n", FXTime::SystemTimeUtcAsString(19999999));
  // Beyond a 32-bit time_t: the same layout either way.
  EXPECT_EQ("Fri Jan  1 00:00:00 2100\n", FXTime::SystemTimeUtcAsString(41024448000000000LL));
  EXPECT_EQ("10000000 (Thu Jan  1 00:00:01 1970\n)", FXTime::TimeUtcAsString(10000000L));
}
