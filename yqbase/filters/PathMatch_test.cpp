#include "yqbase/filters/PathMatch.h"

#include <fnmatch.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LogWriter_testutil.h"

namespace {

// Random patterns from the grammar shared with fnmatch(FNM_PATHNAME): literals, "*", "?",
// classes with ranges and negation, escapes. Subjects are expansions of the pattern, often
// mutated, so that both matches and near misses are common.
class CPatternGenerator {
 public:
  explicit CPatternGenerator(unsigned seed) : m_rng(seed) {}

  void Next(std::string& pattern, std::string& subject) {
    do {
      pattern.clear();
      subject.clear();
      const int tokens = 1 + Pick(8);
      for (int i = 0; i < tokens; ++i) AddToken(pattern, subject);
    } while (pattern.find("/**") != std::string::npos || pattern.find("***") != std::string::npos);
    if (Pick(3) == 0 && !subject.empty()) subject[Pick(subject.size())] = Letter();
    if (Pick(5) == 0) subject.insert(Pick(subject.size() + 1), 1, Letter());
  }

 private:
  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(m_rng); }
  char Letter() { return "abcAB.-/"[Pick(8)]; }

  void AddToken(std::string& pattern, std::string& subject) {
    switch (Pick(7)) {
      case 0:
        pattern += '*';
        for (size_t n = Pick(3); n > 0; --n) subject += "ab/c"[Pick(4)];
        break;
      case 1:
        pattern += '?';
        subject += "aBc/"[Pick(4)];
        break;
      case 2: {
        pattern += '[';
        if (Pick(3) == 0) pattern += "!^"[Pick(2)];
        for (size_t n = 1 + Pick(3); n > 0; --n) {
          if (Pick(3) == 0)
            pattern += std::string(1, "abA"[Pick(3)]) + "-" + "bcC"[Pick(3)];
          else if (Pick(4) == 0)
            pattern += std::string("\\") + "]*-"[Pick(3)];
          else
            pattern += "abcB-*?"[Pick(7)];
        }
        pattern += ']';
        subject += "abcB-]*"[Pick(7)];
        break;
      }
      case 3: {
        const char c = "*?[]a\\"[Pick(6)];
        pattern += '\\';
        pattern += c;
        subject += c;
        break;
      }
      default: {
        const char c = Letter();
        pattern += c;
        subject += c;
      }
    }
  }

  std::mt19937 m_rng;
};

std::string Hint(const CPathMatch& m, const CPathMatchWorkData& wd) {
  char out[1024];
  const CBaseNameType type = m.getNextBasename(wd, out);
  static const char* const kNames[] = {"NONE", "PREFIX", "LITERAL", "EMPTY"};
  return std::string(kNames[type]) + ":" + out;
}

}  // namespace

// Thousands of generated pairs must give glibc's answer, case-sensitive and case-blind.
TEST(CPathMatch, AgreesWithGlibcFnmatch) {
  CPatternGenerator generator(20261206);
  std::string pattern, subject;
  int matches = 0, mismatches = 0;
  for (int i = 0; i < 30000; ++i) {
    generator.Next(pattern, subject);
    const bool caseBlind = i % 3 == 0;
    CPathMatch m;
    if (caseBlind) m.caseInsensitive();
    ASSERT_TRUE(m.initialize(pattern.c_str(), true, false).Succeeded()) << pattern;
    CPathMatchWorkData wd;
    const bool ours = m.match(wd, subject.c_str()) == PATH_MATCH;
    const bool glibc = ::fnmatch(pattern.c_str(), subject.c_str(),
                                 FNM_PATHNAME | (caseBlind ? FNM_CASEFOLD : 0)) == 0;
    matches += glibc;
    if (ours != glibc && mismatches++ < 10)
      ADD_FAILURE() << "pattern [" << pattern << "] subject [" << subject << "] case-blind "
                    << caseBlind << ": ours " << ours << ", glibc " << glibc;
  }
  EXPECT_EQ(0, mismatches);
  EXPECT_GT(matches, 5000);  // the generator must exercise matches, not only misses
}

