#include "yqbase/threads/ZkThread.h"

#include <cxxabi.h>
#include <errno.h>
#include <signal.h>
#include <string.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <typeinfo>
#include <unordered_set>

#include "yqbase/errors/ZkException.h"
#include "yqbase/logging/LogWriterInterface.h"

namespace {

// The function and argument handed to a new thread; the thread deletes it.
struct SThreadStart {
  Unix::ZkThread::ThreadFunction function;
  void* argument;
};

// strerror's text without its shared buffer.
std::string ErrorText(int error) {
  char buffer[256];
  return strerror_r(error, buffer, sizeof buffer);
}

// The readable name of a type, as the compiler's demangler spells it.
std::string TypeName(const std::type_info* type) {
  if (type == nullptr) return "unknown exception";
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(
      abi::__cxa_demangle(type->name(), nullptr, nullptr, &status), std::free);
  return status == 0 && name ? name.get() : type->name();
}

// Exceptions that leave a thread function are reported under the start routine's name. Kept
// out of line, so that the frames a cancellation unwinds hold no stack objects of their own
// (AddressSanitizer cannot clear their guard zones when a frame is left by cancellation).
__attribute__((noinline)) void LogEscapedException(const std::type_info* type, const char* text) {
  CLogWriterInterface* writer = g_ptrLogWriter.get();
  if (writer != nullptr)
    writer->LogMessage(-1, "static void* Unix::ZkThread::start_func(void*)", 111, 0, nullptr,
                       "%s:%s", TypeName(type).c_str(), text);
}

// Runs a thread function; an exception that leaves it is logged and the result is null.
// Cancellation unwinds as abi::__forced_unwind, which the runtime passes as a null reference;
// the sanitizer's null-reference check would flag that.
__attribute__((noinline, no_sanitize("null"))) void* RunGuarded(
    Unix::ZkThread::ThreadFunction function, void* argument) {
  try {
    return function(argument);
  } catch (abi::__forced_unwind&) {
    throw;  // cancellation must unwind on to the thread's end
  } catch (const ZkException& e) {
    CLogWriterInterface* writer = g_ptrLogWriter.get();
    if (writer != nullptr)
      writer->LogMessage(-1, "static void* Unix::ZkThread::start_func(void*)", 111, 0, nullptr,
                         "%s:%s", e.getFunction(), e.getMessage());
  } catch (const std::exception& e) {
    LogEscapedException(&typeid(e), e.what());
  } catch (...) {
    LogEscapedException(abi::__cxa_current_exception_type(), "");
  }
  return nullptr;
}

// The threads this library started that have not ended yet. pthread_cancel on the id of an
// ended thread is undefined, so cancelling by id is limited to these. Never destroyed: threads
// may still end while static objects are torn down at exit.
struct SLiveThreads {
  std::mutex lock;
  std::unordered_set<pthread_t> ids;
};

SLiveThreads& LiveThreads() {
  static SLiveThreads* live = new SLiveThreads;
  return *live;
}

// Lives in the started thread's storage; its destructor runs when the thread ends, also by
// cancellation, and takes the thread off the live list.
struct SLiveThreadMark {
  pthread_t self{};
  bool armed = false;
  ~SLiveThreadMark() {
    if (!armed) return;
    SLiveThreads& live = LiveThreads();
    std::lock_guard<std::mutex> guard(live.lock);
    live.ids.erase(self);
  }
};

thread_local SLiveThreadMark t_liveMark;

// Cancels a live library thread; ESRCH for any other id. The list stays locked during the
// call, so the thread cannot finish ending (and its id become invalid) meanwhile.
int CancelLiveThread(pthread_t thread) {
  SLiveThreads& live = LiveThreads();
  std::lock_guard<std::mutex> guard(live.lock);
  if (live.ids.count(thread) == 0) return ESRCH;
  return pthread_cancel(thread);
}

}  // namespace

