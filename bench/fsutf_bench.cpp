// TempFsUTF::mbeToUtf of typical file names in a UTF-8 locale (it runs once per directory
// entry in a traversal), beside a plain std::string copy of the same name as the anchor.
#include <benchmark/benchmark.h>

#include <clocale>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/strings/TempZkUCS.h"

namespace {

const char* const kAscii20 = "report_2024_Q3.xlsx_";  // 20 bytes
const char* const kUtf8 =
    "\xC3\x9C"
    "bersicht_\xD0\x9A\xD0\xB2\xD0\xB0\xD1\x80\xD1\x82.doc";  // 27 bytes
const char* const kInvalid = "caf\xE9_r\xE9sum\xE9.txt";      // Latin-1 bytes

void CopyName(benchmark::State& state, const char* name) {
  for (auto _ : state) {
    std::string copy(name);
    benchmark::DoNotOptimize(copy);
  }
}

void Convert(benchmark::State& state, const char* name) {
  for (auto _ : state) {
    std::string utf8 = TempFsUTF::mbeToUtf(name, nullptr);
    benchmark::DoNotOptimize(utf8);
  }
}

void BM_CopyAscii20(benchmark::State& state) { CopyName(state, kAscii20); }
void BM_MbeToUtfAscii20(benchmark::State& state) { Convert(state, kAscii20); }
void BM_CopyUtf8(benchmark::State& state) { CopyName(state, kUtf8); }
void BM_MbeToUtfUtf8(benchmark::State& state) { Convert(state, kUtf8); }
void BM_CopyInvalid(benchmark::State& state) { CopyName(state, kInvalid); }
void BM_MbeToUtfInvalid(benchmark::State& state) { Convert(state, kInvalid); }
BENCHMARK(BM_CopyAscii20);
BENCHMARK(BM_MbeToUtfAscii20);
BENCHMARK(BM_CopyUtf8);
BENCHMARK(BM_MbeToUtfUtf8);
BENCHMARK(BM_CopyInvalid);
BENCHMARK(BM_MbeToUtfInvalid);

// Keeps the time per iteration of every run, to print the ratios at the end.
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
};

void PrintRatio(const CRatioReporter& reporter, const char* name, const char* anchor) {
  auto a = reporter.nanoseconds.find(name);
  auto b = reporter.nanoseconds.find(anchor);
  if (a == reporter.nanoseconds.end() || b == reporter.nanoseconds.end() || b->second <= 0) return;
  std::printf("%-20s %7.2f ns/call   %-16s %7.2f ns/call   ratio %.2f\n", name, a->second, anchor,
              b->second, a->second / b->second);
}

}  // namespace

int main(int argc, char** argv) {
  if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr) {
    std::fprintf(stderr, "the C.UTF-8 locale is not available\n");
    return 1;
  }
  TempZkUCS::DetectLocale();
  TempFsUTF::SetIgnoreLocale(false);
  benchmark::Initialize(&argc, argv);
  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatio(reporter, "BM_MbeToUtfAscii20", "BM_CopyAscii20");
  PrintRatio(reporter, "BM_MbeToUtfUtf8", "BM_CopyUtf8");
  PrintRatio(reporter, "BM_MbeToUtfInvalid", "BM_CopyInvalid");
  return 0;
}
