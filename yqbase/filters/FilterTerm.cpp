#include "yqbase/filters/FilterTerm.h"

#include <boost/make_shared.hpp>
#include <boost/xpressive/xpressive_dynamic.hpp>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/filters/PathMatch.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/StringExtensions.h"
#include "yqbase/strings/utfConversions.h"

class CFilterTermPrivate {
 public:
  explicit CFilterTermPrivate(DWORD optionBits)
      : options((optionBits & BFilterTermOptions::CaseMask) == 0
                    ? (optionBits | BFilterTermOptions::CaseSensitive)
                    : optionBits) {}

  CYqError LoadRaw(const std::string& raw);
  CYqError InitializeEngine();
  DWORD CaseBits() const { return options & BFilterTermOptions::CaseMask; }
  char Delimiter() const { return delimiter != 0 ? static_cast<char>(delimiter) : '/'; }
  char Escape() const { return escape != 0 ? static_cast<char>(escape) : '\\'; }
  // Builds the engine object when the engine needs one; false (logged) when it cannot be built.
  // A failed build is remembered, so matching a broken term writes nothing.
  bool EnsureEngine() {
    if ((engine != CFilterTerm::ENGINE_PATHMATCH && engine != CFilterTerm::ENGINE_REGEX) ||
        pathMatch || regex)
      return true;
    if (engineError.Succeeded()) {
      CYqError err = InitializeEngine();
      if (err.Succeeded()) return true;
      engineError = err;
    }
    YQ_LOG_FAILURE("InitializeEngine failed, error=%s", engineError.AsString().c_str());
    return false;
  }
  void DiscardEngine() {
    pathMatch.reset();
    regex.reset();
    regexLiteral.clear();
    engineError = CYqError();
  }

  int engine = CFilterTerm::ENGINE_NONE;
  DWORD applies = FILTER_APPLIES_FILES_DIRECTORIES;
  std::string prefix;
  std::string term;
  boost::shared_ptr<CPathMatch> pathMatch;
  boost::shared_ptr<boost::xpressive::sregex> regex;
  std::string regexLiteral;  // text every match of the expression contains
  CYqError engineError;      // why the engine object could not be built
  DWORD options;
  int escape = 0;
  int delimiter = 0;
};

