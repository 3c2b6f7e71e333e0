// FXFileBasedLock: exclusion between processes through a write lock on a named file.
#pragma once

#include <pthread.h>

#include <atomic>
#include <boost/shared_ptr.hpp>
#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/threads/LockableResource.h"

class FXFileBasedLockPrivate;

/// An advisory POSIX write lock over a whole file (fcntl), for processes that agree on the
/// file's path; use it with auto_lock like any lock. It excludes other processes, not other
/// threads of this one: guard it with an in-process lock where threads compete. The lock is
/// released when the holder unlocks, closes the lock (destruction) or dies. Closing any
/// descriptor of the file also drops this process's lock on it, so keep one object per file and
/// process. Lock and the interval form of TryLock block; the lock file is created empty when
/// missing and never truncated or removed.
///
///   FXFileBasedLock lock("/var/run/agent/catalogue.lock");
///   if (lock.GetOpenError().Failed()) return lock.GetOpenError();
///   auto_lock guard(&lock);
///   if (!guard.IsLocked()) ...  // Lock returned the error number
///
/// Departures kept on purpose, so that a caller never goes on unprotected or loses the process:
/// - a lock file that cannot be created or opened does not throw from the constructor: the
///   failure is kept as GetOpenError() (an errno error with the path), Lock() then returns its
///   error number, and TryLock() returns false;
/// - Lock() and Unlock() catch a failure of the system call, log it at level -1 and return
///   its error number instead of throwing, since auto_lock calls Unlock() from its destructor.
class YQBASE_EXPORT FXFileBasedLock : public FXLockableResource {
 public:
  /// Opens (creating when missing) the lock file at the UTF-8 `path`.
  explicit FXFileBasedLock(const std::string& path);
  ~FXFileBasedLock() override;
  FXFileBasedLock(const FXFileBasedLock&) = delete;
  FXFileBasedLock& operator=(const FXFileBasedLock&) = delete;

  /// One attempt without waiting: true when obtained, false when another process holds the
  /// lock or the attempt failed (logged at level -1).
  bool TryLock() override;
  /// Attempts until obtained (true) or `timeout` has passed (false). The largest interval,
  /// CTimeInterval::kInfinite, waits without limit.
  bool TryLock(CTimeInterval timeout) override;
  /// Blocks until obtained: 0, or the error number of a failure.
  int Lock() override;
  /// Releases the lock: 0, or the error number of a failure.
  int Unlock() override;

  /// The thread that obtained the lock, or 0 while it is not held.
  pthread_t GetHolder() const { return m_holder.load(std::memory_order_relaxed); }
  /// Success, or why the lock file could not be created or opened.
  CYqError GetOpenError() const;
  /// The processor count the waiting strategy of the timed attempt works with, read once when
  /// the library is loaded (at least 1).
  static unsigned GetProcessorCount();

 private:
  std::atomic<pthread_t> m_holder;
  boost::shared_ptr<FXFileBasedLockPrivate> m_private;
};
