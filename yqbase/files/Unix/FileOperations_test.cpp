#include "yqbase/files/FileOperations.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/FileData.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/files/YqFile.h"
#include "yqbase/strings/StringExtensions.h"

using yqbase_test::CScopedLocale;
using yqbase_test::CTempFolder;
using yqbase_test::HasText;
using yqbase_test::ReadNative;

namespace {

// The bytes of a file named in UTF-8, or "<none>".
std::string Content(const std::string& path) {
  return yqbase_test::ReadNative(TempFsUTF::utfToMbe(path.c_str(), nullptr));
}

void Write(const std::string& path, const std::string& content) {
  ASSERT_TRUE(CYqFile::WriteWholeFile(path, content).Succeeded());
}

bool IsOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

}  // namespace

TEST(FXFile, CreateFileDispositions) {
  struct {
    DWORD disposition;
    bool exists;
    int error;            // 0: success
    const char* content;  // afterwards; "<none>" when no file
    bool eexist;          // errno = EEXIST after success
  } const cases[] = {{CREATE_NEW, false, 0, "", false},
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
                     {6, false, EINVAL, "<none>", false}};
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
    EXPECT_EQ(c.error, err.Succeeded() ? 0 : FXErrorUtil::GetErrNo(err)) << err.AsString();
    // On success the old descriptor is closed and replaced; on failure it is kept.
    EXPECT_EQ(c.error == 0, before != handle.get());
    EXPECT_EQ(c.error != 0, IsOpen(before));
    EXPECT_TRUE(c.error != 0 || c.eexist == (error == EEXIST));
    EXPECT_TRUE(c.error != EINVAL ||
                HasText(err, "Unsupported disposition " + std::to_string(c.disposition)));
    EXPECT_EQ(c.content, Content(path));
  }
}

