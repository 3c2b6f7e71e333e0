// Error items that carry a Win32 error number.
#pragma once

#include <string>

#include "yqbase/errors/YqError.h"

/// A Win32 error number at a code location, rendered "Name(line)/W32.5.(Access is denied.
/// (ERROR_ACCESS_DENIED.5))" in full and "Access is denied. (ERROR_ACCESS_DENIED.5) (W32.5)" on
/// one line.
class YQBASE_EXPORT FXErrorItemWin32 : public FXErrorItem {
 public:
  FXErrorItemWin32(const FXCodeLocation& location, DWORD code)
      : FXErrorItem(location), m_code(code) {}
  ~FXErrorItemWin32() override;

  std::string AsString() const override;
  std::string AsString(EErrorOutputFormat format) const override;
  /// Copies location and code.
  FXErrorItemPtr Copy() const override;

  DWORD GetCode() const { return m_code; }

 protected:
  /// The emulated system text of the code with its symbolic name.
  std::string NameText() const;
  /// " (W32.%lu)" with the code.
  std::string CodeText() const;

  DWORD m_code;
};

/// A Win32 item with a caller's description, appended after "-" in the full text.
class YQBASE_EXPORT FXErrorItemWin32Description : public FXErrorItemWin32 {
 public:
  FXErrorItemWin32Description(const FXCodeLocation& location, DWORD code,
                              const std::string& description)
      : FXErrorItemWin32(location, code), m_description(description) {}
  ~FXErrorItemWin32Description() override;

  std::string AsString() const override;
  std::string AsString(EErrorOutputFormat format) const override;
  /// Copies location, code and description.
  FXErrorItemPtr Copy() const override;

  const std::string& GetDescription() const { return m_description; }

 protected:
  std::string m_description;
};
