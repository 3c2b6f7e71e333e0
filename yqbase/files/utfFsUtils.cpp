#include "yqbase/files/utfFsUtils.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/files/Unix/FsUTFPrivate.h"
#include "yqbase/logging/LogWriterInterface.h"

namespace {

// Errors carry the wrapper's full signature, the same with every compiler.
#define UTF_LOC(signature) (FXCodeLocation{"utfFsUtils.cpp", signature, __LINE__})

constexpr DWORD kInvalidParameter = 87;  // ERROR_INVALID_PARAMETER
constexpr DWORD kNoMoreFiles = 18;       // ERROR_NO_MORE_FILES
constexpr DWORD kBufferOverflow = 111;   // ERROR_BUFFER_OVERFLOW

// The native form of a path argument; a failure gets the wrapper's location pushed.
CYqError Native(const FXCodeLocation& location, const char* path, std::string& native) {
  if (path == nullptr)
    return FXErrorUtil::ErrorWin32(location, kInvalidParameter, "Input path is null");
  CYqError err = CYqUTFOSAPI::UTF8ToLocalEncoding(path, native);
  if (err.Failed()) err.Push(location);
  return err;
}

// A call on one converted path that returns 0 or -1 with errno.
template <typename Call>
CYqError OnePath(const FXCodeLocation& location, const char* path, Call call) {
  std::string native;
  CYqError err = Native(location, path, native);
  if (err.Failed()) return err;
  if (call(native.c_str()) != 0) return FXErrorUtil::ErrorErrNo(location, errno);
  return CYqError();
}

// The same with two paths.
template <typename Call>
CYqError TwoPaths(const FXCodeLocation& location, const char* first, const char* second,
                  Call call) {
  std::string nativeFirst, nativeSecond;
  CYqError err = Native(location, first, nativeFirst);
  if (err.Failed()) return err;
  err = Native(location, second, nativeSecond);
  if (err.Failed()) return err;
  if (call(nativeFirst.c_str(), nativeSecond.c_str()) != 0)
    return FXErrorUtil::ErrorErrNo(location, errno);
  return CYqError();
}

// One entry through readdir64_r with its name in UTF-8 shorter than `limit` bytes. Without a
// result pointer the end of the folder is an error.
template <typename T>
CYqError ReadEntry(const FXCodeLocation& location, DIR* dir, T* out, T** result, size_t limit) {
  if (out == nullptr)
    return FXErrorUtil::ErrorWin32(location, kInvalidParameter, "Input *entry is null");
  if (dir == nullptr)
    return FXErrorUtil::ErrorWin32(location, kInvalidParameter, "Input *dir is null");
  if (result != nullptr) *result = nullptr;
  struct dirent64 buffer;
  struct dirent64* found = nullptr;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const int rc = ::readdir64_r(dir, &buffer, &found);
#pragma GCC diagnostic pop
  if (rc != 0) return FXErrorUtil::ErrorErrNo(location, rc);
  if (found == nullptr) {
    if (result != nullptr) return CYqError();
    return FXErrorUtil::ErrorWin32(location, kNoMoreFiles, "No more entries");
  }
  std::string name;
  CYqError err = CYqUTFOSAPI::LocalEncodingToUTF8(found->d_name, name);
  if (err.Failed()) return err.Push(location);
  if (name.size() >= limit || !TempFsUTF::FillEntry(out, *found, name))
    return FXErrorUtil::ErrorErrNo(location, EOVERFLOW);
  if (result != nullptr) *result = out;
  return CYqError();
}

}  // namespace

CYqError CYqUTFOSAPI::UTF8ToLocalEncoding(const char* utf8, std::string& native) {
  std::string error;
  if (TempFsUTF::utfToMbeChecked(utf8, native, error)) return CYqError();
  return FXErrorUtil::ErrorWin32(
      FXCodeLocation{"utfConversions.cpp", "CYqError utfToMbe(const char*, std::string&)",
                     __LINE__},
      774, "%s", error.c_str());
}

CYqError CYqUTFOSAPI::LocalEncodingToUTF8(const char* native, std::string& utf8) {
  std::string error;
  if (TempFsUTF::mbeToUtfChecked(native, utf8, error)) {
    // The locale could not decode the name and it was escaped: a usable result.
    if (!error.empty()) YQ_TRACE(2, "%s (%s)", error.c_str(), native);
    return CYqError();
  }
  return FXErrorUtil::ErrorWin32(
      FXCodeLocation{"utfConversions.cpp", "CYqError mbeToUtf(const char*, std::string&)",
                     __LINE__},
      774, "%s", error.c_str());
}

