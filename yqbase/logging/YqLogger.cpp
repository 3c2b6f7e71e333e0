#include "yqbase/logging/YqLogger.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <boost/make_shared.hpp>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/YqLoggerPrivate.h"
#include "yqbase/strings/StringExtensions.h"

namespace {

const char* const kStatisticsModule = "LoggingStatistics";
const char* const kServiceLibrary = "libzkloggingservice";
const char* const kDashes = "----------------------";
const char* const kHashes = "######################";
constexpr int kMaxColumnWidth = 64;
constexpr int kLockWaitSeconds = 5;
// Seconds tried past the current one when time-stamped names of earlier roll-overs are taken.
constexpr int kRollOverNameAttempts = 120;

// The entry points of the logging-service library: module, log path, debug level,
// show-empty-columns, a constant true, and the line; zero means the line was not taken.
typedef int (*PFNLogMessageService)(const std::string&, const std::string&, int, bool, bool,
                                    const std::string&);
std::atomic<PFNLogMessageService> g_serviceEntry{nullptr};

std::atomic<bool> g_writeFailureReported{false};
std::atomic<bool> g_moveFailureReported{false};

// A failed system call as an errno item with the operation's description.
CYqError SystemError(const FXCodeLocation& location, int errnum, const char* format, ...)
    YQBASE_PRINTF(3, 4);
CYqError SystemError(const FXCodeLocation& location, int errnum, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = FXErrorUtil::FormatDescription(format, args);
  va_end(args);
  return FXErrorUtil::ErrorErrNo(location, errnum, "%s", text.c_str());
}

// The in-process mutex shared by every logger of the process that uses `lockName`.
std::shared_ptr<std::mutex> LockGuardFor(const std::string& lockName) {
  // Never destroyed: loggers may outlive the other static objects.
  static std::mutex* registryLock = new std::mutex;
  static auto* registry = new std::map<std::string, std::weak_ptr<std::mutex>>;
  std::lock_guard<std::mutex> hold(*registryLock);
  std::weak_ptr<std::mutex>& slot = (*registry)[lockName];
  std::shared_ptr<std::mutex> guard = slot.lock();
  if (!guard) {
    guard = std::make_shared<std::mutex>();
    slot = guard;
  }
  return guard;
}

// Creates the folders above `path` (the text after its last "/" is not a folder); errors are
// left for the open that follows to report.
void PathMkdir(const std::string& path) {
  std::string copy = path.substr(0, 1024);
  struct stat64 st;
  if (stat64(copy.c_str(), &st) == 0) return;
  const size_t last = copy.rfind('/');
  if (last == std::string::npos) return;
  copy.resize(last + 1);
  for (size_t slash = copy.find('/', 1); slash != std::string::npos;
       slash = copy.find('/', slash + 1)) {
    const std::string prefix = copy.substr(0, slash);
    if (prefix.empty() || prefix.back() == ':' || prefix.back() == '/') continue;
    mkdir(prefix.c_str(), 0777);
  }
}

// "%04d/%02d/%02d %02d:%02d:%02d " of `when` in local time.
std::string LocalTimeText(time_t when) {
  struct tm fields;
  if (localtime_r(&when, &fields) == nullptr) return std::string();
  char text[64];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d ", fields.tm_year + 1900,
                fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec);
  return text;
}

std::string TimeStampedName(const std::string& dir, const std::string& name, time_t when) {
  struct tm fields;
  char stamp[64] = "";
  if (localtime_r(&when, &fields) != nullptr)
    strftime(stamp, sizeof stamp, "_%Y_%m_%d_%H_%M_%S", &fields);
  return dir + name + stamp + ".log";
}

// Renames without replacing an existing target; 0 or an errno value.
int MoveNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // File systems without the flag: every writer holds the lock file, so the test is safe.
  struct stat64 st;
  if (lstat64(to.c_str(), &st) == 0) return EEXIST;
  return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// "%I64" becomes "%ll" and "%ws" becomes "%ls"; everything else is copied.
std::string CorrectFormat(const char* format) {
  std::string out;
  out.reserve(std::strlen(format) + 8);
  for (const char* p = format; *p != '\0';) {
    if (std::strncmp(p, "%I64", 4) == 0) {
      out += "%ll";
      p += 4;
    } else if (std::strncmp(p, "%ws", 3) == 0) {
      out += "%ls";
      p += 3;
    } else {
      out += *p++;
    }
  }
  return out;
}

// Guards the class-wide identity, which loggers with sections of their own read and set.
std::mutex& IdentityLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}

// The process id, asked of the system once per process (again in a forked child).
std::atomic<pid_t> g_processId{0};

void ForgetProcessId() { g_processId.store(0, std::memory_order_relaxed); }

pid_t ProcessId() {
  pid_t pid = g_processId.load(std::memory_order_relaxed);
  if (pid == 0) {
    static const int registered = pthread_atfork(nullptr, nullptr, &ForgetProcessId);
    (void)registered;
    pid = getpid();
    g_processId.store(pid, std::memory_order_relaxed);
  }
  return pid;
}

// Advances `*pos` past text just written, never past the end of the buffer.
void AppendFormatted(size_t size, size_t* pos, int written) {
  if (written > 0) *pos = std::min(*pos + static_cast<size_t>(written), size - 1);
}

}  // namespace

// Class-wide state, built at load right after g_ptrLogWriter and in this order.
std::string CYqLogger::m_HostName __attribute__((init_priority(102))) = "[Unknown Host]";
std::string CYqLogger::m_PhysicalHostName __attribute__((init_priority(102))) =
    "[Unknown Physical Host]";
std::string CYqLogger::m_ClientName __attribute__((init_priority(102))) = "[Unknown Client]";
std::string CYqLogger::m_HCHostName __attribute__((init_priority(102))) = "[Unknown HC Host]";
std::string CYqLogger::m_HCClientName __attribute__((init_priority(102))) =
    "[Unknown HC Client]";
