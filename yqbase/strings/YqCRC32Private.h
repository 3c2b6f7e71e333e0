// The per-process tables of CYqCRC32.
#pragma once

#include <cstdint>

#include "yqbase/strings/YqCRCPrivate.h"

typedef CCrcTraits<std::uint32_t, true, 0xEDB88320u, 4, 8, 0x7D1AA8CBu> CCrc32Traits;

class CYqCRC32Private : public CCrcTablesT<CCrc32Traits> {};
