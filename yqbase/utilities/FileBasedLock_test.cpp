#include "yqbase/utilities/FileBasedLock.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/logging/LogWriter_testutil.h"
#include "yqbase/logging/Logging_testutil.h"

namespace {

// A one-way signal from a child process to the parent.
class CSignalPipe {
 public:
  CSignalPipe() {
    if (::pipe(m_fds) != 0) m_fds[0] = m_fds[1] = -1;
  }
  ~CSignalPipe() {
    for (int fd : m_fds)
      if (fd >= 0) ::close(fd);
  }
  void Signal() { (void)!::write(m_fds[1], "x", 1); }
  // Whether the signal came within 20 seconds.
  bool Wait() {
    struct pollfd p = {m_fds[0], POLLIN, 0};
    char c;
    return ::poll(&p, 1, 20000) == 1 && ::read(m_fds[0], &c, 1) == 1;
  }

 private:
  int m_fds[2];
};

// Runs `body` in a child process; its result (0 to 255) is the exit status.
pid_t Spawn(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  return pid;
}

// The child's exit status, or -1 when it did not exit normally.
int Join(pid_t pid) {
  int status = 0;
  if (pid <= 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// Whether a fresh lock in another process obtains the lock at once.
bool OtherProcessGetsLock(const std::string& path) {
  return Join(Spawn([&] { return FXFileBasedLock(path).TryLock() ? 1 : 0; })) == 1;
}

}  // namespace

TEST(FXFileBasedLock, CreatesAMissingFileEmptyAndKeepsAnExistingOne) {
  yqbase_test::CTempFolder folder;
  const std::string created = folder / "new.lock", kept = folder / "kept.lock";
  std::ofstream(kept) << "keep";
  for (const std::string& path : {created, kept}) {
    SCOPED_TRACE(path);
    FXFileBasedLock lock(path);
    EXPECT_TRUE(lock.GetOpenError().Succeeded());
    EXPECT_EQ(0u, lock.GetHolder());
    EXPECT_TRUE(OtherProcessGetsLock(path));  // opening does not lock
  }
  EXPECT_EQ("", yqtest::ReadFile(created));
  EXPECT_EQ("keep", yqtest::ReadFile(kept));
  EXPECT_GE(FXFileBasedLock::GetProcessorCount(), 1u);
}

// A child waits on the lock the parent holds; in some rows the parent lets go while it waits.
TEST(FXFileBasedLock, AnotherProcessWaitsUntilReleaseOrTimeOut) {
  yqbase_test::CTempFolder folder;
  const std::string path = folder / "wait.lock";
  const struct {
    const char* what;
    LONGLONG timeout;  // -1: TryLock() without an interval
    bool parentUnlocks;
    bool obtained;
    long minimumMs;  // the least the failed wait must last
  } rows[] = {
      {"single attempt", -1, false, false, 0},
      {"time-out", CTimeInterval::FromMilliseconds(200).GetValue(), false, false, 150},
      {"released within the time-out", CTimeInterval::FromSeconds(30).GetValue(), true, true, 0},
      {"no time-out", CTimeInterval::kInfinite, true, true, 0},
  };
  FXFileBasedLock lock(path);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_EQ(0, lock.Lock());
    EXPECT_EQ(pthread_self(), lock.GetHolder());
    CSignalPipe ready;
    const pid_t child = Spawn([&] {
      FXFileBasedLock mine(path);
      ready.Signal();
      const auto start = std::chrono::steady_clock::now();
      const bool obtained =
          row.timeout < 0 ? mine.TryLock() : mine.TryLock(CTimeInterval(row.timeout));
      const auto waited = std::chrono::steady_clock::now() - start;
      if (obtained != row.obtained) return 2;
      return waited >= std::chrono::milliseconds(row.minimumMs) ? 0 : 3;
    });
    ASSERT_TRUE(ready.Wait());
    if (row.parentUnlocks) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let the child wait
      EXPECT_EQ(0, lock.Unlock());
    }
    EXPECT_EQ(0, Join(child));
    EXPECT_TRUE(row.parentUnlocks || lock.Unlock() == 0);
    EXPECT_EQ(0u, lock.GetHolder());
  }
}

