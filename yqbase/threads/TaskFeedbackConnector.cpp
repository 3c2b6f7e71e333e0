#include "yqbase/threads/TaskFeedbackConnector.h"

#include "yqbase/threads/ThreadsLogPrivate.h"

using yqthreads_detail::CGuardedTrace;

CTaskFeedbackConnector::CTaskFeedbackConnector() {
  const CGuardedTrace trace("CTaskFeedbackConnector::CTaskFeedbackConnector()", __LINE__, 0);
}

CTaskFeedbackConnector::~CTaskFeedbackConnector() {
  const CGuardedTrace trace("virtual CTaskFeedbackConnector::~CTaskFeedbackConnector()", __LINE__,
                            0);
}

void CTaskFeedbackConnector::OnTaskStart() {}
void CTaskFeedbackConnector::OnTaskComplete(int) {}
void CTaskFeedbackConnector::OnTaskFeedback(const std::string&, unsigned) {}
void CTaskFeedbackConnector::OnDisableAutoClose() {}
void CTaskFeedbackConnector::OnProcessRunning(void*) {}
void CTaskFeedbackConnector::SetTaskCancel(bool) {}
