#include "yqbase/errors/ErrorUtil.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "yqbase/errors/ErrorItem_ErrNo.h"
#include "yqbase/errors/ErrorItem_EventMessage.h"
#include "yqbase/errors/ErrorItem_HResult.h"
#include "yqbase/errors/ErrorItem_Http.h"
#include "yqbase/errors/ErrorItem_Int.h"
#include "yqbase/errors/ErrorItem_SQLite.h"
#include "yqbase/errors/ErrorItem_Win32.h"
#include "yqbase/errors/ErrorItem_ZKResult.h"
#include "yqbase/strings/StringExtensions.h"

namespace {

typedef std::pair<HRESULT, HRESULT> hresult_pair;

// The containers are built during load, after the log writer, the file logger's identity and
// the locale (priorities 101 to 103), before the host can ask for a match.
//
// Every matching pair is stored in both orders in one sorted vector: a binary search answers
// Matches, and the pairs that start with a code list its matches in ascending order, so
// neither needs an allocation.
struct SErrorMappings {
  std::vector<hresult_pair> s_setErrorMappings;
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
          s_setErrorMappings.push_back(hresult_pair(group[i], group[j]));
          s_setErrorMappings.push_back(hresult_pair(group[j], group[i]));
        }
      }
    }
    std::sort(s_setErrorMappings.begin(), s_setErrorMappings.end());
    s_setErrorMappings.erase(std::unique(s_setErrorMappings.begin(), s_setErrorMappings.end()),
                             s_setErrorMappings.end());
    s_bErrorMappingsCompiled.store(true, std::memory_order_release);
  }

  bool Compiled() const { return s_bErrorMappingsCompiled.load(std::memory_order_acquire); }

  // The pairs (code, match) in ascending order of match.
  std::pair<const hresult_pair*, const hresult_pair*> MatchRange(HRESULT code) const {
    const hresult_pair* begin = s_setErrorMappings.data();
    const hresult_pair* end = begin + s_setErrorMappings.size();
    const hresult_pair* first = std::lower_bound(
        begin, end, code, [](const hresult_pair& p, HRESULT c) { return p.first < c; });
    const hresult_pair* last = first;
    while (last != end && last->first == code) ++last;
    return std::make_pair(first, last);
  }
};

SErrorMappings g_errorMappings __attribute__((init_priority(104)));

bool GroupHolds(const HRESULT* group, HRESULT code) {
  for (; *group != 0; ++group)
    if (*group == code) return true;
  return false;
}

// The first code matching `code` that passes `isKind`, in ascending order.
template <typename Predicate>
bool FindMatch(HRESULT code, Predicate isKind, HRESULT& match) {
  if (g_errorMappings.Compiled()) {
    auto range = g_errorMappings.MatchRange(code);
    for (const hresult_pair* p = range.first; p != range.second; ++p) {
      if (isKind(p->second)) {
        match = p->second;
        return true;
      }
    }
    return false;
  }
  for (HRESULT candidate : FXErrorUtil::GetMatches(code)) {
    if (isKind(candidate)) {
      match = candidate;
      return true;
    }
  }
  return false;
}

HRESULT Or(int code, DWORD bits) { return static_cast<HRESULT>(static_cast<DWORD>(code) | bits); }
int LowWord(HRESULT code) { return static_cast<int>(static_cast<DWORD>(code) & 0xFFFFu); }
// Bit 29 (customer code) set and the facility (bits 16 to 27) equal to `facility`.
bool HasFacility(HRESULT code, DWORD facility) {
  const DWORD bits = static_cast<DWORD>(code);
  return (bits & 0x20000000u) != 0 && ((bits >> 16) & 0xFFFu) == facility;
}

// The code kinds: the item class, the result code made from a native code, the kind test on a
// result code, the decoding back to the native code and the getters' value when none matches.

// A kind whose result codes carry bit 29 and a facility of its own, with the native code in the
// low 16 bits.
template <class ItemType, DWORD kBits, int kNone>
struct SFacilityKind {
  typedef ItemType Item;
  static HRESULT ResultCode(int code) { return Or(code, kBits); }
  static bool IsKind(HRESULT code) { return HasFacility(code, (kBits >> 16) & 0xFFFu); }
  static int Decode(HRESULT code) { return LowWord(code); }
  static int None() { return kNone; }
};

