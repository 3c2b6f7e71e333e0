// ZkMntTab: reading the mount table and finding the volume of a path.
#include "yqbase/volumes/ZkMntTab.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/logging/LogWriterInterface.h"
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

// One line of the mount table with its escapes decoded and its names in UTF-8.
struct SMountLine {
  std::string fsname, dir, type, opts;
  bool cluster = false;
};

// Decodes the kernel's "\ooo" escapes (space, tab, newline, backslash, "#"); false when the
// result would hold a NUL.
bool Unescape(std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const char* d = field.c_str() + i + 1;
      if (d[0] >= '0' && d[0] <= '3' && d[1] >= '0' && d[1] <= '7' && d[2] >= '0' && d[2] <= '7') {
        const char c = static_cast<char>(((d[0] - '0') << 6) | ((d[1] - '0') << 3) | (d[2] - '0'));
        if (c == '\0') return false;
        out += c;
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  field.swap(out);
  return true;
}

// Splits one table line into its decoded fields; false for a line to leave out.
bool ParseLine(const char* line, const char* typeFilter, SMountLine& mount) {
  std::string fields[4];
  int n = 0;
  for (const char* p = line; *p != '\0' && n < 4;) {
    while (*p == ' ' || *p == '\t') ++p;
    const char* end = p;
    while (*end != '\0' && *end != ' ' && *end != '\t') ++end;
    if (end == p) break;
    fields[n++].assign(p, static_cast<size_t>(end - p));
    p = end;
  }
  if (n < 3) return false;
  for (std::string& field : fields) {
    if (!Unescape(field)) return false;
  }
  // The table holds native names; the library works in UTF-8.
  mount.fsname = TempFsUTF::mbeToUtf(fields[0].c_str(), nullptr);
  mount.dir = TempFsUTF::mbeToUtf(fields[1].c_str(), nullptr);
  mount.dir.resize(TrimmedLength(mount.dir.c_str(), mount.dir.size()));
  mount.type = fields[2];
  mount.opts = fields[3];
  mount.cluster = IsClusterMount(mount.type.c_str(), mount.opts.c_str(), typeFilter);
  return !mount.dir.empty();
}

// Reads every usable line of `tableFile` in the table's order. A missing table has none; a
// damaged line is logged and left out. Failures are errno-type with the reason text.
CYqError ReadTable(const char* tableFile, const char* typeFilter, std::vector<SMountLine>& mounts) {
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
  struct SLine {
    char* text = nullptr;
    size_t capacity = 0;
    ~SLine() { std::free(text); }
  } line;
  ssize_t length;
  unsigned lineNumber = 0;
  while ((length = getline(&line.text, &line.capacity, file.get())) >= 0) {
    ++lineNumber;
    if (length > 0 && line.text[length - 1] == '\n') line.text[--length] = '\0';
    const char* text = line.text;
    while (*text == ' ' || *text == '\t') ++text;
    if (*text == '\0' || *text == '#') continue;
    SMountLine mount;
    if (static_cast<size_t>(length) >= kLineBufferSize) {
      YQ_LOG_FAILURE("%s line %u is %ld bytes long, left out", tableFile, lineNumber,
                     static_cast<long>(length));
    } else if (!ParseLine(text, typeFilter, mount)) {
      YQ_LOG_FAILURE("%s line %u is not a mount entry, left out: %s", tableFile, lineNumber, text);
    } else {
      mounts.push_back(std::move(mount));
    }
  }
  if (std::ferror(file.get())) {
    const int error = errno;
    return FXErrorUtil::ErrorErrNo(MNTTAB_LOC, error, "Failed to read %s: %s", tableFile,
                                   std::strerror(error));
  }
  return CYqError();
}

// Copies `text` into a record field; false when it does not fit.
bool CopyField(char* field, size_t size, const std::string& text) {
  if (text.size() >= size) return false;
  std::memcpy(field, text.c_str(), text.size() + 1);
  return true;
}

void SetErrorText(char* errorText, size_t errorSize, const char* text) {
  if (errorText == nullptr || errorSize == 0) return;
  std::strncpy(errorText, text, errorSize - 1);
  errorText[errorSize - 1] = '\0';
}

// The records of `tableFile`, the last line first, or null with the reason in errorText.
ZkMntEntry* ReadRecords(const char* tableFile, char* errorText, size_t errorSize,
                        const char* typeFilter, int* count) {
  if (count != nullptr) *count = 0;
  SetErrorText(errorText, errorSize, "");
  std::vector<SMountLine> mounts;
  try {
    CYqError err = ReadTable(tableFile, typeFilter, mounts);
    if (err.Failed()) {
      std::vector<FXErrorItemPtr> items = err.GetItems();
      const auto* described =
          items.empty() ? nullptr
                        : dynamic_cast<const FXErrorItemDescription*>(items.front().get());
      SetErrorText(errorText, errorSize,
                   described != nullptr ? described->GetDescription().c_str() : "Failed");
      return nullptr;
    }
  } catch (const std::bad_alloc&) {
    SetErrorText(errorText, errorSize, "Memory allocation failed");
    return nullptr;
  }
  ZkMntEntry* head = nullptr;
  int made = 0;
  for (const SMountLine& mount : mounts) {
    auto* entry = static_cast<ZkMntEntry*>(std::calloc(1, sizeof(ZkMntEntry)));
    if (entry == nullptr) {
      zkFreeMntTab(head);
      SetErrorText(errorText, errorSize, "Memory allocation failed");
      return nullptr;
    }
    if (!CopyField(entry->fsname, sizeof entry->fsname, mount.fsname) ||
        !CopyField(entry->dir, sizeof entry->dir, mount.dir) ||
        !CopyField(entry->opts, sizeof entry->opts, mount.opts) ||
        !CopyField(entry->type, sizeof entry->type, mount.type)) {
      YQ_LOG_FAILURE("Mount entry %s on %s does not fit a record, left out", mount.fsname.c_str(),
                     mount.dir.c_str());
      std::free(entry);
      continue;
    }
    entry->cluster = mount.cluster ? 1 : 0;
    entry->next = head;
    head = entry;
    ++made;
  }
  if (count != nullptr) *count = made;
  return head;
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
    std::vector<SMountLine> mounts;
    CYqError err = ReadTable(tableFile, typeFilter, mounts);
    if (err.Failed()) return err.Push(MNTTAB_LOC);
    std::list<Entry> read;
    bool hasRoot = false;
    for (auto it = mounts.rbegin(); it != mounts.rend(); ++it) {
      Entry entry;
      entry.device = std::move(it->fsname);
      entry.mountPoint = std::move(it->dir);
      entry.cluster = it->cluster;
      entry.fsType = std::move(it->type);
      entry.options = std::move(it->opts);
      hasRoot = hasRoot || entry.mountPoint == "/";
      read.push_back(std::move(entry));
    }
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

// ---- C records -------------------------------------------------------------------------------

ZkMntEntry* zkReadMntTabNew(char* errorText, int errorSize, const char* typeFilter, int* count) {
  return ReadRecords(ZkMntTab::kMountTable, errorText,
                     errorSize > 0 ? static_cast<size_t>(errorSize) : 0, typeFilter, count);
}

ZkMntEntry* zkReadMntTab(char* errorText, int errorSize) {
  return zkReadMntTabNew(errorText, errorSize, nullptr, nullptr);
}

int zkReadMntTab(std::map<std::string, ZkMntEntry*, ltstr>& byMountPoint, int& count,
                 const char* typeFilter, char* errorText, unsigned errorSize) {
  count = 0;
  ZkMntEntry* list = ReadRecords(ZkMntTab::kMountTable, errorText, errorSize, typeFilter, nullptr);
  if (list == nullptr)
    return errorText != nullptr && errorSize > 0 && errorText[0] != '\0' ? -1 : 0;
  try {
    while (list != nullptr) {
      ZkMntEntry* entry = list;
      list = list->next;
      entry->next = nullptr;
      // The list runs from the last line up, so the first of a mount point is the visible one.
      if (byMountPoint.emplace(entry->dir, entry).second)
        ++count;
      else
        std::free(entry);
    }
  } catch (const std::bad_alloc&) {
    zkFreeMntTab(list);
    SetErrorText(errorText, errorSize, "Memory allocation failed");
    return -1;
  }
  return 0;
}

void zkFreeMntTab(ZkMntEntry* list) {
  while (list != nullptr) {
    ZkMntEntry* next = list->next;
    std::free(list);
    list = next;
  }
}

void zkFreeMntTabMap(std::map<std::string, ZkMntEntry*, ltstr>& byMountPoint) {
  for (auto& item : byMountPoint) std::free(item.second);
  byMountPoint.clear();
}

ZkMntEntry* zkMntTabFind(ZkMntEntry* list, const char* path) {
  if (path == nullptr || path[0] == '\0') return nullptr;
  const size_t pathLength = std::strlen(path);
  ZkMntEntry* best = nullptr;
  size_t bestLength = 0;
  for (ZkMntEntry* entry = list; entry != nullptr; entry = entry->next) {
    const size_t length = TrimmedLength(entry->dir, std::strlen(entry->dir));
    if (length == 0 || length > pathLength || std::strncmp(path, entry->dir, length) != 0) continue;
    const bool root = length == 1 && entry->dir[0] == '/';
    if ((root || path[length] == '\0' || path[length] == '/') &&
        (best == nullptr || length > bestLength)) {
      best = entry;
      bestLength = length;
    }
  }
  return best;
}

void GetRootEntry(ZkMntEntry& entry) {
  std::memset(&entry, 0, sizeof entry);
  const ZkMntTab::Entry root = RootEntry();
  CopyField(entry.fsname, sizeof entry.fsname, root.device);
  CopyField(entry.dir, sizeof entry.dir, root.mountPoint);
  CopyField(entry.opts, sizeof entry.opts, root.options);
  CopyField(entry.type, sizeof entry.type, root.fsType);
}
