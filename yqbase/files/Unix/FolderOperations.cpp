// Folder operations on POSIX: find handles, folder removal, pattern listing and deletion, and
// the directory stream reader.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/DirectoryExt.h"
#include "yqbase/files/FileData.h"
#include "yqbase/files/FileOperations.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/files/YqDirectory.h"
#include "yqbase/files/YqPath.h"
#include "yqbase/filters/PathMatch.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/StringExtensions.h"

namespace {

constexpr DWORD kNoMoreFiles = 18;       // ERROR_NO_MORE_FILES
constexpr DWORD kInvalidParameter = 87;  // ERROR_INVALID_PARAMETER

// Opens `folder` (relative to the working directory when not absolute) by entering, with
// chdir, the longest of its parents the system accepts and opening the rest from there, as
// often as the rest is still too long. The working directory is left where the last chdir
// went; the caller has saved it.
CYqError OpenLongFolder(const std::string& folder, DIR*& dir) {
  std::string rest = folder;
  for (;;) {
    size_t cut = rest.size();
    bool entered = false;
    while (!entered) {
      cut = cut == 0 ? std::string::npos : rest.rfind('/', cut - 1);
      if (cut == std::string::npos)
        return FXErrorUtil::ErrorErrNo(
            YQ_LOC, ENAMETOOLONG,
            "opendir failed, Path=%s is too long and we can't chdir to any of parent directory",
            folder.c_str());
      const std::string parent = cut == 0 ? "/" : rest.substr(0, cut);
      if (TempFsUTF::chdir_utf(parent.c_str()) == 0) {
        entered = true;
      } else if (errno != ENAMETOOLONG) {
        return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "chdir failed, Path=%s.", parent.c_str());
      }
    }
    rest.erase(0, cut + 1);
    if (rest.empty()) rest = ".";
    dir = TempFsUTF::opendir_utf(rest.c_str());
    if (dir != nullptr) return CYqError();
    if (errno != ENAMETOOLONG)
      return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "opendir failed, Path=%s", folder.c_str());
  }
}

// Opens the search; `allowChdir` permits the long-path fallback.
CYqError OpenSearch(auto_find_handle& handle, const std::string& folder, bool allowChdir) {
  DIR_Wrapper search;
  search.path = folder;
  // A plain stream: searches read names themselves, so it need not be registered the way
  // opendir_utf registers its streams (closedir_utf closes both kinds).
  std::string native, why;
  if (TempFsUTF::utfToMbeChecked(folder.c_str(), native, why)) {
    search.dir = ::opendir(native.c_str());
  } else {
    errno = EILSEQ;
  }
  if (search.dir == nullptr) {
    const int error = errno;
    if (error != ENAMETOOLONG || !allowChdir)
      return FXErrorUtil::ErrorErrNo(YQ_LOC, error, "opendir failed, Path=%s", folder.c_str());
    search.savedCwd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (search.savedCwd < 0)
      return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "opendir failed, Path=%s", folder.c_str());
    CYqError err = OpenLongFolder(folder, search.dir);
    if (err.Failed()) {
      // Return to where the search started; the handle never saw this attempt.
      auto_find_handle attempt;
      attempt.reset(std::move(search));
      attempt.CloseDirAndChangeDir();
      return err;
    }
  }
  handle.reset(std::move(search));
  return CYqError();
}

// The UTF-8 form of a wide name, with the caller's location on failure.
CYqError Narrow(const FXCodeLocation& location, const std::wstring& wide, std::string& utf8) {
  CYqError error = FXString::UnicodeToUTF8(wide, utf8);
  if (error.Failed()) error.Push(location);
  return error;
}

