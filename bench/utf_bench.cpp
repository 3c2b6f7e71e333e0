// UTF-8 decoding throughput of FXUTF against glibc iconv (UTF-8 to UTF-32LE) on ~64 MiB of
// file-path-like text, and of per-sequence validation with IsLegalUTF8.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "yqbase/strings/utfConversions.h"

namespace {

constexpr size_t kTextBytes = 64u << 20;

// A small deterministic generator so every run decodes the same text.
class CRandom {
 public:
  std::uint32_t Next() {
    m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(m_state >> 33);
  }
  size_t Below(size_t n) { return Next() % n; }

 private:
  std::uint64_t m_state = 0x9E3779B97F4A7C15ULL;
};

void AppendCJK(std::string& out, std::uint32_t ch) {
  out.push_back(static_cast<char>(0xE0 | (ch >> 12)));
  out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
  out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
}

// Lines like /home/Müller/Documents/报告书/archive_0412.txt: mostly ASCII names, some Latin-1
// names with accented letters and some CJK names.
std::string MakePathText(size_t bytes, size_t latinPercent, size_t cjkPercent) {
  static const char* const kAscii[] = {
      "home",    "users",  "Documents", "backup",  "project", "report",  "photos", "2021",
      "invoice", "data",   "archive",   "src",     "include", "final",   "draft",  "config",
      "shared",  "mail",   "Desktop",   "build",   "release", "logs",    "tmp",    "video",
      "music",   "public", "finance",   "reports", "q3",      "clients", "old",    "new"};
  static const char* const kLatin[] = {"Müller",    "Café",  "Résumé", "Präsentation",
                                       "Größe",     "año",   "façade", "Ærø",
                                       "Übersicht", "naïve", "Björk",  "José"};
  static const char* const kExt[] = {".txt", ".docx", ".pdf", ".jpg", ".xlsx", ".log", ".cpp"};
  CRandom random;
  std::string text;
  text.reserve(bytes + 256);
  char number[16];
  while (text.size() < bytes) {
    const size_t depth = 3 + random.Below(5);
    for (size_t i = 0; i < depth; ++i) {
      text.push_back('/');
      const size_t kind = random.Below(100);
      if (kind < latinPercent) {
        text += kLatin[random.Below(sizeof kLatin / sizeof kLatin[0])];
      } else if (kind < latinPercent + cjkPercent) {
        for (size_t n = 2 + random.Below(3); n > 0; --n)
          AppendCJK(text, 0x4E00 + static_cast<std::uint32_t>(random.Below(0x51A6)));
      } else {
        text += kAscii[random.Below(sizeof kAscii / sizeof kAscii[0])];
      }
    }
    std::snprintf(number, sizeof number, "_%04u", static_cast<unsigned int>(random.Below(10000)));
    text += number;
    text += kExt[random.Below(sizeof kExt / sizeof kExt[0])];
    text.push_back('\n');
  }
  return text;
}

const std::string& Text() {
  static const std::string text = MakePathText(kTextBytes, 13, 12);
  return text;
}

size_t DecodeWithFXUTF(const std::string& text, std::vector<UTF32>& out) {
  const UTF8* source = reinterpret_cast<const UTF8*>(text.data());
  UTF32* target = out.data();
  const CYqError error = FXUTF::ConvertUTF8ToUTF32(
      &source, source + text.size(), &target, out.data() + out.size(), FXUTF::strictConversion);
  if (error.Failed()) return static_cast<size_t>(-1);
  return static_cast<size_t>(target - out.data());
}

// Returns the units written, or -1 on a failure.
size_t DecodeWithIconv(iconv_t cd, std::vector<char>& in, std::vector<UTF32>& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* source = in.data();
  size_t sourceLeft = in.size();
  char* target = reinterpret_cast<char*>(out.data());
  size_t targetLeft = out.size() * sizeof(UTF32);
  if (iconv(cd, &source, &sourceLeft, &target, &targetLeft) == static_cast<size_t>(-1))
    return static_cast<size_t>(-1);
  return (out.size() * sizeof(UTF32) - targetLeft) / sizeof(UTF32);
}

void BM_FXUTF_UTF8ToUTF32(benchmark::State& state) {
  const std::string& text = Text();
  std::vector<UTF32> out(text.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(DecodeWithFXUTF(text, out));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_FXUTF_UTF8ToUTF32)->Unit(benchmark::kMillisecond);

void BM_Iconv_UTF8ToUTF32LE(benchmark::State& state) {
  const std::string& text = Text();
  std::vector<char> in(text.begin(), text.end());
  std::vector<UTF32> out(text.size());
  iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv_open failed");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(DecodeWithIconv(cd, in, out));
    benchmark::ClobberMemory();
  }
  iconv_close(cd);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_Iconv_UTF8ToUTF32LE)->Unit(benchmark::kMillisecond);

// Validation one sequence at a time, as a caller checking text without converting it would.
void BM_FXUTF_IsLegalUTF8(benchmark::State& state) {
  const std::string& text = Text();
  const UTF8* const begin = reinterpret_cast<const UTF8*>(text.data());
  const UTF8* const end = begin + text.size();
  for (auto _ : state) {
    size_t legal = 0;
    for (const UTF8* p = begin; p < end;) {
      const int length = FXUTF::s_TrailingBytesForUTF8[*p] + 1;
      if (length > end - p || FXUTF::IsLegalUTF8(p, length).Failed()) break;
      ++legal;
      p += length;
    }
    benchmark::DoNotOptimize(legal);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_FXUTF_IsLegalUTF8)->Unit(benchmark::kMillisecond);

// Console output plus the bytes per second of each benchmark, for the ratio.
class CRatioReporter : public benchmark::ConsoleReporter {
 public:
  // With --benchmark_repetitions the median is kept, otherwise the single run.
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto found = run.counters.find("bytes_per_second");
      if (found == run.counters.end()) continue;
      const std::string& name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        m_bytesPerSecond[name] = found->second;
        m_median.insert(name);
      } else if (run.run_type == Run::RT_Iteration && m_median.count(name) == 0) {
        m_bytesPerSecond[name] = found->second;
      }
    }
  }
  double BytesPerSecond(const std::string& name) const {
    const auto found = m_bytesPerSecond.find(name);
    return found != m_bytesPerSecond.end() ? found->second.value : 0.0;
  }

 private:
  std::map<std::string, benchmark::Counter> m_bytesPerSecond;
  std::set<std::string> m_median;
};