typedef SFacilityKind<FXErrorItemZKResult, 0xEDA00000u, -1> SKindZKResult;
typedef SFacilityKind<FXErrorItemErrNo, 0xECCC0000u, 0xFFFF> SKindErrNo;
typedef SFacilityKind<FXErrorItemInt, 0xEDDD0000u, -1> SKindInt;
typedef SFacilityKind<FXErrorItemHttp, 0xEC000000u, 0xFFFF> SKindHttp;
typedef SFacilityKind<FXErrorItemSQLite, 0xEDB00000u, -1> SKindSQLite;

struct SKindWin32 {
  typedef FXErrorItemWin32 Item;
  static HRESULT ResultCode(DWORD code) { return FXErrorUtil::Win32ResultCode(code); }
  static bool IsKind(HRESULT code) { return (static_cast<DWORD>(code) >> 16) == 0x8007u; }
  static DWORD Decode(HRESULT code) { return static_cast<DWORD>(code) & 0xFFFFu; }
  static DWORD None() { return 774; }
};

struct SKindHResult {
  typedef FXErrorItemHResult Item;
  static HRESULT ResultCode(HRESULT code) { return code; }
};

struct SKindEventMessage {
  typedef FXErrorItemEventMessage Item;
  static HRESULT ResultCode(int id) { return FXErrorUtil::EventMessageResultCode(id); }
  static bool IsKind(HRESULT code) {
    return (static_cast<DWORD>(code) & 0x0C000000u) == 0x08000000u;
  }
  // The category comes back from bits 16 to 25 when any of bits 23 to 25 is set (the wide
  // layout, flagged by bit 17), otherwise from bits 16 to 22.
  static int Decode(HRESULT code) {
    const DWORD bits = static_cast<DWORD>(code);
    if ((bits & 0x03800000u) != 0)
      return static_cast<int>((((bits >> 16) << 18) & 0xFFC0000u) | 0x20000u | (bits & 0x7FFFu));
    return static_cast<int>((((bits >> 16) << 24) & 0x7F000000u) | (bits & 0x7FFFu));
  }
  static int None() { return -1; }
};

template <class Kind>
using CodeOf = typename Kind::Item::CodeType;

template <class Kind>
CYqError MakeError(const FXCodeLocation& location, CodeOf<Kind> code) {
  return CYqError(Kind::ResultCode(code),
                  FXErrorUtil::MakeItem<typename Kind::Item>(location, code));
}

// The caller's description; an empty one when memory is exhausted, so that the error is still
// made with its code.
std::string Describe(const char* format, va_list args) {
  try {
    return FXErrorUtil::FormatDescription(format, args);
  } catch (const std::bad_alloc&) {
    return std::string();
  }
}

template <class Kind>
CYqError MakeDescribedError(const FXCodeLocation& location, CodeOf<Kind> code, const char* format,
                            va_list args) {
  return CYqError(Kind::ResultCode(code),
                  FXErrorUtil::MakeItem<FXErrorItemTypedDescription<typename Kind::Item>>(
                      location, code, Describe(format, args)));
}

template <class Kind>
CYqError& PushItem(CYqError& error, const FXCodeLocation& location, CodeOf<Kind> code) {
  return error.Push(FXErrorUtil::MakeItem<typename Kind::Item>(location, code));
}

template <class Kind>
CYqError& PushDescribedItem(CYqError& error, const FXCodeLocation& location, CodeOf<Kind> code,
                            const char* format, va_list args) {
  return error.Push(FXErrorUtil::MakeItem<FXErrorItemTypedDescription<typename Kind::Item>>(
      location, code, Describe(format, args)));
}

template <class Kind>
CodeOf<Kind> GetNative(const CYqError& error, bool searchMatches) {
  const HRESULT code = error.GetCode();
  if (code >= 0) return 0;
  if (Kind::IsKind(code)) return Kind::Decode(code);
  HRESULT match;
  if (searchMatches && FindMatch(code, Kind::IsKind, match)) return Kind::Decode(match);
  return Kind::None();
}

}  // namespace

