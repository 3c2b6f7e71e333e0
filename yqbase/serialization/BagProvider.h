// CBagProvider: a property value that is computed each time a bag reads it.
#pragma once

#include <boost/any.hpp>
#include <boost/shared_ptr.hpp>
#include <string>

#include "yqbase/errors/YqError.h"

/// Computes a property on demand. Store it with CBag::WriteAny as a boost::any holding a
/// CBagProviderPtr; every read of that name then calls GetProperty on the reading thread, and
/// the value it gives is converted like a stored one. A provider is not serialized: the bag
/// writes its type name instead, and loading that text fails.
class YQBASE_EXPORT CBagProvider {
 public:
  virtual ~CBagProvider();

  /// Sets `value` to the property `name`. The base clears `value` and fails with Win32 code
  /// 1168 (not found).
  [[nodiscard]] virtual CYqError GetProperty(const std::string& name, boost::any& value);
};

typedef boost::shared_ptr<CBagProvider> CBagProviderPtr;
