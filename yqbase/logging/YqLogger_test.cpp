#include "yqbase/logging/YqLogger.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/Logging_testutil.h"

using yqtest::CReports;
using yqtest::CScopedLineCapture;
using yqtest::CTempDir;
using yqtest::Exists;
using yqtest::ReadFile;
using yqtest::ReadLines;
using yqtest::RunInChild;
using yqtest::SLineParts;
using yqtest::SplitLine;
using yqtest::StartsWithHeader;

namespace {

// Logs without the compiler's format check, for the formats the logger corrects.
void LogUnchecked(CYqLogger& logger, int level, long threadId, const char* function,
                  unsigned line, long long jobId, const char* tag, const char* format, ...) {
  va_list args;
  va_start(args, format);
  logger.__LogMessageFormatted(level, threadId, function, line, jobId, tag, format, args);
  va_end(args);
}

// The part of a captured line from the job-id column on.
std::string Rest(const std::string& line) {
  SLineParts parts;
  return SplitLine(line, &parts) ? parts.rest : "<malformed: " + line + ">";
}

std::string LastRest() {
  const std::vector<std::string> lines = CScopedLineCapture::Take();
  return lines.empty() ? std::string("<none>") : Rest(lines.back());
}

// Puts the class-wide identity back to its load-time values.
void ResetPlatformInformation(CYqLogger& logger) {
  logger.SetPlatformInformation("[Unknown Host]", "[Unknown Physical Host]", "[Unknown Client]",
                                "[Unknown HC Host]", "[Unknown HC Client]", "[Unknown]",
                                "[Unknown]", "[Unknown]", "[Unknown Instance]", "", 0);
  logger.SetProcessorInformation("", "", 0);
}

// The header lines of `text` without their newlines, up to the closing star line.
std::vector<std::string> HeaderLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = text.find('\n', pos);
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 1;
    if (lines.size() > 1 && lines.back() == lines.front()) break;
  }
  return lines;
}

std::vector<std::string> RolledFiles(const std::string& dir, const std::string& module) {
  std::vector<std::string> rolled;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.size() == module.size() + 24 && name.compare(0, module.size() + 1, module + "_") == 0 &&
        name.compare(name.size() - 4, 4, ".log") == 0)
      rolled.push_back(entry.path().string());
  }
  return rolled;
}

int CountContaining(const std::vector<std::string>& lines, const std::string& text) {
  int count = 0;
  for (const std::string& line : lines)
    if (line.find(text) != std::string::npos) ++count;
  return count;
}

}  // namespace

TEST(CYqLogger, FunctionAndTagColumns) {
  CTempDir dir;
  const std::string longName(150, 'n');
  const std::string longTag(150, 't');
  struct {
    const char* function;
    unsigned line;
    const char* tag;
    bool showEmpty;
    std::string expected;
  } const cases[] = {
      {"void ns::CFoo::Bar(int, const char*)", 12, nullptr, false,
       "--- ns::CFoo::Bar(12) - msg"},
      {"static CYqError CYqLogger::GetLockName(const char*)", 0, nullptr, false,
       "--- CYqLogger::GetLockName() - msg"},
      {"unsigned int CountThings", 3, nullptr, false, "--- CountThings(3) - msg"},
      {"main", 9, "TAG", false, "--- main(9) - TAG msg"},
      {"", 7, nullptr, true, "--- (7) - [ ] msg"},
      {"", 0, "", true, "--- () - [ ] msg"},
      {nullptr, 7, nullptr, false, "--- msg"},
      {"", 7, "", false, "--- msg"},
      {longName.c_str(), 1, longTag.c_str(), false,
       "--- " + longName.substr(0, 100) + "(1) - " + longTag.substr(0, 100) + " msg"},
  };
  CScopedLineCapture capture;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    CYqLogger logger;
    ASSERT_TRUE(logger.Initialize("columns", dir.Path(), 2, c.showEmpty, false).Succeeded());
    logger.LogMessage(1, c.function, c.line, c.tag, "%s", "msg");
    const std::vector<std::string> lines = CScopedLineCapture::Take();
    ASSERT_EQ(1u, lines.size());
    SLineParts parts;
    ASSERT_TRUE(SplitLine(lines[0], &parts)) << lines[0];
    EXPECT_EQ(c.expected, parts.rest);
    EXPECT_EQ(std::to_string(getpid()), parts.pid);
    char tid[32];
    std::snprintf(tid, sizeof tid, "%lx", static_cast<unsigned long>(pthread_self()));
    EXPECT_EQ(tid, parts.tid);
  }
}

TEST(CYqLogger, JobIdColumn) {
  CTempDir dir;
  struct {
    long long jobId;
    const char* expected;
  } const cases[] = {
      {CYqLogger::kNoJobId, "--- m"}, {0, "### m"},         {-5, "### m"},
      {42, "42  m"},                  {7, "7   m"},         {1234567, "1234567 m"},
  };
  CScopedLineCapture capture;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    CYqLogger logger;
    ASSERT_TRUE(logger.Initialize("jobs", dir.Path(), 2, false, false).Succeeded());
    logger.LogMessage(1, "", 0, c.jobId, nullptr, "m");
    EXPECT_EQ(c.expected, LastRest());
  }
}

