#include "yqbase/filters/PathMatch.h"

#include <cstring>
#include <type_traits>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/utfConversions.h"

namespace {

const int kFlagNoEscape = 1;
const int kFlagPathname = 2;
const int kFlagPeriod = 4;

// Internal outcomes of a matching step. The two aborts prune backtracking: kAbortAll means
// that no later position of any enclosing wildcard can succeed (the subject ran out), and
// kAbortToStarStar that only an enclosing "**" may still succeed (a "*" met the delimiter).
enum : int { kNoMatch = 0, kMatch = 1, kAbortAll = 2, kAbortToStarStar = 3 };

template <typename T>
size_t Length(const T* text) {
  size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

template <typename T>
unsigned long Value(T c) {
  return static_cast<typename std::make_unsigned<T>::type>(c);
}

template <typename T>
bool IsSpecial(T c, T escape) {
  return c == '*' || c == '[' || c == '?' || c == escape;
}

// The state shared by the recursive steps of one fnmatch call.
template <typename T>
class CMatcher {
 public:
  CMatcher(const CPathMatchTemplate<T>& t, CPathMatchWorkData& wd, const T* subject)
      : m_t(t), m_wd(wd), m_subject(subject) {}

  int Run(const T* p, const T* s, int flags, bool prevDelimiter) const {
    const T delimiter = m_t.delimiter;
    const bool pathname = (flags & kFlagPathname) != 0;
    for (;;) {
      s = SkipZeroWidth(s);
      T c = *p++;
      if (c == 0) return *s == 0 ? kMatch : kNoMatch;
      if (c == '?') {
        m_wd.literalOnly = false;
        if (*s == 0 || (pathname && *s == delimiter) || LeadingPeriod(s, flags)) return kNoMatch;
        ++s;
        prevDelimiter = false;
        continue;
      }
      if (c == '[') {
        m_wd.literalOnly = false;
        if (*s == 0 || (pathname && *s == delimiter)) return kNoMatch;
        const T sc = Fold(*s);
        const int r = MatchClass(p, sc, flags, &p);
        if (r == 0 || (r < 0 && sc != '[')) return kNoMatch;
        ++s;
        prevDelimiter = false;
        continue;
      }
      if (c == '*') return Star(p, s, flags, prevDelimiter);
      if (c == m_t.escape && (flags & kFlagNoEscape) == 0 && *p != 0) c = *p++;
      if (*s == 0) {
        if (c == delimiter) m_wd.nextPattern = Hint(p);
        if (m_subject[0] == delimiter && m_subject[1] == 0 && m_t.pattern[0] == delimiter)
          m_wd.nextPattern = m_t.pattern + 1;
        return IsTripleStar(p) ? kMatch : kNoMatch;
      }
      if (Fold(*s) != c) return kNoMatch;
      ++s;
      prevDelimiter = c == delimiter;
    }
  }

 private:
  // A run of stars at p - 1.
  int Star(const T* p, const T* s, int flags, bool prevDelimiter) const {
    const T delimiter = m_t.delimiter;
    const bool pathname = (flags & kFlagPathname) != 0;
    m_wd.literalOnly = false;
    int run = 1;
    while (*p == '*') ++p, ++run;
    if (run >= 2 && pathname && prevDelimiter && (*p == 0 || *p == delimiter)) {
      m_wd.doubleStarSeen = true;
      if (*p == 0) {
        m_wd.matchesAllBelow = true;
        return kMatch;
      }
      ++p;
      for (const T* at = s;;) {
        const int r = Run(p, at, flags, true);
        if (r == kMatch) return kMatch;
        if (r == kAbortAll) break;
        while (*at != 0 && *at != delimiter) ++at;
        if (*at == 0) break;
        ++at;
      }
      m_wd.nextPattern = &m_t.emptyPattern;
      return kAbortAll;
    }
    if (LeadingPeriod(s, flags)) return kNoMatch;
    if (*p == 0) {
      if (pathname)
        for (const T* q = s; *q != 0; ++q)
          if (*q == delimiter) return kNoMatch;
      return kMatch;
    }
    if (pathname && *p == delimiter) {
      while (*s != 0 && *s != delimiter) ++s;
      if (*s == 0) {
        m_wd.nextPattern = Hint(p + 1);
        return IsTripleStar(p + 1) ? kMatch : kNoMatch;
      }
      return Run(p, s, flags, false);
    }
    const int inner = flags & ~kFlagPeriod;
    for (;;) {
      s = SkipZeroWidth(s);
      const int r = Run(p, s, inner, false);
      if (r != kNoMatch) return r;
      if (*s == 0) return kAbortAll;
      if (pathname && *s == delimiter) return kAbortToStarStar;
      ++s;
    }
  }

  // p points after "[". Returns 1 or 0 for a class that matches or not (and sets *end after
  // its "]"), -1 when the "[" opens no class and is an ordinary character.
  int MatchClass(const T* p, T sc, int flags, const T** end) const {
    const bool escapes = (flags & kFlagNoEscape) == 0;
    const bool pathname = (flags & kFlagPathname) != 0;
    bool negate = false;
    if (*p == '!' || *p == '^') {
      negate = true;
      ++p;
      if (*p == ']') {
        *end = p + 1;
        return 1;
      }
    }
    const bool firstIsBracket = *p == ']';
    const T* close = firstIsBracket ? p + 1 : p;
    for (;; ++close) {
      if (*close == 0 || (pathname && *close == m_t.delimiter)) return -1;
      if (*close == ']') break;
      if (escapes && *close == m_t.escape) {
        ++close;
        if (*close == 0) return 0;
        if (pathname && *close == m_t.delimiter) return -1;
      }
    }
    *end = close + 1;
    if (firstIsBracket) return 0;
    bool found = false;
    for (const T* m = p; m < close;) {
      T lo = *m++;
      if (escapes && lo == m_t.escape) lo = *m++;
      if (*m == '-' && m + 1 < close) {
        T hi = m[1];
        m += 2;
        if (escapes && hi == m_t.escape) hi = *m++;
        if (Value(lo) <= Value(sc) && Value(sc) <= Value(hi)) found = true;
      } else if (lo == sc) {
        found = true;
      }
    }
    return found != negate ? 1 : 0;
  }

  T Fold(T c) const { return m_t.caseInsensitive && c >= 'A' && c <= 'Z' ? T(c + 32) : c; }

  const void* Hint(const T* rest) const {
    return m_wd.doubleStarSeen ? &m_t.emptyPattern : static_cast<const void*>(rest);
  }

  static bool IsTripleStar(const T* p) {
    return p[0] == '*' && p[1] == '*' && p[2] == '*' && p[3] == 0;
  }

  bool LeadingPeriod(const T* s, int flags) const {
    return (flags & kFlagPeriod) != 0 && *s == '.' &&
           (s == m_subject || ((flags & kFlagPathname) != 0 && s[-1] == m_t.delimiter));
  }

  // Zero-width characters (U+200B, U+200C, U+FEFF) in a UTF-8 subject are skipped.
  static const T* SkipZeroWidth(const T* s) {
    if (sizeof(T) != 1) return s;
    const unsigned char* u = reinterpret_cast<const unsigned char*>(s);
    if ((u[0] == 0xE2 && u[1] == 0x80 && (u[2] == 0x8B || u[2] == 0x8C)) ||
        (u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF))
      return s + 3;
    return s;
  }

  const CPathMatchTemplate<T>& m_t;
  CPathMatchWorkData& m_wd;
  const T* m_subject;
};

// UTF-8 to code points into `out` of `capacity` units, terminator included.
CYqError ToUtf32(const char* text, unsigned long* out, size_t capacity) {
  UTF32 units[CPathMatchWorkData::kUtf32Capacity];
  std::vector<UTF32> big;
  UTF32* buffer = units;
  if (capacity > CPathMatchWorkData::kUtf32Capacity) {
    big.resize(capacity);
    buffer = big.data();
  }
  const UTF8* in = reinterpret_cast<const UTF8*>(text);
  UTF32* target = buffer;
  CYqError err = FXUTF::ConvertUTF8ToUTF32(&in, in + std::strlen(text), &target,
                                           buffer + capacity - 1, FXUTF::strictConversion);
  if (err.Failed()) return err.Push(YQ_LOC);
  const size_t n = target - buffer;
  for (size_t i = 0; i < n; ++i) out[i] = buffer[i];
  out[n] = 0;
  return CYqError();
}

}  // namespace

template <typename PMType>
void CPathMatchTemplate<PMType>::setDelimiter(PMType c) {
  delimiter = c;
  if (c == ',' || c == '.' || c == '/')
    escape = '\\';
  else if (c == '\\')
    escape = '/';
  else
    YQ_LOG_FAILURE("Illegal delimiter 0x%X, escape remains 0x%X", static_cast<unsigned>(Value(c)),
                   static_cast<unsigned>(Value(escape)));
}

template <typename PMType>
CYqError CPathMatchTemplate<PMType>::initialize(const PMType* text, bool wildcards,
                                                bool lastComponentOnly) {
  const size_t length = Length(text);
  // Characters before `literalEnd` are stored escaped.
  size_t literalEnd = wildcards ? 0 : length;
  if (wildcards && lastComponentOnly) {
    size_t last = length;
    for (size_t i = 0; i < length; ++i)
      if (text[i] == delimiter) last = i;
    if (last == length)
      return FXErrorUtil::ErrorWin32(YQ_LOC, 1627, "Pattern contains no delimiter, Delimiter=0x%X",
                                     static_cast<unsigned>(Value(delimiter)));
    literalEnd = last;
  }
  size_t count = length;
  for (size_t i = 0; i < literalEnd; ++i)
    if (IsSpecial(text[i], escape)) ++count;
  if (count > static_cast<size_t>(kMaxPattern))
    return FXErrorUtil::ErrorWin32(YQ_LOC, 111, "Pattern too long, MaxLength=%d", kMaxPattern + 1);
  PMType* out = pattern;
  for (size_t i = 0; i < length; ++i) {
    if (i < literalEnd && IsSpecial(text[i], escape)) *out++ = escape;
    *out++ = text[i];
  }
  *out = 0;
  if (caseInsensitive)
    for (PMType* p = pattern; *p != 0; ++p)
      if (*p >= 'A' && *p <= 'Z') *p = PMType(*p + 32);
  return CYqError();
}

template <typename PMType>
CPathMatchResult CPathMatchTemplate<PMType>::fnmatch(CPathMatchWorkData& wd, const PMType* p,
                                                     const PMType* subject, int flags) const {
  wd.literalOnly = true;
  const CMatcher<PMType> matcher(*this, wd, subject);
  return matcher.Run(p, subject, flags, false) == kMatch ? PATH_MATCH : PATH_NO_MATCH;
}

template class CPathMatchTemplate<char>;
template class CPathMatchTemplate<unsigned long>;

CPathMatch::CPathMatch() : m_useUtf32(false) {}

CPathMatch::~CPathMatch() = default;

void CPathMatch::setDelimiter(char c) {
  m_char.setDelimiter(c);
  m_utf32.setDelimiter(static_cast<unsigned char>(c));
}

void CPathMatch::setEscape(char c) {
  m_char.escape = c;
  m_utf32.escape = static_cast<unsigned char>(c);
}

void CPathMatch::caseSensitive() { m_char.caseInsensitive = m_utf32.caseInsensitive = false; }

void CPathMatch::caseInsensitive() { m_char.caseInsensitive = m_utf32.caseInsensitive = true; }

CYqError CPathMatch::initialize(const char* pattern, bool wildcards, bool lastComponentOnly) {
  if (pattern == nullptr) return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "null pattern");
  const bool needUtf32 =
      wildcards && (std::strchr(pattern, '[') != nullptr || std::strchr(pattern, '?') != nullptr);
  std::vector<unsigned long> units(std::strlen(pattern) + 1);
  CYqError converted = ToUtf32(pattern, units.data(), units.size());
  if (needUtf32 && converted.Failed()) return converted.Push(YQ_LOC);
  CYqError err = m_char.initialize(pattern, wildcards, lastComponentOnly);
  if (err.Failed()) return err.Push(YQ_LOC);
  m_useUtf32 = needUtf32;
  // The UTF-32 form is kept whenever the pattern converts, so UTF-32 subjects match either way.
  if (converted.Succeeded()) {
    err = m_utf32.initialize(units.data(), wildcards, lastComponentOnly);
    if (err.Failed()) {
      m_useUtf32 = false;
      return err.Push(YQ_LOC);
    }
  } else {
    m_utf32.pattern[0] = 0;
  }
  return CYqError();
}