CYqError CYqUTFOSAPI::fopen(FILE** fp, const char* path, const char* mode) {
  const FXCodeLocation location =
      UTF_LOC("static CYqError CYqUTFOSAPI::fopen(FILE**, const char*, const char*)");
  if (fp == nullptr)
    return FXErrorUtil::ErrorWin32(location, kInvalidParameter, "Input *fp is null");
  std::string native;
  CYqError err = Native(location, path, native);
  if (err.Failed()) return err;
  FILE* stream = ::fopen64(native.c_str(), mode);
  if (stream == nullptr)
    return FXErrorUtil::ErrorErrNo(location, errno, "Failed to open file %s", path);
  *fp = stream;
  return CYqError();
}

CYqError CYqUTFOSAPI::open(int* fd, const char* path, int flags, int mode) {
  const FXCodeLocation location =
      UTF_LOC("static CYqError CYqUTFOSAPI::open(int*, const char*, int, int)");
  if (fd == nullptr)
    return FXErrorUtil::ErrorWin32(location, kInvalidParameter, "Input *fd is null");
  std::string native;
  CYqError err = Native(location, path, native);
  if (err.Failed()) return err;
  const int result = ::open64(native.c_str(), flags, static_cast<mode_t>(mode));
  if (result < 0)
    return FXErrorUtil::ErrorErrNo(location, errno,
                                   "Open failed, File=%s, OperationFlag=0x%X, PermissionMode=0x%X",
                                   path, static_cast<unsigned>(flags), static_cast<unsigned>(mode));
  *fd = result;
  return CYqError();
}

CYqError CYqUTFOSAPI::open2(int* fd, const char* path, int flags, int mode, int) {
  CYqError err = open(fd, path, flags, mode);
  if (err.Failed())
    err.Push(UTF_LOC("static CYqError CYqUTFOSAPI::open2(int*, const char*, int, int, int)"));
  return err;
}

CYqError CYqUTFOSAPI::creat(int* fd, const char* path, int mode) {
  const FXCodeLocation location =
      UTF_LOC("static CYqError CYqUTFOSAPI::creat(int*, const char*, int)");
  if (fd == nullptr)
    return FXErrorUtil::ErrorWin32(location, kInvalidParameter, "Input *fd is null");
  std::string native;
  CYqError err = Native(location, path, native);
  if (err.Failed()) return err;
  const int result = ::creat64(native.c_str(), static_cast<mode_t>(mode));
  if (result < 0) return FXErrorUtil::ErrorErrNo(location, errno, "Create file failed");
  *fd = result;
  return CYqError();
}

CYqError CYqUTFOSAPI::freopen(FILE** fp, const char* path, const char* mode, FILE* stream) {
  const FXCodeLocation location =
      UTF_LOC("static CYqError CYqUTFOSAPI::freopen(FILE**, const char*, const char*, FILE*)");
  if (fp == nullptr)
    return FXErrorUtil::ErrorWin32(location, kInvalidParameter, "Input *fp is null");
  std::string native;
  // A null path asks freopen to change the mode of the stream's own file.
  if (path != nullptr) {
    CYqError err = Native(location, path, native);
    if (err.Failed()) return err;
  }
  FILE* result = ::freopen64(path != nullptr ? native.c_str() : nullptr, mode, stream);
  if (result == nullptr) return FXErrorUtil::ErrorErrNo(location, errno);
  *fp = result;
  return CYqError();
}

CYqError CYqUTFOSAPI::readlink(int* readSize, const char* path, char* buffer, size_t size) {
  const FXCodeLocation location =
      UTF_LOC("static CYqError CYqUTFOSAPI::readlink(int*, const char*, char*, size_t)");
  if (readSize == nullptr)
    return FXErrorUtil::ErrorWin32(location, kInvalidParameter, "Input *readSize is null");
  if (buffer == nullptr && size != 0)
    return FXErrorUtil::ErrorWin32(location, kInvalidParameter, "Input buffer is null");
  std::string native, target, utf8;
  CYqError err = Native(location, path, native);
  if (err.Failed()) return err;
  if (TempFsUTF::ReadNativeLink(native.c_str(), target) < 0)
    return FXErrorUtil::ErrorErrNo(location, errno, "readlink failed for '%s'", path);
  err = LocalEncodingToUTF8(target.c_str(), utf8);
  if (err.Failed()) return err.Push(location);
  const size_t count = utf8.size() < size ? utf8.size() : size;
  if (count != 0) std::memcpy(buffer, utf8.data(), count);
  *readSize = static_cast<int>(count);
  return CYqError();
}

