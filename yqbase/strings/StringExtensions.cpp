#include "yqbase/strings/StringExtensions.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <new>
#include <string_view>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/strings/StringExtensionsPrivate.h"

namespace {

// Buffers grow in these steps up to this size; the first attempt fits almost every log line.
constexpr size_t kFormatGrowth = 16384;
constexpr size_t kFormatLimit = 0x1FFFF;
// The first attempt formats on the stack when it needs no more than this.
constexpr size_t kStackBuffer = 4096;

constexpr FXCodeLocation kFormatArgListLocation = {
    "strings/StringExtensions.cpp",
    "CYqError FXString::FormatArgList(std::string&, PCSTR, va_list)", 299};
constexpr FXCodeLocation kFormatArgListWideLocation = {
    "strings/StringExtensions.cpp",
    "CYqError FXString::FormatArgList(std::wstring&, PCWSTR, va_list)", 362};
constexpr FXCodeLocation kFormatLocation = {
    "strings/StringExtensions.cpp", "CYqError FXString::Format(std::string&, PCSTR, ...)", 195};

}  // namespace

namespace {

// The length of the format, and whether it can turn a short input into a huge text: a width
// or precision taken from an argument, or one of six digits or more. Digits in literal text
// only cost the slower path.
size_t ScanFormat(const char* format, bool& mayAmplify) {
  int digits = 0;
  const char* p = format;
  mayAmplify = false;
  for (; *p != '\0'; ++p) {
    digits = (*p >= '0' && *p <= '9') ? digits + 1 : 0;
    if (*p == '*' || digits >= 6) mayAmplify = true;
  }
  return static_cast<size_t>(p - format);
}

// A stream that keeps the first `capacity` bytes written to it and then refuses, which makes
// vfprintf stop there instead of producing (and discarding) the rest of a huge text.
struct SCappedSink {
  char* buffer;
  size_t capacity;
  size_t used;
};

ssize_t WriteCapped(void* cookie, const char* data, size_t size) {
  auto* sink = static_cast<SCappedSink*>(cookie);
  const size_t n = std::min(size, sink->capacity - sink->used);
  std::memcpy(sink->buffer + sink->used, data, n);
  sink->used += n;
  return static_cast<ssize_t>(n);
}

}  // namespace

CYqError FXString::FormatArgList(std::string& out, const char* format, va_list args) {
  out.clear();
  if (format == nullptr) format = "";
  // Sizes go first, first + kFormatGrowth, ... up to kFormatLimit, and an attempt at a size
  // holds size - 2 characters. The result depends only on the whole text: the text when it fits
  // one of the sizes, else its first last - 2 characters (cut at a NUL) and code 111. So one
  // attempt tells the length and at most one more, at the size that fits or the last one,
  // makes the same result; a format that can amplify goes to a stream that stops at the last
  // size, as every attempt would otherwise walk the whole text (seconds for a huge width).
  bool mayAmplify = false;
  const size_t first = 2 * ScanFormat(format, mayAmplify) + 512;
  const size_t last =
      first > kFormatLimit ? first : first + (kFormatLimit - first) / kFormatGrowth * kFormatGrowth;
  if (mayAmplify) {
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[last]);
    if (!buffer) return FXErrorUtil::ErrorWin32(YQ_LOC, 14);
    SCappedSink sink = {buffer.get(), last - 1, 0};
    FILE* stream = fopencookie(&sink, "w", {nullptr, WriteCapped, nullptr, nullptr});
    if (stream == nullptr) return FXErrorUtil::ErrorWin32(YQ_LOC, 14);
    va_list attempt;
    va_copy(attempt, args);
    const int written = std::vfprintf(stream, format, attempt);
    va_end(attempt);
    std::fclose(stream);  // flushes what is buffered into the sink
    if (written >= 0 && static_cast<size_t>(written) <= last - 2) {
      out.assign(sink.buffer, static_cast<size_t>(written));
      return CYqError();
    }
    out.assign(sink.buffer, strnlen(sink.buffer, std::min(sink.used, last - 2)));
    return FXErrorUtil::ErrorWin32(kFormatArgListLocation, 111);
  }
  size_t size = first;
  char stackBuffer[kStackBuffer];
  std::unique_ptr<char[]> heapBuffer;
  for (;;) {
    char* buffer = stackBuffer;
    if (size > sizeof stackBuffer) {
      heapBuffer.reset();  // the previous attempt's buffer goes before the next is made
      heapBuffer.reset(new (std::nothrow) char[size]);
      if (!heapBuffer) return FXErrorUtil::ErrorWin32(YQ_LOC, 14);
      buffer = heapBuffer.get();
    }
    const size_t limit = size - 1;
    buffer[0] = '\0';
    buffer[limit - 1] = '\0';
    va_list attempt;
    va_copy(attempt, args);
    const int written = std::vsnprintf(buffer, limit, format, attempt);
    va_end(attempt);
    // The text fits when it and its NUL stay within the limit.
    if (written >= 0 && static_cast<size_t>(written) < limit) {
      out.assign(buffer, static_cast<size_t>(written));
      return CYqError();
    }
    if (size == last) {
      out.assign(buffer, strnlen(buffer, limit));
      return FXErrorUtil::ErrorWin32(kFormatArgListLocation, 111);
    }
    // An encoding error (a negative result) happens at every size: straight to the last.
    size = last;
    if (written >= 0) {
      const size_t needed = static_cast<size_t>(written) + 2;
      const size_t steps = (needed - first + kFormatGrowth - 1) / kFormatGrowth;
      if (steps <= (last - first) / kFormatGrowth) size = first + steps * kFormatGrowth;
    }
  }
}

