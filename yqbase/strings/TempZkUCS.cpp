#include "yqbase/strings/TempZkUCS.h"

#include <langinfo.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <cwchar>
#include <memory>
#include <mutex>

#include "yqbase/errors/YqError.h"
#include "yqbase/errors/ZkException.h"

namespace yqbase_unicode {
extern const unsigned short decomp_ofs[2048];
extern const ucs2_char decomp_bmp[];
extern const unsigned short ccc_ofs[2048];
extern const unsigned char ccc_bmp[];
}  // namespace yqbase_unicode

namespace {

const char* const utf_8_names[] = {"UTF-8", "UTF8", "UTF_8", "utf-8", "utf8", "utf_8"};
const char* const iso_8859_1_names[] = {"ISO-8859-1", "ISO8859-1", "ISO88591", "ISO_8859_1",
                                        "ISO8859_1",  "iso-8859-1", "iso8859-1", "iso88591",
                                        "iso_8859_1", "iso8859_1"};

// The code set of the locale, detected once.
struct SLocaleState {
  std::mutex lock;
  std::atomic<bool> static_init{false};
  std::atomic<bool> mbe_is_utf{false};
  std::vector<std::string> native_charset_list;
};

SLocaleState& State() {
  static SLocaleState state;
  return state;
}

void SetCodeSet(const char* codeSet) {
  SLocaleState& state = State();
  std::vector<std::string> names;
  if (codeSet == nullptr || *codeSet == '\0')
    names.assign(std::begin(iso_8859_1_names), std::end(iso_8859_1_names));
  else
    names.push_back(codeSet);
  bool isUtf = false;
  for (const std::string& name : names)
    for (const char* utf : utf_8_names)
      if (name == utf) isUtf = true;
  std::lock_guard<std::mutex> guard(state.lock);
  state.native_charset_list = names;
  state.mbe_is_utf = isUtf;
  state.static_init = true;
}

void _init_static() {
  if (!State().static_init.load(std::memory_order_acquire)) SetCodeSet(nl_langinfo(CODESET));
}

[[noreturn]] void Throw(const char* function, const std::string& message, int line) {
  throw ZkException(function, message, FXCodeLocation::TrimSourcePath(__FILE__), line, -1);
}

size_t Length(const ucs2_char* text) {
  size_t n = 0;
  if (text != nullptr)
    while (text[n] != 0) ++n;
  return n;
}

bool IsHighSurrogate(unsigned u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(unsigned u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Hangul syllable arithmetic.
constexpr unsigned kSBase = 0xAC00, kLBase = 0x1100, kVBase = 0x1161, kTBase = 0x11A7;
constexpr unsigned kLCount = 19, kVCount = 21, kTCount = 28, kNCount = kVCount * kTCount;
constexpr unsigned kSCount = kLCount * kNCount;

unsigned CombiningClass(ucs2_char u) {
  return yqbase_unicode::ccc_bmp[yqbase_unicode::ccc_ofs[u >> 5] + (u & 31)];
}

void Decompose(ucs2_char u, std::vector<ucs2_char>& out) {
  if (u >= kSBase && u < kSBase + kSCount) {
    const unsigned s = u - kSBase;
    out.push_back(static_cast<ucs2_char>(kLBase + s / kNCount));
    out.push_back(static_cast<ucs2_char>(kVBase + (s % kNCount) / kTCount));
    if (s % kTCount != 0) out.push_back(static_cast<ucs2_char>(kTBase + s % kTCount));
    return;
  }
  const ucs2_char* entry =
      &yqbase_unicode::decomp_bmp[2 * (yqbase_unicode::decomp_ofs[u >> 5] + (u & 31))];
  if (entry[0] == 0) {
    out.push_back(u);
    return;
  }
  Decompose(entry[0], out);
  if (entry[1] != 0) Decompose(entry[1], out);
}

}  // namespace

// ---- ucs2_string ---------------------------------------------------------------------------

ucs2_string::ucs2_string() : m_units(1, 0), m_length(0) {}

ucs2_string::ucs2_string(const ucs2_char* text) : ucs2_string(text, static_cast<int>(Length(text))) {}

ucs2_string::ucs2_string(const ucs2_char* text, int length) : m_units(), m_length(0) {
  if (text == nullptr || length < 0) length = 0;
  m_units.assign(text, text + length);
  m_units.push_back(0);
  m_length = length;
}

ucs2_char& ucs2_string::operator[](int index) {
  if (index < 0 || index > m_length)
    throw ZkException("ucs2_char& ucs2_string::operator[](int)", "Invalid index value.",
                      FXCodeLocation::TrimSourcePath(__FILE__), __LINE__, -1);
  return m_units[static_cast<size_t>(index)];
}

const ucs2_char& ucs2_string::operator[](int index) const {
  return const_cast<ucs2_string&>(*this)[index];
}

bool ucs2_string::operator==(const ucs2_string& other) const {
  return m_length == other.m_length && m_units == other.m_units;
}

ucs2_string& ucs2_string::operator+=(const ucs2_string& other) {
  m_units.pop_back();
  m_units.insert(m_units.end(), other.m_units.begin(), other.m_units.end());
  m_length += other.m_length;
  return *this;
}

ucs2_string& ucs2_string::operator+=(unsigned short unit) {
  m_units.back() = unit;
  m_units.push_back(0);
  ++m_length;
  return *this;
}

void ucs2_string::resize(int length) {
  if (length < 0) length = 0;
  m_units.resize(static_cast<size_t>(length) + 1, 0);
  m_units.back() = 0;
  m_length = length;
}

// ---- locale --------------------------------------------------------------------------------

bool TempZkUCS::isMbeUtf() {
  _init_static();
  return State().mbe_is_utf.load(std::memory_order_acquire);
}

void TempZkUCS::DetectLocale() { SetCodeSet(nl_langinfo(CODESET)); }

void TempZkUCS::DetectLocale(const char* codeSet) { SetCodeSet(codeSet); }

std::vector<std::string> TempZkUCS::GetNativeCharsetList() {
  _init_static();
  std::lock_guard<std::mutex> guard(State().lock);
  return State().native_charset_list;
}

// ---- UTF-8 ---------------------------------------------------------------------------------

bool TempZkUCS::isUtf(const char* text) {
  if (text == nullptr) return true;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    const unsigned char lead = *p++;
    int trail;
    if (lead < 0x80) continue;
    if ((lead & 0xE0) == 0xC0) trail = 1;
    else if ((lead & 0xF0) == 0xE0) trail = 2;
    else if ((lead & 0xF8) == 0xF0) trail = 3;
    else if ((lead & 0xFC) == 0xF8) trail = 4;
    else if ((lead & 0xFE) == 0xFC) trail = 5;
    else return false;
    for (; trail > 0; --trail, ++p)
      if ((*p & 0xC0) != 0x80) return false;
  }
  return true;
}

bool TempZkUCS::decodeUtf(ucs2_char* out, int* length, const char* in) {
  if (out == nullptr || length == nullptr || in == nullptr || *length < 0) return false;
  const int capacity = *length;
  int n = 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(in);
  while (*p != 0) {
    unsigned value = *p++;
    int trail = 0;
    unsigned minimum = 0;
    if (value < 0x80) {
    } else if ((value & 0xE0) == 0xC0) {
      trail = 1, value &= 0x1F, minimum = 0x80;
    } else if ((value & 0xF0) == 0xE0) {
      trail = 2, value &= 0x0F, minimum = 0x800;
    } else if ((value & 0xF8) == 0xF0) {
      trail = 3, value &= 0x07, minimum = 0x10000;
    } else {
      return false;  // a continuation byte, or a lead of a sequence beyond UTF-16's range
    }
    for (; trail > 0; --trail, ++p) {
      if ((*p & 0xC0) != 0x80) return false;
      value = (value << 6) | (*p & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF) return false;
    // An encoded surrogate is not UTF-8, and ucsToUtf could not turn it back.
    if (value >= 0xD800 && value <= 0xDFFF) return false;
    if (value >= 0x10000) {
      if (n + 2 > capacity) return false;
      value -= 0x10000;
      out[n++] = static_cast<ucs2_char>(0xD800 + (value >> 10));
      out[n++] = static_cast<ucs2_char>(0xDC00 + (value & 0x3FF));
    } else {
      if (n + 1 > capacity) return false;
      out[n++] = static_cast<ucs2_char>(value);
    }
  }
  if (n < capacity) out[n] = 0;
  *length = n;
  return true;
}

bool TempZkUCS::encodeUtf(char* out, int* length, const ucs2_char* in) {
  if (out == nullptr || length == nullptr || in == nullptr || *length < 0) return false;
  const int capacity = *length;
  int n = 0;
  for (const ucs2_char* p = in; *p != 0; ++p) {
    unsigned value = *p;
    if (IsHighSurrogate(value)) {
      if (!IsLowSurrogate(p[1])) return false;
      value = 0x10000 + ((value - 0xD800) << 10) + (p[1] - 0xDC00);
      ++p;
    }
    char bytes[4];
    int count;
    if (value < 0x80) {
      bytes[0] = static_cast<char>(value), count = 1;
    } else if (value < 0x800) {
      bytes[0] = static_cast<char>(0xC0 | (value >> 6));
      bytes[1] = static_cast<char>(0x80 | (value & 0x3F));
      count = 2;
    } else if (value < 0x10000) {
      bytes[0] = static_cast<char>(0xE0 | (value >> 12));
      bytes[1] = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
      bytes[2] = static_cast<char>(0x80 | (value & 0x3F));
      count = 3;
    } else {
      bytes[0] = static_cast<char>(0xF0 | (value >> 18));
      bytes[1] = static_cast<char>(0x80 | ((value >> 12) & 0x3F));
      bytes[2] = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
      bytes[3] = static_cast<char>(0x80 | (value & 0x3F));
      count = 4;
    }
    if (n + count > capacity) return false;
    std::memcpy(out + n, bytes, static_cast<size_t>(count));
    n += count;
  }
  if (n < capacity) out[n] = '\0';
  *length = n;
  return true;
}

ucs2_string TempZkUCS::utfToUcs(const char* text) {
  if (text == nullptr) text = "";
  // A UTF-8 text never has more UTF-16 units than bytes.
  const size_t bytes = std::strlen(text);
  std::unique_ptr<ucs2_char[]> buffer(new ucs2_char[bytes + 1]);
  int length = static_cast<int>(bytes + 1);
  if (!decodeUtf(buffer.get(), &length, text))
    Throw("static ucs2_string TempZkUCS::utfToUcs(const char*)",
          std::string("String \"") + text + "\" is not in UTF-8 format.", __LINE__);
  return ucs2_string(buffer.get(), length);
}

std::string TempZkUCS::ucsToUtf(const ucs2_char* text) {
  const size_t units = Length(text);
  // At most three bytes per unit; a surrogate pair takes four bytes for two units.
  std::string out(3 * units + 1, '\0');
  int length = static_cast<int>(out.size());
  if (text == nullptr || !encodeUtf(&out[0], &length, text))
    Throw("static std::string TempZkUCS::ucsToUtf(const ucs2_char*)",
          "The source string is not in UCS-2/UTF-16 format.", __LINE__);
  out.resize(static_cast<size_t>(length));
  return out;
}

// ---- locale encoding -----------------------------------------------------------------------

std::string TempZkUCS::ucsToMbe(const ucs2_char* text) {
  return isMbeUtf() ? ucsToUtf(text) : ucsToMbeWchar(text);
}

ucs2_string TempZkUCS::mbeToUcs(const char* text) {
  return isMbeUtf() ? utfToUcs(text) : mbeToUcsWchar(text);
}

std::string TempZkUCS::ucsToMbeWchar(const ucs2_char* text) {
  std::string out;
  std::mbstate_t state{};
  char bytes[MB_LEN_MAX];
  const size_t units = Length(text);
  for (size_t i = 0; i < units; ++i) {
    wchar_t wide = static_cast<wchar_t>(text[i]);
    if (IsHighSurrogate(text[i]) && IsLowSurrogate(text[i + 1])) {
      wide = static_cast<wchar_t>(0x10000 + ((text[i] - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    }
    const size_t n = std::wcrtomb(bytes, wide, &state);
    if (n == static_cast<size_t>(-1))
      Throw("static std::string TempZkUCS::ucsToMbeWchar(const ucs2_char*)",
            "UCS to MBE conversion failed: One of UCS-2 characters does not have MBE "
            "representation in the current locale.",
            __LINE__);
    out.append(bytes, n);
  }
  // Return a stateful encoding to its initial shift state.
  const size_t n = std::wcrtomb(bytes, L'\0', &state);
  if (n != static_cast<size_t>(-1) && n > 1) out.append(bytes, n - 1);
  return out;
}

ucs2_string TempZkUCS::mbeToUcsWchar(const char* text) {
  if (text == nullptr) text = "";
  ucs2_string out;
  std::mbstate_t state{};
  const char* p = text;
  size_t left = std::strlen(text);
  while (left > 0) {
    wchar_t wide = 0;
    const size_t n = std::mbrtowc(&wide, p, left, &state);
    if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2)) {
      const char* what = n == static_cast<size_t>(-1) ? "): Invalid MBE byte sequence."
                                                      : "): Incomplete MBE byte sequence.";
      Throw("static ucs2_string TempZkUCS::mbeToUcsWchar(const char*)",
            std::string("MBE to UCS conversion failed (") + text + what +
                " MBE string is incompatible with the current system locale.",
            __LINE__);
    }
    if (n == 0) break;
    const unsigned long value = static_cast<unsigned long>(wide);
    if (value >= 0x10000 && value <= 0x10FFFF) {
      out += static_cast<unsigned short>(0xD800 + ((value - 0x10000) >> 10));
      out += static_cast<unsigned short>(0xDC00 + ((value - 0x10000) & 0x3FF));
    } else {
      out += static_cast<unsigned short>(value);
    }
    p += n;
    left -= n;
  }
  return out;
}

std::string TempZkUCS::ucsToMbeIsoLatin1(const ucs2_char* text) {
  std::string out;
  const size_t units = Length(text);
  out.reserve(units);
  for (size_t i = 0; i < units; ++i) out += static_cast<char>(text[i] & 0xFF);
  return out;
}

ucs2_string TempZkUCS::mbeToUcsIsoLatin1(const char* text) {
  ucs2_string out;
  if (text == nullptr) return out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p)
    out += static_cast<unsigned short>(*p);
  return out;
}

std::string TempZkUCS::utfToMbe(const char* text) {
  if (text == nullptr) text = "";
  if (isMbeUtf()) return text;
  return ucsToMbeWchar(utfToUcs(text).c_str());
}

std::string TempZkUCS::mbeToUtf(const char* text) {
  if (text == nullptr) text = "";
  if (isMbeUtf()) return text;
  return ucsToUtf(mbeToUcsWchar(text).c_str());
}

// ---- normalization -------------------------------------------------------------------------

ucs2_string TempZkUCS::normD(const ucs2_char* text) {
  std::vector<ucs2_char> out;
  const size_t units = Length(text);
  out.reserve(units);
  for (size_t i = 0; i < units; ++i) Decompose(text[i], out);
  // Canonical order: marks of non-zero class are stably sorted by class within each run.
  ucs2_char* data = out.data();
  const int length = static_cast<int>(out.size());
  for (int start = 0; start < length;) {
    if (CombiningClass(data[start]) == 0) {
      ++start;
      continue;
    }
    int end = start;
    while (end < length && CombiningClass(data[end]) != 0) ++end;
    if (end - start > 1)
      std::stable_sort(data + start, data + end, [](ucs2_char a, ucs2_char b) {
        return CombiningClass(a) < CombiningClass(b);
      });
    start = end;
  }
  return ucs2_string(out.data(), length);
}

ucs2_string TempZkUCS::normC(const ucs2_char* text) {
  const ucs2_string decomposed = normD(text);
  ucs2_string out;
  const int length = decomposed.length();
  const ucs2_char* d = decomposed.c_str();
  for (int i = 0; i < length; ++i) {
    const unsigned l = d[i];
    if (l >= kLBase && l < kLBase + kLCount && i + 1 < length && d[i + 1] >= kVBase &&
        d[i + 1] < kVBase + kVCount) {
      unsigned syllable = kSBase + ((l - kLBase) * kVCount + (d[i + 1] - kVBase)) * kTCount;
      ++i;
      if (i + 1 < length && d[i + 1] > kTBase && d[i + 1] < kTBase + kTCount) {
        syllable += d[i + 1] - kTBase;
        ++i;
      }
      out += static_cast<unsigned short>(syllable);
    } else {
      out += static_cast<unsigned short>(l);
    }
  }
  return out;
}
