// FXMisc: the system's message for an error number, identifier parsing, sleeps and ticks.
#pragma once

#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/errors/YqExport.h"
#include "yqbase/errors/YqTypes.h"

/// Miscellaneous process helpers. The message text lives here at the bottom of the library; the
/// other members are defined in platform/Misc.cpp.
class YQBASE_EXPORT FXMisc {
 public:
  /// Flag of GetFormattedErrorMessageAsString: one line, without trailing blanks or breaks.
  static constexpr DWORD kMessageOneLine = 2;

  /// The C library's message for `code` (its strerror_r text), or "Unable to decode error code
  /// [0x%X %u]" when it has none. With kMessageOneLine, trailing blanks and line breaks are
  /// removed and the remaining line breaks become blanks.
  static std::string GetFormattedErrorMessageAsString(HRESULT code, DWORD flags);

  /// Parses exactly "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (either letter case); any other text
  /// is Win32 87 and leaves `uuid` unchanged.
  [[nodiscard]] static CYqError ConvertStringToUuid(const char* text, UUID& uuid);
  /// Parses "(0x<high>, 0x<low>)" with 1 to 8 hexadecimal digits each; other text is Win32 87.
  [[nodiscard]] static CYqError ConvertStringToLuid(const char* text, LUID& luid);
  /// A new random (version 4) identifier; its text form is the one ConvertStringToUuid reads.
  /// Fails with the errno of the system's random source.
  [[nodiscard]] static CYqError CreateUuid(UUID& uuid);

  /// Sleeps at least `milliseconds`, resuming after signals.
  static void Sleep(DWORD milliseconds);
  /// Milliseconds of a monotonic clock since an unspecified start; never goes back.
  static ULONGLONG GetTickCount64();
};
