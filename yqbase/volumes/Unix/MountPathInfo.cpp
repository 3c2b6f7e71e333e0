// MountPathInfo: expansion of content paths by volumes, with the automounter and stale lists.
#include "yqbase/volumes/Unix/MountPathInfo.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/YqDirectory.h"
#include "yqbase/files/YqPath.h"
#include "yqbase/files/utfFsUtils.h"
#include "yqbase/filters/FilterTerm.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/StringExtensions.h"
#include "yqbase/threads/SendEventInterface.h"
#include "yqbase/volumes/skipFS.h"

std::vector<std::string> MountPathInfo::mAutoMountList;
std::list<ZkMntTab::Entry> MountPathInfo::m_lstStaleFS;
bool MountPathInfo::m_bIsStale = false;
bool MountPathInfo::automountAlreadyParsed = false;

namespace {

// Automounter output lines longer than this cannot name a mount point and are skipped.
constexpr size_t kMaxCommandLine = 4095;

// A command's output stream; pclose on destruction unless Close was called.
class CCommandPipe {
 public:
  explicit CCommandPipe(const char* command) : m_fp(::popen(command, "r")) {}
  ~CCommandPipe() {
    if (m_fp != nullptr) ::pclose(m_fp);
  }
  CCommandPipe(const CCommandPipe&) = delete;
  CCommandPipe& operator=(const CCommandPipe&) = delete;
  FILE* get() const { return m_fp; }
  // Whether the shell ran the command (it exits with 127 when it cannot find it).
  bool CloseAndCheckStarted() {
    int status = ::pclose(m_fp);
    m_fp = nullptr;
    return status != -1 && !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
  }

 private:
  FILE* m_fp;
};

// Calls `handle` with each line of the stream (without its line end); overlong lines and
// lines holding NUL bytes are logged and skipped.
template <typename Handler>
void ForEachLine(FILE* fp, const char* command, Handler handle) {
  char* raw = nullptr;
  size_t capacity = 0;
  std::unique_ptr<char, decltype(&std::free)> owner(nullptr, &std::free);
  for (ssize_t length; (length = ::getline(&raw, &capacity, fp)) >= 0;) {
    owner.release();
    owner.reset(raw);
    std::string line(raw, static_cast<size_t>(length));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.size() > kMaxCommandLine || line.find('\0') != std::string::npos) {
      YQ_LOG_FAILURE("Skipping unreadable output line of '%s' (%zu bytes)", command, line.size());
      continue;
    }
    handle(line);
  }
  owner.release();
  owner.reset(raw);
}

