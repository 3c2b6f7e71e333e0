#include "yqbase/files/YqFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/files/YqPath.h"
#include "yqbase/files/utfFsUtils.h"

namespace {

constexpr DWORD kInvalidHandle = 6;      // ERROR_INVALID_HANDLE
constexpr DWORD kNotEnoughMemory = 8;    // ERROR_NOT_ENOUGH_MEMORY
constexpr DWORD kInvalidData = 13;       // ERROR_INVALID_DATA
constexpr DWORD kWriteFault = 29;        // ERROR_WRITE_FAULT
constexpr DWORD kInvalidParameter = 87;  // ERROR_INVALID_PARAMETER
constexpr DWORD kEmpty = 4306;           // ERROR_EMPTY
constexpr unsigned kCopyBlock = 65536;

// Whether the name exists; a symbolic link counts even when it leads nowhere, so that it can
// be deleted.
bool Exists(const char* name) {
  struct stat64 st;
  return CYqUTFOSAPI::lstat(name, &st).Succeeded();
}

// Whether two names lead to the same file; false when either cannot be stat'ed.
bool SameFile(const char* a, const char* b) {
  struct stat64 sa, sb;
  return TempFsUTF::stat_utf(a, &sa) == 0 && TempFsUTF::stat_utf(b, &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void FillTimes(const struct stat64& st, time_t* access, time_t* modify, time_t* change) {
  if (access != nullptr) *access = st.st_atime;
  if (modify != nullptr) *modify = st.st_mtime;
  if (change != nullptr) *change = st.st_ctime;
}

void FillTimes(const struct stat64& st, CTimeStamp* access, CTimeStamp* modify,
               CTimeStamp* change) {
  if (access != nullptr) *access = CTimeStamp::FromPosixTime(st.st_atim.tv_sec, st.st_atim.tv_nsec);
  if (modify != nullptr) *modify = CTimeStamp::FromPosixTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  if (change != nullptr) *change = CTimeStamp::FromPosixTime(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
}

// The times of a named file in either form.
template <typename T>
CYqError StatTimes(const char* name, T* access, T* modify, T* change) {
  struct stat64 st;
  CYqError err = CYqUTFOSAPI::stat(name, &st);
  if (err.Succeeded()) FillTimes(st, access, modify, change);
  return err;
}

// Reads exactly `size` bytes from an open file in pieces that fit `unsigned`; `done` gets the
// count that arrived (fewer only at the end of the file).
CYqError ReadAll(CYqFile& file, char* buffer, unsigned long long size, unsigned long long& done) {
  done = 0;
  while (done < size) {
    const unsigned long long left = size - done;
    const unsigned piece = left > 0x40000000ULL ? 0x40000000u : static_cast<unsigned>(left);
    unsigned got = 0;
    CYqError err = file.Read(buffer + done, piece, &got);
    done += got;
    if (err.Failed()) return err;
    if (got < piece) break;
  }
  return CYqError();
}

// Opens a file to be read whole and gives its size: a folder fails with EISDIR, an empty file
// with 4306.
CYqError OpenWhole(CYqFile& file, const char* name, unsigned long long& size) {
  CYqError err = file.Open(name, O_RDONLY | O_NOCTTY, 0);
  if (err.Succeeded()) {
    struct stat64 st;
    if (::fstat64(file.GetFD(), &st) == 0 && S_ISDIR(st.st_mode))
      return FXErrorUtil::ErrorErrNo(YQ_LOC, EISDIR, "%s is a folder", name);
    err = file.Size(size);
  }
  if (err.Failed()) return err.Push(YQ_LOC);
  if (size == 0) return FXErrorUtil::ErrorWin32(YQ_LOC, kEmpty, "FileSize is <= 0");
  return CYqError();
}

}  // namespace

CYqFile::CYqFile() : m_fd(-1), m_name(), m_stream(nullptr) {}

CYqFile::~CYqFile() { (void)Close(); }

CYqError CYqFile::Open(const char* name, int flags, int mode) {
  CYqError err = Close();
  if (err.Failed()) return err.Push(YQ_LOC);
  int fd = -1;
  err = CYqUTFOSAPI::open(&fd, name, flags, mode);
  if (err.Failed()) return err.Push(YQ_LOC);
  m_fd = fd;
  m_name = CYqPath::AbsPath(name);
  return CYqError();
}

CYqError CYqFile::Open(const char* name, int flags, int mode, int unused) {
  CYqError err = Close();
  if (err.Failed()) return err.Push(YQ_LOC);
  int fd = -1;
  err = CYqUTFOSAPI::open2(&fd, name, flags, mode, unused);
  if (err.Failed()) return err.Push(YQ_LOC);
  m_fd = fd;
  m_name = CYqPath::AbsPath(name);
  return CYqError();
}

CYqError CYqFile::Open(const char* name, const char* mode) {
  if (name == nullptr || *name == '\0')
    return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidParameter, "FileName cannot be NULL or empty");
  if (mode == nullptr || *mode == '\0')
    return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidParameter, "Mode cannot be NULL or empty");
  CYqError err = Close();
  if (err.Failed()) return err.Push(YQ_LOC);
  FILE* stream = nullptr;
  err = CYqUTFOSAPI::fopen(&stream, name, mode);
  if (err.Failed()) return err.Push(YQ_LOC);
  m_stream = stream;
  m_name = CYqPath::AbsPath(name);
  return CYqError();
}

CYqError CYqFile::Read(void* buffer, unsigned size, unsigned* done) {
  if (done != nullptr) *done = 0;
  if (buffer == nullptr && size != 0)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidParameter, "Input buffer is null");
  char* out = static_cast<char*>(buffer);
  if (m_fd >= 0) {
    unsigned total = 0;
    while (total < size) {
      const ssize_t n = ::read(m_fd, out + total, size - total);
      if (n < 0) {
        if (errno == EINTR) continue;
        const int error = errno;
        if (done != nullptr) *done = total;
        return FXErrorUtil::ErrorErrNo(YQ_LOC, error, "read of %u bytes from %s failed", size,
                                       m_name.c_str());
      }
      if (n == 0) break;
      total += static_cast<unsigned>(n);
    }
    if (done != nullptr) *done = total;
    return CYqError();
  }
  if (m_stream != nullptr) {
    const size_t n = ::fread(out, 1, size, m_stream);
    if (done != nullptr) *done = static_cast<unsigned>(n);
    if (n < size && !::feof(m_stream))
      return FXErrorUtil::ErrorErrNo(YQ_LOC, errno != 0 ? errno : EIO,
                                     "read of %u bytes from %s failed", size, m_name.c_str());
    return CYqError();
  }
  return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidHandle, "No file is open");
}