std::string CYqLogger::m_OS __attribute__((init_priority(102))) = "[Unknown]";
std::string CYqLogger::m_IPAddrs __attribute__((init_priority(102))) = "[Unknown]";
std::string CYqLogger::m_Version __attribute__((init_priority(102))) = "[Unknown]";
std::string CYqLogger::m_Instance __attribute__((init_priority(102))) = "[Unknown Instance]";
std::string CYqLogger::m_ProcessName __attribute__((init_priority(102)));
int CYqLogger::m_ProcessId = 0;
std::string CYqLogger::m_ProcessorType __attribute__((init_priority(102)));
std::string CYqLogger::m_ProductType __attribute__((init_priority(102)));
unsigned long CYqLogger::m_AddressWidth = 0;
std::atomic<bool> CYqLogger::m_LogToStdout{false};
std::atomic<bool> CYqLogger::m_LogToStderr{false};
std::atomic<bool> CYqLogger::m_bShowLogLevel{false};
std::atomic<bool (*)(CYqLogger*, int, const char*)> CYqLogger::m_pfnLogMessageHook{nullptr};
std::atomic<unsigned> CYqLogger::m_fPermissions{0};
std::atomic<int> CYqLogger::m_nimbraGroup{-1};
CYqCriticalSection CYqLogger::m_CSLockStatslogger __attribute__((init_priority(102)));
CYqLogger* CYqLogger::m_StatisticsObj = nullptr;

bool bBreakOnAccessDenied = false;

CYqLogger GlobalYqLogger __attribute__((init_priority(102)));

// ---------------------------------------------------------------------------------------------
// CYqCriticalSection

CYqCriticalSection::CYqCriticalSection() : m_count(0), m_owner() {
  pthread_mutex_init(&m_mutex, nullptr);
  pthread_mutex_init(&m_guard, nullptr);
}

CYqCriticalSection::~CYqCriticalSection() {
  pthread_mutex_destroy(&m_mutex);
  pthread_mutex_destroy(&m_guard);
}

CYqError CYqCriticalSection::Enter() {
  const pthread_t self = pthread_self();
  pthread_mutex_lock(&m_guard);
  if (m_count > 0 && pthread_equal(m_owner, self)) {
    ++m_count;
    pthread_mutex_unlock(&m_guard);
    return CYqError();
  }
  pthread_mutex_unlock(&m_guard);
  const int result = pthread_mutex_lock(&m_mutex);
  if (result != 0) return SystemError(YQ_LOC, result, "pthread_mutex_lock() failed");
  pthread_mutex_lock(&m_guard);
  m_owner = self;
  ++m_count;
  pthread_mutex_unlock(&m_guard);
  return CYqError();
}

CYqError CYqCriticalSection::Leave() {
  pthread_mutex_lock(&m_guard);
  if (m_count > 0 && pthread_equal(m_owner, pthread_self())) {
    if (--m_count > 0) {
      pthread_mutex_unlock(&m_guard);
      return CYqError();
    }
    m_owner = pthread_t();
    pthread_mutex_unlock(&m_guard);
    const int result = pthread_mutex_unlock(&m_mutex);
    if (result != 0) return SystemError(YQ_LOC, result, "pthread_mutex_unlock() failed");
    return CYqError();
  }
  pthread_mutex_unlock(&m_guard);
  return SystemError(YQ_LOC, 1, "Attempt to unlock a mutex not held by this thread");
}

// ---------------------------------------------------------------------------------------------
// CYqLoggerPrivate

CYqLoggerPrivate::CYqLoggerPrivate()
    : m_mode(0),
      m_initialized(false),
      m_syslogCallback(nullptr),
      m_logFd(-1),
      m_keepLogFileOpen(false),
      m_maxVersions(1),
      m_defaultMaxVersions(1),
      m_logFileSize(kDefaultLogFileSize),
      m_defaultLogFileSize(kDefaultLogFileSize),
      m_jobIdWidth(3),
      m_threadIdWidth(3),
      m_retainLogsTill(0),
      m_lastOpenFailure(0),
      m_showEmptyColumns(false),
      m_timezone(0),
      m_lockFd(-1),
      m_debugLevel(2),
      m_inServiceCall(false),
      m_reporting(false),
      m_keptLockFd(-1),
      m_lockFileDevice(0),
      m_lockFileInode(0),
      m_lockFileChecked(0),
      m_runningAsRoot(false),
      m_stampSecond(-1) {
  m_tzName[0] = '\0';
  m_stampText[0] = '\0';
  TakeTimeZone();
}

void CYqLoggerPrivate::CopySettings(const CYqLoggerPrivate& other) {
  m_mode = other.m_mode;
  m_syslogCallback = other.m_syslogCallback;
  m_appName = other.m_appName;
  m_logDir = other.m_logDir;
  m_lockName = other.m_lockName;
  m_logFilePath = other.m_logFilePath;
  m_keepLogFileOpen = other.m_keepLogFileOpen;
  m_maxVersions = other.m_maxVersions;
  m_defaultMaxVersions = other.m_defaultMaxVersions;
  m_logFileSize = other.m_logFileSize;
  m_defaultLogFileSize = other.m_defaultLogFileSize;
  m_jobIdWidth.store(other.m_jobIdWidth.load());
  m_threadIdWidth.store(other.m_threadIdWidth.load());
  m_retainLogsTill = other.m_retainLogsTill;
  m_showEmptyColumns = other.m_showEmptyColumns;
  m_debugLevel.store(other.m_debugLevel.load());
  m_serviceFunction = other.m_serviceFunction;
  m_serviceLibrary = other.m_serviceLibrary;
  m_lockGuard = LockGuardFor(m_lockName);
  m_runningAsRoot = geteuid() == 0;
  TakeTimeZone();
  m_initialized.store(true, std::memory_order_release);
}

void CYqLoggerPrivate::TakeTimeZone() {
  tzset();
  m_timezone = timezone;
  const char* name = tzname[0] != nullptr ? tzname[0] : "";
  std::snprintf(m_tzName, sizeof m_tzName, "%.127s", name);
}

void CYqLoggerPrivate::Widen(std::atomic<int>& column, int width) {
  width = std::min(width, kMaxColumnWidth);
  int current = column.load(std::memory_order_relaxed);
  while (width > current &&
         !column.compare_exchange_weak(current, width, std::memory_order_relaxed)) {
  }
}

