#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "yqbase/errors/ErrorMessage.h"
#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/strings/StringExtensions.h"

// Only the braced form with exactly the right hexadecimal digits is an identifier.
TEST(FXMisc, ConvertStringToUuidAcceptsOnlyTheBracedForm) {
  const char* good[] = {"{01234567-89AB-CDEF-0123-456789ABCDEF}",
                        "{01234567-89ab-cdef-0123-456789abcdef}"};
  const char* bad[] = {"01234567-89AB-CDEF-0123-456789ABCDEF",
                       "{01234567-89AB-CDEF-0123-456789ABCDEF)",
                       "{0123456-789AB-CDEF-0123-456789ABCDEF}",
                       "{01234567-89AB-CDEF-0123-456789ABCDEG}",
                       "{ 1234567-89AB-CDEF-0123-456789ABCDEF}",
                       "",
                       nullptr};
  for (const char* text : good) {
    UUID uuid{};
    ASSERT_TRUE(FXMisc::ConvertStringToUuid(text, uuid).Succeeded()) << text;
    EXPECT_STRCASEEQ(text, FXString::AsString(uuid).c_str());
  }
  for (const char* text : bad) {
    UUID uuid{};
    EXPECT_TRUE(FXErrorUtil::IsWin32(FXMisc::ConvertStringToUuid(text, uuid), 87))
        << (text ? text : "null");
  }
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
      {"0x1, 0x2)", false, 0, 0},       {"", false, 0, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    LUID luid{};
    const CYqError err = FXMisc::ConvertStringToLuid(row.text, luid);
    EXPECT_TRUE(row.ok ? err.Succeeded() : FXErrorUtil::IsWin32(err, 87));
    EXPECT_EQ(row.high, luid.HighPart);
    EXPECT_EQ(row.low, luid.LowPart);
  }
}

// A new identifier is a version 4 one, reads back from its text, and is not repeated.
TEST(FXMisc, CreateUuidRoundTripsAndDiffers) {
  std::set<std::string> seen;
  for (int i = 0; i < 100; ++i) {
    UUID uuid{}, back{};
    ASSERT_TRUE(FXMisc::CreateUuid(uuid).Succeeded());
    const std::string text = FXString::AsString(uuid);
    EXPECT_TRUE(text[15] == '4' && std::strchr("89AB", text[20]) && seen.insert(text).second)
        << text;
    ASSERT_TRUE(FXMisc::ConvertStringToUuid(text.c_str(), back).Succeeded());
    EXPECT_EQ(0, std::memcmp(&uuid, &back, sizeof uuid));
  }
}

TEST(FXMisc, TickCountAdvancesAtLeastBySleep) {
  const ULONGLONG before = FXMisc::GetTickCount64();
  FXMisc::Sleep(30);
  EXPECT_GE(FXMisc::GetTickCount64() - before, 30u);
}