namespace Unix {

ZkThread::ZkThread()
    : m_detached(false), m_running(false), m_thread(), m_stackSize(kDefaultStackSize) {}

ZkThread::~ZkThread() {
  if (m_running && !m_detached) pthread_detach(m_thread);
}

int ZkThread::Fail(int result, const char* operation, const char* what) {
  m_lastError = std::string("ZkThread::") + operation + "(): " + what;
  if (result > 0) m_lastError += ErrorText(result);
  return result;
}

void* ZkThread::start_func(void* holder) {
  // Take the function out first: with a cancel request already pending, switching to
  // asynchronous cancellation acts on it at once, and the holder must not leak.
  SThreadStart* start = static_cast<SThreadStart*>(holder);
  const ThreadFunction function = start->function;
  void* const argument = start->argument;
  delete start;
  t_liveMark.self = pthread_self();
  t_liveMark.armed = true;
  pthread_setcancelstate(PTHREAD_CANCEL_ENABLE, nullptr);
  pthread_setcanceltype(PTHREAD_CANCEL_ASYNCHRONOUS, nullptr);
  if (function == nullptr) return nullptr;
  return RunGuarded(function, argument);
}

int ZkThread::create(ThreadFunction function, void* argument, bool detached,
                     const char* operation) {
  if (m_running) return Fail(-1, operation, "The thread is already running.");
  std::unique_ptr<SThreadStart> start(new (std::nothrow) SThreadStart{function, argument});
  if (!start) return Fail(ENOMEM, operation, "Failed to create thread:\n");
  pthread_attr_t attributes;
  int result = pthread_attr_init(&attributes);
  if (result != 0) return Fail(result, operation, "Failed to create thread:\n");
  result = pthread_attr_setstacksize(&attributes, m_stackSize);
  if (result == 0 && detached)
    result = pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  pthread_t thread;
  {
    // Registered under the lock, so a thread that ends at once is removed only afterwards.
    SLiveThreads& live = LiveThreads();
    std::lock_guard<std::mutex> guard(live.lock);
    if (result == 0) result = pthread_create(&thread, &attributes, &start_func, start.get());
    if (result == 0) live.ids.insert(thread);
  }
  pthread_attr_destroy(&attributes);
  if (result != 0) return Fail(result, operation, "Failed to create thread:\n");
  start.release();  // the thread owns it now
  m_thread = thread;
  m_running = true;
  m_detached = detached;
  return 0;
}

int ZkThread::createThread(ThreadFunction function, void* argument) {
  return create(function, argument, false, "createThread");
}

int ZkThread::createDetachedThread(ThreadFunction function, void* argument) {
  return create(function, argument, true, "createDetachedThread");
}

int ZkThread::terminateThread() {
  if (!m_running) return 0;
  const int result = CancelLiveThread(m_thread);
  if (result == ESRCH) return 0;  // it has ended already
  if (result != 0) return Fail(result, "terminateThread", "Failed to cancel thread:\n");
  return 0;
}

int ZkThread::terminateThread(unsigned long threadId, std::string& error) {
  const int result = CancelLiveThread(static_cast<pthread_t>(threadId));
  if (result != 0) error = "Failed to cancel thread: " + ErrorText(result);
  return result;
}

int ZkThread::suspendThread() {
  if (!m_running) return 0;
  const int result = pthread_kill(m_thread, SIGSTOP);
  if (result != 0) return Fail(result, "suspendThread", "Failed to suspend thread:\n");
  return 0;
}

int ZkThread::resumeThread() {
  if (!m_running) return 0;
  const int result = pthread_kill(m_thread, SIGCONT);
  if (result != 0) return Fail(result, "resumeThread", "Failed to resume thread:\n");
  return 0;
}

int ZkThread::joinThread(void** result) {
  if (!m_running) return 0;
  if (m_detached) return Fail(-1, "joinThread", "Can't join a detached thread.");
  const int joined = pthread_join(m_thread, result);
  if (joined != 0) return Fail(joined, "joinThread", "Failed to join thread:\n");
  m_running = false;
  return 0;
}

int ZkThread::detachThread() {
  if (!m_running) return 0;
  if (m_detached) return Fail(-1, "detachThread", "Can't detach a detached thread.");
  const int result = pthread_detach(m_thread);
  if (result != 0) return Fail(result, "detachThread", "Failed to detach thread:\n");
  m_detached = true;
  return 0;
}

int ZkThread::getMainThreadPID() { return 0; }

unsigned long ZkThread::getCurrentThreadID() { return static_cast<unsigned long>(pthread_self()); }

unsigned long ZkThread::pthread2threadId(const unsigned long& id) { return id; }

unsigned long zk_thr_self() { return static_cast<unsigned long>(pthread_self()); }

}  // namespace Unix
