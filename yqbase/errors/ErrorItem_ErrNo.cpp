#include "yqbase/errors/ErrorItem_ErrNo.h"

#include "yqbase/errors/ErrorDescriptions.h"
#include "yqbase/errors/ErrorItemTextPrivate.h"

FXErrorItemErrNo::~FXErrorItemErrNo() = default;

std::string FXErrorItemErrNo::DetailText() const {
  return NumberedDetailText("ErrNo", m_code, GetErrNoDescription(m_code));
}

std::string FXErrorItemErrNo::LineText(const std::string* description) const {
  return NumberedLineText("ErrNo", m_code, GetErrNoDescription(m_code), description);
}
