#include "yqbase/strings/StringExtensions.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <cwchar>
#include <list>
#include <string>
#include <utility>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"

namespace {

// The ASCII text as a wide string, to run one table through both forms.
std::wstring W(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::vector<std::wstring> W(const std::vector<std::string>& items) {
  std::vector<std::wstring> out;
  for (const std::string& item : items) out.push_back(W(item));
  return out;
}

// With the format "%s" the first buffer holds 2 * 2 + 512 bytes and later ones grow by 16384
// while they stay within 131071 bytes; the last one tried holds 516 + 7 * 16384 bytes and is
// formatted with a limit one byte smaller, so its text is at most 115202 characters.
constexpr size_t kLargestFormatted = 115202;

// The text of a formatting that must succeed.
template <typename... Args>
std::string Formatted(const char* format, Args... args) {
  std::string out;
  EXPECT_EQ(FXString::Format(out, format, args...).GetCode(), 0) << format;
  return out;
}

// Texts up to the largest buffer come out whole; longer ones keep the text that fitted and
// report code 111.
TEST(FXStringFormat, TextsUpToTheLargestBufferComeOutWhole) {
  // 514 characters fit the first attempt; 515 (= 2 * strlen(format) + 511) needs a second.
  for (size_t length : {size_t(0), size_t(1), size_t(514), size_t(515), size_t(516), size_t(16899),
                        size_t(16900), kLargestFormatted, kLargestFormatted + 1, size_t(200000)}) {
    SCOPED_TRACE(length);
    const bool fits = length <= kLargestFormatted;
    std::string text(length, 'x');
    if (!fits) text[kLargestFormatted - 1] = 'z';  // the last character that survives
    const std::string kept = text.substr(0, kLargestFormatted);
    std::string out = "left over";
    CYqError error = FXString::Format(out, "%s", text.c_str());
    EXPECT_EQ(out, kept);
    EXPECT_EQ(FXString::Format("%s", text.c_str()), fits ? text : "[BUFFEROVERFLOW] " + kept);
    EXPECT_EQ(static_cast<DWORD>(error.GetCode()), fits ? 0u : 0x8007006Fu);
    const std::string chain = error.AsString();
    EXPECT_TRUE(fits ||
                chain.find("{FXString::Format(195)} + {FXString::FormatArgList(299)/W32.111.") !=
                    std::string::npos)
        << chain;
  }
}

TEST(FXStringFormat, ExactFitOfTheFirstBufferWithLiteralText) {
  const char* format = "size=%s!";  // strlen 8: the first buffer holds 528 bytes
  const std::string arg(2 * std::strlen(format) + 511 - 6, 'a');
  const std::string expected = "size=" + arg + "!";
  ASSERT_EQ(expected.size(), 2 * std::strlen(format) + 511);
  std::string out;
  EXPECT_TRUE(FXString::Format(out, format, arg.c_str()).Succeeded());
  EXPECT_EQ(out, expected);
}

// Formats that can widen their input take another path; it must give the same texts, whole
// when they fit and cut at the largest buffer when not (a huge width took seconds per call).
TEST(FXStringFormat, WidthsFromArgumentsAndLongDigitRuns) {
  const std::pair<std::string, const char*> fits[] = {
      {Formatted("[%*d]", 5, 7), "[    7]"},
      {Formatted("[%.*s]", 2, "abc"), "[ab]"},
      {Formatted("[%0000001d]", 7), "[7]"},
      {Formatted("id 1234567 %d", 7), "id 1234567 7"},
  };
  for (const auto& c : fits) EXPECT_EQ(c.first, c.second);
  for (const char* format : {"%999999999d", "%1000000000d!", "%-100000000d"}) {
    SCOPED_TRACE(format);
    const size_t first = 2 * std::strlen(format) + 512;
    const size_t kept = first + (131071 - first) / 16384 * 16384 - 2;
    const std::string expected =
        format[1] == '-' ? "7" + std::string(kept - 1, ' ') : std::string(kept, ' ');
    std::string out;
    EXPECT_TRUE(FXErrorUtil::IsWin32(FXString::Format(out, format, 7), 111));
    EXPECT_EQ(out, expected);
  }
}

TEST(FXStringFormat, WideFormattingIsUnavailable) {
  std::wstring out = L"left over";
  CYqError error = FXString::Format(out, L"%d", 5);
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 111));
  EXPECT_TRUE(out.empty());
  EXPECT_NE(error.AsString().find("FXString::FormatArgList(362)"), std::string::npos);
  EXPECT_EQ(FXString::Format(L"%d", 5), L"[BUFFEROVERFLOW] ");
}

