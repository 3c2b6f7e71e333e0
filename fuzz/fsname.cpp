// File-name conversion in the UTF-8 and "C" locales and with the locale ignored: every native
// name survives native -> UTF-8 -> native, and its UTF-8 form is well formed.
#include "fuzz/FuzzUtil.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/strings/utfConversions.h"

namespace {

bool WellFormed(const std::string& text) {
  std::vector<UTF32> units(text.size() + 1);
  const UTF8* s = reinterpret_cast<const UTF8*>(text.data());
  UTF32* t = units.data();
  return FXUTF::ConvertUTF8ToUTF32(&s, s + text.size(), &t, t + units.size(),
                                   FXUTF::strictConversion)
      .Succeeded();
}

void CheckRoundTrip(const std::string& native) {
  std::string error;
  std::string utf8;
  FUZZ_CHECK(TempFsUTF::mbeToUtfChecked(native.c_str(), utf8, error));
  FUZZ_CHECK(WellFormed(utf8));
  std::string back;
  FUZZ_CHECK(TempFsUTF::utfToMbeChecked(utf8.c_str(), back, error));
  FUZZ_CHECK(back == native);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = yqfuzz::UpToNul(std::string(reinterpret_cast<const char*>(data), size));
  static const struct {
    const char* locale;
    bool ignoreLocale;
  } kModes[] = {{"C.UTF-8", false}, {"C", false}, {"C.UTF-8", true}};
  for (const auto& mode : kModes) {
    yqbase_test::CScopedLocale locale(mode.locale, mode.ignoreLocale);
    FUZZ_CHECK(locale.ok());
    CheckRoundTrip(text);  // a whole path: escaped sections end at each "/"
    for (const std::string& name : yqfuzz::SplitAt(text, '/')) CheckRoundTrip(name);
    // Any text taken as UTF-8 gets some native form without harm.
    std::string error;
    (void)TempFsUTF::utfToMbe(text.c_str(), &error);
  }
  return 0;
}
