#include "yqbase/files/YqPath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"

namespace {

std::vector<std::string> Texts(const std::vector<CYqString>& items) {
  std::vector<std::string> out;
  for (const CYqString& item : items) out.push_back(item.c_str());
  return out;
}

TEST(FXPath, AppendPutsExactlyOneSeparator) {
  struct Row {
    const char* base;
    const char* tail;
    unsigned flags;
    const char* expected;
  };
  const Row rows[] = {
      {"", "x", 0, "/x"},        {"/a/", "/b", 0, "/a/b"}, {"/a", "b", 0, "/a/b"},
      {"/a", "/b", 0, "/a/b"},   {"/a/", "b", 0, "/a/b"},  {"/a", "", 0, "/a"},
      {"/a", "", 1, "/a/"},      {"/a/", "", 1, "/a/"},    {"", "", 1, "/"},
      {"", "", 0, ""},           {"a", "b/", 0, "a/b/"},   {"/", "/", 0, "/"},
      {"/a", "//b", 0, "/a//b"},  // only one leading "/" of the tail is dropped
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.base) + " + " + row.tail);
    std::string base = row.base;
    EXPECT_TRUE(FXPath::Append(base, row.tail, row.flags).Succeeded());
    EXPECT_EQ(base, row.expected);
  }
}

TEST(FXPath, SplitParentPathTable) {
  struct Row {
    const char* path;
    const char* parent;
    const char* name;
  };
  const Row rows[] = {
      {"/a/b", "/a/", "b"},
      {"/a/b/", "/a/", "b"},
      {"/a", "/", "a"},
      {"/a/", "/", "a"},
      {"name", "/", "name"},
      {"a/b", "a/", "b"},
      {"//", "/", ""},
      {"/a/b//", "/a/b/", ""},  // only one trailing "/" is ignored
      {"/a/../b", "/a/../", "b"},
      {"/a/.", "/a/", "."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    std::string parent = "stale", name = "stale";
    ASSERT_TRUE(FXPath::SplitParentPath(row.path, parent, name).Succeeded());
    EXPECT_EQ(parent, row.parent);
    EXPECT_EQ(name, row.name);
  }
}

TEST(FXPath, SplitParentPathFailsWithCode3AndEmptiedOutputs) {
  for (const char* path : {"", "/"}) {
    SCOPED_TRACE(path);
    std::string parent = "stale", name = "stale";
    CYqError err = FXPath::SplitParentPath(path, parent, name);
    EXPECT_TRUE(FXErrorUtil::IsWin32(err, 3));
    EXPECT_EQ(parent, "");
    EXPECT_EQ(name, "");
  }
}

// The parent joined with the name rebuilds every path that contains a "/" (less one trailing
// "/"), and the parent of an absolute path is absolute and above it.
TEST(FXPath, ParentJoinedWithNameRebuildsPath) {
  for (const char* path : {"/a", "/a/b", "/a/b/", "/x/y/z.txt", "rel/dir/f", "/a b/c d",
                           "/\xC3\xA9t\xC3\xA9/\xE2\x82\xAC"}) {
    SCOPED_TRACE(path);
    std::string parent, name;
    ASSERT_TRUE(FXPath::SplitParentPath(path, parent, name).Succeeded());
    std::string rebuilt = parent;
    FXPath::Append(rebuilt, name);
    std::string expected = path;
    if (expected.size() > 1 && expected.back() == '/') expected.pop_back();
    EXPECT_EQ(rebuilt, expected);
    if (path[0] == '/') {
      EXPECT_TRUE(FXPath::IsAncestorOf(parent, expected, false));
    }
  }
}

TEST(FXPath, WideFormsAgreeWithNarrowOnes) {
  std::wstring parent, name;
  ASSERT_TRUE(
      FXPath::SplitParentPath(std::wstring(L"/d\u00e9j\u00e0/\u20ac"), parent, name).Succeeded());
  EXPECT_EQ(parent, L"/d\u00e9j\u00e0/");
  EXPECT_EQ(name, L"\u20ac");
  parent = L"stale";
  EXPECT_TRUE(FXErrorUtil::IsWin32(FXPath::SplitParentPath(std::wstring(L"/"), parent, name), 3));
  EXPECT_EQ(parent, L"");
  std::wstring wide;
  ASSERT_TRUE(
      FXPath::MakeAbsolutePath(std::wstring(L"/\u00e9"), std::wstring(L"../\u20ac/./x"), wide)
          .Succeeded());
  EXPECT_EQ(wide, L"/\u20ac/x");
  // A lone surrogate travels into UTF-8 as it is, and has no native form there.
  std::wstring bad = L"/a/";
  bad += static_cast<wchar_t>(0xD800);
  CYqError err = FXPath::MakeNativePath(bad, wide);
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 774));
  EXPECT_GE(err.GetItems().size(), 2u);  // the wide form's own place on top
  EXPECT_TRUE(FXPath::MakeLongPath(bad, wide).Failed());
  // ASCII and characters of the locale pass through the native forms unchanged.
  std::wstring same = L"/plain/path";
  ASSERT_TRUE(FXPath::MakeNativePath(same).Succeeded());
  EXPECT_EQ(same, L"/plain/path");
  ASSERT_TRUE(FXPath::MakeLongPath(L"/x/y", wide).Succeeded());
  EXPECT_EQ(wide, L"/x/y");
  ASSERT_TRUE(FXPath::MakeNormalPath(same).Succeeded());
  EXPECT_EQ(same, L"/plain/path");
}

