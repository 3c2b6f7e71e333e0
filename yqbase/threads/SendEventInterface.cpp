#include "yqbase/threads/SendEventInterface.h"

FXMutex g_oLock;

ISendEventInterfacePtr ISendEventInterface::m_ptrInstance;

ISendEventInterface::~ISendEventInterface() = default;

void ISendEventInterface::SendEvent(const CYqError&, int, long long, int) {}
void ISendEventInterface::SendInfoEvent(const CYqError&, long long, int) {}
void ISendEventInterface::SendMinorEvent(const CYqError&, long long, int) {}
void ISendEventInterface::SendMajorEvent(const CYqError&, long long, int) {}
void ISendEventInterface::SendCriticalEvent(const CYqError&, long long, int) {}
void ISendEventInterface::SetPendingCause(const CYqError&, long long) {}
void ISendEventInterface::SetPendingCauseAndEvent(const CYqError&, int, int) {}
void ISendEventInterface::SetPendingCauseAndCriticalEvent(const CYqError&, int) {}
void ISendEventInterface::SendSkipFSEvent(const std::string&, const std::string&, long long) {}

// The instance may be replaced, so it is read under the lock as well: a shared pointer read
// while another thread assigns it is a data race.
ISendEventInterfacePtr ISendEventInterface::GetInstance() {
  auto_lock guard(&g_oLock);
  if (!m_ptrInstance) m_ptrInstance.reset(new ISendEventInterface());
  return m_ptrInstance;
}

void ISendEventInterface::SetInstance(const ISendEventInterfacePtr& instance) {
  auto_lock guard(&g_oLock);
  m_ptrInstance = instance;
}
