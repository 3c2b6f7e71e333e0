// FXPath and CYqPath against the real file system, in a fresh temporary folder per test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <list>
#include <sstream>
#include <string>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/files/YqDirectory.h"
#include "yqbase/files/YqPath.h"
#include "yqbase/strings/StringExtensions.h"
#include "yqbase/threads/Threads_testutil.h"
#include "yqbase/volumes/ZkMntTab.h"

namespace {

// A fresh temporary folder, known by its resolved path; the working folder is restored.
class PathFs : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(m_folder.path().empty());
    char* real = realpath(m_folder.path().c_str(), nullptr);
    ASSERT_NE(real, nullptr);
    m_root = real;
    free(real);
    m_savedCwd = open(".", O_RDONLY | O_DIRECTORY);
    ASSERT_GE(m_savedCwd, 0);
  }
  void TearDown() override {
    if (m_savedCwd >= 0) {
      EXPECT_EQ(fchdir(m_savedCwd), 0);
      close(m_savedCwd);
    }
  }

  std::string At(const std::string& relative) const { return m_root + "/" + relative; }
  void MakeFolder(const std::string& relative) const {
    ASSERT_EQ(mkdir(At(relative).c_str(), 0700), 0) << relative;
  }
  void MakeFile(const std::string& relative) const {
    ASSERT_TRUE(yqbase_test::MakeFile(At(relative))) << relative;
  }
  void MakeLink(const std::string& relative, const std::string& target) const {
    ASSERT_EQ(symlink(target.c_str(), At(relative).c_str()), 0) << relative;
  }

  yqbase_test::CTempFolder m_folder;
  std::string m_root;
  int m_savedCwd = -1;
};

// Links with absolute and relative targets, links to links, links inside targets and ".."
// after links: every answer must be realpath's.
TEST_F(PathFs, MakeRealPathAgreesWithRealpath) {
  MakeFolder("d1");
  MakeFolder("d1/d2");
  MakeFile("d1/d2/file");
  MakeLink("abs", At("d1"));               // absolute target
  MakeLink("rel", "d1/d2");                // relative target
  MakeLink("d1/up", "../d1/d2");           // relative target climbing out
  MakeLink("chain2", At("abs") + "/d2");   // absolute target through a link
  MakeLink("chain1", "chain2");            // link to a link
  MakeLink("d1/d2/back", "../../rel");     // relative target reaching a link
  MakeLink("through", "abs/../rel/file");  // ".." after a link inside a target
  MakeLink("dotty", "./d1/./d2/.");
  MakeLink("tofile", "d1/d2/file");
  MakeLink("loop1", "loop2");
  MakeLink("loop2", "loop1");
  MakeLink("dangling", "missing");

  // Relative to the temporary folder; "/" stands for the folder itself.
  std::istringstream inputs(
      "d1/d2/file abs/d2/file rel/file d1/up/file chain1/file chain1 d1/d2/back/file through "
      "dotty/file abs/../abs/d2/./file rel/.. rel/../.. d1/up/../d2/../../rel abs//d2///file "
      "rel/file/ tofile tofile/ tofile/. tofile/.. loop1 loop1/x dangling d1/missing chain1/ "
      "d1/d2/back/back/back/file /");
  for (std::string input; inputs >> input;) {
    const std::string path = input == "/" ? m_root : At(input);
    SCOPED_TRACE(path);
    char* resolved = realpath(path.c_str(), nullptr);
    const int expectedError = resolved ? 0 : errno;
    const std::string expected = resolved ? resolved : "stale";
    free(resolved);
    std::string out = "stale";
    CYqError err = FXPath::MakeRealPath(path, out);
    EXPECT_EQ(expectedError, err.Succeeded() ? 0 : FXErrorUtil::GetErrNo(err)) << err.AsString();
    EXPECT_EQ(out, expected);
  }
}

TEST_F(PathFs, MakeRealPathOfRelativeAndRootPaths) {
  MakeFolder("d");
  MakeLink("l", "d");
  ASSERT_EQ(chdir(m_root.c_str()), 0);
  std::string out, root, root2;
  ASSERT_TRUE(FXPath::MakeRealPath("l/../l", out).Succeeded() &&
              FXPath::MakeRealPath("/", root).Succeeded() &&
              FXPath::MakeRealPath("//..//.", root2).Succeeded());
  EXPECT_EQ(out + " " + root + " " + root2, At("d") + " / /");
  EXPECT_TRUE(FXErrorUtil::IsWin32(FXPath::MakeRealPath("", out), 3));
}

