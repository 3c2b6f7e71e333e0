// Error items that carry an event-message identifier and its arguments.
#pragma once

#include <boost/any.hpp>
#include <string>
#include <vector>

#include "yqbase/errors/ErrorItemTyped.h"

/// An event-message identifier (a 15-bit message number and a category) with its message
/// arguments, kept in the item's parameters. The message texts live in a message library that
/// this platform does not have, so the item renders only the numbers:
/// "Name(line)/EventMessage.0x%08X.%u:%u" with the identifier, category and message number;
/// its one-line text is empty.
class YQBASE_EXPORT FXErrorItemEventMessage
    : public FXErrorItemTyped<FXErrorItemEventMessage, int> {
 public:
  using FXErrorItemTyped::FXErrorItemTyped;
  /// An item whose message arguments are `arguments`, counted from 1 in the message text.
  FXErrorItemEventMessage(const FXCodeLocation& location, int id,
                          const std::vector<boost::any>& arguments);
  ~FXErrorItemEventMessage() override;

  /// Copies location, identifier and arguments.
  FXErrorItemPtr Copy() const override;

  /// "/EventMessage.0x%08X.%u:%u", followed by ".(text)" when the message text is known.
  std::string DetailText() const;
  /// The message text, empty when there is none; with a description, the text, the description
  /// and " (EventMessage.0x%08X.%u:%u)".
  std::string LineText(const std::string* description) const;

  /// The message text of identifier `id`. Fails with Win32 code 50 (not supported) and an
  /// empty text: no message library exists on this platform.
  [[nodiscard]] static CYqError GetRawString(int id, std::string& text, DWORD flags);

  /// Argument n (from 1) as text: strings as they are (wide ones converted to UTF-8), integers
  /// in decimal, other types "unknown=<type name>"; an empty text past the last argument.
  std::string GetArgument(unsigned int n) const;
  /// Argument n formatted with a printf conversion such as "%5d" or "%-8s". A
  /// conversion that does not suit the argument's type renders it as GetArgument(n) does.
  std::string GetArgument(unsigned int n, const std::string& format) const;
  /// "--Missing-Argument-%llu--" for an argument that does not exist; GetArgument(n) for an
  /// empty format, "a", "s" or "%s" (any case) or a format without a leading "%"; otherwise
  /// GetArgument(n, fieldFormat).
  std::string GetFormattedField(unsigned int n, const std::string& fieldFormat) const;
  /// Substitutes the arguments into a message text: "^^" becomes "^", "^n" argument n, and
  /// "^n!format!" argument n formatted with that printf format. Nothing changes without
  /// arguments.
  void UpdateArguments(std::string& text) const;

  /// The category of an identifier: bits 18 to 30 when bit 17 is set, else bits 24 to 30.
  static unsigned int Category(int id);
  /// The message number of an identifier (bits 0 to 14).
  static unsigned int MessageNumber(int id) { return static_cast<unsigned int>(id) & 0x7FFFu; }

 private:
  // "0x%08X.%u:%u" with the identifier, its category and its message number.
  std::string NumbersText() const;
  // The message text with the arguments substituted, or empty when there is none.
  std::string MessageText() const;
};

/// An event-message item with a caller's description, appended after "-" in the full text.
/// Copies keep location, identifier and description, not the arguments.
typedef FXErrorItemTypedDescription<FXErrorItemEventMessage> FXErrorItemEventMessageDescription;
