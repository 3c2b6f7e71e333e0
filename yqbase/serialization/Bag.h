// CBag: a set of named, typed properties that travels between components as Ascii85 text.
#pragma once

#include <boost/any.hpp>
#include <boost/shared_ptr.hpp>
#include <list>
#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/serialization/BagProvider.h"

class CBagPrivate;

/// Named, typed properties. Names compare without regard to ASCII case, so "Path" and "PATH"
/// are one property. A value keeps the type it was written with; Read converts between the
/// integer types, bool and the two text types, and refuses any other stored type with Win32
/// code 1804. A value may be a CBagProvider that computes it when read.
///
/// Copies of a CBag share its properties (CBagPtr shares the bag itself). Not synchronised:
/// one thread at a time, or readers only.
///
///   CBag bag;
///   CYqError err = bag.Write("Retries", 3);
///   int retries = 0;
///   err = bag.Read("retries", retries, CBag::kFlagOptional);
///   std::string text;
///   err = bag.GetSerializedData(text);  // another process: other.LoadSerializedData(text)
///
/// Where the data could otherwise be lost or misread, the bag is stricter than a plain
/// conversion:
/// - Reading a text as an integer or bool requires a whole number (base 0: "0x" hexadecimal,
///   a leading 0 octal) within 64 bits; anything else fails with Win32 code 13 instead of
///   reading as 0.
/// - A long or unsigned long beyond 32 bits is serialized as a 64-bit token (and comes back as
///   long long or unsigned long long); smaller ones travel as int and unsigned int.
/// - GetSerializedData fails when the text cannot be encoded, rather than giving empty text.
/// - LoadSerializedData replaces the properties only when the whole text loads; after a
///   failure the bag holds what it held before.
class YQBASE_EXPORT CBag {
 public:
  /// Read flag: a missing property is not an error (the output is left as it is).
  static constexpr DWORD kFlagOptional = 1;
  /// Read flag: reset the output (empty, 0, false) before reading.
  static constexpr DWORD kFlagClear = 2;

  CBag();
  ~CBag();

  /// Inserts or replaces a property. Fails only when memory runs out (Win32 code 14), or with
  /// 87 for a null text pointer.
  [[nodiscard]] CYqError WriteAny(const std::string& name, const boost::any& value);
  [[nodiscard]] CYqError Write(const std::string& name, const std::string& value);
  [[nodiscard]] CYqError Write(const std::string& name, const char* value);
  [[nodiscard]] CYqError Write(const std::string& name, const std::wstring& value);
  [[nodiscard]] CYqError Write(const std::string& name, const wchar_t* value);
  [[nodiscard]] CYqError Write(const std::string& name, bool value);
  [[nodiscard]] CYqError Write(const std::string& name, int value);
  [[nodiscard]] CYqError Write(const std::string& name, unsigned int value);
  [[nodiscard]] CYqError Write(const std::string& name, long value);
  [[nodiscard]] CYqError Write(const std::string& name, unsigned long value);
  [[nodiscard]] CYqError Write(const std::string& name, long long value);
  [[nodiscard]] CYqError Write(const std::string& name, unsigned long long value);

  /// The stored value, or a provider's value for it. A missing property fails with Win32 code
  /// 1168 unless `flags` has kFlagOptional; a provider's failure is returned. The two-argument
  /// form clears `value` first (kFlagClear).
  [[nodiscard]] CYqError ReadAny(const std::string& name, boost::any& value) const;
  [[nodiscard]] CYqError ReadAny(const std::string& name, boost::any& value, DWORD flags) const;

  /// The property converted to the output's type:
  /// - integers from any integer type or bool by ordinary conversion, and from text;
  /// - bool from integers (non-zero), from "true" or "false" in any case, and from other
  ///   text as a number;
  /// - std::string from text (wide text as UTF-8), "true"/"false", and decimal numbers;
  /// - std::wstring likewise, with a bool as "1"/"0".
  /// Fails as ReadAny does, with Win32 code 1804 for another stored type, 13 for text that is
  /// not a number, and the converter's error for text that is not valid Unicode. The
  /// two-argument forms pass flags 0.
  [[nodiscard]] CYqError Read(const std::string& name, std::string& value, DWORD flags) const;
  [[nodiscard]] CYqError Read(const std::string& name, std::wstring& value, DWORD flags) const;
  [[nodiscard]] CYqError Read(const std::string& name, bool& value, DWORD flags) const;
  [[nodiscard]] CYqError Read(const std::string& name, int& value, DWORD flags) const;
  [[nodiscard]] CYqError Read(const std::string& name, unsigned int& value, DWORD flags) const;
  [[nodiscard]] CYqError Read(const std::string& name, long& value, DWORD flags) const;
  [[nodiscard]] CYqError Read(const std::string& name, unsigned long& value, DWORD flags) const;
  [[nodiscard]] CYqError Read(const std::string& name, long long& value, DWORD flags) const;
  [[nodiscard]] CYqError Read(const std::string& name, unsigned long long& value,
                              DWORD flags) const;
  [[nodiscard]] CYqError Read(const std::string& name, std::string& value) const;
  [[nodiscard]] CYqError Read(const std::string& name, std::wstring& value) const;
  [[nodiscard]] CYqError Read(const std::string& name, bool& value) const;
  [[nodiscard]] CYqError Read(const std::string& name, int& value) const;
  [[nodiscard]] CYqError Read(const std::string& name, unsigned int& value) const;
  [[nodiscard]] CYqError Read(const std::string& name, long& value) const;
  [[nodiscard]] CYqError Read(const std::string& name, unsigned long& value) const;
  [[nodiscard]] CYqError Read(const std::string& name, long long& value) const;
  [[nodiscard]] CYqError Read(const std::string& name, unsigned long long& value) const;

  /// Counters: adds `delta` (wrapping) to a value of the same type, or stores `delta` when
  /// the property is missing or empty. A value of another type fails with Win32 code 1804 and
  /// stays as it was.
  [[nodiscard]] CYqError Add(const std::string& name, long long delta);
  [[nodiscard]] CYqError Add(const std::string& name, unsigned long long delta);

  /// Every property name, in the bag's order (ASCII case ignored).
  std::list<std::string> allKeys() const;

  /// The properties as Ascii85 text of their tokens. A value of a type without a token
  /// (providers among them) is written as its type name, and loading it fails with Win32
  /// code 1630.
  [[nodiscard]] CYqError GetSerializedData(std::string& text) const;
  /// Replaces the properties with those in `text`. Fails with the token stream's errors,
  /// 1804 for a value without a name and 1630 for a value written as a type name.
  [[nodiscard]] CYqError LoadSerializedData(const std::string& text);

 private:
  boost::shared_ptr<CBagPrivate> m_private;
};

typedef boost::shared_ptr<CBag> CBagPtr;
