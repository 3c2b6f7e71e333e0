// FXFolder's mounted-volume list, and CYqDirectory.
#include "yqbase/files/YqDirectory.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cctype>
#include <cerrno>
#include <utility>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/FileData.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/files/YqFile.h"
#include "yqbase/files/YqPath.h"
#include "yqbase/threads/CriticalSection.h"

namespace {

// The kept volume list and the lock that guards it.
struct SVolumeCache {
  FXCriticalSection lock;
  std::list<ZkMntTab::Entry> volumes;
};

SVolumeCache& VolumeCache() {
  static SVolumeCache cache;
  return cache;
}

constexpr DWORD kNoMoreFiles = 18;
constexpr DWORD kEmpty = 4306;

// The null and empty checks every static operation makes before touching the file system.
CYqError CheckFolderArgument(const FXCodeLocation& location, const char* path) {
  if (path == nullptr) return FXErrorUtil::ErrorWin32(location, 87, "Folder is NULL");
  if (path[0] == '\0') return FXErrorUtil::ErrorWin32(location, kEmpty, "Folder is empty");
  return CYqError();
}

// Calls `visit(data)` for each entry of `folder` but "." and "..", with its lstat record.
template <typename Visit>
CYqError ForEachEntry(const std::string& folder, Visit visit) {
  auto_find_handle handle;
  FXFile::CFileData data;
  CYqError err = FXFile::ZKFindFirstFile(handle, folder, data, ZK_FIND_MULTITHREAD);
  for (; err.Succeeded(); err = FXFile::ZKFindNextFile(handle, data, ZK_FIND_MULTITHREAD)) {
    if (data.m_name == "." || data.m_name == "..") continue;
    CYqError one = FXFile::ZKFindStat(handle, data);
    if (one.Succeeded()) one = visit(data);
    if (one.Failed()) return one.Push(YQ_LOC);
  }
  return FXErrorUtil::IsWin32(err, kNoMoreFiles) ? CYqError() : err.Push(YQ_LOC);
}

}  // namespace

class CYqDirectoryPrivate {
 public:
  ~CYqDirectoryPrivate() { Close(); }
  void Close() {
    if (dir != nullptr) TempFsUTF::closedir_utf(dir);
    dir = nullptr;
  }

  DIR* dir = nullptr;
  std::string folder;
  std::string pattern;
  bool caseInsensitive = false;
};

CYqError FXFolder::getLogicalVolumeList(std::list<ZkMntTab::Entry>& volumes, const char* fsType) {
  SVolumeCache& cache = VolumeCache();
  auto_lock guard(&cache.lock);
  if (cache.volumes.empty()) {
    std::list<ZkMntTab::Entry> read;
    CYqError err = ZkMntTab::getAll(read, fsType);
    if (err.Failed()) return err.Push(YQ_LOC);
    read.sort(CmpPathByLength);  // stable: equal lengths keep the table's order
    cache.volumes.swap(read);
  }
  volumes = cache.volumes;
  return CYqError();
}

void FXFolder::resetLogicalVolumeList() {
  SVolumeCache& cache = VolumeCache();
  auto_lock guard(&cache.lock);
  cache.volumes.clear();
}

bool FXFolder::CmpPathByLength(const ZkMntTab::Entry& a, const ZkMntTab::Entry& b) {
  return a.mountPoint.size() > b.mountPoint.size();
}

// ---- CYqDirectory ----------------------------------------------------------------------------

CYqDirectory::CYqDirectory() : m_private(new CYqDirectoryPrivate) {}

CYqDirectory::~CYqDirectory() = default;

CYqError CYqDirectory::Open(const char* folder, const char* pattern, bool caseInsensitive) {
  CYqError err = CheckFolderArgument(YQ_LOC, folder);
  if (err.Failed()) return err;
  Close();
  m_private->folder = folder;
  m_private->pattern = pattern != nullptr ? pattern : "*";
  m_private->caseInsensitive = caseInsensitive;
  m_private->dir = TempFsUTF::opendir_utf(folder);
  if (m_private->dir == nullptr)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "opendir failed, Folder=[%s]", folder);
  return CYqError();
}