std::string Trimmed(const std::string& text) {
  const char* blanks = " \t";
  size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Whether `path` is `ancestor` or lies below it (whole components).
bool IsAtOrBelow(const std::string& path, const std::string& ancestor) {
  if (ancestor == "/") return !path.empty() && path[0] == '/';
  return path.compare(0, ancestor.size(), ancestor) == 0 &&
         (path.size() == ancestor.size() || path[ancestor.size()] == '/');
}

bool IsStrictlyBelow(const std::string& path, const std::string& ancestor) {
  return path != ancestor && IsAtOrBelow(path, ancestor);
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && ::strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

// The options of one expansion.
struct SOptions {
  bool isClusterGroupClient = false;
  bool isClusterFSFilter = false;
  bool isFollowMountPoint = false;
  bool isSkipFSCheck = false;
  bool isGpfsScan = false;
  bool isGlusterScan = false;
  bool isLustreScan = false;
  bool isDisableAutomountCheck = false;
  std::string sClusteredFSTypes;

  CYqError Read(const CBagPtr& bag) {
    const struct {
      const char* key;
      bool* value;
    } flags[] = {{"isClusterGroupClient", &isClusterGroupClient},
                 {"isClusterFSFilter", &isClusterFSFilter},
                 {"isFollowMountPoint", &isFollowMountPoint},
                 {"isSkipFSCheck", &isSkipFSCheck},
                 {"isGpfsScan", &isGpfsScan},
                 {"isGlusterScan", &isGlusterScan},
                 {"isLustreScan", &isLustreScan},
                 {"isDisableAutomountCheck", &isDisableAutomountCheck}};
    if (!bag) return CYqError();
    for (const auto& flag : flags) {
      CYqError err = bag->Read(flag.key, *flag.value, CBag::kFlagOptional);
      if (err.Failed()) return err.Push(YQ_LOC, "invalid option '%s'", flag.key);
    }
    CYqError err = bag->Read("sClusteredFSTypes", sClusteredFSTypes, CBag::kFlagOptional);
    if (err.Failed()) return err.Push(YQ_LOC, "invalid option '%s'", "sClusteredFSTypes");
    return CYqError();
  }

  // A cluster volume: its type is in "sClusteredFSTypes" when that is set, else the mount
  // table's own cluster mark.
  bool IsCluster(const ZkMntTab::Entry& volume, const std::string& type) const {
    if (sClusteredFSTypes.empty()) return volume.cluster;
    std::vector<std::string> types;
    (void)FXPath::SplitPaths(sClusteredFSTypes, ",:; ", types);
    for (const std::string& listed : types)
      if (EqualsNoCase(listed, type)) return true;
    return false;
  }
};

void AddAutoMount(std::vector<std::string>& list, const std::string& mountPoint) {
  if (std::find(list.begin(), list.end(), mountPoint) == list.end()) list.push_back(mountPoint);
}

// Whether the service reports the automounter stopped (the line saying so goes to `status`);
// false also when the service cannot run.
bool IsAutomounterStopped(std::string& status) {
  const char* command = "service autofs status";
  CCommandPipe pipe(command);
  if (pipe.get() == nullptr) {
    YQ_LOG_FAILURE("service autofs status failed");
    return false;
  }
  bool stopped = false;
  ForEachLine(pipe.get(), command, [&](const std::string& line) {
    if (!stopped && (line.find("automount is stopped") != std::string::npos ||
                     line.find("Active: inactive") != std::string::npos ||
                     line.find("autofs stop/waiting") != std::string::npos)) {
      stopped = true;
      status = Trimmed(line);
    }
  });
  if (!pipe.CloseAndCheckStarted()) YQ_LOG_FAILURE("service autofs status failed");
  return stopped;
}

}  // namespace

// ---- CRemoteMountConfig ------------------------------------------------------------------

MountPathInfo::CRemoteMountConfig& MountPathInfo::CRemoteMountConfig::GetInstance() {
  static CRemoteMountConfig* instance = [] {
    auto_lock guard(&g_oLock);
    return new CRemoteMountConfig;  // never destroyed: hosts may use it during exit
  }();
  return *instance;
}

void MountPathInfo::CRemoteMountConfig::Add(const CRemoteMount& mount) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_mounts.push_back(mount);
}

void MountPathInfo::CRemoteMountConfig::Clear() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_mounts.clear();
}

std::list<MountPathInfo::CRemoteMount> MountPathInfo::CRemoteMountConfig::GetAll() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_mounts;
}

bool MountPathInfo::CRemoteMountConfig::Find(const std::string& mountPoint,
                                             CRemoteMount& mount) const {
  std::lock_guard<std::mutex> guard(m_lock);
  for (const CRemoteMount& known : m_mounts) {
    if (known.mountPoint == mountPoint) {
      mount = known;
      return true;
    }
  }
  return false;
}

bool MountPathInfo::CmpZkMntTabEntry::operator()(const ZkMntTab::Entry& a,
                                                 const ZkMntTab::Entry& b) const {
  int order = std::strcmp(a.mountPoint.c_str(), b.mountPoint.c_str());
  return m_flag == 1 ? order > 0 : order < 0;
}

// ---- automounter ---------------------------------------------------------------------------

