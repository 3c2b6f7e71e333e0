#include "yqbase/threads/RunnableTask.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/threads/SequentialTasks.h"
#include "yqbase/threads/TaskFeedbackConnector.h"
#include "yqbase/threads/Threads_testutil.h"

namespace {

// A task that notes its number in a shared list and fails with Win32 `code` unless it is 0.
class CStep : public CBasicTask {
 public:
  CStep(std::vector<int>* ran, int number, DWORD code) : m_ran(ran), m_number(number), m_code(code) {}
  using CRunnableTask::Run;
  CYqError Run() override {
    m_ran->push_back(m_number);
    return m_code == 0 ? CYqError() : FXErrorUtil::ErrorWin32(YQ_LOC, m_code);
  }

 private:
  std::vector<int>* m_ran;
  int m_number;
  DWORD m_code;
};

std::string Pointer(const void* address) {
  char text[64];
  std::snprintf(text, sizeof text, "0x%p", address);
  return text;
}

// The function of the newest item of an error.
std::string NewestFunction(const CYqError& error) {
  const std::vector<FXErrorItemPtr> items = error.GetItems();
  return items.empty() ? "" : items.front()->GetLocation().function;
}

}  // namespace

TEST(CRunnableTask, ProgressAndCostAreClamped) {
  struct Case {
    double value, progress, cost;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {{1.7, 1, 1.7}, {-1, 0, 0}, {0.25, 0.25, 0.25}, {nan, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    CBasicTask task;
    EXPECT_EQ(0, task.GetTaskProgress());
    EXPECT_EQ(1, task.GetTaskCost());
    task.SetTaskProgress(c.value);
    task.SetTaskCost(c.value);
    EXPECT_EQ(c.progress, task.GetTaskProgress());
    EXPECT_EQ(c.cost, task.GetTaskCost());
  }
}

TEST(CRunnableTask, BaseRunCompletesAndFailuresGetTheRunLocation) {
  CBasicTask task;
  EXPECT_TRUE(task.Run(nullptr).Succeeded());
  EXPECT_EQ(1, task.GetTaskProgress());
  std::vector<int> ran;
  CStep failing(&ran, 0, 5);
  const CYqError error = failing.Run(nullptr);
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 5));
  EXPECT_STREQ("virtual CYqError CRunnableTask::Run(CTaskFeedbackConnector*)",
               NewestFunction(error).c_str());
  EXPECT_EQ(50u, FXErrorUtil::GetWin32(task.RunProcess(nullptr, "ls", true, CTimeInterval(0))));
  EXPECT_EQ(50u, FXErrorUtil::GetWin32(task.RunProcess(nullptr, L"ls", true, CTimeInterval(0))));
}

TEST(CRunnableTask, PauseAddsProgressAndEndsOnCancel) {
  CBasicTask task;
  EXPECT_FALSE(task.Pause(0, 0.5));
  EXPECT_EQ(0, task.GetTaskProgress());
  EXPECT_FALSE(task.Pause(30, 0.5));
  EXPECT_DOUBLE_EQ(0.5, task.GetTaskProgress());
  // A pause of an hour that only a cancel from another thread can end; the suite's time limit
  // catches a cancel that does not.
  yqtest::CScopedCaptureLog log(7);
  std::thread canceler([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(task.OnCancelRequest());
  });
  EXPECT_TRUE(task.Pause(3600 * 1000, 0.5));
  canceler.join();
  EXPECT_TRUE(task.IsCanceled());
  EXPECT_TRUE(task.Pause(1000, 0.5));  // the flag stays set
  EXPECT_EQ(std::vector<std::string>{"7|virtual bool CRunnableTask::OnCancelRequest()|" +
                                     Pointer(&task) + " Cancel requested"},
            [&] {
              std::vector<std::string> texts;
              for (const yqtest::SRecordedLine& l : log.Writer().Lines())
                texts.push_back(std::to_string(l.level) + "|" + l.function + "|" + l.text);
              return texts;
            }());
}

