#include "yqbase/strings/TempZkUCS.h"

#include <gtest/gtest.h>

#include <clocale>
#include <map>
#include <string>
#include <vector>

#include "yqbase/errors/ZkException.h"

namespace {

struct SExpectedNfd {
  unsigned codePoint;
  std::vector<ucs2_char> nfd;
};

// Expected decompositions computed by another implementation when the tables were generated.
const SExpectedNfd kExpectedNfd[] = {
#include "yqbase/strings/TempZkUCS_testdata.inc"
};

ucs2_string U(std::initializer_list<ucs2_char> units) {
  std::vector<ucs2_char> v(units);
  return ucs2_string(v.data(), static_cast<int>(v.size()));
}

std::vector<ucs2_char> Units(const ucs2_string& s) {
  return std::vector<ucs2_char>(s.c_str(), s.c_str() + s.length());
}

// Runs a test body under a locale and puts the previous locale and code set back.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* name) : m_previous(std::setlocale(LC_ALL, nullptr)) {
    m_ok = std::setlocale(LC_ALL, name) != nullptr;
    TempZkUCS::DetectLocale();
  }
  ~ScopedLocale() {
    std::setlocale(LC_ALL, m_previous.c_str());
    TempZkUCS::DetectLocale();
  }
  bool ok() const { return m_ok; }

 private:
  std::string m_previous;
  bool m_ok;
};

template <typename Body>
std::string ThrownText(Body body) {
  try {
    body();
  } catch (const ZkException& e) {
    return e.formatError();
  }
  return "no exception";
}

}  // namespace

// Every BMP code point decomposes as the reference data says, and all others stay unchanged.
TEST(TempZkUCS, NormDMatchesReferenceForEveryBmpCodePoint) {
  std::map<unsigned, std::vector<ucs2_char>> expected;
  for (const SExpectedNfd& row : kExpectedNfd) expected[row.codePoint] = row.nfd;
  size_t checked = 0;
  for (unsigned c = 1; c <= 0xFFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    if (c >= 0xAC00 && c <= 0xD7A3 && expected.count(c) == 0) continue;  // sampled below
    const ucs2_char unit[2] = {static_cast<ucs2_char>(c), 0};
    const std::vector<ucs2_char> actual = Units(TempZkUCS::normD(unit));
    auto it = expected.find(c);
    const std::vector<ucs2_char> want =
        it != expected.end() ? it->second : std::vector<ucs2_char>{unit[0]};
    ASSERT_EQ(want, actual) << "U+" << std::hex << c;
    ++checked;
  }
  EXPECT_GT(checked, 50000u);
}

TEST(TempZkUCS, NormalizationOfSequences) {
  EXPECT_EQ(U({0x0065, 0x0301}), TempZkUCS::normD(U({0x00E9}).c_str()));
  EXPECT_EQ(U({0x1100, 0x1161, 0x11A8}), TempZkUCS::normD(U({0xAC01}).c_str()));
  EXPECT_EQ(U({0xAC00}), TempZkUCS::normC(U({0x1100, 0x1161}).c_str()));
  EXPECT_EQ(U({0x0065, 0x0301}), TempZkUCS::normC(U({0x0065, 0x0301}).c_str()));
  // Marks are put in canonical order (dot below, class 220, before acute, class 230), stably.
  EXPECT_EQ(U({0x0061, 0x0323, 0x0301, 0x0300, 0x0062}),
            TempZkUCS::normD(U({0x0061, 0x0301, 0x0323, 0x0300, 0x0062}).c_str()));
  EXPECT_EQ(U({0x0073, 0x0323, 0x0307}), TempZkUCS::normD(U({0x1E69}).c_str()));
  EXPECT_EQ(0, TempZkUCS::normD(U({}).c_str()).length());
  // Every Hangul syllable survives decomposition and recomposition.
  for (unsigned s = 0xAC00; s <= 0xD7A3; ++s) {
    const ucs2_char unit[2] = {static_cast<ucs2_char>(s), 0};
    ASSERT_EQ(ucs2_string(unit), TempZkUCS::normC(TempZkUCS::normD(unit).c_str())) << s;
  }
}

TEST(ucs2_string, IndexingAndConcatenation) {
  ucs2_string s = U({0x41, 0x42});
  EXPECT_EQ(0, s[2]);
  EXPECT_EQ(0x42, s[1]);
  const char kInvalid[] = "ucs2_char& ucs2_string::operator[](int)(): Invalid index value.";
  EXPECT_EQ(kInvalid, ThrownText([] { (void)ucs2_string()[-1]; }));
  EXPECT_EQ(kInvalid, ThrownText([] { (void)U({1})[2]; }));
  s += U({0x43});
  s += static_cast<unsigned short>(0x44);
  EXPECT_EQ(U({0x41, 0x42, 0x43, 0x44}), s);
  EXPECT_EQ(0, s.c_str()[4]);
  s.resize(1);
  EXPECT_EQ(U({0x41}), s);
  EXPECT_NE(U({0x41, 0}), s);
  EXPECT_EQ(0, ucs2_string(static_cast<const ucs2_char*>(nullptr)).length());
}