CYqError FXString::FormatArgList(std::wstring& out, const wchar_t*, va_list) {
  out.clear();
  return FXErrorUtil::ErrorWin32(kFormatArgListWideLocation, 111);
}

CYqError FXString::Format(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  CYqError error = FormatArgList(out, format, args);
  va_end(args);
  if (error.Failed()) error.Push(kFormatLocation);
  return error;
}

CYqError FXString::Format(std::wstring& out, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  CYqError error = FormatArgList(out, format, args);
  va_end(args);
  if (error.Failed()) error.Push(YQ_LOC);
  return error;
}

std::string FXString::Format(const char* format, ...) {
  std::string out;
  va_list args;
  va_start(args, format);
  CYqError error = FormatArgList(out, format, args);
  va_end(args);
  if (error.Failed()) out.insert(0, "[BUFFEROVERFLOW] ");
  return out;
}

std::wstring FXString::Format(const wchar_t* format, ...) {
  std::wstring out;
  va_list args;
  va_start(args, format);
  CYqError error = FormatArgList(out, format, args);
  va_end(args);
  if (error.Failed()) out.insert(0, L"[BUFFEROVERFLOW] ");
  return out;
}

HRESULT StringCbPrintfA(char* buffer, unsigned int bytes, const char* format, ...) {
  if (bytes < 1 || buffer == nullptr) return static_cast<HRESULT>(0x80070057);
  va_list args;
  va_start(args, format);
  const int written = std::vsnprintf(buffer, bytes, format, args);
  va_end(args);
  if (written < 0) {
    buffer[bytes - 1] = '\0';
    return 1;
  }
  return static_cast<unsigned int>(written) < bytes ? 0 : static_cast<HRESULT>(0x8007007A);
}

HRESULT StringCbPrintfW(wchar_t* buffer, unsigned int bytes, const wchar_t* format, ...) {
  const size_t chars = bytes / sizeof(wchar_t);
  if (chars < 1 || buffer == nullptr) return static_cast<HRESULT>(0x80070057);
  va_list args;
  va_start(args, format);
  va_list attempt;
  va_copy(attempt, args);
  int written = std::vswprintf(buffer, chars, format, attempt);
  va_end(attempt);
  HRESULT result = 0;
  if (written < 0) {
    // vswprintf reports a cut text and a failed conversion alike: retry in larger buffers to
    // tell them apart.
    result = 1;
    buffer[0] = L'\0';
    for (size_t size = chars * 2; size <= chars * 2 + (1u << 20); size *= 2) {
      std::unique_ptr<wchar_t[]> larger(new (std::nothrow) wchar_t[size]);
      if (!larger) break;
      va_copy(attempt, args);
      written = std::vswprintf(larger.get(), size, format, attempt);
      va_end(attempt);
      if (written >= 0) {
        std::wmemcpy(buffer, larger.get(), chars - 1);
        buffer[chars - 1] = L'\0';
        result = static_cast<HRESULT>(0x8007007A);
        break;
      }
    }
  }
  va_end(args);
  return result;
}

