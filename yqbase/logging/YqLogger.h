// CYqLogger: the rolling log file of one module, written by several processes at once; the
// recursive section that guards a logger, and the names of log and lock files.
#pragma once

#include <pthread.h>
#include <time.h>

#include <atomic>
#include <boost/shared_ptr.hpp>
#include <cstdarg>
#include <string>

#include "yqbase/errors/YqError.h"

/// A recursive lock built from two POSIX mutexes: the main mutex, held while a thread owns the
/// section, and a guard for the owner and recursion count. Enter and Leave return failures
/// instead of throwing. Not copyable.
class YQBASE_EXPORT CYqCriticalSection {
 public:
  CYqCriticalSection();
  ~CYqCriticalSection();
  CYqCriticalSection(const CYqCriticalSection&) = delete;
  CYqCriticalSection& operator=(const CYqCriticalSection&) = delete;

  /// Blocks until the calling thread owns the section; again on the owning thread only counts.
  [[nodiscard]] CYqError Enter();
  /// Releases one level. Fails (item 1) when the calling thread does not own the section.
  [[nodiscard]] CYqError Leave();

 private:
  pthread_mutex_t m_mutex;
  pthread_mutex_t m_guard;
  int m_count;
  pthread_t m_owner;
};

class CYqLoggerPrivate;

/// The log file of one module: "<dir><module>.log". Each line carries process id, thread id,
/// time, job id, function with line, tag and message. Several processes may write the same
/// file: every line is written under an exclusive record lock on "<dir>locks/<module>.log",
/// and a file that reaches the size limit is moved to "<module>_YYYY_MM_DD_hh_mm_ss.log" and
/// noted in the "LoggingStatistics" log of the same folder; every new file starts with a
/// framed header.
///
/// The logger never throws. Its own failures go to the system-log sink (a callback, or
/// standard output) at most once per process or once per hour, and come back as CYqError
/// from the calls that return one. All threads may share one logger; a recursive section
/// serializes its lines. Copies take every setting but open their own files.
///
///   CYqLogger* log = CYqLogger::GetGlobalInstance();
///   if (log->Initialize("backupd", "/var/log/agent", 1, false, true).Succeeded())
///     log->LogMessage(1, __PRETTY_FUNCTION__, __LINE__, nullptr, "started %d", 3);
class YQBASE_EXPORT CYqLogger {
 public:
  /// Where finished lines go: the file itself, or one of the entry points of the optional
  /// logging-service library.
  enum modeOfLogging : int {
    LOGGING_MODE_DIRECT = 0,
    LOGGING_MODE_SERVICE_SAME_PROCESS = 1,  ///< "LogMessageAsyncSameProcess"
    LOGGING_MODE_SERVICE_ASYNC = 2,         ///< "LogMessageAsync"
  };
  /// The job id that means "no job" (printed as a run of dashes).
  static constexpr long long kNoJobId = -123456;

  CYqLogger();
  /// Copies every setting; the copy has its own (closed) files and section and counts as
  /// initialized.
  CYqLogger(const CYqLogger& other);
  CYqLogger& operator=(const CYqLogger& other);
  ~CYqLogger();

  /// Sets the module name (also the file's base name), the log folder, the debug level and
  /// the two display flags, and creates the folders of the log and lock files. Fails with
  /// Win32 87 for an empty module name. A second call succeeds without changing anything.
  [[nodiscard]] CYqError Initialize(const std::string& appName, const std::string& logDir,
                                    int debugLevel, bool showEmptyColumns,
                                    bool keepLogFileOpen);
  bool IsInitialized() const;
  /// The address of GlobalYqLogger.
  static CYqLogger* GetGlobalInstance();

  std::string GetLogFilePath();
  std::string GetAppName();
  std::string GetLockName();
  CYqCriticalSection& GetCriticalSection();

