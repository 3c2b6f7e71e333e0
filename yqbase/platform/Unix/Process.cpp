#include "yqbase/platform/Process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

#include "yqbase/errors/ErrorMessage.h"
#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LogWriterInterface.h"

namespace {

constexpr DWORD kPollMs = 10;

CYqError BadPid(const FXCodeLocation& location, int pid) {
  return FXErrorUtil::ErrorWin32(location, 87, "invalid process id %d", pid);
}

// Reads a whole /proc file; /proc sizes are reported as 0, so it reads until the end.
CYqError ReadProcFile(const std::string& path, std::string& content) {
  content.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno == ENOENT ? ESRCH : errno, "%s", path.c_str());
  char buffer[4096];
  CYqError err;
  while (true) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0) {
      content.append(buffer, static_cast<size_t>(got));
    } else if (got == 0) {
      break;
    } else if (errno != EINTR) {
      err = FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "%s", path.c_str());
      break;
    }
  }
  ::close(fd);
  return err;
}

// The one-letter state of /proc/<pid>/stat, or 0 when it cannot be read. The state follows the
// command name in parentheses, which may itself contain ')'.
char ProcessState(int pid) {
  std::string stat;
  if (ReadProcFile("/proc/" + std::to_string(pid) + "/stat", stat).Failed()) return 0;
  const size_t close = stat.rfind(')');
  return close == std::string::npos || close + 2 >= stat.size() ? 0 : stat[close + 2];
}

// Polls until the process ends (reaping it when it is a child) or `timeoutMs` passes.
bool WaitUntilGone(int pid, DWORD timeoutMs) {
  const ULONGLONG deadline = FXMisc::GetTickCount64() + timeoutMs;
  while (true) {
    int status = 0;
    const pid_t reaped = ::waitpid(pid, &status, WNOHANG);
    if (reaped == pid) return true;
    if (reaped < 0 && !FXProcess::IsProcessAlive(pid)) return true;
    if (FXMisc::GetTickCount64() >= deadline) return false;
    FXMisc::Sleep(kPollMs);
  }
}

}  // namespace

int FXProcess::GetCurrentProcessId() { return static_cast<int>(::getpid()); }

int FXProcess::GetCurrentThreadId() { return static_cast<int>(::syscall(SYS_gettid)); }

CYqError FXProcess::GetExecutablePath(std::string& path) {
  std::string buffer(PATH_MAX, '\0');
  const ssize_t length = ::readlink("/proc/self/exe", &buffer[0], buffer.size());
  if (length < 0) return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "/proc/self/exe");
  if (static_cast<size_t>(length) >= buffer.size())
    return FXErrorUtil::ErrorWin32(YQ_LOC, 111, "/proc/self/exe");
  buffer.resize(static_cast<size_t>(length));
  path = buffer;
  return CYqError();
}

bool FXProcess::IsProcessAlive(int pid) {
  if (pid <= 0) return false;
  if (::kill(pid, 0) != 0 && errno != EPERM) return false;
  return ProcessState(pid) != 'Z';
}

CYqError FXProcess::GetProcessCommandLine(int pid, std::vector<std::string>& args) {
  if (pid <= 0) return BadPid(YQ_LOC, pid);
  std::string content;
  CYqError err = ReadProcFile("/proc/" + std::to_string(pid) + "/cmdline", content);
  if (err.Failed()) return err.Push(YQ_LOC, "command line of process %d", pid);
  args.clear();
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\0', start);
    if (end == std::string::npos) end = content.size();
    args.push_back(content.substr(start, end - start));
    start = end + 1;
  }
  return CYqError();
}

CYqError FXProcess::WaitForChild(int pid, DWORD timeoutMs, int& exitCode) {
  if (pid <= 0) return BadPid(YQ_LOC, pid);
  const ULONGLONG deadline = FXMisc::GetTickCount64() + timeoutMs;
  while (true) {
    int status = 0;
    const pid_t reaped = ::waitpid(pid, &status, WNOHANG);
    if (reaped < 0) {
      if (errno == EINTR) continue;
      return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "waiting for process %d", pid);
    }
    if (reaped == pid) {
      exitCode = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
      return CYqError();
    }
    if (FXMisc::GetTickCount64() >= deadline)
      return FXErrorUtil::ErrorWin32(YQ_LOC, 258, "process %d still running after %u ms", pid,
                                     static_cast<unsigned>(timeoutMs));
    FXMisc::Sleep(kPollMs);
  }
}

CYqError FXProcess::TerminateProcess(int pid, DWORD graceMs) {
  if (pid <= 0 || pid == GetCurrentProcessId()) return BadPid(YQ_LOC, pid);
  if (::kill(pid, SIGTERM) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "SIGTERM to process %d", pid);
  if (WaitUntilGone(pid, graceMs)) return CYqError();
  YQ_TRACE(1, "process %d still running %u ms after SIGTERM, sending SIGKILL", pid,
           static_cast<unsigned>(graceMs));
  if (::kill(pid, SIGKILL) != 0 && errno != ESRCH)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "SIGKILL to process %d", pid);
  if (WaitUntilGone(pid, kKillWaitMs)) return CYqError();
  return FXErrorUtil::ErrorWin32(YQ_LOC, 258, "process %d survived SIGKILL", pid);
}
