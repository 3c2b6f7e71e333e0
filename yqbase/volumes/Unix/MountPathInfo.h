// MountPathInfo: content paths expanded into one content entry per volume beneath them.
#pragma once

#include <list>
#include <mutex>
#include <string>
#include <vector>

#include "yqbase/errors/YqError.h"
#include "yqbase/serialization/Bag.h"
#include "yqbase/volumes/ZkMntTab.h"

/// Expansion of the content paths of a backup set by the mounted volumes beneath them. The
/// volume holding a content path gives one entry; every mount below it is excluded from that
/// entry and, when it is to be scanned and "isFollowMountPoint" is set, becomes an entry of its
/// own. Mounts are left out for their type (the skipFS list unless "isSkipFSCheck"), for being
/// stale (SetStaleFSList), automounter mount points, cluster rules ("isClusterFSFilter",
/// "isClusterGroupClient", "sClusteredFSTypes") and GPFS, Gluster or Lustre scans ("isGpfsScan",
/// "isGlusterScan", "isLustreScan"); each decision is logged and each skipped mount reported
/// through ISendEventInterface::SendSkipFSEvent. Options are bools (a string for
/// "sClusteredFSTypes"); a missing option is false.
///
/// The automounter and stale lists are process-wide: run expansions from one thread at a
/// time. Expansion blocks on the file system and on the automounter commands (first call).
///
///   std::list<MountPathInfo::ContentEntry> entries;
///   CBagPtr options(new CBag);
///   (void)options->Write("isFollowMountPoint", true);
///   CYqError err = MountPathInfo::expandContentPathByVolumes("/", entries, options);
///
/// Every entry excludes every mount below its path, so a mount below an entry is either an
/// entry of its own or in that entry's exclusion list; content paths and mount points are
/// physical paths (links resolved).
///
/// Deliberate departures, so that a mount is never scanned or dropped by mistake: an option of
/// the wrong type fails the call instead of reading as false; CheckForAutoFS also answers true
/// for a direct automounter mount point itself (its parent is not in the list); an automounter
/// command that the shell cannot find (exit status 127) counts as one that cannot start.
class YQBASE_EXPORT MountPathInfo {
 public:
  /// One content entry: a path to scan on one volume, and the mounts below it to leave out.
  struct ContentEntry {
    static constexpr int kContentPath = 0;      ///< the content path itself
    static constexpr int kDescendantMount = 1;  ///< a mount followed below a content path
    int kind = kContentPath;
    std::string path;                 ///< the physical path to scan
    std::string volume;               ///< the mount point of the volume holding it
    std::list<std::string> excludes;  ///< the mount points below `path`, never scanned here
  };

  /// One remote (network) mount known to the host.
  struct CRemoteMount {
    std::string server;
    std::string share;
    std::string mountPoint;
    std::string fsType;
    std::string options;
  };

  /// The process-wide list of remote mounts, filled by the host. Thread-safe; created on
  /// first GetInstance under its own lock.
  class YQBASE_EXPORT CRemoteMountConfig {
   public:
    static CRemoteMountConfig& GetInstance();
    void Add(const CRemoteMount& mount);
    void Clear();
    /// A copy of the list, in the order of Add.
    std::list<CRemoteMount> GetAll() const;
    /// The remote mount on `mountPoint`; false when there is none.
    bool Find(const std::string& mountPoint, CRemoteMount& mount) const;

   private:
    CRemoteMountConfig() = default;
    mutable std::mutex m_lock;
    std::list<CRemoteMount> m_mounts;
  };

  /// Orders mount-table entries by mount point (strcmp): ascending, descending with flag 1.
  struct YQBASE_EXPORT CmpZkMntTabEntry {
    explicit CmpZkMntTabEntry(int flag = 0) : m_flag(flag) {}
    bool operator()(const ZkMntTab::Entry& a, const ZkMntTab::Entry& b) const;

   private:
    int m_flag;
  };

  /// Appends the entries of one content path. Fails before anything is appended: Win32 87
  /// "path should not include wild-card elements"; the mount-table failure ("getLogicalVolumeList
  /// failed"); a path that does not exist ("requested path [...] not found") or cannot be
  /// resolved ("MakeRealPath failed.", a link loop among them) or stat'ed; a path on a stale
  /// mount (ESTALE); an option of the wrong type (its read error, "invalid option '...'").
  /// A failure of the automounter query is logged and the expansion goes on without it.
  [[nodiscard]] static CYqError expandContentPathByVolumes(const std::string& path,
                                                           std::list<ContentEntry>& entries,
                                                           CBagPtr& options);
  /// expandContentPathByVolumes for each path in turn; stops at the first failure, with the
  /// entries of the paths before it appended.
  [[nodiscard]] static CYqError prepareContentPathByVolumes(const std::list<std::string>& paths,
                                                            std::list<ContentEntry>& entries,
                                                            CBagPtr& options);

  /// Fills the automounter list once per process from "service autofs status" and
  /// "automount --dumpmaps 2>&1" (or, when dumpmaps is not supported, from the autofs mounts
  /// of the mount table). A stopped service is success with an empty list. Errno error
  /// "failed to collect automount maps" when dumpmaps cannot start (the list stays empty, and
  /// is not asked for again). Lines longer than 4095 bytes or holding NUL bytes are skipped.
  [[nodiscard]] static CYqError ParseAutomountCommand();
  /// Whether `path` (or its parent folder) is an automounter mount point.
  static bool CheckForAutoFS(const char* path);
  /// The automounter list (sorted).
  static std::vector<std::string> GetAutoMountList();

  /// Replaces the list of stale mounts.
  static void SetStaleFSList(std::list<ZkMntTab::Entry>& staleMounts);
  /// Whether a stale mount is `path` or one of its ancestors (whole components).
  static bool CheckInStaleFSList(const std::string& path);
  static bool IsStaleFSPresent();

 private:
  static std::vector<std::string> mAutoMountList;
  static std::list<ZkMntTab::Entry> m_lstStaleFS;
  static bool m_bIsStale;
  static bool automountAlreadyParsed;
};