TEST(FXPath, AncestorAndSameTable) {
  struct Row {
    const char* a;
    const char* b;
    bool same;
    bool aAboveB;      // IsAncestorOf(a, b, false)
    bool aAboveBSame;  // IsAncestorOf(a, b, true)
  };
  const Row rows[] = {
      {"/a", "/ab", false, false, false},    {"/a/", "/a/b", false, true, true},
      {"/a", "/a/b", false, true, true},     {"/a", "/a/", true, false, true},
      {"/a/", "/a", true, false, true},      {"/", "/x", false, true, true},
      {"/", "/", true, false, true},         {"/", "/x/y/", false, true, true},
      {"/a/b", "/a", false, false, false},   {"", "", true, false, true},
      {"", "/a", false, false, false},       {"/a", "", false, false, false},
      {"/A", "/a", false, false, false},     {"a", "a/b", false, true, true},
      {"/a/b", "/a/c", false, false, false}, {"/a//", "/a", false, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.a) + " vs " + row.b);
    EXPECT_EQ(FXPath::IsSamePathAs(row.a, row.b), row.same);
    EXPECT_EQ(FXPath::IsSamePathAs(row.b, row.a), row.same);
    EXPECT_EQ(FXPath::IsAncestorOf(row.a, row.b, false), row.aAboveB);
    EXPECT_EQ(FXPath::IsAncestorOf(row.a, row.b, true), row.aAboveBSame);
    // Never above each other both ways.
    EXPECT_FALSE(FXPath::IsAncestorOf(row.a, row.b, false) &&
                 FXPath::IsAncestorOf(row.b, row.a, false));
  }
  const std::string one = "/x";
  EXPECT_TRUE(FXPath::IsAncestorOf(one, one, true));
  EXPECT_FALSE(FXPath::IsAncestorOf(one, one, false));
}