// ---------------------------------------------------------------------------------------------
// String helpers. Each is written once over the character type; the narrow and wide members
// below only forward to it.

namespace {

using yq_strings_private::STokenRules;
using yq_strings_private::TokenizeText;

template <typename C>
using Str = std::basic_string<C>;
template <typename C>
using View = std::basic_string_view<C>;

constexpr size_t npos = static_cast<size_t>(-1);

char FoldCase(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }
wchar_t FoldCase(wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))); }
char UpperCase(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
wchar_t UpperCase(wchar_t c) { return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c))); }

template <typename C>
bool SameText(const C* a, const C* b, size_t count, bool noCase) {
  for (size_t i = 0; i < count; ++i) {
    if (a[i] != b[i] && (!noCase || FoldCase(a[i]) != FoldCase(b[i]))) return false;
  }
  return true;
}

// The index of the first occurrence of `sub` in `text` at or after `from`, or npos.
template <typename C>
size_t FindText(View<C> text, View<C> sub, size_t from, bool noCase) {
  if (!noCase) return text.find(sub, from);
  if (from > text.size() || sub.size() > text.size() - from) return npos;
  const size_t last = text.size() - sub.size();
  for (size_t pos = from; pos <= last; ++pos) {
    if (SameText(text.data() + pos, sub.data(), sub.size(), true)) return pos;
  }
  return npos;
}

template <typename C>
void TrimT(Str<C>& text, const Str<C>& chars, bool left, bool right) {
  if (right) text.erase(std::min(text.find_last_not_of(chars) + 1, text.size()));
  if (left) text.erase(0, std::min(text.find_first_not_of(chars), text.size()));
}

// Whether the non-empty `text` starts (or, with `atEnd`, ends) with `part`.
template <typename C>
bool HasAffix(const Str<C>& text, const Str<C>& part, bool atEnd, bool noCase) {
  if (text.empty() || part.size() > text.size()) return false;
  const size_t pos = atEnd ? text.size() - part.size() : 0;
  return SameText(text.data() + pos, part.data(), part.size(), noCase);
}

template <typename C>
bool RemoveAffixT(Str<C>& text, const Str<C>& part, bool atEnd, bool noCase) {
  if (!HasAffix(text, part, atEnd, noCase)) return false;
  text.erase(atEnd ? text.size() - part.size() : 0, part.size());
  return true;
}

template <typename C>
bool ReplaceAffixT(Str<C>& text, const Str<C>& part, const Str<C>& with, bool atEnd, bool noCase) {
  if (part.empty() || !HasAffix(text, part, atEnd, noCase)) return false;
  text.replace(atEnd ? text.size() - part.size() : 0, part.size(), with);
  return true;
}

// Builds the result in one pass so that many replacements stay linear.
template <typename C>
unsigned int ReplaceAllT(Str<C>& text, const Str<C>& from, const Str<C>& to, unsigned int start,
                         bool noCase) {
  if (from.empty()) return 0;
  size_t hit = FindText<C>(text, from, start, noCase);
  if (hit == npos) return 0;
  Str<C> result(text, 0, hit);
  size_t copied = hit;
  unsigned int count = 0;
  for (; hit != npos; hit = FindText<C>(text, from, copied, noCase)) {
    result.append(text, copied, hit - copied).append(to);
    copied = hit + from.size();
    ++count;
  }
  result.append(text, copied, npos);
  text.swap(result);
  return count;
}

template <typename C>
const C* FindStringT(const C* text, const C* sub, bool noCase) {
  if (text == nullptr || sub == nullptr) return nullptr;
  const View<C> view(text);
  const size_t pos = FindText<C>(view, View<C>(sub), 0, noCase);
  return pos == npos ? nullptr : text + pos;
}

