#include "yqbase/files/utfFsUtils.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Files_testutil.h"

using yqbase_test::CScopedLocale;
using yqbase_test::CTempFolder;
using yqbase_test::NativeNames;

namespace {

std::string FirstCauseFunction(const CYqError& err) {
  const std::vector<FXErrorItemPtr> items = err.GetItems();
  return items.empty() ? "" : items.back()->GetLocation().function;
}

std::string FirstCauseFile(const CYqError& err) {
  const std::vector<FXErrorItemPtr> items = err.GetItems();
  return items.empty() ? "" : items.back()->GetLocation().file;
}

}  // namespace

// The out-pointer checks come before any conversion or system call: nothing is created.
TEST(CYqUTFOSAPI, NullOutPointersFailBeforeTouchingTheFileSystem) {
  CTempFolder folder;
  const std::string path = folder / "new";
  std::string templ = folder / "tmpXXXXXX";
  struct {
    const char* what;
    std::function<CYqError()> call;
    const char* text;
  } const cases[] = {
      {"fopen", [&] { return CYqUTFOSAPI::fopen(nullptr, path.c_str(), "w"); },
       "Input *fp is null"},
      {"freopen", [&] { return CYqUTFOSAPI::freopen(nullptr, path.c_str(), "w", stdout); },
       "Input *fp is null"},
      {"open", [&] { return CYqUTFOSAPI::open(nullptr, path.c_str(), O_CREAT | O_WRONLY, 0644); },
       "Input *fd is null"},
      {"open2",
       [&] { return CYqUTFOSAPI::open2(nullptr, path.c_str(), O_CREAT | O_WRONLY, 0644, 0); },
       "Input *fd is null"},
      {"creat", [&] { return CYqUTFOSAPI::creat(nullptr, path.c_str(), 0644); },
       "Input *fd is null"},
      {"readlink",
       [&] {
         char buffer[16];
         return CYqUTFOSAPI::readlink(nullptr, path.c_str(), buffer, sizeof buffer);
       },
       "Input *readSize is null"},
      {"mktemp", [&] { return CYqUTFOSAPI::mktemp(&templ[0], nullptr); },
       "Input *szTempFileName is null"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const CYqError err = c.call();
    EXPECT_TRUE(FXErrorUtil::IsWin32(err, 87));
    EXPECT_NE(std::string::npos, err.AsString().find(c.text)) << err.AsString();
    EXPECT_EQ("utfFsUtils.cpp", FirstCauseFile(err));
  }
  EXPECT_TRUE(NativeNames(folder.path()).empty());
}

TEST(CYqUTFOSAPI, FailuresAreErrnoErrorsAtTheWrapper) {
  CTempFolder folder;
  const std::string file = folder / "file";
  ASSERT_EQ(0, ::close(::open(file.c_str(), O_CREAT | O_WRONLY, 0644)));
  struct stat st;
  struct stat64 st64;
  struct {
    const char* what;
    std::function<CYqError()> call;
    int error;
    const char* function;
  } const cases[] = {
      {"stat", [&] { return CYqUTFOSAPI::stat((folder / "none").c_str(), &st); }, ENOENT,
       "static CYqError CYqUTFOSAPI::stat(const char*, stat*)"},
      {"stat64", [&] { return CYqUTFOSAPI::stat((file + "/x").c_str(), &st64); }, ENOTDIR,
       "static CYqError CYqUTFOSAPI::stat(const char*, stat64*)"},
      {"lstat", [&] { return CYqUTFOSAPI::lstat((folder / "none").c_str(), &st); }, ENOENT,
       "static CYqError CYqUTFOSAPI::lstat(const char*, stat*)"},
      {"mkdir", [&] { return CYqUTFOSAPI::mkdir(file.c_str(), 0755); }, EEXIST,
       "static CYqError CYqUTFOSAPI::mkdir(const char*, int)"},
      {"rmdir", [&] { return CYqUTFOSAPI::rmdir(file.c_str()); }, ENOTDIR,
       "static CYqError CYqUTFOSAPI::rmdir(const char*)"},
      {"unlink", [&] { return CYqUTFOSAPI::unlink(folder.path().c_str()); }, EISDIR,
       "static CYqError CYqUTFOSAPI::unlink(const char*)"},
      {"chdir", [&] { return CYqUTFOSAPI::chdir(file.c_str()); }, ENOTDIR,
       "static CYqError CYqUTFOSAPI::chdir(const char*)"},
      {"access", [&] { return CYqUTFOSAPI::access((folder / "none").c_str(), F_OK); }, ENOENT,
       "static CYqError CYqUTFOSAPI::access(const char*, int)"},
      {"rename", [&] { return CYqUTFOSAPI::rename((folder / "none").c_str(), file.c_str()); },
       ENOENT, "static CYqError CYqUTFOSAPI::rename(const char*, const char*)"},
      {"link", [&] { return CYqUTFOSAPI::link(file.c_str(), file.c_str()); }, EEXIST,
       "static CYqError CYqUTFOSAPI::link(const char*, const char*)"},
      {"opendir",
       [&] {
         DIR* dir = nullptr;
         return CYqUTFOSAPI::opendir(&dir, file.c_str());
       },
       ENOTDIR, "static CYqError CYqUTFOSAPI::opendir(DIR**, const char*)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const CYqError err = c.call();
    EXPECT_TRUE(FXErrorUtil::IsErrNo(err, c.error)) << err.AsString();
    EXPECT_EQ(c.function, FirstCauseFunction(err));
    EXPECT_EQ("utfFsUtils.cpp", FirstCauseFile(err));
  }
}

TEST(CYqUTFOSAPI, DescriptionsNameThePath) {
  CTempFolder folder;
  const std::string missing = folder / "none";
  int fd = -1;
  CYqError err = CYqUTFOSAPI::open(&fd, missing.c_str(), O_RDONLY, 0644);
  EXPECT_NE(std::string::npos, err.AsString().find("Open failed, File=" + missing +
                                                   ", OperationFlag=0x0, PermissionMode=0x1A4"))
      << err.AsString();
  EXPECT_EQ(-1, fd);  // untouched on failure

  FILE* fp = nullptr;
  err = CYqUTFOSAPI::fopen(&fp, missing.c_str(), "r");
  EXPECT_NE(std::string::npos, err.AsString().find("Failed to open file " + missing));
  err = CYqUTFOSAPI::creat(&fd, (missing + "/x").c_str(), 0644);
  EXPECT_NE(std::string::npos, err.AsString().find("Create file failed"));
  int size = 0;
  char buffer[8];
  err = CYqUTFOSAPI::readlink(&size, missing.c_str(), buffer, sizeof buffer);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, ENOENT));
  EXPECT_NE(std::string::npos, err.AsString().find("readlink failed for '" + missing + "'"));
}

