// Error items that carry an SQLite result code.
#pragma once

#include <string>

#include "yqbase/errors/ErrorItemTyped.h"

/// An SQLite result code at a code location, rendered "Name(line)/SQL.0x10A.((10 | (1<<8))
/// (0x10A): Some kind of disk I/O error occurred)" in full.
class YQBASE_EXPORT FXErrorItemSQLite : public FXErrorItemTyped<FXErrorItemSQLite, int> {
 public:
  using FXErrorItemTyped::FXErrorItemTyped;
  ~FXErrorItemSQLite() override;

  /// "/SQL.0x%lX.(" with the tag, ": ", the description, then ")".
  std::string DetailText() const;
  /// Tag, ": " and description, or with a caller's description only the SQLite description
  /// and the caller's; then " (SQL.0x%lX)".
  std::string LineText(const std::string* description) const;
};

/// An SQLite item with a caller's description, appended after "-" in the full text.
typedef FXErrorItemTypedDescription<FXErrorItemSQLite> FXErrorItemSQLiteDescription;
