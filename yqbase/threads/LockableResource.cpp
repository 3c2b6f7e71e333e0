#include "yqbase/threads/LockableResource.h"

FXLockableResource::~FXLockableResource() = default;

auto_lock::auto_lock(FXLockableResource* resource, bool lockNow)
    : m_resource(resource), m_locked(false) {
  if (lockNow) Lock();
}

auto_lock::~auto_lock() { Unlock(); }

int auto_lock::Lock() {
  if (m_resource == nullptr || m_locked) return 0;
  const int result = m_resource->Lock();
  m_locked = result == 0;
  return result;
}

int auto_lock::Unlock() {
  if (m_resource == nullptr || !m_locked) return 0;
  m_locked = false;
  return m_resource->Unlock();
}
