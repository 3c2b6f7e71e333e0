#include "yqbase/threads/CriticalSection.h"

FXCriticalSection::FXCriticalSection() : m_owner(0) {}

FXCriticalSection::~FXCriticalSection() = default;

bool FXCriticalSection::TryLock() {
  if (!m_mutex.try_lock()) return false;
  m_owner.store(pthread_self(), std::memory_order_relaxed);
  return true;
}

bool FXCriticalSection::TryLock(CTimeInterval) { return TryLock(); }

int FXCriticalSection::Lock() {
  m_mutex.lock();
  m_owner.store(pthread_self(), std::memory_order_relaxed);
  return 0;
}

int FXCriticalSection::Unlock() {
  m_owner.store(0, std::memory_order_relaxed);
  m_mutex.unlock();
  return 0;
}
