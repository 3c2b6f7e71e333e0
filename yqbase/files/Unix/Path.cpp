// FXPath on POSIX: path strings, the current folder, link resolution and volume identities.
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <list>
#include <string_view>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/files/YqDirectory.h"
#include "yqbase/files/YqPath.h"
#include "yqbase/files/utfFsUtils.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/StringExtensions.h"
#include "yqbase/volumes/ZkMntTab.h"

// Locations of FXPath carry the file name its log readers know.
#define PATH_LOC (FXCodeLocation{"Unix/Path.cpp", __PRETTY_FUNCTION__, __LINE__})

namespace {

constexpr DWORD kErrorPathNotFound = 3;
constexpr DWORD kErrorBadArguments = 160;
constexpr DWORD kErrorErrorsEncountered = 774;
const char* const kUnknownDevice = "{velkora-device-unknown}";
// Links followed by one MakeRealPath before it gives up with ELOOP, as the kernel does.
constexpr unsigned kMaxLinks = 40;

// How two paths relate, with a the first and b the second path compared.
enum class ERelation { kSame, kBAboveA, kAAboveB, kUnrelated };

ERelation Relate(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty())
    return a.empty() && b.empty() ? ERelation::kSame : ERelation::kUnrelated;
  const size_t aLength = a.size() - (a.back() == '/' ? 1 : 0);
  const size_t bLength = b.size() - (b.back() == '/' ? 1 : 0);
  if (aLength == bLength && a.compare(0, aLength, b, 0, bLength) == 0) return ERelation::kSame;
  if (a.size() > bLength)
    return a[bLength] == '/' && a.compare(0, bLength, b, 0, bLength) == 0 ? ERelation::kBAboveA
                                                                          : ERelation::kUnrelated;
  return b.size() > aLength && b[aLength] == '/' && b.compare(0, aLength, a, 0, aLength) == 0
             ? ERelation::kAAboveB
             : ERelation::kUnrelated;
}

// The conversions of the wide forms; text that is not well-formed fails with the converter's
// error.
CYqError ToUtf8(const std::wstring& in, std::string& out) {
  CYqError err = FXString::UnicodeToUTF8(in, out);
  return err.Failed() ? err.Push(PATH_LOC) : err;
}

CYqError ToWide(const std::string& in, std::wstring& out) {
  CYqError err = FXString::UTF8ToUnicode(in, out);
  return err.Failed() ? err.Push(PATH_LOC) : err;
}

// Pushes the components of `path` (after its leading "/") on `pending` so that the first one
// is popped first. Empty components stay: a trailing "/" demands a folder.
void PushComponents(const std::string& path, std::vector<std::string>& pending) {
  std::vector<std::string> components;
  size_t start = !path.empty() && path[0] == '/' ? 1 : 0;
  for (;;) {
    const size_t slash = path.find('/', start);
    if (slash == std::string::npos) {
      components.emplace_back(path, start, std::string::npos);
      break;
    }
    components.emplace_back(path, start, slash - start);
    start = slash + 1;
  }
  pending.insert(pending.end(), components.rbegin(), components.rend());
}

// The folder above an absolute path without trailing "/"; "/" stays.
void ToParent(std::string& path) {
  const size_t slash = path.rfind('/');
  path.resize(slash == 0 || slash == std::string::npos ? 1 : slash);
}

}  // namespace

CYqError FXPath::Append(std::string& base, const std::string& tail, unsigned flags) {
  if (tail.empty() && (flags & 1) == 0) return CYqError();
  if (base.empty() || base.back() != '/') base += '/';
  base.append(tail, !tail.empty() && tail[0] == '/' ? 1 : 0, std::string::npos);
  return CYqError();
}

CYqError FXPath::SplitParentPath(const std::string& path, std::string& parent, std::string& name) {
  parent.clear();
  name.clear();
  size_t length = path.size();
  if (length > 0 && path[length - 1] == '/') --length;
  if (length == 0)
    return FXErrorUtil::ErrorWin32(PATH_LOC, kErrorPathNotFound, "No parent in path '%s'",
                                   path.c_str());
  const size_t slash = path.rfind('/', length - 1);
  if (slash == std::string::npos) {
    (void)Append(parent, "/");
    name.assign(path, 0, length);
  } else {
    parent.assign(path, 0, slash + 1);
    name.assign(path, slash + 1, length - slash - 1);
  }
  return CYqError();
}

bool FXPath::IsAncestorOf(const std::string& ancestor, const std::string& path, bool allowSame) {
  if (&ancestor == &path) return allowSame;
  const ERelation relation = Relate(ancestor, path);
  return relation == ERelation::kAAboveB || (allowSame && relation == ERelation::kSame);
}