namespace {

struct SEngineName {
  const char* name;
  int engine;
};
const SEngineName kEngines[] = {{"P", CFilterTerm::ENGINE_PATHMATCH},
                                {"R", CFilterTerm::ENGINE_REGEX},
                                {"MR", CFilterTerm::ENGINE_MATCHRIGHT},
                                {"M", CFilterTerm::ENGINE_MATCH}};

struct SAppliesWord {
  const char* word;
  DWORD applies;
};
// Tried in this order, each compared on its own length.
const SAppliesWord kAppliesWords[] = {{"A", 7},  {"FD", 3}, {"DF", 3}, {"TD", 6},
                                      {"DT", 6}, {"F", 1},  {"D", 2},  {"T", 4}};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool EqualNoCase(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool HasWildcard(const std::string& text, char escape) {
  return text.find_first_of(std::string("*[?") + escape) != std::string::npos;
}

// Parses the value of "e=": one character (after conversion to a wide string) stands for
// itself, anything else is a number in C notation.
CYqError ParseEscape(const std::string& text, int& escape) {
  std::wstring wide;
  unsigned long long value = 0;
  if (FXString::UTF8ToUnicode(text, wide).Succeeded() && wide.size() == 1) {
    value = static_cast<unsigned long long>(wide[0]);
  } else {
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0') value = 0;
  }
  // Only ASCII escapes: the byte matcher compares the escape with single UTF-8 bytes.
  if (value == 0 || value > 0x7F || std::strchr("!*/:?[]^", static_cast<int>(value)) != nullptr)
    return FXErrorUtil::ErrorWin32(
        YQ_LOC, 87, "Invalid escape character selected, EscapeCharacter=[0x%llX (%llu)]", value,
        value);
  escape = static_cast<int>(value);
  return CYqError();
}

// The fixed folder part of a RegEx term. Stops at any operator; a quantifier that may take zero
// of the character before it drops that character too, and an escaped letter or digit (a class
// such as \W that may stand for "/") ends the prefix. An alternation anywhere leaves no prefix.
std::string RegExPrefix(const std::string& term) {
  if (term.find('|') != std::string::npos) return std::string();
  std::string prefix;
  for (size_t i = 0; i < term.size(); ++i) {
    const char c = term[i];
    if (c == '\\' && i + 1 < term.size()) {
      const unsigned char next = static_cast<unsigned char>(term[i + 1]);
      if (std::isalnum(next)) break;
      prefix += term[++i];
      continue;
    }
    if (std::strchr(".|*?+(){}[]^$", c) != nullptr) {
      if ((c == '*' || c == '?' || c == '{') && !prefix.empty()) prefix.pop_back();
      break;
    }
    prefix += c;
  }
  const size_t slash = prefix.rfind('/');
  prefix.erase(slash == std::string::npos ? 0 : slash + 1);
  if (prefix == "/" || prefix == "//") prefix.clear();
  return prefix;
}

// Whether `re` holds an empty quoted run ("\Q\E", or "\Q" at the end), on which
// Boost.Xpressive asserts instead of throwing.
bool HasEmptyQuote(const std::string& re) {
  for (size_t i = 0; i + 1 < re.size(); ++i) {
    if (re[i] != '\\') continue;
    if (re[i + 1] != 'Q') {
      ++i;  // an escaped character
      continue;
    }
    const size_t end = re.find("\\E", i + 2);
    if (end == i + 2 || (end == std::string::npos && i + 2 == re.size())) return true;
    if (end == std::string::npos) return false;
    i = end + 1;
  }
  return false;
}

// Whether `re` holds a comment group "(?#...)" that Boost.Xpressive never ends compiling: one
// with an unescaped "*", "+" or "?" in it (closed or not), or one no unescaped ")" closes.
bool HasUnsafeComment(const std::string& re) {
  for (size_t i = 0; i < re.size(); ++i) {
    if (re[i] == '\\') {
      if (i + 1 < re.size() && re[i + 1] == 'Q') {
        const size_t end = re.find("\\E", i + 2);
        if (end == std::string::npos) return false;
        i = end + 1;
      } else {
        ++i;  // an escaped character
      }
      continue;
    }
    if (re.compare(i, 3, "(?#") != 0) continue;
    size_t j = i + 3;
    for (; j < re.size() && re[j] != ')'; j += re[j] == '\\' ? 2 : 1)
      if (re[j] == '*' || re[j] == '+' || re[j] == '?') return true;
    if (j >= re.size()) return true;
    i = j;
  }
  return false;
}

// The highest group a back-reference ("\\1", "\\12") in `re` names, outside quoted runs;
// 0 when there is none. Boost.Xpressive takes a reference to a group the expression lacks and
// reads past its marks while matching, so such a term is refused.
unsigned HighestBackReference(const std::string& re) {
  unsigned highest = 0;
  for (size_t i = 0; i + 1 < re.size(); ++i) {
    if (re[i] != '\\') continue;
    const char next = re[i + 1];
    if (next == 'Q') {
      const size_t end = re.find("\\E", i + 2);
      if (end == std::string::npos) break;
      i = end + 1;
    } else if (next >= '1' && next <= '9') {
      unsigned number = 0;
      size_t j = i + 1;
      for (; j < re.size() && re[j] >= '0' && re[j] <= '9' && number < 100000; ++j)
        number = number * 10 + static_cast<unsigned>(re[j] - '0');
      highest = std::max(highest, number);
      i = j - 1;
    } else {
      ++i;  // an escaped character
    }
  }
  return highest;
}

// A literal text every match of the expression must contain (the longest such run found), or
// empty when none can be told. Alternations and groups end the search; a character under a
// quantifier that allows zero repetitions is not required; a case-blind run must be ASCII.
std::string RequiredLiteral(const std::string& re, bool caseBlind) {
  if (re.find('|') != std::string::npos) return std::string();
  std::string best, run;
  const auto flush = [&best, &run]() {
    if (run.size() > best.size()) best = run;
    run.clear();
  };
  for (size_t i = 0; i < re.size(); ++i) {
    const char c = re[i];
    if (c == '\\') {
      if (i + 1 == re.size() || std::isalnum(static_cast<unsigned char>(re[i + 1])) ||
          (caseBlind && (re[i + 1] & 0x80) != 0)) {
        flush();
        ++i;
        continue;
      }
      run += re[++i];
    } else if (c == '(' || c == ')') {
      break;
    } else if (c == '[') {
      flush();
      size_t end = i + 1;
      if (end < re.size() && re[end] == '^') ++end;
      if (end < re.size() && re[end] == ']') ++end;
      while (end < re.size() && re[end] != ']') end += re[end] == '\\' ? 2 : 1;
      if (end >= re.size()) break;
      i = end;
    } else if (c == '*' || c == '?' || c == '{') {
      if (!run.empty()) run.pop_back();
      flush();
      if (c == '{') {
        i = re.find('}', i);
        if (i == std::string::npos) break;
      }
    } else if (c == '.' || c == '^' || c == '$' || c == '+' || (caseBlind && (c & 0x80) != 0)) {
      flush();
    } else {
      run += c;
    }
  }
  flush();
  return best;
}

bool Contains(const std::string& text, const std::string& literal, bool caseBlind) {
  if (!caseBlind) return text.find(literal) != std::string::npos;
  for (size_t i = 0; i + literal.size() <= text.size(); ++i)
    if (EqualNoCase(text.data() + i, literal.data(), literal.size())) return true;
  return false;
}

// Normalizes a path for matching in place; returns whether it began with exactly one "/".
bool NormalizeTestPath(std::string& path) {
  bool single =
      !path.empty() && path[0] == '/' && (path.size() < 2 || path[1] != '/') && path.size() > 1;
  if (path.empty() || path[0] != '/') {
    path.insert(path.begin(), '/');
    single = true;
  }
  if (path.back() == '/') path.pop_back();
  return single;
}

std::string AppliesName(DWORD applies) {
  switch (applies) {
    case 1:
      return "F";
    case 2:
      return "D";
    case 3:
      return "FD";
    case 4:
      return "T";
    case 6:
      return "DT";
    case 7:
      return "A";
  }
  return std::string();
}

}  // namespace

CYqError CFilterTermPrivate::LoadRaw(const std::string& raw) {
  DiscardEngine();
  if (raw.empty()) return FXErrorUtil::ErrorWin32(YQ_LOC, 4306, "Empty raw filter");
  if (raw.find('\0') != std::string::npos)
    return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "Raw filter holds a NUL character, Filter=[%s]",
                                   raw.c_str());
  int newEngine = CFilterTerm::ENGINE_PATHMATCH;
  DWORD newApplies = applies;
  DWORD newOptions = options;
  int newEscape = escape;
  std::string pattern = raw;
  if (raw[0] == '<') {
    const size_t close = raw.find('>');
    if (close == std::string::npos)
      return FXErrorUtil::ErrorWin32(
          YQ_LOC, 87, "Malformed raw filter; context close '>' not found, Filter=[%s]",
          raw.c_str());
    const std::string context = raw.substr(1, close - 1);
    pattern = raw.substr(close + 1);
    if (context.empty()) return FXErrorUtil::ErrorWin32(YQ_LOC, 4306, "Empty filter context");
    const size_t comma = context.find(',');
    const std::string enginePart = context.substr(0, comma);
    if (enginePart.empty())
      return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "Missing filter engine type, FilterContext=[%s]",
                                     context.c_str());
    std::vector<std::string> parts;
    FXString::Split(enginePart, ":", parts, true);
    newEngine = CFilterTerm::ENGINE_NONE;
    for (const SEngineName& e : kEngines)
      if (parts[0].size() == std::strlen(e.name) &&
          EqualNoCase(parts[0].c_str(), e.name, parts[0].size()))
        newEngine = e.engine;
    if (newEngine == CFilterTerm::ENGINE_NONE)
      return FXErrorUtil::ErrorWin32(
          YQ_LOC, 87, "Unknown filter engine type, FilterEngine=[%s], FilterContext=[%s]",
          parts[0].c_str(), context.c_str());
    for (size_t i = 1; i < parts.size(); ++i) {
      if (parts[i] == "cs") {
        newOptions =
            (newOptions & ~BFilterTermOptions::CaseMask) | BFilterTermOptions::CaseSensitive;
      } else if (parts[i] == "ci") {
        newOptions =
            (newOptions & ~BFilterTermOptions::CaseMask) | BFilterTermOptions::CaseInsensitive;
      } else if (parts[i].compare(0, 2, "e=") == 0) {
        CYqError err = ParseEscape(parts[i].substr(2), newEscape);
        if (err.Failed()) return err.Push(YQ_LOC);
      }
    }
    newApplies = FILTER_APPLIES_ALL;
    if (comma != std::string::npos) {
      const std::string word = context.substr(comma + 1);
      newApplies = FILTER_APPLIES_NONE;
      for (const SAppliesWord& a : kAppliesWords) {
        const size_t n = std::strlen(a.word);
        if (word.size() >= n && EqualNoCase(word.c_str(), a.word, n)) {
          newApplies = a.applies;
          break;
        }
      }
      if (newApplies == FILTER_APPLIES_NONE)
        return FXErrorUtil::ErrorWin32(
            YQ_LOC, 87, "Unknown filter applies type, FilterApplies=[%s], FilterContext=[%s]",
            word.c_str(), context.c_str());
    }
  }
  if (newEngine == CFilterTerm::ENGINE_PATHMATCH) {
    const char pathEscape = newEscape != 0 ? static_cast<char>(newEscape) : '\\';
    const char pathDelimiter = Delimiter();
    if (HasWildcard(pattern, pathEscape) && pattern.find('/') == std::string::npos)
      pattern.insert(0, "/**/");
    if (pattern.size() > 2 && pattern[0] == pathDelimiter && pattern[2] == ':') pattern.erase(0, 1);
    if (delimiter != 0) {
      while (!pattern.empty() && pattern.back() == pathDelimiter) pattern.pop_back();
    } else if (!pattern.empty() && pattern.back() == '/') {
      pattern.pop_back();
    }
    static const char* const kAnyDepth[] = {"*:\\**\\*", "?:\\**\\*", "/**/*",
                                            "*:\\**",    "?:\\**",    "/**"};
    for (const char* lead : kAnyDepth) {
      const size_t n = std::strlen(lead);
      if (pattern.compare(0, n, lead) != 0) continue;
      const std::string rest = pattern.substr(n);
      if (!HasWildcard(rest, pathEscape)) {
        YQ_TRACE(3, "Converting PathMatch filter to MatchRight, FilterTerm=[%s], MatchRight=[%s]",
                 pattern.c_str(), rest.c_str());
        newEngine = CFilterTerm::ENGINE_MATCHRIGHT;
        pattern = rest;
      }
      break;
    }
  }
  std::string newPrefix;
  if (newEngine == CFilterTerm::ENGINE_PATHMATCH) {
    const char pathEscape = newEscape != 0 ? static_cast<char>(newEscape) : '\\';
    newPrefix = pattern.substr(0, pattern.find_first_of(std::string("*[?") + pathEscape));
    size_t cut = newPrefix.rfind(Delimiter());
    if (cut == std::string::npos) cut = newPrefix.rfind('/');
    newPrefix.erase(cut == std::string::npos ? 0 : cut + 1);
    if (newPrefix.find_first_not_of(Delimiter()) == std::string::npos && newPrefix.size() <= 2)
      newPrefix.clear();
  } else if (newEngine == CFilterTerm::ENGINE_REGEX) {
    newPrefix = RegExPrefix(pattern);
  } else if (newEngine == CFilterTerm::ENGINE_MATCH) {
    newPrefix = pattern;
  }
  engine = newEngine;
  applies = newApplies;
  options = newOptions;
  escape = newEscape;
  term = pattern;
  prefix = newPrefix;
  return CYqError();
}

