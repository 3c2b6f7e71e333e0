// A counter's start/stop pair through its wrapper, beside the two clock reads that any timing
// of an operation costs.
#include <benchmark/benchmark.h>
#include <time.h>

#include "RatioReporter.h"
#include "yqbase/time/Counters.h"

namespace {

// The anchor: reading the real-time clock at the start and the end of an operation.
void BM_AnchorTwoClockReads(benchmark::State& state) {
  struct timespec start, stop;
  long long total = 0;
  for (auto _ : state) {
    clock_gettime(CLOCK_REALTIME, &start);
    clock_gettime(CLOCK_REALTIME, &stop);
    total += stop.tv_nsec - start.tv_nsec;
  }
  benchmark::DoNotOptimize(total);
}
BENCHMARK(BM_AnchorTwoClockReads);

void BM_CounterStartStop(benchmark::State& state) {
  FXCounter::CounterWrapper wrapper(
      FXCounter::CounterBasicPtr(new FXCounter::CounterBasic("bench", 0)));
  for (auto _ : state) {
    wrapper.start(1, 512);
    wrapper.stop();
  }
  benchmark::DoNotOptimize(wrapper.getCounter()->getSamples());
}
BENCHMARK(BM_CounterStartStop);

// A counter enabled above the level it is started at: the cost of leaving it in the code.
void BM_DisabledCounterStartStop(benchmark::State& state) {
  FXCounter::CounterWrapper wrapper(
      FXCounter::CounterBasicPtr(new FXCounter::CounterBasic("bench", 5)));
  for (auto _ : state) {
    wrapper.start(1, 512);
    wrapper.stop();
  }
  benchmark::DoNotOptimize(wrapper.getCounter()->getSamples());
}
BENCHMARK(BM_DisabledCounterStartStop);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_CounterStartStop", "BM_AnchorTwoClockReads");
  reporter.PrintRatio("BM_DisabledCounterStartStop", "BM_AnchorTwoClockReads");
  return 0;
}
