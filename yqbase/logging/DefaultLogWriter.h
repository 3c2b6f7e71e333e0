// Log writers over a file logger, the default writer a host installs, scope tracing, hex
// dumps to the log, and the console helpers of this platform.
#pragma once

#include <boost/shared_ptr.hpp>
#include <cstdarg>
#include <deque>
#include <string>

#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/time/TimeStamp.h"

class CYqLogger;
class CLogWriterWrapperPrivate;

/// A writer base that keeps a debug mask (initially 0xFFFF); Initialize, SetLogAppName and
/// SetLogFileName do nothing. Subclasses supply the logging calls and the debug level.
class YQBASE_EXPORT CLogWriterWrapperBase : public CLogWriterInterface {
 public:
  CLogWriterWrapperBase();
  ~CLogWriterWrapperBase() override;

  CYqError Initialize() override;
  void SetLogAppName(const std::string& name) override;
  void SetLogFileName(const std::string& name) override;
  unsigned GetDebugMask() override;
  void SetDebugMask(unsigned mask) override;

 private:
  boost::shared_ptr<CLogWriterWrapperPrivate> m_private;
};

/// Forwards every line to a CYqLogger it does not own (job id 0 prints the "#" column). With
/// a null logger nothing is written and the debug level is 0.
class YQBASE_EXPORT CYqLoggerWrapper : public CLogWriterWrapperBase {
 public:
  explicit CYqLoggerWrapper(CYqLogger* logger);
  ~CYqLoggerWrapper() override;

  void LogMessage(int level, const char* function, unsigned line, unsigned long long jobId,
                  const char* tag, const char* format, ...) override YQBASE_PRINTF(7, 8);
  void LogMessageV(int level, const char* function, unsigned line, unsigned long long jobId,
                   const char* tag, const char* format, va_list args) override;
  CYqError RefreshConfiguration() override;
  int GetDebugLevel() override;
  void SetDebugLevel(int level) override;

  CYqLogger* GetLogger() const { return m_logger; }

 protected:
  CYqLogger* m_logger;
};

/// The writer a host installs: it creates, owns and initializes a CYqLogger for one module
/// (debug level 1; folder "/tmp" unless given; empty columns shown and the file kept open
/// unless given). A logger that fails to initialize is reported and drops every line; the
/// writer stays usable.
///
///   g_ptrLogWriter = CreateDefaultLogWriter("backupd");  // writes /tmp/backupd.log
class YQBASE_EXPORT CDefaultLogWriter : public CYqLoggerWrapper {
 public:
  explicit CDefaultLogWriter(const char* appName);
  CDefaultLogWriter(const std::string& appName, const std::string& path);
  CDefaultLogWriter(const std::string& appName, const std::string& path, bool showEmptyColumns,
                    bool keepLogFileOpen);
  ~CDefaultLogWriter() override;
  CDefaultLogWriter(const CDefaultLogWriter&) = delete;
  CDefaultLogWriter& operator=(const CDefaultLogWriter&) = delete;

 private:
  void Start(const std::string& appName, const std::string& path, bool showEmptyColumns,
             bool keepLogFileOpen);
};

/// A marker type for per-thread attachments of writers; it has no members.
class YQBASE_EXPORT CLogWriterInterfaceThreadWrapper {
 public:
  virtual ~CLogWriterInterfaceThreadWrapper();
};

/// A shared writer owning a new CDefaultLogWriter built from the same arguments.
YQBASE_EXPORT boost::shared_ptr<CLogWriterInterface> CreateDefaultLogWriter(const char* appName);
YQBASE_EXPORT boost::shared_ptr<CLogWriterInterface> CreateDefaultLogWriter(
    const std::string& appName, const std::string& path);
YQBASE_EXPORT boost::shared_ptr<CLogWriterInterface> CreateDefaultLogWriter(
    const std::string& appName, const std::string& path, bool showEmptyColumns,
    bool keepLogFileOpen);