CYqError CYqFile::Write(const void* buffer, unsigned size, unsigned* done) {
  if (done != nullptr) *done = 0;
  if (buffer == nullptr && size != 0)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidParameter, "Input buffer is null");
  const char* in = static_cast<const char*>(buffer);
  if (m_fd >= 0) {
    unsigned total = 0;
    while (total < size) {
      const ssize_t n = ::write(m_fd, in + total, size - total);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        const int error = n < 0 ? errno : ENOSPC;
        if (done != nullptr) *done = total;
        return FXErrorUtil::ErrorErrNo(YQ_LOC, error, "write of %u bytes to %s failed", size,
                                       m_name.c_str());
      }
      total += static_cast<unsigned>(n);
    }
    if (done != nullptr) *done = total;
    return CYqError();
  }
  if (m_stream != nullptr) {
    const size_t n = ::fwrite(in, 1, size, m_stream);
    if (done != nullptr) *done = static_cast<unsigned>(n);
    if (n < size)
      return FXErrorUtil::ErrorErrNo(YQ_LOC, errno != 0 ? errno : EIO,
                                     "write of %u bytes to %s failed", size, m_name.c_str());
    return CYqError();
  }
  return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidHandle, "No file is open");
}

CYqError CYqFile::Seek(offset distance, int whence, offset* newPosition) {
  if (m_fd >= 0) {
    const off64_t position = ::lseek64(m_fd, distance, whence);
    if (position < 0)
      return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "seek to %lld (whence %d) in %s failed",
                                     distance, whence, m_name.c_str());
    if (newPosition != nullptr) *newPosition = position;
    return CYqError();
  }
  if (m_stream != nullptr) {
    if (::fseeko64(m_stream, distance, whence) != 0)
      return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "seek to %lld (whence %d) in %s failed",
                                     distance, whence, m_name.c_str());
    if (newPosition != nullptr) {
      const off64_t position = ::ftello64(m_stream);
      if (position < 0) return FXErrorUtil::ErrorErrNo(YQ_LOC, errno);
      *newPosition = position;
    }
    return CYqError();
  }
  return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidHandle, "No file is open");
}

