// The table-driven engine shared by the CRC-32 and CRC-64 registers: a byte loop and a
// word-by-word path over interleaved lanes, with per-process tables built once under a mutex.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "yqbase/threads/LockableResource.h"
#include "yqbase/threads/Mutex.h"

// Whether this CPU has carry-less multiplication (with SSE4.1).
bool CrcClmulSupported();
// Folds `first` (a copy of the first 16 bytes, the register already xored in) and the `n` bytes
// at `p` (n a multiple of 16, at least 48) into 16 bytes in data order whose CRC from a zero
// register is the CRC of the whole input. `reversed` for CRCs that take the most significant
// bit first; `k512` and `k128` are the fold constants for 64 and 16 bytes ahead.
void CrcClmulFold(const unsigned char* first, const unsigned char* p, size_t n, bool reversed,
                  const std::uint64_t* k512, const std::uint64_t* k128, unsigned char* out);

// One CRC: its register type, whether it takes the least significant bit first, its
// polynomial, the words in flight at once on the word path, the shortest input for that path,
// and the register the self-test expects.
template <typename W, bool reflected, W poly, unsigned lanes, size_t fastMin, W check>
struct CCrcTraits {
  typedef W Word;
  static constexpr bool kReflected = reflected;
  static constexpr Word kPoly = poly;
  static constexpr unsigned kLanes = lanes;
  static constexpr size_t kFastMin = fastMin;
  static constexpr Word kCheck = check;
};

template <typename Traits>
class CCrcTablesT {
 public:
  typedef typename Traits::Word Word;
  static constexpr unsigned kBytes = sizeof(Word);
  static constexpr unsigned kLanes = Traits::kLanes;
  static constexpr unsigned kTop = 8 * kBytes - 8;

  // Byte b times x^8k, for a byte of a word followed by k more bytes.
  static Word s_table[256];
  static Word s_MulWordByXpowD[kBytes][256];
  // The same for a word that skips the other lanes: k + kBytes * (kLanes - 1) bytes follow.
  static Word s_MulInterleavedWordByXpowD[kBytes][256];
  static std::atomic<bool> s_bTableInit;
  static bool s_bWordByWordTrusted;
  static FXMutex s_mutex;
  // The carry-less multiplication path for long inputs, where the CPU has it.
  static bool s_bClmulTrusted;
  static std::uint64_t s_k512[2];
  static std::uint64_t s_k128[2];
  static constexpr size_t kClmulMin = 64;

  // The register after `n` bytes at `p`, by the fastest trusted path.
  static Word Update(Word crc, const unsigned char* p, size_t n) {
    EnsureTables();
    if (n >= kClmulMin && s_bClmulTrusted) {
      const size_t folded = n & ~size_t{15};
      crc = Folded(crc, p, folded);
      p += folded;
      n -= folded;
    }
    if (n >= Traits::kFastMin && s_bWordByWordTrusted) return WordByWord(crc, p, n);
    return Bytes(crc, p, n);
  }

  static void EnsureTables() {
    if (s_bTableInit.load(std::memory_order_acquire)) return;
    auto_lock guard(&s_mutex);
    if (s_bTableInit.load(std::memory_order_relaxed)) return;
    BuildTables();
    s_bWordByWordTrusted = WordByWord(~Word{0}, CheckData(), 128) == Traits::kCheck;
    s_bClmulTrusted = CrcClmulSupported() && Folded(~Word{0}, CheckData(), 128) == Traits::kCheck;
    s_bTableInit.store(true, std::memory_order_release);
  }

  // The digits the self-tests run over (their first 128 bytes).
  static const unsigned char* CheckData() {
    return reinterpret_cast<const unsigned char*>(
        "12345678901234567890123451234567890123456789012345123456789012345678901234512345678901"
        "23456789012345678901234567890123456789012345678901234567890123451234567890123456789012"
        "345123456789012345678901234512345678901234567890123456789012345678901234567890");
  }

  static Word ByteStep(Word crc, unsigned char byte) {
    if (Traits::kReflected) return s_table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return s_table[((crc >> kTop) ^ byte) & 0xFF] ^ static_cast<Word>(crc << 8);
  }

  static Word Bytes(Word crc, const unsigned char* p, size_t n) {
    for (size_t i = 0; i < n; ++i) crc = ByteStep(crc, p[i]);
    return crc;
  }

