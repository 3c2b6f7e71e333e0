// Test helper: a log writer that keeps its lines, and scopes that install a writer as
// g_ptrLogWriter.
#pragma once

#include <boost/shared_ptr.hpp>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "yqbase/logging/LogWriterInterface.h"

namespace yqtest {

// One line given to a CRecordingWriter.
struct SRecordedLine {
  int level;
  std::string function;
  unsigned line;
  unsigned long long jobId;
  std::string tag;  // "<null>" for none
  std::string text;
};
typedef SRecordedLine SLogLine;

// Keeps what it is asked to log; its debug level decides which guarded traces reach it. Lines
// may arrive from several threads; read `lines` directly only once they have stopped.
class CRecordingWriter : public CLogWriterNull {
 public:
  explicit CRecordingWriter(int debugLevel = 5) : level(debugLevel) {}
  void LogMessage(int level, const char* function, unsigned line, unsigned long long jobId,
                  const char* tag, const char* format, ...) override {
    va_list args;
    va_start(args, format);
    LogMessageV(level, function, line, jobId, tag, format, args);
    va_end(args);
  }
  void LogMessageV(int level, const char* function, unsigned line, unsigned long long jobId,
                   const char* tag, const char* format, va_list args) override {
    char text[8192];
    std::vsnprintf(text, sizeof text, format, args);
    std::lock_guard<std::mutex> guard(m_mutex);
    lines.push_back(SRecordedLine{level, function != nullptr ? function : "", line, jobId,
                                  tag != nullptr ? tag : "<null>", text});
  }
  int GetDebugLevel() override { return level; }

  // A copy of the lines so far, safe while other threads still log.
  std::vector<SRecordedLine> Lines() {
    std::lock_guard<std::mutex> guard(m_mutex);
    return lines;
  }
  int level;
  std::vector<SRecordedLine> lines;

 private:
  std::mutex m_mutex;
};

// Installs a writer as g_ptrLogWriter for one scope and puts the previous one back.
class CScopedWriter {
 public:
  explicit CScopedWriter(boost::shared_ptr<CLogWriterInterface> writer)
      : m_previous(g_ptrLogWriter) {
    g_ptrLogWriter = writer;
  }
  ~CScopedWriter() { g_ptrLogWriter = m_previous; }

 private:
  boost::shared_ptr<CLogWriterInterface> m_previous;
};

// Installs a new CRecordingWriter for one scope.
class CScopedCaptureLog {
 public:
  explicit CScopedCaptureLog(int level = 10)
      : m_writer(new CRecordingWriter(level)),
        m_scope(boost::shared_ptr<CLogWriterInterface>(m_writer)) {}
  CRecordingWriter& Writer() { return *m_writer; }

 private:
  CRecordingWriter* m_writer;  // owned by the installed shared pointer
  CScopedWriter m_scope;
};

}  // namespace yqtest
