// UnixSymbolicLink: resolution of symbolic links, parent first, with the met links as guard.
#include "yqbase/volumes/Unix/UnixSymbolicLink.h"

#include <algorithm>
#include <cerrno>

#include "yqbase/files/YqPath.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/StringExtensions.h"

namespace {

// Links one top-level call may follow before it counts as a loop; deep enough for any real
// tree, small enough to end a link whose target lies below itself.
constexpr int kMaxLinkHops = 64;

// The trace texts of the two file-system forms.
struct SFormTexts {
  const char* parentDone;  // parent, its physical path
  const char* processing;  // candidate
  const char* isLink;      // candidate
};

const SFormTexts kPlainTexts = {
    "For '%s' getPhysicalPath(...) return out:%s:", "Processing getPhysicalPath(...) for path '%s'",
    "path '%s' is a symbolic link; Will add to the list and use it's physical path to continue "
    "the process"};
const SFormTexts kRecursionTexts = {
    "Parent path '%s' converted to '%s'", "Processing path '%s'",
    "path '%s' is a symbolic link. Will add to the list first and use it's physical path to "
    "continue the process"};

// The absolute form of `path` without runs of "/" and without a trailing "/".
std::string Normalized(const std::string& path) {
  std::string abs = CYqPath::AbsPath(path.c_str()).c_str();
  while (abs.size() > 1 && abs.back() == '/') abs.pop_back();
  return abs;
}

// The physical path of component `base` in the physical folder `parent`: "." and ".." act on
// the resolved folder, as the kernel applies them.
std::string JoinComponent(const std::string& parent, const std::string& base) {
  if (base == "." || base.empty()) return parent;
  if (base == "..") {
    std::string up = CYqPath::GetParent(parent.c_str()).c_str();
    return up.empty() ? std::string("/") : up;
  }
  return CYqPath::Append(parent.c_str(), base.c_str()).c_str();
}

// The candidate of `current`: its resolved parent joined with its base name. False when the
// parent cannot be resolved (its failure is already logged).
template <typename ResolveParent>
bool Candidate(const std::string& current, const char* parentDoneText, ResolveParent resolveParent,
               std::string& candidate) {
  std::string parent = CYqPath::GetParent(current.c_str()).c_str();
  std::string base = CYqPath::GetBaseName(current.c_str()).c_str();
  if (parent.empty()) {
    // "/name" has no parent to resolve; only "." and ".." need the root.
    candidate = current.size() > 1 && current[0] == '/' ? JoinComponent("/", base) : current;
    return true;
  }
  std::string physicalParent;
  if (!resolveParent(parent, physicalParent)) return false;
  YQ_TRACE(4, parentDoneText, parent.c_str(), physicalParent.c_str());
  candidate = JoinComponent(physicalParent, base);
  return true;
}

struct SResolveState {
  std::vector<std::string>& linkedPaths;
  bool addLinkedPath;
  bool ignoreStatError;
  const SFormTexts& texts;
  bool isRecursion = false;
  int hopsLeft = kMaxLinkHops;
};

bool ResolveOnDisk(const std::string& path, std::string& out, SResolveState& state) {
  std::string current = path;
  for (;;) {
    YQ_TRACE(4, "Calling getPhysicalPath( '%s',...) addLinkedPath=%d ignoreStatError=%d",
             current.c_str(), state.addLinkedPath ? 1 : 0, state.ignoreStatError ? 1 : 0);
    std::string candidate;
    auto resolveParent = [&state](const std::string& parent, std::string& physical) {
      return ResolveOnDisk(parent, physical, state);
    };
    if (!Candidate(current, state.texts.parentDone, resolveParent, candidate)) return false;
    YQ_TRACE(4, state.texts.processing, candidate.c_str());

    bool isLink = false;
    CYqError err = CYqPath::IsLink(candidate.c_str(), isLink);
    if (err.Failed()) {
      if (!state.ignoreStatError) {
        YQ_LOG_FAILURE("isLink failed for '%s' :%s", candidate.c_str(), err.AsString().c_str());
        errno = EMLINK;
        return false;
      }
      isLink = false;
    }
    if (!isLink) {
      out = candidate;
      YQ_TRACE(4, "physical path is '%s'", out.c_str());
      return true;
    }

    YQ_TRACE(4, state.texts.isLink, candidate.c_str());
    state.linkedPaths.push_back(candidate);
    std::string target;
    err = FXPath::ReadLink(candidate, target);
    if (err.Failed()) {
      YQ_LOG_FAILURE("readlink failed for %s:%s", candidate.c_str(), err.AsString().c_str());
      return false;
    }
    if (!target.empty() && target[0] != '/') {
      std::string folder = CYqPath::GetParent(candidate.c_str()).c_str();
      target = CYqPath::Append(folder.empty() ? "/" : folder.c_str(), target.c_str()).c_str();
    }
    out = Normalized(target);

    const std::vector<std::string>& met = state.linkedPaths;
    if (--state.hopsLeft < 0 || std::find(met.begin(), met.end(), out) != met.end()) {
      YQ_LOG_FAILURE("path '%s' is a recursion symbolic link to the source path", out.c_str());
      state.isRecursion = true;
      return false;
    }
    if (state.addLinkedPath) state.linkedPaths.push_back(out);
    YQ_TRACE(4, "physical path is '%s'", out.c_str());
    current = out;
  }
}

// An empty path names nothing (it would otherwise resolve to the current folder).
bool ResolveTopLevel(const std::string& path, std::string& out, SResolveState& state) {
  if (path.empty()) {
    YQ_LOG_FAILURE("isLink failed for '%s' :%s", "", "empty path");
    errno = EMLINK;
    return false;
  }
  return ResolveOnDisk(Normalized(path), out, state);
}

bool ResolveByMap(const std::string& path, std::string& out,
                  const std::map<std::string, std::string>& linkMap, const std::string& suffix) {
  YQ_TRACE(4, "Calling getPhysicalPath( '%s',...)", path.c_str());
  std::string candidate;
  auto resolveParent = [&linkMap, &suffix](const std::string& parent, std::string& physical) {
    return ResolveByMap(parent, physical, linkMap, suffix);
  };
  if (!Candidate(path, kPlainTexts.parentDone, resolveParent, candidate)) return false;
  YQ_TRACE(4, kPlainTexts.processing, candidate.c_str());

  // Each mapped path may be mapped again; more hops than entries means a ring.
  for (size_t hops = 0;; ++hops) {
    auto found = linkMap.find(candidate + suffix);
    if (found == linkMap.end()) found = linkMap.find(candidate);
    if (found == linkMap.end()) break;
    if (hops >= linkMap.size()) {
      YQ_LOG_FAILURE("path '%s' is a recursion symbolic link to the source path",
                     candidate.c_str());
      return false;
    }
    YQ_TRACE(4,
             "path '%s' is a symbolic link. Will use it's physical path '%s' to continue the "
             "process.",
             candidate.c_str(), found->second.c_str());
    candidate = found->second;
  }
  out = candidate;
  YQ_TRACE(4, "physical path is '%s'", out.c_str());
  return true;
}

}  // namespace

bool UnixSymbolicLink::getPhysicalPath(const std::string& path, std::string& out,
                                       std::map<std::string, std::string>& linkMap, long long id,
                                       int number) {
  const std::string suffix = FXString::Format("~%lld~%d~", id, number);
  return ResolveByMap(path, out, linkMap, suffix);
}

bool UnixSymbolicLink::getPhysicalPath(const std::string& path, std::string& out, bool& isRecursion,
                                       std::vector<std::string>& linkedPaths, bool addLinkedPath,
                                       bool ignoreStatError) {
  SResolveState state{linkedPaths, addLinkedPath, ignoreStatError, kRecursionTexts};
  bool resolved = ResolveTopLevel(path, out, state);
  isRecursion = state.isRecursion;
  return resolved;
}

bool UnixSymbolicLink::getPhysicalPath(const std::string& path, std::string& out,
                                       std::vector<std::string>& linkedPaths, bool addLinkedPath,
                                       bool ignoreStatError) {
  SResolveState state{linkedPaths, addLinkedPath, ignoreStatError, kPlainTexts};
  return ResolveTopLevel(path, out, state);
}