size_t CYqLoggerPrivate::BuildLine(char* buffer, size_t size, int level, long threadId,
                                   const char* function, unsigned line, long long jobId,
                                   const char* tag, const char* format, va_list args,
                                   size_t* timeColumn, bool* overflow) {
  size_t pos = 0;
  AppendFormatted(size, &pos,
                  std::snprintf(buffer, size, "%ld ", static_cast<long>(ProcessId())));

  int width = m_threadIdWidth.load(std::memory_order_relaxed);
  int written = std::snprintf(buffer + pos, size - pos, "%-*lx ", width,
                              static_cast<unsigned long>(threadId));
  if (written - 1 > width) Widen(m_threadIdWidth, written - 1);
  AppendFormatted(size, &pos, written);

  *timeColumn = pos;
  std::memset(buffer + pos, ' ', 15);
  pos += 15;

  width = m_jobIdWidth.load(std::memory_order_relaxed);
  if (jobId > 0) {
    written = std::snprintf(buffer + pos, size - pos, "%-*lld ", width, jobId);
    if (written - 1 > width) Widen(m_jobIdWidth, written - 1);
  } else {
    written = std::snprintf(buffer + pos, size - pos, "%.*s ", width,
                            jobId == CYqLogger::kNoJobId ? kDashes : kHashes);
  }
  AppendFormatted(size, &pos, written);

  if (CYqLogger::m_bShowLogLevel.load(std::memory_order_relaxed))
    AppendFormatted(size, &pos,
                    std::snprintf(buffer + pos, size - pos, "#LgLvl%d#", level < 0 ? 0 : level));

  if (function != nullptr && *function != '\0') {
    // The qualified name: the text between the last blank and the parameter list.
    const char* end = std::strchr(function, '(');
    if (end == nullptr) end = function + std::strlen(function);
    const char* start = function;
    for (const char* p = function; p < end; ++p)
      if (*p == ' ') start = p + 1;
    const int length = static_cast<int>(std::min<size_t>(end - start, 100));
    written = line != 0
                  ? std::snprintf(buffer + pos, size - pos, "%.*s(%u) - ", length, start, line)
                  : std::snprintf(buffer + pos, size - pos, "%.*s() - ", length, start);
    AppendFormatted(size, &pos, written);
  } else if (m_showEmptyColumns) {
    written = line != 0 ? std::snprintf(buffer + pos, size - pos, "(%u) - ", line)
                        : std::snprintf(buffer + pos, size - pos, "() - ");
    AppendFormatted(size, &pos, written);
  }

  if (tag != nullptr && *tag != '\0')
    AppendFormatted(size, &pos, std::snprintf(buffer + pos, size - pos, "%.100s ", tag));
  else if (m_showEmptyColumns)
    AppendFormatted(size, &pos, std::snprintf(buffer + pos, size - pos, "[ ] "));

  const size_t limit = std::min(size - 200, size - pos);
  buffer[pos] = '\0';
  va_list attempt;
  va_copy(attempt, args);
  written = std::vsnprintf(buffer + pos, limit, format, attempt);
  va_end(attempt);
  // A larger buffer helps when the message, or the line with it, would be cut.
  *overflow = written < 0 || pos + static_cast<size_t>(written) >= size - 199;
  if (written < 0) {
    buffer[pos + limit - 1] = '\0';
    return pos + std::strlen(buffer + pos);
  }
  return pos + std::min(static_cast<size_t>(written), limit - 1);
}

void CYqLoggerPrivate::StampTime(char* column) {
  const time_t now = time(nullptr);
  if (now != m_stampSecond) {
    const std::string text = LocalTimeText(now);
    if (text.size() < 20) return;
    std::memcpy(m_stampText, text.data() + 5, 15);
    m_stampSecond = now;
  }
  std::memcpy(column, m_stampText, 15);
}

int CYqLoggerPrivate::TakeKeptLockFile(time_t now) {
  const int fd = m_keptLockFd;
  m_keptLockFd = -1;
  if (fd < 0 || now == m_lockFileChecked) return fd;
  // Once a second: a lock file removed or replaced meanwhile is opened afresh, so that this
  // process keeps locking the file the others lock.
  struct stat64 st;
  if (stat64(m_lockName.c_str(), &st) == 0 && st.st_dev == m_lockFileDevice &&
      st.st_ino == m_lockFileInode) {
    m_lockFileChecked = now;
    return fd;
  }
  close(fd);
  return -1;
}

void CYqLoggerPrivate::RememberLockFile(int fd, time_t now) {
  struct stat64 st;
  if (!m_keepLogFileOpen || fstat64(fd, &st) != 0) return;
  m_lockFileDevice = st.st_dev;
  m_lockFileInode = st.st_ino;
  m_lockFileChecked = now;
}

void CYqLoggerPrivate::CloseKeptLockFile() {
  if (m_keptLockFd < 0) return;
  // Closing any descriptor of the file drops every lock the process holds on it: wait until
  // no logger of this process holds it.
  std::lock_guard<std::mutex> guard(*m_lockGuard);
  close(m_keptLockFd);
  m_keptLockFd = -1;
}

CYqError CYqLoggerPrivate::FailOpen(CYqLogger& owner, int code) {
  CYqError error = FXErrorUtil::ErrorWin32(
      YQ_LOC, static_cast<DWORD>(code),
      "Failed open log file [%s], Module [%s], Make sure this log file is not locked and has "
      "full permissions. Some of the log lines will not be logged because of this error.",
      m_logFilePath.c_str(), m_appName.c_str());
  (void)owner.UnlockLockfile();
  // Reported after the unlock, so that a sink logging through this logger can write.
  const time_t now = time(nullptr);
  if (m_lastOpenFailure == 0 || now - m_lastOpenFailure > 3599) {
    m_lastOpenFailure = now;
    owner.LogMessageSyslog(
        FXString::Format("Failed open log file [%s], Module[%s], Error %d. Make sure this log "
                         "file is not locked and has full permissions. Some of the log lines "
                         "will not be logged because of this error",
                         m_logFilePath.c_str(), m_appName.c_str(), code)
            .c_str());
  }
  return error;
}

CYqError CYqLoggerPrivate::FailWrite(CYqLogger& owner, CYqError error, const std::string& report) {
  owner.CloseLogFile(true);
  (void)owner.UnlockLockfile();
  if (!g_writeFailureReported.exchange(true)) owner.LogMessageSyslog(report.c_str());
  return error;
}

