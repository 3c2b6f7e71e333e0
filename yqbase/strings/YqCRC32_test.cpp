#include "yqbase/strings/YqCRC32.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#ifdef YQBASE_HAVE_REFERENCE_CODECS
#include <zlib.h>
#endif

namespace {

// Random bytes (fixed seed), long enough for every length the tests use and a 3-byte offset.
const std::vector<unsigned char>& Buffer() {
  static const std::vector<unsigned char> buffer = [] {
    std::vector<unsigned char> b((1u << 20) + 64);
    std::mt19937 rng(32);
    for (unsigned char& c : b) c = static_cast<unsigned char>(rng());
    return b;
  }();
  return buffer;
}

std::vector<unsigned> Lengths() {
  std::vector<unsigned> lengths;
  for (unsigned n = 0; n <= 130; ++n) lengths.push_back(n);
  for (unsigned n : {255u, 1000u, 4096u, 4099u, 65536u + 13, 1u << 20}) lengths.push_back(n);
  return lengths;
}

DWORD Fast(DWORD initial, const unsigned char* p, unsigned n) {
  CYqCRC32 crc(initial);
  crc.UpdateCRC32(p, n);
  return crc.GetCRC32();
}

}  // namespace

TEST(CYqCRC32, CheckValuesAndSelfTest) {
  const unsigned char* digits = reinterpret_cast<const unsigned char*>("123456789");
  for (bool old : {false, true}) {
    CYqCRC32 crc;
    old ? crc.UpdateCRC32_old(digits, 9) : crc.UpdateCRC32(digits, 9);
    EXPECT_EQ(0xCBF43926u, ~crc.GetCRC32()) << old;
  }
  EXPECT_TRUE(CYqCRC32::CheckWordByWord());
  EXPECT_EQ(0x12345678u, Fast(0x12345678u, nullptr, 5));
  EXPECT_EQ(0u, Fast(0, Buffer().data(), 0));
}

// Every path (fast, byte loop, split into two updates at any offset) gives the same register.
TEST(CYqCRC32, PathsAgreeOnEveryLength) {
  for (unsigned n : Lengths()) {
    for (unsigned offset = 0; offset < 4; ++offset) {
      SCOPED_TRACE(testing::Message() << "length " << n << " offset " << offset);
      const unsigned char* p = Buffer().data() + offset;
      CYqCRC32 slow(0xFFFFFFFFu - n);
      slow.UpdateCRC32_old(p, n);
      ASSERT_EQ(slow.GetCRC32(), Fast(0xFFFFFFFFu - n, p, n));
      CYqCRC32 split(0xFFFFFFFFu - n);
      split.UpdateCRC32(p, n / 3);
      split.UpdateCRC32(p + n / 3, n - n / 3);
      ASSERT_EQ(slow.GetCRC32(), split.GetCRC32());
    }
  }
}

#ifdef YQBASE_HAVE_REFERENCE_CODECS
// zlib inverts on entry and exit; the register does neither.
TEST(CYqCRC32, MatchesZlib) {
  for (unsigned n : Lengths()) {
    SCOPED_TRACE(n);
    const unsigned char* p = Buffer().data() + n % 3;
    EXPECT_EQ(~crc32(0, p, n) & 0xFFFFFFFFu, Fast(0xFFFFFFFFu, p, n));
    EXPECT_EQ(~crc32(~0x5A5Au & 0xFFFFFFFFu, p, n) & 0xFFFFFFFFu, Fast(0x5A5Au, p, n));
  }
}
#endif
