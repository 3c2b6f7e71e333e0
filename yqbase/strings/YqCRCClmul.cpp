// Folding of long CRC inputs with carry-less multiplication, on x86 CPUs that have it.
#include <cstring>

#include "yqbase/strings/YqCRCPrivate.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#define YQ_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))

namespace {

// 16 bytes as one 128-bit polynomial: little-endian for reflected CRCs, byte-reversed so that
// the first byte is the most significant for the others.
YQ_CLMUL_TARGET inline __m128i Load(const unsigned char* p, bool reversed, __m128i order) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return reversed ? _mm_shuffle_epi8(v, order) : v;
}

// a times x^distance, plus b: each half of a times its constant.
YQ_CLMUL_TARGET inline __m128i Fold(__m128i a, __m128i k, __m128i b) {
  return _mm_xor_si128(
      _mm_xor_si128(_mm_clmulepi64_si128(a, k, 0x00), _mm_clmulepi64_si128(a, k, 0x11)), b);
}

YQ_CLMUL_TARGET void FoldClmul(const unsigned char* first, const unsigned char* p, size_t n,
                               bool reversed, const std::uint64_t* k512, const std::uint64_t* k128,
                               unsigned char* out) {
  const __m128i order = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m128i far = _mm_loadu_si128(reinterpret_cast<const __m128i*>(k512));
  const __m128i near = _mm_loadu_si128(reinterpret_cast<const __m128i*>(k128));
  __m128i x0 = Load(first, reversed, order);
  __m128i x1 = Load(p, reversed, order);
  __m128i x2 = Load(p + 16, reversed, order);
  __m128i x3 = Load(p + 32, reversed, order);
  p += 48;
  n -= 48;
  for (; n >= 64; n -= 64, p += 64) {
    x0 = Fold(x0, far, Load(p, reversed, order));
    x1 = Fold(x1, far, Load(p + 16, reversed, order));
    x2 = Fold(x2, far, Load(p + 32, reversed, order));
    x3 = Fold(x3, far, Load(p + 48, reversed, order));
  }
  x0 = Fold(x0, near, x1);
  x0 = Fold(x0, near, x2);
  x0 = Fold(x0, near, x3);
  for (; n >= 16; n -= 16, p += 16) x0 = Fold(x0, near, Load(p, reversed, order));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), reversed ? _mm_shuffle_epi8(x0, order) : x0);
}

}  // namespace

bool CrcClmulSupported() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
}

void CrcClmulFold(const unsigned char* first, const unsigned char* p, size_t n, bool reversed,
                  const std::uint64_t* k512, const std::uint64_t* k128, unsigned char* out) {
  FoldClmul(first, p, n, reversed, k512, k128, out);
}

#else

bool CrcClmulSupported() { return false; }

void CrcClmulFold(const unsigned char* first, const unsigned char*, size_t, bool,
                  const std::uint64_t*, const std::uint64_t*, unsigned char* out) {
  std::memcpy(out, first, 16);
}

#endif