// A name with no native form fails with 774, and the wrapper adds its own location.
TEST(CYqUTFOSAPI, ConversionFailureIs774) {
  CScopedLocale locale("C", false);
  struct stat st;
  const CYqError err = CYqUTFOSAPI::stat("/tmp/caf\xC3\xA9", &st);
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 774));
  const std::vector<FXErrorItemPtr> items = err.GetItems();
  ASSERT_EQ(2u, items.size());
  EXPECT_STREQ("static CYqError CYqUTFOSAPI::stat(const char*, stat*)",
               items[0]->GetLocation().function);
  EXPECT_STREQ("CYqError utfToMbe(const char*, std::string&)", items[1]->GetLocation().function);
  EXPECT_STREQ("utfConversions.cpp", items[1]->GetLocation().file);
  EXPECT_NE(std::string::npos, err.AsString().find("UCS to MBE conversion failed"));

  // Each converted argument of a two-path call can fail on its own.
  const CYqError second = CYqUTFOSAPI::rename("/tmp/a", "/tmp/caf\xC3\xA9");
  EXPECT_TRUE(FXErrorUtil::IsWin32(second, 774));
}

TEST(CYqUTFOSAPI, OperationsOnRealFiles) {
  CScopedLocale locale("C.UTF-8", false);
  CTempFolder folder;
  const std::string dir = folder / "d\xC3\xAFr";
  ASSERT_TRUE(CYqUTFOSAPI::mkdir(dir.c_str(), 0755).Succeeded());
  ASSERT_TRUE(CYqUTFOSAPI::access(dir.c_str(), W_OK).Succeeded());

  const std::string file = dir + "/f\xC3\xAFle";
  int fd = -1;
  ASSERT_TRUE(CYqUTFOSAPI::open2(&fd, file.c_str(), O_CREAT | O_WRONLY, 0600, 7).Succeeded());
  ASSERT_GE(fd, 0);
  EXPECT_EQ(5, ::write(fd, "hello", 5));
  ::close(fd);
  ASSERT_TRUE(CYqUTFOSAPI::creat(&fd, (dir + "/c").c_str(), 0600).Succeeded());
  ::close(fd);

  struct stat64 st;
  ASSERT_TRUE(CYqUTFOSAPI::stat(file.c_str(), &st).Succeeded());
  EXPECT_EQ(5, st.st_size);
  EXPECT_TRUE(CYqUTFOSAPI::chmod(file.c_str(), 0644).Succeeded());
  struct utimbuf times = {1000, 2000};
  EXPECT_TRUE(CYqUTFOSAPI::utime(file.c_str(), &times).Succeeded());
  ASSERT_TRUE(CYqUTFOSAPI::lstat(file.c_str(), &st).Succeeded());
  EXPECT_EQ(0644u, st.st_mode & 07777);
  EXPECT_EQ(2000, st.st_mtime);
  struct statfs fs;
  EXPECT_TRUE(CYqUTFOSAPI::statfs(dir.c_str(), &fs).Succeeded());

  FILE* fp = nullptr;
  ASSERT_TRUE(CYqUTFOSAPI::fopen(&fp, file.c_str(), "r").Succeeded());
  ASSERT_TRUE(CYqUTFOSAPI::freopen(&fp, file.c_str(), "a", fp).Succeeded());
  ::fclose(fp);

  const std::string link = dir + "/l\xC3\xAFnk";
  ASSERT_TRUE(CYqUTFOSAPI::symlink("f\xC3\xAFle", link.c_str()).Succeeded());
  char target[64];
  int size = 0;
  ASSERT_TRUE(CYqUTFOSAPI::readlink(&size, link.c_str(), target, sizeof target).Succeeded());
  EXPECT_EQ("f\xC3\xAFle", std::string(target, static_cast<size_t>(size)));
  ASSERT_TRUE(CYqUTFOSAPI::link(file.c_str(), (dir + "/hard").c_str()).Succeeded());
  ASSERT_TRUE(CYqUTFOSAPI::rename((dir + "/hard").c_str(), (dir + "/moved").c_str()).Succeeded());

  std::string templ = dir + "/t\xC3\xA9mpXXXXXX";
  std::vector<char> made(templ.size() + 1);
  ASSERT_TRUE(CYqUTFOSAPI::mktemp(&templ[0], made.data()).Succeeded());
  const std::string temp = made.data();
  EXPECT_EQ(templ.size(), temp.size());
  EXPECT_EQ(templ.substr(0, templ.size() - 6), temp.substr(0, templ.size() - 6));
  EXPECT_TRUE(CYqUTFOSAPI::access(temp.c_str(), F_OK).Succeeded());

  EXPECT_EQ((std::set<std::string>{"c", "f\xC3\xAFle", "l\xC3\xAFnk", "moved",
                                   temp.substr(dir.size() + 1)}),
            NativeNames(dir));

  ASSERT_TRUE(CYqUTFOSAPI::chdir(dir.c_str()).Succeeded());
  EXPECT_TRUE(CYqUTFOSAPI::remove("moved").Succeeded());
  EXPECT_TRUE(CYqUTFOSAPI::unlink(link.c_str()).Succeeded());
  EXPECT_TRUE(CYqUTFOSAPI::chdir("/").Succeeded());
  for (const char* name : {"c", "f\xC3\xAFle"})
    EXPECT_TRUE(CYqUTFOSAPI::unlink((dir + "/" + name).c_str()).Succeeded());
  EXPECT_TRUE(CYqUTFOSAPI::unlink(temp.c_str()).Succeeded());
  EXPECT_TRUE(CYqUTFOSAPI::rmdir(dir.c_str()).Succeeded());
}

