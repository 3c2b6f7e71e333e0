#include "yqbase/platform/FolderWatcher.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Files_testutil.h"

namespace {

typedef std::pair<DWORD, std::string> Action;

// Collects actions; can hold the watcher's thread at its first action to stall it.
class CCollector : public IFolderWatcherCallback {
 public:
  explicit CCollector(bool stall = false) : m_stalled(stall) {}

  void OnFolderAction(EFolderWatcherFolderAction::Type action, const std::string& path) override {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] { return !m_stalled; });
    m_actions.emplace_back(action, path);
    m_changed.notify_all();
  }

  void Release() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_stalled = false;
    m_changed.notify_all();
  }

  // Waits (bounded) until `count` actions arrived and takes them all.
  std::vector<Action> Take(size_t count) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait_for(lock, std::chrono::seconds(20), [&] { return m_actions.size() >= count; });
    return std::exchange(m_actions, {});
  }

  // Waits (bounded) until an action satisfies `match`.
  bool WaitFor(const std::function<bool(const Action&)>& match) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::seconds(60), [&] {
      for (const Action& a : m_actions)
        if (match(a)) return true;
      return false;
    });
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_stalled;
  std::vector<Action> m_actions;
};

void WriteFile(const std::string& path, const char* text) {
  std::ofstream(path, std::ios::app) << text;
}

}  // namespace

