// CPathMatch: wildcard matching of path names, with a folder-spanning "**", a trailing "***"
// and hints about what a folder's descendants would still have to match.
#pragma once

#include <string>

#include "yqbase/errors/YqError.h"

/// The result of a match: 1 when the subject matches, 0 when it does not.
enum CPathMatchResult { PATH_NO_MATCH = 0, PATH_MATCH = 1 };

/// What getNextBasename found at the head of the hint.
enum CBaseNameType {
  BASENAME_NONE = 0,     ///< no hint: nothing below the tested folder can match
  BASENAME_PREFIX = 1,   ///< the literal text before a wildcard
  BASENAME_LITERAL = 2,  ///< the whole next component is literal
  BASENAME_EMPTY = 3,    ///< the next component is empty or begins with a wildcard
};

/// The caller's scratch record for one match call. `match` resets the fields; the buffers hold
/// the UTF-32 forms of the subject (and of a pattern given to `fnmatch`), so that matching
/// allocates nothing. Hints point into the matcher or into this record: they are valid while
/// both live and the matcher is not re-initialized.
class YQBASE_EXPORT CPathMatchWorkData {
 public:
  /// Code points of a UTF-32 subject or pattern, terminator included.
  static const int kUtf32Capacity = 1029;

  CPathMatchWorkData() = default;
  CPathMatchWorkData(const CPathMatchWorkData&) = delete;
  CPathMatchWorkData& operator=(const CPathMatchWorkData&) = delete;

  /// After a failed match: the rest of the pattern that names inside the tested folder would
  /// have to match (char or UTF-32 text, see isUtf32); null when the subject cannot be an
  /// ancestor of a match.
  const void* nextPattern = nullptr;
  /// A folder-spanning "**" was met.
  bool doubleStarSeen = false;
  /// The match succeeded through a trailing "**": every descendant matches too.
  bool matchesAllBelow = false;
  /// No "?", "[" or "*" was met.
  bool literalOnly = false;
  /// The subject being matched (char or UTF-32 text).
  const void* subject = nullptr;
  /// nextPattern and subject point to UTF-32 text.
  bool isUtf32 = false;

  unsigned long utf32Subject[kUtf32Capacity];
  unsigned long utf32Pattern[kUtf32Capacity];
};

/// One stored pattern over units of PMType (char for UTF-8 bytes, unsigned long for UTF-32
/// code points) and the matching step. Instantiated for those two types only.
template <typename PMType>
class YQBASE_EXPORT CPathMatchTemplate {
 public:
  /// Characters a stored pattern may hold; the array adds room for the terminator.
  static const int kMaxPattern = 1025;

  bool caseInsensitive = false;
  PMType delimiter = '/';
  PMType escape = '\\';
  PMType pattern[kMaxPattern + 2] = {0};
  PMType emptyPattern = 0;

  /// Sets the delimiter and, for ",", ".", "/" and backslash, the matching escape; any other
  /// value keeps the escape and logs a failure line.
  void setDelimiter(PMType c);

  /// Stores `text` (see CPathMatch::initialize). Fails with Win32 111 "Pattern too long" or,
  /// with `lastComponentOnly` and no delimiter, 1627; the stored pattern is then unchanged.
  [[nodiscard]] CYqError initialize(const PMType* text, bool wildcards, bool lastComponentOnly);

  /// Matches `subject` against the stored-form pattern `p`. Flags: 1 the escape is not
  /// special, 2 wildcards do not cross the delimiter and "**" spans folders, 4 a leading "."
  /// must be matched literally. Time is polynomial in the lengths, never exponential.
  CPathMatchResult fnmatch(CPathMatchWorkData& wd, const PMType* p, const PMType* subject,
                           int flags) const;
};

extern template class CPathMatchTemplate<char>;
extern template class CPathMatchTemplate<unsigned long>;

