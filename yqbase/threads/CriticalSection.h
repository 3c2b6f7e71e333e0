// FXCriticalSection: a recursive lock over a process-shareable POSIX mutex.
#pragma once

#include <pthread.h>

#include <atomic>
#include <boost/interprocess/sync/interprocess_recursive_mutex.hpp>

#include "yqbase/threads/LockableResource.h"

/// A recursive lock: the holding thread may lock it again and must unlock it as often. Lock
/// blocks; TryLock never waits, not even in its interval form. Failures of the underlying
/// mutex throw boost::interprocess::lock_exception; construction throws
/// boost::interprocess::interprocess_exception when the mutex cannot be set up. Not copyable.
class YQBASE_EXPORT FXCriticalSection : public FXLockableResource {
 public:
  FXCriticalSection();
  ~FXCriticalSection() override;
  FXCriticalSection(const FXCriticalSection&) = delete;
  FXCriticalSection& operator=(const FXCriticalSection&) = delete;

  /// True when the lock was free or is held by this thread, false when another thread holds
  /// it.
  bool TryLock() override;
  /// One TryLock() attempt; the interval is not waited for.
  bool TryLock(CTimeInterval timeout) override;
  /// Blocks until held; always 0.
  int Lock() override;
  /// Releases one level; call it only on the holding thread. Always 0.
  int Unlock() override;

  /// The thread that last locked it, or 0 after an Unlock.
  pthread_t GetOwner() const { return m_owner.load(std::memory_order_relaxed); }

 private:
  std::atomic<pthread_t> m_owner;
  boost::interprocess::interprocess_recursive_mutex m_mutex;
};
