#include "yqbase/utilities/BatchSort.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/utilities/Utilities_testutil.h"

namespace {

using yqbase_test::CTempFolder;
using yqbase_test::ReadFile;
using yqbase_test::WriteFile;

// The names in `folder` that start with "_SORTWORK.".
int CountWorkFiles(const std::string& folder) {
  int count = 0;
  for (const std::string& name : yqbase_test::NativeNames(folder))
    count += name.rfind("_SORTWORK.", 0) == 0;
  return count;
}

// Random lines over a small alphabet (with tab, NUL and bytes that are not UTF-8) so that
// prefixes, duplicates and byte order all matter.
std::string RandomLines(int lines, int maxLength, int alphabet, unsigned seed) {
  static const char kBytes[] = {'a', 'b', 'A', '\t', ' ', '\0', '\xff', '\xc3', 'z', '~'};
  std::mt19937 random(seed);
  std::string text;
  for (int i = 0; i < lines; ++i) {
    const int length = static_cast<int>(random() % (maxLength + 1));
    for (int j = 0; j < length; ++j) text += kBytes[random() % alphabet];
    text += '\n';
  }
  return text;
}

}  // namespace

// Every input, buffer size and flag combination must give the bytes GNU sort gives.
TEST(YqBatchSort, MatchesGnuSortInTheCLocale) {
  const std::string sorted = [] {
    std::string t;
    for (int i = 0; i < 1500; ++i) t += "line " + std::to_string(100000 + i) + "\n";
    return t;
  }();
  const struct {
    const char* name;
    std::function<std::string()> make;
  } inputs[] = {
      {"empty file", [] { return std::string(); }},
      {"random lines", [] { return RandomLines(1500, 12, 10, 1); }},
      {"many duplicates", [] { return RandomLines(1500, 3, 3, 2); }},
      {"already sorted", [&] { return sorted; }},
      {"reversed", [&] { return std::string(sorted.rbegin() + 1, sorted.rend()) + "\n"; }},
      {"one huge line", [] { return std::string(200000, 'q') + "\nb\na\n"; }},
      {"5000-character lines",
       [] { return std::string(5000, 'b') + "\n" + std::string(5000, 'a'); }},
      {"no final newline, empty lines", [] { return std::string("b\n\n\na\n\nc"); }},
      {"prefix before tab", [] { return std::string("a\tb\na\na b\n"); }},
  };
  const struct {
    long buffer;
    const char* why;
  } buffers[] = {{0, "default size"}, {4096, "many runs"}, {256, "a few lines per run"}};
  const struct {
    int ascending, unique;
    const char* options;
  } flags[] = {{1, 0, ""}, {0, 0, "-r"}, {1, 1, "-u"}, {0, 1, "-r -u"}};

  CTempFolder tmp;
  const std::string in = tmp / "in", out = tmp / "out", expected = tmp / "expected";
  for (const auto& input : inputs) {
    WriteFile(in, input.make());
    for (const auto& flag : flags) {
      const std::string command =
          "LC_ALL=C sort " + std::string(flag.options) + " '" + in + "' > '" + expected + "'";
      ASSERT_EQ(0, std::system(command.c_str()));
      for (const auto& buffer : buffers) {
        SCOPED_TRACE(std::string(input.name) + ", sort " + flag.options + ", " + buffer.why);
        std::remove(out.c_str());
        YqBatchSort sorter;
        ASSERT_TRUE(sorter
                        .init(in.c_str(), out.c_str(), tmp.path().c_str(), flag.ascending, 1,
                              flag.unique, buffer.buffer)
                        .Succeeded());
        const CYqError err = sorter.sort();
        ASSERT_TRUE(err.Succeeded()) << err.AsString();
        EXPECT_TRUE(ReadFile(expected) == ReadFile(out));
        EXPECT_EQ(0, CountWorkFiles(tmp.path()));
      }
    }
  }
}

