#include "yqbase/threads/RunnableTask.h"

#include <gtest/gtest.h>

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

std::string CancelLine(const char* function, const void* task) {
  char text[64];
  std::snprintf(text, sizeof text, "0x%p", task);
  return std::string("7|virtual bool ") + function + "::OnCancelRequest()|" + text +
         " Cancel requested";
}

std::string NewestFunction(const CYqError& error) {
  return error.GetItems().front()->GetLocation().function;
}

}  // namespace

TEST(CRunnableTask, RunCompletesFailuresGetTheRunLocationProgressAndCostAreClamped) {
  CBasicTask task;
  EXPECT_EQ(1, task.GetTaskCost());
  EXPECT_TRUE(task.Run(nullptr).Succeeded());
  EXPECT_EQ(1, task.GetTaskProgress());
  const CYqError error = yqtest::CScriptedTask(5).Run(nullptr);
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 5));
  EXPECT_EQ("virtual CYqError CRunnableTask::Run(CTaskFeedbackConnector*)", NewestFunction(error));
  EXPECT_EQ(50u, FXErrorUtil::GetWin32(task.RunProcess(nullptr, L"ls", true, CTimeInterval(0))));

  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double cases[][3] = {{1.7, 1, 1.7}, {-1, 0, 0}, {0.25, 0.25, 0.25}, {nan, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0]);
    task.SetTaskProgress(c[0]);
    task.SetTaskCost(c[0]);
    EXPECT_EQ(c[1], task.GetTaskProgress());
    EXPECT_EQ(c[2], task.GetTaskCost());
  }
}

TEST(CRunnableTask, PauseAddsProgressAndEndsOnCancelFromAnotherThread) {
  CBasicTask task;
  EXPECT_FALSE(task.Pause(0, 0.5));
  EXPECT_FALSE(task.Pause(30, 0.5));
  EXPECT_DOUBLE_EQ(0.5, task.GetTaskProgress());
  // Only the cancel can end this pause; the suite's time limit catches one that does not.
  yqtest::CScopedCaptureLog log(7);
  std::thread canceler([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    task.OnCancelRequest();
  });
  EXPECT_TRUE(task.Pause(3600 * 1000, 0.5));
  canceler.join();
  EXPECT_TRUE(task.Pause(1000, 0.5));  // the flag stays set
  EXPECT_EQ(std::vector<std::string>{CancelLine("CRunnableTask", &task)},
            yqtest::LevelFunctionTexts(log.Writer()));
}

// Only with continue-after-failure does the third task run; the first failure's (zero-based)
// position is kept either way, and the error returned has the sequence's location on top.
TEST(CSequentialTasks, FirstFailureStopsUnlessContinued) {
  const struct {
    bool continueOnFailure;
    std::vector<long> codes;
    std::vector<int> ran;
    int position;
  } cases[] = {
      {false, {0, 5, 0}, {0, 1}, 1},
      {true, {0, 5, 0}, {0, 1, 2}, 1},
      {true, {0, 5, 6}, {0, 1, 2}, 1},
      {false, {0, 0, 0}, {0, 1, 2}, -1},
      {false, {}, {}, -1},
      {false, {7}, {0}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.continueOnFailure << " " << c.codes.size());
    std::vector<int> ran;
    CSequentialTasks sequence(c.continueOnFailure);
    for (size_t i = 0; i < c.codes.size(); ++i)
      ASSERT_TRUE(sequence.AddTask(boost::make_shared<yqtest::CScriptedTask>(c.codes[i], &ran, i))
                      .Succeeded());
    const CYqError result = sequence.Run(nullptr);
    EXPECT_EQ(c.ran, ran);
    CYqError failure;
    int position = 99;
    EXPECT_EQ(c.position >= 0, sequence.GetFailedTaskInformation(failure, position));
    EXPECT_EQ(c.position, position);
    EXPECT_EQ(c.position >= 0, result.Failed());
    if (c.position < 0) continue;
    EXPECT_EQ(c.codes[c.position], static_cast<long>(FXErrorUtil::GetWin32(result)));
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

TEST(CSequentialTasks, CostProgressAndCancelComeFromTheTasksUntilSet) {
  CSequentialTasks sequence(false);
  boost::shared_ptr<CBasicTask> done(new CBasicTask()), pending(new CBasicTask());
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

  yqtest::CScopedCaptureLog log(7);
  EXPECT_TRUE(sequence.OnCancelRequest());
  EXPECT_TRUE(sequence.IsCanceled() && done->IsCanceled() && pending->IsCanceled());
  EXPECT_EQ((std::vector<std::string>{CancelLine("CSequentialTasks", &sequence),
                                      CancelLine("CRunnableTask", done.get()),
                                      CancelLine("CRunnableTask", pending.get())}),
            yqtest::LevelFunctionTexts(log.Writer()));
}

// Creation and destruction show as "+++"/"---" lines at level 0, and not below it.
TEST(CSequentialTasks, LifetimeIsTracedAtLevelZero) {
  for (int level : {-1, 0}) {  // traced at level 0, not below
    yqtest::CScopedCaptureLog log(level);
    { CSequentialTasks sequence(true); }
    { CTaskFeedbackConnector connector; }
    std::vector<std::string> expected;
    for (const char* function : {"CSequentialTasks::CSequentialTasks(bool)",
                                 "virtual CSequentialTasks::~CSequentialTasks()",
                                 "CTaskFeedbackConnector::CTaskFeedbackConnector()",
                                 "virtual CTaskFeedbackConnector::~CTaskFeedbackConnector()"})
      for (const char* text : {"+++ ", "--- "})
        if (level == 0) expected.push_back("0|" + std::string(function) + "|" + text);
    EXPECT_EQ(expected, yqtest::LevelFunctionTexts(log.Writer()));
  }
}
