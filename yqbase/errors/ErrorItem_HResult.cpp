#include "yqbase/errors/ErrorItem_HResult.h"

#include "yqbase/errors/ErrorMessage.h"
#include "yqbase/strings/StringExtensions.h"

FXErrorItemHResult::~FXErrorItemHResult() = default;

std::string FXErrorItemHResult::DetailText() const {
  return FXString::Format(
      "/HR.0x%X-(%s)", static_cast<unsigned int>(m_code),
      FXMisc::GetFormattedErrorMessageAsString(m_code, FXMisc::kMessageOneLine).c_str());
}

std::string FXErrorItemHResult::LineText(const std::string* description) const {
  return FXErrorUtil::OneLineText(
      FXMisc::GetFormattedErrorMessageAsString(m_code, FXMisc::kMessageOneLine), description,
      FXString::Format(" (HR.0x%X)", static_cast<unsigned int>(m_code)));
}