CYqError CYqLoggerPrivate::RollOver(CYqLogger& owner) {
  owner.CloseLogFile(true);
  if (m_keepLogFileOpen) {
    // Our descriptor may have pointed at a file another process has already moved.
    struct stat64 st;
    if (stat64(m_logFilePath.c_str(), &st) == 0 &&
        static_cast<unsigned long long>(st.st_size) < m_logFileSize)
      return owner.UnlockLockfile();
  }
  const std::string current = GetLogFileName(m_logDir, m_appName, 0);
  std::string createTime;
  struct stat64 st;
  if (stat64(current.c_str(), &st) == 0) createTime = LocalTimeText(st.st_atime);

  // Names of roll-overs earlier in the same second are taken: use the next free second, so
  // that no rolled file is replaced and the names keep the order of the files.
  time_t when = time(nullptr);
  std::string target;
  int moveResult = EEXIST;
  for (int attempt = 0; attempt < kRollOverNameAttempts && moveResult == EEXIST; ++attempt) {
    target = TimeStampedName(m_logDir, m_appName, when + attempt);
    moveResult = MoveNoReplace(current, target);
  }
  if (moveResult == ENOENT) return owner.UnlockLockfile();  // moved by someone else
  if (moveResult != 0) {
    CYqError error = SystemError(YQ_LOC, moveResult, "rename() of %s to %s failed",
                                 current.c_str(), target.c_str());
    (void)owner.UnlockLockfile();
    if (!g_moveFailureReported.exchange(true))
      owner.LogMessageSyslog(
          FXString::Format("Failed moving log file [%s] to [%s], Module=[%s], error=[%s]",
                           current.c_str(), target.c_str(), m_appName.c_str(),
                           error.AsString().c_str())
              .c_str());
    return error.Push(YQ_LOC, "Failed moving log file [%s] to [%s], Module=[%s]",
                      current.c_str(), target.c_str(), m_appName.c_str());
  }

  if (m_appName != kStatisticsModule) {
    const int level = m_debugLevel.load(std::memory_order_relaxed);
    CYqSectionHold statsHold(CYqLogger::m_CSLockStatslogger);
    if (CYqLogger::m_StatisticsObj == nullptr) {
      CYqLogger* statistics = new CYqLogger();
      (void)statistics->Initialize(kStatisticsModule, m_logDir, level, m_showEmptyColumns, false);
      statistics->SetDebugLevel(2147483647);
      CYqLogger::m_StatisticsObj = statistics;
    }
    CYqLogger::m_StatisticsObj->LogMessage(
        level, "", 0, static_cast<const char*>(nullptr),
        "Log file for Module [%s] rolled over. File size is %lluMB, Create time [%s].\n",
        m_appName.c_str(), m_logFileSize >> 20, createTime.c_str());
  }
  g_moveFailureReported.store(false);
  return owner.UnlockLockfile();
}

// ---------------------------------------------------------------------------------------------
// CYqLogger: life cycle and settings

CYqLogger::CYqLogger() : m_private(boost::make_shared<CYqLoggerPrivate>()) {}

CYqLogger::CYqLogger(const CYqLogger& other) : m_private(boost::make_shared<CYqLoggerPrivate>()) {
  CYqSectionHold hold(other.m_private->m_section);
  m_private->CopySettings(*other.m_private);
}

CYqLogger& CYqLogger::operator=(const CYqLogger& other) {
  if (this == &other) return *this;
  CYqSectionHold hold(m_private->m_section);
  CloseLogFile(true);
  if (m_private->m_lockFd >= 0) (void)UnlockLockfile();
  m_private->CloseKeptLockFile();
  CYqSectionHold otherHold(other.m_private->m_section);
  m_private->CopySettings(*other.m_private);
  return *this;
}

CYqLogger::~CYqLogger() {
  CloseLogFile(true);
  if (m_private->m_lockFd >= 0) (void)UnlockLockfile();
  m_private->CloseKeptLockFile();
  m_private->m_initialized.store(false);
}

CYqError CYqLogger::Initialize(const std::string& appName, const std::string& logDir,
                               int debugLevel, bool showEmptyColumns, bool keepLogFileOpen) {
  CYqLoggerPrivate& p = *m_private;
  if (IsInitialized()) return CYqError();
  CYqSectionHold hold(p.m_section);
  if (IsInitialized()) return CYqError();
  if (appName.empty()) return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "AppName empty");
  std::string lockName;
  CYqError error = GetLockName(appName.c_str(), logDir, lockName);
  if (error.Failed()) return error.Push(YQ_LOC);
  p.m_appName = appName;
  p.m_logDir = logDir;
  if (!p.m_logDir.empty() && p.m_logDir.back() != '/') p.m_logDir += '/';
  p.m_lockName = lockName;
  PathMkdir(p.m_lockName);
  p.m_logFilePath = p.m_logDir + appName + ".log";
  PathMkdir(p.m_logFilePath);
  p.m_debugLevel.store(debugLevel);
  p.m_showEmptyColumns = showEmptyColumns;
  p.m_keepLogFileOpen = keepLogFileOpen;
  p.TakeTimeZone();
  p.m_runningAsRoot = geteuid() == 0;
  p.m_lockGuard = LockGuardFor(p.m_lockName);
  p.m_initialized.store(true, std::memory_order_release);
  return CYqError();
}

bool CYqLogger::IsInitialized() const {
  return m_private->m_initialized.load(std::memory_order_acquire);
}

CYqLogger* CYqLogger::GetGlobalInstance() { return &GlobalYqLogger; }

std::string CYqLogger::GetLogFilePath() {
  CYqSectionHold hold(m_private->m_section);
  return m_private->m_logFilePath;
}

std::string CYqLogger::GetAppName() {
  CYqSectionHold hold(m_private->m_section);
  return m_private->m_appName;
}

std::string CYqLogger::GetLockName() {
  CYqSectionHold hold(m_private->m_section);
  return m_private->m_lockName;
}

CYqCriticalSection& CYqLogger::GetCriticalSection() { return m_private->m_section; }

void CYqLogger::SetDebugLevel(int level) { m_private->m_debugLevel.store(level); }
int CYqLogger::GetDebugLevel() const { return m_private->m_debugLevel.load(); }

void CYqLogger::SetMaxVersions(int versions) {
  CYqSectionHold hold(m_private->m_section);
  m_private->m_maxVersions = versions;
}
int CYqLogger::GetMaxVersions() {
  CYqSectionHold hold(m_private->m_section);
  return m_private->m_maxVersions;
}
void CYqLogger::SetDefaultMaxVersions(int versions) {
  CYqSectionHold hold(m_private->m_section);
  m_private->m_defaultMaxVersions = versions;
}
int CYqLogger::GetDefaultMaxVersions() {
  CYqSectionHold hold(m_private->m_section);
  return m_private->m_defaultMaxVersions;
}
void CYqLogger::SetLogFileSize(unsigned long long megabytes) {
  CYqSectionHold hold(m_private->m_section);
  m_private->m_logFileSize = megabytes << 20;
}
unsigned long long CYqLogger::GetLogFileSize() {
  CYqSectionHold hold(m_private->m_section);
  return m_private->m_logFileSize >> 20;
}
void CYqLogger::SetDefaultLogFileSize(unsigned long long megabytes) {
  CYqSectionHold hold(m_private->m_section);
  m_private->m_defaultLogFileSize = megabytes << 20;
}
unsigned long long CYqLogger::GetDefaultLogFileSize() {
  CYqSectionHold hold(m_private->m_section);
  return m_private->m_defaultLogFileSize >> 20;
}
void CYqLogger::SetRetainLogsTill(int value) {
  CYqSectionHold hold(m_private->m_section);
  m_private->m_retainLogsTill = value;
}
int CYqLogger::GetRetainLogsTill() {
  CYqSectionHold hold(m_private->m_section);
  return m_private->m_retainLogsTill;
}

