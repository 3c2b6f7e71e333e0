#include "yqbase/platform/VersionInfo.h"

#include <cstdio>

#include "yqbase/errors/ErrorUtil.h"

CVersionInfo::CVersionInfo(DWORD major, DWORD minor, DWORD build, DWORD revision)
    : m_parts{major, minor, build, revision} {}

CYqError CVersionInfo::Parse(const std::string& text) {
  DWORD parts[kParts] = {0, 0, 0, 0};
  int count = 0;
  size_t i = 0;
  while (true) {
    if (count == kParts || i >= text.size() || text[i] < '0' || text[i] > '9')
      return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "not a version: \"%s\"", text.c_str());
    ULONGLONG value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      value = value * 10 + static_cast<unsigned>(text[i] - '0');
      if (value > 0xFFFFFFFFull)
        return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "version part too large: \"%s\"", text.c_str());
    }
    parts[count++] = static_cast<DWORD>(value);
    if (i == text.size()) break;
    if (text[i++] != '.')
      return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "not a version: \"%s\"", text.c_str());
  }
  for (int p = 0; p < kParts; ++p) m_parts[p] = parts[p];
  return CYqError();
}

CYqError CVersionInfo::ParsePrefix(const std::string& text) {
  size_t end = text.find_first_not_of("0123456789.");
  std::string prefix = text.substr(0, end);
  while (!prefix.empty() && prefix.back() == '.') prefix.pop_back();
  CYqError err = Parse(prefix);
  if (err.Failed()) return err.Push(YQ_LOC, "in \"%s\"", text.c_str());
  return err;
}

std::string CVersionInfo::AsString() const {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u", static_cast<unsigned>(m_parts[0]),
                static_cast<unsigned>(m_parts[1]), static_cast<unsigned>(m_parts[2]),
                static_cast<unsigned>(m_parts[3]));
  return buffer;
}

DWORD CVersionInfo::GetPart(int index) const {
  return index >= 0 && index < kParts ? m_parts[index] : 0;
}

int CVersionInfo::Compare(const CVersionInfo& other) const {
  for (int p = 0; p < kParts; ++p)
    if (m_parts[p] != other.m_parts[p]) return m_parts[p] < other.m_parts[p] ? -1 : 1;
  return 0;
}
