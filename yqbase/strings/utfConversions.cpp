#include "yqbase/strings/utfConversions.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/strings/utfConversionsPrivate.h"

// clang-format off
const UTF8 FXUTF::s_TrailingBytesForUTF8[256] = {
    0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,
    0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,
    0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,
    0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,
    0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,
    0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,
    1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,
    2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,2,3,3,3,3,3,3,3,3,4,4,4,4,5,5,5,5};
// clang-format on

const UTF32 FXUTF::s_OffsetsFromUTF8[6] = {0x00000000UL, 0x00003080UL, 0x000E2080UL,
                                           0x03C82080UL, 0xFA082080UL, 0x82082080UL};

namespace {

constexpr UTF32 kReplacementChar = 0xFFFD;
constexpr UTF32 kMaxBmp = 0xFFFF;
constexpr UTF32 kMaxLegalUTF32 = 0x10FFFF;
// The largest value that still fits the four-byte UTF-8 pattern.
constexpr UTF32 kMaxFourByteUTF8 = 0x1FFFFF;
constexpr UTF32 kSurrogateHighStart = 0xD800;
constexpr UTF32 kSurrogateHighEnd = 0xDBFF;
constexpr UTF32 kSurrogateLowStart = 0xDC00;
constexpr UTF32 kSurrogateLowEnd = 0xDFFF;
constexpr UTF32 kHalfBase = 0x10000;
constexpr UTF32 kHalfMask = 0x3FF;
constexpr int kHalfShift = 10;

constexpr DWORD kWin32BufferOverflow = 111;
constexpr DWORD kWin32InsufficientBuffer = 122;
constexpr DWORD kWin32IllegalCharacter = 582;
constexpr DWORD kWin32InvalidParameter = 87;

// The location of an error made on behalf of the public function named by `signature`.
#define YQ_UTF_LOCATION(signature)                                                       \
  static constexpr FXCodeLocation kLocation = {FXCodeLocation::TrimSourcePath(__FILE__), \
                                               signature, __LINE__}

inline bool IsSurrogate(UTF32 ch) { return ch >= kSurrogateHighStart && ch <= kSurrogateLowEnd; }

// The failures are built out of line so that the conversion loops stay small.
[[gnu::cold, gnu::noinline]] CYqError TargetFull(const FXCodeLocation& location) {
  return FXErrorUtil::ErrorWin32(location, kWin32BufferOverflow, "Insufficient target buffer size");
}

[[gnu::cold, gnu::noinline]] CYqError SourceTruncated(const FXCodeLocation& location) {
  return FXErrorUtil::ErrorWin32(location, kWin32InsufficientBuffer,
                                 "Too few bytes in source, cannot convert");
}

[[gnu::cold, gnu::noinline]] CYqError StrictFailure(const FXCodeLocation& location, UTF32 ch) {
  return FXErrorUtil::ErrorWin32(
      location, kWin32IllegalCharacter,
      "Illegal character encountered; strict conversion failed, character=0x%llX",
      static_cast<unsigned long long>(ch));
}

[[gnu::cold, gnu::noinline]] CYqError IllFormed(const FXCodeLocation& location, const UTF8* source,
                                                int length) {
  CYqError error = FXUTF::IsLegalUTF8(source, length);
  error.Push(location, "Illegal character encountered");
  return error;
}

[[gnu::cold, gnu::noinline]] CYqError NullPointer(const FXCodeLocation& location) {
  return FXErrorUtil::ErrorWin32(location, kWin32InvalidParameter, "Null source or target pointer");
}

// What is wrong with a UTF-8 sequence, in the order the checks run.
enum class ESequenceFault {
  kNone,
  kLength,
  kByte4,
  kByte3,
  kByte2,
  kByte2E0,
  kByte2F0,
  kByte2F4,
  kLead
};

// Checks one sequence from its last byte backwards; `bad` receives the offending byte. Encoded
// surrogates (lead byte ED) pass.
inline ESequenceFault CheckSequence(const UTF8* source, int length, UTF8& bad) {
  const UTF8* p = source + (length >= 1 && length <= 4 ? length : 0);
  switch (length) {
    default:
      return ESequenceFault::kLength;
    case 4:
      bad = *--p;
      if (bad < 0x80 || bad > 0xBF) return ESequenceFault::kByte4;
      [[fallthrough]];
    case 3:
      bad = *--p;
      if (bad < 0x80 || bad > 0xBF) return ESequenceFault::kByte3;
      [[fallthrough]];
    case 2:
      bad = *--p;
      if (bad > 0xBF) return ESequenceFault::kByte2;
      switch (*source) {
        case 0xE0:
          if (bad < 0xA0) return ESequenceFault::kByte2E0;
          break;
        case 0xF0:
          if (bad < 0x90) return ESequenceFault::kByte2F0;
          break;
        case 0xF4:
          // A second byte below 0x80 would let the sequence swallow the next character.
          if (bad < 0x80 || bad > 0x8F) return ESequenceFault::kByte2F4;
          break;
        default:
          if (bad < 0x80) return ESequenceFault::kByte2;
      }
      [[fallthrough]];
    case 1:
      bad = *source;
      if ((bad >= 0x80 && bad < 0xC2) || bad > 0xF4) return ESequenceFault::kLead;
  }
  return ESequenceFault::kNone;
}

// Stores one character at `target` and advances it; false, with nothing stored, when its
// units do not fit before `targetEnd`.
//
// UTF-8: values up to 0x1FFFFF take one to four bytes, larger values become U+FFFD.
inline bool PutChar(UTF8*& target, UTF8* targetEnd, UTF32 ch) {
  if (ch < 0x80) {
    if (target >= targetEnd) return false;
    *target++ = static_cast<UTF8>(ch);
    return true;
  }
  if (ch > kMaxFourByteUTF8) ch = kReplacementChar;
  const int bytes = ch < 0x800 ? 2 : ch < 0x10000 ? 3 : 4;
  if (targetEnd - target < bytes) return false;
  static constexpr UTF8 kFirstByteMark[5] = {0x00, 0x00, 0xC0, 0xE0, 0xF0};
  for (int i = bytes - 1; i > 0; --i) {
    target[i] = static_cast<UTF8>((ch & 0x3F) | 0x80);
    ch >>= 6;
  }
  target[0] = static_cast<UTF8>(ch | kFirstByteMark[bytes]);
  target += bytes;
  return true;
}

// UTF-16: values above 0xFFFF (at most 0x10FFFF) as a surrogate pair.
inline bool PutChar(UTF16*& target, UTF16* targetEnd, UTF32 ch) {
  if (ch <= kMaxBmp) {
    if (target >= targetEnd) return false;
    *target++ = static_cast<UTF16>(ch);
    return true;
  }
  if (targetEnd - target < 2) return false;
  ch -= kHalfBase;
  *target++ = static_cast<UTF16>((ch >> kHalfShift) + kSurrogateHighStart);
  *target++ = static_cast<UTF16>((ch & kHalfMask) + kSurrogateLowStart);
  return true;
}

// UTF-32, in UTF32 or wchar_t units.
template <typename Unit>
inline bool PutChar(Unit*& target, Unit* targetEnd, UTF32 ch) {
  static_assert(sizeof(Unit) == 4, "32-bit units");
  if (target >= targetEnd) return false;
  *target++ = static_cast<Unit>(ch);
  return true;
}

// The bytes the block-wise ASCII path looks at in one step.
constexpr int kAsciiBlock = 64;
static_assert(kAsciiBlock % 16 == 0 && kAsciiBlock <= 64, "one bit per byte in a 64-bit mask");

// How many leading bytes of the kAsciiBlock bytes at `source` are ASCII (kAsciiBlock when all
// are). Those bytes are stored as wider units at `target`, which must have room for
// kAsciiBlock units; with SSE2 the units past them are scratch that later output overwrites.
template <typename Unit>
inline int WidenAsciiBlock(const UTF8* source, Unit* target) {
  static_assert(sizeof(Unit) == 2 || sizeof(Unit) == 4, "16- or 32-bit units");
#ifdef __SSE2__
  std::uint64_t mask = 0;
  const __m128i zero = _mm_setzero_si128();
  for (int i = 0; i < kAsciiBlock / 16; ++i) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + 16 * i));
    mask |= static_cast<std::uint64_t>(static_cast<unsigned int>(_mm_movemask_epi8(bytes)))
            << (16 * i);
    const __m128i low = _mm_unpacklo_epi8(bytes, zero);
    const __m128i high = _mm_unpackhi_epi8(bytes, zero);
    __m128i* out = reinterpret_cast<__m128i*>(target + 16 * i);
    if constexpr (sizeof(Unit) == 2) {
      _mm_storeu_si128(out, low);
      _mm_storeu_si128(out + 1, high);
    } else {
      _mm_storeu_si128(out, _mm_unpacklo_epi16(low, zero));
      _mm_storeu_si128(out + 1, _mm_unpackhi_epi16(low, zero));
      _mm_storeu_si128(out + 2, _mm_unpacklo_epi16(high, zero));
      _mm_storeu_si128(out + 3, _mm_unpackhi_epi16(high, zero));
    }
  }
  return mask == 0 ? kAsciiBlock : __builtin_ctzll(mask);