void CYqLogger::SetLogfileParams(int maxVersions, unsigned long long sizeMB, int retainLogsTill,
                                 int jobIdWidth, int threadIdWidth) {
  CYqSectionHold hold(m_private->m_section);
  m_private->m_maxVersions = maxVersions;
  m_private->m_logFileSize = sizeMB << 20;
  m_private->m_retainLogsTill = retainLogsTill;
  if (jobIdWidth > 0) m_private->m_jobIdWidth.store(std::min(jobIdWidth, kMaxColumnWidth));
  if (threadIdWidth > 0)
    m_private->m_threadIdWidth.store(std::min(threadIdWidth, kMaxColumnWidth));
}

void CYqLogger::SetKeepLogFileOpen(bool keepOpen) {
  CYqSectionHold hold(m_private->m_section);
  m_private->m_keepLogFileOpen = keepOpen;
  if (!keepOpen) {
    CloseLogFile(true);
    if (m_private->m_lockFd < 0) m_private->CloseKeptLockFile();
  }
}
bool CYqLogger::GetKeepLogFileOpen() {
  CYqSectionHold hold(m_private->m_section);
  return m_private->m_keepLogFileOpen;
}

void CYqLogger::SetSyslogCallback(void (*callback)(const char*)) {
  CYqSectionHold hold(m_private->m_section);
  m_private->m_syslogCallback = callback;
}

void CYqLogger::SetLoggingMode(const modeOfLogging& mode) {
  CYqSectionHold hold(m_private->m_section);
  m_private->m_mode = mode;
  m_private->m_serviceLibrary = kServiceLibrary;
  if (mode == LOGGING_MODE_SERVICE_SAME_PROCESS)
    m_private->m_serviceFunction = "LogMessageAsyncSameProcess";
  else if (mode == LOGGING_MODE_SERVICE_ASYNC)
    m_private->m_serviceFunction = "LogMessageAsync";
  else
    m_private->m_serviceFunction.clear();
}

void CYqLogger::SetLogFileGroup(unsigned group) { m_nimbraGroup.store(static_cast<int>(group)); }
unsigned CYqLogger::GetLogFileGroup() { return static_cast<unsigned>(m_nimbraGroup.load()); }
void CYqLogger::SetLogFilePermissions(unsigned permissions) { m_fPermissions.store(permissions); }
unsigned CYqLogger::GetLogFilePermissions() { return m_fPermissions.load(); }
void CYqLogger::SetShowLogLevel(bool show) { m_bShowLogLevel.store(show); }
void CYqLogger::SetLogToStdout(bool enable) { m_LogToStdout.store(enable); }
void CYqLogger::SetLogToStderr(bool enable) { m_LogToStderr.store(enable); }
void CYqLogger::SetLoggingOptions(bool toStderr, bool toStdout) {
  m_LogToStderr.store(toStderr);
  m_LogToStdout.store(toStdout);
}
void CYqLogger::SetLogMessageHook(bool (*hook)(CYqLogger*, int, const char*)) {
  m_pfnLogMessageHook.store(hook);
}
void CYqLogger::SetRetryOnLogOpenFail(bool retry) { bBreakOnAccessDenied = !retry; }

void CYqLogger::SetPlatformInformation(const std::string& hostName,
                                       const std::string& physicalHostName,
                                       const std::string& clientName,
                                       const std::string& hcHostName,
                                       const std::string& hcClientName, const std::string& os,
                                       const std::string& ipAddrs, const std::string& version,
                                       const std::string& instance,
                                       const std::string& processName, int processId) {
  CYqSectionHold hold(m_private->m_section);
  std::lock_guard<std::mutex> identity(IdentityLock());
  m_HostName = hostName;
  m_PhysicalHostName = physicalHostName;
  m_ClientName = clientName;
  m_HCHostName = hcHostName;
  m_HCClientName = hcClientName;
  m_OS = os;
  m_IPAddrs = ipAddrs;
  m_Version = version;
  m_Instance = instance;
  m_ProcessName = processName;
  m_ProcessId = processId;
}

void CYqLogger::SetProcessorInformation(const std::string& processorType,
                                        const std::string& productType,
                                        unsigned long addressWidth) {
  CYqSectionHold hold(m_private->m_section);
  std::lock_guard<std::mutex> identity(IdentityLock());
  m_ProcessorType = processorType;
  m_ProductType = productType;
  m_AddressWidth = addressWidth;
}

// ---------------------------------------------------------------------------------------------
// CYqLogger: formatted lines

void CYqLogger::LogMessage(int level, const char* function, unsigned line, const char* tag,
                           const char* format, ...) {
  va_list args;
  va_start(args, format);
  __LogMessageFormatted(level, function, line, kNoJobId, tag, format, args);
  va_end(args);
}

void CYqLogger::LogMessageV(int level, const char* function, unsigned line, const char* tag,
                            const char* format, va_list args) {
  __LogMessageFormatted(level, function, line, kNoJobId, tag, format, args);
}

void CYqLogger::LogMessage(int level, const char* function, unsigned line, long long jobId,
                           const char* tag, const char* format, ...) {
  va_list args;
  va_start(args, format);
  __LogMessageFormatted(level, function, line, jobId, tag, format, args);
  va_end(args);
}

void CYqLogger::LogMessageV(int level, const char* function, unsigned line, long long jobId,
                            const char* tag, const char* format, va_list args) {
  __LogMessageFormatted(level, function, line, jobId, tag, format, args);
}

void CYqLogger::__LogMessageFormatted(int level, const char* function, unsigned line,
                                      long long jobId, const char* tag, const char* format,
                                      va_list args) {
  __LogMessageFormatted(level, static_cast<long>(pthread_self()), function, line, jobId, tag,
                        format, args);
}

namespace {

// Builds and dispatches a line from a literal format.
void DispatchFormatted(CYqLogger& logger, int level, long threadId, const char* function,
                       unsigned line, long long jobId, const char* tag, const char* format, ...)
    YQBASE_PRINTF(8, 9);
void DispatchFormatted(CYqLogger& logger, int level, long threadId, const char* function,
                       unsigned line, long long jobId, const char* tag, const char* format,
                       ...) {
  va_list args;
  va_start(args, format);
  logger.__LogMessageFormatted(level, threadId, function, line, jobId, tag, format, args);
  va_end(args);
}

}  // namespace