TEST(FXFile, CreateFileAccessModes) {
  CTempFolder folder;
  const std::string path = folder / "f";
  Write(path, "data");
  for (DWORD access : {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE}) {
    SCOPED_TRACE(access);
    auto_handle handle;
    ASSERT_TRUE(FXFile::ZKCreateFile(handle, path, access, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                    .Succeeded());
    char buffer[4];
    size_t done = 0;
    EXPECT_EQ((access & GENERIC_READ) != 0,
              FXFile::ZKReadFile(handle, buffer, sizeof buffer, &done, nullptr).Succeeded());
    EXPECT_EQ((access & GENERIC_WRITE) != 0,
              FXFile::ZKWriteFile(handle, "D", 1, &done, nullptr).Succeeded());
  }
  // New files get 0666 less the umask; security attributes of either type are ignored.
  const mode_t mask = ::umask(022);
  SECURITY_ATTRIBUTES attributes = {sizeof(SECURITY_ATTRIBUTES), nullptr, 0};
  auto_handle handle;
  void* opaque = &attributes;
  const bool created =
      FXFile::ZKCreateFile(folder / "new", GENERIC_WRITE, 0, &attributes, CREATE_NEW, 0, nullptr)
          .Succeeded() &&
      FXFile::ZKCreateFile(handle, folder / "new2", GENERIC_WRITE, 0, opaque, CREATE_NEW, 0,
                           nullptr)
          .Succeeded();
  ::umask(mask);
  ASSERT_TRUE(created);
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
  long long position = 0, size = 0;
  char buffer[16];
  ASSERT_TRUE(FXFile::ZKWriteFile(handle, "hello world", 11, &done, nullptr).Succeeded());
  EXPECT_EQ(11u, done);
  ASSERT_TRUE(FXFile::ZKSetFilePointer(handle, 6, SEEK_SET, &position).Succeeded());
  EXPECT_EQ(6, position);
  ASSERT_TRUE(FXFile::ZKReadFile(handle, buffer, sizeof buffer, &done, nullptr).Succeeded());
  EXPECT_EQ("world", std::string(buffer, done));
  ASSERT_TRUE(FXFile::ZKReadFile(handle, buffer, sizeof buffer, &done, nullptr).Succeeded());
  EXPECT_EQ(0u, done);
  ASSERT_TRUE(FXFile::ZKTruncateFile(handle, 5).Succeeded() &&
              FXFile::ZKFlushFileBuffers(handle).Succeeded() &&
              FXFile::ZKGetFileSize(path, size).Succeeded());
  EXPECT_EQ(5, size);
  size = 0;
  ASSERT_TRUE(FXFile::ZKGetFileSize(FXString::ToWstring(path), size).Succeeded());
  EXPECT_EQ(5, size);

  const auto_handle closed;
  const struct {
    CYqError err;
    int error;
    const char* text;
  } failures[] = {
      {FXFile::ZKReadFile(closed, buffer, 10, &done, nullptr), EBADF,
       "Couldn't read 10 bytes from file"},
      {FXFile::ZKWriteFile(closed, buffer, 10, &done, nullptr), EBADF,
       "Couldn't write 10 bytes to file"},
      {FXFile::ZKSetFilePointer(handle, -5, SEEK_SET, nullptr), EINVAL, "Couldn't seek to -5"},
      {FXFile::ZKFlushFileBuffers(closed), EBADF, "Couldn't flush file's buffers"},
      {FXFile::ZKTruncateFile(handle, -1), EINVAL, "Couldn't resize file to -1 bytes: "},
      {FXFile::ZKGetFileSize(folder / "none", size), ENOENT, "Couldn't stat "}};
  for (const auto& f : failures)
    EXPECT_TRUE(FXErrorUtil::IsErrNo(f.err, f.error) && HasText(f.err, f.text)) << f.err.AsString();
}

TEST(FXFile, FileTimesAndStreams) {
  CScopedLocale utf8("C.UTF-8", false);
  CTempFolder folder;
  const std::string path = folder / "t\xC3\xA9";
  Write(path, "x");
  time_t modify = 1300000000, m = 0;
  CTimeStamp stamp;
  ASSERT_TRUE(CYqFile::SetTimes(path.c_str(), &modify, &modify, nullptr).Succeeded());
  ASSERT_TRUE(FXFile::GetFileTimes(path, nullptr, &m, nullptr).Succeeded());
  EXPECT_EQ(modify, m);
  ASSERT_TRUE(
      FXFile::GetFileTimes(FXString::ToWstring(path), &stamp, nullptr, nullptr).Succeeded());
  EXPECT_EQ(CTimeStamp::FromPosixTime(modify).GetValue(), stamp.GetValue());
  const CYqError err = FXFile::GetFileTimes(folder / "none", &m, nullptr, nullptr);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, ENOENT) && HasText(err, "File stat failed"));

  auto_fileptr stream;
  ASSERT_TRUE(FXFile::zkfopen(stream, path, "r").Succeeded());
  ASSERT_TRUE(FXFile::zkfopen(stream, FXString::ToWstring(path), L"a").Succeeded());
  EXPECT_NE(nullptr, stream.get());
  EXPECT_TRUE(FXFile::zkfopen(stream, folder / "none/x", "r").Failed());
  EXPECT_EQ(nullptr, stream.get());  // the previous stream is closed first
}

