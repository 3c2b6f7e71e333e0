#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "yqbase/errors/ErrorMessage.h"
#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/strings/StringExtensions.h"

TEST(FXMisc, ConvertStringToUuidAcceptsOnlyTheBracedForm) {
  struct Row {
    const char* text;
    bool ok;
  };
  const Row rows[] = {
      {"{01234567-89AB-CDEF-0123-456789ABCDEF}", true},
      {"{01234567-89ab-cdef-0123-456789abcdef}", true},
      {"{00000000-0000-0000-0000-000000000000}", true},
      {"01234567-89AB-CDEF-0123-456789ABCDEF", false},
      {"{01234567-89AB-CDEF-0123-456789ABCDEF", false},
      {"{01234567-89AB-CDEF-0123-456789ABCDEF}x", false},
      {"{0123456-789AB-CDEF-0123-456789ABCDEF}", false},
      {"{01234567-89AB-CDEF-0123-456789ABCDEG}", false},
      {"{ 1234567-89AB-CDEF-0123-456789ABCDEF}", false},
      {"", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    UUID uuid{};
    const CYqError err = FXMisc::ConvertStringToUuid(row.text, uuid);
    EXPECT_EQ(row.ok, err.Succeeded());
    if (row.ok) {
      EXPECT_STRCASEEQ(row.text, FXString::AsString(uuid).c_str());
    } else {
      EXPECT_TRUE(FXErrorUtil::IsWin32(err, 87));
    }
  }
  UUID uuid{};
  EXPECT_TRUE(FXErrorUtil::IsWin32(FXMisc::ConvertStringToUuid(nullptr, uuid), 87));
}

TEST(FXMisc, ConvertStringToLuidReadsHighThenLow) {
  struct Row {
    const char* text;
    bool ok;
    LONG high;
    DWORD low;
  };
  const Row rows[] = {
      {"(0x0, 0x3E7)", true, 0, 0x3E7}, {"(0xFFFFFFFF, 0xabcdef01)", true, -1, 0xABCDEF01},
      {"(0X1, 0X2)", true, 1, 2},       {"(0x123456789, 0x1)", false, 0, 0},
      {"(0x1,0x2)", false, 0, 0},       {"(0x, 0x2)", false, 0, 0},
      {"(0x1, 0x2", false, 0, 0},       {"(0x1, 0x2) ", false, 0, 0},
      {"0x1, 0x2)", false, 0, 0},       {"", false, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    LUID luid{};
    const CYqError err = FXMisc::ConvertStringToLuid(row.text, luid);
    ASSERT_EQ(row.ok, err.Succeeded());
    if (!row.ok) {
      EXPECT_TRUE(FXErrorUtil::IsWin32(err, 87));
      continue;
    }
    EXPECT_EQ(row.high, luid.HighPart);
    EXPECT_EQ(row.low, luid.LowPart);
  }
}

// A new identifier is a version 4 one, reads back from its text, and is not repeated.
TEST(FXMisc, CreateUuidRoundTripsAndDiffers) {
  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) {
    UUID uuid{};
    ASSERT_TRUE(FXMisc::CreateUuid(uuid).Succeeded());
    const std::string text = FXString::AsString(uuid);
    SCOPED_TRACE(text);
    EXPECT_EQ('4', text[15]);
    EXPECT_NE(nullptr, std::strchr("89AB", text[20]));
    UUID back{};
    ASSERT_TRUE(FXMisc::ConvertStringToUuid(text.c_str(), back).Succeeded());
    EXPECT_EQ(0, std::memcmp(&uuid, &back, sizeof uuid));
    EXPECT_TRUE(seen.insert(text).second);
  }
}

TEST(FXMisc, TickCountAdvancesAtLeastBySleep) {
  const ULONGLONG before = FXMisc::GetTickCount64();
  FXMisc::Sleep(30);
  const ULONGLONG after = FXMisc::GetTickCount64();
  EXPECT_GE(after - before, 30u);
  FXMisc::Sleep(0);
  EXPECT_GE(FXMisc::GetTickCount64(), after);
}
