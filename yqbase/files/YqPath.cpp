// CYqPath: the path value class.
#include "yqbase/files/YqPath.h"

#include <cstring>
#include <string>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LogWriterInterface.h"

// Locations of CYqPath carry the file name its log readers know.
#define YQPATH_LOC (FXCodeLocation{"YqPath.cpp", __PRETTY_FUNCTION__, __LINE__})

const char* const CYqPath::s_systemPrefixes[14] = {
    "/boot/", "/etc/",     "/bin/",      "/dev/",      "/root/",      "/sbin/",  "/lib/",
    "/lib64/", "/usr/bin/", "/usr/sbin/", "/usr/lib/", "/usr/lib64/", "/proc/", nullptr};

CYqPath::CYqPath(const char* path) {
  if (path == nullptr) return;
  std::string collapsed;
  collapsed.reserve(std::strlen(path));
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '/' && !collapsed.empty() && collapsed.back() == '/') continue;
    collapsed += *p;
  }
  m_path = collapsed.c_str();
}

CYqString CYqPath::GetBaseName() const {
  const int slash = m_path.ReverseFind('/');
  return slash < 0 ? m_path : m_path.SubStr(static_cast<unsigned int>(slash) + 1);
}

CYqString CYqPath::GetParent() const {
  const int slash = m_path.ReverseFind('/');
  return slash <= 0 ? CYqString() : m_path.SubStr(0, static_cast<unsigned int>(slash));
}

CYqString CYqPath::GetExt() const {
  const CYqString base = GetBaseName();
  const int dot = base.ReverseFind('.');
  return dot < 0 ? CYqString() : base.SubStr(static_cast<unsigned int>(dot) + 1);
}

CYqString CYqPath::GetRoot() const { return IsAbsolute() ? CYqString("/") : CYqString(); }

bool CYqPath::IsRoot() const { return std::strcmp(m_path.c_str(), "/") == 0; }

bool CYqPath::IsAbsolute() const { return m_path.c_str()[0] == '/'; }

bool CYqPath::SplitUNC(CYqString& server, CYqString& share) const {
  server.Clear();
  share.Clear();
  return false;
}

CYqString CYqPath::Append(const char* a, const char* b) {
  std::string joined = a != nullptr ? a : "";
  const char* tail = b != nullptr ? b : "";
  while (*tail == '/') ++tail;
  while (!joined.empty() && joined.back() == '/') joined.pop_back();
  joined += '/';
  joined += tail;
  return CYqString(joined.c_str());
}

void CYqPath::Split(std::vector<CYqString>& components) const {
  m_path.Tokenize("/\\", components, false);
  if (IsAbsolute()) components.insert(components.begin(), CYqString("/"));
}

bool CYqPath::IsSystemPath() const {
  const char* path = m_path.c_str();
  if (std::strcmp(path, "/") == 0) return true;
  for (const char* const* prefix = s_systemPrefixes; *prefix != nullptr; ++prefix) {
    if (std::strncmp(path, *prefix, std::strlen(*prefix)) == 0) return true;
  }
  return false;
}

CYqError CYqPath::GrantDeletePermissionsEx(const char*) const { return CYqError(); }

CYqError CYqPath::RevokeDeletePermissions(const char*) const { return CYqError(); }

// The static twins: each asks a temporary path object.
CYqString CYqPath::GetBaseName(const char* path) { return CYqPath(path).GetBaseName(); }
CYqString CYqPath::GetParent(const char* path) { return CYqPath(path).GetParent(); }
CYqString CYqPath::GetExt(const char* path) { return CYqPath(path).GetExt(); }
CYqString CYqPath::GetRoot(const char* path) { return CYqPath(path).GetRoot(); }
bool CYqPath::IsRoot(const char* path) { return CYqPath(path).IsRoot(); }
bool CYqPath::IsAbsolute(const char* path) { return CYqPath(path).IsAbsolute(); }
bool CYqPath::SplitUNC(const char* path, CYqString& server, CYqString& share) {
  return CYqPath(path).SplitUNC(server, share);
}
void CYqPath::Split(const char* path, std::vector<CYqString>& components) {
  CYqPath(path).Split(components);
}
bool CYqPath::IsSystemPath(const char* path) { return CYqPath(path).IsSystemPath(); }
