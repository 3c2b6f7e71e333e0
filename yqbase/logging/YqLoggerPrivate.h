// The state of a CYqLogger.
#pragma once

#include <sys/types.h>
#include <time.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/logging/YqLogger.h"

/// Holds the section for one scope; a failure to enter leaves it unheld.
class CYqSectionHold {
 public:
  explicit CYqSectionHold(CYqCriticalSection& section)
      : m_section(section), m_held(section.Enter().Succeeded()) {}
  ~CYqSectionHold() {
    if (m_held) (void)m_section.Leave();
  }
  CYqSectionHold(const CYqSectionHold&) = delete;
  CYqSectionHold& operator=(const CYqSectionHold&) = delete;

 private:
  CYqCriticalSection& m_section;
  bool m_held;
};

class CYqLoggerPrivate {
 public:
  static constexpr unsigned long long kDefaultLogFileSize = 5242880;

  CYqLoggerPrivate();
  // Takes the settings of `other`, as copies of a logger do.
  void CopySettings(const CYqLoggerPrivate& other);
  void TakeTimeZone();

  // The kept lock-file descriptor when it still names the lock file (taking it over), or -1.
  // Call with the lock guard held.
  int TakeKeptLockFile(time_t now);
  // Notes the identity of a newly opened lock file that will be kept open.
  void RememberLockFile(int fd, time_t now);
  // Closes the kept lock-file descriptor once no logger of the process holds the lock.
  void CloseKeptLockFile();

  // Builds the line into `buffer` (steps up to the message). Returns the length and sets
  // `*timeColumn` to the offset of the 15 blanks reserved for the time; `*overflow` tells
  // that a larger buffer would hold more of the message.
  size_t BuildLine(char* buffer, size_t size, int level, long threadId, const char* function,
                   unsigned line, long long jobId, const char* tag, const char* format,
                   va_list args, size_t* timeColumn, bool* overflow);
  // Writes "MM/DD hh:mm:ss " of the current local time into `column`.
  void StampTime(char* column);
  // Widens an atomic column width to `width` when it is wider.
  static void Widen(std::atomic<int>& column, int width);

  // The failure paths of one line's write; each releases the lock file and returns `error`.
  // An open failure is reported once an hour, the others once per process.
  CYqError FailOpen(CYqLogger& owner, int code);
  CYqError FailWrite(CYqLogger& owner, CYqError error, const std::string& report);
  // Moves the full log file to its time-stamped name, notes it in the statistics log and
  // releases the lock file.
  CYqError RollOver(CYqLogger& owner);

  int m_mode;
  std::atomic<bool> m_initialized;
  void (*m_syslogCallback)(const char*);
  std::string m_appName;
  std::string m_logDir;
  std::string m_lockName;
  std::string m_logFilePath;
  int m_logFd;
  bool m_keepLogFileOpen;
  int m_maxVersions;
  int m_defaultMaxVersions;
  unsigned long long m_logFileSize;
  unsigned long long m_defaultLogFileSize;
  std::atomic<int> m_jobIdWidth;
  std::atomic<int> m_threadIdWidth;
  int m_retainLogsTill;
  time_t m_lastOpenFailure;
  bool m_showEmptyColumns;
  long m_timezone;
  char m_tzName[128];
  CYqCriticalSection m_section;
  int m_lockFd;
  std::atomic<int> m_debugLevel;
  bool m_inServiceCall;
  // Set while a report goes to the system-log sink.
  bool m_reporting;
  std::string m_serviceFunction;
  std::string m_serviceLibrary;

  // fcntl locks belong to the process, so threads with separate loggers of one module are
  // kept apart by a mutex per lock file shared by those loggers; it is held with the lock.
  std::shared_ptr<std::mutex> m_lockGuard;
  // In keep-open mode the lock file stays open between lines too (unlocked), identified by
  // device and inode, which are compared with the path's once a second.
  int m_keptLockFd;
  dev_t m_lockFileDevice;
  ino64_t m_lockFileInode;
  time_t m_lockFileChecked;
  // Whether the process ran as root when the logger started; root gives created files their
  // group, other users their mode.
  bool m_runningAsRoot;
  // The time text of the last stamped second.
  time_t m_stampSecond;
  char m_stampText[16];
};