// Every kind of change, at the top and in sub-folders that existed before or appeared after
// the start, including a folder renamed while watched.
TEST(CFolderWatcher, ReportsExactlyTheActions) {
  yqbase_test::CTempFolder tmp;
  const std::string root = tmp / "w";
  const std::string outside = tmp / "outside";
  ASSERT_EQ(0, ::mkdir(root.c_str(), 0700));
  ASSERT_EQ(0, ::mkdir((root + "/old").c_str(), 0700));
  WriteFile(outside, "o");

  CCollector collector;
  CFolderWatcher watcher(root + "/", &collector);
  ASSERT_TRUE(watcher.Start().Succeeded());
  EXPECT_EQ(2u, watcher.GetWatchCount());

  const DWORD ADDED = EFolderWatcherFolderAction::ADDED;
  const DWORD REMOVED = EFolderWatcherFolderAction::REMOVED;
  const DWORD MODIFIED = EFolderWatcherFolderAction::MODIFIED;
  const DWORD OLD = EFolderWatcherFolderAction::RENAMED_OLD_NAME;
  const DWORD NEW = EFolderWatcherFolderAction::RENAMED_NEW_NAME;
  auto in = [&](const char* name) { return root + "/" + name; };
  struct Step {
    const char* what;
    std::function<int()> run;
    std::vector<Action> expected;
  };
  const std::vector<Step> steps = {
      {"create a file",
       [&] { return WriteFile(in("a"), "x"), 0; },
       {{ADDED, in("a")}, {MODIFIED, in("a")}}},
      {"append", [&] { return WriteFile(in("a"), "y"), 0; }, {{MODIFIED, in("a")}}},
      {"chmod", [&] { return ::chmod(in("a").c_str(), 0600); }, {{MODIFIED, in("a")}}},
      {"rename a file",
       [&] { return ::rename(in("a").c_str(), in("b").c_str()); },
       {{OLD, in("a")}, {NEW, in("b")}}},
      {"file in an old folder",
       [&] { return WriteFile(in("old/h"), "x"), 0; },
       {{ADDED, in("old/h")}, {MODIFIED, in("old/h")}}},
      {"new folder", [&] { return ::mkdir(in("d").c_str(), 0700); }, {{ADDED, in("d")}}},
      // Handled after the listing of the new folder, so the next step is not also listed.
      {"mark", [&] { return WriteFile(in("m"), "x"), 0; }, {{ADDED, in("m")}, {MODIFIED, in("m")}}},
      {"file in the new folder",
       [&] { return WriteFile(in("d/f"), "x"), 0; },
       {{ADDED, in("d/f")}, {MODIFIED, in("d/f")}}},
      {"rename the new folder",
       [&] { return ::rename(in("d").c_str(), in("e").c_str()); },
       {{OLD, in("d")}, {NEW, in("e")}}},
      {"file in the renamed folder",
       [&] { return WriteFile(in("e/g"), "x"), 0; },
       {{ADDED, in("e/g")}, {MODIFIED, in("e/g")}}},
      {"move a file out",
       [&] { return ::rename(in("b").c_str(), (outside + "2").c_str()); },
       {{REMOVED, in("b")}}},
      {"move a file in",
       [&] { return ::rename(outside.c_str(), in("e/in").c_str()); },
       {{ADDED, in("e/in")}}},
      {"delete files",
       [&] { return ::unlink(in("e/f").c_str()) + ::unlink(in("e/g").c_str()); },
       {{REMOVED, in("e/f")}, {REMOVED, in("e/g")}}},
      {"delete a folder",
       [&] { return ::unlink(in("e/in").c_str()) + ::rmdir(in("e").c_str()); },
       {{REMOVED, in("e/in")}, {REMOVED, in("e")}}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    ASSERT_EQ(0, step.run());
    EXPECT_EQ(step.expected, collector.Take(step.expected.size()));
  }
  ASSERT_TRUE(watcher.Stop(true).Succeeded());
  EXPECT_TRUE(collector.Take(0).empty());
  EXPECT_EQ(2u, watcher.GetWatchCount());  // the root and "old"
}

// A consumer that does not keep up makes the kernel drop events: the caller is told to rescan.
TEST(CFolderWatcher, QueueOverflowAsksForARescan) {
  yqbase_test::CTempFolder tmp;
  int limit = 16384;
  std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> limit;
  CCollector collector(true);
  CFolderWatcher watcher(tmp.path(), &collector);
  ASSERT_TRUE(watcher.Start().Succeeded());
  // The thread holds one read's worth of events while stalled, so twice the queue is created.
  for (int i = 0; i <= 2 * limit + 10; ++i) {
    const int fd = ::open((tmp / std::to_string(i)).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
  }
  collector.Release();
  EXPECT_TRUE(collector.WaitFor([&](const Action& a) {
    return a.first == EFolderWatcherFolderAction::RESCAN_FOLDER && a.second == tmp.path();
  }));
}

TEST(CFolderWatcher, BadStartsAreClearErrors) {
  yqbase_test::CTempFolder tmp;
  CCollector collector;
  WriteFile(tmp / "file", "x");
  struct Row {
    std::string folder;
    IFolderWatcherCallback* callback;
    bool win32;
    int code;
  };
  const Row rows[] = {
      {tmp / "missing", &collector, false, ENOENT},
      {tmp / "file", &collector, false, ENOTDIR},
      {tmp.path(), nullptr, true, 87},
      {"", &collector, true, 87},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.folder);
    CFolderWatcher watcher(row.folder, row.callback);
    const CYqError err = watcher.Start();
    EXPECT_TRUE(row.win32 ? FXErrorUtil::IsWin32(err, row.code)
                          : FXErrorUtil::IsErrNo(err, row.code))
        << err.AsString();
  }
  // A failed start leaves nothing behind that would keep a later one from watching.
  CFolderWatcher later(tmp / "later", &collector);
  EXPECT_TRUE(later.Start().Failed());
  ASSERT_EQ(0, ::mkdir((tmp / "later").c_str(), 0700));
  ASSERT_TRUE(later.Start().Succeeded());
  EXPECT_EQ(1u, later.GetWatchCount());
}

// Starts a watcher without file descriptors to spare; exits 0 when that fails (death test body).
void StartWithoutDescriptors(const std::string& folder) {
  CCollector collector;
  // A failing start first, so that the sanitizers' type checks of this path (which need
  // descriptors of their own) are done before none are left.
  CFolderWatcher missing(folder + "/missing", &collector);
  CYqError primed = missing.Start();
  primed.Push(YQ_LOC, "primed");
  (void)primed.AsString();
  CFolderWatcher watcher(folder, &collector);
  rlimit none{};
  ::setrlimit(RLIMIT_NOFILE, &none);
  const CYqError err = watcher.Start();
  fprintf(stderr, "%s\n", err.AsString().c_str());
  _exit(err.Failed() ? 0 : 1);
}

// The kernel refuses an inotify instance: the caller learns the watcher is not supported.
TEST(CFolderWatcherDeathTest, RefusedInotifyIsNotSupported) {
  yqbase_test::CTempFolder tmp;
  EXPECT_EXIT(StartWithoutDescriptors(tmp.path()), ::testing::ExitedWithCode(0),
              "FolderWatcher not supported");
}
