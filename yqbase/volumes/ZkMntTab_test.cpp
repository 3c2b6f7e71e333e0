#include "yqbase/volumes/ZkMntTab.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/volumes/skipFS.h"

namespace {

ZkMntTab::Entry Mount(const char* mountPoint) {
  ZkMntTab::Entry entry;
  entry.device = std::string("dev") + mountPoint;
  entry.mountPoint = mountPoint;
  return entry;
}

TEST(ZkMntTab, FindTakesTheLongestMountPointOfWholeComponents) {
  const std::list<ZkMntTab::Entry> entries = {Mount("/"), Mount("/home"), Mount("/home/user"),
                                              Mount("/data/"), Mount("/home/user")};
  struct Row {
    const char* path;
    const char* expected;  // null: no entry
  };
  const Row rows[] = {
      {"/home/user2", "/home"},
      {"/home/user/x", "/home/user"},
      {"/home/user", "/home/user"},
      {"/home/user/", "/home/user"},
      {"/home/user//", "/home/user"},
      {"/home", "/home"},
      {"/homes", "/"},
      {"/", "/"},
      {"//", "/"},
      {"/data/x", "/data/"},
      {"/data", "/data/"},
      {"/dat", "/"},
      {"", nullptr},
  };
  // The same mounts as C records, in list order.
  std::vector<ZkMntEntry> records(entries.size());
  size_t i = 0;
  for (const ZkMntTab::Entry& entry : entries) {
    std::snprintf(records[i].dir, sizeof records[i].dir, "%s", entry.mountPoint.c_str());
    records[i].next = i + 1 < records.size() ? &records[i + 1] : nullptr;
    ++i;
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    const ZkMntTab::Entry* found = ZkMntTab::find(entries, row.path);
    const ZkMntEntry* record = zkMntTabFind(&records[0], row.path);
    if (row.expected == nullptr) {
      EXPECT_EQ(found, nullptr);
    } else {
      ASSERT_NE(found, nullptr);
      EXPECT_EQ(found->mountPoint, row.expected);
      // The C finder takes relative paths as text; every absolute row agrees.
      ASSERT_NE(record, nullptr);
      EXPECT_STREQ(record->dir, row.expected);
    }
  }
  EXPECT_EQ(zkMntTabFind(&records[0], nullptr), nullptr);
  EXPECT_EQ(zkMntTabFind(&records[0], "/home/user/x"), &records[2]);
  EXPECT_EQ(ZkMntTab::find(entries, nullptr), nullptr);
  // Of two equal mount points the first in the list wins.
  EXPECT_EQ(ZkMntTab::find(entries, "/home/user/x"), &*std::next(entries.begin(), 2));
  // Without a root entry, paths outside every mount point have none.
  EXPECT_EQ(ZkMntTab::find({Mount("/home")}, "/etc"), nullptr);
}

// A mount table written to a temporary file.
class MountTableFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/yqmtab_XXXXXX";
    const int fd = mkstemp(templ);
    ASSERT_GE(fd, 0);
    close(fd);
    m_path = templ;
  }
  void TearDown() override { unlink(m_path.c_str()); }
  void Write(const std::string& text) { std::ofstream(m_path) << text; }

  std::string m_path;
};

TEST_F(MountTableFile, EntriesComeInReverseOrderWithTheRootAdded) {
  Write(
      "/dev/sda1 /boot ext4 rw,relatime 0 0\n"
      "server:/export /mnt/nfs/ nfs4 rw,vers=4.2 0 0\n"
      "# a comment\n"
      "/dev/sdb1 /mnt/with\\040space xfs ro 0 0\n");
  std::list<ZkMntTab::Entry> entries = {Mount("/stale")};
  ASSERT_TRUE(ZkMntTab::getAllFromFile(m_path.c_str(), entries, nullptr).Succeeded());
  ASSERT_EQ(entries.size(), 4u);
  auto it = entries.begin();
  EXPECT_EQ(it->mountPoint, "/mnt/with space");
  EXPECT_EQ(it->device, "/dev/sdb1");
  EXPECT_EQ(it->fsType, "xfs");
  EXPECT_EQ(it->options, "ro");
  EXPECT_FALSE(it->cluster);
  ++it;
  EXPECT_EQ(it->mountPoint, "/mnt/nfs");  // trailing "/" dropped
  EXPECT_TRUE(it->cluster);
  ++it;
  EXPECT_EQ(it->mountPoint, "/boot");
  ++it;
  EXPECT_EQ(it->device, "root-dev");
  EXPECT_EQ(it->mountPoint, "/");
  EXPECT_EQ(it->options, "default");
  EXPECT_FALSE(it->cluster);
  bool skip = false;
  EXPECT_EQ(it->fsType, skipFS::getInstance().GetFsType("/", skip));
}

