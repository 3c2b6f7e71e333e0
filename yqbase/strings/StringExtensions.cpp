#include "yqbase/strings/StringExtensions.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

#include "yqbase/errors/ErrorUtil.h"

namespace {

// Buffers grow in these steps up to this size; the first attempt fits almost every log line.
constexpr size_t kFormatGrowth = 16384;
constexpr size_t kFormatLimit = 0x1FFFF;
// The first attempt formats on the stack when it needs no more than this.
constexpr size_t kStackBuffer = 4096;

constexpr FXCodeLocation kFormatArgListLocation = {
    "strings/StringExtensions.cpp", "CYqError FXString::FormatArgList(std::string&, PCSTR, va_list)",
    299};
constexpr FXCodeLocation kFormatArgListWideLocation = {
    "strings/StringExtensions.cpp",
    "CYqError FXString::FormatArgList(std::wstring&, PCWSTR, va_list)", 362};
constexpr FXCodeLocation kFormatLocation = {
    "strings/StringExtensions.cpp", "CYqError FXString::Format(std::string&, PCSTR, ...)", 195};

}  // namespace

CYqError FXString::FormatArgList(std::string& out, const char* format, va_list args) {
  out.clear();
  if (format == nullptr) format = "";
  size_t size = 2 * std::strlen(format) + 512;
  char stackBuffer[kStackBuffer];
  std::unique_ptr<char[]> heapBuffer;
  for (;;) {
    char* buffer = stackBuffer;
    if (size > sizeof stackBuffer) {
      heapBuffer.reset();  // the previous attempt's buffer goes before the next is made
      heapBuffer.reset(new (std::nothrow) char[size]);
      if (!heapBuffer) return FXErrorUtil::ErrorWin32(YQ_LOC, 14);
      buffer = heapBuffer.get();
    }
    const size_t limit = size - 1;
    buffer[0] = '\0';
    buffer[limit - 1] = '\0';
    va_list attempt;
    va_copy(attempt, args);
    const int written = std::vsnprintf(buffer, limit, format, attempt);
    va_end(attempt);
    // The text fits when it and its NUL stay within the limit.
    if (written >= 0 && static_cast<size_t>(written) < limit) {
      out.assign(buffer, static_cast<size_t>(written));
      return CYqError();
    }
    if (size + kFormatGrowth > kFormatLimit) {
      out.assign(buffer, strnlen(buffer, limit));
      return FXErrorUtil::ErrorWin32(kFormatArgListLocation, 111);
    }
    size += kFormatGrowth;
  }
}

CYqError FXString::FormatArgList(std::wstring& out, const wchar_t*, va_list) {
  out.clear();
  return FXErrorUtil::ErrorWin32(kFormatArgListWideLocation, 111);
}

CYqError FXString::Format(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  CYqError error = FormatArgList(out, format, args);
  va_end(args);
  if (error.Failed()) error.Push(kFormatLocation);
  return error;
}

CYqError FXString::Format(std::wstring& out, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  CYqError error = FormatArgList(out, format, args);
  va_end(args);
  if (error.Failed()) error.Push(YQ_LOC);
  return error;
}

std::string FXString::Format(const char* format, ...) {
  std::string out;
  va_list args;
  va_start(args, format);
  CYqError error = FormatArgList(out, format, args);
  va_end(args);
  if (error.Failed()) out.insert(0, "[BUFFEROVERFLOW] ");
  return out;
}

std::wstring FXString::Format(const wchar_t* format, ...) {
  std::wstring out;
  va_list args;
  va_start(args, format);
  CYqError error = FormatArgList(out, format, args);
  va_end(args);
  if (error.Failed()) out.insert(0, L"[BUFFEROVERFLOW] ");
  return out;
}

HRESULT StringCbPrintfA(char* buffer, unsigned int bytes, const char* format, ...) {
  if (bytes < 1 || buffer == nullptr) return static_cast<HRESULT>(0x80070057);
  va_list args;
  va_start(args, format);
  const int written = std::vsnprintf(buffer, bytes, format, args);
  va_end(args);
  if (written < 0) {
    buffer[bytes - 1] = '\0';
    return 1;
  }
  return static_cast<unsigned int>(written) < bytes ? 0 : static_cast<HRESULT>(0x8007007A);
}

HRESULT StringCbPrintfW(wchar_t* buffer, unsigned int bytes, const wchar_t* format, ...) {
  const size_t chars = bytes / sizeof(wchar_t);
  if (chars < 1 || buffer == nullptr) return static_cast<HRESULT>(0x80070057);
  va_list args;
  va_start(args, format);
  va_list attempt;
  va_copy(attempt, args);
  int written = std::vswprintf(buffer, chars, format, attempt);
  va_end(attempt);
  HRESULT result = 0;
  if (written < 0) {
    // vswprintf reports a cut text and a failed conversion alike: retry in larger buffers to
    // tell them apart.
    result = 1;
    buffer[0] = L'\0';
    for (size_t size = chars * 2; size <= chars * 2 + (1u << 20); size *= 2) {
      std::unique_ptr<wchar_t[]> larger(new (std::nothrow) wchar_t[size]);
      if (!larger) break;
      va_copy(attempt, args);
      written = std::vswprintf(larger.get(), size, format, attempt);
      va_end(attempt);
      if (written >= 0) {
        std::wmemcpy(buffer, larger.get(), chars - 1);
        buffer[chars - 1] = L'\0';
        result = static_cast<HRESULT>(0x8007007A);
        break;
      }
    }
  }
  va_end(args);
  return result;
}