TEST(StringCbPrintf, ResultsAndCutTexts) {
  struct Row {
    unsigned int chars;  // buffer size in characters
    HRESULT result;
    const char* text;
  };
  const Row rows[] = {
      {20, 0, "hello 42"},
      {9, 0, "hello 42"},  // exactly the text and its NUL
      {8, static_cast<HRESULT>(0x8007007A), "hello 4"},
      {1, static_cast<HRESULT>(0x8007007A), ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.chars);
    char narrow[32];
    std::memset(narrow, '#', sizeof narrow);
    EXPECT_EQ(StringCbPrintfA(narrow, row.chars, "%s %d", "hello", 42), row.result);
    EXPECT_STREQ(narrow, row.text);
    EXPECT_EQ(narrow[row.chars], '#');  // nothing written past the given size

    wchar_t wide[32];
    std::wmemset(wide, L'#', 32);
    EXPECT_EQ(StringCbPrintfW(wide, row.chars * sizeof(wchar_t), L"%s %d", "hello", 42),
              row.result);
    EXPECT_EQ(std::wstring(wide), W(row.text));
    EXPECT_EQ(wide[row.chars], L'#');
  }
}

TEST(StringCbPrintf, SizeBelowOneCharacterLeavesTheBufferUntouched) {
  char narrow[4] = "abc";
  EXPECT_EQ(StringCbPrintfA(narrow, 0, "%d", 1), static_cast<HRESULT>(0x80070057));
  EXPECT_STREQ(narrow, "abc");
  wchar_t wide[4] = L"abc";
  for (unsigned int bytes : {0u, static_cast<unsigned int>(sizeof(wchar_t) - 1)}) {
    EXPECT_EQ(StringCbPrintfW(wide, bytes, L"%d", 1), static_cast<HRESULT>(0x80070057));
    EXPECT_EQ(std::wstring(wide), L"abc");
  }
}

// In the C locale neither direction can convert a non-ASCII character.
TEST(StringCbPrintf, ConversionFailureReturnsOne) {
  // Under the C locale neither text has a conversion; the library takes the environment's
  // locale at load, so set it here and put it back afterwards.
  const std::string previous = std::setlocale(LC_CTYPE, nullptr);
  std::setlocale(LC_CTYPE, "C");
  char narrow[16];
  std::memset(narrow, '#', sizeof narrow);
  EXPECT_EQ(StringCbPrintfA(narrow, sizeof narrow, "%ls", L"\u00e9"), 1);
  EXPECT_NE(std::memchr(narrow, '\0', sizeof narrow), nullptr);
  wchar_t wide[16];
  std::wmemset(wide, L'#', 16);
  EXPECT_EQ(StringCbPrintfW(wide, sizeof wide, L"%s", "\xff"), 1);
  EXPECT_NE(std::wmemchr(wide, L'\0', 16), nullptr);
  std::setlocale(LC_CTYPE, previous.c_str());
}

