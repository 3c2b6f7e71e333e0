// FXString: printf-style formatting into growing buffers and string helpers, in narrow (UTF-8)
// and wide (UTF-32) forms; the bounded printf helpers StringCbPrintfA and StringCbPrintfW.
#pragma once

#include <cstdarg>
#include <string>

#include "yqbase/errors/YqError.h"

/// Static string helpers. Narrow strings hold UTF-8, wide strings one UTF-32 unit per wchar_t.
class YQBASE_EXPORT FXString {
 public:
  /// Formats into `out`, growing the buffer as needed. Fails with Win32 code 111 when the text
  /// needs more than 131071 bytes; `out` then holds the truncated text.
  [[nodiscard]] static CYqError FormatArgList(std::string& out, const char* format,
                                              va_list args);
  /// Wide formatting is not available on this platform: empties `out`, fails with code 111.
  [[nodiscard]] static CYqError FormatArgList(std::wstring& out, const wchar_t* format,
                                              va_list args);
  /// FormatArgList with the caller's location pushed on failure.
  [[nodiscard]] static CYqError Format(std::string& out, const char* format, ...)
      YQBASE_PRINTF(2, 3);
  [[nodiscard]] static CYqError Format(std::wstring& out, const wchar_t* format, ...);
  /// The formatted text; on failure "[BUFFEROVERFLOW] " and the partial text.
  static std::string Format(const char* format, ...) YQBASE_PRINTF(1, 2);
  static std::wstring Format(const wchar_t* format, ...);
};

/// Formats into `buffer` of `bytes` bytes, always NUL-terminated. Returns 0 when the whole
/// text fits, 0x8007007A when it was cut to bytes - 1 characters, 1 when formatting failed,
/// 0x80070057 (buffer untouched) when `bytes` is below 1.
YQBASE_EXPORT HRESULT StringCbPrintfA(char* buffer, unsigned int bytes, const char* format, ...)
    YQBASE_PRINTF(3, 4);
/// The wide form; `bytes` counts bytes, not characters.
YQBASE_EXPORT HRESULT StringCbPrintfW(wchar_t* buffer, unsigned int bytes,
                                      const wchar_t* format, ...);