CYqError CYqFile::Tell(offset& position) {
  CYqError err = Seek(0, SEEK_CUR, &position);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError CYqFile::Size(unsigned long long& size) {
  offset current = 0, end = 0;
  CYqError err = Tell(current);
  if (err.Succeeded()) err = Seek(0, SEEK_END, &end);
  if (err.Succeeded()) err = Seek(current, SEEK_SET, nullptr);
  if (err.Failed()) return err.Push(YQ_LOC);
  size = static_cast<unsigned long long>(end);
  return CYqError();
}

CYqError CYqFile::Truncate(offset size) {
  offset current = 0;
  CYqError err = Flush();
  if (err.Succeeded()) err = Tell(current);
  if (err.Failed()) return err.Push(YQ_LOC);
  if (::ftruncate64(AnyFD(), size) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "truncate of %s to %lld bytes failed",
                                   m_name.c_str(), size);
  err = Seek(current, SEEK_SET, nullptr);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError CYqFile::Flush() {
  if (m_stream != nullptr) {
    if (::fflush(m_stream) != 0) return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "fflush failed");
    if (::fsync(::fileno(m_stream)) != 0)
      return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "fsync failed");
    return CYqError();
  }
  if (m_fd >= 0) {
    if (::fsync(m_fd) != 0) return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "fsync failed");
    return CYqError();
  }
  return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidHandle, "No file is open");
}

CYqError CYqFile::IsEOF(bool& eof) {
  offset current = 0, end = 0;
  CYqError err = Tell(current);
  if (err.Succeeded()) err = Seek(0, SEEK_END, &end);
  if (err.Succeeded()) err = Seek(current, SEEK_SET, nullptr);
  if (err.Failed()) return err.Push(YQ_LOC);
  eof = current >= end;
  return CYqError();
}

CYqError CYqFile::Attach(int fd, const char* name) {
  CYqError err = Close();
  m_fd = fd;
  m_name = CYqPath::AbsPath(name);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError CYqFile::Detach(CYqString* name) {
  if (m_fd < 0) return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidHandle, "No descriptor is open");
  if (name != nullptr) *name = m_name;
  m_fd = -1;
  m_name = CYqString();
  return CYqError();
}

CYqError CYqFile::Chmod(int mode) {
  if (!IsValid()) return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidHandle, "No file is open");
  if (::fchmod(AnyFD(), static_cast<mode_t>(mode)) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "chmod of %s to 0%o failed", m_name.c_str(),
                                   static_cast<unsigned>(mode));
  return CYqError();
}

CYqError CYqFile::StatOpen(struct stat64& st) const {
  if (!IsValid()) return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidHandle, "No file is open");
  if (::fstat64(AnyFD(), &st) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "File stat failed");
  return CYqError();
}

CYqError CYqFile::GetTimes(time_t* access, time_t* modify, time_t* change) {
  struct stat64 st;
  CYqError err = StatOpen(st);
  if (err.Failed()) return err.Push(YQ_LOC);
  FillTimes(st, access, modify, change);
  return CYqError();
}

CYqError CYqFile::GetTimes(CTimeStamp* access, CTimeStamp* modify, CTimeStamp* change) {
  struct stat64 st;
  CYqError err = StatOpen(st);
  if (err.Failed()) return err.Push(YQ_LOC);
  FillTimes(st, access, modify, change);
  return CYqError();
}