void CYqLogger::__LogMessageFormatted(int level, long threadId, const char* function,
                                      unsigned line, long long jobId, const char* tag,
                                      const char* format, va_list args) {
  CYqLoggerPrivate& p = *m_private;
  if (!IsInitialized() || level > p.m_debugLevel.load(std::memory_order_relaxed)) return;
  if (threadId == 0) threadId = static_cast<long>(syscall(SYS_gettid));
  if (format == nullptr) format = "";

  std::string corrected;
  if (std::strstr(format, "%I64") != nullptr || std::strstr(format, "%ws") != nullptr) {
    try {
      corrected = CorrectFormat(format);
    } catch (...) {
      CYqSectionHold hold(p.m_section);
      DispatchFormatted(*this, 0, threadId, function, line, jobId, tag, "%s",
                        "@@@@@@@@@@@@@@@@@@");
      DispatchFormatted(*this, 0, threadId, function, line, jobId, tag,
                        ">>>>>>>>>>>>>>>>>> GOT AN EXCEPTION DURING DEBUG MESSAGE HANDLING [%.4094s]",
                        format);
      DispatchFormatted(*this, 0, threadId, function, line, jobId, tag, "%s",
                        "@@@@@@@@@@@@@@@@@@");
      return;
    }
    format = corrected.c_str();
  }

  char stackBuffer[4096];
  char* buffer = stackBuffer;
  size_t size = sizeof stackBuffer;
  size_t timeColumn = 0;
  bool overflow = false;
  size_t length = p.BuildLine(buffer, size, level, threadId, function, line, jobId, tag, format,
                              args, &timeColumn, &overflow);
  std::unique_ptr<char[]> large;
  if (overflow) {
    large.reset(new (std::nothrow) char[65536]);
    if (large) {
      buffer = large.get();
      size = 65536;
      length = p.BuildLine(buffer, size, level, threadId, function, line, jobId, tag, format,
                           args, &timeColumn, &overflow);
    }
  }
  length = std::min(length, size - 199);
  while (length > 0 && buffer[length - 1] == '\n') --length;
  buffer[length] = '\0';

  CYqSectionHold hold(p.m_section);
  p.StampTime(buffer + timeColumn);
  (void)(p.m_inServiceCall ? __LogMessage(level, buffer) : logMessages(level, buffer));
}

// ---------------------------------------------------------------------------------------------
// CYqLogger: finished lines

CYqError CYqLogger::LogMessage(const char* line) {
  if (line == nullptr || !IsInitialized()) return CYqError();
  CYqSectionHold hold(m_private->m_section);
  return m_private->m_inServiceCall ? __LogMessage(0, line) : logMessages(0, line);
}

CYqError CYqLogger::__LogMessage(int level, const char* line) {
  bool (*hook)(CYqLogger*, int, const char*) = m_pfnLogMessageHook.load();
  if (hook != nullptr && hook(this, level, line)) return CYqError();
  return __LogMessage(line);
}

CYqError CYqLogger::logMessages(int level, const char* line) {
  CYqLoggerPrivate& p = *m_private;
  CYqSectionHold hold(p.m_section);
  if (p.m_mode == LOGGING_MODE_DIRECT) return __LogMessage(level, line);

  // Lines the service logs through this logger meanwhile are written directly.
  p.m_inServiceCall = true;
  PFNLogMessageService entry = g_serviceEntry.load();
  if (entry == nullptr && !p.m_serviceFunction.empty()) {
    // Loaded once and never unloaded: the entry point stays valid for the whole process.
    void* library = dlopen(p.m_serviceLibrary.c_str(), RTLD_NOW);
    if (library != nullptr) {
      entry = reinterpret_cast<PFNLogMessageService>(
          dlsym(library, p.m_serviceFunction.c_str()));
      if (entry != nullptr) g_serviceEntry.store(entry);
    }
  }
  if (entry == nullptr) {
    p.m_inServiceCall = false;
    return __LogMessage(level, line);
  }
  const int taken = entry(p.m_appName, p.m_logFilePath, p.m_debugLevel.load(),
                          p.m_showEmptyColumns, true, std::string(line != nullptr ? line : ""));
  p.m_inServiceCall = false;
  if (taken == 0) return __LogMessage(level, line);
  return CYqError();
}

CYqError CYqLogger::__LogMessage(const char* line) {
  CYqLoggerPrivate& p = *m_private;
  if (line == nullptr) line = "";
  CYqSectionHold hold(p.m_section);
  CYqError error = LockLockfile();
  if (error.Failed()) {
    LogMessageSyslog(FXString::Format("failed to lock file '%s':%s", p.m_lockName.c_str(),
                                      error.AsString().c_str())
                         .c_str());
    return error.Push(YQ_LOC);
  }

  long long end = -1;
  for (bool reopened = false;;) {
    bool created = false;
    const int openResult = OpenLogFile(&created);
    if (p.m_logFd < 0) return p.FailOpen(*this, openResult);
    if (p.m_lastOpenFailure != 0) {
      p.m_lastOpenFailure = 0;
      LogMessageSyslog(FXString::Format("Successfully opened log [%s] Module[%s]. Reseting the "
                                        "last failure time",
                                        p.m_logFilePath.c_str(), p.m_appName.c_str())
                           .c_str());
    }
    if (created && PrintLogHeader(p.m_logFd) != 0) {
      const std::string text =
          FXString::Format("Failed writing log header to log [%s] Module [%s]",
                           p.m_logFilePath.c_str(), p.m_appName.c_str());
      return p.FailWrite(*this, FXErrorUtil::ErrorWin32(YQ_LOC, 774, "%s", text.c_str()), text);
    }
    end = lseek64(p.m_logFd, 0, SEEK_END);
    if (end >= 0) break;
    const int seekError = errno;
    if (seekError == EBADF && !reopened) {
      reopened = true;
      CloseLogFile(true);
      continue;
    }
    return p.FailWrite(
        *this,
        SystemError(YQ_LOC, seekError, "Failed setting offset in log [%s] Module [%s]",
                    p.m_logFilePath.c_str(), p.m_appName.c_str()),
        FXString::Format("Failed setting offset in log [%s] Module [%s] Errorcode[%u]",
                         p.m_logFilePath.c_str(), p.m_appName.c_str(),
                         static_cast<unsigned>(seekError)));
  }

  // The line and its newline go out in one write, so that appends of other writers cannot
  // come between them.
  const size_t length = std::strlen(line);
  char stackCopy[4096];
  std::unique_ptr<char[]> heapCopy;
  char* copy = stackCopy;
  if (length + 1 > sizeof stackCopy) {
    heapCopy.reset(new (std::nothrow) char[length + 1]);
    copy = heapCopy.get();
  }
  unsigned written = 0;
  bool ok = false;
  if (copy != nullptr) {
    std::memcpy(copy, line, length);
    copy[length] = '\n';
    ok = WriteFile(p.m_logFd, copy, static_cast<int>(length + 1), &written, nullptr);
  } else {
    unsigned newline = 0;
    ok = WriteFile(p.m_logFd, line, static_cast<int>(length), &written, nullptr) &&
         WriteFile(p.m_logFd, "\n", 1, &newline, nullptr);
    written += newline;
  }
  if (!ok) {
    const int writeError = errno;
    const std::string text =
        FXString::Format("Failed writing log message to log [%s] Module [%s]",
                         p.m_logFilePath.c_str(), p.m_appName.c_str());
    return p.FailWrite(*this, SystemError(YQ_LOC, writeError, "%s", text.c_str()), text);
  }
  if (m_LogToStdout.load(std::memory_order_relaxed)) std::printf("\n%s", line);

  const unsigned long long size = static_cast<unsigned long long>(end) + written;
  CloseLogFile(false);
  if (size < p.m_logFileSize) return UnlockLockfile();
  return p.RollOver(*this);
}

