// A bag of 10,000 mixed properties turned into Ascii85 text and loaded back: time per property
// of each direction, the text's size and the process's peak resident memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "RatioReporter.h"
#include "yqbase/serialization/Bag.h"

namespace {

constexpr int kProperties = 10000;

// Names and values as a host's settings would have them: texts, paths, counters and flags.
const CBag& MixedBag() {
  static const CBag bag = [] {
    CBag b;
    for (int i = 0; i < kProperties; ++i) {
      const std::string name = "Property" + std::to_string(i);
      CYqError err;
      switch (i % 6) {
        case 0:
          err = b.Write(name, "/data/volume" + std::to_string(i) + "/folder");
          break;
        case 1:
          err = b.Write(name, L"C:\\Users\\n\u00e4me" + std::to_wstring(i));
          break;
        case 2:
          err = b.Write(name, i);
          break;
        case 3:
          err = b.Write(name, 1000000000000ULL * static_cast<unsigned long long>(i));
          break;
        case 4:
          err = b.Write(name, i % 4 == 0);
          break;
        default:
          err = b.Write(name, -static_cast<long long>(i));
          break;
      }
      if (err.Failed()) std::abort();
    }
    return b;
  }();
  return bag;
}

std::string MixedText() {
  std::string text;
  if (MixedBag().GetSerializedData(text).Failed()) std::abort();
  return text;
}

void BM_BagToText(benchmark::State& state) {
  const CBag& bag = MixedBag();
  for (auto _ : state) {
    std::string text;
    CYqError err = bag.GetSerializedData(text);
    benchmark::DoNotOptimize(text.data());
    if (err.Failed()) state.SkipWithError("GetSerializedData failed");
  }
}
BENCHMARK(BM_BagToText)->Unit(benchmark::kMillisecond);

void BM_TextToBag(benchmark::State& state) {
  const std::string text = MixedText();
  for (auto _ : state) {
    CBag bag;
    CYqError err = bag.LoadSerializedData(text);
    if (err.Failed()) state.SkipWithError("LoadSerializedData failed");
  }
}
BENCHMARK(BM_TextToBag)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char* name : {"BM_BagToText", "BM_TextToBag"}) {
    auto it = reporter.nanoseconds.find(name);
    if (it != reporter.nanoseconds.end())
      std::printf("%-14s %8.1f ns/property (%d properties)\n", name, it->second / kProperties,
                  kProperties);
  }
  std::printf("text size      %8zu bytes\n", MixedText().size());
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) == 0)
    std::printf("peak memory    %8ld KiB resident\n", usage.ru_maxrss);
  return 0;
}