CYqError CYqFile::SetTimes(time_t* access, time_t* modify, time_t*) {
  time_t oldAccess = 0, oldModify = 0;
  CYqError err = GetTimes(&oldAccess, &oldModify, nullptr);
  if (err.Failed()) return err.Push(YQ_LOC);
  struct timespec times[2] = {{access != nullptr ? *access : oldAccess, 0},
                              {modify != nullptr ? *modify : oldModify, 0}};
  if (::futimens(AnyFD(), times) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "setting the times of %s failed", m_name.c_str());
  return CYqError();
}

CYqError CYqFile::Close() {
  CYqError err;
  if (m_stream != nullptr) {
    if (::fclose(m_stream) != 0)
      err = FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "fclose of %s failed", m_name.c_str());
    m_stream = nullptr;
  } else if (m_fd >= 0) {
    if (::close(m_fd) != 0)
      err = FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "close of %s failed", m_name.c_str());
    m_fd = -1;
  }
  return err;
}

// ---- operations on names ------------------------------------------------------------------

CYqError CYqFile::Chmod(const char* name, int mode) {
  CYqError err = CYqUTFOSAPI::chmod(name, mode);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError CYqFile::GetTimes(const char* name, time_t* access, time_t* modify, time_t* change) {
  CYqError err = StatTimes(name, access, modify, change);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError CYqFile::GetTimes(const char* name, CTimeStamp* access, CTimeStamp* modify,
                           CTimeStamp* change) {
  CYqError err = StatTimes(name, access, modify, change);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError CYqFile::SetTimes(const char* name, time_t* access, time_t* modify, time_t*) {
  struct utimbuf times = {0, 0};
  if (access == nullptr || modify == nullptr) {
    CYqError err = GetTimes(name, &times.actime, &times.modtime, nullptr);
    if (err.Failed()) return err.Push(YQ_LOC);
  }
  if (access != nullptr) times.actime = *access;
  if (modify != nullptr) times.modtime = *modify;
  CYqError err = CYqUTFOSAPI::utime(name, &times);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError CYqFile::Stat(const char* name, SYqFileStat& stat) {
  CYqError err = CYqUTFOSAPI::stat(name, static_cast<struct stat64*>(&stat));
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError CYqFile::Copy(const char* from, const char* to) {
  if (from != nullptr && to != nullptr && SameFile(from, to))
    return FXErrorUtil::ErrorErrNo(YQ_LOC, EINVAL, "%s and %s are the same file", from, to);
  CYqFile source, target;
  CYqError err = source.Open(from, O_RDONLY, 0);
  if (err.Succeeded()) err = target.Open(to, O_WRONLY | O_CREAT | O_TRUNC, 0777);
  if (err.Failed()) return err.Push(YQ_LOC);
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCopyBlock]);
  if (buffer == nullptr) return FXErrorUtil::ErrorWin32(YQ_LOC, kNotEnoughMemory);
  for (bool eof = false; !eof;) {
    unsigned read = 0, written = 0;
    err = source.Read(buffer.get(), kCopyBlock, &read);
    if (err.Succeeded() && read == 0) break;
    if (err.Succeeded()) err = target.Write(buffer.get(), read, &written);
    if (err.Succeeded() && written != read)
      err = FXErrorUtil::ErrorWin32(YQ_LOC, kWriteFault, "uWritten(%d) != uRead(%d)",
                                    static_cast<int>(written), static_cast<int>(read));
    if (err.Succeeded()) err = source.IsEOF(eof);
    if (err.Failed()) return err.Push(YQ_LOC);
  }
  err = target.Close();
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError CYqFile::ReadWholeFile(const char* name, char** data, size_t& size) {
  if (data == nullptr)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidParameter, "Input data is null");
  CYqFile file;
  unsigned long long fileSize = 0;
  CYqError err = OpenWhole(file, name, fileSize);
  if (err.Failed()) return err.Push(YQ_LOC);
  if (fileSize > SIZE_MAX)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kNotEnoughMemory, "FileSize %llu does not fit in memory",
                                   fileSize);
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[static_cast<size_t>(fileSize)]);
  if (buffer == nullptr)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kNotEnoughMemory, "FileSize %llu does not fit in memory",
                                   fileSize);
  unsigned long long done = 0;
  err = ReadAll(file, buffer.get(), fileSize, done);
  if (err.Failed()) return err.Push(YQ_LOC);
  if (done != fileSize)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidData, "FileSize != StringSize");
  *data = buffer.release();
  size = static_cast<size_t>(fileSize);
  return CYqError();
}