// ---------------------------------------------------------------------------------------------
// CYqLogger: file primitives

int CYqLogger::OpenLogFile(bool* created) {
  CYqLoggerPrivate& p = *m_private;
  CYqSectionHold hold(p.m_section);
  bool ignored = false;
  if (created == nullptr) created = &ignored;
  *created = false;
  if (p.m_keepLogFileOpen && p.m_logFd >= 0) return 0;
  CloseLogFile(true);

  const unsigned permissions = m_fPermissions.load();
  const int group = m_nimbraGroup.load();
  const mode_t mode = permissions != 0 ? (permissions & 0666)
                                       : (group != -1 ? m_grpSetDefFilePermissions
                                                      : m_defFilePermissions);
  const char* path = p.m_logFilePath.c_str();
  for (int attempt = 0; attempt < 10; ++attempt) {
    // Never follows a link at the log path: a planted link is removed and a file created.
    int fd = open64(path, O_RDWR | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
      p.m_logFd = fd;
      return 0;
    }
    int error = errno;
    if (error == ELOOP) {
      struct stat64 st;
      if (lstat64(path, &st) != 0 || !S_ISLNK(st.st_mode)) return error;
      if (unlink(path) != 0 && errno != ENOENT) return errno;
      continue;
    }
    if (error != ENOENT) return error;
    fd = open64(path, O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
      error = errno;
      if (error == EEXIST) continue;  // made by a writer that does not take the lock
      return error;
    }
    // The mode passed to open is narrowed by the umask; set it as asked.
    if (!p.m_runningAsRoot && fchmod(fd, mode) != 0) {
    }
    if (group != -1 && fchown(fd, static_cast<uid_t>(-1), static_cast<gid_t>(group)) != 0) {
    }
    p.m_logFd = fd;
    *created = true;
    return 0;
  }
  return 0;
}

void CYqLogger::CloseLogFile(bool force) {
  CYqLoggerPrivate& p = *m_private;
  CYqSectionHold hold(p.m_section);
  if (p.m_keepLogFileOpen && !force) return;
  if (p.m_logFd >= 0) {
    close(p.m_logFd);
    p.m_logFd = -1;
  }
}

bool CYqLogger::WriteFile(int fd, const void* buf, int len, unsigned* written, void*) {
  unsigned ignored = 0;
  if (written == nullptr) written = &ignored;
  *written = 0;
  const char* data = static_cast<const char*>(buf);
  size_t left = len > 0 ? static_cast<size_t>(len) : 0;
  if (m_LogToStderr.load(std::memory_order_relaxed) && left > 0) {
    std::fwrite(data, 1, left, stderr);
    std::fflush(stderr);
  }
  while (left > 0) {
    const ssize_t n = write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    left -= static_cast<size_t>(n);
    *written += static_cast<unsigned>(n);
  }
  return true;
}

int CYqLogger::PrintLogHeader(int& fd) {
  CYqLoggerPrivate& p = *m_private;
  CYqSectionHold hold(p.m_section);
  std::unique_lock<std::mutex> identity(IdentityLock());
  size_t longest = std::max({m_IPAddrs.size(), m_Version.size(), m_OS.size(),
                             m_ProductType.size(), m_HCClientName.size() + m_HCHostName.size() + 1,
                             m_ClientName.size() + m_HostName.size() +
                                 m_PhysicalHostName.size() + m_Instance.size() + 7,
                             p.m_appName.size(), std::strlen(p.m_tzName) + 25});
  const size_t width = std::max<size_t>(70, 13 + longest);

  std::vector<std::string> texts;
  texts.push_back(FXString::Format("Machine    : %s:%s (%s) (%s)", m_ClientName.c_str(),
                                   m_HostName.c_str(), m_PhysicalHostName.c_str(),
                                   m_Instance.c_str()));
  texts.push_back(FXString::Format("IP Addrs   : %s", m_IPAddrs.c_str()));
  texts.push_back(FXString::Format("Module     : %s", p.m_appName.c_str()));
  texts.push_back(FXString::Format("Hubcontrol : %s:%s", m_HCClientName.c_str(),
                                   m_HCHostName.c_str()));
  texts.push_back(FXString::Format("Version    : %s", m_Version.c_str()));
  const long offset = p.m_timezone < 0 ? -p.m_timezone : p.m_timezone;
  texts.push_back(FXString::Format("Date       : %.10s (%s GMT%s%02ld:%02ld)",
                                   LocalTimeText(time(nullptr)).c_str(), p.m_tzName,
                                   p.m_timezone <= 0 ? "+" : "-", offset / 3600,
                                   (offset % 3600) / 60));
  texts.push_back(FXString::Format("OS Type    : %s", m_OS.c_str()));
  if (m_AddressWidth != 0) texts.push_back(FXString::Format("Processor  : %lu bit", m_AddressWidth));
  if (!m_ProductType.empty())
    texts.push_back(FXString::Format("Product    : %s", m_ProductType.c_str()));

  const std::string stars = std::string(width + 4, '*') + "\n";
  std::vector<std::string> lines;
  lines.push_back(stars);
  for (std::string& text : texts) {
    if (text.size() > 1023) text.resize(1023);
    const int pad = text.size() < width ? static_cast<int>(width - text.size()) : 0;
    lines.push_back(FXString::Format("* %s%*s *%s", text.c_str(), pad, "", "\n"));
  }
  lines.push_back(stars);
  lines.push_back("\n");
  identity.unlock();
  for (const std::string& line : lines) {
    unsigned written = 0;
    if (!WriteFile(fd, line.data(), static_cast<int>(line.size()), &written, nullptr))
      return errno != 0 ? errno : EIO;
  }
  return 0;
}

