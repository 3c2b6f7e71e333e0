#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <cerrno>
#include <list>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/DirectoryExt.h"
#include "yqbase/files/FileData.h"
#include "yqbase/files/FileOperations.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/files/YqDirectory.h"
#include "yqbase/files/YqFile.h"

using yqbase_test::CTempFolder;

namespace {

void Touch(const std::string& path) { ASSERT_TRUE(yqbase_test::MakeFile(path, "x")) << path; }

std::string Cwd() {
  char buffer[PATH_MAX];
  return ::getcwd(buffer, sizeof buffer) != nullptr ? buffer : "<none>";
}

// Every name of a search, in native form ("." and ".." left out), and the error that ended it.
std::set<std::string> ListNative(const std::string& folder, LONGLONG flags, CYqError& end) {
  std::set<std::string> names;
  auto_find_handle handle;
  FXFile::CFileData data;
  for (end = FXFile::ZKFindFirstFile(handle, folder, data, flags); end.Succeeded();
       end = FXFile::ZKFindNextFile(handle, data, flags)) {
    EXPECT_EQ(data.m_folder, folder);
    EXPECT_FALSE(data.m_bStatFetched);
    if (data.m_name != "." && data.m_name != "..")
      names.insert(TempFsUTF::utfToMbe(data.m_name.c_str(), nullptr));
  }
  return names;
}

// Names holding every byte value but "/" and NUL come back, and open again, byte for byte; an
// empty folder has only the dots; the end of a search is Win32 18.
TEST(FXFileFind, NamesWithEveryByteValue) {
  CTempFolder tmp, empty;
  CYqError end;
  EXPECT_TRUE(ListNative(empty.path(), 0, end).empty());
  EXPECT_TRUE(FXErrorUtil::IsWin32(end, 18)) << end.AsString();
  EXPECT_TRUE(ListNative(tmp / "missing", 0, end).empty() && FXErrorUtil::IsErrNo(end, ENOENT));
  std::set<std::string> made;
  for (int first = 1; first < 256; first += 16) {
    std::string name;
    for (int c = first; c < first + 16 && c < 256; ++c)
      if (c != '/') name += static_cast<char>(c);
    Touch(tmp / name);
    made.insert(name);
  }
  EXPECT_EQ(ListNative(tmp.path(), 0, end), made);
  // The find data's stat record comes from the open search.
  auto_find_handle handle;
  FXFile::CFileData data;
  for (CYqError err = FXFile::ZKFindFirstFile(handle, tmp.path(), data); err.Succeeded();
       err = FXFile::ZKFindNextFile(handle, data)) {
    ASSERT_TRUE(FXFile::ZKFindStat(handle, data).Succeeded()) << data.m_name;
    EXPECT_TRUE(data.m_bStatFetched);
  }
}

// A folder deeper than PATH_MAX is listed by the plain form from a parent, and closing the
// search returns to the working directory of before; the multi-thread form refuses it.
TEST(FXFileFind, FolderLongerThanPathMax) {
  CTempFolder tmp;
  const std::string deep = yqbase_test::MakeDeepChain(tmp.path());
  ASSERT_GT(deep.size(), static_cast<size_t>(PATH_MAX));
  const std::string before = Cwd();
  {
    auto_find_handle handle;
    FXFile::CFileData data;
    std::set<std::string> names;
    CYqError err = FXFile::ZKFindFirstFile(handle, deep, data);
    for (; err.Succeeded(); err = FXFile::ZKFindNextFile(handle, data)) {
      names.insert(data.m_name);
      ASSERT_TRUE(FXFile::ZKFindStat(handle, data).Succeeded());
    }
    EXPECT_TRUE(FXErrorUtil::IsWin32(err, 18)) << err.AsString();
    EXPECT_EQ(names, (std::set<std::string>{".", "..", "leaf"}));
    EXPECT_TRUE(FXFile::ZKFindClose(handle).Succeeded());
    EXPECT_EQ(Cwd(), before);
  }
  EXPECT_EQ(Cwd(), before);
  CYqError end;
  ListNative(deep, ZK_FIND_MULTITHREAD, end);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(end, ENAMETOOLONG)) << end.AsString();
  ListNative(deep + "/missing", 0, end);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(end, ENOENT)) << end.AsString();
  EXPECT_EQ(Cwd(), before);
}

