#include "yqbase/errors/Win32Error.h"

#include <cstdio>
#include <cwchar>

namespace {

// The wide texts are made from the same literals as the narrow ones.
#define YQ_W32_ROW(code, name, message) \
  { code, #name, L"" #name, message, L"" message, 0 }

const EWin32Error::SRow s_dtWin32Error[] = {
    YQ_W32_ROW(0, ERROR_SUCCESS, "The operation completed successfully."),
    YQ_W32_ROW(1, ERROR_INVALID_FUNCTION, "Incorrect function."),
    YQ_W32_ROW(2, ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."),
    YQ_W32_ROW(3, ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."),
    YQ_W32_ROW(5, ERROR_ACCESS_DENIED, "Access is denied."),
    YQ_W32_ROW(6, ERROR_INVALID_HANDLE, "The handle is invalid."),
    YQ_W32_ROW(8, ERROR_NOT_ENOUGH_MEMORY,
               "Not enough memory resources are available to process this command."),
    YQ_W32_ROW(13, ERROR_INVALID_DATA, "The data is invalid."),
    YQ_W32_ROW(14, ERROR_OUTOFMEMORY,
               "Not enough memory resources are available to complete this operation."),
    YQ_W32_ROW(18, ERROR_NO_MORE_FILES, "There are no more files."),
    YQ_W32_ROW(19, ERROR_WRITE_PROTECT, "The media is write protected."),
    YQ_W32_ROW(21, ERROR_NOT_READY, "The device is not ready."),
    YQ_W32_ROW(26, ERROR_NOT_DOS_DISK, "The specified disk or diskette cannot be accessed."),
    YQ_W32_ROW(30, ERROR_READ_FAULT, "The system cannot read from the specified device."),
    YQ_W32_ROW(31, ERROR_GEN_FAILURE, "A device attached to the system is not functioning."),
    YQ_W32_ROW(50, ERROR_NOT_SUPPORTED, "The request is not supported."),
    YQ_W32_ROW(55, ERROR_DEV_NOT_EXIST,
               "The specified network resource or device is no longer available."),
    YQ_W32_ROW(64, ERROR_NETNAME_DELETED, "The specified network name is no longer available."),
    YQ_W32_ROW(80, ERROR_FILE_EXISTS, "The file exists."),
    YQ_W32_ROW(85, ERROR_ALREADY_ASSIGNED, "The local device name is already in use."),
    YQ_W32_ROW(87, ERROR_INVALID_PARAMETER, "The parameter is incorrect."),
    YQ_W32_ROW(109, ERROR_BROKEN_PIPE, "The pipe has been ended."),
    YQ_W32_ROW(111, ERROR_BUFFER_OVERFLOW, "The file name is too long."),
    YQ_W32_ROW(112, ERROR_DISK_FULL, "There is not enough space on the disk."),
    YQ_W32_ROW(122, ERROR_INSUFFICIENT_BUFFER,
               "The data area passed to a system call is too small."),
    YQ_W32_ROW(160, ERROR_BAD_ARGUMENTS, "One or more arguments are not correct."),
    YQ_W32_ROW(183, ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."),
    YQ_W32_ROW(232, ERROR_NO_DATA, "The pipe is being closed."),
    YQ_W32_ROW(258, WAIT_TIMEOUT, "The wait operation timed out."),
    YQ_W32_ROW(259, ERROR_NO_MORE_ITEMS, "No more data is available."),
    YQ_W32_ROW(582, ERROR_ILLEGAL_CHARACTER,
               "An illegal character was encountered. For a multi-byte character set this "
               "includes a lead byte without a succeeding trail byte. For the Unicode character "
               "set this includes the characters 0xFFFF and 0xFFFE."),
    YQ_W32_ROW(647, ERROR_FAILED_DRIVER_ENTRY,
               "The driver was not loaded because it failed its initialization call."),
    YQ_W32_ROW(774, ERROR_ERRORS_ENCOUNTERED,
               "One or more errors occurred while processing the request."),
    YQ_W32_ROW(995, ERROR_OPERATION_ABORTED,
               "The I/O operation has been aborted because of either a thread exit or an "
               "application request."),
    YQ_W32_ROW(996, ERROR_IO_INCOMPLETE, "Overlapped I/O event is not in a signaled state."),
    YQ_W32_ROW(997, ERROR_IO_PENDING, "Overlapped I/O operation is in progress."),
    YQ_W32_ROW(1064, ERROR_EXCEPTION_IN_SERVICE,
               "An exception occurred in the service when handling the control request."),
    YQ_W32_ROW(1168, ERROR_NOT_FOUND, "Element not found."),
    YQ_W32_ROW(1231, ERROR_NETWORK_UNREACHABLE,
               "The network location cannot be reached. For information about network "
               "troubleshooting, see Windows Help."),
    YQ_W32_ROW(1246, ERROR_CONTINUE, "Return that wants caller to continue with work in progress."),
    YQ_W32_ROW(1247, ERROR_ALREADY_INITIALIZED,
               "An attempt was made to perform an initialization operation when "
               "initialization has already been completed."),
    YQ_W32_ROW(1279, ERROR_RECOVERY_FAILURE, "Recovery failed."),
    YQ_W32_ROW(1287, ERROR_UNIDENTIFIED_ERROR,
               "Insufficient information exists to identify the cause of failure."),
    YQ_W32_ROW(1326, ERROR_LOGON_FAILURE, "The user name or password is incorrect."),
    YQ_W32_ROW(1359, ERROR_INTERNAL_ERROR, "An internal error occurred."),
    YQ_W32_ROW(1462, ERROR_INCORRECT_SIZE, "Incorrect size argument."),
    YQ_W32_ROW(1608, ERROR_UNKNOWN_PROPERTY, "Unknown property."),
    YQ_W32_ROW(1627, ERROR_FUNCTION_FAILED, "Function failed during execution."),
    YQ_W32_ROW(1630, ERROR_UNSUPPORTED_TYPE, "Data of this type is not supported."),
    YQ_W32_ROW(1804, ERROR_INVALID_DATATYPE, "The specified datatype is invalid."),
    YQ_W32_ROW(2250, ERROR_NOT_CONNECTED, "This network connection does not exist."),
    YQ_W32_ROW(4306, ERROR_EMPTY, "The library, drive, or media pool is empty."),
    YQ_W32_ROW(4312, ERROR_OBJECT_NOT_FOUND,
               "The object identifier does not represent a valid object."),
    YQ_W32_ROW(4320, ERROR_REQUEST_REFUSED,
               "The operator or administrator has refused the request."),
    YQ_W32_ROW(5006, ERROR_RESOURCE_NOT_AVAILABLE, "The cluster resource is not available."),
    {0, nullptr, nullptr, nullptr, nullptr, 0},
};

#undef YQ_W32_ROW

const EWin32Error::SRow* FindRow(unsigned int code) {
  for (const EWin32Error::SRow* row = s_dtWin32Error; row->message != nullptr; ++row)
    if (row->code == code) return row;
  return nullptr;
}

}  // namespace

const EWin32Error::SRow* EWin32Error::Table() { return s_dtWin32Error; }

std::string EWin32Error::AsString(unsigned int code) {
  char suffix[32];
  const SRow* row = FindRow(code);
  if (row == nullptr) {
    std::snprintf(suffix, sizeof suffix, " (%lu)", static_cast<unsigned long>(code));
    return std::string("VALUE_NOT_FOUND") + suffix;
  }
  std::string text = row->message;
  text += " (";
  if (row->name != nullptr) text += row->name;
  std::snprintf(suffix, sizeof suffix, ".%lu)", static_cast<unsigned long>(code));
  return text + suffix;
}

std::wstring EWin32Error::AsWstring(unsigned int code) {
  wchar_t suffix[32];
  const SRow* row = FindRow(code);
  if (row == nullptr) {
    std::swprintf(suffix, 32, L" (%lu)", static_cast<unsigned long>(code));
    return std::wstring(L"VALUE_NOT_FOUND") + suffix;
  }
  std::wstring text = row->wmessage;
  text += L" (";
  if (row->wname != nullptr) text += row->wname;
  std::swprintf(suffix, 32, L".%lu)", static_cast<unsigned long>(code));
  return text + suffix;
}
