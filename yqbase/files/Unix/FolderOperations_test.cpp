#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cerrno>
#include <list>
#include <set>
#include <string>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/DirectoryExt.h"
#include "yqbase/files/FileData.h"
#include "yqbase/files/FileOperations.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/files/YqDirectory.h"
#include "yqbase/files/YqFile.h"

using yqbase_test::CTempFolder;

namespace {

void Touch(const std::string& path) { ASSERT_TRUE(CYqFile::WriteWholeFile(path, "x").Succeeded()); }

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

TEST(FXFileFind, EmptyFolderGivesTheDotsThenNoMoreFiles) {
  CTempFolder tmp;
  CYqError end;
  EXPECT_TRUE(ListNative(tmp.path(), 0, end).empty());
  EXPECT_TRUE(FXErrorUtil::IsWin32(end, 18)) << end.AsString();
  ListNative(tmp / "missing", 0, end);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(end, ENOENT));
}

// Names holding every byte value but "/" and NUL come back, and open again, byte for byte.
TEST(FXFileFind, NamesWithEveryByteValue) {
  CTempFolder tmp;
  std::set<std::string> made;
  for (int first = 1; first < 256; first += 16) {
    std::string name;
    for (int c = first; c < first + 16 && c < 256; ++c)
      if (c != '/') name += static_cast<char>(c);
    if (name == "." || name == "..") continue;
    const int fd = ::open((tmp.path() + "/" + name).c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0) << first;
    ::close(fd);
    made.insert(name);
  }
  CYqError end;
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
  const char* const refused[] = {"",     "/",     "//",      "/ab",           "/home",
                                 "/tmp", "/usr/", "/tmp/..", "/tmp/../home/", "/var/./"};
  for (const char* path : refused) {
    SCOPED_TRACE(path);
    CYqError err = FXFile::RemoveFolder(std::string(path), 0);
    EXPECT_TRUE(FXErrorUtil::IsWin32(err, 87)) << err.AsString();
    EXPECT_NE(err.AsString().find("ZK_MIN_PRUNE_LENGTH (4) bytes"), std::string::npos);
  }
  EXPECT_TRUE(FXFolder::DoesFolderExist("/tmp"));
}

// Links are removed, never followed: their targets outside the tree survive.
TEST(FXFileRemoveFolder, RemovesATreeWithLinksButNotTheirTargets) {
  CTempFolder tmp;
  const std::string tree = tmp / "tree", outside = tmp / "outside";
  ASSERT_TRUE(FXFolder::CreateFoldersIteratively(tree + "/a/b/c").Succeeded());
  ASSERT_TRUE(FXFolder::CreateFoldersIteratively(tree + "/a/b/c").Succeeded());  // twice is fine
  ASSERT_TRUE(FXFolder::CreateFolder(outside).Succeeded());
  Touch(outside + "/kept");
  Touch(tree + "/a/file");
  ASSERT_EQ(::symlink(outside.c_str(), (tree + "/a/b/to_folder").c_str()), 0);
  ASSERT_EQ(::symlink((outside + "/kept").c_str(), (tree + "/to_file").c_str()), 0);
  ASSERT_EQ(::symlink("/nowhere", (tree + "/a/b/c/dangling").c_str()), 0);
  ASSERT_EQ(::symlink(".", (tree + "/a/loop").c_str()), 0);
  ASSERT_EQ(::mkfifo((tree + "/a/fifo").c_str(), 0644), 0);
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
  EXPECT_TRUE(err.Failed());
  EXPECT_NE(err.AsString().find("cmatch.initialize failed:"), std::string::npos);

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

}  // namespace
