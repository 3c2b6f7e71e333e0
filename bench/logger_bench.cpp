// Lines per second of CYqLogger for a typical 100-byte message, with the log file kept open and
// opened for every line, beside the raw anchor: a descriptor kept open, an fcntl lock on the
// lock file, one write of the finished line, unlock.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "RatioReporter.h"
#include "yqbase/logging/YqLogger.h"

namespace {

const char* const kFunction = "CYqError CYqFile::Open(const std::string&, DWORD)";
// 100 bytes, like a trace line of the file layer.
const char* const kFormat = "file=%s size=%llu attributes=0x%08X result=%d";
const char* const kPath = "/var/opt/agent/data/volume_07/catalogue.dat";
const unsigned long long kSize = 1234567890123ull;

// A fresh folder for one benchmark's files.
class CBenchDir {
 public:
  CBenchDir() {
    char pattern[] = "/tmp/yqlogger_bench.XXXXXX";
    const char* made = mkdtemp(pattern);
    m_path = made != nullptr ? std::string(made) + "/" : std::string("/tmp/");
  }
  ~CBenchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

// The logger under test, started in its own folder with a limit no run reaches.
class CBenchLogger {
 public:
  explicit CBenchLogger(bool keepOpen) {
    if (m_logger.Initialize("bench", m_dir.Path(), 1, false, keepOpen).Failed()) std::abort();
    m_logger.SetLogFileSize(1u << 20);
  }
  void Line(int i) {
    m_logger.LogMessage(1, kFunction, 42, nullptr, kFormat, kPath, kSize, 0x20u + (i & 7), 0);
  }
  // The length of one written line, without the header.
  size_t LineLength() {
    Line(0);
    const size_t before = std::filesystem::file_size(m_logger.GetLogFilePath());
    Line(1);
    return std::filesystem::file_size(m_logger.GetLogFilePath()) - before;
  }

 private:
  CBenchDir m_dir;
  CYqLogger m_logger;
};

// The anchor: what one locked append of a finished line costs at the least.
class CRawAppender {
 public:
  explicit CRawAppender(size_t lineLength) : m_line(lineLength - 1, 'x') {
    m_line += '\n';
    m_fd = open((m_dir.Path() + "raw.log").c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC,
                0644);
    m_lockFd = open((m_dir.Path() + "raw.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0 || m_lockFd < 0) std::abort();
  }
  ~CRawAppender() {
    close(m_fd);
    close(m_lockFd);
  }
  void Line() {
    struct flock lock;
    std::memset(&lock, 0, sizeof lock);
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (fcntl(m_lockFd, F_SETLKW, &lock) != 0) std::abort();
    if (write(m_fd, m_line.data(), m_line.size()) != static_cast<ssize_t>(m_line.size()))
      std::abort();
    lock.l_type = F_UNLCK;
    if (fcntl(m_lockFd, F_SETLK, &lock) != 0) std::abort();
  }

 private:
  CBenchDir m_dir;
  std::string m_line;
  int m_fd;
  int m_lockFd;
};

size_t TypicalLineLength() {
  static const size_t length = CBenchLogger(true).LineLength();
  return length;
}

void BM_LoggerKeepOpen(benchmark::State& state) {
  CBenchLogger logger(true);
  int i = 0;
  for (auto _ : state) logger.Line(++i);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LoggerKeepOpen);

void BM_LoggerOpenPerLine(benchmark::State& state) {
  CBenchLogger logger(false);
  int i = 0;
  for (auto _ : state) logger.Line(++i);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LoggerOpenPerLine);

void BM_RawLockedAppend(benchmark::State& state) {
  CRawAppender raw(TypicalLineLength());
  for (auto _ : state) raw.Line();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RawLockedAppend);

// Lines per second of `body`, the best of several rounds.
template <typename Body>
double BestLinesPerSecond(Body body) {
  return 1e9 / BestNanosecondsPerCall(body, 15, 10000);
}

void PrintRatios() {
  CBenchLogger keepOpen(true);
  CBenchLogger perLine(false);
  CRawAppender raw(TypicalLineLength());
  const double keepOpenRate = BestLinesPerSecond([&](int i) { keepOpen.Line(i); });
  const double perLineRate = BestLinesPerSecond([&](int i) { perLine.Line(i); });
  const double rawRate = BestLinesPerSecond([&](int) { raw.Line(); });
  std::printf("%zu-byte lines: raw locked append %.0f lines/s\n", TypicalLineLength(), rawRate);
  std::printf("  keep-open    %.0f lines/s, ratio %.2f (target >= 0.5)\n", keepOpenRate,
              keepOpenRate / rawRate);
  std::printf("  open per line %.0f lines/s, ratio %.2f\n", perLineRate, perLineRate / rawRate);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintRatios();
  return 0;
}
