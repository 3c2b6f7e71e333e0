#include "yqbase/logging/YqLogger.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/syscall.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <set>
#include <thread>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/Logging_testutil.h"

using namespace yqtest;

namespace {

typedef std::vector<std::string> Lines;

// A logger of `module` in `dir` at debug level 2.
struct CTestLogger : CYqLogger {
  CTestLogger(const std::string& dir, const char* module, bool keepOpen = false,
              bool showEmpty = false) {
    EXPECT_TRUE(Initialize(module, dir, 2, showEmpty, keepOpen).Succeeded());
  }
};

// Logs without the compiler's format check, for the formats the logger corrects.
void LogUnchecked(CYqLogger& logger, long threadId, long long jobId, const char* format, ...) {
  va_list args;
  va_start(args, format);
  logger.__LogMessageFormatted(1, threadId, "", 0, jobId, nullptr, format, args);
  va_end(args);
}

// The captured lines so far, from the job-id column on.
Lines Rests() {
  Lines rests;
  for (const std::string& line : CScopedLineCapture::Take()) rests.push_back(Rest(line));
  return rests;
}

// What follows the header of a log file.
std::string AfterHeader(const std::string& path) {
  const std::string text = ReadFile(path);
  size_t length = 0;
  return StartsWithHeader(text, &length) ? text.substr(length) : "<no header>" + text;
}

// The lines inside the header frame of a log file, without the frame and the padding.
Lines HeaderContent(const std::string& path) {
  const std::string text = ReadFile(path);
  size_t length = 0;
  if (!StartsWithHeader(text, &length)) return {"<no header>"};
  Lines lines;
  std::istringstream in(text.substr(0, length));
  std::string line;
  std::getline(in, line);  // the top of the frame
  while (std::getline(in, line) && line.compare(0, 2, "* ") == 0)
    lines.push_back(line.substr(2, line.find_last_not_of(" *") - 1));
  return lines;
}

Lines RolledFiles(const std::string& dir, const std::string& module) {
  Lines rolled;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.size() == module.size() + 24 &&
        name.compare(0, module.size() + 1, module + "_") == 0 &&
        name.compare(name.size() - 4, 4, ".log") == 0)
      rolled.push_back(entry.path().string());
  }
  return rolled;
}

int CountContaining(const Lines& lines, const std::string& text) {
  return std::count_if(lines.begin(), lines.end(),
                       [&](const std::string& line) { return Contains(line, text); });
}

// Whether another process could take the lock file's write lock right now.
bool LockIsFree(const std::string& lockName) {
  return RunInChild([&] {
           struct flock lock;
           std::memset(&lock, 0, sizeof lock);
           lock.l_type = F_WRLCK;
           if (fcntl(open(lockName.c_str(), O_RDWR), F_SETLK, &lock) == 0) return 0;
           return errno == EAGAIN || errno == EACCES ? 1 : 2;
         }) == 0;
}

}  // namespace

TEST(CYqLogger, FunctionTagAndJobColumns) {
  CTempDir dir;
  const std::string longName(150, 'n'), longTag(150, 't');
  const long long none = CYqLogger::kNoJobId;
  struct {
    const char* function;
    unsigned line;
    long long jobId;
    const char* tag;
    bool showEmpty;
    std::string expected;
  } const cases[] = {
      {"void ns::CFoo::Bar(int, const char*)", 12, none, nullptr, false,
       "--- ns::CFoo::Bar(12) - msg"},
      {"static CYqError CYqLogger::GetLockName(const char*)", 0, none, nullptr, false,
       "--- CYqLogger::GetLockName() - msg"},
      {"unsigned int CountThings", 3, none, nullptr, false, "--- CountThings(3) - msg"},
      {"main", 9, none, "TAG", false, "--- main(9) - TAG msg"},
      {"", 7, none, nullptr, true, "--- (7) - [ ] msg"},
      {"", 0, none, "", true, "--- () - [ ] msg"},
      {nullptr, 7, none, nullptr, false, "--- msg"},
      {"", 7, none, "", false, "--- msg"},
      {longName.c_str(), 1, none, longTag.c_str(), false,
       "--- " + longName.substr(0, 100) + "(1) - " + longTag.substr(0, 100) + " msg"},
      {"", 0, 0, nullptr, false, "### msg"},
      {"", 0, -5, nullptr, false, "### msg"},
      {"", 0, 42, nullptr, false, "42  msg"},
      {"", 0, 7, nullptr, false, "7   msg"},
      {"", 0, 1234567, nullptr, false, "1234567 msg"},
  };
  char tid[32];
  std::snprintf(tid, sizeof tid, "%lx", static_cast<unsigned long>(pthread_self()));
  CScopedLineCapture capture;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    CTestLogger logger(dir.Path(), "columns", false, c.showEmpty);
    logger.LogMessage(1, c.function, c.line, c.jobId, c.tag, "%s", "msg");
    const Lines lines = CScopedLineCapture::Take();
    SLineParts parts;
    ASSERT_EQ(1u, lines.size());
    ASSERT_TRUE(SplitLine(lines[0], &parts)) << lines[0];
    EXPECT_EQ(c.expected, parts.rest);
    EXPECT_EQ(std::to_string(getpid()) + " " + tid, parts.pid + " " + parts.tid);
  }
}