// A wide value widens its column for every later line; the column never narrows.
TEST(CYqLogger, ColumnsOnlyGrow) {
  CTempDir dir;
  CScopedLineCapture capture;
  CYqLogger logger;
  ASSERT_TRUE(logger.Initialize("widths", dir.Path(), 2, false, false).Succeeded());
  LogUnchecked(logger, 1, 0x1, "", 0, 5, nullptr, "a");
  LogUnchecked(logger, 1, 0xabcdef, "", 0, 123456, nullptr, "b");
  LogUnchecked(logger, 1, 0x1, "", 0, 5, nullptr, "c");
  LogUnchecked(logger, 1, 0x1, "", 0, CYqLogger::kNoJobId, nullptr, "d");
  const std::vector<std::string> lines = CScopedLineCapture::Take();
  ASSERT_EQ(4u, lines.size());
  const std::string pid = std::to_string(getpid()) + " ";
  EXPECT_EQ(pid + "1   ", lines[0].substr(0, pid.size() + 4));
  EXPECT_EQ(pid + "abcdef ", lines[1].substr(0, pid.size() + 7));
  EXPECT_EQ(pid + "1      ", lines[2].substr(0, pid.size() + 7));
  EXPECT_EQ("5   a", Rest(lines[0]));
  EXPECT_EQ("123456 b", Rest(lines[1]));
  EXPECT_EQ("5      c", Rest(lines[2]));
  EXPECT_EQ("------ d", Rest(lines[3]));

  // A thread id of 0 stands for the kernel's id of the calling thread.
  LogUnchecked(logger, 1, 0, "", 0, 5, nullptr, "e");
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
  const std::vector<std::string> lines = CScopedLineCapture::Take();
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ("--- equal", Rest(lines[0]));
  EXPECT_EQ("--- failure", Rest(lines[1]));
  EXPECT_EQ("--- raised", Rest(lines[2]));

  CYqLogger uninitialized;
  uninitialized.LogMessage(-1, "", 0, nullptr, "dropped");
  EXPECT_TRUE(CScopedLineCapture::Take().empty());
  EXPECT_TRUE(uninitialized.LogMessage("raw").Succeeded());
  EXPECT_TRUE(CScopedLineCapture::Take().empty());
}

TEST(CYqLogger, LongMessages) {
  CTempDir dir;
  CScopedLineCapture capture;
  CYqLogger logger;
  ASSERT_TRUE(logger.Initialize("long", dir.Path(), 2, false, false).Succeeded());
  for (const size_t length : {3800u, 3890u, 3897u, 5000u, 65000u}) {
    SCOPED_TRACE(length);
    const std::string message(length, 'x');
    logger.LogMessage(1, "", 0, nullptr, "%s", message.c_str());
    EXPECT_EQ("--- " + message, LastRest());
  }
  // Beyond the large buffer the line is cut at 65337 characters.
  const std::string huge(70000, 'y');
  logger.LogMessage(1, "", 0, nullptr, "%s", huge.c_str());
  const std::vector<std::string> lines = CScopedLineCapture::Take();
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(65337u, lines[0].size());
  EXPECT_EQ(std::string(100, 'y'), lines[0].substr(lines[0].size() - 100));

  logger.LogMessage(1, "", 0, nullptr, "trailing\n\n");
  EXPECT_EQ("--- trailing", LastRest());
}

TEST(CYqLogger, CorrectsWindowsFormats) {
  CTempDir dir;
  CScopedLineCapture capture;
  CYqLogger logger;
  ASSERT_TRUE(logger.Initialize("formats", dir.Path(), 2, false, false).Succeeded());
  LogUnchecked(logger, 1, 1, "", 0, CYqLogger::kNoJobId, nullptr,
               "v=%I64d u=%I64u x=%I64x w=%ws %%d", 1LL << 40, ~0ULL, 255ULL, L"wide");
  EXPECT_EQ("--- v=1099511627776 u=18446744073709551615 x=ff w=wide %d", LastRest());
}

TEST(CYqLogger, ShowLogLevel) {
  CTempDir dir;
  CScopedLineCapture capture;
  CYqLogger logger;
  ASSERT_TRUE(logger.Initialize("marks", dir.Path(), 2, false, false).Succeeded());
  CYqLogger::SetShowLogLevel(true);
  logger.LogMessage(2, "f", 1, nullptr, "a");
  logger.LogMessage(-1, "f", 1, nullptr, "b");
  CYqLogger::SetShowLogLevel(false);
  logger.LogMessage(2, "f", 1, nullptr, "c");
  const std::vector<std::string> lines = CScopedLineCapture::Take();
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ("--- #LgLvl2#f(1) - a", Rest(lines[0]));
  EXPECT_EQ("--- #LgLvl0#f(1) - b", Rest(lines[1]));
  EXPECT_EQ("--- f(1) - c", Rest(lines[2]));
}