// The third task runs only with continue-after-failure; the first failure's position is kept
// either way, and the error returned has the sequence's location on top of the task's own.
TEST(CSequentialTasks, FirstFailureStopsUnlessContinued) {
  struct Case {
    bool continueOnFailure;
    std::vector<DWORD> codes;
    std::vector<int> ran;
    int position;
  };
  const Case cases[] = {
      {false, {0, 5, 0}, {0, 1}, 1},     {true, {0, 5, 0}, {0, 1, 2}, 1},
      {true, {0, 5, 6}, {0, 1, 2}, 1},   {false, {0, 0, 0}, {0, 1, 2}, -1},
      {false, {}, {}, -1},               {false, {7}, {0}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.continueOnFailure << " " << c.codes.size());
    std::vector<int> ran;
    CSequentialTasks sequence(c.continueOnFailure);
    for (size_t i = 0; i < c.codes.size(); ++i)
      ASSERT_TRUE(sequence.AddTask(boost::make_shared<CStep>(&ran, i, c.codes[i])).Succeeded());
    const CYqError result = sequence.Run(nullptr);
    EXPECT_EQ(c.ran, ran);
    CYqError failure;
    int position = 99;
    EXPECT_EQ(c.position >= 0, sequence.GetFailedTaskInformation(failure, position));
    EXPECT_EQ(c.position, position);
    EXPECT_EQ(c.position >= 0, result.Failed());
    if (c.position < 0) continue;
    EXPECT_TRUE(FXErrorUtil::IsWin32(result, c.codes[c.position]));
    EXPECT_EQ("virtual CYqError CSequentialTasks::Run(CTaskFeedbackConnector*)",
              NewestFunction(result));
    EXPECT_EQ("virtual CYqError CRunnableTask::Run(CTaskFeedbackConnector*)",
              NewestFunction(failure));
  }
  CSequentialTasks empty(false);
  EXPECT_EQ(87u, FXErrorUtil::GetWin32(empty.AddTask(nullptr)));
  EXPECT_TRUE(empty.Run().Succeeded());
  EXPECT_EQ(1, empty.GetTaskProgress());
}

TEST(CSequentialTasks, CostIsTheSumAndProgressTheWeightedMeanUntilSet) {
  CSequentialTasks sequence(false);
  boost::shared_ptr<CBasicTask> done(new CBasicTask()), pending(new CBasicTask());
  done->SetTaskCost(1);
  done->SetTaskProgress(1);
  pending->SetTaskCost(3);
  ASSERT_TRUE(sequence.AddTask(done).Succeeded());
  ASSERT_TRUE(sequence.AddTask(pending).Succeeded());
  EXPECT_EQ(4, sequence.GetTaskCost());
  EXPECT_EQ(0.25, sequence.GetTaskProgress());
  done->SetTaskCost(0);
  pending->SetTaskCost(0);
  EXPECT_EQ(0.5, sequence.GetTaskProgress());  // no weights: the plain mean
  sequence.SetTaskCost(10);
  sequence.SetTaskProgress(0.9);
  EXPECT_EQ(10, sequence.GetTaskCost());
  EXPECT_EQ(0.9, sequence.GetTaskProgress());
}

TEST(CSequentialTasks, CancelReachesEveryTaskInOrder) {
  yqtest::CScopedCaptureLog log(7);
  CSequentialTasks sequence(false);
  boost::shared_ptr<CBasicTask> first(new CBasicTask()), second(new CBasicTask());
  ASSERT_TRUE(sequence.AddTask(first).Succeeded());
  ASSERT_TRUE(sequence.AddTask(second).Succeeded());
  EXPECT_TRUE(sequence.OnCancelRequest());
  EXPECT_TRUE(sequence.IsCanceled() && first->IsCanceled() && second->IsCanceled());
  const std::vector<std::string> expected = {
      "virtual bool CSequentialTasks::OnCancelRequest()|" + Pointer(&sequence),
      "virtual bool CRunnableTask::OnCancelRequest()|" + Pointer(first.get()),
      "virtual bool CRunnableTask::OnCancelRequest()|" + Pointer(second.get())};
  std::vector<std::string> lines;
  for (const yqtest::SRecordedLine& l : log.Writer().Lines())
    if (l.text.find(" Cancel requested") != std::string::npos)
      lines.push_back(l.function + "|" + l.text.substr(0, l.text.find(" Cancel requested")));
  EXPECT_EQ(expected, lines);
}

// Creation and destruction show as "+++"/"---" lines at level 0, and not below it.
TEST(CSequentialTasks, LifetimeIsTracedAtLevelZero) {
  for (int level : {-1, 0}) {
    SCOPED_TRACE(level);
    yqtest::CScopedCaptureLog log(level);
    { CSequentialTasks sequence(true); }
    { CTaskFeedbackConnector connector; }
    std::vector<std::string> expected;
    if (level == 0)
      for (const char* function :
           {"CSequentialTasks::CSequentialTasks(bool)",
            "virtual CSequentialTasks::~CSequentialTasks()",
            "CTaskFeedbackConnector::CTaskFeedbackConnector()",
            "virtual CTaskFeedbackConnector::~CTaskFeedbackConnector()"})
        for (const char* text : {"+++ ", "--- "})
          expected.push_back("0|" + std::string(function) + "|" + text);
    std::vector<std::string> lines;
    for (const yqtest::SRecordedLine& l : log.Writer().Lines())
      lines.push_back(std::to_string(l.level) + "|" + l.function + "|" + l.text);
    EXPECT_EQ(expected, lines);
  }
}