TEST(TempZkUCS, Utf8AndUcs2RoundTrip) {
  // The last is U+D7FF and U+E000, around the surrogates.
  const char* valid[] = {"",
                         "plain",
                         "caf\xC3\xA9",
                         "\xE6\x96\x87\xE4\xBB\xB6",
                         "\xF0\x9F\x98\x80 smile",
                         "\xEF\xBF\xBF",
                         "\xED\x9F\xBF\xEE\x80\x80"};
  for (const char* text : valid) {
    SCOPED_TRACE(text);
    EXPECT_TRUE(TempZkUCS::isUtf(text));
    EXPECT_EQ(text, TempZkUCS::ucsToUtf(TempZkUCS::utfToUcs(text).c_str()));
  }
  EXPECT_EQ(U({0xD83D, 0xDE00}), TempZkUCS::utfToUcs("\xF0\x9F\x98\x80"));

  const char* invalid[] = {"\x80", "\xC3", "\xC3x", "\xE6\x96", "\xFF"};
  for (const char* text : invalid) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(TempZkUCS::isUtf(text));
  }
  EXPECT_TRUE(TempZkUCS::isUtf("\xF8\x88\x80\x80\x80"));  // five-byte pattern is well formed
  EXPECT_EQ(std::string("static ucs2_string TempZkUCS::utfToUcs(const char*)(): String \"a\xC3\" "
                        "is not in UTF-8 format."),
            ThrownText([] { (void)TempZkUCS::utfToUcs("a\xC3"); }));
  // Encoded surrogates would come back refused (a lone one) or changed (a pair) from ucsToUtf.
  for (const char* text : {"\xED\xA0\x80", "\xED\xA0\x80\xED\xB0\x80", "x\xED\xBF\xBF"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(std::string("static ucs2_string TempZkUCS::utfToUcs(const char*)(): String \"") +
                  text + "\" is not in UTF-8 format.",
              ThrownText([text] { (void)TempZkUCS::utfToUcs(text); }));
  }
  EXPECT_EQ(
      "static std::string TempZkUCS::ucsToUtf(const ucs2_char*)(): The source string is "
      "not in UCS-2/UTF-16 format.",
      ThrownText([] {
        (void)TempZkUCS::ucsToUtf(U({0x41, 0xD800, 0x41}).c_str());
      }));

  // The raw converters refuse a buffer that is too small.
  ucs2_char small[2];
  int length = 2;
  EXPECT_FALSE(TempZkUCS::decodeUtf(small, &length, "abc"));
  char bytes[3];
  length = 3;
  EXPECT_TRUE(TempZkUCS::encodeUtf(bytes, &length, U({0xE9}).c_str()));
  EXPECT_EQ(2, length);
}

TEST(TempZkUCS, LocaleEncodings) {
  {
    ScopedLocale utf8("C.UTF-8");
    ASSERT_TRUE(utf8.ok());
    EXPECT_TRUE(TempZkUCS::isMbeUtf());
    EXPECT_EQ(U({0x00E9}), TempZkUCS::mbeToUcs("\xC3\xA9"));
    EXPECT_EQ(U({0x00E9}), TempZkUCS::mbeToUcsWchar("\xC3\xA9"));
    EXPECT_EQ(U({0xD83D, 0xDE00}), TempZkUCS::mbeToUcsWchar("\xF0\x9F\x98\x80"));
    EXPECT_EQ("\xF0\x9F\x98\x80", TempZkUCS::ucsToMbeWchar(U({0xD83D, 0xDE00}).c_str()));
    EXPECT_EQ(
        "static ucs2_string TempZkUCS::mbeToUcsWchar(const char*)(): MBE to UCS "
        "conversion failed (a\xFF): Invalid MBE byte sequence. MBE string is "
        "incompatible with the current system locale.",
        ThrownText([] { (void)TempZkUCS::mbeToUcsWchar("a\xFF"); }));
    EXPECT_EQ(
        "static ucs2_string TempZkUCS::mbeToUcsWchar(const char*)(): MBE to UCS "
        "conversion failed (a\xC3): Incomplete MBE byte sequence. MBE string is "
        "incompatible with the current system locale.",
        ThrownText([] { (void)TempZkUCS::mbeToUcsWchar("a\xC3"); }));
    EXPECT_EQ("caf\xC3\xA9", TempZkUCS::utfToMbe("caf\xC3\xA9"));
  }
  {
    ScopedLocale ascii("C");
    ASSERT_TRUE(ascii.ok());
    EXPECT_FALSE(TempZkUCS::isMbeUtf());
    EXPECT_EQ(
        "static std::string TempZkUCS::ucsToMbeWchar(const ucs2_char*)(): UCS to MBE "
        "conversion failed: One of UCS-2 characters does not have MBE representation in "
        "the current locale.",
        ThrownText([] {
          (void)TempZkUCS::ucsToMbe(U({0x41, 0xE9}).c_str());
        }));
    EXPECT_EQ("plain", TempZkUCS::mbeToUtf("plain"));
  }
  TempZkUCS::DetectLocale("");
  EXPECT_FALSE(TempZkUCS::isMbeUtf());
  EXPECT_EQ(10u, TempZkUCS::GetNativeCharsetList().size());
  EXPECT_EQ("ISO-8859-1", TempZkUCS::GetNativeCharsetList().front());
  TempZkUCS::DetectLocale("utf8");
  EXPECT_TRUE(TempZkUCS::isMbeUtf());
  TempZkUCS::DetectLocale();

  EXPECT_EQ("\xE9\x41", TempZkUCS::ucsToMbeIsoLatin1(U({0x1E9, 0x41}).c_str()));
  EXPECT_EQ(U({0xE9, 0x41}), TempZkUCS::mbeToUcsIsoLatin1("\xE9\x41"));
}