// The extensions, with the hint left for a failed match and what getNextBasename makes of it.
TEST(CPathMatch, ExtensionsAndHints) {
  const struct {
    const char* pattern;
    const char* subject;
    bool match;
    const char* hint;  // getNextBasename after the match
    bool allBelow;
  } kCases[] = {
      {"", "", true, "NONE:", false},
      {"", "a", false, "NONE:", false},
      {"/a/**", "/a/", true, "NONE:", true},
      {"/a/**", "/a/b/c", true, "NONE:", true},
      {"/a/**", "/a", false, "EMPTY:", false},  // hint "**": any name may follow
      {"/a/***", "/a", true, "EMPTY:", false},
      {"/a/***", "/a/b/c", true, "NONE:", true},
      {"/a/***", "/ab", false, "NONE:", false},
      {"/a/b/*", "/a", false, "LITERAL:b", false},
      {"/a/b/*", "/a/b", false, "EMPTY:", false},
      {"/x/y", "/", false, "LITERAL:x", false},  // the root lies above every absolute pattern
      {"/a/**/c", "/a/c", true, "NONE:", false},
      {"/a/**/c", "/a/b/x/c", true, "NONE:", false},
      {"/a/**/c", "/a/b/x", false, "EMPTY:", false},
      {"/a/**/c", "/b", false, "NONE:", false},
      {"/a/*/doc*/x", "/a/q", false, "PREFIX:doc", false},
      {"/a/*/d\\*e/x", "/a/q", false, "LITERAL:d*e", false},
      {"/a/*/\\", "/a/q", false, "LITERAL:\\", false},  // a final escape is itself literal
      {"/a/*/***", "/a/q", true, "EMPTY:", false},
      {"/a/**/b/*", "/a/x/b", false, "EMPTY:", false},  // hints after "**" are empty
      {"**", "a/b", false, "NONE:", false},             // no delimiter before it: one "*"
      {"**", "ab", true, "NONE:", false},
      {"/a**", "/ab/c", false, "NONE:", false},
      {"/a**", "/abc", true, "NONE:", false},
      {"[]x]", "x", false, "NONE:", false},
      {"[]x]", "]", false, "NONE:", false},
      {"[!]", "q", true, "NONE:", false},
      {"[!]", "/", false, "NONE:", false},
      {"[a", "[a", true, "NONE:", false},  // unclosed: "[" is literal
      {"a[/]", "a[/]", true, "NONE:", false},
      {"/d\xE2\x80\x8B", "/d", false, "NONE:", false},
      {"/ab",
       "/a\xE2\x80\x8B"
       "b",
       true, "NONE:", false},  // zero-width characters are skipped
      {"/\xC3\xA9?", "/\xC3\xA9\xC3\xA9", true, "NONE:", false},  // "?" takes a code point
      {"/[\xC3\xA0-\xC3\xAA]", "/\xC3\xA9", true, "NONE:", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.pattern) + " vs " + c.subject);
    CPathMatch m;
    ASSERT_TRUE(m.initialize(c.pattern, true, false).Succeeded());
    CPathMatchWorkData wd;
    EXPECT_EQ(c.match, m.match(wd, c.subject) == PATH_MATCH);
    EXPECT_EQ(c.hint, Hint(m, wd));
    EXPECT_EQ(c.allBelow, wd.matchesAllBelow);
  }
}

// Stored patterns (wildcards off, or on in the last component only) and case-blind ones; and
// backtracking that must stay polynomial, as an exponential matcher would not finish the
// long subjects.
TEST(CPathMatch, PatternFormsAndPathologicalSubjects) {
  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "/a";
  const std::string many(1000, 'a');
  const struct {
    std::string pattern;
    bool wildcards, lastOnly, caseBlind;
    std::string subject;
    bool match;
  } kCases[] = {
      {"a*b", false, false, false, "a*b", true},
      {"a*b", false, false, false, "axb", false},
      {"/[x]/?/*.C", true, true, false, "/[x]/?/y.C", true},
      {"/[x]/?/*.C", true, true, false, "/x/a/y.C", false},
      {"/Dir/*.TXT", true, false, true, "/dir/NOTE.txt", true},
      {"/\xC3\x89", true, false, true, "/\xC3\xA9", false},  // only ASCII letters fold
      {"/[A-C]x", true, false, true, "/bX", true},
      {"*a*a*a*a*a*a*a*a*a*a*b", true, false, false, many, false},
      {"*a*a*a*a*a*a*a*a*a*a*a", true, false, false, many, true},
      {"/**/a*a*a*a*a*a*a*b", true, false, false, "/" + std::string(900, 'a'), false},
      {"/**/a/**/a/**/a/**/a/**/a/**/b", true, false, false, deep, false},
      {"/**/a/**/a/**/a/**/a/**/a/**/a", true, false, false, deep, true},
      {"*?*?*?*?*?*?*?*?*?*?*/x", true, false, false, many + "/y", false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.pattern + " vs " + c.subject.substr(0, 20));
    CPathMatch m;
    if (c.caseBlind) m.caseInsensitive();
    ASSERT_TRUE(m.initialize(c.pattern.c_str(), c.wildcards, c.lastOnly).Succeeded());
    CPathMatchWorkData wd;
    EXPECT_EQ(c.match, m.match(wd, c.subject.c_str()) == PATH_MATCH);
  }
}