/// Matches path names against one wildcard pattern, in the manner of fnmatch with
/// FNM_PATHNAME: "*", "?", classes "[a-z]" / "[!x]" and an escape character, plus a
/// folder-spanning "**" (after a delimiter), a trailing "***" that also matches the folder
/// itself, and hints (CPathMatchWorkData::nextPattern) that tell whether a folder lies on the
/// way to possible matches. Works on UTF-8 bytes, or on code points when the pattern holds "?"
/// or a class so that those match one character.
///
/// Configure (delimiter, escape, case), then initialize once, then match from any number of
/// threads, each with its own work record. Copying copies the stored pattern.
///
///   CPathMatch m;
///   CYqError err = m.initialize("/home/**/*.doc", true, false);
///   CPathMatchWorkData wd;
///   bool in = m.match(wd, "/home/ann/a.doc") == PATH_MATCH;
class YQBASE_EXPORT CPathMatch {
 public:
  CPathMatch();
  virtual ~CPathMatch();

  /// Stores the pattern. `wildcards` false: the whole text is literal. `lastComponentOnly`:
  /// only the part after the last delimiter may hold wildcards. Fails as
  /// CPathMatchTemplate::initialize does, or when a pattern with "?" or "[" is not UTF-8.
  [[nodiscard]] virtual CYqError initialize(const char* pattern, bool wildcards,
                                            bool lastComponentOnly);
  /// Matches a UTF-8 subject (delimiter-aware). A subject that is not UTF-8 or too long for
  /// the work record's buffer is matched byte-wise.
  virtual CPathMatchResult match(CPathMatchWorkData& wd, const char* subject) const;
  /// Matches a UTF-32 subject with the UTF-32 form of the pattern; sets isUtf32. The UTF-32
  /// form is kept whenever the pattern is valid UTF-8, so this works in byte mode too.
  CPathMatchResult match(CPathMatchWorkData& wd, const unsigned long* subject) const;
  /// Matches an arbitrary stored-form pattern (normally a hint) with this matcher's settings;
  /// `utf32` matches code points, falling back to bytes when a text does not convert.
  CPathMatchResult fnmatch(CPathMatchWorkData& wd, const char* pattern, const char* subject,
                           int flags, bool utf32) const;
  /// Copies the literal head of the next component of wd.nextPattern into `out` (at least
  /// 1024 bytes) and says what it is.
  /// Deliberate departure: a head longer than 1023 bytes is cut there and reported as
  /// BASENAME_PREFIX (never as NONE), so callers keep descending rather than skip a folder.
  CBaseNameType getNextBasename(const CPathMatchWorkData& wd, char* out) const;

  /// Legal delimiters are ",", "." and "/" (escape backslash) and backslash (escape "/").
  void setDelimiter(char c);
  char getDelimiter() const { return m_char.delimiter; }
  void setEscape(char c);
  char getEscape() const { return m_char.escape; }
  void caseSensitive();
  void caseInsensitive();
  /// True when case sensitive.
  bool getCaseSensitivity() const { return !m_char.caseInsensitive; }
  /// Whether the last pattern is matched as code points.
  bool usesUtf32() const { return m_useUtf32; }

 protected:
  CPathMatchTemplate<char> m_char;
  CPathMatchTemplate<unsigned long> m_utf32;
  bool m_useUtf32;
};

/// A CPathMatch for UNC names: a pattern or subject beginning with two backslashes has them
/// replaced by "\UNC-NT_" before it is stored or matched. The non-const match keeps the
/// rewritten subject in the matcher, so one thread matches through it at a time; the
/// inherited const match does not rewrite.
class YQBASE_EXPORT CPathMatchUnc : public CPathMatch {
 public:
  ~CPathMatchUnc() override;
  [[nodiscard]] CYqError initialize(const char* pattern, bool wildcards,
                                    bool lastComponentOnly) override;
  using CPathMatch::match;
  virtual CPathMatchResult match(CPathMatchWorkData& wd, const char* subject);

 private:
  std::string m_subject;
};
