// CTraverseFolder over a generated tree (10,000 folders, 200,000 files): every entry with its
// lstat record beside nftw(FTW_PHYS) in this process (alone and with two workers), and names
// only beside "find <tree> -type f | wc -l" as a process. Peak memory of a walk, measured in a
// child process, for a tree of a fifth of the size and the full tree. The tree iterator over
// the same tree, items per second.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "RatioReporter.h"
#include "yqbase/files/FileData.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/strings/TempZkUCS.h"
#include "yqbase/traversal/SimpleFolderTreeIterator.h"
#include "yqbase/traversal/TraverseFolder.h"

namespace {

constexpr int kFolders = 10000;  // 200 folders of 50 sub-folders
constexpr int kFilesPerFolder = 20;

std::string g_tree;
std::string g_smallTree;

// `folders` folders in two levels, each with kFilesPerFolder files and one link.
void MakeTree(const std::string& root, int folders) {
  ::mkdir(root.c_str(), 0755);
  for (int i = 0; i < folders; ++i) {
    const std::string top = root + "/t" + std::to_string(i / 50);
    ::mkdir(top.c_str(), 0755);
    const std::string folder = top + "/f" + std::to_string(i % 50);
    ::mkdir(folder.c_str(), 0755);
    for (int j = 0; j < kFilesPerFolder; ++j) {
      const int fd = ::open((folder + "/file_" + std::to_string(j) + ".dat").c_str(),
                            O_CREAT | O_WRONLY, 0644);
      if (fd >= 0) ::close(fd);
    }
    ::symlink("file_0.dat", (folder + "/link").c_str());
  }
}

// Counts entries, with their lstat records or by name and type byte only.
class CCounter : public CTraverseFolder {
 public:
  CCounter(bool withStat, int workers) : m_withStat(withStat) { SetMaxWorkers(workers); }
  CYqError OnFolder(const std::string& in, const std::string& out,
                    FXFile::CFileData& data) override {
    Count(data);
    return CTraverseFolder::OnFolder(in, out, data);
  }
  CYqError OnFile(const std::string&, const std::string&, FXFile::CFileData& data) override {
    Count(data);
    if (!m_withStat && data.m_dirent.d_type == DT_REG) ++files;
    return CYqError();
  }
  void Count(FXFile::CFileData& data) {
    ++entries;
    if (m_withStat && GetItemStat(data).Succeeded()) bytes += data.m_stat.st_size;
  }

  std::atomic<long long> entries{0}, files{0}, bytes{0};

 private:
  bool m_withStat;
};

long long Walk(const std::string& root, bool withStat, int workers = 1) {
  CCounter counter(withStat, workers);
  counter.AddFolderToList(root);
  if (counter.Traverse().Failed()) return -1;
  return withStat ? counter.entries : counter.files;
}

long long g_nftwEntries = 0;

void BM_TraverseWithLstat(benchmark::State& state) {
  long long entries = 0;
  for (auto _ : state) benchmark::DoNotOptimize(entries = Walk(g_tree, true));
  state.counters["entries"] = static_cast<double>(entries);
}

// The same with two workers (one per core here).
void BM_TraverseWithLstat2Workers(benchmark::State& state) {
  long long entries = 0;
  for (auto _ : state) benchmark::DoNotOptimize(entries = Walk(g_tree, true, 2));
  state.counters["entries"] = static_cast<double>(entries);
}

void BM_NftwPhys(benchmark::State& state) {
  for (auto _ : state) {
    g_nftwEntries = 0;
    ::nftw(
        g_tree.c_str(),
        [](const char*, const struct stat*, int, struct FTW* ftw) {
          if (ftw->level > 0) ++g_nftwEntries;
          return 0;
        },
        64, FTW_PHYS);
    benchmark::DoNotOptimize(g_nftwEntries);
  }
  state.counters["entries"] = static_cast<double>(g_nftwEntries);
}

void BM_TraverseNamesOnly(benchmark::State& state) {
  long long files = 0;
  for (auto _ : state) benchmark::DoNotOptimize(files = Walk(g_tree, false));
  state.counters["files"] = static_cast<double>(files);
}

void BM_FindProcess(benchmark::State& state) {
  const std::string command = "find " + g_tree + " -type f | wc -l";
  long long files = 0;
  for (auto _ : state) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr || std::fscanf(pipe, "%lld", &files) != 1) state.SkipWithError("find");
    if (pipe != nullptr) ::pclose(pipe);
  }
  state.counters["files"] = static_cast<double>(files);
}

// The tree iterator handing out every entry as an item, with its size (one lstat each).
void BM_TreeIteratorWithSize(benchmark::State& state) {
  long long items = 0;
  for (auto _ : state) {
    CSimpleFolderTreeIterator tree;
    items = 0;
    unsigned long long bytes = 0;
    CSimpleFolderItemPtr item;
    if (tree.Open(g_tree, CSimpleFolderItemFilterPtr()).Failed()) state.SkipWithError("open");
    while (tree.GetNextItem(item).Succeeded()) {
      bytes += item->GetSize();
      ++items;
    }
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["items_per_s"] =
      benchmark::Counter(static_cast<double>(items), benchmark::Counter::kIsIterationInvariantRate);
}

// The peak resident size in KiB of a child process that walks `root` once.
long PeakKiBOfWalk(const std::string& root) {
  const pid_t child = ::fork();
  if (child == 0) _exit(Walk(root, true) > 0 ? 0 : 1);
  int status = 0;
  struct rusage usage = {};
  if (child < 0 || ::wait4(child, &status, 0, &usage) != child) return -1;
  return usage.ru_maxrss;
}

void BM_PeakMemory(benchmark::State& state) {
  long small = 0, full = 0;
  for (auto _ : state) {
    small = PeakKiBOfWalk(g_smallTree);
    full = PeakKiBOfWalk(g_tree);
  }
  state.counters["peak_KiB_40k_files"] = static_cast<double>(small);
  state.counters["peak_KiB_200k_files"] = static_cast<double>(full);
}

BENCHMARK(BM_TraverseWithLstat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TraverseWithLstat2Workers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NftwPhys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TraverseNamesOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindProcess)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeIteratorWithSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeakMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  if (!UseUtf8Locale()) return 1;
  yqbase_test::CTempFolder tmp;
  if (tmp.path().empty()) return 1;
  g_tree = tmp / "tree";
  g_smallTree = tmp / "small";
  MakeTree(g_tree, kFolders);
  MakeTree(g_smallTree, kFolders / 5);
  benchmark::Initialize(&argc, argv);
  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_TraverseWithLstat", "BM_NftwPhys");
  reporter.PrintRatio("BM_TraverseWithLstat2Workers", "BM_NftwPhys");
  reporter.PrintRatio("BM_TraverseNamesOnly", "BM_FindProcess");
  return 0;
}
