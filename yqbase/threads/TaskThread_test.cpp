#include "yqbase/threads/TaskThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <boost/weak_ptr.hpp>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/threads/Event.h"
#include "yqbase/threads/SendEventInterface.h"
#include "yqbase/threads/Threads_testutil.h"

namespace {

constexpr CTimeInterval kMinute = CTimeInterval::FromSeconds(60);

// Keeps what a task thread reports, as "start" and "complete <n>".
class CRecordingConnector : public CTaskFeedbackConnector {
 public:
  void OnTaskStart() override { Add("start"); }
  void OnTaskComplete(int result) override { Add("complete " + std::to_string(result)); }
  std::vector<std::string> Calls() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_calls;
  }

 private:
  void Add(const std::string& call) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_calls.push_back(call);
  }
  std::mutex m_lock;
  std::vector<std::string> m_calls;
};

enum EOutcome { kSucceed, kFail, kCancelItself, kThrow };

// A task that ends as it is told to, counting its runs.
class CScriptedTask : public CBasicTask {
 public:
  explicit CScriptedTask(EOutcome outcome) : m_outcome(outcome) {}
  using CRunnableTask::Run;
  CYqError Run() override {
    ++runs;
    if (m_outcome == kThrow) throw std::runtime_error("task");
    if (m_outcome == kCancelItself) OnCancelRequest();
    return m_outcome == kFail ? FXErrorUtil::ErrorWin32(YQ_LOC, 5) : CYqError();
  }
  std::atomic<int> runs{0};

 private:
  EOutcome m_outcome;
};

}  // namespace

// One run of the task, its result kept, the connector told how it ended; an exception gives
// status and result 1064 and the OnRun line.
TEST(CTaskThread, RunsItsTaskOnceAndReportsTheEnd) {
  struct Case {
    EOutcome outcome;
    DWORD win32;  // of the result, 0 for success
    DWORD status;
    const char* completion;
  };
  const Case cases[] = {{kSucceed, 0, 0, "complete 1"},
                        {kFail, 5, 0, "complete 1"},
                        {kCancelItself, 0, 0, "complete 2"},
                        {kThrow, 1064, 1064, "complete 1"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.outcome);
    yqtest::CScopedCaptureLog log(1);
    const boost::shared_ptr<CScriptedTask> task(new CScriptedTask(c.outcome));
    CRecordingConnector connector;
    CTaskThread thread(task, &connector);
    EXPECT_EQ(995u, FXErrorUtil::GetWin32(thread.GetResult()));  // not run yet
    ASSERT_TRUE(thread.Start().Succeeded());
    ASSERT_TRUE(thread.WaitForStop(kMinute).Succeeded());
    ASSERT_TRUE(thread.Stop(true).Succeeded());
    EXPECT_EQ(1, task->runs);
    EXPECT_EQ(c.win32, c.win32 == 0 ? 0 : FXErrorUtil::GetWin32(thread.GetResult()));
    EXPECT_EQ(c.win32 == 0, thread.GetResult().Succeeded());
    EXPECT_EQ(c.status, thread.GetStatus());
    EXPECT_EQ((std::vector<std::string>{"start", c.completion}), connector.Calls());
    bool logged = false;
    for (const yqtest::SRecordedLine& l : log.Writer().Lines())
      logged |= l.text == "#### Unhandled exception caught in OnRun()";
    EXPECT_EQ(c.outcome == kThrow, logged);
  }
  CTaskThread empty(nullptr, nullptr);
  ASSERT_TRUE(empty.Start().Succeeded());
  ASSERT_TRUE(empty.Stop(true).Succeeded());
  EXPECT_TRUE(empty.GetResult().Failed());  // 87, or 995 when stopped before it ran
}

// The thread keeps itself alive after its owner lets go, and is destroyed once its task is
// done; one not owned by a shared pointer refuses to start.
TEST(CAutonomousTaskThread, LivesUntilItsTaskIsDone) {
  const boost::shared_ptr<CScriptedTask> task(new CScriptedTask(kSucceed));
  boost::shared_ptr<CAutonomousTaskThread> thread(new CAutonomousTaskThread(task, nullptr));
  const boost::weak_ptr<CAutonomousTaskThread> watch(thread);
  ASSERT_TRUE(thread->Start().Succeeded());
  thread.reset();
  ASSERT_TRUE(yqtest::WaitUntil([&] { return watch.expired(); }));
  EXPECT_EQ(1, task->runs);

  CAutonomousTaskThread unowned(task, nullptr);
  EXPECT_EQ(87u, FXErrorUtil::GetWin32(unowned.Start()));
  EXPECT_FALSE(unowned.IsRunning());
}

TEST(ISendEventInterface, GetInstanceGivesOneInstanceToEveryThread) {
  std::vector<ISendEventInterface*> seen(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&seen, i] { seen[i] = ISendEventInterface::GetInstance().get(); });
  for (std::thread& t : threads) t.join();
  EXPECT_NE(nullptr, seen[0]);
  EXPECT_EQ(1u, std::set<ISendEventInterface*>(seen.begin(), seen.end()).size());
  seen[0]->SendCriticalEvent(CYqError(-1), 1, 2);  // ignored by the base

  const ISendEventInterfacePtr own(new ISendEventInterface());
  ISendEventInterface::SetInstance(own);
  EXPECT_EQ(own, ISendEventInterface::GetInstance());
  ISendEventInterface::SetInstance(ISendEventInterfacePtr());
  EXPECT_NE(own, ISendEventInterface::GetInstance());
  EXPECT_NE(nullptr, ISendEventInterface::GetInstance());
}
