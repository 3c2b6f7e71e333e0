#include "yqbase/threads/SequentialTasks.h"

#include <atomic>
#include <boost/make_shared.hpp>
#include <mutex>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/threads/ThreadsLogPrivate.h"

namespace {

constexpr DWORD kWin32InvalidParameter = 87;

}  // namespace

class CSequentialTasksPrivate {
 public:
  explicit CSequentialTasksPrivate(bool continueOnFailure) : continueOnFailure(continueOnFailure) {}

  std::vector<CRunnableTaskPtr> tasks;
  const bool continueOnFailure;
  // Whether the sequence's own cost or progress was set; then it wins over the tasks' values.
  std::atomic<bool> costSet{false};
  std::atomic<bool> progressSet{false};
  // The first failure of the last run, read by other threads.
  mutable std::mutex failureLock;
  CYqError failure;
  int failedPosition = -1;
};

CSequentialTasks::CSequentialTasks(bool continueOnFailure)
    : m_private(boost::make_shared<CSequentialTasksPrivate>(continueOnFailure)) {
  const yqthreads_detail::CGuardedTrace trace("CSequentialTasks::CSequentialTasks(bool)", __LINE__,
                                              0);
}

CSequentialTasks::~CSequentialTasks() {
  const yqthreads_detail::CGuardedTrace trace("virtual CSequentialTasks::~CSequentialTasks()",
                                              __LINE__, 0);
}

CYqError CSequentialTasks::AddTask(boost::shared_ptr<CRunnableTask> task) {
  if (!task) return FXErrorUtil::ErrorWin32(YQ_LOC, kWin32InvalidParameter, "null task");
  m_private->tasks.push_back(task);
  return CYqError();
}

CYqError CSequentialTasks::Run() { return Run(nullptr); }

CYqError CSequentialTasks::Run(CTaskFeedbackConnector* connector) {
  {
    std::lock_guard<std::mutex> guard(m_private->failureLock);
    m_private->failure = CYqError();
    m_private->failedPosition = -1;
  }
  CYqError first;
  const std::vector<CRunnableTaskPtr>& tasks = m_private->tasks;
  for (size_t i = 0; i < tasks.size(); ++i) {
    const CYqError result = tasks[i]->Run(connector);
    if (result.Succeeded()) continue;
    const int position = static_cast<int>(i);
    if (first.Succeeded()) {
      // The kept error is a deep copy: the location pushed below must not show in it.
      first = result.Copy();
      std::lock_guard<std::mutex> guard(m_private->failureLock);
      m_private->failure = result.Copy();
      m_private->failedPosition = position;
    }
    if (!ContinueOnFailedTask(tasks[i], position)) break;
  }
  if (first.Failed())
    return first.Push(FXCodeLocation{
        "SequentialTasks.cpp", "virtual CYqError CSequentialTasks::Run(CTaskFeedbackConnector*)",
        __LINE__});
  if (tasks.empty()) CRunnableTask::SetTaskProgress(1.0);
  return CYqError();
}

bool CSequentialTasks::ContinueOnFailedTask(boost::shared_ptr<CRunnableTask>, int) {
  return m_private->continueOnFailure;
}

bool CSequentialTasks::GetFailedTaskInformation(CYqError& error, int& position) const {
  std::lock_guard<std::mutex> guard(m_private->failureLock);
  error = m_private->failure;
  position = m_private->failedPosition;
  return position >= 0;
}

void CSequentialTasks::SetTaskCost(double cost) {
  CRunnableTask::SetTaskCost(cost);
  m_private->costSet.store(true);
}

double CSequentialTasks::GetTaskCost() const {
  if (m_private->costSet.load()) return CRunnableTask::GetTaskCost();
  double sum = 0;
  for (const CRunnableTaskPtr& task : m_private->tasks) sum += task->GetTaskCost();
  return sum;
}

void CSequentialTasks::SetTaskProgress(double progress) {
  CRunnableTask::SetTaskProgress(progress);
  m_private->progressSet.store(true);
}

// The mean weighted by cost; the plain mean when every cost is 0.
double CSequentialTasks::GetTaskProgress() const {
  const std::vector<CRunnableTaskPtr>& tasks = m_private->tasks;
  if (m_private->progressSet.load() || tasks.empty()) return CRunnableTask::GetTaskProgress();
  double weighted = 0, costs = 0, plain = 0;
  for (const CRunnableTaskPtr& task : tasks) {
    const double cost = task->GetTaskCost(), progress = task->GetTaskProgress();
    weighted += cost * progress;
    costs += cost;
    plain += progress;
  }
  return costs > 0 ? weighted / costs : plain / static_cast<double>(tasks.size());
}

bool CSequentialTasks::OnCancelRequest() {
  if (yqthreads_detail::DebugLevel() > 6)
    YQ_LOG_AS(7, "virtual bool CSequentialTasks::OnCancelRequest()", "0x%p Cancel requested",
              static_cast<void*>(this));
  for (const CRunnableTaskPtr& task : m_private->tasks) task->OnCancelRequest();
  SetCanceled();
  return true;
}
