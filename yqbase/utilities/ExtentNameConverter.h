// ExtentNameConverter: fixed-width base-32 file names for numbered extent files, and back.
#pragma once

#include <string>

#include "yqbase/errors/YqError.h"

typedef unsigned long long PD_U64;

/// Names extent number n of a store as n in base 32 (digits "0"-"9", "A"-"V"), most
/// significant digit first, padded with "0" to a width fixed for the store, so that names sort
/// in numeric order: with 8 digits extent 32 is "00000010". Numbers from 2^40 on have no name.
/// A plain value; const use from several threads is safe.
///
/// Departures kept on purpose, so that a stray file is never taken for an extent:
/// - the readers of a name (GetExtentNumber, GetExtentNumberFromFileName,
///   GetFileNameAndExtentNumber) answer false with number 0 for a name that is empty, holds a
///   character other than a base-32 digit, or stands for 2^40 or more; the member readers also
///   for a name whose length is not the digit count. (Reading up to the first non-digit would
///   take "notes.txt" for extent 0x17C75DC and an empty leaf for extent 0.)
/// - Extent_base32_to_dec accepts no leading blanks or sign (strtoull would turn "-1" into the
///   largest number) and stops at the largest number on overflow.
/// - the digit count made from the sizes is at least 1 (a quotient of 1 or less would give
///   empty names) and at most 13; a second size of 0 keeps the default of 8.
class YQBASE_EXPORT ExtentNameConverter {
 public:
  /// The largest digit count: 13 base-32 digits hold 64 bits.
  static constexpr int kMaxDigits = 13;

  /// No sizes, no folder, 8 digits.
  ExtentNameConverter();
  /// Enough digits for every number below first / second.
  ExtentNameConverter(unsigned long long first, unsigned long long second);
  /// The same, with paths inside `folder`.
  ExtentNameConverter(unsigned long long first, unsigned long long second,
                      const std::string& folder);

  unsigned long long GetFirstSize() const { return m_first; }
  unsigned long long GetSecondSize() const { return m_second; }
  const std::string& GetFolder() const { return m_folder; }
  int GetDigitCount() const { return m_digitCount; }
  /// Names made with a count outside 1 to kMaxDigits fail.
  void SetDigitCount(int digits) { m_digitCount = digits; }

  /// Writes `value` as `digits` base-32 digits and a terminating zero into `buffer`, which
  /// must hold digits + 1 bytes. False for a null buffer, a value of 2^40 or more, or a value
  /// that needs more digits.
  static bool Extent_dec_to_base32_v2(unsigned long long value, char* buffer, unsigned digits);
  /// The base-32 number at the start of `text` (either letter case), up to the first other
  /// character; 0 when there is none.
  static PD_U64 Extent_base32_to_dec(const std::string& text);

  /// The extent's name, inside the folder when there is one. A number that does not fit the
  /// digit count fails with the integer code 1 ("failed to get filepath").
  [[nodiscard]] CYqError GetFilePath(PD_U64 extent, std::string& path) const;
  /// The number named by the text after the last `delimiter`; false (number 0) without one.
  bool GetExtentNumber(const std::string& path, PD_U64& number) const;
  bool GetExtentNumber(const std::string& path, PD_U64& number, char delimiter) const;
  /// The text before the last "/"; false when there is none.
  bool GetFileName(const std::string& path, std::string& containerPath) const;
  /// Splits with FXPath::SplitParentPath (the container keeps its trailing "/") and reads the
  /// leaf as a number of any width; false, with number 0, when either step fails.
  static bool GetFileNameAndExtentNumber(const std::string& extentPath, std::string& containerPath,
                                         PD_U64& number);
  /// The number a bare name stands for.
  bool GetExtentNumberFromFileName(const std::string& name, PD_U64& number) const;
  /// Writes `value` in `base` (2 to 62; digits "0"-"9", "A"-"Z", "a"-"z") with the digit
  /// count's width into `buffer` of `length` bytes, and sets `length` to the digit count. False
  /// for a bad base (`length` becomes 0), a buffer not larger than the digit count, or a value
  /// that needs more digits.
  bool NumToBaseN(unsigned long long value, char* buffer, unsigned& length, int base) const;

 private:
  // The number a name stands for, under the rules above; `width` 0 allows any length.
  static bool ReadName(const char* name, size_t length, size_t width, PD_U64& number);

  unsigned long long m_first;
  unsigned long long m_second;
  std::string m_folder;
  int m_digitCount;
};
