// skipFS: file-system types by magic number and the ignore-types list.
#include "yqbase/volumes/skipFS.h"

#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "yqbase/files/DirectoryExt.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/files/YqPath.h"
#include "yqbase/logging/LogWriterInterface.h"

namespace {

struct SFsMagic {
  std::uint32_t magic;
  const char* name;
};

// The kernel's statfs magic numbers of the file systems backups care about.
constexpr SFsMagic kFsMagics[] = {
    {0xEF53, "ext3"},        {0x58465342, "xfs"}, {0x6969, "nfs"},       {0xFF534D42, "cifs"},
    {0xFE534D42, "cifs"},    {0x517B, "smbfs"},   {0x9FA0, "proc"},      {0x9FA1, "openpromfs"},
    {0x9660, "iso9660"},     {0x1373, "devfs"},   {0x1CD1, "devpts"},    {0x01021994, "tmpfs"},
    {0x15013346, "udf"},     {0x187, "autofs"},   {0x62656572, "sysfs"}, {0x47504653, "gpfs"},
    {0x6E737300, "nsspool"},
};

constexpr unsigned kFloppyMajor = 2;
const char* const kErrorType = "Error";

// Stats `path` for GetFsType, logging a failure (a missing path only at trace level).
bool StatForType(const char* path, struct stat64& st) {
  if (TempFsUTF::stat_utf(path, &st) == 0) return true;
  const int error = errno;
  if (error == ENOENT)
    YQ_TRACE(3, "stat '%s' failed, errno=%d", path, error);
  else
    YQ_LOG_FAILURE("stat '%s' failed, errno=%d", path, error);
  return false;
}

// The known name of a statfs magic number, or null.
const char* MagicName(std::uint32_t magic) {
  for (const SFsMagic& known : kFsMagics) {
    if (known.magic == magic) return known.name;
  }
  return nullptr;
}

std::string DecimalName(std::uint32_t magic) {
  char decimal[16];
  std::snprintf(decimal, sizeof decimal, "%lu", static_cast<unsigned long>(magic));
  return decimal;
}

// A file system that reports no magic number (some automounter placeholders and FUSE
// layers) is named after what its first entry lives on, when that is another device; else it
// keeps the decimal name "0".
std::string TypeOfMagicZero(const char* path, const struct stat64& folder) {
  DirectoryExt dir;
  if (dir.openDirectory(path) != 0) return DecimalName(0);
  while (const char* name = dir.read()) {
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    std::string child = path;
    FXPath::Append(child, name);
    struct stat64 st;
    if (TempFsUTF::lstat_utf(child.c_str(), &st) != 0) {
      YQ_LOG_FAILURE("stat64 '%s' failed, errno=%d", child.c_str(), errno);
      return kErrorType;
    }
    struct statfs64 fs;
    if (st.st_dev == folder.st_dev || TempFsUTF::statfs_utf(child.c_str(), &fs) != 0) break;
    const std::uint32_t magic = static_cast<std::uint32_t>(fs.f_type);
    const char* known = MagicName(magic);
    return known != nullptr ? known : DecimalName(magic);
  }
  return DecimalName(0);
}

// The type name of the file system holding `path`, or "Error".
std::string TypeOfPath(const char* path) {
  struct statfs64 fs;
  if (TempFsUTF::statfs_utf(path, &fs) != 0) {
    YQ_LOG_FAILURE("statfs '%s' failed, errno=%d", path, errno);
    return kErrorType;
  }
  // The magic is a 32-bit value; reading it unsigned keeps its text the same everywhere.
  const std::uint32_t magic = static_cast<std::uint32_t>(fs.f_type);
  if (const char* known = MagicName(magic)) return known;
  struct stat64 st;
  if (!StatForType(path, st)) return kErrorType;
  if (zk_fs_major(&st) == kFloppyMajor) return "floppy";
  if (magic == 0 && S_ISDIR(st.st_mode)) return TypeOfMagicZero(path, st);
  return DecimalName(magic);
}

// The stored form of one ignored folder: runs of "/" collapsed and one trailing "/".
std::string FolderKey(const std::string& folder) {
  std::string key;
  for (char c : folder) {
    if (c != '/' || key.empty() || key.back() != '/') key += c;
  }
  if (!key.empty() && key.back() != '/') key += '/';
  return key;
}

}  // namespace