#else
  int count = 0;
  for (; count < kAsciiBlock; count += 8) {
    std::uint64_t word;
    std::memcpy(&word, source + count, sizeof word);
    if ((word & 0x8080808080808080ULL) != 0) break;
  }
  while (count < kAsciiBlock && source[count] < 0x80) ++count;
  for (int i = 0; i < count; ++i) target[i] = static_cast<Unit>(source[i]);
  return count;
#endif
}

// Decodes one legal two- or three-byte sequence, the bulk of non-ASCII text, when a unit is
// free; returns false, changing nothing, for anything the general path must look at (for
// UTF-16 targets that includes encoded surrogates). Reads three bytes.
template <typename Unit>
inline bool DecodeShortSequence(const UTF8*& source, Unit*& target) {
  const UTF32 lead = source[0];
  const UTF32 second = source[1] ^ 0x80u;  // the payload when below 0x40
  if (lead - 0xC2u < 0x1Eu) {
    if (second >= 0x40) return false;
    *target++ = static_cast<Unit>(((lead & 0x1F) << 6) | second);
    source += 2;
    return true;
  }
  const UTF32 third = source[2] ^ 0x80u;
  if ((lead & 0xF0) != 0xE0 || (second | third) >= 0x40) return false;
  const UTF32 ch = ((lead & 0x0F) << 12) | (second << 6) | third;
  if (ch < 0x800) return false;
  if constexpr (sizeof(Unit) == 2) {
    if (IsSurrogate(ch)) return false;
  }
  *target++ = static_cast<Unit>(ch);
  source += 3;
  return true;
}

