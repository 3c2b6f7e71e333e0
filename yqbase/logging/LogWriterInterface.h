// The log writer interface that every part of the library logs through, and the process-wide
// writer g_ptrLogWriter.
#pragma once

#include <boost/shared_ptr.hpp>
#include <cstdarg>
#include <string>

#include "yqbase/errors/FVBase.h"
#include "yqbase/errors/YqError.h"

/// A sink for log lines. Library code never writes a log file itself: it asks the writer held
/// by g_ptrLogWriter. A line carries a level (-1 for failures, 1 and up for traces), the full
/// function signature and line, a job id and an optional tag. Implementations decide their own
/// locking; the interface adds none.
class YQBASE_EXPORT CLogWriterInterface {
 public:
  virtual ~CLogWriterInterface();

  virtual CYqError Initialize() = 0;
  virtual void SetLogAppName(const std::string& name) = 0;
  virtual void SetLogFileName(const std::string& name) = 0;
  virtual void LogMessage(int level, const char* function, unsigned line,
                          unsigned long long jobId, const char* tag, const char* format, ...)
      YQBASE_PRINTF(7, 8) = 0;
  virtual void LogMessageV(int level, const char* function, unsigned line,
                           unsigned long long jobId, const char* tag, const char* format,
                           va_list args) = 0;
  virtual CYqError RefreshConfiguration() = 0;
  virtual int GetDebugLevel() = 0;
  virtual void SetDebugLevel(int level) = 0;
  virtual unsigned GetDebugMask() = 0;
  virtual void SetDebugMask(unsigned mask) = 0;
  /// Per-thread state a writer may keep; none in the base.
  virtual FVBasePtr GetThreadAttachment();
};

typedef boost::shared_ptr<CLogWriterInterface> CLogWriterInterfacePtr;

/// A writer that accepts and discards every line; its debug level is 0, so guarded traces are
/// skipped, and its mask 0xFFFF.
class YQBASE_EXPORT CLogWriterNull : public CLogWriterInterface {
 public:
  ~CLogWriterNull() override;

  CYqError Initialize() override;
  void SetLogAppName(const std::string& name) override;
  void SetLogFileName(const std::string& name) override;
  void LogMessage(int level, const char* function, unsigned line, unsigned long long jobId,
                  const char* tag, const char* format, ...) override YQBASE_PRINTF(7, 8);
  void LogMessageV(int level, const char* function, unsigned line, unsigned long long jobId,
                   const char* tag, const char* format, va_list args) override;
  CYqError RefreshConfiguration() override;
  int GetDebugLevel() override;
  void SetDebugLevel(int level) override;
  unsigned GetDebugMask() override;
  void SetDebugMask(unsigned mask) override;
};

/// The process-wide writer: a CLogWriterNull from library load until the host installs its
/// own. Read without a lock; replace it only while no other thread logs.
extern YQBASE_EXPORT boost::shared_ptr<CLogWriterInterface> g_ptrLogWriter;

/// A new writer that discards everything.
YQBASE_EXPORT boost::shared_ptr<CLogWriterInterface> CreateNullLogWriter();

/// Logs a trace line at `level` (1 and up) when the writer's debug level allows it, with the
/// calling function's signature and line, job id 0 and no tag.
#define YQ_TRACE(level, ...)                                                             \
  do {                                                                                   \
    CLogWriterInterface* yqWriter_ = g_ptrLogWriter.get();                               \
    if (yqWriter_ != nullptr && yqWriter_->GetDebugLevel() >= (level))                  \
      yqWriter_->LogMessage((level), __PRETTY_FUNCTION__, __LINE__, 0, nullptr, __VA_ARGS__); \
  } while (0)

/// Logs a failure the caller cannot see, or a caught exception, at level -1 without a guard.
#define YQ_LOG_FAILURE(...)                                                             \
  do {                                                                                  \
    CLogWriterInterface* yqWriter_ = g_ptrLogWriter.get();                              \
    if (yqWriter_ != nullptr)                                                           \
      yqWriter_->LogMessage(-1, __PRETTY_FUNCTION__, __LINE__, 0, nullptr, __VA_ARGS__); \
  } while (0)
