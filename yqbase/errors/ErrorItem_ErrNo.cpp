#include "yqbase/errors/ErrorItem_ErrNo.h"

#include "yqbase/errors/ErrorDescriptions.h"
#include "yqbase/strings/StringExtensions.h"

FXErrorItemErrNo::~FXErrorItemErrNo() = default;

std::string FXErrorItemErrNo::DetailText() const {
  const std::string text = GetErrNoDescription(m_code);
  if (text.empty()) return FXString::Format("/ErrNo.%d", m_code);
  return FXString::Format("/ErrNo.%d.(%s)", m_code, text.c_str());
}

std::string FXErrorItemErrNo::LineText(const std::string* description) const {
  return FXErrorUtil::OneLineText(GetErrNoDescription(m_code), description,
                                  FXString::Format(" (ErrNo.%d)", m_code));
}
