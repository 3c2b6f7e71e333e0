// Test helpers of the traversal folder: a generated tree with links of every kind, special
// files and odd names, and what nftw(FTW_PHYS) reports of it.
#pragma once

#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <map>
#include <string>

#include "yqbase/files/YqDirectory.h"
#include "yqbase/files/YqFile.h"

namespace yqbase_test {

inline void Touch(const std::string& path) {
  ASSERT_TRUE(CYqFile::WriteWholeFile(path, "x").Succeeded());
}

// The working directory, to check that a walk leaves it as it was.
inline std::string Cwd() {
  char path[PATH_MAX];
  return ::getcwd(path, sizeof path) != nullptr ? path : "<getcwd failed>";
}

inline std::map<std::string, unsigned> g_nftwSeen;

// What nftw(FTW_PHYS) reports below `root`: native path -> file type (S_IFMT bits).
inline std::map<std::string, unsigned> NftwEntries(const std::string& root) {
  g_nftwSeen.clear();
  ::nftw(
      root.c_str(),
      [](const char* path, const struct stat* st, int, struct FTW* ftw) {
        if (ftw->level > 0) g_nftwSeen[path] = st->st_mode & S_IFMT;
        return 0;
      },
      32, FTW_PHYS);
  return g_nftwSeen;
}

// A tree with links of every kind, special files, odd names and an empty folder.
inline void MakeTree(const std::string& root) {
  ASSERT_TRUE(FXFolder::CreateFoldersIteratively(root + "/a/b/c").Succeeded());
  ASSERT_TRUE(FXFolder::CreateFoldersIteratively(root + "/empty").Succeeded());
  Touch(root + "/a/file");
  Touch(root + "/a/b/c/deep");
  ASSERT_EQ(::symlink("file", (root + "/a/to_file").c_str()), 0);
  ASSERT_EQ(::symlink("../a", (root + "/a/b/to_parent_loop").c_str()), 0);
  ASSERT_EQ(::symlink("/nowhere/at/all", (root + "/dangling").c_str()), 0);
  ASSERT_EQ(::symlink("self", (root + "/self").c_str()), 0);
  ASSERT_EQ(::mkfifo((root + "/a/fifo").c_str(), 0644), 0);
  ASSERT_EQ(::mknod((root + "/a/sock").c_str(), S_IFSOCK | 0644, 0), 0);
  if (::geteuid() == 0) {
    ASSERT_EQ(::mknod((root + "/a/null").c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
  }
  for (int first = 1; first < 256; first += 32) {
    std::string name = "n";
    for (int c = first; c < first + 32 && c < 256; ++c)
      if (c != '/') name += static_cast<char>(c);
    const int fd = ::open((root + "/a/" + name).c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
  }
}

}  // namespace yqbase_test