TEST(CYqLogger, HookSeesLevelAndMayPassLinesOn) {
  CTempDir dir;
  static std::vector<int> levels;
  levels.clear();
  CYqLogger::SetLogMessageHook([](CYqLogger*, int level, const char*) {
    levels.push_back(level);
    return level < 0;  // consumes failures only
  });
  CYqLogger logger;
  ASSERT_TRUE(logger.Initialize("hook", dir.Path(), 2, false, false).Succeeded());
  logger.LogMessage(-1, "", 0, nullptr, "consumed");
  logger.LogMessage(1, "", 0, nullptr, "written");
  CYqLogger::SetLogMessageHook(nullptr);
  EXPECT_EQ((std::vector<int>{-1, 1}), levels);
  const std::string text = ReadFile(dir.Path() + "hook.log");
  EXPECT_EQ(std::string::npos, text.find("consumed"));
  EXPECT_NE(std::string::npos, text.find("--- written\n"));
}

TEST(CYqLogger, FirstLineOfANewFileFollowsTheHeader) {
  CTempDir dir;
  CYqLogger logger;
  ASSERT_TRUE(logger.Initialize("first", dir.Path() + "sub/dir", 2, true, false).Succeeded());
  EXPECT_EQ(dir.Path() + "sub/dir/first.log", logger.GetLogFilePath());
  EXPECT_EQ(dir.Path() + "sub/dir/locks/first.log", logger.GetLockName());
  logger.LogMessage(1, "void Start()", 5, nullptr, "one");
  logger.LogMessage(1, "void Start()", 6, nullptr, "two");
  const std::string text = ReadFile(logger.GetLogFilePath());
  size_t headerLength = 0;
  ASSERT_TRUE(StartsWithHeader(text, &headerLength)) << text;
  const std::vector<std::string> lines = ReadLines(logger.GetLogFilePath());
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ("--- Start(6) - [ ] two", Rest(lines.back()));
  EXPECT_EQ("--- Start(5) - [ ] one", Rest(lines[lines.size() - 2]));
  EXPECT_EQ(text.size(), headerLength + lines[lines.size() - 2].size() + lines.back().size() + 2);
  EXPECT_TRUE(Exists(logger.GetLockName()));
}

TEST(CYqLogger, HeaderShowsTheIdentityInAFrameThatFitsIt) {
  CTempDir dir;
  CYqLogger logger;
  ASSERT_TRUE(logger.Initialize("identity", dir.Path(), 2, false, false).Succeeded());
  const std::string version(100, 'v');
  logger.SetPlatformInformation("host", "phys", "client", "hchost", "hcclient", "Linux 6.1",
                                "10.0.0.1", version, "inst", "agentd", 77);
  logger.SetProcessorInformation("x86", "Server", 32);
  logger.LogMessage(1, "", 0, nullptr, "line");
  const std::string text = ReadFile(logger.GetLogFilePath());
  ResetPlatformInformation(logger);

  const std::vector<std::string> lines = HeaderLines(text);
  ASSERT_EQ(11u, lines.size()) << text;
  const size_t width = 13 + version.size();
  EXPECT_EQ(std::string(width + 4, '*'), lines[0]);
  const char* const expected[] = {
      "Machine    : client:host (phys) (inst)", "IP Addrs   : 10.0.0.1",
      "Module     : identity",                  "Hubcontrol : hcclient:hchost",
      nullptr,                                  nullptr,
      "OS Type    : Linux 6.1",                 "Processor  : 32 bit",
      "Product    : Server"};
  for (size_t i = 0; i < 9; ++i) {
    SCOPED_TRACE(lines[i + 1]);
    ASSERT_EQ(width + 4, lines[i + 1].size());
    EXPECT_EQ("* ", lines[i + 1].substr(0, 2));
    EXPECT_EQ(" *", lines[i + 1].substr(width + 2));
    if (expected[i] != nullptr) {
      EXPECT_EQ(std::string(expected[i]) + std::string(width - std::strlen(expected[i]), ' '),
                lines[i + 1].substr(2, width));
    }
  }
  EXPECT_EQ("* Version    : " + version + " *", lines[5]);
  EXPECT_EQ("* Date       : ", lines[6].substr(0, 15));
  EXPECT_NE(std::string::npos, lines[6].find(" GMT"));
  EXPECT_EQ(lines[0], lines[10]);
}

