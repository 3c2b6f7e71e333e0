#include "yqbase/threads/AlertableEventThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/threads/Event.h"
#include "yqbase/threads/Threads_testutil.h"

namespace {

constexpr CTimeInterval kMinute = CTimeInterval::FromSeconds(60);
const std::string kRun = "-1|virtual DWORD CAlertableEventThread::Run()|";
const std::string kRunStub = "-1|static void* CAlertableEventThread::RunStub(PVOID)|";

enum EThrowIn { kNowhere, kInStart, kInRun, kInStop, kInFirstEvent };

// Counts its handlers and throws from the one it is told to. With `ownLoop`, OnRun ends the
// loop at once instead of running the event loop.
class CProbe : public CAlertableEventThread {
 public:
  CProbe(EThrowIn throwIn, bool ownLoop) : m_throwIn(throwIn), m_ownLoop(ownLoop) {}
  ~CProbe() override { StopAndJoin(); }
  using CAlertableEventThread::RunStub;

  std::atomic<int> runs{0}, stops{0}, events{0}, timeouts{0};
  FXEvent handled{0};

 protected:
  void OnStart() override {
    if (m_throwIn == kInStart) throw std::runtime_error("start");
  }
  void OnRun() override {
    ++runs;
    if (m_throwIn == kInRun) throw 7;
    if (m_ownLoop) return InternalStop();
    CAlertableEventThread::OnRun();
  }
  void OnStop() override {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // Stop(true) must wait
    ++stops;
    if (m_throwIn == kInStop) throw std::logic_error("stop");
  }
  void OnEvent() override {
    const bool first = ++events == 1;
    handled.Set();
    if (first && m_throwIn == kInFirstEvent) throw std::runtime_error("event");
  }
  void OnTimeout() override { ++timeouts; }

 private:
  const EThrowIn m_throwIn;
  const bool m_ownLoop;
};

}  // namespace

// OnStart and OnRun exceptions end the run with status 1064 (reported by RunStub), OnStart's
// skipping OnRun; OnStop's is only logged.
TEST(CAlertableEventThread, HandlerExceptionsAreLoggedAndSetTheStatus) {
  const struct {
    EThrowIn throwIn;
    int runs;
    DWORD status;
    const char* handler;  // whose exception is logged
  } cases[] = {{kNowhere, 1, 0, nullptr},
               {kInStart, 0, 1064, "OnStart(), skipping OnRun()"},
               {kInRun, 1, 1064, "OnRun()"},
               {kInStop, 1, 0, "OnStop()"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.throwIn);
    std::vector<std::string> lines;
    if (c.handler != nullptr)
      lines.push_back(kRun + "#### Unhandled exception caught in " + c.handler);
    if (c.status != 0) lines.push_back(kRunStub + "Run failed, result=[1064]");
    yqtest::CScopedCaptureLog log(1);
    CProbe probe(c.throwIn, true);
    ASSERT_TRUE(probe.Start().Succeeded());
    ASSERT_TRUE(probe.WaitForStop(kMinute).Succeeded());  // it ends itself
    ASSERT_TRUE(probe.Stop(true).Succeeded());
    EXPECT_EQ(c.runs, probe.runs);
    EXPECT_EQ(1, probe.stops);
    EXPECT_EQ(c.status, probe.GetStatus());
    EXPECT_EQ(lines, yqtest::LevelFunctionTexts(log.Writer()));
  }
}

// An OnEvent exception is logged and the loop goes on; Stop(true) returns after OnStop.
TEST(CAlertableEventThread, EventLoopSurvivesAThrowingOnEvent) {
  yqtest::CScopedCaptureLog log(1);
  CProbe probe(kInFirstEvent, false);
  ASSERT_TRUE(probe.Start().Succeeded());
  for (int i = 1; i <= 2; ++i) {
    probe.SetEvent();
    ASSERT_EQ(WAIT_OBJECT_0, probe.handled.WaitForSet(60000));
    EXPECT_EQ(i, probe.events);
  }
  ASSERT_TRUE(probe.Stop(true).Succeeded());
  EXPECT_EQ(1, probe.stops);
  EXPECT_EQ(static_cast<ULONGLONG>(probe.events), probe.GetEventCount());  // the stop wakes too
  EXPECT_EQ(0u, probe.GetTimeoutCount());  // no time-out set: waits without limit
  EXPECT_EQ(std::vector<std::string>{"-1|virtual void CAlertableEventThread::OnRun()|#### "
                                     "Unhandled exception caught in OnEvent()"},
            yqtest::LevelFunctionTexts(log.Writer()));
}

TEST(CAlertableEventThread, WaitForStopTimesOutWith258AndSeesAThreadThatEndedItself) {
  CProbe probe(kNowhere, false);
  probe.SetTimeout(CTimeInterval::FromMilliseconds(1));
  EXPECT_TRUE(probe.Stop(true).Succeeded());  // nothing started: nothing to do
  ASSERT_TRUE(probe.Start().Succeeded());
  EXPECT_EQ(258u, FXErrorUtil::GetWin32(probe.WaitForStop(CTimeInterval::FromMilliseconds(5))));
  EXPECT_EQ(1247u, probe.StartSynchronously());
  ASSERT_TRUE(yqtest::WaitUntil([&] { return probe.timeouts >= 3; }));
  probe.InternalStop();
  EXPECT_TRUE(probe.WaitForStop(kMinute).Succeeded());
  EXPECT_EQ(static_cast<ULONGLONG>(probe.timeouts), probe.GetTimeoutCount());
}

// Defaults of unhandled handlers, the level-8 trace of Run, a run on the caller's thread.
TEST(CAlertableEventThread, BaseThreadRunsSynchronouslyWithTrace) {
  struct CSelfStopping : CAlertableEventThread {
    void OnTimeout() override { InternalStop(); }
  };
  for (int level : {7, 8}) {
    yqtest::CScopedCaptureLog log(level);
    CSelfStopping thread;
    thread.SetTimeout(CTimeInterval(1));  // below a millisecond: waits one
    EXPECT_EQ(0u, thread.StartSynchronously());
    EXPECT_EQ(1u, thread.GetTimeoutCount());
    const std::string run = "8|virtual DWORD CAlertableEventThread::Run()|";
    std::vector<std::string> expected;
    if (level == 8) expected = {run + "+++ ", run + "--- "};
    EXPECT_EQ(expected, yqtest::LevelFunctionTexts(log.Writer()));
  }
  yqtest::CScopedCaptureLog log(1);
  EXPECT_EQ(nullptr, CProbe::RunStub(nullptr));
  EXPECT_EQ(std::vector<std::string>{kRunStub + "NULL context received; cannot continue"},
            yqtest::LevelFunctionTexts(log.Writer()));
}