CYqError CFilterTermPrivate::InitializeEngine() {
  DiscardEngine();
  if (engine == CFilterTerm::ENGINE_PATHMATCH) {
    const char d = Delimiter();
    std::string text = term;
    if (text.empty() || text[0] != d) text.insert(text.begin(), d);
    if (text.size() > 1 && text.back() == d) text.pop_back();
    boost::shared_ptr<CPathMatch> m = boost::make_shared<CPathMatch>();
    m->setDelimiter(d);
    if (CaseBits() == BFilterTermOptions::CaseInsensitive) m->caseInsensitive();
    if (CaseBits() == BFilterTermOptions::CaseSensitive) m->caseSensitive();
    if (escape != 0) m->setEscape(static_cast<char>(escape));
    CYqError err = m->initialize(text.c_str(), true, false);
    if (err.Failed())
      return err.Push(YQ_LOC, "initialize failed, PathMatchFilterTerm=[%s]", term.c_str());
    pathMatch = m;
  } else if (engine == CFilterTerm::ENGINE_REGEX) {
    using namespace boost::xpressive;
    if (HasEmptyQuote(term) || HasUnsafeComment(term))
      return FXErrorUtil::ErrorWin32(YQ_LOC, 774, "compile failed, RegExFilterTerm=[%s]",
                                     term.c_str());
    try {
      regex_constants::syntax_option_type flags = regex_constants::ECMAScript;
      if (CaseBits() == BFilterTermOptions::CaseInsensitive) flags = flags | regex_constants::icase;
      regex = boost::make_shared<sregex>(sregex::compile(term, flags));
      if (HighestBackReference(term) > regex->mark_count()) {
        regex.reset();
        return FXErrorUtil::ErrorWin32(YQ_LOC, 774, "compile failed, RegExFilterTerm=[%s]",
                                       term.c_str());
      }
      regexLiteral = RequiredLiteral(term, CaseBits() == BFilterTermOptions::CaseInsensitive);
    } catch (const std::exception&) {
      return FXErrorUtil::ErrorWin32(YQ_LOC, 774, "compile failed, RegExFilterTerm=[%s]",
                                     term.c_str());
    }
  }
  return CYqError();
}