// A wide value widens its column for every later line; the column never narrows.
TEST(CYqLogger, ColumnsOnlyGrow) {
  CTempDir dir;
  CScopedLineCapture capture;
  CTestLogger logger(dir.Path(), "widths");
  LogUnchecked(logger, 0x1, 5, "a");
  LogUnchecked(logger, 0xabcdef, 123456, "b");
  LogUnchecked(logger, 0x1, 5, "c");
  LogUnchecked(logger, 0x1, CYqLogger::kNoJobId, "d");
  const Lines lines = CScopedLineCapture::Take();
  ASSERT_EQ(4u, lines.size());
  const std::string pid = std::to_string(getpid()) + " ";
  EXPECT_EQ(pid + "1   ", lines[0].substr(0, pid.size() + 4));
  EXPECT_EQ(pid + "abcdef ", lines[1].substr(0, pid.size() + 7));
  EXPECT_EQ(pid + "1      ", lines[2].substr(0, pid.size() + 7));
  EXPECT_EQ((Lines{"5   a", "123456 b", "5      c", "------ d"}),
            (Lines{Rest(lines[0]), Rest(lines[1]), Rest(lines[2]), Rest(lines[3])}));

  // A thread id of 0 stands for the kernel's id of the calling thread.
  LogUnchecked(logger, 0, 5, "e");
  char tid[32];
  std::snprintf(tid, sizeof tid, "%lx", static_cast<unsigned long>(syscall(SYS_gettid)));
  SLineParts parts;
  ASSERT_TRUE(SplitLine(CScopedLineCapture::Take().at(0), &parts));
  EXPECT_EQ(tid, parts.tid);
}

TEST(CYqLogger, LevelsAboveTheDebugLevelAreDropped) {
  CTempDir dir;
  CScopedLineCapture capture;
  CYqLogger logger;
  ASSERT_TRUE(logger.Initialize("levels", dir.Path(), 0, false, false).Succeeded());
  logger.LogMessage(1, "", 0, nullptr, "above");
  logger.LogMessage(0, "", 0, nullptr, "equal");
  logger.LogMessage(-1, "", 0, nullptr, "failure");
  logger.SetDebugLevel(3);
  logger.LogMessage(3, "", 0, nullptr, "raised");
  logger.LogMessage(4, "", 0, nullptr, "still above");
  EXPECT_EQ((Lines{"--- equal", "--- failure", "--- raised"}), Rests());

  CYqLogger uninitialized;
  uninitialized.LogMessage(-1, "", 0, nullptr, "dropped");
  EXPECT_TRUE(uninitialized.LogMessage("raw").Succeeded());
  EXPECT_TRUE(CScopedLineCapture::Take().empty());
}

TEST(CYqLogger, MessageTexts) {
  CTempDir dir;
  CScopedLineCapture capture;
  CTestLogger logger(dir.Path(), "texts");
  for (const size_t length : {3800u, 3890u, 3897u, 5000u, 65000u}) {
    SCOPED_TRACE(length);
    const std::string message(length, 'x');
    logger.LogMessage(1, "", 0, nullptr, "%s", message.c_str());
    EXPECT_EQ(Lines{"--- " + message}, Rests());
  }
  // Beyond the large buffer the line is cut at 65337 characters.
  logger.LogMessage(1, "", 0, nullptr, "%s", std::string(70000, 'y').c_str());
  const Lines cut = CScopedLineCapture::Take();
  ASSERT_EQ(1u, cut.size());
  EXPECT_EQ(65337u, cut[0].size());
  EXPECT_EQ(std::string(100, 'y'), cut[0].substr(cut[0].size() - 100));

  logger.LogMessage(1, "", 0, nullptr, "trailing\n\n");
  LogUnchecked(logger, 1, CYqLogger::kNoJobId, "v=%I64d u=%I64u x=%I64x w=%ws %%d", 1LL << 40,
               ~0ULL, 255ULL, L"wide");
  CYqLogger::SetShowLogLevel(true);
  logger.LogMessage(2, "f", 1, nullptr, "a");
  logger.LogMessage(-1, "f", 1, nullptr, "b");
  CYqLogger::SetShowLogLevel(false);
  logger.LogMessage(2, "f", 1, nullptr, "c");
  EXPECT_EQ((Lines{"--- trailing", "--- v=1099511627776 u=18446744073709551615 x=ff w=wide %d",
                   "--- #LgLvl2#f(1) - a", "--- #LgLvl0#f(1) - b", "--- f(1) - c"}),
            Rests());
}