template <typename C>
int FindStringPosT(const Str<C>& text, const Str<C>& sub, bool noCase) {
  const size_t pos = FindText<C>(text, sub, 0, noCase);
  return pos == npos ? -1 : static_cast<int>(pos);
}

template <typename C, typename Change>
void ChangeCaseT(Str<C>& text, Change change) {
  for (C& c : text) c = change(c);
}

template <typename C, typename Container>
void SplitT(const Str<C>& text, const Str<C>& delimiter, Container& out, bool keepEmpty) {
  out.clear();
  if (text.empty()) return;
  if (delimiter.empty()) {
    out.push_back(text);
    return;
  }
  size_t start = 0;
  for (;;) {
    const size_t hit = text.find(delimiter, start);
    const size_t end = hit == npos ? text.size() : hit;
    if (keepEmpty || end > start) out.push_back(text.substr(start, end - start));
    if (hit == npos) return;
    start = hit + delimiter.size();
  }
}

template <typename C, typename Container>
void TokenizeT(const Str<C>& text, const STokenRules<C>& rules, Container& out) {
  out.clear();
  TokenizeText<C>(text, rules, [&out](Str<C>&& token) { out.push_back(std::move(token)); });
}

template <typename C>
constexpr C kArgumentQuotes[] = {C('"'), C('\''), C()};

template <typename C, typename Container>
void SplitArgumentsT(const Str<C>& text, const Str<C>& delimiters, Container& out,
                     unsigned int keepEmpty) {
  TokenizeT(text, STokenRules<C>{delimiters, kArgumentQuotes<C>, C('\\'), keepEmpty != 0}, out);
}

template <typename C, typename Iterator>
Str<C> JoinT(Iterator begin, Iterator end, const Str<C>& separator) {
  Str<C> out;
  for (Iterator it = begin; it != end; ++it) {
    if (it != begin) out += separator;
    out += *it;
  }
  return out;
}

template <typename C>
Str<C> JoinRangeT(const std::vector<Str<C>>& items, const Str<C>& separator, unsigned int first,
                  unsigned int count) {
  if (first >= items.size()) return Str<C>();
  const size_t last = first + std::min<size_t>(count, items.size() - first);
  return JoinT<C>(items.begin() + first, items.begin() + last, separator);
}

// The GUID and LUID texts are ASCII; the wide forms widen them character by character.
std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

}  // namespace

void FXString::Trim(std::string& text, const std::string& chars) { TrimT(text, chars, true, true); }
void FXString::Trim(std::wstring& text, const std::wstring& chars) {
  TrimT(text, chars, true, true);
}
void FXString::TrimLeft(std::string& text, const std::string& chars) {
  TrimT(text, chars, true, false);
}
void FXString::TrimLeft(std::wstring& text, const std::wstring& chars) {
  TrimT(text, chars, true, false);
}
void FXString::TrimRight(std::string& text, const std::string& chars) {
  TrimT(text, chars, false, true);
}
void FXString::TrimRight(std::wstring& text, const std::wstring& chars) {
  TrimT(text, chars, false, true);
}

bool FXString::RemoveLeft(std::string& text, const std::string& prefix) {
  return RemoveAffixT(text, prefix, false, false);
}
bool FXString::RemoveLeft(std::wstring& text, const std::wstring& prefix) {
  return RemoveAffixT(text, prefix, false, false);
}
bool FXString::RemoveRight(std::string& text, const std::string& suffix) {
  return RemoveAffixT(text, suffix, true, false);
}
bool FXString::RemoveRight(std::wstring& text, const std::wstring& suffix) {
  return RemoveAffixT(text, suffix, true, false);
}
bool FXString::RemoveLeftNoCase(std::string& text, const std::string& prefix) {
  return RemoveAffixT(text, prefix, false, true);
}
bool FXString::RemoveLeftNoCase(std::wstring& text, const std::wstring& prefix) {
  return RemoveAffixT(text, prefix, false, true);
}
bool FXString::RemoveRightNoCase(std::string& text, const std::string& suffix) {
  return RemoveAffixT(text, suffix, true, true);
}
bool FXString::RemoveRightNoCase(std::wstring& text, const std::wstring& suffix) {
  return RemoveAffixT(text, suffix, true, true);
}

