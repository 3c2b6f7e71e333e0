#include "yqbase/strings/YqString.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Texts(const std::vector<CYqString>& items) {
  std::vector<std::string> out;
  for (const CYqString& item : items) out.push_back(item.c_str());
  return out;
}

TEST(CYqString, EmptyObjectHasNoBuffer) {
  CYqString empty;
  EXPECT_STREQ(empty.c_str(), "");
  EXPECT_EQ(empty.GetLength(), 0);
  EXPECT_EQ(empty.GetCapacity(), 0u);
  EXPECT_EQ(empty.GetBytesUsed(), 0u);
  EXPECT_EQ(CYqString(static_cast<const char*>(nullptr)).GetCapacity(), 0u);
  EXPECT_EQ(CYqString('\0').GetCapacity(), 0u);
  EXPECT_EQ(CYqString(static_cast<unsigned char>(0)).GetLength(), 0);
}

TEST(CYqString, AppendGrowsToLengthPlus256RoundedDown) {
  struct Row {
    unsigned int length;  // before the append
    unsigned int added;
    unsigned int capacity;
  };
  const Row rows[] = {
      {0, 1, 256},    {0, 255, 256},  {0, 256, 512},     {200, 55, 256},
      {200, 56, 512}, {250, 10, 512}, {1000, 100, 1280},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.length) + "+" + std::to_string(row.added));
    CYqString text;
    const std::string first(row.length, 'a'), second(row.added, 'b');
    ASSERT_TRUE(text.Append(first.c_str(), row.length));
    ASSERT_TRUE(text.Append(second.c_str(), row.added));
    EXPECT_EQ(text.GetCapacity(), row.capacity);
    EXPECT_EQ(text.GetBytesUsed(), row.length + row.added + 1);
    EXPECT_EQ(text.c_str(), first + second);
  }
}

TEST(CYqString, AppendAndAssignStopAtCountOrNul) {
  CYqString text;
  EXPECT_TRUE(text.Append("abcdef", 3));
  EXPECT_TRUE(text.Append("de\0zz", 5));
  EXPECT_TRUE(text.Append(nullptr, 5));
  EXPECT_STREQ(text.c_str(), "abcde");
  EXPECT_TRUE(text.AssignBuffer("xyz", 2));
  EXPECT_STREQ(text.c_str(), "xy");
  EXPECT_EQ(text.GetLength(), 2);
  EXPECT_TRUE(text.AppendHexValue(0xDEADBEEFCAFEull));
  EXPECT_STREQ(text.c_str(), "xydeadbeefcafe");
  EXPECT_TRUE(text.AssignBuffer(nullptr, 4));
  EXPECT_STREQ(text.c_str(), "");

  // From its own buffer: catches a use of the old buffer after growth (run under ASan).
  CYqString own(std::string(200, 'q').c_str());
  ASSERT_EQ(own.GetCapacity(), 256u);
  EXPECT_TRUE(own.Append(own.c_str(), 200));
  EXPECT_EQ(own.c_str(), std::string(400, 'q'));
  CYqString word("hello world");
  EXPECT_TRUE(word.AssignBuffer(word.c_str() + 6, CYqString::npos));
  EXPECT_STREQ(word.c_str(), "world");
}