// Whether RemoveFolder must refuse `path`: too short, or a top-level system folder, once made
// absolute and cleaned of "." and "..".
bool IsProtectedFolder(const std::string& path) {
  if (path.size() < static_cast<size_t>(ZK_MIN_PRUNE_LENGTH)) return true;
  std::string absolute;
  if (FXPath::MakeAbsolutePath(path, absolute).Failed()) return true;
  absolute = FXPath::removeDotDotFolder(absolute);
  while (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
  if (absolute.size() < static_cast<size_t>(ZK_MIN_PRUNE_LENGTH)) return true;
  static const char* const kSystemFolders[] = {
      "/bin", "/boot", "/dev",  "/etc", "/home", "/lib", "/lib32", "/lib64", "/media", "/mnt",
      "/opt", "/proc", "/root", "/run", "/sbin", "/srv", "/sys",   "/tmp",   "/usr",   "/var"};
  for (const char* system : kSystemFolders) {
    if (absolute == system) return true;
  }
  return false;
}

bool IsDotOrDotDot(const std::string& name) { return name == "." || name == ".."; }

// Lists `folder` into `out` (names and lstat records), "." and ".." left out.
CYqError ListFolder(const std::string& folder, LONGLONG flags, std::list<FXFile::CFileData>& out) {
  auto_find_handle handle;
  FXFile::CFileData data;
  CYqError err = FXFile::ZKFindFirstFile(handle, folder, data, flags);
  if (err.Failed()) return err.Push(YQ_LOC, "Failed to open directory '%s'", folder.c_str());
  for (; err.Succeeded(); err = FXFile::ZKFindNextFile(handle, data, flags)) {
    if (IsDotOrDotDot(data.m_name)) continue;
    CYqError statErr = FXFile::ZKFindStat(handle, data);
    if (statErr.Failed())
      return statErr.Push(YQ_LOC, "Failed to stat entry [%s], error=%d", data.m_name.c_str(),
                          FXErrorUtil::GetErrNo(statErr));
    out.push_back(data);
  }
  if (FXErrorUtil::IsNotWin32(err, kNoMoreFiles)) return err.Push(YQ_LOC);
  return CYqError();
}

// The entries of `folder` whose names match `pattern`.
CYqError MatchingEntries(const std::string& folder, const std::string& pattern, LONGLONG flags,
                         std::list<FXFile::CFileData>& out) {
  CPathMatch matcher;
  CYqError err = matcher.initialize(pattern.c_str(), true, false);
  if (err.Failed()) return err.Push(YQ_LOC, "cmatch.initialize failed:%s", pattern.c_str());
  std::list<FXFile::CFileData> entries;
  err = ListFolder(folder, flags, entries);
  if (err.Failed()) return err.Push(YQ_LOC);
  CPathMatchWorkData work;
  for (FXFile::CFileData& entry : entries) {
    if (matcher.match(work, entry.m_name.c_str()) == PATH_MATCH) out.push_back(std::move(entry));
  }
  return CYqError();
}

// Deletes the matching entries modified before `limit` (any time when null).
CYqError DeleteMatching(const std::string& folder, const std::string& pattern,
                        const NATIVE_FILESYSTEM_TIMESTAMP* limit, DWORD flags) {
  std::list<FXFile::CFileData> matches;
  CYqError err = MatchingEntries(folder, pattern, ZK_FIND_MULTITHREAD, matches);
  if (err.Failed()) return err.Push(YQ_LOC);
  CYqError first;
  for (const FXFile::CFileData& entry : matches) {
    if (limit != nullptr && !(entry.m_stat.st_mtime < *limit)) continue;
    const bool isFolder = S_ISDIR(entry.m_stat.st_mode);
    if (isFolder && (flags & ZK_DELETE_FOLDERS) == 0) continue;
    const std::string path = entry.GetFullPath();
    CYqError one = isFolder ? FXFile::RemoveFolder(path, flags) : FXFile::RemoveFile(path);
    if (one.Failed() && first.Succeeded()) first = one.Push(YQ_LOC);
  }
  return first;
}

}  // namespace

// ---- find handles ----------------------------------------------------------------------------

void auto_find_handle::reset(DIR_Wrapper&& search) {
  CloseDirAndChangeDir();
  m_search = std::move(search);
  search.dir = nullptr;
  search.savedCwd = -1;
}

