#include <errno.h>
#include <sys/random.h>
#include <time.h>

#include <cstring>

#include "yqbase/errors/ErrorMessage.h"
#include "yqbase/errors/ErrorUtil.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Exactly `count` hexadecimal digits at `text` (count <= 8).
bool ParseHex(const char* text, size_t count, DWORD& value) {
  value = 0;
  for (size_t i = 0; i < count; ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0) return false;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return true;
}

// Reads "0x" and 1 to 8 hexadecimal digits at `text`, then expects `after`; advances `text`.
bool ParseHexField(const char*& text, const char* after, DWORD& value) {
  if (text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return false;
  text += 2;
  size_t count = 0;
  while (count <= 8 && HexDigit(text[count]) >= 0) ++count;
  if (count == 0 || count > 8 || !ParseHex(text, count, value)) return false;
  text += count;
  const size_t afterLength = std::strlen(after);
  if (std::strncmp(text, after, afterLength) != 0) return false;
  text += afterLength;
  return true;
}

}  // namespace

CYqError FXMisc::ConvertStringToUuid(const char* text, UUID& uuid) {
  if (text == nullptr || std::strlen(text) != 38 || text[0] != '{' || text[9] != '-' ||
      text[14] != '-' || text[19] != '-' || text[24] != '-' || text[37] != '}')
    return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "not a braced UUID: \"%s\"", text ? text : "");
  DWORD v[11];
  static const size_t kOffset[11] = {1, 10, 15, 20, 22, 25, 27, 29, 31, 33, 35};
  static const size_t kDigits[11] = {8, 4, 4, 2, 2, 2, 2, 2, 2, 2, 2};
  for (int i = 0; i < 11; ++i)
    if (!ParseHex(text + kOffset[i], kDigits[i], v[i]))
      return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "not a braced UUID: \"%s\"", text);
  uuid.Data1 = v[0];
  uuid.Data2 = static_cast<std::uint16_t>(v[1]);
  uuid.Data3 = static_cast<std::uint16_t>(v[2]);
  for (int i = 0; i < 8; ++i) uuid.Data4[i] = static_cast<std::uint8_t>(v[3 + i]);
  return CYqError();
}

CYqError FXMisc::ConvertStringToLuid(const char* text, LUID& luid) {
  const char* p = text;
  DWORD high = 0;
  DWORD low = 0;
  if (p == nullptr || *p++ != '(' || !ParseHexField(p, ", ", high) || !ParseHexField(p, ")", low) ||
      *p != '\0')
    return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "not a LUID: \"%s\"", text ? text : "");
  luid.HighPart = static_cast<LONG>(high);
  luid.LowPart = low;
  return CYqError();
}

CYqError FXMisc::CreateUuid(UUID& uuid) {
  unsigned char bytes[16];
  size_t filled = 0;
  while (filled < sizeof bytes) {
    const ssize_t got = getrandom(bytes + filled, sizeof bytes - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "getrandom");
    }
    filled += static_cast<size_t>(got);
  }
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  uuid.Data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
               (std::uint32_t{bytes[2]} << 8) | bytes[3];
  uuid.Data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
  uuid.Data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
  std::memcpy(uuid.Data4, bytes + 8, 8);
  return CYqError();
}

void FXMisc::Sleep(DWORD milliseconds) {
  timespec left{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

ULONGLONG FXMisc::GetTickCount64() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<ULONGLONG>(now.tv_sec) * 1000 + static_cast<ULONGLONG>(now.tv_nsec) / 1000000;
}
