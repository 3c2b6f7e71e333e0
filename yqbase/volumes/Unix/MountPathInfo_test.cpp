#include "yqbase/volumes/Unix/MountPathInfo.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/files/YqDirectory.h"
#include "yqbase/logging/LogWriter_testutil.h"
#include "yqbase/threads/SendEventInterface.h"
#include "yqbase/volumes/skipFS.h"

namespace {

typedef MountPathInfo::ContentEntry Entry;
constexpr int kSkipExit = 77;

// Runs `body` with a new folder (its resolved path) in a forked child inside a private mount
// namespace, so that its mounts (and a table bound over /etc/mtab) vanish with it. The child
// reports through gtest's output and its exit status; the parent skips when the namespace
// cannot be made (not root).
void InMountNamespace(const std::function<void(const std::string&)>& body) {
  if (::geteuid() != 0) GTEST_SKIP() << "mount namespaces need root";
  char name[] = "/tmp/yqbase_mounts_XXXXXX", real[PATH_MAX];
  ASSERT_TRUE(::mkdtemp(name) && ::realpath(name, real));
  std::fflush(nullptr);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
      ::_exit(kSkipExit);
    FXFolder::resetLogicalVolumeList();
    body(real);
    std::fflush(nullptr);
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  yqbase_test::RemoveTreeAt(AT_FDCWD, real);
  if (WIFEXITED(status) && WEXITSTATUS(status) == kSkipExit)
    GTEST_SKIP() << "no private mount namespace here";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the child failed (its messages are above), status " << status;
}

void Write(const std::string& path, const std::string& text, mode_t mode = 0644) {
  std::ofstream(path, std::ios::binary) << text;
  ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

void Mkdirs(const std::string& base, std::initializer_list<const char*> names) {
  for (const char* name : names) ASSERT_EQ(::mkdir((base + "/" + name).c_str(), 0755), 0) << name;
}

// Options with the automount check off and the space-separated `flags` set.
CBagPtr Options(const std::string& flags = "", const char* clusterTypes = nullptr) {
  CBagPtr bag(new CBag);
  std::istringstream words("isDisableAutomountCheck " + flags);
  for (std::string flag; words >> flag;) EXPECT_TRUE(bag->Write(flag.c_str(), true).Succeeded());
  EXPECT_TRUE(!clusterTypes || bag->Write("sClusteredFSTypes", clusterTypes).Succeeded());
  return bag;
}

// "kind path volume [excludes]" of each entry, with `base` cut from the paths.
std::vector<std::string> Describe(const std::list<Entry>& entries, const std::string& base) {
  auto cut = [&base](const std::string& p) {
    return p.compare(0, base.size(), base) == 0 ? p.substr(base.size()) : p;
  };
  std::vector<std::string> described;
  for (const Entry& e : entries) {
    std::string text = std::to_string(e.kind) + " " + cut(e.path) + " " + cut(e.volume) + " [";
    for (const std::string& x : e.excludes) text += cut(x) + ";";
    described.push_back(text + "]");
  }
  return described;
}

// No mount below an entry is scanned with it: each is in that entry's exclusion list.
void ExpectEveryMountAccounted(const std::list<Entry>& entries) {
  std::list<ZkMntTab::Entry> volumes;
  ASSERT_TRUE(FXFolder::getLogicalVolumeList(volumes).Succeeded());
  for (const Entry& e : entries)
    for (const ZkMntTab::Entry& v : volumes) {
      const std::string& m = v.mountPoint;
      const bool below = m != e.path && m.compare(0, e.path.size(), e.path) == 0 &&
                         (e.path == "/" || m[e.path.size()] == '/');
      EXPECT_TRUE(!below || std::find(e.excludes.begin(), e.excludes.end(), m) != e.excludes.end())
          << m << " is neither excluded from " << e.path << " nor its own entry";
    }
}

// Records the skipped volumes reported to the host.
class CSkipRecorder : public ISendEventInterface {
 public:
  void SendSkipFSEvent(const std::string& mountPath, const std::string& type, long long) override {
    skipped.push_back(mountPath + " " + type);
  }
  std::vector<std::string> skipped;
};

}  // namespace

// Real nested tmpfs mounts, bind mounts of a folder and of a file, a skipped proc mount and a
// direct automount point, expanded from a link to a folder above them.
TEST(MountPathInfo, RealNestedMounts) {
  InMountNamespace([](const std::string& base) {
    const std::string c = base + "/c";
    auto mount = [&](const std::string& from, const char* at, const char* type, unsigned long f) {
      ASSERT_EQ(::mount(from.c_str(), (c + at).c_str(), type, f, type ? "size=1m" : nullptr), 0);
    };
    ASSERT_EQ(::mount("tmpfs", base.c_str(), "tmpfs", 0, "size=1m"), 0);
    Mkdirs(base, {"c", "other", "c/m1", "c/bind", "c/au", "bin"});
    Write(base + "/f", "x");
    Write(c + "/file", "");
    Write(base + "/bin/service", "#!/bin/sh\necho running\n", 0755);
    Write(base + "/bin/automount",
          "#!/bin/sh\necho x >>" + base + "/ran\necho 'Mount point: /-'\necho ' " + c + "/au |'\n",
          0755);
    ASSERT_EQ(::setenv("PATH", (base + "/bin").c_str(), 1), 0);
    mount("tmpfs", "/m1", "tmpfs", 0);
    mount("tmpfs", "/au", "tmpfs", 0);
    Mkdirs(c, {"m1/m2", "m1/pr"});
    mount("tmpfs", "/m1/m2", "tmpfs", 0);
    Mkdirs(c, {"m1/m2/x"});
    ASSERT_EQ(::mount("proc", (c + "/m1/pr").c_str(), "proc", 0, nullptr), 0);
    mount(base + "/other", "/bind", nullptr, MS_BIND);
    mount(base + "/f", "/file", nullptr, MS_BIND);
    ASSERT_EQ(::symlink(c.c_str(), (base + "/link").c_str()), 0);
    skipFS::getInstance().SetIgnoreFSTypes(":proc:sysfs:");
    boost::shared_ptr<CSkipRecorder> events(new CSkipRecorder);
    ISendEventInterface::SetInstance(events);
    yqtest::CScopedCaptureLog log;

    for (bool follow : {false, true}) {
      SCOPED_TRACE(follow ? "following mounts" : "not following mounts");
      std::list<Entry> entries;
      CBagPtr options(new CBag);
      ASSERT_TRUE(options->Write("isFollowMountPoint", follow ? "true" : "0").Succeeded());
      CYqError err = MountPathInfo::expandContentPathByVolumes(base + "/link/", entries, options);
      ASSERT_TRUE(err.Succeeded()) << err.AsString();
      std::vector<std::string> expected{"0 /c  [/c/au;/c/bind;/c/file;/c/m1;/c/m1/m2;/c/m1/pr;]"};
      if (follow)
        expected.insert(expected.end(),
                        {"1 /c/bind /c/bind []", "1 /c/file /c/file []",
                         "1 /c/m1 /c/m1 [/c/m1/m2;/c/m1/pr;]", "1 /c/m1/m2 /c/m1/m2 []"});
      EXPECT_EQ(Describe(entries, base), expected);
      ExpectEveryMountAccounted(entries);
    }
    EXPECT_EQ(events->skipped, (std::vector<std::string>{c + "/au tmpfs", c + "/m1/pr proc",
                                                         c + "/au tmpfs", c + "/m1/pr proc"}));
    std::ifstream ran(base + "/ran");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(ran), {}), "x\n");  // queried once
    std::string text;
    for (const yqtest::SLogLine& line : log.Writer().Lines()) text += line.text + "\n";
    for (const std::string& line :
         {"'" + c + "/file' is a file mount point", "proc volume [" + c + "/m1/pr] is skipped",
          "Will be skipping " + c + "/au as " + c + "/au is autofs",
          "Adding descendant path '" + c + "/m1/m2'",
          "Exclude descendent mount path " + c + "/m1/m2",
          "For source path '" + c + "' the volume name is '" + base + "'"})
      EXPECT_NE(text.find(line), std::string::npos) << line;

    // A content path below a mount that went away after the volume list was read.
    ASSERT_EQ(::umount2((c + "/m1/m2").c_str(), MNT_DETACH), 0);
    std::list<Entry> entries;
    CBagPtr options = Options();
    CYqError err = MountPathInfo::expandContentPathByVolumes(c + "/m1/m2/x", entries, options);
    EXPECT_TRUE(FXErrorUtil::IsErrNo(err, ENOENT)) << err.AsString();
    EXPECT_TRUE(entries.empty());
  });
}

