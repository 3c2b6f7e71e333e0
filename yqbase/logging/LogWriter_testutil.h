// Test helper: a log writer that keeps its lines, installed as g_ptrLogWriter for a scope.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "yqbase/logging/LogWriterInterface.h"

namespace yqtest {

// One line received by CCaptureLogWriter.
struct SLogLine {
  int level;
  std::string function;
  unsigned line;
  std::string text;
};

// Keeps every line it is given; thread-safe. Its debug level decides which guarded traces
// reach it.
class CCaptureLogWriter : public CLogWriterInterface {
 public:
  explicit CCaptureLogWriter(int level = 10) : m_level(level) {}
  CYqError Initialize() override { return CYqError(); }
  void SetLogAppName(const std::string&) override {}
  void SetLogFileName(const std::string&) override {}
  void LogMessage(int level, const char* function, unsigned line, unsigned long long jobId,
                  const char* tag, const char* format, ...) override {
    va_list args;
    va_start(args, format);
    LogMessageV(level, function, line, jobId, tag, format, args);
    va_end(args);
  }
  void LogMessageV(int level, const char* function, unsigned line, unsigned long long, const char*,
                   const char* format, va_list args) override {
    char text[4096];
    std::vsnprintf(text, sizeof text, format, args);
    std::lock_guard<std::mutex> guard(m_mutex);
    m_lines.push_back(SLogLine{level, function != nullptr ? function : "", line, text});
  }
  CYqError RefreshConfiguration() override { return CYqError(); }
  int GetDebugLevel() override { return m_level; }
  void SetDebugLevel(int) override {}
  unsigned GetDebugMask() override { return 0xFFFF; }
  void SetDebugMask(unsigned) override {}

  std::vector<SLogLine> Lines() {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_lines;
  }

 private:
  int m_level;
  std::mutex m_mutex;
  std::vector<SLogLine> m_lines;
};

// Installs a CCaptureLogWriter as g_ptrLogWriter for its lifetime.
class CScopedCaptureLog {
 public:
  explicit CScopedCaptureLog(int level = 10)
      : m_previous(g_ptrLogWriter), m_writer(new CCaptureLogWriter(level)) {
    g_ptrLogWriter.reset(m_writer);
  }
  ~CScopedCaptureLog() { g_ptrLogWriter = m_previous; }
  CCaptureLogWriter& Writer() { return *m_writer; }

 private:
  boost::shared_ptr<CLogWriterInterface> m_previous;
  CCaptureLogWriter* m_writer;
};

}  // namespace yqtest
