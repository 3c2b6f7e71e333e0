// yqscan's command line: the options a scan runs with, and their parsing.
#pragma once

#include <yqbase/yqbase.h>

#include <string>
#include <utility>
#include <vector>

namespace yqscan {

/// Everything a scan is asked to do, read from the command line.
struct SOptions {
  std::vector<std::string> paths;  ///< content paths, in command-line order
  /// Filter terms in the library's raw syntax; true marks an include, false an exclude.
  std::vector<std::pair<bool, std::string>> terms;
  std::string logDir;  ///< empty: the library's default folder
  int debugLevel = 1;
  bool followMounts = false;
  std::string skipFsTypes;  ///< ":"-separated, added to the default skipped types
  bool noAutomountCheck = false;
  std::string checksum;  ///< "", "crc64" or "md5"
  std::string listFile;
  std::string archiveFile;
  bool json = false;
  bool progress = false;  ///< forced on; otherwise only when standard error is a terminal
  bool help = false;
};

/// Fills `options` from the arguments. A failure is a usage error whose one-line text is the
/// message to show; nothing has been scanned. --filters files are read here, so that a bad
/// rule file is a usage error too.
[[nodiscard]] CYqError ParseOptions(int argc, const char* const* argv, SOptions& options);

/// The --help text.
const char* HelpText();

}  // namespace yqscan
