#include "yqbase/strings/AsciiEBCDIC.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "yqbase/errors/ErrorUtil.h"

namespace {

#include "yqbase/strings/AsciiEBCDIC_testdata.inc"

std::string Bytes(const char* hex) {
  std::string out;
  for (unsigned byte = 0; std::sscanf(hex, "%2x", &byte) == 1; hex += 2)
    out.push_back(static_cast<char>(byte));
  return out;
}

std::string Range(int first, int last) {
  std::string out;
  for (int c = first; c <= last; ++c) out.push_back(static_cast<char>(c));
  return out;
}

}  // namespace

// Printable ASCII and the Latin-1 letters against Python's code page 037, both ways.
TEST(FXAsciiEBCDIC, MatchesCodePage037) {
  const struct {
    std::string ascii;
    std::string ebcdic;
  } rows[] = {{Range(0x20, 0x7E), Bytes(kCp037Printable)},
              {Range(0xC0, 0xFF), Bytes(kCp037Letters)},
              {"@ABCDEFGHI", "\x7C\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.ascii);
    EXPECT_EQ(row.ebcdic, FXAsciiEBCDIC::AtoE(row.ascii));
    EXPECT_EQ(row.ascii, FXAsciiEBCDIC::EtoA(row.ebcdic));
  }
}

TEST(FXAsciiEBCDIC, TablesAreConsistent) {
  std::set<unsigned char> images(FXAsciiEBCDIC::_EbcdicTable, FXAsciiEBCDIC::_EbcdicTable + 256);
  EXPECT_EQ(256u, images.size());  // every ASCII byte has its own EBCDIC byte
  for (int a = 0; a < 256; ++a) {
    SCOPED_TRACE(a);
    const unsigned char back = FXAsciiEBCDIC::_AsciiTable[FXAsciiEBCDIC::_EbcdicTable[a]];
    const bool control = a < 0x20 || (a >= 0x7F && a < 0xA0);
    EXPECT_EQ(control ? 0x20 : a, back);
  }
  EXPECT_EQ(std::string(0x40, ' '), FXAsciiEBCDIC::EtoA(Range(0x00, 0x3F)));  // EBCDIC controls
}

// Every form gives the same bytes, embedded zeros included, and null input fails cleanly.
TEST(FXAsciiEBCDIC, AllFormsAgree) {
  const std::string ascii("Az 09\0~", 7);
  const std::string ebcdic("\xC1\xA9\x40\xF0\xF9\x00\xA1", 7);
  std::string out;
  ASSERT_TRUE(FXAsciiEBCDIC::AtoE(ascii.data(), ascii.size(), out).Succeeded());
  EXPECT_EQ(ebcdic, out);
  ASSERT_TRUE(FXAsciiEBCDIC::EtoA(ebcdic, out).Succeeded());
  EXPECT_EQ("Az 09 ~", out);  // the EBCDIC zero is a control code
  char buffer[7];
  ASSERT_TRUE(FXAsciiEBCDIC::AtoE(ascii.data(), ascii.size(), buffer).Succeeded());
  EXPECT_EQ(ebcdic, std::string(buffer, 7));
  EXPECT_EQ(ebcdic, FXAsciiEBCDIC::AtoE(ascii.data(), ascii.size()));
  EXPECT_EQ(ebcdic.substr(0, 5), FXAsciiEBCDIC::AtoE("Az 09"));
  EXPECT_EQ("Az 09", FXAsciiEBCDIC::EtoA(ebcdic.c_str()));
  unsigned char inPlace[] = {0xC1, 0xA9};
  FXAsciiEBCDIC::Translate(inPlace, 2, inPlace, FXAsciiEBCDIC::_AsciiTable);
  EXPECT_EQ('A', inPlace[0]);
  EXPECT_EQ('z', inPlace[1]);

  EXPECT_TRUE(FXErrorUtil::IsWin32(FXAsciiEBCDIC::EtoA(nullptr, 3, out), 87));
  EXPECT_TRUE(FXErrorUtil::IsWin32(FXAsciiEBCDIC::AtoE("abc", 3, static_cast<char*>(nullptr)), 87));
  EXPECT_EQ("", FXAsciiEBCDIC::EtoA(static_cast<const char*>(nullptr)));
  EXPECT_EQ("", FXAsciiEBCDIC::AtoE(nullptr, 5));
  EXPECT_EQ(std::string("0123456789ABCDEFGHIJKLMNOPQRSTUV"), base32Table);
}