TEST(CYqLogger, HookSeesLevelAndMayPassLinesOn) {
  CTempDir dir;
  static std::vector<int> levels;
  CYqLogger::SetLogMessageHook([](CYqLogger*, int level, const char*) {
    levels.push_back(level);
    return level < 0;  // consumes failures only
  });
  CTestLogger logger(dir.Path(), "hook");
  logger.LogMessage(-1, "", 0, nullptr, "consumed");
  logger.LogMessage(1, "", 0, nullptr, "written");
  CYqLogger::SetLogMessageHook(nullptr);
  EXPECT_EQ((std::vector<int>{-1, 1}), levels);
  EXPECT_EQ("--- written\n", Rest(AfterHeader(dir.Path() + "hook.log")));
}

TEST(CYqLogger, InitializeSettingsAndTheFirstLines) {
  CTempDir dir;
  CYqLogger logger;
  CYqError error = logger.Initialize("", dir.Path(), 1, false, false);
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 87));
  EXPECT_TRUE(Contains(error.AsString(), "AppName empty"));
  EXPECT_FALSE(logger.IsInitialized());
  EXPECT_EQ(2, logger.GetDebugLevel());
  EXPECT_EQ(1, logger.GetMaxVersions());
  EXPECT_EQ(5u, logger.GetLogFileSize());
  EXPECT_FALSE(logger.GetKeepLogFileOpen());

  const std::string folder = dir.Path() + "sub/dir";  // made, and without a final slash
  ASSERT_TRUE(logger.Initialize("first", folder, 4, true, true).Succeeded());
  EXPECT_TRUE(logger.IsInitialized());
  EXPECT_EQ(folder + "/first.log", logger.GetLogFilePath());
  EXPECT_EQ(folder + "/locks/first.log", logger.GetLockName());
  EXPECT_TRUE(logger.GetKeepLogFileOpen());
  // A second call changes nothing.
  EXPECT_TRUE(logger.Initialize("other", dir.Path(), 1, false, false).Succeeded());
  EXPECT_EQ("first", logger.GetAppName());
  EXPECT_EQ(4, logger.GetDebugLevel());

  logger.LogMessage(1, "void Start()", 5, nullptr, "one");
  logger.LogMessage(1, "void Start()", 6, nullptr, "two");
  const std::string after = AfterHeader(logger.GetLogFilePath());
  const size_t split = after.find('\n') + 1;
  EXPECT_EQ("--- Start(5) - [ ] one", Rest(after.substr(0, split - 1)));
  EXPECT_EQ("--- Start(6) - [ ] two\n", Rest(after.substr(split)));
  EXPECT_TRUE(Exists(logger.GetLockName()));

  CYqLogger::SetRetryOnLogOpenFail(false);
  EXPECT_TRUE(bBreakOnAccessDenied);
  CYqLogger::SetRetryOnLogOpenFail(true);
  EXPECT_FALSE(bBreakOnAccessDenied);
}