// Volume types that cannot be mounted here come from a mount table bound over /etc/mtab.
TEST(MountPathInfo, TypeRulesFromTable) {
  InMountNamespace([](const std::string& base) {
    const std::string c = base + "/c";
    Mkdirs(base, {"c", "c/g", "c/mm", "c/gl", "c/lu", "c/nf", "c/oc", "c/lo", "c/lo2", "c/g/x"});
    std::string table = "/dev/vda / ext4 rw 0 0\nsrc " + base + " xfs rw 0 0\n";
    const char* mounts[][3] = {{"gpfs0", "g", "gpfs"},
                               {"mm0", "mm", "mmfs"},
                               {"gl:/v", "gl", "fuse.glusterfs"},
                               {"lu@tcp:/fs", "lu", "lustre"},
                               {"srv:/x", "nf", "nfs"},
                               {"sda", "oc", "ocfs2"},
                               {"@nf", "lo", "lofs"},
                               {"@oc", "lo2", "lofs"},
                               {"gone", "gone", "xfs"}};  // no folder
    for (const auto& m : mounts)
      table += (m[0][0] == '@' ? c + "/" + (m[0] + 1) : m[0]) + " " + c + "/" + m[1] + " " + m[2] +
               " rw 0 0\n";
    Write(base + "/mtab", table);
    ASSERT_EQ(::mount((base + "/mtab").c_str(), "/etc/mtab", nullptr, MS_BIND, nullptr), 0);

    struct Case {
      const char* flags;  // with isFollowMountPoint
      const char* clusterTypes;
      bool contentEntry;
      std::set<std::string> followed;
    } cases[] = {
        {"", nullptr, true, {"g", "mm", "gl", "lu", "oc", "lo2"}},  // nfs and its loopback out
        {"isSkipFSCheck", nullptr, true, {"g", "mm", "gl", "lu", "nf", "oc", "lo", "lo2"}},
        {"isGpfsScan", nullptr, false, {"g", "mm"}},
        {"isGlusterScan", nullptr, false, {"gl"}},
        {"isLustreScan", nullptr, false, {"lu"}},
        {"isClusterFSFilter", "GPFS,ocfs2", true, {"mm", "gl", "lu"}},
        {"isClusterFSFilter isClusterGroupClient", "gpfs,ocfs2", false, {"g", "oc", "lo2"}},
        {"isClusterFSFilter", nullptr, true, {"gl"}},  // the table's cluster types
    };
    for (Case& t : cases) {
      SCOPED_TRACE(std::string(t.flags) + " " + (t.clusterTypes ? t.clusterTypes : ""));
      std::list<Entry> entries;
      CBagPtr options = Options(std::string("isFollowMountPoint ") + t.flags, t.clusterTypes);
      CYqError err = MountPathInfo::expandContentPathByVolumes(c, entries, options);
      ASSERT_TRUE(err.Succeeded()) << err.AsString();
      std::set<std::string> followed;
      bool contentEntry = false;
      for (const Entry& e : entries) {
        if (e.kind == Entry::kContentPath)
          contentEntry = e.path == c && e.volume == base;
        else
          followed.insert(e.path.substr(c.size() + 1));
      }
      EXPECT_EQ(contentEntry, t.contentEntry);
      EXPECT_EQ(followed, t.followed);
      ExpectEveryMountAccounted(entries);
    }

    // A stale mount is excluded without being touched; a content path on it fails.
    std::list<ZkMntTab::Entry> stale(1);
    stale.front().mountPoint = c + "/g";
    MountPathInfo::SetStaleFSList(stale);
    EXPECT_TRUE(MountPathInfo::IsStaleFSPresent());
    std::list<Entry> entries;
    CBagPtr options = Options("isFollowMountPoint isSkipFSCheck");
    ASSERT_TRUE(MountPathInfo::expandContentPathByVolumes(c, entries, options).Succeeded());
    EXPECT_EQ(entries.size(), 8u);
    ExpectEveryMountAccounted(entries);
    CYqError err = MountPathInfo::expandContentPathByVolumes(c + "/g/x", entries, options);
    EXPECT_TRUE(FXErrorUtil::IsErrNo(err, ESTALE)) << err.AsString();
    EXPECT_EQ(entries.size(), 8u);
  });
}