TEST(FXStringTrim, NarrowAndWide) {
  struct Row {
    const char* text;
    const char* chars;
    const char* both;
    const char* left;
    const char* right;
  };
  const Row rows[] = {
      {"", " ", "", "", ""},
      {"   ", " ", "", "", ""},
      {" \t a b \t", " \t", "a b", "a b \t", " \t a b"},
      {"xyaxy", "yx", "a", "axy", "xya"},
      {"abc", "", "abc", "abc", "abc"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    std::string both = row.text, left = row.text, right = row.text;
    FXString::Trim(both, row.chars);
    FXString::TrimLeft(left, row.chars);
    FXString::TrimRight(right, row.chars);
    EXPECT_EQ(both, row.both);
    EXPECT_EQ(left, row.left);
    EXPECT_EQ(right, row.right);
    std::wstring wide = W(row.text);
    FXString::Trim(wide, W(row.chars));
    EXPECT_EQ(wide, W(row.both));
  }
}

TEST(FXStringAffix, RemoveAndReplace) {
  struct Row {
    const char* text;
    const char* part;
    bool noCase;
    bool removedLeft;
    const char* afterLeft;  // after RemoveLeft (or its NoCase form)
    bool removedRight;
    const char* afterRight;
  };
  const Row rows[] = {
      {"", "", false, false, "", false, ""},  // empty text: false even for an empty prefix
      {"", "a", false, false, "", false, ""},
      {"abc", "", false, true, "abc", true, "abc"},
      {"abcab", "ab", false, true, "cab", true, "abc"},
      {"abc", "abcd", false, false, "abc", false, "abc"},
      {"ABCab", "ab", false, false, "ABCab", true, "ABC"},
      {"ABCab", "ab", true, true, "Cab", true, "ABC"},
      {"abc", "abc", false, true, "", true, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.text) + "/" + row.part + (row.noCase ? "/nocase" : ""));
    // The same checks on the narrow and the wide forms; `S` gives a row's text in the form.
    const auto check = [&row](auto S) {
      auto left = S(row.text), right = S(row.text), rleft = S(row.text), rright = S(row.text);
      const auto part = S(row.part), with = S("<>");
      EXPECT_EQ(
          row.noCase ? FXString::RemoveLeftNoCase(left, part) : FXString::RemoveLeft(left, part),
          row.removedLeft);
      EXPECT_EQ(row.noCase ? FXString::RemoveRightNoCase(right, part)
                           : FXString::RemoveRight(right, part),
                row.removedRight);
      EXPECT_EQ(left, S(row.afterLeft));
      EXPECT_EQ(right, S(row.afterRight));
      // Replacing with "<>" succeeds exactly where removal did, except for an empty part.
      const bool replaceable = row.part[0] != '\0';
      const bool replacedLeft = row.noCase ? FXString::ReplaceLeftNoCase(rleft, part, with)
                                           : FXString::ReplaceLeft(rleft, part, with);
      const bool replacedRight = row.noCase ? FXString::ReplaceRightNoCase(rright, part, with)
                                            : FXString::ReplaceRight(rright, part, with);
      EXPECT_EQ(replacedLeft, replaceable && row.removedLeft);
      EXPECT_EQ(replacedRight, replaceable && row.removedRight);
      EXPECT_EQ(rleft, replacedLeft ? with + S(row.afterLeft) : S(row.text));
      EXPECT_EQ(rright, replacedRight ? S(row.afterRight) + with : S(row.text));
    };
    check([](const char* text) { return std::string(text); });
    check([](const char* text) { return W(text); });
  }
}

TEST(FXStringReplaceAll, CountsAndNeverRescansInsertedText) {
  struct Row {
    const char* text;
    const char* from;
    const char* to;
    unsigned int start;
    bool noCase;
    const char* result;
    unsigned int count;
  };
  const Row rows[] = {
      {"aaa", "a", "aa", 0, false, "aaaaaa", 3},      {"aaa", "a", "aa", 1, false, "aaaaa", 2},
      {"aaa", "a", "aa", 3, false, "aaa", 0},         {"aaa", "a", "aa", 99, false, "aaa", 0},
      {"abc", "", "x", 0, false, "abc", 0},           {"a.b.c", ".", "", 0, false, "abc", 2},
      {"xAbyaBz", "ab", "-", 0, false, "xAbyaBz", 0}, {"xAbyaBz", "ab", "-", 0, true, "x-y-z", 2},
      {"abab", "ab", "ab", 0, false, "abab", 2},      {"", "a", "b", 0, false, "", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.text) + "/" + row.from + "/" + row.to);
    std::string text = row.text;
    std::wstring wide = W(row.text);
    if (row.noCase) {
      EXPECT_EQ(FXString::ReplaceAllNoCase(text, row.from, row.to, row.start), row.count);
      EXPECT_EQ(FXString::ReplaceAllNoCase(wide, W(row.from), W(row.to), row.start), row.count);
    } else {
      EXPECT_EQ(FXString::ReplaceAll(text, row.from, row.to, row.start), row.count);
      EXPECT_EQ(FXString::ReplaceAll(wide, W(row.from), W(row.to), row.start), row.count);
      if (row.start == 0) {
        EXPECT_EQ(FXString::CopyAndReplaceAll(row.text, row.from, row.to), row.result);
        EXPECT_EQ(FXString::CopyAndReplaceAll(W(row.text), W(row.from), W(row.to)), W(row.result));
      }
    }
    EXPECT_EQ(text, row.result);
    EXPECT_EQ(wide, W(row.result));
  }
}

