#include "yqbase/strings/utfConversions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "yqbase/errors/ErrorItem_Win32.h"
#include "yqbase/errors/ErrorUtil.h"

namespace {

using std::string_literals::operator""s;
typedef std::vector<UTF8> Bytes;
typedef std::vector<UTF16> Units16;
typedef std::vector<UTF32> Units32;

constexpr HRESULT kTargetFull = static_cast<HRESULT>(0x8007006F);        // 111
constexpr HRESULT kSourceShort = static_cast<HRESULT>(0x8007007A);       // 122
constexpr HRESULT kIllegal = static_cast<HRESULT>(0x80070246);           // 582
constexpr HRESULT kInvalidParameter = static_cast<HRESULT>(0x80070057);  // 87

const char kUTF8ToUTF32[] =
    "CYqError FXUTF::ConvertUTF8ToUTF32(const UTF8**, const UTF8*, UTF32**, UTF32*, "
    "FXUTF::ConversionFlags)";
const char kIsLegalUTF8[] = "CYqError FXUTF::IsLegalUTF8(const UTF8*, int)";
constexpr FXUTF::ConversionFlags kStrict = FXUTF::strictConversion;
constexpr FXUTF::ConversionFlags kLenient = FXUTF::lenientConversion;
const char kShort[] = "Too few bytes in source, cannot convert";
const char kFull[] = "Insufficient target buffer size";

// The Win32 description item that caused the error (the oldest item of the chain).
const FXErrorItemWin32Description* Cause(const CYqError& error) {
  const std::vector<FXErrorItemPtr> items = error.GetItems();
  if (items.empty()) return nullptr;
  return dynamic_cast<const FXErrorItemWin32Description*>(items.back().get());
}

std::string CauseMessage(const CYqError& error) {
  const FXErrorItemWin32Description* cause = Cause(error);
  return cause != nullptr ? cause->GetDescription() : std::string("<no Win32 description>");
}

std::string CauseFunction(const CYqError& error) {
  const FXErrorItemWin32Description* cause = Cause(error);
  return cause != nullptr ? cause->GetLocation().function : std::string();
}

// Result of one conversion: the error and how far both pointers moved.
struct SConversion {
  CYqError error;
  size_t consumed;
  std::vector<UTF32> written;  // the target units written, widened
};

// Runs `convert` over `source` into a target of `capacity` units prefilled with a sentinel,
// and checks that nothing past targetEnd was touched and, except for UTF-8 sources (whose
// decoders may use the rest of the target as scratch), nothing past the returned pointer.
template <typename In, typename Out, typename Fn>
SConversion Convert(Fn convert, const std::vector<In>& source, size_t capacity,
                    FXUTF::ConversionFlags flags = kStrict) {
  const Out kSentinel = static_cast<Out>(0xA5A5A5A5u);
  std::vector<Out> target(capacity + 1, kSentinel);
  const In* in = source.data();
  Out* out = target.data();
  SConversion result;
  result.error = convert(&in, source.data() + source.size(), &out, target.data() + capacity, flags);
  result.consumed = static_cast<size_t>(in - source.data());
  for (Out* p = target.data(); p < out; ++p) result.written.push_back(*p);
  EXPECT_EQ(target[capacity], kSentinel) << "target touched past targetEnd";
  if (sizeof(In) != 1) {
    for (Out* p = out; p < target.data() + capacity; ++p)
      EXPECT_EQ(*p, kSentinel) << "target touched past the written units";
  }
  return result;
}

// Converts all of `source`, which must succeed, and returns what was written.
template <typename Out, typename In, typename Fn>
std::vector<Out> ConvertAll(Fn convert, const std::vector<In>& source, size_t capacity) {
  const SConversion r = Convert<In, Out>(convert, source, capacity);
  EXPECT_EQ(r.error.GetCode(), 0);
  EXPECT_EQ(r.consumed, source.size());
  return std::vector<Out>(r.written.begin(), r.written.end());
}

SConversion Utf8To32(const Bytes& source, size_t capacity) {
  return Convert<UTF8, UTF32>(FXUTF::ConvertUTF8ToUTF32, source, capacity);
}

// The bytes of a text, which may hold NULs and bytes that are not UTF-8.
Bytes Ascii(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

TEST(FXUTF, IsLegalUTF8Table) {
  const char kBad4[] = "Invalid character (4), Character=0x41, Length=4";
  struct {
    std::string bytes;
    int length;
    HRESULT code;
    const char* message;
  } cases[] = {
      {"A", 1, 0, ""},
      {"\xC3\xA9", 2, 0, ""},
      {"\xE0\xA0\x80", 3, 0, ""},
      {"\xED\xA0\x80", 3, 0, ""},  // encoded surrogates pass
      {"\xF0\x90\x80\x80", 4, 0, ""},
      {"\xF4\x8F\xBF\xBF", 4, 0, ""},
      {"", 0, kInvalidParameter, "Unrecognized sequence length, Length=0"},
      {"\xF8\x88\x80\x80\x80", 5, kInvalidParameter, "Unrecognized sequence length, Length=5"},
      {"A", -1, kInvalidParameter, "Unrecognized sequence length, Length=-1"},
      {"\xF0\x90\x80\x41", 4, kIllegal, kBad4},
      // Checked from the end: the fourth byte is reported before a bad lead.
      {"\xF5\x80\x80\x41", 4, kIllegal, kBad4},
      {"\xE2\x82\xC0", 3, kIllegal, "Invalid character (3), Character=0xC0, Length=3"},
      {"\xE2\x82\x00"s, 3, kIllegal, "Invalid character (3), Character=0x0, Length=3"},
      {"\xC3\x41", 2, kIllegal, "Invalid character (2), Character=0x41, Length=2"},
      {"\xE0\x80\x80", 3, kIllegal, "Invalid character (2,0xE0), Character=0x80, Length=3"},
      {"\xE0\x9F\xBF", 3, kIllegal, "Invalid character (2,0xE0), Character=0x9F, Length=3"},
      {"\xF0\x8F\xBF\xBF", 4, kIllegal, "Invalid character (2,0xF0), Character=0x8F, Length=4"},
      {"\xF4\x90\x80\x80", 4, kIllegal, "Invalid character (2,0xF4), Character=0x90, Length=4"},
      // A second byte below 0x80 after F4 would swallow a "/" or a NUL.
      {"\xF4\x2F\x80\x80", 4, kIllegal, "Invalid character (2,0xF4), Character=0x2F, Length=4"},
      {"\xF4\x00\x80\x80"s, 4, kIllegal, "Invalid character (2,0xF4), Character=0x0, Length=4"},
      {"\xF5\x80\x80\x80", 4, kIllegal, "Invalid character (1), Character=0xF5, Length=4"},
      {"\xC0\x80", 2, kIllegal, "Invalid character (1), Character=0xC0, Length=2"},
      {"\x80", 1, kIllegal, "Invalid character (1), Character=0x80, Length=1"},
      {"\xFF", 1, kIllegal, "Invalid character (1), Character=0xFF, Length=1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "length " << c.length << ", expected " << c.message);
    const CYqError error = FXUTF::IsLegalUTF8(Ascii(c.bytes).data(), c.length);
    EXPECT_EQ(error.GetCode(), c.code);
    if (c.code == 0) {
      EXPECT_TRUE(error.GetItems().empty());
      continue;
    }
    EXPECT_EQ(CauseMessage(error), c.message);
    EXPECT_EQ(CauseFunction(error), kIsLegalUTF8);
  }
}

TEST(FXUTF, UTF8ToUTF32Decodes) {
  struct {
    std::string bytes;
    Units32 expected;
  } cases[] = {
      {"", {}},
      {"\xC3\xA9", {0xE9}},
      {"\xED\xA0\x80", {0xD800}},
      {"\xED\xBF\xBF", {0xDFFF}},
      {"\xEF\xBF\xBD", {0xFFFD}},
      {"\xF4\x8F\xBF\xBF", {0x10FFFF}},
      {"a\xE2\x82\xAC\x00\xF0\x9F\x98\x80"s, {0x61, 0x20AC, 0, 0x1F600}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bytes.size() << " bytes");
    const SConversion r = Utf8To32(Ascii(c.bytes), c.expected.size());
    EXPECT_EQ(r.error.GetCode(), 0);
    EXPECT_EQ(r.consumed, c.bytes.size());
    EXPECT_EQ(r.written, c.expected);
  }
}

// Failures leave the source at the failing character and the target after the last unit.
TEST(FXUTF, UTF8ToUTF32FailurePositions) {
  const std::string longAscii = "0123456789abcdefghijklmnopqrstuvwxyz0123";  // 40 bytes
  struct {
    std::string bytes;
    size_t capacity;
    HRESULT code;
    size_t consumed;  // and written: one unit per byte before the failure
    const char* message;
  } cases[] = {
      {"ab\xE2\x82", 10, kSourceShort, 2, kShort},
      {"\xC3", 10, kSourceShort, 0, kShort},
      {"\xFC\x80", 10, kSourceShort, 0, kShort},
      {"a\xE0\x80\x80", 10, kIllegal, 1, "Invalid character (2,0xE0), Character=0x80, Length=3"},
      {"\xE0\x9F\xBF\x61", 10, kIllegal, 0, "Invalid character (2,0xE0), Character=0x9F, Length=3"},
      {"\xF4\x90\x80\x80", 10, kIllegal, 0, "Invalid character (2,0xF4), Character=0x90, Length=4"},
      {"a\xF4\x2F\x80\x80z", 10, kIllegal, 1,
       "Invalid character (2,0xF4), Character=0x2F, Length=4"},
      {"\xF5\x80\x80\x80", 10, kIllegal, 0, "Invalid character (1), Character=0xF5, Length=4"},
      {"A\xC0\x80", 10, kIllegal, 1, "Invalid character (1), Character=0xC0, Length=2"},
      {"AB\x80\x43", 10, kIllegal, 2, "Invalid character (1), Character=0x80, Length=1"},
      {"\xC3\x41", 10, kIllegal, 0, "Invalid character (2), Character=0x41, Length=2"},
      {"\xF8\x88\x80\x80\x80", 10, kInvalidParameter, 0, "Unrecognized sequence length, Length=5"},
      {"\xFC\x84\x80\x80\x80\x80", 10, kInvalidParameter, 0,
       "Unrecognized sequence length, Length=6"},
      {"abc", 2, kTargetFull, 2, kFull},
      {"a\xC3\xA9", 1, kTargetFull, 1, kFull},
      {"\xC3\xA9", 0, kTargetFull, 0, kFull},
      {longAscii, 20, kTargetFull, 20, kFull},
      {longAscii + "\x80", 64, kIllegal, 40, "Invalid character (1), Character=0x80, Length=1"},
      // A cut sequence wins over a full target, as the source is checked first.
      {"a\xE2\x82", 1, kSourceShort, 1, kShort},
  };
  // Each case alone, and inside enough ASCII text for the block-wise path to meet it (the
  // cases about the end of the source only behind text).
  const Bytes prefix = Ascii(std::string(20, 'p'));
  const Bytes suffix = Ascii(std::string(70, 's'));
  for (const auto& c : cases) {
    const bool atEnd = c.code == kSourceShort;
    for (const bool inText : {false, true}) {
      SCOPED_TRACE(testing::Message() << "row " << &c - cases << (inText ? ", in text" : ""));
      const size_t extra = inText ? prefix.size() : 0;
      const Bytes input = inText ? Concat(Concat(prefix, Ascii(c.bytes)), atEnd ? Bytes() : suffix)
                                 : Ascii(c.bytes);
      const size_t room = c.code == kTargetFull ? extra : input.size() - c.bytes.size();
      const SConversion r = Utf8To32(input, c.capacity + room);
      EXPECT_EQ(r.error.GetCode(), c.code);
      EXPECT_EQ(r.consumed, c.consumed + extra);
      ASSERT_EQ(r.written.size(), c.consumed + extra);
      for (size_t i = 0; i < r.written.size(); ++i) EXPECT_EQ(r.written[i], input[i]);
      EXPECT_EQ(CauseMessage(r.error), c.message);
    }
  }
}

// An ill-formed sequence keeps IsLegalUTF8's item and adds the converter's description.
TEST(FXUTF, IllFormedChainNamesBothFunctions) {
  const SConversion r = Utf8To32({0xC0, 0x80}, 4);
  const std::vector<FXErrorItemPtr> items = r.error.GetItems();
  ASSERT_EQ(items.size(), 2u);
  const auto* outer = dynamic_cast<const FXErrorItemDescription*>(items[0].get());
  ASSERT_NE(outer, nullptr);
  EXPECT_EQ(outer->GetDescription(), "Illegal character encountered");
  EXPECT_STREQ(outer->GetLocation().function, kUTF8ToUTF32);
  EXPECT_EQ(CauseFunction(r.error), kIsLegalUTF8);
  EXPECT_TRUE(FXErrorUtil::IsWin32(r.error, 582));
}

// ASCII runs of every length before a multi-byte character, at every alignment, decode like
// the characters they came from; catches slips in the block-wise ASCII path.
TEST(FXUTF, AsciiRunsAroundMultiByteCharacters) {
  for (size_t run = 0; run <= 80; ++run) {
    SCOPED_TRACE(testing::Message() << "run " << run);
    Units32 text;
    for (size_t i = 0; i < run; ++i) text.push_back(0x21 + static_cast<UTF32>(i % 90));
    text.push_back(0xE9);
    for (size_t i = 0; i < run; ++i) text.push_back(0x7E - static_cast<UTF32>(i % 90));
    text.push_back(0x4E2D);
    text.push_back(0x1F600);
    for (size_t i = 0; i < 70; ++i) text.push_back(0x41 + static_cast<UTF32>(i % 26));

    const Bytes utf8 = ConvertAll<UTF8>(FXUTF::ConvertUTF32ToUTF8, text, text.size() * 4);
    EXPECT_EQ(ConvertAll<UTF32>(FXUTF::ConvertUTF8ToUTF32, utf8, text.size()), text);
    // UTF-16 goes through the same fast path.
    EXPECT_EQ(ConvertAll<UTF16>(FXUTF::ConvertUTF8ToUTF16, utf8, text.size() + 1),
              ConvertAll<UTF16>(FXUTF::ConvertUTF32ToUTF16, text, text.size() + 1));

    // A stray byte after the first run, or inside the run of multi-byte characters, fails
    // exactly there; so does a target that ends after the first run.
    const std::ptrdiff_t inIsland = static_cast<std::ptrdiff_t>(2 * run + 5);
    struct {
      std::ptrdiff_t at;
      size_t capacity;
      HRESULT code;
      size_t consumed;
      size_t written;
    } failures[] = {
        {static_cast<std::ptrdiff_t>(run), text.size() + 1, kIllegal, run, run},
        {inIsland, text.size() + 1, kIllegal, 2 * run + 5, 2 * run + 2},
        {-1, run, kTargetFull, run, run},
    };
    for (const auto& f : failures) {
      SCOPED_TRACE(testing::Message() << "failure at " << f.at);
      Bytes input = utf8;
      if (f.at >= 0) input.insert(input.begin() + f.at, 0xBF);
      const SConversion failed = Utf8To32(input, f.capacity);
      EXPECT_EQ(failed.error.GetCode(), f.code);
      EXPECT_EQ(failed.consumed, f.consumed);
      EXPECT_EQ(failed.written,
                Units32(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(f.written)));
    }
  }
}

// Round trips over every scalar value fix the rest of the encoding; these are the edges.
TEST(FXUTF, UTF32ToUTF8Encodes) {
  struct {
    UTF32 ch;
    FXUTF::ConversionFlags flags;
    Bytes expected;
  } cases[] = {
      {0x7F, kStrict, {0x7F}},
      {0x80, kStrict, {0xC2, 0x80}},
      {0x800, kStrict, {0xE0, 0xA0, 0x80}},
      {0xFFFF, kStrict, {0xEF, 0xBF, 0xBF}},
      {0x10000, kStrict, {0xF0, 0x90, 0x80, 0x80}},
      {0x110000, kStrict, {0xF4, 0x90, 0x80, 0x80}},
      {0x1FFFFF, kStrict, {0xF7, 0xBF, 0xBF, 0xBF}},
      {0x200000, kStrict, {0xEF, 0xBF, 0xBD}},
      {0x200000, kLenient, {0xEF, 0xBF, 0xBD}},
      {0xFFFFFFFF, kStrict, {0xEF, 0xBF, 0xBD}},
      {0xD800, kLenient, {0xED, 0xA0, 0x80}},
      {0xDFFF, kLenient, {0xED, 0xBF, 0xBF}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << "U+" << c.ch << " flags " << c.flags);
    const SConversion r =
        Convert<UTF32, UTF8>(FXUTF::ConvertUTF32ToUTF8, Units32{c.ch}, 4, c.flags);
    EXPECT_EQ(r.error.GetCode(), 0);
    EXPECT_EQ(r.consumed, 1u);
    EXPECT_EQ(r.written, Units32(c.expected.begin(), c.expected.end()));
  }
}

TEST(FXUTF, UTF32ToUTF8Failures) {
  // Strict mode rejects surrogates, naming the value; the earlier character stays written.
  SConversion r = Convert<UTF32, UTF8>(FXUTF::ConvertUTF32ToUTF8, Units32{0x41, 0xD800, 0x42}, 8);
  EXPECT_EQ(r.error.GetCode(), kIllegal);
  EXPECT_EQ(CauseMessage(r.error),
            "Illegal character encountered; strict conversion failed, character=0xD800");
  EXPECT_EQ(r.consumed, 1u);
  EXPECT_EQ(r.written, Units32{0x41});

  // Room for two bytes: nothing of U+20AC is written.
  r = Convert<UTF32, UTF8>(FXUTF::ConvertUTF32ToUTF8, Units32{0x20AC}, 2);
  EXPECT_EQ(r.error.GetCode(), kTargetFull);
  EXPECT_EQ(CauseMessage(r.error), kFull);
  EXPECT_EQ(r.consumed, 0u);
  EXPECT_TRUE(r.written.empty());
}

TEST(FXUTF, UTF16Sources) {
  const auto to8 = FXUTF::ConvertUTF16ToUTF8;
  const auto to32 = FXUTF::ConvertUTF16ToUTF32;
  const char kUnpaired[] = "Illegal character encountered; strict conversion failed, character=0x";
  struct {
    Units16 source;
    FXUTF::ConversionFlags flags;
    HRESULT code;
    size_t consumed;
    std::string utf8;  // written by the UTF-8 conversion
    Units32 utf32;     // written by the UTF-32 conversion
    std::string message;
  } cases[] = {
      {{0x61, 0xD83D, 0xDE00}, kStrict, 0, 3, "a\xF0\x9F\x98\x80", {0x61, 0x1F600}, ""},
      {{0x61, 0xD800}, kLenient, kSourceShort, 1, "a", {0x61}, kShort},
      {{0x61, 0xD800, 0x62}, kStrict, kIllegal, 1, "a", {0x61}, kUnpaired + "D800"s},
      {{0xDC01}, kStrict, kIllegal, 0, "", {}, kUnpaired + "DC01"s},
      {{0xD800, 0x62}, kLenient, 0, 2, "\xED\xA0\x80\x62", {0xD800, 0x62}, ""},
      {{0xDC01}, kLenient, 0, 1, "\xED\xB0\x81", {0xDC01}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "row " << &c - cases);
    const SConversion r8 = Convert<UTF16, UTF8>(to8, c.source, 16, c.flags);
    EXPECT_EQ(r8.error.GetCode(), c.code);
    EXPECT_EQ(r8.consumed, c.consumed);
    const Bytes utf8 = Ascii(c.utf8);
    EXPECT_EQ(r8.written, Units32(utf8.begin(), utf8.end()));
    const SConversion r32 = Convert<UTF16, UTF32>(to32, c.source, 16, c.flags);
    EXPECT_EQ(r32.error.GetCode(), c.code);
    EXPECT_EQ(r32.consumed, c.consumed);
    EXPECT_EQ(r32.written, c.utf32);
    if (c.code != 0) {
      EXPECT_EQ(CauseMessage(r8.error), c.message);
      EXPECT_EQ(CauseMessage(r32.error), c.message);
    }
  }

  // A pair that does not fit leaves the source at its high surrogate.
  const SConversion r8 = Convert<UTF16, UTF8>(to8, Units16{0x61, 0xD83D, 0xDE00}, 4);
  EXPECT_EQ(r8.error.GetCode(), kTargetFull);
  EXPECT_EQ(r8.consumed, 1u);
  const SConversion r32 = Convert<UTF16, UTF32>(to32, Units16{0x61, 0xD83D, 0xDE00}, 1);
  EXPECT_EQ(r32.error.GetCode(), kTargetFull);
  EXPECT_EQ(r32.consumed, 1u);
}

TEST(FXUTF, UTF16Targets) {
  struct {
    const char* name;
    UTF32 ch;
    std::string utf8;
    FXUTF::ConversionFlags flags;
    size_t capacity;
    HRESULT code;
    Units32 written;
  } cases[] = {
      {"BMP", 0x20AC, "\xE2\x82\xAC", kStrict, 2, 0, {0x20AC}},
      {"pair", 0x1F600, "\xF0\x9F\x98\x80", kStrict, 2, 0, {0xD83D, 0xDE00}},
      {"last pair", 0x10FFFF, "\xF4\x8F\xBF\xBF", kStrict, 2, 0, {0xDBFF, 0xDFFF}},
      {"pair without room", 0x10000, "\xF0\x90\x80\x80", kStrict, 1, kTargetFull, {}},
      {"surrogate, strict", 0xD800, "\xED\xA0\x80", kStrict, 2, kIllegal, {}},
      {"surrogate, lenient", 0xDBFF, "\xED\xAF\xBF", kLenient, 2, 0, {0xFFFD}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const SConversion from32 =
        Convert<UTF32, UTF16>(FXUTF::ConvertUTF32ToUTF16, Units32{c.ch}, c.capacity, c.flags);
    EXPECT_EQ(from32.error.GetCode(), c.code);
    EXPECT_EQ(from32.consumed, c.code == 0 ? 1u : 0u);
    EXPECT_EQ(from32.written, c.written);
    const SConversion from8 =
        Convert<UTF8, UTF16>(FXUTF::ConvertUTF8ToUTF16, Ascii(c.utf8), c.capacity, c.flags);
    EXPECT_EQ(from8.error.GetCode(), c.code);
    EXPECT_EQ(from8.consumed, c.code == 0 ? c.utf8.size() : 0u);
    EXPECT_EQ(from8.written, c.written);
  }

  // Values beyond U+10FFFF only exist in UTF-32.
  SConversion r = Convert<UTF32, UTF16>(FXUTF::ConvertUTF32ToUTF16, Units32{0x41, 0x110000}, 4);
  EXPECT_EQ(r.error.GetCode(), kIllegal);
  EXPECT_EQ(CauseMessage(r.error),
            "Illegal character encountered; strict conversion failed, character=0x110000");
  EXPECT_EQ(r.consumed, 1u);
  r = Convert<UTF32, UTF16>(FXUTF::ConvertUTF32ToUTF16, Units32{0x110000}, 4, kLenient);
  EXPECT_EQ(r.error.GetCode(), 0);
  EXPECT_EQ(r.written, Units32{0xFFFD});
}

TEST(FXUTF, Copies) {
  const Units16 text16 = {1, 2, 3, 4, 5};
  SConversion r = Convert<UTF16, UTF16>(FXUTF::CopyUTF16ToUTF16, text16, 5);
  EXPECT_EQ(r.error.GetCode(), 0);
  EXPECT_EQ(r.written, (Units32{1, 2, 3, 4, 5}));
  r = Convert<UTF16, UTF16>(FXUTF::CopyUTF16ToUTF16, text16, 3);
  EXPECT_EQ(r.error.GetCode(), kTargetFull);
  EXPECT_EQ(r.consumed, 3u);
  EXPECT_EQ(r.written, (Units32{1, 2, 3}));
  EXPECT_EQ(CauseMessage(r.error), kFull);

  const Units32 text32 = {0xD800, 0x110000, 7};  // copied as they are, whatever the flags
  r = Convert<UTF32, UTF32>(FXUTF::CopyUTF32ToUTF32, text32, 3);
  EXPECT_EQ(r.error.GetCode(), 0);
  EXPECT_EQ(r.written, text32);
  r = Convert<UTF32, UTF32>(FXUTF::CopyUTF32ToUTF32, text32, 0);
  EXPECT_EQ(r.error.GetCode(), kTargetFull);
  EXPECT_EQ(r.consumed, 0u);
}

// Every routine names its own signature in the error it makes.
TEST(FXUTF, ErrorsNameTheirFunction) {
  const auto signature = [](const char* name, const char* in, const char* out) {
    return std::string("CYqError FXUTF::") + name + "(const " + in + "**, const " + in + "*, " +
           out + "**, " + out + "*, FXUTF::ConversionFlags)";
  };
  const Units32 wide = {0x41};
  const Units16 narrow = {0x41};
  const Bytes bytes = {0x41};
  struct {
    CYqError error;
    std::string function;
  } cases[] = {
      {Convert<UTF32, UTF8>(FXUTF::ConvertUTF32ToUTF8, wide, 0).error,
       signature("ConvertUTF32ToUTF8", "UTF32", "UTF8")},
      {Convert<UTF8, UTF32>(FXUTF::ConvertUTF8ToUTF32, bytes, 0).error, kUTF8ToUTF32},
      {Convert<UTF16, UTF8>(FXUTF::ConvertUTF16ToUTF8, narrow, 0).error,
       signature("ConvertUTF16ToUTF8", "UTF16", "UTF8")},
      {Convert<UTF8, UTF16>(FXUTF::ConvertUTF8ToUTF16, bytes, 0).error,
       signature("ConvertUTF8ToUTF16", "UTF8", "UTF16")},
      {Convert<UTF32, UTF16>(FXUTF::ConvertUTF32ToUTF16, wide, 0).error,
       signature("ConvertUTF32ToUTF16", "UTF32", "UTF16")},
      {Convert<UTF16, UTF32>(FXUTF::ConvertUTF16ToUTF32, narrow, 0).error,
       signature("ConvertUTF16ToUTF32", "UTF16", "UTF32")},
      {Convert<UTF16, UTF16>(FXUTF::CopyUTF16ToUTF16, narrow, 0).error,
       signature("CopyUTF16ToUTF16", "UTF16", "UTF16")},
      {Convert<UTF32, UTF32>(FXUTF::CopyUTF32ToUTF32, wide, 0).error,
       signature("CopyUTF32ToUTF32", "UTF32", "UTF32")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.function);
    EXPECT_EQ(c.error.GetCode(), kTargetFull);
    EXPECT_EQ(CauseFunction(c.error), c.function);
  }
}

TEST(FXUTF, NullPointersFail) {
  const UTF8 byte = 0x41;
  UTF32 unit = 0;
  const UTF8* in = &byte;
  UTF32* out = &unit;
  for (const auto& error : {FXUTF::ConvertUTF8ToUTF32(nullptr, &byte + 1, &out, &unit + 1, kStrict),
                            FXUTF::ConvertUTF8ToUTF32(&in, &byte + 1, nullptr, &unit + 1, kStrict)})
    EXPECT_EQ(error.GetCode(), kInvalidParameter);
  EXPECT_EQ(FXUTF::IsLegalUTF8(nullptr, 1).GetCode(), kInvalidParameter);
}

// Every scalar value survives UTF-32 -> UTF-8 -> UTF-32, UTF-8 -> UTF-16 -> UTF-8 and
// UTF-32 -> UTF-16 -> UTF-32, and its UTF-8 form has the right length and sorts in code point
// order.
TEST(FXUTF, RoundTripsEveryScalarValue) {
  Units32 values;
  for (UTF32 ch = 0; ch <= 0x10FFFF; ++ch)
    if (ch < 0xD800 || ch > 0xDFFF) values.push_back(ch);

  const Bytes utf8 = ConvertAll<UTF8>(FXUTF::ConvertUTF32ToUTF8, values, values.size() * 4);
  const UTF8* p = utf8.data();
  Bytes previous;
  for (const UTF32 ch : values) {
    const int length = ch < 0x80 ? 1 : ch < 0x800 ? 2 : ch < 0x10000 ? 3 : 4;
    ASSERT_LE(p + length, utf8.data() + utf8.size());
    ASSERT_EQ(FXUTF::IsLegalUTF8(p, length).GetCode(), 0) << std::hex << ch;
    const Bytes current(p, p + length);
    ASSERT_LT(previous, current) << std::hex << ch;
    previous = current;
    p += length;
  }
  ASSERT_EQ(p, utf8.data() + utf8.size());

  EXPECT_TRUE(ConvertAll<UTF32>(FXUTF::ConvertUTF8ToUTF32, utf8, values.size()) == values);
  const Units16 utf16 = ConvertAll<UTF16>(FXUTF::ConvertUTF8ToUTF16, utf8, values.size() * 2);
  EXPECT_EQ(utf16.size(), values.size() + (0x110000 - 0x10000));
  EXPECT_TRUE(ConvertAll<UTF8>(FXUTF::ConvertUTF16ToUTF8, utf16, utf8.size()) == utf8);
  EXPECT_TRUE(ConvertAll<UTF16>(FXUTF::ConvertUTF32ToUTF16, values, utf16.size()) == utf16);
  EXPECT_TRUE(ConvertAll<UTF32>(FXUTF::ConvertUTF16ToUTF32, utf16, values.size()) == values);
}