CFilterTermTestString::CFilterTermTestString()
    : m_converted(false), m_singleLeadingSlash(false), m_ascii(true) {}

CFilterTermTestString::CFilterTermTestString(const std::string& path) { SetTestString(path); }

void CFilterTermTestString::SetTestString(const std::string& path) {
  m_utf8 = path;
  m_singleLeadingSlash = NormalizeTestPath(m_utf8);
  m_ascii = true;
  for (const char c : m_utf8)
    if ((c & 0x80) != 0) m_ascii = false;
  m_utf32.clear();
  m_converted = false;
}

bool CFilterTermTestString::ConvertToUtf32() {
  m_converted = true;
  m_utf32.assign(m_utf8.size() + 1, 0);
  std::vector<UTF32> units(m_utf8.size() + 1);
  const UTF8* in = reinterpret_cast<const UTF8*>(m_utf8.data());
  UTF32* out = units.data();
  CYqError err = FXUTF::ConvertUTF8ToUTF32(&in, in + m_utf8.size(), &out,
                                           units.data() + units.size(), FXUTF::strictConversion);
  if (err.Failed()) {
    YQ_LOG_FAILURE("Conversion from UTF8 to UTF32 failed, Source=%s, error=%s", m_utf8.c_str(),
                   err.AsString().c_str());
    m_utf32.clear();
    return false;
  }
  const size_t n = out - units.data();
  for (size_t i = 0; i < n; ++i) m_utf32[i] = units[i];
  m_utf32.resize(n + 1);
  return true;
}