bool FXString::ReplaceLeft(std::string& text, const std::string& prefix, const std::string& with) {
  return ReplaceAffixT(text, prefix, with, false, false);
}
bool FXString::ReplaceLeft(std::wstring& text, const std::wstring& prefix,
                           const std::wstring& with) {
  return ReplaceAffixT(text, prefix, with, false, false);
}
bool FXString::ReplaceRight(std::string& text, const std::string& suffix, const std::string& with) {
  return ReplaceAffixT(text, suffix, with, true, false);
}
bool FXString::ReplaceRight(std::wstring& text, const std::wstring& suffix,
                            const std::wstring& with) {
  return ReplaceAffixT(text, suffix, with, true, false);
}
bool FXString::ReplaceLeftNoCase(std::string& text, const std::string& prefix,
                                 const std::string& with) {
  return ReplaceAffixT(text, prefix, with, false, true);
}
bool FXString::ReplaceLeftNoCase(std::wstring& text, const std::wstring& prefix,
                                 const std::wstring& with) {
  return ReplaceAffixT(text, prefix, with, false, true);
}
bool FXString::ReplaceRightNoCase(std::string& text, const std::string& suffix,
                                  const std::string& with) {
  return ReplaceAffixT(text, suffix, with, true, true);
}
bool FXString::ReplaceRightNoCase(std::wstring& text, const std::wstring& suffix,
                                  const std::wstring& with) {
  return ReplaceAffixT(text, suffix, with, true, true);
}

unsigned int FXString::ReplaceAll(std::string& text, const std::string& from, const std::string& to,
                                  unsigned int start) {
  return ReplaceAllT(text, from, to, start, false);
}
unsigned int FXString::ReplaceAll(std::wstring& text, const std::wstring& from,
                                  const std::wstring& to, unsigned int start) {
  return ReplaceAllT(text, from, to, start, false);
}
unsigned int FXString::ReplaceAllNoCase(std::string& text, const std::string& from,
                                        const std::string& to, unsigned int start) {
  return ReplaceAllT(text, from, to, start, true);
}
unsigned int FXString::ReplaceAllNoCase(std::wstring& text, const std::wstring& from,
                                        const std::wstring& to, unsigned int start) {
  return ReplaceAllT(text, from, to, start, true);
}
std::string FXString::CopyAndReplaceAll(const std::string& text, const std::string& from,
                                        const std::string& to) {
  std::string copy(text);
  ReplaceAllT(copy, from, to, 0, false);
  return copy;
}
std::wstring FXString::CopyAndReplaceAll(const std::wstring& text, const std::wstring& from,
                                         const std::wstring& to) {
  std::wstring copy(text);
  ReplaceAllT(copy, from, to, 0, false);
  return copy;
}

const char* FXString::FindString(const char* text, const char* sub, bool noCase) {
  return FindStringT(text, sub, noCase);
}
const wchar_t* FXString::FindString(const wchar_t* text, const wchar_t* sub, bool noCase) {
  return FindStringT(text, sub, noCase);
}
int FXString::FindStringPos(const std::string& text, const std::string& sub, bool noCase) {
  return FindStringPosT(text, sub, noCase);
}
int FXString::FindStringPos(const std::wstring& text, const std::wstring& sub, bool noCase) {
  return FindStringPosT(text, sub, noCase);
}

void FXString::ToUpper(std::string& text) {
  ChangeCaseT(text, [](char c) { return UpperCase(c); });
}
void FXString::ToUpper(std::wstring& text) {
  ChangeCaseT(text, [](wchar_t c) { return UpperCase(c); });
}
void FXString::ToLower(std::string& text) {
  ChangeCaseT(text, [](char c) { return FoldCase(c); });
}
void FXString::ToLower(std::wstring& text) {
  ChangeCaseT(text, [](wchar_t c) { return FoldCase(c); });
}

