// Texts shared by the items whose native code is a number with a system text (errno, HTTP).
#pragma once

#include <string>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/strings/StringExtensions.h"

/// "/<tag>.%d.(text)", or "/<tag>.%d" when the text is empty.
inline std::string NumberedDetailText(const char* tag, int code, const std::string& text) {
  if (text.empty()) return FXString::Format("/%s.%d", tag, code);
  return FXString::Format("/%s.%d.(%s)", tag, code, text.c_str());
}

/// The text, the description if given, then " (<tag>.%d)", trimmed.
inline std::string NumberedLineText(const char* tag, int code, const std::string& text,
                                    const std::string* description) {
  return FXErrorUtil::OneLineText(text, description, FXString::Format(" (%s.%d)", tag, code));
}
