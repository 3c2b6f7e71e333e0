// FXString: printf-style formatting into growing buffers and string helpers, in narrow (UTF-8)
// and wide (UTF-32) forms; the bounded printf helpers StringCbPrintfA and StringCbPrintfW.
#pragma once

#include <cstdarg>
#include <list>
#include <string>
#include <vector>

#include "yqbase/errors/YqError.h"

/// Static string helpers. Narrow strings hold UTF-8, wide strings one UTF-32 unit per wchar_t.
class YQBASE_EXPORT FXString {
 public:
  /// Formats into `out`, growing the buffer as needed: sizes of 2 * strlen(format) + 512 bytes
  /// plus steps of 16384, none above 131071, each holding one byte less of text than its size
  /// minus one. Fails with Win32 code 111 when the text does not fit the largest of them (with
  /// a short format, from 115,203 bytes of text: 516 + 7 * 16384 - 2 is the most it holds);
  /// `out` then holds the text cut to that length. Formats at most twice; a format with a
  /// width from an argument or of six digits or more stops at the largest size, so a huge
  /// width costs no more than the text that is kept.
  [[nodiscard]] static CYqError FormatArgList(std::string& out, const char* format, va_list args);
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

  // Conversions between UTF-8 and wide (UTF-32) text. The converting functions empty `out`
  // and return the converter's error on ill-formed input; the ToString/ToWstring shortcuts
  // give an empty string instead. A null pointer gives an empty string. The unsigned int
  // argument of ToString/ToWstring is accepted and not used.
  [[nodiscard]] static CYqError UnicodeToUTF8(const std::wstring& text, std::string& out);
  [[nodiscard]] static CYqError UTF8ToUnicode(const std::string& text, std::wstring& out);
  static std::string ToString(const std::wstring& text);
  static std::string ToString(const std::wstring& text, unsigned int codePage);
  static std::string ToString(const wchar_t* text);
  static std::string ToString(const wchar_t* text, unsigned int codePage);
  static std::string ToString(const char* text);
  static std::string ToString(const char* text, unsigned int codePage);
  static std::string ToString(const std::string& text, unsigned int codePage);
  static std::wstring ToWstring(const std::string& text);
  static std::wstring ToWstring(const std::string& text, unsigned int codePage);
  static std::wstring ToWstring(const char* text);
  static std::wstring ToWstring(const char* text, unsigned int codePage);
  static std::wstring ToWstring(const wchar_t* text);
  static std::wstring ToWstring(const wchar_t* text, unsigned int codePage);
  static std::wstring ToWstring(const std::wstring& text, unsigned int codePage);

  // Trimming: remove every leading and/or trailing character that occurs in `chars`.
  // Case-insensitive comparisons (the NoCase forms, FindString) fold with tolower/towlower.
  static void Trim(std::string& text, const std::string& chars);
  static void Trim(std::wstring& text, const std::wstring& chars);
  static void TrimLeft(std::string& text, const std::string& chars);
  static void TrimLeft(std::wstring& text, const std::wstring& chars);
  static void TrimRight(std::string& text, const std::string& chars);
  static void TrimRight(std::wstring& text, const std::wstring& chars);

  // Prefix and suffix removal and replacement: true when `text` was non-empty and the
  // (non-empty, for Replace) prefix or suffix was there and has been removed or replaced.
  static bool RemoveLeft(std::string& text, const std::string& prefix);
  static bool RemoveLeft(std::wstring& text, const std::wstring& prefix);
  static bool RemoveRight(std::string& text, const std::string& suffix);
  static bool RemoveRight(std::wstring& text, const std::wstring& suffix);
  static bool RemoveLeftNoCase(std::string& text, const std::string& prefix);
  static bool RemoveLeftNoCase(std::wstring& text, const std::wstring& prefix);
  static bool RemoveRightNoCase(std::string& text, const std::string& suffix);
  static bool RemoveRightNoCase(std::wstring& text, const std::wstring& suffix);
  static bool ReplaceLeft(std::string& text, const std::string& prefix, const std::string& with);
  static bool ReplaceLeft(std::wstring& text, const std::wstring& prefix, const std::wstring& with);
  static bool ReplaceRight(std::string& text, const std::string& suffix, const std::string& with);
  static bool ReplaceRight(std::wstring& text, const std::wstring& suffix,
                           const std::wstring& with);
  static bool ReplaceLeftNoCase(std::string& text, const std::string& prefix,
                                const std::string& with);
  static bool ReplaceLeftNoCase(std::wstring& text, const std::wstring& prefix,
                                const std::wstring& with);
  static bool ReplaceRightNoCase(std::string& text, const std::string& suffix,
                                 const std::string& with);
  static bool ReplaceRightNoCase(std::wstring& text, const std::wstring& suffix,
                                 const std::wstring& with);