void FXString::Split(const std::string& text, const std::string& delimiter,
                     std::list<std::string>& out, unsigned int keepEmpty) {
  SplitT(text, delimiter, out, keepEmpty != 0);
}
void FXString::Split(const std::wstring& text, const std::wstring& delimiter,
                     std::list<std::wstring>& out, unsigned int keepEmpty) {
  SplitT(text, delimiter, out, keepEmpty != 0);
}
void FXString::Split(const std::string& text, const std::string& delimiter,
                     std::vector<std::string>& out, unsigned int keepEmpty) {
  SplitT(text, delimiter, out, keepEmpty != 0);
}
void FXString::Split(const std::wstring& text, const std::wstring& delimiter,
                     std::vector<std::wstring>& out, unsigned int keepEmpty) {
  SplitT(text, delimiter, out, keepEmpty != 0);
}

void FXString::SplitArguments(const std::string& text, const std::string& delimiters,
                              std::list<std::string>& out, unsigned int keepEmpty) {
  SplitArgumentsT(text, delimiters, out, keepEmpty);
}
void FXString::SplitArguments(const std::wstring& text, const std::wstring& delimiters,
                              std::list<std::wstring>& out, unsigned int keepEmpty) {
  SplitArgumentsT(text, delimiters, out, keepEmpty);
}
void FXString::SplitArguments(const std::string& text, const std::string& delimiters,
                              std::vector<std::string>& out, unsigned int keepEmpty) {
  SplitArgumentsT(text, delimiters, out, keepEmpty);
}
void FXString::SplitArguments(const std::wstring& text, const std::wstring& delimiters,
                              std::vector<std::wstring>& out, unsigned int keepEmpty) {
  SplitArgumentsT(text, delimiters, out, keepEmpty);
}

void FXString::SplitPaths(const std::string& text, const std::string& delimiters,
                          std::vector<std::string>& out, unsigned int keepEmpty) {
  TokenizeT(text, STokenRules<char>{delimiters, {}, '\0', keepEmpty != 0}, out);
}
void FXString::SplitPaths(const std::wstring& text, const std::wstring& delimiters,
                          std::vector<std::wstring>& out, unsigned int keepEmpty) {
  TokenizeT(text, STokenRules<wchar_t>{delimiters, {}, L'\0', keepEmpty != 0}, out);
}

void FXString::Join(const std::vector<std::string>& items, const std::string& separator,
                    std::string& out) {
  out = JoinT<char>(items.begin(), items.end(), separator);
}
void FXString::Join(const std::vector<std::wstring>& items, const std::wstring& separator,
                    std::wstring& out) {
  out = JoinT<wchar_t>(items.begin(), items.end(), separator);
}
void FXString::Join(const std::list<std::string>& items, const std::string& separator,
                    std::string& out) {
  out = JoinT<char>(items.begin(), items.end(), separator);
}
void FXString::Join(const std::list<std::wstring>& items, const std::wstring& separator,
                    std::wstring& out) {
  out = JoinT<wchar_t>(items.begin(), items.end(), separator);
}
std::string FXString::Join(const std::vector<std::string>& items, const std::string& separator,
                           unsigned int first, unsigned int count) {
  return JoinRangeT(items, separator, first, count);
}
std::wstring FXString::Join(const std::vector<std::wstring>& items, const std::wstring& separator,
                            unsigned int first, unsigned int count) {
  return JoinRangeT(items, separator, first, count);
}

std::string FXString::AsString(const _GUID& guid) {
  char buffer[40];
  StringCbPrintfA(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned int>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
  return buffer;
}
std::wstring FXString::AsWstring(const _GUID& guid) { return Widen(AsString(guid)); }

std::string FXString::AsString(const _LUID& luid) {
  char buffer[40];
  // Through DWORD first so that a negative high part prints 32 bits on every platform.
  StringCbPrintfA(buffer, sizeof buffer, "(0x%lX, 0x%lX)",
                  static_cast<unsigned long>(static_cast<DWORD>(luid.HighPart)),
                  static_cast<unsigned long>(luid.LowPart));
  return buffer;
}
std::wstring FXString::AsWstring(const _LUID& luid) { return Widen(AsString(luid)); }
