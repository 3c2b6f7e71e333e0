// Shared pieces of the fuzz targets: a check that stops the run when a property fails, and
// input splitting.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Aborts with the failed condition, so that libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition)                                       \
  do {                                                              \
    if (!(condition)) yqfuzz::Fail(#condition, __FILE__, __LINE__); \
  } while (0)

namespace yqfuzz {

[[noreturn]] inline void Fail(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "property failed: %s at %s:%d\n", condition, file, line);
  std::abort();
}

// The pieces of `text` between `separator` bytes (an empty text gives no piece).
inline std::vector<std::string> SplitAt(const std::string& text, char separator) {
  std::vector<std::string> pieces;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(separator, start);
    if (end == std::string::npos) end = text.size();
    pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

// `text` cut at its first NUL, as a C string would read it.
inline std::string UpToNul(const std::string& text) { return std::string(text.c_str()); }

}  // namespace yqfuzz
