#include "yqbase/threads/CriticalSection.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
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

TEST(FXMutex, CountsTheLevelsOfItsHolder) {
  FXMutex mutex;
  EXPECT_EQ(0, mutex.Lock());
  EXPECT_EQ(0, mutex.Lock());
  EXPECT_TRUE(mutex.TryLock());
  EXPECT_EQ(3, mutex.GetLockCount());
  EXPECT_TRUE(pthread_equal(pthread_self(), mutex.GetOwner()));
  EXPECT_EQ(0, mutex.Unlock());
  EXPECT_EQ(0, mutex.Unlock());
  EXPECT_TRUE(pthread_equal(pthread_self(), mutex.GetOwner()));
  EXPECT_EQ(0, mutex.Unlock());
  EXPECT_EQ(0, mutex.GetLockCount());
  EXPECT_EQ(0u, mutex.GetOwner());
  EXPECT_EQ(EPERM, mutex.Unlock());  // nothing left to release
}

TEST(FXMutex, OtherThreadsCanNeitherTakeNorReleaseIt) {
  FXMutex mutex;
  mutex.Lock();
  int released = 0;
  std::thread([&] { released = mutex.Unlock(); }).join();
  EXPECT_EQ(EPERM, released);
  EXPECT_TRUE(yqtest::LockedElsewhere(mutex, CTimeInterval::FromMilliseconds(20)));
  EXPECT_EQ(1, mutex.GetLockCount());
  EXPECT_EQ(0, mutex.Unlock());
}

TEST(FXMutex, TimedTryLock) {
  // A long wait is ended by the holder's Unlock.
  FXMutex mutex;
  mutex.Lock();
  std::atomic<bool> waiting(false), got(false);
  std::thread waiter([&] {
    waiting = true;
    got = mutex.TryLock(CTimeInterval::FromSeconds(60));
    if (got) mutex.Unlock();
  });
  ASSERT_TRUE(yqtest::WaitUntil([&] { return waiting.load(); }));
  mutex.Unlock();
  waiter.join();
  EXPECT_TRUE(got);

  EXPECT_TRUE(mutex.TryLock(CTimeInterval(CTimeInterval::kInfinite)));
  EXPECT_TRUE(mutex.TryLock(CTimeInterval(0)));
  EXPECT_EQ(2, mutex.GetLockCount());
  mutex.Unlock();
  mutex.Unlock();
}

TEST(FXMutex, InitRefusesWhileHeld) {
  FXMutex mutex;
  mutex.Lock();
  EXPECT_EQ(EBUSY, mutex.Init());
  mutex.Unlock();
  EXPECT_EQ(0, mutex.Init());
  EXPECT_EQ(0, mutex.Lock());
  EXPECT_EQ(0, mutex.Unlock());
}

// Would catch a destructor that destroys a held mutex (pthread_mutex_destroy fails with EBUSY
// and the failure is logged).
TEST(FXMutex, DestructionReleasesEveryLevel) {
  yqtest::CScopedCaptureLog log;
  std::unique_ptr<FXMutex> mutex(new FXMutex());
  mutex->Lock();
  mutex->Lock();
  mutex.reset();
  EXPECT_TRUE(log.Writer().Lines().empty());
}
