#include "yqbase/volumes/Unix/UnixSymbolicLink.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "yqbase/files/Files_testutil.h"
#include "yqbase/logging/LogWriter_testutil.h"

namespace {

// A tree with links of every kind: absolute, relative, chained, to a parent, through "..".
class UnixSymbolicLinkTree : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(tmp.path().empty());
    char real[PATH_MAX];
    ASSERT_NE(::realpath(tmp.path().c_str(), real), nullptr);
    root = real;
    for (const char* folder : {"x", "x/b", "x/b/c", "y"}) Mkdir(folder);
    Link(root + "/x", "a");           // absolute
    Link("x/b", "rel");               // relative to the folder holding it
    Link("a", "chain");               // link to a link
    Link("..", "x/b/up");             // to the parent
    Link("../../../y", "x/b/c/toy");  // ".." inside a target
    Link("self", "self");             // to itself
    Link("ring2", "ring1");           // ring of two
    Link("ring1", "ring2");
    Link("below/inside", "below");  // to a path below itself
  }
  void Mkdir(const std::string& name) { ASSERT_EQ(::mkdir((root + "/" + name).c_str(), 0755), 0); }
  void Link(const std::string& target, const std::string& name) {
    ASSERT_EQ(::symlink(target.c_str(), (root + "/" + name).c_str()), 0) << name;
  }

  yqbase_test::CTempFolder tmp;
  std::string root;
};

}  // namespace

// Both file-system forms agree with realpath(3) on every path without loops, with and without
// the trace lines, and the list holds the links met (and their targets when asked).
TEST_F(UnixSymbolicLinkTree, AgreesWithRealpath) {
  const char* paths[] = {"",        "x",          "x/b/c",       "a/b/c",    "rel/c",
                         "chain/b", "x/b/up/b/c", "x/b/c/toy",   "a/b/../b", "chain/./b/",
                         "rel/up",  "a/b/up/..",  "x/b/c/toy/.."};
  for (int level : {0, 5}) {
    yqtest::CScopedCaptureLog log(level);
    for (const char* relative : paths) {
      const std::string path = root + "/" + relative;
      SCOPED_TRACE(path + " at level " + std::to_string(level));
      char expected[PATH_MAX];
      ASSERT_NE(::realpath(path.c_str(), expected), nullptr);
      for (bool addLinkedPath : {false, true}) {
        std::vector<std::string> links;
        std::string out;
        EXPECT_TRUE(UnixSymbolicLink::getPhysicalPath(path, out, links, addLinkedPath, false));
        EXPECT_EQ(out, expected);
        bool isRecursion = true;
        std::vector<std::string> links2;
        std::string out2;
        EXPECT_TRUE(UnixSymbolicLink::getPhysicalPath(path, out2, isRecursion, links2,
                                                      addLinkedPath, false));
        EXPECT_EQ(out2, expected);
        EXPECT_FALSE(isRecursion);
        EXPECT_EQ(links, links2);
      }
    }
  }
}

TEST_F(UnixSymbolicLinkTree, ListsLinksAndTargets) {
  struct Case {
    const char* path;
    bool addLinkedPath;
    std::vector<std::string> links;  // relative to the tree
  } cases[] = {
      {"x/b", true, {}},
      {"a/b", false, {"a"}},
      {"a/b", true, {"a", "x"}},
      {"chain/b", true, {"chain", "a", "a", "x"}},
      {"rel/c", true, {"rel", "x/b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.path) + (c.addLinkedPath ? " with targets" : ""));
    std::vector<std::string> links{"kept"};
    std::string out;
    ASSERT_TRUE(
        UnixSymbolicLink::getPhysicalPath(root + "/" + c.path, out, links, c.addLinkedPath, false));
    std::vector<std::string> expected{"kept"};
    for (const std::string& l : c.links) expected.push_back(root + "/" + l);
    EXPECT_EQ(links, expected);
  }
}

// Links that lead back into themselves end at the guard instead of looping or recursing
// without end, in the middle of a path as well as at its end.
TEST_F(UnixSymbolicLinkTree, LoopsEndAtTheGuard) {
  yqtest::CScopedCaptureLog log;
  for (const char* relative : {"self", "ring1", "ring2/x", "below", "below/z", "x/../self/q"}) {
    for (bool addLinkedPath : {false, true}) {
      SCOPED_TRACE(std::string(relative) + (addLinkedPath ? " with targets" : ""));
      std::vector<std::string> links;
      std::string out;
      bool isRecursion = false;
      EXPECT_FALSE(UnixSymbolicLink::getPhysicalPath(root + "/" + relative, out, isRecursion, links,
                                                     addLinkedPath, false));
      EXPECT_TRUE(isRecursion);
      EXPECT_FALSE(links.empty());
      EXPECT_FALSE(UnixSymbolicLink::getPhysicalPath(root + "/" + relative, out, links,
                                                     addLinkedPath, false));
    }
  }
  bool sawGuard = false;
  for (const yqtest::SLogLine& line : log.Writer().Lines())
    sawGuard |=
        line.level == -1 &&
        line.text.find("is a recursion symbolic link to the source path") != std::string::npos;
  EXPECT_TRUE(sawGuard);
}

// A missing component fails with EMLINK, or passes through as a plain name when stat errors
// are ignored (also behind a link).
TEST_F(UnixSymbolicLinkTree, MissingComponents) {
  yqtest::CScopedCaptureLog log;
  for (const char* relative : {"nothing", "nothing/deeper", "a/nothing/deeper"}) {
    SCOPED_TRACE(relative);
    std::vector<std::string> links;
    std::string out;
    errno = 0;
    EXPECT_FALSE(
        UnixSymbolicLink::getPhysicalPath(root + "/" + relative, out, links, false, false));
    EXPECT_EQ(errno, EMLINK);
    bool isRecursion = true;
    EXPECT_TRUE(UnixSymbolicLink::getPhysicalPath(root + "/" + relative, out, isRecursion, links,
                                                  false, true));
    EXPECT_FALSE(isRecursion);
    std::string expected = root + "/" + relative;
    if (expected.find("/a/") != std::string::npos) expected.replace(root.size(), 2, "/x");
    EXPECT_EQ(out, expected);
  }
  EXPECT_EQ(log.Writer().Lines().front().level, 4);
}

TEST(UnixSymbolicLink, MapForm) {
  std::map<std::string, std::string> map = {
      {"/a", "/x"},          {"/x/b~7~3~", "/y"}, {"/x/b", "/wrong"}, {"/y", "/z"},
      {"/p~8~3~", "/other"}, {"/r1", "/r2"},      {"/r2", "/r1"},
  };
  struct Case {
    const char* path;
    long long id;
    bool resolved;
    const char* out;
  } cases[] = {
      {"/", 7, true, "/"},         {"/q/r", 7, true, "/q/r"},       {"/a/c", 7, true, "/x/c"},
      {"/a/b/c", 7, true, "/z/c"}, {"/a/b/c", 9, true, "/wrong/c"}, {"/p/c", 7, true, "/p/c"},
      {"/r1/c", 7, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + std::string(" id ") + std::to_string(c.id));
    std::string out;
    EXPECT_EQ(UnixSymbolicLink::getPhysicalPath(c.path, out, map, c.id, 3), c.resolved);
    if (c.resolved) {
      EXPECT_EQ(out, c.out);
    }
  }
}
