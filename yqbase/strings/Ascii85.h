// CAscii85: the Ascii85 text form of byte buffers, between "<~" and "~>".
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/errors/YqExport.h"

/// An owned array allocated with new[]; freed with delete[] when replaced or destroyed.
template <typename T>
using auto_ptr_array = std::unique_ptr<T[]>;

/// Encodes bytes as Ascii85 text and decodes such text back. Four bytes become five digits
/// from "!" to "u" (most significant first); a group of four zero bytes becomes "z"; a final
/// group of n bytes becomes n + 1 digits. Stateless and thread-safe.
///
/// Every failure to decode is a Win32 item 13 (invalid data) whose description names the
/// fault: "Invalid beginning marker", "No end marker found", "Incomplete end marker found (~
/// without >)", "'z' inside a group", "Invalid ASCII85 character", and two more that keep
/// hostile text from giving a silently wrong value: "Group value exceeds 32 bits" (five digits
/// above 2^32-1, which would otherwise wrap) and "Single digit in the last group" (one digit
/// cannot stand for a byte). Text after the end marker is ignored.
class YQBASE_EXPORT CAscii85 {
 public:
  /// The powers of 85 from 85^4 down to 1: the weights of a group's five digits.
  static const unsigned int ulPower85[5];

  /// Replaces `out` with the text of `length` bytes at `data` (null only when `length` is 0).
  /// Fails with Win32 87 for a null `data` and Win32 14 when the text cannot be allocated.
  [[nodiscard]] static CYqError Encode(const char* data, size_t length, std::string& out);

  /// Decodes `text` into `buffer`, which holds `length` bytes; on success `length` is the
  /// number of bytes decoded. When the decoded data does not fit, nothing is written past
  /// `length` bytes and the call fails with Win32 111 (buffer overflow), setting `length` to
  /// the size needed; a null `buffer` with `length` 0 thus asks for the size. Invalid text
  /// fails with Win32 13 as described above, and takes precedence over the overflow.
  [[nodiscard]] static CYqError Decode(const std::string& text, char* buffer, size_t& length);

  /// Decodes `text` into a buffer of its own sized from the text, held by `buffer`; `length`
  /// is the number of bytes decoded. A failure carries "AllocatedBufferSize=%llu bytes" with
  /// the size allocated; a text whose data cannot be allocated fails with Win32 14.
  [[nodiscard]] static CYqError Decode(const std::string& text, auto_ptr_array<char>& buffer,
                                       size_t& length);
};
