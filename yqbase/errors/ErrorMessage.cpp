#include "yqbase/errors/ErrorMessage.h"

#include <cstdio>

#include "yqbase/errors/ErrorDescriptions.h"

std::string FXMisc::GetFormattedErrorMessageAsString(HRESULT code, DWORD flags) {
  std::string text = GetErrNoDescription(code);
  if (text.empty()) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "Unable to decode error code [0x%X %u]",
                  static_cast<unsigned int>(code), static_cast<unsigned int>(code));
    text = buffer;
  }
  if ((flags & kMessageOneLine) != 0) {
    const size_t last = text.find_last_not_of(" \t\r\n");
    text.erase(last == std::string::npos ? 0 : last + 1);
    for (char& c : text)
      if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}
