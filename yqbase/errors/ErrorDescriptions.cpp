#include "yqbase/errors/ErrorDescriptions.h"

#include <cstring>

namespace {

// Picks the text out of either strerror_r flavour: the GNU one returns it, the POSIX one
// fills the buffer and returns 0.
[[maybe_unused]] inline const char* StrErrorText(const char* result, const char*) { return result; }
[[maybe_unused]] inline const char* StrErrorText(int result, const char* buffer) {
  return result == 0 ? buffer : nullptr;
}

// A primary code is named by its number, an extended one by "(P | (N<<8))".
// clang-format off
#define YQ_SQL_PRIMARY(p) {p, #p, L"" #p}
#define YQ_SQL_EXTENDED(p, n) \
  {(p) | ((n) << 8), "(" #p " | (" #n "<<8))", L"(" #p " | (" #n "<<8))"}

const _DISPLAY_ENUM_INFO_TABLE s_dtSqlErrorTag[] = {
    YQ_SQL_PRIMARY(0), YQ_SQL_PRIMARY(1), YQ_SQL_PRIMARY(2), YQ_SQL_PRIMARY(3),
    YQ_SQL_PRIMARY(4), YQ_SQL_PRIMARY(5), YQ_SQL_PRIMARY(6), YQ_SQL_PRIMARY(7),
    YQ_SQL_PRIMARY(8), YQ_SQL_PRIMARY(9), YQ_SQL_PRIMARY(10), YQ_SQL_PRIMARY(11),
    YQ_SQL_PRIMARY(12), YQ_SQL_PRIMARY(13), YQ_SQL_PRIMARY(14), YQ_SQL_PRIMARY(15),
    YQ_SQL_PRIMARY(16), YQ_SQL_PRIMARY(17), YQ_SQL_PRIMARY(18), YQ_SQL_PRIMARY(19),
    YQ_SQL_PRIMARY(20), YQ_SQL_PRIMARY(21), YQ_SQL_PRIMARY(22), YQ_SQL_PRIMARY(23),
    YQ_SQL_PRIMARY(24), YQ_SQL_PRIMARY(25), YQ_SQL_PRIMARY(26), YQ_SQL_PRIMARY(27),
    YQ_SQL_PRIMARY(28), YQ_SQL_PRIMARY(100), YQ_SQL_PRIMARY(101),
    // Extended codes, grouped by their primary code.
    YQ_SQL_EXTENDED(1, 1), YQ_SQL_EXTENDED(1, 2), YQ_SQL_EXTENDED(1, 3),
    YQ_SQL_EXTENDED(10, 1), YQ_SQL_EXTENDED(10, 2), YQ_SQL_EXTENDED(10, 3),
    YQ_SQL_EXTENDED(10, 4), YQ_SQL_EXTENDED(10, 5), YQ_SQL_EXTENDED(10, 6),
    YQ_SQL_EXTENDED(10, 7), YQ_SQL_EXTENDED(10, 8), YQ_SQL_EXTENDED(10, 9),
    YQ_SQL_EXTENDED(10, 10), YQ_SQL_EXTENDED(10, 11), YQ_SQL_EXTENDED(10, 12),
    YQ_SQL_EXTENDED(10, 13), YQ_SQL_EXTENDED(10, 14), YQ_SQL_EXTENDED(10, 15),
    YQ_SQL_EXTENDED(10, 16), YQ_SQL_EXTENDED(10, 17), YQ_SQL_EXTENDED(10, 18),
    YQ_SQL_EXTENDED(10, 19), YQ_SQL_EXTENDED(10, 20), YQ_SQL_EXTENDED(10, 21),
    YQ_SQL_EXTENDED(10, 22), YQ_SQL_EXTENDED(10, 23), YQ_SQL_EXTENDED(10, 24),
    YQ_SQL_EXTENDED(10, 25), YQ_SQL_EXTENDED(10, 26), YQ_SQL_EXTENDED(10, 27),
    YQ_SQL_EXTENDED(10, 28), YQ_SQL_EXTENDED(10, 29), YQ_SQL_EXTENDED(10, 30),
    YQ_SQL_EXTENDED(10, 31),
    YQ_SQL_EXTENDED(6, 1), YQ_SQL_EXTENDED(6, 2),
    YQ_SQL_EXTENDED(5, 1), YQ_SQL_EXTENDED(5, 2),
    YQ_SQL_EXTENDED(14, 1), YQ_SQL_EXTENDED(14, 2), YQ_SQL_EXTENDED(14, 3),
    YQ_SQL_EXTENDED(14, 4), YQ_SQL_EXTENDED(14, 5),
    YQ_SQL_EXTENDED(11, 1), YQ_SQL_EXTENDED(11, 2),
    YQ_SQL_EXTENDED(8, 1), YQ_SQL_EXTENDED(8, 2), YQ_SQL_EXTENDED(8, 3),
    YQ_SQL_EXTENDED(8, 4), YQ_SQL_EXTENDED(8, 5), YQ_SQL_EXTENDED(8, 6),
    YQ_SQL_EXTENDED(4, 2),
    YQ_SQL_EXTENDED(19, 1), YQ_SQL_EXTENDED(19, 2), YQ_SQL_EXTENDED(19, 3),
    YQ_SQL_EXTENDED(19, 4), YQ_SQL_EXTENDED(19, 5), YQ_SQL_EXTENDED(19, 6),
    YQ_SQL_EXTENDED(19, 7), YQ_SQL_EXTENDED(19, 8), YQ_SQL_EXTENDED(19, 9),
    // This one has always been spelled without the blank after the bar.
    {19 | (10 << 8), "(19 |(10<<8))", L"(19 |(10<<8))"},
    YQ_SQL_EXTENDED(27, 1), YQ_SQL_EXTENDED(27, 2),
    YQ_SQL_EXTENDED(28, 1),
    YQ_SQL_EXTENDED(23, 1),
    YQ_SQL_EXTENDED(0, 1),
    {0, nullptr, nullptr},
};

#undef YQ_SQL_EXTENDED
#undef YQ_SQL_PRIMARY
// clang-format on

}  // namespace

std::string GetErrNoDescription(int code) {
  char buffer[256];
  buffer[0] = '\0';
  const char* text = StrErrorText(strerror_r(code, buffer, sizeof buffer), buffer);
  return text != nullptr ? std::string(text) : std::string();
}

std::string GetHttpErrorDescription(int code) { return GetErrNoDescription(code); }

std::string GetSqlErrorDescription(int code) {
  static const char* const kPrimary[] = {
      "Successful result",
      "Generic error",
      "Internal logic error in SQLite",
      "Access permission denied",
      "Callback routine requested an abort",
      "The database file is locked",
      "A table in the database is locked",
      "A malloc() failed",
      "Attempt to write a readonly database",
      "Operation terminated by sqlite3_interrupt()",
      "Some kind of disk I/O error occurred",
      "The database disk image is malformed",
      "Unknown opcode in sqlite3_file_control()",
      "Insertion failed because database is full",
      "Unable to open the database file",
      "Database lock protocol error",
      "Database is empty",
      "The database schema changed",
      "String or BLOB exceeds size limit",
      "Abort due to constraint violation",
      "Data type mismatch",
      "Library used incorrectly",
      "Uses OS features not supported on host",
      "Authorization denied",
      "Auxiliary database format error",
      "2nd parameter to sqlite3_bind out of range",
      "File opened that is not a database file",
      "Notice",
      "Warning",
  };
  const int primary = code & 0xFF;
  if (primary < static_cast<int>(sizeof kPrimary / sizeof kPrimary[0])) return kPrimary[primary];
  if (primary == 100) return "sqlite3_step() has another row ready";
  if (primary == 101) return "sqlite3_step() has finished executing";
  return "Unknown";
}

std::string GetSqlErrorTag(int code) { return ESqlErrorTag::AsString(static_cast<DWORD>(code)); }

const _DISPLAY_ENUM_INFO_TABLE* ESqlErrorTag::Table() { return s_dtSqlErrorTag; }

std::string ESqlErrorTag::AsString(unsigned long value) {
  return CDisplayEnumBase::AsString(s_dtSqlErrorTag, value, " (0x%lX)");
}

std::wstring ESqlErrorTag::AsWstring(unsigned long value) {
  return CDisplayEnumBase::AsWstring(s_dtSqlErrorTag, value, L" (0x%lX)");
}
