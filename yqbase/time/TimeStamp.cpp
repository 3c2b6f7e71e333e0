#include "yqbase/time/TimeStamp.h"

#include <time.h>

#include <limits>

#include "yqbase/strings/StringExtensions.h"
#include "yqbase/time/CalendarTime.h"

namespace {

// The word for a reserved value, or null for an ordinary time.
const char* ReservedWord(LONGLONG value) {
  if (value == CTimeStamp::kClear) return "Clear";
  if (value == CTimeStamp::kFilled) return "Filled";
  return nullptr;
}

// Whole seconds since 1970 of a tick count, rounded toward the past.
LONGLONG PosixSeconds(LONGLONG ticks) {
  const LONGLONG sinceEpoch = yqtime_detail::SaturatingSub(ticks, CTimeStamp::kPosixEpoch);
  LONGLONG seconds = sinceEpoch / CTimeInterval::kTicksPerSecond;
  if (sinceEpoch % CTimeInterval::kTicksPerSecond < 0) --seconds;
  return seconds;
}

// A POSIX time as time_t, which has 32 bits on some platforms; `fits` tells whether it had to
// be clamped to the ends of that range.
time_t ClampToTimeT(LONGLONG seconds, bool* fits = nullptr) {
  const LONGLONG lowest = static_cast<LONGLONG>(std::numeric_limits<time_t>::min());
  const LONGLONG highest = static_cast<LONGLONG>(std::numeric_limits<time_t>::max());
  if (fits != nullptr) *fits = seconds >= lowest && seconds <= highest;
  return static_cast<time_t>(seconds < lowest ? lowest : (seconds > highest ? highest : seconds));
}

// The offset of local time from UTC, in seconds, at a POSIX time. A time_t of 32 bits cannot
// hold every time; outside its range the offset at the nearest representable time is used.
long LocalOffsetSeconds(LONGLONG posixSeconds) {
  const time_t when = ClampToTimeT(posixSeconds);
  // localtime_r need not notice a changed TZ by itself.
  tzset();
  struct tm local = {};
  if (localtime_r(&when, &local) == nullptr) return 0;
  return local.tm_gmtoff;
}

// The calendar fields of a time stamp in local time.
CCalendarTime LocalFields(LONGLONG ticks) {
  const long offset = LocalOffsetSeconds(PosixSeconds(ticks));
  CCalendarTime fields;
  fields.FromLocalizedTimeStamp(CTimeStamp(ticks) + CTimeInterval(static_cast<LONGLONG>(offset) *
                                                                  CTimeInterval::kTicksPerSecond),
                                static_cast<int>(offset / 60));
  return fields;
}

unsigned long long Micros(const CCalendarTime& fields) {
  return static_cast<unsigned long long>(fields.milliseconds) * 1000u +
         static_cast<unsigned long long>(fields.microseconds);
}

std::string DateTimeText(const CCalendarTime& f, const char* zone) {
  return FXString::Format("%04u/%02u/%02u %02u:%02u:%02u.%06llu%s", static_cast<unsigned>(f.year),
                          static_cast<unsigned>(f.month + 1), static_cast<unsigned>(f.dayOfMonth),
                          static_cast<unsigned>(f.hours), static_cast<unsigned>(f.minutes),
                          static_cast<unsigned>(f.seconds), Micros(f), zone);
}

}  // namespace

std::string CTimeInterval::AsString() const {
  return FXString::Format("%lld:%02d.%06lld", static_cast<long long>(m_value / kTicksPerMinute),
                          static_cast<int>(m_value / kTicksPerSecond % 60),
                          static_cast<long long>(m_value % kTicksPerSecond / 10));
}

CTimeStamp CTimeStamp::Now() {
  struct timespec now = {};
  clock_gettime(CLOCK_REALTIME, &now);
  const LONGLONG ticks = static_cast<LONGLONG>(now.tv_sec) * CTimeInterval::kTicksPerSecond +
                         static_cast<LONGLONG>(now.tv_nsec) / 100;
  // A clock that reads exactly the epoch stays "Clear".
  return CTimeStamp(ticks != 0 ? ticks + kPosixEpoch : 0);
}

struct timespec CTimeStamp::AsTimespec() const {
  const LONGLONG seconds = PosixSeconds(m_value);
  bool fits = false;
  struct timespec result = {};
  result.tv_sec = ClampToTimeT(seconds, &fits);
  if (!fits) {
    result.tv_nsec = seconds > 0 ? 999999999 : 0;
  } else {
    LONGLONG ticks = m_value % CTimeInterval::kTicksPerSecond;
    if (ticks < 0) ticks += CTimeInterval::kTicksPerSecond;
    result.tv_nsec = static_cast<long>(ticks * 100);
  }
  return result;
}

std::string CTimeStamp::AsString() const { return AsUTCDateTimeString(); }

std::string CTimeStamp::AsUTCDateTimeString() const {
  if (const char* word = ReservedWord(m_value)) return word;
  return DateTimeText(CCalendarTime(*this), "Z");
}

std::string CTimeStamp::AsUTCTimeString() const {
  if (const char* word = ReservedWord(m_value)) return word;
  const CCalendarTime f(*this);
  return FXString::Format("%02d:%02d:%02d.%06lldZ", f.hours, f.minutes, f.seconds,
                          static_cast<long long>(Micros(f)));
}

std::string CTimeStamp::AsLocalDateTimeString() const {
  if (const char* word = ReservedWord(m_value)) return word;
  return DateTimeText(LocalFields(m_value), "");
}

std::string CTimeStamp::AsLocalTimeString() const {
  if (const char* word = ReservedWord(m_value)) return word;
  const CCalendarTime f = LocalFields(m_value);
  return FXString::Format("%02u:%02u:%02u.%06llu", static_cast<unsigned>(f.hours),
                          static_cast<unsigned>(f.minutes), static_cast<unsigned>(f.seconds),
                          Micros(f));
}

CTimeStamp FXMicroTimeStamp::Now() { return CTimeStamp::Now(); }

bool FXMicroTimeStamp::HasPreciseTimeStamp() { return true; }

std::string FXTime::SystemTimeUtcAsString(long long ticks) {
  const LONGLONG seconds = ticks / CTimeInterval::kTicksPerSecond;
  bool fits = false;
  const time_t when = ClampToTimeT(seconds, &fits);
  if (fits) {
    char buffer[64];
    tzset();
    if (ctime_r(&when, buffer) != nullptr) return buffer;
  }
  // Beyond what time_t and ctime can show: the same layout from the calendar fields.
  const CTimeStamp stamp =
      CTimeStamp(CTimeStamp::kPosixEpoch) + CTimeInterval(seconds * CTimeInterval::kTicksPerSecond);
  const CCalendarTime local = LocalFields(stamp.GetValue());
  return local.AsString(BCalendarTimeOutputFormat::ZONE_INTERNAL |
                        BCalendarTimeOutputFormat::STYLE_ASCTIME) +
         "\n";
}

std::string FXTime::TimeUtcAsString(long ticks) {
  return FXString::Format("%lld (%s)", static_cast<long long>(ticks),
                          SystemTimeUtcAsString(ticks).c_str());
}