CYqError MountPathInfo::ParseAutomountCommand() {
  if (automountAlreadyParsed) return CYqError();
  std::string status;
  if (IsAutomounterStopped(status)) {
    YQ_TRACE(1, "Automount services not running [%s]. Not checking for automount dumpmaps",
             status.c_str());
    automountAlreadyParsed = true;
    return CYqError();
  }

  const char* command = "automount --dumpmaps 2>&1";
  CCommandPipe pipe(command);
  // A missing automounter is asked once per process, as a present one is.
  automountAlreadyParsed = true;
  if (pipe.get() == nullptr)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "failed to collect automount maps");
  std::vector<std::string> list;
  bool unsupported = false;
  bool directMap = false;
  ForEachLine(pipe.get(), command, [&](const std::string& line) {
    if (line.find("automount: Ambiguous or unknown options") != std::string::npos)
      unsupported = true;
    const std::string text = Trimmed(line);
    static const char kMountPoint[] = "Mount point:";
    if (text.compare(0, sizeof kMountPoint - 1, kMountPoint) == 0) {
      std::string mountPoint = Trimmed(text.substr(sizeof kMountPoint - 1));
      directMap = mountPoint == "/-";
      if (!directMap && !mountPoint.empty() && mountPoint[0] == '/') {
        YQ_TRACE(2, "Adding %s to AutoMountList", mountPoint.c_str());
        AddAutoMount(list, mountPoint);
      }
    } else if (directMap && !text.empty() && text[0] == '/') {
      // "<key> | <options> <location>": the key of a direct map is its mount point.
      std::string mountPoint = text.substr(0, text.find_first_of(" \t|"));
      YQ_TRACE(2, "Adding Direct mount %s to AutoMountList", mountPoint.c_str());
      AddAutoMount(list, mountPoint);
    }
  });
  if (!pipe.CloseAndCheckStarted())
    return FXErrorUtil::ErrorErrNo(YQ_LOC, ENOENT, "failed to collect automount maps");

  if (unsupported) {
    YQ_TRACE(1,
             "Automount dumpmaps command is not supported. Create AutoMountList from Logical "
             "Volume List");
    std::list<ZkMntTab::Entry> volumes;
    CYqError err = FXFolder::getLogicalVolumeList(volumes);
    if (err.Failed()) return err.Push(YQ_LOC, "getLogicalVolumeList failed");
    for (const ZkMntTab::Entry& volume : volumes) {
      if (volume.fsType != "autofs") continue;
      YQ_TRACE(2, "Adding %s of type %s to AutoMountList", volume.mountPoint.c_str(),
               volume.fsType.c_str());
      AddAutoMount(list, volume.mountPoint);
    }
  }
  std::sort(list.begin(), list.end());
  mAutoMountList.swap(list);
  return CYqError();
}

bool MountPathInfo::CheckForAutoFS(const char* path) {
  if (path == nullptr || *path == '\0') return false;
  std::string self = path;
  while (self.size() > 1 && self.back() == '/') self.pop_back();
  std::string parent = CYqPath::GetParent(self.c_str()).c_str();
  if (parent.empty()) parent = self[0] == '/' ? "/" : self;
  for (const std::string* candidate : {&parent, &self}) {
    if (std::binary_search(mAutoMountList.begin(), mAutoMountList.end(), *candidate)) {
      YQ_TRACE(1, "Will be skipping %s as %s is autofs", path, candidate->c_str());
      return true;
    }
  }
  return false;
}

std::vector<std::string> MountPathInfo::GetAutoMountList() { return mAutoMountList; }

// ---- stale mounts --------------------------------------------------------------------------

void MountPathInfo::SetStaleFSList(std::list<ZkMntTab::Entry>& staleMounts) {
  m_lstStaleFS = staleMounts;
  m_bIsStale = !m_lstStaleFS.empty();
}

bool MountPathInfo::CheckInStaleFSList(const std::string& path) {
  for (const ZkMntTab::Entry& stale : m_lstStaleFS)
    if (IsAtOrBelow(path, stale.mountPoint)) return true;
  return false;
}

bool MountPathInfo::IsStaleFSPresent() { return m_bIsStale; }

// ---- expansion -----------------------------------------------------------------------------

