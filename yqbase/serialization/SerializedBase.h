// CSerializedBase: writing typed values as tokens and walking a token stream back into typed
// LoadToken calls; CSerializedContext, a payload that can describe itself as text.
#pragma once

#include <cstddef>
#include <list>
#include <string>

#include "yqbase/errors/FVBase.h"
#include "yqbase/errors/YqError.h"
#include "yqbase/serialization/SerializedBuffer.h"

/// Base of objects that travel as a token stream. Save writes the object's tokens with the
/// static AddToken writers; Load walks a stream and hands every token to the LoadToken overload
/// of its type, which a subclass overrides for the ids it knows (the base refuses every token
/// with Win32 code 1608). The object keeps no loading state of its own between calls.
///
/// Loading is strict where the data could otherwise be misread: a token that would reach past
/// the end of the data, an identifier field that is not a decimal number in range, a value
/// that does not parse in full as its type, a string value without its terminating zero, and
/// a wide value whose length is not a whole number of 32-bit units end the load with Win32
/// code 13. A string value keeps any zero bytes before its terminator.
class YQBASE_EXPORT CSerializedBase {
 public:
  /// Token types: the value encoding a token's type number stands for.
  enum TokenType : DWORD {
    TOKEN_TYPE_BYTES = 0,     // raw bytes; read only
    TOKEN_TYPE_CHARS = 1,     // raw characters, no terminator
    TOKEN_TYPE_STRING = 16,   // the characters and a zero byte
    TOKEN_TYPE_WSTRING = 17,  // the 32-bit wchar_t units in memory order and a zero unit
    TOKEN_TYPE_INT = 32,      // decimal text and a zero byte, likewise up to FILETIME
    TOKEN_TYPE_UINT = 33,
    TOKEN_TYPE_LONGLONG = 34,
    TOKEN_TYPE_ULONGLONG = 35,
    TOKEN_TYPE_BOOL = 36,      // "0" or "1"
    TOKEN_TYPE_FILETIME = 37,  // the 64-bit tick count
    TOKEN_TYPE_UUID = 39,      // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" and a zero byte
    TOKEN_TYPE_LUID = 40,      // "(0x<high>, 0x<low>)" and a zero byte
  };

  virtual ~CSerializedBase();

  /// Writes the object's tokens into `buffer`; the base writes nothing.
  [[nodiscard]] virtual CYqError Save(CSerializedBuffer* buffer) const;
  /// Walks `length` bytes of tokens. Tokens of an unknown type or id are logged and skipped.
  /// An identifier without five "."-separated fields or of a version other than 1 is logged
  /// and stops the walk with success, ignoring the rest. Any other LoadToken failure, and
  /// malformed data as above, ends the walk with that error.
  [[nodiscard]] virtual CYqError Load(const char* data, size_t length);
  /// Decodes Ascii85 `text` and loads the bytes; an empty text loads nothing. Decoding fails
  /// with the codec's Win32 code 13, memory with 14.
  [[nodiscard]] virtual CYqError Load(const std::string& text);
  /// Decodes one token value by its type and calls the matching LoadToken. Win32 code 160 for
  /// an unassigned type, 13 for a value that does not decode.
  [[nodiscard]] virtual CYqError LoadItem(DWORD version, DWORD type, DWORD id, const char* data,
                                          size_t length);

  /// One overload per token type; each fails with Win32 code 1608 unless overridden.
  [[nodiscard]] virtual CYqError LoadToken(DWORD id, const BYTE* data, size_t length);
  [[nodiscard]] virtual CYqError LoadToken(DWORD id, const char* data, size_t length);
  [[nodiscard]] virtual CYqError LoadToken(DWORD id, const std::string& value);
  [[nodiscard]] virtual CYqError LoadToken(DWORD id, const std::wstring& value);
  [[nodiscard]] virtual CYqError LoadToken(DWORD id, int value);
  [[nodiscard]] virtual CYqError LoadToken(DWORD id, UINT value);
  [[nodiscard]] virtual CYqError LoadToken(DWORD id, LONGLONG value);
  [[nodiscard]] virtual CYqError LoadToken(DWORD id, ULONGLONG value);
  [[nodiscard]] virtual CYqError LoadToken(DWORD id, bool value);
  [[nodiscard]] virtual CYqError LoadToken(DWORD id, const FILETIME& value);
  [[nodiscard]] virtual CYqError LoadToken(DWORD id, const UUID& value);
  [[nodiscard]] virtual CYqError LoadToken(DWORD id, const LUID& value);
  [[nodiscard]] virtual CYqError LoadToken(DWORD id, PSID value);

  // Writers: each appends one token with the type of its value (a list one string token per
  // element, all with `id`, stopping at the first failure). They fail only when the buffer
  // cannot grow (Win32 code 14), for a null buffer (87), and for a PSID (50, not supported).
  // The const char* and const wchar_t* forms without a length write zero-terminated text as
  // a string token, so that a literal does not pick the bool writer.
  [[nodiscard]] static CYqError AddToken(CSerializedBuffer* buffer, DWORD id, const char* data,
                                         size_t length);
  [[nodiscard]] static CYqError AddToken(CSerializedBuffer* buffer, DWORD id, const char* text);
  [[nodiscard]] static CYqError AddToken(CSerializedBuffer* buffer, DWORD id, const wchar_t* text);
  [[nodiscard]] static CYqError AddToken(CSerializedBuffer* buffer, DWORD id,
                                         const std::string& value);
  [[nodiscard]] static CYqError AddToken(CSerializedBuffer* buffer, DWORD id,
                                         const std::wstring& value);
  [[nodiscard]] static CYqError AddToken(CSerializedBuffer* buffer, DWORD id, int value);
  [[nodiscard]] static CYqError AddToken(CSerializedBuffer* buffer, DWORD id, UINT value);
  [[nodiscard]] static CYqError AddToken(CSerializedBuffer* buffer, DWORD id, LONGLONG value);
  [[nodiscard]] static CYqError AddToken(CSerializedBuffer* buffer, DWORD id, ULONGLONG value);
  [[nodiscard]] static CYqError AddToken(CSerializedBuffer* buffer, DWORD id, bool value);
  [[nodiscard]] static CYqError AddToken(CSerializedBuffer* buffer, DWORD id,
                                         const FILETIME& value);
  [[nodiscard]] static CYqError AddToken(CSerializedBuffer* buffer, DWORD id, const UUID& value);
  [[nodiscard]] static CYqError AddToken(CSerializedBuffer* buffer, DWORD id, const LUID& value);
  [[nodiscard]] static CYqError AddToken(CSerializedBuffer* buffer, DWORD id,
                                         const std::list<std::string>& values);
  [[nodiscard]] static CYqError AddToken(CSerializedBuffer* buffer, DWORD id, PSID value);
};

/// A payload (see FVBase) that callers attach to serializing operations; AsSerialized gives
/// its state as text, empty in the base.
class YQBASE_EXPORT CSerializedContext : public FVBase {
 public:
  ~CSerializedContext() override;
  virtual std::string AsSerialized() const;
};

typedef boost::shared_ptr<CSerializedContext> CSerializedContextPtr;
