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
  void* seen[2] = {&theirs, nullptr};  // before and after the thread sets its own
  std::thread([&] {
    seen[0] = slot.GetData();
    slot.SetData(&theirs);
    seen[1] = slot.GetData();
  }).join();
  EXPECT_EQ(nullptr, seen[0]);
  EXPECT_EQ(&theirs, seen[1]);
  EXPECT_EQ(&mine, slot.GetData());

  EXPECT_EQ(0, slot.DeInitialize());
  EXPECT_EQ(nullptr, slot.GetData());
  EXPECT_EQ(-1, slot.SetData(&mine));
}
