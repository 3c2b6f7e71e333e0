// Error items that carry an HRESULT.
#pragma once

#include <string>

#include "yqbase/errors/ErrorItemTyped.h"

/// An HRESULT at a code location, rendered "Name(line)/HR.0x80004005-(message)" in full and
/// "message (HR.0x80004005)" on one line.
class YQBASE_EXPORT FXErrorItemHResult : public FXErrorItemTyped<FXErrorItemHResult, HRESULT> {
 public:
  using FXErrorItemTyped::FXErrorItemTyped;
  ~FXErrorItemHResult() override;

  /// "/HR.0x%X-(" with the system message of the number, then ")".
  std::string DetailText() const;
  /// The system message, the description if given, then " (HR.0x%X)".
  std::string LineText(const std::string* description) const;
};

/// An HRESULT item with a caller's description, appended after "-" in the full text.
typedef FXErrorItemTypedDescription<FXErrorItemHResult> FXErrorItemHResultDescription;