TEST_F(MountTableFile, ARootEntryInTheTableIsKeptAsItIs) {
  Write("/dev/vda1 / ext4 rw 0 0\n/dev/vda2 /home ext4 rw 0 0\n");
  std::list<ZkMntTab::Entry> entries;
  ASSERT_TRUE(ZkMntTab::getAllFromFile(m_path.c_str(), entries, nullptr).Succeeded());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries.back().device, "/dev/vda1");
  EXPECT_EQ(entries.back().mountPoint, "/");
}

// Escaped names are decoded; damaged lines are left out without hiding the good ones.
TEST_F(MountTableFile, EscapesAndDamagedLines) {
  Write(
      "dev1 /a\\040b\\011c ext4 rw 0 0\n"    // space and tab
      "dev2 /hash\\043x\\134y xfs rw 0 0\n"  // "#" and backslash
      "dev3 /plain\\x\\9 ext4 rw 0 0\n"      // not escapes: kept as text
      "dev4 /nul\\000 ext4 rw 0 0\n"         // a NUL cannot be a name
      "dev5 /missing-type\n"                 // too few fields
      "dev6 /long ext4 rw," +
      std::string(5000, 'o') +
      " 0 0\n"
      "   \t\n"
      "dev7 /last ext4\n");  // options may be missing
  std::list<ZkMntTab::Entry> entries;
  ASSERT_TRUE(ZkMntTab::getAllFromFile(m_path.c_str(), entries, nullptr).Succeeded());
  std::vector<std::string> points;
  for (const ZkMntTab::Entry& entry : entries) points.push_back(entry.mountPoint);
  const std::vector<std::string> expected = {"/last", "/plain\\x\\9", "/hash#x\\y", "/a b\tc", "/"};
  EXPECT_EQ(points, expected);
  EXPECT_EQ(entries.front().options, "");
}

TEST_F(MountTableFile, ClusterFlagWithAndWithoutTypeFilter) {
  struct Row {
    const char* type;
    const char* options;
    bool noFilter;    // cluster without a filter
    bool withFilter;  // cluster with the filter "nfs,VXFS,gpfs"
  };
  const Row rows[] = {
      {"nfs", "rw", true, true},          {"NFS4", "rw", true, false},
      {"nfsd", "rw", true, false},        {"gpfs", "rw", true, true},
      {"MMFS", "rw", true, false},        {"psfs", "rw", true, false},
      {"ibrix", "rw", true, false},       {"OCFS2", "rw", true, false},
      {"lustre", "rw", true, false},      {"vxfs", "rw", false, false},
      {"vxfs", "rw,cluster", true, true}, {"VxFS", "rw,CLUSTER,x", true, true},
      {"ext4", "rw", false, false},       {"xfs", "rw", false, true},  // "xfs" is in "VXFS"
  };
  std::string table;
  for (const Row& row : rows)
    table += std::string("dev /m/") + row.type + "_" + row.options + " " + row.type + " " +
             row.options + " 0 0\n";
  Write(table);
  std::list<ZkMntTab::Entry> plain, filtered;
  ASSERT_TRUE(ZkMntTab::getAllFromFile(m_path.c_str(), plain, nullptr).Succeeded());
  ASSERT_TRUE(ZkMntTab::getAllFromFile(m_path.c_str(), filtered, "nfs,VXFS,gpfs").Succeeded());
  for (const Row& row : rows) {
    const std::string mountPoint = std::string("/m/") + row.type + "_" + row.options;
    SCOPED_TRACE(mountPoint);
    const ZkMntTab::Entry* a = ZkMntTab::find(plain, mountPoint.c_str());
    const ZkMntTab::Entry* b = ZkMntTab::find(filtered, mountPoint.c_str());
    ASSERT_TRUE(a != nullptr && b != nullptr);
    EXPECT_EQ(a->mountPoint, mountPoint);
    EXPECT_EQ(a->cluster, row.noFilter);
    EXPECT_EQ(b->cluster, row.withFilter);
  }
  // The filter marks entries; it leaves none out.
  EXPECT_EQ(plain.size(), filtered.size());
}

