// CTimeStamp and CTimeInterval: 100-nanosecond tick counts for points in time and durations;
// FXMicroTimeStamp and FXTime, helpers for the current time and plain-number time texts.
#pragma once

#include <time.h>

#include <string>

#include "yqbase/errors/YqExport.h"
#include "yqbase/errors/YqTypes.h"

namespace yqtime_detail {
// Sums of tick counts stop at the ends of the 64-bit range instead of wrapping.
constexpr LONGLONG SaturatingAdd(LONGLONG a, LONGLONG b) {
  LONGLONG sum = 0;
  if (__builtin_add_overflow(a, b, &sum))
    return b > 0 ? 0x7FFFFFFFFFFFFFFFLL : (-0x7FFFFFFFFFFFFFFFLL - 1);
  return sum;
}
constexpr LONGLONG SaturatingSub(LONGLONG a, LONGLONG b) {
  LONGLONG diff = 0;
  if (__builtin_sub_overflow(a, b, &diff))
    return b < 0 ? 0x7FFFFFFFFFFFFFFFLL : (-0x7FFFFFFFFFFFFFFFLL - 1);
  return diff;
}
}  // namespace yqtime_detail

/// A signed duration in ticks of 100 nanoseconds. A plain value; copies are independent.
/// Sums and differences saturate at the ends of the range.
class YQBASE_EXPORT CTimeInterval {
 public:
  static constexpr LONGLONG kTicksPerMicrosecond = 10;
  static constexpr LONGLONG kTicksPerMillisecond = 10000;
  static constexpr LONGLONG kTicksPerSecond = 10000000;
  static constexpr LONGLONG kTicksPerMinute = 600000000;
  static constexpr LONGLONG kTicksPerHour = 36000000000LL;
  static constexpr LONGLONG kTicksPerDay = 864000000000LL;
  /// The largest interval; lock time-outs read it as "no time-out".
  static constexpr LONGLONG kInfinite = 0x7FFFFFFFFFFFFFFFLL;

  constexpr CTimeInterval() : m_value(0) {}
  constexpr explicit CTimeInterval(LONGLONG ticks) : m_value(ticks) {}

  static constexpr CTimeInterval FromMilliseconds(LONGLONG ms) {
    return CTimeInterval(ms * kTicksPerMillisecond);
  }
  static constexpr CTimeInterval FromSeconds(LONGLONG seconds) {
    return CTimeInterval(seconds * kTicksPerSecond);
  }

  constexpr LONGLONG GetValue() const { return m_value; }
  /// Whole milliseconds, truncated toward zero.
  constexpr LONGLONG GetMilliseconds() const { return m_value / kTicksPerMillisecond; }

  /// "minutes:seconds.microseconds" ("%lld:%02d.%06lld"), each part taken by truncating
  /// division of the tick count, so 90.5 seconds reads "1:30.500000" and a negative second
  /// "0:-1.000000".
  std::string AsString() const;

  constexpr CTimeInterval operator-() const {
    return CTimeInterval(yqtime_detail::SaturatingSub(0, m_value));
  }
  constexpr CTimeInterval operator+(CTimeInterval other) const {
    return CTimeInterval(yqtime_detail::SaturatingAdd(m_value, other.m_value));
  }
  constexpr CTimeInterval operator-(CTimeInterval other) const {
    return CTimeInterval(yqtime_detail::SaturatingSub(m_value, other.m_value));
  }
  CTimeInterval& operator+=(CTimeInterval other) {
    m_value = yqtime_detail::SaturatingAdd(m_value, other.m_value);
    return *this;
  }
  CTimeInterval& operator-=(CTimeInterval other) {
    m_value = yqtime_detail::SaturatingSub(m_value, other.m_value);
    return *this;
  }
  constexpr bool operator==(CTimeInterval other) const { return m_value == other.m_value; }
  constexpr bool operator!=(CTimeInterval other) const { return m_value != other.m_value; }
  constexpr bool operator<(CTimeInterval other) const { return m_value < other.m_value; }
  constexpr bool operator<=(CTimeInterval other) const { return m_value <= other.m_value; }
  constexpr bool operator>(CTimeInterval other) const { return m_value > other.m_value; }
  constexpr bool operator>=(CTimeInterval other) const { return m_value >= other.m_value; }

 private:
  LONGLONG m_value;
};

/// A point in time: ticks of 100 nanoseconds since 1601-01-01 00:00:00 UTC. Two values are
/// reserved: 0 ("Clear", no time set) and the largest value ("Filled", later than any time).
/// A plain value; copies are independent. Adding an interval saturates at the ends of the range,
/// so Now() plus the largest interval is "Filled".
class YQBASE_EXPORT CTimeStamp {
 public:
  /// Ticks from 1601-01-01 to the POSIX epoch 1970-01-01.
  static constexpr LONGLONG kPosixEpoch = 116444736000000000LL;
  static constexpr LONGLONG kClear = 0;
  static constexpr LONGLONG kFilled = 0x7FFFFFFFFFFFFFFFLL;

