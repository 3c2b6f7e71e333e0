// Folder watcher throughput: a burst of file creations in a watched folder, timed until the
// watcher has delivered an action for every file (or told the caller to rescan). The burst is
// 20,000 files, a fifth of the 100,000 of a large restore, to keep the run short; the anchor is
// the same burst in a folder nobody watches.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "RatioReporter.h"
#include "yqbase/errors/ErrorMessage.h"
#include "yqbase/platform/FolderWatcher.h"

namespace {

constexpr int kFiles = 20000;

class CCounter : public IFolderWatcherCallback {
 public:
  std::atomic<int> added{0};
  std::atomic<int> rescans{0};
  void OnFolderAction(EFolderWatcherFolderAction::Type action, const std::string&) override {
    if (action == EFolderWatcherFolderAction::ADDED) ++added;
    if (action == EFolderWatcherFolderAction::RESCAN_FOLDER) ++rescans;
  }
};

std::string NewFolder() {
  char name[] = "/tmp/yqbase_watch_bench_XXXXXX";
  return ::mkdtemp(name) != nullptr ? name : "";
}

void CreateFiles(const std::string& folder) {
  for (int i = 0; i < kFiles; ++i) {
    const int fd = ::open((folder + "/" + std::to_string(i)).c_str(), O_CREAT | O_WRONLY, 0600);
    if (fd >= 0) ::close(fd);
  }
}

void RemoveFolder(const std::string& folder) {
  for (int i = 0; i < kFiles; ++i) ::unlink((folder + "/" + std::to_string(i)).c_str());
  ::rmdir(folder.c_str());
}

void BM_AnchorCreateUnwatched(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    const std::string folder = NewFolder();
    state.ResumeTiming();
    CreateFiles(folder);
    state.PauseTiming();
    RemoveFolder(folder);
    state.ResumeTiming();
  }
  state.counters["files/s"] =
      benchmark::Counter(kFiles, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_AnchorCreateUnwatched)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Lost: files without an ADDED action while no RESCAN_FOLDER came (must stay 0).
void BM_CreateWatchedUntilDelivered(benchmark::State& state) {
  int lost = 0;
  int rescans = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string folder = NewFolder();
    CCounter counter;
    CFolderWatcher watcher(folder, &counter);
    if (watcher.Start().Failed()) {
      state.SkipWithError("FolderWatcher not supported");
      return;
    }
    state.ResumeTiming();
    CreateFiles(folder);
    const ULONGLONG deadline = FXMisc::GetTickCount64() + 60000;
    while (counter.added.load() < kFiles && counter.rescans.load() == 0 &&
           FXMisc::GetTickCount64() < deadline)
      FXMisc::Sleep(1);
    state.PauseTiming();
    (void)watcher.Stop(true);
    rescans += counter.rescans.load();
    if (counter.rescans.load() == 0) lost += kFiles - counter.added.load();
    RemoveFolder(folder);
    state.ResumeTiming();
  }
  state.counters["events/s"] =
      benchmark::Counter(kFiles, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["lost"] = lost;
  state.counters["rescans"] = rescans;
}
BENCHMARK(BM_CreateWatchedUntilDelivered)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_CreateWatchedUntilDelivered/iterations:3/real_time",
                      "BM_AnchorCreateUnwatched/iterations:3/real_time");
  return 0;
}
