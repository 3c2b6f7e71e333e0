// CSimpleFolderItemImplStat: lazily fetched lstat details of a folder entry.
#include "yqbase/traversal/SimpleFolderItemImplStat.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/files/YqPath.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/traversal/SimpleFolderIteratorPrivate.h"

namespace {

constexpr DWORD kReparsePoint = 0x400;

// Seconds since 1970 as a time stamp; zero stays zero.
CTimeStamp FromSeconds(time_t seconds) {
  return seconds == 0 ? CTimeStamp() : CTimeStamp::FromPosixTime(static_cast<LONGLONG>(seconds));
}

}  // namespace

CSimpleFolderItemImplStat::CSimpleFolderItemImplStat(
    const boost::shared_ptr<CSimpleFolderIteratorPrivate>& iterator, const char* nativeName)
    : m_iterator(iterator), m_stat() {
  std::snprintf(m_nativeName, sizeof m_nativeName, "%s", nativeName);
}

CSimpleFolderItemImplStat::~CSimpleFolderItemImplStat() = default;

FVBasePtr CSimpleFolderItemImplStat::GetContext() const { return m_iterator->context; }

std::string CSimpleFolderItemImplStat::GetItemName() {
  if (m_itemName.empty()) FXPath::MakeNormalPath(m_nativeName, m_itemName);
  return m_itemName;
}

std::string CSimpleFolderItemImplStat::GetFullyQualifiedItemName() {
  if (m_fullName.empty()) {
    m_fullName = m_iterator->folder;
    FXPath::Append(m_fullName, GetItemName());
  }
  return m_fullName;
}

const struct stat64& CSimpleFolderItemImplStat::GetStat() {
  if (m_statFetched) return m_stat;
  m_statFetched = true;
  const int fd = m_iterator->DirFd();
  int rc;
  if (fd >= 0) {
    rc = ::fstatat64(fd, m_nativeName, &m_stat, AT_SYMLINK_NOFOLLOW);
  } else {
    rc = TempFsUTF::lstat_utf(GetFullyQualifiedItemName().c_str(), &m_stat);
  }
  if (rc != 0) {
    const int error = errno;
    YQ_LOG_FAILURE("lstat failed, ItemName=%s, error=%s", GetFullyQualifiedItemName().c_str(),
                   std::strerror(error));
    std::memset(&m_stat, 0, sizeof m_stat);
  }
  return m_stat;
}

BFileAttributesWindows CSimpleFolderItemImplStat::GetAttributes() {
  if (m_attributes != 0 || m_statFetched) return m_attributes;
  const struct stat64& st = GetStat();
  if (st.st_mode == 0) return m_attributes;  // lstat failed: all zero
  const bool readOnly = (st.st_mode & S_IWUSR) == 0;
  if (S_ISDIR(st.st_mode))
    m_attributes = BFileAttributesWindows::DIRECTORY;
  else if (S_ISLNK(st.st_mode))
    m_attributes = kReparsePoint;
  else if (!readOnly)
    m_attributes = BFileAttributesWindows::NORMAL;
  if (readOnly) m_attributes |= BFileAttributesWindows::READONLY;
  return m_attributes;
}

std::uint64_t CSimpleFolderItemImplStat::GetSize() {
  return static_cast<std::uint64_t>(GetStat().st_size);
}

CTimeStamp CSimpleFolderItemImplStat::GetCreationTime() { return CTimeStamp(); }

CTimeStamp CSimpleFolderItemImplStat::GetLastWriteTime() { return FromSeconds(GetStat().st_mtime); }

CTimeStamp CSimpleFolderItemImplStat::GetLastAccessTime() {
  return FromSeconds(GetStat().st_atime);
}

CTimeStamp CSimpleFolderItemImplStat::GetChangeTime() { return FromSeconds(GetStat().st_ctime); }

bool CSimpleFolderItemImplStat::Has(const char* name, std::uint64_t flags) {
  if (name != nullptr && std::strcmp(name, "FileId") == 0) return true;
  if (name != nullptr && std::strcmp(name, "CreationTime") == 0) return false;
  return CSimpleFolderItem::Has(name, flags);
}

CYqError CSimpleFolderItemImplStat::GetValue(const char* name, boost::any& value,
                                             std::uint64_t flags) {
  if (name != nullptr && std::strcmp(name, "FileId") == 0) {
    value = static_cast<std::uint64_t>(GetStat().st_ino);
    return CYqError();
  }
  if (name != nullptr && std::strcmp(name, "CreationTime") == 0)
    return FXErrorUtil::ErrorWin32(YQ_LOC, 1168, "ItemId=[%s]", name);
  CYqError err = CSimpleFolderItem::GetValue(name, value, flags);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}
