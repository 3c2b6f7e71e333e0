// FXMutex: a recursive POSIX mutex that counts the levels its holder has taken.
#pragma once

#include <pthread.h>

#include <atomic>

#include "yqbase/threads/LockableResource.h"

/// A recursive lock that reports failures as error numbers instead of throwing. The holding
/// thread may lock it again and must unlock it as often; destroying it releases every level
/// still held. TryLock(CTimeInterval) waits up to the interval (the largest interval waits
/// without limit). Not copyable.
class YQBASE_EXPORT FXMutex : public FXLockableResource {
 public:
  FXMutex();
  ~FXMutex() override;
  FXMutex(const FXMutex&) = delete;
  FXMutex& operator=(const FXMutex&) = delete;

  bool TryLock() override;
  bool TryLock(CTimeInterval timeout) override;
  /// 0, or the error of pthread_mutex_lock (EINVAL when the mutex could not be made).
  int Lock() override;
  /// 0, or EPERM when the calling thread does not hold the mutex.
  int Unlock() override;
  /// (Re)creates the mutex, free and unowned: 0, EBUSY while it is held, or the error of
  /// pthread_mutex_init. The constructor calls it.
  virtual int Init();

  /// The holding thread, or 0 when free.
  pthread_t GetOwner() const { return m_owner.load(std::memory_order_relaxed); }
  /// How many levels the holder has taken; exact on the holding thread.
  int GetLockCount() const { return m_lockCount; }

 private:
  // Records one more level taken by the calling thread.
  void Acquired();

  std::atomic<pthread_t> m_owner;
  pthread_mutex_t m_mutex;
  int m_lockCount;
  bool m_initialized;
};
