#include "yqbase/strings/Ascii85.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "yqbase/errors/ErrorUtil.h"

const unsigned int CAscii85::ulPower85[5] = {85u * 85 * 85 * 85, 85u * 85 * 85, 85u * 85, 85u, 1u};

namespace {

constexpr DWORD kInvalidData = 13;
constexpr DWORD kOutOfMemory = 14;
constexpr DWORD kInvalidParameter = 87;
constexpr DWORD kBufferOverflow = 111;

inline std::uint32_t LoadBigEndian(const unsigned char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return __builtin_bswap32(v);
}

// Writes the five digits of `v`; two independent halves keep the divisions short.
inline char* PutGroup(char* p, std::uint32_t v) {
  const std::uint32_t high = v / (85u * 85u);
  const std::uint32_t low = v % (85u * 85u);
  p[0] = static_cast<char>(high / (85u * 85u) + 33);
  p[1] = static_cast<char>(high / 85u % 85u + 33);
  p[2] = static_cast<char>(high % 85u + 33);
  p[3] = static_cast<char>(low / 85u + 33);
  p[4] = static_cast<char>(low % 85u + 33);
  return p + 5;
}

// The bytes a body decodes to: decoded data goes to `out` while it fits in `capacity`; `total`
// counts every byte, so that an overflow can report the size needed.
class CBodyDecoder {
 public:
  CBodyDecoder(unsigned char* out, size_t capacity) : m_out(out), m_capacity(capacity) {}

  CYqError Run(const unsigned char* p, const unsigned char* end);
  size_t Total() const { return m_total; }

 private:
  void Emit(std::uint32_t value, size_t count) {
    if (count <= m_capacity - std::min(m_capacity, m_total)) {
      unsigned char* q = m_out + m_total;
      if (count == 4) {
        value = __builtin_bswap32(value);
        std::memcpy(q, &value, 4);
      } else {
        for (size_t i = 0; i < count; ++i) q[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
      }
    }
    m_total += count;
  }

  unsigned char* m_out;
  size_t m_capacity;
  size_t m_total = 0;
};

CYqError Invalid(const FXCodeLocation& location, const char* message) {
  return FXErrorUtil::ErrorWin32(location, kInvalidData, "%s", message);
}

CYqError CBodyDecoder::Run(const unsigned char* p, const unsigned char* end) {
  static const char* const kTooLarge = "Group value exceeds 32 bits";
  const std::uint64_t kMax = 0xFFFFFFFFu;
  const unsigned int* power = CAscii85::ulPower85;
  std::uint64_t group = 0;
  int digits = 0;
  while (p < end) {
    if (digits == 0 && end - p >= 5) {
      // Whole groups of five digits, the common case, without per-character branches.
      const unsigned d0 = p[0] - 33u, d1 = p[1] - 33u, d2 = p[2] - 33u, d3 = p[3] - 33u,
                     d4 = p[4] - 33u;
      if ((d0 < 85) & (d1 < 85) & (d2 < 85) & (d3 < 85) & (d4 < 85)) {
        const std::uint64_t v = std::uint64_t{d0} * power[0] + std::uint64_t{d1} * power[1] +
                                d2 * power[2] + d3 * power[3] + d4;
        if (v > kMax) return Invalid(YQ_LOC, kTooLarge);
        Emit(static_cast<std::uint32_t>(v), 4);
        p += 5;
        continue;
      }
    }
    const unsigned c = *p++;
    if (c - 33u < 85u) {
      group = group * 85 + (c - 33u);
      if (++digits == 5) {
        if (group > kMax) return Invalid(YQ_LOC, kTooLarge);
        Emit(static_cast<std::uint32_t>(group), 4);
        group = 0;
        digits = 0;
      }
    } else if (c == 'z') {
      if (digits != 0) return Invalid(YQ_LOC, "'z' inside a group");
      Emit(0, 4);
    } else if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\b') {
      return Invalid(YQ_LOC, "Invalid ASCII85 character");
    }
  }
  if (digits == 1) return Invalid(YQ_LOC, "Single digit in the last group");
  if (digits > 1) {
    for (int i = digits; i < 5; ++i) group = group * 85 + 84;  // padded with "u"
    if (group > kMax) return Invalid(YQ_LOC, kTooLarge);
    Emit(static_cast<std::uint32_t>(group), static_cast<size_t>(digits - 1));
  }
  return CYqError();
}

// Finds the body between "<~" and "~>".
CYqError FindBody(const std::string& text, const unsigned char*& begin, const unsigned char*& end) {
  if (text.size() < 2 || text[0] != '<' || text[1] != '~')
    return Invalid(YQ_LOC, "Invalid beginning marker");
  const unsigned char* data = reinterpret_cast<const unsigned char*>(text.data());
  const void* tilde = std::memchr(data + 2, '~', text.size() - 2);
  if (tilde == nullptr) return Invalid(YQ_LOC, "No end marker found");
  begin = data + 2;
  end = static_cast<const unsigned char*>(tilde);
  if (end + 1 == data + text.size() || end[1] != '>')
    return Invalid(YQ_LOC, "Incomplete end marker found (~ without >)");
  return CYqError();
}

}  // namespace

