// CYqUTFOSAPI: file-system calls on UTF-8 paths that return a CYqError.
#pragma once

#include <dirent.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/types.h>
#include <utime.h>

#include <cstddef>
#include <string>

#include "yqbase/errors/YqError.h"

/// Static wrappers of the system calls named like them. Each converts its UTF-8 path
/// arguments to native names (a name without a native form fails with Win32 error 774 and
/// the conversion's text), makes the 64-bit call, and turns its failure into an errno-type
/// error; the call's own result goes to an out-parameter. A null out-parameter or path fails
/// with Win32 error 87 before the file system is touched. Success costs no allocation beyond
/// the name conversion. Thread-safe as the underlying calls are.
class YQBASE_EXPORT CYqUTFOSAPI {
 public:
  /// The native form of a UTF-8 name; on failure `native` holds the input.
  [[nodiscard]] static CYqError UTF8ToLocalEncoding(const char* utf8, std::string& native);
  /// The UTF-8 form of a native name. Names the locale cannot decode are escaped (see
  /// TempFsUTF) and still succeed.
  [[nodiscard]] static CYqError LocalEncodingToUTF8(const char* native, std::string& utf8);

  [[nodiscard]] static CYqError fopen(FILE** fp, const char* path, const char* mode);
  /// A new descriptor in `*fd`; flags and mode go to open64 unchanged.
  [[nodiscard]] static CYqError open(int* fd, const char* path, int flags, int mode);
  /// open; the last argument is not used.
  [[nodiscard]] static CYqError open2(int* fd, const char* path, int flags, int mode, int unused);
  [[nodiscard]] static CYqError creat(int* fd, const char* path, int mode);
  [[nodiscard]] static CYqError freopen(FILE** fp, const char* path, const char* mode,
                                        FILE* stream);
  /// The link's target in UTF-8, cut to `size` bytes and not terminated, as readlink does;
  /// its byte count in `*readSize`.
  [[nodiscard]] static CYqError readlink(int* readSize, const char* path, char* buffer,
                                         size_t size);
  /// Creates a file from a template ending in "XXXXXX" and closes it; its name goes to `out`,
  /// which must have room for strlen(templ) + 1 bytes.
  [[nodiscard]] static CYqError mktemp(char* templ, char* out);

  [[nodiscard]] static CYqError access(const char* path, int mode);
  [[nodiscard]] static CYqError chmod(const char* path, int mode);
  [[nodiscard]] static CYqError remove(const char* path);
  [[nodiscard]] static CYqError stat(const char* path, struct stat* buf);
  [[nodiscard]] static CYqError stat(const char* path, struct stat64* buf);
  [[nodiscard]] static CYqError lstat(const char* path, struct stat* buf);
  [[nodiscard]] static CYqError lstat(const char* path, struct stat64* buf);
  [[nodiscard]] static CYqError statfs(const char* path, struct statfs* buf);
  [[nodiscard]] static CYqError statfs(const char* path, struct statfs64* buf);
  [[nodiscard]] static CYqError mkdir(const char* path, int mode);
  [[nodiscard]] static CYqError chdir(const char* path);
  [[nodiscard]] static CYqError rmdir(const char* path);
  [[nodiscard]] static CYqError unlink(const char* path);
  [[nodiscard]] static CYqError utime(const char* path, const struct utimbuf* times);
  /// A stream on the folder in `*dir`; close it with closedir (or TempFsUTF::closedir_utf).
  [[nodiscard]] static CYqError opendir(DIR** dir, const char* path);

  [[nodiscard]] static CYqError rename(const char* from, const char* to);
  [[nodiscard]] static CYqError link(const char* existing, const char* newPath);
  [[nodiscard]] static CYqError symlink(const char* target, const char* linkPath);

  /// The next entry of the stream, its name in UTF-8, in `*out`. A name of 256 bytes or more
  /// in UTF-8 fails with errno EOVERFLOW; the end of the folder is Win32 error 18 with
  /// "No more entries".
  [[nodiscard]] static CYqError readdir(struct dirent* out, DIR* dir);
  [[nodiscard]] static CYqError readdir(struct dirent64* out, DIR* dir);
  /// The same with names up to 1023 bytes (`out` needs TempFsUTF::kDirentBufferSize bytes
  /// for longer ones than d_name holds); `*result` is `out`, or null at the end, which is a
  /// success.
  [[nodiscard]] static CYqError readdir_r(DIR* dir, struct dirent* out, struct dirent** result);
  [[nodiscard]] static CYqError readdir_r(DIR* dir, struct dirent64* out, struct dirent64** result);
};
