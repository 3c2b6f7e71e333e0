// FXFile: single-file operations in the vocabulary of the Windows file interface, and the
// owning wrappers of a descriptor and a stdio stream.
#pragma once

#include <stdio.h>
#include <time.h>

#include <cstddef>
#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/errors/YqTypes.h"
#include "yqbase/time/TimeStamp.h"

// Windows access rights, dispositions and move flags that callers pass through unchanged.
#ifndef GENERIC_READ
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#endif
#ifndef CREATE_NEW
#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define TRUNCATE_EXISTING 5u
#endif
#ifndef FILE_SHARE_READ
#define FILE_SHARE_READ 0x1u
#define FILE_SHARE_WRITE 0x2u
#define FILE_SHARE_DELETE 0x4u
#endif
#ifndef MOVEFILE_REPLACE_EXISTING
#define MOVEFILE_REPLACE_EXISTING 0x1u
#endif
#ifndef COPY_FILE_FAIL_IF_EXISTS
#define COPY_FILE_FAIL_IF_EXISTS 0x1u
#endif

/// Windows security attributes; accepted and ignored on this platform.
struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  void* lpSecurityDescriptor;
  BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

/// Owns one file descriptor (negative: none) and closes it when replaced or destroyed,
/// ignoring the result. Movable, not copyable.
class YQBASE_EXPORT auto_handle {
 public:
  explicit auto_handle(int fd = -1) : m_fd(fd) {}
  ~auto_handle() { reset(); }
  auto_handle(auto_handle&& other) noexcept : m_fd(other.release()) {}
  auto_handle& operator=(auto_handle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  auto_handle(const auto_handle&) = delete;
  auto_handle& operator=(const auto_handle&) = delete;

  int get() const { return m_fd; }
  bool IsValid() const { return m_fd >= 0; }
  /// Closes the owned descriptor (unless it is `fd` itself) and owns `fd`.
  void reset(int fd = -1);
  /// Gives the descriptor up without closing it.
  int release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
  }

 private:
  int m_fd;
};

/// Owns one stdio stream (null: none) and closes it when replaced or destroyed, ignoring the
/// result. Movable, not copyable.
class YQBASE_EXPORT auto_fileptr {
 public:
  explicit auto_fileptr(FILE* stream = nullptr) : m_stream(stream) {}
  ~auto_fileptr() { reset(); }
  auto_fileptr(auto_fileptr&& other) noexcept : m_stream(other.release()) {}
  auto_fileptr& operator=(auto_fileptr&& other) noexcept {
    reset(other.release());
    return *this;
  }
  auto_fileptr(const auto_fileptr&) = delete;
  auto_fileptr& operator=(const auto_fileptr&) = delete;

  FILE* get() const { return m_stream; }
  bool IsValid() const { return m_stream != nullptr; }
  /// Closes the owned stream (unless it is `stream` itself) and owns `stream`.
  void reset(FILE* stream = nullptr);
  FILE* release() {
    FILE* stream = m_stream;
    m_stream = nullptr;
    return stream;
  }

 private:
  FILE* m_stream;
};

/// Static file operations named after the Windows calls, on POSIX. Names are UTF-8; failures
/// are errno-type errors with the operation's signature as location. Each operation on names
/// has a std::wstring twin that converts them to UTF-8 and calls the narrow form. Windows-only
/// arguments (share modes, security attributes, templates, overlapped records) are accepted
/// and ignored. The calls block; they hold no state of their own.
class YQBASE_EXPORT FXFile {
 public:
  /// One find result (a directory entry with its folder); see FileData.h.
  class CFileData;

  /// Opens or creates `name` into `handle` (its old descriptor is closed; unchanged on
  /// failure). GENERIC_READ|GENERIC_WRITE opens read-write, GENERIC_READ alone read-only,
  /// otherwise GENERIC_WRITE write-only; new files get mode 0666 before the umask.
  /// Dispositions CREATE_NEW to TRUNCATE_EXISTING; others fail with EINVAL. With
  /// CREATE_ALWAYS or OPEN_ALWAYS, finding the file already there leaves errno = EEXIST on
  /// success, as Windows reports ERROR_ALREADY_EXISTS.
  [[nodiscard]] static CYqError ZKCreateFile(auto_handle& handle, const std::string& name,
                                             DWORD access, DWORD share,
                                             LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                             DWORD flags, HANDLE templ);
  [[nodiscard]] static CYqError ZKCreateFile(auto_handle& handle, const std::string& name,
                                             DWORD access, DWORD share, void* security,
                                             DWORD disposition, DWORD flags, HANDLE templ);
  [[nodiscard]] static CYqError ZKCreateFile(auto_handle& handle, const std::string& name,
                                             DWORD access, DWORD share, std::nullptr_t security,
                                             DWORD disposition, DWORD flags, HANDLE templ);
  /// Creates or opens the file and closes it again (to create or truncate it).
  [[nodiscard]] static CYqError ZKCreateFile(const std::string& name, DWORD access, DWORD share,
                                             LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                             DWORD flags, HANDLE templ);
  [[nodiscard]] static CYqError ZKCreateFile(auto_handle& handle, const std::wstring& name,
                                             DWORD access, DWORD share,
                                             LPSECURITY_ATTRIBUTES security, DWORD disposition,
                                             DWORD flags, HANDLE templ);

