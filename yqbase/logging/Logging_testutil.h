// Test helpers for the logging suites: temporary folders, child processes, captured lines and
// system-log reports, and the parts of a log line.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/logging/LogWriter_testutil.h"
#include "yqbase/logging/YqLogger.h"

namespace yqtest {

// A fresh folder under /tmp, removed with its contents on destruction. Path() ends with "/".
class CTempDir {
 public:
  CTempDir() {
    char pattern[] = "/tmp/yqlogging_test.XXXXXX";
    const char* made = mkdtemp(pattern);
    m_path = made != nullptr ? std::string(made) + "/" : std::string();
  }
  ~CTempDir() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
  }
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// Runs `body` in a forked child and returns its exit code (its result), or 128 + the signal
// that ended it. The child must not use test assertions; the parent checks what it left.
template <typename Body>
int RunInChild(Body body) {
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) _exit(body());
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Collects what loggers send to their system-log sink.
class CReports {
 public:
  static void Callback(const char* text) {
    std::lock_guard<std::mutex> hold(Lock());
    Texts().push_back(text);
  }
  static std::vector<std::string> Take() {
    std::lock_guard<std::mutex> hold(Lock());
    std::vector<std::string> texts;
    texts.swap(Texts());
    return texts;
  }

 private:
  static std::mutex& Lock() {
    static std::mutex lock;
    return lock;
  }
  static std::vector<std::string>& Texts() {
    static std::vector<std::string> texts;
    return texts;
  }
};

// Captures, instead of writing, the finished lines of every logger while it lives.
class CScopedLineCapture {
 public:
  CScopedLineCapture() {
    Take();
    CYqLogger::SetLogMessageHook(&Hook);
  }
  ~CScopedLineCapture() { CYqLogger::SetLogMessageHook(nullptr); }

  static std::vector<std::string> Take() {
    std::lock_guard<std::mutex> hold(Lock());
    std::vector<std::string> lines;
    lines.swap(Lines());
    return lines;
  }

 private:
  static bool Hook(CYqLogger*, int, const char* line) {
    std::lock_guard<std::mutex> hold(Lock());
    Lines().push_back(line);
    return true;
  }
  static std::mutex& Lock() {
    static std::mutex lock;
    return lock;
  }
  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }
};

// The columns of a log line: process id, thread id, time ("MM/DD hh:mm:ss") and the rest
// from the job-id column on. False when the line does not have that shape.
struct SLineParts {
  std::string pid;
  std::string tid;
  std::string time;
  std::string rest;
};

inline bool IsDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

inline bool SplitLine(const std::string& line, SLineParts* parts) {
  const size_t pidEnd = line.find(' ');
  if (pidEnd == std::string::npos) return false;
  parts->pid = line.substr(0, pidEnd);
  const size_t tidEnd = line.find(' ', pidEnd + 1);
  if (tidEnd == std::string::npos) return false;
  parts->tid = line.substr(pidEnd + 1, tidEnd - pidEnd - 1);
  const size_t timeStart = line.find_first_not_of(' ', tidEnd);
  if (timeStart == std::string::npos || line.size() < timeStart + 15) return false;
  parts->time = line.substr(timeStart, 14);
  parts->rest = line.substr(timeStart + 15);
  if (!IsDigits(parts->pid) || parts->tid.find_first_not_of("0123456789abcdef") != std::string::npos)
    return false;
  const std::string& t = parts->time;
  return t.size() == 14 && t[2] == '/' && t[5] == ' ' && t[8] == ':' && t[11] == ':' &&
         IsDigits(t.substr(0, 2) + t.substr(3, 2) + t.substr(6, 2) + t.substr(9, 2) +
                  t.substr(12, 2)) &&
         line[timeStart + 14] == ' ';
}

// Whether `text` starts with a complete header block: star lines of equal width framing
// "* ... *" lines of the same width, then an empty line. Sets `*length` to its bytes.
inline bool StartsWithHeader(const std::string& text, size_t* length = nullptr) {
  const size_t first = text.find('\n');
  if (first == std::string::npos || first < 74) return false;
  const std::string stars = text.substr(0, first);
  if (stars.find_first_not_of('*') != std::string::npos) return false;
  size_t pos = first + 1;
  int content = 0;
  for (;;) {
    const size_t end = text.find('\n', pos);
    if (end == std::string::npos) return false;
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line == stars) break;
    if (line.size() != stars.size() || line.compare(0, 2, "* ") != 0 ||
        line.compare(line.size() - 2, 2, " *") != 0)
      return false;
    ++content;
  }
  if (content < 7 || pos >= text.size() || text[pos] != '\n') return false;
  if (length != nullptr) *length = pos + 1;
  return true;
}

}  // namespace yqtest
