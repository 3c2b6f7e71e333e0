// The state behind CSimpleFolderIterator, shared with the items it makes.
#pragma once

#include <dirent.h>

#include <string>

#include "yqbase/traversal/SimpleFolderIterator.h"

class CSimpleFolderIteratorPrivate {
 public:
  ~CSimpleFolderIteratorPrivate() { Close(); }
  /// Opens the folder: relative to the parent's open folder when one is set (any depth),
  /// else by path; enters it with option bit 0.
  CYqError OpenStream();
  void Close();
  /// The open folder's descriptor, or -1.
  int DirFd() const { return dir != nullptr ? ::dirfd(dir) : -1; }

  std::string folder;
  FVBasePtr context;
  CSimpleFolderItemFilterPtr filter;
  boost::shared_ptr<CSimpleFolderIteratorCallback> callback;
  unsigned options = 0;
  bool opened = false;  // Open was called with a folder
  bool ended = false;   // the end (or a failure to open) was reported
  DIR* dir = nullptr;
  int savedCwd = -1;
  // Set by the tree iterator: the folder is `nameInParent` inside the parent's open folder.
  boost::shared_ptr<CSimpleFolderIteratorPrivate> parent;
  std::string nameInParent;
};
