// The option set of a CLineWriterWithOptions, and the rows of the hex dumps.
#pragma once

#include <strings.h>

#include <set>
#include <string>
#include <vector>

class CLineWriterPrivate {
 public:
  struct SNoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const {
      return strcasecmp(a.c_str(), b.c_str()) < 0;
    }
  };
  std::set<std::string, SNoCaseLess> m_options;
};

/// One row of a hex dump: "%10s %08X:" with the title and address, each byte in hexadecimal
/// (after a blank, or after an apostrophe at positions 8, 16 and 24 when groups are marked),
/// a short row padded with blanks; and beside it the bytes as characters ("." for those that
/// do not print).
class CHexDumpRow {
 public:
  static constexpr unsigned kBytesPerRow = 32;

  CHexDumpRow(const char* title, bool markGroups);
  void Format(unsigned long address, const unsigned char* bytes, unsigned count);
  const char* Hex() const { return m_hex.data(); }
  const char* Chars() const { return m_chars; }

 private:
  const char* m_title;
  bool m_markGroups;
  std::vector<char> m_hex;
  char m_chars[kBytesPerRow + 1];
};
