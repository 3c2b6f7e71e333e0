// FXMisc::GetFormattedErrorMessageAsString: the system's message for an error number.
#pragma once

#include <string>

#include "yqbase/errors/YqExport.h"
#include "yqbase/errors/YqTypes.h"

/// Miscellaneous process helpers.
class YQBASE_EXPORT FXMisc {
 public:
  /// Flag of GetFormattedErrorMessageAsString: one line, without trailing blanks or breaks.
  static constexpr DWORD kMessageOneLine = 2;

  /// The C library's message for `code` (its strerror_r text), or "Unable to decode error code
  /// [0x%X %u]" when it has none. With kMessageOneLine, trailing blanks and line breaks are
  /// removed and the remaining line breaks become blanks.
  static std::string GetFormattedErrorMessageAsString(HRESULT code, DWORD flags);
};
