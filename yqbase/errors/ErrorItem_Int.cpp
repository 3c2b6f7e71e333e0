#include "yqbase/errors/ErrorItem_Int.h"

#include "yqbase/strings/StringExtensions.h"

FXErrorItemInt::~FXErrorItemInt() = default;

std::string FXErrorItemInt::DetailText() const {
  return FXString::Format("/Int.%d.0x%X", m_code, static_cast<unsigned int>(m_code));
}

std::string FXErrorItemInt::LineText(const std::string* description) const {
  return FXString::Format("%s (Int.%d.0x%X)", description ? description->c_str() : "Error", m_code,
                          static_cast<unsigned int>(m_code));
}
