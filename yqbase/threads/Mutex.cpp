#include "yqbase/threads/Mutex.h"

#include <errno.h>

#include "yqbase/logging/LogWriterInterface.h"

FXMutex::FXMutex() : m_owner(0), m_mutex(), m_lockCount(0), m_initialized(false) {
  const int result = Init();
  if (result != 0) YQ_LOG_FAILURE("pthread_mutex_init failed, error=%d", result);
}

FXMutex::~FXMutex() {
  if (!m_initialized) return;
  while (m_lockCount > 0 && Unlock() == 0) {
  }
  const int result = pthread_mutex_destroy(&m_mutex);
  if (result != 0) YQ_LOG_FAILURE("pthread_mutex_destroy failed, error=%d", result);
}

int FXMutex::Init() {
  if (m_initialized) {
    if (m_lockCount > 0) return EBUSY;
    const int result = pthread_mutex_destroy(&m_mutex);
    if (result != 0) return result;
    m_initialized = false;
  }
  pthread_mutexattr_t attributes;
  int result = pthread_mutexattr_init(&attributes);
  if (result != 0) return result;
  result = pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  if (result == 0) result = pthread_mutex_init(&m_mutex, &attributes);
  pthread_mutexattr_destroy(&attributes);
  if (result != 0) return result;
  m_initialized = true;
  m_lockCount = 0;
  m_owner.store(0, std::memory_order_relaxed);
  return 0;
}

void FXMutex::Acquired() {
  ++m_lockCount;
  m_owner.store(pthread_self(), std::memory_order_relaxed);
}

int FXMutex::Lock() {
  if (!m_initialized) return EINVAL;
  const int result = pthread_mutex_lock(&m_mutex);
  if (result == 0) Acquired();
  return result;
}

bool FXMutex::TryLock() {
  if (!m_initialized || pthread_mutex_trylock(&m_mutex) != 0) return false;
  Acquired();
  return true;
}

bool FXMutex::TryLock(CTimeInterval timeout) {
  if (timeout.GetValue() == CTimeInterval::kInfinite) return Lock() == 0;
  if (timeout.GetValue() <= 0) return TryLock();
  if (!m_initialized) return false;
  const struct timespec deadline = (CTimeStamp::Now() + timeout).AsTimespec();
  int result;
  do {
    result = pthread_mutex_timedlock(&m_mutex, &deadline);
  } while (result == EINTR);
  if (result != 0) return false;
  Acquired();
  return true;
}

int FXMutex::Unlock() {
  // Only the holder may touch the count; the owner is exact because it is cleared only when
  // the last level goes.
  if (!m_initialized || !pthread_equal(m_owner.load(std::memory_order_relaxed), pthread_self()) ||
      m_lockCount <= 0)
    return EPERM;
  if (--m_lockCount == 0) m_owner.store(0, std::memory_order_relaxed);
  return pthread_mutex_unlock(&m_mutex);
}
