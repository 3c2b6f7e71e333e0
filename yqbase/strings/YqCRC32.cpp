#include "yqbase/strings/YqCRC32.h"

#include "yqbase/strings/YqCRC32Private.h"

void CYqCRC32::UpdateCRC32(const unsigned char* data, unsigned int length) {
  if (data != nullptr) m_crc = CYqCRC32Private::Update(m_crc, data, length);
}

void CYqCRC32::UpdateCRC32_old(const unsigned char* data, unsigned int length) {
  if (data == nullptr) return;
  CYqCRC32Private::EnsureTables();
  m_crc = CYqCRC32Private::Bytes(m_crc, data, length);
}

bool CYqCRC32::CheckWordByWord() {
  CYqCRC32Private::EnsureTables();
  return CYqCRC32Private::WordByWord(0xFFFFFFFFu, CYqCRC32Private::CheckData(), 128) ==
         CCrc32Traits::kCheck;
}
