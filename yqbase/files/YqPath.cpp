// CYqPath: the path value class.
#include "yqbase/files/YqPath.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/logging/LogWriterInterface.h"

// Locations of CYqPath carry the file name its log readers know.
#define YQPATH_LOC (FXCodeLocation{"YqPath.cpp", __PRETTY_FUNCTION__, __LINE__})

const char* const CYqPath::s_systemPrefixes[14] = {
    "/boot/",  "/etc/",     "/bin/",      "/dev/",     "/root/",      "/sbin/", "/lib/",
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

CYqString CYqPath::AbsPath() const {
  if (IsAbsolute()) return m_path;
  std::string folder;
  CYqError err = FXPath::GetCurrentFolder(folder);
  if (err.Failed()) {
    YQ_LOG_FAILURE("Cannot make '%s' absolute: %s", m_path.c_str(), err.AsString().c_str());
    return m_path;
  }
  folder += '/';
  folder += m_path.c_str();
  return CYqString(folder.c_str());
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
CYqString CYqPath::AbsPath(const char* path) { return CYqPath(path).AbsPath(); }
void CYqPath::Split(const char* path, std::vector<CYqString>& components) {
  CYqPath(path).Split(components);
}
bool CYqPath::IsSystemPath(const char* path) { return CYqPath(path).IsSystemPath(); }

namespace {

// The file-type bits of the object named by `path` (of the link itself unless
// `followLinks`), or the errno of the failed call.
int FileMode(const char* path, bool followLinks, mode_t& mode) {
  struct stat64 st;
  const int result = followLinks ? TempFsUTF::stat_utf(path, &st) : TempFsUTF::lstat_utf(path, &st);
  if (result != 0) return errno;
  mode = st.st_mode;
  return 0;
}

// Whether the object is of file type `type`; a failure names the question in `message`.
CYqError IsOfType(const char* path, bool followLinks, mode_t type, const FXCodeLocation& location,
                  const char* message, bool& answer) {
  mode_t mode = 0;
  if (const int error = FileMode(path, followLinks, mode))
    return FXErrorUtil::ErrorErrNo(location, error, "%s, FileName=%s", message, path);
  answer = (mode & S_IFMT) == type;
  return CYqError();
}

}  // namespace

CYqError CYqPath::IsDirectory(bool& answer) const {
  return IsOfType(c_str(), true, S_IFDIR, YQPATH_LOC, "Failed to identify if name is directory",
                  answer);
}

bool CYqPath::IsFile() const {
  mode_t mode = 0;
  return FileMode(c_str(), true, mode) == 0 && S_ISREG(mode);
}

CYqError CYqPath::IsBlockDev(bool& answer) const {
  return IsOfType(c_str(), true, S_IFBLK, YQPATH_LOC, "Failed to identify if file is block device",
                  answer);
}

CYqError CYqPath::IsCharDev(bool& answer) const {
  return IsOfType(c_str(), true, S_IFCHR, YQPATH_LOC,
                  "Failed to identify if file is character device", answer);
}

CYqError CYqPath::IsLink(bool& answer) const {
  return IsOfType(c_str(), false, S_IFLNK, YQPATH_LOC, "Failed to identify if file is link",
                  answer);
}

CYqError CYqPath::Exists(bool& answer) const {
  answer = FXPath::DoesPathExist(c_str());
  return CYqError();
}

// The plain forms take a failure as "no".
bool CYqPath::IsDirectory() const {
  bool answer = false;
  return IsDirectory(answer).Succeeded() && answer;
}
bool CYqPath::IsBlockDev() const {
  bool answer = false;
  return IsBlockDev(answer).Succeeded() && answer;
}
bool CYqPath::IsCharDev() const {
  bool answer = false;
  return IsCharDev(answer).Succeeded() && answer;
}
bool CYqPath::IsLink() const {
  bool answer = false;
  return IsLink(answer).Succeeded() && answer;
}
bool CYqPath::Exists() const { return FXPath::DoesPathExist(c_str()); }

CYqError CYqPath::IsDirectory(const char* path, bool& answer) {
  return CYqPath(path).IsDirectory(answer);
}
bool CYqPath::IsDirectory(const char* path) { return CYqPath(path).IsDirectory(); }
bool CYqPath::IsFile(const char* path) { return CYqPath(path).IsFile(); }
CYqError CYqPath::IsBlockDev(const char* path, bool& answer) {
  return CYqPath(path).IsBlockDev(answer);
}
bool CYqPath::IsBlockDev(const char* path) { return CYqPath(path).IsBlockDev(); }
CYqError CYqPath::IsCharDev(const char* path, bool& answer) {
  return CYqPath(path).IsCharDev(answer);
}
bool CYqPath::IsCharDev(const char* path) { return CYqPath(path).IsCharDev(); }
CYqError CYqPath::IsLink(const char* path, bool& answer) { return CYqPath(path).IsLink(answer); }
bool CYqPath::IsLink(const char* path) { return CYqPath(path).IsLink(); }
CYqError CYqPath::Exists(const char* path, bool& answer) { return CYqPath(path).Exists(answer); }
bool CYqPath::Exists(const char* path) { return CYqPath(path).Exists(); }
