#include "yqbase/errors/ErrorUtil.h"

#include <mutex>

#include "yqbase/errors/ErrorItem_Win32.h"
#include "yqbase/strings/StringExtensions.h"

namespace {

typedef std::pair<HRESULT, HRESULT> hresult_pair;

// The containers are built during load, before any other initialiser of the library can ask
// for a match (the priority orders them after the log writer).
struct SErrorMappings {
  std::set<hresult_pair> s_setErrorMappings;
  std::map<HRESULT, std::set<HRESULT>> s_mapErrorCodeMatchSets;
  std::recursive_mutex s_csErrorMappings;
  std::atomic<bool> s_bErrorMappingsCompiled{false};

  SErrorMappings() { Compile(); }

  void Compile() {
    if (s_bErrorMappingsCompiled.load(std::memory_order_acquire)) return;
    std::lock_guard<std::recursive_mutex> lock(s_csErrorMappings);
    if (s_bErrorMappingsCompiled.load(std::memory_order_relaxed)) return;
    for (unsigned int g = 0; g < hrMapCount; ++g) {
      const HRESULT* group = hrMap[g];
      for (unsigned int i = 0; group[i] != 0; ++i) {
        for (unsigned int j = i + 1; group[j] != 0; ++j) {
          s_setErrorMappings.insert(hresult_pair(group[i], group[j]));
          s_setErrorMappings.insert(hresult_pair(group[j], group[i]));
          s_mapErrorCodeMatchSets[group[i]].insert(group[j]);
          s_mapErrorCodeMatchSets[group[j]].insert(group[i]);
        }
      }
    }
    s_bErrorMappingsCompiled.store(true, std::memory_order_release);
  }

  bool Compiled() const { return s_bErrorMappingsCompiled.load(std::memory_order_acquire); }
};

SErrorMappings g_errorMappings __attribute__((init_priority(102)));

bool GroupHolds(const HRESULT* group, HRESULT code) {
  for (; *group != 0; ++group)
    if (*group == code) return true;
  return false;
}

}  // namespace

bool FXErrorUtil::Matches(HRESULT a, HRESULT b) {
  if (a == b) return true;
  if (g_errorMappings.Compiled())
    return g_errorMappings.s_setErrorMappings.count(hresult_pair(a, b)) != 0;
  for (unsigned int g = 0; g < hrMapCount; ++g)
    if (GroupHolds(hrMap[g], a) && GroupHolds(hrMap[g], b)) return true;
  return false;
}

std::set<HRESULT> FXErrorUtil::GetMatches(HRESULT code) {
  if (g_errorMappings.Compiled()) {
    auto it = g_errorMappings.s_mapErrorCodeMatchSets.find(code);
    if (it == g_errorMappings.s_mapErrorCodeMatchSets.end()) return std::set<HRESULT>();
    return it->second;
  }
  std::set<HRESULT> matches;
  for (unsigned int g = 0; g < hrMapCount; ++g) {
    if (!GroupHolds(hrMap[g], code)) continue;
    for (const HRESULT* member = hrMap[g]; *member != 0; ++member)
      if (*member != code) matches.insert(*member);
  }
  return matches;
}

void FXErrorUtil::CompileErrorMappingsIntoContainer() { g_errorMappings.Compile(); }

std::string FXErrorUtil::FormatDescription(const char* format, va_list args) {
  std::string text;
  if (FXString::FormatArgList(text, format, args).Failed())
    text.insert(0, "[BUFFEROVERFLOW] ");
  return text;
}

std::string FXErrorUtil::OneLineText(const std::string& message, const std::string& description,
                                     const std::string& codeText) {
  std::string text = message;
  if (!message.empty() && !description.empty()) text += ", ";
  text += description;
  text += codeText;
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

HRESULT FXErrorUtil::Win32ResultCode(DWORD code) {
  if (code == 0) return static_cast<HRESULT>(0x80070306);
  if (static_cast<HRESULT>(code) < 0) return static_cast<HRESULT>(code);
  return static_cast<HRESULT>(0x80070000u | (code & 0xFFFFu));
}

CYqError FXErrorUtil::ErrorWin32(const FXCodeLocation& location, DWORD code) {
  return CYqError(Win32ResultCode(code), MakeItem<FXErrorItemWin32>(location, code));
}

CYqError FXErrorUtil::ErrorWin32(const FXCodeLocation& location, DWORD code, const char* format,
                                 ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatDescription(format, args);
  va_end(args);
  return CYqError(Win32ResultCode(code),
                  MakeItem<FXErrorItemWin32Description>(location, code, text));
}

CYqError& FXErrorUtil::PushWin32(CYqError& error, const FXCodeLocation& location, DWORD code) {
  return error.Push(MakeItem<FXErrorItemWin32>(location, code));
}

CYqError& FXErrorUtil::PushWin32(CYqError& error, const FXCodeLocation& location, DWORD code,
                                 const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatDescription(format, args);
  va_end(args);
  return error.Push(MakeItem<FXErrorItemWin32Description>(location, code, text));
}

bool FXErrorUtil::IsWin32(const CYqError& error, DWORD code) {
  const HRESULT expected = static_cast<HRESULT>(code) >= 1
                               ? static_cast<HRESULT>(0x80070000u | (code & 0xFFFFu))
                               : static_cast<HRESULT>(code);
  return error.Is(expected);
}

namespace {
bool IsWin32Code(HRESULT code) { return (static_cast<DWORD>(code) >> 16) == 0x8007u; }
}  // namespace

bool FXErrorUtil::IsTypeWin32(const CYqError& error) { return IsWin32Code(error.GetCode()); }

DWORD FXErrorUtil::GetWin32(const CYqError& error) {
  const HRESULT code = error.GetCode();
  if (code >= 0) return 0;
  if (IsWin32Code(code)) return static_cast<DWORD>(code) & 0xFFFFu;
  for (HRESULT match : GetMatches(code))
    if (IsWin32Code(match)) return static_cast<DWORD>(match) & 0xFFFFu;
  return 774;
}
