// CTraverseFolder: a walk over content paths that reports every folder and item to overridable
// callbacks, with a work list of folders instead of recursion.
#pragma once

#include <boost/shared_ptr.hpp>
#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/errors/YqTypes.h"
#include "yqbase/files/FileData.h"
#include "yqbase/threads/Event.h"

/// Asked by the walk between items whether the caller wants it to stop.
class YQBASE_EXPORT CAbortOperationCheck {
 public:
  virtual ~CAbortOperationCheck();
  virtual bool IsAborted();
};

/// One work-list entry: a folder (or reparse point) to list, with the output path that names
/// the same folder for the caller. A plain value.
class YQBASE_EXPORT CFoldersToTraverse {
 public:
  /// A plain folder.
  CFoldersToTraverse(const std::string& inputPath, const std::string& outputPath);
  /// A reparse-point entry, arguments in the order of CTraverseFolder::AddReparsePointToList.
  CFoldersToTraverse(const std::string& inputPath, const std::string& endSubstituteName,
                     const std::string& outputPath, DWORD data,
                     const std::string& nextSubstituteName);

  bool m_bReparsePoint;
  std::string m_inputPath;
  std::string m_outputPath;
  std::string m_endSubstituteName;
  std::string m_nextSubstituteName;
  DWORD m_data;
};

class CTraverseFolderPrivate;

/// Walks content paths depth first and hands each folder and item to the virtual callbacks;
/// override them to act. Each queued folder carries an input path (read) and an output path
/// (the caller's name for it); both grow in step. Links are reported as items (OnFile), never
/// followed. Folders that vanish or cannot be listed are logged and skipped; a callback
/// failure stops the walk unless its code was passed to ignoreConsumerError; an abort fails
/// with Win32 995. The walk blocks the calling thread; the work list has its own lock, so
/// callbacks on other threads may queue folders meanwhile. With SetMaxWorkers(n > 1) n
/// workers (the calling thread and n - 1 more) take folders from the list at once, so the
/// callbacks then run concurrently and must be thread-safe. Listing a folder longer than
/// PATH_MAX changes the process's working directory while it is read (see
/// FXFile::ZKFindFirstFile), so do not rely on it from other threads during a walk; workers
/// leave such folders to the calling thread, which lists them after the others have ended.
///
///   class CCount : public CTraverseFolder {
///     CYqError OnFile(const std::string& in, const std::string&, FXFile::CFileData&) override;
///   } walk;
///   walk.AddFolderToList("/data");
///   CYqError err = walk.Traverse();
class YQBASE_EXPORT CTraverseFolder {
 public:
  CTraverseFolder();
  virtual ~CTraverseFolder();
  CTraverseFolder(const CTraverseFolder&) = delete;
  CTraverseFolder& operator=(const CTraverseFolder&) = delete;

  /// Called before a queued folder is listed; a failure skips the folder (logged).
  virtual CYqError OnTraverseFolder(const std::string& inputPath, const std::string& outputPath);
  /// A folder found in a listing. The default queues it, except during the top-level pass.
  virtual CYqError OnFolder(const std::string& inputPath, const std::string& outputPath,
                            FXFile::CFileData& data);
  /// Anything else found: files, links, devices, pipes, sockets. The default does nothing.
  virtual CYqError OnFile(const std::string& inputPath, const std::string& outputPath,
                          FXFile::CFileData& data);
  /// Called instead of OnTraverseFolder for a queued reparse-point entry; a failure skips it.
  virtual CYqError OnTraverseReparsePoint(const std::string& inputPath,
                                          const std::string& endSubstituteName,
                                          const std::string& outputPath, DWORD data,
                                          const std::string& nextSubstituteName);
  /// Hooks for subclasses that treat reparse points themselves; the walk does not call them.
  virtual CYqError OnReparsePointFolder(const std::string& inputPath, const std::string& outputPath,
                                        FXFile::CFileData& data);
  virtual CYqError OnReparsePointFile(const std::string& inputPath, const std::string& outputPath,
                                      FXFile::CFileData& data);
  /// Called once on each walking thread when Traverse starts; a failure ends Traverse.
  virtual CYqError OnInitializeWorker();
  /// Called when a queued folder cannot be listed, or its listing fails part-way; the walk has
  /// logged the failure and goes on with the next folder. The default does nothing. With
  /// workers it is called on the worker's thread. (Comes after the slots above, which keep
  /// their order.)
  virtual void OnFolderError(const std::string& inputPath, const std::string& outputPath,
                             const CYqError& error);

  /// Queues a folder; the output path defaults to the input path.
  void AddFolderToList(const std::string& inputPath);
  void AddFolderToList(const std::string& inputPath, const std::string& outputPath);
  void AddReparsePointToList(const std::string& inputPath, const std::string& endSubstituteName,
                             const std::string& outputPath, DWORD data,
                             const std::string& nextSubstituteName);
  /// Whether a queued entry's input path is `folder` or above it; if so `newOutputPath` gets
  /// that entry's output path joined with the rest of `folder`.
  bool FolderWillAlreadyBeTraversed(const std::string& folder, std::string& newOutputPath) const;
  /// Hands one entry of `inputFolder` to OnFolder (folders but "." and "..") or OnFile, with
  /// the item's input and output paths; a callback failure is returned.
  [[nodiscard]] CYqError ProcessItem(const std::string& inputFolder,
                                     const std::string& outputFolder, FXFile::CFileData& data);
  /// ProcessItem with the item's paths already joined.
  [[nodiscard]] CYqError ReportItem(const std::string& inputPath, const std::string& outputPath,
                                    FXFile::CFileData& data);
  /// Runs the walk until the work list is empty (success), a callback fails, or it is
  /// aborted (Win32 995). The entries not yet taken stay queued after a failure.
  [[nodiscard]] CYqError Traverse();

  /// The lstat record of an item handed to a callback (fetched once, looked up beside the open
  /// listing so that any path length works).
  [[nodiscard]] CYqError GetItemStat(FXFile::CFileData& data);

  /// From now on a callback failure with this error's code does not stop the walk.
  void ignoreConsumerError(const CYqError& error);
  /// The check is not owned; it must outlive the walk. With workers each of them asks it.
  void SetAbortCheck(CAbortOperationCheck* check);
  void SetAbortEvent(const boost::shared_ptr<FXEvent>& event);
  /// The number of workers of the walk (values below 1 count as 1, the default): above 1 the
  /// folders are listed by that many threads at once, each starting with OnInitializeWorker.
  void SetMaxWorkers(int workers);
  int GetMaxWorkers() const;
  /// Report each content path itself (OnFolder or OnFile of its parent) before its contents.
  void SetProcessTopLevelContentItem(bool process);
  /// The number of queued entries.
  size_t GetFoldersToTraverseCount() const;

 private:
  boost::shared_ptr<CTraverseFolderPrivate> m_private;
};
