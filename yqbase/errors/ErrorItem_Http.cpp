#include "yqbase/errors/ErrorItem_Http.h"

#include "yqbase/errors/ErrorDescriptions.h"
#include "yqbase/strings/StringExtensions.h"

FXErrorItemHttp::~FXErrorItemHttp() = default;

std::string FXErrorItemHttp::DetailText() const {
  const std::string text = GetHttpErrorDescription(m_code);
  if (text.empty()) return FXString::Format("/http.%d", m_code);
  return FXString::Format("/http.%d.(%s)", m_code, text.c_str());
}

std::string FXErrorItemHttp::LineText(const std::string* description) const {
  return FXErrorUtil::OneLineText(GetHttpErrorDescription(m_code), description,
                                  FXString::Format(" (http.%d)", m_code));
}
