// CCalendarTime: a time stamp broken into calendar fields, and its named output styles.
#pragma once

#include <string>

#include "yqbase/strings/DisplayTable.h"
#include "yqbase/time/TimeStamp.h"

/// How CCalendarTime::AsString renders: the high byte chooses the zone (UTC converts a time
/// with an offset to UTC first, INTERNAL renders it in its own offset), the low byte the style.
/// Renders by name through its display table, e.g. "Internal+ISO8601 (0x1000001)".
class YQBASE_EXPORT BCalendarTimeOutputFormat : public CDisplayValue<CDisplayBitsBase> {
 public:
  enum Type : DWORD {
    ZONE_UTC = 0x00000000,
    ZONE_INTERNAL = 0x01000000,
    ZONE_MASK = 0xFF000000,
    STYLE_LOGGING = 0,
    STYLE_ISO8601 = 1,
    STYLE_ASCTIME = 2,
    STYLE_YYYY_MM_DD = 3,
    STYLE_YYYY_MM_DD_HH_MM_SS = 4,
    STYLE_MASK = 0xFF,
  };
  using CDisplayValue::CDisplayValue;
  DWORD GetZone() const { return m_value & ZONE_MASK; }
  DWORD GetStyle() const { return m_value & STYLE_MASK; }

  YQ_DISPLAY_TYPE_RENDERERS;
};

/// A point in time as calendar fields in the proleptic Gregorian calendar, with the offset of
/// the zone the fields are expressed in. A plain record: the fields are public, copies are
/// independent. Conversion from and to CTimeStamp is exact for every tick count, including
/// times before 1601 (negative counts).
///
///   CCalendarTime local;
///   local.FromTimeStamp(CTimeStamp::Now(), 120);  // the fields in UTC+02:00
///   local.AsString(BCalendarTimeOutputFormat::ZONE_INTERNAL |
///                  BCalendarTimeOutputFormat::STYLE_ISO8601);  // "...T...+0200"
class YQBASE_EXPORT CCalendarTime {
 public:
  /// Every field -1 except the offset (0) and the reserved flag (false).
  CCalendarTime();
  /// The fields of `time` in UTC.
  explicit CCalendarTime(CTimeStamp time);

  /// Sets the fields from `time` in UTC (offset 0).
  void FromTimeStamp(CTimeStamp time);
  /// Sets the fields from the UTC time `time` moved into the zone `offsetMinutes` east of UTC,
  /// and records the offset.
  void FromTimeStamp(CTimeStamp time, int offsetMinutes);
  /// Sets the fields from `time`, which already holds local time, and records the offset.
  void FromLocalizedTimeStamp(CTimeStamp time, int offsetMinutes);
  /// The UTC time stamp of the fields: the inverse of FromTimeStamp for any offset. Fields
  /// outside their ranges are carried (month 12 is January of the next year, day 0 the last
  /// day of the previous month); a result beyond the 64-bit range saturates.
  CTimeStamp AsTimeStamp() const;
  /// Brings every field back into its range by carrying into the next larger field (and
  /// borrowing for negative fields): sub-second fields, seconds, minutes, hours into days,
  /// months into years; then recomputes the date, day of week and day of year.
  void Normalize();

  /// "YYYY/MM/DD hh:mm:ss.mmmuuu" and the zone suffix ("Z" or "+hhmm"/"-hhmm"), unconverted.
  /// Fields outside their ranges are rendered, not corrected: as unsigned numbers (the month
  /// as field + 1 modulo 2^32), in the asctime style as signed ones.
  std::string AsString() const;
  /// The style and zone of `format`; an unknown style renders as AsString().
  std::string AsString(BCalendarTimeOutputFormat format) const;
  /// "YYYY/MM/DD hh:mm:ss.mmmuuuZ" of the time in UTC.
  std::string AsUTCDateTimeString() const;
  /// "YYYY/MM/DD" of the date in UTC.
  std::string AsUTCDateString() const;
  /// "hh:mm:ss.mmmuuuZ" of the time in UTC.
  std::string AsUTCTimeString() const;

  int hundredNanoseconds;  ///< 0, 100, ... 900: the tick within the microsecond, times 100
  int microseconds;        ///< 0-999 within the millisecond
  int milliseconds;        ///< 0-999 within the second
  int seconds;             ///< 0-59
  int minutes;             ///< 0-59
  int hours;               ///< 0-23
  int dayOfMonth;          ///< 1-31
  int month;               ///< 0 = January ... 11 = December
  int year;                ///< the full year, e.g. 2021
  int dayOfWeek;           ///< 0 = Sunday ... 6 = Saturday
  int dayOfYear;           ///< zero-based, counting 29 February in leap years
  int offsetMinutes;       ///< the zone of the fields, minutes east of UTC
  bool reserved;           ///< not used by the library; false after construction

 private:
  // Sets every field from `ticks` shifted by `shiftTicks`, keeping the offset untouched.
  void BreakDown(LONGLONG ticks, LONGLONG shiftTicks);
  // This time converted to UTC when it carries an offset, otherwise a copy.
  CCalendarTime InUtc() const;
};
