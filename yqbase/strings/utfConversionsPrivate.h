// Conversions between UTF-8 and wide text (one UTF-32 unit per wchar_t) for the library's
// own string helpers; not installed.
#pragma once

#include "yqbase/strings/utfConversions.h"

static_assert(sizeof(wchar_t) == sizeof(UTF32), "wide strings hold one UTF-32 unit per wchar_t");

/// The FXUTF UTF-32 conversions over wchar_t buffers, with the same behaviour, pointer updates
/// and errors (which name the FXUTF functions).
class FXUTFPrivate {
 public:
  [[nodiscard]] static CYqError ConvertWideToUTF8(const wchar_t** sourceStart,
                                                  const wchar_t* sourceEnd, UTF8** targetStart,
                                                  UTF8* targetEnd, FXUTF::ConversionFlags flags);
  [[nodiscard]] static CYqError ConvertUTF8ToWide(const UTF8** sourceStart, const UTF8* sourceEnd,
                                                  wchar_t** targetStart, wchar_t* targetEnd,
                                                  FXUTF::ConversionFlags flags);
};