// The four functions of a kind that make or push its items; the variadic ones only gather
// their arguments for the templates above.
#define YQ_DEFINE_ERROR_AND_PUSH(Name, Kind)                                             \
  CYqError FXErrorUtil::Error##Name(const FXCodeLocation& location, CodeOf<Kind> code) { \
    return MakeError<Kind>(location, code);                                              \
  }                                                                                      \
  CYqError FXErrorUtil::Error##Name(const FXCodeLocation& location, CodeOf<Kind> code,   \
                                    const char* format, ...) {                           \
    va_list args;                                                                        \
    va_start(args, format);                                                              \
    CYqError error = MakeDescribedError<Kind>(location, code, format, args);             \
    va_end(args);                                                                        \
    return error;                                                                        \
  }                                                                                      \
  CYqError& FXErrorUtil::Push##Name(CYqError& error, const FXCodeLocation& location,     \
                                    CodeOf<Kind> code) {                                 \
    return PushItem<Kind>(error, location, code);                                        \
  }                                                                                      \
  CYqError& FXErrorUtil::Push##Name(CYqError& error, const FXCodeLocation& location,     \
                                    CodeOf<Kind> code, const char* format, ...) {        \
    va_list args;                                                                        \
    va_start(args, format);                                                              \
    PushDescribedItem<Kind>(error, location, code, format, args);                        \
    va_end(args);                                                                        \
    return error;                                                                        \
  }

YQ_DEFINE_ERROR_AND_PUSH(ZKResult, SKindZKResult)
YQ_DEFINE_ERROR_AND_PUSH(ErrNo, SKindErrNo)
YQ_DEFINE_ERROR_AND_PUSH(Int, SKindInt)
YQ_DEFINE_ERROR_AND_PUSH(Win32, SKindWin32)
YQ_DEFINE_ERROR_AND_PUSH(HResult, SKindHResult)
YQ_DEFINE_ERROR_AND_PUSH(Http, SKindHttp)
YQ_DEFINE_ERROR_AND_PUSH(SQLite, SKindSQLite)
YQ_DEFINE_ERROR_AND_PUSH(EventMessage, SKindEventMessage)

#undef YQ_DEFINE_ERROR_AND_PUSH

CYqError& FXErrorUtilPushHttp(CYqError& error, const FXCodeLocation& location, int code,
                              const char* format, ...) {
  va_list args;
  va_start(args, format);
  PushDescribedItem<SKindHttp>(error, location, code, format, args);
  va_end(args);
  return error;
}

bool FXErrorUtil::IsZKResult(const CYqError& error, int code) {
  return error.Is(SKindZKResult::ResultCode(code));
}
bool FXErrorUtil::IsErrNo(const CYqError& error, int code) {
  return error.Is(SKindErrNo::ResultCode(code));
}
bool FXErrorUtil::IsInt(const CYqError& error, int code) {
  return error.Is(SKindInt::ResultCode(code));
}
bool FXErrorUtil::IsHResult(const CYqError& error, HRESULT code) { return error.Is(code); }
bool FXErrorUtil::IsHttp(const CYqError& error, int code) {
  return error.Is(SKindHttp::ResultCode(code));
}
bool FXErrorUtil::IsSQLite(const CYqError& error, int code) {
  return error.Is(SKindSQLite::ResultCode(code));
}

bool FXErrorUtil::IsWin32(const CYqError& error, DWORD code) {
  // Unlike ErrorWin32, code 0 stands for itself here, so that IsWin32(success, 0) holds.
  const HRESULT expected = static_cast<HRESULT>(code) >= 1
                               ? static_cast<HRESULT>(0x80070000u | (code & 0xFFFFu))
                               : static_cast<HRESULT>(code);
  return error.Is(expected);
}

bool FXErrorUtil::IsEventMessage(const CYqError& error, int id) {
  return IsTypeEventMessage(error) && error.Is(EventMessageResultCode(id));
}

