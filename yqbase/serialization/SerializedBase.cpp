#include "yqbase/serialization/SerializedBase.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <type_traits>
#include <vector>

#include "yqbase/errors/ErrorMessage.h"
#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/DefaultLogWriter.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/Ascii85.h"
#include "yqbase/strings/StringExtensions.h"

static_assert(sizeof(wchar_t) == 4, "wide token values are 32-bit units");

namespace {

// The writers' decimal texts, with room for the longest 64-bit value and its zero byte.
constexpr size_t kNumberText = 24;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// An identifier field: one or more decimal digits whose value is at most `max`.
bool ParseField(const std::string& text, unsigned long long max, unsigned long long& value) {
  if (text.empty()) return false;
  value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    const unsigned digit = static_cast<unsigned>(c - '0');
    if (value > (max - digit) / 10) return false;
    value = value * 10 + digit;
  }
  return true;
}

// The text of a value written as text and a zero byte: null when the zero byte is missing,
// misplaced, or the text is empty.
const char* ValueText(const char* data, size_t length) {
  if (length < 2 || data[length - 1] != '\0' || std::memchr(data, 0, length - 1) != nullptr)
    return nullptr;
  return data;
}

// Decimal text of a number that fits T, in full; a sign only for signed types.
template <typename T>
bool ParseDecimal(const char* text, T& value) {
  if (text == nullptr) return false;
  const bool negative = std::is_signed<T>::value && text[0] == '-';
  if (!IsDigit(text[negative ? 1 : 0])) return false;
  char* end = nullptr;
  errno = 0;
  bool fits = false;
  if constexpr (std::is_signed<T>::value) {
    const long long parsed = std::strtoll(text, &end, 10);
    fits = parsed >= std::numeric_limits<T>::min() && parsed <= std::numeric_limits<T>::max();
    value = static_cast<T>(parsed);
  } else {
    const unsigned long long parsed = std::strtoull(text, &end, 10);
    fits = parsed <= std::numeric_limits<T>::max();
    value = static_cast<T>(parsed);
  }
  return errno == 0 && *end == '\0' && fits;
}

// Appends one token to a buffer that may be null.
CYqError Append(CSerializedBuffer* buffer, DWORD id, DWORD type, const char* data, size_t length) {
  if (buffer == nullptr) return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "No buffer");
  return buffer->AddToken(id, type, data, length);
}

// Appends a value's text with its zero byte.
CYqError AppendText(CSerializedBuffer* buffer, DWORD id, DWORD type, const char* text) {
  return Append(buffer, id, type, text, std::strlen(text) + 1);
}

}  // namespace

CSerializedBase::~CSerializedBase() = default;

CYqError CSerializedBase::Save(CSerializedBuffer*) const { return CYqError(); }

