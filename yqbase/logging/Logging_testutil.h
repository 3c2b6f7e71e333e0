// Test helpers for the logging suites: temporary folders, child processes, captured lines and
// system-log reports, and the parts of a log line.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "yqbase/logging/LogWriter_testutil.h"
#include "yqbase/logging/YqLogger.h"

namespace yqtest {

// A fresh folder under /tmp, removed with its contents on destruction. Path() ends with "/".
class CTempDir {
 public:
  CTempDir() {
    char pattern[] = "/tmp/yqlogging_test.XXXXXX";
    if (mkdtemp(pattern) != nullptr) m_path = std::string(pattern) + "/";
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
  std::ostringstream out;
  out << std::ifstream(path, std::ios::binary).rdbuf();
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

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
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

// Texts collected from several threads; Take() hands them over and starts afresh.
template <int kTag>
class CCollected {
 public:
  static void Add(const char* text) {
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

// Collects what loggers send to their system-log sink.
struct CReports : CCollected<0> {
  static void Callback(const char* text) { Add(text); }
};

// Captures, instead of writing, the finished lines of every logger while it lives.
class CScopedLineCapture : public CCollected<1> {
 public:
  CScopedLineCapture() {
    Take();
    CYqLogger::SetLogMessageHook([](CYqLogger*, int, const char* line) {
      Add(line);
      return true;
    });
  }
  ~CScopedLineCapture() { CYqLogger::SetLogMessageHook(nullptr); }
};

// The columns of a log line: process id, thread id, time ("MM/DD hh:mm:ss") and the rest
// from the job-id column on. False when the line does not have that shape.
struct SLineParts {
  std::string pid;
  std::string tid;
  std::string time;
  std::string rest;
};

inline bool SplitLine(const std::string& line, SLineParts* parts) {
  const size_t pidEnd = line.find(' ');
  const size_t tidEnd = line.find(' ', pidEnd + 1);
  const size_t timeStart = line.find_first_not_of(' ', tidEnd);
  if (pidEnd == 0 || timeStart == std::string::npos || line.size() < timeStart + 15) return false;
  parts->pid = line.substr(0, pidEnd);
  parts->tid = line.substr(pidEnd + 1, tidEnd - pidEnd - 1);
  parts->time = line.substr(timeStart, 14);
  parts->rest = line.substr(timeStart + 15);
  std::string shape = parts->time + line[timeStart + 14];
  for (char& c : shape) c = c >= '0' && c <= '9' ? '9' : c;
  return parts->pid.find_first_not_of("0123456789") == std::string::npos &&
         parts->tid.find_first_not_of("0123456789abcdef") == std::string::npos &&
         shape == "99/99 99:99:99 ";
}

// The part of a log line from the job-id column on.
inline std::string Rest(const std::string& line) {
  SLineParts parts;
  return SplitLine(line, &parts) ? parts.rest : "<malformed: " + line + ">";
}

// Whether `text` starts with a complete header block: star lines of equal width framing
// at least seven "* ... *" lines of the same width, then an empty line. Sets `*length` to
// its bytes.
inline bool StartsWithHeader(const std::string& text, size_t* length = nullptr) {
  std::istringstream in(text);
  std::string stars, line;
  std::getline(in, stars);
  if (stars.size() < 74 || stars.find_first_not_of('*') != std::string::npos) return false;
  int content = 0;
  while (std::getline(in, line) && line != stars) {
    if (line.size() != stars.size() || line.compare(0, 2, "* ") != 0 ||
        line.compare(line.size() - 2, 2, " *") != 0)
      return false;
    ++content;
  }
  const size_t end = (stars.size() + 1) * (content + 2);
  if (content < 7 || line != stars || text.size() <= end || text[end] != '\n') return false;
  if (length != nullptr) *length = end + 1;
  return true;
}

}  // namespace yqtest
