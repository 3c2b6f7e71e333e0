// CFolderWatcher: reports changes in a folder tree on a worker thread (Linux inotify).
#pragma once

#include <boost/shared_ptr.hpp>
#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/errors/YqExport.h"
#include "yqbase/strings/DisplayTypes.h"
#include "yqbase/threads/AlertableEventThread.h"

/// Receives the actions of a CFolderWatcher, on the watcher's thread, one at a time.
class YQBASE_EXPORT IFolderWatcherCallback {
 public:
  virtual ~IFolderWatcherCallback();
  /// `path` is the full path of the entry (for RESCAN_FOLDER: the folder to list again, since
  /// changes in it may have been lost). A rename gives RENAMED_OLD_NAME then RENAMED_NEW_NAME;
  /// a move out of the tree is REMOVED, a move into it ADDED.
  virtual void OnFolderAction(EFolderWatcherFolderAction::Type action, const std::string& path) = 0;
};

class CFolderWatcherPrivate;

/// Watches a folder and all folders below it, including folders created later (whose entries
/// present when they appear are reported as ADDED; one created at that very moment may be
/// reported twice). Writes are MODIFIED, attribute changes too. When the kernel's queue
/// overflows the callback gets RESCAN_FOLDER for the watched folder; when the watch limit is
/// reached for a new sub-folder, RESCAN_FOLDER for that sub-folder (it stays unwatched).
/// Symbolic links are reported but not followed. Paths are the kernel's bytes.
///
///   CFolderWatcher watcher("/data", &callback);
///   if (watcher.Start().Failed()) ...    // "FolderWatcher not supported" without inotify
///   ...
///   (void)watcher.Stop(true);            // or destroy it
class YQBASE_EXPORT CFolderWatcher : public CAlertableEventThread {
 public:
  /// `callback` must outlive the watcher's thread.
  CFolderWatcher(const std::string& folder, IFolderWatcherCallback* callback);
  ~CFolderWatcher() override;

  /// Sets the watches on the whole tree, then starts the thread: actions after Start returns
  /// are reported. An errno item whose text contains "FolderWatcher not supported" when the
  /// kernel refuses (no inotify, the limit of instances or watches reached); an errno item with
  /// the path when the folder cannot be watched (missing, not a folder); Win32 87 without a
  /// callback or folder.
  [[nodiscard]] CYqError Start() override;
  /// Ends the thread; with `wait`, until it has ended (no callback runs after that).
  [[nodiscard]] CYqError Stop(bool wait) override;

  /// The number of folders watched now.
  size_t GetWatchCount() const;

 protected:
  void OnRun() override;

 private:
  boost::shared_ptr<CFolderWatcherPrivate> m_private;
};