// The header shows the values set at load time until a host sets its own, in a frame as wide
// as its longest line.
TEST(CYqLogger, HeaderShowsTheIdentity) {
  EXPECT_EQ(&GlobalYqLogger, CYqLogger::GetGlobalInstance());
  CTempDir dir;
  CTestLogger defaults(dir.Path(), "defaults"), logger(dir.Path(), "identity");
  defaults.LogMessage(1, "", 0, nullptr, "line");
  const std::string version(100, 'v');
  logger.SetPlatformInformation("host", "phys", "client", "hchost", "hcclient", "Linux 6.1",
                                "10.0.0.1", version, "inst", "agentd", 77);
  logger.SetProcessorInformation("x86", "Server", 32);
  logger.LogMessage(1, "", 0, nullptr, "line");
  logger.SetPlatformInformation("[Unknown Host]", "[Unknown Physical Host]", "[Unknown Client]",
                                "[Unknown HC Host]", "[Unknown HC Client]", "[Unknown]",
                                "[Unknown]", "[Unknown]", "[Unknown Instance]", "", 0);
  logger.SetProcessorInformation("", "", 0);
  const struct {
    std::string path;
    Lines expected;
  } cases[] = {
      {defaults.GetLogFilePath(),
       {"Machine    : [Unknown Client]:[Unknown Host] ([Unknown Physical Host]) ([Unknown "
        "Instance])",
        "IP Addrs   : [Unknown]", "Module     : defaults",
        "Hubcontrol : [Unknown HC Client]:[Unknown HC Host]", "Version    : [Unknown]", "",
        "OS Type    : [Unknown]"}},
      {logger.GetLogFilePath(),
       {"Machine    : client:host (phys) (inst)", "IP Addrs   : 10.0.0.1", "Module     : identity",
        "Hubcontrol : hcclient:hchost", "Version    : " + version, "", "OS Type    : Linux 6.1",
        "Processor  : 32 bit", "Product    : Server"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    Lines lines = HeaderContent(c.path);
    ASSERT_EQ(c.expected.size(), lines.size());
    EXPECT_EQ("Date       : ", lines[5].substr(0, 13));
    EXPECT_TRUE(Contains(lines[5], " GMT"));
    lines[5].clear();
    EXPECT_EQ(c.expected, lines);
  }
  EXPECT_EQ(std::string(version.size() + 17, '*') + "\n",
            ReadFile(logger.GetLogFilePath()).substr(0, version.size() + 18));
}

TEST(CYqLogger, FileNames) {
  std::string out;
  for (const char* folder : {"/var/log", "/var/log/"}) {
    EXPECT_TRUE(CYqLogger::GetLockName("app", folder, out).Succeeded());
    EXPECT_EQ("/var/log/locks/app.log", out);
  }
  CYqError error = CYqLogger::GetLockName(nullptr, "/var/log", out);
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 774));
  EXPECT_TRUE(Contains(error.AsString(), "Log name is empty"));
  EXPECT_EQ("/d/app.log", GetLogFileName("/d/", "app", 0));
  EXPECT_EQ("/d/app.log.3", GetLogFileName("/d/", "app", 3));

  const time_t before = time(nullptr);
  const std::string stamped = GetLogFileNameWithTimeStamp("/d/", "app");
  std::set<std::string> expected;
  for (time_t t = before; t <= time(nullptr); ++t) {
    struct tm fields;
    char text[64];
    strftime(text, sizeof text, "/d/app_%Y_%m_%d_%H_%M_%S.log", localtime_r(&t, &fields));
    expected.insert(text);
  }
  EXPECT_EQ(1u, expected.count(stamped)) << stamped;
}

TEST(CYqLogger, CopiesTakeTheSettingsAndShareTheFile) {
  CTempDir dir;
  CYqLogger original;
  ASSERT_TRUE(original.Initialize("copied", dir.Path(), 3, true, true).Succeeded());
  original.SetLogFileSize(2);
  original.LogMessage(1, "", 0, nullptr, "from original");
  CYqLogger copy(original);
  EXPECT_TRUE(copy.IsInitialized());
  EXPECT_EQ(original.GetLogFilePath(), copy.GetLogFilePath());
  EXPECT_EQ(3, copy.GetDebugLevel());
  EXPECT_EQ(2u, copy.GetLogFileSize());
  EXPECT_TRUE(copy.GetKeepLogFileOpen());
  copy.LogMessage(1, "", 0, nullptr, "from copy");
  CYqLogger assigned;
  assigned = copy;
  assigned.LogMessage(1, "", 0, nullptr, "from assigned");
  // One header: the copies found the file made by the original.
  const std::string after = AfterHeader(original.GetLogFilePath());
  EXPECT_EQ(3, std::count(after.begin(), after.end(), '\n'));
  const Lines lines = ReadLines(original.GetLogFilePath());
  EXPECT_EQ("--- () - [ ] from original", Rest(lines[lines.size() - 3]));
  EXPECT_EQ("--- () - [ ] from copy", Rest(lines[lines.size() - 2]));
  EXPECT_EQ("--- () - [ ] from assigned", Rest(lines.back()));
}