CYqError CYqUTFOSAPI::mktemp(char* templ, char* out) {
  const FXCodeLocation location = UTF_LOC("static CYqError CYqUTFOSAPI::mktemp(char*, char*)");
  if (out == nullptr)
    return FXErrorUtil::ErrorWin32(location, kInvalidParameter, "Input *szTempFileName is null");
  std::string native;
  CYqError err = Native(location, templ, native);
  if (err.Failed()) return err;
  std::vector<char> work(native.begin(), native.end());
  work.push_back('\0');
  const int fd = ::mkstemp64(work.data());
  if (fd < 0) return FXErrorUtil::ErrorErrNo(location, errno);
  ::close(fd);
  std::string utf8;
  err = LocalEncodingToUTF8(work.data(), utf8);
  if (err.Failed() || utf8.size() > std::strlen(templ)) {
    ::unlink(work.data());
    if (err.Failed()) return err.Push(location);
    return FXErrorUtil::ErrorWin32(location, kBufferOverflow, "Temporary name %s is longer than %s",
                                   utf8.c_str(), templ);
  }
  std::memcpy(out, utf8.c_str(), utf8.size() + 1);
  return CYqError();
}

CYqError CYqUTFOSAPI::access(const char* path, int mode) {
  return OnePath(UTF_LOC("static CYqError CYqUTFOSAPI::access(const char*, int)"), path,
                 [mode](const char* p) { return ::access(p, mode); });
}

CYqError CYqUTFOSAPI::chmod(const char* path, int mode) {
  return OnePath(UTF_LOC("static CYqError CYqUTFOSAPI::chmod(const char*, int)"), path,
                 [mode](const char* p) { return ::chmod(p, static_cast<mode_t>(mode)); });
}

CYqError CYqUTFOSAPI::remove(const char* path) {
  return OnePath(UTF_LOC("static CYqError CYqUTFOSAPI::remove(const char*)"), path,
                 [](const char* p) { return ::remove(p); });
}

CYqError CYqUTFOSAPI::stat(const char* path, struct stat* buf) {
  return OnePath(UTF_LOC("static CYqError CYqUTFOSAPI::stat(const char*, stat*)"), path,
                 [buf](const char* p) { return ::stat(p, buf); });
}

CYqError CYqUTFOSAPI::stat(const char* path, struct stat64* buf) {
  return OnePath(UTF_LOC("static CYqError CYqUTFOSAPI::stat(const char*, stat64*)"), path,
                 [buf](const char* p) { return ::stat64(p, buf); });
}

CYqError CYqUTFOSAPI::lstat(const char* path, struct stat* buf) {
  return OnePath(UTF_LOC("static CYqError CYqUTFOSAPI::lstat(const char*, stat*)"), path,
                 [buf](const char* p) { return ::lstat(p, buf); });
}

CYqError CYqUTFOSAPI::lstat(const char* path, struct stat64* buf) {
  return OnePath(UTF_LOC("static CYqError CYqUTFOSAPI::lstat(const char*, stat64*)"), path,
                 [buf](const char* p) { return ::lstat64(p, buf); });
}

CYqError CYqUTFOSAPI::statfs(const char* path, struct statfs* buf) {
  return OnePath(UTF_LOC("static CYqError CYqUTFOSAPI::statfs(const char*, statfs*)"), path,
                 [buf](const char* p) { return ::statfs(p, buf); });
}

CYqError CYqUTFOSAPI::statfs(const char* path, struct statfs64* buf) {
  return OnePath(UTF_LOC("static CYqError CYqUTFOSAPI::statfs(const char*, statfs64*)"), path,
                 [buf](const char* p) { return ::statfs64(p, buf); });
}

CYqError CYqUTFOSAPI::mkdir(const char* path, int mode) {
  return OnePath(UTF_LOC("static CYqError CYqUTFOSAPI::mkdir(const char*, int)"), path,
                 [mode](const char* p) { return ::mkdir(p, static_cast<mode_t>(mode)); });
}

