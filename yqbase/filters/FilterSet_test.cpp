#include "yqbase/filters/FilterSet.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/filters/FilterSet_testutil.h"
#include "yqbase/logging/LogWriter_testutil.h"

namespace {

using yqtest::Components;
using yqtest::CReferenceSet;
using yqtest::Join;

struct SItem {
  DWORD state;
  const char* raw;
};

CFilterSet Build(const std::vector<SItem>& items) {
  CFilterSet set;
  for (const SItem& item : items) EXPECT_TRUE(set.AddFilterItem(item.state, item.raw).Succeeded());
  return set;
}

const DWORD F = BFilterNodeState::Filter;
const DWORD E = BFilterNodeState::Exception;

}  // namespace

// Every path of a generated tree gets the reference's answer from the 1,000-rule set, and the
// folder questions never contradict the per-path answers below them.
TEST(CFilterSet, RealisticRulesAgreeWithReference) {
  std::vector<std::string> noInherit;
  const std::vector<yqtest::SFilterRule> rules = yqtest::RealisticRules(&noInherit);
  ASSERT_GT(rules.size(), 990u);
  CFilterSet set;
  ASSERT_TRUE(yqtest::BuildSet(set, rules, noInherit));
  const CReferenceSet reference(rules, noInherit);
  ASSERT_TRUE(reference.valid());
  yqtest::CPathGenerator generator(7, 1, 9);
  const ENUM_FILTER_APPLIES kKinds[] = {FILTER_APPLIES_ALL, FILTER_APPLIES_FILES,
                                        FILTER_APPLIES_DIRECTORIES, FILTER_APPLIES_T};
  int in = 0, mismatches = 0, contradictions = 0;
  for (int i = 0; i < 6000; ++i) {
    const std::string path = generator.Next();
    const ENUM_FILTER_APPLIES kind = kKinds[i % 4];
    const bool expected = reference.IsIn(kind, path);
    in += expected;
    if (set.IsIn(kind, path) != expected && mismatches++ < 10)
      ADD_FAILURE() << path << " kind " << kind << ": reference says " << expected;
    const std::vector<std::string> c = Components(path);
    for (size_t k = 0; k < c.size(); ++k) {
      const std::string folder = Join(c, k);
      if ((expected && kind != FILTER_APPLIES_T && !set.IsMatchPossibleInFolder(folder)) ||
          (!expected && kind == FILTER_APPLIES_ALL && set.IsMatchEntireFolder(folder)))
        if (contradictions++ < 10)
          ADD_FAILURE() << folder << " contradicts " << path << " " << expected;
    }
  }
  EXPECT_EQ(0, mismatches);
  EXPECT_EQ(0, contradictions);
  EXPECT_GT(in, 1000);
  EXPECT_LT(in, 5000);
}

