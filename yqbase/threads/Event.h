// FXEvent and FXNamedEvent: events that are set, reset and waited on with a time-out, and the
// wait results they share with the Windows vocabulary.
#pragma once

#include <pthread.h>

#include <string>

#include "yqbase/errors/YqExport.h"
#include "yqbase/errors/YqTypes.h"

#ifndef WAIT_OBJECT_0
#define WAIT_OBJECT_0 static_cast<DWORD>(0)
#endif
#ifndef WAIT_ABANDONED
#define WAIT_ABANDONED static_cast<DWORD>(128)
#endif
#ifndef WAIT_IO_COMPLETION
#define WAIT_IO_COMPLETION static_cast<DWORD>(192)
#endif
#ifndef WAIT_TIMEOUT
#define WAIT_TIMEOUT static_cast<DWORD>(258)
#endif
#ifndef INFINITE
#define INFINITE static_cast<DWORD>(0xFFFFFFFF)
#endif

/// An event inside the process: set or clear, with waiters woken when it is set. An
/// auto-reset event (the default) lets one waiter through per Set and clears itself; a
/// manual-reset event stays set and lets every waiter through until Reset. Set, Reset and
/// waits may be called from any thread and are atomic with respect to one another. Not
/// copyable.
///
///   FXEvent done(0);                  // auto-reset, created clear
///   ... another thread: done.Set();
///   if (done.WaitForSet(5000) == WAIT_TIMEOUT) ...
class YQBASE_EXPORT FXEvent {
 public:
  enum : unsigned {
    INITIAL_SET = 0x1,   ///< created set
    MANUAL_RESET = 0x2,  ///< stays set until Reset
  };

  explicit FXEvent(unsigned flags = 0);
  /// The boolean is accepted for compatibility and not used.
  FXEvent(bool unused, unsigned flags);
  virtual ~FXEvent();
  FXEvent(const FXEvent&) = delete;
  FXEvent& operator=(const FXEvent&) = delete;

  /// Sets the event and wakes every waiter (manual reset) or one (auto reset).
  virtual void Set();
  /// Clears the event.
  virtual void Reset();
  /// Whether the event's mutex and condition could be made; true in practice.
  virtual bool IsValid() const;

  /// Waits until the event is set or `milliseconds` have passed (INFINITE: no limit), and
  /// clears an auto-reset event it lets through. Returns WAIT_OBJECT_0 (0) when set,
  /// WAIT_TIMEOUT (258) on time-out, or an error number (EINVAL for an invalid event).
  /// WaitForSet(0) answers at once.
  DWORD WaitForSet(unsigned milliseconds);

  unsigned GetFlags() const { return m_flags; }

 private:
  // Sets or clears the state under the mutex and wakes every waiter (manual reset) or one.
  void ChangeState(bool set);

  bool m_state;
  pthread_mutex_t m_mutex;
  pthread_cond_t m_cond;
  unsigned m_flags;
  bool m_valid;
};

/// An event with a name. The name is only kept: on this platform the event is local to the
/// process like any FXEvent.
class YQBASE_EXPORT FXNamedEvent : public FXEvent {
 public:
  explicit FXNamedEvent(const std::string& name, unsigned flags = 0);
  ~FXNamedEvent() override;

  const std::string& GetName() const { return m_name; }

 private:
  std::string m_name;
};
