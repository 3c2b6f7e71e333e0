// CPathMatch::match beside glibc fnmatch(FNM_PATHNAME) on single patterns of the common shapes.
#include <benchmark/benchmark.h>
#include <fnmatch.h>

#include <clocale>
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
  // fnmatch is fastest in the C locale (no multibyte conversion); CPathMatch does not depend on it.
  std::setlocale(LC_ALL, "C");
  benchmark::Initialize(&argc, argv);
  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // Best of rounds, ours and fnmatch alternating, so that a busy machine distorts less.
  for (int i = 0; i < 4; ++i) {
    CPathMatch m;
    if (m.initialize(kShapes[i].pattern, true, false).Failed()) return 1;
    CPathMatchWorkData wd;
    const size_t n = kSubjects.size();
    const double ours = BestNanosecondsPerCall(
        [&](int k) { benchmark::DoNotOptimize(m.match(wd, kSubjects[k % n].c_str())); });
    const double theirs = BestNanosecondsPerCall([&](int k) {
      benchmark::DoNotOptimize(
          ::fnmatch(kShapes[i].pattern, kSubjects[k % n].c_str(), FNM_PATHNAME));
    });
    std::printf("%-13s CPathMatch %6.2f ns, fnmatch %6.2f ns, fnmatch/CPathMatch %.2fx\n",
                kShapes[i].name, ours, theirs, theirs / ours);
  }
  return 0;
}
