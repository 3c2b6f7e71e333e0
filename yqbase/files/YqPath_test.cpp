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

// Only one trailing "/" is ignored; "" and "/" have no parent: Win32 3 and both outputs emptied.
TEST(FXPath, SplitParentPathTable) {
  const char* rows[][3] = {
      {"/a/b", "/a/", "b"},       {"/a/b/", "/a/", "b"}, {"/a", "/", "a"}, {"/a/", "/", "a"},
      {"name", "/", "name"},      {"a/b", "a/", "b"},    {"//", "/", ""},  {"/a/b//", "/a/b/", ""},
      {"/a/../b", "/a/../", "b"}, {"/a/.", "/a/", "."},  {"", "", ""},     {"/", "", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    std::string parent = "stale", name = "stale";
    const CYqError err = FXPath::SplitParentPath(row[0], parent, name);
    EXPECT_TRUE(row[1][0] ? err.Succeeded() : FXErrorUtil::IsWin32(err, 3));
    EXPECT_EQ(std::string(row[1]) + "|" + row[2], parent + "|" + name);
  }
}

TEST(FXPath, WideFormsAgreeWithNarrowOnes) {
  std::wstring parent, name, wide;
  ASSERT_TRUE(
      FXPath::SplitParentPath(std::wstring(L"/d\u00e9j\u00e0/\u20ac"), parent, name).Succeeded());
  EXPECT_EQ(parent + L"|" + name, L"/d\u00e9j\u00e0/|\u20ac");
  EXPECT_TRUE(FXErrorUtil::IsWin32(FXPath::SplitParentPath(std::wstring(L"/"), parent, name), 3));
  EXPECT_EQ(parent, L"");
  ASSERT_TRUE(
      FXPath::MakeAbsolutePath(std::wstring(L"/\u00e9"), std::wstring(L"../\u20ac/./x"), wide)
          .Succeeded());
  EXPECT_EQ(wide, L"/\u20ac/x");
  // A lone surrogate travels into UTF-8 as it is, and has no native form there.
  const std::wstring bad = std::wstring(L"/a/") + static_cast<wchar_t>(0xD800);
  CYqError err = FXPath::MakeNativePath(bad, wide);
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 774));
  EXPECT_GE(err.GetItems().size(), 2u);  // the wide form's own place on top
  EXPECT_TRUE(FXPath::MakeLongPath(bad, wide).Failed());
  // ASCII passes through the native forms unchanged.
  std::wstring same = L"/plain/path";
  ASSERT_TRUE(FXPath::MakeNativePath(same).Succeeded() && FXPath::MakeNormalPath(same).Succeeded());
  EXPECT_EQ(same, L"/plain/path");
  ASSERT_TRUE(FXPath::MakeLongPath(L"/x/y", wide).Succeeded());
  EXPECT_EQ(wide, L"/x/y");
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
    EXPECT_FALSE(row.aAboveB && FXPath::IsAncestorOf(row.b, row.a, false));
  }
}

TEST(FXPath, RemoveDotDotFolderTable) {
  const char* rows[][2] = {
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
      {"a/./../b/", "b/"},
      {"a//b///c/", "a/b/c/"},
      {"x/../../y/./z", "../y/z"},
      {"./../a/b/../..", ".."},
      {"/a/b/c/../../../..", "/"},
      {"../a/../../b/./c", "../../b/c"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    EXPECT_EQ(FXPath::removeDotDotFolder(row[0]), row[1]);
    EXPECT_EQ(FXPath::removeDotDotFolder(row[1]), row[1]);  // cleaning again changes nothing
  }
}

TEST(FXPath, MakeAbsolutePathAgainstBase) {
  const char* rows[][3] = {
      {"/base", ".", "/base"},      {"/base", "./x", "/base/x"},      {"/base", "x/y", "/base/x/y"},
      {"/base/", "x", "/base/x"},   {"/base/sub", "../x", "/base/x"}, {"/base", "../../..", "/"},
      {"/base", "/abs/../p", "/p"}, {"/base", "", "/base"},           {"/", "x", "/x"},
      {"/base", "./", "/base"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row[0]) + " + " + row[1]);
    std::string out = "stale";
    EXPECT_TRUE(FXPath::MakeAbsolutePath(row[0], row[1], out).Succeeded());
    EXPECT_EQ(out, row[2]);
  }
}