CYqError CYqLogger::LockLockfile() {
  CYqLoggerPrivate& p = *m_private;
  CYqSectionHold hold(p.m_section);
  if (!IsInitialized())
    return FXErrorUtil::ErrorWin32(YQ_LOC, 774, "Uninitialized CYqLogger object");
  if (p.m_lockName.empty()) return FXErrorUtil::ErrorWin32(YQ_LOC, 774, "LockName empty");
  if (p.m_lockFd >= 0)
    return FXErrorUtil::ErrorWin32(YQ_LOC, 774, "File is already open: %s", p.m_lockName.c_str());

  p.m_lockGuard->lock();
  const time_t start = time(nullptr);
  int fd = p.TakeKeptLockFile(start);
  if (fd < 0) {
    const unsigned permissions = m_fPermissions.load();
    const int group = m_nimbraGroup.load();
    const mode_t mode = permissions != 0 ? (permissions & 0666)
                                         : (group == -1 ? m_defFilePermissions
                                                        : m_grpSetDefFilePermissions);
    for (;;) {
      fd = open64(p.m_lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, mode);
      if (fd >= 0) break;
      const int error = errno;
      if (error == EBUSY && time(nullptr) - start <= kLockWaitSeconds) {
        usleep(1000);
        continue;
      }
      p.m_lockGuard->unlock();
      return SystemError(YQ_LOC, error, "open() of %s failed", p.m_lockName.c_str());
    }
    if (p.m_runningAsRoot) {
      if (group != -1 && fchown(fd, static_cast<uid_t>(-1), static_cast<gid_t>(group)) != 0) {
      }
    } else if (fchmod(fd, mode) != 0) {
    }
    p.RememberLockFile(fd, start);
  }

  struct flock lock;
  std::memset(&lock, 0, sizeof lock);
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;
  for (;;) {
    if (fcntl(fd, F_SETLKW, &lock) == 0) break;
    const int error = errno;
    if (error == EINTR) continue;
    if ((error == EDEADLK || error == ENOLCK) && time(nullptr) - start <= kLockWaitSeconds) {
      usleep(1000);
      continue;
    }
    close(fd);
    p.m_lockGuard->unlock();
    if (error == EDEADLK || error == ENOLCK)
      return FXErrorUtil::ErrorWin32(YQ_LOC, 774, "Timed out acquiring file lock on %s",
                                     p.m_lockName.c_str());
    return SystemError(YQ_LOC, error, "Error acquiring file lock on %s", p.m_lockName.c_str());
  }
  p.m_lockFd = fd;
  return CYqError();
}

CYqError CYqLogger::UnlockLockfile() {
  CYqLoggerPrivate& p = *m_private;
  CYqSectionHold hold(p.m_section);
  if (!IsInitialized())
    return FXErrorUtil::ErrorWin32(YQ_LOC, 774, "Uninitialized CYqLogger object");
  if (p.m_lockFd < 0)
    return FXErrorUtil::ErrorWin32(YQ_LOC, 774, "File is not open: %s",
                                   p.m_lockName.empty() ? "-" : p.m_lockName.c_str());
  const int fd = p.m_lockFd;
  p.m_lockFd = -1;
  if (p.m_keepLogFileOpen) {
    // Kept open with the log file: the lock is released, the descriptor serves the next line.
    struct flock unlock;
    std::memset(&unlock, 0, sizeof unlock);
    unlock.l_type = F_UNLCK;
    unlock.l_whence = SEEK_SET;
    if (fcntl(fd, F_SETLK, &unlock) == 0) {
      p.m_keptLockFd = fd;
      p.m_lockGuard->unlock();
      return CYqError();
    }
  }
  // Closing the descriptor releases the record lock.
  const int result = close(fd);
  const int error = errno;
  p.m_lockGuard->unlock();
  if (result != 0)
    return SystemError(YQ_LOC, error, "close() of %s failed", p.m_lockName.c_str());
  return CYqError();
}

bool CYqLogger::CanUserWriteToLog() {
  CYqLoggerPrivate& p = *m_private;
  CYqSectionHold hold(p.m_section);
  if (LockLockfile().Failed()) return false;
  bool created = false;
  OpenLogFile(&created);
  const bool opened = p.m_logFd >= 0;
  if (opened && created && PrintLogHeader(p.m_logFd) != 0) CloseLogFile(true);
  CloseLogFile(false);
  (void)UnlockLockfile();
  return opened;
}

void CYqLogger::LogMessageSyslog(const char* text) {
  CYqLoggerPrivate& p = *m_private;
  // A sink that logs through this logger could otherwise report its own failures forever.
  if (text == nullptr || p.m_reporting) return;
  std::string report;
  {
    std::lock_guard<std::mutex> hold(IdentityLock());
    if (m_ProcessId == 0) m_ProcessId = static_cast<int>(getpid());
    report = FXString::Format("%ld:%s:%s", static_cast<long>(m_ProcessId),
                              m_ProcessName.c_str(), text);
  }
  p.m_reporting = true;
  if (p.m_syslogCallback != nullptr)
    p.m_syslogCallback(report.c_str());
  else
    std::puts(report.c_str());
  p.m_reporting = false;
}

CYqError CYqLogger::GetLockName(const char* name, std::string dir, std::string& out) {
  if (name == nullptr) return FXErrorUtil::ErrorWin32(YQ_LOC, 774, "Log name is empty");
  if (dir.empty() || dir.back() != '/') dir += '/';
  out = dir + "locks/" + name + ".log";
  return CYqError();
}

std::string GetLogFileName(const std::string& dir, const std::string& name, int n) {
  std::string path = dir + name + ".log";
  if (n != 0) path += "." + std::to_string(n);
  return path;
}

std::string GetLogFileNameWithTimeStamp(const std::string& dir, const std::string& name) {
  return TimeStampedName(dir, name, time(nullptr));
}
