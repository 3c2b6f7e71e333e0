#include "yqbase/platform/FolderWatcher.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
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

  // Waits (bounded) until `count` actions arrived or one equals `until`, and takes them all.
  std::vector<Action> Take(size_t count, const Action& until = Action()) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait_for(lock, std::chrono::seconds(60), [&] {
      return m_actions.size() >= count ||
             std::find(m_actions.begin(), m_actions.end(), until) != m_actions.end();
    });
    return std::exchange(m_actions, {});
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_stalled;
  std::vector<Action> m_actions;
};

void Append(const std::string& path) { std::ofstream(path, std::ios::app) << "x"; }

}  // namespace

// Every kind of change, at the top and in sub-folders that existed before or appeared after
// the start, including a folder renamed while watched.
TEST(CFolderWatcher, ReportsExactlyTheActions) {
  yqbase_test::CTempFolder tmp;
  const std::string root = tmp / "w", outside = tmp / "outside";
  ASSERT_EQ(0, ::mkdir(root.c_str(), 0700));
  ASSERT_EQ(0, ::mkdir((root + "/old").c_str(), 0700));
  Append(outside);
  CCollector collector;
  CFolderWatcher watcher(root + "/", &collector);
  ASSERT_TRUE(watcher.Start().Succeeded());
  EXPECT_EQ(2u, watcher.GetWatchCount());

  auto in = [&](const std::string& name) { return root + "/" + name; };
  auto write = [&](const char* name) { return [&, name] { return Append(in(name)), 0; }; };
  auto move = [](const std::string& from, const std::string& to) {
    return [=] { return ::rename(from.c_str(), to.c_str()); };
  };
  struct Step {
    std::function<int()> run;
    // The actions by their values: "+" added, "-" removed, "~" modified, "<" renamed from,
    // ">" renamed to.
    const char* expected;
  };
  const Step steps[] = {
      {write("a"), "+a ~a"},
      {write("a"), "~a"},
      {[&] { return ::chmod(in("a").c_str(), 0600); }, "~a"},
      {move(in("a"), in("b")), "<a >b"},
      {write("old/h"), "+old/h ~old/h"},
      {[&] { return ::mkdir(in("d").c_str(), 0700); }, "+d"},
      // Handled after the listing of the new folder, so the next step is not also listed.
      {write("m"), "+m ~m"},
      {write("d/f"), "+d/f ~d/f"},
      {move(in("d"), in("e")), "<d >e"},
      {write("e/g"), "+e/g ~e/g"},
      {move(in("b"), outside + "2"), "-b"},
      {move(outside, in("e/in")), "+e/in"},
      {[&] { return ::unlink(in("e/f").c_str()) + ::unlink(in("e/g").c_str()); }, "-e/f -e/g"},
      {[&] { return ::unlink(in("e/in").c_str()) + ::rmdir(in("e").c_str()); }, "-e/in -e"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.expected);
    std::vector<Action> expected;
    std::istringstream words(step.expected);
    for (std::string word; words >> word;)
      expected.emplace_back(std::string(" +-~<>").find(word[0]), in(word.substr(1)));
    ASSERT_EQ(0, step.run());
    EXPECT_EQ(expected, collector.Take(expected.size()));
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
  const Action rescan(EFolderWatcherFolderAction::RESCAN_FOLDER, tmp.path());
  const std::vector<Action> got = collector.Take(SIZE_MAX, rescan);
  EXPECT_NE(got.end(), std::find(got.begin(), got.end(), rescan));
}

TEST(CFolderWatcher, BadStartsAreClearErrors) {
  yqbase_test::CTempFolder tmp;
  CCollector collector;
  Append(tmp / "file");
  EXPECT_TRUE(FXErrorUtil::IsErrNo(CFolderWatcher(tmp / "missing", &collector).Start(), ENOENT));
  EXPECT_TRUE(FXErrorUtil::IsErrNo(CFolderWatcher(tmp / "file", &collector).Start(), ENOTDIR));
  EXPECT_TRUE(FXErrorUtil::IsWin32(CFolderWatcher(tmp.path(), nullptr).Start(), 87));
  EXPECT_TRUE(FXErrorUtil::IsWin32(CFolderWatcher("", &collector).Start(), 87));
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
  CYqError primed = CFolderWatcher(folder + "/missing", &collector).Start();
  (void)primed.Push(YQ_LOC, "primed").AsString();
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