CPathMatchResult CPathMatch::match(CPathMatchWorkData& wd, const char* subject) const {
  wd.nextPattern = nullptr;
  wd.doubleStarSeen = wd.matchesAllBelow = wd.literalOnly = wd.isUtf32 = false;
  wd.subject = subject;
  if (m_useUtf32) {
    CYqError err = ToUtf32(subject, wd.utf32Subject, CPathMatchWorkData::kUtf32Capacity);
    if (err.Succeeded()) return match(wd, wd.utf32Subject);
    YQ_TRACE(4, "ConvertTo UTF32 failed, error=%s", err.AsString().c_str());
  }
  return m_char.fnmatch(wd, m_char.pattern, subject, kFlagPathname);
}

CPathMatchResult CPathMatch::match(CPathMatchWorkData& wd, const unsigned long* subject) const {
  wd.nextPattern = nullptr;
  wd.doubleStarSeen = wd.matchesAllBelow = wd.literalOnly = false;
  wd.subject = subject;
  wd.isUtf32 = true;
  return m_utf32.fnmatch(wd, m_utf32.pattern, subject, kFlagPathname);
}

CPathMatchResult CPathMatch::fnmatch(CPathMatchWorkData& wd, const char* pattern,
                                     const char* subject, int flags, bool utf32) const {
  wd.nextPattern = nullptr;
  wd.doubleStarSeen = wd.matchesAllBelow = wd.literalOnly = wd.isUtf32 = false;
  wd.subject = subject;
  if (utf32) {
    CYqError err = ToUtf32(pattern, wd.utf32Pattern, CPathMatchWorkData::kUtf32Capacity);
    if (err.Succeeded())
      err = ToUtf32(subject, wd.utf32Subject, CPathMatchWorkData::kUtf32Capacity);
    if (err.Succeeded()) {
      wd.subject = wd.utf32Subject;
      wd.isUtf32 = true;
      return m_utf32.fnmatch(wd, wd.utf32Pattern, wd.utf32Subject, flags);
    }
    YQ_TRACE(4, "ConvertTo UTF32 failed, error=%s", err.AsString().c_str());
  }
  return m_char.fnmatch(wd, pattern, subject, flags);
}