// Loaded values appear in the header until a host sets its own.
TEST(CYqLogger, GlobalInstanceAndLoadTimeIdentity) {
  EXPECT_EQ(&GlobalYqLogger, CYqLogger::GetGlobalInstance());
  CTempDir dir;
  CYqLogger logger;
  ASSERT_TRUE(logger.Initialize("defaults", dir.Path(), 2, false, false).Succeeded());
  logger.LogMessage(1, "", 0, nullptr, "line");
  const std::vector<std::string> lines = HeaderLines(ReadFile(logger.GetLogFilePath()));
  ASSERT_EQ(9u, lines.size());
  EXPECT_EQ(
      "Machine    : [Unknown Client]:[Unknown Host] ([Unknown Physical Host]) ([Unknown "
      "Instance])",
      lines[1].substr(2, lines[1].find_last_not_of(" *") - 1));
  EXPECT_NE(std::string::npos, lines[2].find("IP Addrs   : [Unknown] "));
  EXPECT_NE(std::string::npos, lines[4].find("Hubcontrol : [Unknown HC Client]:[Unknown HC Host] "));
  EXPECT_NE(std::string::npos, lines[5].find("Version    : [Unknown] "));
  EXPECT_NE(std::string::npos, lines[7].find("OS Type    : [Unknown] "));
}

TEST(CYqLogger, InitializeAndSettings) {
  CTempDir dir;
  CYqLogger logger;
  EXPECT_FALSE(logger.IsInitialized());
  CYqError error = logger.Initialize("", dir.Path(), 1, false, false);
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 87));
  EXPECT_NE(std::string::npos, error.AsString().find("AppName empty"));
  EXPECT_FALSE(logger.IsInitialized());

  EXPECT_EQ(2, logger.GetDebugLevel());
  EXPECT_EQ(1, logger.GetMaxVersions());
  EXPECT_EQ(1, logger.GetDefaultMaxVersions());
  EXPECT_EQ(5u, logger.GetLogFileSize());
  EXPECT_EQ(5u, logger.GetDefaultLogFileSize());
  EXPECT_EQ(0, logger.GetRetainLogsTill());
  EXPECT_FALSE(logger.GetKeepLogFileOpen());

  const std::string folder = dir.Path() + "no/slash";
  ASSERT_TRUE(logger.Initialize("app", folder, 4, false, true).Succeeded());
  EXPECT_TRUE(logger.IsInitialized());
  EXPECT_EQ("app", logger.GetAppName());
  EXPECT_EQ(folder + "/app.log", logger.GetLogFilePath());
  EXPECT_EQ(folder + "/locks/app.log", logger.GetLockName());
  EXPECT_EQ(4, logger.GetDebugLevel());
  EXPECT_TRUE(logger.GetKeepLogFileOpen());
  EXPECT_TRUE(std::filesystem::is_directory(folder + "/locks"));

  // A second call changes nothing.
  EXPECT_TRUE(logger.Initialize("other", dir.Path(), 1, false, false).Succeeded());
  EXPECT_EQ("app", logger.GetAppName());
  EXPECT_EQ(4, logger.GetDebugLevel());

  logger.SetLogfileParams(3, 12, 30, 5, 6);
  EXPECT_EQ(3, logger.GetMaxVersions());
  EXPECT_EQ(12u, logger.GetLogFileSize());
  EXPECT_EQ(30, logger.GetRetainLogsTill());

  CYqLogger::SetRetryOnLogOpenFail(false);
  EXPECT_TRUE(bBreakOnAccessDenied);
  CYqLogger::SetRetryOnLogOpenFail(true);
  EXPECT_FALSE(bBreakOnAccessDenied);
}

TEST(CYqLogger, FileNames) {
  std::string out;
  EXPECT_TRUE(CYqLogger::GetLockName("app", "/var/log", out).Succeeded());
  EXPECT_EQ("/var/log/locks/app.log", out);
  EXPECT_TRUE(CYqLogger::GetLockName("app", "/var/log/", out).Succeeded());
  EXPECT_EQ("/var/log/locks/app.log", out);
  CYqError error = CYqLogger::GetLockName(nullptr, "/var/log", out);
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 774));
  EXPECT_NE(std::string::npos, error.AsString().find("Log name is empty"));

  EXPECT_EQ("/d/app.log", GetLogFileName("/d/", "app", 0));
  EXPECT_EQ("/d/app.log.3", GetLogFileName("/d/", "app", 3));

  const time_t before = time(nullptr);
  const std::string stamped = GetLogFileNameWithTimeStamp("/d/", "app");
  const time_t after = time(nullptr);
  std::set<std::string> expected;
  for (time_t t = before; t <= after; ++t) {
    struct tm fields;
    localtime_r(&t, &fields);
    char text[64];
    strftime(text, sizeof text, "/d/app_%Y_%m_%d_%H_%M_%S.log", &fields);
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
  const std::vector<std::string> lines = ReadLines(original.GetLogFilePath());
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ("--- () - [ ] from original", Rest(lines[lines.size() - 3]));
  EXPECT_EQ("--- () - [ ] from copy", Rest(lines[lines.size() - 2]));
  EXPECT_EQ("--- () - [ ] from assigned", Rest(lines.back()));
  // Only one header: the copies found the file made by the original.
  EXPECT_EQ(1, CountContaining(lines, "Module     : copied"));
}

