// TempFsUTF::mbeToUtf of typical file names in a UTF-8 locale (it runs once per directory
// entry in a traversal), beside a plain std::string copy of the same name as the anchor.
#include <benchmark/benchmark.h>

#include <clocale>
#include <cstdio>
#include <string>

#include "RatioReporter.h"
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

}  // namespace

int main(int argc, char** argv) {
  if (!UseUtf8Locale()) return 1;
  TempFsUTF::SetIgnoreLocale(false);
  benchmark::Initialize(&argc, argv);
  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("BM_MbeToUtfAscii20", "BM_CopyAscii20");
  reporter.PrintRatio("BM_MbeToUtfUtf8", "BM_CopyUtf8");
  reporter.PrintRatio("BM_MbeToUtfInvalid", "BM_CopyInvalid");
  return 0;
}