const unsigned long* CFilterTermTestString::utf32() {
  if (!m_converted) ConvertToUtf32();
  return m_utf32.empty() ? nullptr : m_utf32.data();
}

CFilterTerm::CFilterTerm() : m_private(boost::make_shared<CFilterTermPrivate>(0)) {}

CFilterTerm::CFilterTerm(BFilterTermOptions options)
    : m_private(boost::make_shared<CFilterTermPrivate>(options)) {}

CFilterTerm::~CFilterTerm() = default;

void CFilterTerm::setOptions(BFilterTermOptions options) {
  m_private->options = options;
  m_private->DiscardEngine();
}

BFilterTermOptions CFilterTerm::getOptions() const { return m_private->options; }

void CFilterTerm::SetPathMatchEscapeCharacter(int escape) { m_private->escape = escape; }

void CFilterTerm::SetPathMatchDelimiter(int delimiter) { m_private->delimiter = delimiter; }

int CFilterTerm::GetPathMatchEscapeCharacter() const { return m_private->escape; }

CYqError CFilterTerm::LoadRaw(const std::string& raw) {
  CYqError err = m_private->LoadRaw(raw);
  if (err.Failed()) return err.Push(YQ_LOC);
  return err;
}

CYqError CFilterTerm::LoadRaw(const std::string& raw, FVBasePtr value) {
  CYqError err = m_private->LoadRaw(raw);
  if (err.Failed()) return err.Push(YQ_LOC);
  m_value = value;
  YQ_TRACE(3, "FilterEngine=[%d], FilterApplies=[%d], FilterTerm=[%s]", m_private->engine,
           static_cast<int>(m_private->applies), m_private->term.c_str());
  return err;
}

