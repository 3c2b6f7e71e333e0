#include "yqbase/serialization/Bag.h"

#include <strings.h>
#include <wchar.h>

#include <boost/make_shared.hpp>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <new>
#include <type_traits>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/serialization/BagPrivate.h"
#include "yqbase/strings/StringExtensions.h"

namespace {

// The target names of the type-mismatch message, chosen by a null pointer of the target.
const char* TargetName(std::string*) { return "string"; }
const char* TargetName(std::wstring*) { return "wstring"; }
const char* TargetName(bool*) { return "bool"; }
const char* TargetName(int*) { return "int"; }
const char* TargetName(unsigned int*) { return "unsigned int"; }
const char* TargetName(long*) { return "long"; }
const char* TargetName(unsigned long*) { return "unsigned long"; }
const char* TargetName(long long*) { return "int64_t"; }
const char* TargetName(unsigned long long*) { return "uint64_t"; }

template <typename T>
CYqError TypeMismatch(const FXCodeLocation& location, const boost::any& stored) {
  return FXErrorUtil::ErrorWin32(location, 1804,
                                 "Bag value of type '%s' different with expected type '%s'",
                                 stored.type().name(), TargetName(static_cast<T*>(nullptr)));
}

// A stored integer or bool as 64 bits, sign-extended, so that a cast to any integer type
// gives the ordinary conversion of the stored value.
template <typename T>
bool IntegerAs(const boost::any& stored, ULONGLONG& bits) {
  const T* v = boost::any_cast<T>(&stored);
  if (v == nullptr) return false;
  if constexpr (std::is_signed<T>::value)
    bits = static_cast<ULONGLONG>(static_cast<long long>(*v));
  else
    bits = static_cast<ULONGLONG>(*v);
  return true;
}
bool StoredInteger(const boost::any& stored, ULONGLONG& bits) {
  return IntegerAs<bool>(stored, bits) || IntegerAs<int>(stored, bits) ||
         IntegerAs<unsigned int>(stored, bits) || IntegerAs<long>(stored, bits) ||
         IntegerAs<unsigned long>(stored, bits) || IntegerAs<long long>(stored, bits) ||
         IntegerAs<unsigned long long>(stored, bits);
}

long long ParseSigned(const char* text, char** end) { return std::strtoll(text, end, 0); }
long long ParseSigned(const wchar_t* text, wchar_t** end) { return std::wcstoll(text, end, 0); }
unsigned long long ParseUnsigned(const char* text, char** end) {
  return std::strtoull(text, end, 0);
}
unsigned long long ParseUnsigned(const wchar_t* text, wchar_t** end) {
  return std::wcstoull(text, end, 0);
}

// The whole text as a number with base 0, within the signed (or, for an unsigned target,
// unsigned) 64-bit range.
template <typename Char>
bool ParseNumber(const std::basic_string<Char>& text, bool unsignedTarget, ULONGLONG& bits) {
  Char* end = nullptr;
  errno = 0;
  bits = unsignedTarget ? ParseUnsigned(text.c_str(), &end)
                        : static_cast<ULONGLONG>(ParseSigned(text.c_str(), &end));
  return errno == 0 && end != text.c_str() && *end == 0 && end == text.c_str() + text.size();
}

// A stored text parsed as a number; false when the value is not text.
template <typename Char>
bool TextAs(const FXCodeLocation& location, const boost::any& stored, bool unsignedTarget,
            ULONGLONG& bits, CYqError& err) {
  const std::basic_string<Char>* text = boost::any_cast<std::basic_string<Char>>(&stored);
  if (text == nullptr) return false;
  if (!ParseNumber(*text, unsignedTarget, bits))
    err = FXErrorUtil::ErrorWin32(location, 13, "Bag value '%s' is not a number",
                                  FXString::ToString(*text, 0).c_str());
  return true;
}
bool StoredText(const FXCodeLocation& location, const boost::any& stored, bool unsignedTarget,
                ULONGLONG& bits, CYqError& err) {
  return TextAs<char>(location, stored, unsignedTarget, bits, err) ||
         TextAs<wchar_t>(location, stored, unsignedTarget, bits, err);
}

template <typename T>
CYqError Convert(const FXCodeLocation& location, const boost::any& stored, T& value) {
  static_assert(std::is_integral<T>::value, "integer targets");
  ULONGLONG bits = 0;
  CYqError err;
  if (StoredInteger(stored, bits) ||
      StoredText(location, stored, std::is_unsigned<T>::value, bits, err)) {
    if (err.Succeeded()) value = static_cast<T>(bits);
    return err;
  }
  return TypeMismatch<T>(location, stored);
}

template <>
CYqError Convert(const FXCodeLocation& location, const boost::any& stored, bool& value) {
  ULONGLONG bits = 0;
  if (StoredInteger(stored, bits)) {
    value = bits != 0;
    return CYqError();
  }
  const std::string* text = boost::any_cast<std::string>(&stored);
  const std::wstring* wide = boost::any_cast<std::wstring>(&stored);
  if ((text != nullptr && ::strcasecmp(text->c_str(), "true") == 0) ||
      (wide != nullptr && ::wcscasecmp(wide->c_str(), L"true") == 0)) {
    value = true;
    return CYqError();
  }
  if ((text != nullptr && ::strcasecmp(text->c_str(), "false") == 0) ||
      (wide != nullptr && ::wcscasecmp(wide->c_str(), L"false") == 0)) {
    value = false;
    return CYqError();
  }
  CYqError err;
  if (!StoredText(location, stored, false, bits, err)) return TypeMismatch<bool>(location, stored);
  if (err.Succeeded()) value = bits != 0;
  return err;
}

// The text of a stored integer in its own type's format, a bool as "true" or "false"; false
// for other types.
bool IntegerText(const boost::any& stored, std::string& text) {
  if (const bool* v = boost::any_cast<bool>(&stored))
    text = *v ? "true" : "false";
  else if (const int* v = boost::any_cast<int>(&stored))
    text = FXString::Format("%d", *v);
  else if (const unsigned* v = boost::any_cast<unsigned>(&stored))
    text = FXString::Format("%u", *v);
  else if (const long* v = boost::any_cast<long>(&stored))
    text = FXString::Format("%ld", *v);
  else if (const unsigned long* v = boost::any_cast<unsigned long>(&stored))
    text = FXString::Format("%lu", *v);
  else if (const long long* v = boost::any_cast<long long>(&stored))
    text = FXString::Format("%lld", *v);
  else if (const unsigned long long* v = boost::any_cast<unsigned long long>(&stored))
    text = FXString::Format("%llu", *v);
  else
    return false;
  return true;
}

template <>
CYqError Convert(const FXCodeLocation& location, const boost::any& stored, std::string& value) {
  if (const std::string* text = boost::any_cast<std::string>(&stored)) {
    value = *text;
    return CYqError();
  }
  if (const std::wstring* wide = boost::any_cast<std::wstring>(&stored)) {
    std::string converted;
    CYqError err = FXString::UnicodeToUTF8(*wide, converted);
    if (err.Failed()) return err.Push(location);
    value.swap(converted);
    return err;
  }
  if (IntegerText(stored, value)) return CYqError();
  return TypeMismatch<std::string>(location, stored);
}

template <>
CYqError Convert(const FXCodeLocation& location, const boost::any& stored, std::wstring& value) {
  if (const std::wstring* wide = boost::any_cast<std::wstring>(&stored)) {
    value = *wide;
    return CYqError();
  }
  std::wstring converted;
  if (const std::string* text = boost::any_cast<std::string>(&stored)) {
    CYqError err = FXString::UTF8ToUnicode(*text, converted);
    if (err.Failed()) return err.Push(location);
    value.swap(converted);
    return err;
  }
  // Numbers have the same digits in both widths; a bool is "1" or "0".
  std::string text;
  if (const bool* v = boost::any_cast<bool>(&stored)) text = *v ? "1" : "0";
  if (text.empty() && !IntegerText(stored, text))
    return TypeMismatch<std::wstring>(location, stored);
  value = FXString::ToWstring(text);
  return CYqError();
}

template <typename T>
CYqError ReadAs(const CBag& bag, const FXCodeLocation& location, const std::string& name, T& value,
                DWORD flags) {
  if ((flags & CBag::kFlagClear) != 0) value = T();
  boost::any stored;
  CYqError err = bag.ReadAny(name, stored, flags);
  if (err.Failed()) return err.Push(location);
  if (stored.empty()) return err;
  return Convert(location, stored, value);
}

CYqError Pushed(CYqError err, const FXCodeLocation& location) {
  if (err.Failed()) err.Push(location);
  return err;
}

template <typename T>
CYqError AddTo(CBagPrivate::Map& map, const FXCodeLocation& location, const std::string& name,
               T delta) {
  CBagPrivate::Map::iterator it = map.find(name);
  if (it == map.end() || it->second.empty()) {
    try {
      map[name] = delta;
    } catch (const std::bad_alloc&) {
      return FXErrorUtil::ErrorWin32(location, 14, "PropertyName=[%s]", name.c_str());
    }
    return CYqError();
  }
  T* stored = boost::any_cast<T>(&it->second);
  if (stored == nullptr) return TypeMismatch<T>(location, it->second);
  *stored = static_cast<T>(static_cast<ULONGLONG>(*stored) + static_cast<ULONGLONG>(delta));
  return CYqError();
}

}  // namespace