bool FXPath::IsSamePathAs(const std::string& a, const std::string& b) {
  return Relate(a, b) == ERelation::kSame;
}

CYqError FXPath::MakeAbsolutePath(const std::string& in, std::string& out) {
  if (!in.empty() && in[0] == '/') return MakeAbsolutePath(std::string(), in, out);
  std::string folder;
  CYqError err = GetCurrentFolder(folder);
  if (err.Failed()) return err.Push(PATH_LOC);
  return MakeAbsolutePath(folder, in, out);
}

CYqError FXPath::MakeAbsolutePath(const std::string& base, const std::string& in,
                                  std::string& out) {
  std::string path;
  if (!in.empty() && in[0] == '/') {
    path = in;
  } else {
    path = base;
    if (in.compare(0, 2, "./") == 0)
      (void)Append(path, in.substr(2));
    else if (in != ".")
      (void)Append(path, in);
  }
  out = removeDotDotFolder(path);
  return CYqError();
}

std::string FXPath::removeDotDotFolder(const std::string& path) {
  if (path.empty()) return path;
  const bool absolute = path[0] == '/';
  const bool trailingSlash = path.size() > 1 && path.back() == '/';
  // Components are copied into the result as they come; ".." cuts the last one off again.
  // Below `floor` lie the root and the ".." a relative path cannot resolve: never cut.
  std::string result;
  result.reserve(path.size() + 1);
  if (absolute) result += '/';
  size_t floor = result.size();
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const size_t length = end - start;
    const char* component = path.data() + start;
    start = end + 1;
    if (length == 0 || (length == 1 && component[0] == '.')) continue;
    const bool dotDot = length == 2 && component[0] == '.' && component[1] == '.';
    if (dotDot && result.size() > floor) {
      const size_t slash = result.rfind('/');
      result.resize(slash == std::string::npos ? 0 : std::max<size_t>(slash, floor));
      continue;
    }
    if (dotDot && absolute) continue;  // nothing climbs above the root
    if (!result.empty() && result.back() != '/') result += '/';
    result.append(component, length);
    if (dotDot) floor = result.size();
  }
  if (result.empty()) result = ".";
  if (trailingSlash && result.back() != '/') result += '/';
  return result;
}

