// Error items that carry an errno value.
#pragma once

#include <string>

#include "yqbase/errors/ErrorItemTyped.h"

/// An errno value at a code location, rendered "Name(line)/ErrNo.2.(No such file or
/// directory)" in full and "No such file or directory (ErrNo.2)" on one line.
class YQBASE_EXPORT FXErrorItemErrNo : public FXErrorItemTyped<FXErrorItemErrNo, int> {
 public:
  using FXErrorItemTyped::FXErrorItemTyped;
  ~FXErrorItemErrNo() override;

  /// "/ErrNo.%d.(%s)" with the C library text, or "/ErrNo.%d" when there is none.
  std::string DetailText() const;
  /// The C library text, the description if given, then " (ErrNo.%d)".
  std::string LineText(const std::string* description) const;
};

/// An errno item with a caller's description, appended after "-" in the full text.
typedef FXErrorItemTypedDescription<FXErrorItemErrNo> FXErrorItemErrNoDescription;
