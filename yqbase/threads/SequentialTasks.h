// CSequentialTasks: a list of tasks run one after the other as one task.
#pragma once

#include <boost/shared_ptr.hpp>

#include "yqbase/threads/RunnableTask.h"

class CSequentialTasksPrivate;

/// Runs its tasks in the order they were added, with the connector it is run with. The first
/// task that fails is remembered with its zero-based position in the list
/// (GetFailedTaskInformation). Unless ContinueOnFailedTask says to go on (by default: the
/// flag given to the constructor), the run stops there and returns that task's error; when it
/// goes on, the remaining tasks run and the first failure is returned at the end, so a caller
/// never mistakes a partly failed sequence for a success.
///
/// The cost is the sum of the tasks' costs and the progress their cost-weighted mean, unless
/// SetTaskCost or SetTaskProgress was called on the sequence itself. A cancel request goes to
/// every task. Fill the list before running it: AddTask is not locked against a running
/// sequence; cancel, cost and progress calls may come from other threads.
///
///   CSequentialTasks steps(false);
///   (void)steps.AddTask(snapshot); (void)steps.AddTask(copy);
///   CYqError err = steps.Run(connector);  // copy does not run when snapshot fails
class YQBASE_EXPORT CSequentialTasks : public CRunnableTask {
 public:
  explicit CSequentialTasks(bool continueOnFailure);
  ~CSequentialTasks() override;

  [[nodiscard]] CYqError Run(CTaskFeedbackConnector* connector) override;
  /// Runs the tasks without a connector.
  [[nodiscard]] CYqError Run() override;
  void SetTaskCost(double cost) override;
  double GetTaskCost() const override;
  void SetTaskProgress(double progress) override;
  double GetTaskProgress() const override;
  /// Passes the request to every task in list order, then sets the sequence's own flag.
  bool OnCancelRequest() override;

  /// Whether the run goes on after the task at `position` failed; the base answers with the
  /// constructor's flag.
  virtual bool ContinueOnFailedTask(boost::shared_ptr<CRunnableTask> task, int position);

  /// Appends a task; Win32 87 (invalid parameter) for a null task.
  [[nodiscard]] CYqError AddTask(boost::shared_ptr<CRunnableTask> task);
  /// The error and zero-based position of the first failed task of the last run, and true; or
  /// false with success and position -1 when no task has failed.
  bool GetFailedTaskInformation(CYqError& error, int& position) const;

 private:
  boost::shared_ptr<CSequentialTasksPrivate> m_private;
};
