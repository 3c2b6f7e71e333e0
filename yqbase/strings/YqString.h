// CYqString: a self-managed 8-bit string with its own growth rule, numeric constructors, a
// formatter over numbered braces and tokenizers.
#pragma once

#include <vector>

#include "yqbase/errors/YqExport.h"
#include "yqbase/errors/YqTypes.h"

/// An owned, NUL-terminated 8-bit string. Copies are deep. Allocation never throws: an append
/// that cannot get memory clears the object, the other growing calls report false. Capacity
/// grows in steps of 256 bytes. A numeric constructor whose formatting fails leaves the length
/// at -1 and no text. Not synchronised: one thread uses an object at a time.
///
///   CYqString path("/var/log");
///   path.CheckAndAppendLastCharacter('/');
///   path.Append("agent.log", 9);  // "/var/log/agent.log"
class YQBASE_EXPORT CYqString {
 public:
  static constexpr unsigned int npos = 0xFFFFFFFFu;

  CYqString();
  /// A copy of `text`; null gives an empty object.
  CYqString(const char* text);  // NOLINT: implicit, so that literals convert
  CYqString(const CYqString& other);
  CYqString(CYqString&& other) noexcept;
  /// A one-character text; NUL gives an empty object.
  explicit CYqString(char c);
  explicit CYqString(unsigned char c);
  /// The decimal text of the number ("%hd", "%hu", "%d", "%u", "%ld", "%lu", "%lld", "%llu");
  /// a double is written with "%f".
  explicit CYqString(short value);
  explicit CYqString(unsigned short value);
  explicit CYqString(int value);
  explicit CYqString(unsigned int value);
  explicit CYqString(long value);
  explicit CYqString(unsigned long value);
  explicit CYqString(long long value);
  explicit CYqString(unsigned long long value);
  explicit CYqString(double value);
  ~CYqString();

  /// Assignments copy the text; when memory runs out the object is left empty.
  CYqString& operator=(const char* text);
  CYqString& operator=(const CYqString& other);
  CYqString& operator=(CYqString&& other) noexcept;

  /// The text, never null ("" without a buffer).
  const char* c_str() const { return m_pBuffer != nullptr ? m_pBuffer : ""; }
  /// Characters before the NUL; -1 after a failed numeric conversion.
  int GetLength() const { return m_nLength; }
  bool IsEmpty() const { return m_nLength <= 0; }
  /// Bytes allocated, and bytes used including the NUL (0 without a buffer).
  unsigned int GetCapacity() const { return m_dwCapacity; }
  unsigned int GetBytesUsed() const { return m_dwUsed; }

  bool operator==(const CYqString& other) const { return Safe_strcmp(c_str(), other.c_str()) == 0; }
  bool operator!=(const CYqString& other) const { return !(*this == other); }

  /// Replaces the text with the first `count` characters of `data` (fewer when a NUL comes
  /// first). False, with the object cleared, when memory runs out.
  bool AssignBuffer(const char* data, unsigned int count);
  /// Appends the first `count` characters of `text` (fewer when a NUL comes first). A buffer
  /// that is missing or too small is replaced by one of (length + count + 256) bytes rounded
  /// down to a multiple of 256. False, with the object cleared, when memory runs out.
  bool Append(const char* text, unsigned int count);
  /// Appends the value in lower-case hexadecimal ("%llx").
  bool AppendHexValue(unsigned long long value);

  /// `count` characters from `pos` on (clipped to the text); empty when `pos` is past the end.
  CYqString SubStr(unsigned int pos, unsigned int count = npos) const;
  /// Index of the first `c` (or `sub`) at or after `pos`, or -1.
  int Find(char c, unsigned int pos = 0) const;
  int Find(const char* sub, unsigned int pos = 0) const;
  /// Index of the last `c` (or start of `sub`) at or before `pos` (npos: the whole text), or -1.
  int ReverseFind(char c, unsigned int pos = npos) const;
  int ReverseFind(const char* sub, unsigned int pos = npos) const;
  /// Cuts the text at `pos`; a position at or past the end changes nothing.
  void ChopAt(unsigned int pos);

