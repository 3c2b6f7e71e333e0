// What yqscan makes of the selected entries: checksums, the sorted list and the archive.
#pragma once

#include <sys/stat.h>
#include <yqbase/errors/YqError.h>
#include <yqbase/files/FileOperations.h>
#include <yqbase/time/Counters.h>

#include <cstdio>
#include <string>

#include "Options.h"

namespace yqscan {

/// Collects the selected entries while the walk runs and turns them into the --list file and
/// the --archive at the end. Lines and names go to work files beside the outputs, so memory
/// stays flat however many entries are selected; the work files are removed in every case.
/// One thread.
class CSelection {
 public:
  explicit CSelection(const SOptions& options);
  ~CSelection();
  CSelection(const CSelection&) = delete;
  CSelection& operator=(const CSelection&) = delete;

  /// Creates the work files; their creation errors.
  [[nodiscard]] CYqError Open();
  /// Records one selected entry. A checksum that cannot be read, or a name that the archive
  /// list cannot hold, fails; the entry is then left out of the list and the archive.
  [[nodiscard]] CYqError Add(const std::string& path, const struct stat64& st);
  /// Sorts the list into place and builds the archive; the first failure.
  [[nodiscard]] CYqError Finish();

 private:
  CYqError Checksum(const std::string& path, std::string& text);
  void RemoveWorkFiles();

  const SOptions& m_options;
  std::string m_unsortedPath;  // list lines in walk order
  std::string m_namesPath;     // the archive's list file
  auto_fileptr m_unsorted;
  auto_fileptr m_names;
  FXCounter::CounterWrapperPtr m_checksumCounter;
};

}  // namespace yqscan