TEST(FXFile, MoveFile) {
  CScopedLocale utf8("C.UTF-8", false);
  CTempFolder folder;
  const std::string a = folder / "a", b = folder / "b\xC3\xB6";
  Write(a, "A");
  Write(b, "B");
  CYqError err = FXFile::ZKMoveFileEx(a, b, 0);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, EEXIST) &&
              HasText(err, "Destination file (" + b + ") exists."));
  EXPECT_EQ("AB", Content(a) + Content(b));
  ASSERT_TRUE(FXFile::ZKMoveFileEx(FXString::ToWstring(a), FXString::ToWstring(b),
                                   MOVEFILE_REPLACE_EXISTING)
                  .Succeeded());
  EXPECT_EQ("<none>A", Content(a) + Content(b));
  err = FXFile::ZKMoveFileEx(a, folder / "c", 0);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, ENOENT) &&
              HasText(err, "Failed rename file (" + a + ") to (" + folder / "c" + ")."));
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
  EXPECT_TRUE(FXErrorUtil::IsErrNo(FXFile::ZKCopyFile(from, to, COPY_FILE_FAIL_IF_EXISTS), EEXIST));
  EXPECT_EQ("other", Content(to));
  ASSERT_TRUE(
      FXFile::ZKCopyFile(FXString::ToWstring(from), FXString::ToWstring(to), 0).Succeeded());
  EXPECT_TRUE(Content(to) == data);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(FXFile::ZKCopyFile(from, from, 0), EINVAL));
  EXPECT_TRUE(Content(from) == data);

  const struct {
    CYqError err;
    int error;
    std::string text;
  } failures[] = {
      {FXFile::ZKCopyFile(folder / "none", to, 0), ENOENT,
       "Couldn't open " + folder / "none" + " for reading"},
      {FXFile::ZKCopyFile(from, folder / "none/x", 0), ENOENT,
       "Couldn't open " + folder / "none/x" + " for writing"},
      {FXFile::ZKCopyFile(folder.path(), to, 0), EISDIR,  // a folder opens but cannot be read
       "Couldn't read 32768 bytes from " + folder.path()}};
  for (const auto& f : failures)
    EXPECT_TRUE(FXErrorUtil::IsErrNo(f.err, f.error) && HasText(f.err, f.text)) << f.err.AsString();
}

TEST(FXFile, RemoveAndExistence) {
  CScopedLocale utf8("C.UTF-8", false);
  CTempFolder folder;
  const std::string path = folder / "r\xC3\xA9";
  Write(path, "x");
  EXPECT_TRUE(FXFile::DoesFileExist(path) && FXFile::DoesFileExist(FXString::ToWstring(path)));
  EXPECT_FALSE(FXFile::IsVolumeUnc(path));
  ASSERT_TRUE(FXFile::RemoveFile(FXString::ToWstring(path)).Succeeded());
  EXPECT_FALSE(FXFile::DoesFileExist(path));
  CYqError err = FXFile::RemoveFile(path);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, ENOENT) && HasText(err, "unlink failed, FileName=" + path));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(FXFile::RemoveFile(folder.path()), EISDIR));

  CScopedLocale c("C", false);
  err = FXFile::RemoveFile(path);  // no native form in the C locale
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 774) && HasText(err, "FileName=" + path));
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
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, ENOTTY) &&
              HasText(err, "ioctl BLKSSZGET  failed for volume " + folder / "plain"))
      << err.AsString();
  EXPECT_EQ(1u, size);
  data.m_name = "none";
  EXPECT_TRUE(HasText(data.GetDeviceSize(size), "Open failed on " + folder / "none" + "."));

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