TEST(CYqLogger, SymbolicLinkAtTheLogPathIsReplaced) {
  for (const bool dangling : {false, true}) {
    SCOPED_TRACE(dangling ? "dangling link" : "link to a file");
    CTempDir dir;
    const std::string target = dir.Path() + "precious.txt";
    if (!dangling) std::ofstream(target) << "keep me\n";
    ASSERT_EQ(0, symlink(target.c_str(), (dir.Path() + "linked.log").c_str()));
    for (const bool keepOpen : {false, true})
      CTestLogger(dir.Path(), "linked", keepOpen)
          .LogMessage(1, "", 0, nullptr, "line %d", keepOpen);
    struct stat st;
    ASSERT_EQ(0, lstat((dir.Path() + "linked.log").c_str(), &st));
    EXPECT_TRUE(S_ISREG(st.st_mode));
    const std::string after = AfterHeader(dir.Path() + "linked.log");
    EXPECT_TRUE(Contains(after, "--- line 0\n") && Contains(after, "--- line 1\n")) << after;
    EXPECT_EQ(dangling ? "" : "keep me\n", ReadFile(target));
    EXPECT_EQ(!dangling, Exists(target));
  }
}

// The log path is a folder, so every open fails, even for root: one report for many lines,
// and one when the file can be opened again.
TEST(CYqLogger, OpenFailuresAreReportedOncePerHour) {
  CTempDir dir;
  const std::string path = dir.Path() + "busy.log";
  ASSERT_EQ(0, mkdir(path.c_str(), 0755));
  CTestLogger logger(dir.Path(), "busy");
  logger.SetSyslogCallback(&CReports::Callback);
  CReports::Take();
  for (int i = 0; i < 50; ++i) logger.LogMessage(1, "", 0, nullptr, "lost %d", i);
  CYqError error = logger.LogMessage("raw line");
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, EISDIR));
  EXPECT_TRUE(Contains(error.AsString(), "Failed open log file [" + path + "]"));
  EXPECT_FALSE(logger.CanUserWriteToLog());
  EXPECT_EQ(Lines{std::to_string(getpid()) + "::Failed open log file [" + path +
                  "], Module[busy], Error 21. Make sure this log file is not locked and has full "
                  "permissions. Some of the log lines will not be logged because of this error"},
            CReports::Take());

  ASSERT_EQ(0, rmdir(path.c_str()));
  logger.LogMessage(1, "", 0, nullptr, "back");
  logger.LogMessage(1, "", 0, nullptr, "again");
  const Lines reports = CReports::Take();
  ASSERT_EQ(1u, reports.size());
  EXPECT_TRUE(Contains(reports[0], "Successfully opened log [" + path +
                                       "] Module[busy]. Reseting the last failure time"));
  EXPECT_EQ("--- back\n", Rest(AfterHeader(path)).substr(0, 9));
}

// A folder the process may not write to: the child drops to "nobody" when it runs as root.
TEST(CYqLogger, FolderWithoutWritePermissionIsReportedOnce) {
  CTempDir dir;
  const std::string logs = dir.Path() + "logs/";
  ASSERT_EQ(0, chmod(dir.Path().c_str(), 0755));
  ASSERT_EQ(0, mkdir(logs.c_str(), 0755));
  ASSERT_EQ(0, mkdir((logs + "locks").c_str(), 0777));
  ASSERT_EQ(0, chmod((logs + "locks").c_str(), 0777));
  ASSERT_EQ(0, geteuid() == 0 ? 0 : chmod(logs.c_str(), 0555));
  static FILE* reports;
  const int result = RunInChild([&] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 2;
    CYqLogger logger;
    if (logger.Initialize("denied", logs, 2, false, false).Failed()) return 3;
    if ((reports = std::fopen((logs + "locks/reports.txt").c_str(), "w")) == nullptr) return 4;
    logger.SetSyslogCallback([](const char* text) { std::fprintf(reports, "%s\n", text); });
    for (int i = 0; i < 200; ++i) logger.LogMessage(1, "", 0, nullptr, "line %d", i);
    return std::fclose(reports) != 0 || logger.CanUserWriteToLog() ? 5 : 0;
  });
  chmod(logs.c_str(), 0755);
  ASSERT_EQ(0, result);
  const Lines lines = ReadLines(logs + "locks/reports.txt");
  ASSERT_EQ(1u, lines.size());
  EXPECT_TRUE(Contains(lines[0], ":Failed open log file [" + logs +
                                     "denied.log], Module[denied], Error " +
                                     std::to_string(EACCES) + ". "))
      << lines[0];
  EXPECT_FALSE(Exists(logs + "denied.log"));
}

