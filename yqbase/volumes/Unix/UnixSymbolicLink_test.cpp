#include "yqbase/volumes/Unix/UnixSymbolicLink.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "yqbase/files/Files_testutil.h"
#include "yqbase/logging/LogWriter_testutil.h"

namespace {

// Links of every kind: absolute, relative, chained, to a parent, through "..", and loops.
class UnixSymbolicLinkTree : public ::testing::Test {
 protected:
  void SetUp() override {
    char real[PATH_MAX];
    ASSERT_NE(::realpath(tmp.path().c_str(), real), nullptr);
    root = real;
    for (const char* folder : {"x", "x/b", "x/b/c", "y"})
      ASSERT_EQ(::mkdir((root + "/" + folder).c_str(), 0755), 0);
    const char* links[][2] = {{"a", nullptr},
                              {"rel", "x/b"},
                              {"chain", "a"},
                              {"x/b/up", ".."},
                              {"x/b/c/toy", "../../../y"},
                              {"self", "self"},
                              {"ring1", "ring2"},
                              {"ring2", "ring1"},
                              {"below", "below/in"}};
    for (const auto& l : links) {
      std::string target = l[1] != nullptr ? l[1] : root + "/x";
      ASSERT_EQ(::symlink(target.c_str(), (root + "/" + l[0]).c_str()), 0) << l[0];
    }
  }
  yqbase_test::CTempFolder tmp;
  std::string root;
};

}  // namespace

// Both file-system forms agree with realpath(3) on paths without loops, traced or not.
TEST_F(UnixSymbolicLinkTree, AgreesWithRealpath) {
  for (int level : {0, 5}) {
    yqtest::CScopedCaptureLog log(level);
    for (const char* relative : {"", "x", "x/b/c", "a/b/c", "rel/c", "chain/b", "x/b/up/b/c",
                                 "x/b/c/toy", "a/b/../b", "chain/./b/", "rel/up", "a/b/up/.."}) {
      const std::string path = root + "/" + relative;
      SCOPED_TRACE(path + " at level " + std::to_string(level));
      char expected[PATH_MAX];
      ASSERT_NE(::realpath(path.c_str(), expected), nullptr);
      std::vector<std::string> links, links2;
      std::string out, out2;
      bool isRecursion = true;
      EXPECT_TRUE(UnixSymbolicLink::getPhysicalPath(path, out, links, false, false) &&
                  UnixSymbolicLink::getPhysicalPath(path, out2, isRecursion, links2, false, false));
      EXPECT_EQ(std::string(expected) + " " + expected, out + " " + out2);
      EXPECT_FALSE(isRecursion);
      EXPECT_EQ(links, links2);
    }
  }
}

// The links met (and their targets when asked) are appended; a missing component fails with
// EMLINK unless stat errors are ignored, and what was appended before a failure stays.
TEST_F(UnixSymbolicLinkTree, ListsAndMissingComponents) {
  struct Case {
    const char* path;
    bool addLinkedPath, ignoreStatError, resolved;
    const char* out;
    std::vector<std::string> links;
  } cases[] = {
      {"x/b", true, false, true, "x/b", {}},
      {"a/b", false, false, true, "x/b", {"a"}},
      {"a/b", true, false, true, "x/b", {"a", "x"}},
      {"chain/b", true, false, true, "x/b", {"chain", "a", "a", "x"}},
      {"rel/c", true, false, true, "x/b/c", {"rel", "x/b"}},
      {"a/none/deeper", false, false, false, "", {"a"}},
      {"a/none/deeper", false, true, true, "x/none/deeper", {"a"}},
      {"none", true, true, true, "none", {}},
  };
  yqtest::CScopedCaptureLog log;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + std::string(c.addLinkedPath ? " +targets" : "") +
                 (c.ignoreStatError ? " ignoring stat errors" : ""));
    std::vector<std::string> links{"kept"}, expected{"kept"};
    for (const std::string& l : c.links) expected.push_back(root + "/" + l);
    std::string out;
    errno = 0;
    EXPECT_EQ(UnixSymbolicLink::getPhysicalPath(root + "/" + c.path, out, links, c.addLinkedPath,
                                                c.ignoreStatError),
              c.resolved);
    EXPECT_EQ(links, expected);
    EXPECT_TRUE(c.resolved ? out == root + "/" + c.out : errno == EMLINK) << out << " " << errno;
  }
  std::vector<std::string> links;
  std::string out;
  EXPECT_FALSE(UnixSymbolicLink::getPhysicalPath("", out, links, false, true));  // not "."
}

// Links that lead back into themselves end at the guard instead of looping without end.
TEST_F(UnixSymbolicLinkTree, LoopsEndAtTheGuard) {
  yqtest::CScopedCaptureLog log;
  for (const char* relative : {"self", "ring1", "ring2/x", "below", "below/z", "x/../self/q"}) {
    for (bool addLinkedPath : {false, true}) {
      SCOPED_TRACE(std::string(relative) + (addLinkedPath ? " +targets" : ""));
      std::vector<std::string> links;
      std::string out;
      bool isRecursion = false;
      EXPECT_FALSE(UnixSymbolicLink::getPhysicalPath(root + "/" + relative, out, isRecursion, links,
                                                     addLinkedPath, false));
      EXPECT_TRUE(isRecursion);
      EXPECT_FALSE(UnixSymbolicLink::getPhysicalPath(root + "/" + relative, out, links,
                                                     addLinkedPath, false));
    }
  }
  const yqtest::SLogLine last = log.Writer().Lines().back();
  EXPECT_TRUE(last.level == -1 &&
              last.text.find("is a recursion symbolic link") != std::string::npos);
}

TEST(UnixSymbolicLink, MapForm) {
  std::map<std::string, std::string> map = {{"/a", "/x"}, {"/x/b~7~3~", "/y"}, {"/x/b", "/w"},
                                            {"/y", "/z"}, {"/r1", "/r2"},      {"/r2", "/r1"}};
  struct Case {
    const char* path;
    long long id;
    const char* out;  // null: not resolved
  } cases[] = {{"/", 7, "/"},         {"/q/r", 7, "/q/r"},   {"/a/c", 7, "/x/c"},
               {"/a/b/c", 7, "/z/c"}, {"/a/b/c", 9, "/w/c"}, {"/r1/c", 7, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + std::string(" id ") + std::to_string(c.id));
    std::string out = "-";
    EXPECT_EQ(UnixSymbolicLink::getPhysicalPath(c.path, out, map, c.id, 3), c.out != nullptr);
    EXPECT_TRUE(!c.out || out == c.out) << out;
  }
}