namespace {

// Copies the literal head of `hint` into `out` (room for `capacity` units, terminator
// included) and classifies it; `*written` receives the count.
template <typename T>
CBaseNameType LiteralHead(const T* hint, T delimiter, T escape, T* out, size_t capacity,
                          size_t* written) {
  size_t n = 0;
  CBaseNameType type = BASENAME_LITERAL;
  for (const T* p = hint;; ++p) {
    T c = *p;
    if (c == 0 || c == delimiter) break;
    if (c == '*' || c == '?' || c == '[') {
      type = BASENAME_PREFIX;
      break;
    }
    if (c == escape) {
      if (p[1] != 0 && p[1] != delimiter) {
        c = *++p;
      } else {
        if (n + 1 < capacity) out[n++] = c;
        break;
      }
    }
    if (n + 1 >= capacity) {
      type = BASENAME_PREFIX;
      break;
    }
    out[n++] = c;
  }
  out[n] = 0;
  *written = n;
  return n == 0 ? BASENAME_EMPTY : type;
}

}  // namespace

CBaseNameType CPathMatch::getNextBasename(const CPathMatchWorkData& wd, char* out) const {
  const size_t kOut = 1024;
  out[0] = 0;
  if (wd.nextPattern == nullptr) return BASENAME_NONE;
  size_t n = 0;
  if (!wd.isUtf32)
    return LiteralHead(static_cast<const char*>(wd.nextPattern), m_char.delimiter, m_char.escape,
                       out, kOut, &n);
  unsigned long head[kOut];
  const CBaseNameType type = LiteralHead(static_cast<const unsigned long*>(wd.nextPattern),
                                         m_utf32.delimiter, m_utf32.escape, head, kOut, &n);
  UTF32 units[kOut];
  for (size_t i = 0; i < n; ++i) units[i] = static_cast<UTF32>(head[i]);
  const UTF32* in = units;
  UTF8* target = reinterpret_cast<UTF8*>(out);
  CYqError err = FXUTF::ConvertUTF32ToUTF8(
      &in, units + n, &target, reinterpret_cast<UTF8*>(out) + kOut - 1, FXUTF::strictConversion);
  *target = 0;
  if (err.Failed() && FXErrorUtil::IsWin32(err, 111)) return BASENAME_PREFIX;
  if (err.Failed()) {
    out[0] = 0;
    YQ_TRACE(4, "ConvertTo UTF-8 failed, error=%s", err.AsString().c_str());
    return BASENAME_NONE;
  }
  return type;
}

CPathMatchUnc::~CPathMatchUnc() = default;

namespace {

// A name beginning with two backslashes, rewritten to the "\UNC-NT_" form, into `out`.
const char* UncForm(const char* name, std::string& out) {
  if (name == nullptr || name[0] != '\\' || name[1] != '\\') return name;
  out.assign("\\UNC-NT_");
  out.append(name + 2);
  return out.c_str();
}

}  // namespace

CYqError CPathMatchUnc::initialize(const char* pattern, bool wildcards, bool lastComponentOnly) {
  std::string rewritten;
  CYqError err = CPathMatch::initialize(UncForm(pattern, rewritten), wildcards, lastComponentOnly);
  if (err.Failed()) return err.Push(YQ_LOC);
  return err;
}

CPathMatchResult CPathMatchUnc::match(CPathMatchWorkData& wd, const char* subject) {
  return CPathMatch::match(wd, UncForm(subject, m_subject));
}