CYqError CYqDirectory::GetEntry(SYqDirEntry* entry, bool& end) {
  end = false;
  if (m_private->dir == nullptr) return FXErrorUtil::ErrorWin32(YQ_LOC, 6, "Folder is not open");
  union {
    struct dirent64 entry;
    char bytes[TempFsUTF::kDirentBufferSize];
  } buffer;
  for (;;) {
    struct dirent64* found = nullptr;
    const int rc = TempFsUTF::readdir_r_utf(m_private->dir, &buffer.entry, &found, nullptr);
    if (rc != 0)
      return FXErrorUtil::ErrorErrNo(YQ_LOC, rc, "readdir failed, Folder=[%s]",
                                     m_private->folder.c_str());
    if (found == nullptr) {
      end = true;
      return CYqError();
    }
    if (!MatchWildcard(m_private->pattern.c_str(), found->d_name, m_private->caseInsensitive))
      continue;
    if (entry != nullptr) {
      entry->name = found->d_name;
      entry->type = found->d_type;
      bool folder = found->d_type == DT_DIR;
      if (found->d_type == DT_UNKNOWN) {
        std::string path = m_private->folder;
        FXPath::Append(path, entry->name);
        struct stat64 st;
        folder = TempFsUTF::lstat_utf(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      }
      entry->isFolder = folder;
    }
    return CYqError();
  }
}

void CYqDirectory::Close() { m_private->Close(); }

bool CYqDirectory::MatchWildcard(const char* pattern, const char* name, bool caseInsensitive) {
  if (pattern == nullptr || name == nullptr) return false;
  auto same = [caseInsensitive](char a, char b) {
    if (!caseInsensitive) return a == b;
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  };
  // Greedy with one resume point: a later "*" makes every earlier choice final, so the
  // work is bounded by the product of the lengths.
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name != '\0') {
    if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (*pattern != '\0' && (*pattern == '?' || same(*pattern, *name))) {
      ++pattern;
      ++name;
    } else if (star != nullptr) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

CYqError CYqDirectory::Create(const char* path, bool recursive) {
  CYqError err = CheckFolderArgument(YQ_LOC, path);
  if (err.Succeeded())
    err = recursive ? FXFolder::CreateFoldersIteratively(path) : FXFolder::CreateFolder(path);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CYqDirectory::Remove(const char* path, DWORD flags) {
  CYqError err = CheckFolderArgument(YQ_LOC, path);
  if (err.Failed()) return err;
  if ((flags & kRemoveContents) != 0) {
    err = FXFile::RemoveFolder(path, 0);
  } else if (TempFsUTF::rmdir_utf(path) != 0) {
    err = FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "rmdir failed");
  }
  if ((flags & kRemoveIgnoreMissing) != 0 && FXErrorUtil::IsErrNo(err, ENOENT)) return CYqError();
  return err.Failed() ? err.Push(YQ_LOC, "Folder=[%s]", path) : err;
}

CYqError CYqDirectory::Remove(const char* path, bool withContents, bool ignoreMissing) {
  CYqError err = Remove(
      path, (withContents ? kRemoveContents : 0) | (ignoreMissing ? kRemoveIgnoreMissing : 0));
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CYqDirectory::GetSpaceUsage(const char* path, unsigned long long* total,
                                     unsigned long long* free) {
  CYqError err = CheckFolderArgument(YQ_LOC, path);
  if (err.Failed()) return err;
  std::string native;
  err = FXPath::MakeNativePath(path, native);
  if (err.Failed()) return err.Push(YQ_LOC);
  struct statvfs64 fs;
  if (::statvfs64(native.c_str(), &fs) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "statvfs failed, Folder=[%s]", path);
  if (total != nullptr) *total = static_cast<unsigned long long>(fs.f_blocks) * fs.f_bsize;
  if (free != nullptr) *free = static_cast<unsigned long long>(fs.f_bavail) * fs.f_bsize;
  return CYqError();
}

CYqError CYqDirectory::IsEmpty(const char* path, bool& empty) {
  CYqError err = CheckFolderArgument(YQ_LOC, path);
  if (err.Failed()) return err;
  empty = true;
  auto_find_handle handle;
  FXFile::CFileData data;
  err = FXFile::ZKFindFirstFile(handle, path, data, ZK_FIND_MULTITHREAD);
  for (; err.Succeeded(); err = FXFile::ZKFindNextFile(handle, data, ZK_FIND_MULTITHREAD)) {
    if (data.m_name != "." && data.m_name != "..") {
      empty = false;
      return CYqError();
    }
  }
  return FXErrorUtil::IsWin32(err, kNoMoreFiles) ? CYqError() : err.Push(YQ_LOC);
}

bool CYqDirectory::IsEmpty(const char* path) {
  bool empty = false;
  return IsEmpty(path, empty).Succeeded() && empty;
}

CYqError CYqDirectory::Copy(const char* from, const char* to, bool recursive, const char* pattern,
                            bool overwrite) {
  if (from == nullptr || from[0] == '\0')
    return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "pSrcDir cannot be NULL OR empty");
  if (to == nullptr || to[0] == '\0')
    return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "pDstDir cannot be NULL OR empty");
  if (!FXFolder::DoesFolderExist(to))
    return FXErrorUtil::ErrorWin32(YQ_LOC, 3, "pDstDir [%s] does not exists", to);
  const std::string filePattern = pattern != nullptr ? pattern : "*";
  // Folders still to copy: (source, target), the target already created.
  std::vector<std::pair<std::string, std::string>> pending = {{from, to}};
  while (!pending.empty()) {
    const std::pair<std::string, std::string> folder = std::move(pending.back());
    pending.pop_back();
    CYqError err = ForEachEntry(folder.first, [&](const FXFile::CFileData& data) -> CYqError {
      std::string target = folder.second;
      FXPath::Append(target, data.m_name);
      const std::string source = data.GetFullPath();
      if (S_ISDIR(data.m_stat.st_mode)) {
        if (!recursive) return CYqError();
        CYqError made = FXFolder::CreateFolder(target);
        if (made.Failed() && FXErrorUtil::IsNotErrNo(made, EEXIST)) return made.Push(YQ_LOC);
        pending.emplace_back(source, target);
        return CYqError();
      }
      if (!S_ISREG(data.m_stat.st_mode) ||
          !MatchWildcard(filePattern.c_str(), data.m_name.c_str(), false))
        return CYqError();
      struct stat64 st;
      if (!overwrite && TempFsUTF::lstat_utf(target.c_str(), &st) == 0) return CYqError();
      return CYqFile::Copy(source.c_str(), target.c_str());
    });
    if (err.Failed()) return err.Push(YQ_LOC, "Copy %s to %s", from, to);
  }
  return CYqError();
}

CYqError CYqDirectory::Walk(const char* folder, void* context, int depth, bool recursive,
                            WalkerFunc walker) {
  CYqError err = CheckFolderArgument(YQ_LOC, folder);
  if (err.Failed()) return err;
  if (walker == nullptr) return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "No walker given");
  // Folders still to walk with their level below `folder`.
  std::vector<std::pair<std::string, int>> pending = {{folder, 0}};
  while (!pending.empty()) {
    const std::pair<std::string, int> current = std::move(pending.back());
    pending.pop_back();
    err = ForEachEntry(current.first, [&](const FXFile::CFileData& data) -> CYqError {
      const bool isFolder = S_ISDIR(data.m_stat.st_mode);
      CYqError result = walker(current.first.c_str(), data.m_name.c_str(), isFolder, context);
      if (result.Failed()) return result;
      if (isFolder && recursive && (depth < 0 || current.second < depth))
        pending.emplace_back(data.GetFullPath(), current.second + 1);
      return CYqError();
    });
    if (err.Failed()) return err.Push(YQ_LOC, "Walk(%s)", current.first.c_str());
  }
  return CYqError();
}