  /// Upper- and lower-case copies (toupper/tolower per byte).
  CYqString ToUpper() const;
  CYqString ToLower() const;

  /// strcmp that orders null before every text and equal to null.
  static int Safe_strcmp(const char* a, const char* b);

  /// Appends `c` unless the text already ends with it; false only when memory runs out.
  bool CheckAndAppendLastCharacter(char c);
  /// Removes the last character if it is `c`; true when it did.
  bool CheckAndRemoveLastCharacter(char c);
  /// Removes the last occurrence of `c` and everything after it ("a/b/c" gives "a/b"); false,
  /// with the text unchanged, when `c` does not occur.
  bool RemoveLastToken(char c);
  /// Strip every trailing (leading) `c`.
  void RTrim(char c);
  void LTrim(char c);
  /// Strip trailing (leading) white space.
  void RTrimAll();
  void LTrimAll();

  /// Makes room for `size` bytes, the NUL included; never shrinks. False when memory runs
  /// out (the object is then unchanged).
  bool AllocateBuffer(unsigned int size);
  /// Reallocates the buffer to exactly the bytes in use; an empty text frees it.
  void ShrinkBufferToFit();
  /// Recounts the length up to the first NUL, after the buffer was written directly.
  void ReCalculateLength();
  /// Frees the buffer; the object becomes empty.
  void Clear();
  /// The buffer for direct writes within GetCapacity() bytes (null without one); call
  /// ReCalculateLength() afterwards.
  char* GetBuffer() { return m_pBuffer; }

  /// `pattern` with every "{N}" (N decimal digits) replaced by the text of args[N]; a brace
  /// pair whose N is not below args.size(), or that holds anything but digits, stays as it is.
  /// Inserted text is not scanned again.
  static CYqString Format(const CYqString& pattern, const std::vector<CYqString>& args);

  // Tokenizers. Each clears `tokens` and returns how many it produced. Outside quotes any
  // character of `delimiters` ends a token. `quote` (NUL: none) opens a run that the same
  // character closes; inside it delimiters are text and the quotes themselves are dropped; an
  // unclosed run lasts to the end. `escape` (NUL: none) followed by a delimiter, the quote or
  // itself stands for that character, elsewhere it is text. Empty tokens stay only with
  // `keepEmpty`, except a token written as two quotes. An empty text gives no tokens.
  unsigned int Tokenize(const char* delimiters, std::vector<CYqString>& tokens,
                        bool keepEmpty = false) const;
  unsigned int Tokenize(const char* delimiters, char quote, std::vector<CYqString>& tokens,
                        bool keepEmpty = false) const;
  unsigned int Tokenize(const char* delimiters, char quote, char escape,
                        std::vector<CYqString>& tokens, bool keepEmpty = false) const;

 private:
  // Formats a number into the scratch area and takes the text from there.
  void InitNumber(const char* format, ...) YQBASE_PRINTF(2, 3);
  // Makes the capacity at least `bytes` by the growth rule; false when memory runs out.
  bool Grow(unsigned int bytes);
  // Replaces the buffer by one of `capacity` bytes holding the current text.
  bool Reallocate(unsigned int capacity);
  // Sets length and bytes used for a text of `length` characters already in the buffer.
  void SetLength(unsigned int length);
  void Swap(CYqString& other) noexcept;
  // Strips the leading (or trailing) characters for which `strip` holds.
  template <typename Pred>
  void TrimIf(bool left, Pred strip);

  DWORD m_dwCapacity;    // bytes allocated
  char* m_pBuffer;       // owned; null when nothing was allocated
  DWORD m_dwUsed;        // bytes of text and NUL; 0 without a buffer
  BOOL m_bOwnsBuffer;    // 1: the destructor frees the buffer
  LONG m_nLength;        // characters, -1 after a failed numeric conversion
  char m_szScratch[32];  // the numeric constructors' formatting area; fits every integer
};
