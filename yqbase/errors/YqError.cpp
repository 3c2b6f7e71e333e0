#include "yqbase/errors/YqError.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/errors/YqErrorPrivate.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/StringExtensions.h"

namespace {

const _DISPLAY_ENUM_INFO_TABLE s_dtErrorOutputFormat[] = {
    {EErrorOutputFormat::LOGGING_FULL, "LOGGING_FULL", L"LOGGING_FULL"},
    {EErrorOutputFormat::USER_SINGLE_LINE_CODE, "USER_SINGLE_LINE_CODE",
     L"USER_SINGLE_LINE_CODE"},
    {EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE, "USER_SINGLE_LINE_DESCRIPTION_CODE",
     L"USER_SINGLE_LINE_DESCRIPTION_CODE"},
    {0, nullptr, nullptr},
};

std::string HexCode(const char* format, HRESULT code) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, static_cast<unsigned int>(code));
  return buffer;
}

// Reports a chain that could not be allocated; the item is lost, the code stays.
void LogLostItem(const char* function, unsigned line, const FXErrorItemPtr& item) {
  std::string text = item ? item->AsString() : std::string();
  g_ptrLogWriter->LogMessage(-1, function, line, 0, nullptr,
                             "Failed to allocate memory, error handling is compromised, "
                             "ErrorItem=%s",
                             text.c_str());
}

}  // namespace

std::string EErrorOutputFormat::AsString(unsigned long value) {
  return CDisplayEnumBase::AsString(s_dtErrorOutputFormat, value);
}

std::wstring EErrorOutputFormat::AsWstring(unsigned long value) {
  return CDisplayEnumBase::AsWstring(s_dtErrorOutputFormat, value);
}

std::string FXCodeLocation::AsString() const {
  const char* text = function != nullptr ? function : "";
  const size_t length = std::strlen(text);
  const char* paren = std::strchr(text, '(');
  const size_t end = paren != nullptr ? static_cast<size_t>(paren - text) : length;
  size_t start = 0;
  // Walk back from the character before "(" looking for the blank after the return type; the
  // first character is never examined.
  if (end >= 2) {
    for (size_t i = end - 1; i > 0; --i) {
      if (text[i] == ' ') {
        start = i + 1;
        break;
      }
    }
  }
  size_t nameLength = end - start;
  if (nameLength > 257) nameLength = 257;
  char name[258];
  std::memcpy(name, text + start, nameLength);
  name[nameLength] = '\0';
  char buffer[256];
  (void)StringCbPrintfA(buffer, sizeof buffer, "%s(%d)", name, line);
  return buffer;
}

std::string FXCodeLocation::AsString(EErrorOutputFormat format) const {
  if (format == EErrorOutputFormat::USER_SINGLE_LINE_CODE) return std::string();
  return AsString();
}

FXErrorItem::~FXErrorItem() = default;

std::string FXErrorItem::AsString() const { return m_location.AsString(); }

std::string FXErrorItem::AsString(EErrorOutputFormat format) const {
  if (format == EErrorOutputFormat::USER_SINGLE_LINE_CODE) return std::string();
  return AsString();
}

FXErrorItemPtr FXErrorItem::Copy() const {
  try {
    boost::shared_ptr<FXErrorItem> copy = boost::make_shared<FXErrorItem>(m_location);
    copy->m_parameters = m_parameters;
    return copy;
  } catch (const std::bad_alloc&) {
    return FXErrorItemPtr();
  }
}

FXErrorItem& FXErrorItem::operator<<(const boost::any& value) {
  m_parameters.push_back(value);
  return *this;
}

FXErrorItemDescription::~FXErrorItemDescription() = default;

std::string FXErrorItemDescription::AsString() const {
  return m_location.AsString() + "/" + m_description;
}

FXErrorItemPtr FXErrorItemDescription::Copy() const {
  return FXErrorUtil::MakeItem<FXErrorItemDescription>(m_location, m_description);
}

std::string FXErrorPrivate::AsString() const {
  std::string text;
  for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
    if (!text.empty()) text += " + ";
    text += '{';
    if (*it) text += (*it)->AsString();
    text += '}';
  }
  return text;
}

