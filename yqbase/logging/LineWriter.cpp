#include "yqbase/logging/LineWriter.h"

#include <errno.h>

#include <algorithm>
#include <boost/make_shared.hpp>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LineWriterPrivate.h"
#include "yqbase/strings/StringExtensions.h"

CHexDumpRow::CHexDumpRow(const char* title, bool markGroups)
    : m_title(title), m_markGroups(markGroups), m_hex(std::max<size_t>(std::strlen(title), 10) + 107) {
  m_hex[0] = '\0';
  m_chars[0] = '\0';
}

void CHexDumpRow::Format(unsigned long address, const unsigned char* bytes, unsigned count) {
  count = std::min(count, kBytesPerRow);
  char* out = m_hex.data();
  const size_t size = m_hex.size();
  size_t pos = 0;
  auto advance = [&](int written) {
    if (written > 0) pos = std::min(pos + static_cast<size_t>(written), size - 1);
  };
  advance(std::snprintf(out, size, "%10s %08X:", m_title, static_cast<unsigned>(address)));
  for (unsigned i = 0; i < kBytesPerRow; ++i) {
    if (i >= count) {
      advance(std::snprintf(out + pos, size - pos, "   "));
      continue;
    }
    const char separator = m_markGroups && i % 8 == 0 && i != 0 ? '\'' : ' ';
    advance(std::snprintf(out + pos, size - pos, "%c%02X", separator, bytes[i]));
    m_chars[i] = std::isprint(bytes[i]) && bytes[i] != '\t' ? static_cast<char>(bytes[i]) : '.';
  }
  m_chars[count] = '\0';
}

CLineWriter::CLineWriter() = default;
CLineWriter::~CLineWriter() = default;

bool CLineWriter::IsOptionEnabled(const std::string&) const { return false; }

CYqError CLineWriter::WriteString(const std::string&) { return CYqError(); }

CYqError CLineWriter::WriteLine(const char* format, ...) {
  std::string text;
  va_list args;
  va_start(args, format);
  const bool fits = FXString::FormatArgList(text, format, args).Succeeded();
  va_end(args);
  if (!fits) text.insert(0, "[BUFFEROVERFLOW] ");
  CYqError error = WriteString(text);
  if (error.Failed()) return error.Push(YQ_LOC);
  return error;
}

CYqError CLineWriter::WriteBuffer(const char* title, unsigned long base, const unsigned char* data,
                                  unsigned length) {
  if (data == nullptr && length != 0)
    return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "no data for %u bytes", length);
  CHexDumpRow row(title != nullptr ? title : "", true);
  for (unsigned offset = 0; offset < length; offset += CHexDumpRow::kBytesPerRow) {
    row.Format(base + offset, data + offset, length - offset);
    CYqError error = WriteLine("%s  %s", row.Hex(), row.Chars());
    if (error.Failed()) return error.Push(YQ_LOC);
  }
  return CYqError();
}

CLineWriterWithOptions::CLineWriterWithOptions()
    : m_private(boost::make_shared<CLineWriterPrivate>()) {}
CLineWriterWithOptions::~CLineWriterWithOptions() = default;

bool CLineWriterWithOptions::IsOptionEnabled(const std::string& name) const {
  return m_private->m_options.count(name) != 0;
}

void CLineWriterWithOptions::SetOption(const std::string& name, bool enabled) {
  if (enabled)
    m_private->m_options.insert(name);
  else
    m_private->m_options.erase(name);
}

CLogWriterLineWriter::CLogWriterLineWriter(const boost::shared_ptr<CLogWriterInterface>& writer)
    : m_writer(writer), m_hasLocation(false), m_location{nullptr, nullptr, 0} {}

CLogWriterLineWriter::CLogWriterLineWriter(const boost::shared_ptr<CLogWriterInterface>& writer,
                                           const FXCodeLocation& location)
    : m_writer(writer), m_hasLocation(true), m_location(location) {}

CLogWriterLineWriter::~CLogWriterLineWriter() = default;

CYqError CLogWriterLineWriter::WriteString(const std::string& text) {
  if (!m_writer || m_writer->GetDebugLevel() < 0) return CYqError();
  if (m_hasLocation)
    m_writer->LogMessage(0, m_location.function, static_cast<unsigned>(m_location.line), 0,
                         nullptr, "%s", text.c_str());
  else
    m_writer->LogMessage(0, "virtual CYqError CLogWriterLineWriter::WriteString(const string&)",
                         37, 0, nullptr, "%s", text.c_str());
  return CYqError();
}

CTextFileLineWriter::CTextFileLineWriter(const std::string& path) : m_path(path), m_openError(0) {
  errno = 0;
  m_stream.open(path, std::ios::out | std::ios::trunc);
  if (!m_stream.is_open()) m_openError = errno != 0 ? errno : EIO;
}

CTextFileLineWriter::~CTextFileLineWriter() = default;

CYqError CTextFileLineWriter::WriteString(const std::string& text) {
  if (m_openError != 0)
    return FXErrorUtil::ErrorWin32(YQ_LOC, static_cast<DWORD>(m_openError),
                                   "cannot create %s (%s)", m_path.c_str(),
                                   std::strerror(m_openError));
  m_stream << text << '\n';
  m_stream.flush();
  if (!m_stream.good()) {
    m_stream.clear();
    return FXErrorUtil::ErrorWin32(YQ_LOC, 29, "writing to %s failed", m_path.c_str());
  }
  return CYqError();
}