TEST(FXFileBasedLock, AutoLockHoldsForItsScopeAndADeadHolderReleases) {
  yqbase_test::CTempFolder folder;
  const std::string path = folder / "scope.lock";
  FXFileBasedLock lock(path);
  {
    auto_lock guard(&lock);
    EXPECT_TRUE(guard.IsLocked());
    EXPECT_FALSE(OtherProcessGetsLock(path));
  }
  EXPECT_TRUE(OtherProcessGetsLock(path));

  CSignalPipe holding;
  const pid_t holder = Spawn([&] {
    FXFileBasedLock mine(path);
    auto_lock guard(&mine);
    holding.Signal();
    for (;;) ::pause();
    return 0;
  });
  ASSERT_TRUE(holding.Wait());
  EXPECT_FALSE(lock.TryLock());
  ::kill(holder, SIGKILL);
  EXPECT_EQ(-1, Join(holder));
  EXPECT_TRUE(lock.TryLock(CTimeInterval::FromSeconds(20)));
  EXPECT_EQ(0, lock.Unlock());
}

// Lost increments would show that two processes were inside at once.
TEST(FXFileBasedLock, ExcludesProcessesUnderContention) {
  yqbase_test::CTempFolder folder;
  const std::string path = folder / "count.lock", counter = folder / "count";
  std::ofstream(counter) << "0";
  constexpr int kProcesses = 4, kRounds = 100;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p)
    children.push_back(Spawn([&] {
      FXFileBasedLock lock(path);
      for (int i = 0; i < kRounds; ++i) {
        auto_lock guard(&lock);
        if (!guard.IsLocked()) return 2;
        int value = 0;
        std::ifstream(counter) >> value;
        std::this_thread::yield();
        std::ofstream(counter) << value + 1;
      }
      return 0;
    }));
  for (pid_t child : children) EXPECT_EQ(0, Join(child));
  int total = 0;
  std::ifstream(counter) >> total;
  EXPECT_EQ(kProcesses * kRounds, total);
}

TEST(FXFileBasedLock, UnopenableFileGivesAnErrorAndNeverLocks) {
  yqbase_test::CTempFolder folder;
  const struct {
    std::string path;
    int error;
  } rows[] = {
      {folder / "missing/x.lock", ENOENT},
      {folder.path(), EISDIR},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    yqtest::CScopedCaptureLog capture(0);
    FXFileBasedLock lock(row.path);
    const CYqError err = lock.GetOpenError();
    EXPECT_EQ(row.error, FXErrorUtil::GetErrNo(err));
    EXPECT_NE(std::string::npos, err.AsString().find("[" + row.path + "]"));
    EXPECT_EQ(row.error, lock.Lock());
    EXPECT_FALSE(lock.TryLock());
    EXPECT_FALSE(lock.TryLock(CTimeInterval::FromMilliseconds(10)));
    auto_lock guard(&lock);
    EXPECT_FALSE(guard.IsLocked());
    EXPECT_NE(0, lock.Unlock());
    EXPECT_EQ(0u, lock.GetHolder());
    const std::vector<yqtest::SRecordedLine> lines = capture.Writer().Lines();
    ASSERT_EQ(4u, lines.size());  // Lock twice, TryLock twice
    EXPECT_EQ(-1, lines[1].level);
    EXPECT_EQ(0u, lines[1].text.find("TryLock exception, error=["));
  }
}

// A lock file the process may not write: run as an unprivileged user where the test runs as
// root, since root may write any file.
TEST(FXFileBasedLock, ReadOnlyFileGivesAccessDenied) {
  yqbase_test::CTempFolder folder;
  const std::string path = folder / "readonly.lock";
  std::ofstream(path) << "";
  ASSERT_EQ(0, ::chmod(path.c_str(), 0444));
  ASSERT_EQ(0, ::chmod(folder.path().c_str(), 0755));
  const int result = Join(Spawn([&] {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 77;
    FXFileBasedLock lock(path);
    const bool denied = FXErrorUtil::GetErrNo(lock.GetOpenError()) == EACCES;
    return denied && lock.Lock() == EACCES && !lock.TryLock() ? 0 : 1;
  }));
  if (result == 77) GTEST_SKIP() << "cannot leave the root user";
  EXPECT_EQ(0, result);
}