// UTF-8 to UTF-32 (Unit of 32 bits: UTF32 or wchar_t) or UTF-16 (Unit of 16 bits).
template <typename Unit>
CYqError DecodeUTF8(const UTF8** sourceStart, const UTF8* sourceEnd, Unit** targetStart,
                    Unit* targetEnd, FXUTF::ConversionFlags flags, const FXCodeLocation& location) {
  if (sourceStart == nullptr || targetStart == nullptr) return NullPointer(location);
  const UTF8* source = *sourceStart;
  Unit* target = *targetStart;
  CYqError result;
  for (;;) {
    // Fast path: ASCII a block at a time, then the run of short sequences that interrupted
    // it. Whatever it does not accept goes through the general path below, one character at
    // a time, which makes every failure exact.
    while (sourceEnd - source >= kAsciiBlock + 3 && targetEnd - target > kAsciiBlock) {
      const int count = WidenAsciiBlock(source, target);
      source += count;
      target += count;
      if (count == kAsciiBlock) continue;
      bool decoded;
      do {
        decoded = DecodeShortSequence(source, target);
      } while (decoded && sourceEnd - source >= 3 && target < targetEnd && *source >= 0x80);
      if (!decoded) break;
    }
    if (source >= sourceEnd) break;

    // One character, with every check.
    if (*source < 0x80) {
      if (target >= targetEnd) {
        result = TargetFull(location);
        break;
      }
      *target++ = static_cast<Unit>(*source++);
      continue;
    }
    const int extra = FXUTF::s_TrailingBytesForUTF8[*source];
    if (extra >= sourceEnd - source) {
      result = SourceTruncated(location);
      break;
    }
    UTF8 bad;
    if (CheckSequence(source, extra + 1, bad) != ESequenceFault::kNone) {
      result = IllFormed(location, source, extra + 1);
      break;
    }
    // A legal sequence has at most four bytes and decodes to at most 0x10FFFF.
    UTF32 ch = 0;
    const UTF8* next = source;
    switch (extra) {
      case 3:
        ch += *next++;
        ch <<= 6;
        [[fallthrough]];
      case 2:
        ch += *next++;
        ch <<= 6;
        [[fallthrough]];
      case 1:
        ch += *next++;
        ch <<= 6;
        [[fallthrough]];
      default:
        ch += *next++;
    }
    ch -= FXUTF::s_OffsetsFromUTF8[extra];
    if (sizeof(Unit) == 2 && IsSurrogate(ch)) {
      if (flags == FXUTF::strictConversion) {
        result = StrictFailure(location, ch);
        break;
      }
      ch = kReplacementChar;
    }
    if (!PutChar(target, targetEnd, ch)) {
      result = TargetFull(location);
      break;
    }
    source = next;
  }
  *sourceStart = source;
  *targetStart = target;
  return result;
}

