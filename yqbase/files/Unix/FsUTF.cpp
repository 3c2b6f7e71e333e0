#include "yqbase/files/Unix/FsUTF.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#include "yqbase/errors/ZkException.h"
#include "yqbase/files/Unix/FsUTFPrivate.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/TempZkUCS.h"
#include "yqbase/threads/CriticalSection.h"

namespace TempFsUTF {

int s_iIgnoreLocale = -1;

namespace {

constexpr ucs2_char kSectionOpen = 0x200B;   // zero width space
constexpr ucs2_char kSectionClose = 0xFEFF;  // zero width no-break space

// s_iIgnoreLocale as it applies now; a value that was never set becomes 0.
int IgnoreLocaleMode() {
  int mode = s_iIgnoreLocale;
  if (mode < 0) {
    s_iIgnoreLocale = 0;
    mode = 0;
  }
  return mode;
}

// Whether the bytes are UTF-8 as RFC 3629 defines it (shortest forms, no surrogates, at most
// U+10FFFF) without U+200B. Exactly such names convert to UCS-2 and back unchanged and can
// never be mistaken for an escaped section.
bool IsPlainUtf8(const char* text, size_t n) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  while (i < n) {
    const unsigned c = s[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF) {
      if (i + 1 >= n || (s[i + 1] & 0xC0) != 0x80) return false;
      i += 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      if (i + 2 >= n || (s[i + 1] & 0xC0) != 0x80 || (s[i + 2] & 0xC0) != 0x80) return false;
      if (c == 0xE0 && s[i + 1] < 0xA0) return false;                       // overlong
      if (c == 0xED && s[i + 1] >= 0xA0) return false;                      // surrogate
      if (c == 0xE2 && s[i + 1] == 0x80 && s[i + 2] == 0x8B) return false;  // U+200B
      i += 3;
    } else if (c >= 0xF0 && c <= 0xF4) {
      if (i + 3 >= n || (s[i + 1] & 0xC0) != 0x80 || (s[i + 2] & 0xC0) != 0x80 ||
          (s[i + 3] & 0xC0) != 0x80)
        return false;
      if (c == 0xF0 && s[i + 1] < 0x90) return false;   // overlong
      if (c == 0xF4 && s[i + 1] >= 0x90) return false;  // beyond U+10FFFF
      i += 4;
    } else {
      return false;
    }
  }
  return true;
}

// The escaped UTF-8 form of a native name: the ASCII prefix as it is, then U+200B, every
// remaining byte as the character of the same value, and U+FEFF.
std::string Escape(const char* text, size_t n) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  while (i < n && s[i] < 0x80) ++i;
  std::string out(text, i);
  if (i == n) return out;
  out.reserve(n * 2 + 6);
  out += "\xE2\x80\x8B";
  for (; i < n; ++i) {
    const unsigned char b = s[i];
    if (b < 0x80) {
      out += static_cast<char>(b);
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  out += "\xEF\xBB\xBF";
  return out;
}

// The end (the index of its U+FEFF) of the section opened at `open` when it is one that Escape
// writes, else -1: the name holds only ASCII before U+200B, the section holds bytes 0x01 to
// 0xFF of which the first is not ASCII, and U+FEFF ends the name or the path. Reading any other
// text as bytes would let two names meet on one native name (U+0141 cut to "A", an ASCII-only
// section equal to the plain text, text moved across the end of a section).
int EscapeSectionEnd(const ucs2_char* u, int length, int nameStart, int open) {
  for (int i = nameStart; i < open; ++i)
    if (u[i] >= 0x80) return -1;
  if (open + 1 >= length || u[open + 1] < 0x80 || u[open + 1] > 0xFF) return -1;
  int end = open + 2;
  while (end < length && u[end] != 0 && u[end] <= 0xFF) ++end;
  if (end == length || u[end] != kSectionClose) return -1;
  if (end + 1 < length && u[end + 1] != '/') return -1;
  return end;
}

// UTF-8 to native through UCS-2: escaped sections back to their bytes, all other text, a
// U+200B that opens no such section included, through the locale. Throws ZkException.
std::string UtfToMbeThroughUcs(const char* utf8) {
  const ucs2_string units = TempZkUCS::utfToUcs(utf8);
  const ucs2_char* u = units.c_str();
  const int length = units.length();
  std::string out;
  int textStart = 0;
  int nameStart = 0;
  for (int i = 0; i < length; ++i) {
    if (u[i] == '/') nameStart = i + 1;
    if (u[i] != kSectionOpen) continue;
    const int end = EscapeSectionEnd(u, length, nameStart, i);
    if (end < 0) continue;
    if (i > textStart)
      out += TempZkUCS::ucsToMbe(ucs2_string(u + textStart, i - textStart).c_str());
    for (int k = i + 1; k < end; ++k) out += static_cast<char>(u[k]);
    i = end;
    textStart = end + 1;
  }
  if (length > textStart) out += TempZkUCS::ucsToMbe(u + textStart);
  return out;
}

// Reports a conversion problem to the caller's string, or logs it.
void Report(std::string* error, const std::string& text, const char* name, const char* advice) {
  if (error != nullptr)
    *error = text;
  else
    YQ_LOG_FAILURE("%s (%s)%s", text.c_str(), name, advice);
}

// ---- directory streams -----------------------------------------------------------------

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

// The entry readdir_utf hands out for one stream: a heap copy of the system's entry with the
// UTF-8 name, in a buffer of kDirentBufferSize bytes when the name outgrows the record.
template <typename T>
class dirent_utf {
 public:
  // False (EOVERFLOW) when the entry does not fit T; throws ZkException when memory runs out.
  bool assign(const struct dirent64& entry, const std::string& name) {
    const size_t needed = EntrySize<T>(name);
    const size_t size =
        needed <= sizeof(T) ? sizeof(T) : (needed < kDirentBufferSize ? kDirentBufferSize : needed);
    std::unique_ptr<void, FreeDeleter> buffer(std::calloc(1, size));
    if (buffer == nullptr)
      throw ZkException("bool TempFsUTF::dirent_utf<T>::assign(const dirent64&, const string&)",
                        "Not enough memory", FXCodeLocation::TrimSourcePath(__FILE__), __LINE__,
                        ENOMEM);
    if (!FillEntry(static_cast<T*>(buffer.get()), entry, name)) return false;
    m_buffer = std::move(buffer);
    return true;
  }
  T* get() const { return static_cast<T*>(m_buffer.get()); }

 private:
  std::unique_ptr<void, FreeDeleter> m_buffer;
};

// The open streams' paths and their last readdir_utf entries, each map under its own lock.
struct SDirMaps {
  std::map<DIR*, std::string> dirname_map;
  FXCriticalSection dirname_csec;
  std::map<DIR*, dirent_utf<struct dirent>> dirent_map;
  FXCriticalSection dirent_csec;
};

SDirMaps& Maps() {
  static SDirMaps maps;
  return maps;
}

// File names reach the system in the encoding of the environment's locale, so its character
// type is taken at load, after the log writer and the file logger's identity (101, 102).
struct SLocaleAtLoad {
  SLocaleAtLoad() { std::setlocale(LC_CTYPE, ""); }
};
SLocaleAtLoad g_localeAtLoad __attribute__((init_priority(103)));

// Set up with the library rather than by the first stream.
const bool kMapsReady = (Maps(), true);

// ---- path arguments ----------------------------------------------------------------------

// The native form of a path argument. A conversion that throws is logged as "%s (%s)" (or
// "%s (%s, %s)" with the other path of a two-path call) and leaves errno set; a null path
// stays null for the system call to reject.
class CNativePath {
 public:
  explicit CNativePath(const char* path, const char* other = nullptr) noexcept
      : m_null(path == nullptr), m_ok(true) {
    if (m_null) return;
    const char* what = nullptr;
    int code = EILSEQ;
    try {
      m_native = utfToMbe(path, nullptr);
      return;
    } catch (const ZkException& e) {
      what = e.what();
    } catch (const std::bad_alloc& e) {
      what = e.what(), code = ENOMEM;
    } catch (const std::exception& e) {
      what = e.what();
    }
    m_ok = false;
    if (other != nullptr)
      YQ_LOG_FAILURE("%s (%s, %s)", what, path, other);
    else
      YQ_LOG_FAILURE("%s (%s)", what, path);
    errno = code;
  }

  bool ok() const { return m_ok; }
  const char* get() const { return m_null ? nullptr : m_native.c_str(); }

 private:
  std::string m_native;
  bool m_null;
  bool m_ok;
};

// The UTF-8 form of a native name handed out by the system; false (errno set) when the
// conversion throws.
bool ToUtf(const char* native, std::string& utf8, std::string* error) noexcept {
  try {
    utf8 = mbeToUtf(native, error);
    return true;
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
  } catch (const std::exception& e) {
    YQ_LOG_FAILURE("%s (%s)", e.what(), native);
    errno = EILSEQ;
  }
  return false;
}

template <typename T>
int ReaddirR(DIR* dir, T* entry, T** result, std::string* error) {
  if (result == nullptr || entry == nullptr) return EINVAL;
  *result = nullptr;
  struct dirent64 buffer;
  struct dirent64* found = nullptr;
  const int rc = ReadNativeEntry(dir, buffer, found);
  if (rc != 0 || found == nullptr) return rc;
  std::string name;
  if (!ToUtf(found->d_name, name, error)) return errno;
  if (EntrySize<T>(name) > kDirentBufferSize || !FillEntry(entry, *found, name)) return EOVERFLOW;
  *result = entry;
  return 0;
}

}  // namespace

ssize_t ReadNativeLink(const char* native, std::string& target) {
  // The target's length is only known once a read leaves room to spare.
  std::vector<char> buffer(PATH_MAX + 1);
  for (;;) {
    const ssize_t n = ::readlink(native, buffer.data(), buffer.size());
    if (n < 0) return n;
    if (static_cast<size_t>(n) < buffer.size()) {
      target.assign(buffer.data(), static_cast<size_t>(n));
      return n;
    }
    buffer.resize(buffer.size() * 2);
  }
}

void SetIgnoreLocale(bool ignore) {
  s_iIgnoreLocale = ignore ? 1 : 0;
  if (ignore) YQ_TRACE(1, "OS locale will be ignored when interpreting file names");
}

// ---- conversions -----------------------------------------------------------------------------

bool utfToMbeChecked(const char* utf8, std::string& native, std::string& error) {
  if (utf8 == nullptr) utf8 = "";
  const size_t n = std::strlen(utf8);
  // ASCII is the same in every locale, and plain UTF-8 needs no work in a UTF-8 locale.
  if (IsAsciiText(utf8, n) || (TempZkUCS::isMbeUtf() && IsPlainUtf8(utf8, n))) {
    native.assign(utf8, n);
    return true;
  }
  try {
    native = UtfToMbeThroughUcs(utf8);
    return true;
  } catch (const ZkException& e) {
    error = e.what();
  }
  native.assign(utf8, n);
  return false;
}

// Eight bytes at a time: names are short, and this runs for every entry listed.
bool IsAsciiText(const char* s, size_t n) noexcept {
  std::uint64_t bits = 0;
  if (n >= 8) {
    for (size_t i = 0; i + 8 <= n; i += 8) {
      std::uint64_t word;
      std::memcpy(&word, s + i, 8);
      bits |= word;
    }
    std::uint64_t last;  // the last eight bytes, overlapping what was read
    std::memcpy(&last, s + n - 8, 8);
    bits |= last;
  } else {
    for (size_t i = 0; i < n; ++i) bits |= static_cast<unsigned char>(s[i]);
  }
  return (bits & 0x8080808080808080ULL) == 0;
}

bool mbeToUtfChecked(const char* native, std::string& utf8, std::string& error) {
  if (native == nullptr) native = "";
  const int mode = IgnoreLocaleMode();
  const size_t n = std::strlen(native);
  if (IsAsciiText(native, n)) {
    utf8.assign(native, n);
    return true;
  }
  if (mode == 0) {
    if (TempZkUCS::isMbeUtf()) {
      if (IsPlainUtf8(native, n)) {
        utf8.assign(native, n);
        return true;
      }
    } else {
      try {
        std::string converted = TempZkUCS::mbeToUtf(native);
        // Only a form that leads back to the same bytes is usable as a name.
        std::string back, ignored;
        if (converted.find("\xE2\x80\x8B") == std::string::npos &&
            utfToMbeChecked(converted.c_str(), back, ignored) && back == native) {
          utf8.swap(converted);
          return true;
        }
      } catch (const ZkException& e) {
        error = e.what();
      }
    }
  }
  utf8 = Escape(native, n);
  return true;
}

std::string utfToMbe(const char* utf8, std::string* error) {
  std::string native, why;
  if (!utfToMbeChecked(utf8, native, why)) Report(error, why, utf8 != nullptr ? utf8 : "", "");
  return native;
}

std::string mbeToUtf(const char* native, std::string* error) {
  std::string utf8, why;
  const bool ok = mbeToUtfChecked(native, utf8, why);
  if (!why.empty() || !ok)
    Report(error, why, native != nullptr ? native : "",
           ok ? "; Make sure system locale is set correctly" : "");
  return utf8;
}

std::string ucsToUtf(const char* ucs2, std::string* error) {
  std::vector<ucs2_char> units;
  if (ucs2 != nullptr) {
    for (const char* p = ucs2;; p += sizeof(ucs2_char)) {
      ucs2_char unit;
      std::memcpy(&unit, p, sizeof unit);
      if (unit == 0) break;
      units.push_back(unit);
    }
  }
  units.push_back(0);
  try {
    return TempZkUCS::ucsToUtf(units.data());
  } catch (const ZkException& e) {
    Report(error, e.what(), "UCS-2 text", "");
  }
  return std::string();
}

// ---- wrappers ------------------------------------------------------------------------------

int stat_utf(const char* path, struct stat64* buf) {
  CNativePath native(path);
  return native.ok() ? ::stat64(native.get(), buf) : -1;
}

int stat_utf(const char* path, struct stat* buf) {
  CNativePath native(path);
  return native.ok() ? ::stat(native.get(), buf) : -1;
}

int lstat_utf(const char* path, struct stat64* buf) {
  CNativePath native(path);
  return native.ok() ? ::lstat64(native.get(), buf) : -1;
}

int lstat_utf(const char* path, struct stat* buf) {
  CNativePath native(path);
  return native.ok() ? ::lstat(native.get(), buf) : -1;
}

int statfs_utf(const char* path, struct statfs64* buf) {
  CNativePath native(path);
  return native.ok() ? ::statfs64(native.get(), buf) : -1;
}

int statfs_utf(const char* path, struct statfs* buf) {
  CNativePath native(path);
  return native.ok() ? ::statfs(native.get(), buf) : -1;
}

int open_utf(const char* path, int flags) {
  CNativePath native(path);
  return native.ok() ? ::open64(native.get(), flags) : -1;
}

int open_utf(const char* path, int flags, mode_t mode) {
  CNativePath native(path);
  return native.ok() ? ::open64(native.get(), flags, mode) : -1;
}

int creat_utf(const char* path, mode_t mode) {
  CNativePath native(path);
  return native.ok() ? ::creat64(native.get(), mode) : -1;
}

int truncate_utf(const char* path, off64_t length) {
  CNativePath native(path);
  return native.ok() ? ::truncate64(native.get(), length) : -1;
}

ssize_t readlink_utf(const char* path, char* buffer, size_t size) {
  CNativePath native(path);
  if (!native.ok()) return -1;
  if (buffer == nullptr || size == 0) return ::readlink(native.get(), buffer, size);
  std::string target, utf8;
  if (ReadNativeLink(native.get(), target) < 0 || !ToUtf(target.c_str(), utf8, nullptr)) return -1;
  const size_t count = utf8.size() < size ? utf8.size() : size;
  std::memcpy(buffer, utf8.data(), count);
  return static_cast<ssize_t>(count);
}

int link_utf(const char* existing, const char* newPath) {
  CNativePath from(existing, newPath);
  if (!from.ok()) return -1;
  CNativePath to(newPath, existing);
  return to.ok() ? ::link(from.get(), to.get()) : -1;
}

int symlink_utf(const char* target, const char* linkPath) {
  CNativePath from(target, linkPath);
  if (!from.ok()) return -1;
  CNativePath to(linkPath, target);
  return to.ok() ? ::symlink(from.get(), to.get()) : -1;
}

int mkdir_utf(const char* path, mode_t mode) {
  CNativePath native(path);
  return native.ok() ? ::mkdir(native.get(), mode) : -1;
}

int rmdir_utf(const char* path) {
  CNativePath native(path);
  return native.ok() ? ::rmdir(native.get()) : -1;
}

int chdir_utf(const char* path) {
  CNativePath native(path);
  return native.ok() ? ::chdir(native.get()) : -1;
}

int unlink_utf(const char* path) {
  CNativePath native(path);
  return native.ok() ? ::unlink(native.get()) : -1;
}

int rename_utf(const char* from, const char* to) {
  CNativePath nativeFrom(from, to);
  if (!nativeFrom.ok()) return -1;
  CNativePath nativeTo(to, from);
  return nativeTo.ok() ? ::rename(nativeFrom.get(), nativeTo.get()) : -1;
}

FILE* fopen_utf(const char* path, const char* mode) {
  CNativePath native(path);
  return native.ok() ? ::fopen64(native.get(), mode) : nullptr;
}

int access_utf(const char* path, int mode) {
  CNativePath native(path);
  return native.ok() ? ::access(native.get(), mode) : -1;
}

int utime_utf(const char* path, const struct utimbuf* times) {
  CNativePath native(path);
  return native.ok() ? ::utime(native.get(), times) : -1;
}

int chmod_utf(const char* path, mode_t mode) {
  CNativePath native(path);
  return native.ok() ? ::chmod(native.get(), mode) : -1;
}

int lchmod_utf(const char* path, mode_t mode) {
  CNativePath native(path);
  return native.ok() ? ::fchmodat(AT_FDCWD, native.get(), mode, AT_SYMLINK_NOFOLLOW) : -1;
}

int chown_utf(const char* path, uid_t owner, gid_t group) {
  CNativePath native(path);
  return native.ok() ? ::chown(native.get(), owner, group) : -1;
}

int lchown_utf(const char* path, uid_t owner, gid_t group) {
  CNativePath native(path);
  return native.ok() ? ::lchown(native.get(), owner, group) : -1;
}

int mknod_utf(const char* path, mode_t mode, dev_t device) {
  CNativePath native(path);
  return native.ok() ? ::mknod(native.get(), mode, device) : -1;
}

char* getcwd_utf(char* buffer, size_t size) {
  if (buffer != nullptr && size == 0) {
    errno = EINVAL;
    return nullptr;
  }
  std::string path;
  if (getcwd_utf(path) != 0) return nullptr;
  if (buffer == nullptr) {
    const size_t room = size != 0 ? size : path.size() + 1;
    if (path.size() + 1 > room) {
      errno = ERANGE;
      return nullptr;
    }
    buffer = static_cast<char*>(std::malloc(room));
    if (buffer == nullptr) {
      errno = ENOMEM;
      return nullptr;
    }
  } else if (path.size() + 1 > size) {
    errno = ERANGE;
    return nullptr;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return buffer;
}

int getcwd_utf(std::string& path) {
  std::unique_ptr<char, FreeDeleter> native(::getcwd(nullptr, 0));
  if (native == nullptr) {
    if (errno == ENOMEM) YQ_LOG_FAILURE("Not enough memory");
    return -1;
  }
  return ToUtf(native.get(), path, nullptr) ? 0 : -1;
}

DIR* opendir_utf(const char* path) {
  CNativePath native(path);
  if (!native.ok()) return nullptr;
  DIR* dir = ::opendir(native.get());
  if (dir == nullptr) return nullptr;
  try {
    SDirMaps& maps = Maps();
    auto_lock guard(&maps.dirname_csec);
    maps.dirname_map[dir] = path;
  } catch (const std::exception& e) {
    // The path is bookkeeping only; the stream is still usable.
    YQ_LOG_FAILURE("%s (%s)", e.what(), path);
  }
  return dir;
}

struct dirent* readdir_utf(DIR* dir, std::string* error) {
  if (dir == nullptr) {
    errno = EBADF;
    return nullptr;
  }
  const struct dirent64* found = ::readdir64(dir);
  if (found == nullptr) return nullptr;
  std::string name;
  if (!ToUtf(found->d_name, name, error)) return nullptr;
  try {
    dirent_utf<struct dirent> entry;
    if (!entry.assign(*found, name)) {
      errno = EOVERFLOW;
      return nullptr;
    }
    SDirMaps& maps = Maps();
    auto_lock guard(&maps.dirent_csec);
    dirent_utf<struct dirent>& slot = maps.dirent_map[dir];
    slot = std::move(entry);
    return slot.get();
  } catch (const std::exception& e) {
    YQ_LOG_FAILURE("%s (%s)", e.what(), name.c_str());
    errno = ENOMEM;
  }
  return nullptr;
}

int readdir_r_utf(DIR* dir, struct dirent* entry, struct dirent** result, std::string* error) {
  return ReaddirR(dir, entry, result, error);
}

int readdir_r_utf(DIR* dir, struct dirent64* entry, struct dirent64** result, std::string* error) {
  return ReaddirR(dir, entry, result, error);
}

int closedir_utf(DIR* dir) {
  if (dir == nullptr) {
    errno = EBADF;
    return -1;
  }
  SDirMaps& maps = Maps();
  {
    auto_lock guard(&maps.dirname_csec);
    maps.dirname_map.erase(dir);
  }
  {
    auto_lock guard(&maps.dirent_csec);
    maps.dirent_map.erase(dir);
  }
  return ::closedir(dir);
}

}  // namespace TempFsUTF