// Lock-file failures are reported for every line; a sink that logs through the failing logger
// gets one report per line, not an endless chain.
TEST(CYqLogger, LockFileFailuresAreReportedForEveryLine) {
  CTempDir dir;
  std::ofstream(dir.Path() + "locks").flush();  // a file where the lock folder belongs
  static CYqLogger* failing;
  CTestLogger logger(dir.Path(), "nolock");
  failing = &logger;
  logger.SetSyslogCallback([](const char* text) {
    CReports::Callback(text);
    failing->LogMessage(1, "", 0, nullptr, "sink saw: %s", text);
  });
  CReports::Take();
  logger.LogMessage(1, "", 0, nullptr, "one");
  EXPECT_TRUE(Contains(logger.LogMessage("two").AsString(),
                       "open() of " + dir.Path() + "locks/nolock.log failed"));
  const Lines reports = CReports::Take();
  ASSERT_EQ(2u, reports.size());
  EXPECT_TRUE(Contains(reports[0], "failed to lock file '" + dir.Path() + "locks/nolock.log':"));
  EXPECT_FALSE(Exists(dir.Path() + "nolock.log"));
}

// The lock is held from LockLockfile to UnlockLockfile, and only then, in both open modes.
TEST(CYqLogger, LockFileExcludesOtherProcessesAndMisuseIsRefused) {
  CYqLogger uninitialized;
  EXPECT_TRUE(FXErrorUtil::IsWin32(uninitialized.LockLockfile(), 774));
  EXPECT_TRUE(
      Contains(uninitialized.UnlockLockfile().AsString(), "Uninitialized CYqLogger object"));
  for (const bool keepOpen : {false, true}) {
    SCOPED_TRACE(keepOpen);
    CTempDir dir;
    CTestLogger logger(dir.Path(), "excl", keepOpen);
    ASSERT_TRUE(logger.LockLockfile().Succeeded());
    EXPECT_FALSE(LockIsFree(logger.GetLockName()));
    const CYqError again = logger.LockLockfile();
    EXPECT_TRUE(FXErrorUtil::IsWin32(again, 774));
    EXPECT_TRUE(Contains(again.AsString(), "File is already open: " + logger.GetLockName()));
    EXPECT_TRUE(logger.UnlockLockfile().Succeeded());
    EXPECT_TRUE(LockIsFree(logger.GetLockName()));
    EXPECT_TRUE(
        Contains(logger.UnlockLockfile().AsString(), "File is not open: " + logger.GetLockName()));
    logger.LogMessage(1, "", 0, nullptr, "line");
    EXPECT_TRUE(LockIsFree(logger.GetLockName()));
  }
}

// A keep-open logger finds out within seconds that its lock file was removed, and locks the
// new one that the other processes use.
TEST(CYqLogger, KeptLockFileFollowsTheLockPath) {
  CTempDir dir;
  CTestLogger logger(dir.Path(), "kept", true);
  logger.LogMessage(1, "", 0, nullptr, "first");
  ASSERT_EQ(0, unlink(logger.GetLockName().c_str()));
  for (int i = 0; i < 100 && !Exists(logger.GetLockName()); ++i) {
    logger.LogMessage(1, "", 0, nullptr, "line %d", i);
    if (!Exists(logger.GetLockName())) usleep(50000);
  }
  EXPECT_TRUE(Exists(logger.GetLockName()));
  ASSERT_TRUE(logger.LockLockfile().Succeeded());
  EXPECT_FALSE(LockIsFree(logger.GetLockName()));
  EXPECT_TRUE(logger.UnlockLockfile().Succeeded());
}

