// CTaskFeedbackConnector: where a running task reports its start, progress texts and end.
#pragma once

#include <string>

#include "yqbase/errors/YqExport.h"

/// Receives what a task reports while it runs. Every operation of the base does nothing; a
/// host derives a connector that shows progress or forwards it. A task thread calls it from
/// the thread that runs the task, so an implementation shared with other threads does its own
/// locking. Construction and destruction are traced at level 0 ("+++"/"---" lines).
class YQBASE_EXPORT CTaskFeedbackConnector {
 public:
  /// Results given to OnTaskComplete.
  enum : int {
    kTaskCompleted = 1,
    kTaskCanceled = 2,
  };

  CTaskFeedbackConnector();
  virtual ~CTaskFeedbackConnector();
  CTaskFeedbackConnector(const CTaskFeedbackConnector&) = delete;
  CTaskFeedbackConnector& operator=(const CTaskFeedbackConnector&) = delete;

  virtual void OnTaskStart();
  /// kTaskCompleted when the task ran to its end (successfully or not), kTaskCanceled when it
  /// was canceled.
  virtual void OnTaskComplete(int result);
  virtual void OnTaskFeedback(const std::string& text, unsigned kind);
  virtual void OnDisableAutoClose();
  virtual void OnProcessRunning(void* process);
  virtual void SetTaskCancel(bool cancel);
};
