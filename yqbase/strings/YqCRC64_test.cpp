#include "yqbase/strings/YqCRC64.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// One bit at a time, straight from the polynomial.
ULONGLONG BitByBit(ULONGLONG crc, const unsigned char* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    crc ^= ULONGLONG{p[i]} << 56;
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc >> 63) != 0 ? (crc << 1) ^ 0x42F0E1EBA9EA3693ull : crc << 1;
  }
  return crc;
}

}  // namespace

TEST(CYqCRC64, CheckValuesAndSelfTest) {
  const unsigned char* digits = reinterpret_cast<const unsigned char*>("123456789");
  struct Case {
    ULONGLONG initial;
    ULONGLONG expected;  // CRC-64/ECMA-182 and CRC-64/WE (complemented) check values
  };
  for (const Case& c : {Case{0, 0x6C40DF5F0B497347ull}, Case{~0ull, ~0x62EC59E3F1A4F00Aull}}) {
    for (bool old : {false, true}) {
      CYqCRC64 crc(c.initial);
      old ? crc.UpdateCRC64_old(digits, 9) : crc.UpdateCRC64(digits, 9);
      EXPECT_EQ(c.expected, crc.GetCRC64()) << old;
    }
  }
  EXPECT_TRUE(CYqCRC64::CheckWordByWord());
}

// Fast path, byte loop and split updates against the bitwise register.
TEST(CYqCRC64, PathsMatchBitByBit) {
  std::vector<unsigned char> buffer((1u << 20) + 8);
  std::mt19937 rng(64);
  for (unsigned char& c : buffer) c = static_cast<unsigned char>(rng());
  std::vector<unsigned> lengths;
  for (unsigned n = 0; n <= 130; ++n) lengths.push_back(n);
  for (unsigned n : {255u, 1000u, 4096u, 4099u, 65536u + 13, 1u << 20}) lengths.push_back(n);
  for (unsigned n : lengths) {
    SCOPED_TRACE(n);
    const unsigned char* p = buffer.data() + n % 5;
    const ULONGLONG initial = ~0ull - n;
    const ULONGLONG expected = BitByBit(initial, p, n);
    CYqCRC64 fast(initial), slow(initial), split(initial);
    fast.UpdateCRC64(p, n);
    slow.UpdateCRC64_old(p, n);
    split.UpdateCRC64(p, n / 3);
    split.UpdateCRC64(p + n / 3, n - n / 3);
    ASSERT_EQ(expected, fast.GetCRC64());
    ASSERT_EQ(expected, slow.GetCRC64());
    ASSERT_EQ(expected, split.GetCRC64());
  }
}