/// Traces one scope: logs "+++ <message>" when constructed and "--- <message>" when
/// destroyed, through `writer` (nothing without one). With an activity number (anything but
/// all ones) the lines carry the tag "[A:<n>]". Flag kFlagObject names the class instead of
/// the function; kFlagTiming puts the time spent in the scope before the exit message.
///
///   ZKDebugFunction trace(g_ptrLogWriter, __PRETTY_FUNCTION__, __LINE__, 2, 0,
///                         ZKDebugFunction::kNoActivity, "path=%s", path);
class YQBASE_EXPORT ZKDebugFunction {
 public:
  static constexpr unsigned long kFlagObject = 1;
  static constexpr unsigned long kFlagTiming = 2;
  static constexpr unsigned long kNoActivity = ~0ul;

  ZKDebugFunction(const boost::shared_ptr<CLogWriterInterface>& writer, const char* function,
                  unsigned line, int level, unsigned long long jobId, unsigned long activity,
                  const char* format, ...) YQBASE_PRINTF(8, 9);
  ZKDebugFunction(const boost::shared_ptr<CLogWriterInterface>& writer, unsigned long flags,
                  const char* function, unsigned line, int level, unsigned long long jobId,
                  unsigned long activity, const char* format, ...) YQBASE_PRINTF(9, 10);
  ~ZKDebugFunction();
  ZKDebugFunction(const ZKDebugFunction&) = delete;
  ZKDebugFunction& operator=(const ZKDebugFunction&) = delete;

  /// Replaces the message text; null means empty.
  void Configure(const char* text);
  /// Applies the flags: the object name for kFlagObject, the start time for kFlagTiming.
  void InitializeFlags();
  /// Logs through the writer with the tag "[A:<activity>]".
  void DebugLvlPre(const char* format, ...) YQBASE_PRINTF(2, 3);

 private:
  // The fields, without a message and without logging.
  ZKDebugFunction(const boost::shared_ptr<CLogWriterInterface>& writer, unsigned long flags,
                  const char* function, unsigned line, int level, unsigned long long jobId,
                  unsigned long activity);
  void FormatMessage(const char* format, va_list args);
  void LogEntry();

  CTimeStamp m_start;
  boost::shared_ptr<CLogWriterInterface> m_writer;
  unsigned long m_flags;
  std::string m_function;
  unsigned m_line;
  int m_level;
  unsigned long long m_jobId;
  unsigned long m_activity;
  std::string m_message;
};

/// Logs through `writer` (when not null) with the tag "[A:<activity>]".
YQBASE_EXPORT void ___DebugLvlPre(CLogWriterInterface* writer, const char* function,
                                  unsigned line, int level, long long jobId,
                                  unsigned long activity, const char* format, ...)
    YQBASE_PRINTF(7, 8);

/// Dumps `length` bytes to g_ptrLogWriter in rows of 32: "<title> <address>:" with the
/// bytes in hexadecimal and as characters. Rows are logged only when the writer's debug level
/// is at least `level`.
YQBASE_EXPORT void __DebugOutputBufferBytes(int level, const char* title, unsigned long base,
                                            const unsigned char* data, unsigned length,
                                            const char* function, unsigned line);

/// Helpers for composing log texts.
class YQBASE_EXPORT FXLog {
 public:
  /// prefix + value + suffix, or "" when the value is empty (a wide value is given as UTF-8).
  static std::string PrefixIfNotEmpty(const std::string& prefix, const std::string& value,
                                      const std::string& suffix);
  static std::string PrefixIfNotEmpty(const std::string& prefix, const std::wstring& value,
                                      const std::string& suffix);
};

/// Console colours. A terminal of this platform has no colour state to change: the colour
/// reads 15 (white) and the changing calls do nothing.
class YQBASE_EXPORT CConsoleOutput {
 public:
  CConsoleOutput();
  WORD GetColor() const;
  void ChangeColor(WORD color);
  void PushColor(WORD color);
  void PopColor();
  void ClearScreen();

 private:
  std::deque<WORD> m_colorStack;
  WORD m_color;
};

/// Terminal modes; virtual-terminal sequences are always available here.
class YQBASE_EXPORT FXConsole {
 public:
  [[nodiscard]] static CYqError EnableVTMode();
  [[nodiscard]] static CYqError IsVTModeEnabled(bool& enabled);
};
