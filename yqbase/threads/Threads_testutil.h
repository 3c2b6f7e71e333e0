// Test helpers for the threads suite: waiting, lock probes, log lines and a scripted task.
#pragma once

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LogWriter_testutil.h"
#include "yqbase/threads/LockableResource.h"
#include "yqbase/threads/RunnableTask.h"

namespace yqtest {

// Polls `condition` until it holds or a generous minute has passed; true when it held.
template <typename Condition>
bool WaitUntil(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Whether another thread's TryLock, and its TryLock waiting `wait`, both find `lock` held.
inline bool LockedElsewhere(FXLockableResource& lock, CTimeInterval wait = CTimeInterval(0)) {
  bool plain = false, timed = false;
  std::thread([&] {
    if ((plain = lock.TryLock())) lock.Unlock();
    if ((timed = lock.TryLock(wait))) lock.Unlock();
  }).join();
  return !plain && !timed;
}

// "level|function|text" of every line a recording writer kept.
inline std::vector<std::string> LevelFunctionTexts(CRecordingWriter& writer) {
  std::vector<std::string> texts;
  for (const SRecordedLine& l : writer.Lines())
    texts.push_back(std::to_string(l.level) + "|" + l.function + "|" + l.text);
  return texts;
}

// A task that counts its runs and notes `number` in `ran` (when given), then succeeds (code 0),
// fails with Win32 `code`, throws (kThrow) or cancels itself and succeeds (kCancel).
class CScriptedTask : public CBasicTask {
 public:
  enum : long { kThrow = -1, kCancel = -2 };
  explicit CScriptedTask(long code, std::vector<int>* ran = nullptr, int number = 0)
      : m_code(code), m_ran(ran), m_number(number) {}
  using CRunnableTask::Run;
  CYqError Run() override {
    ++runs;
    if (m_ran != nullptr) m_ran->push_back(m_number);
    if (m_code == kThrow) throw std::runtime_error("task");
    if (m_code == kCancel) OnCancelRequest();
    return m_code <= 0 ? CYqError() : FXErrorUtil::ErrorWin32(YQ_LOC, static_cast<DWORD>(m_code));
  }
  std::atomic<int> runs{0};

 private:
  long m_code;
  std::vector<int>* m_ran;
  int m_number;
};

}  // namespace yqtest
