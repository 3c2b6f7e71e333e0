#include "yqbase/volumes/ZkMntTab.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/volumes/skipFS.h"

namespace {

typedef std::list<ZkMntTab::Entry> Entries;

ZkMntTab::Entry Mount(const char* mountPoint) {
  ZkMntTab::Entry entry;
  entry.device = std::string("dev") + mountPoint;
  entry.mountPoint = mountPoint;
  return entry;
}

// Reads `table` from a temporary file into a list that held a stale entry before.
Entries ReadTable(const std::string& table, const char* typeFilter = nullptr) {
  yqbase_test::CTempFolder tmp;
  std::ofstream(tmp / "mtab") << table;
  Entries entries = {Mount("/stale")};
  EXPECT_TRUE(ZkMntTab::getAllFromFile((tmp / "mtab").c_str(), entries, typeFilter).Succeeded());
  return entries;
}

// "device mountPoint type options" of each entry, "+" after the cluster ones.
std::vector<std::string> Describe(const Entries& entries) {
  std::vector<std::string> described;
  for (const ZkMntTab::Entry& e : entries)
    described.push_back(e.device + " " + e.mountPoint + " " + e.fsType + " " + e.options +
                        (e.cluster ? "+" : ""));
  return described;
}

TEST(ZkMntTab, FindTakesTheLongestMountPointOfWholeComponents) {
  const Entries entries = {Mount("/"), Mount("/home"), Mount("/home/user"), Mount("/data/"),
                           Mount("/home/user")};
  struct Row {
    const char* path;
    const char* expected;  // null: no entry
  };
  const Row rows[] = {{"/home/user2", "/home"},
                      {"/home/user/x", "/home/user"},
                      {"/home/user/", "/home/user"},
                      {"/home/user//", "/home/user"},
                      {"/home", "/home"},
                      {"/homes", "/"},
                      {"//", "/"},
                      {"/data/x", "/data/"},
                      {"/data", "/data/"},
                      {"/dat", "/"},
                      {"", nullptr},
                      {nullptr, nullptr}};
  // The same mounts as C records, in list order.
  std::vector<ZkMntEntry> records(entries.size());
  size_t i = 0;
  for (const ZkMntTab::Entry& entry : entries) {
    std::snprintf(records[i].dir, sizeof records[i].dir, "%s", entry.mountPoint.c_str());
    records[i].next = i + 1 < records.size() ? &records[i + 1] : nullptr;
    ++i;
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path ? row.path : "null");
    const ZkMntTab::Entry* found = ZkMntTab::find(entries, row.path);
    const ZkMntEntry* record = zkMntTabFind(&records[0], row.path);
    EXPECT_EQ(row.expected ? row.expected : "-", found ? found->mountPoint : "-");
    EXPECT_STREQ(row.expected ? row.expected : "-", record ? record->dir : "-");
  }
  // Of two equal mount points the first in the list wins.
  EXPECT_EQ(zkMntTabFind(&records[0], "/home/user/x"), &records[2]);
  EXPECT_EQ(ZkMntTab::find(entries, "/home/user/x"), &*std::next(entries.begin(), 2));
  // Without a root entry, paths outside every mount point have none.
  EXPECT_EQ(ZkMntTab::find({Mount("/home")}, "/etc"), nullptr);
}

// Reverse order, decoded names, damaged lines left out without hiding the good ones, and a
// root entry added when the table has none.
TEST(ZkMntTab, ReadsTablesInReverseOrderWithTheRootAdded) {
  bool skip = false;
  const std::string rootType = skipFS::getInstance().GetFsType("/", skip);
  const std::vector<std::string> expected = {"dev7 /last ext4 ",
                                             "dev3 /plain\\x\\9 ext4 rw",
                                             "dev2 /hash#x\\y xfs rw",
                                             "dev1 /a b\tc ext4 rw",
                                             "server:/export /mnt/nfs nfs4 rw,vers=4.2+",
                                             "/dev/sda1 /boot ext4 rw,relatime",
                                             "root-dev / " + rootType + " default"};
  const std::string table =
      "/dev/sda1 /boot ext4 rw,relatime 0 0\n"
      "server:/export /mnt/nfs/ nfs4 rw,vers=4.2 0 0\n"
      "# a comment\n"
      "dev1 /a\\040b\\011c ext4 rw 0 0\n"    // space and tab
      "dev2 /hash\\043x\\134y xfs rw 0 0\n"  // "#" and backslash
      "dev3 /plain\\x\\9 ext4 rw 0 0\n"      // not escapes: kept as text
      "dev4 /nul\\000 ext4 rw 0 0\n"         // a NUL cannot be a name
      "dev5 /missing-type\n"                 // too few fields
      "dev6 /long ext4 rw," +
      std::string(5000, 'o') + " 0 0\n   \t\ndev7 /last ext4\n";
  EXPECT_EQ(expected, Describe(ReadTable(table)));
  EXPECT_EQ((std::vector<std::string>{"/dev/vda2 /home ext4 rw", "/dev/vda1 / ext4 rw"}),
            Describe(ReadTable("/dev/vda1 / ext4 rw 0 0\n/dev/vda2 /home ext4 rw 0 0\n")));

  yqbase_test::CTempFolder tmp;
  Entries entries = {Mount("/stale")};
  ASSERT_TRUE(ZkMntTab::getAllFromFile((tmp / "none").c_str(), entries, nullptr).Succeeded());
  EXPECT_EQ(std::vector<std::string>{"root-dev / " + rootType + " default"}, Describe(entries));
  EXPECT_TRUE(FXErrorUtil::IsWin32(ZkMntTab::getAllFromFile(nullptr, entries, nullptr), 87));
}

