// A console reporter that keeps each benchmark's time per iteration, to print its ratio to
// the anchor that ran beside it.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "yqbase/strings/TempZkUCS.h"

/// Switches the process to the C.UTF-8 locale and tells the name conversions; false, with a
/// message, when the locale is missing.
inline bool UseUtf8Locale() {
  if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr) {
    std::fprintf(stderr, "the C.UTF-8 locale is not available\n");
    return false;
  }
  TempZkUCS::DetectLocale();
  return true;
}

class CRatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> nanoseconds;

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      nanoseconds[run.benchmark_name()] = run.GetAdjustedRealTime() *
                                          benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                                          benchmark::GetTimeUnitMultiplier(run.time_unit);
    ConsoleReporter::ReportRuns(runs);
  }

  /// Prints "name ns/call, anchor ns/call, ratio" when both ran.
  void PrintRatio(const char* name, const char* anchor) const {
    auto a = nanoseconds.find(name);
    auto b = nanoseconds.find(anchor);
    if (a == nanoseconds.end() || b == nanoseconds.end() || b->second <= 0) return;
    std::printf("%-22s %7.2f ns/call   %-22s %7.2f ns/call   ratio %.2f\n", name, a->second, anchor,
                b->second, a->second / b->second);
  }
};

/// Nanoseconds per call of `body(i)`, the best of `rounds` rounds of `calls` calls, so that a
/// busy machine distorts a ratio less.
template <typename Body>
double BestNanosecondsPerCall(Body body, int rounds = 15, int calls = 20000) {
  double best = 1e300;
  for (int round = 0; round < rounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) body(i);
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    if (took.count() / calls < best) best = took.count() / calls;
  }
  return best;
}
