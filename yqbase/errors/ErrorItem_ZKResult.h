// Error items that carry a result code of the library's own.
#pragma once

#include <string>

#include "yqbase/errors/ErrorItemTyped.h"

/// A result code of the library's own, rendered "Name(line)/ZK.0x1F" in full and
/// "Error (ZK.0x1F)" on one line.
class YQBASE_EXPORT FXErrorItemZKResult : public FXErrorItemTyped<FXErrorItemZKResult, int> {
 public:
  using FXErrorItemTyped::FXErrorItemTyped;
  ~FXErrorItemZKResult() override;

  /// "/ZK.0x%X".
  std::string DetailText() const;
  /// "Error (ZK.0x%X)", or the description in place of "Error" (not trimmed).
  std::string LineText(const std::string* description) const;
};

/// An own-result item with a caller's description, appended after "-" in the full text.
typedef FXErrorItemTypedDescription<FXErrorItemZKResult> FXErrorItemZKResultDescription;
