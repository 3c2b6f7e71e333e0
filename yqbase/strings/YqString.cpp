#include "yqbase/strings/YqString.h"

#include <cctype>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "yqbase/strings/StringExtensionsPrivate.h"

namespace {

constexpr std::uint64_t kGrowthStep = 256;

std::string_view ViewOf(const CYqString& text) {
  return std::string_view(text.c_str(), text.GetLength() > 0 ? text.GetLength() : 0);
}

int IndexOrMinusOne(size_t pos) {
  return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

// The text with `change` applied to every byte.
template <typename Change>
CYqString MapBytes(CYqString text, Change change) {
  char* bytes = text.GetBuffer();
  for (int i = 0; i < text.GetLength(); ++i)
    bytes[i] = static_cast<char>(change(static_cast<unsigned char>(bytes[i])));
  return text;
}

}  // namespace

CYqString::CYqString()
    : m_dwCapacity(0),
      m_pBuffer(nullptr),
      m_dwUsed(0),
      m_bOwnsBuffer(TRUE),
      m_nLength(0),
      m_szScratch() {}

CYqString::CYqString(const char* text) : CYqString() { AssignBuffer(text, npos); }

CYqString::CYqString(const CYqString& other) : CYqString() {
  AssignBuffer(other.c_str(), npos);
  if (other.m_nLength < 0) m_nLength = other.m_nLength;
}

CYqString::CYqString(CYqString&& other) noexcept : CYqString() { Swap(other); }

CYqString::CYqString(char c) : CYqString() { Append(&c, 1); }
CYqString::CYqString(unsigned char c) : CYqString() {
  const char text = static_cast<char>(c);
  Append(&text, 1);
}
CYqString::CYqString(short value) : CYqString() { InitNumber("%hd", value); }
CYqString::CYqString(unsigned short value) : CYqString() { InitNumber("%hu", value); }
CYqString::CYqString(int value) : CYqString() { InitNumber("%d", value); }
CYqString::CYqString(unsigned int value) : CYqString() { InitNumber("%u", value); }
CYqString::CYqString(long value) : CYqString() { InitNumber("%ld", value); }
CYqString::CYqString(unsigned long value) : CYqString() { InitNumber("%lu", value); }
CYqString::CYqString(long long value) : CYqString() { InitNumber("%lld", value); }
CYqString::CYqString(unsigned long long value) : CYqString() { InitNumber("%llu", value); }
CYqString::CYqString(double value) : CYqString() { InitNumber("%f", value); }

CYqString::~CYqString() {
  if (m_bOwnsBuffer) delete[] m_pBuffer;
}

CYqString& CYqString::operator=(const char* text) {
  AssignBuffer(text, npos);
  return *this;
}

CYqString& CYqString::operator=(const CYqString& other) {
  if (this != &other) {
    AssignBuffer(other.c_str(), npos);
    if (other.m_nLength < 0) m_nLength = other.m_nLength;
  }
  return *this;
}

CYqString& CYqString::operator=(CYqString&& other) noexcept {
  CYqString taken(static_cast<CYqString&&>(other));
  Swap(taken);
  return *this;
}

void CYqString::Swap(CYqString& other) noexcept {
  std::swap(m_dwCapacity, other.m_dwCapacity);
  std::swap(m_pBuffer, other.m_pBuffer);
  std::swap(m_dwUsed, other.m_dwUsed);
  std::swap(m_bOwnsBuffer, other.m_bOwnsBuffer);
  std::swap(m_nLength, other.m_nLength);
}

void CYqString::InitNumber(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int written = std::vsnprintf(m_szScratch, sizeof m_szScratch, format, args);
  if (written < 0) {
    m_nLength = -1;
  } else if (static_cast<size_t>(written) < sizeof m_szScratch) {
    AssignBuffer(m_szScratch, static_cast<unsigned int>(written));
  } else if (Grow(static_cast<unsigned int>(written) + 1)) {
    // Only a very large double gets here; it is formatted again, straight into the buffer.
    std::vsnprintf(m_pBuffer, m_dwCapacity, format, again);
    SetLength(static_cast<unsigned int>(written));
  }
  va_end(again);
  va_end(args);
}

void CYqString::SetLength(unsigned int length) {
  m_pBuffer[length] = '\0';
  m_nLength = static_cast<LONG>(length);
  m_dwUsed = length + 1;
}

bool CYqString::Reallocate(unsigned int capacity) {
  char* buffer = new (std::nothrow) char[capacity];
  if (buffer == nullptr) return false;
  const unsigned int length = m_nLength > 0 ? static_cast<unsigned int>(m_nLength) : 0;
  if (length > 0) std::memcpy(buffer, m_pBuffer, length);
  if (m_bOwnsBuffer) delete[] m_pBuffer;
  m_pBuffer = buffer;
  m_dwCapacity = capacity;
  m_bOwnsBuffer = TRUE;
  SetLength(length);
  return true;
}

bool CYqString::Grow(unsigned int bytes) {
  if (m_pBuffer != nullptr && m_dwCapacity >= bytes) return true;
  // (length + added + 256) rounded down to a multiple of 256, where bytes = length + added + 1.
  const std::uint64_t capacity = (bytes - 1 + kGrowthStep) / kGrowthStep * kGrowthStep;
  if (capacity > 0xFFFFFFFFu) return false;
  return Reallocate(static_cast<unsigned int>(capacity));
}

bool CYqString::Append(const char* text, unsigned int count) {
  if (text == nullptr) return true;
  const unsigned int added = static_cast<unsigned int>(strnlen(text, count));
  if (added == 0) return true;
  const unsigned int length = m_nLength > 0 ? static_cast<unsigned int>(m_nLength) : 0;
  if (static_cast<std::uint64_t>(length) + added + 1 > 0xFFFFFFFFu) {
    Clear();
    return false;
  }
  // The text may lie in this object's own buffer, which Grow can replace.
  const bool inside = m_pBuffer != nullptr && text >= m_pBuffer && text < m_pBuffer + m_dwCapacity;
  const size_t offset = inside ? static_cast<size_t>(text - m_pBuffer) : 0;
  if (!Grow(length + added + 1)) {
    Clear();
    return false;
  }
  std::memmove(m_pBuffer + length, inside ? m_pBuffer + offset : text, added);
  SetLength(length + added);
  return true;
}

bool CYqString::AssignBuffer(const char* data, unsigned int count) {
  if (data == nullptr) data = "";
  const unsigned int length = static_cast<unsigned int>(strnlen(data, count));
  if (m_pBuffer != nullptr && data >= m_pBuffer && data < m_pBuffer + m_dwCapacity) {
    std::memmove(m_pBuffer, data, length);
    SetLength(length);
    return true;
  }
  m_nLength = 0;
  if (m_pBuffer != nullptr) SetLength(0);
  return Append(data, length);
}

bool CYqString::AppendHexValue(unsigned long long value) {
  char text[24];
  const int written = std::snprintf(text, sizeof text, "%llx", value);
  return Append(text, static_cast<unsigned int>(written));
}

CYqString CYqString::SubStr(unsigned int pos, unsigned int count) const {
  CYqString result;
  const std::string_view text = ViewOf(*this);
  if (pos < text.size()) {
    const std::string_view part = text.substr(pos, count);
    result.AssignBuffer(part.data(), static_cast<unsigned int>(part.size()));
  }
  return result;
}

int CYqString::Find(char c, unsigned int pos) const {
  return IndexOrMinusOne(ViewOf(*this).find(c, pos));
}

int CYqString::Find(const char* sub, unsigned int pos) const {
  if (sub == nullptr) return -1;
  return IndexOrMinusOne(ViewOf(*this).find(sub, pos));
}

int CYqString::ReverseFind(char c, unsigned int pos) const {
  return IndexOrMinusOne(ViewOf(*this).rfind(c, pos));
}

int CYqString::ReverseFind(const char* sub, unsigned int pos) const {
  if (sub == nullptr) return -1;
  return IndexOrMinusOne(ViewOf(*this).rfind(sub, pos));
}

void CYqString::ChopAt(unsigned int pos) {
  if (m_nLength > 0 && pos < static_cast<unsigned int>(m_nLength)) SetLength(pos);
}

CYqString CYqString::ToUpper() const {
  return MapBytes(*this, [](unsigned char c) { return std::toupper(c); });
}

CYqString CYqString::ToLower() const {
  return MapBytes(*this, [](unsigned char c) { return std::tolower(c); });
}

int CYqString::Safe_strcmp(const char* a, const char* b) {
  if (a == b) return 0;
  if (a == nullptr) return -1;
  if (b == nullptr) return 1;
  return std::strcmp(a, b);
}

bool CYqString::CheckAndAppendLastCharacter(char c) {
  if (m_nLength > 0 && m_pBuffer[m_nLength - 1] == c) return true;
  return Append(&c, 1);
}

bool CYqString::CheckAndRemoveLastCharacter(char c) {
  if (m_nLength <= 0 || m_pBuffer[m_nLength - 1] != c) return false;
  SetLength(static_cast<unsigned int>(m_nLength) - 1);
  return true;
}

bool CYqString::RemoveLastToken(char c) {
  const int pos = ReverseFind(c);
  if (pos < 0) return false;
  SetLength(static_cast<unsigned int>(pos));
  return true;
}

template <typename Pred>
void CYqString::TrimIf(bool left, Pred strip) {
  const std::string_view text = ViewOf(*this);
  size_t begin = 0;
  size_t end = text.size();
  if (left) {
    while (begin < end && strip(text[begin])) ++begin;
  } else {
    while (end > begin && strip(text[end - 1])) --end;
  }
  if (begin == 0 && end == text.size()) return;
  std::memmove(m_pBuffer, m_pBuffer + begin, end - begin);
  SetLength(static_cast<unsigned int>(end - begin));
}

void CYqString::RTrim(char c) {
  TrimIf(false, [c](char x) { return x == c; });
}
void CYqString::LTrim(char c) {
  TrimIf(true, [c](char x) { return x == c; });
}
void CYqString::RTrimAll() {
  TrimIf(false, [](char x) { return std::isspace(static_cast<unsigned char>(x)) != 0; });
}
void CYqString::LTrimAll() {
  TrimIf(true, [](char x) { return std::isspace(static_cast<unsigned char>(x)) != 0; });
}

bool CYqString::AllocateBuffer(unsigned int size) {
  if (size <= m_dwCapacity || size == 0) return true;
  return Reallocate(size);
}

void CYqString::ShrinkBufferToFit() {
  if (m_pBuffer == nullptr) return;
  if (m_nLength <= 0) {
    Clear();
  } else if (m_dwCapacity > m_dwUsed) {
    Reallocate(m_dwUsed);  // on failure the larger buffer simply stays
  }
}

void CYqString::ReCalculateLength() {
  if (m_pBuffer == nullptr) {
    m_nLength = 0;
    m_dwUsed = 0;
    return;
  }
  // A buffer written without a NUL is cut at its last byte.
  const size_t length = strnlen(m_pBuffer, m_dwCapacity);
  SetLength(static_cast<unsigned int>(length < m_dwCapacity ? length : m_dwCapacity - 1));
}

void CYqString::Clear() {
  if (m_bOwnsBuffer) delete[] m_pBuffer;
  m_pBuffer = nullptr;
  m_dwCapacity = 0;
  m_dwUsed = 0;
  m_bOwnsBuffer = TRUE;
  m_nLength = 0;
}

CYqString CYqString::Format(const CYqString& pattern, const std::vector<CYqString>& args) {
  const std::string_view text = ViewOf(pattern);
  CYqString result;
  size_t copied = 0;
  for (size_t open = text.find('{'); open != std::string_view::npos;
       open = text.find('{', open + 1)) {
    size_t close = open + 1;
    size_t index = 0;
    while (close < text.size() && std::isdigit(static_cast<unsigned char>(text[close]))) {
      // Saturates instead of overflowing; such an index is out of range anyway.
      if (index <= args.size()) index = index * 10 + static_cast<size_t>(text[close] - '0');
      ++close;
    }
    if (close == open + 1 || close >= text.size() || text[close] != '}' || index >= args.size())
      continue;
    result.Append(text.data() + copied, static_cast<unsigned int>(open - copied));
    const CYqString& arg = args[index];
    result.Append(arg.c_str(), arg.m_nLength > 0 ? static_cast<unsigned int>(arg.m_nLength) : 0);
    copied = close + 1;
    open = close;
  }
  result.Append(text.data() + copied, static_cast<unsigned int>(text.size() - copied));
  return result;
}

unsigned int CYqString::Tokenize(const char* delimiters, std::vector<CYqString>& tokens,
                                 bool keepEmpty) const {
  return Tokenize(delimiters, '\0', '\0', tokens, keepEmpty);
}

unsigned int CYqString::Tokenize(const char* delimiters, char quote, std::vector<CYqString>& tokens,
                                 bool keepEmpty) const {
  return Tokenize(delimiters, quote, '\0', tokens, keepEmpty);
}

unsigned int CYqString::Tokenize(const char* delimiters, char quote, char escape,
                                 std::vector<CYqString>& tokens, bool keepEmpty) const {
  using yq_strings_private::STokenRules;
  tokens.clear();
  const STokenRules<char> rules{delimiters != nullptr ? delimiters : "",
                                std::string_view(&quote, quote != '\0' ? 1 : 0), escape, keepEmpty};
  yq_strings_private::TokenizeText<char>(ViewOf(*this), rules, [&tokens](std::string&& token) {
    tokens.emplace_back();
    tokens.back().AssignBuffer(token.data(), static_cast<unsigned int>(token.size()));
  });
  return static_cast<unsigned int>(tokens.size());
}