TEST_F(PathFs, MakeRealPathTracesEachStepAtLevel3) {
  MakeFolder("d");
  MakeLink("l", "d");
  MakeLink("a", At("d"));
  std::vector<std::string> texts;
  {
    yqtest::CScopedCaptureLog capture;
    std::string out;
    ASSERT_TRUE(FXPath::MakeRealPath(At("l/../a"), out).Succeeded());
    EXPECT_EQ(out, At("d"));
    for (const yqtest::SLogLine& line : capture.Writer().Lines()) {
      EXPECT_EQ(line.level, 3);
      EXPECT_NE(line.function.find("FXPath::MakeRealPath"), std::string::npos) << line.function;
      texts.push_back(line.text);
    }
  }
  const std::string expected[] = {
      "path '" + At("l") + "' is a link",
      "path '" + At("l") + "' is a link to d",
      "will remove .. in path '" + At("d") + "'",
      "path '" + At("d") + "' not a link",
      "path '" + At("a") + "' is a link to " + At("d"),
      "changing to '" + At("d") + "'",
      "result path '" + At("d") + "'",
  };
  auto next = texts.begin();
  for (const std::string& line : expected) {
    next = std::find(next, texts.end(), line);
    EXPECT_NE(next, texts.end()) << "missing or out of order: " << line;
  }
}

TEST_F(PathFs, ReadLinkReturnsTargetsOfAnyLength) {
  // Targets around the first buffer size and far beyond it.
  for (size_t length : {1u, 511u, 512u, 513u, 1500u, 4000u}) {
    SCOPED_TRACE(length);
    std::string target(length, 'x');
    for (size_t i = 7; i < length; i += 8) target[i] = '/';
    const std::string link = At("l" + std::to_string(length));
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    std::string read;
    ASSERT_TRUE(FXPath::ReadLink(link, read).Succeeded());
    EXPECT_EQ(read, target);
  }
  MakeFile("plain");
  std::string read = "stale";
  EXPECT_EQ(FXErrorUtil::GetErrNo(FXPath::ReadLink(At("plain"), read)), EINVAL);
  EXPECT_EQ(read, "stale");
}

TEST_F(PathFs, MakeAbsolutePathFromCurrentFolder) {
  MakeFolder("sub");
  ASSERT_EQ(chdir(At("sub").c_str()), 0);
  struct Row {
    const char* in;
    std::string expected;
  };
  const Row rows[] = {{".", At("sub")},  {"./x", At("sub/x")},   {"x/../y", At("sub/y")},
                      {"../x", At("x")}, {"/abs/./p", "/abs/p"}, {"", At("sub")}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.in);
    std::string out;
    ASSERT_TRUE(FXPath::MakeAbsolutePath(row.in, out).Succeeded());
    EXPECT_EQ(out, row.expected);
  }
  std::string folder;
  ASSERT_TRUE(FXPath::GetCurrentFolder(folder).Succeeded());
  EXPECT_EQ(folder, At("sub"));
  std::wstring wideFolder, wideAbsolute;
  ASSERT_TRUE(FXPath::GetCurrentFolder(wideFolder).Succeeded());
  EXPECT_EQ(FXString::ToString(wideFolder), folder);
  ASSERT_TRUE(FXPath::MakeAbsolutePath(std::wstring(L"./x"), wideAbsolute).Succeeded());
  EXPECT_EQ(FXString::ToString(wideAbsolute), At("sub/x"));
  EXPECT_STREQ(CYqPath("x/y").AbsPath().c_str(), At("sub/x/y").c_str());
  EXPECT_STREQ(CYqPath::AbsPath("/q").c_str(), "/q");
}

// The current folder is found through every buffer size up to 65536 bytes, and a deeper one
// fails with the last size tried.
TEST_F(PathFs, GetCurrentFolderOfVeryDeepFolders) {
  ASSERT_EQ(chdir(m_root.c_str()), 0);
  const std::string name(250, 'd');
  std::string expected = m_root;
  int depth = 0;
  bool checkedLong = false;
  while (expected.size() < 66000) {
    ASSERT_EQ(mkdir(name.c_str(), 0700), 0);
    ASSERT_EQ(chdir(name.c_str()), 0);
    ++depth;
    expected += "/" + name;
    if (!checkedLong && expected.size() > 40000) {
      std::string folder;
      CYqError err = FXPath::GetCurrentFolder(folder);
      ASSERT_TRUE(err.Succeeded()) << err.AsString();
      EXPECT_EQ(folder, expected);
      checkedLong = true;
    }
  }
  std::string folder = "stale";
  CYqError err = FXPath::GetCurrentFolder(folder);
  EXPECT_EQ(FXErrorUtil::GetErrNo(err), ERANGE);
  EXPECT_NE(err.AsString().find("getcwd failed, BufferSize=65536"), std::string::npos)
      << err.AsString();
  EXPECT_EQ(folder, "stale");
  // Paths this deep are beyond the reach of a removal by path: climb out folder by folder.
  for (; depth > 0; --depth) {
    ASSERT_EQ(chdir(".."), 0);
    ASSERT_EQ(rmdir(name.c_str()), 0);
  }
}

