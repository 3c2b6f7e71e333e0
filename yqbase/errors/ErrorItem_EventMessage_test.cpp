#include "yqbase/errors/ErrorItem_EventMessage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const FXCodeLocation kLoc = {"errors/Foo.cpp", "int Foo::Bar(int)", 12};

struct SOpaque {};

FXErrorItemEventMessage Item(const std::vector<boost::any>& arguments) {
  return FXErrorItemEventMessage(kLoc, 0x05000123, arguments);
}

}  // namespace

TEST(FXErrorItemEventMessage, RawStringIsNotSupported) {
  std::string text = "left over";
  const CYqError error = FXErrorItemEventMessage::GetRawString(0x05000123, text, 2);
  EXPECT_TRUE(text.empty());
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 50));
}

TEST(FXErrorItemEventMessage, NumbersInTheTexts) {
  // Wide layout: bit 17 set, category in bits 18 to 30.
  const FXErrorItemEventMessage wide(kLoc, 0x02C20123);
  EXPECT_EQ("Foo::Bar(12)/EventMessage.0x02C20123.176:291", wide.AsString());
  EXPECT_EQ(176u, FXErrorItemEventMessage::Category(0x02C20123));
  EXPECT_EQ(0x7Fu, FXErrorItemEventMessage::Category(0x7F000000));
  EXPECT_EQ(0x1FFFu, FXErrorItemEventMessage::Category(0x7FFE0000));
  EXPECT_EQ(0x7FFFu, FXErrorItemEventMessage::MessageNumber(0x7FFFFFFF));
}

TEST(FXErrorItemEventMessage, ArgumentsByType) {
  const std::pair<boost::any, std::string> cases[] = {
      {std::string("text"), "text"},
      {std::wstring(L"gr\u00FC\u00DF \U0001F600"), "gr\xC3\xBC\xC3\x9F \xF0\x9F\x98\x80"},
      {static_cast<const char*>("literal"), "literal"},
      {'A', "65"},
      {static_cast<short>(-2), "-2"},
      {-3, "-3"},
      {static_cast<unsigned char>(200), "200"},
      {static_cast<unsigned short>(65535), "65535"},
      {4000000000u, "4000000000"},
      {-5L, "-5"},
      {6UL, "6"},
      {-7LL, "-7"},
      {18446744073709551615ULL, "18446744073709551615"},
      {2.5, std::string("unknown=") + typeid(double).name()},
      {SOpaque(), std::string("unknown=") + typeid(SOpaque).name()},
      // Wide text converts leniently: a lone surrogate travels as its three-byte form.
      {std::wstring(1, static_cast<wchar_t>(0xD800)), "\xED\xA0\x80"},
  };
  std::vector<boost::any> arguments;
  for (const auto& c : cases) arguments.push_back(c.first);
  const FXErrorItemEventMessage item = Item(arguments);
  for (unsigned int n = 1; n <= arguments.size(); ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(cases[n - 1].second, item.GetArgument(n));
  }
  EXPECT_EQ("", item.GetArgument(0));
  EXPECT_EQ("", item.GetArgument(17));
}

TEST(FXErrorItemEventMessage, FormattedArguments) {
  const FXErrorItemEventMessage item =
      Item({-1, std::string("ab"), 255u, static_cast<short>(-1), 4000000000u});
  const struct {
    unsigned int n;
    const char* fieldFormat;
    const char* expected;
  } cases[] = {
      {1, "%5d", "   -1"},
      {1, "%x", "ffffffff"},
      {1, "%-4i|", "-1"},  // trailing text: plain
      {1, "%s", "-1"},
      {1, "%4s", "  -1"},
      {1, "a", "-1"},
      {1, "S", "-1"},
      {1, "", "-1"},
      {1, "%*d", "-1"},
      {1, "%n", "-1"},
      {2, "%-4s", "ab  "},
      {2, "%d", "ab"},
      {2, "%.1s", "a"},
      {3, "%04X", "00FF"},
      {3, "%c", "\xFF"},
      {4, "%x", "ffff"},
      {4, "%hd", "-1"},
      {5, "%ld", "4000000000"},
      {6, "%d", "--Missing-Argument-6--"},
      {0, "", "--Missing-Argument-0--"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.fieldFormat) + " of " + std::to_string(c.n));
    EXPECT_EQ(c.expected, item.GetFormattedField(c.n, c.fieldFormat));
  }
}

TEST(FXErrorItemEventMessage, Placeholders) {
  const FXErrorItemEventMessage item = Item({std::string("disk"), 3});
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"^1 is full", "disk is full"},
      {"^2 of ^1 ^^ ^^1", "3 of disk ^ ^1"},
      {"^2!%03d! tries", "003 tries"},
      {"^2!%03d tries", "3!%03d tries"},  // an unclosed format is plain text
      {"^9", "--Missing-Argument-9--"},
      {"^0", "--Missing-Argument-0--"},
      {"^x ^", "^x ^"},
      {"^12", "--Missing-Argument-12--"},
      {"^1234567890", "--Missing-Argument-123456789--0"},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string text = c.text;
    item.UpdateArguments(text);
    EXPECT_EQ(c.expected, text);
  }
  // A huge width is cut at the formatter's largest buffer, at once.
  std::string huge = "^2!%999999999d!";
  item.UpdateArguments(huge);
  EXPECT_EQ(0u, huge.find("[BUFFEROVERFLOW]    ")) << huge.substr(0, 40);
  EXPECT_LT(huge.size(), 131072u);
  // Without arguments nothing changes, not even doubled carets.
  std::string text = "^1 ^^";
  Item({}).UpdateArguments(text);
  EXPECT_EQ("^1 ^^", text);
}

TEST(FXErrorUtil, EventMessageLookupCounter) {
  EXPECT_TRUE(FXErrorUtil::IsEventMessageLookupEnabled());
  EXPECT_TRUE(FXErrorUtil::UnloadAndDisableEventMessageLookup().Succeeded());
  EXPECT_TRUE(FXErrorUtil::UnloadAndDisableEventMessageLookup().Succeeded());
  EXPECT_FALSE(FXErrorUtil::IsEventMessageLookupEnabled());
  EXPECT_TRUE(FXErrorUtil::EnableEventMessageLookup().Succeeded());
  EXPECT_FALSE(FXErrorUtil::IsEventMessageLookupEnabled());
  EXPECT_TRUE(FXErrorUtil::EnableEventMessageLookup().Succeeded());
  EXPECT_TRUE(FXErrorUtil::IsEventMessageLookupEnabled());
}