// The automounter commands are scripts of the test's own, first (and alone) on PATH; each
// case runs in a fresh child, since the query runs once per process.
TEST(MountPathInfo, AutomountQuery) {
  const std::string maps =
      "Mount point: /misc\n\nsource(s):\n  map: /etc/auto.misc\n  cd | -fstype=iso9660 "
      ":/dev/cdrom\nMount point: /-\n\nsource(s):\n  map: /etc/auto.direct\n  /direct/b | "
      "srv:/b\n  /direct/a | -fstype=nfs srv:/a\n\nMount point: /net\n";
  const std::vector<std::string> all = {"/direct/a", "/direct/b", "/misc", "/net"};
  struct Case {
    const char* service;    // its output, or null for no such command
    std::string automount;  // its output; "-" for no such command
    bool succeeds;
    std::vector<std::string> list;
  } cases[] = {
      {"   Active: inactive (dead)\n", maps, true, {}},  // service stopped (systemd)
      {"automount is stopped\n", maps, true, {}},        // (sysv)
      {"autofs stop/waiting\n", maps, true, {}},         // (upstart)
      {"   Active: active (running)\n", maps, true, all},
      {nullptr, maps, true, all},
      {"running\n", "automount: Ambiguous or unknown options\n", true, {"/auto/home", "/misc"}},
      {"running\n", "-", false, {}},
      {"running\n", "", true, {}},
      {"running\n",  // binary and overlong lines
       std::string("Mount point: /bin\0ary\n\xff\xfe\x01\n", 26) + "Mount point: /" +
           std::string(10000, 'x') + "\nMount point: /ok\n",
       true,
       {"/ok"}},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(std::string(t.service ? t.service : "no service") + " / " +
                 t.automount.substr(0, 40));
    InMountNamespace([&](const std::string& bin) {
      if (t.service != nullptr)
        Write(bin + "/service", std::string("#!/bin/sh\n/bin/cat ") + bin + "/service.out\n", 0755);
      Write(bin + "/service.out", t.service != nullptr ? t.service : "");
      if (t.automount != "-")
        Write(bin + "/automount",
              "#!/bin/sh\n/bin/touch " + bin + "/ran\n/bin/cat " + bin + "/automount.out\n", 0755);
      Write(bin + "/automount.out", t.automount);
      Write(bin + "/mtab",
            "/dev/vda / ext4 rw 0 0\nauto.misc /misc autofs rw 0 0\n"
            "auto.home /auto/home autofs rw 0 0\nsrv:/x /nfs nfs rw 0 0\n");
      ASSERT_EQ(::mount((bin + "/mtab").c_str(), "/etc/mtab", nullptr, MS_BIND, nullptr), 0);
      ASSERT_EQ(::setenv("PATH", bin.c_str(), 1), 0);
      CYqError err = MountPathInfo::ParseAutomountCommand();
      EXPECT_EQ(err.Succeeded(), t.succeeds) << err.AsString();
      EXPECT_TRUE(t.succeeds || yqbase_test::HasText(err, "failed to collect automount maps"));
      EXPECT_EQ(MountPathInfo::GetAutoMountList(), t.list);
      const bool stopped = t.list.empty() && t.succeeds && t.automount == maps;
      EXPECT_EQ(::access((bin + "/ran").c_str(), F_OK) != 0, stopped || t.automount == "-");
      if (t.list.empty()) return;
      EXPECT_TRUE(MountPathInfo::CheckForAutoFS((t.list.front() + "/key").c_str()));
      EXPECT_TRUE(MountPathInfo::CheckForAutoFS(t.list.back().c_str()));
      EXPECT_FALSE(MountPathInfo::CheckForAutoFS("/nfs/key"));
      EXPECT_FALSE(MountPathInfo::CheckForAutoFS("/"));
    });
  }
}

