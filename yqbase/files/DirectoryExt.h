// DirectoryExt: a reader of one directory stream, with observers told when it is done.
#pragma once

#include <dirent.h>

#include <memory>
#include <vector>

#include "yqbase/errors/YqExport.h"

/// Told once when the DirectoryExt it is attached to closes for good (notify or destruction).
class YQBASE_EXPORT DirectoryExtObserver {
 public:
  virtual ~DirectoryExtObserver();
  virtual void notification() = 0;
};

/// Reads the entry names (UTF-8, "." and ".." included) of one folder. Not copyable, not
/// synchronised; each name is valid until the next read or close.
///
///   DirectoryExt dir;
///   if (dir.openDirectory("/data") == 0)
///     while (const char* name = dir.read()) ...
class YQBASE_EXPORT DirectoryExt {
 public:
  /// Room for one entry whose name grows on its way to UTF-8.
  static constexpr size_t kEntryBufferSize = 3349;

  DirectoryExt();
  ~DirectoryExt();
  DirectoryExt(const DirectoryExt&) = delete;
  DirectoryExt& operator=(const DirectoryExt&) = delete;

  /// Opens `path` (closing any previous stream): 0, or -1 with errno kept (getErrno).
  int openDirectory(const char* path);
  /// The next entry name, or null at the end (getErrno 0) or on failure (getErrno set; -1
  /// when no stream is open).
  const char* read();
  void close();
  bool isOpen() const { return m_open; }
  int getErrno() const { return m_errno; }

  /// Takes ownership of `observer`, to be notified by notify() or the destructor.
  void attach(DirectoryExtObserver* observer);
  /// Calls each observer's notification, deletes it and forgets them all.
  void notify();

 private:
  DIR* m_dir;
  struct dirent64* m_last;
  std::unique_ptr<char[]> m_buffer;
  int m_errno;
  bool m_open;
  std::vector<std::unique_ptr<DirectoryExtObserver>> m_observers;
};