  constexpr CTimeStamp() : m_value(kClear) {}
  constexpr explicit CTimeStamp(LONGLONG ticks) : m_value(ticks) {}
  explicit CTimeStamp(const FILETIME& fileTime)
      : m_value(static_cast<LONGLONG>((static_cast<ULONGLONG>(fileTime.dwHighDateTime) << 32) |
                                      fileTime.dwLowDateTime)) {}

  /// The current UTC time from the real-time clock.
  static CTimeStamp Now();
  /// The time stamp of a POSIX time (seconds and nanoseconds since 1970).
  static constexpr CTimeStamp FromPosixTime(LONGLONG seconds, LONGLONG nanoseconds = 0) {
    return CTimeStamp(kPosixEpoch + seconds * CTimeInterval::kTicksPerSecond + nanoseconds / 100);
  }

  constexpr LONGLONG GetValue() const { return m_value; }
  constexpr bool IsClear() const { return m_value == kClear; }
  constexpr bool IsFilled() const { return m_value == kFilled; }
  FILETIME AsFileTime() const {
    const ULONGLONG v = static_cast<ULONGLONG>(m_value);
    return FILETIME{static_cast<DWORD>(v), static_cast<DWORD>(v >> 32)};
  }

  /// Seconds and nanoseconds since 1970, as POSIX waits take their deadlines; clamped to the
  /// range of time_t, which has 32 bits on some platforms.
  struct timespec AsTimespec() const;

  /// The same text as AsUTCDateTimeString().
  std::string AsString() const;
  /// "YYYY/MM/DD hh:mm:ss.uuuuuuZ" in UTC; "Clear" and "Filled" for the reserved values.
  std::string AsUTCDateTimeString() const;
  /// "hh:mm:ss.uuuuuuZ" in UTC; "Clear" and "Filled" for the reserved values.
  std::string AsUTCTimeString() const;
  /// "YYYY/MM/DD hh:mm:ss.uuuuuu" in the process's local time zone (TZ).
  std::string AsLocalDateTimeString() const;
  /// "hh:mm:ss.uuuuuu" in the process's local time zone.
  std::string AsLocalTimeString() const;

  constexpr CTimeStamp operator+(CTimeInterval interval) const {
    return CTimeStamp(yqtime_detail::SaturatingAdd(m_value, interval.GetValue()));
  }
  constexpr CTimeStamp operator-(CTimeInterval interval) const {
    return CTimeStamp(yqtime_detail::SaturatingSub(m_value, interval.GetValue()));
  }
  constexpr CTimeInterval operator-(CTimeStamp other) const {
    return CTimeInterval(yqtime_detail::SaturatingSub(m_value, other.m_value));
  }
  CTimeStamp& operator+=(CTimeInterval interval) {
    m_value = yqtime_detail::SaturatingAdd(m_value, interval.GetValue());
    return *this;
  }
  CTimeStamp& operator-=(CTimeInterval interval) {
    m_value = yqtime_detail::SaturatingSub(m_value, interval.GetValue());
    return *this;
  }
  constexpr bool operator==(CTimeStamp other) const { return m_value == other.m_value; }
  constexpr bool operator!=(CTimeStamp other) const { return m_value != other.m_value; }
  constexpr bool operator<(CTimeStamp other) const { return m_value < other.m_value; }
  constexpr bool operator<=(CTimeStamp other) const { return m_value <= other.m_value; }
  constexpr bool operator>(CTimeStamp other) const { return m_value > other.m_value; }
  constexpr bool operator>=(CTimeStamp other) const { return m_value >= other.m_value; }

 private:
  LONGLONG m_value;
};

/// The precise clock: the same time as CTimeStamp::Now(), always with sub-microsecond
/// resolution on this platform.
class YQBASE_EXPORT FXMicroTimeStamp {
 public:
  static CTimeStamp Now();
  static bool HasPreciseTimeStamp();
};

/// Texts for callers that hold times as plain numbers.
class YQBASE_EXPORT FXTime {
 public:
  /// The ctime text (local time, with its trailing newline) of `ticks` / 10,000,000 seconds
  /// since 1970, for example "Thu Jan  1 00:00:00 1970\n" in UTC.
  static std::string SystemTimeUtcAsString(long long ticks);
  /// "%lld (%s)": the number and SystemTimeUtcAsString of it.
  static std::string TimeUtcAsString(long ticks);
};