  // Settings. Sizes are set and read in whole megabytes.
  void SetDebugLevel(int level);
  int GetDebugLevel() const;
  void SetMaxVersions(int versions);
  int GetMaxVersions();
  void SetDefaultMaxVersions(int versions);
  int GetDefaultMaxVersions();
  void SetLogFileSize(unsigned long long megabytes);
  unsigned long long GetLogFileSize();
  void SetDefaultLogFileSize(unsigned long long megabytes);
  unsigned long long GetDefaultLogFileSize();
  void SetRetainLogsTill(int value);
  int GetRetainLogsTill();
  /// Sets versions, size, retention and the minimum widths of the job-id and thread-id
  /// columns (a width below 1 is ignored).
  void SetLogfileParams(int maxVersions, unsigned long long sizeMB, int retainLogsTill,
                        int jobIdWidth, int threadIdWidth);
  /// Keeps the log file open between lines instead of opening it for every line.
  void SetKeepLogFileOpen(bool keepOpen);
  bool GetKeepLogFileOpen();
  /// Where the logger's own failure reports go; null means standard output.
  void SetSyslogCallback(void (*callback)(const char*));
  /// The mode, and with it the service library and entry point that lines are handed to.
  void SetLoggingMode(const modeOfLogging& mode);

  // Class-wide settings, shared by every logger of the process.
  /// Group id given to created log and lock files; -1 (the default) leaves the group alone.
  static void SetLogFileGroup(unsigned group);
  static unsigned GetLogFileGroup();
  /// Creation mode of log and lock files (masked with 0666); 0 chooses 0666, or 0664 when a
  /// group is set.
  static void SetLogFilePermissions(unsigned permissions);
  static unsigned GetLogFilePermissions();
  /// Adds the "#LgLvl<n>#" mark to every line.
  static void SetShowLogLevel(bool show);
  /// Copies every line to standard output / every write to standard error.
  static void SetLogToStdout(bool enable);
  static void SetLogToStderr(bool enable);
  static void SetLoggingOptions(bool toStderr, bool toStdout);
  /// A function that sees every finished line first; when it returns true the line is
  /// consumed and not written.
  static void SetLogMessageHook(bool (*hook)(CYqLogger*, int, const char*));
  /// Stored for hosts; the logger does not read it.
  static void SetRetryOnLogOpenFail(bool retry);

  /// Identity shown in the header of every new file; assigned under this logger's section.
  void SetPlatformInformation(const std::string& hostName, const std::string& physicalHostName,
                              const std::string& clientName, const std::string& hcHostName,
                              const std::string& hcClientName, const std::string& os,
                              const std::string& ipAddrs, const std::string& version,
                              const std::string& instance, const std::string& processName,
                              int processId);
  void SetProcessorInformation(const std::string& processorType,
                               const std::string& productType, unsigned long addressWidth);

  // Formatted lines. A line is written when the logger is initialized and `level` is at most
  // the debug level. The forms without a job id print the no-job column. Failures are
  // reported to the system-log sink, not returned.
  void LogMessage(int level, const char* function, unsigned line, const char* tag,
                  const char* format, ...) YQBASE_PRINTF(6, 7);
  void LogMessageV(int level, const char* function, unsigned line, const char* tag,
                   const char* format, va_list args);
  void LogMessage(int level, const char* function, unsigned line, long long jobId,
                  const char* tag, const char* format, ...) YQBASE_PRINTF(7, 8);
  void LogMessageV(int level, const char* function, unsigned line, long long jobId,
                   const char* tag, const char* format, va_list args);
  /// Builds one line with the calling thread's id and dispatches it.
  void __LogMessageFormatted(int level, const char* function, unsigned line, long long jobId,
                             const char* tag, const char* format, va_list args);
  /// Builds one line and dispatches it; a thread id of 0 stands for the kernel thread id.
  void __LogMessageFormatted(int level, long threadId, const char* function, unsigned line,
                             long long jobId, const char* tag, const char* format,
                             va_list args);