// How reading one character from the source went.
enum class ERead { kOk, kTruncated, kIllegal };

// Reads one UTF-32 unit (UTF32 or wchar_t, read as unsigned) for UTF-8 output, where only
// surrogates are illegal, and only in strict mode.
template <typename Unit>
inline ERead ReadUTF32ForUTF8(const Unit*& source, const Unit*, UTF32& ch,
                              FXUTF::ConversionFlags flags) {
  ch = static_cast<UTF32>(*source);
  if (flags == FXUTF::strictConversion && IsSurrogate(ch)) return ERead::kIllegal;
  ++source;
  return ERead::kOk;
}

// Reads one UTF-32 unit for UTF-16 output: surrogates and values above 0x10FFFF are illegal
// in strict mode and U+FFFD in lenient mode.
inline ERead ReadUTF32ForUTF16(const UTF32*& source, const UTF32*, UTF32& ch,
                               FXUTF::ConversionFlags flags) {
  ch = *source;
  if (IsSurrogate(ch) || ch > kMaxLegalUTF32) {
    if (flags == FXUTF::strictConversion) return ERead::kIllegal;
    ch = kReplacementChar;
  }
  ++source;
  return ERead::kOk;
}

// Reads one character from UTF-16, combining a surrogate pair. A high surrogate as the last
// unit is truncated; an unpaired surrogate is illegal in strict mode and read as it is in
// lenient mode.
inline ERead ReadUTF16(const UTF16*& source, const UTF16* sourceEnd, UTF32& ch,
                       FXUTF::ConversionFlags flags) {
  ch = *source;
  if (ch >= kSurrogateHighStart && ch <= kSurrogateHighEnd) {
    if (sourceEnd - source < 2) return ERead::kTruncated;
    const UTF32 low = source[1];
    if (low >= kSurrogateLowStart && low <= kSurrogateLowEnd) {
      ch = ((ch - kSurrogateHighStart) << kHalfShift) + (low - kSurrogateLowStart) + kHalfBase;
      source += 2;
      return ERead::kOk;
    }
    if (flags == FXUTF::strictConversion) return ERead::kIllegal;
  } else if (flags == FXUTF::strictConversion && ch >= kSurrogateLowStart &&
             ch <= kSurrogateLowEnd) {
    return ERead::kIllegal;
  }
  ++source;
  return ERead::kOk;
}

// Converts one character at a time: `read` takes a character from the source (advancing only
// on success, leaving the offending value in `ch` on failure), PutChar stores it.
template <typename In, typename Out, typename Read>
CYqError ConvertEach(const In** sourceStart, const In* sourceEnd, Out** targetStart, Out* targetEnd,
                     FXUTF::ConversionFlags flags, const FXCodeLocation& location, Read read) {
  if (sourceStart == nullptr || targetStart == nullptr) return NullPointer(location);
  const In* source = *sourceStart;
  Out* target = *targetStart;
  CYqError result;
  while (source < sourceEnd) {
    const In* const start = source;
    UTF32 ch;
    const ERead status = read(source, sourceEnd, ch, flags);
    if (status != ERead::kOk) {
      result =
          status == ERead::kTruncated ? SourceTruncated(location) : StrictFailure(location, ch);
      break;
    }
    if (!PutChar(target, targetEnd, ch)) {
      source = start;
      result = TargetFull(location);
      break;
    }
  }
  *sourceStart = source;
  *targetStart = target;
  return result;
}

