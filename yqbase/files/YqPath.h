// FXPath, the path functions over UTF-8 strings, and CYqPath, a path value that answers
// questions about itself and the object it names.
#pragma once

#include <string>
#include <vector>

#include "yqbase/errors/YqError.h"
#include "yqbase/strings/YqString.h"

/// Static functions that join, split, compare, normalize and resolve paths. Paths are UTF-8
/// ("normal") inside the library and in the locale's encoding ("native") at the system-call
/// boundary; the separator is "/". Functions that reach the file system follow symbolic links
/// unless they say otherwise. The wide forms convert to UTF-8, call the narrow form and convert
/// the result back; they are otherwise identical. All functions are thread-safe; those that
/// read the current folder see the process-wide one.
class YQBASE_EXPORT FXPath {
 public:
  /// Appends `tail` to `base` with exactly one "/" between them: one "/" is added unless
  /// `base` ends with one, and one leading "/" of `tail` is dropped. An empty `tail` changes
  /// nothing unless flag bit 0 is set, which still adds the separator. Always succeeds.
  static CYqError Append(std::string& base, const std::string& tail, unsigned flags = 0);

  /// Splits off the last component: "/a/b" and "/a/b/" give "/a/" and "b", "/a" gives "/" and
  /// "a", and a path without "/" gives "/" and the path. Only one trailing "/" is ignored.
  /// Both outputs are emptied first; an empty path (or "/") fails with Win32 code 3.
  [[nodiscard]] static CYqError SplitParentPath(const std::string& path, std::string& parent,
                                                std::string& name);
  [[nodiscard]] static CYqError SplitParentPath(const std::wstring& path, std::wstring& parent,
                                                std::wstring& name);

  /// Whether `ancestor` is a folder above `path` (byte-wise, case-sensitive, one trailing "/"
  /// on either side ignored), or names the same path when `allowSame` is true. "/a" is not
  /// above "/ab"; "/" is above every absolute path; an empty path is related to nothing.
  static bool IsAncestorOf(const std::string& ancestor, const std::string& path, bool allowSame);
  /// Whether both name the same path, ignoring one trailing "/" on either side.
  static bool IsSamePathAs(const std::string& a, const std::string& b);

  /// The path in the locale's encoding. A name the locale cannot represent fails with Win32
  /// code 774 and the converter's text; the in-place form then leaves the path unchanged.
  [[nodiscard]] static CYqError MakeNativePath(const std::string& in, std::string& out);
  [[nodiscard]] static CYqError MakeNativePath(std::string& path);
  [[nodiscard]] static CYqError MakeNativePath(const std::wstring& in, std::wstring& out);
  [[nodiscard]] static CYqError MakeNativePath(std::wstring& path);
  /// The UTF-8 form of a native path; bytes the locale cannot decode travel escaped, so the
  /// conversion always succeeds and MakeNativePath gives the original bytes back.
  static CYqError MakeNormalPath(const std::string& in, std::string& out);
  static CYqError MakeNormalPath(std::string& path);
  [[nodiscard]] static CYqError MakeNormalPath(const std::wstring& in, std::wstring& out);
  [[nodiscard]] static CYqError MakeNormalPath(std::wstring& path);
  /// The native form of a wide path; there is no long-path prefix on this platform.
  [[nodiscard]] static CYqError MakeLongPath(const std::wstring& in, std::wstring& out);

  /// The current folder in UTF-8, of any length up to 65536 bytes; a failure of getcwd is an
  /// errno error with the last buffer size tried.
  [[nodiscard]] static CYqError GetCurrentFolder(std::string& folder);
  [[nodiscard]] static CYqError GetCurrentFolder(std::wstring& folder);

  /// `in` made absolute against the current folder and cleaned of ".." components (textually:
  /// symbolic links are not resolved; see MakeRealPath). Fails only when the current folder
  /// cannot be read.
  [[nodiscard]] static CYqError MakeAbsolutePath(const std::string& in, std::string& out);
  [[nodiscard]] static CYqError MakeAbsolutePath(const std::wstring& in, std::wstring& out);
  /// The same against `base` instead of the current folder. Always succeeds.
  static CYqError MakeAbsolutePath(const std::string& base, const std::string& in,
                                   std::string& out);
  [[nodiscard]] static CYqError MakeAbsolutePath(const std::wstring& base, const std::wstring& in,
                                                 std::wstring& out);