// The guard refuses short and system folders before any call; nothing there is touched.
TEST(FXFileRemoveFolder, GuardRefusesShortAndSystemFolders) {
  for (const char* path :
       {"", "/", "//", "/ab", "/home", "/tmp", "/usr/", "/tmp/..", "/tmp/../home/", "/var/./"}) {
    CYqError err = FXFile::RemoveFolder(std::string(path), 0);
    EXPECT_TRUE(FXErrorUtil::IsWin32(err, 87) &&
                yqbase_test::HasText(err, "ZK_MIN_PRUNE_LENGTH (4) bytes"))
        << path << ": " << err.AsString();
  }
  EXPECT_TRUE(FXFolder::DoesFolderExist("/tmp"));
}

// Links are removed, never followed: their targets outside the tree survive.
TEST(FXFileRemoveFolder, RemovesATreeWithLinksButNotTheirTargets) {
  CTempFolder tmp;
  const std::string tree = tmp / "tree", outside = tmp / "outside";
  ASSERT_TRUE(FXFolder::CreateFoldersIteratively(tree + "/a/b/c").Succeeded() &&
              FXFolder::CreateFoldersIteratively(tree + "/a/b/c").Succeeded() &&  // twice is fine
              FXFolder::CreateFolder(outside).Succeeded());
  Touch(outside + "/kept");
  Touch(tree + "/a/file");
  ASSERT_EQ(0, ::symlink(outside.c_str(), (tree + "/a/b/to_folder").c_str()) +
                   ::symlink((outside + "/kept").c_str(), (tree + "/to_file").c_str()) +
                   ::symlink("/nowhere", (tree + "/a/b/c/dangling").c_str()) +
                   ::symlink(".", (tree + "/a/loop").c_str()) +
                   ::mkfifo((tree + "/a/fifo").c_str(), 0644));
  ASSERT_TRUE(FXFile::RemoveFolder(tree, 0).Succeeded());
  EXPECT_FALSE(FXFolder::DoesFolderExist(tree));
  EXPECT_TRUE(FXFile::DoesFileExist(outside + "/kept"));

  // A walker gets the non-folders; one it leaves makes the final rmdir fail.
  ASSERT_TRUE(FXFolder::CreateFoldersIteratively(tree + "/sub").Succeeded());
  Touch(tree + "/sub/one");
  Touch(tree + "/two");
  std::set<std::string> seen;
  FXFile::RemoveWalker walker = [&seen](const std::string& path,
                                        boost::shared_ptr<FXFile::CFileData> data, FVBasePtr) {
    seen.insert(data->m_name);
    if (data->m_name == "two") return FXErrorUtil::ErrorWin32(YQ_LOC, 5, "kept");
    return FXFile::RemoveFile(path);
  };
  CYqError err = FXFile::RemoveFolder(tree, FVBasePtr(), walker, 0);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, ENOTEMPTY)) << err.AsString();
  EXPECT_EQ(seen, (std::set<std::string>{"one", "two"}));
  EXPECT_FALSE(FXFolder::DoesFolderExist(tree + "/sub"));
  EXPECT_TRUE(FXFile::DoesFileExist(tree + "/two"));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(FXFile::RemoveFolder(tmp / "missing", 0), ENOENT));
}

TEST(FXFileMatching, ListAndDeleteByPattern) {
  CTempFolder tmp;
  for (const char* name : {"a.log", "b.log", "c.txt", "old.log"}) Touch(tmp / name);
  ASSERT_TRUE(FXFolder::CreateFolder(tmp / "sub.log").Succeeded());
  Touch(tmp / "sub.log/inner");
  struct utimbuf old = {1000, 1000};
  ASSERT_EQ(::utime((tmp / "old.log").c_str(), &old), 0);

  std::list<std::string> found;
  ASSERT_TRUE(FXFile::GetMatchingFiles(tmp.path(), "*.log", found, true).Succeeded());
  EXPECT_EQ(
      std::set<std::string>(found.begin(), found.end()),
      (std::set<std::string>{tmp / "a.log", tmp / "b.log", tmp / "old.log", tmp / "sub.log"}));

  // A pattern the matcher refuses deletes nothing.
  const std::string tooLong(2000, '*');
  CYqError err = FXFile::DeleteMatchingFiles(tmp.path(), tooLong, ZK_DELETE_FOLDERS);
  EXPECT_TRUE(err.Failed() && yqbase_test::HasText(err, "cmatch.initialize failed:"));

  ASSERT_TRUE(FXFile::DeleteMatchingFilesOlderThan(tmp.path(), "*.log", 2000, 0).Succeeded());
  EXPECT_EQ(yqbase_test::NativeNames(tmp.path()),
            (std::set<std::string>{"a.log", "b.log", "c.txt", "sub.log"}));
  ASSERT_TRUE(FXFile::DeleteMatchingFiles(tmp / "*.log", 0).Succeeded());  // files only
  EXPECT_EQ(yqbase_test::NativeNames(tmp.path()), (std::set<std::string>{"c.txt", "sub.log"}));
  ASSERT_TRUE(FXFile::DeleteMatchingFiles(tmp.path(), "*.log", ZK_DELETE_FOLDERS).Succeeded());
  EXPECT_EQ(yqbase_test::NativeNames(tmp.path()), (std::set<std::string>{"c.txt"}));
  EXPECT_TRUE(FXFile::DeleteMatchingFiles(tmp / "missing/*", 0).Failed());
}

