// Throughput of the checksums and Ascii85 beside their anchors: CRC-32 against zlib's crc32,
// CRC-64 against a plain slice-by-8 loop, MD5 against OpenSSL's EVP_Digest, over 64 MiB and
// over 4 KiB blocks; Ascii85 encoding and decoding of 64 MiB.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "yqbase/strings/Ascii85.h"
#include "yqbase/strings/Md5.h"
#include "yqbase/strings/YqCRC32.h"
#include "yqbase/strings/YqCRC64.h"

namespace {

constexpr size_t kLarge = 64u << 20;
constexpr size_t kBlock = 4096;
constexpr size_t kBlockSpan = 256u << 10;  // the 4 KiB calls walk over this much data

const std::vector<unsigned char>& Data() {
  static const std::vector<unsigned char> data = [] {
    std::vector<unsigned char> d(kLarge);
    std::mt19937_64 rng(1);
    for (size_t i = 0; i < d.size(); i += 8) {
      const std::uint64_t v = rng();
      for (size_t j = 0; j < 8; ++j) d[i + j] = static_cast<unsigned char>(v >> (8 * j));
    }
    return d;
  }();
  return data;
}

// The anchor for CRC-64: eight tables, eight bytes a step, one dependency chain.
class CSliceBy8 {
 public:
  CSliceBy8() {
    for (unsigned b = 0; b < 256; ++b) {
      std::uint64_t c = std::uint64_t{b} << 56;
      for (int i = 0; i < 8; ++i) c = (c >> 63) != 0 ? (c << 1) ^ 0x42F0E1EBA9EA3693ull : c << 1;
      m_table[0][b] = c;
    }
    for (int k = 1; k < 8; ++k)
      for (unsigned b = 0; b < 256; ++b)
        m_table[k][b] = (m_table[k - 1][b] << 8) ^ m_table[0][m_table[k - 1][b] >> 56];
  }
  std::uint64_t Update(std::uint64_t crc, const unsigned char* p, size_t n) const {
    for (; n >= 8; n -= 8, p += 8) {
      std::uint64_t w = 0;
      for (int i = 0; i < 8; ++i) w = (w << 8) | p[i];
      w ^= crc;
      crc = m_table[7][w >> 56] ^ m_table[6][(w >> 48) & 0xFF] ^ m_table[5][(w >> 40) & 0xFF] ^
            m_table[4][(w >> 32) & 0xFF] ^ m_table[3][(w >> 24) & 0xFF] ^
            m_table[2][(w >> 16) & 0xFF] ^ m_table[1][(w >> 8) & 0xFF] ^ m_table[0][w & 0xFF];
    }
    for (; n > 0; --n, ++p) crc = m_table[0][(crc >> 56) ^ *p] ^ (crc << 8);
    return crc;
  }

