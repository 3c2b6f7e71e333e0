// The integer and record vocabulary shared with the library's Windows counterpart.
//
// Every type has a fixed width so that the library is identical on x86_64 and on 32-bit x86.
#pragma once

#include <cstdint>

typedef std::int32_t HRESULT;
typedef std::uint32_t DWORD;
typedef std::uint16_t WORD;
typedef std::uint8_t BYTE;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
typedef std::int32_t BOOL;
typedef unsigned int UINT;
typedef std::int64_t LONGLONG;
typedef std::uint64_t ULONGLONG;
typedef std::uint64_t DWORD64;
typedef char* PSTR;
typedef const char* PCSTR;
typedef wchar_t* PWSTR;
typedef const wchar_t* PCWSTR;
typedef void* HANDLE;
typedef void* PSID;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

/// A 128-bit globally unique identifier in its Windows layout.
struct _GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
typedef _GUID GUID;
typedef _GUID UUID;

/// A 64-bit locally unique identifier split into two halves.
struct _LUID {
  DWORD LowPart;
  LONG HighPart;
};
typedef _LUID LUID;

/// 100-nanosecond ticks since 1601-01-01 UTC, split into two 32-bit halves.
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

/// A 64-bit value readable as one quantity or as two halves.
union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

#define S_OK static_cast<HRESULT>(0)
#define S_FALSE static_cast<HRESULT>(1)
#define E_FAIL static_cast<HRESULT>(0x80004005)
#define E_INVALIDARG static_cast<HRESULT>(0x80070057)
#define E_OUTOFMEMORY static_cast<HRESULT>(0x8007000E)
#define E_NOTIMPL static_cast<HRESULT>(0x80004001)

#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

/// The result code a Win32 error number maps to.
inline constexpr HRESULT HRESULT_FROM_WIN32(DWORD code) {
  return static_cast<HRESULT>(code) <= 0
             ? static_cast<HRESULT>(code)
             : static_cast<HRESULT>((code & 0x0000FFFFu) | 0x80070000u);
}

static_assert(sizeof(HRESULT) == 4 && sizeof(DWORD) == 4 && sizeof(LONGLONG) == 8,
              "fixed-width vocabulary");
static_assert(sizeof(_GUID) == 16 && sizeof(_LUID) == 8 && sizeof(FILETIME) == 8,
              "Windows record layouts");
