#include "yqbase/errors/ErrorItem_Http.h"

#include "yqbase/errors/ErrorDescriptions.h"
#include "yqbase/errors/ErrorItemTextPrivate.h"

FXErrorItemHttp::~FXErrorItemHttp() = default;

std::string FXErrorItemHttp::DetailText() const {
  return NumberedDetailText("http", m_code, GetHttpErrorDescription(m_code));
}

std::string FXErrorItemHttp::LineText(const std::string* description) const {
  return NumberedLineText("http", m_code, GetHttpErrorDescription(m_code), description);
}
