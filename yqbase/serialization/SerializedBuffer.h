// CSerializedBuffer: the growing byte array that a stream of typed tokens is written into.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "yqbase/errors/YqError.h"

/// A growing array of serialized tokens. One token is the identifier text
/// "1.<id>.<type>.<length>." in decimal, a zero byte, and `length` value bytes; tokens follow
/// each other without header, count or trailer. The array never shrinks. Not copyable; one
/// thread at a time.
///
/// Growth departs from adding only what is needed plus m_stCbExtraAllocation: the capacity at
/// least doubles, because growing by a fixed slack copies the whole array every few tokens and
/// made writing a 10,000-property bag take seconds (quadratic in its size).
///
///   CSerializedBuffer buffer;
///   CYqError err = CSerializedBase::AddToken(&buffer, 7, std::string("abc"));
///   std::string text = buffer.GetBufferAsString();  // Ascii85
class YQBASE_EXPORT CSerializedBuffer {
 public:
  CSerializedBuffer();
  ~CSerializedBuffer();
  CSerializedBuffer(const CSerializedBuffer&) = delete;
  CSerializedBuffer& operator=(const CSerializedBuffer&) = delete;

  /// Appends one token whose value is `length` bytes at `data`. Fails with Win32 code 14 when
  /// the array cannot grow and 87 for a null `data` with a non-zero length; the buffer is
  /// unchanged then.
  [[nodiscard]] CYqError AddToken(DWORD id, DWORD type, const char* data, size_t length);
  /// Grows the array to the larger of the used bytes + `needed` + m_stCbExtraAllocation and
  /// twice the capacity, keeping the used bytes. Win32 code 14 when that cannot be allocated;
  /// the array is unchanged then.
  [[nodiscard]] CYqError Reallocate(size_t needed);

  /// The Ascii85 text of the used bytes, empty when there are none. A failure to encode is
  /// logged at level -1 and gives what the encoder produced, normally an empty text.
  std::string GetBufferAsString() const;
  /// The same into `text`, returning the encoder's failure instead of logging it.
  [[nodiscard]] CYqError GetBufferAsString(std::string& text) const;

  /// The used bytes (null before the first token) and their count.
  const char* GetBuffer() const { return m_buffer.get(); }
  size_t GetBufferSize() const { return m_stCbUsed; }
  /// The bytes allocated, used or not.
  size_t GetCapacity() const { return m_stCbBuffer; }

  /// Slack added to every growth, 128 unless a host changes it before writing.
  static size_t m_stCbExtraAllocation;

 private:
  std::unique_ptr<char[]> m_buffer;
  size_t m_stCbBuffer;
  size_t m_stCbUsed;
};
