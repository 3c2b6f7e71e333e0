// CAlertableEventThread: a worker thread that sleeps on an event, wakes when it is set or a
// time-out passes, and calls overridable handlers guarded against exceptions.
#pragma once

#include <boost/shared_ptr.hpp>

#include "yqbase/errors/YqError.h"
#include "yqbase/time/TimeStamp.h"

class CAlertableEventThreadPrivate;

/// The skeleton of a worker thread. Start() runs Run() on a new thread: OnStart(), then
/// OnRun() while the thread is running, then OnStop(). The base OnRun() waits on the wake-up
/// event for the time-out (0: without limit) and calls OnEvent() when SetEvent() woke it, or
/// OnTimeout() when the time-out passed, counting each (Stop() wakes the thread through the
/// same event, so OnEvent() may run once more as it ends). An exception that leaves a handler is
/// logged at level -1 instead of ending the process; one from OnStart() or OnRun() ends the
/// run with status 1064 (ERROR_EXCEPTION_IN_SERVICE).
///
/// The default handlers do nothing and note that they were reached; the loop then no longer
/// calls a handler that was not overridden. So an override should not call the base handler
/// (it would not be called again).
///
/// SetEvent, Stop, IsRunning, the counters and WaitForStop may be called from any thread;
/// Start, StartSynchronously and Stop(true) belong to one controlling thread. The running flag
/// is an atomic flag rather than a plain bool: the controlling thread writes it while the
/// worker reads it, which for a plain bool is a data race. A derived class calls StopAndJoin()
/// in its destructor, so that its handlers never run on a half-destroyed object.
///
///   class CWatcher : public CAlertableEventThread {
///     void OnEvent() override { ... }
///    public:
///     ~CWatcher() override { StopAndJoin(); }
///   };
///   CWatcher watcher;
///   if (watcher.Start().Succeeded()) { ...; watcher.SetEvent(); ...; (void)watcher.Stop(true); }
class YQBASE_EXPORT CAlertableEventThread {
 public:
  /// The status of a run that an exception in OnStart() or OnRun() ended.
  static constexpr DWORD kStatusException = 1064;

  CAlertableEventThread();
  /// Stops and joins a thread still running (unless called on that thread itself).
  virtual ~CAlertableEventThread();
  CAlertableEventThread(const CAlertableEventThread&) = delete;
  CAlertableEventThread& operator=(const CAlertableEventThread&) = delete;

  /// Starts the thread; does nothing once a thread was started. A failure to create it is
  /// logged ("createThread failed") and returned as an errno error; Start may then be retried.
  [[nodiscard]] virtual CYqError Start();
  /// Runs Run() on the calling thread (with the event counter cleared) and returns its status;
  /// Win32 1247 (ERROR_ALREADY_INITIALIZED) when a thread was started with Start().
  virtual DWORD StartSynchronously();
  /// Ends the loop of a started thread: clears the running flag and wakes the thread. With
  /// `wait`, also waits until the thread has ended (OnStop() has run) and sets the stop event.
  /// Nothing to do without a started thread. Fails (errno EDEADLK) when the thread itself asks
  /// to wait for its own end.
  [[nodiscard]] virtual CYqError Stop(bool wait);
  /// Waits up to `interval` (CTimeInterval::kInfinite: without limit) for the stop event:
  /// Win32 258 (WAIT_TIMEOUT) when it is not set in time. Deliberate choice: the stop event is
  /// set when Run() ends as well as by Stop(true), so that WaitForStop also sees a thread that
  /// ended itself (InternalStop) instead of waiting in vain.
  [[nodiscard]] virtual CYqError WaitForStop(CTimeInterval interval);
  /// The body of the thread (see the class comment); returns the status (SetStatus).
  virtual DWORD Run();
  /// Waits on the wake-up event for the time-out: 0 (set), 258 (timed out), or another wait
  /// result. Deliberate choice: the time-out is rounded up to whole milliseconds, so that one
  /// below a millisecond waits one instead of turning the loop into a busy spin.
  virtual DWORD WaitForEvent();

  /// Wakes the thread: the next wait returns 0 and OnEvent() runs.
  void SetEvent();
  bool IsRunning() const;
  /// The pthread id of the started thread, or 0.
  unsigned long GetThreadId() const;
  CTimeInterval GetTimeout() const;
  void SetStatus(DWORD status);
  DWORD GetStatus() const;

  /// How often the loop saw the event, a completion and a time-out.
  ULONGLONG GetEventCount() const;
  ULONGLONG GetCompletionCount() const;
  ULONGLONG GetTimeoutCount() const;

 protected:
  virtual void OnStart();
  /// One pass of the loop; see the class comment.
  virtual void OnRun();
  virtual void OnStop();
  virtual void OnEvent();
  virtual void OnCompletion();
  virtual void OnTimeout();
  virtual void OnAbandoned();

 public:
  // Declared after the handlers: the virtual functions keep the order of the interface.
  /// Sets the time-out in 100-nanosecond units; 0 (or a negative value) waits without limit.
  virtual void SetTimeout(CTimeInterval timeout);
  /// Ends the loop from inside a handler: clears the running flag only.
  virtual void InternalStop();

 protected:
  /// Whether Start() created a thread.
  bool HasThread() const;
  /// Stops the thread and waits for its end, unless called on that thread itself (which
  /// cannot wait for itself); for destructors. A failure is logged.
  void StopAndJoin();

  /// The thread's entry: runs Run() on the object given as `context` and logs a non-zero
  /// status, or logs a null context.
  static void* RunStub(void* context);

 private:
  // Calls one handler unless it was found not overridden; logs `failure` under `function`
  // and returns false when it throws.
  bool Dispatch(unsigned handlerBit, void (CAlertableEventThread::*handler)(), const char* function,
                const char* failure);
  // Records that the default of a handler was reached.
  void ReachedDefault(unsigned handlerBit);

  boost::shared_ptr<CAlertableEventThreadPrivate> m_private;
};

/// A callback given to code that drives an alertable event thread from outside.
class YQBASE_EXPORT CAlertableEventThreadCallback {
 public:
  virtual ~CAlertableEventThreadCallback();
  /// Called on behalf of `thread`.
  virtual void OnCallback(CAlertableEventThread* thread) = 0;
};