TEST(FXPath, RemovePathFromFileNameAndReplacePath) {
  struct Row {
    const char* path;
    const char* prefix;
    const char* rest;      // null: Win32 3, the path unchanged
    const char* replaced;  // by "/new"
  };
  const Row rows[] = {
      {"/a/b/c", "/a", "b/c", "/new/b/c"}, {"/a/b/c", "/a/", "b/c", "/new/b/c"},
      {"/a/b", "/a/b", "", "/new"},        {"/a/b", "/x", nullptr, nullptr},
      {"/a", "/a/b", nullptr, nullptr},    {"/a/b", "", nullptr, nullptr},
      {"", "/a", nullptr, nullptr},        {"rel/x", "rel", "x", "/new/x"},
      {"/ab/c", "/a", "b/c", "/new/b/c"},  // the prefix is compared as text
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.path) + " - " + row.prefix);
    std::string path = row.path, replaced = row.path;
    CYqError err = FXPath::RemovePathFromFileName(path, row.prefix);
    EXPECT_TRUE(row.rest ? err.Succeeded() : FXErrorUtil::IsWin32(err, 3));
    EXPECT_EQ(path, row.rest ? row.rest : row.path);
    EXPECT_EQ(FXPath::GetFileNameWithoutPath(row.path, row.prefix), row.rest ? row.rest : "");
    EXPECT_EQ(FXPath::ReplacePath(replaced, row.prefix, "/new").Succeeded(), row.rest != nullptr);
    EXPECT_EQ(replaced, row.replaced ? row.replaced : row.path);
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
  const char* rows[][2] = {{"a//b///c", "a/b/c"}, {"//", "/"},      {"/a/", "/a/"}, {"", ""},
                           {"a/./b", "a/./b"},    {"///x//", "/x/"}};
  for (const auto& row : rows) EXPECT_STREQ(CYqPath(row[0]).c_str(), row[1]) << row[0];
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
  const Row rows[] = {{"/", "", "", "", "/", true},
                      {"//", "", "", "", "/", true},
                      {"/a", "a", "", "", "/", false},
                      {"/a/b.txt", "b.txt", "/a", "txt", "/", false},
                      {"/a/b/", "", "/a/b", "", "/", false},
                      {"name.tar.gz", "name.tar.gz", "", "gz", "", false},
                      {"dir.d/file", "file", "dir.d", "", "", false},
                      {"/a/.hidden", ".hidden", "/a", "hidden", "/", false},
                      {"", "", "", "", "", false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    const CYqPath path(row.path);
    EXPECT_EQ(std::string(row.base) + "|" + row.parent + "|" + row.ext + "|" + row.root,
              std::string(path.GetBaseName().c_str()) + "|" + path.GetParent().c_str() + "|" +
                  path.GetExt().c_str() + "|" + path.GetRoot().c_str());
    EXPECT_EQ(std::string(row.base) + "|" + row.parent + "|" + row.ext,
              std::string(CYqPath::GetBaseName(row.path).c_str()) + "|" +
                  CYqPath::GetParent(row.path).c_str() + "|" + CYqPath::GetExt(row.path).c_str());
    EXPECT_EQ(path.IsRoot(), row.isRoot);
    EXPECT_EQ(CYqPath::IsRoot(row.path), row.isRoot);
    EXPECT_EQ(path.IsAbsolute(), row.root[0] == '/');
    EXPECT_FALSE(path.IsUNC());
  }
  CYqString server("x"), share("y");
  EXPECT_FALSE(CYqPath::SplitUNC("//server/share", server, share));
  EXPECT_TRUE(server.IsEmpty() && share.IsEmpty());
}

TEST(CYqPath, AppendAndSplit) {
  const char* rows[][3] = {{"/a", "b", "/a/b"},
                           {"/a/", "/b", "/a/b"},
                           {"/", "b", "/b"},
                           {"", "b", "/b"},
                           {"a", "", "a/"}};
  for (const auto& row : rows) EXPECT_STREQ(CYqPath::Append(row[0], row[1]).c_str(), row[2]);
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
  const Row rows[] = {{"/", true},
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
                      {"etc/passwd", false}};
  for (const Row& row : rows) EXPECT_EQ(CYqPath::IsSystemPath(row.path), row.system) << row.path;
  for (const char* const* prefix = CYqPath::s_systemPrefixes; *prefix != nullptr; ++prefix)
    EXPECT_TRUE(CYqPath::IsSystemPath((std::string(*prefix) + "x").c_str())) << *prefix;
}

}  // namespace
