// FXPath::Append + SplitParentPath and removeDotDotFolder, each beside plain std::string code
// doing comparable work.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "yqbase/files/YqPath.h"

namespace {

// Folders and names of a typical backup traversal.
const std::vector<std::string> kFolders = {"/home/user/projects/agent", "/var/lib/data/volume_07/",
                                           "/etc", "/usr/share/doc/libfoo",
                                           "/srv/backup/2024/catalogue/"};
const std::vector<std::string> kNames = {"README.md", "segment_000123.dat", "passwd",
                                         "changelog.Debian.gz", "index"};
const std::vector<std::string> kDotted = {
    "/home/user/projects/agent/../other/./src/../include/x.h",
    "/var/lib/data/volume_07/../../cache/./a/b/../c",
    "/usr/share/doc/libfoo/../../../lib/x86_64-linux-gnu/libfoo.so",
    "/srv/backup/2024/catalogue/../../2023/./catalogue/index"};

void BM_AppendSplitParent(benchmark::State& state) {
  size_t i = 0;
  std::string path, parent, name;
  for (auto _ : state) {
    path = kFolders[i % kFolders.size()];
    FXPath::Append(path, kNames[i % kNames.size()]);
    CYqError err = FXPath::SplitParentPath(path, parent, name);
    benchmark::DoNotOptimize(err);
    benchmark::DoNotOptimize(name.data());
    ++i;
  }
}
BENCHMARK(BM_AppendSplitParent);

// Concatenation with one separator, then rfind and two substrings.
void BM_AnchorConcatRfind(benchmark::State& state) {
  size_t i = 0;
  std::string path, parent, name;
  for (auto _ : state) {
    path = kFolders[i % kFolders.size()];
    if (path.back() != '/') path += '/';
    path += kNames[i % kNames.size()];
    const size_t slash = path.rfind('/');
    parent.assign(path, 0, slash + 1);
    name.assign(path, slash + 1, std::string::npos);
    benchmark::DoNotOptimize(name.data());
    ++i;
  }
}
BENCHMARK(BM_AnchorConcatRfind);

void BM_RemoveDotDotFolder(benchmark::State& state) {
  size_t i = 0;
  for (auto _ : state) {
    std::string clean = FXPath::removeDotDotFolder(kDotted[i % kDotted.size()]);
    benchmark::DoNotOptimize(clean.data());
    ++i;
  }
}
BENCHMARK(BM_RemoveDotDotFolder);

// One pass copying components into a result string, climbing with rfind on "..".
void BM_AnchorCopyRfind(benchmark::State& state) {
  size_t i = 0;
  for (auto _ : state) {
    const std::string& path = kDotted[i % kDotted.size()];
    std::string clean;
    size_t start = 1;
    while (start <= path.size()) {
      size_t end = path.find('/', start);
      if (end == std::string::npos) end = path.size();
      const size_t length = end - start;
      if (length == 2 && path[start] == '.' && path[start + 1] == '.') {
        const size_t slash = clean.rfind('/');
        clean.resize(slash == std::string::npos ? 0 : slash);
      } else if (length > 0 && !(length == 1 && path[start] == '.')) {
        clean += '/';
        clean.append(path, start, length);
      }
      start = end + 1;
    }
    benchmark::DoNotOptimize(clean.data());
    ++i;
  }
}
BENCHMARK(BM_AnchorCopyRfind);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_AppendSplitParent", "BM_AnchorConcatRfind");
  reporter.PrintRatio("BM_RemoveDotDotFolder", "BM_AnchorCopyRfind");
  return 0;
}
