// YqSortable: the line-sorting engine of the external sort, with in-memory runs and numbered
// work files merged pairwise.
#pragma once

#include <boost/shared_ptr.hpp>
#include <cstddef>
#include <cstdio>
#include <string>

#include "yqbase/errors/YqExport.h"

/// One line as the comparison sees it: its bytes without the newline (NUL bytes allowed).
struct SSortLine {
  const char* text;
  size_t size;
};

class YqSortablePrivate;

/// Sorts lines with a bounded memory buffer. Lines are collected into the buffer (bytes from
/// its front, line records from its back); a full buffer is sorted and written as a run to
/// the work file "<folder>/_SORTWORK.<slot>" (slot run % 2), and runs are merged pairwise
/// like a binary counter, so at most two work files exist per merge level. finishSort()
/// merges what is left into one work file, resultSlot(). Failures return -1 and keep a
/// message for getFatalErrMsg(); removeWorkFiles() deletes every work file this object made.
///
/// Deliberate departures, to keep every line intact: a line is kept whole whatever its length
/// (a line that does not fit into the empty buffer becomes a run of its own), may contain NUL
/// bytes, and is compared without its newline, so that "a" sorts before "a\tb"; every line is
/// written back with one newline, also a last line that had none. Which work files exist is
/// remembered by the object, never guessed from the folder, so stray files of an earlier
/// crash are overwritten rather than merged in. Two sorters must not share a work folder.
/// Not copyable; one thread at a time; calls block on file I/O.
class YQBASE_EXPORT YqSortable {
 public:
  YqSortable();
  virtual ~YqSortable();
  YqSortable(const YqSortable&) = delete;
  YqSortable& operator=(const YqSortable&) = delete;

  /// Orders two SSortLine records: bytes compared as unsigned (ASCII letters folded to lower
  /// case unless case-sensitive), a shorter prefix first; negated for descending order.
  virtual int cmpFunc(const void* a, const void* b);

  /// Sets the work folder and flags and allocates the buffer: `bufferSize` bytes, or, when
  /// that fails, 1 MB less at a time down to 2 MB (halving while above 64 MB). 0, or -1 with
  /// "Wrong parameters" (empty folder, negative size) or "Could not malloc".
  int initSorter(const char* workFolder, int ascending, int caseSensitive, int unique,
                 long bufferSize);
  /// The size of the allocated buffer (0 before initSorter).
  size_t bufferSize() const;
  /// Frees the buffer and forgets the settings; work files stay (see removeWorkFiles).
  void releaseSorter();
  /// Forgets the lines and runs collected so far, keeping settings and buffer.
  void resetRuns();

  /// Adds a 0-terminated line; one trailing newline is not part of the line. 0 or -1.
  int addToSorter(char* line);
  /// Adds `size` bytes as one line (no newline inside). 0 or -1.
  int addLine(const char* text, size_t size);
  /// Adds every line of `stream` (read to its end; the caller still owns it). 0 or -1.
  int addStream(FILE* stream);
  /// Writes the last run and merges every work file into one (see resultSlot). 0 or -1.
  int finishSort();
  /// Writes the current run, sorted, to `file` (unique lines only with the unique flag).
  int dumpBuffer(char* file);
  /// Merges work files of slots a and b into slot out and deletes them; renames the one that
  /// exists when the other does not; nothing when neither does. 0 or -1.
  int mergeWorkFiles(int a, int b, int out);
  /// The message of the last failure, or "Unknown error".
  const char* getFatalErrMsg() const;

  /// The slot holding every line after finishSort, or -1 when no work file exists.
  int resultSlot() const;
  /// The number of work files that exist.
  int workFileCount() const;
  /// "<work folder>/_SORTWORK.<slot>".
  std::string workFilePath(int slot) const;
  /// Forgets the work file of `slot` (after the caller moved it away).
  void forgetWorkFile(int slot);
  /// Deletes every work file this object made and still owns.
  void removeWorkFiles();

 private:
  boost::shared_ptr<YqSortablePrivate> m_p;
};
