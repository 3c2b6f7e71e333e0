// The per-process tables of CYqCRC64.
#pragma once

#include <cstdint>

#include "yqbase/strings/YqCRCPrivate.h"

typedef CCrcTraits<std::uint64_t, false, 0x42F0E1EBA9EA3693ull, 4, 64, 0xCD02392F6D9FCB37ull>
    CCrc64Traits;

class YqCRC64Private : public CCrcTablesT<CCrc64Traits> {};
