// FXString conversions between UTF-8 and wide (UTF-32) text.
#include <cstring>
#include <cwchar>
#include <memory>

#include "yqbase/strings/StringExtensions.h"
#include "yqbase/strings/utfConversionsPrivate.h"

namespace {

constexpr FXCodeLocation kUnicodeToUTF8Location = {
    FXCodeLocation::TrimSourcePath(__FILE__),
    "CYqError FXString::UnicodeToUTF8(const wstring&, std::string&)", 1128};
constexpr FXCodeLocation kUTF8ToUnicodeLocation = {
    FXCodeLocation::TrimSourcePath(__FILE__),
    "CYqError FXString::UTF8ToUnicode(const string&, std::wstring&)", 1228};

// Converts the `length` units at `text`, followed by their terminating NUL, and keeps the
// result up to its first NUL.
CYqError WideToUTF8(const wchar_t* text, size_t length, std::string& out) {
  out.clear();
  if (length == 0) return CYqError();
  // At most four bytes per character, plus the terminator.
  const size_t size = 4 * length + 1;
  std::unique_ptr<char[]> buffer(new char[size]);
  const wchar_t* source = text;
  UTF8* const begin = reinterpret_cast<UTF8*>(buffer.get());
  UTF8* target = begin;
  CYqError error = FXUTFPrivate::ConvertWideToUTF8(&source, text + length + 1, &target,
                                                   begin + size, FXUTF::lenientConversion);
  if (error.Failed()) return error.Push(kUnicodeToUTF8Location);
  out.assign(buffer.get(), strnlen(buffer.get(), static_cast<size_t>(target - begin)));
  return error;
}

CYqError UTF8ToWide(const char* text, size_t length, std::wstring& out) {
  out.clear();
  if (length == 0) return CYqError();
  // Never more units than bytes; the margin covers the terminator.
  const size_t size = length + 10;
  std::unique_ptr<wchar_t[]> buffer(new wchar_t[size]);
  const UTF8* source = reinterpret_cast<const UTF8*>(text);
  wchar_t* target = buffer.get();
  CYqError error = FXUTFPrivate::ConvertUTF8ToWide(&source, source + length + 1, &target,
                                                   buffer.get() + size, FXUTF::lenientConversion);
  if (error.Failed()) return error.Push(kUTF8ToUnicodeLocation);
  out.assign(buffer.get(), wcsnlen(buffer.get(), static_cast<size_t>(target - buffer.get())));
  return error;
}

}  // namespace

CYqError FXString::UnicodeToUTF8(const std::wstring& text, std::string& out) {
  return WideToUTF8(text.c_str(), text.size(), out);
}

CYqError FXString::UTF8ToUnicode(const std::string& text, std::wstring& out) {
  return UTF8ToWide(text.c_str(), text.size(), out);
}

std::string FXString::ToString(const std::wstring& text) {
  std::string out;
  (void)WideToUTF8(text.c_str(), text.size(), out);
  return out;
}

std::string FXString::ToString(const std::wstring& text, unsigned int) { return ToString(text); }

std::string FXString::ToString(const wchar_t* text) {
  std::string out;
  if (text != nullptr) (void)WideToUTF8(text, std::wcslen(text), out);
  return out;
}

std::string FXString::ToString(const wchar_t* text, unsigned int) { return ToString(text); }

std::string FXString::ToString(const char* text) {
  return text != nullptr ? std::string(text) : std::string();
}

std::string FXString::ToString(const char* text, unsigned int) { return ToString(text); }

std::string FXString::ToString(const std::string& text, unsigned int) { return text; }

std::wstring FXString::ToWstring(const std::string& text) {
  std::wstring out;
  (void)UTF8ToWide(text.c_str(), text.size(), out);
  return out;
}

std::wstring FXString::ToWstring(const std::string& text, unsigned int) { return ToWstring(text); }

std::wstring FXString::ToWstring(const char* text) {
  std::wstring out;
  if (text != nullptr) (void)UTF8ToWide(text, std::strlen(text), out);
  return out;
}

std::wstring FXString::ToWstring(const char* text, unsigned int) { return ToWstring(text); }

std::wstring FXString::ToWstring(const wchar_t* text) {
  return text != nullptr ? std::wstring(text) : std::wstring();
}

std::wstring FXString::ToWstring(const wchar_t* text, unsigned int) { return ToWstring(text); }

std::wstring FXString::ToWstring(const std::wstring& text, unsigned int) { return text; }
