// Equivalence look-ups of result codes: Matches of two codes and GetErrNo of a Win32 error
// through its group, beside a std::set of the same pairs (the plain way to hold them).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "RatioReporter.h"
#include "yqbase/errors/ErrorUtil.h"

namespace {

HRESULT W(DWORD code) { return static_cast<HRESULT>(0x80070000u | code); }
HRESULT E(DWORD code) { return static_cast<HRESULT>(0xECCC0000u | code); }

const FXCodeLocation kLoc = {"bench/error_bench.cpp", "void Bench()", 1};

// The anchor: every pair of the groups in a std::set, as a straightforward build would keep
// them.
const std::set<std::pair<HRESULT, HRESULT>>& AnchorSet() {
  static const std::set<std::pair<HRESULT, HRESULT>> pairs = [] {
    std::set<std::pair<HRESULT, HRESULT>> result;
    for (unsigned int g = 0; g < hrMapCount; ++g)
      for (const HRESULT* a = hrMap[g]; *a != 0; ++a)
        for (const HRESULT* b = a + 1; *b != 0; ++b) {
          result.insert(std::make_pair(*a, *b));
          result.insert(std::make_pair(*b, *a));
        }
    return result;
  }();
  return pairs;
}

// Codes spread over the table: members early and late in the order, and a stranger.
const HRESULT kCodes[][2] = {{E(11), W(10035)},    {W(3), E(2)},       {E(22), W(87)},
                             {W(10035), W(11002)}, {E(111), W(10061)}, {W(5), E(200)}};
constexpr int kCodeCount = sizeof kCodes / sizeof kCodes[0];

void BM_AnchorSetMatches(benchmark::State& state) {
  const auto& pairs = AnchorSet();
  int i = 0;
  for (auto _ : state) {
    const HRESULT* c = kCodes[i];
    bool match = c[0] == c[1] || pairs.count(std::make_pair(c[0], c[1])) != 0;
    benchmark::DoNotOptimize(match);
    i = i + 1 == kCodeCount ? 0 : i + 1;
  }
}
BENCHMARK(BM_AnchorSetMatches);

void BM_Matches(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    const HRESULT* c = kCodes[i];
    bool match = FXErrorUtil::Matches(c[0], c[1]);
    benchmark::DoNotOptimize(match);
    i = i + 1 == kCodeCount ? 0 : i + 1;
  }
}
BENCHMARK(BM_Matches);

// Win32 errors with an errno partner early and late in the table, and one without.
std::vector<CYqError> Win32Errors() {
  std::vector<CYqError> errors;
  for (DWORD code : {10035u, 3u, 87u, 10061u, 5u, 1450u})
    errors.push_back(FXErrorUtil::ErrorWin32(kLoc, code));
  return errors;
}

// The anchor's way to the first errno match: a map from code to its ordered matches.
void BM_AnchorSetGetErrNo(benchmark::State& state) {
  static const std::map<HRESULT, std::set<HRESULT>> matches = [] {
    std::map<HRESULT, std::set<HRESULT>> result;
    for (const auto& pair : AnchorSet()) result[pair.first].insert(pair.second);
    return result;
  }();
  const std::vector<CYqError> errors = Win32Errors();
  size_t i = 0;
  for (auto _ : state) {
    int value = 0xFFFF;
    const HRESULT code = errors[i].GetCode();
    i = i + 1 == errors.size() ? 0 : i + 1;
    auto it = matches.find(code);
    if (it != matches.end())
      for (HRESULT m : it->second)
        if ((static_cast<DWORD>(m) >> 16) == 0xECCCu) {
          value = static_cast<int>(static_cast<DWORD>(m) & 0xFFFFu);
          break;
        }
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_AnchorSetGetErrNo);

void BM_GetErrNoOfWin32(benchmark::State& state) {
  const std::vector<CYqError> errors = Win32Errors();
  size_t i = 0;
  for (auto _ : state) {
    int value = FXErrorUtil::GetErrNo(errors[i]);
    benchmark::DoNotOptimize(value);
    i = i + 1 == errors.size() ? 0 : i + 1;
  }
}
BENCHMARK(BM_GetErrNoOfWin32);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_Matches", "BM_AnchorSetMatches");
  reporter.PrintRatio("BM_GetErrNoOfWin32", "BM_AnchorSetGetErrNo");
  return 0;
}