TEST(CYqLogger, CreatedFilesTakeTheConfiguredModeAndGroup) {
  CTempDir dir;
  const mode_t mask = umask(022);
  CYqLogger::SetLogFilePermissions(0640);
  EXPECT_TRUE(CTestLogger(dir.Path(), "modes").CanUserWriteToLog());
  CYqLogger::SetLogFilePermissions(0);
  struct stat st;
  ASSERT_EQ(0, stat((dir.Path() + "modes.log").c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 0777);
  EXPECT_TRUE(StartsWithHeader(ReadFile(dir.Path() + "modes.log")));
  if (geteuid() == 0) {
    CYqLogger::SetLogFileGroup(65534);
    EXPECT_EQ(65534u, CYqLogger::GetLogFileGroup());
    CTestLogger(dir.Path(), "grouped").LogMessage(1, "", 0, nullptr, "x");
    CYqLogger::SetLogFileGroup(static_cast<unsigned>(-1));
    ASSERT_EQ(0, stat((dir.Path() + "grouped.log").c_str(), &st));
    EXPECT_EQ(65534u, st.st_gid);
    EXPECT_EQ(0644u, st.st_mode & 0777);  // 0664 under the umask
    ASSERT_EQ(0, stat((dir.Path() + "locks/grouped.log").c_str(), &st));
    EXPECT_EQ(65534u, st.st_gid);
  }
  umask(mask);
}

TEST(CYqCriticalSection, IsRecursiveAndOwnedByOneThread) {
  CYqCriticalSection section;
  ASSERT_TRUE(section.Enter().Succeeded());
  ASSERT_TRUE(section.Enter().Succeeded());
  CYqError fromOther;
  std::thread([&] { fromOther = section.Leave(); }).join();
  EXPECT_TRUE(Contains(fromOther.AsString(), "Attempt to unlock a mutex not held by this thread"));
  EXPECT_TRUE(section.Leave().Succeeded());
  EXPECT_TRUE(section.Leave().Succeeded());
  EXPECT_TRUE(section.Leave().Failed());

  // Increments made under the section by several threads are not lost.
  int counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20000 && section.Enter().Succeeded(); ++i) {
        ++counter;
        if (section.Leave().Failed()) return;
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(80000, counter);
}

// Threads of one process take turns, also with a second logger of the same module.
TEST(CYqLogger, ThreadsOfOneProcessShareALogger) {
  CTempDir dir;
  CTestLogger logger(dir.Path(), "threads", true), second(dir.Path(), "threads");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 1000; ++i)
        (t % 2 == 0 ? logger : second).LogMessage(1, "", 0, nullptr, "t%d-%04d end", t, i);
    });
  for (std::thread& thread : threads) thread.join();
  std::set<std::string> seen;
  for (const std::string& line : ReadLines(logger.GetLogFilePath())) {
    const std::string rest = Rest(line);
    if (rest.compare(0, 5, "--- t") != 0) continue;
    EXPECT_EQ(" end", rest.substr(rest.size() - 4)) << line;
    EXPECT_TRUE(seen.insert(rest).second) << line;
  }
  EXPECT_EQ(4000u, seen.size());
}

// Exactly reaching the limit rolls the file over to its time-stamped name, noted once in the
// statistics log; the next line starts a new file. Run in a child: the statistics logger
// belongs to the process.
TEST(CYqLogger, ReachingTheSizeLimitRollsTheFileOver) {
  CTempDir dir;
  const std::string path = dir.Path() + "roll.log";
  ASSERT_EQ(0, RunInChild([&] {
              CYqLogger logger;
              if (logger.Initialize("roll", dir.Path(), 2, false, false).Failed()) return 2;
              logger.SetLogFileSize(1);
              struct stat st;
              if (logger.LogMessage("first").Failed() || stat(path.c_str(), &st) != 0) return 3;
              // One byte short of the limit: no roll-over.
              const std::string almost(1048576 - st.st_size - 2, 'a');
              if (logger.LogMessage(almost.c_str()).Failed()) return 5;
              if (stat(path.c_str(), &st) != 0 || st.st_size != 1048575) return 6;
              if (logger.LogMessage("").Failed() || Exists(path)) return 7;  // exactly the limit
              return logger.LogMessage("after").Failed() ? 9 : 0;
            }));
  const Lines rolled = RolledFiles(dir.Path(), "roll");
  ASSERT_EQ(1u, rolled.size());
  EXPECT_EQ(1048576u, ReadFile(rolled[0]).size());
  EXPECT_TRUE(StartsWithHeader(ReadFile(rolled[0])));
  EXPECT_EQ("after\n", AfterHeader(path));

  const Lines statistics = ReadLines(dir.Path() + "LoggingStatistics.log");
  ASSERT_EQ(1, CountContaining(statistics, "rolled over"));
  const std::string note = Rest(statistics.back());
  const std::string start =
      "--- Log file for Module [roll] rolled over. File size is 1MB, Create time [";
  EXPECT_EQ(start, note.substr(0, start.size()));
  // The create time reads "YYYY/MM/DD hh:mm:ss " inside the brackets.
  EXPECT_EQ(" ].", note.substr(note.size() - 3));
  EXPECT_EQ(start.size() + 19 + 3, note.size());
}

