// ZkMntTab: reading the mount table and finding the volume of a path.
#include "yqbase/volumes/ZkMntTab.h"

#include <mntent.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/volumes/skipFS.h"

// Locations of the mount table carry the file name its log readers know.
#define MNTTAB_LOC (FXCodeLocation{"../ZkLib/ZkMntTab.C", __PRETTY_FUNCTION__, __LINE__})

namespace {

constexpr size_t kLineBufferSize = 4096;

std::string Upper(const char* text) {
  std::string upper = text != nullptr ? text : "";
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool IsClusterMount(const char* type, const char* options, const char* typeFilter) {
  const std::string upperType = Upper(type);
  const bool clusterOption = Upper(options).find("CLUSTER") != std::string::npos;
  if (typeFilter != nullptr && typeFilter[0] != '\0') {
    if (upperType.empty() || Upper(typeFilter).find(upperType) == std::string::npos) return false;
    return upperType != "VXFS" || clusterOption;
  }
  for (const char* shared : {"MMFS", "GPFS", "PSFS", "IBRIX", "OCFS2", "LUSTRE"}) {
    if (upperType == shared) return true;
  }
  if (upperType.compare(0, 3, "NFS") == 0) return true;
  return upperType == "VXFS" && clusterOption;
}

// The length of a mount point or path without its trailing "/" (a lone "/" stays).
size_t TrimmedLength(const char* path, size_t length) {
  while (length > 1 && path[length - 1] == '/') --length;
  return length;
}

struct SFileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

// Reads every entry of `tableFile`, the last one first. A missing table has no entries.
CYqError ReadTable(const char* tableFile, const char* typeFilter,
                   std::list<ZkMntTab::Entry>& entries) {
  struct stat64 st;
  if (TempFsUTF::stat_utf(tableFile, &st) != 0) {
    const int error = errno;
    if (error == ENOENT) return CYqError();
    return FXErrorUtil::ErrorErrNo(MNTTAB_LOC, error, "Failed to stat %s: %s", tableFile,
                                   std::strerror(error));
  }
  std::unique_ptr<FILE, SFileCloser> file(TempFsUTF::fopen_utf(tableFile, "r"));
  if (!file) {
    const int error = errno;
    return FXErrorUtil::ErrorErrNo(MNTTAB_LOC, error, "Failed to open file %s for reading: %s",
                                   tableFile, std::strerror(error));
  }
  char line[kLineBufferSize];
  struct mntent mount;
  while (getmntent_r(file.get(), &mount, line, sizeof line) != nullptr) {
    ZkMntTab::Entry entry;
    // The table holds native names; the library works in UTF-8.
    entry.device = TempFsUTF::mbeToUtf(mount.mnt_fsname, nullptr);
    entry.mountPoint = TempFsUTF::mbeToUtf(mount.mnt_dir, nullptr);
    entry.mountPoint.resize(TrimmedLength(entry.mountPoint.c_str(), entry.mountPoint.size()));
    entry.cluster = IsClusterMount(mount.mnt_type, mount.mnt_opts, typeFilter);
    entry.fsType = mount.mnt_type;
    entry.options = mount.mnt_opts;
    entries.push_front(std::move(entry));
  }
  return CYqError();
}

ZkMntTab::Entry RootEntry() {
  ZkMntTab::Entry root;
  root.device = "root-dev";
  root.mountPoint = "/";
  bool skip = false;
  root.fsType = skipFS::getInstance().GetFsType("/", skip);
  root.options = "default";
  return root;
}

}  // namespace

const char* const ZkMntTab::kMountTable = "/etc/mtab";

CYqError ZkMntTab::getAll(std::list<Entry>& entries) { return getAll(entries, nullptr); }

CYqError ZkMntTab::getAll(std::list<Entry>& entries, const char* typeFilter) {
  CYqError err = getAllFromFile(kMountTable, entries, typeFilter);
  return err.Failed() ? err.Push(MNTTAB_LOC) : err;
}

CYqError ZkMntTab::getAllFromFile(const char* tableFile, std::list<Entry>& entries,
                                  const char* typeFilter) {
  if (tableFile == nullptr) return FXErrorUtil::ErrorWin32(MNTTAB_LOC, 87, "No mount table given");
  try {
    std::list<Entry> read;
    CYqError err = ReadTable(tableFile, typeFilter, read);
    if (err.Failed()) return err.Push(MNTTAB_LOC);
    const bool hasRoot = std::any_of(read.begin(), read.end(),
                                     [](const Entry& entry) { return entry.mountPoint == "/"; });
    if (!hasRoot) read.push_back(RootEntry());
    entries.swap(read);
    return CYqError();
  } catch (const std::bad_alloc&) {
    return FXErrorUtil::ErrorErrNo(MNTTAB_LOC, ENOMEM, "Memory allocation failed");
  }
}

const ZkMntTab::Entry* ZkMntTab::find(const std::list<Entry>& entries, const char* path) {
  if (path == nullptr || path[0] != '/') return nullptr;
  const size_t pathLength = TrimmedLength(path, std::strlen(path));
  const Entry* best = nullptr;
  size_t bestLength = 0;
  for (const Entry& entry : entries) {
    const char* mount = entry.mountPoint.c_str();
    const size_t length = TrimmedLength(mount, entry.mountPoint.size());
    if (length == 0 || length > pathLength || std::strncmp(path, mount, length) != 0) continue;
    const bool holds =
        (length == 1 && mount[0] == '/') || length == pathLength || path[length] == '/';
    if (holds && (best == nullptr || length > bestLength)) {
      best = &entry;
      bestLength = length;
    }
  }
  return best;
}