TEST(FXStringFind, PointerAndPosition) {
  struct Row {
    const char* text;
    const char* sub;
    bool noCase;
    int pos;
  };
  const Row rows[] = {
      {"Hello World", "World", false, 6},
      {"Hello World", "world", false, -1},
      {"Hello World", "world", true, 6},
      {"Hello", "", false, 0},
      {"", "a", false, -1},
      {"abcabc", "cab", false, 2},
      {"ab", "abc", true, -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.text) + "/" + row.sub);
    EXPECT_EQ(FXString::FindStringPos(row.text, row.sub, row.noCase), row.pos);
    EXPECT_EQ(FXString::FindStringPos(W(row.text), W(row.sub), row.noCase), row.pos);
    const char* found = FXString::FindString(row.text, row.sub, row.noCase);
    EXPECT_EQ(found, row.pos < 0 ? nullptr : row.text + row.pos);
    const std::wstring wide = W(row.text);
    const wchar_t* wfound = FXString::FindString(wide.c_str(), W(row.sub).c_str(), row.noCase);
    EXPECT_EQ(wfound, row.pos < 0 ? nullptr : wide.c_str() + row.pos);
  }
  EXPECT_EQ(FXString::FindString(nullptr, "a", false), nullptr);
  EXPECT_EQ(FXString::FindString("a", nullptr, true), nullptr);
}

TEST(FXStringCase, AsciiChangesAndOtherBytesStay) {
  std::string text = "MixEd 09_z\xc3\xa9";
  FXString::ToUpper(text);
  EXPECT_EQ(text, "MIXED 09_Z\xc3\xa9");
  FXString::ToLower(text);
  EXPECT_EQ(text, "mixed 09_z\xc3\xa9");
  std::wstring wide = L"MixEd 09_z";
  FXString::ToUpper(wide);
  EXPECT_EQ(wide, L"MIXED 09_Z");
  FXString::ToLower(wide);
  EXPECT_EQ(wide, L"mixed 09_z");
}

// Split cuts at the whole delimiter text, SplitArguments at any blank outside quotes and
// escapes, SplitPaths at any delimiter character without quoting; narrow and wide agree, and
// the list forms agree with the vector forms.
TEST(FXStringSplit, NarrowWideListAndVectorFormsAgree) {
  enum EKind { kWhole, kArguments, kPaths };
  struct {
    EKind kind;
    const char* text;
    const char* delimiter;
    unsigned int keepEmpty;
    std::vector<std::string> pieces;
  } rows[] = {
      {kWhole, "", ",", 1, {}},
      {kWhole, "a", ",", 0, {"a"}},
      {kWhole, "a,b", ",", 0, {"a", "b"}},
      {kWhole, ",a,,b,", ",", 0, {"a", "b"}},
      {kWhole, ",a,,b,", ",", 1, {"", "a", "", "b", ""}},
      {kWhole, "a::b:c", "::", 0, {"a", "b:c"}},  // the whole text, not a set of characters
      {kWhole, "a:::b", "::", 1, {"a", ":b"}},
      {kWhole, "abc", "", 0, {"abc"}},
      {kArguments, "", " \t", 0, {}},
      {kArguments, "  -a  -b ", " \t", 0, {"-a", "-b"}},
      {kArguments, "-a  -b", " \t", 1, {"-a", "", "-b"}},
      {kArguments, "copy \"/my dir/f\" 'x y'", " \t", 0, {"copy", "/my dir/f", "x y"}},
      {kArguments, "a\"b c\"d", " \t", 0, {"ab cd"}},
      {kArguments, "\"\" x", " \t", 0, {"", "x"}},  // written quotes keep an empty argument
      {kArguments, "'say \"hi\"' \"it's\"", " \t", 0, {"say \"hi\"", "it's"}},
      {kArguments, "a\\ b \\\"q\\\" c\\\\d", " \t", 0, {"a b", "\"q\"", "c\\d"}},
      {kArguments, "C:\\dir\\file x", " \t", 0, {"C:\\dir\\file", "x"}},  // other backslashes stay
      {kArguments, "\"open to the end", " \t", 0, {"open to the end"}},
      {kArguments, "tab\tsep", " \t", 0, {"tab", "sep"}},
      {kPaths, "", ":;", 1, {}},
      {kPaths, "/usr/bin:/bin;/sbin", ":;", 0, {"/usr/bin", "/bin", "/sbin"}},
      {kPaths, ":/a::\"/b c\":", ":;", 0, {"/a", "\"/b c\""}},  // no quoting in paths
      {kPaths, ":/a::/b:", ":;", 1, {"", "/a", "", "/b", ""}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.text) + "/" + row.delimiter);
    std::vector<std::string> pieces = {"stale"};
    std::list<std::string> list = {"stale"};
    std::vector<std::wstring> wide = {L"stale"};
    const std::wstring text = W(row.text), delimiter = W(row.delimiter);
    if (row.kind == kWhole) {
      FXString::Split(row.text, row.delimiter, pieces, row.keepEmpty);
      FXString::Split(row.text, row.delimiter, list, row.keepEmpty);
      FXString::Split(text, delimiter, wide, row.keepEmpty);
    } else if (row.kind == kArguments) {
      FXString::SplitArguments(row.text, row.delimiter, pieces, row.keepEmpty);
      FXString::SplitArguments(row.text, row.delimiter, list, row.keepEmpty);
      FXString::SplitArguments(text, delimiter, wide, row.keepEmpty);
    } else {
      FXString::SplitPaths(row.text, row.delimiter, pieces, row.keepEmpty);
      list.assign(pieces.begin(), pieces.end());
      FXString::SplitPaths(text, delimiter, wide, row.keepEmpty);
    }
    EXPECT_EQ(pieces, row.pieces);
    EXPECT_EQ(std::vector<std::string>(list.begin(), list.end()), row.pieces);
    EXPECT_EQ(wide, W(row.pieces));
  }
}