// The same sequence of operations in descriptor mode and in stream mode.
TEST(CYqFile, ReadWriteSeekSizeInBothModes) {
  CTempFolder folder;
  for (bool stream : {false, true}) {
    SCOPED_TRACE(stream ? "stream" : "descriptor");
    const std::string path = folder / (stream ? "stream" : "descriptor");
    CYqFile file;
    ASSERT_TRUE(
        (stream ? file.Open(path.c_str(), "w+b") : file.Open(path.c_str(), O_RDWR | O_CREAT, 0600))
            .Succeeded());
    EXPECT_TRUE(file.IsValid() && path == file.GetName().c_str());
    unsigned done = 0;
    ASSERT_TRUE(file.Write("0123456789", 10, &done).Succeeded());
    EXPECT_EQ(10u, done);
    unsigned long long size = 0;
    CYqFile::offset position = -1;
    bool eof = false;
    ASSERT_TRUE(file.Size(size).Succeeded() && file.Tell(position).Succeeded() &&
                file.IsEOF(eof).Succeeded());
    EXPECT_TRUE(size == 10 && position == 10 && eof);  // Size leaves the position where it was

    ASSERT_TRUE(file.Seek(-4, SEEK_END, &position).Succeeded() && file.IsEOF(eof).Succeeded());
    EXPECT_TRUE(position == 6 && !eof);
    char buffer[16] = {};
    unsigned atEnd = 1;
    ASSERT_TRUE(file.Read(buffer, sizeof buffer, &done).Succeeded() &&
                file.Read(buffer + done, sizeof buffer - done, &atEnd).Succeeded());
    EXPECT_EQ("6789", std::string(buffer, done));
    EXPECT_EQ(0u, atEnd);

    ASSERT_TRUE(file.Seek(3, SEEK_SET, nullptr).Succeeded() && file.Truncate(5).Succeeded() &&
                file.Tell(position).Succeeded() && file.Flush().Succeeded());
    EXPECT_EQ(3, position);
    EXPECT_EQ("01234", ReadNative(path));
    ASSERT_TRUE(file.Close().Succeeded());
    EXPECT_FALSE(file.IsValid());
  }
}

TEST(CYqFile, RelativeNamesBecomeAbsolute) {
  CTempFolder folder;
  std::string previous;
  ASSERT_EQ(0, TempFsUTF::getcwd_utf(previous));
  ASSERT_EQ(0, ::chdir(folder.path().c_str()));
  CYqFile file;
  const CYqError err = file.Open("rel", O_CREAT | O_WRONLY, 0600);
  EXPECT_EQ(0, ::chdir(previous.c_str()));
  ASSERT_TRUE(err.Succeeded());
  EXPECT_STREQ((folder / "rel").c_str(), file.GetName().c_str());
}

TEST(CYqFile, BadCallsAndClosedFiles) {
  CTempFolder folder;
  CYqFile file;
  const std::function<CYqError()> closed[] = {
      [&] { return file.Read(nullptr, 0, nullptr); }, [&] { return file.Write("x", 1, nullptr); },
      [&] { return file.Seek(0, SEEK_SET, nullptr); }, [&] { return file.Flush(); },
      [&] { return file.Detach(nullptr); }};
  for (const auto& call : closed) EXPECT_TRUE(FXErrorUtil::IsWin32(call(), 6));
  const CYqError bad[] = {file.Open(nullptr, "r"), file.Open("", "r"), file.Open("x", nullptr),
                          file.Open("x", "")};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_TRUE(FXErrorUtil::IsWin32(bad[i], 87)) << i;
    EXPECT_TRUE(HasText(
        bad[i], i < 2 ? "FileName cannot be NULL or empty" : "Mode cannot be NULL or empty"))
        << bad[i].AsString();
  }
  EXPECT_TRUE(file.Close().Succeeded());  // nothing open
  EXPECT_TRUE(FXErrorUtil::IsErrNo(file.Open((folder / "none/x").c_str(), O_RDONLY, 0), ENOENT));
  EXPECT_FALSE(file.IsValid());
}

// A failed write leaves the file open; a failed close still forgets it.
TEST(CYqFile, FailuresKeepOrForgetTheFile) {
  CTempFolder folder;
  const std::string path = folder / "ro";
  ASSERT_TRUE(CYqFile::WriteWholeFile(path, "abc").Succeeded());
  CYqFile file;
  ASSERT_TRUE(file.Open(path.c_str(), O_RDONLY, 0).Succeeded());
  unsigned done = 7;
  EXPECT_TRUE(FXErrorUtil::IsErrNo(file.Write("x", 1, &done), EBADF));
  EXPECT_EQ(0u, done);
  EXPECT_TRUE(file.Seek(-10, SEEK_SET, nullptr).Failed());
  EXPECT_TRUE(file.IsValid());
  ASSERT_EQ(0, ::close(file.GetFD()));  // behind the object's back
  EXPECT_TRUE(FXErrorUtil::IsErrNo(file.Close(), EBADF));
  EXPECT_FALSE(file.IsValid());
}

