#include "yqbase/strings/Md5.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#ifdef YQBASE_HAVE_REFERENCE_CODECS
#include <openssl/evp.h>
#endif

namespace {

std::string Hex(const unsigned char* digest) {
  std::string out;
  char two[3];
  for (int i = 0; i < 16; ++i) {
    std::snprintf(two, sizeof two, "%02x", digest[i]);
    out += two;
  }
  return out;
}

// The digest of `data` fed in pieces of `piece` bytes.
std::string Digest(const std::string& data, size_t piece) {
  CMd5 md5;
  md5.Start();
  for (size_t at = 0; at < data.size(); at += piece)
    md5.Process(data.data() + at, static_cast<unsigned>(std::min(piece, data.size() - at)));
  md5.End();
  unsigned char digest[16];
  md5.GetCode(digest);
  return Hex(digest);
}

}  // namespace

TEST(CMd5, Rfc1321Suite) {
  struct Case {
    std::string data;
    const char* digest;
  };
  const std::string digits = "1234567890";
  std::string eighty;
  for (int i = 0; i < 8; ++i) eighty += digits;
  const Case cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {eighty, "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    for (size_t piece : {1, 7, 64, 1000}) EXPECT_EQ(c.digest, Digest(c.data, piece)) << piece;
  }
}

#ifdef YQBASE_HAVE_REFERENCE_CODECS
// Every length around the padding boundaries and a few large ones, fed whole and in pieces.
TEST(CMd5, MatchesOpenSsl) {
  std::vector<char> buffer(1u << 20);
  std::mt19937 rng(5);
  for (char& c : buffer) c = static_cast<char>(rng());
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 130; ++n) lengths.push_back(n);
  for (size_t n : {1000u, 4096u, 65536u + 13, 1u << 20}) lengths.push_back(n);
  for (size_t n : lengths) {
    SCOPED_TRACE(n);
    unsigned char expected[16];
    unsigned int size = 0;
    ASSERT_EQ(1, EVP_Digest(buffer.data(), n, expected, &size, EVP_md5(), nullptr));
    const std::string data(buffer.data(), n);
    EXPECT_EQ(Hex(expected), Digest(data, n == 0 ? 1 : n));
    EXPECT_EQ(Hex(expected), Digest(data, 61));
  }
}
#endif