CYqError CYqFile::ReadWholeFile(const char* name, std::string& content) {
  CYqFile file;
  unsigned long long fileSize = 0;
  CYqError err = OpenWhole(file, name, fileSize);
  if (err.Failed()) return err.Push(YQ_LOC);
  std::string text;
  try {
    text.resize(static_cast<size_t>(fileSize));
  } catch (const std::exception&) {
    return FXErrorUtil::ErrorWin32(YQ_LOC, kNotEnoughMemory, "FileSize %llu does not fit in memory",
                                   fileSize);
  }
  if (text.size() != fileSize)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kNotEnoughMemory, "FileSize %llu does not fit in memory",
                                   fileSize);
  unsigned long long done = 0;
  err = ReadAll(file, &text[0], fileSize, done);
  if (err.Failed()) return err.Push(YQ_LOC);
  if (done != fileSize)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidData, "FileSize != StringSize");
  content.swap(text);
  return CYqError();
}

CYqError CYqFile::WriteWholeFile(const std::string& name, const std::string& content) {
  CYqFile file;
  CYqError err = file.Open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  if (err.Failed()) return err.Push(YQ_LOC);
  size_t written = 0;
  while (written < content.size()) {
    const size_t left = content.size() - written;
    const unsigned piece = left > 0x40000000u ? 0x40000000u : static_cast<unsigned>(left);
    unsigned done = 0;
    err = file.Write(content.data() + written, piece, &done);
    if (err.Failed()) return err.Push(YQ_LOC);
    written += done;
    if (done != piece) break;
  }
  if (written != content.size())
    return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidData, "FileSize != StringSize");
  err = file.Close();
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError CYqFile::Delete(const char* name, DWORD flags) {
  if (name == nullptr) return FXErrorUtil::ErrorErrNo(YQ_LOC, EINVAL, "FileName=(null)");
  if (*name == '\0') return FXErrorUtil::ErrorErrNo(YQ_LOC, EINVAL, "FileName=[]");
  if ((flags & YQ_DELETE_NO_EXISTENCE_CHECK) == 0 && !Exists(name)) return CYqError();
  CYqError err;
  if ((flags & YQ_DELETE_NO_FIRST_UNLINK) == 0) {
    err = CYqUTFOSAPI::unlink(name);
    if (err.Succeeded() || FXErrorUtil::IsErrNo(err, ENOENT)) return CYqError();
    // Only a refusal can be helped by making the file writable; a folder or a missing name
    // cannot, and changing their mode would only do harm.
    if (!FXErrorUtil::IsErrNo(err, EACCES) && !FXErrorUtil::IsErrNo(err, EPERM))
      return err.Push(YQ_LOC);
  }
  if ((flags & YQ_DELETE_NO_CHMOD) == 0) {
    err = Chmod(name, 0666);
    if (FXErrorUtil::IsErrNo(err, ENOENT)) return CYqError();
    if (err.Failed())
      return err.Push(YQ_LOC, "Failed to change the mode of the file [%s] to read/write", name);
  }
  // Granting delete permissions has nothing to do on this platform (flag 16 skips it anyway).
  err = CYqUTFOSAPI::unlink(name);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError CYqFile::Delete(const char* name, bool makeWritable) {
  CYqError err = Delete(name, makeWritable ? DWORD(0) : DWORD(YQ_DELETE_NO_CHMOD));
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError CYqFile::EnableLongNamespace(const char*) { return CYqError(); }
