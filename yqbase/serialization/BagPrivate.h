// CBagPrivate: the property map of a CBag and its token form.
#pragma once

#include <strings.h>

#include <boost/any.hpp>
#include <map>
#include <string>

#include "yqbase/serialization/SerializedBase.h"

/// Orders property names without regard to ASCII case.
struct SBagNameLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return ::strcasecmp(a.c_str(), b.c_str()) < 0;
  }
};

/// The properties of a bag. Save writes each as a name token (id 1, string) and a value token
/// (id 2, of the value's type) or, for a type without a token, its type name (id 3). Loading
/// pairs each name with the value token that follows it.
class CBagPrivate : public CSerializedBase {
 public:
  typedef std::map<std::string, boost::any, SBagNameLess> Map;

  enum : DWORD { kIdName = 1, kIdValue = 2, kIdTypeName = 3 };

  CYqError Save(CSerializedBuffer* buffer) const override;

  using CSerializedBase::Load;
  /// Loads `text` into a fresh map; the pending name is logged when no value followed it.
  CYqError LoadText(const std::string& text);

  using CSerializedBase::LoadToken;
  CYqError LoadToken(DWORD id, const std::string& value) override;
  CYqError LoadToken(DWORD id, const std::wstring& value) override;
  CYqError LoadToken(DWORD id, int value) override;
  CYqError LoadToken(DWORD id, UINT value) override;
  CYqError LoadToken(DWORD id, LONGLONG value) override;
  CYqError LoadToken(DWORD id, ULONGLONG value) override;
  CYqError LoadToken(DWORD id, bool value) override;
  CYqError LoadToken(DWORD id, const FILETIME& value) override;
  CYqError LoadToken(DWORD id, const UUID& value) override;

  Map m_map;

 private:
  // Stores a value token under the pending name.
  CYqError StoreValue(DWORD id, const boost::any& value);
  // Logs a name that no value followed.
  void LogUnpairedName() const;

  std::string m_pendingName;
  bool m_hasPendingName = false;  // an empty name is a valid name
};