template <typename Unit>
CYqError CopyUnits(const Unit** sourceStart, const Unit* sourceEnd, Unit** targetStart,
                   Unit* targetEnd, const FXCodeLocation& location) {
  if (sourceStart == nullptr || targetStart == nullptr) return NullPointer(location);
  const Unit* source = *sourceStart;
  Unit* target = *targetStart;
  const bool fits = sourceEnd - source <= targetEnd - target;
  const std::ptrdiff_t count = fits ? sourceEnd - source : targetEnd - target;
  if (count > 0) std::memmove(target, source, static_cast<size_t>(count) * sizeof(Unit));
  *sourceStart = source + count;
  *targetStart = target + count;
  return fits ? CYqError() : TargetFull(location);
}

}  // namespace

CYqError FXUTF::ConvertUTF32ToUTF8(const UTF32** sourceStart, const UTF32* sourceEnd,
                                   UTF8** targetStart, UTF8* targetEnd, ConversionFlags flags) {
  YQ_UTF_LOCATION(
      "CYqError FXUTF::ConvertUTF32ToUTF8(const UTF32**, const UTF32*, UTF8**, UTF8*, "
      "FXUTF::ConversionFlags)");
  return ConvertEach(sourceStart, sourceEnd, targetStart, targetEnd, flags, kLocation,
                     ReadUTF32ForUTF8<UTF32>);
}

CYqError FXUTF::ConvertUTF8ToUTF32(const UTF8** sourceStart, const UTF8* sourceEnd,
                                   UTF32** targetStart, UTF32* targetEnd, ConversionFlags flags) {
  YQ_UTF_LOCATION(
      "CYqError FXUTF::ConvertUTF8ToUTF32(const UTF8**, const UTF8*, UTF32**, UTF32*, "
      "FXUTF::ConversionFlags)");
  return DecodeUTF8(sourceStart, sourceEnd, targetStart, targetEnd, flags, kLocation);
}

CYqError FXUTF::ConvertUTF16ToUTF8(const UTF16** sourceStart, const UTF16* sourceEnd,
                                   UTF8** targetStart, UTF8* targetEnd, ConversionFlags flags) {
  YQ_UTF_LOCATION(
      "CYqError FXUTF::ConvertUTF16ToUTF8(const UTF16**, const UTF16*, UTF8**, UTF8*, "
      "FXUTF::ConversionFlags)");
  return ConvertEach(sourceStart, sourceEnd, targetStart, targetEnd, flags, kLocation, ReadUTF16);
}

CYqError FXUTF::ConvertUTF8ToUTF16(const UTF8** sourceStart, const UTF8* sourceEnd,
                                   UTF16** targetStart, UTF16* targetEnd, ConversionFlags flags) {
  YQ_UTF_LOCATION(
      "CYqError FXUTF::ConvertUTF8ToUTF16(const UTF8**, const UTF8*, UTF16**, UTF16*, "
      "FXUTF::ConversionFlags)");
  return DecodeUTF8(sourceStart, sourceEnd, targetStart, targetEnd, flags, kLocation);
}

CYqError FXUTF::ConvertUTF32ToUTF16(const UTF32** sourceStart, const UTF32* sourceEnd,
                                    UTF16** targetStart, UTF16* targetEnd, ConversionFlags flags) {
  YQ_UTF_LOCATION(
      "CYqError FXUTF::ConvertUTF32ToUTF16(const UTF32**, const UTF32*, UTF16**, UTF16*, "
      "FXUTF::ConversionFlags)");
  return ConvertEach(sourceStart, sourceEnd, targetStart, targetEnd, flags, kLocation,
                     ReadUTF32ForUTF16);
}

CYqError FXUTF::ConvertUTF16ToUTF32(const UTF16** sourceStart, const UTF16* sourceEnd,
                                    UTF32** targetStart, UTF32* targetEnd, ConversionFlags flags) {
  YQ_UTF_LOCATION(
      "CYqError FXUTF::ConvertUTF16ToUTF32(const UTF16**, const UTF16*, UTF32**, UTF32*, "
      "FXUTF::ConversionFlags)");
  // A high surrogate cut off by sourceEnd fails like in the UTF-8 direction rather than being
  // dropped silently.
  return ConvertEach(sourceStart, sourceEnd, targetStart, targetEnd, flags, kLocation, ReadUTF16);
}

CYqError FXUTF::CopyUTF16ToUTF16(const UTF16** sourceStart, const UTF16* sourceEnd,
                                 UTF16** targetStart, UTF16* targetEnd, ConversionFlags) {
  YQ_UTF_LOCATION(
      "CYqError FXUTF::CopyUTF16ToUTF16(const UTF16**, const UTF16*, UTF16**, UTF16*, "
      "FXUTF::ConversionFlags)");
  return CopyUnits(sourceStart, sourceEnd, targetStart, targetEnd, kLocation);
}

