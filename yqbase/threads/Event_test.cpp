#include "yqbase/threads/Event.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "yqbase/threads/Threads_testutil.h"

namespace {

typedef std::vector<std::future<DWORD>> Waiters;

// Threads that each wait once on `event` and give the result.
Waiters StartWaiters(FXEvent& event, int count, unsigned milliseconds) {
  Waiters waiters;
  for (int i = 0; i < count; ++i)
    waiters.push_back(std::async(
        std::launch::async, [&event, milliseconds] { return event.WaitForSet(milliseconds); }));
  return waiters;
}

int Finished(Waiters& waiters) {
  return std::count_if(waiters.begin(), waiters.end(), [](std::future<DWORD>& w) {
    return w.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
  });
}

int Count(Waiters& waiters, DWORD result) {
  int n = 0;
  for (std::future<DWORD>& w : waiters) n += w.get() == result ? 1 : 0;
  return n;
}

}  // namespace

TEST(FXEvent, WaitForSetZeroAnswersAtOnceAndTimeOutsReturn258) {
  FXEvent event(0), initiallySet(FXEvent::INITIAL_SET), manual(FXEvent::MANUAL_RESET);
  EXPECT_EQ(WAIT_TIMEOUT, event.WaitForSet(0));
  event.Set();
  EXPECT_EQ(WAIT_OBJECT_0, event.WaitForSet(0));
  EXPECT_EQ(WAIT_TIMEOUT, event.WaitForSet(0));  // the wait cleared it
  EXPECT_EQ(WAIT_OBJECT_0, initiallySet.WaitForSet(0));
  EXPECT_EQ(258u, initiallySet.WaitForSet(0));
  EXPECT_EQ(258u, manual.WaitForSet(30));
  Waiters waiters = StartWaiters(manual, 2, 30);
  EXPECT_EQ(2, Count(waiters, WAIT_TIMEOUT));
}

// Would catch an auto-reset Set that lets every waiter through (broadcast without clearing).
// The second waiter is only let go by a second Set; a short grace period gives a faulty
// release the chance to show.
TEST(FXEvent, AutoResetSetOnceReleasesExactlyOneOfTwoWaiters) {
  FXEvent event(0);
  Waiters waiters = StartWaiters(event, 2, 120000);
  event.Set();
  ASSERT_TRUE(yqtest::WaitUntil([&] { return Finished(waiters) >= 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(1, Finished(waiters));
  EXPECT_EQ(WAIT_TIMEOUT, event.WaitForSet(0));  // consumed by the released waiter
  event.Set();
  EXPECT_EQ(2, Count(waiters, WAIT_OBJECT_0));
}

TEST(FXEvent, ManualResetReleasesEveryWaiterAndStaysSet) {
  FXEvent event(FXEvent::MANUAL_RESET);
  Waiters waiters = StartWaiters(event, 3, 120000);
  event.Set();
  EXPECT_EQ(3, Count(waiters, WAIT_OBJECT_0));
  EXPECT_EQ(WAIT_OBJECT_0, event.WaitForSet(0));
  EXPECT_EQ(WAIT_OBJECT_0, event.WaitForSet(INFINITE));
  event.Reset();
  EXPECT_EQ(WAIT_TIMEOUT, event.WaitForSet(0));
}

TEST(FXEvent, ResetClearsAPendingSet) {
  FXEvent event(FXEvent::INITIAL_SET), ignoredBool(true, 0);  // the boolean does not make it set
  event.Reset();
  EXPECT_EQ(WAIT_TIMEOUT, event.WaitForSet(0));
  EXPECT_EQ(WAIT_TIMEOUT, ignoredBool.WaitForSet(0));
  EXPECT_TRUE(ignoredBool.IsValid());
}

TEST(FXNamedEvent, KeepsItsNameAndWorksInProcess) {
  FXNamedEvent event("Global\\BackupDone", FXEvent::MANUAL_RESET | FXEvent::INITIAL_SET);
  EXPECT_EQ("Global\\BackupDone", event.GetName());
  EXPECT_EQ(FXEvent::MANUAL_RESET | FXEvent::INITIAL_SET, event.GetFlags());
  for (int i = 0; i < 2; ++i) EXPECT_EQ(WAIT_OBJECT_0, event.WaitForSet(0));
}
