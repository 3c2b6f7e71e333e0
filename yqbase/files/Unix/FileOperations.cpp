#include "yqbase/files/FileOperations.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/FileData.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/files/YqPath.h"
#include "yqbase/files/utfFsUtils.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/StringExtensions.h"

namespace {

constexpr size_t kCopyBuffer = 32768;

// The UTF-8 form of a wide (UTF-32) name, with the caller's location on failure.
CYqError Narrow(const FXCodeLocation& location, const std::wstring& wide, std::string& utf8) {
  CYqError error = FXString::UnicodeToUTF8(wide, utf8);
  if (error.Failed()) error.Push(location);
  return error;
}

// A read or write that is retried when a signal interrupts it.
ssize_t ReadRetrying(int fd, void* buffer, size_t size) {
  ssize_t n;
  do n = ::read(fd, buffer, size);
  while (n < 0 && errno == EINTR);
  return n;
}

ssize_t WriteRetrying(int fd, const void* buffer, size_t size) {
  ssize_t n;
  do n = ::write(fd, buffer, size);
  while (n < 0 && errno == EINTR);
  return n;
}

}  // namespace

void auto_handle::reset(int fd) {
  if (m_fd >= 0 && m_fd != fd) ::close(m_fd);
  m_fd = fd;
}

void auto_fileptr::reset(FILE* stream) {
  if (m_stream != nullptr && m_stream != stream) ::fclose(m_stream);
  m_stream = stream;
}

// ---- creating and opening ------------------------------------------------------------------

CYqError FXFile::ZKCreateFile(auto_handle& handle, const std::string& name, DWORD access, DWORD,
                              LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD, HANDLE) {
  int flags = O_RDONLY;
  if ((access & (GENERIC_READ | GENERIC_WRITE)) == (GENERIC_READ | GENERIC_WRITE))
    flags = O_RDWR;
  else if ((access & GENERIC_READ) == 0 && (access & GENERIC_WRITE) != 0)
    flags = O_WRONLY;
  int fd = -1;
  bool existed = false;
  CYqError err;
  switch (disposition) {
    case CREATE_NEW:
      err = CYqUTFOSAPI::open(&fd, name.c_str(), flags | O_CREAT | O_EXCL, 0666);
      break;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS: {
      const int truncate = disposition == CREATE_ALWAYS ? O_TRUNC : 0;
      err = CYqUTFOSAPI::open(&fd, name.c_str(), flags | truncate, 0666);
      existed = err.Succeeded();
      if (!existed) err = CYqUTFOSAPI::open(&fd, name.c_str(), flags | truncate | O_CREAT, 0666);
      break;
    }
    case OPEN_EXISTING:
      err = CYqUTFOSAPI::open(&fd, name.c_str(), flags, 0666);
      break;
    case TRUNCATE_EXISTING:
      err = CYqUTFOSAPI::open(&fd, name.c_str(), flags | O_TRUNC, 0666);
      break;
    default:
      return FXErrorUtil::ErrorErrNo(YQ_LOC, EINVAL, "Unsupported disposition %d",
                                     static_cast<int>(disposition));
  }
  if (err.Failed()) return err.Push(YQ_LOC);
  handle.reset(fd);
  // Windows callers learn from ERROR_ALREADY_EXISTS that the file was there before.
  if (existed) errno = EEXIST;
  return CYqError();
}

