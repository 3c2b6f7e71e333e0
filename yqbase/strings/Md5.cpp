#include "yqbase/strings/Md5.h"

#include <cstring>

namespace {

inline std::uint32_t Rotl(std::uint32_t v, int s) { return (v << s) | (v >> (32 - s)); }

inline std::uint32_t LoadLittleEndian(const unsigned char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap32(v);
#endif
  return v;
}

inline void StoreLittleEndian(unsigned char* p, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// The four auxiliary functions, in forms with fewer operations or a shorter dependency on b
// (the result of the previous step) than the textbook ones.
#define YQ_MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define YQ_MD5_G(x, y, z) (((x) & (z)) + ((y) & ~(z)))
#define YQ_MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define YQ_MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))
// The message word and constant are added first: they do not wait for b.
#define YQ_MD5_STEP(f, a, b, c, d, k, t, s) \
  a += x[k] + (t);                          \
  a += YQ_MD5_##f(b, c, d);                 \
  a = Rotl(a, s) + (b)
#define YQ_MD5_FOUR(f, k0, k1, k2, k3, t0, t1, t2, t3, s0, s1, s2, s3) \
  YQ_MD5_STEP(f, a, b, c, d, k0, t0, s0);                              \
  YQ_MD5_STEP(f, d, a, b, c, k1, t1, s1);                              \
  YQ_MD5_STEP(f, c, d, a, b, k2, t2, s2);                              \
  YQ_MD5_STEP(f, b, c, d, a, k3, t3, s3)

}  // namespace

void CMd5::Start() {
  m_state[0] = 0x67452301u;
  m_state[1] = 0xefcdab89u;
  m_state[2] = 0x98badcfeu;
  m_state[3] = 0x10325476u;
  m_bits = 0;
  m_fill = 0;
}

void CMd5::Process(const char* data, unsigned int length) {
  if (data == nullptr || length == 0) return;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
  m_bits += std::uint64_t{length} << 3;
  if (m_fill != 0) {
    const unsigned take = length < 64 - m_fill ? length : 64 - m_fill;
    std::memcpy(m_block + m_fill, p, take);
    m_fill += take;
    p += take;
    length -= take;
    if (m_fill < 64) return;
    Blocks(m_block, 1);
    m_fill = 0;
  }
  Blocks(p, length / 64);
  p += length / 64 * 64;
  m_fill = length % 64;
  std::memcpy(m_block, p, m_fill);
}

void CMd5::End() {
  unsigned char tail[72] = {0x80};
  const std::uint64_t bits = m_bits;
  // Pads to 56 bytes modulo 64, then the bit count, little-endian.
  const unsigned pad = (m_fill < 56 ? 56 : 120) - m_fill;
  StoreLittleEndian(tail + pad, bits, 8);
  Process(reinterpret_cast<const char*>(tail), pad + 8);
  m_bits = bits;
}

void CMd5::GetCode(unsigned char* out) const {
  for (int i = 0; i < 4; ++i) StoreLittleEndian(out + 4 * i, m_state[i], 4);
}

void CMd5::Blocks(const unsigned char* p, size_t count) {
  std::uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
  for (; count > 0; --count, p += 64) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian(p + 4 * i);
    const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d;
    YQ_MD5_FOUR(F, 0, 1, 2, 3, 0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 7, 12, 17, 22);
    YQ_MD5_FOUR(F, 4, 5, 6, 7, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501, 7, 12, 17, 22);
    YQ_MD5_FOUR(F, 8, 9, 10, 11, 0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 7, 12, 17, 22);
    YQ_MD5_FOUR(F, 12, 13, 14, 15, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821, 7, 12, 17, 22);
    YQ_MD5_FOUR(G, 1, 6, 11, 0, 0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 5, 9, 14, 20);
    YQ_MD5_FOUR(G, 5, 10, 15, 4, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8, 5, 9, 14, 20);
    YQ_MD5_FOUR(G, 9, 14, 3, 8, 0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 5, 9, 14, 20);
    YQ_MD5_FOUR(G, 13, 2, 7, 12, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a, 5, 9, 14, 20);
    YQ_MD5_FOUR(H, 5, 8, 11, 14, 0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 4, 11, 16, 23);
    YQ_MD5_FOUR(H, 1, 4, 7, 10, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70, 4, 11, 16, 23);
    YQ_MD5_FOUR(H, 13, 0, 3, 6, 0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 4, 11, 16, 23);
    YQ_MD5_FOUR(H, 9, 12, 15, 2, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665, 4, 11, 16, 23);
    YQ_MD5_FOUR(I, 0, 7, 14, 5, 0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 6, 10, 15, 21);
    YQ_MD5_FOUR(I, 12, 3, 10, 1, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1, 6, 10, 15, 21);
    YQ_MD5_FOUR(I, 8, 15, 6, 13, 0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 6, 10, 15, 21);
    YQ_MD5_FOUR(I, 4, 11, 2, 9, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391, 6, 10, 15, 21);
    a += a0;
    b += b0;
    c += c0;
    d += d0;
  }
  m_state[0] = a;
  m_state[1] = b;
  m_state[2] = c;
  m_state[3] = d;
}
