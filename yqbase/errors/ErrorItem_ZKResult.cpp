#include "yqbase/errors/ErrorItem_ZKResult.h"

#include "yqbase/strings/StringExtensions.h"

FXErrorItemZKResult::~FXErrorItemZKResult() = default;

std::string FXErrorItemZKResult::DetailText() const {
  return FXString::Format("/ZK.0x%X", static_cast<unsigned int>(m_code));
}

std::string FXErrorItemZKResult::LineText(const std::string* description) const {
  return FXString::Format("%s (ZK.0x%X)", description ? description->c_str() : "Error",
                          static_cast<unsigned int>(m_code));
}
