#include "yqbase/time/CalendarTime.h"

#include <cstdlib>

#include "yqbase/strings/StringExtensions.h"

namespace {

const _DISPLAY_BITS_INFO_TABLE s_dtCalendarTimeOutputFormat[] = {
    {BCalendarTimeOutputFormat::ZONE_UTC, BCalendarTimeOutputFormat::ZONE_MASK, "UTC", L"UTC"},
    {BCalendarTimeOutputFormat::ZONE_INTERNAL, BCalendarTimeOutputFormat::ZONE_MASK, "Internal",
     L"Internal"},
    {BCalendarTimeOutputFormat::STYLE_LOGGING, BCalendarTimeOutputFormat::STYLE_MASK, "Logging",
     L"Logging"},
    {BCalendarTimeOutputFormat::STYLE_ISO8601, BCalendarTimeOutputFormat::STYLE_MASK, "ISO8601",
     L"ISO8601"},
    {BCalendarTimeOutputFormat::STYLE_ASCTIME, BCalendarTimeOutputFormat::STYLE_MASK, "asctime",
     L"asctime"},
    {BCalendarTimeOutputFormat::STYLE_YYYY_MM_DD, BCalendarTimeOutputFormat::STYLE_MASK,
     "YYYY-MM-DD", L"YYYY-MM-DD"},
    {BCalendarTimeOutputFormat::STYLE_YYYY_MM_DD_HH_MM_SS, BCalendarTimeOutputFormat::STYLE_MASK,
     "YYYY-MM-DD_HH:MM:SS", L"YYYY-MM-DD_HH:MM:SS"},
    {0, 0, nullptr, nullptr},
};

constexpr LONGLONG kTicksPerDay = CTimeInterval::kTicksPerDay;
// Days from 0000-03-01, the start of the March-based era, to 1601-01-01.
constexpr LONGLONG kDaysFromEraStartTo1601 = 584694;
constexpr LONGLONG kDaysPer400Years = 146097;

const char* const kWeekdayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
// Days before the first of each month in a common year.
const int kDaysBeforeMonth[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

constexpr LONGLONG FloorDiv(LONGLONG a, LONGLONG b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}
constexpr LONGLONG FloorMod(LONGLONG a, LONGLONG b) { return a - FloorDiv(a, b) * b; }

bool IsLeapYear(LONGLONG year) {
  return FloorMod(year, 4) == 0 && (FloorMod(year, 100) != 0 || FloorMod(year, 400) == 0);
}

// Days since 1601-01-01 of a date (month 1-12, day 1-31) in the proleptic Gregorian calendar.
// January and February count as months 13 and 14 of the previous year, so that a leap day is
// the last day of its year.
LONGLONG DaysFromCivil(LONGLONG year, LONGLONG month, LONGLONG day) {
  if (month <= 2) year -= 1;
  const LONGLONG era = FloorDiv(year, 400);
  const LONGLONG yearOfEra = year - era * 400;  // [0, 399]
  const LONGLONG dayOfMarchYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const LONGLONG dayOfEra =
      yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfMarchYear;  // [0, 146096]
  return era * kDaysPer400Years + dayOfEra - kDaysFromEraStartTo1601;
}

// The date (month 1-12) of a day number since 1601-01-01.
void CivilFromDays(LONGLONG days, LONGLONG& year, int& month, int& day) {
  const LONGLONG z = days + kDaysFromEraStartTo1601;
  const LONGLONG era = FloorDiv(z, kDaysPer400Years);
  const LONGLONG dayOfEra = z - era * kDaysPer400Years;  // [0, 146096]
  // The four-year (1461 days), century (36524) and 400-year corrections find the year.
  const LONGLONG yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const LONGLONG dayOfMarchYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const LONGLONG monthFromMarch = (5 * dayOfMarchYear + 2) / 153;  // [0, 11]
  day = static_cast<int>(dayOfMarchYear - (153 * monthFromMarch + 2) / 5 + 1);
  month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

// Accumulates a tick count as whole days and ticks within a day, so that no field product
// can overflow; only the final count saturates at the ends of the 64-bit range.
class CTickSum {
 public:
  // Adds `value` units of which `perDay` make a day.
  void Add(LONGLONG value, LONGLONG perDay) {
    m_days += FloorDiv(value, perDay);
    m_inDay += FloorMod(value, perDay) * (kTicksPerDay / perDay);
    m_days += m_inDay / kTicksPerDay;
    m_inDay %= kTicksPerDay;
  }
  LONGLONG Result() const {
    // Before 1601 the day's ticks count back from the next midnight: the midnight before the
    // earliest tick counts lies below the 64-bit range although the ticks themselves do not.
    LONGLONG days = m_days, inDay = m_inDay;
    if (days < 0 && inDay > 0) {
      ++days;
      inDay -= kTicksPerDay;
    }
    LONGLONG dayTicks = 0, total = 0;
    if (__builtin_mul_overflow(days, kTicksPerDay, &dayTicks) ||
        __builtin_add_overflow(dayTicks, inDay, &total))
      return m_days > 0 ? CTimeStamp::kFilled : (-CTimeStamp::kFilled - 1);
    return total;
  }

 private:
  LONGLONG m_days = 0;
  LONGLONG m_inDay = 0;  // [0, kTicksPerDay)
};

// Moves the overflow of `field` beyond [0, base) into `next`.
void Carry(LONGLONG& field, LONGLONG& next, LONGLONG base) {
  next += FloorDiv(field, base);
  field = FloorMod(field, base);
}

unsigned U(int value) { return static_cast<unsigned>(value); }
// The month's number from its 0-based field, for any field value (no signed overflow).
unsigned MonthNumber(int month) { return static_cast<unsigned>(month) + 1u; }

// Sets the date fields, day of week and day of year of a day number since 1601-01-01.
void SetDate(CCalendarTime& time, LONGLONG days) {
  // 1601-01-01 was a Monday.
  time.dayOfWeek = static_cast<int>(FloorMod(days + 1, 7));
  LONGLONG fullYear = 0;
  int monthOfYear = 0;
  CivilFromDays(days, fullYear, monthOfYear, time.dayOfMonth);
  time.year = static_cast<int>(fullYear);
  time.month = monthOfYear - 1;
  time.dayOfYear = kDaysBeforeMonth[time.month] + time.dayOfMonth - 1 +
                   (time.month > 1 && IsLeapYear(fullYear) ? 1 : 0);
}

}  // namespace

std::string BCalendarTimeOutputFormat::AsString(unsigned long value) {
  return CDisplayBitsBase::AsString(s_dtCalendarTimeOutputFormat, value);
}

std::wstring BCalendarTimeOutputFormat::AsWstring(unsigned long value) {
  return CDisplayBitsBase::AsWstring(s_dtCalendarTimeOutputFormat, value);
}

CCalendarTime::CCalendarTime()
    : hundredNanoseconds(-1),
      microseconds(-1),
      milliseconds(-1),
      seconds(-1),
      minutes(-1),
      hours(-1),
      dayOfMonth(-1),
      month(-1),
      year(-1),
      dayOfWeek(-1),
      dayOfYear(-1),
      offsetMinutes(0),
      reserved(false) {}

CCalendarTime::CCalendarTime(CTimeStamp time) : CCalendarTime() { FromTimeStamp(time); }

void CCalendarTime::FromTimeStamp(CTimeStamp time) {
  offsetMinutes = 0;
  BreakDown(time.GetValue(), 0);
}

void CCalendarTime::FromTimeStamp(CTimeStamp time, int offset) {
  offsetMinutes = offset;
  BreakDown(time.GetValue(), static_cast<LONGLONG>(offset) * CTimeInterval::kTicksPerMinute);
}

void CCalendarTime::FromLocalizedTimeStamp(CTimeStamp time, int offset) {
  offsetMinutes = offset;
  BreakDown(time.GetValue(), 0);
}

void CCalendarTime::BreakDown(LONGLONG ticks, LONGLONG shiftTicks) {
  // Split into whole days and the ticks within the day first, so that neither the shift nor
  // the ends of the range can overflow.
  LONGLONG days = ticks / kTicksPerDay;
  LONGLONG inDay = ticks % kTicksPerDay;
  if (inDay < 0) {
    inDay += kTicksPerDay;
    --days;
  }
  inDay += shiftTicks;
  days += FloorDiv(inDay, kTicksPerDay);
  inDay = FloorMod(inDay, kTicksPerDay);

  hundredNanoseconds = static_cast<int>(inDay % 10) * 100;
  microseconds = static_cast<int>(inDay % 10000 / 10);
  milliseconds = static_cast<int>(inDay % CTimeInterval::kTicksPerSecond / 10000);
  const int secondOfDay = static_cast<int>(inDay / CTimeInterval::kTicksPerSecond);
  hours = secondOfDay / 3600;
  minutes = secondOfDay / 60 % 60;
  seconds = secondOfDay % 60;

  SetDate(*this, days);
}

CTimeStamp CCalendarTime::AsTimeStamp() const {
  LONGLONG fullYear = year;
  LONGLONG monthOfYear = month;
  Carry(monthOfYear, fullYear, 12);
  const LONGLONG days = DaysFromCivil(fullYear, monthOfYear + 1, 1) + dayOfMonth - 1;
  CTickSum sum;
  sum.Add(days, 1);
  sum.Add(hours, 24);
  sum.Add(minutes, 24 * 60);
  sum.Add(seconds, 24 * 60 * 60);
  sum.Add(milliseconds, kTicksPerDay / CTimeInterval::kTicksPerMillisecond);
  sum.Add(microseconds, kTicksPerDay / CTimeInterval::kTicksPerMicrosecond);
  sum.Add(hundredNanoseconds / 100, kTicksPerDay);
  // The fields are in the zone of the offset; the stamp is UTC.
  sum.Add(-static_cast<LONGLONG>(offsetMinutes), 24 * 60);
  return CTimeStamp(sum.Result());
}

void CCalendarTime::Normalize() {
  LONGLONG nanos = hundredNanoseconds, micros = microseconds, millis = milliseconds;
  LONGLONG secs = seconds, mins = minutes, hrs = hours, days = 0;
  Carry(nanos, micros, 1000);
  Carry(micros, millis, 1000);
  Carry(millis, secs, 1000);
  Carry(secs, mins, 60);
  Carry(mins, hrs, 60);
  Carry(hrs, days, 24);
  LONGLONG fullYear = year;
  LONGLONG monthOfYear = month;
  Carry(monthOfYear, fullYear, 12);
  days += DaysFromCivil(fullYear, monthOfYear + 1, 1) + dayOfMonth - 1;
  hundredNanoseconds = static_cast<int>(nanos);
  microseconds = static_cast<int>(micros);
  milliseconds = static_cast<int>(millis);
  seconds = static_cast<int>(secs);
  minutes = static_cast<int>(mins);
  hours = static_cast<int>(hrs);
  SetDate(*this, days);
}

CCalendarTime CCalendarTime::InUtc() const {
  if (offsetMinutes == 0) return *this;
  CCalendarTime utc(AsTimeStamp());
  utc.reserved = reserved;
  return utc;
}

std::string CCalendarTime::AsString() const {
  return AsString(BCalendarTimeOutputFormat::ZONE_INTERNAL |
                  BCalendarTimeOutputFormat::STYLE_LOGGING);
}

std::string CCalendarTime::AsString(BCalendarTimeOutputFormat format) const {
  if (format.GetZone() == BCalendarTimeOutputFormat::ZONE_UTC && offsetMinutes != 0)
    return InUtc().AsString(format);

  std::string zone = "Z";
  if (offsetMinutes != 0) {
    const LONGLONG magnitude = std::llabs(static_cast<LONGLONG>(offsetMinutes));
    zone = FXString::Format("%c%02u%02u", offsetMinutes > 0 ? '+' : '-',
                            static_cast<unsigned>(magnitude / 60),
                            static_cast<unsigned>(magnitude % 60));
  }

  switch (format.GetStyle()) {
    case BCalendarTimeOutputFormat::STYLE_LOGGING:
      return FXString::Format("%04u/%02u/%02u %02u:%02u:%02u.%03u%03u", U(year), MonthNumber(month),
                              U(dayOfMonth), U(hours), U(minutes), U(seconds), U(milliseconds),
                              U(microseconds)) +
             zone;
    case BCalendarTimeOutputFormat::STYLE_ISO8601:
      return FXString::Format("%02u-%02u-%02uT%02u:%02u:%02u", U(year), MonthNumber(month),
                              U(dayOfMonth), U(hours), U(minutes), U(seconds)) +
             zone;
    case BCalendarTimeOutputFormat::STYLE_ASCTIME: {
      const char* weekday = dayOfWeek >= 0 && dayOfWeek < 7 ? kWeekdayNames[dayOfWeek] : "???";
      const char* monthName = month >= 0 && month < 12 ? kMonthNames[month] : "???";
      return FXString::Format("%.3s %.3s%3d %.2d:%.2d:%.2d %d", weekday, monthName, dayOfMonth,
                              hours, minutes, seconds, year);
    }
    case BCalendarTimeOutputFormat::STYLE_YYYY_MM_DD:
      return FXString::Format("%04u-%02u-%02u", U(year), MonthNumber(month), U(dayOfMonth));
    case BCalendarTimeOutputFormat::STYLE_YYYY_MM_DD_HH_MM_SS:
      return FXString::Format("%04u-%02u-%02u %02u:%02u:%02u", U(year), MonthNumber(month),
                              U(dayOfMonth), U(hours), U(minutes), U(seconds));
    default:
      return AsString();
  }
}

std::string CCalendarTime::AsUTCDateTimeString() const {
  const CCalendarTime utc = InUtc();
  return FXString::Format("%04u/%02u/%02u %02u:%02u:%02u.%03u%03uZ", U(utc.year),
                          MonthNumber(utc.month), U(utc.dayOfMonth), U(utc.hours), U(utc.minutes),
                          U(utc.seconds), U(utc.milliseconds), U(utc.microseconds));
}

std::string CCalendarTime::AsUTCDateString() const {
  const CCalendarTime utc = InUtc();
  return FXString::Format("%04u/%02u/%02u", U(utc.year), MonthNumber(utc.month), U(utc.dayOfMonth));
}

std::string CCalendarTime::AsUTCTimeString() const {
  const CCalendarTime utc = InUtc();
  return FXString::Format("%02u:%02u:%02u.%03u%03uZ", U(utc.hours), U(utc.minutes), U(utc.seconds),
                          U(utc.milliseconds), U(utc.microseconds));
}
