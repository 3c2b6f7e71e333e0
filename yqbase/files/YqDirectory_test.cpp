#include "yqbase/files/YqDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <thread>
#include <vector>

namespace {

// The kept list is the mount table sorted longest mount point first, the table's order kept
// among equal lengths, and the same for every caller until it is reset.
TEST(FXFolder, VolumeListIsTheMountTableLongestFirst) {
  FXFolder::resetLogicalVolumeList();
  std::list<ZkMntTab::Entry> volumes, table;
  ASSERT_TRUE(FXFolder::getLogicalVolumeList(volumes).Succeeded());
  ASSERT_TRUE(ZkMntTab::getAll(table).Succeeded());
  ASSERT_EQ(volumes.size(), table.size());
  EXPECT_TRUE(std::is_sorted(volumes.begin(), volumes.end(), FXFolder::CmpPathByLength));
  std::list<ZkMntTab::Entry> expected = table;
  expected.sort(FXFolder::CmpPathByLength);
  EXPECT_TRUE(volumes == expected);
  EXPECT_EQ(volumes.back().mountPoint, "/");

  // Callers on several threads all get the same copy.
  std::vector<std::list<ZkMntTab::Entry>> copies(4);
  std::vector<std::thread> threads;
  for (auto& copy : copies)
    threads.emplace_back([&copy] { (void)FXFolder::getLogicalVolumeList(copy); });
  for (std::thread& thread : threads) thread.join();
  for (const auto& copy : copies) EXPECT_TRUE(copy == volumes);
}

// The first request after a reset decides the cluster-type filter; later ones get that list.
TEST(FXFolder, ResetRereadsTheTable) {
  FXFolder::resetLogicalVolumeList();
  std::list<ZkMntTab::Entry> all, filtered;
  ASSERT_TRUE(FXFolder::getLogicalVolumeList(all, "NO-SUCH-TYPE").Succeeded());
  for (const ZkMntTab::Entry& entry : all) EXPECT_FALSE(entry.cluster) << entry.mountPoint;
  ASSERT_TRUE(FXFolder::getLogicalVolumeList(filtered, nullptr).Succeeded());
  EXPECT_TRUE(filtered == all);
  FXFolder::resetLogicalVolumeList();
  ASSERT_TRUE(FXFolder::getLogicalVolumeList(filtered, nullptr).Succeeded());
  EXPECT_EQ(filtered.size(), all.size());
}

TEST(FXFolder, CmpPathByLengthIsAStrictOrder) {
  ZkMntTab::Entry a, b;
  a.mountPoint = "/long/path";
  b.mountPoint = "/short";
  EXPECT_TRUE(FXFolder::CmpPathByLength(a, b));
  EXPECT_FALSE(FXFolder::CmpPathByLength(b, a));
  EXPECT_FALSE(FXFolder::CmpPathByLength(a, a));
}

}  // namespace
