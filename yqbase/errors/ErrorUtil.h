// FXErrorUtil: the equivalence of result codes and, per code kind, functions that make, push,
// test and read back typed errors.
#pragma once

#include <atomic>
#include <boost/make_shared.hpp>
#include <cstdarg>
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

  // Per code kind K: ErrorK makes a new error with K's result code and one item of kind K (a
  // description item when a format is given, formatted as CYqError::Push does); PushK adds
  // such an item to `error` and keeps its code; IsK is CYqError::Is with the result code ErrorK
  // would make; GetK returns 0 for a success, the native code when the error's code is of kind
  // K, else the first matching code of kind K (ascending), else the kind's no-match value.

  // Own results: result code code | 0xEDA00000. GetZKResult: -1 when none.
  static CYqError ErrorZKResult(const FXCodeLocation& location, int code);
  static CYqError ErrorZKResult(const FXCodeLocation& location, int code, const char* format, ...)
      YQBASE_PRINTF(3, 4);
  static CYqError& PushZKResult(CYqError& error, const FXCodeLocation& location, int code);
  static CYqError& PushZKResult(CYqError& error, const FXCodeLocation& location, int code,
                                const char* format, ...) YQBASE_PRINTF(4, 5);
  static bool IsZKResult(const CYqError& error, int code);
  static bool IsNotZKResult(const CYqError& error, int code) { return !IsZKResult(error, code); }
  static int GetZKResult(const CYqError& error);

  // errno values: result code code | 0xECCC0000. GetErrNo: 0xFFFF when none.
  static CYqError ErrorErrNo(const FXCodeLocation& location, int code);
  static CYqError ErrorErrNo(const FXCodeLocation& location, int code, const char* format, ...)
      YQBASE_PRINTF(3, 4);
  static CYqError& PushErrNo(CYqError& error, const FXCodeLocation& location, int code);
  static CYqError& PushErrNo(CYqError& error, const FXCodeLocation& location, int code,
                             const char* format, ...) YQBASE_PRINTF(4, 5);
  static bool IsErrNo(const CYqError& error, int code);
  static bool IsNotErrNo(const CYqError& error, int code) { return !IsErrNo(error, code); }
  static int GetErrNo(const CYqError& error);
  static bool IsTypeErrNo(const CYqError& error);

  // Plain integers: result code code | 0xEDDD0000. GetInt reads only the error's own code and
  // gives -1 when it is of another kind.
  static CYqError ErrorInt(const FXCodeLocation& location, int code);
  static CYqError ErrorInt(const FXCodeLocation& location, int code, const char* format, ...)
      YQBASE_PRINTF(3, 4);
  static CYqError& PushInt(CYqError& error, const FXCodeLocation& location, int code);
  static CYqError& PushInt(CYqError& error, const FXCodeLocation& location, int code,
                           const char* format, ...) YQBASE_PRINTF(4, 5);
  static bool IsInt(const CYqError& error, int code);
  static bool IsNotInt(const CYqError& error, int code) { return !IsInt(error, code); }
  static int GetInt(const CYqError& error);

  // Win32 errors: result code 0x80070000 | (code & 0xFFFF); 0x80070306 for code 0; a code that
  // is negative as an HRESULT is used as it is. GetWin32: 774 when none.
  static CYqError ErrorWin32(const FXCodeLocation& location, DWORD code);
  static CYqError ErrorWin32(const FXCodeLocation& location, DWORD code, const char* format, ...)
      YQBASE_PRINTF(3, 4);
  static CYqError& PushWin32(CYqError& error, const FXCodeLocation& location, DWORD code);
  static CYqError& PushWin32(CYqError& error, const FXCodeLocation& location, DWORD code,
                             const char* format, ...) YQBASE_PRINTF(4, 5);
  static bool IsWin32(const CYqError& error, DWORD code);
  static bool IsNotWin32(const CYqError& error, DWORD code) { return !IsWin32(error, code); }
  static DWORD GetWin32(const CYqError& error);
  /// Whether the error's facility (bits 16 to 27) is 7.
  static bool IsTypeWin32(const CYqError& error);
  /// The result code that ErrorWin32 makes from `code`.
  static HRESULT Win32ResultCode(DWORD code);

  // HRESULTs: the result code is the value itself.
  static CYqError ErrorHResult(const FXCodeLocation& location, HRESULT code);
  static CYqError ErrorHResult(const FXCodeLocation& location, HRESULT code, const char* format,
                               ...) YQBASE_PRINTF(3, 4);
  static CYqError& PushHResult(CYqError& error, const FXCodeLocation& location, HRESULT code);
  static CYqError& PushHResult(CYqError& error, const FXCodeLocation& location, HRESULT code,
                               const char* format, ...) YQBASE_PRINTF(4, 5);
  static bool IsHResult(const CYqError& error, HRESULT code);
  static bool IsNotHResult(const CYqError& error, HRESULT code) { return !IsHResult(error, code); }

  // HTTP statuses: result code code | 0xEC000000. GetHttp: 0xFFFF when none. The push with a
  // format is also exported as the free function FXErrorUtilPushHttp.
  static CYqError ErrorHttp(const FXCodeLocation& location, int code);
  static CYqError ErrorHttp(const FXCodeLocation& location, int code, const char* format, ...)
      YQBASE_PRINTF(3, 4);
  static CYqError& PushHttp(CYqError& error, const FXCodeLocation& location, int code);
  static CYqError& PushHttp(CYqError& error, const FXCodeLocation& location, int code,
                            const char* format, ...) YQBASE_PRINTF(4, 5);
  static bool IsHttp(const CYqError& error, int code);
  static bool IsNotHttp(const CYqError& error, int code) { return !IsHttp(error, code); }
  static int GetHttp(const CYqError& error);

  // SQLite result codes: result code code | 0xEDB00000. GetSQLite: -1 when none.
  static CYqError ErrorSQLite(const FXCodeLocation& location, int code);
  static CYqError ErrorSQLite(const FXCodeLocation& location, int code, const char* format, ...)
      YQBASE_PRINTF(3, 4);
  static CYqError& PushSQLite(CYqError& error, const FXCodeLocation& location, int code);
  static CYqError& PushSQLite(CYqError& error, const FXCodeLocation& location, int code,
                              const char* format, ...) YQBASE_PRINTF(4, 5);
  static bool IsSQLite(const CYqError& error, int code);
  static bool IsNotSQLite(const CYqError& error, int code) { return !IsSQLite(error, code); }
  static int GetSQLite(const CYqError& error);

  // Event messages: result code 0 for identifier 0, otherwise 0xE8000000 with the message
  // number and the category folded into bits 16 to 25 (see EventMessageResultCode). The
  // getters decode the identifier back; -1 when none.
  static CYqError ErrorEventMessage(const FXCodeLocation& location, int id);
  static CYqError ErrorEventMessage(const FXCodeLocation& location, int id, const char* format, ...)
      YQBASE_PRINTF(3, 4);
  static CYqError& PushEventMessage(CYqError& error, const FXCodeLocation& location, int id);
  static CYqError& PushEventMessage(CYqError& error, const FXCodeLocation& location, int id,
                                    const char* format, ...) YQBASE_PRINTF(4, 5);
  /// False unless the error's own code is an event-message code matching `id`'s.
  static bool IsEventMessage(const CYqError& error, int id);
  static bool IsNotEventMessage(const CYqError& error, int id) {
    return !IsEventMessage(error, id);
  }
  static int GetEventMessage(const CYqError& error);
  /// The identifier when the category read from the error's own code equals `category`; the
  /// matching codes are searched under the same test. 0 for a success, -1 when none.
  static int GetEventMessage(const CYqError& error, unsigned long category);
  /// Whether bit 27 of the error's code is set and bit 26 clear.
  static bool IsTypeEventMessage(const CYqError& error);
  /// The result code that ErrorEventMessage makes from `id`.
  static HRESULT EventMessageResultCode(int id);

  /// Event-message text look-ups are counted off and on: each Unload... releases the message
  /// library and disables them once more, each Enable... takes one disable back. Both succeed.
  static CYqError EnableEventMessageLookup();
  static CYqError UnloadAndDisableEventMessageLookup();
  /// Whether no Unload... is outstanding.
  static bool IsEventMessageLookupEnabled();

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
  /// The same with an optional description.
  static std::string OneLineText(const std::string& message, const std::string* description,
                                 const std::string& codeText) {
    return description != nullptr ? OneLineText(message, *description, codeText)
                                  : OneLineText(message, std::string(), codeText);
  }
};

/// FXErrorUtil::PushHttp with a description, under its exported plain name.
YQBASE_EXPORT CYqError& FXErrorUtilPushHttp(CYqError& error, const FXCodeLocation& location,
                                            int code, const char* format, ...) YQBASE_PRINTF(4, 5);

/// The equivalence groups: `hrMapCount` zero-terminated lists of codes that mean the same
/// failure.
extern YQBASE_EXPORT const HRESULT* const hrMap[];
extern YQBASE_EXPORT const unsigned int hrMapCount;
