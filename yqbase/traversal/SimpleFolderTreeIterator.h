// CSimpleFolderTreeIterator: the entries of a folder tree as CSimpleFolderItem objects.
#pragma once

#include <boost/shared_ptr.hpp>
#include <string>

#include "yqbase/errors/FVBase.h"
#include "yqbase/errors/YqError.h"
#include "yqbase/traversal/SimpleFolderIterator.h"

class CSimpleFolderTreeIteratorPrivate;

/// Hands out every entry below a folder, depth first: each folder item comes before its
/// contents, which follow unless the callback's OnQueryIterateFolderContents says no (it may
/// also give the sub-folder's items another context). Symbolic links are items, never
/// followed, so link loops end. Sub-folders are opened relative to their open parent, so any
/// depth works. A sub-folder that cannot be listed (gone, no permission) is logged and left
/// out. The filter selects the items returned; folders it leaves out are still walked.
/// Not copyable; one thread.
///
/// Option bit 0 is passed to the folder iterators (see CSimpleFolderIterator); bit 1
/// (kOptionOneFileSystem) leaves out the contents of folders on another device than the
/// starting folder, as find -xdev does.
class YQBASE_EXPORT CSimpleFolderTreeIterator {
 public:
  static constexpr unsigned kOptionOneFileSystem = 0x2;

  CSimpleFolderTreeIterator();
  ~CSimpleFolderTreeIterator();
  CSimpleFolderTreeIterator(const CSimpleFolderTreeIterator&) = delete;
  CSimpleFolderTreeIterator& operator=(const CSimpleFolderTreeIterator&) = delete;

  [[nodiscard]] CYqError Open(const std::string& folder, const CSimpleFolderItemFilterPtr& filter);
  [[nodiscard]] CYqError Open(const std::string& folder, const FVBasePtr& context,
                              const CSimpleFolderItemFilterPtr& filter);
  void SetOption(unsigned int options);
  void SetCallback(const boost::shared_ptr<CSimpleFolderIteratorCallback>& callback);
  /// The next selected item; Win32 3 before Open, the starting folder's open failure, Win32 18
  /// "No more entries" at the end.
  [[nodiscard]] CYqError GetNextItem(CSimpleFolderItemPtr& item);

 private:
  boost::shared_ptr<CSimpleFolderTreeIteratorPrivate> m_private;
};
