// ZkMntTab: the mounted volumes read from the mount table, and the volume that holds a path.
#pragma once

#include <sys/stat.h>

#include <cstring>
#include <list>
#include <map>
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

/// One mount as a fixed-size C record, in a singly linked list made by zkReadMntTabNew.
/// Longer fields are cut (at a character boundary is not guaranteed) and always terminated.
struct ZkMntEntry {
  ZkMntEntry* next;
  char fsname[1024];  ///< the mounted device or source
  char dir[1024];     ///< the mount point, without a trailing "/" (except "/" itself)
  char opts[256];     ///< the mount options
  char type[256];     ///< the file-system type
  int cluster;        ///< 1 for a shared, cluster or network file system
};

/// Orders the keys of a mount-point map byte-wise.
struct ltstr {
  bool operator()(const std::string& a, const std::string& b) const {
    return std::strcmp(a.c_str(), b.c_str()) < 0;
  }
};

/// The mounts of "/etc/mtab" as a new list, the last line of the table first, or null. A
/// missing table gives null with an empty `errorText`; a failure gives null with its reason
/// ("Failed to stat /etc/mtab: ...", "Failed to open file /etc/mtab for reading: ...",
/// "Memory allocation failed"). `typeFilter` marks cluster types as ZkMntTab::getAll does;
/// `count` (if given) gets the number of records. `errorText` (if given) is always
/// terminated. Free the list with zkFreeMntTab (or each record with free).
/// Deliberate departure, so that a damaged table never yields a wrong mount point: a line
/// longer than 4095 bytes or with fewer than three fields is left out and logged instead of
/// being cut and read.
YQBASE_EXPORT ZkMntEntry* zkReadMntTabNew(char* errorText, int errorSize, const char* typeFilter,
                                          int* count);
/// zkReadMntTabNew without a type filter.
YQBASE_EXPORT ZkMntEntry* zkReadMntTab(char* errorText, int errorSize);
/// The same records keyed by mount point; of two mounts on one point the visible (later) one
/// is kept and the other freed. 0, or -1 with the reason in `errorText`. The caller frees the
/// records of the map (zkFreeMntTabMap).
YQBASE_EXPORT int zkReadMntTab(std::map<std::string, ZkMntEntry*, ltstr>& byMountPoint, int& count,
                               const char* typeFilter, char* errorText, unsigned errorSize);
/// Frees every record of a list made by zkReadMntTabNew (null is allowed).
YQBASE_EXPORT void zkFreeMntTab(ZkMntEntry* list);
/// Frees the records of a map filled by zkReadMntTab and empties it.
YQBASE_EXPORT void zkFreeMntTabMap(std::map<std::string, ZkMntEntry*, ltstr>& byMountPoint);
/// The record whose mount point holds `path` (longest mount point of whole components, the
/// first of equal ones), or null for a null or empty path.
YQBASE_EXPORT ZkMntEntry* zkMntTabFind(ZkMntEntry* list, const char* path);
/// Fills `entry` (zeroed first) for the root file system: "root-dev" on "/", the type of "/",
/// options "default".
YQBASE_EXPORT void GetRootEntry(ZkMntEntry& entry);