std::string CFilterTerm::GetRawFilterTerm() const {
  static const char* const kNames[] = {"", "P", "R", "MR", "M"};
  const CFilterTermPrivate& p = *m_private;
  std::string raw = "<";
  raw += kNames[p.engine >= 0 && p.engine <= 4 ? p.engine : 0];
  if (p.CaseBits() == BFilterTermOptions::CaseInsensitive) raw += ":ci";
  if (p.CaseBits() == BFilterTermOptions::CaseSensitive) raw += ":cs";
  if (p.escape != 0)
    raw += FXString::Format(":e=0x%llX", static_cast<unsigned long long>(p.escape));
  raw += "," + AppliesName(p.applies) + ">" + p.term;
  return raw;
}

std::string CFilterTerm::GetFilterPrefix() const { return m_private->prefix; }

std::string CFilterTerm::GetFilterTerm() const { return m_private->term; }

int CFilterTerm::GetEngine() const { return m_private->engine; }

ENUM_FILTER_APPLIES CFilterTerm::GetApplies() const {
  return static_cast<ENUM_FILTER_APPLIES>(m_private->applies);
}

bool CFilterTerm::AppliesTo(ENUM_FILTER_APPLIES kind) const {
  return (m_private->applies & kind) != 0;
}

bool CFilterTerm::IsSameFilterAs(const CFilterTerm& other) const {
  const CFilterTermPrivate& a = *m_private;
  const CFilterTermPrivate& b = *other.m_private;
  return a.term == b.term && a.applies == b.applies && a.engine == b.engine &&
         a.options == b.options;
}

bool CFilterTerm::IsTrailingPathWildcard() const {
  const std::string& t = m_private->term;
  const auto endsWith = [&t](const char* tail) {
    const size_t n = std::strlen(tail);
    return t.size() >= n && t.compare(t.size() - n, n, tail) == 0;
  };
  // "***" after other text ("/a,***") is one "*" and matches nothing below the folder.
  const bool wholeComponent =
      t == "***" ||
      (endsWith("***") && (t[t.size() - 4] == '/' || t[t.size() - 4] == m_private->Delimiter()));
  return (m_private->engine == ENGINE_PATHMATCH && wholeComponent) ||
         (m_private->engine == ENGINE_REGEX && endsWith(".*"));
}

bool CFilterTerm::IsWildcardItem(const std::string& raw) {
  if (!raw.empty() && raw[0] == '<')
    return !(raw.size() > 2 && (raw[1] == 'M' || raw[1] == 'm') &&
             (raw[2] == ':' || raw[2] == '>' || raw[2] == ','));
  return raw.find_first_of("*?[") != std::string::npos;
}