int auto_find_handle::CloseDirAndChangeDir() {
  int rc = 0;
  if (m_search.dir != nullptr) TempFsUTF::closedir_utf(m_search.dir);
  m_search.dir = nullptr;
  if (m_search.savedCwd >= 0) {
    rc = ::fchdir(m_search.savedCwd);
    const int error = errno;
    ::close(m_search.savedCwd);
    m_search.savedCwd = -1;
    if (rc != 0) {
      YQ_LOG_FAILURE("fchdir back from %s failed, errno=%d", m_search.path.c_str(), error);
      errno = error;
    }
  }
  return rc;
}

CYqError FXFile::ZKFindFirstFile(auto_find_handle& handle, const std::string& folder,
                                 CFileData& data, LONGLONG flags) {
  const bool multiThread = (flags & ZK_FIND_MULTITHREAD) != 0;
  CYqError err = OpenSearch(handle, folder, !multiThread);
  if (err.Failed()) return err.Push(YQ_LOC);
  data.m_folder = folder;
  err = ZKFindNextFile(handle, data, flags);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError FXFile::ZKFindFirstFile(auto_find_handle& handle, const std::wstring& folder,
                                 CFileData& data, LONGLONG flags) {
  std::string utf8;
  CYqError err = Narrow(YQ_LOC, folder, utf8);
  if (err.Succeeded()) err = ZKFindFirstFile(handle, utf8, data, flags);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError FXFile::ZKFindNextFile(auto_find_handle& handle, CFileData& data, LONGLONG) {
  if (!handle.IsValid()) return FXErrorUtil::ErrorWin32(YQ_LOC, 6, "No search is open");
  // The stream belongs to this handle alone, so the plain readdir is safe here; the name is
  // converted straight into the find data, reusing its buffer.
  errno = 0;
  const struct dirent64* found = ::readdir64(handle.get().dir);
  if (found == nullptr) {
    if (errno != 0) return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "readdir_r fail");
    return FXErrorUtil::ErrorWin32(YQ_LOC, kNoMoreFiles, "No more entries");
  }
  // ASCII names, the usual case, are their own UTF-8 form.
  const size_t nativeLength = std::strlen(found->d_name);
  if (TempFsUTF::IsAsciiText(found->d_name, nativeLength)) {
    data.m_name.assign(found->d_name, nativeLength);
  } else {
    std::string why;
    if (!TempFsUTF::mbeToUtfChecked(found->d_name, data.m_name, why))
      return FXErrorUtil::ErrorErrNo(YQ_LOC, errno != 0 ? errno : EILSEQ, "readdir_r fail: %s",
                                     why.c_str());
  }
  // The fixed entry keeps as much of a long UTF-8 name as fits; m_name has all of it.
  std::memcpy(&data.m_dirent, found, offsetof(struct dirent64, d_name));
  const size_t length = std::min(data.m_name.size(), sizeof data.m_dirent.d_name - 1);
  std::memcpy(data.m_dirent.d_name, data.m_name.c_str(), length);
  data.m_dirent.d_name[length] = '\0';
  if (data.m_folder != handle.get().path) data.m_folder = handle.get().path;
  data.m_bStatFetched = false;
  data.m_bMarked = false;
  return CYqError();
}

CYqError FXFile::ZKFindFirstFile_MultiThread(auto_find_handle& handle, const std::string& folder,
                                             CFileData& data) {
  CYqError err = ZKFindFirstFile(handle, folder, data, ZK_FIND_MULTITHREAD);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError FXFile::ZKFindNextFile_MultiThread(auto_find_handle& handle, CFileData& data) {
  CYqError err = ZKFindNextFile(handle, data, ZK_FIND_MULTITHREAD);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError FXFile::ZKFindClose(auto_find_handle& handle) {
  if (handle.CloseDirAndChangeDir() != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Failed to return to the working directory");
  return CYqError();
}

CYqError FXFile::ZKFindStat(const auto_find_handle& handle, CFileData& data) {
  // ASCII names, the usual case, are their own native form.
  const char* name = data.m_name.c_str();
  std::string native, why;
  if (!TempFsUTF::IsAsciiText(name, data.m_name.size())) {
    if (!TempFsUTF::utfToMbeChecked(name, native, why))
      return FXErrorUtil::ErrorWin32(YQ_LOC, 774, "No native name, File=%s", name);
    name = native.c_str();
  }
  int rc;
  if (handle.IsValid()) {
    rc = ::fstatat64(::dirfd(handle.get().dir), name, &data.m_stat, AT_SYMLINK_NOFOLLOW);
  } else {
    rc = TempFsUTF::lstat_utf(data.GetFullPath().c_str(), &data.m_stat);
  }
  if (rc != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "lstat failed, File=%s",
                                   data.GetFullPath().c_str());
  data.m_bStatFetched = true;
  return CYqError();
}

// ---- removal ---------------------------------------------------------------------------------

CYqError FXFile::RemoveFolder(const std::string& path, FVBasePtr abort, RemoveWalker walker,
                              DWORD flags) {
  if (IsProtectedFolder(path))
    return FXErrorUtil::ErrorWin32(
        YQ_LOC, kInvalidParameter,
        "WARNING: Attempt to remove folder less than ZK_MIN_PRUNE_LENGTH (%d) bytes, Path=%s",
        ZK_MIN_PRUNE_LENGTH, path.c_str());
  if (TempFsUTF::rmdir_utf(path.c_str()) == 0) return CYqError();
  if (errno != ENOTEMPTY && errno != EEXIST)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "rmdir(%s)", path.c_str());
  {
    auto_find_handle handle;
    CFileData data;
    CYqError err = ZKFindFirstFile(handle, path, data, ZK_FIND_MULTITHREAD);
    for (; err.Succeeded(); err = ZKFindNextFile(handle, data, ZK_FIND_MULTITHREAD)) {
      if (IsDotOrDotDot(data.m_name)) continue;
      std::string child = path;
      FXPath::Append(child, data.m_name);
      CYqError one = ZKFindStat(handle, data);
      if (one.Succeeded()) {
        if (S_ISDIR(data.m_stat.st_mode))
          one = RemoveFolder(child, abort, walker, flags);
        else if (walker)
          one = walker(child, boost::shared_ptr<CFileData>(new CFileData(data)), abort);
        else
          one = RemoveFile(child);
      }
      if (one.Failed())
        YQ_LOG_FAILURE("RemoveFolder(%s), error=[%s]", child.c_str(), one.AsString().c_str());
    }
    if (FXErrorUtil::IsNotWin32(err, kNoMoreFiles))
      YQ_LOG_FAILURE("RemoveFolder(%s), error=[%s]", path.c_str(), err.AsString().c_str());
  }
  if (TempFsUTF::rmdir_utf(path.c_str()) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "rmdir(%s)", path.c_str());
  return CYqError();
}

CYqError FXFile::RemoveFolder(const std::string& path, DWORD flags) {
  CYqError err = RemoveFolder(path, FVBasePtr(), RemoveWalker(), flags);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError FXFile::RemoveFolder(const std::wstring& path, DWORD flags) {
  std::string utf8;
  CYqError err = Narrow(YQ_LOC, path, utf8);
  if (err.Succeeded()) err = RemoveFolder(utf8, flags);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

// ---- pattern listing and deletion ------------------------------------------------------------

CYqError FXFile::GetMatchingFiles(const std::string& folder, const std::string& pattern,
                                  std::list<std::string>& out, bool multiThread) {
  std::list<CFileData> matches;
  CYqError err = MatchingEntries(folder, pattern, multiThread ? ZK_FIND_MULTITHREAD : 0, matches);
  if (err.Failed()) return err.Push(YQ_LOC);
  for (const CFileData& entry : matches) out.push_back(entry.GetFullPath());
  return CYqError();
}

CYqError FXFile::DeleteMatchingFiles(const std::string& pathWithPattern, DWORD flags) {
  std::string folder, pattern;
  CYqError err = FXPath::SplitParentPath(pathWithPattern, folder, pattern);
  if (err.Succeeded()) err = DeleteMatching(folder, pattern, nullptr, flags);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError FXFile::DeleteMatchingFiles(const std::string& folder, const std::string& pattern,
                                     DWORD flags) {
  CYqError err = DeleteMatching(folder, pattern, nullptr, flags);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError FXFile::DeleteMatchingFilesOlderThan(const std::string& folder, const std::string& pattern,
                                              const NATIVE_FILESYSTEM_TIMESTAMP& limit,
                                              DWORD flags) {
  CYqError err = DeleteMatching(folder, pattern, &limit, flags);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

// ---- creating folders ------------------------------------------------------------------------

CYqError FXFile::CreateFolder(const std::string& path, LPSECURITY_ATTRIBUTES security) {
  CYqError err = FXFolder::CreateFolder(path, security);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError FXFile::CreateFoldersIteratively(const std::string& path, LPSECURITY_ATTRIBUTES security) {
  CYqError err = FXFolder::CreateFoldersIteratively(path, security);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError FXFolder::CreateFolder(const std::string& path, LPSECURITY_ATTRIBUTES) {
  if (TempFsUTF::mkdir_utf(path.c_str(), 0777) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Failed to create folder, Folder=[%s]",
                                   path.c_str());
  return CYqError();
}

CYqError FXFolder::CreateFoldersIteratively(const std::string& path, LPSECURITY_ATTRIBUTES) {
  // Climb to the first folder that exists, then create the rest downwards (no recursion, so
  // a deep path cannot exhaust the stack).
  std::vector<std::string> missing;
  std::string current = path;
  while (current.size() > 1 && current.back() == '/') current.pop_back();
  for (;;) {
    if (current.empty())
      return FXErrorUtil::ErrorWin32(YQ_LOC, 267, "Invalid directory, Folder=[%s]", path.c_str());
    if (TempFsUTF::mkdir_utf(current.c_str(), 0777) == 0 || errno == EEXIST) break;
    if (errno != ENOENT)
      return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Failed to create folder, Folder=[%s]",
                                     current.c_str());
    missing.push_back(current);
    const size_t slash = current.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
      return FXErrorUtil::ErrorWin32(YQ_LOC, 267, "Invalid directory, Folder=[%s]", path.c_str());
    current.erase(slash);
    while (current.size() > 1 && current.back() == '/') current.pop_back();
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (TempFsUTF::mkdir_utf(it->c_str(), 0777) != 0 && errno != EEXIST)
      return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "Failed to create folder, Folder=[%s]",
                                     it->c_str());
  }
  return CYqError();
}

bool FXFolder::DoesFolderExist(const std::string& path) {
  struct stat64 st;
  return TempFsUTF::stat_utf(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// ---- DirectoryExt ----------------------------------------------------------------------------

DirectoryExtObserver::~DirectoryExtObserver() = default;

DirectoryExt::DirectoryExt()
    : m_dir(nullptr),
      m_last(nullptr),
      m_buffer(new char[kEntryBufferSize]),
      m_errno(0),
      m_open(false) {}

DirectoryExt::~DirectoryExt() {
  close();
  notify();
}

int DirectoryExt::openDirectory(const char* path) {
  close();
  m_dir = TempFsUTF::opendir_utf(path);
  if (m_dir == nullptr) {
    m_errno = errno;
    return -1;
  }
  m_errno = 0;
  m_open = true;
  return 0;
}

const char* DirectoryExt::read() {
  if (!m_open) {
    m_errno = -1;
    errno = EBADF;
    return nullptr;
  }
  std::memset(m_buffer.get(), 0, kEntryBufferSize);
  m_last = nullptr;
  const int rc = TempFsUTF::readdir_r_utf(m_dir, reinterpret_cast<struct dirent64*>(m_buffer.get()),
                                          &m_last, nullptr);
  m_errno = rc;
  if (rc != 0) errno = rc;
  return m_last != nullptr ? m_last->d_name : nullptr;
}

void DirectoryExt::close() {
  if (m_dir != nullptr) TempFsUTF::closedir_utf(m_dir);
  m_dir = nullptr;
  m_last = nullptr;
  m_open = false;
}

void DirectoryExt::attach(DirectoryExtObserver* observer) {
  if (observer != nullptr) m_observers.emplace_back(observer);
}

void DirectoryExt::notify() {
  std::vector<std::unique_ptr<DirectoryExtObserver>> observers;
  observers.swap(m_observers);
  for (auto& observer : observers) observer->notification();
}
