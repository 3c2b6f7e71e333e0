#include "yqbase/serialization/SerializedBuffer.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/Ascii85.h"

size_t CSerializedBuffer::m_stCbExtraAllocation = 128;

CSerializedBuffer::CSerializedBuffer() : m_stCbBuffer(0), m_stCbUsed(0) {}

CSerializedBuffer::~CSerializedBuffer() = default;

CYqError CSerializedBuffer::Reallocate(size_t needed) {
  const size_t extra = m_stCbExtraAllocation;
  // The sum must not wrap around, which a 32-bit size_t would allow.
  if (needed > SIZE_MAX - extra || needed + extra > SIZE_MAX - m_stCbUsed)
    return FXErrorUtil::ErrorWin32(YQ_LOC, 14, "Needed=[%zu], Used=[%zu]", needed, m_stCbUsed);
  size_t capacity = needed + extra + m_stCbUsed;
  // Doubling keeps appends linear overall; the slack alone would copy every few tokens.
  if (m_stCbBuffer <= SIZE_MAX / 2 && capacity < 2 * m_stCbBuffer) capacity = 2 * m_stCbBuffer;
  std::unique_ptr<char[]> larger(new (std::nothrow) char[capacity]);
  if (!larger) return FXErrorUtil::ErrorWin32(YQ_LOC, 14, "Capacity=[%zu]", capacity);
  if (m_stCbUsed != 0) std::memcpy(larger.get(), m_buffer.get(), m_stCbUsed);
  m_buffer = std::move(larger);
  m_stCbBuffer = capacity;
  return CYqError();
}

CYqError CSerializedBuffer::AddToken(DWORD id, DWORD type, const char* data, size_t length) {
  if (data == nullptr && length != 0)
    return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "Id=[%u], Type=[%u], Length=[%zu]", id, type,
                                   length);
  char identifier[64];
  const int written =
      std::snprintf(identifier, sizeof identifier, "1.%u.%u.%zu.", id, type, length);
  const size_t identifierBytes = static_cast<size_t>(written) + 1;  // with its zero byte
  if (length > SIZE_MAX - identifierBytes)
    return FXErrorUtil::ErrorWin32(YQ_LOC, 14, "Length=[%zu]", length);
  const size_t tokenBytes = identifierBytes + length;
  if (m_stCbBuffer - m_stCbUsed < tokenBytes) {
    CYqError err = Reallocate(tokenBytes);
    if (err.Failed()) return err.Push(YQ_LOC);
  }
  char* out = m_buffer.get() + m_stCbUsed;
  std::memcpy(out, identifier, identifierBytes);
  if (length != 0) std::memcpy(out + identifierBytes, data, length);
  m_stCbUsed += tokenBytes;
  return CYqError();
}

CYqError CSerializedBuffer::GetBufferAsString(std::string& text) const {
  text.clear();
  if (m_stCbUsed == 0) return CYqError();  // no tokens, no text (not even the markers)
  CYqError err = CAscii85::Encode(m_buffer.get(), m_stCbUsed, text);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

std::string CSerializedBuffer::GetBufferAsString() const {
  std::string text;
  CYqError err = GetBufferAsString(text);
  if (err.Failed()) YQ_LOG_FAILURE("Encode failed, error=%s", err.AsString().c_str());
  return text;
}
