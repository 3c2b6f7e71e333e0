// A stand-in archiver library for the driver tests: it remembers the last command line and
// answers 0, or fails when the line contains FAIL8 (8-bit message) or FAILW (wide message).
#include <cwchar>
#include <string>

#include "yqbase/utilities/7zip.h"

namespace {
std::wstring g_last;
}

extern "C" __attribute__((visibility("default"))) const wchar_t* LastCommandLine() {
  return g_last.c_str();
}

extern "C" __attribute__((visibility("default"))) int Handle7zCompression(
    CompressionParams* params) {
  g_last = params->commandLine;
  if (g_last.find(L"FAIL8") != std::wstring::npos) {
    std::snprintf(params->errorText, sizeof params->errorText, "narrow failure");
    return 2;
  }
  if (g_last.find(L"FAILW") != std::wstring::npos) {
    std::swprintf(params->errorTextWide, 64, L"wide failure");
    return 7;
  }
  if (g_last.compare(0, 2, L"l ") == 0 && params->listEntry != nullptr)
    params->listEntry(params->listContext, "dir/file.txt", 12, 7, "2026-01-02 03:04:05", "A", 0);
  return 0;
}
