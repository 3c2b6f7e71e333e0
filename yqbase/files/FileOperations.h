// FXFile: single-file operations in the vocabulary of the Windows file interface, and the
// owning wrappers of a descriptor and a stdio stream.
#pragma once

#include <stdio.h>
#include <time.h>

#include <boost/shared_ptr.hpp>
#include <cstddef>
#include <functional>
#include <list>
#include <string>

#include "yqbase/errors/FVBase.h"
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

class auto_find_handle;

/// The platform's time value of a file (seconds since 1970).
typedef time_t NATIVE_FILESYSTEM_TIMESTAMP;

/// Flag bit of the find calls: never change the working directory (no long-path fallback).
constexpr LONGLONG ZK_FIND_MULTITHREAD = 0x4;
/// Folders whose path is shorter than this are never removed by FXFile::RemoveFolder.
constexpr int ZK_MIN_PRUNE_LENGTH = 4;
/// Flag bit of the DeleteMatchingFiles family: also remove matching folders with their contents.
constexpr DWORD ZK_DELETE_FOLDERS = 0x1;

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
  // ---- folders: find handles, removal, pattern listing (Unix/FolderOperations.cpp) ----------

  /// Handed each non-folder entry by RemoveFolder instead of removing it: the entry's path,
  /// its find data (stat fetched) and the caller's abort object.
  typedef std::function<CYqError(const std::string&, boost::shared_ptr<CFileData>, FVBasePtr)>
      RemoveWalker;

  /// Opens a search of `folder` in `handle` (closing its previous search) and returns the first
  /// entry in `data`. "." and ".." are returned like any entry. An empty folder cannot exist,
  /// so the first call returns "." or ".."; the end of a listing is Win32 code 18. A folder path
  /// longer than the system accepts is opened from a parent entered with chdir: the process's
  /// working directory then stays there until the handle is closed, which returns to the one
  /// before. Flag ZK_FIND_MULTITHREAD never changes the working directory (long paths fail).
  [[nodiscard]] static CYqError ZKFindFirstFile(auto_find_handle& handle, const std::string& folder,
                                                CFileData& data, LONGLONG flags = 0);
  /// The next entry of the search; Win32 code 18 "No more entries" at the end, errno-type
  /// "readdir_r fail" when reading fails (a name whose UTF-8 form does not fit: EOVERFLOW).
  [[nodiscard]] static CYqError ZKFindNextFile(auto_find_handle& handle, CFileData& data,
                                               LONGLONG flags = 0);
  [[nodiscard]] static CYqError ZKFindFirstFile_MultiThread(auto_find_handle& handle,
                                                            const std::string& folder,
                                                            CFileData& data);
  [[nodiscard]] static CYqError ZKFindNextFile_MultiThread(auto_find_handle& handle,
                                                           CFileData& data);
  [[nodiscard]] static CYqError ZKFindFirstFile(auto_find_handle& handle,
                                                const std::wstring& folder, CFileData& data,
                                                LONGLONG flags = 0);
  /// Closes the search (and returns to the saved working directory); fails with errno when
  /// that return fails.
  [[nodiscard]] static CYqError ZKFindClose(auto_find_handle& handle);
  /// Fills data.m_stat with the lstat record of the entry last found by `handle` (looked up
  /// beside the open stream, so it works for paths of any length) and sets m_bStatFetched.
  [[nodiscard]] static CYqError ZKFindStat(const auto_find_handle& handle, CFileData& data);

  /// Removes a folder with everything in it. Links are removed, never followed. Each
  /// non-folder is handed to `walker` when one is given, else unlinked; a failure on one entry
  /// is logged and the walk goes on; the final rmdir decides the result.
  /// Deliberate departure, so that a slip in a caller's path cannot empty a system folder: the
  /// guard refuses (Win32 87, before any file-system call) not only paths shorter than
  /// ZK_MIN_PRUNE_LENGTH but any path that, made absolute and cleaned of "." and "..", is
  /// shorter than that or is one of the top-level system folders (/bin /boot /dev /etc /home
  /// /lib /lib32 /lib64 /media /mnt /opt /proc /root /run /sbin /srv /sys /tmp /usr /var).
  [[nodiscard]] static CYqError RemoveFolder(const std::string& path, FVBasePtr abort,
                                             RemoveWalker walker, DWORD flags);
  [[nodiscard]] static CYqError RemoveFolder(const std::string& path, DWORD flags = 0);
  [[nodiscard]] static CYqError RemoveFolder(const std::wstring& path, DWORD flags = 0);

  /// Appends the full paths of the entries of `folder` whose names match the wildcard
  /// `pattern` (CPathMatch syntax; "." and ".." never) to `out`. `multiThread` lists with
  /// ZK_FIND_MULTITHREAD. A pattern the matcher refuses gives "cmatch.initialize failed:...".
  [[nodiscard]] static CYqError GetMatchingFiles(const std::string& folder,
                                                 const std::string& pattern,
                                                 std::list<std::string>& out, bool multiThread);
  /// Deletes the entries of a folder whose names match a pattern: files and links always,
  /// folders (with their contents) only with ZK_DELETE_FOLDERS. Every match is tried; the first
  /// failure is returned. The one-argument form takes "folder/pattern".
  [[nodiscard]] static CYqError DeleteMatchingFiles(const std::string& pathWithPattern,
                                                    DWORD flags);
  [[nodiscard]] static CYqError DeleteMatchingFiles(const std::string& folder,
                                                    const std::string& pattern, DWORD flags);
  /// DeleteMatchingFiles of the entries last modified before `limit`.
  [[nodiscard]] static CYqError DeleteMatchingFilesOlderThan(
      const std::string& folder, const std::string& pattern,
      const NATIVE_FILESYSTEM_TIMESTAMP& limit, DWORD flags);

  /// FXFolder::CreateFolder and FXFolder::CreateFoldersIteratively.
  [[nodiscard]] static CYqError CreateFolder(const std::string& path,
                                             LPSECURITY_ATTRIBUTES security = nullptr);
  [[nodiscard]] static CYqError CreateFoldersIteratively(const std::string& path,
                                                         LPSECURITY_ATTRIBUTES security = nullptr);

  /// Always false: there are no UNC volumes here.
  static bool IsVolumeUnc(const std::string& name);
  static bool IsVolumeUnc(const std::wstring& name);
};