CYqError CFilterTerm::InitializeEngine() const {
  CYqError err = m_private->InitializeEngine();
  m_private->engineError = err;
  if (err.Failed()) return err.Push(YQ_LOC);
  return err;
}

bool CFilterTerm::Matches(const std::string& test) const { return Matches(test, 0); }

bool CFilterTerm::Matches(const std::string& test, DWORD flags) const {
  if (m_private->engine == ENGINE_PATHMATCH) {
    CFilterTermTestString prepared(test);
    return MatchesText(prepared.str(), &prepared, flags);
  }
  return MatchesText(test, nullptr, flags);
}

bool CFilterTerm::Matches(CFilterTermTestString& test) const {
  return MatchesText(test.str(), &test, 0);
}

bool CFilterTerm::Matches(CFilterTermTestString& test, DWORD flags) const {
  return MatchesText(test.str(), &test, flags);
}

bool CFilterTerm::MatchesText(const std::string& text, CFilterTermTestString* test,
                              DWORD flags) const {
  CFilterTermPrivate& p = *m_private;
  if (!p.EnsureEngine()) return false;
  const bool inside = (flags & 1) != 0;
  const bool caseBlind = p.CaseBits() == BFilterTermOptions::CaseInsensitive;
  switch (p.engine) {
    case ENGINE_PATHMATCH: {
      CPathMatchWorkData wd;
      const unsigned long* utf32 =
          p.pathMatch->usesUtf32() && test != nullptr && !test->isAscii() ? test->utf32() : nullptr;
      const bool matched = utf32 != nullptr ? p.pathMatch->match(wd, utf32) == PATH_MATCH
                                            : p.pathMatch->match(wd, text.c_str()) == PATH_MATCH;
      if (matched || !inside) return matched;
      char head[1024];
      return p.pathMatch->getNextBasename(wd, head) != BASENAME_NONE;
    }
    case ENGINE_REGEX: {
      // One result object per thread keeps its buffers between matches.
      static thread_local boost::xpressive::smatch what;
      const bool matched = Contains(text, p.regexLiteral, caseBlind) &&
                           boost::xpressive::regex_match(text, what, *p.regex);
      if (flags != 0)
        YQ_TRACE(30, "Matched=[%d], RegEx=[%s], Test=[%s], Options=[0x%X]", matched ? 1 : 0,
                 p.term.c_str(), text.c_str(), static_cast<unsigned>(flags));
      else
        YQ_TRACE(30, "Matched=[%d], RegEx=[%s], Test=[%s]", matched ? 1 : 0, p.term.c_str(),
                 text.c_str());
      return matched || inside;
    }
    case ENGINE_MATCHRIGHT:
    case ENGINE_MATCH: {
      size_t n = text.size();
      if (n > 0 && text[n - 1] == '/') --n;
      const bool right = p.engine == ENGINE_MATCHRIGHT;
      YQ_TRACE(30,
               right ? "MatchRight=[%s], Test=[%s], Options=[0x%X]"
                     : "Match=[%s], Test=[%s], Options=[0x%X]",
               p.term.c_str(), text.c_str(), static_cast<unsigned>(p.options));
      const size_t t = p.term.size();
      bool matched = false;
      if (t <= n && (right || t == n)) {
        const char* at = text.data() + (n - t);
        matched =
            caseBlind ? EqualNoCase(at, p.term.data(), t) : std::memcmp(at, p.term.data(), t) == 0;
      }
      if (matched || !inside) return matched;
      if (right) return true;
      // A Match term lies inside the folder when it continues the folder's path past a "/".
      return t > n && text.compare(0, n, p.term, 0, n) == 0 && p.term[n] == '/';
    }
  }
  return false;
}

bool CFilterTerm::IsMatchPossibleInFolder(const std::string& folder) const {
  CFilterTermPrivate& p = *m_private;
  if (!p.EnsureEngine()) return false;
  return p.engine != ENGINE_PATHMATCH || Matches(folder, 1);
}
