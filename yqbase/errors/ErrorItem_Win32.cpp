#include "yqbase/errors/ErrorItem_Win32.h"

#include "yqbase/errors/Win32Error.h"
#include "yqbase/strings/StringExtensions.h"

FXErrorItemWin32::~FXErrorItemWin32() = default;

std::string FXErrorItemWin32::DetailText() const {
  return FXString::Format("/W32.%lu.(%s)", static_cast<unsigned long>(m_code),
                          EWin32Error::AsString(m_code).c_str());
}

std::string FXErrorItemWin32::LineText(const std::string* description) const {
  return FXErrorUtil::OneLineText(
      EWin32Error::AsString(m_code), description,
      FXString::Format(" (W32.%lu)", static_cast<unsigned long>(m_code)));
}