CYqError FXUTF::CopyUTF32ToUTF32(const UTF32** sourceStart, const UTF32* sourceEnd,
                                 UTF32** targetStart, UTF32* targetEnd, ConversionFlags) {
  YQ_UTF_LOCATION(
      "CYqError FXUTF::CopyUTF32ToUTF32(const UTF32**, const UTF32*, UTF32**, UTF32*, "
      "FXUTF::ConversionFlags)");
  return CopyUnits(sourceStart, sourceEnd, targetStart, targetEnd, kLocation);
}

CYqError FXUTF::IsLegalUTF8(const UTF8* source, int length) {
  YQ_UTF_LOCATION("CYqError FXUTF::IsLegalUTF8(const UTF8*, int)");
  if (source == nullptr && length >= 1 && length <= 4)
    return FXErrorUtil::ErrorWin32(kLocation, kWin32InvalidParameter, "Null source, Length=%d",
                                   length);
  UTF8 bad = 0;
  const ESequenceFault fault = CheckSequence(source, length, bad);
  const unsigned int character = bad;
  switch (fault) {
    case ESequenceFault::kNone:
      break;
    case ESequenceFault::kLength:
      return FXErrorUtil::ErrorWin32(kLocation, kWin32InvalidParameter,
                                     "Unrecognized sequence length, Length=%d", length);
    case ESequenceFault::kByte4:
      return FXErrorUtil::ErrorWin32(kLocation, kWin32IllegalCharacter,
                                     "Invalid character (4), Character=0x%X, Length=%d", character,
                                     length);
    case ESequenceFault::kByte3:
      return FXErrorUtil::ErrorWin32(kLocation, kWin32IllegalCharacter,
                                     "Invalid character (3), Character=0x%X, Length=%d", character,
                                     length);
    case ESequenceFault::kByte2:
      return FXErrorUtil::ErrorWin32(kLocation, kWin32IllegalCharacter,
                                     "Invalid character (2), Character=0x%X, Length=%d", character,
                                     length);
    case ESequenceFault::kByte2E0:
      return FXErrorUtil::ErrorWin32(kLocation, kWin32IllegalCharacter,
                                     "Invalid character (2,0xE0), Character=0x%X, Length=%d",
                                     character, length);
    case ESequenceFault::kByte2F0:
      return FXErrorUtil::ErrorWin32(kLocation, kWin32IllegalCharacter,
                                     "Invalid character (2,0xF0), Character=0x%X, Length=%d",
                                     character, length);
    case ESequenceFault::kByte2F4:
      return FXErrorUtil::ErrorWin32(kLocation, kWin32IllegalCharacter,
                                     "Invalid character (2,0xF4), Character=0x%X, Length=%d",
                                     character, length);
    case ESequenceFault::kLead:
      return FXErrorUtil::ErrorWin32(kLocation, kWin32IllegalCharacter,
                                     "Invalid character (1), Character=0x%X, Length=%d", character,
                                     length);
  }
  return CYqError();
}

CYqError FXUTFPrivate::ConvertWideToUTF8(const wchar_t** sourceStart, const wchar_t* sourceEnd,
                                         UTF8** targetStart, UTF8* targetEnd,
                                         FXUTF::ConversionFlags flags) {
  YQ_UTF_LOCATION(
      "CYqError FXUTF::ConvertUTF32ToUTF8(const UTF32**, const UTF32*, UTF8**, UTF8*, "
      "FXUTF::ConversionFlags)");
  return ConvertEach(sourceStart, sourceEnd, targetStart, targetEnd, flags, kLocation,
                     ReadUTF32ForUTF8<wchar_t>);
}

CYqError FXUTFPrivate::ConvertUTF8ToWide(const UTF8** sourceStart, const UTF8* sourceEnd,
                                         wchar_t** targetStart, wchar_t* targetEnd,
                                         FXUTF::ConversionFlags flags) {
  YQ_UTF_LOCATION(
      "CYqError FXUTF::ConvertUTF8ToUTF32(const UTF8**, const UTF8*, UTF32**, UTF32*, "
      "FXUTF::ConversionFlags)");
  return DecodeUTF8(sourceStart, sourceEnd, targetStart, targetEnd, flags, kLocation);
}