CBag::CBag() : m_private(boost::make_shared<CBagPrivate>()) {}

CBag::~CBag() = default;

CYqError CBag::WriteAny(const std::string& name, const boost::any& value) {
  try {
    m_private->m_map[name] = value;
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(YQ_LOC, 14, "PropertyName=[%s]", name.c_str());
  }
  return CYqError();
}

CYqError CBag::Write(const std::string& name, const std::string& value) {
  return Pushed(WriteAny(name, value), YQ_LOC);
}
CYqError CBag::Write(const std::string& name, const char* value) {
  if (value == nullptr)
    return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "PropertyName=[%s]", name.c_str());
  return Pushed(WriteAny(name, std::string(value)), YQ_LOC);
}
CYqError CBag::Write(const std::string& name, const std::wstring& value) {
  return Pushed(WriteAny(name, value), YQ_LOC);
}
CYqError CBag::Write(const std::string& name, const wchar_t* value) {
  if (value == nullptr)
    return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "PropertyName=[%s]", name.c_str());
  return Pushed(WriteAny(name, std::wstring(value)), YQ_LOC);
}
CYqError CBag::Write(const std::string& name, bool value) {
  return Pushed(WriteAny(name, value), YQ_LOC);
}
CYqError CBag::Write(const std::string& name, int value) {
  return Pushed(WriteAny(name, value), YQ_LOC);
}
CYqError CBag::Write(const std::string& name, unsigned int value) {
  return Pushed(WriteAny(name, value), YQ_LOC);
}
CYqError CBag::Write(const std::string& name, long value) {
  return Pushed(WriteAny(name, value), YQ_LOC);
}
CYqError CBag::Write(const std::string& name, unsigned long value) {
  return Pushed(WriteAny(name, value), YQ_LOC);
}
CYqError CBag::Write(const std::string& name, long long value) {
  return Pushed(WriteAny(name, value), YQ_LOC);
}
CYqError CBag::Write(const std::string& name, unsigned long long value) {
  return Pushed(WriteAny(name, value), YQ_LOC);
}

