#include "yqbase/errors/ErrorItem_SQLite.h"

#include "yqbase/errors/ErrorDescriptions.h"
#include "yqbase/strings/StringExtensions.h"

namespace {
// The code as "%lX" prints it on every platform: the 32-bit pattern of the int.
unsigned long Hex(int code) { return static_cast<unsigned long>(static_cast<DWORD>(code)); }
}  // namespace

FXErrorItemSQLite::~FXErrorItemSQLite() = default;

std::string FXErrorItemSQLite::DetailText() const {
  return FXString::Format("/SQL.0x%lX.(%s: %s)", Hex(m_code), GetSqlErrorTag(m_code).c_str(),
                          GetSqlErrorDescription(m_code).c_str());
}

std::string FXErrorItemSQLite::LineText(const std::string* description) const {
  // The one-line form names the tag; with a caller's description it gives way to that text.
  std::string message = GetSqlErrorDescription(m_code);
  if (description == nullptr) message = GetSqlErrorTag(m_code) + ": " + message;
  return FXErrorUtil::OneLineText(message, description,
                                  FXString::Format(" (SQL.0x%lX)", Hex(m_code)));
}
