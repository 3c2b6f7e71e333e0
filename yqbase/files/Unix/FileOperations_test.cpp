#include "yqbase/files/FileOperations.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/FileData.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/files/YqFile.h"

using yqbase_test::CScopedLocale;
using yqbase_test::CTempFolder;
using yqbase_test::Widen;

namespace {

// The bytes of a file read natively, or "<none>".
std::string Content(const std::string& path) {
  FILE* f = ::fopen(TempFsUTF::utfToMbe(path.c_str(), nullptr).c_str(), "rb");
  if (f == nullptr) return "<none>";
  std::string content;
  char buffer[4096];
  size_t n;
  while ((n = ::fread(buffer, 1, sizeof buffer, f)) > 0) content.append(buffer, n);
  ::fclose(f);
  return content;
}

void Write(const std::string& path, const std::string& content) {
  ASSERT_TRUE(CYqFile::WriteWholeFile(path, content).Succeeded());
}

bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

bool HasText(const CYqError& err, const std::string& text) {
  return err.AsString().find(text) != std::string::npos;
}

}  // namespace

TEST(FXFile, CreateFileDispositions) {
  struct {
    DWORD disposition;
    bool exists;
    int error;            // 0: success
    const char* content;  // afterwards; "<none>" when no file
    bool eexist;          // errno = EEXIST after success
  } const cases[] = {
      {CREATE_NEW, false, 0, "", false},
      {CREATE_NEW, true, EEXIST, "old", false},
      {CREATE_ALWAYS, false, 0, "", false},
      {CREATE_ALWAYS, true, 0, "", true},
      {OPEN_EXISTING, false, ENOENT, "<none>", false},
      {OPEN_EXISTING, true, 0, "old", false},
      {OPEN_ALWAYS, false, 0, "", false},
      {OPEN_ALWAYS, true, 0, "old", true},
      {TRUNCATE_EXISTING, false, ENOENT, "<none>", false},
      {TRUNCATE_EXISTING, true, 0, "", false},
      {0, true, EINVAL, "old", false},
      {6, false, EINVAL, "<none>", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("disposition " + std::to_string(c.disposition) +
                 (c.exists ? " on an existing file" : " on a missing file"));
    CTempFolder folder;
    const std::string path = folder / "f";
    if (c.exists) Write(path, "old");
    auto_handle handle(::open(folder.path().c_str(), O_RDONLY));
    const int before = handle.get();
    errno = 0;
    const CYqError err = FXFile::ZKCreateFile(handle, path, GENERIC_READ | GENERIC_WRITE,
                                              FILE_SHARE_READ, nullptr, c.disposition, 0, nullptr);
    const int error = errno;
    if (c.error == 0) {
      ASSERT_TRUE(err.Succeeded()) << err.AsString();
      EXPECT_NE(before, handle.get());
      EXPECT_FALSE(IsOpen(before));  // the old descriptor was closed
      EXPECT_EQ(c.eexist, error == EEXIST);
    } else {
      EXPECT_TRUE(FXErrorUtil::IsErrNo(err, c.error)) << err.AsString();
      EXPECT_EQ(before, handle.get());  // unchanged
      EXPECT_TRUE(IsOpen(before));
    }
    if (c.error == EINVAL) {
      EXPECT_TRUE(HasText(err, "Unsupported disposition " + std::to_string(c.disposition)));
    }
    EXPECT_EQ(c.content, Content(path));
  }
}

TEST(FXFile, CreateFileAccessModes) {
  CTempFolder folder;
  const std::string path = folder / "f";
  Write(path, "data");
  struct {
    DWORD access;
    bool canRead, canWrite;
  } const cases[] = {
      {GENERIC_READ, true, false},
      {GENERIC_WRITE, false, true},
      {GENERIC_READ | GENERIC_WRITE, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.access);
    auto_handle handle;
    ASSERT_TRUE(FXFile::ZKCreateFile(handle, path, c.access, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                    .Succeeded());
    char buffer[4];
    size_t done = 0;
    EXPECT_EQ(c.canRead,
              FXFile::ZKReadFile(handle, buffer, sizeof buffer, &done, nullptr).Succeeded());
    EXPECT_EQ(c.canWrite, FXFile::ZKWriteFile(handle, "D", 1, &done, nullptr).Succeeded());
  }
  // New files get 0666 less the umask; security attributes of either type are ignored.
  const mode_t mask = ::umask(022);
  SECURITY_ATTRIBUTES attributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, 0};
  ASSERT_TRUE(
      FXFile::ZKCreateFile(folder / "new", GENERIC_WRITE, 0, &attributes, CREATE_NEW, 0, nullptr)
          .Succeeded());
  auto_handle handle;
  void* opaque = &attributes;
  ASSERT_TRUE(FXFile::ZKCreateFile(handle, folder / "new2", GENERIC_WRITE, 0, opaque, CREATE_NEW, 0,
                                   nullptr)
                  .Succeeded());
  ::umask(mask);
  struct stat st;
  ASSERT_EQ(0, ::stat((folder / "new").c_str(), &st));
  EXPECT_EQ(0644u, st.st_mode & 07777);
}

TEST(FXFile, DescriptorOperations) {
  CTempFolder folder;
  const std::string path = folder / "f";
  auto_handle handle;
  ASSERT_TRUE(FXFile::ZKCreateFile(handle, path, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   CREATE_NEW, 0, nullptr)
                  .Succeeded());
  size_t done = 0;
  ASSERT_TRUE(FXFile::ZKWriteFile(handle, "hello world", 11, &done, nullptr).Succeeded());
  EXPECT_EQ(11u, done);
  long long position = 0;
  ASSERT_TRUE(FXFile::ZKSetFilePointer(handle, 6, SEEK_SET, &position).Succeeded());
  EXPECT_EQ(6, position);
  char buffer[16];
  ASSERT_TRUE(FXFile::ZKReadFile(handle, buffer, sizeof buffer, &done, nullptr).Succeeded());
  EXPECT_EQ("world", std::string(buffer, done));
  ASSERT_TRUE(FXFile::ZKReadFile(handle, buffer, sizeof buffer, &done, nullptr).Succeeded());
  EXPECT_EQ(0u, done);
  ASSERT_TRUE(FXFile::ZKTruncateFile(handle, 5).Succeeded());
  ASSERT_TRUE(FXFile::ZKFlushFileBuffers(handle).Succeeded());
  long long size = 0;
  ASSERT_TRUE(FXFile::ZKGetFileSize(path, size).Succeeded());
  EXPECT_EQ(5, size);
  ASSERT_TRUE(FXFile::ZKGetFileSize(Widen(path), size).Succeeded());
  EXPECT_EQ(5, size);

  const auto_handle closed;
  struct {
    const char* what;
    CYqError err;
    int error;
    const char* text;
  } const failures[] = {
      {"read", FXFile::ZKReadFile(closed, buffer, 10, &done, nullptr), EBADF,
       "Couldn't read 10 bytes from file"},
      {"write", FXFile::ZKWriteFile(closed, buffer, 10, &done, nullptr), EBADF,
       "Couldn't write 10 bytes to file"},
      {"seek", FXFile::ZKSetFilePointer(handle, -5, SEEK_SET, nullptr), EINVAL,
       "Couldn't seek to -5"},
      {"flush", FXFile::ZKFlushFileBuffers(closed), EBADF, "Couldn't flush file's buffers"},
      {"truncate", FXFile::ZKTruncateFile(handle, -1), EINVAL,
       "Couldn't resize file to -1 bytes: "},
      {"size", FXFile::ZKGetFileSize(folder / "none", size), ENOENT, "Couldn't stat "},
  };
  for (const auto& f : failures) {
    SCOPED_TRACE(f.what);
    EXPECT_TRUE(FXErrorUtil::IsErrNo(f.err, f.error)) << f.err.AsString();
    EXPECT_TRUE(HasText(f.err, f.text)) << f.err.AsString();
  }
}

TEST(FXFile, FileTimesAndStreams) {
  CScopedLocale utf8("C.UTF-8", false);
  CTempFolder folder;
  const std::string path = folder / "t\xC3\xA9";
  Write(path, "x");
  time_t modify = 1300000000;
  ASSERT_TRUE(CYqFile::SetTimes(path.c_str(), &modify, &modify, nullptr).Succeeded());
  time_t m = 0;
  ASSERT_TRUE(FXFile::GetFileTimes(path, nullptr, &m, nullptr).Succeeded());
  EXPECT_EQ(modify, m);
  CTimeStamp stamp;
  ASSERT_TRUE(FXFile::GetFileTimes(Widen(path), &stamp, nullptr, nullptr).Succeeded());
  EXPECT_EQ(CTimeStamp::FromPosixTime(modify).GetValue(), stamp.GetValue());
  const CYqError err = FXFile::GetFileTimes(folder / "none", &m, nullptr, nullptr);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, ENOENT));
  EXPECT_TRUE(HasText(err, "File stat failed"));

  auto_fileptr stream;
  ASSERT_TRUE(FXFile::zkfopen(stream, path, "r").Succeeded());
  FILE* first = stream.get();
  ASSERT_TRUE(FXFile::zkfopen(stream, Widen(path), L"a").Succeeded());
  EXPECT_NE(nullptr, stream.get());
  EXPECT_TRUE(FXFile::zkfopen(stream, folder / "none/x", "r").Failed());
  EXPECT_EQ(nullptr, stream.get());  // the previous stream is closed first
  (void)first;
}