  /// The path with every "name/.." pair and every "." component removed and runs of "/"
  /// collapsed; ".." never climbs above the root of an absolute path, and the leading ".." of
  /// a relative path stay ("../x" is kept). A trailing "/" is kept.
  static std::string removeDotDotFolder(const std::string& path);

  /// Removes `prefix` and then one leading "/" from `path`, leaving the part below the prefix.
  /// The comparison is byte-wise over the prefix's text. A path that does not begin with the
  /// prefix (or an empty prefix) fails with Win32 code 3 and is left unchanged.
  [[nodiscard]] static CYqError RemovePathFromFileName(std::string& path,
                                                       const std::string& prefix);
  /// The part of `path` below `prefix`, or "" when the path does not begin with it.
  static std::string GetFileNameWithoutPath(const std::string& path, const std::string& prefix);
  /// Replaces the leading `oldPrefix` of `path` by `newPrefix`; fails as RemovePathFromFileName
  /// (with `path` unchanged).
  [[nodiscard]] static CYqError ReplacePath(std::string& path, const std::string& oldPrefix,
                                            const std::string& newPrefix);

  /// The target of the symbolic link `link`, of any length; errno error when it is no link.
  [[nodiscard]] static CYqError ReadLink(const std::string& link, std::string& target);

  /// Whether `path` names an existing object (links followed).
  static bool DoesPathExist(const std::string& path);
  /// The same as an error: the stat failure (with "File=..." pushed) when it does not exist;
  /// on success `isNotFolder` tells whether the object is anything but a folder.
  [[nodiscard]] static CYqError DoesPathExist(const std::string& path, bool& isNotFolder);

  /// The physical path of an existing object: every symbolic link along the path is resolved
  /// (absolute and relative targets, links within targets) and "." and ".." are applied to the
  /// resolved folders, as realpath(3) does. A relative input is taken from the current folder.
  /// Fails with the stat error of the first missing component, with ENOTDIR when a component
  /// other than the last is no folder, with ELOOP after 40 links, and with Win32 code 3 for an
  /// empty path. Traces every step at debug level 3.
  [[nodiscard]] static CYqError MakeRealPath(const std::string& in, std::string& out);

  /// A stable identity of the volume holding `path`:
  /// "{velkora-device-0<major>-0<minor>-<inode of the mount point>}" in hexadecimal, decimal.
  /// A device node is its own identity (its path); a path that does not exist gives
  /// "{velkora-device-unknown}", and an empty or relative path is returned unchanged.
  [[nodiscard]] static CYqError ZKGetVolumeUniqueId(const std::string& path, std::string& id);

  /// The mount point of the volume holding the absolute, existing `path`: the longest mount
  /// point of the mounted-volume list above the path (resolved or as given; the path itself
  /// when it is a mounted folder). When that mount point lies on another device than the path
  /// (a bind or sub-volume the table does not list) and `returnPhysicalPath` is false, the
  /// answer is instead the highest folder above the path still on the path's device. Fails
  /// with Win32 code 160 for an empty or relative path, and with the stat, link resolution or
  /// mount-table failure otherwise.
  [[nodiscard]] static CYqError ZKGetVolumeNameForVolumeMountPoint(const std::string& path,
                                                                   std::string& volume,
                                                                   bool returnPhysicalPath);
  [[nodiscard]] static CYqError ZKGetVolumeNameForVolumeMountPoint(const std::string& path,
                                                                   std::string& volume);

  /// Appends the pieces of `text` cut at every character of `separators` to `out`; flag bit 0
  /// keeps empty pieces. Always succeeds.
  static CYqError SplitPaths(const std::string& text, const std::string& separators,
                             std::vector<std::string>& out, unsigned flags = 0);
};

