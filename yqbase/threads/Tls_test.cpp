#include "yqbase/threads/Tls.h"

#include <gtest/gtest.h>

#include <thread>

TEST(CTls, EachThreadHasItsOwnValueBetweenInitializeAndDeInitialize) {
  CTls slot;
  int mine = 1, theirs = 2;
  EXPECT_EQ(-1, slot.SetData(&mine));
  EXPECT_EQ(nullptr, slot.GetData());
  EXPECT_EQ(0, CTls().DeInitialize());
  ASSERT_EQ(0, slot.Initialize());
  ASSERT_EQ(0, slot.Initialize());  // a second call keeps the slot
  EXPECT_EQ(0, slot.SetData(&mine));
  void* seenBefore = &theirs;
  void* seenAfter = nullptr;
  std::thread([&] {
    seenBefore = slot.GetData();
    slot.SetData(&theirs);
    seenAfter = slot.GetData();
  }).join();
  EXPECT_EQ(nullptr, seenBefore);
  EXPECT_EQ(&theirs, seenAfter);
  EXPECT_EQ(&mine, slot.GetData());

  EXPECT_EQ(0, slot.DeInitialize());
  EXPECT_EQ(nullptr, slot.GetData());
  EXPECT_EQ(-1, slot.SetData(&mine));
}