int FXErrorUtil::GetZKResult(const CYqError& error) {
  return GetNative<SKindZKResult>(error, true);
}
int FXErrorUtil::GetErrNo(const CYqError& error) { return GetNative<SKindErrNo>(error, true); }
int FXErrorUtil::GetInt(const CYqError& error) { return GetNative<SKindInt>(error, false); }
DWORD FXErrorUtil::GetWin32(const CYqError& error) { return GetNative<SKindWin32>(error, true); }
int FXErrorUtil::GetHttp(const CYqError& error) { return GetNative<SKindHttp>(error, true); }
int FXErrorUtil::GetSQLite(const CYqError& error) { return GetNative<SKindSQLite>(error, true); }
int FXErrorUtil::GetEventMessage(const CYqError& error) {
  return GetNative<SKindEventMessage>(error, true);
}

int FXErrorUtil::GetEventMessage(const CYqError& error, unsigned long category) {
  const HRESULT code = error.GetCode();
  if (code >= 0) return 0;
  // The category is read from the error's own result code, in its or in a match's turn.
  const DWORD bits = static_cast<DWORD>(code);
  const unsigned long own = (bits & 0x20000u) != 0 ? (bits >> 18) & 0x1FFFu : (bits >> 24) & 0x7Fu;
  if (own != category) return -1;
  if (SKindEventMessage::IsKind(code)) return SKindEventMessage::Decode(code);
  HRESULT match;
  if (FindMatch(code, SKindEventMessage::IsKind, match)) return SKindEventMessage::Decode(match);
  return -1;
}

bool FXErrorUtil::IsTypeErrNo(const CYqError& error) { return SKindErrNo::IsKind(error.GetCode()); }

bool FXErrorUtil::IsTypeWin32(const CYqError& error) {
  return ((static_cast<DWORD>(error.GetCode()) >> 16) & 0xFFFu) == 7u;
}

bool FXErrorUtil::IsTypeEventMessage(const CYqError& error) {
  return SKindEventMessage::IsKind(error.GetCode());
}

HRESULT FXErrorUtil::Win32ResultCode(DWORD code) {
  if (code == 0) return static_cast<HRESULT>(0x80070306);
  if (static_cast<HRESULT>(code) < 0) return static_cast<HRESULT>(code);
  return static_cast<HRESULT>(0x80070000u | (code & 0xFFFFu));
}

HRESULT FXErrorUtil::EventMessageResultCode(int id) {
  if (id == 0) return 0;
  const DWORD bits = static_cast<DWORD>(id);
  const DWORD category =
      (bits & 0x20000u) != 0 ? (bits >> 2) & 0x3FF0000u : (bits >> 8) & 0x7F0000u;
  return static_cast<HRESULT>(0xE8000000u | (bits & 0x7FFFu) | category);
}

bool FXErrorUtil::Matches(HRESULT a, HRESULT b) {
  if (a == b) return true;
  if (g_errorMappings.Compiled())
    return std::binary_search(g_errorMappings.s_setErrorMappings.begin(),
                              g_errorMappings.s_setErrorMappings.end(), hresult_pair(a, b));
  for (unsigned int g = 0; g < hrMapCount; ++g)
    if (GroupHolds(hrMap[g], a) && GroupHolds(hrMap[g], b)) return true;
  return false;
}

std::set<HRESULT> FXErrorUtil::GetMatches(HRESULT code) {
  std::set<HRESULT> matches;
  if (g_errorMappings.Compiled()) {
    auto range = g_errorMappings.MatchRange(code);
    for (const hresult_pair* p = range.first; p != range.second; ++p) matches.insert(p->second);
    return matches;
  }
  for (unsigned int g = 0; g < hrMapCount; ++g) {
    if (!GroupHolds(hrMap[g], code)) continue;
    for (const HRESULT* member = hrMap[g]; *member != 0; ++member)
      if (*member != code) matches.insert(*member);
  }
  return matches;
}

void FXErrorUtil::CompileErrorMappingsIntoContainer() { g_errorMappings.Compile(); }

std::string FXErrorUtil::FormatDescription(const char* format, va_list args) {
  // A short text without conversions is its own result ("No more entries" ends every
  // listing), so it skips the formatter.
  if (format != nullptr) {
    const size_t length = std::strlen(format);
    if (length < 256 && std::memchr(format, '%', length) == nullptr)
      return std::string(format, length);
  }
  std::string text;
  if (FXString::FormatArgList(text, format, args).Failed()) text.insert(0, "[BUFFEROVERFLOW] ");
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