CYqError CYqUTFOSAPI::chdir(const char* path) {
  return OnePath(UTF_LOC("static CYqError CYqUTFOSAPI::chdir(const char*)"), path,
                 [](const char* p) { return ::chdir(p); });
}

CYqError CYqUTFOSAPI::rmdir(const char* path) {
  return OnePath(UTF_LOC("static CYqError CYqUTFOSAPI::rmdir(const char*)"), path,
                 [](const char* p) { return ::rmdir(p); });
}

CYqError CYqUTFOSAPI::unlink(const char* path) {
  return OnePath(UTF_LOC("static CYqError CYqUTFOSAPI::unlink(const char*)"), path,
                 [](const char* p) { return ::unlink(p); });
}

CYqError CYqUTFOSAPI::utime(const char* path, const struct utimbuf* times) {
  return OnePath(UTF_LOC("static CYqError CYqUTFOSAPI::utime(const char*, const utimbuf*)"), path,
                 [times](const char* p) { return ::utime(p, times); });
}

CYqError CYqUTFOSAPI::opendir(DIR** dir, const char* path) {
  const FXCodeLocation location =
      UTF_LOC("static CYqError CYqUTFOSAPI::opendir(DIR**, const char*)");
  if (dir == nullptr)
    return FXErrorUtil::ErrorWin32(location, kInvalidParameter, "Input *dir is null");
  std::string native;
  CYqError err = Native(location, path, native);
  if (err.Failed()) return err;
  DIR* stream = ::opendir(native.c_str());
  if (stream == nullptr) return FXErrorUtil::ErrorErrNo(location, errno);
  *dir = stream;
  return CYqError();
}

CYqError CYqUTFOSAPI::rename(const char* from, const char* to) {
  return TwoPaths(UTF_LOC("static CYqError CYqUTFOSAPI::rename(const char*, const char*)"), from,
                  to, [](const char* a, const char* b) { return ::rename(a, b); });
}

CYqError CYqUTFOSAPI::link(const char* existing, const char* newPath) {
  return TwoPaths(UTF_LOC("static CYqError CYqUTFOSAPI::link(const char*, const char*)"), existing,
                  newPath, [](const char* a, const char* b) { return ::link(a, b); });
}

CYqError CYqUTFOSAPI::symlink(const char* target, const char* linkPath) {
  return TwoPaths(UTF_LOC("static CYqError CYqUTFOSAPI::symlink(const char*, const char*)"), target,
                  linkPath, [](const char* a, const char* b) { return ::symlink(a, b); });
}

CYqError CYqUTFOSAPI::readdir(struct dirent* out, DIR* dir) {
  return ReadEntry<struct dirent>(UTF_LOC("static CYqError CYqUTFOSAPI::readdir(dirent*, DIR*)"),
                                  dir, out, nullptr, 256);
}

CYqError CYqUTFOSAPI::readdir(struct dirent64* out, DIR* dir) {
  return ReadEntry<struct dirent64>(
      UTF_LOC("static CYqError CYqUTFOSAPI::readdir(dirent64*, DIR*)"), dir, out, nullptr, 256);
}

CYqError CYqUTFOSAPI::readdir_r(DIR* dir, struct dirent* out, struct dirent** result) {
  if (result == nullptr)
    return FXErrorUtil::ErrorWin32(
        UTF_LOC("static CYqError CYqUTFOSAPI::readdir_r(DIR*, dirent*, dirent**)"),
        kInvalidParameter, "Input *result is null");
  return ReadEntry<struct dirent>(
      UTF_LOC("static CYqError CYqUTFOSAPI::readdir_r(DIR*, dirent*, dirent**)"), dir, out, result,
      1024);
}

CYqError CYqUTFOSAPI::readdir_r(DIR* dir, struct dirent64* out, struct dirent64** result) {
  if (result == nullptr)
    return FXErrorUtil::ErrorWin32(
        UTF_LOC("static CYqError CYqUTFOSAPI::readdir_r(DIR*, dirent64*, dirent64**)"),
        kInvalidParameter, "Input *result is null");
  return ReadEntry<struct dirent64>(
      UTF_LOC("static CYqError CYqUTFOSAPI::readdir_r(DIR*, dirent64*, dirent64**)"), dir, out,
      result, 1024);
}