CYqError FXFile::ZKCreateFile(auto_handle& handle, const std::string& name, DWORD access,
                              DWORD share, void* security, DWORD disposition, DWORD flags,
                              HANDLE templ) {
  CYqError err =
      ZKCreateFile(handle, name, access, share, static_cast<LPSECURITY_ATTRIBUTES>(security),
                   disposition, flags, templ);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError FXFile::ZKCreateFile(auto_handle& handle, const std::string& name, DWORD access,
                              DWORD share, std::nullptr_t, DWORD disposition, DWORD flags,
                              HANDLE templ) {
  CYqError err =
      ZKCreateFile(handle, name, access, share, LPSECURITY_ATTRIBUTES(), disposition, flags, templ);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError FXFile::ZKCreateFile(const std::string& name, DWORD access, DWORD share,
                              LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                              HANDLE templ) {
  auto_handle handle;
  CYqError err = ZKCreateFile(handle, name, access, share, security, disposition, flags, templ);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError FXFile::ZKCreateFile(auto_handle& handle, const std::wstring& name, DWORD access,
                              DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                              DWORD flags, HANDLE templ) {
  std::string utf8;
  CYqError err = Narrow(YQ_LOC, name, utf8);
  if (err.Succeeded())
    err = ZKCreateFile(handle, utf8, access, share, security, disposition, flags, templ);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

// ---- descriptor operations -----------------------------------------------------------------

CYqError FXFile::ZKReadFile(const auto_handle& handle, void* buffer, size_t size, size_t* done,
                            void*) {
  if (done != nullptr) *done = 0;
  const ssize_t n = ReadRetrying(handle.get(), buffer, size);
  if (n < 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Couldn't read %d bytes from file",
                                   static_cast<int>(size));
  if (done != nullptr) *done = static_cast<size_t>(n);
  return CYqError();
}

CYqError FXFile::ZKWriteFile(const auto_handle& handle, const void* buffer, size_t size,
                             size_t* done, void*) {
  if (done != nullptr) *done = 0;
  const ssize_t n = WriteRetrying(handle.get(), buffer, size);
  if (n < 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Couldn't write %d bytes to file",
                                   static_cast<int>(size));
  if (done != nullptr) *done = static_cast<size_t>(n);
  return CYqError();
}

CYqError FXFile::ZKSetFilePointer(const auto_handle& handle, long long distance, int whence,
                                  long long* newPosition) {
  const off64_t position = ::lseek64(handle.get(), distance, whence);
  if (position < 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Couldn't seek to %lld", distance);
  if (newPosition != nullptr) *newPosition = position;
  return CYqError();
}

CYqError FXFile::ZKFlushFileBuffers(const auto_handle& handle) {
  if (::fsync(handle.get()) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Couldn't flush file's buffers");
  return CYqError();
}

CYqError FXFile::ZKTruncateFile(const auto_handle& handle, long long size) {
  if (::ftruncate64(handle.get(), size) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Couldn't resize file to %lld bytes: ", size);
  return CYqError();
}

// ---- operations on names -------------------------------------------------------------------

CYqError FXFile::ZKGetFileSize(const std::string& name, long long& size) {
  struct stat64 st;
  if (TempFsUTF::stat_utf(name.c_str(), &st) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Couldn't stat %s", name.c_str());
  size = st.st_size;
  return CYqError();
}

CYqError FXFile::ZKGetFileSize(const std::wstring& name, long long& size) {
  std::string utf8;
  CYqError err = Narrow(YQ_LOC, name, utf8);
  if (err.Succeeded()) err = ZKGetFileSize(utf8, size);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError FXFile::GetFileTimes(const std::string& name, time_t* access, time_t* modify,
                              time_t* change) {
  struct stat64 st;
  if (TempFsUTF::stat_utf(name.c_str(), &st) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "File stat failed");
  if (access != nullptr) *access = st.st_atime;
  if (modify != nullptr) *modify = st.st_mtime;
  if (change != nullptr) *change = st.st_ctime;
  return CYqError();
}

CYqError FXFile::GetFileTimes(const std::string& name, CTimeStamp* access, CTimeStamp* modify,
                              CTimeStamp* change) {
  struct stat64 st;
  if (TempFsUTF::stat_utf(name.c_str(), &st) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "File stat failed");
  if (access != nullptr) *access = CTimeStamp::FromPosixTime(st.st_atim.tv_sec, st.st_atim.tv_nsec);
  if (modify != nullptr) *modify = CTimeStamp::FromPosixTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  if (change != nullptr) *change = CTimeStamp::FromPosixTime(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
  return CYqError();
}

CYqError FXFile::GetFileTimes(const std::wstring& name, time_t* access, time_t* modify,
                              time_t* change) {
  std::string utf8;
  CYqError err = Narrow(YQ_LOC, name, utf8);
  if (err.Succeeded()) err = GetFileTimes(utf8, access, modify, change);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError FXFile::GetFileTimes(const std::wstring& name, CTimeStamp* access, CTimeStamp* modify,
                              CTimeStamp* change) {
  std::string utf8;
  CYqError err = Narrow(YQ_LOC, name, utf8);
  if (err.Succeeded()) err = GetFileTimes(utf8, access, modify, change);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError FXFile::zkfopen(auto_fileptr& stream, const std::string& name, const std::string& mode) {
  stream.reset();
  FILE* fp = nullptr;
  CYqError err = CYqUTFOSAPI::fopen(&fp, name.c_str(), mode.c_str());
  if (err.Failed()) return err.Push(YQ_LOC);
  stream.reset(fp);
  return CYqError();
}

CYqError FXFile::zkfopen(auto_fileptr& stream, const std::wstring& name, const std::wstring& mode) {
  std::string utf8Name, utf8Mode;
  CYqError err = Narrow(YQ_LOC, name, utf8Name);
  if (err.Succeeded()) err = Narrow(YQ_LOC, mode, utf8Mode);
  if (err.Succeeded()) err = zkfopen(stream, utf8Name, utf8Mode);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError FXFile::ZKMoveFileEx(const std::string& from, const std::string& to, DWORD flags) {
  struct stat64 st;
  // A link counts as an existing target even when it leads nowhere: rename would replace it.
  if ((flags & MOVEFILE_REPLACE_EXISTING) == 0 && TempFsUTF::lstat_utf(to.c_str(), &st) == 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, EEXIST, "Destination file (%s) exists.", to.c_str());
  if (TempFsUTF::rename_utf(from.c_str(), to.c_str()) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Failed rename file (%s) to (%s).", from.c_str(),
                                   to.c_str());
  return CYqError();
}

CYqError FXFile::ZKMoveFileEx(const std::wstring& from, const std::wstring& to, DWORD flags) {
  std::string utf8From, utf8To;
  CYqError err = Narrow(YQ_LOC, from, utf8From);
  if (err.Succeeded()) err = Narrow(YQ_LOC, to, utf8To);
  if (err.Succeeded()) err = ZKMoveFileEx(utf8From, utf8To, flags);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError FXFile::ZKCopyFile(const std::string& from, const std::string& to, DWORD flags) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCopyBuffer]);
  if (buffer == nullptr)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, ENOMEM, "Couldn't allocate %d bytes",
                                   static_cast<int>(kCopyBuffer));
  auto_handle source(TempFsUTF::open_utf(from.c_str(), O_RDONLY));
  if (!source.IsValid())
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Couldn't open %s for reading", from.c_str());
  struct stat64 st;
  if (::fstat64(source.get(), &st) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Couldn't stat %s", from.c_str());
  // Opening the source itself with O_TRUNC would destroy it before a byte is read.
  struct stat64 target;
  if (TempFsUTF::stat_utf(to.c_str(), &target) == 0 && target.st_dev == st.st_dev &&
      target.st_ino == st.st_ino)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, EINVAL, "%s and %s are the same file", from.c_str(),
                                   to.c_str());
  const int exclusive = (flags & COPY_FILE_FAIL_IF_EXISTS) != 0 ? O_EXCL : 0;
  auto_handle output(TempFsUTF::open_utf(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | exclusive,
                                         st.st_mode & 07777));
  if (!output.IsValid())
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Couldn't open %s for writing", to.c_str());
  for (;;) {
    const ssize_t n = ReadRetrying(source.get(), buffer.get(), kCopyBuffer);
    if (n < 0)
      return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Couldn't read %d bytes from %s",
                                     static_cast<int>(kCopyBuffer), from.c_str());
    if (n == 0) break;
    for (ssize_t written = 0; written < n;) {
      const ssize_t w =
          WriteRetrying(output.get(), buffer.get() + written, static_cast<size_t>(n - written));
      if (w <= 0)
        return FXErrorUtil::ErrorErrNo(YQ_LOC, w < 0 ? errno : ENOSPC,
                                       "Couldn't write %d bytes into %s",
                                       static_cast<int>(n - written), to.c_str());
      written += w;
    }
  }
  // A failing close can be the first report of a lost write (network file systems).
  if (::close(output.release()) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Couldn't write into %s", to.c_str());
  return CYqError();
}

CYqError FXFile::ZKCopyFile(const std::wstring& from, const std::wstring& to, DWORD flags) {
  std::string utf8From, utf8To;
  CYqError err = Narrow(YQ_LOC, from, utf8From);
  if (err.Succeeded()) err = Narrow(YQ_LOC, to, utf8To);
  if (err.Succeeded()) err = ZKCopyFile(utf8From, utf8To, flags);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError FXFile::RemoveFile(const std::string& name) {
  std::string native;
  CYqError err = CYqUTFOSAPI::UTF8ToLocalEncoding(name.c_str(), native);
  if (err.Failed()) return err.Push(YQ_LOC, "FileName=%s", name.c_str());
  if (::unlink(native.c_str()) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "unlink failed, FileName=%s", name.c_str());
  return CYqError();
}

CYqError FXFile::RemoveFile(const std::wstring& name) {
  std::string utf8;
  CYqError err = Narrow(YQ_LOC, name, utf8);
  if (err.Succeeded()) err = RemoveFile(utf8);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

bool FXFile::DoesFileExist(const std::string& name) {
  struct stat64 st;
  return CYqUTFOSAPI::stat(name.c_str(), &st).Succeeded();
}

bool FXFile::DoesFileExist(const std::wstring& name) {
  std::string utf8;
  return Narrow(YQ_LOC, name, utf8).Succeeded() && DoesFileExist(utf8);
}

bool FXFile::IsVolumeUnc(const std::string&) { return false; }

bool FXFile::IsVolumeUnc(const std::wstring&) { return false; }

// ---- find data -----------------------------------------------------------------------------

FXFile::CFileData::CFileData()
    : m_dirent(), m_name(), m_folder(), m_stat(), m_bStatFetched(false), m_bMarked(false) {}

std::string FXFile::CFileData::GetFullPath() const {
  std::string path = m_folder;
  (void)FXPath::Append(path, m_name);
  return path;
}

CYqError FXFile::CFileData::GetDeviceSize(unsigned long long& size) const {
  const std::string path = GetFullPath();
  auto_handle device(TempFsUTF::open_utf(path.c_str(), O_RDONLY));
  if (!device.IsValid())
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Open failed on %s.", path.c_str());
  int sectorSize = 0;
  if (::ioctl(device.get(), BLKSSZGET, &sectorSize) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "ioctl BLKSSZGET  failed for volume %s",
                                   path.c_str());
  unsigned long long bytes = 0;
  if (::ioctl(device.get(), BLKGETSIZE64, &bytes) != 0) {
    unsigned long sectors = 0;
    if (::ioctl(device.get(), BLKGETSIZE, &sectors) != 0)
      return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "ioctl BLKGETSIZE failed for volume %s",
                                     path.c_str());
    bytes = static_cast<unsigned long long>(sectors) * 512ULL;
  }
  int blockSize = 0;
  if (::ioctl(device.get(), BLKBSZGET, &blockSize) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "ioctl BLKBSZGET failed for volume %s",
                                   path.c_str());
  if (blockSize > 0) bytes -= bytes % static_cast<unsigned long long>(blockSize);
  size = bytes;
  YQ_TRACE(2, "Device:%s\tSize:%llu", path.c_str(), bytes);
  return CYqError();
}
