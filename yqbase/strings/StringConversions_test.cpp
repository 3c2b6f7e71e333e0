#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "yqbase/errors/ErrorItem_Win32.h"
#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/strings/StringExtensions.h"

namespace {

constexpr HRESULT kIllegal = static_cast<HRESULT>(0x80070246);  // Win32 582

}  // namespace

TEST(FXString, ConversionsTable) {
  struct {
    const char* name;
    std::wstring wide;
    std::string utf8;
    bool reversible;  // whether UTF8ToUnicode gives `wide` back
  } cases[] = {
      {"empty", L"", "", true},
      {"ASCII", L"C:/backup/set 01.txt", "C:/backup/set 01.txt", true},
      {"Latin-1", L"M\u00FCller", "M\xC3\xBCller", true},
      {"CJK", L"\u4E00\u4E8C", "\xE4\xB8\x80\xE4\xBA\x8C", true},
      {"outside the BMP", L"a\U0001F600b",
       "a\xF0\x9F\x98\x80"
       "b",
       true},
      {"surrogate passes", std::wstring(1, static_cast<wchar_t>(0xD800)), "\xED\xA0\x80", true},
      {"above 0x1FFFFF", std::wstring(1, static_cast<wchar_t>(0x200000)), "\xEF\xBF\xBD", false},
      {"negative unit", std::wstring(1, static_cast<wchar_t>(-1)), "\xEF\xBF\xBD", false},
      // The text ends at the first NUL.
      {"embedded NUL", std::wstring(L"ab\0cd", 5), "ab", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string utf8 = "previous";
    EXPECT_EQ(FXString::UnicodeToUTF8(c.wide, utf8).GetCode(), 0);
    EXPECT_EQ(utf8, c.utf8);
    EXPECT_EQ(FXString::ToString(c.wide), c.utf8);
    EXPECT_EQ(FXString::ToString(c.wide.c_str()), c.utf8.substr(0, c.utf8.find('\0')));
    if (!c.reversible) continue;
    std::wstring wide = L"previous";
    EXPECT_EQ(FXString::UTF8ToUnicode(c.utf8, wide).GetCode(), 0);
    EXPECT_EQ(wide, c.wide);
    EXPECT_EQ(FXString::ToWstring(c.utf8), c.wide);
    EXPECT_EQ(FXString::ToWstring(c.utf8.c_str(), 65001), c.wide);
  }
}

TEST(FXString, UTF8ToUnicodeFailures) {
  struct {
    const char* name;
    std::string utf8;
    const char* cause;
  } cases[] = {
      {"overlong", "abc\xC0\x80", "Invalid character (1), Character=0xC0, Length=2"},
      // The terminating NUL is converted too, so a cut sequence meets it as a bad byte.
      {"cut at the end", "ab\xE2\x82", "Invalid character (3), Character=0x0, Length=3"},
      {"stray continuation", "\x80", "Invalid character (1), Character=0x80, Length=1"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80",
       "Invalid character (2,0xF4), Character=0x90, Length=4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring out = L"previous";
    const CYqError error = FXString::UTF8ToUnicode(c.utf8, out);
    EXPECT_EQ(error.GetCode(), kIllegal);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(FXString::ToWstring(c.utf8).empty());
    EXPECT_TRUE(FXString::ToWstring(c.utf8.c_str()).empty());

    // The caller's location, the converter's description, then the validator's cause.
    const std::vector<FXErrorItemPtr> items = error.GetItems();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_STREQ(items[0]->GetLocation().function,
                 "CYqError FXString::UTF8ToUnicode(const string&, std::wstring&)");
    const auto* cause = dynamic_cast<const FXErrorItemWin32Description*>(items[2].get());
    ASSERT_NE(cause, nullptr);
    EXPECT_EQ(cause->GetDescription(), c.cause);
  }
}

TEST(FXString, ShortcutsOfNullAndCopies) {
  EXPECT_EQ(FXString::ToString(static_cast<const wchar_t*>(nullptr)), "");
  EXPECT_EQ(FXString::ToString(static_cast<const wchar_t*>(nullptr), 0), "");
  EXPECT_EQ(FXString::ToString(static_cast<const char*>(nullptr)), "");
  EXPECT_EQ(FXString::ToWstring(static_cast<const char*>(nullptr)), L"");
  EXPECT_EQ(FXString::ToWstring(static_cast<const wchar_t*>(nullptr), 0), L"");

  // Narrow-to-narrow and wide-to-wide forms copy without validating.
  const std::string notUtf8 = "a\xC0z";
  EXPECT_EQ(FXString::ToString(notUtf8.c_str()), notUtf8);
  EXPECT_EQ(FXString::ToString(notUtf8.c_str(), 1252), notUtf8);
  EXPECT_EQ(FXString::ToString(notUtf8, 1252), notUtf8);
  const std::wstring wide(1, static_cast<wchar_t>(0xDC00));
  EXPECT_EQ(FXString::ToWstring(wide.c_str()), wide);
  EXPECT_EQ(FXString::ToWstring(wide, 0), wide);
  EXPECT_EQ(FXString::ToString(L"x\u00E9", 0), "x\xC3\xA9");
}

// Every scalar value survives wide -> UTF-8 -> wide in one string.
TEST(FXString, RoundTripsEveryScalarValue) {
  std::wstring text;
  for (wchar_t ch = 1; ch <= 0x10FFFF; ++ch)
    if (ch < 0xD800 || ch > 0xDFFF) text.push_back(ch);
  std::string utf8;
  ASSERT_EQ(FXString::UnicodeToUTF8(text, utf8).GetCode(), 0);
  std::wstring back;
  ASSERT_EQ(FXString::UTF8ToUnicode(utf8, back).GetCode(), 0);
  EXPECT_TRUE(back == text);
}
