#include "yqbase/threads/CriticalSection.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "yqbase/threads/Mutex.h"
#include "yqbase/threads/Threads_testutil.h"

TEST(FXCriticalSection, RecursiveOnTheHoldingThread) {
  FXCriticalSection section;
  EXPECT_EQ(0, section.Lock());
  EXPECT_TRUE(section.TryLock());
  EXPECT_TRUE(section.TryLock(CTimeInterval::FromSeconds(1)));
  EXPECT_TRUE(pthread_equal(pthread_self(), section.GetOwner()));
  EXPECT_EQ(0, section.Unlock());
  EXPECT_EQ(0u, section.GetOwner());  // cleared by every Unlock, even with levels left
  EXPECT_EQ(0, section.Unlock());
  EXPECT_EQ(0, section.Unlock());
}

// Would catch a TryLock that waits: the interval form is given an hour and must still come
// back at once with false.
TEST(FXCriticalSection, TryLockHeldByAnotherThreadRefusesWithoutWaiting) {
  FXCriticalSection section;
  section.Lock();
  EXPECT_TRUE(yqtest::LockedElsewhere(section, CTimeInterval::FromSeconds(3600)));
  section.Unlock();
  EXPECT_FALSE(yqtest::LockedElsewhere(section));
}

// Both in-process locks exclude each other's holders: unsynchronised increments under the
// lock from several threads add up exactly.
TEST(FXLockableResource, LocksExcludeOtherThreads) {
  FXCriticalSection section;
  FXMutex mutex;
  for (FXLockableResource* lock : std::vector<FXLockableResource*>{&section, &mutex}) {
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([lock, &counter] {
        for (int i = 0; i < 20000; ++i) {
          auto_lock guard(lock, true);
          counter = counter + 1;
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(80000, counter);
  }
}

TEST(auto_lock, LocksForItsScope) {
  FXCriticalSection section;
  {
    auto_lock guard(&section, true);
    EXPECT_TRUE(guard.IsLocked());
    EXPECT_TRUE(yqtest::LockedElsewhere(section));
    EXPECT_EQ(0, guard.Lock());  // already held: no second level
    EXPECT_EQ(0, guard.Unlock());
    EXPECT_FALSE(guard.IsLocked());
    EXPECT_FALSE(yqtest::LockedElsewhere(section));
  }
  {
    auto_lock guard(&section, false);
    EXPECT_FALSE(guard.IsLocked());
    EXPECT_FALSE(yqtest::LockedElsewhere(section));
    EXPECT_EQ(0, guard.Lock());
    EXPECT_TRUE(yqtest::LockedElsewhere(section));
  }
  EXPECT_FALSE(yqtest::LockedElsewhere(section));
  auto_lock nothing(nullptr, true);
  EXPECT_FALSE(nothing.IsLocked());
  EXPECT_EQ(0, nothing.Unlock());
}
