// ZkMntTab: the mounted volumes read from the mount table, and the volume that holds a path.
#pragma once

#include <list>
#include <string>

#include "yqbase/errors/YqError.h"

/// The mount table as a list of entries. Each getAll reads the table afresh (callers that need
/// it often keep a copy, as FXFolder::getLogicalVolumeList does); all functions are
/// thread-safe and getAll blocks on the file read.
///
///   std::list<ZkMntTab::Entry> volumes;
///   CYqError err = ZkMntTab::getAll(volumes);
///   const ZkMntTab::Entry* volume = ZkMntTab::find(volumes, "/home/user/x");
class YQBASE_EXPORT ZkMntTab {
 public:
  /// One mounted volume.
  struct Entry {
    std::string device;      ///< the mounted device or source
    std::string mountPoint;  ///< without a trailing "/" (except "/" itself)
    bool cluster = false;    ///< a shared, cluster or network file system
    std::string fsType;      ///< the file-system type as the table names it
    std::string options;     ///< the mount options

    bool operator==(const Entry& other) const {
      return device == other.device && mountPoint == other.mountPoint && cluster == other.cluster &&
             fsType == other.fsType && options == other.options;
    }
  };

  /// The mount table that getAll reads.
  static const char* const kMountTable;

  /// Replaces `entries` with the mounted volumes of "/etc/mtab", in the reverse order of the
  /// table (so of two mounts on one point the later, visible one comes first). When no entry
  /// is the root, a "root-dev" entry for "/" is added at the end; a missing table gives that
  /// entry alone. With a `typeFilter` (for example "NFS,GPFS,VXFS") an entry counts as a
  /// cluster file system when the upper-cased filter contains its upper-cased type as text
  /// (so "XFS" is in "VXFS"), VXFS only when mounted with "cluster"; without it a fixed set
  /// does (MMFS, GPFS, PSFS, ibrix, ocfs2, lustre, nfs*, VXFS with "cluster"). The filter
  /// sets the flag only; no entry is left out. A table that cannot be read fails with errno
  /// and leaves `entries` unchanged.
  [[nodiscard]] static CYqError getAll(std::list<Entry>& entries);
  [[nodiscard]] static CYqError getAll(std::list<Entry>& entries, const char* typeFilter);
  /// getAll over another table file in the same format (/proc/self/mounts, a saved copy).
  [[nodiscard]] static CYqError getAllFromFile(const char* tableFile, std::list<Entry>& entries,
                                               const char* typeFilter);

  /// The entry whose mount point holds the absolute `path` (the longest such mount point;
  /// the first of equal ones), or null. Trailing "/" on either side are ignored, and a mount
  /// point holds only whole components: "/home" holds "/home/user2", "/home/user" does not.
  static const Entry* find(const std::list<Entry>& entries, const char* path);
};