TEST(FXFile, MoveFile) {
  CScopedLocale utf8("C.UTF-8", false);
  CTempFolder folder;
  const std::string a = folder / "a", b = folder / "b\xC3\xB6";
  Write(a, "A");
  Write(b, "B");
  CYqError err = FXFile::ZKMoveFileEx(a, b, 0);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, EEXIST));
  EXPECT_TRUE(HasText(err, "Destination file (" + b + ") exists."));
  EXPECT_EQ("A", Content(a));
  EXPECT_EQ("B", Content(b));
  ASSERT_TRUE(FXFile::ZKMoveFileEx(Widen(a), Widen(b), MOVEFILE_REPLACE_EXISTING).Succeeded());
  EXPECT_EQ("<none>", Content(a));
  EXPECT_EQ("A", Content(b));
  err = FXFile::ZKMoveFileEx(a, folder / "c", 0);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, ENOENT));
  EXPECT_TRUE(HasText(err, "Failed rename file (" + a + ") to (" + folder / "c" + ")."));
}

TEST(FXFile, CopyFile) {
  CTempFolder folder;
  std::string data(100000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  const std::string from = folder / "from", to = folder / "to";
  Write(from, data);
  ASSERT_EQ(0, ::chmod(from.c_str(), 0640));
  const mode_t mask = ::umask(0);
  const CYqError copied = FXFile::ZKCopyFile(from, to, 0);
  ::umask(mask);
  ASSERT_TRUE(copied.Succeeded()) << copied.AsString();
  EXPECT_TRUE(Content(to) == data);
  struct stat st;
  ASSERT_EQ(0, ::stat(to.c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 07777);

  Write(to, "other");
  CYqError err = FXFile::ZKCopyFile(from, to, COPY_FILE_FAIL_IF_EXISTS);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, EEXIST));
  EXPECT_EQ("other", Content(to));
  ASSERT_TRUE(FXFile::ZKCopyFile(Widen(from), Widen(to), 0).Succeeded());
  EXPECT_TRUE(Content(to) == data);

  err = FXFile::ZKCopyFile(from, from, 0);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, EINVAL));
  EXPECT_TRUE(Content(from) == data);
  err = FXFile::ZKCopyFile(folder / "none", to, 0);
  EXPECT_TRUE(HasText(err, "Couldn't open " + folder / "none" + " for reading"));
  err = FXFile::ZKCopyFile(from, folder / "none/x", 0);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, ENOENT));
  EXPECT_TRUE(HasText(err, "Couldn't open " + folder / "none/x" + " for writing"));
  err = FXFile::ZKCopyFile(folder.path(), to, 0);  // a folder opens but cannot be read
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, EISDIR));
  EXPECT_TRUE(HasText(err, "Couldn't read 32768 bytes from " + folder.path()));
}