TEST(CFilterSet, Decisions) {
  typedef bool (*FQuestion)(const CFilterSet&, const char*);
  const FQuestion kIn = [](const CFilterSet& s, const char* p) { return s.IsIn(p); };
  const FQuestion kFiles = [](const CFilterSet& s, const char* p) {
    return s.IsIn(FILTER_APPLIES_FILES, p);
  };
  const FQuestion kT = [](const CFilterSet& s, const char* p) {
    return s.IsIn(FILTER_APPLIES_T, p);
  };
  const FQuestion kPossible = [](const CFilterSet& s, const char* p) {
    return s.IsMatchPossibleInFolder(p);
  };
  const FQuestion kEntire = [](const CFilterSet& s, const char* p) {
    return s.IsMatchEntireFolder(p);
  };
  const std::vector<SItem> aWithoutB = {{F, "/a"}, {E, "/a/b"}};
  const struct {
    std::vector<SItem> items;
    FQuestion question;
    const char* path;
    bool expected;
  } kCases[] = {
      {aWithoutB, kIn, "/a/b/c", false},
      {aWithoutB, kIn, "/a/c", true},
      {aWithoutB, kIn, "/a", true},
      {{{F, "/a"}, {E, "/a/b"}, {F, "/a/b/c"}}, kIn, "/a/b/c/d", false},
      {aWithoutB, kIn, "/x", false},
      {aWithoutB, kT, "/x", true},
      {{{E, "/a"}}, kT, "/a/q", false},
      {{{F, "/a/b/c"}}, kPossible, "/a", true},
      {{{F, "/a/b/c"}}, kPossible, "/x", false},
      {aWithoutB, kPossible, "/a/b", false},
      {{{F, "/a/*.txt"}}, kPossible, "/a", true},
      {{{F, "/a/*.txt"}}, kPossible, "/a/d", false},
      {aWithoutB, kEntire, "/a", false},
      {aWithoutB, kEntire, "/a/c", true},
      {{{F, "/a"}, {E, "/a/b/c/d"}}, kEntire, "/a/b", false},
      {{{F, "/a"}, {E, "*.tmp"}}, kEntire, "/a", false},
      {{{F, "/a/***"}}, kEntire, "/a", true},
      {{{F, "/a"}, {E, "*.tmp"}}, kIn, "/a/x.tmp", false},
      {{{F, "/a"}, {E, "*.tmp"}}, kIn, "/a/x.tmpl", true},
      {{{F, "<P,D>/a/*"}}, kFiles, "/a/x", false},
      {{{F, "<P,D>/a/*"}}, kIn, "/a/x", true},
      {{{F, "<P,F>/a/*"}, {F, "<P,D>/a/*"}}, kFiles, "/a/x", true},  // one text, two rules
      {{{F, "<M>/a/b"}}, kIn, "/a/b/", true},
      // A Match item is a literal path even when its text reads as a wildcard item.
      {{{F, "<M>/a*"}}, kIn, "/ab", false},
      {{{F, "<M>/a*"}}, kIn, "/a*/b", true},
      {{{F, "<M>*"}}, kIn, "/x", false},
      {{{F, "<P:ci>/A/*.Doc"}}, kIn, "/a/x.DOC", true},
      {{{F, "/**/x*.c"}, {F, "*.c"}}, kIn, "/q/y.c", true},
      {{{F, "/a"}, {E, "/a/b"}}, kIn, "a/c/", true},  // normalized like a test string
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << "row " << &c - kCases << ": " << c.path);
    EXPECT_EQ(c.expected, c.question(Build(c.items), c.path));
  }
}

// The value of the deciding item comes back; exclusion empties it.
TEST(CFilterSet, ValuesAndNoInherit) {
  CFilterSet set;
  FVBasePtr literal(new FVBase), wildcard(new FVBase), out;
  ASSERT_TRUE(set.AddFilterItem(F, "/a", literal).Succeeded());
  ASSERT_TRUE(set.AddFilterItem(F, "/b/*.c", wildcard, "test").Succeeded());
  ASSERT_TRUE(set.AddFilterItem(F, "/a/n/*.c").Succeeded());
  EXPECT_TRUE(set.IsIn("/a/x", out));
  EXPECT_EQ(literal, out);
  EXPECT_TRUE(set.IsIn("/b/x.c", out));
  EXPECT_EQ(wildcard, out);
  EXPECT_TRUE(set.IsIn("/a/n/q"));
  EXPECT_TRUE(set.IsMatchEntireFolder("/a"));
  ASSERT_TRUE(set.SetNoInherit("/a/n").Succeeded());
  EXPECT_FALSE(set.IsIn("/a/n/q"));
  EXPECT_FALSE(set.IsMatchEntireFolder("/a"));  // "/a/n" no longer inherits "/a"
  EXPECT_TRUE(set.IsIn("/a/n/q.c"));
  CYqError err = set.SetNoInherit("/a/zz");
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 1168));
  EXPECT_NE(std::string::npos, err.AsString().find("Result=PARENT_FOUND")) << err.AsString();
  EXPECT_EQ(EPathCacheResult::FOUND, set.Search("/a"));
  EXPECT_EQ(EPathCacheResult::PARENT_FOUND, set.Search("/a/y"));
  EXPECT_EQ(EPathCacheResult::ANCESTOR_FOUND, set.Search("/a/y/z"));
  EXPECT_EQ(EPathCacheResult::NOT_FOUND, set.Search("/c"));
  std::list<std::string> surface;
  set.GetSurfaceList(surface);
  EXPECT_EQ((std::list<std::string>{"/a", "/b"}), surface);
  set.SetWriteProtected(true);
  err = set.AddFilterItem(F, "/c");
  EXPECT_NE(std::string::npos, err.AsString().find("Container is write-protected"));
  EXPECT_TRUE(set.AddFilterItem(F, "<X>bad").Failed());
}

