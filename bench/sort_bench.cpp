// YqBatchSort beside GNU sort on the same 50 MB of text lines with the same memory budget
// (12 MB, so both write several runs and merge them), whole runs including all file I/O.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "RatioReporter.h"
#include "yqbase/utilities/BatchSort.h"

extern char** environ;

namespace {

constexpr size_t kInputBytes = 50u << 20;
constexpr long kMemory = 12l << 20;

struct SFiles {
  std::string folder, input, output;
};

const SFiles& Files() {
  static const SFiles files = [] {
    char name[] = "/tmp/yqbase_sort_bench_XXXXXX";
    SFiles f;
    f.folder = ::mkdtemp(name) != nullptr ? name : "/tmp";
    f.input = f.folder + "/input.txt";
    f.output = f.folder + "/output.txt";
    // Lines of 8 to 120 printable characters with a shared prefix in a third of them, and
    // a few repeats, as file lists and logs have.
    std::mt19937 random(7);
    std::string text;
    text.reserve(kInputBytes + 256);
    while (text.size() < kInputBytes) {
      if (random() % 3 == 0) text += "/srv/data/projects/";
      const size_t length = 8 + random() % 113;
      for (size_t i = 0; i < length; ++i) text += static_cast<char>(' ' + 1 + random() % 94);
      text += '\n';
    }
    std::ofstream(f.input, std::ios::binary) << text;
    return f;
  }();
  return files;
}

void BM_YqBatchSort(benchmark::State& state) {
  const SFiles& f = Files();
  for (auto _ : state) {
    YqBatchSort sorter;
    CYqError err =
        sorter.init(f.input.c_str(), f.output.c_str(), f.folder.c_str(), 1, 1, 0, kMemory);
    if (err.Succeeded()) err = sorter.sort();
    if (err.Failed()) state.SkipWithError(err.AsString().c_str());
  }
}
BENCHMARK(BM_YqBatchSort)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_GnuSort(benchmark::State& state) {
  const SFiles& f = Files();
  const std::string memory = "-S" + std::to_string(kMemory) + "b", temp = "-T" + f.folder;
  const char* argv[] = {"sort", memory.c_str(),   "--parallel=1",  temp.c_str(),
                        "-o",   f.output.c_str(), f.input.c_str(), nullptr};
  ::setenv("LC_ALL", "C", 1);
  for (auto _ : state) {
    pid_t child = 0;
    int status = 0;
    if (::posix_spawnp(&child, "sort", nullptr, nullptr, const_cast<char**>(argv), environ) != 0 ||
        ::waitpid(child, &status, 0) != child || status != 0)
      state.SkipWithError("sort failed");
  }
}
BENCHMARK(BM_GnuSort)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Files();
  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  reporter.PrintRatio("BM_YqBatchSort/iterations:3/real_time", "BM_GnuSort/iterations:3/real_time");
  std::remove(Files().input.c_str());
  std::remove(Files().output.c_str());
  ::rmdir(Files().folder.c_str());
  return 0;
}
