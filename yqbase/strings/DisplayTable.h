// Table-driven display names for enumerations (E...) and bit sets (B...).
#pragma once

#include <string>

#include "yqbase/errors/YqExport.h"
#include "yqbase/errors/YqTypes.h"

/// One named value of an enumeration; a table ends with a row whose narrow name is null.
struct _DISPLAY_ENUM_INFO_TABLE {
  DWORD value;
  const char* name;
  const wchar_t* wname;
};

/// One named bit group of a flag word: it matches when (word & mask) == value. A table ends
/// with a row whose narrow name is null.
struct _DISPLAY_BITS_INFO_TABLE {
  DWORD value;
  DWORD mask;
  const char* name;
  const wchar_t* wname;
};

/// Renders an enumeration value by name: "NAME (%lu)", or "VALUE_NOT_FOUND (%lu)".
class YQBASE_EXPORT CDisplayEnumBase {
 public:
  static std::string AsString(const _DISPLAY_ENUM_INFO_TABLE* table, unsigned long value);
  static std::wstring AsWstring(const _DISPLAY_ENUM_INFO_TABLE* table, unsigned long value);

 protected:
  /// The same with another printf suffix for the value, such as " (0x%X)".
  static std::string AsString(const _DISPLAY_ENUM_INFO_TABLE* table, unsigned long value,
                              const char* valueFormat);
  static std::wstring AsWstring(const _DISPLAY_ENUM_INFO_TABLE* table, unsigned long value,
                                const wchar_t* valueFormat);
};

/// Renders a flag word as its matching names joined by "+", unexplained bits as
/// "VALUE_NOT_FOUND(0x%X)", then " (0x%X)" with the whole word; for example "READONLY+ARCHIVE
/// (0x21)".
class YQBASE_EXPORT CDisplayBitsBase {
 public:
  static std::string AsString(const _DISPLAY_BITS_INFO_TABLE* table, unsigned long value);
  static std::wstring AsWstring(const _DISPLAY_BITS_INFO_TABLE* table, unsigned long value);
};

/// A 32-bit value that prints through the display table of its wrapper type. Converts
/// implicitly from and to its integer, so wrappers are used like the plain values they hold.
template <class Renderer>
class CDisplayValue : public Renderer {
 public:
  CDisplayValue(DWORD value = 0) : m_value(value) {}  // NOLINT: implicit by design
  operator DWORD() const { return m_value; }

 protected:
  DWORD m_value;
};

/// Declares the static renderers of a display type over its own table.
#define YQ_DISPLAY_TYPE_RENDERERS                       \
  static std::string AsString(unsigned long value);   \
  static std::wstring AsWstring(unsigned long value)
