// skipFS: the file-system type of a path, and whether backups leave that type out.
#pragma once

#include <sys/stat.h>

#include <string>

#include "yqbase/errors/YqExport.h"

/// The process-wide oracle of file-system types. GetFsType names the type of the file system
/// that holds a path from the kernel's magic number and tells whether the type is in the
/// ignore-types list (pseudo, network and removable file systems by default). Configure it
/// before traversal threads start; after that it may be read from any thread.
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
  std::string GetFsType(const char* path, bool& skip, const struct stat64* st = nullptr) const;

  skipFS(const skipFS&) = delete;
  skipFS& operator=(const skipFS&) = delete;

 private:
  skipFS();

  std::string m_ignoreTypes;  // ":"-enclosed names
};

/// The major number of the device that holds the object of a stat record.
YQBASE_EXPORT unsigned zk_fs_major(const struct stat64* st);
