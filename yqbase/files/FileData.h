// FXFile::CFileData, one result of a folder search, and auto_find_handle, the open search.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/files/FileOperations.h"

/// One entry found in a folder: the system's directory entry (64-bit layout, copied whole),
/// its UTF-8 name, the folder searched, and a stat record fetched on demand. A plain value;
/// copies are independent. Not synchronised.
class YQBASE_EXPORT FXFile::CFileData {
 public:
  CFileData();

  /// The entry's folder joined with its name.
  std::string GetFullPath() const;

  /// The size in bytes of the block device the entry names, rounded down to whole blocks.
  /// Fails (errno-type) when the entry cannot be opened or is not a block device.
  [[nodiscard]] CYqError GetDeviceSize(unsigned long long& size) const;

  /// The directory entry as the system returned it.
  struct dirent64 m_dirent;
  /// The entry name in UTF-8.
  std::string m_name;
  /// The folder that was searched.
  std::string m_folder;
  /// The entry's stat record, valid while m_bStatFetched is set; every find call clears the
  /// flag.
  struct stat64 m_stat;
  bool m_bStatFetched;
  /// A mark for callers' own use, cleared by every find call.
  bool m_bMarked;
};

/// One open search: the stream, the working directory to return to (a descriptor, -1: none)
/// and the folder searched.
struct DIR_Wrapper {
  DIR* dir = nullptr;
  int savedCwd = -1;
  std::string path;
};

/// Owns one search made by FXFile::ZKFindFirstFile: closing it (replace, destroy,
/// CloseDirAndChangeDir) closes the stream and returns to the saved working directory. Not
/// copyable; use on one thread.
class YQBASE_EXPORT auto_find_handle {
 public:
  auto_find_handle() = default;
  ~auto_find_handle() { CloseDirAndChangeDir(); }
  auto_find_handle(const auto_find_handle&) = delete;
  auto_find_handle& operator=(const auto_find_handle&) = delete;

  bool IsValid() const { return m_search.dir != nullptr; }
  const DIR_Wrapper& get() const { return m_search; }
  /// Closes the current search and takes over `search`.
  void reset(DIR_Wrapper&& search);
  /// Closes the stream and returns to the saved working directory: 0, or -1 with errno when
  /// the return failed (the descriptor is closed either way).
  int CloseDirAndChangeDir();

 private:
  DIR_Wrapper m_search;
};
