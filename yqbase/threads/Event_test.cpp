#include "yqbase/threads/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "yqbase/threads/Threads_testutil.h"

namespace {

// Threads that each wait once on an event and keep the result.
class CWaiters {
 public:
  CWaiters(FXEvent& event, int count, unsigned milliseconds) : m_results(count) {
    for (int i = 0; i < count; ++i) {
      m_threads.emplace_back([this, &event, i, milliseconds] {
        m_results[i] = event.WaitForSet(milliseconds);
        ++m_finished;
      });
    }
  }
  ~CWaiters() { Join(); }
  void Join() {
    for (std::thread& thread : m_threads)
      if (thread.joinable()) thread.join();
  }
  int Finished() const { return m_finished.load(); }
  int Count(DWORD result) {
    Join();
    int n = 0;
    for (DWORD r : m_results) n += r == result ? 1 : 0;
    return n;
  }

 private:
  std::vector<DWORD> m_results;
  std::atomic<int> m_finished{0};
  std::vector<std::thread> m_threads;
};

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
  CWaiters waiters(manual, 2, 30);
  EXPECT_EQ(2, waiters.Count(WAIT_TIMEOUT));
}

// Would catch an auto-reset Set that lets every waiter through (broadcast without clearing).
// The second waiter is only let go by a second Set; a short grace period gives a faulty
// release the chance to show.
TEST(FXEvent, AutoResetSetOnceReleasesExactlyOneOfTwoWaiters) {
  FXEvent event(0);
  CWaiters waiters(event, 2, 120000);
  event.Set();
  ASSERT_TRUE(yqtest::WaitUntil([&] { return waiters.Finished() >= 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(1, waiters.Finished());
  EXPECT_EQ(WAIT_TIMEOUT, event.WaitForSet(0));  // consumed by the released waiter
  event.Set();
  EXPECT_EQ(2, waiters.Count(WAIT_OBJECT_0));
}

TEST(FXEvent, ManualResetReleasesEveryWaiterAndStaysSet) {
  FXEvent event(FXEvent::MANUAL_RESET);
  CWaiters waiters(event, 3, 120000);
  event.Set();
  EXPECT_EQ(3, waiters.Count(WAIT_OBJECT_0));
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
  EXPECT_EQ(WAIT_OBJECT_0, event.WaitForSet(0));
  EXPECT_EQ(WAIT_OBJECT_0, event.WaitForSet(0));
}
