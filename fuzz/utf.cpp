// UTF-8/16/32 conversions and IsLegalUTF8 on arbitrary units: targets of exactly the needed
// size (ASan catches a write past them), pointers kept in range, strict round trips.
#include <cstring>
#include <memory>

#include "fuzz/FuzzUtil.h"
#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/strings/utfConversions.h"

namespace {

template <typename S, typename T>
using Converter = CYqError (*)(const S**, const S*, T**, T*, FXUTF::ConversionFlags);

// Converts all of `in` into a heap target of exactly `capacity` units.
template <typename S, typename T>
CYqError ConvertInto(Converter<S, T> convert, const std::vector<S>& in, size_t capacity,
                     FXUTF::ConversionFlags flags, std::vector<T>& out) {
  std::unique_ptr<S[]> source(new S[in.size()]);  // exact size: over-reads are caught too
  std::copy(in.begin(), in.end(), source.get());
  std::unique_ptr<T[]> target(new T[capacity]);
  const S* s = source.get();
  T* t = target.get();
  const CYqError err = convert(&s, source.get() + in.size(), &t, target.get() + capacity, flags);
  FUZZ_CHECK(s >= source.get() && s <= source.get() + in.size());
  FUZZ_CHECK(t >= target.get() && t <= target.get() + capacity);
  FUZZ_CHECK(err.Failed() || s == source.get() + in.size());
  out.assign(target.get(), t);
  return err;
}

// Converts with room to spare, then checks that exactly the produced size suffices and one
// unit less fails with 111.
template <typename S, typename T>
CYqError Convert(Converter<S, T> convert, const std::vector<S>& in, FXUTF::ConversionFlags flags,
                 std::vector<T>& out) {
  const CYqError err = ConvertInto(convert, in, in.size() * 4 + 4, flags, out);
  if (err.Failed()) return err;
  std::vector<T> again;
  FUZZ_CHECK(ConvertInto(convert, in, out.size(), flags, again).Succeeded() && again == out);
  if (!out.empty())
    FUZZ_CHECK(FXErrorUtil::IsWin32(ConvertInto(convert, in, out.size() - 1, flags, again), 111));
  return err;
}

// Strict conversion there and back gives the input again.
template <typename S, typename T>
void CheckRoundTrip(Converter<S, T> there, Converter<T, S> back, const std::vector<S>& in) {
  std::vector<T> mid;
  if (Convert(there, in, FXUTF::strictConversion, mid).Failed()) return;
  std::vector<S> out;
  FUZZ_CHECK(Convert(back, mid, FXUTF::strictConversion, out).Succeeded() && out == in);
}

template <typename U>
std::vector<U> Units(const std::vector<uint8_t>& bytes) {
  std::vector<U> units(bytes.size() / sizeof(U));
  if (!units.empty()) std::memcpy(units.data(), bytes.data(), units.size() * sizeof(U));
  return units;
}

// IsLegalUTF8 over each sequence as its lead byte announces it, in a buffer of exactly that size.
bool AllSequencesLegal(const std::vector<UTF8>& text) {
  for (size_t i = 0; i < text.size();) {
    const int length = 1 + FXUTF::s_TrailingBytesForUTF8[text[i]];
    if (static_cast<size_t>(length) > text.size() - i) return false;
    std::unique_ptr<UTF8[]> sequence(new UTF8[length]);
    std::memcpy(sequence.get(), &text[i], length);
    if (FXUTF::IsLegalUTF8(sequence.get(), length).Failed()) return false;
    i += length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const auto flags = input.ConsumeBool() ? FXUTF::lenientConversion : FXUTF::strictConversion;
  const int legalLength = input.ConsumeIntegralInRange(0, 6);
  const std::vector<uint8_t> bytes = input.ConsumeRemainingBytes<uint8_t>();

  // A length outside 1 to 4 fails without reading; others read only `length` bytes.
  if (legalLength > 0 && bytes.size() >= static_cast<size_t>(legalLength)) {
    std::unique_ptr<UTF8[]> head(new UTF8[legalLength]);
    std::memcpy(head.get(), bytes.data(), legalLength);
    const CYqError legal = FXUTF::IsLegalUTF8(head.get(), legalLength);
    FUZZ_CHECK((legalLength >= 1 && legalLength <= 4) || FXErrorUtil::IsWin32(legal, 87));
  }

  const std::vector<UTF8> utf8(bytes.begin(), bytes.end());
  std::vector<UTF32> utf32;
  std::vector<UTF16> utf16;
  const CYqError decoded = Convert(FXUTF::ConvertUTF8ToUTF32, utf8, flags, utf32);
  FUZZ_CHECK(decoded.Succeeded() == AllSequencesLegal(utf8));
  if (decoded.Succeeded()) {
    // Encoded surrogates decode as they are and come back in lenient mode.
    std::vector<UTF8> back;
    FUZZ_CHECK(
        Convert(FXUTF::ConvertUTF32ToUTF8, utf32, FXUTF::lenientConversion, back).Succeeded() &&
        back == utf8);
  }
  (void)Convert(FXUTF::ConvertUTF8ToUTF16, utf8, flags, utf16);
  CheckRoundTrip(FXUTF::ConvertUTF8ToUTF16, FXUTF::ConvertUTF16ToUTF8, utf8);

  const std::vector<UTF16> units16 = Units<UTF16>(bytes);
  std::vector<UTF8> utf8From16;
  (void)Convert(FXUTF::ConvertUTF16ToUTF8, units16, flags, utf8From16);
  (void)Convert(FXUTF::ConvertUTF16ToUTF32, units16, flags, utf32);
  CheckRoundTrip(FXUTF::ConvertUTF16ToUTF8, FXUTF::ConvertUTF8ToUTF16, units16);
  CheckRoundTrip(FXUTF::ConvertUTF16ToUTF32, FXUTF::ConvertUTF32ToUTF16, units16);
  std::vector<UTF16> copy16;
  FUZZ_CHECK(Convert(FXUTF::CopyUTF16ToUTF16, units16, flags, copy16).Succeeded() &&
             copy16 == units16);

  const std::vector<UTF32> units32 = Units<UTF32>(bytes);
  (void)Convert(FXUTF::ConvertUTF32ToUTF8, units32, flags, utf8From16);
  (void)Convert(FXUTF::ConvertUTF32ToUTF16, units32, flags, utf16);
  CheckRoundTrip(FXUTF::ConvertUTF32ToUTF16, FXUTF::ConvertUTF16ToUTF32, units32);
  // Strict UTF-8 encodes values up to 0x1FFFFF, but decoding stops at 0x10FFFF.
  bool unicode = true;
  for (UTF32 c : units32) unicode = unicode && c <= 0x10FFFF;
  if (unicode) CheckRoundTrip(FXUTF::ConvertUTF32ToUTF8, FXUTF::ConvertUTF8ToUTF32, units32);
  std::vector<UTF32> copy32;
  FUZZ_CHECK(Convert(FXUTF::CopyUTF32ToUTF32, units32, flags, copy32).Succeeded() &&
             copy32 == units32);
  return 0;
}