// FXUTF must produce exactly what iconv produces on this valid text.
bool CheckAgainstIconv() {
  const std::string& text = Text();
  size_t nonAscii = 0;
  for (const char c : text) nonAscii += static_cast<unsigned char>(c) >= 0x80 ? 1 : 0;
  std::printf("text: %zu bytes, %.1f%% non-ASCII bytes\n", text.size(),
              100.0 * static_cast<double>(nonAscii) / static_cast<double>(text.size()));
  std::vector<UTF32> ours(text.size());
  std::vector<UTF32> theirs(text.size());
  std::vector<char> in(text.begin(), text.end());
  iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    std::printf("iconv_open failed\n");
    return false;
  }
  const size_t ourCount = DecodeWithFXUTF(text, ours);
  const size_t theirCount = DecodeWithIconv(cd, in, theirs);
  iconv_close(cd);
  const bool same = ourCount != static_cast<size_t>(-1) && ourCount == theirCount &&
                    std::memcmp(ours.data(), theirs.data(), ourCount * sizeof(UTF32)) == 0;
  std::printf("FXUTF output %s iconv output (%zu units)\n", same ? "equals" : "DIFFERS FROM",
              ourCount);
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!CheckAgainstIconv()) return 1;
  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const double ours = reporter.BytesPerSecond("BM_FXUTF_UTF8ToUTF32");
  const double iconvRate = reporter.BytesPerSecond("BM_Iconv_UTF8ToUTF32LE");
  const double validate = reporter.BytesPerSecond("BM_FXUTF_IsLegalUTF8");
  if (ours > 0 && iconvRate > 0)
    std::printf("ConvertUTF8ToUTF32 %.0f MB/s, iconv %.0f MB/s: ratio %.2fx\n", ours / 1e6,
                iconvRate / 1e6, ours / iconvRate);
  if (validate > 0) std::printf("IsLegalUTF8 validation %.0f MB/s\n", validate / 1e6);
  return 0;
}
