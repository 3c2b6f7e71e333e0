// CTaskThread and CAutonomousTaskThread: threads that run one task and end.
#pragma once

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

#include "yqbase/threads/AlertableEventThread.h"
#include "yqbase/threads/RunnableTask.h"
#include "yqbase/threads/TaskFeedbackConnector.h"

class CTaskThreadPrivate;

/// Runs one task on its own thread with a feedback connector (may be null, not owned: it must
/// outlive the run), then ends: the connector hears OnTaskStart() before the task and
/// OnTaskComplete() after it. The task's result is read with GetResult() once the thread has
/// stopped (WaitForStop or Stop(true)). A task that throws is logged, ends the run with status
/// 1064 and leaves the result Win32 1064 (ERROR_EXCEPTION_IN_SERVICE). Destroying the object
/// waits for the task to end; it does not cancel it.
///
///   CTaskThread worker(task, &connector);
///   if (worker.Start().Succeeded() && worker.WaitForStop(CTimeInterval::kInfinite).Succeeded())
///     CYqError result = worker.GetResult();
class YQBASE_EXPORT CTaskThread : public CAlertableEventThread {
 public:
  CTaskThread(boost::shared_ptr<CRunnableTask> task, CTaskFeedbackConnector* connector);
  ~CTaskThread() override;

  /// The task's result: success until it has run; Win32 87 for a null task.
  CYqError GetResult() const;
  boost::shared_ptr<CRunnableTask> GetTask() const;
  CTaskFeedbackConnector* GetConnector() const;

 protected:
  /// Runs the task once, keeps its result and ends the loop.
  void OnRun() override;
  /// Reports kTaskCanceled or kTaskCompleted to the connector.
  void OnStop() override;

 private:
  boost::shared_ptr<CTaskThreadPrivate> m_private;
};

/// A task thread that keeps itself alive while it runs, so that its owner may drop it after
/// Start(): it must be owned by a boost::shared_ptr (Start fails with Win32 87 otherwise),
/// and it is destroyed on its own thread when its task is done and no one else holds it.
///
///   boost::shared_ptr<CAutonomousTaskThread> worker(new CAutonomousTaskThread(task, nullptr));
///   (void)worker->Start();
///   worker.reset();  // the thread lives on until the task is done
class YQBASE_EXPORT CAutonomousTaskThread
    : public CTaskThread,
      public boost::enable_shared_from_this<CAutonomousTaskThread> {
 public:
  CAutonomousTaskThread(boost::shared_ptr<CRunnableTask> task, CTaskFeedbackConnector* connector);
  ~CAutonomousTaskThread() override;

  /// Takes the self-reference and starts the thread; success without a change once started.
  [[nodiscard]] CYqError Start() override;
  /// Runs as the base, then releases the self-reference (which may destroy the object).
  DWORD Run() override;

 private:
  boost::shared_ptr<CAutonomousTaskThread> m_self;
};
