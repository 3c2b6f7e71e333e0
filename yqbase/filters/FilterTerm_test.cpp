#include "yqbase/filters/FilterTerm.h"

#include <gtest/gtest.h>

#include <string>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LogWriter_testutil.h"

// Each raw text loads to the expected engine, applies, term and prefix; its raw form reloads to
// the same term.
TEST(CFilterTerm, LoadRawForms) {
  const struct {
    std::string raw;
    int engine;
    DWORD applies;
    const char* term;
    const char* prefix;
    DWORD caseBits;
    bool trailing = false;  // IsTrailingPathWildcard
  } kCases[] = {
      {"*.txt", CFilterTerm::ENGINE_MATCHRIGHT, 3, ".txt", "", 2},
      {"<P,F>/a/*.txt", CFilterTerm::ENGINE_PATHMATCH, 1, "/a/*.txt", "/a/", 2},
      {"<R:ci,A>^/tmp/.*", CFilterTerm::ENGINE_REGEX, 7, "^/tmp/.*", "", 1, true},
      {"<R>/home/ann/.*\\.tmp", CFilterTerm::ENGINE_REGEX, 7, "/home/ann/.*\\.tmp", "/home/ann/",
       2},
      {"<R>/home/a|/etc/b", CFilterTerm::ENGINE_REGEX, 7, "/home/a|/etc/b", "", 2},
      {"<R>/home/x/?y", CFilterTerm::ENGINE_REGEX, 7, "/home/x/?y", "/home/", 2},
      {"<R>/a/b\\Wc/d", CFilterTerm::ENGINE_REGEX, 7, "/a/b\\Wc/d", "/a/", 2},
      {"<P>/**/name", CFilterTerm::ENGINE_MATCHRIGHT, 7, "/name", "", 2},
      {"core.[0-9]*", CFilterTerm::ENGINE_PATHMATCH, 3, "/**/core.[0-9]*", "", 2},
      {"/home/*/cache/***", CFilterTerm::ENGINE_PATHMATCH, 3, "/home/*/cache/***", "/home/", 2,
       true},
      {"/a,***", CFilterTerm::ENGINE_PATHMATCH, 3, "/a,***", "", 2},
      {"/c:/data/*.tmp/", CFilterTerm::ENGINE_PATHMATCH, 3, "c:/data/*.tmp", "c:/data/", 2},
      {"<MR:cs,D>.bak", CFilterTerm::ENGINE_MATCHRIGHT, 2, ".bak", "", 2},
      {"<M,Files>/etc/passwd", CFilterTerm::ENGINE_MATCH, 1, "/etc/passwd", "/etc/passwd", 2},
      {"<p:ci,dt>/x/?", CFilterTerm::ENGINE_PATHMATCH, 6, "/x/?", "/x/", 1},
      {"<P,TD>/y*", CFilterTerm::ENGINE_PATHMATCH, 6, "/y*", "", 2},
      {"<P,T>//srv*", CFilterTerm::ENGINE_PATHMATCH, 4, "//srv*", "", 2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.raw);
    CFilterTerm term;
    ASSERT_TRUE(term.LoadRaw(c.raw).Succeeded());
    EXPECT_EQ(c.engine, term.GetEngine());
    EXPECT_EQ(c.applies, static_cast<DWORD>(term.GetApplies()));
    EXPECT_EQ(c.term, term.GetFilterTerm());
    EXPECT_EQ(c.prefix, term.GetFilterPrefix());
    EXPECT_EQ(c.caseBits, static_cast<DWORD>(term.getOptions()) & 3);
    EXPECT_EQ(c.trailing, term.IsTrailingPathWildcard());
    CFilterTerm again;
    ASSERT_TRUE(again.LoadRaw(term.GetRawFilterTerm()).Succeeded()) << term.GetRawFilterTerm();
    EXPECT_TRUE(again.IsSameFilterAs(term)) << term.GetRawFilterTerm();
    EXPECT_EQ(c.prefix, again.GetFilterPrefix());
  }
}