TEST(FXStringSplit, JoinOfSplitKeepingEmptyPiecesRebuildsTheText) {
  for (const char* text : {"a", "a,b", ",", ",,a,,", "a,,b", "no delimiter"}) {
    SCOPED_TRACE(text);
    std::vector<std::string> pieces;
    FXString::Split(text, ",", pieces, 1);
    std::string joined = "stale";
    FXString::Join(pieces, ",", joined);
    EXPECT_EQ(joined, text);
    std::list<std::wstring> wide;
    FXString::Split(W(text), L",", wide, 1);
    std::wstring wjoined;
    FXString::Join(wide, L",", wjoined);
    EXPECT_EQ(wjoined, W(text));
  }
}

TEST(FXStringJoin, RangesAreClippedToTheVector) {
  const std::vector<std::string> items = {"a", "b", "c", "d"};
  struct Row {
    unsigned int first;
    unsigned int count;
    const char* joined;
  };
  const Row rows[] = {{0, 4, "a, b, c, d"},  {1, 2, "b, c"}, {2, 99, "c, d"},
                      {3, 0xFFFFFFFFu, "d"}, {4, 1, ""},     {0, 0, ""}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.first) + "+" + std::to_string(row.count));
    EXPECT_EQ(FXString::Join(items, ", ", row.first, row.count), row.joined);
    EXPECT_EQ(FXString::Join(W(items), L", ", row.first, row.count), W(row.joined));
  }
  std::string out = "stale";
  FXString::Join(std::vector<std::string>(), "-", out);
  EXPECT_EQ(out, "");
}

TEST(FXStringIdentifiers, GuidAndLuidTexts) {
  const _GUID guid = {0x00112233, 0x4455, 0x6677, {0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}};
  EXPECT_EQ(FXString::AsString(guid), "{00112233-4455-6677-8899-AABBCCDDEEFF}");
  EXPECT_EQ(FXString::AsWstring(guid), L"{00112233-4455-6677-8899-AABBCCDDEEFF}");
  const _GUID high = {0xFFFFFFFF, 0xFFFF, 0x000A, {0, 0, 0, 0, 0, 0, 0, 1}};
  EXPECT_EQ(FXString::AsString(high), "{FFFFFFFF-FFFF-000A-0000-000000000001}");

  const _LUID luid = {0x3E7, 0x12};
  EXPECT_EQ(FXString::AsString(luid), "(0x12, 0x3E7)");
  EXPECT_EQ(FXString::AsWstring(luid), L"(0x12, 0x3E7)");
  // A negative high part prints its 32 bits, the same on 32- and 64-bit builds.
  const _LUID negative = {0xFFFFFFFF, -1};
  EXPECT_EQ(FXString::AsString(negative), "(0xFFFFFFFF, 0xFFFFFFFF)");
}

}  // namespace
