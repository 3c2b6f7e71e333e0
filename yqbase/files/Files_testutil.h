// Test helpers of the files folder: a fresh temporary folder, a scoped locale, and listings
// of native names.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <set>
#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/strings/TempZkUCS.h"

namespace yqbase_test {

/// Removes `name` inside the folder open as `parent`, with everything below it, through
/// descriptors (so any depth works; links are removed, never followed).
inline void RemoveTreeAt(int parent, const char* name) {
  if (::unlinkat(parent, name, 0) == 0) return;
  const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) {
    ::fchmod(fd, 0700);
    if (DIR* dir = ::fdopendir(fd)) {
      while (const struct dirent64* entry = ::readdir64(dir)) {
        const std::string child = entry->d_name;
        if (child != "." && child != "..") RemoveTreeAt(::dirfd(dir), child.c_str());
      }
      ::closedir(dir);
    } else {
      ::close(fd);
    }
  }
  ::unlinkat(parent, name, AT_REMOVEDIR);
}

/// Builds below `base` a chain of folders of 200-byte names until the chain's path is longer
/// than PATH_MAX, with an empty file "leaf" at the bottom, without changing the working
/// directory. Returns the path of the deepest folder ("" on failure).
inline std::string MakeDeepChain(const std::string& base) {
  const std::string name(200, 'd');
  std::string path = base;
  int fd = ::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  while (fd >= 0 && path.size() <= PATH_MAX) {
    ::mkdirat(fd, name.c_str(), 0755);
    const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    fd = next;
    path += "/" + name;
  }
  if (fd < 0) return "";
  const int leaf = ::openat(fd, "leaf", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  ::close(fd);
  if (leaf < 0) return "";
  ::close(leaf);
  return path;
}

/// A new folder under /tmp, removed with everything in it at the end of the scope.
class CTempFolder {
 public:
  CTempFolder() {
    char name[] = "/tmp/yqbase_files_XXXXXX";
    if (::mkdtemp(name) != nullptr) m_path = name;
  }
  ~CTempFolder() {
    if (!m_path.empty()) RemoveTreeAt(AT_FDCWD, m_path.c_str());
  }
  CTempFolder(const CTempFolder&) = delete;
  CTempFolder& operator=(const CTempFolder&) = delete;

  const std::string& path() const { return m_path; }
  /// The path of `name` inside the folder.
  std::string operator/(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

/// Switches the process to a locale (and re-detects its code set) and the file-name mode,
/// and puts both back at the end of the scope.
class CScopedLocale {
 public:
  CScopedLocale(const char* name, bool ignoreLocale)
      : m_previous(std::setlocale(LC_ALL, nullptr)), m_ignore(TempFsUTF::s_iIgnoreLocale) {
    m_ok = std::setlocale(LC_ALL, name) != nullptr;
    TempZkUCS::DetectLocale();
    TempFsUTF::SetIgnoreLocale(ignoreLocale);
  }
  ~CScopedLocale() {
    std::setlocale(LC_ALL, m_previous.c_str());
    TempZkUCS::DetectLocale();
    TempFsUTF::s_iIgnoreLocale = m_ignore;
  }
  CScopedLocale(const CScopedLocale&) = delete;
  CScopedLocale& operator=(const CScopedLocale&) = delete;
  bool ok() const { return m_ok; }

 private:
  std::string m_previous;
  int m_ignore;
  bool m_ok;
};

/// The native names in a folder, without "." and "..", read with the plain system calls (the
/// 64-bit ones: 32-bit readdir fails on the 64-bit offsets of some file systems).
inline std::set<std::string> NativeNames(const std::string& folder) {
  std::set<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const struct dirent64* entry = ::readdir64(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.insert(name);
  }
  ::closedir(dir);
  return names;
}

/// Creates (or replaces) the file at the native `path` with `content`; false on failure.
inline bool MakeFile(const std::string& path, const std::string& content = "") {
  const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written =
      ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
  return ::close(fd) == 0 && written;
}

/// The bytes of the file at the native `path`, or "<none>".
inline std::string ReadNative(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "<none>";
  std::string content;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
    content.append(buffer, static_cast<size_t>(n));
  ::close(fd);
  return content;
}

/// Whether the text of `err` contains `text`.
inline bool HasText(const CYqError& err, const std::string& text) {
  return err.AsString().find(text) != std::string::npos;
}

}  // namespace yqbase_test
