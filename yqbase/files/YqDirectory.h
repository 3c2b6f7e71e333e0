// FXFolder: folders, and the cached list of mounted volumes.
#pragma once

#include <list>

#include "yqbase/errors/YqError.h"
#include "yqbase/volumes/ZkMntTab.h"

/// Static folder functions. The mounted-volume list is read from the mount table once and
/// kept, sorted longest mount point first, until resetLogicalVolumeList; it is shared by all
/// threads under its own lock.
class YQBASE_EXPORT FXFolder {
 public:
  /// A copy of the mounted volumes, longest mount point first (so the first entry that holds
  /// a path is its volume). The first call after a reset reads the mount table with `fsType`
  /// as its cluster-type filter (see ZkMntTab::getAll); later calls return the kept list
  /// whatever their filter. A mount table that cannot be read fails and leaves `volumes`
  /// unchanged.
  [[nodiscard]] static CYqError getLogicalVolumeList(std::list<ZkMntTab::Entry>& volumes,
                                                     const char* fsType = nullptr);
  /// Forgets the kept list, so that the next request reads the mount table again (after a
  /// mount or unmount).
  static void resetLogicalVolumeList();
  /// Orders volumes by the length of their mount point, longest first.
  static bool CmpPathByLength(const ZkMntTab::Entry& a, const ZkMntTab::Entry& b);
};