  // Finished lines (without the trailing newline).
  /// Dispatches `line` at level 0; nothing happens before Initialize.
  [[nodiscard]] CYqError LogMessage(const char* line);
  /// Offers the line to the hook, then writes it.
  [[nodiscard]] CYqError __LogMessage(int level, const char* line);
  /// Hands the line to the logging service when a mode asks for it and the service takes it;
  /// otherwise as __LogMessage(level, line).
  [[nodiscard]] CYqError logMessages(int level, const char* line);
  /// Writes one line to the file under the lock file, rolling the file over at the size
  /// limit.
  [[nodiscard]] CYqError __LogMessage(const char* line);

  // File primitives; all take the logger's section.
  /// Opens (or creates, with `*created` set) the log file, removing symbolic links planted at
  /// its path. Returns 0 or an errno value; the descriptor stays -1 when links kept coming.
  int OpenLogFile(bool* created);
  /// Closes the log file unless it is kept open and `force` is false.
  void CloseLogFile(bool force);
  /// Writes all `len` bytes (copying them to standard error when asked to); false when the
  /// system refused, with errno set and `*written` holding what was written.
  bool WriteFile(int fd, const void* buf, int len, unsigned* written, void* reserved);
  /// Writes the framed header; 0 or an errno value.
  int PrintLogHeader(int& fd);
  /// Takes the exclusive record lock on the lock file; failures are Win32 774 for misuse
  /// and system-call items otherwise.
  [[nodiscard]] CYqError LockLockfile();
  [[nodiscard]] CYqError UnlockLockfile();
  /// Whether the log file can be opened for writing (opening it once, with its header when
  /// this creates it).
  bool CanUserWriteToLog();
  /// Sends "<pid>:<process name>:<text>" to the system-log sink; a null text is ignored.
  void LogMessageSyslog(const char* text);

  /// Sets `out` to "<dir>[/]locks/<name>.log"; Win32 774 for a null name.
  [[nodiscard]] static CYqError GetLockName(const char* name, std::string dir, std::string& out);

 private:
  friend class CYqLoggerPrivate;

  static std::string m_HostName;
  static std::string m_PhysicalHostName;
  static std::string m_ClientName;
  static std::string m_HCHostName;
  static std::string m_HCClientName;
  static std::string m_OS;
  static std::string m_IPAddrs;
  static std::string m_Version;
  static std::string m_Instance;
  static std::string m_ProcessName;
  static int m_ProcessId;
  static std::string m_ProcessorType;
  static std::string m_ProductType;
  static unsigned long m_AddressWidth;
  static std::atomic<bool> m_LogToStdout;
  static std::atomic<bool> m_LogToStderr;
  static std::atomic<bool> m_bShowLogLevel;
  static std::atomic<bool (*)(CYqLogger*, int, const char*)> m_pfnLogMessageHook;
  static std::atomic<unsigned> m_fPermissions;
  static std::atomic<int> m_nimbraGroup;
  static const unsigned m_defFilePermissions = 0666;
  static const unsigned m_grpSetDefFilePermissions = 0664;
  static CYqCriticalSection m_CSLockStatslogger;
  static CYqLogger* m_StatisticsObj;

  boost::shared_ptr<CYqLoggerPrivate> m_private;
};

/// "<dir><name>.log", or "<dir><name>.log.<n>" when n is not 0.
YQBASE_EXPORT std::string GetLogFileName(const std::string& dir, const std::string& name, int n);
/// "<dir><name>_YYYY_MM_DD_hh_mm_ss.log" with the current local time.
YQBASE_EXPORT std::string GetLogFileNameWithTimeStamp(const std::string& dir,
                                                      const std::string& name);

/// Set by CYqLogger::SetRetryOnLogOpenFail to the negation of its argument.
extern YQBASE_EXPORT bool bBreakOnAccessDenied;

/// The process's logger, uninitialized until the host calls Initialize.
extern YQBASE_EXPORT CYqLogger GlobalYqLogger;