  /// Replaces every occurrence of `from` found from `start` on, never rescanning inserted
  /// text; returns the count. An empty `from` replaces nothing.
  static unsigned int ReplaceAll(std::string& text, const std::string& from, const std::string& to,
                                 unsigned int start = 0);
  static unsigned int ReplaceAll(std::wstring& text, const std::wstring& from,
                                 const std::wstring& to, unsigned int start = 0);
  static unsigned int ReplaceAllNoCase(std::string& text, const std::string& from,
                                       const std::string& to, unsigned int start = 0);
  static unsigned int ReplaceAllNoCase(std::wstring& text, const std::wstring& from,
                                       const std::wstring& to, unsigned int start = 0);
  static std::string CopyAndReplaceAll(const std::string& text, const std::string& from,
                                       const std::string& to);
  static std::wstring CopyAndReplaceAll(const std::wstring& text, const std::wstring& from,
                                        const std::wstring& to);

  /// The first occurrence of `sub` in `text` (case-folded with tolower when `noCase`), or null.
  static const char* FindString(const char* text, const char* sub, bool noCase);
  static const wchar_t* FindString(const wchar_t* text, const wchar_t* sub, bool noCase);
  /// The index of that occurrence, or -1.
  static int FindStringPos(const std::string& text, const std::string& sub, bool noCase);
  static int FindStringPos(const std::wstring& text, const std::wstring& sub, bool noCase);

  /// Change case in place, character by character (toupper/tolower, towupper/towlower); bytes
  /// of multi-byte UTF-8 sequences are left as they are in the C locale.
  static void ToUpper(std::string& text);
  static void ToUpper(std::wstring& text);
  static void ToLower(std::string& text);
  static void ToLower(std::wstring& text);

  // Splitting. Each replaces the contents of `out`; a non-zero `keepEmpty` keeps the empty
  // pieces before, between and after delimiters. An empty text gives no pieces.

  /// Cuts at every occurrence of the whole `delimiter` text (an empty one does not cut).
  static void Split(const std::string& text, const std::string& delimiter,
                    std::list<std::string>& out, unsigned int keepEmpty = 0);
  static void Split(const std::wstring& text, const std::wstring& delimiter,
                    std::list<std::wstring>& out, unsigned int keepEmpty = 0);
  static void Split(const std::string& text, const std::string& delimiter,
                    std::vector<std::string>& out, unsigned int keepEmpty = 0);
  static void Split(const std::wstring& text, const std::wstring& delimiter,
                    std::vector<std::wstring>& out, unsigned int keepEmpty = 0);
  /// Splits a command line at any character of `delimiters`. A run in double or single quotes
  /// is one piece with the quotes dropped (an unclosed one lasts to the end; "" gives an empty
  /// argument even without `keepEmpty`). A backslash before a delimiter, a quote or another
  /// backslash stands for that character; other backslashes are kept, so paths survive.
  static void SplitArguments(const std::string& text, const std::string& delimiters,
                             std::list<std::string>& out, unsigned int keepEmpty = 0);
  static void SplitArguments(const std::wstring& text, const std::wstring& delimiters,
                             std::list<std::wstring>& out, unsigned int keepEmpty = 0);
  static void SplitArguments(const std::string& text, const std::string& delimiters,
                             std::vector<std::string>& out, unsigned int keepEmpty = 0);
  static void SplitArguments(const std::wstring& text, const std::wstring& delimiters,
                             std::vector<std::wstring>& out, unsigned int keepEmpty = 0);
  /// Cuts at any character of `delimiters`; no quoting.
  static void SplitPaths(const std::string& text, const std::string& delimiters,
                         std::vector<std::string>& out, unsigned int keepEmpty = 0);
  static void SplitPaths(const std::wstring& text, const std::wstring& delimiters,
                         std::vector<std::wstring>& out, unsigned int keepEmpty = 0);

  static void Join(const std::vector<std::string>& items, const std::string& separator,
                   std::string& out);
  static void Join(const std::vector<std::wstring>& items, const std::wstring& separator,
                   std::wstring& out);
  static void Join(const std::list<std::string>& items, const std::string& separator,
                   std::string& out);
  static void Join(const std::list<std::wstring>& items, const std::wstring& separator,
                   std::wstring& out);
  /// Joins `count` elements from `first` on (clipped to the vector).
  static std::string Join(const std::vector<std::string>& items, const std::string& separator,
                          unsigned int first, unsigned int count);
  static std::wstring Join(const std::vector<std::wstring>& items, const std::wstring& separator,
                           unsigned int first, unsigned int count);

  /// "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}".
  static std::string AsString(const _GUID& guid);
  static std::wstring AsWstring(const _GUID& guid);
  /// "(0x%lX, 0x%lX)" with the high part, then the low part.
  static std::string AsString(const _LUID& luid);
  static std::wstring AsWstring(const _LUID& luid);
};

/// Formats into `buffer` of `bytes` bytes, always NUL-terminated. Returns 0 when the whole
/// text fits, 0x8007007A when it was cut to bytes - 1 characters, 1 when formatting failed,
/// 0x80070057 (buffer untouched) when `bytes` is below 1.
YQBASE_EXPORT HRESULT StringCbPrintfA(char* buffer, unsigned int bytes, const char* format, ...)
    YQBASE_PRINTF(3, 4);
/// The wide form; `bytes` counts bytes, not characters.
YQBASE_EXPORT HRESULT StringCbPrintfW(wchar_t* buffer, unsigned int bytes, const wchar_t* format,
                                      ...);