TEST(CPathMatch, InitializeFailures) {
  const struct {
    std::string pattern;
    bool wildcards;
    bool lastOnly;
    DWORD win32;  // 0: accepted
    const char* text;
  } kCases[] = {
      {std::string(1025, 'a'), true, false, 0, ""},
      {std::string(1026, 'a'), true, false, 111, "Pattern too long, MaxLength=1026"},
      {std::string(513, '*'), false, false, 111, "Pattern too long, MaxLength=1026"},
      {std::string(512, '*') + "a", false, false, 0, ""},
      {"/" + std::string(1023, '?') + "/", true, true, 111, "Pattern too long"},
      {"abc*", true, true, 1627, "Pattern contains no delimiter, Delimiter=0x2F"},
      {"/a\xFF?", true, false, 122, "cannot convert"},  // "?" needs UTF-8
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.pattern.substr(0, 20));
    CPathMatch m;
    CYqError err = m.initialize(c.pattern.c_str(), c.wildcards, c.lastOnly);
    if (c.win32 == 0) {
      EXPECT_TRUE(err.Succeeded()) << err.AsString();
      continue;
    }
    EXPECT_TRUE(FXErrorUtil::IsWin32(err, c.win32)) << err.AsString();
    EXPECT_NE(std::string::npos, err.AsString().find(c.text)) << err.AsString();
  }
}

// A subject that does not convert to code points is matched byte-wise, with a trace line.
TEST(CPathMatch, InvalidUtf8SubjectFallsBackToBytes) {
  yqtest::CScopedCaptureLog capture(10);
  CPathMatch m;
  ASSERT_TRUE(m.initialize("/a?", true, false).Succeeded());
  EXPECT_TRUE(m.usesUtf32());
  CPathMatchWorkData wd;
  EXPECT_EQ(PATH_MATCH, m.match(wd, "/a\xFF"));
  EXPECT_FALSE(wd.isUtf32);
  ASSERT_EQ(1u, capture.Writer().lines.size());
  EXPECT_EQ(4, capture.Writer().lines[0].level);
  EXPECT_EQ(0u, capture.Writer().lines[0].text.find("ConvertTo UTF32 failed, error=0x"));
}

TEST(CPathMatch, DelimitersAndUnc) {
  yqtest::CScopedCaptureLog capture(10);
  CPathMatch m;
  m.setDelimiter('\\');
  EXPECT_EQ('/', m.getEscape());
  m.setDelimiter('|');
  EXPECT_EQ('/', m.getEscape());
  ASSERT_EQ(2u, capture.Writer().lines.size());
  EXPECT_EQ("Illegal delimiter 0x7C, escape remains 0x2F", capture.Writer().lines[1].text);
  EXPECT_NE(capture.Writer().lines[0].function, capture.Writer().lines[1].function);

  CPathMatchUnc unc;
  unc.setDelimiter('\\');
  ASSERT_TRUE(unc.initialize("\\\\server\\share\\*.doc", true, false).Succeeded());
  CPathMatchWorkData wd;
  EXPECT_EQ(PATH_MATCH, unc.match(wd, "\\\\server\\share\\a.doc"));
  EXPECT_EQ(PATH_NO_MATCH, unc.match(wd, "\\server\\share\\a.doc"));
  EXPECT_EQ(PATH_NO_MATCH, unc.match(wd, "\\\\server\\share\\x\\a.doc"));
}

// fnmatch takes a hint back as a pattern, and honours the escape and leading-period flags.
TEST(CPathMatch, FnmatchOnHintsAndFlags) {
  CPathMatch m;
  ASSERT_TRUE(m.initialize("/a/b*/c", true, false).Succeeded());
  CPathMatchWorkData wd;
  EXPECT_EQ(PATH_NO_MATCH, m.match(wd, "/a"));
  const std::string hint = static_cast<const char*>(wd.nextPattern);
  EXPECT_EQ(PATH_MATCH, m.fnmatch(wd, hint.c_str(), "bx/c", 2, false));
  EXPECT_EQ(PATH_MATCH, m.fnmatch(wd, "?\xC3\xA9", "x\xC3\xA9", 2, true));
  EXPECT_EQ(PATH_NO_MATCH, m.fnmatch(wd, "x/?", "x/.h", 6, false));
  EXPECT_EQ(PATH_MATCH, m.fnmatch(wd, "\\*", "\\x", 1, false));
}