TEST(CFilterTerm, LoadRawFailuresLeaveTheTermUnchanged) {
  const struct {
    std::string raw;
    DWORD win32;
    const char* text;
  } kCases[] = {
      {"", 4306, ""},
      {"<>", 4306, ""},
      {"<X>abc", 87, "Unknown filter engine type, FilterEngine=[X], FilterContext=[X]"},
      {"<P", 87, "Malformed raw filter; context close '>' not found, Filter=[<P]"},
      {"<,F>abc", 87, "Missing filter engine type, FilterContext=[,F]"},
      {"<P,Q>abc", 87, "Unknown filter applies type, FilterApplies=[Q], FilterContext=[P,Q]"},
      {"<P:e=0x2A>a", 87, "Invalid escape character selected, EscapeCharacter=[0x2A (42)]"},
      {"<P:e=00>a", 87, "EscapeCharacter=[0x0 (0)]"},
      {"<P:e=!>a", 87, "EscapeCharacter=[0x21 (33)]"},
      {"<P:e=\xC3\xA9>a", 87, "EscapeCharacter=[0xE9 (233)]"},
      {std::string("/a\0b*", 5), 87, "NUL"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.raw);
    CFilterTerm term;
    ASSERT_TRUE(term.LoadRaw("<P,D>/keep/*").Succeeded());
    CYqError err = term.LoadRaw(c.raw);
    EXPECT_TRUE(FXErrorUtil::IsWin32(err, c.win32)) << err.AsString();
    EXPECT_NE(std::string::npos, err.AsString().find(c.text)) << err.AsString();
    EXPECT_EQ("<P:cs,D>/keep/*", term.GetRawFilterTerm());
  }
}

TEST(CFilterTerm, EscapeOption) {
  const struct {
    const char* raw;
    const char* rawForm;
  } kCases[] = {
      {"<P:e=#>/a/#*x", "<P:cs:e=0x23,A>/a/#*x"}, {"<P:e=5>/a", "<P:cs:e=0x35,A>/a"},
      {"<P:e=0x25>/a", "<P:cs:e=0x25,A>/a"},      {"<P:e=045>/a", "<P:cs:e=0x25,A>/a"},
      {"<P:e=37>/a", "<P:cs:e=0x25,A>/a"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.raw);
    CFilterTerm term;
    ASSERT_TRUE(term.LoadRaw(c.raw).Succeeded());
    EXPECT_EQ(c.rawForm, term.GetRawFilterTerm());
  }
}

TEST(CFilterTerm, Matches) {
  const struct {
    const char* raw;
    const char* test;
    DWORD flags;
    bool expected;
  } kCases[] = {
      {"*.txt", "/a/b.txt", 0, true},
      {"*.txt", "/a/b.TXT", 0, false},
      {"<MR:ci>.txt", "/a/b.TXT", 0, true},
      {"*.txt", "t", 0, false},  // the suffix is longer than the test
      {"<M>/a", "/a/", 0, true},
      {"<M>/a", "/a/b", 0, false},
      {"<M:ci>/A/B", "/a/b", 0, true},
      {"<P>/a/*.doc", "a/x.doc/", 0, true},  // leading "/" added, trailing dropped
      {"<P>/a/*.doc", "/a/b/x.doc", 0, false},
      {"<P:ci>/Data/**", "/data/x/y", 0, true},
      {"<P>/a/b/*", "/a", 1, true},  // the folder lies on the way
      {"<P>/a/b/*", "/c", 1, false},
      {"<P>/a/*/x?", "/a/q", 1, true},
      {"<P>/h/\xC3\xA9?", "/h/\xC3\xA9\xC3\xA9", 0, true},
      {"<R>/tmp/.*", "/tmp/a/b", 0, true},
      {"<R>/tmp/.*", "/var/tmp/a", 0, false},  // a full match, not a search
      {"<R:ci>/TMP/.*", "/tmp/x", 0, true},
      {"<R:ci>.*/CORE\\.[0-9]+", "/x/core.7", 0, true},  // literals found before the regex runs
      {"<R>.*/CORE\\.[0-9]+", "/x/core.7", 0, false},
      {"<R>/a+b?c*\\.d{0,2}[x-]", "/aa.-", 0, true},
      {"<R>/(x|y)z", "/yz", 0, true},
      {"<R>/tmp/x", "/var", 1, true},
      {"<MR>.o", "/src", 1, true},
      {"<M>/a/b/c", "/a/b", 1, true},
      {"<M>/a/b/c", "/a/bc", 1, false},
      {"<P:e=#>/a/#*x", "/a/*x", 0, true},  // an escaped "*" is literal
      {"<P:e=#>/a/#*x", "/a/yx", 0, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::string(c.raw) + " vs " + c.test);
    CFilterTerm term;
    ASSERT_TRUE(term.LoadRaw(c.raw).Succeeded());
    EXPECT_EQ(c.expected, term.Matches(std::string(c.test), c.flags));
    CFilterTermTestString prepared{std::string(c.test)};
    EXPECT_EQ(c.expected, term.Matches(prepared, c.flags));
  }
}

