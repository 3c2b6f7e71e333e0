// skipFS: file-system types by magic number and the ignore-types list.
#include "yqbase/volumes/skipFS.h"

#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "yqbase/files/Unix/FsUTF.h"
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

std::string skipFS::GetFsType(const char* path, bool& skip, const struct stat64* st) const {
  std::string type = kErrorType;
  struct stat64 own;
  if (st != nullptr || StatForType(path, own)) {
    struct statfs64 fs;
    if (TempFsUTF::statfs_utf(path, &fs) != 0) {
      YQ_LOG_FAILURE("statfs '%s' failed, errno=%d", path, errno);
    } else {
      // The magic is a 32-bit value; reading it unsigned keeps its text the same everywhere.
      const std::uint32_t magic = static_cast<std::uint32_t>(fs.f_type);
      type.clear();
      for (const SFsMagic& known : kFsMagics) {
        if (known.magic == magic) type = known.name;
      }
      if (type.empty()) {
        char decimal[16];
        std::snprintf(decimal, sizeof decimal, "%lu", static_cast<unsigned long>(magic));
        type = decimal;
        if (!StatForType(path, own))
          type = kErrorType;
        else if (zk_fs_major(&own) == kFloppyMajor)
          type = "floppy";
      }
    }
  }
  skip = isSkipFS(type.c_str());
  return type;
}
