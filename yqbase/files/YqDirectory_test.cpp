#include "yqbase/files/YqDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/files/YqFile.h"

using yqbase_test::CTempFolder;

namespace {

// The kept list is the mount table sorted longest mount point first, the table's order kept
// among equal lengths, and the same for every caller until it is reset.
TEST(FXFolder, VolumeListIsTheMountTableLongestFirst) {
  FXFolder::resetLogicalVolumeList();
  std::list<ZkMntTab::Entry> volumes, table;
  ASSERT_TRUE(FXFolder::getLogicalVolumeList(volumes).Succeeded());
  ASSERT_TRUE(ZkMntTab::getAll(table).Succeeded());
  ASSERT_EQ(volumes.size(), table.size());
  EXPECT_TRUE(std::is_sorted(volumes.begin(), volumes.end(), FXFolder::CmpPathByLength));
  std::list<ZkMntTab::Entry> expected = table;
  expected.sort(FXFolder::CmpPathByLength);
  EXPECT_TRUE(volumes == expected);
  EXPECT_EQ(volumes.back().mountPoint, "/");

  // Callers on several threads all get the same copy.
  std::vector<std::list<ZkMntTab::Entry>> copies(4);
  std::vector<std::thread> threads;
  for (auto& copy : copies)
    threads.emplace_back([&copy] { (void)FXFolder::getLogicalVolumeList(copy); });
  for (std::thread& thread : threads) thread.join();
  for (const auto& copy : copies) EXPECT_TRUE(copy == volumes);
}

// The first request after a reset decides the cluster-type filter; later ones get that list.
TEST(FXFolder, ResetRereadsTheTable) {
  FXFolder::resetLogicalVolumeList();
  std::list<ZkMntTab::Entry> all, filtered;
  ASSERT_TRUE(FXFolder::getLogicalVolumeList(all, "NO-SUCH-TYPE").Succeeded());
  for (const ZkMntTab::Entry& entry : all) EXPECT_FALSE(entry.cluster) << entry.mountPoint;
  ASSERT_TRUE(FXFolder::getLogicalVolumeList(filtered, nullptr).Succeeded());
  EXPECT_TRUE(filtered == all);
  FXFolder::resetLogicalVolumeList();
  ASSERT_TRUE(FXFolder::getLogicalVolumeList(filtered, nullptr).Succeeded());
  EXPECT_EQ(filtered.size(), all.size());
}

TEST(FXFolder, CmpPathByLengthIsAStrictOrder) {
  ZkMntTab::Entry a, b;
  a.mountPoint = "/long/path";
  b.mountPoint = "/short";
  EXPECT_TRUE(FXFolder::CmpPathByLength(a, b));
  EXPECT_FALSE(FXFolder::CmpPathByLength(b, a));
  EXPECT_FALSE(FXFolder::CmpPathByLength(a, a));
}

TEST(CYqDirectory, MatchWildcard) {
  struct Row {
    const char* pattern;
    const char* name;
    bool sensitive, insensitive;
  };
  const std::string many(5000, 'a');
  const Row rows[] = {
      {"*", "", true, true},
      {"*", "anything", true, true},
      {"?", "", false, false},
      {"a?c", "abc", true, true},
      {"*.LOG", "x.log", false, true},
      {"a*b*c", "aXbYc", true, true},
      {"a*b*c", "aXbY", false, false},
      {"", "", true, true},
      {"", "a", false, false},
      {"**a", "a", true, true},
      // Backtracking-heavy: must answer quickly.
      {"a*a*a*a*a*a*a*a*b", many.c_str(), false, false},
      {"*a*a*a*a*a*a*a*a", many.c_str(), true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.pattern) + " / " + std::string(row.name).substr(0, 20));
    EXPECT_EQ(CYqDirectory::MatchWildcard(row.pattern, row.name, false), row.sensitive);
    EXPECT_EQ(CYqDirectory::MatchWildcard(row.pattern, row.name, true), row.insensitive);
  }
  EXPECT_FALSE(CYqDirectory::MatchWildcard(nullptr, "a", false));
}

// Null and empty folders are refused before any file-system call, by every operation.
TEST(CYqDirectory, NullAndEmptyArguments) {
  bool empty = false;
  const CYqError errors[] = {
      CYqDirectory::Create(nullptr, true),
      CYqDirectory::Remove(nullptr, 1u),
      CYqDirectory::IsEmpty(nullptr, empty),
      CYqDirectory::GetSpaceUsage(nullptr, nullptr, nullptr),
      CYqDirectory::Copy(nullptr, "/tmp", true, nullptr, false),
  };
  for (const CYqError& err : errors) EXPECT_TRUE(FXErrorUtil::IsWin32(err, 87)) << err.AsString();
  EXPECT_TRUE(FXErrorUtil::IsWin32(CYqDirectory::Create("", false), 4306));
  EXPECT_NE(CYqDirectory::Copy("/tmp", "", true, nullptr, false).AsString().find("pDstDir cannot"),
            std::string::npos);
}

