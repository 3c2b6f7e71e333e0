// CVersionInfo: a dotted four-part version number ("1.2.3.4").
#pragma once

#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/errors/YqExport.h"
#include "yqbase/errors/YqTypes.h"

/// A version of up to four decimal parts, major first; parts not given are 0, so "2.1" equals
/// "2.1.0.0". A plain value: copies are independent, compares part by part.
///
///   CVersionInfo v;
///   if (v.Parse("5.4.0-150-generic").Failed()) ...   // Win32 87: not a dotted version
class YQBASE_EXPORT CVersionInfo {
 public:
  static constexpr int kParts = 4;

  CVersionInfo() = default;
  CVersionInfo(DWORD major, DWORD minor, DWORD build = 0, DWORD revision = 0);

  /// Reads 1 to 4 dot-separated decimal parts, each fitting a DWORD. Empty text, empty parts,
  /// signs, blanks, a fifth part or any other character are Win32 87 and leave the value as it
  /// was.
  [[nodiscard]] CYqError Parse(const std::string& text);

  /// Reads the leading "1.2.3" of a text such as a kernel release "6.1.0-13-amd64": the
  /// longest prefix of digits and dots, then Parse. Win32 87 when it does not start with a digit.
  [[nodiscard]] CYqError ParsePrefix(const std::string& text);

  /// "major.minor.build.revision", all four parts.
  std::string AsString() const;

  /// Part 0 (major) to 3 (revision); 0 for an index out of range.
  DWORD GetPart(int index) const;

  /// Negative, zero or positive as this version is older than, equal to or newer than `other`.
  int Compare(const CVersionInfo& other) const;

  bool operator==(const CVersionInfo& o) const { return Compare(o) == 0; }
  bool operator!=(const CVersionInfo& o) const { return Compare(o) != 0; }
  bool operator<(const CVersionInfo& o) const { return Compare(o) < 0; }
  bool operator<=(const CVersionInfo& o) const { return Compare(o) <= 0; }
  bool operator>(const CVersionInfo& o) const { return Compare(o) > 0; }
  bool operator>=(const CVersionInfo& o) const { return Compare(o) >= 0; }

 private:
  DWORD m_parts[kParts] = {0, 0, 0, 0};
};
