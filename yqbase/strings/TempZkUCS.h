// TempZkUCS: conversions between UTF-8, UCS-2 and the locale's multi-byte encoding, and BMP
// canonical decomposition and composition.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "yqbase/errors/YqExport.h"

typedef std::uint16_t ucs2_char;

/// A UCS-2/UTF-16 text that always keeps a terminating 0 after its units.
class YQBASE_EXPORT ucs2_string {
 public:
  ucs2_string();
  /// Copies a 0-terminated text; null gives an empty string.
  ucs2_string(const ucs2_char* text);  // NOLINT: implicit like std::string's
  ucs2_string(const ucs2_char* text, int length);

  const ucs2_char* c_str() const { return m_units.data(); }
  int length() const { return m_length; }
  /// Index 0 to length() (the terminator); any other index throws ZkException.
  ucs2_char& operator[](int index);
  const ucs2_char& operator[](int index) const;
  bool operator==(const ucs2_string& other) const;
  bool operator!=(const ucs2_string& other) const { return !(*this == other); }
  ucs2_string& operator+=(const ucs2_string& other);
  ucs2_string& operator+=(unsigned short unit);
  /// Cuts or extends (with zero units) the text to `length` units.
  void resize(int length);

 private:
  std::vector<ucs2_char> m_units;  // the text and its terminating 0
  int m_length;
};

/// Static conversions of names between UTF-8, UCS-2 and the locale's multi-byte encoding
/// ("MBE"), and BMP normalization. Failures throw ZkException with error value -1.
///
/// The locale's code set is detected on the first conversion and not again; call any
/// conversion (or DetectLocale) once during start-up, before threads convert names.
class YQBASE_EXPORT TempZkUCS {
 public:
  /// Whether the locale's code set is UTF-8.
  static bool isMbeUtf();
  /// Whether the 0-terminated bytes are well-structured UTF-8 (lead bytes of 2 to 6 bytes).
  static bool isUtf(const char* text);

  /// Raw converters: `length` is the buffer size on input and the produced length (without a
  /// terminator, which is written when there is room) on output. False on malformed input or
  /// a buffer that is too small. decodeUtf takes only RFC 3629 UTF-8: overlong forms, values
  /// above U+10FFFF and encoded surrogates (ED A0 80 to ED BF BF) are malformed, so that every
  /// text utfToUcs accepts comes back unchanged from ucsToUtf; encodeUtf joins surrogate pairs
  /// and fails on an unpaired high surrogate.
  static bool decodeUtf(ucs2_char* out, int* length, const char* in);
  static bool encodeUtf(char* out, int* length, const ucs2_char* in);

  static ucs2_string utfToUcs(const char* text);
  static std::string ucsToUtf(const ucs2_char* text);
  static std::string ucsToMbe(const ucs2_char* text);
  static ucs2_string mbeToUcs(const char* text);
  static std::string ucsToMbeWchar(const ucs2_char* text);
  static ucs2_string mbeToUcsWchar(const char* text);
  static std::string ucsToMbeIsoLatin1(const ucs2_char* text);
  static ucs2_string mbeToUcsIsoLatin1(const char* text);
  static std::string utfToMbe(const char* text);
  static std::string mbeToUtf(const char* text);

  /// Canonical decomposition (NFD) within the BMP, with canonical ordering of combining marks.
  static ucs2_string normD(const ucs2_char* text);
  /// normD, then Hangul jamo recombined into syllables; other characters stay decomposed.
  static ucs2_string normC(const ucs2_char* text);

  /// Detects the code set of the current locale now (nl_langinfo(CODESET)).
  static void DetectLocale();
  /// Sets the code set by name; null or empty means ISO-8859-1.
  static void DetectLocale(const char* codeSet);
  /// The names that describe the current code set.
  static std::vector<std::string> GetNativeCharsetList();
};
