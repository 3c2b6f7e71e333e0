#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <utility>

#include "yqbase/errors/ErrorMessage.h"
#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/platform/LogonCredentials.h"
#include "yqbase/platform/VersionInfo.h"
#include "yqbase/strings/StringExtensions.h"

// Only the braced form with exactly the right hexadecimal digits is an identifier.
TEST(FXMisc, ConvertStringToUuidAcceptsOnlyTheBracedForm) {
  const char* good[] = {"{01234567-89AB-CDEF-0123-456789ABCDEF}",
                        "{01234567-89ab-cdef-0123-456789abcdef}"};
  const char* bad[] = {"01234567-89AB-CDEF-0123-456789ABCDEF",
                       "{01234567-89AB-CDEF-0123-456789ABCDEF)",
                       "{0123456-789AB-CDEF-0123-456789ABCDEF}",
                       "{01234567-89AB-CDEF-0123-456789ABCDEG}",
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

TEST(CLogonCredentials, TextFormMasksThePassword) {
  EXPECT_EQ("CORP\\backup password: ********", CLogonCredentials("backup", "CORP", "s").AsString());
  EXPECT_EQ("guest password: (none)", CLogonCredentials("guest", "", "").AsString());
}

// Copies are independent; a moved-from or cleared object keeps no password.
TEST(CLogonCredentials, CopyMoveAndClear) {
  const std::string longPassword = "a-long-password-that-needs-the-heap-0123456789";
  CLogonCredentials a("u", "d", longPassword);
  CLogonCredentials b = a;
  b.SetPassword("short");
  EXPECT_EQ(longPassword, a.GetPassword());
  EXPECT_EQ("short", b.GetPassword());

  CLogonCredentials c = std::move(a);
  b = std::move(c);
  EXPECT_EQ(longPassword, b.GetPassword());
  EXPECT_TRUE(a.GetPassword().empty());  // NOLINT(bugprone-use-after-move)
  EXPECT_TRUE(c.GetPassword().empty());  // NOLINT(bugprone-use-after-move)

  b.Clear();
  EXPECT_TRUE(b.IsEmpty() && b.GetPassword().empty() && b.GetDomain().empty());
}

// Parse takes the whole text, ParsePrefix the leading digits and dots (kernel releases).
TEST(CVersionInfo, ParseFillsMissingPartsAndRejectsBadText) {
  struct Row {
    const char* text;
    const char* printed;  // null: Win32 87
  };
  const Row whole[] = {{"1.2.3.4", "1.2.3.4"},  {"10.0", "10.0.0.0"},
                       {"007.010", "7.10.0.0"}, {"4294967295.0", "4294967295.0.0.0"},
                       {"4294967296", nullptr}, {"", nullptr},
                       {"1.", nullptr},         {".1", nullptr},
                       {"1..2", nullptr},       {"1.2.3.4.5", nullptr},
                       {"-1", nullptr},         {"1.2a", nullptr}};
  const Row prefix[] = {{"6.1.0-13-amd64", "6.1.0.0"},
                        {"5.15.0.", "5.15.0.0"},
                        {"3.10.0.1160.el7.x86_64", "3.10.0.1160"},
                        {"generic", nullptr}};
  auto check = [](const Row& row, bool isPrefix) {
    SCOPED_TRACE(row.text);
    CVersionInfo v(9, 9, 9, 9);
    const CYqError err = isPrefix ? v.ParsePrefix(row.text) : v.Parse(row.text);
    EXPECT_TRUE(row.printed ? err.Succeeded() : FXErrorUtil::IsWin32(err, 87));
    EXPECT_EQ(row.printed ? row.printed : "9.9.9.9", v.AsString());  // unchanged on failure
  };
  for (const Row& row : whole) check(row, false);
  for (const Row& row : prefix) check(row, true);
}

// Parts compare as numbers, major first, not as text.
TEST(CVersionInfo, CompareIsNumericAndOrdered) {
  const char* ordered[] = {"0", "0.0.0.1", "0.1", "1", "1.2", "1.2.0.1", "1.10", "2", "10.0"};
  const size_t n = sizeof ordered / sizeof ordered[0];
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      SCOPED_TRACE(std::string(ordered[i]) + " vs " + ordered[j]);
      CVersionInfo a, b;
      ASSERT_TRUE(a.Parse(ordered[i]).Succeeded() && b.Parse(ordered[j]).Succeeded());
      EXPECT_EQ(i < j, a < b);
      EXPECT_EQ(i == j, a == b);
      EXPECT_EQ(i > j, a > b);
      EXPECT_EQ(i <= j, a <= b);
    }
  }
  EXPECT_EQ(3u, CVersionInfo(1, 2, 3, 4).GetPart(2));
  EXPECT_EQ(0u, CVersionInfo(1, 2, 3, 4).GetPart(4));
}
