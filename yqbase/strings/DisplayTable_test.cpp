#include "yqbase/strings/DisplayTable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

const _DISPLAY_ENUM_INFO_TABLE kEnum[] = {
    {0, "ZERO", L"ZERO"},           {2, "TWO", L"TWO"},      {2, "SECOND_TWO", L"SECOND_TWO"},
    {0xFFFFFFFF, "ALL", L"ALL"},    {5, "NO_WIDE", nullptr}, {0, nullptr, nullptr},
    {7, "AFTER_END", L"AFTER_END"},
};
const _DISPLAY_ENUM_INFO_TABLE kEmptyEnum[] = {{0, nullptr, nullptr}};

// A two-bit field in bits 0-1, a single bit 4, and a bit 8 whose rows overlap.
const _DISPLAY_BITS_INFO_TABLE kBits[] = {
    {0, 0x3, "FIELD0", L"FIELD0"},   {1, 0x3, "FIELD1", L"FIELD1"},
    {3, 0x3, "FIELD3", L"FIELD3"},   {0x10, 0x10, "BIT4", L"BIT4"},
    {0x100, 0x100, "BIT8", L"BIT8"}, {0x110, 0x110, "BIT4AND8", L"BIT4AND8"},
    {0, 0, nullptr, nullptr},        {0x1000, 0x1000, "AFTER_END", L"AFTER_END"},
};
const _DISPLAY_BITS_INFO_TABLE kEmptyBits[] = {{0, 0, nullptr, nullptr}};

}  // namespace

TEST(CDisplayEnumBase, Renders) {
  struct Case {
    const _DISPLAY_ENUM_INFO_TABLE* table;
    unsigned long value;
    const char* expected;
  };
  const Case cases[] = {
      {kEnum, 0, "ZERO (0)"},
      {kEnum, 2, "TWO (2)"},  // the first row with the value wins
      {kEnum, 0xFFFFFFFF, "ALL (4294967295)"},
      {kEnum, 7, "VALUE_NOT_FOUND (7)"},  // rows after the terminator are not read
      {kEmptyEnum, 0, "VALUE_NOT_FOUND (0)"},
      {nullptr, 3, "VALUE_NOT_FOUND (3)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(c.expected, CDisplayEnumBase::AsString(c.table, c.value));
    EXPECT_EQ(c.expected, Narrow(CDisplayEnumBase::AsWstring(c.table, c.value)));
  }
  // A row without a wide name renders an empty wide name.
  EXPECT_EQ("NO_WIDE (5)", CDisplayEnumBase::AsString(kEnum, 5));
  EXPECT_EQ(L" (5)", CDisplayEnumBase::AsWstring(kEnum, 5));
}

TEST(CDisplayBitsBase, Renders) {
  struct Case {
    const _DISPLAY_BITS_INFO_TABLE* table;
    unsigned long value;
    const char* expected;
  };
  const Case cases[] = {
      {kBits, 0, "FIELD0 (0x0)"},
      {kBits, 1, "FIELD1 (0x1)"},
      {kBits, 2, "VALUE_NOT_FOUND(0x2) (0x2)"},  // a field value without a name
      {kBits, 0x13, "FIELD3+BIT4 (0x13)"},
      {kBits, 0x110, "FIELD0+BIT4+BIT8+BIT4AND8 (0x110)"},
      {kBits, 0x1001, "FIELD1+VALUE_NOT_FOUND(0x1000) (0x1001)"},
      {kBits, 0xFFFFFFFF, "FIELD3+BIT4+BIT8+BIT4AND8+VALUE_NOT_FOUND(0xFFFFFEEC) (0xFFFFFFFF)"},
      {kEmptyBits, 0, "(0x0)"},
      {kEmptyBits, 0x21, "VALUE_NOT_FOUND(0x21) (0x21)"},
      {nullptr, 0, "(0x0)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(c.expected, CDisplayBitsBase::AsString(c.table, c.value));
    EXPECT_EQ(c.expected, Narrow(CDisplayBitsBase::AsWstring(c.table, c.value)));
  }
}