TEST(CFilterTerm, BrokenEnginesMatchNothingAndLog) {
  yqtest::CScopedCaptureLog capture(3);
  CFilterTerm regex;
  ASSERT_TRUE(regex.LoadRaw("<R>/a/(b").Succeeded());
  CYqError err = regex.InitializeEngine();
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 774));
  EXPECT_NE(std::string::npos, err.AsString().find("compile failed, RegExFilterTerm=[/a/(b]"));
  EXPECT_FALSE(regex.Matches("/a/(b"));
  EXPECT_FALSE(regex.IsMatchPossibleInFolder("/a"));
  // The regex library asserts on empty quotes, reads out of bounds on references to groups
  // the expression lacks and never ends compiling a comment holding a quantifier.
  for (const char* raw : {"<R>/a\\Q", "<R>/a\\Q\\E", "<R>\\Q\\Eb", "<R>/var/log/.*\\9gz",
                          "<R>/(a)\\2", "<R>/(a)\\10", "<R>(?#**", "<R>a(?#x+y)"}) {
    CFilterTerm quote;
    ASSERT_TRUE(quote.LoadRaw(raw).Succeeded());
    EXPECT_TRUE(FXErrorUtil::IsWin32(quote.InitializeEngine(), 774)) << raw;
  }
  CFilterTerm backReference;
  ASSERT_TRUE(backReference.LoadRaw("<R>/(a)\\1\\Q\\9\\E(?#a\\*b)").Succeeded());
  EXPECT_TRUE(backReference.InitializeEngine().Succeeded());
  EXPECT_TRUE(backReference.Matches("/aa\\9"));
  CFilterTerm longPattern;
  ASSERT_TRUE(longPattern.LoadRaw("<P>/" + std::string(1100, 'a') + "*").Succeeded());
  EXPECT_FALSE(longPattern.Matches("/a"));
  int failures = 0;
  for (const yqtest::SRecordedLine& line : capture.Writer().lines)
    if (line.level == -1 && line.text.find("InitializeEngine failed, error=") == 0) ++failures;
  EXPECT_EQ(3, failures);
}

TEST(CFilterTerm, TraceLines) {
  yqtest::CScopedCaptureLog capture(30);
  CFilterTerm term;
  ASSERT_TRUE(term.LoadRaw("*.log", FVBasePtr(new FVBase)).Succeeded());
  EXPECT_TRUE(term.GetValue() != nullptr);
  EXPECT_TRUE(term.Matches("/x.log"));
  const std::vector<std::string> expected = {
      "3|Converting PathMatch filter to MatchRight, FilterTerm=[/**/*.log], MatchRight=[.log]",
      "3|FilterEngine=[3], FilterApplies=[3], FilterTerm=[.log]",
      "30|MatchRight=[.log], Test=[/x.log], Options=[0x2]"};
  ASSERT_EQ(expected.size(), capture.Writer().lines.size());
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(expected[i], std::to_string(capture.Writer().lines[i].level) + "|" +
                               capture.Writer().lines[i].text);
}

TEST(CFilterTerm, PredicatesAndTestStrings) {
  const struct {
    const char* raw;
    bool wildcard;
  } kWildcards[] = {{"/a/b", false},    {"/a/*", true},   {"a?", true},
                    {"[x", true},       {"<M>/a", false}, {"<M:ci>/a", false},
                    {"<M,F>/a", false}, {"<MR>.a", true}, {"<P>/a", true}};
  for (const auto& w : kWildcards)
    EXPECT_EQ(w.wildcard, CFilterTerm::IsWildcardItem(w.raw)) << w.raw;

  const struct {
    const char* path;
    const char* normalized;
    bool single;
  } kPrepared[] = {{"a/b/", "/a/b", true},
                   {"/a", "/a", true},
                   {"//srv/x", "//srv/x", false},
                   {"/", "", false},
                   {"", "", true}};
  for (const auto& p : kPrepared) {
    CFilterTermTestString test{std::string(p.path)};
    EXPECT_EQ(p.normalized, test.str()) << p.path;
    EXPECT_EQ(p.single, test.singleLeadingSlash()) << p.path;
  }
  CFilterTermTestString wide{std::string("/\xC3\xA9x")};
  ASSERT_TRUE(wide.utf32() != nullptr);
  EXPECT_EQ(3u, wide.utf32Length());
  EXPECT_EQ(0xE9ul, wide.utf32()[1]);
}
