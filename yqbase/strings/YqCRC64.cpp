#include "yqbase/strings/YqCRC64.h"

#include "yqbase/strings/YqCRC64Private.h"

void CYqCRC64::UpdateCRC64(const unsigned char* data, unsigned int length) {
  if (data != nullptr) m_crc = YqCRC64Private::Update(m_crc, data, length);
}

void CYqCRC64::UpdateCRC64_old(const unsigned char* data, unsigned int length) {
  if (data == nullptr) return;
  YqCRC64Private::EnsureTables();
  m_crc = YqCRC64Private::Bytes(m_crc, data, length);
}

bool CYqCRC64::CheckWordByWord() {
  YqCRC64Private::EnsureTables();
  return YqCRC64Private::WordByWord(0xFFFFFFFFFFFFFFFFull, YqCRC64Private::CheckData(), 128) ==
         CCrc64Traits::kCheck;
}
