#include "yqbase/errors/Win32Error.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <utility>

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The emulated codes in table order, as "code name" pairs.
const char kRows[] =
    "0 ERROR_SUCCESS 1 ERROR_INVALID_FUNCTION 2 ERROR_FILE_NOT_FOUND 3 ERROR_PATH_NOT_FOUND "
    "5 ERROR_ACCESS_DENIED 6 ERROR_INVALID_HANDLE 8 ERROR_NOT_ENOUGH_MEMORY "
    "13 ERROR_INVALID_DATA 14 ERROR_OUTOFMEMORY 18 ERROR_NO_MORE_FILES 19 ERROR_WRITE_PROTECT "
    "21 ERROR_NOT_READY 26 ERROR_NOT_DOS_DISK 30 ERROR_READ_FAULT 31 ERROR_GEN_FAILURE "
    "50 ERROR_NOT_SUPPORTED 55 ERROR_DEV_NOT_EXIST 64 ERROR_NETNAME_DELETED "
    "80 ERROR_FILE_EXISTS 85 ERROR_ALREADY_ASSIGNED 87 ERROR_INVALID_PARAMETER "
    "109 ERROR_BROKEN_PIPE 111 ERROR_BUFFER_OVERFLOW 112 ERROR_DISK_FULL "
    "122 ERROR_INSUFFICIENT_BUFFER 160 ERROR_BAD_ARGUMENTS 183 ERROR_ALREADY_EXISTS "
    "232 ERROR_NO_DATA 258 WAIT_TIMEOUT 259 ERROR_NO_MORE_ITEMS 582 ERROR_ILLEGAL_CHARACTER "
    "647 ERROR_FAILED_DRIVER_ENTRY 774 ERROR_ERRORS_ENCOUNTERED 995 ERROR_OPERATION_ABORTED "
    "996 ERROR_IO_INCOMPLETE 997 ERROR_IO_PENDING 1064 ERROR_EXCEPTION_IN_SERVICE "
    "1168 ERROR_NOT_FOUND 1231 ERROR_NETWORK_UNREACHABLE 1246 ERROR_CONTINUE "
    "1247 ERROR_ALREADY_INITIALIZED 1279 ERROR_RECOVERY_FAILURE 1287 ERROR_UNIDENTIFIED_ERROR "
    "1326 ERROR_LOGON_FAILURE 1359 ERROR_INTERNAL_ERROR 1462 ERROR_INCORRECT_SIZE "
    "1608 ERROR_UNKNOWN_PROPERTY 1627 ERROR_FUNCTION_FAILED 1630 ERROR_UNSUPPORTED_TYPE "
    "1804 ERROR_INVALID_DATATYPE 2250 ERROR_NOT_CONNECTED 4306 ERROR_EMPTY "
    "4312 ERROR_OBJECT_NOT_FOUND 4320 ERROR_REQUEST_REFUSED 5006 ERROR_RESOURCE_NOT_AVAILABLE";

}  // namespace

TEST(EWin32Error, EveryRowInOrder) {
  const EWin32Error::SRow* table = EWin32Error::Table();
  std::istringstream rows(kRows);
  size_t count = 0;
  for (std::pair<DWORD, std::string> row; rows >> row.first >> row.second; ++count) {
    SCOPED_TRACE(row.second);
    ASSERT_NE(nullptr, table[count].message);
    EXPECT_EQ(row.first, table[count].code);
    ASSERT_NE(nullptr, table[count].name);
    EXPECT_EQ(row.second, table[count].name);
    EXPECT_EQ(row.second, Narrow(table[count].wname));
    // Windows message texts are sentences: capitalised, ending with a full stop.
    const std::string message = table[count].message;
    EXPECT_EQ(message, Narrow(table[count].wmessage));
    ASSERT_FALSE(message.empty());
    EXPECT_EQ('.', message.back());
    EXPECT_TRUE(std::isupper(static_cast<unsigned char>(message[0])));
    // Every row is found through its code, so no code appears twice.
    EXPECT_EQ(message + " (" + row.second + "." + std::to_string(row.first) + ")",
              EWin32Error::AsString(row.first));
    EXPECT_EQ(EWin32Error::AsString(row.first), Narrow(EWin32Error::AsWstring(row.first)));
  }
  EXPECT_EQ(55u, count);
  EXPECT_EQ(nullptr, table[count].message);
}

TEST(EWin32Error, QuotedTexts) {
  const std::pair<DWORD, const char*> cases[] = {
      {0, "The operation completed successfully. (ERROR_SUCCESS.0)"},
      {2, "The system cannot find the file specified. (ERROR_FILE_NOT_FOUND.2)"},
      {5, "Access is denied. (ERROR_ACCESS_DENIED.5)"},
      {87, "The parameter is incorrect. (ERROR_INVALID_PARAMETER.87)"},
      {111, "The file name is too long. (ERROR_BUFFER_OVERFLOW.111)"},
      {258, "The wait operation timed out. (WAIT_TIMEOUT.258)"},
      {582,
       "An illegal character was encountered. For a multi-byte character set this includes "
       "a lead byte without a succeeding trail byte. For the Unicode character set this "
       "includes the characters 0xFFFF and 0xFFFE. (ERROR_ILLEGAL_CHARACTER.582)"},
      {774,
       "One or more errors occurred while processing the request. "
       "(ERROR_ERRORS_ENCOUNTERED.774)"},
      {4, "VALUE_NOT_FOUND (4)"},
      {0xFFFFFFFF, "VALUE_NOT_FOUND (4294967295)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    EXPECT_EQ(c.second, EWin32Error::AsString(c.first));
    EXPECT_EQ(c.second, Narrow(EWin32Error::AsWstring(c.first)));
  }
}
