// Error items that carry a Win32 error number.
#pragma once

#include <string>

#include "yqbase/errors/ErrorItemTyped.h"

/// A Win32 error number at a code location, rendered "Name(line)/W32.5.(Access is denied.
/// (ERROR_ACCESS_DENIED.5))" in full and "Access is denied. (ERROR_ACCESS_DENIED.5) (W32.5)" on
/// one line.
class YQBASE_EXPORT FXErrorItemWin32 : public FXErrorItemTyped<FXErrorItemWin32, DWORD> {
 public:
  using FXErrorItemTyped::FXErrorItemTyped;
  ~FXErrorItemWin32() override;

  /// "/W32.%lu.(" with the emulated system text and symbolic name, then ")".
  std::string DetailText() const;
  /// The system text with its name, the description if given, then " (W32.%lu)".
  std::string LineText(const std::string* description) const;
};

/// A Win32 item with a caller's description, appended after "-" in the full text.
typedef FXErrorItemTypedDescription<FXErrorItemWin32> FXErrorItemWin32Description;
