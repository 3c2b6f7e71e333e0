// FXFolder: folders and the cached list of mounted volumes; CYqDirectory, the folder object.
#pragma once

#include <boost/shared_ptr.hpp>
#include <list>
#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/files/FileOperations.h"
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

  /// Creates one folder (mode 0777 before the umask); errno-type "Failed to create folder,
  /// Folder=[...]". The security attributes are ignored.
  [[nodiscard]] static CYqError CreateFolder(const std::string& path,
                                             LPSECURITY_ATTRIBUTES security = nullptr);
  /// Creates the folder and every missing folder above it; an existing folder is success.
  /// Win32 267 "Invalid directory" when no ancestor can be created.
  [[nodiscard]] static CYqError CreateFoldersIteratively(const std::string& path,
                                                         LPSECURITY_ATTRIBUTES security = nullptr);
  /// Whether `path` leads (links followed) to a folder.
  static bool DoesFolderExist(const std::string& path);
};

/// One entry read by CYqDirectory::GetEntry.
struct SYqDirEntry {
  std::string name;    ///< the entry name in UTF-8
  unsigned char type;  ///< the DT_* type of the entry (DT_UNKNOWN when the system gave none)
  bool isFolder;       ///< the entry is a folder (links not followed)
};

class CYqDirectoryPrivate;

/// A folder opened for reading with a wildcard pattern, and static folder operations (create,
/// remove, copy, walk, space and emptiness queries). An object is one open listing: not
/// copyable, not for sharing between threads. Calls block on the file system.
///
///   CYqDirectory dir;
///   CYqError err = dir.Open("/data", "*.log", false);
///   SYqDirEntry entry;
///   for (bool end = false; err.Succeeded() && (err = dir.GetEntry(&entry, end)).Succeeded() &&
///   !end;)
///     ...
class YQBASE_EXPORT CYqDirectory {
 public:
  /// Called by Walk per entry: the folder, the entry name, whether it is a folder, the context.
  typedef CYqError (*WalkerFunc)(const char* folder, const char* name, bool isFolder,
                                 void* context);
  /// Remove flags: the contents too; a missing folder is success.
  static constexpr DWORD kRemoveContents = 0x1;
  static constexpr DWORD kRemoveIgnoreMissing = 0x2;

  CYqDirectory();
  ~CYqDirectory();
  CYqDirectory(const CYqDirectory&) = delete;
  CYqDirectory& operator=(const CYqDirectory&) = delete;

  /// Opens `folder` for GetEntry (closing a previous listing); the pattern (null: "*") uses
  /// MatchWildcard. errno-type failure when the folder cannot be opened.
  [[nodiscard]] CYqError Open(const char* folder, const char* pattern, bool caseInsensitive);
  /// The next entry whose name matches ("." and ".." included when they match); `end` is set,
  /// and `entry` untouched, when there is none.
  [[nodiscard]] CYqError GetEntry(SYqDirEntry* entry, bool& end);
  void Close();

  /// Whether `name` matches `pattern`: "*" any run, "?" one byte, anything else itself
  /// (tolower'ed when case-insensitive). Linear in practice, never exponential.
  static bool MatchWildcard(const char* pattern, const char* name, bool caseInsensitive);

  /// Creates the folder, and with `recursive` every missing folder above it.
  [[nodiscard]] static CYqError Create(const char* path, bool recursive);
  /// Removes the folder; kRemoveContents removes what it holds too (with the guard of
  /// FXFile::RemoveFolder). Failures carry "Folder=[...]".
  [[nodiscard]] static CYqError Remove(const char* path, DWORD flags);
  [[nodiscard]] static CYqError Remove(const char* path, bool withContents, bool ignoreMissing);
  /// Total and available bytes of the file system holding `path`; null outputs are skipped.
  [[nodiscard]] static CYqError GetSpaceUsage(const char* path, unsigned long long* total,
                                              unsigned long long* free);
  /// Whether the folder holds nothing but "." and "..".
  [[nodiscard]] static CYqError IsEmpty(const char* path, bool& empty);
  /// IsEmpty that answers false when the folder cannot be listed.
  static bool IsEmpty(const char* path);
  /// Copies the files of `from` whose names match `pattern` (null: "*") into the existing
  /// folder `to`; `recursive` recreates and copies sub-folders. Without `overwrite` an
  /// existing target file is left as it is. Links are not followed.
  [[nodiscard]] static CYqError Copy(const char* from, const char* to, bool recursive,
                                     const char* pattern, bool overwrite);
  /// Calls `walker` for every entry of `folder` but "." and ".."; with `recursive` also for
  /// the entries of its sub-folders (links not followed) down to `depth` levels below it
  /// (negative: no limit). A walker failure stops the walk and is returned.
  [[nodiscard]] static CYqError Walk(const char* folder, void* context, int depth, bool recursive,
                                     WalkerFunc walker);

 private:
  boost::shared_ptr<CYqDirectoryPrivate> m_private;
};
