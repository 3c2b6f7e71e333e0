// An archive round trip (add, then extract with full paths) of about 30 MB of mixed files:
// through C7zip and lib7z.so, and by running 7zz directly with the same arguments.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "yqbase/utilities/7zip.h"

extern char** environ;

namespace {

struct SFolders {
  std::string root, source;
};

// 10 MB of text lines, 15 MB of random bytes in three files, 500 small files of 10 KB.
const SFolders& Folders() {
  static const SFolders folders = [] {
    char name[] = "/tmp/yqbase_archive_bench_XXXXXX";
    SFolders f;
    f.root = ::mkdtemp(name) != nullptr ? name : "/tmp";
    f.source = f.root + "/data";
    ::mkdir(f.source.c_str(), 0755);
    ::mkdir((f.source + "/small").c_str(), 0755);
    std::mt19937 random(3);
    std::string text;
    while (text.size() < (10u << 20))
      text += "record " + std::to_string(random() % 100000) + " status ok path /srv/x\n";
    std::ofstream(f.source + "/log.txt", std::ios::binary) << text;
    std::string bytes(5u << 20, '\0');
    for (int i = 0; i < 3; ++i) {
      for (char& c : bytes) c = static_cast<char>(random());
      std::ofstream(f.source + "/blob" + std::to_string(i) + ".bin", std::ios::binary) << bytes;
    }
    for (int i = 0; i < 500; ++i)
      std::ofstream(f.source + "/small/f" + std::to_string(i), std::ios::binary)
          << text.substr(static_cast<size_t>(i) * 10240, 10240);
    return f;
  }();
  return folders;
}

void RemoveTree(const std::string& path) {
  const std::string command = "rm -rf '" + path + "'";
  if (std::system(command.c_str()) != 0)
    std::fprintf(stderr, "could not remove %s\n", path.c_str());
}

bool Run7zz(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  std::string program = "7zz";
  argv.push_back(&program[0]);
  for (std::string& a : arguments) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  int status = 1;
  const bool ok = ::posix_spawnp(&child, "7zz", &actions, nullptr, argv.data(), environ) == 0 &&
                  ::waitpid(child, &status, 0) == child && status == 0;
  posix_spawn_file_actions_destroy(&actions);
  return ok;
}

void BM_C7zipRoundTrip(benchmark::State& state) {
  const SFolders& f = Folders();
  const std::string archive = f.root + "/driver.7z";
  std::string out = f.root + "/driver_out";
  C7zip zip(YQ_BENCH_ARCHIVER_DIR, C7zip::SevenZip);
  CYqError err = zip.Initialize();
  if (err.Succeeded()) err = zip.SetCompressionLevel(1);
  for (auto _ : state) {
    std::vector<std::string> files{f.source};
    std::map<std::wstring, std::wstring> results;
    if (err.Succeeded()) err = zip.AddFilesToArchive(archive, files, results);
    if (err.Succeeded()) err = zip.ExtractFilesWithFullPathsFromArchive(archive, out);
    if (err.Failed()) state.SkipWithError(err.AsString().c_str());
    state.PauseTiming();
    std::remove(archive.c_str());
    RemoveTree(out);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_C7zipRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_7zzRoundTrip(benchmark::State& state) {
  const SFolders& f = Folders();
  const std::string archive = f.root + "/direct.7z", out = f.root + "/direct_out";
  for (auto _ : state) {
    if (!Run7zz({"a", "-mx1", archive, f.source}) || !Run7zz({"x", "-y", archive, "-o" + out}))
      state.SkipWithError("7zz failed");
    state.PauseTiming();
    std::remove(archive.c_str());
    RemoveTree(out);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_7zzRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Folders();
  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  reporter.PrintRatio("BM_C7zipRoundTrip/iterations:3/real_time",
                      "BM_7zzRoundTrip/iterations:3/real_time");
  RemoveTree(Folders().root);
  return 0;
}