  // A word in the order the CRC consumes its bytes: the first byte lowest when reflected,
  // highest otherwise.
  static Word Load(const unsigned char* p) {
    Word v;
    std::memcpy(&v, p, kBytes);
    const bool swap = Traits::kReflected != (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
    return swap ? Swap(v) : v;
  }
  static void Store(unsigned char* p, Word v) {
    const bool swap = Traits::kReflected != (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__);
    if (swap) v = Swap(v);
    std::memcpy(p, &v, kBytes);
  }

  // (crc xor v) times x^(8 * bytes consumed), through one of the two table sets.
  static Word WordStep(const Word (&table)[kBytes][256], Word v) {
    Word crc = 0;
    for (unsigned j = 0; j < kBytes; ++j)
      crc ^= table[Traits::kReflected ? kBytes - 1 - j : j][(v >> (8 * j)) & 0xFF];
    return crc;
  }

  // n (at least 64, a multiple of 16) bytes folded by carry-less multiplication.
  static Word Folded(Word crc, const unsigned char* p, size_t n) {
    unsigned char first[16];
    unsigned char rest[16];
    std::memcpy(first, p, 16);
    Store(first, Load(first) ^ crc);
    CrcClmulFold(first, p + 16, n - 16, !Traits::kReflected, s_k512, s_k128, rest);
    return WordByWord(0, rest, 16);
  }

  // Lanes take every kLanes-th word; the last block joins them in order.
  static Word WordByWord(Word crc, const unsigned char* p, size_t n) {
    const size_t block = size_t{kBytes} * kLanes;
    if (n >= 2 * block) {
      Word lane[kLanes] = {crc};
      const size_t blocks = n / block;
      for (size_t i = 1; i < blocks; ++i, p += block)
        for (unsigned j = 0; j < kLanes; ++j)
          lane[j] = WordStep(s_MulInterleavedWordByXpowD, lane[j] ^ Load(p + j * kBytes));
      crc = 0;
      for (unsigned j = 0; j < kLanes; ++j)
        crc = WordStep(s_MulWordByXpowD, crc ^ lane[j] ^ Load(p + j * kBytes));
      p += block;
      n -= blocks * block;
    }
    for (; n >= kBytes; n -= kBytes, p += kBytes) crc = WordStep(s_MulWordByXpowD, crc ^ Load(p));
    return Bytes(crc, p, n);
  }

 private:
  static std::uint32_t Swap(std::uint32_t v) { return __builtin_bswap32(v); }
  static std::uint64_t Swap(std::uint64_t v) { return __builtin_bswap64(v); }

  static void BuildTables() {
    for (unsigned b = 0; b < 256; ++b) {
      Word c = Traits::kReflected ? Word{b} : static_cast<Word>(Word{b} << kTop);
      for (int bit = 0; bit < 8; ++bit) c = MulX(c);
      s_table[b] = c;
    }
    // Each further zero byte multiplies by x^8 once more.
    const unsigned skip = kBytes * (kLanes - 1);
    for (unsigned b = 0; b < 256; ++b) {
      Word c = s_table[b];
      for (unsigned k = 0; k < kBytes + skip; ++k) {
        if (k < kBytes) s_MulWordByXpowD[k][b] = c;
        if (k >= skip) s_MulInterleavedWordByXpowD[k - skip][b] = c;
        c = ByteStep(c, 0);
      }
    }
    // A 64-bit lane times x^n is folded as (lane times K) with K = x^n mod P laid out for the
    // multiplier: reflected, the product comes out one place short, hence n - 1.
    static_assert(Traits::kReflected ? kBytes == 4 : kBytes == 8, "fold layouts");
    for (unsigned i = 0; i < 2; ++i) {
      const unsigned distance = i == 0 ? 512 : 128;
      std::uint64_t* k = i == 0 ? s_k512 : s_k128;
      if (Traits::kReflected) {
        k[0] = std::uint64_t{XPowMod(distance + 63)} << 32;
        k[1] = std::uint64_t{XPowMod(distance - 1)} << 32;
      } else {
        k[0] = XPowMod(distance);
        k[1] = XPowMod(distance + 64);
      }
    }
  }

  // x^n mod P in the register's bit order.
  static Word XPowMod(unsigned n) {
    Word r = Traits::kReflected ? static_cast<Word>(Word{1} << (kTop + 7)) : Word{1};
    for (unsigned i = 0; i < n; ++i) r = MulX(r);
    return r;
  }

  // r times x mod P.
  static Word MulX(Word r) {
    if (Traits::kReflected) return (r & 1) != 0 ? (r >> 1) ^ Traits::kPoly : r >> 1;
    return (r >> (kTop + 7)) != 0 ? static_cast<Word>(r << 1) ^ Traits::kPoly
                                  : static_cast<Word>(r << 1);
  }
};

template <typename T>
typename CCrcTablesT<T>::Word CCrcTablesT<T>::s_table[256];
template <typename T>
typename CCrcTablesT<T>::Word CCrcTablesT<T>::s_MulWordByXpowD[CCrcTablesT<T>::kBytes][256];
template <typename T>
typename CCrcTablesT<T>::Word CCrcTablesT<T>::s_MulInterleavedWordByXpowD[CCrcTablesT<T>::kBytes]
                                                                         [256];
template <typename T>
std::atomic<bool> CCrcTablesT<T>::s_bTableInit{false};
template <typename T>
bool CCrcTablesT<T>::s_bWordByWordTrusted = false;
template <typename T>
FXMutex CCrcTablesT<T>::s_mutex;
template <typename T>
bool CCrcTablesT<T>::s_bClmulTrusted = false;
template <typename T>
std::uint64_t CCrcTablesT<T>::s_k512[2];
template <typename T>
std::uint64_t CCrcTablesT<T>::s_k128[2];
