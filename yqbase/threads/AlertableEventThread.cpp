#include "yqbase/threads/AlertableEventThread.h"

#include <cxxabi.h>

#include <atomic>
#include <boost/make_shared.hpp>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/threads/Event.h"
#include "yqbase/threads/ThreadsLogPrivate.h"
#include "yqbase/threads/ZkThread.h"

namespace {

constexpr DWORD kWin32AlreadyInitialized = 1247;

constexpr char kRunFunction[] = "virtual DWORD CAlertableEventThread::Run()";
constexpr char kOnRunFunction[] = "virtual void CAlertableEventThread::OnRun()";
constexpr char kRunStubFunction[] = "static void* CAlertableEventThread::RunStub(PVOID)";

// One bit per handler that the loop skips once its default was reached.
enum : unsigned {
  kAlwaysCalled = 0,
  kOnStartBit = 1u << 0,
  kOnStopBit = 1u << 1,
  kOnEventBit = 1u << 2,
  kOnCompletionBit = 1u << 3,
  kOnTimeoutBit = 1u << 4,
  kOnAbandonedBit = 1u << 5,
};

// The milliseconds of a positive interval for FXEvent::WaitForSet: rounded up, so that a
// short time-out does not become a busy loop, and INFINITE when too long for 32 bits.
unsigned WaitMilliseconds(LONGLONG ticks) {
  const LONGLONG ms = ticks / CTimeInterval::kTicksPerMillisecond +
                      (ticks % CTimeInterval::kTicksPerMillisecond != 0 ? 1 : 0);
  return ms >= static_cast<LONGLONG>(INFINITE) ? INFINITE : static_cast<unsigned>(ms);
}

// Calls a handler; false when it threw. A cancellation of the thread (abi::__forced_unwind)
// must unwind on. The runtime passes that as a null reference, which the sanitizer's null
// check would flag.
__attribute__((noinline, no_sanitize("null"))) bool CallGuarded(
    CAlertableEventThread* thread, void (CAlertableEventThread::*handler)()) {
  try {
    (thread->*handler)();
    return true;
  } catch (abi::__forced_unwind&) {
    throw;
  } catch (...) {
    return false;
  }
}

}  // namespace

class CAlertableEventThreadPrivate {
 public:
  FXEvent wakeUp{0};  // auto-reset
  std::atomic<bool> running{false};
  boost::shared_ptr<Unix::ZkThread> thread;
  FXEvent stopped{FXEvent::MANUAL_RESET};
  std::atomic<LONGLONG> timeout{0};
  std::atomic<ULONGLONG> events{0};
  std::atomic<ULONGLONG> completions{0};
  std::atomic<ULONGLONG> timeouts{0};
  std::atomic<DWORD> status{0};
  unsigned defaultHandlers = 0;  // touched by the running thread only
};

CAlertableEventThread::CAlertableEventThread()
    : m_private(boost::make_shared<CAlertableEventThreadPrivate>()) {}

CAlertableEventThread::~CAlertableEventThread() { StopAndJoin(); }

// On its own thread (a self-owned object released at the end of its run) the thread is not
// joined; destroying the ZkThread detaches it instead.
void CAlertableEventThread::StopAndJoin() {
  const boost::shared_ptr<Unix::ZkThread>& thread = m_private->thread;
  if (!thread || !thread->isRunning() || thread->getThreadId() == Unix::zk_thr_self()) return;
  const CYqError result = CAlertableEventThread::Stop(true);
  if (result.Failed()) YQ_LOG_FAILURE("%s", result.AsString().c_str());
}

CYqError CAlertableEventThread::Start() {
  CAlertableEventThreadPrivate& p = *m_private;
  if (p.thread) return CYqError();
  const boost::shared_ptr<Unix::ZkThread> thread = boost::make_shared<Unix::ZkThread>();
  p.stopped.Reset();
  p.running.store(true);
  p.thread = thread;
  const int result = thread->createThread(&RunStub, this);
  if (result == 0) return CYqError();
  p.thread.reset();
  p.running.store(false);
  YQ_LOG_FAILURE("createThread failed");
  return FXErrorUtil::ErrorErrNo(YQ_LOC, result, "createThread failed: %s",
                                 thread->getLastError().c_str());
}

DWORD CAlertableEventThread::StartSynchronously() {
  CAlertableEventThreadPrivate& p = *m_private;
  if (p.thread) return kWin32AlreadyInitialized;
  p.events.store(0);
  p.stopped.Reset();
  p.running.store(true);
  return Run();
}

CYqError CAlertableEventThread::Stop(bool wait) {
  CAlertableEventThreadPrivate& p = *m_private;
  if (!p.thread || !p.wakeUp.IsValid()) return CYqError();
  p.running.store(false);
  p.wakeUp.Set();
  if (!wait) return CYqError();
  const int joined = p.thread->joinThread(nullptr);
  if (joined != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, joined, "%s", p.thread->getLastError().c_str());
  p.stopped.Set();
  return CYqError();
}

CYqError CAlertableEventThread::WaitForStop(CTimeInterval interval) {
  const LONGLONG ticks = interval.GetValue();
  const unsigned ms = ticks == CTimeInterval::kInfinite ? INFINITE
                      : ticks <= 0                      ? 0
                                                        : WaitMilliseconds(ticks);
  const DWORD result = m_private->stopped.WaitForSet(ms);
  if (result == WAIT_OBJECT_0) return CYqError();
  return FXErrorUtil::ErrorWin32(
      FXCodeLocation{"AlertableEventThread.cpp",
                     "virtual CYqError CAlertableEventThread::WaitForStop(CTimeInterval)",
                     __LINE__},
      result);
}

