#include "yqbase/errors/ErrorItem_Win32.h"

#include <cstdio>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/errors/Win32Error.h"

FXErrorItemWin32::~FXErrorItemWin32() = default;

std::string FXErrorItemWin32::NameText() const { return EWin32Error::AsString(m_code); }

std::string FXErrorItemWin32::CodeText() const {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, " (W32.%lu)", static_cast<unsigned long>(m_code));
  return buffer;
}

std::string FXErrorItemWin32::AsString() const {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "/W32.%lu.(", static_cast<unsigned long>(m_code));
  return m_location.AsString() + buffer + NameText() + ")";
}

std::string FXErrorItemWin32::AsString(EErrorOutputFormat format) const {
  if (format == EErrorOutputFormat::USER_SINGLE_LINE_CODE ||
      format == EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE)
    return FXErrorUtil::OneLineText(NameText(), std::string(), CodeText());
  return AsString();
}

FXErrorItemPtr FXErrorItemWin32::Copy() const {
  return FXErrorUtil::MakeItem<FXErrorItemWin32>(m_location, m_code);
}

FXErrorItemWin32Description::~FXErrorItemWin32Description() = default;

std::string FXErrorItemWin32Description::AsString() const {
  return FXErrorItemWin32::AsString() + "-" + m_description;
}

std::string FXErrorItemWin32Description::AsString(EErrorOutputFormat format) const {
  if (format == EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE)
    return FXErrorUtil::OneLineText(NameText(), m_description, CodeText());
  if (format == EErrorOutputFormat::USER_SINGLE_LINE_CODE)
    return FXErrorItemWin32::AsString(format);
  return AsString();
}

FXErrorItemPtr FXErrorItemWin32Description::Copy() const {
  return FXErrorUtil::MakeItem<FXErrorItemWin32Description>(m_location, m_code, m_description);
}
