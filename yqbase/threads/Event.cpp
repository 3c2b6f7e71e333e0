#include "yqbase/threads/Event.h"

#include <errno.h>

#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/time/TimeStamp.h"

namespace {

// Unlocks a mutex when the scope ends.
class CMutexUnlocker {
 public:
  explicit CMutexUnlocker(pthread_mutex_t* mutex) : m_mutex(mutex) {}
  ~CMutexUnlocker() { pthread_mutex_unlock(m_mutex); }
  CMutexUnlocker(const CMutexUnlocker&) = delete;
  CMutexUnlocker& operator=(const CMutexUnlocker&) = delete;

 private:
  pthread_mutex_t* m_mutex;
};

}  // namespace

FXEvent::FXEvent(unsigned flags)
    : m_state((flags & INITIAL_SET) != 0), m_mutex(), m_cond(), m_flags(flags), m_valid(false) {
  pthread_mutexattr_t attributes;
  int result = pthread_mutexattr_init(&attributes);
  if (result == 0) {
    result = pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    if (result == 0) result = pthread_mutex_init(&m_mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
  }
  if (result != 0) {
    YQ_LOG_FAILURE("pthread_mutex_init failed, error=%d", result);
    return;
  }
  result = pthread_cond_init(&m_cond, nullptr);
  if (result != 0) {
    YQ_LOG_FAILURE("pthread_cond_init failed, error=%d", result);
    pthread_mutex_destroy(&m_mutex);
    return;
  }
  m_valid = true;
}

FXEvent::FXEvent(bool, unsigned flags) : FXEvent(flags) {}

FXEvent::~FXEvent() {
  if (!m_valid) return;
  pthread_cond_destroy(&m_cond);
  pthread_mutex_destroy(&m_mutex);
}

bool FXEvent::IsValid() const { return m_valid; }

void FXEvent::ChangeState(bool set) {
  if (!m_valid) return;
  pthread_mutex_lock(&m_mutex);
  CMutexUnlocker unlocker(&m_mutex);
  m_state = set;
  // Waiters recheck the state, so waking them on a Reset is harmless.
  if ((m_flags & MANUAL_RESET) != 0)
    pthread_cond_broadcast(&m_cond);
  else
    pthread_cond_signal(&m_cond);
}

void FXEvent::Set() { ChangeState(true); }

void FXEvent::Reset() { ChangeState(false); }

DWORD FXEvent::WaitForSet(unsigned milliseconds) {
  if (!IsValid()) return EINVAL;
  const int locked = pthread_mutex_lock(&m_mutex);
  if (locked != 0) return static_cast<DWORD>(locked);
  CMutexUnlocker unlocker(&m_mutex);
  // The deadline is on the real-time clock, which pthread_cond_timedwait uses by default.
  const struct timespec deadline =
      (CTimeStamp::Now() + CTimeInterval::FromMilliseconds(milliseconds)).AsTimespec();
  while (!m_state) {
    const int result = milliseconds == INFINITE
                           ? pthread_cond_wait(&m_cond, &m_mutex)
                           : pthread_cond_timedwait(&m_cond, &m_mutex, &deadline);
    if (result == ETIMEDOUT) return WAIT_TIMEOUT;
    if (result != 0 && result != EINTR) return static_cast<DWORD>(result);
  }
  if ((m_flags & MANUAL_RESET) == 0) m_state = false;
  return WAIT_OBJECT_0;
}

FXNamedEvent::FXNamedEvent(const std::string& name, unsigned flags)
    : FXEvent(flags), m_name(name) {}

FXNamedEvent::~FXNamedEvent() = default;
