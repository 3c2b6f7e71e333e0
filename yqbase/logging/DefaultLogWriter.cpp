#include "yqbase/logging/DefaultLogWriter.h"

#include <algorithm>
#include <boost/make_shared.hpp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "yqbase/logging/DefaultLogWriterPrivate.h"
#include "yqbase/logging/LineWriterPrivate.h"
#include "yqbase/strings/StringExtensions.h"
#include "yqbase/logging/YqLogger.h"

namespace {

// The tag of lines that belong to an activity.
struct SActivityTag {
  explicit SActivityTag(unsigned long activity) {
    std::snprintf(text, sizeof text, "[A:%u]", static_cast<unsigned>(activity));
  }
  char text[50];
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Writers

CLogWriterWrapperBase::CLogWriterWrapperBase()
    : m_private(boost::make_shared<CLogWriterWrapperPrivate>()) {}
CLogWriterWrapperBase::~CLogWriterWrapperBase() = default;
CYqError CLogWriterWrapperBase::Initialize() { return CYqError(); }
void CLogWriterWrapperBase::SetLogAppName(const std::string&) {}
void CLogWriterWrapperBase::SetLogFileName(const std::string&) {}
unsigned CLogWriterWrapperBase::GetDebugMask() { return m_private->m_debugMask.load(); }
void CLogWriterWrapperBase::SetDebugMask(unsigned mask) { m_private->m_debugMask.store(mask); }

CYqLoggerWrapper::CYqLoggerWrapper(CYqLogger* logger) : m_logger(logger) {}
CYqLoggerWrapper::~CYqLoggerWrapper() = default;

void CYqLoggerWrapper::LogMessage(int level, const char* function, unsigned line,
                                  unsigned long long jobId, const char* tag, const char* format,
                                  ...) {
  va_list args;
  va_start(args, format);
  LogMessageV(level, function, line, jobId, tag, format, args);
  va_end(args);
}

void CYqLoggerWrapper::LogMessageV(int level, const char* function, unsigned line,
                                   unsigned long long jobId, const char* tag, const char* format,
                                   va_list args) {
  if (m_logger == nullptr) return;
  m_logger->LogMessageV(level, function, line, static_cast<long long>(jobId), tag, format, args);
}

CYqError CYqLoggerWrapper::RefreshConfiguration() { return CYqError(); }

int CYqLoggerWrapper::GetDebugLevel() {
  return m_logger != nullptr ? m_logger->GetDebugLevel() : 0;
}

void CYqLoggerWrapper::SetDebugLevel(int level) {
  if (m_logger != nullptr) m_logger->SetDebugLevel(level);
}

CDefaultLogWriter::CDefaultLogWriter(const char* appName) : CYqLoggerWrapper(nullptr) {
  Start(appName != nullptr ? appName : "", std::string(), true, true);
}

CDefaultLogWriter::CDefaultLogWriter(const std::string& appName, const std::string& path)
    : CYqLoggerWrapper(nullptr) {
  Start(appName, path, true, true);
}

CDefaultLogWriter::CDefaultLogWriter(const std::string& appName, const std::string& path,
                                     bool showEmptyColumns, bool keepLogFileOpen)
    : CYqLoggerWrapper(nullptr) {
  Start(appName, path, showEmptyColumns, keepLogFileOpen);
}

CDefaultLogWriter::~CDefaultLogWriter() { delete m_logger; }

void CDefaultLogWriter::Start(const std::string& appName, const std::string& path,
                              bool showEmptyColumns, bool keepLogFileOpen) {
  m_logger = new CYqLogger();
  if (m_logger->IsInitialized()) return;
  const std::string dir = path.empty() ? std::string("/tmp") : path;
  CYqError error = m_logger->Initialize(appName, dir, 1, showEmptyColumns, keepLogFileOpen);
  if (error.Succeeded()) return;
  const std::string text = error.AsString();
  CLogWriterInterface* writer = g_ptrLogWriter.get();
  if (writer != nullptr)
    writer->LogMessage(-1, "CDefaultLogWriter::CDefaultLogWriter(const char*)", 50, 0, nullptr,
                       "Initialize failed, error=%s", text.c_str());
  std::printf("Error=%s, AppName=%s, Path=%s\n", text.c_str(), appName.c_str(), dir.c_str());
}

CLogWriterInterfaceThreadWrapper::~CLogWriterInterfaceThreadWrapper() = default;

boost::shared_ptr<CLogWriterInterface> CreateDefaultLogWriter(const char* appName) {
  return boost::shared_ptr<CLogWriterInterface>(new CDefaultLogWriter(appName));
}

boost::shared_ptr<CLogWriterInterface> CreateDefaultLogWriter(const std::string& appName,
                                                              const std::string& path) {
  return boost::shared_ptr<CLogWriterInterface>(new CDefaultLogWriter(appName, path));
}

boost::shared_ptr<CLogWriterInterface> CreateDefaultLogWriter(const std::string& appName,
                                                              const std::string& path,
                                                              bool showEmptyColumns,
                                                              bool keepLogFileOpen) {
  return boost::shared_ptr<CLogWriterInterface>(
      new CDefaultLogWriter(appName, path, showEmptyColumns, keepLogFileOpen));
}

// ---------------------------------------------------------------------------------------------
// Scope tracing

ZKDebugFunction::ZKDebugFunction(const boost::shared_ptr<CLogWriterInterface>& writer,
                                 const char* function, unsigned line, int level,
                                 unsigned long long jobId, unsigned long activity,
                                 const char* format, ...)
    : ZKDebugFunction(writer, 0, function, line, level, jobId, activity) {
  va_list args;
  va_start(args, format);
  FormatMessage(format, args);
  va_end(args);
  LogEntry();
}

ZKDebugFunction::ZKDebugFunction(const boost::shared_ptr<CLogWriterInterface>& writer,
                                 unsigned long flags, const char* function, unsigned line,
                                 int level, unsigned long long jobId, unsigned long activity,
                                 const char* format, ...)
    : ZKDebugFunction(writer, flags, function, line, level, jobId, activity) {
  va_list args;
  va_start(args, format);
  FormatMessage(format, args);
  va_end(args);
  InitializeFlags();
  LogEntry();
}

ZKDebugFunction::ZKDebugFunction(const boost::shared_ptr<CLogWriterInterface>& writer,
                                 unsigned long flags, const char* function, unsigned line,
                                 int level, unsigned long long jobId, unsigned long activity)
    : m_writer(writer),
      m_flags(flags),
      m_function(function != nullptr ? function : ""),
      m_line(line),
      m_level(level),
      m_jobId(jobId),
      m_activity(activity) {}

ZKDebugFunction::~ZKDebugFunction() {
  if (!m_writer) return;
  std::string prefix;
  if (m_flags & kFlagTiming) prefix = (CTimeStamp::Now() - m_start).AsString() + " ";
  if (m_activity != kNoActivity)
    DebugLvlPre("--- %s%s", prefix.c_str(), m_message.c_str());
  else
    m_writer->LogMessage(m_level, m_function.c_str(), m_line, m_jobId, nullptr, "--- %s%s",
                         prefix.c_str(), m_message.c_str());
}

void ZKDebugFunction::Configure(const char* text) { m_message = text != nullptr ? text : ""; }

void ZKDebugFunction::InitializeFlags() {
  if (m_flags & kFlagObject) {
    const size_t colons = m_function.rfind("::");
    if (colons != std::string::npos) m_function.resize(colons);
    m_function.insert(0, "OBJECT ");
  }
  if (m_flags & kFlagTiming) m_start = CTimeStamp::Now();
}

void ZKDebugFunction::DebugLvlPre(const char* format, ...) {
  if (!m_writer) return;
  const SActivityTag tag(m_activity);
  va_list args;
  va_start(args, format);
  m_writer->LogMessageV(m_level, m_function.c_str(), m_line, m_jobId, tag.text, format, args);
  va_end(args);
}

void ZKDebugFunction::FormatMessage(const char* format, va_list args) {
  Configure(nullptr);
  if (format == nullptr) return;
  // Starts at 512 bytes more than the format and doubles up to six times; a longer text is
  // dropped rather than cut.
  size_t size = 512 + std::strlen(format);
  const size_t largest = size << 6;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
  if (!buffer) return;
  va_list attempt;
  va_copy(attempt, args);
  const int written = std::vsnprintf(buffer.get(), size, format, attempt);
  va_end(attempt);
  if (written <= 0) return;
  if (static_cast<size_t>(written) >= size) {
    while (size <= static_cast<size_t>(written) && size < largest) size *= 2;
    if (size <= static_cast<size_t>(written)) return;
    buffer.reset(new (std::nothrow) char[size]);
    if (!buffer) return;
    va_copy(attempt, args);
    std::vsnprintf(buffer.get(), size, format, attempt);
    va_end(attempt);
  }
  Configure(buffer.get());
}

void ZKDebugFunction::LogEntry() {
  if (!m_writer) return;
  if (m_activity != kNoActivity)
    DebugLvlPre("+++ %s", m_message.c_str());
  else
    m_writer->LogMessage(m_level, m_function.c_str(), m_line, m_jobId, nullptr, "+++ %s",
                         m_message.c_str());
}

void ___DebugLvlPre(CLogWriterInterface* writer, const char* function, unsigned line, int level,
                    long long jobId, unsigned long activity, const char* format, ...) {
  if (writer == nullptr) return;
  const SActivityTag tag(activity);
  va_list args;
  va_start(args, format);
  writer->LogMessageV(level, function, line, static_cast<unsigned long long>(jobId), tag.text,
                      format, args);
  va_end(args);
}

void __DebugOutputBufferBytes(int level, const char* title, unsigned long base,
                              const unsigned char* data, unsigned length, const char* function,
                              unsigned line) {
  CLogWriterInterface* writer = g_ptrLogWriter.get();
  if (writer == nullptr || (data == nullptr && length != 0)) return;
  if (title == nullptr) title = "";
  CHexDumpRow row(title, false);
  for (unsigned offset = 0; offset < length; offset += CHexDumpRow::kBytesPerRow) {
    row.Format(base + offset, data + offset, std::min(length - offset, CHexDumpRow::kBytesPerRow));
    if (writer->GetDebugLevel() >= level)
      writer->LogMessage(level, function, line, 0, nullptr, "%s  %s", row.Hex(), row.Chars());
  }
}

// ---------------------------------------------------------------------------------------------
// Texts and the console

std::string FXLog::PrefixIfNotEmpty(const std::string& prefix, const std::string& value,
                                    const std::string& suffix) {
  if (value.empty()) return std::string();
  return prefix + value + suffix;
}

std::string FXLog::PrefixIfNotEmpty(const std::string& prefix, const std::wstring& value,
                                    const std::string& suffix) {
  if (value.empty()) return std::string();
  return PrefixIfNotEmpty(prefix, FXString::ToString(value), suffix);
}

CConsoleOutput::CConsoleOutput() : m_color(15) {}
WORD CConsoleOutput::GetColor() const { return m_color; }
void CConsoleOutput::ChangeColor(WORD) {}
void CConsoleOutput::PushColor(WORD) {}
void CConsoleOutput::PopColor() {}
void CConsoleOutput::ClearScreen() {}

CYqError FXConsole::EnableVTMode() { return CYqError(); }

CYqError FXConsole::IsVTModeEnabled(bool& enabled) {
  enabled = true;
  return CYqError();
}
