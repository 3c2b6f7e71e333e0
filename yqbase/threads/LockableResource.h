// FXLockableResource, the interface every lock offers, and auto_lock, its scope guard.
#pragma once

#include "yqbase/errors/YqExport.h"
#include "yqbase/time/TimeStamp.h"

/// A lock: in-process critical sections and mutexes, and file locks between processes. Lock
/// blocks until the resource is held; TryLock does not block (the interval form may wait up
/// to the interval, as each implementation states). Lock and Unlock return 0 or an error
/// number.
class YQBASE_EXPORT FXLockableResource {
 public:
  virtual ~FXLockableResource();

  virtual bool TryLock() = 0;
  virtual bool TryLock(CTimeInterval timeout) = 0;
  virtual int Lock() = 0;
  virtual int Unlock() = 0;
};

/// Holds a lock for a scope: locks on construction when asked to, and unlocks on destruction
/// when it holds the lock. Not copyable; use it on the thread that made it.
///
///   auto_lock guard(&m_section, true);
///   ... // m_section is held here
class YQBASE_EXPORT auto_lock {
 public:
  /// A null resource is accepted and never locked.
  explicit auto_lock(FXLockableResource* resource, bool lockNow = true);
  ~auto_lock();
  auto_lock(const auto_lock&) = delete;
  auto_lock& operator=(const auto_lock&) = delete;

  /// Locks the resource unless this guard holds it already; 0 or the resource's error.
  int Lock();
  /// Unlocks the resource when this guard holds it; 0 or the resource's error.
  int Unlock();
  bool IsLocked() const { return m_locked; }

 private:
  FXLockableResource* m_resource;
  bool m_locked;
};