TEST(FXFile, RemoveAndExistence) {
  CScopedLocale utf8("C.UTF-8", false);
  CTempFolder folder;
  const std::string path = folder / "r\xC3\xA9";
  Write(path, "x");
  EXPECT_TRUE(FXFile::DoesFileExist(path));
  EXPECT_TRUE(FXFile::DoesFileExist(Widen(path)));
  EXPECT_FALSE(FXFile::IsVolumeUnc(path));
  ASSERT_TRUE(FXFile::RemoveFile(Widen(path)).Succeeded());
  EXPECT_FALSE(FXFile::DoesFileExist(path));
  CYqError err = FXFile::RemoveFile(path);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, ENOENT));
  EXPECT_TRUE(HasText(err, "unlink failed, FileName=" + path));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(FXFile::RemoveFile(folder.path()), EISDIR));

  CScopedLocale c("C", false);
  err = FXFile::RemoveFile(path);  // no native form in the C locale
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 774));
  EXPECT_TRUE(HasText(err, "FileName=" + path));
}

TEST(auto_handle, OwnsOneDescriptor) {
  const int a = ::open("/dev/null", O_RDONLY), b = ::open("/dev/null", O_RDONLY);
  {
    auto_handle handle(a);
    handle.reset(a);  // the same descriptor stays open
    EXPECT_TRUE(IsOpen(a));
    handle.reset(b);
    EXPECT_FALSE(IsOpen(a));
    auto_handle moved(std::move(handle));
    EXPECT_FALSE(handle.IsValid());
    EXPECT_EQ(b, moved.get());
  }
  EXPECT_FALSE(IsOpen(b));
  auto_handle kept(::open("/dev/null", O_RDONLY));
  const int fd = kept.release();
  EXPECT_TRUE(IsOpen(fd));
  ::close(fd);

  auto_fileptr stream(::fopen("/dev/null", "r"));
  EXPECT_TRUE(stream.IsValid());
  stream.reset();
  EXPECT_FALSE(stream.IsValid());
}