CYqError CAscii85::Encode(const char* data, size_t length, std::string& out) {
  if (data == nullptr && length != 0)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidParameter, "no data for %llu bytes",
                                   static_cast<unsigned long long>(length));
  const size_t groups = length / 4;
  const size_t rest = length % 4;
  if (groups > (out.max_size() - 8) / 5)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kOutOfMemory, "%llu bytes are too long to encode",
                                   static_cast<unsigned long long>(length));
  try {
    out.resize(4 + 5 * groups + (rest != 0 ? rest + 1 : 0));
  } catch (const std::exception&) {
    return FXErrorUtil::ErrorWin32(YQ_LOC, kOutOfMemory, "no memory to encode %llu bytes",
                                   static_cast<unsigned long long>(length));
  }
  const unsigned char* in = reinterpret_cast<const unsigned char*>(data);
  char* p = &out[0];
  *p++ = '<';
  *p++ = '~';
  for (size_t i = 0; i < groups; ++i, in += 4) {
    const std::uint32_t v = LoadBigEndian(in);
    if (v == 0)
      *p++ = 'z';
    else
      p = PutGroup(p, v);
  }
  if (rest != 0) {
    unsigned char last[4] = {0, 0, 0, 0};
    std::memcpy(last, in, rest);
    char digits[5];
    PutGroup(digits, LoadBigEndian(last));
    std::memcpy(p, digits, rest + 1);
    p += rest + 1;
  }
  *p++ = '~';
  *p++ = '>';
  out.resize(static_cast<size_t>(p - out.data()));
  return CYqError();
}

CYqError CAscii85::Decode(const std::string& text, char* buffer, size_t& length) {
  if (buffer == nullptr && length != 0)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidParameter, "no buffer for %llu bytes",
                                   static_cast<unsigned long long>(length));
  const unsigned char* begin = nullptr;
  const unsigned char* end = nullptr;
  CYqError err = FindBody(text, begin, end);
  CBodyDecoder decoder(reinterpret_cast<unsigned char*>(buffer), length);
  if (err.Succeeded()) err = decoder.Run(begin, end);
  if (err.Failed()) {
    length = 0;
    return err;
  }
  const size_t capacity = length;
  length = decoder.Total();
  if (length > capacity)
    return FXErrorUtil::ErrorWin32(
        YQ_LOC, kBufferOverflow, "The decoded data needs %llu bytes, the buffer holds %llu",
        static_cast<unsigned long long>(length), static_cast<unsigned long long>(capacity));
  return CYqError();
}

CYqError CAscii85::Decode(const std::string& text, auto_ptr_array<char>& buffer, size_t& length) {
  buffer.reset();
  length = 0;
  unsigned long long allocated = 0;
  const unsigned char* begin = nullptr;
  const unsigned char* end = nullptr;
  CYqError err = FindBody(text, begin, end);
  if (err.Succeeded()) {
    // Sized for the text as if it held no blanks: exact for the encoder's output, and never
    // more than four bytes per "z" and four per five other characters.
    const size_t zeros = static_cast<size_t>(std::count(begin, end, 'z'));
    const size_t others = static_cast<size_t>(end - begin) - zeros;
    const unsigned long long size =
        4ull * zeros + others / 5 * 4ull + (others % 5 > 1 ? others % 5 - 1 : 0);
    if (size > static_cast<unsigned long long>(SIZE_MAX))
      err = FXErrorUtil::ErrorWin32(YQ_LOC, kOutOfMemory, "%llu bytes cannot be allocated", size);
    else
      buffer.reset(new (std::nothrow) char[std::max<size_t>(static_cast<size_t>(size), 1)]);
    if (err.Succeeded() && !buffer)
      err = FXErrorUtil::ErrorWin32(YQ_LOC, kOutOfMemory, "no memory for %llu bytes", size);
    if (err.Succeeded()) {
      allocated = size;
      length = static_cast<size_t>(size);
      err = Decode(text, buffer.get(), length);
    }
  }
  if (err.Failed()) {
    buffer.reset();
    length = 0;
    err.Push(YQ_LOC, "AllocatedBufferSize=%llu bytes", allocated);
  }
  return err;
}