TEST(CYqFile, AttachAndDetach) {
  CTempFolder folder;
  const std::string path = folder / "a";
  const int fd = ::open(path.c_str(), O_CREAT | O_RDWR, 0600);
  ASSERT_GE(fd, 0);
  CYqFile file;
  ASSERT_TRUE(file.Attach(fd, path.c_str()).Succeeded());
  EXPECT_EQ(fd, file.GetFD());
  CYqString name;
  ASSERT_TRUE(file.Write("xy", 2, nullptr).Succeeded() && file.Detach(&name).Succeeded());
  EXPECT_TRUE(path == name.c_str() && !file.IsValid());
  EXPECT_EQ(1, ::write(fd, "z", 1));  // still open
  EXPECT_EQ(0, ::close(fd));
  EXPECT_EQ("xyz", ReadNative(path));
}

TEST(CYqFile, TimesAndModes) {
  CTempFolder folder;
  const std::string path = folder / "t";
  ASSERT_TRUE(CYqFile::WriteWholeFile(path, "t").Succeeded());
  time_t access = 1000000000, modify = 1100000000, newAccess = 1200000000, a = 0, m = 0, c = 0;
  ASSERT_TRUE(CYqFile::SetTimes(path.c_str(), &access, &modify, nullptr).Succeeded());
  ASSERT_TRUE(CYqFile::SetTimes(path.c_str(), &newAccess, nullptr, nullptr).Succeeded());
  ASSERT_TRUE(CYqFile::GetTimes(path.c_str(), &a, &m, &c).Succeeded());
  EXPECT_TRUE(a == newAccess && m == modify && c > 0);  // the modification time kept
  CTimeStamp stamp;
  ASSERT_TRUE(CYqFile::GetTimes(path.c_str(), nullptr, &stamp, nullptr).Succeeded());
  EXPECT_EQ(CTimeStamp::FromPosixTime(modify).GetValue(), stamp.GetValue());

  CYqFile file;
  ASSERT_TRUE(file.Open(path.c_str(), "r+").Succeeded());
  ASSERT_TRUE(file.SetTimes(nullptr, &access, nullptr).Succeeded());
  ASSERT_TRUE(file.GetTimes(&a, &m, nullptr).Succeeded());
  EXPECT_TRUE(a == newAccess && m == access);
  SYqFileStat st;
  ASSERT_TRUE(file.Chmod(0604).Succeeded() && CYqFile::Stat(path.c_str(), st).Succeeded());
  EXPECT_EQ(0604u, st.st_mode & 07777);
  ASSERT_TRUE(CYqFile::Chmod(path.c_str(), 0600).Succeeded() &&
              CYqFile::Stat(path.c_str(), st).Succeeded());
  EXPECT_EQ(0600u, st.st_mode & 07777);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(CYqFile::Stat((path + "/x").c_str(), st), ENOTDIR));
}

TEST(CYqFile, CopyAndWholeFiles) {
  CTempFolder folder;
  std::string data(3 * 65536 + 17, '\0');  // several blocks and a short one
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
  const std::string from = folder / "from", to = folder / "to";
  ASSERT_TRUE(CYqFile::WriteWholeFile(from, data).Succeeded());
  ASSERT_TRUE(CYqFile::WriteWholeFile(to, "old and longer than nothing").Succeeded());
  ASSERT_TRUE(CYqFile::Copy(from.c_str(), to.c_str()).Succeeded());
  std::string copy;
  ASSERT_TRUE(CYqFile::ReadWholeFile(to.c_str(), copy).Succeeded());
  EXPECT_TRUE(copy == data);
  char* bytes = nullptr;
  size_t size = 0;
  ASSERT_TRUE(CYqFile::ReadWholeFile(from.c_str(), &bytes, size).Succeeded());
  EXPECT_TRUE(std::string(bytes, size) == data);
  delete[] bytes;

  // Onto itself: refused, and the file keeps its content.
  EXPECT_TRUE(FXErrorUtil::IsErrNo(CYqFile::Copy(from.c_str(), from.c_str()), EINVAL));
  EXPECT_TRUE(ReadNative(from) == data);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(CYqFile::Copy((folder / "none").c_str(), to.c_str()), ENOENT));
}

