// Texts of native error numbers: errno and HTTP through the C library, SQLite result codes
// from their own tables.
#pragma once

#include <string>

#include "yqbase/strings/DisplayTable.h"

/// The C library's text for an errno value (its strerror text); empty if it has none.
YQBASE_EXPORT std::string GetErrNoDescription(int code);
/// The same C library text: HTTP status numbers get whatever the system says for that number.
YQBASE_EXPORT std::string GetHttpErrorDescription(int code);

/// The description of an SQLite result code, chosen by its low 8 bits (the primary code);
/// "Unknown" for numbers SQLite does not define.
YQBASE_EXPORT std::string GetSqlErrorDescription(int code);
/// The symbolic form of an SQLite result code, "(10 | (1<<8)) (0x10A)" for an extended code,
/// "5 (0x5)" for a primary one, "VALUE_NOT_FOUND (0x1D)" for an unknown one.
YQBASE_EXPORT std::string GetSqlErrorTag(int code);

/// The table behind GetSqlErrorTag: primary and extended SQLite result codes named by the
/// expression that forms them. Rendered with " (0x%X)".
class YQBASE_EXPORT ESqlErrorTag : public CDisplayEnumBase {
 public:
  YQ_DISPLAY_TYPE_RENDERERS;
  /// The rows in table order, ending with a row without a name.
  static const _DISPLAY_ENUM_INFO_TABLE* Table();
};
