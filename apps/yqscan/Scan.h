// The scan itself: content paths expanded by volumes, filtered and walked, with the counts per
// content entry that the summary shows.
#pragma once

#include <yqbase/errors/YqError.h>

#include <string>
#include <utility>
#include <vector>

#include "Options.h"

namespace yqscan {

/// At most this many error texts are kept per content entry for the summary; all are logged.
constexpr size_t kMaxShownErrors = 20;

/// The outcome of one content entry: a path on one volume.
struct SEntryReport {
  std::string path;    ///< the physical path scanned
  std::string volume;  ///< the mount point of its volume
  unsigned long long folders = 0, files = 0, links = 0, other = 0, bytes = 0;
  unsigned long long excluded = 0;  ///< entries (folders count once) left out by the filters
  unsigned long long errors = 0;
  std::vector<std::string> errorTexts;  ///< the first kMaxShownErrors, one line each
  /// Mounts below `path` that were not scanned with it, and why.
  std::vector<std::pair<std::string, std::string>> excludedMounts;
  double seconds = 0;

  unsigned long long Entries() const { return folders + files + links + other; }
  /// Counts an error: logged in full, shown as one line while there is room.
  void AddError(const CYqError& error, const std::string& path);
};

/// Every entry of a run, and the failures that belong to no entry (a content path that cannot
/// be expanded, the list or archive that cannot be written).
struct SScanResult {
  std::vector<SEntryReport> entries;
  SEntryReport general;  ///< only its errors are used
  unsigned long long selected = 0;

  unsigned long long Errors() const;
};

/// Runs the scan that `options` describe; the log writer must be installed. A failure means
/// the scan could not start (a filter term that does not load): a usage error. Everything
/// that goes wrong once the scan runs is counted in `result` instead.
[[nodiscard]] CYqError RunScan(const SOptions& options, SScanResult& result);

/// The one-line text of an error for a user.
std::string OneLine(const CYqError& error);

}  // namespace yqscan
