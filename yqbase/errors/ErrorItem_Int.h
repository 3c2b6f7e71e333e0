// Error items that carry a plain integer code.
#pragma once

#include <string>

#include "yqbase/errors/ErrorItemTyped.h"

/// A plain integer code, rendered "Name(line)/Int.7.0x7" in full and "Error (Int.7.0x7)" on
/// one line.
class YQBASE_EXPORT FXErrorItemInt : public FXErrorItemTyped<FXErrorItemInt, int> {
 public:
  using FXErrorItemTyped::FXErrorItemTyped;
  ~FXErrorItemInt() override;

  /// "/Int.%d.0x%X" with the value twice.
  std::string DetailText() const;
  /// "Error (Int.%d.0x%X)", or the description in place of "Error" (not trimmed).
  std::string LineText(const std::string* description) const;
};

/// An integer item with a caller's description, appended after "-" in the full text.
typedef FXErrorItemTypedDescription<FXErrorItemInt> FXErrorItemIntDescription;