void* CAlertableEventThread::RunStub(void* context) {
  if (context == nullptr) {
    YQ_LOG_AS(-1, kRunStubFunction, "NULL context received; cannot continue");
    return nullptr;
  }
  // Nothing of the object is touched after Run(): a self-owned thread may be gone by then.
  const DWORD result = static_cast<CAlertableEventThread*>(context)->Run();
  if (result != 0) YQ_LOG_AS(-1, kRunStubFunction, "Run failed, result=[%u]", result);
  return nullptr;
}

DWORD CAlertableEventThread::Run() {
  const yqthreads_detail::CGuardedTrace trace(kRunFunction, __LINE__, 8);
  CAlertableEventThreadPrivate& p = *m_private;
  if (!Dispatch(kOnStartBit, &CAlertableEventThread::OnStart, kRunFunction,
                "#### Unhandled exception caught in OnStart(), skipping OnRun()")) {
    p.running.store(false);
    p.status.store(kStatusException);
  }
  while (p.running.load()) {
    if (!Dispatch(kAlwaysCalled, &CAlertableEventThread::OnRun, kRunFunction,
                  "#### Unhandled exception caught in OnRun()")) {
      p.running.store(false);
      p.status.store(kStatusException);
    }
  }
  Dispatch(kOnStopBit, &CAlertableEventThread::OnStop, kRunFunction,
           "#### Unhandled exception caught in OnStop()");
  const DWORD status = p.status.load();
  // A waiter may destroy the object from here on.
  p.stopped.Set();
  return status;
}

void CAlertableEventThread::OnRun() {
  CAlertableEventThreadPrivate& p = *m_private;
  if (!p.running.load()) return;
  switch (WaitForEvent()) {
    case WAIT_OBJECT_0:
      ++p.events;
      Dispatch(kOnEventBit, &CAlertableEventThread::OnEvent, kOnRunFunction,
               "#### Unhandled exception caught in OnEvent()");
      break;
    case WAIT_IO_COMPLETION:
      ++p.completions;
      Dispatch(kOnCompletionBit, &CAlertableEventThread::OnCompletion, kOnRunFunction,
               "#### Unhandled exception caught in OnCompletion()");
      break;
    case WAIT_TIMEOUT:
      ++p.timeouts;
      Dispatch(kOnTimeoutBit, &CAlertableEventThread::OnTimeout, kOnRunFunction,
               "#### Unhandled exception caught in OnTimeout()");
      break;
    case WAIT_ABANDONED:
      Dispatch(kOnAbandonedBit, &CAlertableEventThread::OnAbandoned, kOnRunFunction,
               "#### Unhandled exception caught in OnAbandoned()");
      break;
    default:
      break;
  }
}

DWORD CAlertableEventThread::WaitForEvent() {
  const LONGLONG ticks = m_private->timeout.load();
  return m_private->wakeUp.WaitForSet(ticks <= 0 ? INFINITE : WaitMilliseconds(ticks));
}

bool CAlertableEventThread::Dispatch(unsigned handlerBit, void (CAlertableEventThread::*handler)(),
                                     const char* function, const char* failure) {
  if ((m_private->defaultHandlers & handlerBit) != 0) return true;
  if (CallGuarded(this, handler)) return true;
  YQ_LOG_AS(-1, function, "%s", failure);
  return false;
}

void CAlertableEventThread::ReachedDefault(unsigned handlerBit) {
  m_private->defaultHandlers |= handlerBit;
}

void CAlertableEventThread::OnStart() { ReachedDefault(kOnStartBit); }
void CAlertableEventThread::OnStop() { ReachedDefault(kOnStopBit); }
void CAlertableEventThread::OnEvent() { ReachedDefault(kOnEventBit); }
void CAlertableEventThread::OnCompletion() { ReachedDefault(kOnCompletionBit); }
void CAlertableEventThread::OnTimeout() { ReachedDefault(kOnTimeoutBit); }
void CAlertableEventThread::OnAbandoned() { ReachedDefault(kOnAbandonedBit); }

void CAlertableEventThread::SetTimeout(CTimeInterval timeout) {
  m_private->timeout.store(timeout.GetValue());
}

void CAlertableEventThread::InternalStop() { m_private->running.store(false); }

void CAlertableEventThread::SetEvent() { m_private->wakeUp.Set(); }

bool CAlertableEventThread::IsRunning() const { return m_private->running.load(); }

unsigned long CAlertableEventThread::GetThreadId() const {
  return m_private->thread ? m_private->thread->getThreadId() : 0;
}

CTimeInterval CAlertableEventThread::GetTimeout() const {
  return CTimeInterval(m_private->timeout.load());
}

void CAlertableEventThread::SetStatus(DWORD status) { m_private->status.store(status); }

DWORD CAlertableEventThread::GetStatus() const { return m_private->status.load(); }

ULONGLONG CAlertableEventThread::GetEventCount() const { return m_private->events.load(); }

ULONGLONG CAlertableEventThread::GetCompletionCount() const {
  return m_private->completions.load();
}

ULONGLONG CAlertableEventThread::GetTimeoutCount() const { return m_private->timeouts.load(); }

bool CAlertableEventThread::HasThread() const { return static_cast<bool>(m_private->thread); }

CAlertableEventThreadCallback::~CAlertableEventThreadCallback() = default;