/// One path held as text, with questions about its shape and about the object it names. The
/// constructor collapses runs of "/" ("a//b" is held as "a/b") and changes nothing else. A
/// value: copies are independent. Each member question has a static twin that takes the path
/// as text. The questions about the object go to the file system and block; the `bool&` forms
/// return the failure, the plain forms answer false on failure.
class YQBASE_EXPORT CYqPath {
 public:
  CYqPath() = default;
  /// A copy of `path` (null: empty) with runs of "/" collapsed.
  explicit CYqPath(const char* path);

  const char* c_str() const { return m_path.c_str(); }
  const CYqString& GetPath() const { return m_path; }

  /// The text after the last "/", or the whole path without one.
  CYqString GetBaseName() const;
  static CYqString GetBaseName(const char* path);
  /// The text before the last "/"; "" for "/" and for a path without "/" (so also for "/a").
  CYqString GetParent() const;
  static CYqString GetParent(const char* path);
  /// The text after the last "." of the base name, or "".
  CYqString GetExt() const;
  static CYqString GetExt(const char* path);
  /// "/" for an absolute path, else "".
  CYqString GetRoot() const;
  static CYqString GetRoot(const char* path);
  /// Whether the path is exactly "/".
  bool IsRoot() const;
  static bool IsRoot(const char* path);
  bool IsAbsolute() const;
  static bool IsAbsolute(const char* path);
  /// There are no UNC paths on this platform: always false.
  bool IsUNC() const { return false; }
  static bool IsUNC(const char*) { return false; }
  /// Always false with both outputs emptied: there is no server or share.
  bool SplitUNC(CYqString& server, CYqString& share) const;
  static bool SplitUNC(const char* path, CYqString& server, CYqString& share);
  /// A relative path prefixed with the current folder and "/"; an absolute path as it is.
  /// When the current folder cannot be read the failure is logged and the path returned.
  CYqString AbsPath() const;
  static CYqString AbsPath(const char* path);
  /// `a`, one "/", and `b` (separators already at the junction are not doubled).
  static CYqString Append(const char* a, const char* b);
  /// The components: for an absolute path "/" first, then every non-empty piece between "/"
  /// or "\\" separators.
  void Split(std::vector<CYqString>& components) const;
  static void Split(const char* path, std::vector<CYqString>& components);

  // The type of the object (links followed, except by IsLink). The bool& forms fail with
  // the errno of stat and the path in the description.
  [[nodiscard]] CYqError IsDirectory(bool& answer) const;
  [[nodiscard]] static CYqError IsDirectory(const char* path, bool& answer);
  bool IsDirectory() const;
  static bool IsDirectory(const char* path);
  bool IsFile() const;
  static bool IsFile(const char* path);
  [[nodiscard]] CYqError IsBlockDev(bool& answer) const;
  [[nodiscard]] static CYqError IsBlockDev(const char* path, bool& answer);
  bool IsBlockDev() const;
  static bool IsBlockDev(const char* path);
  [[nodiscard]] CYqError IsCharDev(bool& answer) const;
  [[nodiscard]] static CYqError IsCharDev(const char* path, bool& answer);
  bool IsCharDev() const;
  static bool IsCharDev(const char* path);
  [[nodiscard]] CYqError IsLink(bool& answer) const;
  [[nodiscard]] static CYqError IsLink(const char* path, bool& answer);
  bool IsLink() const;
  static bool IsLink(const char* path);
  /// Whether the object exists (links followed); always succeeds.
  CYqError Exists(bool& answer) const;
  static CYqError Exists(const char* path, bool& answer);
  bool Exists() const;
  static bool Exists(const char* path);

  /// Whether the path is "/" or lies below one of s_systemPrefixes ("/etc" itself does not).
  bool IsSystemPath() const;
  static bool IsSystemPath(const char* path);
  /// The protected system folders, each with its trailing "/", ending with a null entry.
  static const char* const s_systemPrefixes[14];

  /// Deletion permissions are not managed on this platform: both do nothing and succeed.
  CYqError GrantDeletePermissionsEx(const char* account) const;
  CYqError RevokeDeletePermissions(const char* account) const;

 private:
  CYqString m_path;
};