TEST(FXPath, RemoveDotDotFolderTable) {
  struct Row {
    const char* path;
    const char* expected;
  };
  const Row rows[] = {
      {"/a/b/../c", "/a/c"},
      {"/a/../..", "/"},
      {"../x", "../x"},
      {"../../x/..", "../.."},
      {"a/../../b", "../b"},
      {"/..", "/"},
      {"/", "/"},
      {"//", "/"},
      {"", ""},
      {"/a/./b", "/a/b"},
      {".", "."},
      {"./a", "a"},
      {"a/..", "."},
      {"/a/b/", "/a/b/"},
      {"/a/b/../", "/a/"},
      {"/a//b", "/a/b"},
      {"/a/..b/c", "/a/..b/c"},
      {"/.../a", "/.../a"},
      {"/a/b/c/../../d", "/a/d"},
      {"a/./../b/", "b/"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(FXPath::removeDotDotFolder(row.path), row.expected);
  }
}

// Cleaning twice changes nothing more, no "." or empty component survives, and ".." remains
// only as the leading components of a relative path.
TEST(FXPath, RemoveDotDotFolderIsIdempotent) {
  for (const char* path : {"/a/b/../c/./d/..", "x/../../y/./z", "/../../a", "./../a/b/../..",
                           "/a/b/c/../../../..", "a//b///c/", "../a/../../b/./c"}) {
    SCOPED_TRACE(path);
    const std::string once = FXPath::removeDotDotFolder(path);
    EXPECT_EQ(FXPath::removeDotDotFolder(once), once);
    std::vector<std::string> parts;
    FXPath::SplitPaths(once, "/", parts);
    bool pastLeadingDotDots = once[0] == '/';
    for (const std::string& part : parts) {
      EXPECT_NE(part, ".");
      if (part != "..") pastLeadingDotDots = true;
      EXPECT_FALSE(pastLeadingDotDots && part == "..") << once;
    }
    EXPECT_EQ(once.find("//"), std::string::npos);
  }
}

TEST(FXPath, MakeAbsolutePathAgainstBase) {
  struct Row {
    const char* base;
    const char* in;
    const char* expected;
  };
  const Row rows[] = {
      {"/base", ".", "/base"},      {"/base", "./x", "/base/x"},      {"/base", "x/y", "/base/x/y"},
      {"/base/", "x", "/base/x"},   {"/base/sub", "../x", "/base/x"}, {"/base", "../../..", "/"},
      {"/base", "/abs/../p", "/p"}, {"/base", "", "/base"},           {"/", "x", "/x"},
      {"/base", "./", "/base"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.base) + " + " + row.in);
    std::string out = "stale";
    EXPECT_TRUE(FXPath::MakeAbsolutePath(row.base, row.in, out).Succeeded());
    EXPECT_EQ(out, row.expected);
  }
}

TEST(FXPath, RemovePathFromFileNameAndReplacePath) {
  struct Row {
    const char* path;
    const char* prefix;
    bool ok;
    const char* rest;
  };
  const Row rows[] = {
      {"/a/b/c", "/a", true, "b/c"}, {"/a/b/c", "/a/", true, "b/c"},
      {"/a/b", "/a/b", true, ""},    {"/a/b", "/x", false, ""},
      {"/a", "/a/b", false, ""},     {"/a/b", "", false, ""},
      {"", "/a", false, ""},         {"rel/x", "rel", true, "x"},
      {"/ab/c", "/a", true, "b/c"},  // the prefix is compared as text
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.path) + " - " + row.prefix);
    std::string path = row.path;
    CYqError err = FXPath::RemovePathFromFileName(path, row.prefix);
    EXPECT_EQ(err.Succeeded(), row.ok);
    EXPECT_EQ(path, row.ok ? row.rest : row.path);  // unchanged on failure
    if (!row.ok) {
      EXPECT_TRUE(FXErrorUtil::IsWin32(err, 3));
    }
    EXPECT_EQ(FXPath::GetFileNameWithoutPath(row.path, row.prefix), row.rest);

    std::string replaced = row.path;
    err = FXPath::ReplacePath(replaced, row.prefix, "/new");
    EXPECT_EQ(err.Succeeded(), row.ok);
    if (row.ok) {
      std::string expected = "/new";
      FXPath::Append(expected, row.rest);
      EXPECT_EQ(replaced, expected);
      // Replacing back restores a path whose prefix ends at a component boundary.
      const std::string path = row.path, prefix = row.prefix;
      if (prefix.back() == '/' || path.size() == prefix.size() || path[prefix.size()] == '/') {
        std::string back = replaced;
        ASSERT_TRUE(FXPath::ReplacePath(back, "/new", prefix).Succeeded());
        EXPECT_TRUE(FXPath::IsSamePathAs(back, path));
      }
    } else {
      EXPECT_EQ(replaced, row.path);
    }
  }
}

TEST(FXPath, SplitPathsAppendsPieces) {
  std::vector<std::string> out = {"first"};
  EXPECT_TRUE(FXPath::SplitPaths("/a:/b;;/c", ":;", out).Succeeded());
  EXPECT_EQ(out, (std::vector<std::string>{"first", "/a", "/b", "/c"}));
  out.clear();
  EXPECT_TRUE(FXPath::SplitPaths("/a::/b", ":", out, 1).Succeeded());
  EXPECT_EQ(out, (std::vector<std::string>{"/a", "", "/b"}));
}

TEST(CYqPath, ConstructorCollapsesSeparatorRuns) {
  struct Row {
    const char* in;
    const char* held;
  };
  const Row rows[] = {{"a//b///c", "a/b/c"}, {"//", "/"},      {"/a/", "/a/"}, {"", ""},
                      {"a/./b", "a/./b"},    {"///x//", "/x/"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.in);
    EXPECT_STREQ(CYqPath(row.in).c_str(), row.held);
  }
  EXPECT_STREQ(CYqPath(nullptr).c_str(), "");
}

