// The per-process tables of CYqCRC32.
#pragma once

#include <cstdint>

#include "yqbase/strings/YqCRCPrivate.h"

struct CCrc32Traits {
  typedef std::uint32_t Word;
  static constexpr bool kReflected = true;
  static constexpr Word kPoly = 0xEDB88320u;
  static constexpr unsigned kLanes = 4;
  static constexpr size_t kFastMin = 8;
  static constexpr Word kCheck = 0x7D1AA8CBu;
};

class CYqCRC32Private : public CCrcTablesT<CCrc32Traits> {};
