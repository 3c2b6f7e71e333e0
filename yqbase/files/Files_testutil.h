// Test helpers of the files folder: a fresh temporary folder, a scoped locale, and listings
// of native names.
#pragma once

#include <dirent.h>
#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <clocale>
#include <set>
#include <string>

#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/strings/TempZkUCS.h"

namespace yqbase_test {

/// A new folder under /tmp, removed with everything in it at the end of the scope.
class CTempFolder {
 public:
  CTempFolder() {
    char name[] = "/tmp/yqbase_files_XXXXXX";
    if (::mkdtemp(name) != nullptr) m_path = name;
  }
  ~CTempFolder() {
    if (!m_path.empty())
      ::nftw(
          m_path.c_str(),
          [](const char* p, const struct stat*, int, struct FTW*) { return ::remove(p); }, 16,
          FTW_DEPTH | FTW_PHYS);
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

/// The native names in a folder, without "." and "..", read with the plain system calls.
inline std::set<std::string> NativeNames(const std::string& folder) {
  std::set<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const struct dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.insert(name);
  }
  ::closedir(dir);
  return names;
}

}  // namespace yqbase_test
