// CYqOSRelease: the distribution's identity from os-release; FXPlatform: kernel and machine.
#pragma once

#include <map>
#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/errors/YqExport.h"
#include "yqbase/errors/YqTypes.h"

/// The fields of an os-release file (NAME, VERSION, VERSION_ID, ID, ...). Values are read as
/// that format defines them: one KEY=value per line, '#' comment lines, values in double quotes
/// (with \" \\ \$ \` escapes), single quotes (literal) or bare (a backslash escapes the next
/// character). Malformed lines are skipped. A plain value, copyable.
class YQBASE_EXPORT CYqOSRelease {
 public:
  static constexpr const char* kDefaultPath = "/etc/os-release";
  static constexpr const char* kFallbackPath = "/usr/lib/os-release";

  /// Reads `path`, or "/etc/os-release" and then "/usr/lib/os-release" when empty. An errno item
  /// with the path when the file cannot be read; the previous fields are kept then.
  [[nodiscard]] CYqError Load(const std::string& path = std::string());
  /// Parses the text of an os-release file, replacing the current fields.
  void Parse(const std::string& text);

  /// The value of `key`, or "" when absent.
  std::string Get(const std::string& key) const;
  std::string GetName() const { return Get("NAME"); }
  std::string GetVersion() const { return Get("VERSION"); }
  std::string GetVersionId() const { return Get("VERSION_ID"); }
  std::string GetId() const { return Get("ID"); }
  std::string GetPrettyName() const { return Get("PRETTY_NAME"); }
  const std::map<std::string, std::string>& GetAll() const { return m_fields; }

 private:
  std::map<std::string, std::string> m_fields;
};

/// Facts about the running system. Calls are cheap and thread-safe.
class YQBASE_EXPORT FXPlatform {
 public:
  /// The kernel release from uname ("6.1.0-13-amd64").
  [[nodiscard]] static CYqError GetKernelRelease(std::string& release);
  /// The kernel's machine name from uname ("x86_64", "i686").
  [[nodiscard]] static CYqError GetMachine(std::string& machine);
  /// The host name from uname.
  [[nodiscard]] static CYqError GetHostName(std::string& name);
  /// True for a 32-bit build of the library running on a 64-bit kernel.
  static bool Is32BitProcessOn64BitKernel();
  /// Processors online, at least 1.
  static DWORD GetProcessorCount();
  /// The memory page size in bytes.
  static DWORD GetPageSize();
};
