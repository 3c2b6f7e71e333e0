#include "yqbase/threads/RunnableTask.h"

#include <algorithm>
#include <atomic>
#include <boost/make_shared.hpp>
#include <cmath>
#include <mutex>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/strings/StringExtensions.h"
#include "yqbase/threads/Event.h"
#include "yqbase/threads/ThreadsLogPrivate.h"

namespace {

constexpr DWORD kWin32NotSupported = 50;
constexpr long long kPauseSliceMilliseconds = 200;

// A cost or progress value made finite and not negative.
double NotNegative(double value) { return std::isnan(value) || value < 0 ? 0 : value; }

}  // namespace

class CRunnableTaskPrivate {
 public:
  std::atomic<bool> canceled{false};
  // Set with the canceled flag, so that a pause wakes at once.
  FXEvent cancelEvent{FXEvent::MANUAL_RESET};
  // Cost and progress are doubles, which need not be lock-free atomics on 32-bit x86.
  mutable std::mutex valuesLock;
  double cost = 1.0;
  double progress = 0;
};

CRunnableTask::CRunnableTask() : m_private(boost::make_shared<CRunnableTaskPrivate>()) {}

CRunnableTask::~CRunnableTask() = default;

CYqError CRunnableTask::Run(CTaskFeedbackConnector*) {
  CYqError result = Run();
  if (result.Failed())
    result.Push(FXCodeLocation{"RunnableTask.cpp",
                               "virtual CYqError CRunnableTask::Run(CTaskFeedbackConnector*)",
                               __LINE__});
  return result;
}

CYqError CRunnableTask::Run() {
  SetTaskProgress(1.0);
  return CYqError();
}

void CRunnableTask::SetTaskCost(double cost) {
  std::lock_guard<std::mutex> guard(m_private->valuesLock);
  m_private->cost = NotNegative(cost);
}

double CRunnableTask::GetTaskCost() const {
  std::lock_guard<std::mutex> guard(m_private->valuesLock);
  return m_private->cost;
}

void CRunnableTask::SetTaskProgress(double progress) {
  std::lock_guard<std::mutex> guard(m_private->valuesLock);
  m_private->progress = std::min(NotNegative(progress), 1.0);
}

double CRunnableTask::GetTaskProgress() const {
  std::lock_guard<std::mutex> guard(m_private->valuesLock);
  return m_private->progress;
}

bool CRunnableTask::IsCanceled() { return m_private->canceled.load(); }

bool CRunnableTask::OnCancelRequest() {
  if (yqthreads_detail::DebugLevel() > 6)
    YQ_LOG_AS(7, "virtual bool CRunnableTask::OnCancelRequest()", "0x%p Cancel requested",
              dynamic_cast<void*>(this));  // the whole task, not its base part
  SetCanceled();
  return true;
}

void CRunnableTask::SetCanceled() {
  m_private->canceled.store(true);
  m_private->cancelEvent.Set();
}

void CRunnableTask::SendFeedback(const std::string&, unsigned) {}

bool CRunnableTask::Pause(long long milliseconds, double progressDelta) {
  for (long long remaining = milliseconds; remaining > 0 && !IsCanceled();) {
    const long long slice = std::min(remaining, kPauseSliceMilliseconds);
    if (m_private->cancelEvent.WaitForSet(static_cast<unsigned>(slice)) == WAIT_OBJECT_0) break;
    SetTaskProgress(GetTaskProgress() +
                    progressDelta * static_cast<double>(slice) / static_cast<double>(milliseconds));
    remaining -= slice;
  }
  return IsCanceled();
}

void CRunnableTask::DisableFeedbackAutoClose() {}

CYqError CRunnableTask::RunProcess(void*, const std::string& commandLine, bool, CTimeInterval) {
  return FXErrorUtil::ErrorWin32(YQ_LOC, kWin32NotSupported,
                                 "running a process is not supported: [%s]", commandLine.c_str());
}

CYqError CRunnableTask::RunProcess(void* process, const std::wstring& commandLine, bool wait,
                                   CTimeInterval timeout) {
  std::string narrow;
  CYqError result = FXString::UnicodeToUTF8(commandLine, narrow);
  if (result.Succeeded()) result = RunProcess(process, narrow, wait, timeout);
  if (result.Failed()) result.Push(YQ_LOC);
  return result;
}

CBasicTask::CBasicTask() = default;

CBasicTask::~CBasicTask() = default;
