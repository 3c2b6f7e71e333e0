// FXString::Format of a typical log line beside snprintf into a stack buffer.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "RatioReporter.h"
#include "yqbase/strings/StringExtensions.h"

namespace {

// About 75 characters of output, like a trace line of the file layer.
const char* const kFormat = "%s(%d) - file=%s size=%llu";
const char* const kFunction = "CYqFile::Open";
const char* const kPath = "/var/opt/agent/volume_07.dat";
const unsigned long long kSize = 1234567890123ull;

void BM_FXStringFormat(benchmark::State& state) {
  int line = 0;
  for (auto _ : state) {
    std::string out;  // a new string each time, as a logging call would have
    CYqError error = FXString::Format(out, kFormat, kFunction, ++line & 1023, kPath, kSize);
    benchmark::DoNotOptimize(out.data());
    benchmark::DoNotOptimize(error);
  }
}
BENCHMARK(BM_FXStringFormat);

void BM_Snprintf(benchmark::State& state) {
  int line = 0;
  for (auto _ : state) {
    char buffer[512];
    const int written =
        std::snprintf(buffer, sizeof buffer, kFormat, kFunction, ++line & 1023, kPath, kSize);
    benchmark::DoNotOptimize(buffer);
    benchmark::DoNotOptimize(written);
  }
}
BENCHMARK(BM_Snprintf);

void PrintRatio() {
  const double format = BestNanosecondsPerCall([](int i) {
    std::string out;
    CYqError error = FXString::Format(out, kFormat, kFunction, i & 1023, kPath, kSize);
    benchmark::DoNotOptimize(out.data());
    benchmark::DoNotOptimize(error);
  });
  const double snprintf = BestNanosecondsPerCall([](int i) {
    char buffer[512];
    const int written =
        std::snprintf(buffer, sizeof buffer, kFormat, kFunction, i & 1023, kPath, kSize);
    benchmark::DoNotOptimize(buffer);
    benchmark::DoNotOptimize(written);
  });
  const std::string sample = FXString::Format(kFormat, kFunction, 1000, kPath, kSize);
  std::printf(
      "%zu-character line: FXString::Format %.1f ns, snprintf %.1f ns, ratio %.2f "
      "(target <= 1.5)\n",
      sample.size(), format, snprintf, format / snprintf);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintRatio();
  return 0;
}
