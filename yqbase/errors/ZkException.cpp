#include "yqbase/errors/ZkException.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "yqbase/logging/LogWriterInterface.h"

namespace {

// Serialises the hand-over to the log writer. Made on first use and never destroyed, so that
// exceptions thrown while static objects are torn down can still log.
std::recursive_mutex& LogMutex() {
  static std::recursive_mutex* mutex = new std::recursive_mutex();
  return *mutex;
}

// Set while the writer runs, so that an exception raised inside the writer does not log again.
bool s_bLogging = false;

char* Duplicate(const char* text) { return text != nullptr ? strdup(text) : nullptr; }

// Logs only while the marker file exists, so that hosts can switch exception tracing on
// without a restart.
void log(const char* format, ...) YQBASE_PRINTF(1, 2);
void log(const char* format, ...) {
  char buffer[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  buffer[sizeof buffer - 1] = '\0';
  if (access("/tmp/ZkException.log", F_OK) != 0) return;
  std::fprintf(stderr, "ZkException:%s\n", buffer);
  std::lock_guard<std::recursive_mutex> lock(LogMutex());
  if (s_bLogging) return;
  s_bLogging = true;
  CLogWriterInterface* writer = g_ptrLogWriter.get();
  if (writer != nullptr) {
    try {
      writer->LogMessage(-1, "void log(const char*, ...)", 49, 0, nullptr, "%s", buffer);
    } catch (...) {
      // A writer that throws must not turn one exception into two.
    }
  }
  s_bLogging = false;
}

}  // namespace

ZkException::ZkException(const char* function, const char* message, const char* file, int line,
                         int error) {
  init(function, message, file, line, error);
}

ZkException::ZkException(const char* function, const std::string& message, const char* file,
                         int line, int error) {
  init(function, message.c_str(), file, line, error);
}

ZkException::ZkException(const ZkException& other) : std::exception(other) { CopyFrom(other); }

ZkException& ZkException::operator=(const ZkException& other) {
  if (this != &other) {
    Release();
    CopyFrom(other);
  }
  return *this;
}

ZkException::~ZkException() { Release(); }

void ZkException::Release() {
  std::free(m_function);
  std::free(m_message);
  std::free(m_file);
  m_function = m_message = m_file = nullptr;
}

void ZkException::CopyFrom(const ZkException& other) {
  m_function = Duplicate(other.m_function);
  m_message = Duplicate(other.m_message);
  m_file = Duplicate(other.m_file);
  m_line = other.m_line;
  m_errno = other.m_errno;
}

void ZkException::init(const char* function, const char* message, const char* file, int line,
                       int error) {
  Release();
  m_function = Duplicate(function);
  m_message = Duplicate(message);
  m_file = Duplicate(file);
  m_line = line;
  m_errno = error;
  if (error > 0)
    log("ZkException::init(): func_name=%s, file_name=%s:%d, message='%s', errno=%d", getFunction(),
        getFile(), m_line, getMessage(), m_errno);
  else
    log("ZkException::init(): func_name=%s, file_name=%s:%d, message='%s'", getFunction(),
        getFile(), m_line, getMessage());
}

void ZkException::setMessage(const char* message) {
  std::free(m_message);
  m_message = Duplicate(message);
  log("ZkException::setMessage(): message='%s'", getMessage());
}

std::string ZkException::formatError() const {
  return std::string(getFunction()) + "(): " + getMessage();
}
