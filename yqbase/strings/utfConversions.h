// FXUTF: conversions between UTF-8, UTF-16 and UTF-32 buffers, and UTF-8 validation.
#pragma once

#include <cstdint>

#include "yqbase/errors/YqError.h"

typedef std::uint8_t UTF8;
typedef std::uint16_t UTF16;
typedef std::uint32_t UTF32;

/// Buffer-to-buffer conversions between the three Unicode encoding forms.
///
/// Every conversion takes a source range (*sourceStart up to sourceEnd) and a target range
/// (*targetStart up to targetEnd) and converts one character at a time; a character is written
/// only when all of its units fit. Afterwards *sourceStart and *targetStart point past what was
/// consumed and produced. On failure *sourceStart points at the first unit of the character
/// that failed and *targetStart after the last unit written, so a caller can resume there.
/// Conversions from UTF-8 may use the target past that point (never past targetEnd) as
/// scratch space.
/// Failures are Win32-kind errors: 111 when the target is full, 122 when the source ends
/// inside a character, 582 for an illegal character, 87 for an impossible UTF-8 lead byte.
/// Stateless and thread-safe.
///
///   const UTF8* in = bytes; UTF32* out = units;
///   CYqError err = FXUTF::ConvertUTF8ToUTF32(&in, bytes + n, &out, units + m,
///                                            FXUTF::lenientConversion);
class YQBASE_EXPORT FXUTF {
 public:
  /// Strict conversions fail on surrogate and out-of-range values; lenient ones pass them on
  /// or replace them with U+FFFD.
  enum ConversionFlags { strictConversion = 0, lenientConversion = 1 };

  /// UTF-32 to UTF-8. Values up to 0x1FFFFF take one to four bytes (surrogates fail in strict
  /// mode); larger values become U+FFFD in both modes.
  [[nodiscard]] static CYqError ConvertUTF32ToUTF8(const UTF32** sourceStart,
                                                   const UTF32* sourceEnd, UTF8** targetStart,
                                                   UTF8* targetEnd, ConversionFlags flags);
  /// UTF-8 to UTF-32. Ill-formed sequences fail in both modes; encoded surrogates are
  /// accepted and stored as they are. The flags have no effect.
  [[nodiscard]] static CYqError ConvertUTF8ToUTF32(const UTF8** sourceStart, const UTF8* sourceEnd,
                                                   UTF32** targetStart, UTF32* targetEnd,
                                                   ConversionFlags flags);
  /// UTF-16 to UTF-8. A high surrogate as the last source unit fails with 122; unpaired
  /// surrogates fail in strict mode and are encoded as they are in lenient mode.
  [[nodiscard]] static CYqError ConvertUTF16ToUTF8(const UTF16** sourceStart,
                                                   const UTF16* sourceEnd, UTF8** targetStart,
                                                   UTF8* targetEnd, ConversionFlags flags);
  /// UTF-8 to UTF-16. Decodes like ConvertUTF8ToUTF32; encoded surrogates and values above
  /// 0x10FFFF fail in strict mode and become U+FFFD in lenient mode.
  [[nodiscard]] static CYqError ConvertUTF8ToUTF16(const UTF8** sourceStart, const UTF8* sourceEnd,
                                                   UTF16** targetStart, UTF16* targetEnd,
                                                   ConversionFlags flags);
  /// UTF-32 to UTF-16. Surrogate values and values above 0x10FFFF fail in strict mode and
  /// become U+FFFD in lenient mode.
  [[nodiscard]] static CYqError ConvertUTF32ToUTF16(const UTF32** sourceStart,
                                                    const UTF32* sourceEnd, UTF16** targetStart,
                                                    UTF16* targetEnd, ConversionFlags flags);
  /// UTF-16 to UTF-32. Surrogate pairs are combined; a high surrogate as the last source unit
  /// fails with 122; unpaired surrogates fail in strict mode and pass through in lenient mode.
  [[nodiscard]] static CYqError ConvertUTF16ToUTF32(const UTF16** sourceStart,
                                                    const UTF16* sourceEnd, UTF32** targetStart,
                                                    UTF32* targetEnd, ConversionFlags flags);

  /// Unit-by-unit copies with the same pointer updates; a full target fails with 111.
  [[nodiscard]] static CYqError CopyUTF16ToUTF16(const UTF16** sourceStart, const UTF16* sourceEnd,
                                                 UTF16** targetStart, UTF16* targetEnd,
                                                 ConversionFlags flags);
  [[nodiscard]] static CYqError CopyUTF32ToUTF32(const UTF32** sourceStart, const UTF32* sourceEnd,
                                                 UTF32** targetStart, UTF32* targetEnd,
                                                 ConversionFlags flags);

  /// Success when the `length` bytes at `source` form one legal UTF-8 sequence. Fails with 87
  /// for a length outside 1 to 4, otherwise with 582 naming the offending byte. Encoded
  /// surrogates (ED A0 80 to ED BF BF) are legal here. The length is not checked against the
  /// lead byte ("41 80" with length 2 passes): callers pass the length the lead byte announces
  /// (1 + s_TrailingBytesForUTF8[lead]).
  /// Deliberate departure: after an F4 lead the second byte must be 0x80 to 0x8F (not only at
  /// most 0x8F), else "(2,0xF4)"; otherwise "F4 2F 80 80" would pass and hide the "/".
  [[nodiscard]] static CYqError IsLegalUTF8(const UTF8* source, int length);

  /// The number of continuation bytes that follow each lead byte (0 to 5).
  static const UTF8 s_TrailingBytesForUTF8[256];
  /// What remains of the lead and continuation marker bits after accumulating a sequence of
  /// 1 to 6 bytes; subtracted to get the character.
  static const UTF32 s_OffsetsFromUTF8[6];
};
