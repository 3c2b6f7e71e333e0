// FXProcess: ids, executable path, liveness, command lines, waiting for and ending processes.
#pragma once

#include <string>
#include <vector>

#include "yqbase/errors/YqError.h"
#include "yqbase/errors/YqExport.h"
#include "yqbase/errors/YqTypes.h"

/// Process services on /proc and signals. Process ids are `int` (a pid_t); every call that
/// takes one refuses ids <= 0 with Win32 87, so a caller's unset id can never become a signal
/// to a process group. Waiting calls block the calling thread for at most their time-out.
class YQBASE_EXPORT FXProcess {
 public:
  static int GetCurrentProcessId();
  /// The kernel's id of the calling thread (as shown under `/proc/<pid>/task`).
  static int GetCurrentThreadId();

  /// The absolute path of the running executable; an errno item when /proc cannot tell.
  [[nodiscard]] static CYqError GetExecutablePath(std::string& path);

  /// True while the process exists and has not ended: a zombie counts as ended.
  static bool IsProcessAlive(int pid);

  /// The arguments of a process as the kernel keeps them (`/proc/<pid>/cmdline`), program first.
  /// Empty for kernel threads and zombies. ESRCH-kind errno item when there is no such process.
  [[nodiscard]] static CYqError GetProcessCommandLine(int pid, std::vector<std::string>& args);

  /// Waits up to `timeoutMs` for a child of this process to end and reaps it. `exitCode` is its
  /// exit status, or 128 + the signal number when a signal ended it. Win32 258 on time-out (the
  /// child is left running), an errno item (ECHILD) when `pid` is not a child.
  [[nodiscard]] static CYqError WaitForChild(int pid, DWORD timeoutMs, int& exitCode);

  /// Ends a process: SIGTERM first, up to `graceMs` for it to end, then SIGKILL and up to
  /// kKillWaitMs more. A child of this process is reaped (its status is lost). The calling
  /// process itself is refused (Win32 87); a process that is already gone is an ESRCH item,
  /// one that may not be signalled EPERM, and one that survives SIGKILL Win32 258.
  [[nodiscard]] static CYqError TerminateProcess(int pid, DWORD graceMs);

  static constexpr DWORD kKillWaitMs = 5000;
};