TEST(CYqDirectory, CreateListCopyWalkRemove) {
  CTempFolder tmp;
  const std::string src = tmp / "src", dst = tmp / "dst";
  ASSERT_TRUE(CYqDirectory::Create((src + "/sub/deeper").c_str(), true).Succeeded());
  EXPECT_TRUE(CYqDirectory::IsEmpty((src + "/sub/deeper").c_str()));
  for (const char* name : {"/a.txt", "/B.TXT", "/c.bin", "/sub/d.txt"})
    ASSERT_TRUE(CYqFile::WriteWholeFile(src + name, name).Succeeded());

  CYqDirectory dir;
  ASSERT_TRUE(dir.Open(src.c_str(), "*.txt", true).Succeeded());
  std::set<std::string> listed;
  SYqDirEntry entry;
  for (bool end = false; dir.GetEntry(&entry, end).Succeeded() && !end;) listed.insert(entry.name);
  EXPECT_EQ(listed, (std::set<std::string>{"a.txt", "B.TXT"}));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(dir.Open((tmp / "missing").c_str(), nullptr, false), ENOENT));

  EXPECT_TRUE(CYqDirectory::Copy(src.c_str(), dst.c_str(), true, nullptr, false).Failed());
  ASSERT_TRUE(CYqDirectory::Create(dst.c_str(), false).Succeeded());
  ASSERT_TRUE(CYqFile::WriteWholeFile(dst + "/a.txt", "mine").Succeeded());
  ASSERT_TRUE(CYqDirectory::Copy(src.c_str(), dst.c_str(), true, "*.txt", false).Succeeded());
  EXPECT_EQ(yqbase_test::NativeNames(dst), (std::set<std::string>{"a.txt", "sub"}));
  std::string content;
  ASSERT_TRUE(CYqFile::ReadWholeFile((dst + "/a.txt").c_str(), content).Succeeded());
  EXPECT_EQ(content, "mine");  // not overwritten
  EXPECT_EQ(yqbase_test::NativeNames(dst + "/sub"), (std::set<std::string>{"d.txt", "deeper"}));

  // Walk: every entry once, sub-folders only when recursive and within the depth.
  struct Count {
    static CYqError Walker(const char*, const char* name, bool, void* context) {
      static_cast<std::set<std::string>*>(context)->insert(name);
      return std::string(name) == "stop" ? FXErrorUtil::ErrorWin32(YQ_LOC, 5) : CYqError();
    }
  };
  std::set<std::string> walked;
  ASSERT_TRUE(CYqDirectory::Walk(src.c_str(), &walked, -1, true, Count::Walker).Succeeded());
  EXPECT_EQ(walked, (std::set<std::string>{"a.txt", "B.TXT", "c.bin", "sub", "d.txt", "deeper"}));
  walked.clear();
  ASSERT_TRUE(CYqDirectory::Walk(src.c_str(), &walked, 0, true, Count::Walker).Succeeded());
  EXPECT_EQ(walked.size(), 4u);
  ASSERT_TRUE(CYqFile::WriteWholeFile(src + "/stop", "").Succeeded());
  EXPECT_TRUE(
      FXErrorUtil::IsWin32(CYqDirectory::Walk(src.c_str(), &walked, 0, false, Count::Walker), 5));

  unsigned long long total = 0, free = 0;
  ASSERT_TRUE(CYqDirectory::GetSpaceUsage(src.c_str(), &total, &free).Succeeded());
  EXPECT_GT(total, 0u);
  EXPECT_LE(free, total);

  EXPECT_TRUE(FXErrorUtil::IsErrNo(CYqDirectory::Remove(src.c_str(), false, false), ENOTEMPTY));
  ASSERT_TRUE(CYqDirectory::Remove(src.c_str(), true, false).Succeeded());
  EXPECT_FALSE(FXFolder::DoesFolderExist(src));
  EXPECT_TRUE(CYqDirectory::Remove(src.c_str(), true, true).Succeeded());
  EXPECT_TRUE(CYqDirectory::Remove(src.c_str(), 0u).Failed());
}

}  // namespace