TEST(MountPathInfo, BadInput) {
  yqbase_test::CTempFolder tmp;
  ASSERT_EQ(::symlink("loop", (tmp / "loop").c_str()), 0);
  yqtest::CScopedCaptureLog log;
  CBagPtr wrongType(new CBag), wrongFlag(new CBag), none, good = Options();
  ASSERT_TRUE(wrongType->WriteAny("isFollowMountPoint", boost::any(1.5)).Succeeded());
  ASSERT_TRUE(wrongFlag->Write("isGpfsScan", "maybe").Succeeded());
  struct Case {
    std::string path;
    CBagPtr options;
    const char* text;
  } cases[] = {
      {"/home/*", good, "path should not include wild-card elements"},
      {"/tmp/[ab]", none, "path should not include wild-card elements"},
      {tmp / "missing/x", good, "not found"},
      {tmp / "loop/x", good, "MakeRealPath failed."},
      {tmp.path(), wrongType, "invalid option 'isFollowMountPoint'"},
      {tmp.path(), wrongFlag, "invalid option 'isGpfsScan'"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.path + " " + c.text);
    std::list<Entry> entries(1);
    CYqError err = MountPathInfo::expandContentPathByVolumes(c.path, entries, c.options);
    EXPECT_NE(err.AsString().find(c.text), std::string::npos) << err.AsString();
    EXPECT_TRUE(err.Failed() && entries.size() == 1);
  }
  for (const yqtest::SLogLine& line : log.Writer().Lines())
    EXPECT_EQ(line.text.find("is descendant of"), std::string::npos) << line.text;

  // Paths in turn: the entries of those before a failing one stay.
  std::list<Entry> entries;
  CYqError err =
      MountPathInfo::prepareContentPathByVolumes({tmp.path(), tmp / "missing"}, entries, good);
  EXPECT_TRUE(err.Failed());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries.front().kind, Entry::kContentPath);
}

// The whole machine from "/": every mount is accounted for, whatever this machine mounts.
TEST(MountPathInfo, ExpandsRoot) {
  FXFolder::resetLogicalVolumeList();
  for (bool follow : {false, true}) {
    std::list<Entry> entries;
    CBagPtr options = Options(follow ? "isFollowMountPoint" : "");
    CYqError err = MountPathInfo::expandContentPathByVolumes("/", entries, options);
    ASSERT_TRUE(err.Succeeded()) << err.AsString();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.front().path, "/");
    EXPECT_EQ(entries.size() == 1, !follow);
    ExpectEveryMountAccounted(entries);
  }
}