TEST(ZkMntTab, ClusterFlagWithAndWithoutTypeFilter) {
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
  const Entries plain = ReadTable(table), filtered = ReadTable(table, "nfs,VXFS,gpfs");
  ASSERT_EQ(plain.size(), filtered.size());  // the filter marks entries; it leaves none out
  auto a = plain.rbegin(), b = filtered.rbegin();
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.type) + " " + row.options);
    EXPECT_EQ(std::string("/m/") + row.type + "_" + row.options, (++a)->mountPoint);
    EXPECT_EQ(row.noFilter, a->cluster);
    EXPECT_EQ(row.withFilter, (++b)->cluster);
  }
}

// The real table of this machine: a root entry, every mount point absolute and without a
// trailing "/"; the C records read the same table in the same order, without the added root.
TEST(ZkMntTab, ReadsThisMachinesMountsAndRecordsMatch) {
  Entries entries;
  ASSERT_TRUE(ZkMntTab::getAll(entries, "nfs").Succeeded());
  for (const ZkMntTab::Entry& entry : entries) {
    SCOPED_TRACE(entry.mountPoint);
    EXPECT_EQ("/", entry.mountPoint.substr(0, 1));
    EXPECT_TRUE(entry.mountPoint == "/" || entry.mountPoint.back() != '/');
    EXPECT_FALSE(entry.fsType.empty());
  }
  const ZkMntTab::Entry* proc = ZkMntTab::find(entries, "/proc/self/status");
  ASSERT_NE(proc, nullptr);
  EXPECT_EQ(proc->mountPoint + " " + proc->fsType, "/proc proc");
  ASSERT_NE(ZkMntTab::find(entries, "/etc"), nullptr);

  char error[64] = "x";
  int count = -1;
  ZkMntEntry* list = zkReadMntTabNew(error, sizeof error, "nfs", &count);
  EXPECT_STREQ(error, "");
  Entries fromRecords;
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
  EXPECT_EQ(std::string(root.fsname) + " " + root.dir + " " + root.opts, "root-dev / default");
}

TEST(skipFS, IgnoreDirs) {
  skipFS& fs = skipFS::getInstance();
  fs.setIgnoreDirs("/tmp:/var//cache/::/data/");
  EXPECT_EQ(fs.getIgnoreDirs(), ":/tmp/:/var/cache/:/data/:");
  struct Row {
    const char* folder;
    bool skip;
  };
  const Row rows[] = {{"/tmp", true},  {"/tmp/", true},   {"/var//cache/", true},
                      {"/data", true}, {"/tmp/x", false}, {"/var", false},
                      {"", false},     {"/", false}};
  for (const Row& row : rows) EXPECT_EQ(fs.isSkipDir(row.folder), row.skip) << row.folder;
  fs.setIgnoreDirs("");
  EXPECT_FALSE(fs.isSkipDir("/tmp"));
}

TEST(skipFS, IgnoreTypesList) {
  skipFS& fs = skipFS::getInstance();
  const std::string saved = fs.GetIgnoreFSTypes();
  fs.SetIgnoreFSTypes("");
  EXPECT_EQ(fs.GetIgnoreFSTypes().size(), 152u);
  EXPECT_TRUE(fs.isSkipFS("nfs") && fs.isSkipFS(""));  // "": the empty item of the default list
  EXPECT_FALSE(fs.isSkipFS("ext3") || fs.isSkipFS("nf"));
  const char* rows[][2] = {{"xfs", ":xfs:"}, {":xfs", ":xfs:"}, {"a:b:", ":a:b:"}, {":", "::"}};
  for (const auto& row : rows) {
    fs.SetIgnoreFSTypes(row[0]);
    EXPECT_EQ(fs.GetIgnoreFSTypes(), row[1]) << row[0];
  }
  fs.SetIgnoreFSTypes("xfs");
  EXPECT_TRUE(fs.isSkipFS("xfs"));
  EXPECT_FALSE(fs.isSkipFS("nfs"));
  fs.SetIgnoreFSTypes(saved);
}

// Kernel file systems, with and without the per-device cache: with it, a second path on the
// same device gets the type kept for it, and a failed look-up is not kept.
TEST(skipFS, TypesOfKernelFileSystems) {
  skipFS& fs = skipFS::getInstance();
  struct stat64 st;
  ASSERT_EQ(stat64("/proc/1", &st), 0);
  EXPECT_EQ(zk_fs_major(&st), major(st.st_dev));
  for (bool cache : {false, true}) {
    fs.SetFSCacheEnabled(cache);
    const char* rows[][2] = {
        {"/proc/self", "proc"},     {"/proc/1", "proc"},      {"/sys", "sysfs"},
        {"/no/such/path", "Error"}, {"/sys/kernel", "sysfs"},
    };
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(row[0]) + (cache ? " cached" : ""));
      std::string type;
      const bool error = row[1] == std::string("Error");
      EXPECT_EQ(!error,
                fs.isSkipFS(row[0], type, row[0] == std::string("/proc/1") ? &st : nullptr));
      EXPECT_EQ(row[1], type);
    }
  }
  fs.SetFSCacheEnabled(false);
}

// A tmpfs mounted in a private mount namespace is named and skipped by default.
TEST(skipFS, TmpfsInAPrivateNamespace) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting needs root";
  yqbase_test::CTempFolder tmp;
  const char* dir = tmp.path().c_str();
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
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "no private mount namespace here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
