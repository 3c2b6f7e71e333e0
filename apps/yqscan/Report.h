// What yqscan shows: the progress line while it runs, and the summary as text or JSON.
#pragma once

#include <yqbase/time/TimeStamp.h>

#include <cstdio>
#include <string>

#include "Scan.h"

namespace yqscan {

/// One line on standard error, redrawn at most five times a second while the walk runs:
/// entries, bytes, rate and the folder being listed. Drawn only when standard error is a
/// terminal, or when forced. One thread.
class CProgressLine {
 public:
  explicit CProgressLine(bool force);

  /// Makes `report` the entry being walked; the counts of the one before join the totals.
  void SetTotals(const SEntryReport* report);
  /// Called for every entry; cheap unless it is time to redraw.
  void Update(const std::string& folder) {
    if (m_enabled && (++m_calls & 255) == 0) Draw(folder);
  }
  /// Erases the line.
  void Clear();

 private:
  void Draw(const std::string& folder);

  bool m_enabled;
  bool m_drawn = false;
  unsigned m_calls = 0;
  const SEntryReport* m_report = nullptr;
  unsigned long long m_doneEntries = 0, m_doneBytes = 0;
  CTimeStamp m_start, m_last;
};

/// The summary for people: one block per content entry, then the totals.
void PrintSummary(FILE* out, const SScanResult& result);
/// The same as one JSON object.
void PrintJson(FILE* out, const SScanResult& result);

}  // namespace yqscan