CYqError CBag::ReadAny(const std::string& name, boost::any& value) const {
  return ReadAny(name, value, kFlagClear);
}

CYqError CBag::ReadAny(const std::string& name, boost::any& value, DWORD flags) const {
  if ((flags & kFlagClear) != 0) value = boost::any();
  CBagPrivate::Map::const_iterator it = m_private->m_map.find(name);
  if (it == m_private->m_map.end()) {
    if ((flags & kFlagOptional) != 0) return CYqError();
    return FXErrorUtil::ErrorWin32(YQ_LOC, 1168, "PropertyName=[%s]", name.c_str());
  }
  value = it->second;
  if (const CBagProviderPtr* provider = boost::any_cast<CBagProviderPtr>(&value)) {
    // The provider may replace `value`, which holds the pointer: call through a copy.
    CBagProviderPtr keep = *provider;
    if (keep) return Pushed(keep->GetProperty(name, value), YQ_LOC);
  }
  return CYqError();
}

CYqError CBag::Read(const std::string& name, std::string& value, DWORD flags) const {
  return ReadAs(*this, YQ_LOC, name, value, flags);
}
CYqError CBag::Read(const std::string& name, std::wstring& value, DWORD flags) const {
  return ReadAs(*this, YQ_LOC, name, value, flags);
}
CYqError CBag::Read(const std::string& name, bool& value, DWORD flags) const {
  return ReadAs(*this, YQ_LOC, name, value, flags);
}
CYqError CBag::Read(const std::string& name, int& value, DWORD flags) const {
  return ReadAs(*this, YQ_LOC, name, value, flags);
}
CYqError CBag::Read(const std::string& name, unsigned int& value, DWORD flags) const {
  return ReadAs(*this, YQ_LOC, name, value, flags);
}
CYqError CBag::Read(const std::string& name, long& value, DWORD flags) const {
  return ReadAs(*this, YQ_LOC, name, value, flags);
}
CYqError CBag::Read(const std::string& name, unsigned long& value, DWORD flags) const {
  return ReadAs(*this, YQ_LOC, name, value, flags);
}
CYqError CBag::Read(const std::string& name, long long& value, DWORD flags) const {
  return ReadAs(*this, YQ_LOC, name, value, flags);
}
CYqError CBag::Read(const std::string& name, unsigned long long& value, DWORD flags) const {
  return ReadAs(*this, YQ_LOC, name, value, flags);
}
CYqError CBag::Read(const std::string& name, std::string& value) const {
  return Read(name, value, 0);
}
CYqError CBag::Read(const std::string& name, std::wstring& value) const {
  return Read(name, value, 0);
}
CYqError CBag::Read(const std::string& name, bool& value) const { return Read(name, value, 0); }
CYqError CBag::Read(const std::string& name, int& value) const { return Read(name, value, 0); }
CYqError CBag::Read(const std::string& name, unsigned int& value) const {
  return Read(name, value, 0);
}
CYqError CBag::Read(const std::string& name, long& value) const { return Read(name, value, 0); }
CYqError CBag::Read(const std::string& name, unsigned long& value) const {
  return Read(name, value, 0);
}
CYqError CBag::Read(const std::string& name, long long& value) const {
  return Read(name, value, 0);
}
CYqError CBag::Read(const std::string& name, unsigned long long& value) const {
  return Read(name, value, 0);
}

