// CMd5: MD5 message digests.
#pragma once

#include <cstddef>
#include <cstdint>

#include "yqbase/errors/YqExport.h"

/// The MD5 digest of a byte stream, fed in pieces of any size. Not thread-safe; copies are
/// independent. MD5 detects accidental change only: it is no defence against forgery.
///
///   CMd5 md5;
///   md5.Start();
///   md5.Process(data, length);  // as often as needed
///   md5.End();
///   unsigned char digest[16];
///   md5.GetCode(digest);
class YQBASE_EXPORT CMd5 {
 public:
  CMd5() { Start(); }

  /// Begins a new digest.
  void Start();
  /// Adds `length` bytes (none when `data` is null).
  void Process(const char* data, unsigned int length);
  /// Adds the padding and the bit count; the digest is then ready. Call once per Start.
  void End();
  /// Copies the 16 bytes of the digest to `out`.
  void GetCode(unsigned char* out) const;

 private:
  void Blocks(const unsigned char* p, size_t count);

  std::uint32_t m_state[4];
  std::uint64_t m_bits;
  unsigned char m_block[64];
  unsigned m_fill;
};