CYqError FXPath::RemovePathFromFileName(std::string& path, const std::string& prefix) {
  std::string rest = path;
  if (prefix.empty() || path.empty() || path[0] != prefix[0] || !FXString::RemoveLeft(rest, prefix))
    return FXErrorUtil::ErrorWin32(PATH_LOC, kErrorPathNotFound,
                                   "Path '%s' does not begin with '%s'", path.c_str(),
                                   prefix.c_str());
  if (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
  path.swap(rest);
  return CYqError();
}

std::string FXPath::GetFileNameWithoutPath(const std::string& path, const std::string& prefix) {
  std::string rest = path;
  return RemovePathFromFileName(rest, prefix).Succeeded() ? rest : std::string();
}

CYqError FXPath::ReplacePath(std::string& path, const std::string& oldPrefix,
                             const std::string& newPrefix) {
  std::string rest = path;
  CYqError err = RemovePathFromFileName(rest, oldPrefix);
  if (err.Failed()) return err.Push(PATH_LOC);
  path = newPrefix;
  return Append(path, rest);
}

CYqError FXPath::SplitPaths(const std::string& text, const std::string& separators,
                            std::vector<std::string>& out, unsigned flags) {
  std::vector<std::string> pieces;
  FXString::SplitPaths(text, separators, pieces, flags & 1);
  out.insert(out.end(), pieces.begin(), pieces.end());
  return CYqError();
}

CYqError FXPath::MakeNativePath(const std::string& in, std::string& out) {
  std::string native, error;
  if (!TempFsUTF::utfToMbeChecked(in.c_str(), native, error))
    return FXErrorUtil::ErrorWin32(PATH_LOC, kErrorErrorsEncountered, "%s", error.c_str());
  out.swap(native);
  return CYqError();
}

CYqError FXPath::MakeNativePath(std::string& path) {
  CYqError err = MakeNativePath(path, path);
  return err.Failed() ? err.Push(PATH_LOC) : err;
}

CYqError FXPath::MakeNormalPath(const std::string& in, std::string& out) {
  out = TempFsUTF::mbeToUtf(in.c_str(), nullptr);
  return CYqError();
}

CYqError FXPath::MakeNormalPath(std::string& path) { return MakeNormalPath(path, path); }

CYqError FXPath::GetCurrentFolder(std::string& folder) {
  // getcwd cannot say how much room it needs: grow the buffer until the name fits.
  std::vector<char> buffer;
  size_t size = 1024;
  for (;;) {
    buffer.resize(size);
    if (::getcwd(buffer.data(), size) != nullptr) break;
    const int error = errno;
    if (error != ERANGE || size > 32768)
      return FXErrorUtil::ErrorErrNo(PATH_LOC, error, "getcwd failed, BufferSize=%llu",
                                     static_cast<unsigned long long>(size));
    size *= 2;
  }
  return MakeNormalPath(buffer.data(), folder);
}

CYqError FXPath::ReadLink(const std::string& link, std::string& target) {
  std::vector<char> buffer(512);
  for (;;) {
    int length = 0;
    CYqError err = CYqUTFOSAPI::readlink(&length, link.c_str(), buffer.data(), buffer.size());
    if (err.Failed()) return err.Push(PATH_LOC);
    // A target that fills the buffer may have been cut: try again with twice the room.
    if (static_cast<size_t>(length) < buffer.size()) {
      target.assign(buffer.data(), static_cast<size_t>(length));
      return CYqError();
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool FXPath::DoesPathExist(const std::string& path) {
  struct stat64 st;
  return CYqUTFOSAPI::stat(path.c_str(), &st).Succeeded();
}

CYqError FXPath::DoesPathExist(const std::string& path, bool& isNotFolder) {
  struct stat64 st;
  CYqError err = CYqUTFOSAPI::stat(path.c_str(), &st);
  if (err.Failed()) return err.Push(PATH_LOC, "File=%s", path.c_str());
  isNotFolder = !S_ISDIR(st.st_mode);
  return err;
}

// Walks the components one by one with a stack of those still to do: a link's target is
// pushed in place of the link (an absolute one restarting from "/"), and ".." climbs from
// the folder already resolved, so links met inside targets and ".." after a link resolve as
// the kernel resolves them.
CYqError FXPath::MakeRealPath(const std::string& in, std::string& out) {
  if (in.empty()) return FXErrorUtil::ErrorWin32(PATH_LOC, kErrorPathNotFound, "Path is empty");
  std::vector<std::string> pending;
  PushComponents(in, pending);
  if (in[0] != '/') {
    std::string folder;
    CYqError err = GetCurrentFolder(folder);
    if (err.Failed()) return err.Push(PATH_LOC);
    PushComponents(folder, pending);
  }
  std::string result = "/";
  bool resultIsFolder = true;
  unsigned links = 0;
  unsigned position = 0;
  while (!pending.empty()) {
    const std::string component = std::move(pending.back());
    pending.pop_back();
    ++position;
    if (!resultIsFolder) {
      std::string candidate = result;
      (void)Append(candidate, component, 1);
      return FXErrorUtil::ErrorErrNo(PATH_LOC, ENOTDIR, "Failed to stat source path '%s'",
                                     candidate.c_str());
    }
    if (component.empty() || component == ".") continue;
    if (component == "..") {
      YQ_TRACE(3, "found '..' at position %u in '%s'", position, in.c_str());
      ToParent(result);
      continue;
    }
    std::string candidate = result;
    (void)Append(candidate, component);
    struct stat64 st;
    CYqError err = CYqUTFOSAPI::lstat(candidate.c_str(), &st);
    if (err.Failed())
      return err.Push(PATH_LOC, "Failed to stat source path '%s'", candidate.c_str());
    if (!S_ISLNK(st.st_mode)) {
      YQ_TRACE(3, "path '%s' not a link", candidate.c_str());
      result.swap(candidate);
      resultIsFolder = S_ISDIR(st.st_mode);
      continue;
    }
    YQ_TRACE(3, "path '%s' is a link", candidate.c_str());
    if (++links > kMaxLinks)
      return FXErrorUtil::ErrorErrNo(PATH_LOC, ELOOP, "Too many symbolic links in '%s'",
                                     in.c_str());
    std::string target;
    err = ReadLink(candidate, target);
    if (err.Failed()) return err.Push(PATH_LOC);
    YQ_TRACE(3, "path '%s' is a link to %s", candidate.c_str(), target.c_str());
    if (target.empty())
      return FXErrorUtil::ErrorErrNo(PATH_LOC, ENOENT, "Link '%s' has an empty target",
                                     candidate.c_str());
    if (target[0] == '/') {
      YQ_TRACE(3, "changing to '%s'", target.c_str());
      result = "/";
    } else {
      std::string joined = result;
      (void)Append(joined, target);
      YQ_TRACE(3, "will remove .. in path '%s'", joined.c_str());
    }
    PushComponents(target, pending);
  }
  YQ_TRACE(3, "result path '%s'", result.c_str());
  out.swap(result);
  return CYqError();
}

CYqError FXPath::ZKGetVolumeUniqueId(const std::string& path, std::string& id) {
  if (path.empty() || path[0] != '/') {
    id = path;
    return CYqError();
  }
  std::string object = path;
  if (object.back() == '/') object.pop_back();
  if (object.empty()) object = "/";
  struct stat64 st;
  CYqError err = CYqUTFOSAPI::lstat(object.c_str(), &st);
  if (err.Failed()) {
    if (FXErrorUtil::GetErrNo(err) == ENOENT) {
      id = kUnknownDevice;
      return CYqError();
    }
    const std::string text = err.AsString(EErrorOutputFormat::USER_SINGLE_LINE_CODE);
    return err.Push(PATH_LOC, "Could not stat(..) file '%s'. %s", path.c_str(), text.c_str());
  }
  // Block and character devices are their own volumes.
  if ((st.st_mode & 0xB000) == 0x2000) {
    id = path;
    return CYqError();
  }
  std::string real = object;
  if (!S_ISLNK(st.st_mode)) {
    err = MakeRealPath(object, real);
    if (err.Failed()) return err.Push(PATH_LOC, "MakeRealPath failed for %s", object.c_str());
  }
  std::list<ZkMntTab::Entry> volumes;
  err = FXFolder::getLogicalVolumeList(volumes);
  if (err.Failed()) return err.Push(PATH_LOC, "getLogicalVolumeList failed");
  const ZkMntTab::Entry* volume = ZkMntTab::find(volumes, real.c_str());
  if (volume == nullptr)
    return FXErrorUtil::ErrorWin32(PATH_LOC, kErrorBadArguments,
                                   "Could not find mount entry for '%s'", real.c_str());
  struct stat64 mountSt;
  const ino64_t inode = CYqUTFOSAPI::lstat(volume->mountPoint.c_str(), &mountSt).Succeeded()
                            ? mountSt.st_ino
                            : st.st_ino;
  const dev_t device = st.st_rdev != 0 ? st.st_rdev : st.st_dev;
  if (device == 0) {
    id = kUnknownDevice;
    return CYqError();
  }
  id = FXString::Format("{velkora-device-0%X-0%X-%lld}", major(device), minor(device),
                        static_cast<long long>(inode));
  return CYqError();
}

CYqError FXPath::ZKGetVolumeNameForVolumeMountPoint(const std::string& path, std::string& volume) {
  CYqError err = ZKGetVolumeNameForVolumeMountPoint(path, volume, false);
  return err.Failed() ? err.Push(PATH_LOC) : err;
}

CYqError FXPath::ZKGetVolumeNameForVolumeMountPoint(const std::string& path, std::string& volume,
                                                    bool returnPhysicalPath) {
  if (path.empty() || path[0] != '/')
    return FXErrorUtil::ErrorWin32(PATH_LOC, kErrorBadArguments,
                                   "Input path is not absolute or empty");
  std::list<ZkMntTab::Entry> volumes;
  CYqError err = FXFolder::getLogicalVolumeList(volumes);
  if (err.Failed()) return err.Push(PATH_LOC, "getLogicalVolumeList failed");
  struct stat64 st;
  err = CYqUTFOSAPI::stat(path.c_str(), &st);
  if (err.Failed()) return err.Push(PATH_LOC, "Failed to stat source path '%s'", path.c_str());
  YQ_TRACE(3, "source path '%s' st_dev=%llX sd_rdev=%llX", path.c_str(),
           static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_rdev));
  std::string real;
  err = MakeRealPath(path, real);
  if (err.Failed()) return err.Push(PATH_LOC, "MakeRealPath failed.");
  const bool isFolder = S_ISDIR(st.st_mode);

  const ZkMntTab::Entry* chosen = nullptr;
  struct stat64 mountSt;
  for (const ZkMntTab::Entry& entry : volumes) {
    YQ_TRACE(3, "mnt:%s", entry.mountPoint.c_str());
    if (!IsAncestorOf(entry.mountPoint, real, isFolder) &&
        !IsAncestorOf(entry.mountPoint, path, isFolder))
      continue;
    err = CYqUTFOSAPI::stat(entry.mountPoint.c_str(), &mountSt);
    if (err.Failed())
      return err.Push(PATH_LOC, "stat failed on ancestor volume %s", entry.mountPoint.c_str());
    if (S_ISDIR(mountSt.st_mode)) {
      chosen = &entry;
      break;
    }
  }
  if (chosen == nullptr)
    return FXErrorUtil::ErrorWin32(PATH_LOC, kErrorBadArguments,
                                   "Could not find mount entry for '%s'", real.c_str());
  YQ_TRACE(3, "mount path '%s' st_dev=%llX sd_rdev=%llX returnPhysicalPath %d",
           chosen->mountPoint.c_str(), static_cast<unsigned long long>(mountSt.st_dev),
           static_cast<unsigned long long>(mountSt.st_rdev), returnPhysicalPath ? 1 : 0);
  std::string answer = chosen->mountPoint;
  if (!returnPhysicalPath && mountSt.st_dev != st.st_dev) {
    // The path lies on another device than its mount entry says (a bind or sub-volume the
    // table does not list): climb to the highest folder still on the path's device.
    std::string current = real;
    if (isFolder) answer = real;
    for (;;) {
      std::string parent, name;
      if (SplitParentPath(current, parent, name).Failed()) break;
      if (parent.size() > 1) parent.pop_back();
      struct stat64 parentSt;
      if (parent == current || CYqUTFOSAPI::stat(parent.c_str(), &parentSt).Failed() ||
          parentSt.st_dev != st.st_dev)
        break;
      answer = parent;
      current.swap(parent);
    }
  }
  volume.swap(answer);
  return CYqError();
}

// The wide forms: the narrow form on the UTF-8 text, its result converted back.

CYqError FXPath::SplitParentPath(const std::wstring& path, std::wstring& parent,
                                 std::wstring& name) {
  parent.clear();
  name.clear();
  std::string narrow, narrowParent, narrowName;
  CYqError err = ToUtf8(path, narrow);
  if (err.Succeeded()) err = SplitParentPath(narrow, narrowParent, narrowName);
  if (err.Succeeded()) err = ToWide(narrowParent, parent);
  if (err.Succeeded()) err = ToWide(narrowName, name);
  return err.Failed() ? err.Push(PATH_LOC) : err;
}

CYqError FXPath::MakeNativePath(const std::wstring& in, std::wstring& out) {
  std::string narrow, native;
  CYqError err = ToUtf8(in, narrow);
  if (err.Succeeded()) err = MakeNativePath(narrow, native);
  if (err.Succeeded()) err = ToWide(native, out);
  return err.Failed() ? err.Push(PATH_LOC) : err;
}

CYqError FXPath::MakeNativePath(std::wstring& path) { return MakeNativePath(path, path); }

CYqError FXPath::MakeNormalPath(const std::wstring& in, std::wstring& out) {
  std::string narrow, normal;
  CYqError err = ToUtf8(in, narrow);
  if (err.Succeeded()) err = MakeNormalPath(narrow, normal);
  if (err.Succeeded()) err = ToWide(normal, out);
  return err.Failed() ? err.Push(PATH_LOC) : err;
}

CYqError FXPath::MakeNormalPath(std::wstring& path) { return MakeNormalPath(path, path); }

CYqError FXPath::MakeLongPath(const std::wstring& in, std::wstring& out) {
  CYqError err = MakeNativePath(in, out);
  return err.Failed() ? err.Push(PATH_LOC) : err;
}

CYqError FXPath::GetCurrentFolder(std::wstring& folder) {
  std::string narrow;
  CYqError err = GetCurrentFolder(narrow);
  if (err.Succeeded()) err = ToWide(narrow, folder);
  return err.Failed() ? err.Push(PATH_LOC) : err;
}

CYqError FXPath::MakeAbsolutePath(const std::wstring& in, std::wstring& out) {
  std::string narrow, narrowOut;
  CYqError err = ToUtf8(in, narrow);
  if (err.Succeeded()) err = MakeAbsolutePath(narrow, narrowOut);
  if (err.Succeeded()) err = ToWide(narrowOut, out);
  return err.Failed() ? err.Push(PATH_LOC) : err;
}

CYqError FXPath::MakeAbsolutePath(const std::wstring& base, const std::wstring& in,
                                  std::wstring& out) {
  std::string narrowBase, narrow, narrowOut;
  CYqError err = ToUtf8(base, narrowBase);
  if (err.Succeeded()) err = ToUtf8(in, narrow);
  if (err.Succeeded()) err = MakeAbsolutePath(narrowBase, narrow, narrowOut);
  if (err.Succeeded()) err = ToWide(narrowOut, out);
  return err.Failed() ? err.Push(PATH_LOC) : err;
}
