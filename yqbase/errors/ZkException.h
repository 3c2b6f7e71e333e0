// ZkException: the exception thrown by the few operations of the library that throw.
#pragma once

#include <exception>
#include <string>

#include "yqbase/errors/YqExport.h"

/// An exception with the throwing function's name, a message, the source file and line, and
/// an errno value. Every construction is logged, but only while the marker file
/// "/tmp/ZkException.log" exists: then a line goes to standard error and to the process-wide
/// log writer. Copies are deep; what() is the message.
///
///   throw ZkException(__FUNCTION__, "invalid sequence", __FILE__, __LINE__, EILSEQ);
class YQBASE_EXPORT ZkException : public std::exception {
 public:
  /// A null function or file name becomes "unknown", a null message "Not enough memory".
  ZkException(const char* function, const char* message, const char* file, int line, int error);
  ZkException(const char* function, const std::string& message, const char* file, int line,
              int error);
  ZkException(const ZkException& other);
  ZkException& operator=(const ZkException& other);
  ~ZkException() override;

  /// Replaces the fields (see the constructor) and logs them.
  void init(const char* function, const char* message, const char* file, int line, int error);
  /// Replaces the message and logs it.
  void setMessage(const char* message);
  /// "function(): message".
  std::string formatError() const;

  const char* getFunction() const { return m_function != nullptr ? m_function : "unknown"; }
  const char* getMessage() const { return m_message != nullptr ? m_message : "Not enough memory"; }
  const char* getFile() const { return m_file != nullptr ? m_file : "unknown"; }
  int getLine() const { return m_line; }
  int getErrno() const { return m_errno; }

  const char* what() const noexcept override { return getMessage(); }

 private:
  // Owned copies made with strdup; null where a name was missing or could not be copied.
  char* m_function = nullptr;
  char* m_message = nullptr;
  char* m_file = nullptr;
  int m_line = 0;
  int m_errno = 0;

  void Release();
  void CopyFrom(const ZkException& other);
};