std::string FXErrorPrivate::AsString(EErrorOutputFormat format) const {
  if (format == EErrorOutputFormat::USER_SINGLE_LINE_CODE ||
      format == EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE) {
    if (m_items.empty() || !m_items.front()) return std::string();
    return m_items.front()->AsString(format);
  }
  return AsString();
}

void CYqError::AddRef(FXErrorPrivate* chain) noexcept {
  chain->m_references.fetch_add(1, std::memory_order_relaxed);
}

void CYqError::Release(FXErrorPrivate* chain) noexcept {
  if (chain->m_references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete chain;
}

bool CYqError::EnsureChain() {
  if (m_chain == nullptr) m_chain = new (std::nothrow) FXErrorPrivate();
  return m_chain != nullptr;
}

CYqError::CYqError(HRESULT code, FXErrorItemPtr item) : m_code(code), m_chain(nullptr) {
  if (!item) return;
  try {
    if (EnsureChain()) {
      m_chain->m_items.push_back(std::move(item));
      return;
    }
  } catch (const std::bad_alloc&) {
  }
  LogLostItem("CYqError::CYqError(HRESULT, FXErrorItemPtr)", 20, item);
}

CYqError& CYqError::Push(FXErrorItemPtr item) {
  if (!item) return *this;
  try {
    if (EnsureChain()) {
      m_chain->m_items.push_back(std::move(item));
      return *this;
    }
  } catch (const std::bad_alloc&) {
  }
  LogLostItem("CYqError& CYqError::Push(FXErrorItemPtr)", 97, item);
  return *this;
}

CYqError& CYqError::Push(const FXCodeLocation& location) {
  return Push(FXErrorUtil::MakeItem<FXErrorItem>(location));
}

CYqError& CYqError::Push(const FXCodeLocation& location, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FXErrorUtil::FormatDescription(format, args);
  va_end(args);
  return Push(FXErrorUtil::MakeItem<FXErrorItemDescription>(location, text));
}

CYqError& CYqError::operator<<(const boost::any& value) {
  if (m_chain != nullptr && !m_chain->m_items.empty() && m_chain->m_items.back()) {
    try {
      *m_chain->m_items.back() << value;
    } catch (const std::bad_alloc&) {
    }
  }
  return *this;
}

bool CYqError::Is(HRESULT other) const { return FXErrorUtil::Matches(m_code, other); }

CYqError CYqError::Copy() const {
  CYqError copy(m_code);
  if (m_chain == nullptr) return copy;
  // The first cause is copied first, so every later item lands in front of it.
  for (const FXErrorItemPtr& item : m_chain->m_items) {
    if (!item) continue;
    FXErrorItemPtr itemCopy = item->Copy();
    if (itemCopy) copy.Push(itemCopy);
  }
  return copy;
}

std::string CYqError::AsString() const {
  if (m_chain == nullptr) return m_code < 0 ? HexCode("0x%X", m_code) : "Success";
  return HexCode("0x%X:", m_code) + m_chain->AsString();
}

std::string CYqError::AsString(EErrorOutputFormat format) const {
  if (format == EErrorOutputFormat::USER_SINGLE_LINE_CODE ||
      format == EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE) {
    if (m_chain != nullptr) return m_chain->AsString(format);
    return m_code < 0 ? HexCode("Error (code 0x%X)", m_code) : "Success";
  }
  return AsString();
}

std::vector<FXErrorItemPtr> CYqError::GetItems() const {
  if (m_chain == nullptr) return {};
  return std::vector<FXErrorItemPtr>(m_chain->m_items.rbegin(), m_chain->m_items.rend());
}

const std::vector<boost::any> CYqErrorBroker::s_vecEmpty;

const std::vector<boost::any>& CYqErrorBroker::GetParameters(const CYqError& error) {
  if (error.m_chain == nullptr || error.m_chain->m_items.empty() ||
      !error.m_chain->m_items.front())
    return s_vecEmpty;
  return error.m_chain->m_items.front()->GetParameters();
}
