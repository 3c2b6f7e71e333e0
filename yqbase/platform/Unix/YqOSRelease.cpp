#include "yqbase/platform/YqOSRelease.h"

#include <errno.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "yqbase/errors/ErrorUtil.h"

namespace {

bool IsKeyChar(char c, bool first) {
  return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         (!first && c >= '0' && c <= '9');
}

// The shell-style value after '=': quoted parts and bare parts may follow one another; an
// unterminated quote or unquoted blanks make the line malformed.
bool ParseValue(const std::string& raw, std::string& value) {
  value.clear();
  size_t i = 0;
  while (i < raw.size()) {
    const char c = raw[i++];
    if (c == '"') {
      while (i < raw.size() && raw[i] != '"') {
        if (raw[i] == '\\' && i + 1 < raw.size() && std::strchr("\"\\$`", raw[i + 1]) != nullptr)
          ++i;
        value += raw[i++];
      }
      if (i++ >= raw.size()) return false;
    } else if (c == '\'') {
      const size_t end = raw.find('\'', i);
      if (end == std::string::npos) return false;
      value.append(raw, i, end - i);
      i = end + 1;
    } else if (c == '\\') {
      if (i < raw.size()) value += raw[i++];
    } else if (c == ' ' || c == '\t') {
      // Trailing blanks end the value; blanks inside a bare value are not allowed.
      if (raw.find_first_not_of(" \t", i) != std::string::npos) return false;
      break;
    } else {
      value += c;
    }
  }
  return true;
}

CYqError Uname(utsname& name) {
  if (::uname(&name) != 0) return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "uname");
  return CYqError();
}

}  // namespace

CYqError CYqOSRelease::Load(const std::string& path) {
  const std::string first = path.empty() ? kDefaultPath : path;
  std::ifstream in(first);
  if (!in && path.empty()) in.open(kFallbackPath);
  if (!in) return FXErrorUtil::ErrorErrNo(YQ_LOC, errno ? errno : ENOENT, "%s", first.c_str());
  std::ostringstream text;
  text << in.rdbuf();
  Parse(text.str());
  return CYqError();
}

void CYqOSRelease::Parse(const std::string& text) {
  m_fields.clear();
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    const size_t eq = line.find('=', start);
    if (eq == std::string::npos || eq == start) continue;
    bool keyOk = true;
    for (size_t k = start; k < eq; ++k) keyOk = keyOk && IsKeyChar(line[k], k == start);
    std::string value;
    if (keyOk && ParseValue(line.substr(eq + 1), value))
      m_fields[line.substr(start, eq - start)] = value;
  }
}

std::string CYqOSRelease::Get(const std::string& key) const {
  const auto it = m_fields.find(key);
  return it == m_fields.end() ? std::string() : it->second;
}

CYqError FXPlatform::GetKernelRelease(std::string& release) {
  utsname name;
  CYqError err = Uname(name);
  if (err.Succeeded()) release = name.release;
  return err;
}

CYqError FXPlatform::GetMachine(std::string& machine) {
  utsname name;
  CYqError err = Uname(name);
  if (err.Succeeded()) machine = name.machine;
  return err;
}

CYqError FXPlatform::GetHostName(std::string& hostName) {
  utsname name;
  CYqError err = Uname(name);
  if (err.Succeeded()) hostName = name.nodename;
  return err;
}

bool FXPlatform::Is32BitProcessOn64BitKernel() {
  if (sizeof(void*) != 4) return false;
  std::string machine;
  if (GetMachine(machine).Failed()) return false;
  return machine == "x86_64" || machine == "aarch64" || machine == "ppc64" ||
         machine == "ppc64le" || machine == "s390x" || machine == "riscv64";
}

DWORD FXPlatform::GetProcessorCount() {
  const long count = ::sysconf(_SC_NPROCESSORS_ONLN);
  return count > 0 ? static_cast<DWORD>(count) : 1;
}

DWORD FXPlatform::GetPageSize() {
  const long size = ::sysconf(_SC_PAGESIZE);
  return size > 0 ? static_cast<DWORD>(size) : 4096;
}
