#include "yqbase/errors/Win32Error.h"

#include <cstdio>
#include <cwchar>

namespace {

#define YQ_W32_ROW(code, name, message) {code, #name, L## #name, message, L##message, 0}

const EWin32Error::SRow s_dtWin32Error[] = {
    YQ_W32_ROW(0, ERROR_SUCCESS, "The operation completed successfully."),
    YQ_W32_ROW(50, ERROR_NOT_SUPPORTED, "The request is not supported."),
    YQ_W32_ROW(87, ERROR_INVALID_PARAMETER, "The parameter is incorrect."),
    YQ_W32_ROW(111, ERROR_BUFFER_OVERFLOW, "The file name is too long."),
    YQ_W32_ROW(122, ERROR_INSUFFICIENT_BUFFER,
               "The data area passed to a system call is too small."),
    YQ_W32_ROW(582, ERROR_ILLEGAL_CHARACTER,
               "An illegal character was encountered. For a multi-byte character set this "
               "includes a lead byte without a succeeding trail byte. For the Unicode character "
               "set this includes the characters 0xFFFF and 0xFFFE."),
    YQ_W32_ROW(774, ERROR_ERRORS_ENCOUNTERED,
               "One or more errors occurred while processing the request."),
    {0, nullptr, nullptr, nullptr, nullptr, 0},
};

#undef YQ_W32_ROW

const EWin32Error::SRow* FindRow(unsigned int code) {
  for (const EWin32Error::SRow* row = s_dtWin32Error; row->message != nullptr; ++row)
    if (row->code == code) return row;
  return nullptr;
}

}  // namespace

const EWin32Error::SRow* EWin32Error::Table() { return s_dtWin32Error; }

std::string EWin32Error::AsString(unsigned int code) {
  char suffix[32];
  const SRow* row = FindRow(code);
  if (row == nullptr) {
    std::snprintf(suffix, sizeof suffix, " (%lu)", static_cast<unsigned long>(code));
    return std::string("VALUE_NOT_FOUND") + suffix;
  }
  std::string text = row->message;
  text += " (";
  if (row->name != nullptr) text += row->name;
  std::snprintf(suffix, sizeof suffix, ".%lu)", static_cast<unsigned long>(code));
  return text + suffix;
}

std::wstring EWin32Error::AsWstring(unsigned int code) {
  wchar_t suffix[32];
  const SRow* row = FindRow(code);
  if (row == nullptr) {
    std::swprintf(suffix, 32, L" (%lu)", static_cast<unsigned long>(code));
    return std::wstring(L"VALUE_NOT_FOUND") + suffix;
  }
  std::wstring text = row->wmessage;
  text += L" (";
  if (row->wname != nullptr) text += row->wname;
  std::swprintf(suffix, 32, L".%lu)", static_cast<unsigned long>(code));
  return text + suffix;
}
