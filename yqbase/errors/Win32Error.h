// EWin32Error: the emulated Win32 error table with symbolic names and system message texts.
#pragma once

#include <string>

#include "yqbase/strings/DisplayTable.h"

/// Renders a Win32 error number as its message text, its symbolic name and the number, for
/// example "Access is denied. (ERROR_ACCESS_DENIED.5)"; unknown numbers give
/// "VALUE_NOT_FOUND (4)".
class YQBASE_EXPORT EWin32Error {
 public:
  /// One row of the table; the table ends at a row without a message text.
  struct SRow {
    DWORD code;
    const char* name;
    const wchar_t* wname;
    const char* message;
    const wchar_t* wmessage;
    DWORD spare;
  };

  static std::string AsString(unsigned int code);
  static std::wstring AsWstring(unsigned int code);

  /// The rows in table order, ending with the terminating row.
  static const SRow* Table();
};