// With the file kept open, a file deleted under the writer makes the roll-over find nothing
// to move: nothing is reported and nothing is noted, and the next line starts a new file.
TEST(CYqLogger, RollOverOfAVanishedFileIsNotAFailure) {
  CTempDir dir;
  const std::string path = dir.Path() + "gone.log";
  static int reports;
  ASSERT_EQ(0, RunInChild([&] {
              CYqLogger logger;
              if (logger.Initialize("gone", dir.Path(), 2, false, true).Failed()) return 2;
              logger.SetLogFileSize(1);
              logger.SetSyslogCallback([](const char*) { ++reports; });
              if (logger.LogMessage("first").Failed() || unlink(path.c_str()) != 0) return 3;
              const std::string big(60000, 'b');
              for (int i = 0; i < 18; ++i)
                if (logger.LogMessage(big.c_str()).Failed()) return 5;
              return logger.LogMessage("after").Failed() || reports != 0 ? 6 : 0;
            }));
  EXPECT_TRUE(RolledFiles(dir.Path(), "gone").empty());
  EXPECT_FALSE(Exists(dir.Path() + "LoggingStatistics.log"));
  EXPECT_EQ("after\n", AfterHeader(path));
}

class CYqLoggerProcesses : public ::testing::TestWithParam<bool> {};

// Eight processes write one module with a 1 MB limit: every line arrives exactly once and
// whole, in files that each begin with a header, and each roll-over is noted once.
TEST_P(CYqLoggerProcesses, EveryLineOnceAcrossRolledFiles) {
  constexpr int kWriters = 8, kLines = 5000;
  const auto payload = [](int writer, int line) {
    std::string text(100, ' ');
    for (size_t k = 0; k < text.size(); ++k)
      text[k] = static_cast<char>('a' + (writer * 31 + line * 7 + static_cast<int>(k)) % 26);
    return text;
  };
  CTempDir dir;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    std::fflush(stdout);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      CYqLogger logger;
      if (logger.Initialize("multi", dir.Path(), 1, false, GetParam()).Failed()) _exit(2);
      logger.SetLogFileSize(1);
      for (int i = 0; i < kLines; ++i)
        logger.LogMessage(1, "void Writer(int)", 7, nullptr, "w%d-%05d %s", w, i,
                          payload(w, i).c_str());
      _exit(0);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }

  Lines files = RolledFiles(dir.Path(), "multi");
  const size_t rolled = files.size();
  EXPECT_GE(rolled, 4u);
  files.push_back(dir.Path() + "multi.log");
  std::vector<int> counts(kWriters * kLines, 0);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    std::istringstream in(AfterHeader(file));
    for (std::string line; std::getline(in, line);) {
      const std::string rest = Rest(line), prefix = "--- Writer(7) - w";
      int writer = -1, index = -1;
      ASSERT_TRUE(rest.size() == prefix.size() + 108 && rest.compare(0, 17, prefix) == 0 &&
                  std::sscanf(rest.c_str() + 17, "%1d-%5d ", &writer, &index) == 2 && writer >= 0 &&
                  writer < kWriters && index >= 0 && index < kLines &&
                  rest.substr(25) == payload(writer, index))
          << line;
      ++counts[writer * kLines + index];
    }
  }
  EXPECT_EQ(counts.size(), static_cast<size_t>(std::count(counts.begin(), counts.end(), 1)));

  const Lines statistics = ReadLines(dir.Path() + "LoggingStatistics.log");
  EXPECT_EQ(static_cast<int>(rolled),
            CountContaining(statistics, "Log file for Module [multi] rolled over."));
  EXPECT_TRUE(StartsWithHeader(ReadFile(dir.Path() + "LoggingStatistics.log")));
}

INSTANTIATE_TEST_SUITE_P(OpenModes, CYqLoggerProcesses, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "KeepOpen" : "OpenPerLine";
                         });

// Without the logging-service library the service modes write the file themselves.
TEST(CYqLogger, ServiceModesWithoutTheLibraryWriteDirectly) {
  if (void* library = dlopen("libzkloggingservice", RTLD_NOW)) {
    dlclose(library);
    GTEST_SKIP() << "a logging-service library is reachable from this process";
  }
  CTempDir dir;
  for (const int mode : {1, 2, 7}) {  // same process, asynchronous, unknown
    CTestLogger logger(dir.Path(), "fallback");
    logger.SetLoggingMode(static_cast<CYqLogger::modeOfLogging>(mode));
    logger.LogMessage(1, "", 0, nullptr, "mode %d", mode);
  }
  const std::string text = ReadFile(dir.Path() + "fallback.log");
  for (const char* line : {"--- mode 1\n", "--- mode 2\n", "--- mode 7\n"})
    EXPECT_TRUE(Contains(text, line)) << line;
}
