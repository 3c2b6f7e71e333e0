// UCS-2 conversions and normalization: ZkException is the only failure, raw converters stay
// inside buffers of exactly the given size, accepted text round-trips, NFD is idempotent and
// NFC agrees with NFD.
#include <algorithm>
#include <cstring>
#include <memory>

#include "fuzz/FuzzUtil.h"
#include "yqbase/errors/ZkException.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/strings/TempZkUCS.h"

namespace {

// Runs `step`; false when it throws ZkException (anything else escapes and crashes the run).
template <typename F>
bool Try(F step) {
  try {
    step();
    return true;
  } catch (const ZkException&) {
    return false;
  }
}

void CheckRawConverters(const std::string& utf8, const ucs2_string& ucs, int capacity) {
  std::unique_ptr<ucs2_char[]> units(new ucs2_char[capacity]);
  int length = capacity;
  if (TempZkUCS::decodeUtf(units.get(), &length, utf8.c_str()))
    FUZZ_CHECK(length >= 0 && length <= capacity);
  std::unique_ptr<char[]> bytes(new char[capacity]);
  length = capacity;
  if (TempZkUCS::encodeUtf(bytes.get(), &length, ucs.c_str()))
    FUZZ_CHECK(length >= 0 && length <= capacity);
}

void CheckNormalization(const ucs2_string& text) {
  const ucs2_string d = TempZkUCS::normD(text.c_str());
  FUZZ_CHECK(TempZkUCS::normD(d.c_str()) == d);
  const ucs2_string c = TempZkUCS::normC(text.c_str());
  FUZZ_CHECK(TempZkUCS::normC(d.c_str()) == c);
  FUZZ_CHECK(TempZkUCS::normD(c.c_str()) == d);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const int capacity = input.ConsumeIntegralInRange(0, 64);
  const std::string bytes = input.ConsumeRemainingBytesAsString();
  const std::string utf8 = yqfuzz::UpToNul(bytes);
  std::vector<ucs2_char> units(bytes.size() / 2);
  if (!units.empty()) std::memcpy(units.data(), bytes.data(), units.size() * 2);
  units.erase(std::find(units.begin(), units.end(), 0), units.end());  // as a C string reads
  const ucs2_string ucs(units.data(), static_cast<int>(units.size()));

  CheckRawConverters(utf8, ucs, capacity);

  // UTF-8 the converter accepts comes back unchanged.
  ucs2_string fromUtf;
  if (Try([&] { fromUtf = TempZkUCS::utfToUcs(utf8.c_str()); })) {
    std::string back;
    FUZZ_CHECK(Try([&] { back = TempZkUCS::ucsToUtf(fromUtf.c_str()); }) && back == utf8);
  }
  // UCS-2 that encodes and decodes again is unchanged.
  std::string encoded;
  if (Try([&] { encoded = TempZkUCS::ucsToUtf(ucs.c_str()); })) {
    ucs2_string back;
    if (Try([&] { back = TempZkUCS::utfToUcs(encoded.c_str()); })) FUZZ_CHECK(back == ucs);
  }
  CheckNormalization(ucs);
  CheckNormalization(fromUtf);

  // The locale converters: either a result or ZkException, in both locales.
  for (const char* name : {"C.UTF-8", "C"}) {
    yqbase_test::CScopedLocale locale(name, false);
    ucs2_string ucsBack;
    std::string mbe;
    (void)Try([&] { ucsBack = TempZkUCS::mbeToUcs(utf8.c_str()); });
    (void)Try([&] { mbe = TempZkUCS::ucsToMbe(ucs.c_str()); });
    (void)Try([&] { ucsBack = TempZkUCS::mbeToUcsWchar(utf8.c_str()); });
    (void)Try([&] { mbe = TempZkUCS::ucsToMbeWchar(ucs.c_str()); });
    (void)Try([&] { mbe = TempZkUCS::utfToMbe(utf8.c_str()); });
    (void)Try([&] { mbe = TempZkUCS::mbeToUtf(utf8.c_str()); });
    (void)Try([&] { ucsBack = TempZkUCS::mbeToUcsIsoLatin1(utf8.c_str()); });
    (void)Try([&] { mbe = TempZkUCS::ucsToMbeIsoLatin1(ucs.c_str()); });
  }
  return 0;
}
