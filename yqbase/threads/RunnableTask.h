// CRunnableTask: a unit of work with a cost, a progress, cancellation and pausing, and
// CBasicTask, the base of plain tasks.
#pragma once

#include <boost/shared_ptr.hpp>
#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/time/TimeStamp.h"

class CTaskFeedbackConnector;
class CRunnableTaskPrivate;

/// A task run once (or again) by a task thread, a sequence or the caller. A derived task
/// overrides Run() and adds `using CRunnableTask::Run;` so that the connector form stays
/// visible. Its cost (1.0 unless set) weighs it within a sequence; its progress runs from 0 to
/// 1. Cancellation is a request: OnCancelRequest sets a flag that stays set, and the task
/// looks at IsCanceled() or sleeps through Pause(), which ends early on a cancel.
///
/// OnCancelRequest, IsCanceled and the progress and cost calls may come from any thread while
/// the task runs. The canceled flag is an atomic flag rather than a plain bool: the canceling
/// and the running thread touch it without a lock, and a plain bool would be a data race.
///
///   class CCopyTask : public CBasicTask {
///    public:
///     using CRunnableTask::Run;
///     CYqError Run() override {
///       for (...) { if (IsCanceled()) break; ...; SetTaskProgress(done / total); }
///       return CYqError();
///     }
///   };
class YQBASE_EXPORT CRunnableTask {
 public:
  CRunnableTask();
  virtual ~CRunnableTask();
  CRunnableTask(const CRunnableTask&) = delete;
  CRunnableTask& operator=(const CRunnableTask&) = delete;

  /// Runs the task for a connector (which may be null): Run(), with this location pushed on a
  /// failure.
  [[nodiscard]] virtual CYqError Run(CTaskFeedbackConnector* connector);
  /// Negative and NaN costs are stored as 0.
  virtual void SetTaskCost(double cost);
  virtual double GetTaskCost() const;
  /// Clamps `progress` to 0..1 (NaN is stored as 0).
  virtual void SetTaskProgress(double progress);
  virtual double GetTaskProgress() const;
  virtual bool IsCanceled();
  /// Asks the task to stop: logs "0x%p Cancel requested" with the address of the whole task
  /// object at level 7, sets the canceled flag and wakes a Pause in progress. Returns true
  /// (the request is taken).
  virtual bool OnCancelRequest();
  /// A hook for derived tasks; the base does nothing.
  virtual void SendFeedback(const std::string& text, unsigned kind);
  /// Sleeps `milliseconds` in slices of at most 200 ms, adding progressDelta * slice /
  /// milliseconds to the progress after each slice. Returns IsCanceled(): true when a cancel
  /// ended the pause (it ends as soon as OnCancelRequest is called) or came before it. A
  /// pause of 0 or less only answers IsCanceled().
  virtual bool Pause(long long milliseconds, double progressDelta);
  /// A hook for derived tasks; the base does nothing.
  virtual void DisableFeedbackAutoClose();
  /// The work; the base sets the progress to 1 and succeeds.
  [[nodiscard]] virtual CYqError Run();
  /// Running an external process is not available on this platform: Win32 50
  /// (ERROR_NOT_SUPPORTED) unless a derived task provides it.
  [[nodiscard]] virtual CYqError RunProcess(void* process, const std::string& commandLine,
                                            bool wait, CTimeInterval timeout);
  /// The same for a wide command line, converted to UTF-8.
  [[nodiscard]] virtual CYqError RunProcess(void* process, const std::wstring& commandLine,
                                            bool wait, CTimeInterval timeout);

 protected:
  /// Sets the canceled flag and wakes a Pause in progress, without logging.
  void SetCanceled();

 private:
  boost::shared_ptr<CRunnableTaskPrivate> m_private;
};

typedef boost::shared_ptr<CRunnableTask> CRunnableTaskPtr;

/// The base of plain tasks; it adds nothing to CRunnableTask, which it inherits virtually.
class YQBASE_EXPORT CBasicTask : public virtual CRunnableTask {
 public:
  CBasicTask();
  ~CBasicTask() override;
};
