#include "yqbase/errors/ErrorDescriptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "yqbase/errors/ErrorMessage.h"

namespace {

std::string Narrow(const wchar_t* text) {
  const std::wstring wide = text != nullptr ? text : L"";
  return std::string(wide.begin(), wide.end());
}

std::string Hex(unsigned long value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, " (0x%lX)", value);
  return buffer;
}

}  // namespace

// Exactly the primary codes 0 to 28, 100 and 101 have texts, and an extended code shares its
// primary code's text.
TEST(GetSqlErrorDescription, ByLowEightBits) {
  std::set<std::string> texts;
  for (int code = 0; code < 256; ++code) {
    SCOPED_TRACE(code);
    const std::string text = GetSqlErrorDescription(code);
    const bool known = code <= 28 || code == 100 || code == 101;
    EXPECT_EQ(known, text != "Unknown");
    if (known) texts.insert(text);
    EXPECT_EQ(text, GetSqlErrorDescription(code | (37 << 8)));
  }
  EXPECT_EQ(31u, texts.size());
  EXPECT_EQ("Successful result", GetSqlErrorDescription(0));
  EXPECT_EQ("Some kind of disk I/O error occurred", GetSqlErrorDescription(266));
  EXPECT_EQ("Warning", GetSqlErrorDescription(28));
  EXPECT_EQ("sqlite3_step() has finished executing", GetSqlErrorDescription(101));
  EXPECT_EQ("Unknown", GetSqlErrorDescription(29));
  EXPECT_EQ("Unknown", GetSqlErrorDescription(-1));
}

TEST(ESqlErrorTag, EveryRowInOrder) {
  struct Extended {
    int primary;
    int first;
    int last;
  };
  const Extended extended[] = {{1, 1, 3},  {10, 1, 31}, {6, 1, 2}, {5, 1, 2},   {14, 1, 5},
                               {11, 1, 2}, {8, 1, 6},   {4, 2, 2}, {19, 1, 10}, {27, 1, 2},
                               {28, 1, 1}, {23, 1, 1},  {0, 1, 1}};
  std::vector<std::pair<DWORD, std::string>> expected;
  for (int p = 0; p <= 28; ++p) expected.push_back({DWORD(p), std::to_string(p)});
  expected.push_back({100, "100"});
  expected.push_back({101, "101"});
  for (const Extended& e : extended)
    for (int n = e.first; n <= e.last; ++n)
      expected.push_back({DWORD(e.primary | (n << 8)),
                          "(" + std::to_string(e.primary) + " | (" + std::to_string(n) + "<<8))"});
  for (auto& row : expected)
    if (row.first == 2579) row.second = "(19 |(10<<8))";

  const _DISPLAY_ENUM_INFO_TABLE* table = ESqlErrorTag::Table();
  size_t count = 0;
  while (table[count].name != nullptr) ++count;
  ASSERT_EQ(98u, count);
  ASSERT_EQ(expected.size(), count);
  for (size_t i = 0; i < count; ++i) {
    SCOPED_TRACE(expected[i].second);
    EXPECT_EQ(expected[i].first, table[i].value);
    EXPECT_EQ(expected[i].second, table[i].name);
    EXPECT_EQ(expected[i].second, Narrow(table[i].wname));
    EXPECT_EQ(expected[i].second + Hex(expected[i].first),
              GetSqlErrorTag(static_cast<int>(expected[i].first)));
  }
}

TEST(GetSqlErrorTag, KnownAndUnknown) {
  EXPECT_EQ("(19 |(10<<8)) (0xA13)", GetSqlErrorTag(2579));
  EXPECT_EQ("(10 | (1<<8)) (0x10A)", GetSqlErrorTag(266));
  EXPECT_EQ("5 (0x5)", GetSqlErrorTag(5));
  EXPECT_EQ("VALUE_NOT_FOUND (0x1D)", GetSqlErrorTag(29));
  EXPECT_EQ("VALUE_NOT_FOUND (0xFFFFFFFF)", GetSqlErrorTag(-1));
}

TEST(GetErrNoDescription, SystemTexts) {
  for (int code : {0, 1, 2, 13, 22, 110, 404, -1, 100000}) {
    SCOPED_TRACE(code);
    EXPECT_EQ(std::string(std::strerror(code)), GetErrNoDescription(code));
    EXPECT_EQ(GetErrNoDescription(code), GetHttpErrorDescription(code));
  }
}

TEST(FXMisc, FormattedErrorMessageIsOneLine) {
  EXPECT_EQ("Permission denied", FXMisc::GetFormattedErrorMessageAsString(13, 2));
  EXPECT_EQ("Unknown error -2147467259",
            FXMisc::GetFormattedErrorMessageAsString(static_cast<HRESULT>(0x80004005), 2));
  EXPECT_EQ(GetErrNoDescription(5), FXMisc::GetFormattedErrorMessageAsString(5, 0));
}