 private:
  std::uint64_t m_table[8][256];
};

const CSliceBy8& SliceBy8() {
  static const CSliceBy8 table;
  return table;
}

std::uint64_t Crc32(const unsigned char* p, size_t n) {
  CYqCRC32 crc;
  crc.UpdateCRC32(p, static_cast<unsigned>(n));
  return crc.GetCRC32();
}
std::uint64_t Zlib(const unsigned char* p, size_t n) { return crc32(0, p, static_cast<uInt>(n)); }
std::uint64_t Crc64(const unsigned char* p, size_t n) {
  CYqCRC64 crc;
  crc.UpdateCRC64(p, static_cast<unsigned>(n));
  return crc.GetCRC64();
}
std::uint64_t Slice8(const unsigned char* p, size_t n) { return SliceBy8().Update(~0ull, p, n); }
std::uint64_t Md5(const unsigned char* p, size_t n) {
  CMd5 md5;
  md5.Start();
  md5.Process(reinterpret_cast<const char*>(p), static_cast<unsigned>(n));
  md5.End();
  unsigned char digest[16];
  md5.GetCode(digest);
  return digest[0];
}
std::uint64_t OpenSslMd5(const unsigned char* p, size_t n) {
  unsigned char digest[16];
  unsigned int size = 0;
  EVP_Digest(p, n, digest, &size, EVP_md5(), nullptr);
  return digest[0];
}

typedef std::uint64_t (*Checksum)(const unsigned char*, size_t);

// One call over the whole 64 MiB, or 4 KiB calls over a cache-sized span.
void Run(benchmark::State& state, Checksum checksum, bool blocks) {
  const unsigned char* data = Data().data();
  size_t at = 0;
  for (auto _ : state) {
    if (blocks) {
      benchmark::DoNotOptimize(checksum(data + at, kBlock));
      at = (at + kBlock) % kBlockSpan;
    } else {
      benchmark::DoNotOptimize(checksum(data, kLarge));
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(blocks ? kBlock : kLarge));
}

#define YQ_CHECKSUM_BENCH(name, function)                                          \
  void BM_##name##_64MiB(benchmark::State& state) { Run(state, function, false); } \
  BENCHMARK(BM_##name##_64MiB)->Unit(benchmark::kMillisecond);                     \
  void BM_##name##_4KiB(benchmark::State& state) { Run(state, function, true); }   \
  BENCHMARK(BM_##name##_4KiB)

YQ_CHECKSUM_BENCH(CYqCRC32, Crc32);
YQ_CHECKSUM_BENCH(zlib_crc32, Zlib);
YQ_CHECKSUM_BENCH(CYqCRC64, Crc64);
YQ_CHECKSUM_BENCH(SliceBy8_CRC64, Slice8);
YQ_CHECKSUM_BENCH(CMd5, Md5);
YQ_CHECKSUM_BENCH(OpenSSL_MD5, OpenSslMd5);

void BM_Ascii85_Encode_64MiB(benchmark::State& state) {
  std::string text;
  for (auto _ : state) {
    const CYqError err =
        CAscii85::Encode(reinterpret_cast<const char*>(Data().data()), kLarge, text);
    benchmark::DoNotOptimize(err.GetCode());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kLarge));
}
BENCHMARK(BM_Ascii85_Encode_64MiB)->Unit(benchmark::kMillisecond);

void BM_Ascii85_Decode_64MiB(benchmark::State& state) {
  std::string text;
  if (CAscii85::Encode(reinterpret_cast<const char*>(Data().data()), kLarge, text).Failed()) {
    state.SkipWithError("encode failed");
    return;
  }
  std::vector<char> out(kLarge);
  for (auto _ : state) {
    size_t length = out.size();
    const CYqError err = CAscii85::Decode(text, out.data(), length);
    benchmark::DoNotOptimize(err.GetCode());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kLarge));
}
BENCHMARK(BM_Ascii85_Decode_64MiB)->Unit(benchmark::kMillisecond);

// The checksums must agree with their anchors before their speeds mean anything.
bool CheckAgainstAnchors() {
  const unsigned char* p = Data().data();
  bool same = true;
  for (size_t n : {kBlock, size_t{1000003}}) {
    same = same && Crc32(p, n) == (~Zlib(p, n) & 0xFFFFFFFFu) && Crc64(p, n) == Slice8(p, n);
    unsigned char ours[16], theirs[16];
    CMd5 md5;
    md5.Start();
    md5.Process(reinterpret_cast<const char*>(p), static_cast<unsigned>(n));
    md5.End();
    md5.GetCode(ours);
    unsigned int size = 0;
    EVP_Digest(p, n, theirs, &size, EVP_md5(), nullptr);
    same = same && std::equal(ours, ours + 16, theirs);
  }
  std::printf("checksums %s their anchors\n", same ? "equal" : "DIFFER FROM");
  return same;
}

void PrintRate(const CRatioReporter& reporter, const char* name, double bytes, const char* anchor) {
  const auto ours = reporter.nanoseconds.find(name);
  if (ours == reporter.nanoseconds.end()) return;
  std::printf("%-28s %6.2f GB/s", name, bytes / ours->second);
  const auto other =
      anchor != nullptr ? reporter.nanoseconds.find(anchor) : reporter.nanoseconds.end();
  if (other != reporter.nanoseconds.end())
    std::printf("   %-28s %6.2f GB/s   speed ratio %.2fx", anchor, bytes / other->second,
                other->second / ours->second);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!CheckAgainstAnchors()) return 1;
  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const double large = static_cast<double>(kLarge), block = static_cast<double>(kBlock);
  PrintRate(reporter, "BM_CYqCRC32_64MiB", large, "BM_zlib_crc32_64MiB");
  PrintRate(reporter, "BM_CYqCRC32_4KiB", block, "BM_zlib_crc32_4KiB");
  PrintRate(reporter, "BM_CYqCRC64_64MiB", large, "BM_SliceBy8_CRC64_64MiB");
  PrintRate(reporter, "BM_CYqCRC64_4KiB", block, "BM_SliceBy8_CRC64_4KiB");
  PrintRate(reporter, "BM_CMd5_64MiB", large, "BM_OpenSSL_MD5_64MiB");
  PrintRate(reporter, "BM_CMd5_4KiB", block, "BM_OpenSSL_MD5_4KiB");
  PrintRate(reporter, "BM_Ascii85_Encode_64MiB", large, nullptr);
  PrintRate(reporter, "BM_Ascii85_Decode_64MiB", large, nullptr);
  return 0;
}