TEST_F(MountTableFile, MissingTableGivesTheRootEntryAlone) {
  std::list<ZkMntTab::Entry> entries = {Mount("/stale")};
  const std::string missing = m_path + ".missing";
  ASSERT_TRUE(ZkMntTab::getAllFromFile(missing.c_str(), entries, nullptr).Succeeded());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries.front().device, "root-dev");

  EXPECT_TRUE(FXErrorUtil::IsWin32(ZkMntTab::getAllFromFile(nullptr, entries, nullptr), 87));
}

// The real table of this machine: a root entry, every mount point absolute and without a
// trailing "/", and the volume of a path is one of its ancestors.
TEST(ZkMntTab, ReadsThisMachinesMounts) {
  std::list<ZkMntTab::Entry> entries;
  ASSERT_TRUE(ZkMntTab::getAll(entries).Succeeded());
  ASSERT_FALSE(entries.empty());
  int roots = 0;
  for (const ZkMntTab::Entry& entry : entries) {
    SCOPED_TRACE(entry.mountPoint);
    ASSERT_FALSE(entry.mountPoint.empty());
    EXPECT_EQ(entry.mountPoint[0], '/');
    EXPECT_TRUE(entry.mountPoint == "/" || entry.mountPoint.back() != '/');
    EXPECT_FALSE(entry.fsType.empty());
    roots += entry.mountPoint == "/";
  }
  EXPECT_GE(roots, 1);
  const ZkMntTab::Entry* proc = ZkMntTab::find(entries, "/proc/self/status");
  ASSERT_NE(proc, nullptr);
  EXPECT_EQ(proc->mountPoint, "/proc");
  EXPECT_EQ(proc->fsType, "proc");
}

// The C records read the same table as getAll, in the same order, without the added root.
TEST(ZkMntTab, RecordsMatchTheEntries) {
  std::list<ZkMntTab::Entry> entries;
  ASSERT_TRUE(ZkMntTab::getAll(entries, "nfs").Succeeded());
  char error[64] = "x";
  int count = -1;
  ZkMntEntry* list = zkReadMntTabNew(error, sizeof error, "nfs", &count);
  EXPECT_STREQ(error, "");
  std::list<ZkMntTab::Entry> fromRecords;
  for (ZkMntEntry* e = list; e != nullptr; e = e->next)
    fromRecords.push_back({e->fsname, e->dir, e->cluster != 0, e->type, e->opts});
  zkFreeMntTab(list);
  EXPECT_EQ(static_cast<size_t>(count), fromRecords.size());
  if (entries.back().device == "root-dev") entries.pop_back();
  EXPECT_EQ(fromRecords, entries);

  // Keyed by mount point: one record per distinct mount point.
  std::map<std::string, ZkMntEntry*, ltstr> byMountPoint;
  ASSERT_EQ(zkReadMntTab(byMountPoint, count, nullptr, error, sizeof error), 0);
  std::set<std::string> distinct;
  for (const ZkMntTab::Entry& entry : entries) distinct.insert(entry.mountPoint);
  EXPECT_EQ(byMountPoint.size(), distinct.size());
  EXPECT_EQ(static_cast<size_t>(count), distinct.size());
  zkFreeMntTabMap(byMountPoint);

  ZkMntEntry root;
  GetRootEntry(root);
  EXPECT_STREQ(root.fsname, "root-dev");
  EXPECT_STREQ(root.dir, "/");
  EXPECT_STREQ(root.opts, "default");
}

