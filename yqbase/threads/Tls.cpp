#include "yqbase/threads/Tls.h"

CTls::CTls() : m_key(), m_initialized(false) {}

CTls::~CTls() { DeInitialize(); }

int CTls::Initialize() {
  if (m_initialized) return 0;
  const int result = pthread_key_create(&m_key, nullptr);
  if (result == 0) m_initialized = true;
  return result;
}

int CTls::DeInitialize() {
  if (!m_initialized) return 0;
  m_initialized = false;
  return pthread_key_delete(m_key);
}

int CTls::SetData(void* value) {
  if (!m_initialized) return -1;
  return pthread_setspecific(m_key, value);
}

void* CTls::GetData() const { return m_initialized ? pthread_getspecific(m_key) : nullptr; }