// Names with bytes the locale may not decode reach the system and come back unchanged.
TEST_F(PathFs, NativeAndNormalPathsRoundTrip) {
  for (const std::string native : {"plain", "a\xFFz", "\xC3\xA9t\xC3\xA9", "\x80\x81"}) {
    SCOPED_TRACE(native);
    std::string normal, back;
    ASSERT_TRUE(FXPath::MakeNormalPath(native, normal).Succeeded());
    ASSERT_TRUE(FXPath::MakeNativePath(normal, back).Succeeded());
    EXPECT_EQ(back, native);
    // A file made under the native name is found under the normal one.
    MakeFile(native);
    EXPECT_TRUE(FXPath::DoesPathExist(m_root + "/" + normal));
    std::string inPlace = normal;
    ASSERT_TRUE(FXPath::MakeNativePath(inPlace).Succeeded());
    EXPECT_EQ(inPlace, native);
  }
  // Text that is not UTF-8 has no native form.
  std::string bad = "\xFF\xFE", out = "stale";
  EXPECT_TRUE(FXErrorUtil::IsWin32(FXPath::MakeNativePath(bad, out), 774));
  EXPECT_EQ(out, "stale");
  EXPECT_TRUE(FXPath::MakeNativePath(bad).Failed());
  EXPECT_EQ(bad, "\xFF\xFE");
}

// The shape questions of FXPath and CYqPath for each kind of object. Flags: "d" folder, "f"
// file, "l" link, "c" character device, "e" exists (links followed).
TEST_F(PathFs, ObjectTypes) {
  MakeFolder("dir");
  MakeFile("file");
  MakeLink("todir", "dir");
  MakeLink("dangling", "none");
  const std::pair<std::string, const char*> rows[] = {
      {At("dir"), "de"},   {At("file"), "fe"}, {At("todir"), "dle"}, {At("dangling"), "l"},
      {"/dev/null", "ce"}, {At("none"), ""},   {At("file/x"), ""}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.first);
    auto has = [&row](char flag) { return std::strchr(row.second, flag) != nullptr; };
    const char* name = row.first.c_str();
    const CYqPath path(name);
    const bool got[] = {
        path.IsDirectory(),         path.IsFile(),        path.IsLink(),
        path.IsCharDev(),           path.Exists(),        FXPath::DoesPathExist(row.first),
        CYqPath::IsDirectory(name), CYqPath::IsLink(name)};
    const char questions[] = "dflceedl";
    for (size_t i = 0; i < sizeof got; ++i) EXPECT_EQ(has(questions[i]), got[i]) << i;
    EXPECT_FALSE(path.IsBlockDev());
    bool answer = !has('l'), notFolder = has('d');
    EXPECT_TRUE(!(has('l') || has('e')) ||
                (CYqPath::IsLink(name, answer).Succeeded() && answer == has('l')));
    CYqError err = FXPath::DoesPathExist(row.first, notFolder);
    EXPECT_TRUE(has('e') ? err.Succeeded() && notFolder == !has('d')
                         : yqbase_test::HasText(err, "File=" + row.first))
        << err.AsString();
  }
  // A missing object: the bool& forms fail with errno and name the question and the path.
  const std::string missing = At("missing");
  bool answer = true;
  struct Question {
    CYqError (*ask)(const char*, bool&);
    const char* text;
  };
  const Question questions[] = {
      {&CYqPath::IsDirectory, "Failed to identify if name is directory, FileName="},
      {&CYqPath::IsLink, "Failed to identify if file is link, FileName="},
      {&CYqPath::IsBlockDev, "Failed to identify if file is block device, FileName="},
      {&CYqPath::IsCharDev, "Failed to identify if file is character device, FileName="},
  };
  for (const Question& question : questions) {
    SCOPED_TRACE(question.text);
    CYqError err = question.ask(missing.c_str(), answer);
    EXPECT_EQ(FXErrorUtil::GetErrNo(err), ENOENT);
    EXPECT_NE(err.AsString().find(question.text + missing), std::string::npos) << err.AsString();
  }
  ASSERT_TRUE(CYqPath::Exists(missing.c_str(), answer).Succeeded());
  EXPECT_FALSE(answer);
  EXPECT_TRUE(CYqPath(missing.c_str()).GrantDeletePermissionsEx("someone").Succeeded());
  EXPECT_TRUE(CYqPath(missing.c_str()).RevokeDeletePermissions("someone").Succeeded());
}

