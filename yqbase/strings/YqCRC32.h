// CYqCRC32: the CRC-32 of IEEE 802.3 as a running register.
#pragma once

#include "yqbase/errors/YqExport.h"
#include "yqbase/errors/YqTypes.h"

/// A reflected CRC-32 register (polynomial 0xEDB88320) that the caller starts and finishes:
/// updates apply no inversion, so the usual checksum is the complement of the register after
/// starting from 0xFFFFFFFF. The first update builds the shared tables under a lock; later
/// updates take no lock. One object per thread; copies are independent.
///
///   CYqCRC32 crc(0xFFFFFFFF);
///   crc.UpdateCRC32(data, length);
///   DWORD checksum = ~crc.GetCRC32();
class YQBASE_EXPORT CYqCRC32 {
 public:
  explicit CYqCRC32(DWORD initial = 0xFFFFFFFFu) : m_crc(initial) {}

  /// Adds `length` bytes (none when `data` is null) by the fastest path that passed its
  /// self-test: carry-less multiplication where the CPU has it, four bytes a step over
  /// interleaved words from 8 bytes on, else a byte loop.
  void UpdateCRC32(const unsigned char* data, unsigned int length);
  /// Adds `length` bytes one at a time.
  void UpdateCRC32_old(const unsigned char* data, unsigned int length);
  /// Whether the word-by-word path gives the known register over the self-test digits.
  static bool CheckWordByWord();

  DWORD GetCRC32() const { return m_crc; }
  void SetCRC32(DWORD crc) { m_crc = crc; }

 private:
  DWORD m_crc;
};