TEST(CYqLogger, SymbolicLinkAtTheLogPathIsReplaced) {
  for (const bool dangling : {false, true}) {
    SCOPED_TRACE(dangling ? "dangling link" : "link to a file");
    CTempDir dir;
    const std::string target = dir.Path() + "precious.txt";
    if (!dangling) {
      std::ofstream out(target);
      out << "keep me\n";
    }
    ASSERT_EQ(0, symlink(target.c_str(), (dir.Path() + "linked.log").c_str()));
    for (const bool keepOpen : {false, true}) {
      CYqLogger logger;
      ASSERT_TRUE(logger.Initialize("linked", dir.Path(), 2, false, keepOpen).Succeeded());
      logger.LogMessage(1, "", 0, nullptr, "line %d", keepOpen);
    }
    struct stat st;
    ASSERT_EQ(0, lstat((dir.Path() + "linked.log").c_str(), &st));
    EXPECT_TRUE(S_ISREG(st.st_mode));
    const std::string text = ReadFile(dir.Path() + "linked.log");
    EXPECT_TRUE(StartsWithHeader(text));
    EXPECT_NE(std::string::npos, text.find("--- line 0\n"));
    EXPECT_NE(std::string::npos, text.find("--- line 1\n"));
    if (dangling) {
      EXPECT_FALSE(Exists(target));
    } else {
      EXPECT_EQ("keep me\n", ReadFile(target));
    }
  }
}

// The log path is a folder, so every open fails, even for root: one report for many lines,
// and one when the file can be opened again.
TEST(CYqLogger, OpenFailuresAreReportedOncePerHour) {
  CTempDir dir;
  const std::string path = dir.Path() + "busy.log";
  ASSERT_EQ(0, mkdir(path.c_str(), 0755));
  CYqLogger logger;
  ASSERT_TRUE(logger.Initialize("busy", dir.Path(), 2, false, false).Succeeded());
  logger.SetSyslogCallback(&CReports::Callback);
  CReports::Take();
  for (int i = 0; i < 50; ++i) logger.LogMessage(1, "", 0, nullptr, "lost %d", i);
  CYqError error = logger.LogMessage("raw line");
  EXPECT_TRUE(error.Failed());
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, EISDIR));
  EXPECT_NE(std::string::npos, error.AsString().find("Failed open log file [" + path + "]"));
  EXPECT_FALSE(logger.CanUserWriteToLog());

  std::vector<std::string> reports = CReports::Take();
  ASSERT_EQ(1u, reports.size());
  EXPECT_EQ(std::to_string(getpid()) + "::Failed open log file [" + path +
                "], Module[busy], Error 21. Make sure this log file is not locked and has full "
                "permissions. Some of the log lines will not be logged because of this error",
            reports[0]);

  ASSERT_EQ(0, rmdir(path.c_str()));
  logger.LogMessage(1, "", 0, nullptr, "back");
  logger.LogMessage(1, "", 0, nullptr, "again");
  reports = CReports::Take();
  ASSERT_EQ(1u, reports.size());
  EXPECT_NE(std::string::npos,
            reports[0].find("Successfully opened log [" + path +
                            "] Module[busy]. Reseting the last failure time"));
  const std::string text = ReadFile(path);
  EXPECT_TRUE(StartsWithHeader(text));
  EXPECT_EQ(std::string::npos, text.find("lost"));
  EXPECT_NE(std::string::npos, text.find("--- back\n"));
}

// A folder the process may not write to: the child drops to "nobody" when it runs as root.
TEST(CYqLogger, FolderWithoutWritePermissionIsReportedOnce) {
  CTempDir dir;
  const std::string logs = dir.Path() + "logs/";
  ASSERT_EQ(0, chmod(dir.Path().c_str(), 0755));
  ASSERT_EQ(0, mkdir(logs.c_str(), 0755));
  ASSERT_EQ(0, mkdir((logs + "locks").c_str(), 0777));
  ASSERT_EQ(0, chmod((logs + "locks").c_str(), 0777));
  if (geteuid() != 0) {
    ASSERT_EQ(0, chmod(logs.c_str(), 0555));
  }
  int pipeFds[2];
  ASSERT_EQ(0, pipe(pipeFds));
  static int reportFd;
  reportFd = pipeFds[1];
  const int result = RunInChild([&] {
    close(pipeFds[0]);
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 2;
    CYqLogger logger;
    if (logger.Initialize("denied", logs, 2, false, false).Failed()) return 3;
    logger.SetSyslogCallback([](const char* text) {
      const std::string line = std::string(text) + "\n";
      if (write(reportFd, line.data(), line.size()) < 0) _exit(4);
    });
    for (int i = 0; i < 200; ++i) logger.LogMessage(1, "", 0, nullptr, "line %d", i);
    return logger.CanUserWriteToLog() ? 5 : 0;
  });
  close(pipeFds[1]);
  std::string reports;
  char buffer[4096];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) reports.append(buffer, n);
  close(pipeFds[0]);
  chmod(logs.c_str(), 0755);
  ASSERT_EQ(0, result);
  EXPECT_EQ(1, std::count(reports.begin(), reports.end(), '\n')) << reports;
  EXPECT_NE(std::string::npos,
            reports.find(":Failed open log file [" + logs + "denied.log], Module[denied], Error " +
                         std::to_string(EACCES) + ". "))
      << reports;
  EXPECT_FALSE(Exists(logs + "denied.log"));
}

