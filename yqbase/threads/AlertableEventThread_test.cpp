#include "yqbase/threads/AlertableEventThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/threads/Event.h"
#include "yqbase/threads/Threads_testutil.h"

namespace {

constexpr CTimeInterval kMinute = CTimeInterval::FromSeconds(60);
constexpr char kRun[] = "virtual DWORD CAlertableEventThread::Run()";
constexpr char kOnRun[] = "virtual void CAlertableEventThread::OnRun()";
constexpr char kRunStub[] = "static void* CAlertableEventThread::RunStub(PVOID)";

enum EThrowIn { kNowhere, kInStart, kInRun, kInStop, kInFirstEvent };

// Counts its handlers and throws from the one it is told to. With `ownLoop`, OnRun ends the
// loop at once (or throws) instead of running the event loop.
class CProbe : public CAlertableEventThread {
 public:
  CProbe(EThrowIn throwIn, bool ownLoop) : m_throwIn(throwIn), m_ownLoop(ownLoop) {}
  ~CProbe() override { StopAndJoin(); }
  using CAlertableEventThread::RunStub;

  std::atomic<int> starts{0}, runs{0}, stops{0}, events{0}, timeouts{0};
  FXEvent handled{0};

 protected:
  void OnStart() override {
    ++starts;
    if (m_throwIn == kInStart) throw std::runtime_error("start");
  }
  void OnRun() override {
    ++runs;
    if (m_throwIn == kInRun) throw 7;
    if (m_ownLoop) return InternalStop();
    CAlertableEventThread::OnRun();
  }
  void OnStop() override {
    // Late on purpose: Stop(true) must still wait for it.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ++stops;
    if (m_throwIn == kInStop) throw std::logic_error("stop");
  }
  void OnEvent() override {
    const bool first = ++events == 1;
    handled.Set();
    if (first && m_throwIn == kInFirstEvent) throw std::runtime_error("event");
  }
  void OnTimeout() override {
    ++timeouts;
    handled.Set();
  }

 private:
  const EThrowIn m_throwIn;
  const bool m_ownLoop;
};

// The texts of level -1 lines, as "function|text".
std::vector<std::string> Failures(yqtest::CRecordingWriter& writer) {
  std::vector<std::string> texts;
  for (const yqtest::SRecordedLine& line : writer.Lines())
    if (line.level == -1) texts.push_back(line.function + "|" + line.text);
  return texts;
}

}  // namespace