CYqError CBag::Add(const std::string& name, long long delta) {
  return AddTo(m_private->m_map, YQ_LOC, name, delta);
}
CYqError CBag::Add(const std::string& name, unsigned long long delta) {
  return AddTo(m_private->m_map, YQ_LOC, name, delta);
}

std::list<std::string> CBag::allKeys() const {
  std::list<std::string> keys;
  for (const CBagPrivate::Map::value_type& entry : m_private->m_map) keys.push_back(entry.first);
  return keys;
}

CYqError CBag::GetSerializedData(std::string& text) const {
  text.clear();
  CSerializedBuffer buffer;
  CYqError err = m_private->Save(&buffer);
  if (err.Succeeded()) err = buffer.GetBufferAsString(text);
  return Pushed(err, YQ_LOC);
}

CYqError CBag::LoadSerializedData(const std::string& text) {
  CBagPrivate loaded;
  CYqError err = loaded.LoadText(text);
  if (err.Failed()) return err.Push(YQ_LOC);
  m_private->m_map.swap(loaded.m_map);
  return err;
}

// CBagPrivate

namespace {

// Writes the value token of a stored value; false when its type has no token.
bool SaveValue(CSerializedBuffer* buffer, DWORD id, const boost::any& value, CYqError& err) {
  if (const std::string* v = boost::any_cast<std::string>(&value))
    err = CSerializedBase::AddToken(buffer, id, *v);
  else if (const std::wstring* v = boost::any_cast<std::wstring>(&value))
    err = CSerializedBase::AddToken(buffer, id, *v);
  else if (const bool* v = boost::any_cast<bool>(&value))
    err = CSerializedBase::AddToken(buffer, id, *v);
  else if (const int* v = boost::any_cast<int>(&value))
    err = CSerializedBase::AddToken(buffer, id, *v);
  else if (const unsigned int* v = boost::any_cast<unsigned int>(&value))
    err = CSerializedBase::AddToken(buffer, id, static_cast<UINT>(*v));
  else if (const long* v = boost::any_cast<long>(&value))
    // Through 64 bits: on a 32-bit platform every long fits and the test is constant.
    err = static_cast<long long>(*v) >= INT_MIN && static_cast<long long>(*v) <= INT_MAX
              ? CSerializedBase::AddToken(buffer, id, static_cast<int>(*v))
              : CSerializedBase::AddToken(buffer, id, static_cast<LONGLONG>(*v));
  else if (const unsigned long* v = boost::any_cast<unsigned long>(&value))
    err = static_cast<unsigned long long>(*v) <= UINT_MAX
              ? CSerializedBase::AddToken(buffer, id, static_cast<UINT>(*v))
              : CSerializedBase::AddToken(buffer, id, static_cast<ULONGLONG>(*v));
  else if (const long long* v = boost::any_cast<long long>(&value))
    err = CSerializedBase::AddToken(buffer, id, static_cast<LONGLONG>(*v));
  else if (const unsigned long long* v = boost::any_cast<unsigned long long>(&value))
    err = CSerializedBase::AddToken(buffer, id, static_cast<ULONGLONG>(*v));
  else if (const FILETIME* v = boost::any_cast<FILETIME>(&value))
    err = CSerializedBase::AddToken(buffer, id, *v);
  else if (const GUID* v = boost::any_cast<GUID>(&value))
    err = CSerializedBase::AddToken(buffer, id, *v);
  else
    return false;
  return true;
}

}  // namespace

