#include "yqbase/threads/Mutex.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "yqbase/threads/Threads_testutil.h"

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
