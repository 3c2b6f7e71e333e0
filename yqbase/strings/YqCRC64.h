// CYqCRC64: the CRC-64 of ECMA-182 as a running register.
#pragma once

#include "yqbase/errors/YqExport.h"
#include "yqbase/errors/YqTypes.h"

/// A CRC-64 register, most significant bit first (polynomial 0x42F0E1EBA9EA3693), that the caller
/// starts and finishes: updates apply no inversion, so the usual checksum is the complement of the
/// register after starting from 0xFFFFFFFFFFFFFFFF. The first update builds the shared tables under
/// a lock; later updates take no lock. One object per thread; copies are independent.
///
///   CYqCRC64 crc(0xFFFFFFFFFFFFFFFF);
///   crc.UpdateCRC64(data, length);
///   ULONGLONG checksum = ~crc.GetCRC64();
class YQBASE_EXPORT CYqCRC64 {
 public:
  explicit CYqCRC64(ULONGLONG initial = 0xFFFFFFFFFFFFFFFFull) : m_crc(initial) {}

  /// Adds `length` bytes (none when `data` is null) by the fastest path that passed its
  /// self-test: carry-less multiplication where the CPU has it, eight bytes a step over
  /// interleaved words from 64 bytes on, else a byte loop.
  void UpdateCRC64(const unsigned char* data, unsigned int length);
  /// Adds `length` bytes one at a time.
  void UpdateCRC64_old(const unsigned char* data, unsigned int length);
  /// Whether the word-by-word path gives the known register over the self-test digits.
  static bool CheckWordByWord();

  ULONGLONG GetCRC64() const { return m_crc; }
  void SetCRC64(ULONGLONG crc) { m_crc = crc; }

 private:
  ULONGLONG m_crc;
};