TEST(DirectoryExt, ReadsNamesAndNotifiesObserversOnce) {
  CTempFolder tmp;
  Touch(tmp / "a");
  Touch(tmp / "b");
  int notified = 0;
  struct Observer : DirectoryExtObserver {
    explicit Observer(int& n) : count(n) {}
    void notification() override { ++count; }
    int& count;
  };
  {
    DirectoryExt dir;
    EXPECT_EQ(dir.read(), nullptr);
    EXPECT_EQ(dir.getErrno(), -1);
    EXPECT_EQ(dir.openDirectory((tmp / "missing").c_str()), -1);
    EXPECT_EQ(dir.getErrno(), ENOENT);
    ASSERT_EQ(dir.openDirectory(tmp.path().c_str()), 0);
    std::set<std::string> names;
    while (const char* name = dir.read()) names.insert(name);
    EXPECT_EQ(dir.getErrno(), 0);
    EXPECT_EQ(names, (std::set<std::string>{".", "..", "a", "b"}));
    dir.attach(new Observer(notified));
    dir.attach(new Observer(notified));
  }
  EXPECT_EQ(notified, 2);
}

// The kept list is the mount table sorted longest mount point first, the table's order kept
// among equal lengths, and the same for every caller until it is reset.
TEST(FXFolder, VolumeListIsTheMountTableLongestFirst) {
  FXFolder::resetLogicalVolumeList();
  std::list<ZkMntTab::Entry> volumes, expected;
  ASSERT_TRUE(FXFolder::getLogicalVolumeList(volumes).Succeeded());
  ASSERT_TRUE(ZkMntTab::getAll(expected).Succeeded());
  expected.sort(FXFolder::CmpPathByLength);  // a stable sort
  EXPECT_TRUE(volumes == expected);
  EXPECT_EQ(volumes.back().mountPoint, "/");
  EXPECT_FALSE(FXFolder::CmpPathByLength(volumes.back(), volumes.back()));  // a strict order

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

TEST(CYqDirectory, MatchWildcard) {
  struct Row {
    const char* pattern;
    const char* name;
    bool sensitive, insensitive;
  };
  const Row rows[] = {
      {"*", "", true, true},           {"*", "anything", true, true},
      {"?", "", false, false},         {"a?c", "abc", true, true},
      {"*.LOG", "x.log", false, true}, {"a*b*c", "aXbYc", true, true},
      {"a*b*c", "aXbY", false, false}, {"", "", true, true},
      {"", "a", false, false},         {"**a", "a", true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.pattern) + " / " + row.name);
    EXPECT_EQ(CYqDirectory::MatchWildcard(row.pattern, row.name, false), row.sensitive);
    EXPECT_EQ(CYqDirectory::MatchWildcard(row.pattern, row.name, true), row.insensitive);
  }
  EXPECT_FALSE(CYqDirectory::MatchWildcard(nullptr, "a", false));
  // Backtracking-heavy patterns must still answer quickly.
  const std::string many(5000, 'a');
  EXPECT_FALSE(CYqDirectory::MatchWildcard("a*a*a*a*a*a*a*a*b", many.c_str(), false));
  EXPECT_TRUE(CYqDirectory::MatchWildcard("*a*a*a*a*a*a*a*a", many.c_str(), true));
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
  EXPECT_EQ(yqbase_test::ReadNative(dst + "/a.txt"), "mine");  // not overwritten
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
  EXPECT_TRUE(total > 0 && free <= total);

  EXPECT_TRUE(FXErrorUtil::IsErrNo(CYqDirectory::Remove(src.c_str(), false, false), ENOTEMPTY));
  ASSERT_TRUE(CYqDirectory::Remove(src.c_str(), true, false).Succeeded());
  EXPECT_EQ(yqbase_test::ReadNative(src), "<none>");
  EXPECT_TRUE(CYqDirectory::Remove(src.c_str(), true, true).Succeeded());
  EXPECT_TRUE(CYqDirectory::Remove(src.c_str(), 0u).Failed());
}

}  // namespace
