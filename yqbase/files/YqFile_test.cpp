#include "yqbase/files/YqFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Files_testutil.h"

using yqbase_test::CTempFolder;

namespace {

std::string Pattern(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
  return data;
}

std::string ReadNative(const std::string& path) {
  std::string content;
  FILE* f = ::fopen(path.c_str(), "rb");
  if (f == nullptr) return "<missing>";
  char buffer[4096];
  size_t n;
  while ((n = ::fread(buffer, 1, sizeof buffer, f)) > 0) content.append(buffer, n);
  ::fclose(f);
  return content;
}

bool HasText(const CYqError& err, const std::string& text) {
  return err.AsString().find(text) != std::string::npos;
}

}  // namespace

// The same sequence of operations in descriptor mode and in stream mode.
TEST(CYqFile, ReadWriteSeekSizeInBothModes) {
  CTempFolder folder;
  const std::function<CYqError(CYqFile&, const std::string&)> opens[] = {
      [](CYqFile& f, const std::string& p) { return f.Open(p.c_str(), O_RDWR | O_CREAT, 0600); },
      [](CYqFile& f, const std::string& p) { return f.Open(p.c_str(), "w+b"); },
  };
  int index = 0;
  for (const auto& open : opens) {
    SCOPED_TRACE(index == 0 ? "descriptor" : "stream");
    const std::string path = folder / ("file" + std::to_string(index++));
    CYqFile file;
    ASSERT_TRUE(open(file, path).Succeeded());
    EXPECT_TRUE(file.IsValid());
    EXPECT_STREQ(path.c_str(), file.GetName().c_str());

    unsigned done = 0;
    ASSERT_TRUE(file.Write("0123456789", 10, &done).Succeeded());
    EXPECT_EQ(10u, done);
    unsigned long long size = 0;
    CYqFile::offset position = -1;
    ASSERT_TRUE(file.Size(size).Succeeded());
    EXPECT_EQ(10u, size);
    ASSERT_TRUE(file.Tell(position).Succeeded());
    EXPECT_EQ(10, position);  // Size leaves the position where it was
    bool eof = false;
    ASSERT_TRUE(file.IsEOF(eof).Succeeded());
    EXPECT_TRUE(eof);

    ASSERT_TRUE(file.Seek(-4, SEEK_END, &position).Succeeded());
    EXPECT_EQ(6, position);
    ASSERT_TRUE(file.IsEOF(eof).Succeeded());
    EXPECT_FALSE(eof);
    char buffer[16] = {};
    ASSERT_TRUE(file.Read(buffer, sizeof buffer, &done).Succeeded());
    EXPECT_EQ(4u, done);
    EXPECT_EQ("6789", std::string(buffer, done));
    ASSERT_TRUE(file.Read(buffer, sizeof buffer, &done).Succeeded());  // at the end
    EXPECT_EQ(0u, done);

    ASSERT_TRUE(file.Seek(3, SEEK_SET, nullptr).Succeeded());
    ASSERT_TRUE(file.Truncate(5).Succeeded());
    ASSERT_TRUE(file.Tell(position).Succeeded());
    EXPECT_EQ(3, position);
    ASSERT_TRUE(file.Flush().Succeeded());
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
  struct {
    const char* what;
    std::function<CYqError()> call;
    DWORD code;
    const char* text;
  } const cases[] = {
      {"null name", [&] { return file.Open(nullptr, "r"); }, 87,
       "FileName cannot be NULL or empty"},
      {"empty name", [&] { return file.Open("", "r"); }, 87, "FileName cannot be NULL or empty"},
      {"null mode", [&] { return file.Open("x", nullptr); }, 87, "Mode cannot be NULL or empty"},
      {"empty mode", [&] { return file.Open("x", ""); }, 87, "Mode cannot be NULL or empty"},
      {"read closed", [&] { return file.Read(nullptr, 0, nullptr); }, 6, ""},
      {"write closed", [&] { return file.Write("x", 1, nullptr); }, 6, ""},
      {"seek closed", [&] { return file.Seek(0, SEEK_SET, nullptr); }, 6, ""},
      {"flush closed", [&] { return file.Flush(); }, 6, ""},
      {"detach closed", [&] { return file.Detach(nullptr); }, 6, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const CYqError err = c.call();
    EXPECT_TRUE(FXErrorUtil::IsWin32(err, c.code)) << err.AsString();
    EXPECT_TRUE(HasText(err, c.text)) << err.AsString();
  }
  EXPECT_TRUE(file.Close().Succeeded());  // nothing open

  const CYqError missing = file.Open((folder / "none/x").c_str(), O_RDONLY, 0);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(missing, ENOENT));
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
  EXPECT_TRUE(file.IsValid());
  EXPECT_TRUE(file.Seek(-10, SEEK_SET, nullptr).Failed());
  EXPECT_TRUE(file.IsValid());

  const int fd = file.GetFD();
  ASSERT_EQ(0, ::close(fd));  // behind the object's back
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
  ASSERT_TRUE(file.Write("xy", 2, nullptr).Succeeded());
  CYqString name;
  ASSERT_TRUE(file.Detach(&name).Succeeded());
  EXPECT_STREQ(path.c_str(), name.c_str());
  EXPECT_FALSE(file.IsValid());
  EXPECT_EQ(1, ::write(fd, "z", 1));  // still open
  EXPECT_EQ(0, ::close(fd));
  EXPECT_EQ("xyz", ReadNative(path));
}

TEST(CYqFile, TimesAndModes) {
  CTempFolder folder;
  const std::string path = folder / "t";
  ASSERT_TRUE(CYqFile::WriteWholeFile(path, "t").Succeeded());
  time_t access = 1000000000, modify = 1100000000;
  ASSERT_TRUE(CYqFile::SetTimes(path.c_str(), &access, &modify, nullptr).Succeeded());
  time_t newAccess = 1200000000;
  ASSERT_TRUE(CYqFile::SetTimes(path.c_str(), &newAccess, nullptr, nullptr).Succeeded());
  time_t a = 0, m = 0, c = 0;
  ASSERT_TRUE(CYqFile::GetTimes(path.c_str(), &a, &m, &c).Succeeded());
  EXPECT_EQ(newAccess, a);
  EXPECT_EQ(modify, m);  // kept
  EXPECT_GT(c, 0);
  CTimeStamp stamp;
  ASSERT_TRUE(CYqFile::GetTimes(path.c_str(), nullptr, &stamp, nullptr).Succeeded());
  EXPECT_EQ(CTimeStamp::FromPosixTime(modify).GetValue(), stamp.GetValue());

  CYqFile file;
  ASSERT_TRUE(file.Open(path.c_str(), "r+").Succeeded());
  ASSERT_TRUE(file.SetTimes(nullptr, &access, nullptr).Succeeded());
  ASSERT_TRUE(file.GetTimes(&a, &m, nullptr).Succeeded());
  EXPECT_EQ(newAccess, a);
  EXPECT_EQ(access, m);
  ASSERT_TRUE(file.Chmod(0604).Succeeded());
  SYqFileStat st;
  ASSERT_TRUE(CYqFile::Stat(path.c_str(), st).Succeeded());
  EXPECT_EQ(0604u, st.st_mode & 07777);
  ASSERT_TRUE(CYqFile::Chmod(path.c_str(), 0600).Succeeded());
  ASSERT_TRUE(CYqFile::Stat(path.c_str(), st).Succeeded());
  EXPECT_EQ(0600u, st.st_mode & 07777);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(CYqFile::Stat((path + "/x").c_str(), st), ENOTDIR));
}