TEST(CFileData, DeviceSize) {
  CTempFolder folder;
  Write(folder / "plain", "x");
  FXFile::CFileData data;
  data.m_folder = folder.path();
  data.m_name = "plain";
  EXPECT_EQ(folder / "plain", data.GetFullPath());
  unsigned long long size = 1;
  CYqError err = data.GetDeviceSize(size);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, ENOTTY)) << err.AsString();
  EXPECT_TRUE(HasText(err, "ioctl BLKSSZGET  failed for volume " + folder / "plain"));
  EXPECT_EQ(1u, size);
  data.m_name = "none";
  err = data.GetDeviceSize(size);
  EXPECT_TRUE(HasText(err, "Open failed on " + folder / "none" + "."));

  // A block device, where the machine has one we may open.
  data.m_folder = "/dev/";
  data.m_name = "/loop0";
  struct stat st;
  if (::stat("/dev/loop0", &st) != 0 || !S_ISBLK(st.st_mode) || ::access("/dev/loop0", R_OK) != 0)
    GTEST_SKIP() << "no readable block device";
  EXPECT_EQ("/dev/loop0", data.GetFullPath());
  err = data.GetDeviceSize(size);
  if (err.Failed()) GTEST_SKIP() << err.AsString();
  int blockSize = 0;
  const int fd = ::open("/dev/loop0", O_RDONLY);
  ASSERT_EQ(0, ::ioctl(fd, BLKBSZGET, &blockSize));
  ::close(fd);
  EXPECT_EQ(0u, size % static_cast<unsigned>(blockSize));
}
