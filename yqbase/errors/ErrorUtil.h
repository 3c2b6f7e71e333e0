// FXErrorUtil: the equivalence of result codes and, per code kind, functions that make, push,
// test and read back typed errors.
#pragma once

#include <boost/make_shared.hpp>
#include <atomic>
#include <cstdarg>
#include <map>
#include <new>
#include <set>
#include <string>
#include <utility>

#include "yqbase/errors/YqError.h"

/// Static helpers over CYqError. Functions named ErrorK make a new error of kind K at a code
/// location, PushK add an item of kind K to an existing error without changing its code, IsK
/// and IsNotK test an error's code against a native code of kind K (through the equivalence
/// groups), and GetK read the native code back.
class YQBASE_EXPORT FXErrorUtil {
 public:
  /// Whether two result codes are equal or share an equivalence group.
  static bool Matches(HRESULT a, HRESULT b);
  /// Every other code that shares a group with `code`, in ascending order.
  static std::set<HRESULT> GetMatches(HRESULT code);
  /// Builds the look-up containers from the groups; runs once when the library is loaded and
  /// does nothing afterwards.
  static void CompileErrorMappingsIntoContainer();

  // Win32 errors: result code 0x80070000 | (code & 0xFFFF); 0x80070306 for code 0.
  static CYqError ErrorWin32(const FXCodeLocation& location, DWORD code);
  static CYqError ErrorWin32(const FXCodeLocation& location, DWORD code, const char* format, ...)
      YQBASE_PRINTF(3, 4);
  static CYqError& PushWin32(CYqError& error, const FXCodeLocation& location, DWORD code);
  static CYqError& PushWin32(CYqError& error, const FXCodeLocation& location, DWORD code,
                             const char* format, ...) YQBASE_PRINTF(4, 5);
  static bool IsWin32(const CYqError& error, DWORD code);
  static bool IsNotWin32(const CYqError& error, DWORD code) { return !IsWin32(error, code); }
  /// The Win32 code of the error or of a matching code; 0 for success, 774 when none.
  static DWORD GetWin32(const CYqError& error);
  static bool IsTypeWin32(const CYqError& error);
  /// The result code that ErrorWin32 makes from `code`.
  static HRESULT Win32ResultCode(DWORD code);

  /// Allocates an item without throwing; null when memory is exhausted.
  template <typename T, typename... Args>
  static FXErrorItemPtr MakeItem(Args&&... args) noexcept {
    try {
      return boost::make_shared<T>(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
      return FXErrorItemPtr();
    }
  }

  /// Formats an item description; a text that does not fit stands behind "[BUFFEROVERFLOW] ".
  static std::string FormatDescription(const char* format, va_list args);

  /// The one-line text of a typed item: `message`, ", " (only when both it and `description`
  /// are non-empty), `description`, then `codeText`; blanks and tabs trimmed at both ends.
  static std::string OneLineText(const std::string& message, const std::string& description,
                                 const std::string& codeText);
};

/// The equivalence groups: `hrMapCount` zero-terminated lists of codes that mean the same
/// failure.
extern YQBASE_EXPORT const HRESULT* const hrMap[];
extern YQBASE_EXPORT const unsigned int hrMapCount;