TEST(CYqFile, CopyAndWholeFiles) {
  CTempFolder folder;
  const std::string data = Pattern(3 * 65536 + 17);  // several blocks and a short one
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
  EXPECT_EQ(data.size(), size);
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
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 4306));
  EXPECT_TRUE(HasText(err, "FileSize is <= 0"));
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
  const std::string file = folder / "ro";
  ASSERT_TRUE(CYqFile::WriteWholeFile(file, "x").Succeeded());
  ASSERT_EQ(0, ::chmod(file.c_str(), 0444));
  EXPECT_TRUE(CYqFile::Delete(file.c_str(), DWORD(0)).Succeeded());
  EXPECT_NE(0, ::access(file.c_str(), F_OK));
  EXPECT_TRUE(CYqFile::Delete(file.c_str(), true).Succeeded());  // missing: success

  // Straight to making the file writable, then unlink.
  ASSERT_TRUE(CYqFile::WriteWholeFile(file, "x").Succeeded());
  EXPECT_TRUE(CYqFile::Delete(file.c_str(), DWORD(YQ_DELETE_NO_FIRST_UNLINK)).Succeeded());
  EXPECT_NE(0, ::access(file.c_str(), F_OK));

  // A link that leads nowhere is deleted, not taken for missing.
  const std::string dangling = folder / "dangling";
  ASSERT_EQ(0, ::symlink("nowhere", dangling.c_str()));
  EXPECT_TRUE(CYqFile::Delete(dangling.c_str(), false).Succeeded());
  struct stat st;
  EXPECT_NE(0, ::lstat(dangling.c_str(), &st));

  // A folder is refused and keeps its mode.
  const std::string dir = folder / "dir";
  ASSERT_EQ(0, ::mkdir(dir.c_str(), 0750));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(CYqFile::Delete(dir.c_str(), DWORD(0)), EISDIR));
  ASSERT_EQ(0, ::stat(dir.c_str(), &st));
  EXPECT_EQ(0750u, st.st_mode & 07777);

  CYqError err = CYqFile::Delete(nullptr, DWORD(0));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, EINVAL));
  EXPECT_TRUE(HasText(err, "FileName=(null)"));
  err = CYqFile::Delete("", DWORD(0));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, EINVAL));
  EXPECT_TRUE(HasText(err, "FileName=[]"));
  EXPECT_TRUE(CYqFile::EnableLongNamespace(dir.c_str()).Succeeded());
}
