#include "yqbase/threads/TaskThread.h"

#include <gtest/gtest.h>

#include <boost/weak_ptr.hpp>
#include <set>
#include <thread>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/threads/SendEventInterface.h"
#include "yqbase/threads/Threads_testutil.h"

namespace {

// Keeps what a task thread reports. Called on the task thread; read after it has stopped.
class CRecordingConnector : public CTaskFeedbackConnector {
 public:
  void OnTaskStart() override { calls.push_back("start"); }
  void OnTaskComplete(int result) override {
    calls.push_back("complete " + std::to_string(result));
  }
  std::vector<std::string> calls;
};

}  // namespace

// One run of the task, its result kept, the connector told how it ended; an exception gives
// status and result 1064 and the OnRun line.
TEST(CTaskThread, RunsItsTaskOnceAndReportsTheEnd) {
  using yqtest::CScriptedTask;
  const struct {
    long code;
    DWORD win32;  // of the result; 0 for success
    const char* completion;
  } cases[] = {{0, 0, "complete 1"},
               {5, 5, "complete 1"},
               {CScriptedTask::kCancel, 0, "complete 2"},
               {CScriptedTask::kThrow, 1064, "complete 1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    CRecordingConnector connector;  // made before the capture: its lifetime is traced
    yqtest::CScopedCaptureLog log(1);
    const boost::shared_ptr<CScriptedTask> task(new CScriptedTask(c.code));
    CTaskThread thread(task, &connector);
    EXPECT_EQ(995u, FXErrorUtil::GetWin32(thread.GetResult()));  // not run yet
    ASSERT_TRUE(thread.Start().Succeeded());
    ASSERT_TRUE(thread.WaitForStop(CTimeInterval::FromSeconds(60)).Succeeded());
    ASSERT_TRUE(thread.Stop(true).Succeeded());
    EXPECT_EQ(1, task->runs);
    const CYqError result = thread.GetResult();
    EXPECT_EQ(c.win32, result.Succeeded() ? 0 : FXErrorUtil::GetWin32(result));
    EXPECT_EQ(c.code == CScriptedTask::kThrow ? 1064u : 0u, thread.GetStatus());
    EXPECT_EQ((std::vector<std::string>{"start", c.completion}), connector.calls);
    // The exception's lines are those of any alertable thread.
    EXPECT_EQ(c.code == CScriptedTask::kThrow ? 2u : 0u, log.Writer().Lines().size());
  }
}

// The thread keeps itself alive after its owner lets go, and is destroyed once its task is
// done; one not owned by a shared pointer refuses to start.
TEST(CAutonomousTaskThread, LivesUntilItsTaskIsDone) {
  const boost::shared_ptr<yqtest::CScriptedTask> task(new yqtest::CScriptedTask(0));
  boost::shared_ptr<CAutonomousTaskThread> thread(new CAutonomousTaskThread(task, nullptr));
  const boost::weak_ptr<CAutonomousTaskThread> watch(thread);
  ASSERT_TRUE(thread->Start().Succeeded());
  thread.reset();
  ASSERT_TRUE(yqtest::WaitUntil([&] { return watch.expired(); }));
  EXPECT_EQ(1, task->runs);
  CAutonomousTaskThread unowned(task, nullptr);
  EXPECT_EQ(87u, FXErrorUtil::GetWin32(unowned.Start()));
}

TEST(ISendEventInterface, GetInstanceGivesOneInstanceToEveryThread) {
  std::vector<ISendEventInterface*> seen(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&seen, i] { seen[i] = ISendEventInterface::GetInstance().get(); });
  for (std::thread& t : threads) t.join();
  EXPECT_NE(nullptr, seen[0]);
  EXPECT_EQ(1u, std::set<ISendEventInterface*>(seen.begin(), seen.end()).size());
  const ISendEventInterfacePtr own(new ISendEventInterface());
  ISendEventInterface::SetInstance(own);
  EXPECT_EQ(own, ISendEventInterface::GetInstance());
  ISendEventInterface::SetInstance(ISendEventInterfacePtr());
  EXPECT_NE(own, ISendEventInterface::GetInstance());
}