// Native names with every byte value list back through readdir and readdir_r as UTF-8 names
// that convert back to the same bytes, in a UTF-8 locale and in the C locale.
TEST(CYqUTFOSAPI, ListsEveryByteValue) {
  for (const char* localeName : {"C.UTF-8", "C"}) {
    for (bool ignoreLocale : {false, true}) {
      CScopedLocale locale(localeName, ignoreLocale);
      SCOPED_TRACE(std::string(localeName) + (ignoreLocale ? " ignoring locale" : ""));
      CTempFolder folder;
      for (int b = 1; b <= 0xFF; ++b) {
        if (b == '/') continue;
        const std::string name = std::string("n") + static_cast<char>(b) + "e";
        ASSERT_EQ(0, ::close(::open((folder / name).c_str(), O_CREAT | O_WRONLY, 0644)));
      }
      const std::set<std::string> native = NativeNames(folder.path());
      ASSERT_EQ(254u, native.size());

      for (bool reentrant : {false, true}) {
        DIR* dir = nullptr;
        ASSERT_TRUE(CYqUTFOSAPI::opendir(&dir, folder.path().c_str()).Succeeded());
        std::set<std::string> listed;
        alignas(struct dirent) char buffer[1300];
        struct dirent* entry = reinterpret_cast<struct dirent*>(buffer);
        for (;;) {
          CYqError err;
          struct dirent* result = entry;
          if (reentrant)
            err = CYqUTFOSAPI::readdir_r(dir, entry, &result);
          else
            err = CYqUTFOSAPI::readdir(entry, dir);
          if (FXErrorUtil::IsWin32(err, 18) || result == nullptr) break;
          ASSERT_TRUE(err.Succeeded()) << err.AsString();
          const std::string utf8 = entry->d_name;
          if (utf8 == "." || utf8 == "..") continue;
          std::string back;
          ASSERT_TRUE(CYqUTFOSAPI::UTF8ToLocalEncoding(utf8.c_str(), back).Succeeded());
          listed.insert(back);
        }
        ::closedir(dir);
        EXPECT_EQ(native, listed);
      }
    }
  }
}

