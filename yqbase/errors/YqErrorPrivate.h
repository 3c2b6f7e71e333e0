// The shared chain behind a failed CYqError.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "yqbase/errors/YqError.h"

/// The items of one chain, counted by the CYqError values that share it. Stored with the first
/// cause at index 0 and the newest item last, so that a push appends.
class FXErrorPrivate {
 public:
  std::atomic<long> m_references{1};
  std::vector<FXErrorItemPtr> m_items;

  /// "{newest} + ... + {first cause}".
  std::string AsString() const;
  /// The first cause's text in a one-line format, or the full text for LOGGING_FULL.
  std::string AsString(EErrorOutputFormat format) const;
};