CYqError CSerializedBase::Load(const std::string& text) {
  if (text.empty()) return CYqError();
  // The decoder sizes the buffer from the text: a "z" stands for four bytes, so the text's
  // own length is not always enough.
  auto_ptr_array<char> buffer;
  size_t decoded = 0;
  CYqError err = CAscii85::Decode(text, buffer, decoded);
  if (err.Succeeded()) err = Load(buffer.get(), decoded);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError CSerializedBase::Load(const char* data, size_t length) {
  if (data == nullptr && length != 0) return FXErrorUtil::ErrorWin32(YQ_LOC, 87);
  CLogWriterInterface* writer = g_ptrLogWriter.get();
  const bool trace = writer != nullptr && writer->GetDebugLevel() > 29;
  std::optional<ZKDebugFunction> tracer;
  if (trace)
    tracer.emplace(g_ptrLogWriter, __PRETTY_FUNCTION__, __LINE__, 30, 0,
                   ZKDebugFunction::kNoActivity, "Length=[%llu]",
                   static_cast<unsigned long long>(length));

  std::vector<std::string> fields;
  size_t offset = 0;
  while (offset < length) {
    const char* identifier = data + offset;
    const void* zero = std::memchr(identifier, 0, length - offset);
    if (zero == nullptr)
      return FXErrorUtil::ErrorWin32(YQ_LOC, 13,
                                     "Token identifier without its zero byte, CurrentPos=[%llu]",
                                     static_cast<unsigned long long>(offset));
    const size_t identifierLength =
        static_cast<size_t>(static_cast<const char*>(zero) - identifier);
    if (trace)
      writer->LogMessage(30, __PRETTY_FUNCTION__, __LINE__, 0, nullptr,
                         "CurrentPos=[%llu], Token=[%s]", static_cast<unsigned long long>(offset),
                         identifier);

    FXString::Split(std::string(identifier, identifierLength), ".", fields, 1);
    if (fields.size() < 5) {
      YQ_LOG_FAILURE("Unexpected split size, size=[%llu], Token=[%s]",
                     static_cast<unsigned long long>(fields.size()), identifier);
      return CYqError();
    }
    unsigned long long version = 0;
    if (!ParseField(fields[0], std::numeric_limits<DWORD>::max(), version) || version != 1) {
      YQ_LOG_FAILURE("Unknown version found in token identifier, version=[%u], Token=[%s]",
                     static_cast<unsigned>(std::strtoul(fields[0].c_str(), nullptr, 10)),
                     identifier);
      return CYqError();
    }
    unsigned long long id = 0;
    unsigned long long type = 0;
    unsigned long long valueLength = 0;
    if (!ParseField(fields[1], std::numeric_limits<DWORD>::max(), id) ||
        !ParseField(fields[2], std::numeric_limits<DWORD>::max(), type) ||
        !ParseField(fields[3], std::numeric_limits<size_t>::max(), valueLength))
      return FXErrorUtil::ErrorWin32(YQ_LOC, 13,
                                     "Invalid token identifier, CurrentPos=[%llu], Token=[%s]",
                                     static_cast<unsigned long long>(offset), identifier);
    const size_t valueStart = offset + identifierLength + 1;
    if (valueLength > length - valueStart)
      return FXErrorUtil::ErrorWin32(
          YQ_LOC, 13, "Token value past the end of the data, CurrentPos=[%llu], Token=[%s]",
          static_cast<unsigned long long>(offset), identifier);

    CYqError err = LoadItem(1, static_cast<DWORD>(type), static_cast<DWORD>(id), data + valueStart,
                            static_cast<size_t>(valueLength));
    if (err.Failed()) {
      if (FXErrorUtil::IsWin32(err, 160)) {
        YQ_LOG_FAILURE("Unknown TokenType encountered, Type=[%u], Id=[%u], Length=[%llu]",
                       static_cast<unsigned>(type), static_cast<unsigned>(id), valueLength);
      } else if (FXErrorUtil::IsWin32(err, 1608)) {
        YQ_LOG_FAILURE("Unknown TokenId encountered, Type=[%u], Id=[%u], Length=[%llu]",
                       static_cast<unsigned>(type), static_cast<unsigned>(id), valueLength);
      } else {
        YQ_LOG_FAILURE("Error while loading token, Type=[%u], Id=[%u], Length=[%llu], error=%s",
                       static_cast<unsigned>(type), static_cast<unsigned>(id), valueLength,
                       err.AsString().c_str());
        return err.Push(YQ_LOC);
      }
    }
    offset = valueStart + static_cast<size_t>(valueLength);
  }
  return CYqError();
}

CYqError CSerializedBase::LoadItem(DWORD, DWORD type, DWORD id, const char* data, size_t length) {
  const char* text = ValueText(data, length);
  const FXCodeLocation here = YQ_LOC;
  auto invalid = [&]() {
    return FXErrorUtil::ErrorWin32(here, 13,
                                   "Token value does not decode, Type=[%u], Id=[%u], Length=[%llu]",
                                   type, id, static_cast<unsigned long long>(length));
  };
  // Numbers of the argument's type.
  auto number = [&](auto value) {
    return ParseDecimal(text, value) ? LoadToken(id, value) : invalid();
  };
  switch (type) {
    case TOKEN_TYPE_BYTES:
      return LoadToken(id, reinterpret_cast<const BYTE*>(data), length);
    case TOKEN_TYPE_CHARS:
      return LoadToken(id, data, length);
    case TOKEN_TYPE_STRING:
      // Everything before the terminating zero, so that inner zero bytes survive.
      if (length == 0 || data[length - 1] != '\0') break;
      return LoadToken(id, std::string(data, length - 1));
    case TOKEN_TYPE_WSTRING: {
      const size_t units = length / sizeof(wchar_t);
      if (units == 0 || length % sizeof(wchar_t) != 0) break;
      std::wstring value(units - 1, L'\0');
      std::memcpy(&value[0], data, (units - 1) * sizeof(wchar_t));
      wchar_t last = 0;
      std::memcpy(&last, data + length - sizeof(wchar_t), sizeof(wchar_t));
      if (last != L'\0') break;
      return LoadToken(id, value);
    }
    case TOKEN_TYPE_INT:
      return number(int());
    case TOKEN_TYPE_UINT:
      return number(UINT());
    case TOKEN_TYPE_LONGLONG:
      return number(LONGLONG());
    case TOKEN_TYPE_ULONGLONG:
      return number(ULONGLONG());
    case TOKEN_TYPE_BOOL: {
      LONGLONG value = 0;
      if (ParseDecimal(text, value)) return LoadToken(id, value != 0);
      break;
    }
    case TOKEN_TYPE_FILETIME: {
      ULONGLONG ticks = 0;
      if (!ParseDecimal(text, ticks)) break;
      FILETIME value;
      value.dwLowDateTime = static_cast<DWORD>(ticks);
      value.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
      return LoadToken(id, value);
    }
    case TOKEN_TYPE_UUID: {
      UUID value;
      if (FXMisc::ConvertStringToUuid(text, value).Succeeded()) return LoadToken(id, value);
      break;
    }
    case TOKEN_TYPE_LUID: {
      LUID value;
      if (FXMisc::ConvertStringToLuid(text, value).Succeeded()) return LoadToken(id, value);
      break;
    }
    default:
      return FXErrorUtil::ErrorWin32(YQ_LOC, 160, "Type=[%u], Id=[%u]", type, id);
  }
  return invalid();
}

CYqError CSerializedBase::LoadToken(DWORD, const BYTE*, size_t) {
  return FXErrorUtil::ErrorWin32(YQ_LOC, 1608);
}
CYqError CSerializedBase::LoadToken(DWORD, const char*, size_t) {
  return FXErrorUtil::ErrorWin32(YQ_LOC, 1608);
}
CYqError CSerializedBase::LoadToken(DWORD, const std::string&) {
  return FXErrorUtil::ErrorWin32(YQ_LOC, 1608);
}
CYqError CSerializedBase::LoadToken(DWORD, const std::wstring&) {
  return FXErrorUtil::ErrorWin32(YQ_LOC, 1608);
}
CYqError CSerializedBase::LoadToken(DWORD, int) { return FXErrorUtil::ErrorWin32(YQ_LOC, 1608); }
CYqError CSerializedBase::LoadToken(DWORD, UINT) { return FXErrorUtil::ErrorWin32(YQ_LOC, 1608); }
CYqError CSerializedBase::LoadToken(DWORD, LONGLONG) {
  return FXErrorUtil::ErrorWin32(YQ_LOC, 1608);
}
CYqError CSerializedBase::LoadToken(DWORD, ULONGLONG) {
  return FXErrorUtil::ErrorWin32(YQ_LOC, 1608);
}
CYqError CSerializedBase::LoadToken(DWORD, bool) { return FXErrorUtil::ErrorWin32(YQ_LOC, 1608); }
CYqError CSerializedBase::LoadToken(DWORD, const FILETIME&) {
  return FXErrorUtil::ErrorWin32(YQ_LOC, 1608);
}
CYqError CSerializedBase::LoadToken(DWORD, const UUID&) {
  return FXErrorUtil::ErrorWin32(YQ_LOC, 1608);
}
CYqError CSerializedBase::LoadToken(DWORD, const LUID&) {
  return FXErrorUtil::ErrorWin32(YQ_LOC, 1608);
}
CYqError CSerializedBase::LoadToken(DWORD, PSID) { return FXErrorUtil::ErrorWin32(YQ_LOC, 1608); }

// Each writer below pushes its own location on failure, so that the chain names the value
// type that could not be written.

CYqError CSerializedBase::AddToken(CSerializedBuffer* buffer, DWORD id, const char* data,
                                   size_t length) {
  CYqError err = Append(buffer, id, TOKEN_TYPE_CHARS, data, length);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CSerializedBase::AddToken(CSerializedBuffer* buffer, DWORD id, const char* text) {
  if (text == nullptr) return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "No text");
  CYqError err = AppendText(buffer, id, TOKEN_TYPE_STRING, text);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CSerializedBase::AddToken(CSerializedBuffer* buffer, DWORD id, const wchar_t* text) {
  if (text == nullptr) return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "No text");
  CYqError err = Append(buffer, id, TOKEN_TYPE_WSTRING, reinterpret_cast<const char*>(text),
                        (std::wcslen(text) + 1) * sizeof(wchar_t));
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CSerializedBase::AddToken(CSerializedBuffer* buffer, DWORD id, const std::string& value) {
  CYqError err = Append(buffer, id, TOKEN_TYPE_STRING, value.c_str(), value.size() + 1);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CSerializedBase::AddToken(CSerializedBuffer* buffer, DWORD id, const std::wstring& value) {
  CYqError err =
      Append(buffer, id, TOKEN_TYPE_WSTRING, reinterpret_cast<const char*>(value.c_str()),
             (value.size() + 1) * sizeof(wchar_t));
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CSerializedBase::AddToken(CSerializedBuffer* buffer, DWORD id, int value) {
  char text[kNumberText];
  std::snprintf(text, sizeof text, "%d", value);
  CYqError err = AppendText(buffer, id, TOKEN_TYPE_INT, text);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CSerializedBase::AddToken(CSerializedBuffer* buffer, DWORD id, UINT value) {
  char text[kNumberText];
  std::snprintf(text, sizeof text, "%u", value);
  CYqError err = AppendText(buffer, id, TOKEN_TYPE_UINT, text);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CSerializedBase::AddToken(CSerializedBuffer* buffer, DWORD id, LONGLONG value) {
  char text[kNumberText];
  std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
  CYqError err = AppendText(buffer, id, TOKEN_TYPE_LONGLONG, text);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CSerializedBase::AddToken(CSerializedBuffer* buffer, DWORD id, ULONGLONG value) {
  char text[kNumberText];
  std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(value));
  CYqError err = AppendText(buffer, id, TOKEN_TYPE_ULONGLONG, text);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CSerializedBase::AddToken(CSerializedBuffer* buffer, DWORD id, bool value) {
  CYqError err = AppendText(buffer, id, TOKEN_TYPE_BOOL, value ? "1" : "0");
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CSerializedBase::AddToken(CSerializedBuffer* buffer, DWORD id, const FILETIME& value) {
  char text[kNumberText];
  std::snprintf(
      text, sizeof text, "%llu",
      (static_cast<unsigned long long>(value.dwHighDateTime) << 32) | value.dwLowDateTime);
  CYqError err = AppendText(buffer, id, TOKEN_TYPE_FILETIME, text);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CSerializedBase::AddToken(CSerializedBuffer* buffer, DWORD id, const UUID& value) {
  CYqError err = AppendText(buffer, id, TOKEN_TYPE_UUID, FXString::AsString(value).c_str());
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CSerializedBase::AddToken(CSerializedBuffer* buffer, DWORD id, const LUID& value) {
  CYqError err = AppendText(buffer, id, TOKEN_TYPE_LUID, FXString::AsString(value).c_str());
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CSerializedBase::AddToken(CSerializedBuffer* buffer, DWORD id,
                                   const std::list<std::string>& values) {
  for (const std::string& value : values) {
    CYqError err = AddToken(buffer, id, value);
    if (err.Failed()) return err.Push(YQ_LOC);
  }
  return CYqError();
}

CYqError CSerializedBase::AddToken(CSerializedBuffer*, DWORD, PSID) {
  return FXErrorUtil::ErrorWin32(YQ_LOC, 50);
}

CSerializedContext::~CSerializedContext() = default;

std::string CSerializedContext::AsSerialized() const { return std::string(); }
