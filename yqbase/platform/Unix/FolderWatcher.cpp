#include "yqbase/platform/FolderWatcher.h"

#include <dirent.h>
#include <errno.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LogWriterInterface.h"

namespace {

constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MODIFY | IN_ATTRIB | IN_MOVED_FROM |
                                IN_MOVED_TO | IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK;
// How long a move-out waits for its move-in partner that the kernel queues right after it.
constexpr int kPairWaitMs = 10;

bool IsNotSupported(int error) { return error == ENOSPC || error == EMFILE || error == ENOSYS; }

// A file descriptor closed on destruction.
struct SFd {
  int fd = -1;
  ~SFd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

IFolderWatcherCallback::~IFolderWatcherCallback() = default;

class CFolderWatcherPrivate {
 public:
  std::string root;
  IFolderWatcherCallback* callback = nullptr;
  SFd inotify;
  SFd wake;
  std::unordered_map<int, std::string> folders;  // watch descriptor -> folder path
  std::atomic<size_t> watchCount{0};
  // A move-out waiting for its move-in.
  uint32_t pendingCookie = 0;
  bool pendingIsFolder = false;
  std::string pendingPath;
  bool hasPending = false;

  void Deliver(EFolderWatcherFolderAction::Type action, const std::string& path) {
    callback->OnFolderAction(action, path);
  }

