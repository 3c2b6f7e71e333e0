// Error items that carry an HTTP status.
#pragma once

#include <string>

#include "yqbase/errors/ErrorItemTyped.h"

/// An HTTP status at a code location, rendered "Name(line)/http.404.(text)" in full and
/// "text (http.404)" on one line; the text is the C library's text for the same number.
class YQBASE_EXPORT FXErrorItemHttp : public FXErrorItemTyped<FXErrorItemHttp, int> {
 public:
  using FXErrorItemTyped::FXErrorItemTyped;
  ~FXErrorItemHttp() override;

  /// "/http.%d.(%s)" with the text of the number, or "/http.%d" when there is none.
  std::string DetailText() const;
  /// The text of the number, the description if given, then " (http.%d)".
  std::string LineText(const std::string* description) const;
};

/// An HTTP item with a caller's description, appended after "-" in the full text.
typedef FXErrorItemTypedDescription<FXErrorItemHttp> FXErrorItemHttpDescription;
