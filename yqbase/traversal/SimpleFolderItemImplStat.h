// CSimpleFolderItemImplStat: a folder item whose details come from lstat.
#pragma once

#include <sys/stat.h>

#include <string>

#include "yqbase/traversal/SimpleFolderItem.h"

class CSimpleFolderIteratorPrivate;

/// The POSIX folder item: lstat (links are not followed) on the first request for details,
/// looked up beside the iterator's open folder while it is open, by full path afterwards. A
/// failed lstat is logged and the item reads as zero. Offers "FileId" (the inode number) and
/// not "CreationTime" (there is none here).
class YQBASE_EXPORT CSimpleFolderItemImplStat : public CSimpleFolderItem {
 public:
  CSimpleFolderItemImplStat(const boost::shared_ptr<CSimpleFolderIteratorPrivate>& iterator,
                            const char* nativeName);
  ~CSimpleFolderItemImplStat() override;

  FVBasePtr GetContext() const override;
  std::string GetItemName() override;
  std::string GetFullyQualifiedItemName() override;
  BFileAttributesWindows GetAttributes() override;
  std::uint64_t GetSize() override;
  /// Zero: there is no creation time here.
  CTimeStamp GetCreationTime() override;
  CTimeStamp GetLastWriteTime() override;
  CTimeStamp GetLastAccessTime() override;
  CTimeStamp GetChangeTime() override;
  bool Has(const char* name, std::uint64_t flags) override;
  using CSimpleFolderItem::Has;
  [[nodiscard]] CYqError GetValue(const char* name, boost::any& value,
                                  std::uint64_t flags) override;
  using CSimpleFolderItem::GetValue;

  /// The name as the system spells it.
  const char* GetNativeName() const { return m_nativeName; }
  /// The lstat record (fetched if needed; zero after a failure).
  const struct stat64& GetStat();

 private:
  boost::shared_ptr<CSimpleFolderIteratorPrivate> m_iterator;
  char m_nativeName[256];
  std::string m_itemName;
  std::string m_fullName;
  struct stat64 m_stat;
  bool m_statFetched = false;
  DWORD m_attributes = 0;
};
