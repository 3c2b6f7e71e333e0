#include "yqbase/platform/Process.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>

#include "yqbase/errors/ErrorMessage.h"
#include "yqbase/errors/ErrorUtil.h"

extern char** environ;

namespace {

// Starts a child running `argv`. posix_spawn returns once the child has executed its program,
// so a SIGTERM ignored here at that moment stays ignored in the child and nowhere else.
int Spawn(std::vector<const char*> argv, bool ignoreTerm = false) {
  argv.push_back(nullptr);
  struct sigaction ignore {};
  struct sigaction old {};
  ignore.sa_handler = SIG_IGN;
  if (ignoreTerm) ::sigaction(SIGTERM, &ignore, &old);
  pid_t pid = -1;
  const int rc = ::posix_spawnp(&pid, argv[0], nullptr, nullptr,
                                const_cast<char* const*>(argv.data()), environ);
  if (ignoreTerm) ::sigaction(SIGTERM, &old, nullptr);
  return rc == 0 ? pid : -1;
}

}  // namespace

TEST(FXProcess, IdsAndExecutablePath) {
  EXPECT_EQ(::getpid(), FXProcess::GetCurrentProcessId());
  EXPECT_EQ(static_cast<int>(::syscall(SYS_gettid)), FXProcess::GetCurrentThreadId());
  std::string path;
  ASSERT_TRUE(FXProcess::GetExecutablePath(path).Succeeded());
  EXPECT_EQ("/", path.substr(0, 1));
  EXPECT_EQ("platform_tests", path.substr(path.rfind('/') + 1));
}

// An unset or negative id must never reach kill(), where 0 and -1 mean process groups.
TEST(FXProcess, RefusesIdsThatNameGroups) {
  std::vector<std::string> args;
  int code = 0;
  for (int pid : {0, -1, INT_MIN}) {
    SCOPED_TRACE(pid);
    EXPECT_FALSE(FXProcess::IsProcessAlive(pid));
    EXPECT_TRUE(FXErrorUtil::IsWin32(FXProcess::GetProcessCommandLine(pid, args), 87));
    EXPECT_TRUE(FXErrorUtil::IsWin32(FXProcess::WaitForChild(pid, 0, code), 87));
    EXPECT_TRUE(FXErrorUtil::IsWin32(FXProcess::TerminateProcess(pid, 0), 87));
  }
  EXPECT_TRUE(FXErrorUtil::IsWin32(FXProcess::TerminateProcess(::getpid(), 0), 87));
}

// The exit code, or 128 + the signal; a time-out while the child runs; ECHILD once reaped.
TEST(FXProcess, WaitForChildReportsExitCodeOrTimeOut) {
  const int quick = Spawn({"sh", "-c", "exit 3"}), slow = Spawn({"sleep", "30"});
  ASSERT_TRUE(quick > 0 && slow > 0);
  int code = -1;
  ASSERT_TRUE(FXProcess::WaitForChild(quick, 30000, code).Succeeded());
  EXPECT_EQ(3, code);
  EXPECT_FALSE(FXProcess::IsProcessAlive(quick));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(FXProcess::WaitForChild(quick, 0, code), ECHILD));
  std::vector<std::string> args;
  EXPECT_TRUE(FXErrorUtil::IsErrNo(FXProcess::GetProcessCommandLine(quick, args), ESRCH));
  EXPECT_TRUE(FXErrorUtil::IsWin32(FXProcess::WaitForChild(slow, 20, code), 258));
  ASSERT_EQ(0, ::kill(slow, SIGKILL));
  ASSERT_TRUE(FXProcess::WaitForChild(slow, 30000, code).Succeeded());
  EXPECT_EQ(128 + SIGKILL, code);
}

// One child ends on SIGTERM, the other ignores it and needs SIGKILL; both are gone and reaped.
TEST(FXProcess, TerminateAsksThenForces) {
  for (bool ignoreTerm : {false, true}) {
    SCOPED_TRACE(ignoreTerm ? "ignores SIGTERM" : "ends on SIGTERM");
    const int pid = Spawn({"sleep", "30"}, ignoreTerm);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(FXProcess::IsProcessAlive(pid));
    // The new program's arguments appear a moment after the spawn returns (until the exec,
    // the child shows its parent's; under emulation that moment is longer).
    const std::vector<std::string> expected = {"sleep", "30"};
    std::vector<std::string> args;
    for (int i = 0; i < 1000 && args != expected; ++i) {
      ASSERT_TRUE(FXProcess::GetProcessCommandLine(pid, args).Succeeded());
      if (args != expected) FXMisc::Sleep(10);
    }
    EXPECT_EQ(expected, args);
    EXPECT_TRUE(FXProcess::TerminateProcess(pid, ignoreTerm ? 100 : 30000).Succeeded());
    EXPECT_FALSE(FXProcess::IsProcessAlive(pid));
    EXPECT_EQ(-1, ::waitpid(pid, nullptr, WNOHANG));  // already reaped
    EXPECT_TRUE(FXErrorUtil::IsErrNo(FXProcess::TerminateProcess(pid, 0), ESRCH));
  }
}
