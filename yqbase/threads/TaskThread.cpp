#include "yqbase/threads/TaskThread.h"

#include <boost/make_shared.hpp>
#include <mutex>

#include "yqbase/errors/ErrorUtil.h"

namespace {

constexpr DWORD kWin32InvalidParameter = 87;
constexpr DWORD kWin32OperationAborted = 995;

}  // namespace

class CTaskThreadPrivate {
 public:
  CTaskThreadPrivate(boost::shared_ptr<CRunnableTask> task, CTaskFeedbackConnector* connector)
      : task(task), connector(connector) {}

  void SetResult(const CYqError& value) {
    std::lock_guard<std::mutex> guard(resultLock);
    result = value;
  }

  const boost::shared_ptr<CRunnableTask> task;
  CTaskFeedbackConnector* const connector;
  mutable std::mutex resultLock;
  CYqError result;
};

CTaskThread::CTaskThread(boost::shared_ptr<CRunnableTask> task, CTaskFeedbackConnector* connector)
    : m_private(boost::make_shared<CTaskThreadPrivate>(task, connector)) {
  // A task that never runs (stopped before it started) must not read as a success.
  m_private->result = FXErrorUtil::ErrorWin32(YQ_LOC, kWin32OperationAborted, "task not run");
}

CTaskThread::~CTaskThread() { StopAndJoin(); }

void CTaskThread::OnRun() {
  CTaskThreadPrivate& p = *m_private;
  if (!p.task) {
    p.SetResult(FXErrorUtil::ErrorWin32(YQ_LOC, kWin32InvalidParameter, "null task"));
    InternalStop();
    return;
  }
  if (p.connector != nullptr) p.connector->OnTaskStart();
  // Stays the result when the task throws.
  p.SetResult(FXErrorUtil::ErrorWin32(YQ_LOC, kStatusException, "task ended by an exception"));
  p.SetResult(p.task->Run(p.connector));
  InternalStop();
}

void CTaskThread::OnStop() {
  CTaskThreadPrivate& p = *m_private;
  if (p.connector != nullptr)
    p.connector->OnTaskComplete(p.task && p.task->IsCanceled()
                                    ? CTaskFeedbackConnector::kTaskCanceled
                                    : CTaskFeedbackConnector::kTaskCompleted);
  CAlertableEventThread::OnStop();
}

CYqError CTaskThread::GetResult() const {
  std::lock_guard<std::mutex> guard(m_private->resultLock);
  return m_private->result;
}

boost::shared_ptr<CRunnableTask> CTaskThread::GetTask() const { return m_private->task; }

CTaskFeedbackConnector* CTaskThread::GetConnector() const { return m_private->connector; }

CAutonomousTaskThread::CAutonomousTaskThread(boost::shared_ptr<CRunnableTask> task,
                                             CTaskFeedbackConnector* connector)
    : CTaskThread(task, connector) {}

CAutonomousTaskThread::~CAutonomousTaskThread() = default;

CYqError CAutonomousTaskThread::Start() {
  if (HasThread()) return CYqError();
  m_self = weak_from_this().lock();
  if (!m_self)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kWin32InvalidParameter,
                                   "an autonomous task thread must be owned by a shared pointer");
  CYqError result = CTaskThread::Start();
  if (result.Failed()) {
    m_self.reset();
    result.Push(YQ_LOC);
  }
  return result;
}

DWORD CAutonomousTaskThread::Run() {
  const DWORD status = CTaskThread::Run();
  // Released last: this may destroy the object.
  boost::shared_ptr<CAutonomousTaskThread> self;
  self.swap(m_self);
  return status;
}
