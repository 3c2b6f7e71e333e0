// YqBatchSort: sorts the lines of a text file of any size into another file.
#pragma once

#include <boost/shared_ptr.hpp>

#include "yqbase/errors/YqError.h"
#include "yqbase/utilities/Sortable.h"

class YqBatchSortPrivate;

/// Sorts the lines of a file with a bounded memory buffer and work files "_SORTWORK.<n>" in a
/// work folder (see YqSortable), which are removed when the sort ends, also after a failure.
/// With the C comparison the output is the one of `LC_ALL=C sort` (with -r, -u as the flags
/// say). Not copyable; one thread at a time; sort() blocks on file I/O.
///
///   YqBatchSort sorter;
///   CYqError err = sorter.init(in, out, "/var/tmp", 1, 1, 0, 0);
///   if (err.Succeeded()) err = sorter.sort();
///
/// Deliberate departures, to keep data safe: lines are never split (see YqSortable); the last
/// work file replaces the output by one rename, so the old output stays whole until the new
/// one is complete, and a rename across file systems falls back to a copy.
class YQBASE_EXPORT YqBatchSort : private YqSortable {
 public:
  YqBatchSort();
  ~YqBatchSort() override;

  /// Copies the paths, sizes and allocates the buffer and stores the flags (non-zero:
  /// ascending, case-sensitive, dropping repeated lines). A zero `bufferSize` is the input's
  /// size plus 512,000 bytes, at most 5,754,880 bytes (the most also when the input's size
  /// cannot be read). Empty or null paths or a negative size: errno 22 "Wrong parameters";
  /// no memory: errno 12 "Could not malloc".
  [[nodiscard]] CYqError init(const char* inputFile, const char* outputFile, const char* workFolder,
                              int ascending, int caseSensitive, int unique, long bufferSize);
  /// Sorts the input into the output. A failure to open the input is the open's error; a
  /// failure of the engine is errno-kind -1 with the engine's message (which names the
  /// operation, the reason and the work file); a failure to move the result into place is
  /// the rename's (or copy's) error. Work files are gone in every case.
  [[nodiscard]] CYqError sort();
  /// Removes work files, frees the paths and the buffer: the state of a new sorter.
  [[nodiscard]] CYqError finalize();

  /// The size of the allocated buffer (0 before init).
  using YqSortable::bufferSize;

 protected:
  int cmpFunc(const void* a, const void* b) override;

 private:
  boost::shared_ptr<YqBatchSortPrivate> m_p;
};