TEST(CYqPath, ShapeQuestionsTable) {
  struct Row {
    const char* path;
    const char* base;
    const char* parent;
    const char* ext;
    const char* root;
    bool isRoot;
  };
  const Row rows[] = {
      {"/", "", "", "", "/", true},
      {"//", "", "", "", "/", true},
      {"/a", "a", "", "", "/", false},
      {"/a/b.txt", "b.txt", "/a", "txt", "/", false},
      {"/a/b/", "", "/a/b", "", "/", false},
      {"name.tar.gz", "name.tar.gz", "", "gz", "", false},
      {"dir.d/file", "file", "dir.d", "", "", false},
      {"/a/.hidden", ".hidden", "/a", "hidden", "/", false},
      {"", "", "", "", "", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    const CYqPath path(row.path);
    EXPECT_STREQ(path.GetBaseName().c_str(), row.base);
    EXPECT_STREQ(path.GetParent().c_str(), row.parent);
    EXPECT_STREQ(path.GetExt().c_str(), row.ext);
    EXPECT_STREQ(path.GetRoot().c_str(), row.root);
    EXPECT_EQ(path.IsRoot(), row.isRoot);
    EXPECT_EQ(path.IsAbsolute(), row.root[0] == '/');
    EXPECT_FALSE(path.IsUNC());
    // The static twins answer the same.
    EXPECT_STREQ(CYqPath::GetBaseName(row.path).c_str(), row.base);
    EXPECT_STREQ(CYqPath::GetParent(row.path).c_str(), row.parent);
    EXPECT_STREQ(CYqPath::GetExt(row.path).c_str(), row.ext);
    EXPECT_EQ(CYqPath::IsRoot(row.path), row.isRoot);
    // A path with a parent is rebuilt from parent and base name.
    if (path.GetParent().GetLength() > 0) {
      EXPECT_STREQ(CYqPath::Append(path.GetParent().c_str(), path.GetBaseName().c_str()).c_str(),
                   path.c_str());
    }
  }
  CYqString server("x"), share("y");
  EXPECT_FALSE(CYqPath::SplitUNC("//server/share", server, share));
  EXPECT_TRUE(server.IsEmpty() && share.IsEmpty());
}

TEST(CYqPath, AppendAndSplit) {
  EXPECT_STREQ(CYqPath::Append("/a", "b").c_str(), "/a/b");
  EXPECT_STREQ(CYqPath::Append("/a/", "/b").c_str(), "/a/b");
  EXPECT_STREQ(CYqPath::Append("/", "b").c_str(), "/b");
  EXPECT_STREQ(CYqPath::Append("", "b").c_str(), "/b");
  EXPECT_STREQ(CYqPath::Append("a", "").c_str(), "a/");

  std::vector<CYqString> parts;
  CYqPath::Split("/a//b\\c/", parts);
  EXPECT_EQ(Texts(parts), (std::vector<std::string>{"/", "a", "b", "c"}));
  CYqPath("rel/x").Split(parts);
  EXPECT_EQ(Texts(parts), (std::vector<std::string>{"rel", "x"}));
  CYqPath::Split("/", parts);
  EXPECT_EQ(Texts(parts), (std::vector<std::string>{"/"}));
}

TEST(CYqPath, IsSystemPathTable) {
  struct Row {
    const char* path;
    bool system;
  };
  const Row rows[] = {
      {"/", true},
      {"/etc/passwd", true},
      {"/etcetera", false},
      {"/etc", false},
      {"/etc/", true},
      {"//etc//passwd", true},
      {"/usr/lib64/x", true},
      {"/usr/local/bin/x", false},
      {"/proc/1", true},
      {"/home/u", false},
      {"", false},
      {"etc/passwd", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(CYqPath::IsSystemPath(row.path), row.system);
  }
  int count = 0;
  for (const char* const* prefix = CYqPath::s_systemPrefixes; *prefix != nullptr; ++prefix) {
    ++count;
    EXPECT_TRUE(CYqPath::IsSystemPath((std::string(*prefix) + "x").c_str())) << *prefix;
  }
  EXPECT_EQ(count, 13);
}

}  // namespace