TEST(CYqFile, ReadWholeFileFailures) {
  CTempFolder folder;
  const std::string empty = folder / "empty";
  ASSERT_TRUE(CYqFile::WriteWholeFile(empty, "").Succeeded());
  std::string content = "kept";
  CYqError err = CYqFile::ReadWholeFile(empty.c_str(), content);
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 4306) && HasText(err, "FileSize is <= 0"));
  EXPECT_EQ("kept", content);
  char* bytes = nullptr;
  size_t size = 0;
  EXPECT_TRUE(FXErrorUtil::IsWin32(CYqFile::ReadWholeFile(empty.c_str(), &bytes, size), 4306));
  EXPECT_EQ(nullptr, bytes);
  EXPECT_TRUE(FXErrorUtil::IsWin32(CYqFile::ReadWholeFile(empty.c_str(), nullptr, size), 87));
  EXPECT_TRUE(
      FXErrorUtil::IsErrNo(CYqFile::ReadWholeFile((folder / "x").c_str(), content), ENOENT));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(CYqFile::ReadWholeFile(folder.path().c_str(), content), EISDIR));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(CYqFile::WriteWholeFile(folder / "none/x", "x"), ENOENT));
}

TEST(CYqFile, Delete) {
  CTempFolder folder;
  const std::string file = folder / "ro", dangling = folder / "dangling", dir = folder / "dir";
  ASSERT_TRUE(yqbase_test::MakeFile(file));
  ASSERT_EQ(0, ::chmod(file.c_str(), 0444));
  EXPECT_TRUE(CYqFile::Delete(file.c_str(), DWORD(0)).Succeeded());
  EXPECT_EQ("<none>", ReadNative(file));
  EXPECT_TRUE(CYqFile::Delete(file.c_str(), true).Succeeded());  // missing: success
  // Straight to making the file writable, then unlink.
  ASSERT_TRUE(yqbase_test::MakeFile(file));
  EXPECT_TRUE(CYqFile::Delete(file.c_str(), DWORD(YQ_DELETE_NO_FIRST_UNLINK)).Succeeded());
  EXPECT_EQ("<none>", ReadNative(file));
  // A link that leads nowhere is deleted, not taken for missing.
  ASSERT_EQ(0, ::symlink("nowhere", dangling.c_str()));
  EXPECT_TRUE(CYqFile::Delete(dangling.c_str(), false).Succeeded());
  struct stat st;
  EXPECT_NE(0, ::lstat(dangling.c_str(), &st));
  // A folder is refused and keeps its mode.
  ASSERT_EQ(0, ::mkdir(dir.c_str(), 0750));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(CYqFile::Delete(dir.c_str(), DWORD(0)), EISDIR));
  ASSERT_EQ(0, ::stat(dir.c_str(), &st));
  EXPECT_EQ(0750u, st.st_mode & 07777);

  const CYqError null = CYqFile::Delete(nullptr, DWORD(0)), empty = CYqFile::Delete("", DWORD(0));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(null, EINVAL) && HasText(null, "FileName=(null)"));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(empty, EINVAL) && HasText(empty, "FileName=[]"));
  EXPECT_TRUE(CYqFile::EnableLongNamespace(dir.c_str()).Succeeded());
}
