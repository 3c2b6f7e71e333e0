// The state behind CTraverseFolder.
#pragma once

#include <atomic>
#include <condition_variable>
#include <list>
#include <mutex>
#include <set>
#include <vector>

#include "yqbase/threads/CriticalSection.h"
#include "yqbase/traversal/TraverseFolder.h"

class CTraverseFolderPrivate {
 public:
  mutable FXCriticalSection m_lock;  // guards m_folders and the worker fields below
  std::list<CFoldersToTraverse> m_folders;
  bool m_processTopLevel = false;
  CAbortOperationCheck* m_abortCheck = nullptr;
  boost::shared_ptr<FXEvent> m_abortEvent;
  int m_maxWorkers = 1;
  std::set<long> m_ignoredErrors;

  // Workers (more than one): entries being traversed, the stop flag and the first failure,
  // and the folders too deep to list without changing the working directory, left for the
  // calling thread once the workers have ended.
  int m_busy = 0;
  std::atomic<bool> m_stop{false};
  CYqError m_failure;
  std::vector<CFoldersToTraverse> m_deferred;
  // Idle workers wait here for new entries or the end; set while workers run.
  std::atomic<bool> m_workersRunning{false};
  std::mutex m_idleMutex;
  std::condition_variable m_idle;
};