namespace {

bool IsGpfsType(const std::string& type) { return type == "gpfs" || type == "mmfs"; }

// The message format (path, volume, type) when a GPFS, Gluster or Lustre scan leaves out a
// volume of `type`, or null when the scan options take it.
const char* ScanTypeMismatch(const SOptions& options, const std::string& type) {
  if (options.isGpfsScan && !IsGpfsType(type))
    return "Path %s belonging to non-Gpfs volume %s (%s) is skipped because this is a GPFS "
           "subclient";
  if (options.isGlusterScan && type != "fuse.glusterfs")
    return "Path %s belonging to non-Gluster volume %s (%s) is skipped because this is a "
           "Gluster subclient";
  if (options.isLustreScan && type != "lustre")
    return "Path %s belonging to non-Lustre Filesystem %s (%s) is skipped because this is a "
           "Lustre subclient";
  return nullptr;
}

// Whether the descendant mount `volume` is scanned; every reason to leave it out is logged,
// and reported as a skipped volume.
bool IsMountScanned(const ZkMntTab::Entry& volume, const std::list<ZkMntTab::Entry>& volumes,
                    const ZkMntTab::Entry& source, const SOptions& options) {
  const char* mountPoint = volume.mountPoint.c_str();
  std::string type = volume.fsType;
  bool skip = false;
  if (MountPathInfo::CheckInStaleFSList(volume.mountPoint)) {
    // Checked before stat: a stale network mount would block it.
    YQ_TRACE(1, " Mount '%s' of type [%s] is a stale mount point", mountPoint, type.c_str());
    YQ_TRACE(1, "%s of type [%s] is skipped due to stale", mountPoint, type.c_str());
    skip = true;
  } else {
    struct stat64 st;
    CYqError err = CYqUTFOSAPI::stat(mountPoint, &st);
    if (err.Failed()) {
      YQ_LOG_FAILURE("Failed to stat mount path '%s'", mountPoint);
      YQ_LOG_FAILURE("%s", err.AsString().c_str());
      return false;
    }
    YQ_TRACE(2, "mount path '%s' st_dev=%lX sd_rdev=%lX", mountPoint,
             static_cast<unsigned long>(st.st_dev), static_cast<unsigned long>(st.st_rdev));
    if (!S_ISDIR(st.st_mode)) YQ_TRACE(2, "'%s' is a file mount point", mountPoint);
    // A loopback mount shows the path it mirrors; the rules apply to that path's volume.
    const ZkMntTab::Entry* ruled = &volume;
    if (volume.fsType == "lofs") {
      const ZkMntTab::Entry* mirrored = ZkMntTab::find(volumes, volume.device.c_str());
      if (mirrored != nullptr && mirrored->mountPoint != volume.mountPoint) ruled = mirrored;
    }
    type = ruled->fsType;
    const bool isCluster = options.IsCluster(*ruled, type);
    if (volume.device.find("nssvol") != std::string::npos) {
      YQ_TRACE(1, "mtab entry has nssvol for [%s]", mountPoint);
      YQ_TRACE(1, "%s volume [%s] is skipped", type.c_str(), mountPoint);
      skip = true;
    } else if (!options.isSkipFSCheck && skipFS::getInstance().isSkipFS(type.c_str())) {
      YQ_TRACE(1, "%s volume [%s] is skipped", type.c_str(), mountPoint);
      skip = true;
    } else if (options.isClusterFSFilter && isCluster && !options.isClusterGroupClient) {
      YQ_TRACE(1, "Cluster volume [%s] is skipped on non-cluster instance", mountPoint);
      skip = true;
    } else if (options.isClusterFSFilter && !isCluster && options.isClusterGroupClient) {
      YQ_TRACE(1, "Non-cluster volume [%s] is skipped on cluster instance", mountPoint);
      skip = true;
    } else if (options.isGpfsScan && !IsGpfsType(type)) {
      YQ_TRACE(1, "Non-Gpfs volume %s is skipped because this is a GPFS subclient", mountPoint);
      skip = true;
    } else if (const char* mismatch = ScanTypeMismatch(options, type)) {
      YQ_TRACE(1, mismatch, mountPoint, mountPoint, type.c_str());
      skip = true;
    } else if (MountPathInfo::CheckForAutoFS(mountPoint)) {
      skip = true;
    }
  }
  YQ_TRACE(2, "mntType=%s, Using mntType=%s, sourceMntType=%s volume=%s, isSkip=%s",
           volume.fsType.c_str(), type.c_str(), source.fsType.c_str(), mountPoint,
           skip ? "yes" : "no");
  if (skip) ISendEventInterface::GetInstance()->SendSkipFSEvent(volume.mountPoint, type, 0);
  return !skip;
}

// Whether the content path's own volume is scanned under the instance and scan options.
bool IsSourceScanned(const std::string& path, const ZkMntTab::Entry& source,
                     const SOptions& options) {
  if (options.isClusterFSFilter && options.isClusterGroupClient &&
      !options.IsCluster(source, source.fsType)) {
    YQ_TRACE(1, "source [%s] will not be scanned by Cluster Instance", path.c_str());
    return false;
  }
  const char* mismatch = ScanTypeMismatch(options, source.fsType);
  if (mismatch == nullptr) return true;
  YQ_TRACE(1, mismatch, path.c_str(), source.mountPoint.c_str(), source.fsType.c_str());
  return false;
}

}  // namespace

