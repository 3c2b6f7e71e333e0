// Line writers: sinks for whole lines of diagnostic text, sending them to a log writer or to a
// text file.
#pragma once

#include <boost/shared_ptr.hpp>
#include <fstream>
#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/logging/LogWriterInterface.h"

/// A sink for whole lines. The base discards every line and has no options; subclasses
/// override WriteString. Not synchronised: one thread writes through a writer at a time.
class YQBASE_EXPORT CLineWriter {
 public:
  CLineWriter();
  virtual ~CLineWriter();

  /// Whether the named option is set; never in the base.
  virtual bool IsOptionEnabled(const std::string& name) const;
  /// Takes one line (without its newline); the base discards it.
  [[nodiscard]] virtual CYqError WriteString(const std::string& text);
  /// Formats one line and writes it; a text too long to format is written behind
  /// "[BUFFEROVERFLOW] ".
  [[nodiscard]] virtual CYqError WriteLine(const char* format, ...) YQBASE_PRINTF(2, 3);
  /// Writes `length` bytes as hex-dump lines of 32 bytes: "<title> <address>:", the bytes in
  /// hexadecimal (an apostrophe marks every eighth) and as characters.
  [[nodiscard]] virtual CYqError WriteBuffer(const char* title, unsigned long base,
                                             const unsigned char* data, unsigned length);
};

typedef boost::shared_ptr<CLineWriter> CLineWriterPtr;

class CLineWriterPrivate;

/// A line writer with a set of named options, matched without regard to case.
class YQBASE_EXPORT CLineWriterWithOptions : public CLineWriter {
 public:
  CLineWriterWithOptions();
  ~CLineWriterWithOptions() override;

  bool IsOptionEnabled(const std::string& name) const override;
  /// Sets (`enabled`) or clears the option.
  virtual void SetOption(const std::string& name, bool enabled);

 private:
  boost::shared_ptr<CLineWriterPrivate> m_private;
};

/// Sends each line to a log writer at level 0 (when the writer's debug level is at least 0),
/// naming the given code location or, without one, this writer.
class YQBASE_EXPORT CLogWriterLineWriter : public CLineWriterWithOptions {
 public:
  explicit CLogWriterLineWriter(const boost::shared_ptr<CLogWriterInterface>& writer);
  CLogWriterLineWriter(const boost::shared_ptr<CLogWriterInterface>& writer,
                       const FXCodeLocation& location);
  ~CLogWriterLineWriter() override;

  /// Always succeeds.
  CYqError WriteString(const std::string& text) override;

 private:
  boost::shared_ptr<CLogWriterInterface> m_writer;
  bool m_hasLocation;
  FXCodeLocation m_location;
};

/// Writes each line and a newline to a text file, created (or emptied) by the constructor,
/// and flushes it.
class YQBASE_EXPORT CTextFileLineWriter : public CLineWriterWithOptions {
 public:
  explicit CTextFileLineWriter(const std::string& path);
  ~CTextFileLineWriter() override;

  /// Fails when the file could not be created or written.
  CYqError WriteString(const std::string& text) override;

 private:
  std::string m_path;
  std::ofstream m_stream;
  int m_openError;
};