// Lock-file failures are reported for every line; a sink that logs through the failing logger
// gets one report per line, not an endless chain.
TEST(CYqLogger, LockFileFailuresAreReportedForEveryLine) {
  CTempDir dir;
  {
    std::ofstream blocker(dir.Path() + "locks");  // a file where the lock folder belongs
  }
  static CYqLogger* logger;
  CYqLogger failing;
  logger = &failing;
  ASSERT_TRUE(failing.Initialize("nolock", dir.Path(), 2, false, false).Succeeded());
  failing.SetSyslogCallback([](const char* text) {
    CReports::Callback(text);
    logger->LogMessage(1, "", 0, nullptr, "sink saw: %s", text);
  });
  CReports::Take();
  failing.LogMessage(1, "", 0, nullptr, "one");
  CYqError error = failing.LogMessage("two");
  EXPECT_TRUE(error.Failed());
  EXPECT_NE(std::string::npos,
            error.AsString().find("open() of " + dir.Path() + "locks/nolock.log failed"));
  const std::vector<std::string> reports = CReports::Take();
  ASSERT_EQ(2u, reports.size());
  EXPECT_NE(std::string::npos,
            reports[0].find("failed to lock file '" + dir.Path() + "locks/nolock.log':"));
  EXPECT_FALSE(Exists(dir.Path() + "nolock.log"));
}

TEST(CYqLogger, LockFileMisuse) {
  CTempDir dir;
  CYqLogger logger;
  CYqError error = logger.LockLockfile();
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 774));
  EXPECT_NE(std::string::npos, error.AsString().find("Uninitialized CYqLogger object"));
  EXPECT_NE(std::string::npos,
            logger.UnlockLockfile().AsString().find("Uninitialized CYqLogger object"));

  ASSERT_TRUE(logger.Initialize("misuse", dir.Path(), 2, false, false).Succeeded());
  ASSERT_TRUE(logger.LockLockfile().Succeeded());
  error = logger.LockLockfile();
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 774));
  EXPECT_NE(std::string::npos, error.AsString().find("File is already open: " + logger.GetLockName()));
  EXPECT_TRUE(logger.UnlockLockfile().Succeeded());
  error = logger.UnlockLockfile();
  EXPECT_NE(std::string::npos, error.AsString().find("File is not open: " + logger.GetLockName()));
}

namespace {

// Whether another process could take the lock file's write lock right now.
bool LockIsFree(const std::string& lockName) {
  return RunInChild([&] {
           const int fd = open(lockName.c_str(), O_RDWR);
           struct flock lock;
           std::memset(&lock, 0, sizeof lock);
           lock.l_type = F_WRLCK;
           lock.l_whence = SEEK_SET;
           if (fcntl(fd, F_SETLK, &lock) == 0) return 0;
           return errno == EAGAIN || errno == EACCES ? 1 : 2;
         }) == 0;
}

}  // namespace

// The lock is held from LockLockfile to UnlockLockfile, and only then, in both open modes.
TEST(CYqLogger, LockFileExcludesOtherProcesses) {
  for (const bool keepOpen : {false, true}) {
    SCOPED_TRACE(keepOpen);
    CTempDir dir;
    CYqLogger logger;
    ASSERT_TRUE(logger.Initialize("excl", dir.Path(), 2, false, keepOpen).Succeeded());
    ASSERT_TRUE(logger.LockLockfile().Succeeded());
    EXPECT_FALSE(LockIsFree(logger.GetLockName()));
    EXPECT_TRUE(logger.UnlockLockfile().Succeeded());
    EXPECT_TRUE(LockIsFree(logger.GetLockName()));
    logger.LogMessage(1, "", 0, nullptr, "line");
    EXPECT_TRUE(LockIsFree(logger.GetLockName()));
  }
}