unsigned zk_fs_major(const struct stat64* st) { return major(st->st_dev); }

const char* const skipFS::kDefaultIgnoreFSTypes =
    ":nfs:nfs3:nfs4:autofs:lofs:tmpfs:proc:ctfs:udf:cifs:smbfs:debugfs:devfs::iso9660:isofs:"
    "openpromfs:devfs:procfs:nsspool:sysfs:floppy:ufs:devpts:devtmpfs:";

skipFS::skipFS() : m_ignoreTypes(kDefaultIgnoreFSTypes) {}

skipFS& skipFS::getInstance() {
  static skipFS instance;
  return instance;
}

void skipFS::SetIgnoreFSTypes(const std::string& types) {
  if (types.empty()) {
    m_ignoreTypes = kDefaultIgnoreFSTypes;
    return;
  }
  std::string list = types;
  if (list.front() != ':') list.insert(list.begin(), ':');
  if (list.size() == 1 || list.back() != ':') list += ':';
  m_ignoreTypes.swap(list);
}

bool skipFS::isSkipFS(const char* fsType) const {
  const std::string item = std::string(":") + (fsType != nullptr ? fsType : "") + ":";
  return m_ignoreTypes.find(item) != std::string::npos;
}

void skipFS::SetFSCacheEnabled(bool enabled) {
  m_cacheEnabled = enabled;
  YQ_TRACE(1, "FSType cache is %s", enabled ? "enabled" : "disabled");
}

std::string skipFS::GetFsType(const char* path, bool& skip, const struct stat64* st) {
  std::string type = kErrorType;
  struct stat64 own;
  if (st == nullptr && StatForType(path, own)) st = &own;
  if (st != nullptr) {
    const std::uint64_t key = static_cast<std::uint64_t>(st->st_dev);
    bool cached = false;
    if (m_cacheEnabled) {
      std::lock_guard<std::mutex> guard(m_cacheLock);
      auto found = m_typeCache.find(key);
      if (found != m_typeCache.end()) {
        type = found->second;
        cached = true;
      }
    }
    if (!cached) {
      type = TypeOfPath(path);
      if (m_cacheEnabled && type != kErrorType) {
        std::lock_guard<std::mutex> guard(m_cacheLock);
        m_typeCache[key] = type;
        YQ_TRACE(3, "add fstype '%s' for '%s' to cache (dev_key:%llX)", type.c_str(), path,
                 static_cast<unsigned long long>(key));
      }
    }
  }
  skip = isSkipFS(type.c_str());
  return type;
}

bool skipFS::isSkipFS(const char* path, std::string& fsType, const struct stat64* st) {
  bool skip = false;
  fsType = GetFsType(path, skip, st);
  YQ_TRACE(3, "Name=[%s], GetFSType=[%s], skipFS=[%d]", path, fsType.c_str(), skip ? 1 : 0);
  return skip;
}

void skipFS::setIgnoreDirs(const std::string& dirs) {
  std::string list = ":";
  for (size_t begin = 0; begin <= dirs.size();) {
    size_t end = dirs.find(':', begin);
    if (end == std::string::npos) end = dirs.size();
    const std::string folder = FolderKey(dirs.substr(begin, end - begin));
    if (!folder.empty()) list += folder + ":";
    begin = end + 1;
  }
  m_ignoreDirs = list.size() > 1 ? list : std::string();
}

bool skipFS::isSkipDir(const std::string& folder) const {
  const std::string key = FolderKey(folder);
  return !key.empty() && m_ignoreDirs.find(":" + key + ":") != std::string::npos;
}
