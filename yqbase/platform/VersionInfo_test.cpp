#include "yqbase/platform/VersionInfo.h"

#include <gtest/gtest.h>

#include "yqbase/errors/ErrorUtil.h"

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