CYqError CBagPrivate::Save(CSerializedBuffer* buffer) const {
  for (const Map::value_type& entry : m_map) {
    CYqError err = AddToken(buffer, kIdName, entry.first);
    if (err.Succeeded() && !SaveValue(buffer, kIdValue, entry.second, err))
      err = AddToken(buffer, kIdTypeName, std::string(entry.second.type().name()));
    if (err.Failed()) return err.Push(YQ_LOC, "PropertyName=[%s]", entry.first.c_str());
  }
  return CYqError();
}

CYqError CBagPrivate::LoadText(const std::string& text) {
  m_map.clear();
  m_pendingName.clear();
  m_hasPendingName = false;
  CYqError err = Load(text);
  if (err.Succeeded() && m_hasPendingName) LogUnpairedName();
  return err;
}

void CBagPrivate::LogUnpairedName() const {
  YQ_TRACE(0, "Data was not received for property, PropertyName=%s", m_pendingName.c_str());
}

CYqError CBagPrivate::StoreValue(DWORD id, const boost::any& value) {
  if (id != kIdValue) return FXErrorUtil::ErrorWin32(YQ_LOC, 1608, "Id=[%u]", id);
  if (!m_hasPendingName) return FXErrorUtil::ErrorWin32(YQ_LOC, 1804, "Property name was expected");
  try {
    // Saved bags list their names in map order: the end is the right place for each.
    m_map.insert_or_assign(m_map.end(), m_pendingName, value);
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorWin32(YQ_LOC, 14, "PropertyName=[%s]", m_pendingName.c_str());
  }
  m_pendingName.clear();
  m_hasPendingName = false;
  return CYqError();
}

CYqError CBagPrivate::LoadToken(DWORD id, const std::string& value) {
  if (id == kIdName) {
    if (m_hasPendingName) LogUnpairedName();
    m_pendingName = value;
    m_hasPendingName = true;
    return CYqError();
  }
  if (id == kIdTypeName)
    return FXErrorUtil::ErrorWin32(YQ_LOC, 1630, "PropertyName=%s, Type=%s", m_pendingName.c_str(),
                                   value.c_str());
  return StoreValue(id, value);
}
CYqError CBagPrivate::LoadToken(DWORD id, const std::wstring& value) {
  return StoreValue(id, value);
}
CYqError CBagPrivate::LoadToken(DWORD id, int value) { return StoreValue(id, value); }
CYqError CBagPrivate::LoadToken(DWORD id, UINT value) { return StoreValue(id, value); }
CYqError CBagPrivate::LoadToken(DWORD id, LONGLONG value) {
  return StoreValue(id, static_cast<long long>(value));
}
CYqError CBagPrivate::LoadToken(DWORD id, ULONGLONG value) {
  return StoreValue(id, static_cast<unsigned long long>(value));
}
CYqError CBagPrivate::LoadToken(DWORD id, bool value) { return StoreValue(id, value); }
CYqError CBagPrivate::LoadToken(DWORD id, const FILETIME& value) { return StoreValue(id, value); }
CYqError CBagPrivate::LoadToken(DWORD id, const UUID& value) { return StoreValue(id, value); }