CYqError MountPathInfo::expandContentPathByVolumes(const std::string& path,
                                                   std::list<ContentEntry>& entries,
                                                   CBagPtr& options) {
  if (CFilterTerm::IsWildcardItem(path))
    return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "path should not include wild-card elements");
  skipFS& fsTypes = skipFS::getInstance();
  YQ_TRACE(2, "autofs is %sa skipped file system type", fsTypes.isSkipFS("autofs") ? "" : "not ");
  SOptions opt;
  CYqError err = opt.Read(options);
  if (err.Failed()) return err;
  if (!opt.isDisableAutomountCheck) {
    err = ParseAutomountCommand();
    if (err.Failed()) YQ_LOG_FAILURE("Automount check skipped: %s", err.AsString().c_str());
  }

  std::list<ZkMntTab::Entry> volumes;
  err = FXFolder::getLogicalVolumeList(volumes);
  if (err.Failed()) return err.Push(YQ_LOC, "getLogicalVolumeList failed");
  volumes.sort(CmpZkMntTabEntry());

  // A path on a stale mount is not touched: stat would block on it.
  if (CheckInStaleFSList(path))
    return FXErrorUtil::ErrorErrNo(YQ_LOC, ESTALE, "source path '%s' is on a stale mount",
                                   path.c_str());
  std::string real;
  err = FXPath::MakeRealPath(path, real);
  if (err.Failed()) {
    if (FXErrorUtil::IsErrNo(err, ENOENT) || FXErrorUtil::IsErrNo(err, ENOTDIR))
      return err.Push(YQ_LOC, "requested path [%s] not found", path.c_str());
    return err.Push(YQ_LOC, "MakeRealPath failed.");
  }
  if (CheckInStaleFSList(real))
    return FXErrorUtil::ErrorErrNo(YQ_LOC, ESTALE, "source path '%s' is on a stale mount",
                                   real.c_str());
  struct stat64 st;
  err = CYqUTFOSAPI::stat(real.c_str(), &st);
  if (err.Failed()) return err.Push(YQ_LOC, "Failed to stat source path '%s'", real.c_str());
  YQ_TRACE(2, "source path '%s' st_dev=%lX sd_rdev=%lX", real.c_str(),
           static_cast<unsigned long>(st.st_dev), static_cast<unsigned long>(st.st_rdev));
  const ZkMntTab::Entry* source = ZkMntTab::find(volumes, real.c_str());
  if (source == nullptr)
    return FXErrorUtil::ErrorWin32(YQ_LOC, 1168, "no volume holds '%s'", real.c_str());
  YQ_TRACE(2, "For source path '%s' the volume name is '%s'", real.c_str(),
           source->mountPoint.c_str());
  bool sourceSkip = false;
  const std::string detected = fsTypes.GetFsType(real.c_str(), sourceSkip, &st);
  YQ_TRACE(2, "Source path '%s' file system is '%s' %s", real.c_str(), source->fsType.c_str(),
           sourceSkip ? "must skip" : FXString::Format(" [%s]", detected.c_str()).c_str());

  std::list<ContentEntry> expanded;
  if (IsSourceScanned(real, *source, opt)) {
    expanded.push_back(ContentEntry{ContentEntry::kContentPath, real, source->mountPoint, {}});
  } else if (opt.isFollowMountPoint) {
    // The mounts below may still be volumes this instance or scan is for.
    if (opt.isClusterFSFilter && opt.isClusterGroupClient)
      YQ_TRACE(1, "force scan nested mounts on a cluster instance");
  } else {
    return CYqError();
  }

  // Ascending mount points: every mount comes after the mounts above it, and of several
  // mounts on one point the visible one (first in the volume list) comes first.
  const std::string* previous = nullptr;
  for (const ZkMntTab::Entry& volume : volumes) {
    if (!IsStrictlyBelow(volume.mountPoint, real)) continue;
    if (previous != nullptr && *previous == volume.mountPoint) continue;
    previous = &volume.mountPoint;
    YQ_TRACE(2, "Mount '%s' of type [%s] is descendant of source path '%s'",
             volume.mountPoint.c_str(), volume.fsType.c_str(), real.c_str());
    const bool scanned = IsMountScanned(volume, volumes, *source, opt);
    for (ContentEntry& entry : expanded) {
      if (!IsStrictlyBelow(volume.mountPoint, entry.path)) continue;
      if (entry.kind == ContentEntry::kContentPath)
        YQ_TRACE(2, "Exclude descendant path '%s'", volume.mountPoint.c_str());
      else
        YQ_TRACE(2, "Exclude descendent mount path %s", volume.mountPoint.c_str());
      entry.excludes.push_back(volume.mountPoint);
    }
    if (scanned && opt.isFollowMountPoint) {
      YQ_TRACE(2, "Adding descendant path '%s'", volume.mountPoint.c_str());
      expanded.push_back(
          ContentEntry{ContentEntry::kDescendantMount, volume.mountPoint, volume.mountPoint, {}});
    }
  }
  entries.splice(entries.end(), expanded);
  return CYqError();
}

CYqError MountPathInfo::prepareContentPathByVolumes(const std::list<std::string>& paths,
                                                    std::list<ContentEntry>& entries,
                                                    CBagPtr& options) {
  for (const std::string& path : paths) {
    CYqError err = expandContentPathByVolumes(path, entries, options);
    if (err.Failed()) return err.Push(YQ_LOC, "content path '%s'", path.c_str());
  }
  return CYqError();
}