  /// One read of up to `size` bytes; `*done` gets the count (0 at the end of the file).
  [[nodiscard]] static CYqError ZKReadFile(const auto_handle& handle, void* buffer, size_t size,
                                           size_t* done, void* overlapped);
  /// One write of up to `size` bytes; `*done` gets the count.
  [[nodiscard]] static CYqError ZKWriteFile(const auto_handle& handle, const void* buffer,
                                            size_t size, size_t* done, void* overlapped);
  /// lseek64 with SEEK_SET, SEEK_CUR or SEEK_END; the new position in `*newPosition` if given.
  [[nodiscard]] static CYqError ZKSetFilePointer(const auto_handle& handle, long long distance,
                                                 int whence, long long* newPosition);
  [[nodiscard]] static CYqError ZKFlushFileBuffers(const auto_handle& handle);
  [[nodiscard]] static CYqError ZKTruncateFile(const auto_handle& handle, long long size);

  /// The size of the file a name leads to (links followed).
  [[nodiscard]] static CYqError ZKGetFileSize(const std::string& name, long long& size);
  [[nodiscard]] static CYqError ZKGetFileSize(const std::wstring& name, long long& size);
  /// Access, modification and status-change times; null pointers are skipped.
  [[nodiscard]] static CYqError GetFileTimes(const std::string& name, time_t* access,
                                             time_t* modify, time_t* change);
  [[nodiscard]] static CYqError GetFileTimes(const std::string& name, CTimeStamp* access,
                                             CTimeStamp* modify, CTimeStamp* change);
  [[nodiscard]] static CYqError GetFileTimes(const std::wstring& name, time_t* access,
                                             time_t* modify, time_t* change);
  [[nodiscard]] static CYqError GetFileTimes(const std::wstring& name, CTimeStamp* access,
                                             CTimeStamp* modify, CTimeStamp* change);
  /// Closes the stream held by `stream`, then opens `name` with a stdio mode.
  [[nodiscard]] static CYqError zkfopen(auto_fileptr& stream, const std::string& name,
                                        const std::string& mode);
  [[nodiscard]] static CYqError zkfopen(auto_fileptr& stream, const std::wstring& name,
                                        const std::wstring& mode);

  /// Renames `from` to `to`. Without MOVEFILE_REPLACE_EXISTING an existing `to` fails with
  /// EEXIST and both files stay; other flags are ignored.
  [[nodiscard]] static CYqError ZKMoveFileEx(const std::string& from, const std::string& to,
                                             DWORD flags);
  [[nodiscard]] static CYqError ZKMoveFileEx(const std::wstring& from, const std::wstring& to,
                                             DWORD flags);
  /// Copies the bytes of `from` into `to` (created or truncated, with the source's permission
  /// bits). COPY_FILE_FAIL_IF_EXISTS fails with EEXIST when `to` exists; copying a file onto
  /// itself fails with EINVAL and leaves it alone.
  [[nodiscard]] static CYqError ZKCopyFile(const std::string& from, const std::string& to,
                                           DWORD flags);
  [[nodiscard]] static CYqError ZKCopyFile(const std::wstring& from, const std::wstring& to,
                                           DWORD flags);
  /// Unlinks a file (or link); a missing file is an error.
  [[nodiscard]] static CYqError RemoveFile(const std::string& name);
  [[nodiscard]] static CYqError RemoveFile(const std::wstring& name);
  /// Whether stat succeeds on the name (links followed).
  static bool DoesFileExist(const std::string& name);
  static bool DoesFileExist(const std::wstring& name);
  /// Always false: there are no UNC volumes here.
  static bool IsVolumeUnc(const std::string& name);
  static bool IsVolumeUnc(const std::wstring& name);
};
