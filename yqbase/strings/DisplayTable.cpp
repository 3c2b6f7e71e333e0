#include "yqbase/strings/DisplayTable.h"

#include <cstdio>
#include <cwchar>

namespace {

// Appends printf output to a narrow or wide string; the texts here are short.
void AppendFormat(std::string& out, const char* format, unsigned long value) {
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, format, value);
  if (n > 0) out.append(buffer, static_cast<size_t>(n) < sizeof buffer ? n : sizeof buffer - 1);
}

void AppendFormat(std::wstring& out, const wchar_t* format, unsigned long value) {
  wchar_t buffer[64];
  int n = std::swprintf(buffer, sizeof buffer / sizeof buffer[0], format, value);
  if (n > 0) out.append(buffer, static_cast<size_t>(n));
}

// Picks the narrow or wide member of a row and literal.
inline const char* Name(const _DISPLAY_ENUM_INFO_TABLE& r, char) { return r.name; }
inline const wchar_t* Name(const _DISPLAY_ENUM_INFO_TABLE& r, wchar_t) { return r.wname; }
inline const char* Name(const _DISPLAY_BITS_INFO_TABLE& r, char) { return r.name; }
inline const wchar_t* Name(const _DISPLAY_BITS_INFO_TABLE& r, wchar_t) { return r.wname; }

template <typename Ch>
struct Lit;
template <>
struct Lit<char> {
  static constexpr const char* notFound = "VALUE_NOT_FOUND";
  static constexpr const char* enumValue = " (%lu)";
  static constexpr const char* bitsNotFound = "VALUE_NOT_FOUND(0x%lX)";
  static constexpr const char* bitsWord = "(0x%lX)";
};
template <>
struct Lit<wchar_t> {
  static constexpr const wchar_t* notFound = L"VALUE_NOT_FOUND";
  static constexpr const wchar_t* enumValue = L" (%lu)";
  static constexpr const wchar_t* bitsNotFound = L"VALUE_NOT_FOUND(0x%lX)";
  static constexpr const wchar_t* bitsWord = L"(0x%lX)";
};

template <typename Ch>
std::basic_string<Ch> RenderEnum(const _DISPLAY_ENUM_INFO_TABLE* table, unsigned long value,
                                 const Ch* valueFormat) {
  std::basic_string<Ch> out;
  const _DISPLAY_ENUM_INFO_TABLE* row = table;
  while (row != nullptr && row->name != nullptr && row->value != value) ++row;
  if (row != nullptr && row->name != nullptr) {
    if (const Ch* name = Name(*row, Ch())) out = name;
  } else {
    out = Lit<Ch>::notFound;
  }
  AppendFormat(out, valueFormat, value);
  return out;
}

template <typename Ch>
std::basic_string<Ch> RenderBits(const _DISPLAY_BITS_INFO_TABLE* table, unsigned long value) {
  // Display words are 32 bits wide whatever the width of unsigned long.
  const DWORD word = static_cast<DWORD>(value);
  std::basic_string<Ch> out;
  DWORD explained = 0;
  for (const _DISPLAY_BITS_INFO_TABLE* row = table; row != nullptr && row->name != nullptr;
       ++row) {
    if ((word & row->mask) != row->value) continue;
    if (!out.empty()) out += Ch('+');
    if (const Ch* name = Name(*row, Ch())) out += name;
    explained |= row->value;
  }
  const DWORD unexplained = word & ~explained;
  if (unexplained != 0) {
    if (!out.empty()) out += Ch('+');
    AppendFormat(out, Lit<Ch>::bitsNotFound, unexplained);
  }
  if (!out.empty()) out += Ch(' ');
  AppendFormat(out, Lit<Ch>::bitsWord, word);
  return out;
}

}  // namespace

std::string CDisplayEnumBase::AsString(const _DISPLAY_ENUM_INFO_TABLE* table,
                                       unsigned long value) {
  return RenderEnum<char>(table, value, Lit<char>::enumValue);
}

std::wstring CDisplayEnumBase::AsWstring(const _DISPLAY_ENUM_INFO_TABLE* table,
                                         unsigned long value) {
  return RenderEnum<wchar_t>(table, value, Lit<wchar_t>::enumValue);
}

std::string CDisplayEnumBase::AsString(const _DISPLAY_ENUM_INFO_TABLE* table,
                                       unsigned long value, const char* valueFormat) {
  return RenderEnum<char>(table, value, valueFormat);
}

std::wstring CDisplayEnumBase::AsWstring(const _DISPLAY_ENUM_INFO_TABLE* table,
                                         unsigned long value, const wchar_t* valueFormat) {
  return RenderEnum<wchar_t>(table, value, valueFormat);
}

std::string CDisplayBitsBase::AsString(const _DISPLAY_BITS_INFO_TABLE* table,
                                       unsigned long value) {
  return RenderBits<char>(table, value);
}

std::wstring CDisplayBitsBase::AsWstring(const _DISPLAY_BITS_INFO_TABLE* table,
                                         unsigned long value) {
  return RenderBits<wchar_t>(table, value);
}
