// Unix::ZkThread: one POSIX thread created, cancelled, suspended, joined and detached through
// calls that return 0, -1 or an error number and keep the text of the last failure.
#pragma once

#include <pthread.h>

#include <cstddef>
#include <string>

#include "yqbase/errors/YqExport.h"

namespace Unix {

/// Drives one thread. Every operation returns 0 on success, -1 when the request is refused
/// (already running, joining or detaching a detached thread) and otherwise the POSIX error
/// number; the text of a refusal or failure is kept in getLastError(). The object is meant to
/// be driven by one controlling thread; its fields are not locked. Destroying it detaches a
/// running thread that is neither joined nor detached.
///
/// The thread runs with asynchronous cancellation enabled, so terminateThread() stops it at
/// any instruction. suspendThread() sends SIGSTOP, which on Linux stops the whole process.
///
///   Unix::ZkThread thread;
///   if (thread.createThread(&Work, &data) != 0) log(thread.getLastError());
///   void* result = nullptr;
///   thread.joinThread(&result);
class YQBASE_EXPORT ZkThread {
 public:
  typedef void* (*ThreadFunction)(void*);
  static constexpr size_t kDefaultStackSize = 524288;

  ZkThread();
  virtual ~ZkThread();
  ZkThread(const ZkThread&) = delete;
  ZkThread& operator=(const ZkThread&) = delete;

  /// Starts `function(argument)` on a new joinable thread; -1 while a thread is running.
  int createThread(ThreadFunction function, void* argument);
  /// The same on a detached thread.
  int createDetachedThread(ThreadFunction function, void* argument);
  /// Cancels the running thread; 0 when none runs or it has ended already.
  int terminateThread();
  /// Cancels the thread with that id; a failure's text goes to `error`. Only threads started
  /// by this class that have not ended are cancelled: any other id (an ended thread, a thread
  /// started elsewhere, garbage) is refused with ESRCH and "Failed to cancel thread: No such
  /// process", where cancelling it could crash the process.
  static int terminateThread(unsigned long threadId, std::string& error);
  /// Stops (SIGSTOP) or continues (SIGCONT) the running thread; 0 when none runs.
  int suspendThread();
  int resumeThread();
  /// Waits for the thread to end and stores its result in `*result` when `result` is not
  /// null; 0 when none runs, -1 for a detached thread.
  int joinThread(void** result);
  /// Detaches the thread; 0 when none runs, -1 when it is already detached.
  int detachThread();

  /// 0 on this platform.
  static int getMainThreadPID();
  /// The calling thread's pthread_self().
  static unsigned long getCurrentThreadID();
  /// The thread id of a pthread identifier: the same number on this platform.
  static unsigned long pthread2threadId(const unsigned long& id);

  bool isRunning() const { return m_running; }
  bool isDetached() const { return m_detached; }
  /// The pthread identifier of the last thread created.
  unsigned long getThreadId() const { return static_cast<unsigned long>(m_thread); }
  size_t getStackSize() const { return m_stackSize; }
  /// The stack size of threads created from now on (512 KiB unless changed).
  void setStackSize(size_t bytes) { m_stackSize = bytes; }
  /// The text of the last refusal or failure; empty until one happens.
  const std::string& getLastError() const { return m_lastError; }

 private:
  static void* start_func(void* holder);
  int create(ThreadFunction function, void* argument, bool detached, const char* operation);
  // Keeps "ZkThread::<operation>(): <what>" and, for a system error, its text; returns `result`.
  int Fail(int result, const char* operation, const char* what);

  bool m_detached;
  bool m_running;
  pthread_t m_thread;
  size_t m_stackSize;
  std::string m_lastError;
};

/// The calling thread's pthread_self().
YQBASE_EXPORT unsigned long zk_thr_self();

}  // namespace Unix
