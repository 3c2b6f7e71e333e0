// CPathMatch::match beside glibc fnmatch(FNM_PATHNAME) on single patterns of the common shapes.
#include <benchmark/benchmark.h>
#include <fnmatch.h>

#include <string>
#include <vector>

#include "RatioReporter.h"
#include "yqbase/filters/PathMatch.h"

namespace {

struct SShape {
  const char* name;
  const char* pattern;
};
const SShape kShapes[] = {
    {"Ext", "*.pdf"},
    {"DirStar", "/home/user/docs/*"},
    {"StarStarName", "/home/**/notes.txt"},
    {"Class", "/home/*/docs/[a-m]*.pdf"},
};
// Subjects that match and miss each shape in about equal numbers.
const std::vector<std::string> kSubjects = {
    "/home/user/docs/report.pdf",   "/home/user/docs/zeta.pdf",   "/home/user/notes.txt",
    "/home/user/docs/notes.txt",    "/home/ann/docs/budget.xlsx", "/home/ann/docs/agenda.pdf",
    "/home/user/docs/sub/deep.pdf", "/var/log/syslog.1"};

void BM_PathMatch(benchmark::State& state) {
  CPathMatch m;
  if (m.initialize(kShapes[state.range(0)].pattern, true, false).Failed())
    state.SkipWithError("init");
  CPathMatchWorkData wd;
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(m.match(wd, kSubjects[i % kSubjects.size()].c_str()));
    ++i;
  }
}

void BM_Fnmatch(benchmark::State& state) {
  const char* pattern = kShapes[state.range(0)].pattern;
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        ::fnmatch(pattern, kSubjects[i % kSubjects.size()].c_str(), FNM_PATHNAME));
    ++i;
  }
}

}  // namespace

BENCHMARK(BM_PathMatch)->DenseRange(0, 3);
BENCHMARK(BM_Fnmatch)->DenseRange(0, 3);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (int i = 0; i < 4; ++i) {
    const std::string ours = "BM_PathMatch/" + std::to_string(i);
    const std::string theirs = "BM_Fnmatch/" + std::to_string(i);
    std::printf("%s ", kShapes[i].name);
    reporter.PrintRatio(ours.c_str(), theirs.c_str());
  }
  return 0;
}
