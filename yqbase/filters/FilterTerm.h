// CFilterTerm: one include or exclude rule (a pattern and the engine that reads it), loaded from
// the raw filter text; CFilterTermTestString: a path prepared once for many terms.
#pragma once

#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

#include "yqbase/errors/FVBase.h"
#include "yqbase/errors/YqError.h"
#include "yqbase/strings/DisplayTypes.h"

/// The kinds of items a term applies to (bits).
enum ENUM_FILTER_APPLIES : DWORD {
  FILTER_APPLIES_NONE = 0,
  FILTER_APPLIES_FILES = 1,
  FILTER_APPLIES_DIRECTORIES = 2,
  FILTER_APPLIES_FILES_DIRECTORIES = 3,
  FILTER_APPLIES_T = 4,
  FILTER_APPLIES_DIRECTORIES_T = 6,
  FILTER_APPLIES_ALL = 7,
};

/// A path normalized for matching: a leading "/" added when missing, one trailing "/" dropped
/// (so the root "/" becomes empty). The UTF-32 form is made on first request. Not shared
/// between threads while it converts.
class YQBASE_EXPORT CFilterTermTestString {
 public:
  CFilterTermTestString();
  explicit CFilterTermTestString(const std::string& path);

  void SetTestString(const std::string& path);
  const std::string& str() const { return m_utf8; }
  const char* c_str() const { return m_utf8.c_str(); }
  DWORD length() const { return static_cast<DWORD>(m_utf8.size()); }
  /// True when the path began with exactly one "/" or had none.
  bool singleLeadingSlash() const { return m_singleLeadingSlash; }
  /// True when every byte is below 0x80 (one character per byte).
  bool isAscii() const { return m_ascii; }

  /// Fills the UTF-32 form; a text that is not UTF-8 logs a failure and leaves it empty.
  bool ConvertToUtf32();
  /// The UTF-32 form (zero-terminated), converting on first use; null when it does not convert.
  const unsigned long* utf32();
  DWORD utf32Length() const { return static_cast<DWORD>(m_utf32.empty() ? 0 : m_utf32.size() - 1); }

 private:
  std::string m_utf8;
  std::vector<unsigned long> m_utf32;  // with terminator once converted
  bool m_converted;
  bool m_singleLeadingSlash;
  bool m_ascii;
};

class CFilterTermPrivate;

/// One filter rule: a normalized pattern, its engine (PathMatch wildcards, an xpressive RegEx,
/// MatchRight suffix test or Match equality), the kinds of items it applies to, its case
/// option and an optional user value. Loaded from raw text "[<ENGINE[:opt...][,APPLIES]>]pattern"
/// such as "*.tmp", "<P:ci,F>/home/*/cache/**" or "<R,A>^/tmp/.*". The engine object is built
/// on first match; build (or match once) before several threads match. Copies share the rule.
class YQBASE_EXPORT CFilterTerm {
 public:
  enum Engine {
    ENGINE_NONE = 0,
    ENGINE_PATHMATCH = 1,
    ENGINE_REGEX = 2,
    ENGINE_MATCHRIGHT = 3,
    ENGINE_MATCH = 4
  };

  CFilterTerm();
  explicit CFilterTerm(BFilterTermOptions options);
  ~CFilterTerm();

  /// Stores the options and discards the engine object (rebuilt on the next match).
  void setOptions(BFilterTermOptions options);
  BFilterTermOptions getOptions() const;
  /// Escape (0: backslash) and delimiter (0: "/") for PathMatch; set them before LoadRaw.
  void SetPathMatchEscapeCharacter(int escape);
  void SetPathMatchDelimiter(int delimiter);
  int GetPathMatchEscapeCharacter() const;

  /// Parses a raw filter. Fails with Win32 4306 for an empty text or context, 87 for a
  /// malformed context, an unknown engine or applies word, an invalid escape or an embedded
  /// NUL; the term is then unchanged.
  /// Deliberate departures: an escape above 0x7F is refused as invalid (the byte matcher
  /// could not honour it), and so is a raw text holding a NUL (it would be cut short).
  [[nodiscard]] CYqError LoadRaw(const std::string& raw);
  /// The same, storing `value` on success.
  [[nodiscard]] CYqError LoadRaw(const std::string& raw, FVBasePtr value);
  /// A raw text that reloads to the same term.
  std::string GetRawFilterTerm() const;

  /// The fixed leading folder part under which the term can match (empty: anywhere).
  /// Deliberate departure for RegEx terms: an alternation leaves no prefix, a character under
  /// a quantifier that allows zero repetitions is not part of it, and an escaped letter or
  /// digit (a class such as `\W`, which may stand for "/") ends it.
  std::string GetFilterPrefix() const;
  std::string GetFilterTerm() const;
  int GetEngine() const;
  ENUM_FILTER_APPLIES GetApplies() const;
  FVBasePtr GetValue() const { return m_value; }
  void SetValue(FVBasePtr value) { m_value = value; }

  bool AppliesTo(ENUM_FILTER_APPLIES kind) const;
  /// Same term text, applies, engine and options.
  bool IsSameFilterAs(const CFilterTerm& other) const;
  /// A PathMatch term ending in "***" or a RegEx term ending in ".*": it matches a folder and
  /// everything below.
  /// Deliberate departure: the "***" must be a whole last component ("/a/***"); "/a,***" is
  /// no trailing wildcard, as it matches "/a,b" but nothing below it, and a folder filter
  /// taking it for one would claim the whole folder.
  bool IsTrailingPathWildcard() const;
  /// Whether `raw` is loaded as a term (true) or is a literal path: a context other than Match,
  /// or no context and one of "*", "?", "[".
  static bool IsWildcardItem(const std::string& raw);

  /// Builds the engine object; fails with "initialize failed" (PathMatch) or Win32 774
  /// "compile failed" (RegEx).
  [[nodiscard]] CYqError InitializeEngine() const;

  /// Whether the path matches. Flag 1 asks instead whether the path, a folder, may hold
  /// matches below it (a match of the folder itself also answers true). Never fails: a term
  /// whose engine cannot be built logs that and matches nothing.
  /// Deliberate departure: with flag 1, MatchRight and RegEx terms answer true for any folder
  /// and a Match term for the folders above its path, so a folder that may hold matches is
  /// never skipped.
  bool Matches(const std::string& test) const;
  bool Matches(const std::string& test, DWORD flags) const;
  bool Matches(CFilterTermTestString& test) const;
  bool Matches(CFilterTermTestString& test, DWORD flags) const;
  /// Matches(folder, 1) for PathMatch, true for the other engines.
  bool IsMatchPossibleInFolder(const std::string& folder) const;

 private:
  bool MatchesText(const std::string& text, CFilterTermTestString* test, DWORD flags) const;

  boost::shared_ptr<CFilterTermPrivate> m_private;
  FVBasePtr m_value;
};

typedef boost::shared_ptr<CFilterTerm> CFilterTermPtr;