  // Watches `folder` and every folder below it. While running (`report`), entries found are
  // reported as ADDED and a refused watch as RESCAN_FOLDER; before, a refusal is returned.
  CYqError AddTree(const std::string& folder, bool report) {
    const int wd = ::inotify_add_watch(inotify.fd, folder.c_str(), kWatchMask);
    if (wd < 0) {
      const int error = errno;
      if (report) {
        if (error != ENOENT && error != ENOTDIR)
          Deliver(EFolderWatcherFolderAction::RESCAN_FOLDER, folder);
        return CYqError();
      }
      if (IsNotSupported(error))
        return FXErrorUtil::ErrorErrNo(
            YQ_LOC, error, "FolderWatcher not supported: cannot watch %s", folder.c_str());
      return FXErrorUtil::ErrorErrNo(YQ_LOC, error, "%s", folder.c_str());
    }
    folders[wd] = folder;
    watchCount.store(folders.size());
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return CYqError();  // gone again; its removal is reported
    CYqError err;
    // The 64-bit forms: the plain ones fail with EOVERFLOW in 32-bit processes on file systems
    // with 64-bit inode numbers or offsets, and sub-folders would go unwatched.
    while (const dirent64* entry = ::readdir64(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "/" + name;
      bool isFolder = entry->d_type == DT_DIR;
      struct stat64 st;
      if (entry->d_type == DT_UNKNOWN && ::lstat64(path.c_str(), &st) == 0)
        isFolder = S_ISDIR(st.st_mode);
      if (report) Deliver(EFolderWatcherFolderAction::ADDED, path);
      if (isFolder) {
        err = AddTree(path, report);
        if (err.Failed()) break;
      }
    }
    ::closedir(dir);
    return err;
  }

  // Forgets the watches of `folder` and below (a folder moved out of the tree).
  void RemoveTree(const std::string& folder) {
    for (auto it = folders.begin(); it != folders.end();) {
      if (it->second == folder || it->second.compare(0, folder.size() + 1, folder + "/") == 0) {
        ::inotify_rm_watch(inotify.fd, it->first);
        it = folders.erase(it);
      } else {
        ++it;
      }
    }
    watchCount.store(folders.size());
  }

  // Renames the watched paths of a folder moved inside the tree.
  void RenameTree(const std::string& from, const std::string& to) {
    for (auto& entry : folders) {
      std::string& path = entry.second;
      if (path == from)
        path = to;
      else if (path.compare(0, from.size() + 1, from + "/") == 0)
        path = to + path.substr(from.size());
    }
  }

  // A move-out whose move-in never came: the entry left the tree.
  void FlushPending() {
    if (!hasPending) return;
    hasPending = false;
    if (pendingIsFolder) RemoveTree(pendingPath);
    Deliver(EFolderWatcherFolderAction::REMOVED, pendingPath);
  }

  void Handle(const inotify_event& event) {
    if (event.mask & IN_Q_OVERFLOW) {
      FlushPending();
      Deliver(EFolderWatcherFolderAction::RESCAN_FOLDER, root);
      return;
    }
    const auto folder = folders.find(event.wd);
    if (event.mask & IN_IGNORED) {
      if (folder != folders.end()) folders.erase(folder);
      watchCount.store(folders.size());
      return;
    }
    if (folder == folders.end() || event.len == 0) return;
    const std::string path = folder->second + "/" + event.name;
    const bool isFolder = (event.mask & IN_ISDIR) != 0;
    if (hasPending && !((event.mask & IN_MOVED_TO) && event.cookie == pendingCookie))
      FlushPending();
    if (event.mask & IN_MOVED_FROM) {
      hasPending = true;
      pendingCookie = event.cookie;
      pendingIsFolder = isFolder;
      pendingPath = path;
    } else if (event.mask & IN_MOVED_TO) {
      if (hasPending) {
        hasPending = false;
        if (isFolder) RenameTree(pendingPath, path);
        Deliver(EFolderWatcherFolderAction::RENAMED_OLD_NAME, pendingPath);
        Deliver(EFolderWatcherFolderAction::RENAMED_NEW_NAME, path);
      } else {
        Deliver(EFolderWatcherFolderAction::ADDED, path);
        if (isFolder) (void)AddTree(path, true);
      }
    } else if (event.mask & IN_CREATE) {
      Deliver(EFolderWatcherFolderAction::ADDED, path);
      if (isFolder) (void)AddTree(path, true);
    } else if (event.mask & IN_DELETE) {
      Deliver(EFolderWatcherFolderAction::REMOVED, path);
    } else if (event.mask & (IN_MODIFY | IN_ATTRIB)) {
      Deliver(EFolderWatcherFolderAction::MODIFIED, path);
    }
  }

  // Waits for events (or the wake-up) and handles what arrived; false once woken to stop.
  bool ReadOnce() {
    pollfd fds[2] = {{inotify.fd, POLLIN, 0}, {wake.fd, POLLIN, 0}};
    const int ready = ::poll(fds, 2, hasPending ? kPairWaitMs : -1);
    if (ready < 0 && errno != EINTR) {
      YQ_LOG_FAILURE("poll of the folder watcher of %s failed: errno %d", root.c_str(), errno);
      return false;
    }
    if (fds[1].revents != 0) return false;
    if (ready == 0) {
      FlushPending();
      return true;
    }
    if ((fds[0].revents & POLLIN) == 0) return true;
    alignas(inotify_event) char buffer[64 * 1024];
    const ssize_t got = ::read(inotify.fd, buffer, sizeof buffer);
    if (got <= 0) return true;
    for (ssize_t offset = 0; offset < got;) {
      const inotify_event* event = reinterpret_cast<const inotify_event*>(buffer + offset);
      Handle(*event);
      offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
    return true;
  }
};

CFolderWatcher::CFolderWatcher(const std::string& folder, IFolderWatcherCallback* callback)
    : m_private(new CFolderWatcherPrivate) {
  m_private->root = folder;
  while (m_private->root.size() > 1 && m_private->root.back() == '/') m_private->root.pop_back();
  m_private->callback = callback;
}

CFolderWatcher::~CFolderWatcher() {
  if (m_private->wake.fd >= 0) {
    const uint64_t one = 1;
    (void)!::write(m_private->wake.fd, &one, sizeof one);
  }
  StopAndJoin();
}

CYqError CFolderWatcher::Start() {
  CFolderWatcherPrivate& p = *m_private;
  if (p.callback == nullptr || p.root.empty())
    return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "folder watcher without %s",
                                   p.callback == nullptr ? "callback" : "folder");
  if (HasThread() || p.inotify.fd >= 0) return CYqError();
  struct stat64 st;
  if (::stat64(p.root.c_str(), &st) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "%s", p.root.c_str());
  if (!S_ISDIR(st.st_mode)) return FXErrorUtil::ErrorErrNo(YQ_LOC, ENOTDIR, "%s", p.root.c_str());
  p.inotify.fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (p.inotify.fd < 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "FolderWatcher not supported: inotify_init1");
  p.wake.fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  CYqError err;
  if (p.wake.fd < 0) err = FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "eventfd");
  if (err.Succeeded()) err = p.AddTree(p.root, false);
  if (err.Succeeded()) err = CAlertableEventThread::Start();
  if (err.Failed()) {
    ::close(p.inotify.fd);
    p.inotify.fd = -1;
    if (p.wake.fd >= 0) ::close(p.wake.fd);
    p.wake.fd = -1;
    p.folders.clear();
    p.watchCount.store(0);
    return err.Push(YQ_LOC, "watching %s", p.root.c_str());
  }
  return err;
}

CYqError CFolderWatcher::Stop(bool wait) {
  if (m_private->wake.fd >= 0) {
    const uint64_t one = 1;
    (void)!::write(m_private->wake.fd, &one, sizeof one);
  }
  return CAlertableEventThread::Stop(wait);
}

size_t CFolderWatcher::GetWatchCount() const { return m_private->watchCount.load(); }

void CFolderWatcher::OnRun() {
  if (!m_private->ReadOnce()) {
    m_private->FlushPending();
    InternalStop();
  }
}
