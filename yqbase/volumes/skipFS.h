// skipFS: the file-system type of a path, and whether backups leave that type out.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "yqbase/errors/YqExport.h"

/// The process-wide oracle of file-system types. GetFsType names the type of the file system
/// that holds a path from the kernel's magic number and tells whether the type is in the
/// ignore-types list (pseudo, network and removable file systems by default). Configure it
/// before traversal threads start; after that it may be read from any thread. The per-device
/// type cache (off at start) has its own lock.
///
///   bool skip = false;
///   std::string type = skipFS::getInstance().GetFsType("/proc/self", skip);  // "proc", true
class YQBASE_EXPORT skipFS {
 public:
  /// The ignore-types list in effect until another is set.
  static const char* const kDefaultIgnoreFSTypes;

  /// The single instance, made on first use.
  static skipFS& getInstance();

  /// Replaces the ignore-types list: type names each enclosed in ":" (":xfs:ext3:"); a missing
  /// leading or trailing ":" is added, and an empty list restores the default list.
  void SetIgnoreFSTypes(const std::string& types);
  const std::string& GetIgnoreFSTypes() const { return m_ignoreTypes; }
  /// Whether the type is in the ignore-types list ("" is, through the empty item of the
  /// default list).
  bool isSkipFS(const char* fsType) const;

  /// The type name of the file system holding `path` ("ext3" for the ext family, "xfs",
  /// "nfs", ...; the magic number in decimal when it is not known; "floppy" on a device of
  /// major number 2) and in `skip` whether that type is ignored. "Error" when the path cannot
  /// be stat'ed; the failure is logged. `st` is the path's stat record when the caller has it.
  /// With the cache on, a device's type is looked up once and kept (never trimmed).
  std::string GetFsType(const char* path, bool& skip, const struct stat64* st = nullptr);
  /// GetFsType with its answer logged: the type goes to `fsType`, the result is `skip`.
  bool isSkipFS(const char* path, std::string& fsType, const struct stat64* st);

  /// Switches the per-device type cache on or off (a switched-off cache is not consulted).
  void SetFSCacheEnabled(bool enabled);
  bool IsFSCacheEnabled() const { return m_cacheEnabled; }

  /// Replaces the ignore-dirs list with the folders of a ":"-separated list; each folder is
  /// kept with runs of "/" collapsed and one trailing "/"; empty items are dropped.
  void setIgnoreDirs(const std::string& dirs);
  const std::string& getIgnoreDirs() const { return m_ignoreDirs; }
  /// Whether `folder` (with or without a trailing "/") is one of the ignored folders. Only the
  /// folder itself is matched, not the folders below it.
  bool isSkipDir(const std::string& folder) const;

  skipFS(const skipFS&) = delete;
  skipFS& operator=(const skipFS&) = delete;

 private:
  skipFS();

  std::string m_ignoreTypes;  // ":"-enclosed names
  std::string m_ignoreDirs;   // ":"-enclosed folders, each ending in "/"
  bool m_cacheEnabled = false;
  std::mutex m_cacheLock;
  std::map<std::uint64_t, std::string> m_typeCache;  // device number -> type
};

/// The major number of the device that holds the object of a stat record.
YQBASE_EXPORT unsigned zk_fs_major(const struct stat64* st);
