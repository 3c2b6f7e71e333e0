// TempFsUTF: conversion of file names between UTF-8 and the locale's native bytes, and
// system-call wrappers that take UTF-8 paths.
#pragma once

#include <dirent.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/types.h>
#include <utime.h>

#include <cstddef>
#include <string>

#include "yqbase/errors/YqExport.h"

/// The only crossing between the library's UTF-8 names and the native names of the system.
///
/// A native name whose bytes the locale cannot decode still gets a UTF-8 form: its ASCII
/// prefix stays as it is and the rest travels as a section opened by U+200B and closed by
/// U+FEFF in which every character carries one native byte (U+0000 to U+00FF). Converting that
/// back gives the same bytes, so every name the system lists can be opened again.
///
/// The wrappers convert their path arguments and otherwise behave exactly like the 64-bit
/// system call they are named after: same return value, errno left by the call. They never
/// throw; a conversion that throws is logged and turns into the call's failure value with
/// errno EILSEQ (ENOMEM when memory ran out).
namespace TempFsUTF {

/// How native names are read: -1 not set yet (taken as 0), 0 through the locale, positive:
/// the locale is ignored and every non-ASCII byte is escaped. Set it once at start-up.
extern YQBASE_EXPORT int s_iIgnoreLocale;

/// Buffer size of a directory entry that carries a converted name of any length (see
/// readdir_r_utf).
constexpr std::size_t kDirentBufferSize = 1300;

/// Sets s_iIgnoreLocale to 1 or 0.
YQBASE_EXPORT void SetIgnoreLocale(bool ignore);

/// The native form of a UTF-8 name. A name without one (malformed UTF-8, a character the
/// locale cannot encode) comes back unchanged, and the reason goes to `error` or, without
/// it, to the log.
/// Deliberate departure, so that distinct names never share a native name: only a section as
/// mbeToUtf writes it is read back as raw bytes: U+200B after an ASCII start of the name (of
/// the path component), then characters U+0001 to U+00FF of which the first is not ASCII, then
/// U+FEFF at the end of the component or of the path. Any other U+200B (a character above
/// U+00FF in the section, an ASCII-only or unclosed section, text after U+FEFF) is converted
/// through the locale like any other character. Two names then meet on one native name only
/// when one of them escapes exactly the bytes the other one spells.
YQBASE_EXPORT std::string utfToMbe(const char* utf8, std::string* error);
/// The UTF-8 form of a native name; never fails. ASCII names stay as they are. In a UTF-8
/// locale so do names of well-formed UTF-8 (RFC 3629) without U+200B; any other name is
/// escaped from its first non-ASCII byte on. In another locale a name is decoded by the locale
/// when that leads back to the same bytes, else escaped, and the locale's complaint goes to
/// `error` or, without it, to the log. With the locale ignored every non-ASCII name is escaped.
YQBASE_EXPORT std::string mbeToUtf(const char* native, std::string* error);
/// UTF-8 of a 0-terminated sequence of native-endian UCS-2 units handed over as bytes (no
/// alignment needed). Malformed text (an unpaired high surrogate) gives an empty string with
/// the reason in `error` or the log.
YQBASE_EXPORT std::string ucsToUtf(const char* ucs2, std::string* error);

/// Whether the `n` bytes at `text` are all below 0x80 (such a name is its own native and UTF-8
/// form in every locale). Tests eight bytes at a time.
YQBASE_EXPORT bool IsAsciiText(const char* text, size_t n) noexcept;

/// utfToMbe that reports success: false when the name has no native form, with `native` set
/// to the input and `error` to the reason.
YQBASE_EXPORT bool utfToMbeChecked(const char* utf8, std::string& native, std::string& error);
/// mbeToUtf that reports success. Names the locale cannot decode are escaped, which is a
/// success with the locale's complaint in `error`; false only when no UTF-8 form could be
/// made at all.
YQBASE_EXPORT bool mbeToUtfChecked(const char* native, std::string& utf8, std::string& error);

// ---- wrappers: UTF-8 paths, native calls -------------------------------------------------

YQBASE_EXPORT int stat_utf(const char* path, struct stat64* buf);
YQBASE_EXPORT int stat_utf(const char* path, struct stat* buf);
YQBASE_EXPORT int lstat_utf(const char* path, struct stat64* buf);
YQBASE_EXPORT int lstat_utf(const char* path, struct stat* buf);
YQBASE_EXPORT int statfs_utf(const char* path, struct statfs64* buf);
YQBASE_EXPORT int statfs_utf(const char* path, struct statfs* buf);
YQBASE_EXPORT int open_utf(const char* path, int flags);
YQBASE_EXPORT int open_utf(const char* path, int flags, mode_t mode);
YQBASE_EXPORT int creat_utf(const char* path, mode_t mode);
YQBASE_EXPORT int truncate_utf(const char* path, off64_t length);
/// readlink of the link named by `path`; the target is handed out in UTF-8 (cut to `size`
/// bytes and not terminated, as readlink does) and the result is its byte count.
YQBASE_EXPORT ssize_t readlink_utf(const char* path, char* buffer, size_t size);
YQBASE_EXPORT int link_utf(const char* existing, const char* newPath);
YQBASE_EXPORT int symlink_utf(const char* target, const char* linkPath);
YQBASE_EXPORT int mkdir_utf(const char* path, mode_t mode);
YQBASE_EXPORT int rmdir_utf(const char* path);
YQBASE_EXPORT int chdir_utf(const char* path);
YQBASE_EXPORT int unlink_utf(const char* path);
YQBASE_EXPORT int rename_utf(const char* from, const char* to);
YQBASE_EXPORT FILE* fopen_utf(const char* path, const char* mode);
YQBASE_EXPORT int access_utf(const char* path, int mode);
YQBASE_EXPORT int utime_utf(const char* path, const struct utimbuf* times);
YQBASE_EXPORT int chmod_utf(const char* path, mode_t mode);
YQBASE_EXPORT int lchmod_utf(const char* path, mode_t mode);
YQBASE_EXPORT int chown_utf(const char* path, uid_t owner, gid_t group);
YQBASE_EXPORT int lchown_utf(const char* path, uid_t owner, gid_t group);
YQBASE_EXPORT int mknod_utf(const char* path, mode_t mode, dev_t device);

/// getcwd, with the name rewritten in UTF-8. Null with ERANGE when the UTF-8 form does not
/// fit in `size` bytes; a null buffer gets a malloc'ed one (free it) as glibc's getcwd does.
YQBASE_EXPORT char* getcwd_utf(char* buffer, size_t size);
/// The working folder in UTF-8: 0, or -1 with errno.
YQBASE_EXPORT int getcwd_utf(std::string& path);

/// opendir of the native name; the stream's path is remembered until closedir_utf.
YQBASE_EXPORT DIR* opendir_utf(const char* path);
/// The next entry with its name in UTF-8, or null at the end (errno unchanged) or on failure
/// (errno set). The entry belongs to the stream and stays valid until the next readdir_utf or
/// closedir_utf on it; every user of the stream shares it.
YQBASE_EXPORT struct dirent* readdir_utf(DIR* dir, std::string* error);
/// The reentrant form: fills `entry` and sets `*result` to it, or to null at the end; returns
/// 0 or an error number. A converted name may be longer than d_name: `entry` must have room
/// for kDirentBufferSize bytes unless every name is known to fit in d_name in UTF-8.
YQBASE_EXPORT int readdir_r_utf(DIR* dir, struct dirent* entry, struct dirent** result,
                                std::string* error);
/// The same in the 64-bit entry layout (the same as dirent on 64-bit systems).
YQBASE_EXPORT int readdir_r_utf(DIR* dir, struct dirent64* entry, struct dirent64** result,
                                std::string* error);
/// Forgets the stream's path and entry and closes it; closedir's result.
YQBASE_EXPORT int closedir_utf(DIR* dir);

}  // namespace TempFsUTF
