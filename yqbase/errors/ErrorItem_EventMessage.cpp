#include "yqbase/errors/ErrorItem_EventMessage.h"

#include <strings.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <type_traits>
#include <typeinfo>

#include "yqbase/strings/StringExtensions.h"

namespace {

// Each UnloadAndDisableEventMessageLookup adds one, each EnableEventMessageLookup takes one
// back; look-ups run only at zero or below.
std::atomic<long> s_lEventMessageLookupDisabled{0};

std::string TypeName(const std::type_info& type) {
  const char* name = type.name();
  return name[0] == '*' ? name + 1 : name;
}

// An argument reduced to what printf can take: text, or an integer with its signedness. The
// unsigned form of a signed value keeps the value's own width, so "%x" of int -1 is ffffffff.
struct SArgument {
  enum EKind { kUnknown, kText, kSigned, kUnsigned } kind = kUnknown;
  std::string text;
  long long signedValue = 0;
  unsigned long long unsignedValue = 0;
};

template <typename T>
bool TakeInteger(const boost::any& value, SArgument& argument) {
  if (value.type() != typeid(T)) return false;
  const T v = boost::any_cast<T>(value);
  if (std::is_signed<T>::value) {
    argument.kind = SArgument::kSigned;
    argument.signedValue = static_cast<long long>(v);
    argument.unsignedValue =
        static_cast<unsigned long long>(static_cast<typename std::make_unsigned<T>::type>(v));
  } else {
    argument.kind = SArgument::kUnsigned;
    argument.unsignedValue = static_cast<unsigned long long>(v);
  }
  return true;
}

std::string FromText(const std::string& text) { return text; }
std::string FromText(const char* text) { return text != nullptr ? text : ""; }
std::string FromText(const std::wstring& text) { return FXString::ToString(text); }
std::string FromText(const wchar_t* text) { return FXString::ToString(text); }

// Narrow and wide strings, as objects or as C strings.
template <typename T>
bool TakeText(const boost::any& value, SArgument& argument) {
  if (value.type() != typeid(T)) return false;
  argument.kind = SArgument::kText;
  argument.text = FromText(boost::any_cast<T>(value));
  return true;
}

// Reduces `value`; "unknown=" or "exception=" with the type's name when it cannot.
SArgument Classify(const boost::any& value) {
  SArgument argument;
  try {
    if (TakeText<std::string>(value, argument) || TakeText<const char*>(value, argument) ||
        TakeText<char*>(value, argument) || TakeText<std::wstring>(value, argument) ||
        TakeText<const wchar_t*>(value, argument) || TakeText<wchar_t*>(value, argument) ||
        TakeInteger<char>(value, argument) || TakeInteger<short>(value, argument) ||
        TakeInteger<int>(value, argument) || TakeInteger<long>(value, argument) ||
        TakeInteger<long long>(value, argument) || TakeInteger<unsigned char>(value, argument) ||
        TakeInteger<unsigned short>(value, argument) ||
        TakeInteger<unsigned int>(value, argument) || TakeInteger<unsigned long>(value, argument) ||
        TakeInteger<unsigned long long>(value, argument))
      return argument;
    argument.text = "unknown=" + TypeName(value.type());
  } catch (const boost::bad_any_cast&) {
    argument = SArgument();
    argument.text = "exception=" + TypeName(value.type());
  }
  argument.kind = SArgument::kUnknown;
  return argument;
}

std::string PlainText(const SArgument& argument) {
  switch (argument.kind) {
    case SArgument::kSigned:
      return FXString::Format("%lld", argument.signedValue);
    case SArgument::kUnsigned:
      return FXString::Format("%llu", argument.unsignedValue);
    default:
      return argument.text;
  }
}

// Splits a printf conversion "%[flags][width][.precision][length]conversion" into its
// prefix (without the length) and conversion; false for anything else, such as "*" widths
// that would read arguments that are not there.
bool ParseConversion(const std::string& fieldFormat, std::string& prefix, char& conversion) {
  if (fieldFormat.empty() || fieldFormat[0] != '%') return false;
  size_t i = 1;
  while (i < fieldFormat.size() && std::strchr("-+ #0", fieldFormat[i]) != nullptr) ++i;
  while (i < fieldFormat.size() && fieldFormat[i] >= '0' && fieldFormat[i] <= '9') ++i;
  if (i < fieldFormat.size() && fieldFormat[i] == '.') {
    ++i;
    while (i < fieldFormat.size() && fieldFormat[i] >= '0' && fieldFormat[i] <= '9') ++i;
  }
  prefix = fieldFormat.substr(0, i);
  while (i < fieldFormat.size() && std::strchr("hljztLq", fieldFormat[i]) != nullptr) ++i;
  if (i + 1 != fieldFormat.size()) return false;
  conversion = fieldFormat[i];
  return std::strchr("diouxXcs", conversion) != nullptr;
}

}  // namespace

FXErrorItemEventMessage::FXErrorItemEventMessage(const FXCodeLocation& location, int id,
                                                 const std::vector<boost::any>& arguments)
    : FXErrorItemTyped(location, id) {
  m_parameters = arguments;
}

FXErrorItemEventMessage::~FXErrorItemEventMessage() = default;

FXErrorItemPtr FXErrorItemEventMessage::Copy() const {
  return FXErrorUtil::MakeItem<FXErrorItemEventMessage>(m_location, m_code, m_parameters);
}

