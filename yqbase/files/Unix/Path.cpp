// FXPath on POSIX: path strings, the current folder, link resolution and volume identities.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/YqPath.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/StringExtensions.h"

// Locations of FXPath carry the file name its log readers know.
#define PATH_LOC (FXCodeLocation{"Unix/Path.cpp", __PRETTY_FUNCTION__, __LINE__})

namespace {

constexpr DWORD kErrorPathNotFound = 3;
constexpr DWORD kErrorBadArguments = 160;
constexpr DWORD kErrorErrorsEncountered = 774;

// How two paths relate, with a the first and b the second path compared.
enum class ERelation { kSame, kBAboveA, kAAboveB, kUnrelated };

ERelation Relate(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return a.empty() && b.empty() ? ERelation::kSame : ERelation::kUnrelated;
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

}  // namespace

CYqError FXPath::Append(std::string& base, const std::string& tail, unsigned flags) {
  if (tail.empty() && (flags & 1) == 0) return CYqError();
  if (base.empty() || base.back() != '/') base += '/';
  base.append(tail, !tail.empty() && tail[0] == '/' ? 1 : 0, std::string::npos);
  return CYqError();
}

CYqError FXPath::SplitParentPath(const std::string& path, std::string& parent,
                                 std::string& name) {
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

bool FXPath::IsAncestorOf(const std::string& ancestor, const std::string& path,
                          bool allowSame) {
  if (&ancestor == &path) return allowSame;
  const ERelation relation = Relate(ancestor, path);
  return relation == ERelation::kAAboveB || (allowSame && relation == ERelation::kSame);
}

bool FXPath::IsSamePathAs(const std::string& a, const std::string& b) {
  return Relate(a, b) == ERelation::kSame;
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
  // Components that survive, as views into `path`; no copies until the result is built.
  std::vector<std::string_view> kept;
  const std::string_view text(path);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('/', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view component = text.substr(start, end - start);
    start = end + 1;
    if (component.empty() || component == ".") continue;
    if (component == "..") {
      if (!kept.empty() && kept.back() != "..")
        kept.pop_back();
      else if (!absolute)
        kept.push_back(component);  // a relative path keeps the ".." it cannot resolve
      continue;
    }
    kept.push_back(component);
  }
  std::string result;
  result.reserve(path.size());
  if (absolute) result += '/';
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) result += '/';
    result.append(kept[i].data(), kept[i].size());
  }
  if (result.empty()) result = ".";
  if (trailingSlash && result.back() != '/') result += '/';
  return result;
}

CYqError FXPath::RemovePathFromFileName(std::string& path, const std::string& prefix) {
  std::string rest = path;
  if (prefix.empty() || path.empty() || path[0] != prefix[0] ||
      !FXString::RemoveLeft(rest, prefix))
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