TEST_F(PathFs, VolumeUniqueIdShapes) {
  // Devices are their own volumes.
  const bool madeDevice = mknod(At("blk").c_str(), S_IFBLK | 0600, makedev(7, 200)) == 0;
  const std::pair<std::string, std::string> shapes[] = {
      {At("missing"), "{velkora-device-unknown}"},
      {"relative/x", "relative/x"},
      {"", ""},
      {"/dev/null", "/dev/null"},
      {madeDevice ? At("blk") : "", madeDevice ? At("blk") : ""}};
  std::string id;
  for (const auto& shape : shapes) {
    ASSERT_TRUE(FXPath::ZKGetVolumeUniqueId(shape.first, id).Succeeded()) << shape.first;
    EXPECT_EQ(id, shape.second);
  }

  // A folder's id: its device's numbers and the inode of its mount point.
  MakeFolder("dir");
  MakeFile("dir/file");
  std::string folderId;
  ASSERT_TRUE(FXPath::ZKGetVolumeUniqueId(At("dir"), folderId).Succeeded());
  unsigned int majorNumber = 0, minorNumber = 0;
  unsigned long long inode = 0;
  int consumed = 0;
  ASSERT_EQ(std::sscanf(folderId.c_str(), "{velkora-device-0%X-0%X-%llu}%n", &majorNumber,
                        &minorNumber, &inode, &consumed),
            3)
      << folderId;
  EXPECT_EQ(static_cast<size_t>(consumed), folderId.size()) << folderId;
  EXPECT_EQ(folderId, FXString::Format("{velkora-device-0%X-0%X-%llu}", majorNumber, minorNumber,
                                       inode));  // upper-case hexadecimal, no padding
  struct stat64 st;
  ASSERT_EQ(stat64(At("dir").c_str(), &st), 0);
  EXPECT_EQ(majorNumber, major(st.st_dev));
  EXPECT_EQ(minorNumber, minor(st.st_dev));
  std::list<ZkMntTab::Entry> volumes;
  ASSERT_TRUE(ZkMntTab::getAll(volumes).Succeeded());
  const ZkMntTab::Entry* volume = ZkMntTab::find(volumes, At("dir").c_str());
  ASSERT_NE(volume, nullptr);
  struct stat64 mountSt;
  ASSERT_EQ(lstat64(volume->mountPoint.c_str(), &mountSt), 0);
  EXPECT_EQ(inode, static_cast<unsigned long long>(mountSt.st_ino));

  // Everything on the same volume shares the id: files, trailing "/", links (taken as
  // themselves even when they point to another volume).
  MakeLink("toproc", "/proc/self");
  for (const std::string& other : {At("dir/file"), At("dir") + "/", At(""), At("toproc")}) {
    SCOPED_TRACE(other);
    ASSERT_TRUE(FXPath::ZKGetVolumeUniqueId(other, id).Succeeded());
    EXPECT_EQ(id, folderId);
  }
  ASSERT_TRUE(FXPath::ZKGetVolumeUniqueId("/proc/self/status", id).Succeeded());
  EXPECT_NE(id, folderId);
}

TEST_F(PathFs, VolumeNameForMountPoint) {
  std::string volume = "stale";
  for (const char* bad : {"", "relative"})
    EXPECT_TRUE(FXErrorUtil::IsWin32(FXPath::ZKGetVolumeNameForVolumeMountPoint(bad, volume), 160))
        << bad;
  EXPECT_TRUE(FXPath::ZKGetVolumeNameForVolumeMountPoint(At("missing"), volume).Failed());
  EXPECT_EQ(volume, "stale");

  MakeFolder("dir");
  MakeFile("dir/file");
  MakeLink("toproc", "/proc/self");
  std::list<ZkMntTab::Entry> volumes;
  ASSERT_TRUE(FXFolder::getLogicalVolumeList(volumes).Succeeded());
  // The answer is a listed mount point above the path, and no longer listed mount point
  // holds the resolved path.
  for (const std::string& path :
       {At("dir/file"), At("dir"), std::string("/"), std::string("/proc/self/status"),
        std::string("/proc"), At("toproc")}) {
    SCOPED_TRACE(path);
    std::string physical, plain, real;
    ASSERT_TRUE(FXPath::ZKGetVolumeNameForVolumeMountPoint(path, physical, true).Succeeded());
    ASSERT_TRUE(FXPath::ZKGetVolumeNameForVolumeMountPoint(path, plain).Succeeded());
    ASSERT_TRUE(FXPath::MakeRealPath(path, real).Succeeded());
    EXPECT_TRUE(FXPath::IsAncestorOf(physical, real, true)) << physical;
    const ZkMntTab::Entry* holder = ZkMntTab::find(volumes, real.c_str());
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(physical, holder->mountPoint);
    struct stat64 pathSt, mountSt;
    ASSERT_EQ(stat64(path.c_str(), &pathSt), 0);
    ASSERT_EQ(stat64(physical.c_str(), &mountSt), 0);
    EXPECT_TRUE(pathSt.st_dev != mountSt.st_dev || plain == physical) << plain;
  }
}

}  // namespace
