// The state behind CTraverseFolder.
#pragma once

#include <list>
#include <set>

#include "yqbase/threads/CriticalSection.h"
#include "yqbase/traversal/TraverseFolder.h"

class CTraverseFolderPrivate {
 public:
  mutable FXCriticalSection m_lock;  // guards m_folders
  std::list<CFoldersToTraverse> m_folders;
  bool m_processTopLevel = false;
  CAbortOperationCheck* m_abortCheck = nullptr;
  boost::shared_ptr<FXEvent> m_abortEvent;
  int m_maxWorkers = 1;
  std::set<long> m_ignoredErrors;
  // The listing being read while callbacks run, for GetItemStat.
  const auto_find_handle* m_search = nullptr;
};