TEST(skipFS, IgnoreDirs) {
  skipFS& fs = skipFS::getInstance();
  fs.setIgnoreDirs("/tmp:/var//cache/::/data/");
  EXPECT_EQ(fs.getIgnoreDirs(), ":/tmp/:/var/cache/:/data/:");
  struct Row {
    const char* folder;
    bool skip;
  };
  const Row rows[] = {{"/tmp", true},         {"/tmp/", true}, {"/var/cache", true},
                      {"/var//cache/", true}, {"/data", true}, {"/tmp/x", false},
                      {"/var", false},        {"", false},     {"/", false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.folder);
    EXPECT_EQ(fs.isSkipDir(row.folder), row.skip);
  }
  fs.setIgnoreDirs("");
  EXPECT_FALSE(fs.isSkipDir("/tmp"));
}

// With the cache on, a device's type is kept: a second path on the same device gets it
// without asking the kernel, and a failed look-up is not kept.
TEST(skipFS, TypeCachePerDevice) {
  skipFS& fs = skipFS::getInstance();
  fs.SetFSCacheEnabled(true);
  std::string type;
  EXPECT_TRUE(fs.isSkipFS("/proc/self", type, nullptr));
  EXPECT_EQ(type, "proc");
  struct stat64 st;
  ASSERT_EQ(stat64("/proc/1", &st), 0);
  EXPECT_TRUE(fs.isSkipFS("/proc/1", type, &st));
  EXPECT_EQ(type, "proc");
  EXPECT_FALSE(fs.isSkipFS("/no/such/path", type, nullptr));
  EXPECT_EQ(type, "Error");
  fs.SetFSCacheEnabled(false);
  EXPECT_FALSE(fs.IsFSCacheEnabled());
}

// A tmpfs mounted in a private mount namespace is named and skipped by default.
TEST(skipFS, TmpfsInAPrivateNamespace) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting needs root";
  char dir[] = "/tmp/yqskipfs_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", dir, "tmpfs", 0, "size=1m") != 0)
      _exit(2);
    bool skip = false;
    const std::string type = skipFS::getInstance().GetFsType(dir, skip);
    _exit(type == "tmpfs" && skip ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  rmdir(dir);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "no private mount namespace here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(skipFS, IgnoreTypesList) {
  skipFS& fs = skipFS::getInstance();
  const std::string saved = fs.GetIgnoreFSTypes();
  fs.SetIgnoreFSTypes("");
  EXPECT_EQ(fs.GetIgnoreFSTypes().size(), 152u);
  EXPECT_TRUE(fs.isSkipFS("nfs"));
  EXPECT_FALSE(fs.isSkipFS("ext3"));
  EXPECT_TRUE(fs.isSkipFS(""));  // the empty item of the default list
  EXPECT_FALSE(fs.isSkipFS("nf"));
  struct Row {
    const char* set;
    const char* stored;
  };
  const Row rows[] = {{"xfs", ":xfs:"}, {":xfs", ":xfs:"}, {"a:b:", ":a:b:"}, {":", "::"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.set);
    fs.SetIgnoreFSTypes(row.set);
    EXPECT_EQ(fs.GetIgnoreFSTypes(), row.stored);
  }
  fs.SetIgnoreFSTypes("xfs");
  EXPECT_TRUE(fs.isSkipFS("xfs"));
  EXPECT_FALSE(fs.isSkipFS("nfs"));
  fs.SetIgnoreFSTypes(saved);
}

TEST(skipFS, TypesOfKernelFileSystems) {
  struct Row {
    const char* path;
    const char* type;
    bool skip;
  };
  const Row rows[] = {{"/proc", "proc", true},
                      {"/proc/self/status", "proc", true},
                      {"/sys", "sysfs", true},
                      {"/no/such/path", "Error", false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    bool skip = !row.skip;
    EXPECT_EQ(skipFS::getInstance().GetFsType(row.path, skip), row.type);
    EXPECT_EQ(skip, row.skip);
  }
  // A caller's stat record is used for the first look.
  struct stat64 st;
  ASSERT_EQ(stat64("/proc", &st), 0);
  bool skip = false;
  EXPECT_EQ(skipFS::getInstance().GetFsType("/proc", skip, &st), "proc");
  EXPECT_EQ(zk_fs_major(&st), major(st.st_dev));
}

}  // namespace
