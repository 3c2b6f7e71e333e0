// CSimpleFolderIterator: the entries of one folder as CSimpleFolderItem objects.
#pragma once

#include <boost/shared_ptr.hpp>
#include <string>

#include "yqbase/errors/FVBase.h"
#include "yqbase/errors/YqError.h"
#include "yqbase/traversal/SimpleFolderItem.h"

class CSimpleFolderIteratorPrivate;
class CSimpleFolderTreeIterator;

/// Hands out the entries of one folder ("." and ".." left out) in the order the file system
/// gives them, as items whose details are fetched on first request. The folder is opened by
/// the first GetNextItem and closed at its end or when the iterator is reopened or destroyed;
/// items stay readable afterwards. Not copyable; one thread.
///
/// Option bit 0 (kOptionChangeDirectory) makes the iterator enter the folder with chdir while
/// it is open (the process's working directory: no concurrent use of relative paths); closing
/// returns to the previous one.
///
///   CSimpleFolderIterator it;
///   CYqError err = it.Open("/data", CSimpleFolderItemFilterPtr());
///   CSimpleFolderItemPtr item;
///   while ((err = it.GetNextItem(item)).Succeeded()) ... // ends with Win32 18
class YQBASE_EXPORT CSimpleFolderIterator {
 public:
  static constexpr unsigned kOptionChangeDirectory = 0x1;

  CSimpleFolderIterator();
  ~CSimpleFolderIterator();
  CSimpleFolderIterator(const CSimpleFolderIterator&) = delete;
  CSimpleFolderIterator& operator=(const CSimpleFolderIterator&) = delete;

  /// Sets the folder, the context items report and the filter (null: every item); closes a
  /// previous listing. Nothing is opened yet.
  [[nodiscard]] CYqError Open(const std::string& folder, const CSimpleFolderItemFilterPtr& filter);
  [[nodiscard]] CYqError Open(const std::string& folder, const FVBasePtr& context,
                              const CSimpleFolderItemFilterPtr& filter);
  void SetOption(unsigned int options);
  /// Kept for the tree iterator's use; a single folder iterator does not call it.
  void SetCallback(const boost::shared_ptr<CSimpleFolderIteratorCallback>& callback);
  /// The next selected item. Win32 3 "No search path provided" before Open, errno-type
  /// "opendir failed, Path=..." when the folder cannot be opened, Win32 18 "No more entries"
  /// at the end.
  [[nodiscard]] CYqError GetNextItem(CSimpleFolderItemPtr& item);
  /// Closes the folder (and returns to the previous working directory).
  void Close();

 private:
  friend class CSimpleFolderTreeIterator;
  boost::shared_ptr<CSimpleFolderIteratorPrivate> m_private;
};