TEST(YqBatchSort, CaseInsensitiveDescendingPutsBFirst) {
  CTempFolder tmp;
  WriteFile(tmp / "in", "A\nb\na\nB\n");
  YqBatchSort sorter;
  ASSERT_TRUE(
      sorter.init((tmp / "in").c_str(), (tmp / "out").c_str(), tmp.path().c_str(), 0, 0, 1, 0)
          .Succeeded());
  ASSERT_TRUE(sorter.sort().Succeeded());
  const std::string out = ReadFile(tmp / "out");
  EXPECT_EQ(4u, out.size()) << out;  // one of each letter, case folded
  EXPECT_TRUE(out[0] == 'b' || out[0] == 'B') << out;
}

TEST(YqBatchSort, DefaultBufferFollowsTheInputSize) {
  CTempFolder tmp;
  WriteFile(tmp / "in", std::string(1000, 'x'));
  const struct {
    const char* input;
    long requested;
    size_t expected;
  } cases[] = {{"in", 0, 1000 + 512000}, {"missing", 0, 5754880}, {"in", 70000, 70000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input + std::string(" ") + std::to_string(c.requested));
    YqBatchSort sorter;
    ASSERT_TRUE(sorter
                    .init((tmp / c.input).c_str(), (tmp / "out").c_str(), tmp.path().c_str(), 1, 1,
                          0, c.requested)
                    .Succeeded());
    EXPECT_EQ(c.expected, sorter.bufferSize());
  }
}

TEST(YqBatchSort, FailuresAreReportedAndLeaveNoWorkFiles) {
  CTempFolder tmp;
  WriteFile(tmp / "in", RandomLines(500, 20, 10, 3));
  WriteFile(tmp / "file", "not a folder");
  const std::string in = tmp / "in", out = tmp / "out", blocked = tmp / "file";
  const std::string missing = tmp / "missing", noFolder = tmp / "no/such/out";
  const struct {
    const char* input;
    const char* output;
    const char* work;
    long buffer;
    int errnoValue;
    const char* text;
  } cases[] = {
      {"", out.c_str(), tmp.path().c_str(), 0, EINVAL, "Wrong parameters"},
      {in.c_str(), nullptr, tmp.path().c_str(), 0, EINVAL, "Wrong parameters"},
      {in.c_str(), out.c_str(), "", 0, EINVAL, "Wrong parameters"},
      {in.c_str(), out.c_str(), tmp.path().c_str(), -1, EINVAL, "Wrong parameters"},
      {missing.c_str(), out.c_str(), tmp.path().c_str(), 0, ENOENT, "missing"},
      {in.c_str(), out.c_str(), blocked.c_str(), 0, -1,
       "Sortable::dumpBuffer() Could not open file for writing"},
      {in.c_str(), out.c_str(), blocked.c_str(), 512, -1, "/file/_SORTWORK.0"},
      {in.c_str(), noFolder.c_str(), tmp.path().c_str(), 512, ENOENT, "no/such/out"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " " + std::to_string(c.buffer));
    YqBatchSort sorter;
    CYqError err = sorter.init(c.input, c.output, c.work, 1, 1, 0, c.buffer);
    if (err.Succeeded()) err = sorter.sort();
    ASSERT_TRUE(err.Failed());
    EXPECT_TRUE(FXErrorUtil::IsErrNo(err, c.errnoValue)) << err.AsString();
    EXPECT_NE(std::string::npos, err.AsString().find(c.text)) << err.AsString();
    EXPECT_EQ(0, CountWorkFiles(tmp.path()));
  }
}

// A sorter is reusable after finalize, and sort() runs again on the same settings.
TEST(YqBatchSort, SortsAgainAfterFinalizeAndRepeatedSort) {
  CTempFolder tmp;
  WriteFile(tmp / "in", "c\nb\na\n");
  YqBatchSort sorter;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(
        sorter.init((tmp / "in").c_str(), (tmp / "out").c_str(), tmp.path().c_str(), 1, 1, 0, 16)
            .Succeeded());
    ASSERT_TRUE(sorter.sort().Succeeded());
    ASSERT_TRUE(sorter.sort().Succeeded());
    EXPECT_EQ("a\nb\nc\n", ReadFile(tmp / "out"));
    ASSERT_TRUE(sorter.finalize().Succeeded());
    EXPECT_TRUE(sorter.sort().Failed());
  }
}
