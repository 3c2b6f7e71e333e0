// The per-process tables of CYqCRC64.
#pragma once

#include <cstdint>

#include "yqbase/strings/YqCRCPrivate.h"

struct CCrc64Traits {
  typedef std::uint64_t Word;
  static constexpr bool kReflected = false;
  static constexpr Word kPoly = 0x42F0E1EBA9EA3693ull;
  static constexpr unsigned kLanes = 4;
  static constexpr size_t kFastMin = 64;
  static constexpr Word kCheck = 0xCD02392F6D9FCB37ull;
};

class YqCRC64Private : public CCrcTablesT<CCrc64Traits> {};