TEST(CYqUTFOSAPI, ReaddirLimitsTheNameLength) {
  CScopedLocale locale("C.UTF-8", false);
  CTempFolder folder;
  ASSERT_EQ(0,
            ::close(::open((folder / std::string(200, '\xFF')).c_str(), O_CREAT | O_WRONLY, 0644)));
  DIR* dir = nullptr;
  ASSERT_TRUE(CYqUTFOSAPI::opendir(&dir, folder.path().c_str()).Succeeded());
  alignas(struct dirent64) char buffer[1300];
  struct dirent64* entry = reinterpret_cast<struct dirent64*>(buffer);
  bool overflowed = false;
  for (;;) {
    const CYqError err = CYqUTFOSAPI::readdir(entry, dir);
    if (FXErrorUtil::IsWin32(err, 18)) break;
    if (FXErrorUtil::IsErrNo(err, EOVERFLOW)) overflowed = true;
  }
  EXPECT_TRUE(overflowed);  // 406 bytes in UTF-8
  ::rewinddir(dir);
  size_t longest = 0;
  struct dirent64* result = nullptr;
  while (CYqUTFOSAPI::readdir_r(dir, entry, &result).Succeeded() && result != nullptr)
    longest = std::max(longest, std::strlen(result->d_name));
  EXPECT_EQ(406u, longest);
  ::closedir(dir);
}