// Every handler that throws is logged with its own text; OnStart and OnRun end the run with
// status 1064 (which RunStub reports), OnStart skipping OnRun.
TEST(CAlertableEventThread, HandlerExceptionsAreLoggedAndSetTheStatus) {
  struct Case {
    EThrowIn throwIn;
    int runs;
    DWORD status;
    std::vector<std::string> failures;
  };
  const Case cases[] = {
      {kNowhere, 1, 0, {}},
      {kInStart,
       0,
       1064,
       {std::string(kRun) + "|#### Unhandled exception caught in OnStart(), skipping OnRun()",
        std::string(kRunStub) + "|Run failed, result=[1064]"}},
      {kInRun,
       1,
       1064,
       {std::string(kRun) + "|#### Unhandled exception caught in OnRun()",
        std::string(kRunStub) + "|Run failed, result=[1064]"}},
      {kInStop, 1, 0, {std::string(kRun) + "|#### Unhandled exception caught in OnStop()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.throwIn);
    yqtest::CScopedCaptureLog log(1);
    CProbe probe(c.throwIn, true);
    ASSERT_TRUE(probe.Start().Succeeded());
    ASSERT_TRUE(probe.WaitForStop(kMinute).Succeeded());  // it ends itself
    ASSERT_TRUE(probe.Stop(true).Succeeded());
    EXPECT_EQ(1, probe.starts);
    EXPECT_EQ(c.runs, probe.runs);
    EXPECT_EQ(1, probe.stops);
    EXPECT_EQ(c.status, probe.GetStatus());
    EXPECT_FALSE(probe.IsRunning());
    EXPECT_EQ(c.failures, Failures(log.Writer()));
  }
}

// An exception from OnEvent is logged and the loop goes on to the next event. Stop(true)
// returns only once OnStop has run, and the stop event is then set.
TEST(CAlertableEventThread, EventLoopSurvivesAThrowingOnEvent) {
  yqtest::CScopedCaptureLog log(1);
  CProbe probe(kInFirstEvent, false);
  ASSERT_TRUE(probe.Start().Succeeded());
  EXPECT_NE(0u, probe.GetThreadId());
  for (int i = 1; i <= 2; ++i) {
    probe.SetEvent();
    ASSERT_EQ(WAIT_OBJECT_0, probe.handled.WaitForSet(60000));
    EXPECT_EQ(i, probe.events);
  }
  EXPECT_TRUE(probe.IsRunning());
  ASSERT_TRUE(probe.Stop(true).Succeeded());
  EXPECT_EQ(1, probe.stops);
  EXPECT_TRUE(probe.WaitForStop(CTimeInterval(0)).Succeeded());
  EXPECT_EQ(static_cast<ULONGLONG>(probe.events), probe.GetEventCount());  // the stop wakes too
  EXPECT_EQ(0u, probe.GetTimeoutCount());  // no time-out: waits without limit
  EXPECT_EQ(0u, probe.GetStatus());
  EXPECT_EQ(std::vector<std::string>{std::string(kOnRun) +
                                     "|#### Unhandled exception caught in OnEvent()"},
            Failures(log.Writer()));
}

TEST(CAlertableEventThread, TimeoutsAreCountedAndHandled) {
  CProbe probe(kNowhere, false);
  probe.SetTimeout(CTimeInterval::FromMilliseconds(1));
  EXPECT_EQ(10000, probe.GetTimeout().GetValue());
  ASSERT_TRUE(probe.Start().Succeeded());
  ASSERT_TRUE(yqtest::WaitUntil([&] { return probe.timeouts >= 3; }));
  ASSERT_TRUE(probe.Stop(true).Succeeded());
  EXPECT_EQ(static_cast<ULONGLONG>(probe.timeouts), probe.GetTimeoutCount());
}

TEST(CAlertableEventThread, WaitForStopTimesOutWith258UntilTheThreadEnds) {
  CProbe probe(kNowhere, false);
  EXPECT_TRUE(probe.Stop(true).Succeeded());  // nothing started: nothing to do
  ASSERT_TRUE(probe.Start().Succeeded());
  const CYqError timedOut = probe.WaitForStop(CTimeInterval::FromMilliseconds(5));
  EXPECT_TRUE(timedOut.Failed());
  EXPECT_EQ(258u, FXErrorUtil::GetWin32(timedOut));
  EXPECT_NE(std::string::npos, timedOut.AsString().find("CAlertableEventThread::WaitForStop("));
  EXPECT_EQ(1247u, probe.StartSynchronously());
  // A thread that ends itself is seen as stopped without Stop(true).
  probe.InternalStop();
  probe.SetEvent();
  EXPECT_TRUE(probe.WaitForStop(kMinute).Succeeded());
  EXPECT_EQ(1, probe.stops);
}

// Handlers left at their defaults, the level-8 trace of Run, and a synchronous run ended from
// inside.
TEST(CAlertableEventThread, BaseThreadRunsSynchronouslyWithTrace) {
  struct CSelfStopping : CAlertableEventThread {
    void OnTimeout() override { InternalStop(); }
  };
  for (int level : {7, 8}) {
    SCOPED_TRACE(level);
    yqtest::CScopedCaptureLog log(level);
    CSelfStopping thread;
    thread.SetTimeout(CTimeInterval(1));  // below a millisecond: waits one
    EXPECT_EQ(0u, thread.StartSynchronously());
    EXPECT_EQ(1u, thread.GetTimeoutCount());
    std::vector<std::string> expected;
    if (level == 8) expected = {std::string(kRun) + "|+++ ", std::string(kRun) + "|--- "};
    std::vector<std::string> lines;
    for (const yqtest::SRecordedLine& line : log.Writer().Lines())
      lines.push_back(line.function + "|" + line.text);
    EXPECT_EQ(expected, lines);
  }
}

TEST(CAlertableEventThread, RunStubRefusesANullContext) {
  yqtest::CScopedCaptureLog log(1);
  EXPECT_EQ(nullptr, CProbe::RunStub(nullptr));
  EXPECT_EQ(std::vector<std::string>{std::string(kRunStub) +
                                     "|NULL context received; cannot continue"},
            Failures(log.Writer()));
}
