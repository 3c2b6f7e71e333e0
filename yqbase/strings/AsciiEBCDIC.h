// FXAsciiEBCDIC: byte translation between ASCII and EBCDIC, and the base-32 digit alphabet.
#pragma once

#include <cstddef>
#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/errors/YqExport.h"

/// The 32 digits "0123456789ABCDEFGHIJKLMNOPQRSTUV" (RFC 4648 extended hex) for writing
/// numbers in base 32, with a terminating zero.
extern YQBASE_EXPORT const char base32Table[33];

/// Translates bytes one for one through two fixed tables: AtoE from ASCII (read as Latin-1)
/// to EBCDIC code page 037, EtoA back. EtoA turns EBCDIC control codes into blanks and accented
/// letters into their Latin-1 bytes, so AtoE then EtoA keeps printable text only. The length
/// never changes. Stateless and thread-safe.
class YQBASE_EXPORT FXAsciiEBCDIC {
 public:
  /// Indexed by an ASCII byte: its EBCDIC byte.
  static const unsigned char _EbcdicTable[256];
  /// Indexed by an EBCDIC byte: its ASCII byte, or a blank for a control code.
  static const unsigned char _AsciiTable[256];

  /// Replaces `out` with the translation of `length` bytes at `in`. Win32 87 when `in` is null
  /// and `length` is not 0.
  [[nodiscard]] static CYqError EtoA(const char* in, size_t length, std::string& out);
  [[nodiscard]] static CYqError EtoA(const std::string& in, std::string& out);
  /// Writes `length` bytes to `out`, which must hold them. Win32 87 for a null pointer when
  /// `length` is not 0.
  [[nodiscard]] static CYqError EtoA(const char* in, size_t length, char* out);
  /// The translation of a 0-terminated text; empty for a null pointer.
  static std::string EtoA(const char* in);
  /// The translation of `length` bytes; empty for a null pointer.
  static std::string EtoA(const char* in, size_t length);
  static std::string EtoA(const std::string& in);

  /// The same forms from ASCII to EBCDIC.
  [[nodiscard]] static CYqError AtoE(const char* in, size_t length, std::string& out);
  [[nodiscard]] static CYqError AtoE(const std::string& in, std::string& out);
  [[nodiscard]] static CYqError AtoE(const char* in, size_t length, char* out);
  static std::string AtoE(const char* in);
  static std::string AtoE(const char* in, size_t length);
  static std::string AtoE(const std::string& in);

  /// out[i] = table[in[i]] for `length` bytes; `in` and `out` may be the same buffer.
  static void Translate(const unsigned char* in, unsigned int length, unsigned char* out,
                        const unsigned char* table);
};
