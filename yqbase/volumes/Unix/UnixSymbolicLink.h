// UnixSymbolicLink: the physical path of a path that may pass through symbolic links.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "yqbase/errors/YqExport.h"

/// Resolves a path to its physical path, the parent first and then the last component, and
/// collects the links met so that callers can back them up as links and detect loops. The
/// linked-path list is the loop guard: a link whose target is already in it ends the call.
/// Stateless; the calls block on the file system and may run on any thread with their own
/// lists. A false result leaves `out` unusable; the reason is in the log.
///
///   std::vector<std::string> links;
///   std::string physical;
///   if (UnixSymbolicLink::getPhysicalPath("/home/user/data", physical, links, true, false)) ...
///
/// Deliberate departures, so that no input can hang or crash a caller: a relative input is
/// made absolute against the current folder first, and "." and ".." components are applied
/// to the resolved folder before them (as realpath(3) does); an empty path fails; a call that
/// follows more than 64 links in all, or a map whose entries form a ring, ends as a loop does.
class YQBASE_EXPORT UnixSymbolicLink {
 public:
  /// Resolves `path` through the caller's map only (no link is read from the file system):
  /// each component is looked up as "<path>~<id>~<number>~" and then as "<path>", and a
  /// found path is looked up again. False only for a ring of map entries.
  static bool getPhysicalPath(const std::string& path, std::string& out,
                              std::map<std::string, std::string>& linkMap, long long id,
                              int number);
  /// As the next form; `isRecursion` is true exactly when the call ended at a link loop.
  static bool getPhysicalPath(const std::string& path, std::string& out, bool& isRecursion,
                              std::vector<std::string>& linkedPaths, bool addLinkedPath,
                              bool ignoreStatError);
  /// Resolves `path` through the file system. Every link met is appended to `linkedPaths`
  /// (its path before resolution), and with `addLinkedPath` its target as well; entries stay
  /// when the call fails. False at a loop (a target already in the list), when a link cannot
  /// be read, and when a component cannot be examined: then errno is EMLINK (31), unless
  /// `ignoreStatError` lets the component pass as a plain one.
  static bool getPhysicalPath(const std::string& path, std::string& out,
                              std::vector<std::string>& linkedPaths, bool addLinkedPath,
                              bool ignoreStatError);
};
