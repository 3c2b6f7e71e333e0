// ISendEventInterface, the process-wide hook through which library code reports events to the
// host, and g_oLock, the lock that guards creation of process-wide singletons.
#pragma once

#include <boost/shared_ptr.hpp>
#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/threads/Mutex.h"

/// Guards the creation of process-wide singletons. Recursive.
extern YQBASE_EXPORT FXMutex g_oLock;

class ISendEventInterface;
typedef boost::shared_ptr<ISendEventInterface> ISendEventInterfacePtr;

/// Receives the events that library code reports for the host: an error with a severity, a
/// job id and an event (message) id, the pending cause of a later event, and volumes skipped
/// because of their file-system type. Every operation of the base ignores its event; a host
/// derives its own reporter and installs it with SetInstance. Reporters are called from any
/// thread and must do their own locking.
///
///   ISendEventInterface::GetInstance()->SendMajorEvent(err, jobId, eventId);
class YQBASE_EXPORT ISendEventInterface {
 public:
  virtual ~ISendEventInterface();

  virtual void SendEvent(const CYqError& error, int severity, long long jobId, int eventId);
  virtual void SendInfoEvent(const CYqError& error, long long jobId, int eventId);
  virtual void SendMinorEvent(const CYqError& error, long long jobId, int eventId);
  virtual void SendMajorEvent(const CYqError& error, long long jobId, int eventId);
  virtual void SendCriticalEvent(const CYqError& error, long long jobId, int eventId);
  virtual void SetPendingCause(const CYqError& error, long long jobId);
  virtual void SetPendingCauseAndEvent(const CYqError& error, int severity, int eventId);
  virtual void SetPendingCauseAndCriticalEvent(const CYqError& error, int eventId);
  /// A volume left out because of its file-system type.
  virtual void SendSkipFSEvent(const std::string& mountPath, const std::string& fileSystemType,
                               long long jobId);

  /// The process's reporter; a base reporter, which ignores every event, is created on first
  /// use when the host installed none. Never null.
  static ISendEventInterfacePtr GetInstance();
  /// Installs the host's reporter (null puts back the ignoring one on next use). Reporters
  /// already handed out stay valid for their holders.
  static void SetInstance(const ISendEventInterfacePtr& instance);

 private:
  static ISendEventInterfacePtr m_ptrInstance;  // guarded by g_oLock
};
