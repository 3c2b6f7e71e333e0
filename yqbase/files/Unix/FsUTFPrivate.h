// Directory-entry and link helpers shared by TempFsUTF and CYqUTFOSAPI.
#pragma once

#include <dirent.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace TempFsUTF {

/// Bytes a directory entry of layout T needs for `name`.
template <typename T>
std::size_t EntrySize(const std::string& name) {
  return offsetof(T, d_name) + name.size() + 1;
}

/// Fills an entry of layout T from a 64-bit entry with a converted name; the caller
/// guarantees room for EntrySize<T>(name) bytes. False (EOVERFLOW) when the inode does not
/// fit T. The offset is cut to T's width: it only serves seekdir, which these streams do not
/// offer.
template <typename T>
bool FillEntry(T* out, const struct dirent64& in, const std::string& name) {
  typedef decltype(out->d_ino) Ino;
  if (static_cast<std::uint64_t>(static_cast<Ino>(in.d_ino)) !=
      static_cast<std::uint64_t>(in.d_ino))
    return false;
  out->d_ino = static_cast<Ino>(in.d_ino);
  out->d_off = static_cast<decltype(out->d_off)>(in.d_off);
  out->d_reclen = in.d_reclen;
  out->d_type = in.d_type;
  std::memcpy(out->d_name, name.c_str(), name.size() + 1);
  return true;
}

/// The whole target of the symbolic link at the native path, native bytes; -1 with errno.
ssize_t ReadNativeLink(const char* native, std::string& target);

}  // namespace TempFsUTF