// The file form reloads to a set that answers the same and writes the same lines.
TEST(CFilterSet, SerializeRoundTrip) {
  std::vector<std::string> noInherit;
  CFilterSet set;
  ASSERT_TRUE(yqtest::BuildSet(set, yqtest::RealisticRules(), noInherit));
  ASSERT_TRUE(set.AddFilterItem(F, "<M>/odd/na*me").Succeeded());
  const auto serialize = [](const CFilterSet& s) {
    FILE* file = std::tmpfile();
    EXPECT_TRUE(s.SerializeToFile("job7", file).Succeeded());
    std::string text(static_cast<size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    EXPECT_EQ(text.size(), std::fread(&text[0], 1, text.size(), file));
    std::fclose(file);
    return text;
  };
  const std::string text = serialize(set);
  CFilterSet again;
  size_t lines = 0;
  for (size_t start = 0; start < text.size(); ++lines) {
    const size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    ASSERT_EQ(0u, line.find("job7||")) << line;
    const std::string item = line.substr(9, line.rfind("||") - 9);
    ASSERT_TRUE(again.AddFilterItem(line[6] == 'E' ? E : F, item).Succeeded()) << line;
  }
  EXPECT_GT(lines, 990u);
  EXPECT_EQ(text, serialize(again));
  EXPECT_TRUE(again.IsIn("/odd/na*me"));
  yqtest::CPathGenerator generator(11, 2, 8);
  for (int i = 0; i < 500; ++i) {
    const std::string path = generator.Next();
    EXPECT_EQ(set.IsIn(path), again.IsIn(path)) << path;
  }
}

TEST(CFilterSet, DiagnosticDumps) {
  struct CCollect : CLineWriter {
    CYqError WriteString(const std::string& text) override {
      lines.push_back(text.substr(text.find(' ', 3)));  // without the title and address
      return CYqError();
    }
    std::vector<std::string> lines;
  };
  const CFilterSet set = Build({{F, "/a"}, {E, "/a/b"}, {E, "*.tmp"}, {F, "/a/*.c"}});
  boost::shared_ptr<CCollect> writer(new CCollect);
  ASSERT_TRUE(set.DumpDiagnosticData(writer, "T").Succeeded());
  ASSERT_TRUE(set.DumpSurfaceDiagnosticData(writer, "T").Succeeded());
  const std::vector<std::string> expected = {" |== (ROOT)    (Placeholder) (0x0)",
                                             " |== (ROOT)    Exception, Term=<MR:cs,FD>.tmp",
                                             " |==   a    Filter (0x1)",
                                             " |==       +Filter, Term=<P:cs,FD>/a/*.c",
                                             " |--     b    Exception (0x2)",
                                             " items",
                                             " /a"};
  EXPECT_EQ(expected, writer->lines);
  yqtest::CScopedCaptureLog capture(5);
  set.DumpToLog(0xFFFF, 4, "L");
  EXPECT_EQ(6u, capture.Writer().lines.size());
}