// A keep-open logger finds out within seconds that its lock file was removed, and locks the
// new one that the other processes use.
TEST(CYqLogger, KeptLockFileFollowsTheLockPath) {
  CTempDir dir;
  CYqLogger logger;
  ASSERT_TRUE(logger.Initialize("kept", dir.Path(), 2, false, true).Succeeded());
  logger.LogMessage(1, "", 0, nullptr, "first");
  ASSERT_EQ(0, unlink(logger.GetLockName().c_str()));
  bool recreated = false;
  for (int i = 0; i < 100 && !recreated; ++i) {
    logger.LogMessage(1, "", 0, nullptr, "line %d", i);
    recreated = Exists(logger.GetLockName());
    if (!recreated) usleep(50000);
  }
  EXPECT_TRUE(recreated);
  ASSERT_TRUE(logger.LockLockfile().Succeeded());
  EXPECT_FALSE(LockIsFree(logger.GetLockName()));
  EXPECT_TRUE(logger.UnlockLockfile().Succeeded());
}

TEST(CYqLogger, CreatedFilesTakeTheConfiguredModeAndGroup) {
  CTempDir dir;
  const mode_t mask = umask(022);
  CYqLogger::SetLogFilePermissions(0640);
  {
    CYqLogger logger;
    ASSERT_TRUE(logger.Initialize("modes", dir.Path(), 2, false, false).Succeeded());
    EXPECT_TRUE(logger.CanUserWriteToLog());
  }
  CYqLogger::SetLogFilePermissions(0);
  struct stat st;
  ASSERT_EQ(0, stat((dir.Path() + "modes.log").c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 0777);
  EXPECT_TRUE(StartsWithHeader(ReadFile(dir.Path() + "modes.log")));

  if (geteuid() == 0) {
    CYqLogger::SetLogFileGroup(65534);
    EXPECT_EQ(65534u, CYqLogger::GetLogFileGroup());
    CYqLogger logger;
    ASSERT_TRUE(logger.Initialize("grouped", dir.Path(), 2, false, false).Succeeded());
    logger.LogMessage(1, "", 0, nullptr, "x");
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
  std::thread other([&] { fromOther = section.Leave(); });
  other.join();
  EXPECT_TRUE(fromOther.Failed());
  EXPECT_NE(std::string::npos,
            fromOther.AsString().find("Attempt to unlock a mutex not held by this thread"));
  EXPECT_TRUE(section.Leave().Succeeded());
  EXPECT_TRUE(section.Leave().Succeeded());
  EXPECT_TRUE(section.Leave().Failed());

  // Increments made under the section by several threads are not lost.
  int counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        if (section.Enter().Failed()) return;
        ++counter;
        if (section.Leave().Failed()) return;
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(80000, counter);
}

TEST(CYqLogger, ThreadsOfOneProcessShareALogger) {
  CTempDir dir;
  CYqLogger logger;
  ASSERT_TRUE(logger.Initialize("threads", dir.Path(), 2, false, true).Succeeded());
  // A second logger of the same module in the same process takes turns with the first.
  CYqLogger second;
  ASSERT_TRUE(second.Initialize("threads", dir.Path(), 2, false, false).Succeeded());
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      CYqLogger& target = t % 2 == 0 ? logger : second;
      for (int i = 0; i < 1000; ++i) target.LogMessage(1, "", 0, nullptr, "t%d-%04d end", t, i);
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
  const int result = RunInChild([&] {
    CYqLogger logger;
    if (logger.Initialize("roll", dir.Path(), 2, false, false).Failed()) return 2;
    logger.SetLogFileSize(1);
    if (logger.LogMessage("first").Failed()) return 3;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return 4;
    // One byte short of the limit: no roll-over.
    const std::string almost(1048576 - st.st_size - 2, 'a');
    if (logger.LogMessage(almost.c_str()).Failed()) return 5;
    if (stat(path.c_str(), &st) != 0 || st.st_size != 1048575) return 6;
    if (logger.LogMessage("").Failed()) return 7;  // exactly the limit
    if (Exists(path)) return 8;
    return logger.LogMessage("after").Failed() ? 9 : 0;
  });
  ASSERT_EQ(0, result);
  const std::vector<std::string> rolled = RolledFiles(dir.Path(), "roll");
  ASSERT_EQ(1u, rolled.size());
  const std::string old = ReadFile(rolled[0]);
  EXPECT_EQ(1048576u, old.size());
  EXPECT_TRUE(StartsWithHeader(old));
  const std::string fresh = ReadFile(path);
  size_t headerLength = 0;
  ASSERT_TRUE(StartsWithHeader(fresh, &headerLength));
  EXPECT_EQ("after\n", fresh.substr(headerLength));

  const std::vector<std::string> statistics = ReadLines(dir.Path() + "LoggingStatistics.log");
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
  const int result = RunInChild([&] {
    CYqLogger logger;
    if (logger.Initialize("gone", dir.Path(), 2, false, true).Failed()) return 2;
    logger.SetLogFileSize(1);
    logger.SetSyslogCallback([](const char*) { ++reports; });
    if (logger.LogMessage("first").Failed()) return 3;
    if (unlink(path.c_str()) != 0) return 4;
    const std::string big(60000, 'b');
    for (int i = 0; i < 18; ++i)
      if (logger.LogMessage(big.c_str()).Failed()) return 5;
    if (logger.LogMessage("after").Failed()) return 6;
    return reports == 0 ? 0 : 7;
  });
  ASSERT_EQ(0, result);
  EXPECT_TRUE(RolledFiles(dir.Path(), "gone").empty());
  EXPECT_FALSE(Exists(dir.Path() + "LoggingStatistics.log"));
  const std::string fresh = ReadFile(path);
  size_t headerLength = 0;
  ASSERT_TRUE(StartsWithHeader(fresh, &headerLength));
  EXPECT_EQ("after\n", fresh.substr(headerLength));
}

namespace {

constexpr int kWriters = 8;
constexpr int kLinesPerWriter = 5000;
constexpr size_t kPayload = 100;

std::string Payload(int writer, int line) {
  std::string text(kPayload, ' ');
  for (size_t k = 0; k < kPayload; ++k)
    text[k] = static_cast<char>('a' + (writer * 31 + line * 7 + static_cast<int>(k)) % 26);
  return text;
}

// Counts each writer's lines in `text` after its header; false on any line that is not
// exactly as written.
bool CollectLines(const std::string& text, std::vector<std::vector<int>>& counts,
                  std::string* problem) {
  size_t pos = 0;
  if (!StartsWithHeader(text, &pos)) {
    *problem = "no header";
    return false;
  }
  while (pos < text.size()) {
    const size_t end = text.find('\n', pos);
    if (end == std::string::npos) {
      *problem = "unterminated line at " + std::to_string(pos);
      return false;
    }
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    SLineParts parts;
    int writer = -1;
    int index = -1;
    const std::string prefix = "--- Writer(7) - w";
    if (!SplitLine(line, &parts) || parts.rest.size() != prefix.size() + 8 + kPayload ||
        parts.rest.compare(0, prefix.size(), prefix) != 0 ||
        std::sscanf(parts.rest.c_str() + prefix.size(), "%1d-%5d ", &writer, &index) != 2 ||
        writer < 0 || writer >= kWriters || index < 0 || index >= kLinesPerWriter ||
        parts.rest.substr(prefix.size() + 8) != Payload(writer, index)) {
      *problem = "bad line: " + line;
      return false;
    }
    ++counts[writer][index];
  }
  return true;
}

}  // namespace

class CYqLoggerProcesses : public ::testing::TestWithParam<bool> {};

// Eight processes write one module with a 1 MB limit: every line arrives exactly once and
// whole, in files that each begin with a header, and each roll-over is noted once.
TEST_P(CYqLoggerProcesses, EveryLineOnceAcrossRolledFiles) {
  const bool keepOpen = GetParam();
  CTempDir dir;
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    std::fflush(stdout);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      CYqLogger logger;
      if (logger.Initialize("multi", dir.Path(), 1, false, keepOpen).Failed()) _exit(2);
      logger.SetLogFileSize(1);
      for (int i = 0; i < kLinesPerWriter; ++i)
        logger.LogMessage(1, "void Writer(int)", 7, nullptr, "w%d-%05d %s", w, i,
                          Payload(w, i).c_str());
      _exit(0);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }

  std::vector<std::string> files = RolledFiles(dir.Path(), "multi");
  const size_t rolled = files.size();
  EXPECT_GE(rolled, 4u);
  files.push_back(dir.Path() + "multi.log");
  std::vector<std::vector<int>> counts(kWriters, std::vector<int>(kLinesPerWriter, 0));
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    std::string problem;
    EXPECT_TRUE(CollectLines(ReadFile(file), counts, &problem)) << problem;
  }
  int missing = 0;
  int repeated = 0;
  for (const auto& writer : counts)
    for (const int count : writer) {
      if (count == 0) ++missing;
      if (count > 1) ++repeated;
    }
  EXPECT_EQ(0, missing);
  EXPECT_EQ(0, repeated);

  const std::vector<std::string> statistics = ReadLines(dir.Path() + "LoggingStatistics.log");
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
  for (const CYqLogger::modeOfLogging mode :
       {CYqLogger::LOGGING_MODE_SERVICE_SAME_PROCESS, CYqLogger::LOGGING_MODE_SERVICE_ASYNC,
        static_cast<CYqLogger::modeOfLogging>(7)}) {
    CYqLogger logger;
    ASSERT_TRUE(logger.Initialize("fallback", dir.Path(), 2, false, false).Succeeded());
    logger.SetLoggingMode(mode);
    logger.LogMessage(1, "", 0, nullptr, "mode %d", static_cast<int>(mode));
  }
  const std::string text = ReadFile(dir.Path() + "fallback.log");
  EXPECT_NE(std::string::npos, text.find("--- mode 1\n"));
  EXPECT_NE(std::string::npos, text.find("--- mode 2\n"));
  EXPECT_NE(std::string::npos, text.find("--- mode 7\n"));
}