TEST(CYqString, NumbersAsDecimalText) {
  struct Row {
    CYqString value;
    std::string expected;
  };
  const Row rows[] = {
      {CYqString(static_cast<short>(SHRT_MIN)), std::to_string(SHRT_MIN)},
      {CYqString(static_cast<unsigned short>(USHRT_MAX)), std::to_string(USHRT_MAX)},
      {CYqString(INT_MIN), std::to_string(INT_MIN)},
      {CYqString(UINT_MAX), std::to_string(UINT_MAX)},
      {CYqString(LONG_MIN), std::to_string(LONG_MIN)},
      {CYqString(ULONG_MAX), std::to_string(ULONG_MAX)},
      {CYqString(LLONG_MIN), std::to_string(LLONG_MIN)},
      {CYqString(ULLONG_MAX), std::to_string(ULLONG_MAX)},
      {CYqString(0), "0"},
      {CYqString(1.5), "1.500000"},
      {CYqString(-0.25), "-0.250000"},
      {CYqString(1e300), std::to_string(1e300)},  // longer than the formatting area
      {CYqString('x'), "x"},
      {CYqString(static_cast<unsigned char>(0xE9)), "\xE9"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    EXPECT_EQ(row.value.c_str(), row.expected);
    EXPECT_EQ(row.value.GetLength(), static_cast<int>(row.expected.size()));
  }
}

TEST(CYqString, CopiesAreIndependent) {
  CYqString original("abc");
  CYqString copy(original);
  copy.Append("d", 1);
  EXPECT_STREQ(original.c_str(), "abc");
  EXPECT_STREQ(copy.c_str(), "abcd");
  copy = original;
  EXPECT_EQ(copy, original);
  const CYqString& alias = copy;
  copy = alias;  // self-assignment keeps the text
  EXPECT_STREQ(copy.c_str(), "abc");
  copy = "other";
  EXPECT_STREQ(copy.c_str(), "other");
  CYqString moved(std::move(copy));
  EXPECT_STREQ(moved.c_str(), "other");
  original = std::move(moved);
  EXPECT_STREQ(original.c_str(), "other");
}

TEST(CYqString, SearchAndCut) {
  const CYqString text("a/bc/bc/d");
  const struct {
    const char* what;
    int result;
    int expected;
  } rows[] = {
      {"Find('/')", text.Find('/'), 1},
      {"Find('/', 2)", text.Find('/', 2), 4},
      {"Find('/', 99)", text.Find('/', 99), -1},
      {"Find('x')", text.Find('x'), -1},
      {"Find(\"bc\", 3)", text.Find("bc", 3), 5},
      {"Find(\"\")", text.Find(""), 0},
      {"Find(null)", text.Find(static_cast<const char*>(nullptr)), -1},
      {"ReverseFind('/')", text.ReverseFind('/'), 7},
      {"ReverseFind('/', 6)", text.ReverseFind('/', 6), 4},
      {"ReverseFind('/', 0)", text.ReverseFind('/', 0), -1},
      {"ReverseFind(\"bc\")", text.ReverseFind("bc"), 5},
      {"ReverseFind(\"bc\", 4)", text.ReverseFind("bc", 4), 2},
      {"ReverseFind(\"zz\")", text.ReverseFind("zz"), -1},
  };
  for (const auto& row : rows) EXPECT_EQ(row.result, row.expected) << row.what;
  EXPECT_STREQ(text.SubStr(2, 2).c_str(), "bc");
  EXPECT_STREQ(text.SubStr(7).c_str(), "/d");
  EXPECT_STREQ(text.SubStr(8, 100).c_str(), "d");
  EXPECT_STREQ(text.SubStr(9).c_str(), "");
  EXPECT_STREQ(text.SubStr(100, 1).c_str(), "");

  CYqString chopped(text);
  chopped.ChopAt(100);
  EXPECT_EQ(chopped, text);
  chopped.ChopAt(4);
  EXPECT_STREQ(chopped.c_str(), "a/bc");
  EXPECT_EQ(chopped.GetBytesUsed(), 5u);
}

TEST(CYqString, CaseCopiesAndSafeStrcmp) {
  const CYqString text("MiXed 1\xE9");
  EXPECT_STREQ(text.ToUpper().c_str(), "MIXED 1\xE9");
  EXPECT_STREQ(text.ToLower().c_str(), "mixed 1\xE9");
  EXPECT_STREQ(text.c_str(), "MiXed 1\xE9");
  // Null sorts first.
  EXPECT_EQ(CYqString::Safe_strcmp(nullptr, nullptr), 0);
  EXPECT_LT(CYqString::Safe_strcmp(nullptr, ""), 0);
  EXPECT_GT(CYqString::Safe_strcmp("", nullptr), 0);
  EXPECT_LT(CYqString::Safe_strcmp("a", "b"), 0);
  EXPECT_EQ(CYqString::Safe_strcmp("a", "a"), 0);
}

TEST(CYqString, LastCharacterAndTokenEdits) {
  CYqString path("/var/log");
  EXPECT_TRUE(path.CheckAndAppendLastCharacter('/'));
  EXPECT_TRUE(path.CheckAndAppendLastCharacter('/'));
  EXPECT_STREQ(path.c_str(), "/var/log/");
  EXPECT_TRUE(path.CheckAndRemoveLastCharacter('/'));
  EXPECT_FALSE(path.CheckAndRemoveLastCharacter('/'));
  EXPECT_STREQ(path.c_str(), "/var/log");
  EXPECT_TRUE(path.RemoveLastToken('/'));
  EXPECT_STREQ(path.c_str(), "/var");
  EXPECT_TRUE(path.RemoveLastToken('/'));
  EXPECT_STREQ(path.c_str(), "");
  EXPECT_FALSE(path.RemoveLastToken('/'));

  CYqString empty;
  EXPECT_FALSE(empty.CheckAndRemoveLastCharacter('x'));
  EXPECT_TRUE(empty.CheckAndAppendLastCharacter('x'));
  EXPECT_STREQ(empty.c_str(), "x");
}

TEST(CYqString, Trimming) {
  struct Row {
    const char* text;
    const char* rtrim;  // RTrim('x')
    const char* ltrim;  // LTrim('x')
    const char* rtrimAll;
    const char* ltrimAll;
  };
  const Row rows[] = {
      {"", "", "", "", ""},
      {"xxaxx", "xxa", "axx", "xxaxx", "xxaxx"},
      {"xxx", "", "", "xxx", "xxx"},
      {" \t a b \n", " \t a b \n", " \t a b \n", " \t a b", "a b \n"},
      {"   ", "   ", "   ", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    CYqString r(row.text), l(row.text), ra(row.text), la(row.text);
    r.RTrim('x');
    l.LTrim('x');
    ra.RTrimAll();
    la.LTrimAll();
    EXPECT_STREQ(r.c_str(), row.rtrim);
    EXPECT_STREQ(l.c_str(), row.ltrim);
    EXPECT_STREQ(ra.c_str(), row.rtrimAll);
    EXPECT_STREQ(la.c_str(), row.ltrimAll);
    EXPECT_EQ(la.GetLength(), static_cast<int>(std::strlen(row.ltrimAll)));
  }
}

TEST(CYqString, BufferManagement) {
  CYqString text("abc");
  EXPECT_TRUE(text.AllocateBuffer(2));
  EXPECT_EQ(text.GetCapacity(), 256u);  // never shrinks
  EXPECT_TRUE(text.AllocateBuffer(1000));
  EXPECT_EQ(text.GetCapacity(), 1000u);
  EXPECT_STREQ(text.c_str(), "abc");

  // Written directly, then recounted.
  std::memcpy(text.GetBuffer(), "hello", 6);
  text.ReCalculateLength();
  EXPECT_EQ(text.GetLength(), 5);
  EXPECT_EQ(text.GetBytesUsed(), 6u);
  std::memset(text.GetBuffer(), 'z', text.GetCapacity());  // no NUL at all
  text.ReCalculateLength();
  EXPECT_EQ(text.GetLength(), 999);

  text = "tiny";
  text.ShrinkBufferToFit();
  EXPECT_EQ(text.GetCapacity(), 5u);
  EXPECT_STREQ(text.c_str(), "tiny");
  text.ChopAt(0);
  text.ShrinkBufferToFit();
  EXPECT_EQ(text.GetCapacity(), 0u);

  CYqString fresh;
  EXPECT_TRUE(fresh.AllocateBuffer(10));
  EXPECT_STREQ(fresh.c_str(), "");
  EXPECT_EQ(fresh.GetBytesUsed(), 1u);
  fresh.Clear();
  EXPECT_EQ(fresh.GetCapacity(), 0u);
  EXPECT_EQ(fresh.GetLength(), 0);
}

TEST(CYqString, FormatNumberedBraces) {
  struct Row {
    const char* pattern;
    std::vector<CYqString> args;
    const char* result;
  };
  const Row rows[] = {
      {"{0}-{5}", {"x"}, "x-{5}"},
      {"{1}{0}{1}", {"a", "b"}, "bab"},
      {"{} {a} {0 {-0} 0}", {"X"}, "{} {a} {0 {-0} 0}"},
      {"{{0}}", {"X"}, "{X}"},
      {"{00}", {"X"}, "X"},
      {"{0}", {"{0}"}, "{0}"},  // inserted text is not replaced again
      {"{99999999999999999999}", {"X"}, "{99999999999999999999}"},
      {"no braces", {}, "no braces"},
      {"", {"X"}, ""},
      {"{0}{0}", {""}, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.pattern);
    EXPECT_STREQ(CYqString::Format(row.pattern, row.args).c_str(), row.result);
  }
}

TEST(CYqString, TokenizeForms) {
  const CYqString text("a,,'b,c',d\\,e,");
  std::vector<CYqString> tokens = {"stale"};
  EXPECT_EQ(text.Tokenize(",", tokens), 5u);
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"a", "'b", "c'", "d\\", "e"}));
  EXPECT_EQ(text.Tokenize(",", tokens, true), 7u);
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"a", "", "'b", "c'", "d\\", "e", ""}));
  EXPECT_EQ(text.Tokenize(",", '\'', tokens), 4u);
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"a", "b,c", "d\\", "e"}));
  EXPECT_EQ(text.Tokenize(",", '\'', '\\', tokens), 3u);
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"a", "b,c", "d,e"}));
  EXPECT_EQ(text.Tokenize(",", '\'', '\\', tokens, true), 5u);
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"a", "", "b,c", "d,e", ""}));

  EXPECT_EQ(CYqString().Tokenize(",", tokens, true), 0u);
  EXPECT_TRUE(tokens.empty());
  EXPECT_EQ(CYqString("x''y,''").Tokenize(",", '\'', tokens), 2u);
  EXPECT_EQ(Texts(tokens), (std::vector<std::string>{"xy", ""}));
  EXPECT_EQ(CYqString("a b").Tokenize(nullptr, tokens), 1u);
}

}  // namespace
