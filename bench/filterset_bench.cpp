// CFilterSet over a realistic 1,000-rule set: IsIn per path beside the naive loop that calls
// fnmatch for every rule, the cost of building the set and of IsMatchPossibleInFolder.
#include <benchmark/benchmark.h>
#include <fnmatch.h>
#include <malloc.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "yqbase/filters/FilterSet.h"
#include "yqbase/filters/FilterSet_testutil.h"

namespace {

struct SFixture {
  std::vector<yqtest::SFilterRule> rules;
  std::vector<std::string> noInherit;
  CFilterSet set;
  std::vector<std::string> paths;
  std::vector<std::string> folders;
  std::vector<std::string> globs;  // rules as fnmatch patterns
  std::vector<bool> globException;
  size_t setBytes = 0;

  SFixture() {
    rules = yqtest::RealisticRules(&noInherit);
    const size_t before = mallinfo2().uordblks;
    if (!yqtest::BuildSet(set, rules, noInherit)) std::fprintf(stderr, "building the set failed\n");
    setBytes = mallinfo2().uordblks - before;
    yqtest::CPathGenerator generator(42, 3, 12);
    for (int i = 0; i < 200000; ++i) paths.push_back(generator.Next());
    for (size_t i = 0; i < 20000; ++i) folders.push_back(paths[i].substr(0, paths[i].rfind('/')));
    for (const yqtest::SFilterRule& r : rules) {
      std::string body = r.raw[0] == '<' ? r.raw.substr(r.raw.find('>') + 1) : r.raw;
      if (body.find('/') == std::string::npos) body = "*/" + body;
      if (body.find_first_of("*?[") == std::string::npos) body += "*";
      globs.push_back(body);
      globException.push_back(r.exception);
    }
  }

  // Every rule through fnmatch: in when an include matches and no exclude does.
  bool NaiveIsIn(const std::string& path) const {
    bool in = false, out = false;
    for (size_t r = 0; r < globs.size(); ++r)
      if (::fnmatch(globs[r].c_str(), path.c_str(), 0) == 0) (globException[r] ? out : in) = true;
    return in && !out;
  }
};

SFixture& Fixture() {
  static SFixture fixture;
  return fixture;
}

void BM_IsIn(benchmark::State& state) {
  const SFixture& f = Fixture();
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(f.set.IsIn(f.paths[i++ % f.paths.size()]));
}
BENCHMARK(BM_IsIn);

void BM_NaiveFnmatch(benchmark::State& state) {
  const SFixture& f = Fixture();
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(f.NaiveIsIn(f.paths[i++ % f.paths.size()]));
}
BENCHMARK(BM_NaiveFnmatch);

void BM_IsMatchPossibleInFolder(benchmark::State& state) {
  const SFixture& f = Fixture();
  size_t i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(f.set.IsMatchPossibleInFolder(f.folders[i++ % f.folders.size()]));
}
BENCHMARK(BM_IsMatchPossibleInFolder);

void BM_BuildSet(benchmark::State& state) {
  const SFixture& f = Fixture();
  for (auto _ : state) {
    CFilterSet set;
    benchmark::DoNotOptimize(yqtest::BuildSet(set, f.rules, f.noInherit));
  }
}
BENCHMARK(BM_BuildSet)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // fnmatch is fastest in the C locale (no multibyte conversion); the set does not depend on it.
  std::setlocale(LC_ALL, "C");
  benchmark::Initialize(&argc, argv);
  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_IsIn", "BM_NaiveFnmatch");

  // One pass over 1,000,000 paths, and the naive loop over 20,000 of them.
  const SFixture& f = Fixture();
  const auto start = std::chrono::steady_clock::now();
  size_t in = 0;
  for (size_t i = 0; i < 1000000; ++i) in += f.set.IsIn(f.paths[i % f.paths.size()]);
  const std::chrono::duration<double> ours = std::chrono::steady_clock::now() - start;
  const auto naiveStart = std::chrono::steady_clock::now();
  size_t naiveIn = 0;
  for (size_t i = 0; i < 20000; ++i) naiveIn += f.NaiveIsIn(f.paths[i]);
  const std::chrono::duration<double> naive = std::chrono::steady_clock::now() - naiveStart;
  const double oursRate = 1000000 / ours.count(), naiveRate = 20000 / naive.count();
  std::printf("IsIn: %.0f paths/s (%zu of 1000000 in); naive fnmatch loop: %.0f paths/s; %.1fx\n",
              oursRate, in, naiveRate, oursRate / naiveRate);
  std::printf("Set of %zu rules: %.1f MB\n", f.rules.size(), f.setBytes / 1048576.0);
  return 0;
}