unsigned int FXErrorItemEventMessage::Category(int id) {
  const DWORD bits = static_cast<DWORD>(id);
  return (bits & 0x20000u) != 0 ? (bits >> 18) & 0x1FFFu : (bits >> 24) & 0x7Fu;
}

std::string FXErrorItemEventMessage::NumbersText() const {
  return FXString::Format("0x%08X.%u:%u", static_cast<unsigned int>(m_code), Category(m_code),
                          MessageNumber(m_code));
}

std::string FXErrorItemEventMessage::MessageText() const {
  std::string text;
  if (GetRawString(m_code, text, 2).Failed()) return std::string();
  UpdateArguments(text);
  return text;
}

std::string FXErrorItemEventMessage::DetailText() const {
  const std::string text = MessageText();
  if (text.empty()) return "/EventMessage." + NumbersText();
  return "/EventMessage." + NumbersText() + ".(" + text + ")";
}

std::string FXErrorItemEventMessage::LineText(const std::string* description) const {
  if (description == nullptr) return FXErrorUtil::OneLineText(MessageText(), "", "");
  return FXErrorUtil::OneLineText(MessageText(), *description,
                                  " (EventMessage." + NumbersText() + ")");
}

CYqError FXErrorItemEventMessage::GetRawString(int, std::string& text, DWORD) {
  // Message texts come from a message library that exists only on Windows.
  text.clear();
  return FXErrorUtil::ErrorWin32(YQ_LOC, 50);
}

std::string FXErrorItemEventMessage::GetArgument(unsigned int n) const {
  if (n == 0 || n > m_parameters.size()) return std::string();
  return PlainText(Classify(m_parameters[n - 1]));
}

std::string FXErrorItemEventMessage::GetArgument(unsigned int n, const std::string& format) const {
  if (n == 0 || n > m_parameters.size()) return std::string();
  const SArgument argument = Classify(m_parameters[n - 1]);
  std::string prefix;
  char conversion = 0;
  if (!ParseConversion(format, prefix, conversion)) return PlainText(argument);
  if (conversion == 's')
    return FXString::Format((prefix + "s").c_str(), PlainText(argument).c_str());
  switch (argument.kind) {
    case SArgument::kSigned:
      if (conversion == 'd' || conversion == 'i')
        return FXString::Format((prefix + "ll" + conversion).c_str(), argument.signedValue);
      if (conversion == 'c')
        return FXString::Format((prefix + "c").c_str(), static_cast<int>(argument.signedValue));
      return FXString::Format((prefix + "ll" + conversion).c_str(), argument.unsignedValue);
    case SArgument::kUnsigned:
      if (conversion == 'c')
        return FXString::Format((prefix + "c").c_str(), static_cast<int>(argument.unsignedValue));
      return FXString::Format((prefix + "ll" + conversion).c_str(), argument.unsignedValue);
    default:
      return PlainText(argument);
  }
}

std::string FXErrorItemEventMessage::GetFormattedField(unsigned int n,
                                                       const std::string& fieldFormat) const {
  if (n == 0 || n > m_parameters.size())
    return FXString::Format("--Missing-Argument-%llu--", static_cast<unsigned long long>(n));
  if (fieldFormat.empty() || fieldFormat[0] != '%' || strcasecmp(fieldFormat.c_str(), "a") == 0 ||
      strcasecmp(fieldFormat.c_str(), "s") == 0 || strcasecmp(fieldFormat.c_str(), "%s") == 0)
    return GetArgument(n);
  return GetArgument(n, fieldFormat);
}

void FXErrorItemEventMessage::UpdateArguments(std::string& text) const {
  if (m_parameters.empty() || text.empty()) return;
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    const size_t caret = text.find('^', i);
    if (caret == std::string::npos || caret + 1 >= text.size()) {
      out.append(text, i, std::string::npos);
      break;
    }
    out.append(text, i, caret - i);
    size_t next = caret + 1;
    if (text[next] == '^') {
      out += '^';
      i = next + 1;
      continue;
    }
    // At most nine digits, so that the number cannot overflow.
    unsigned int n = 0;
    size_t digits = 0;
    while (next < text.size() && text[next] >= '0' && text[next] <= '9' && digits < 9) {
      n = n * 10 + static_cast<unsigned int>(text[next] - '0');
      ++next;
      ++digits;
    }
    if (digits == 0) {
      out += '^';
      i = caret + 1;
      continue;
    }
    std::string fieldFormat;
    if (next < text.size() && text[next] == '!') {
      const size_t close = text.find('!', next + 1);
      if (close != std::string::npos) {
        fieldFormat = text.substr(next + 1, close - next - 1);
        next = close + 1;
      }
    }
    out += GetFormattedField(n, fieldFormat);
    i = next;
  }
  text.swap(out);
}

CYqError FXErrorUtil::EnableEventMessageLookup() {
  s_lEventMessageLookupDisabled.fetch_sub(1);
  return CYqError();
}

CYqError FXErrorUtil::UnloadAndDisableEventMessageLookup() {
  // No message library is ever loaded on this platform, so there is no handle to release.
  s_lEventMessageLookupDisabled.fetch_add(1);
  return CYqError();
}

bool FXErrorUtil::IsEventMessageLookupEnabled() {
  return s_lEventMessageLookupDisabled.load() <= 0;
}
