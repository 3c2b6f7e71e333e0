// CSimpleFolderIterator: reading one folder into items.
#include "yqbase/traversal/SimpleFolderIterator.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/traversal/SimpleFolderItemImplStat.h"
#include "yqbase/traversal/SimpleFolderIteratorPrivate.h"

CYqError CSimpleFolderIteratorPrivate::OpenStream() {
  if ((options & CSimpleFolderIterator::kOptionChangeDirectory) != 0) {
    savedCwd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (savedCwd < 0 || TempFsUTF::chdir_utf(folder.c_str()) != 0) {
      const int error = errno;
      Close();
      return FXErrorUtil::ErrorErrNo(YQ_LOC, error, "chdir failed, Path=%s", folder.c_str());
    }
  }
  if (parent && parent->DirFd() >= 0) {
    const int fd = ::openat(parent->DirFd(), nameInParent.c_str(),
                            O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (dir == nullptr && fd >= 0) ::close(fd);
  } else {
    dir = TempFsUTF::opendir_utf(folder.c_str());
  }
  if (dir == nullptr) {
    const int error = errno;
    Close();
    return FXErrorUtil::ErrorErrNo(YQ_LOC, error, "opendir failed, Path=%s", folder.c_str());
  }
  parent.reset();  // only needed to open
  return CYqError();
}

void CSimpleFolderIteratorPrivate::Close() {
  if (dir != nullptr) {
    // Streams from opendir_utf are registered there; fdopendir ones are not, and closedir_utf
    // accepts both.
    TempFsUTF::closedir_utf(dir);
    dir = nullptr;
  }
  if (savedCwd >= 0) {
    if (::fchdir(savedCwd) != 0)
      YQ_LOG_FAILURE("fchdir back from %s failed, errno=%d", folder.c_str(), errno);
    ::close(savedCwd);
    savedCwd = -1;
  }
}

CSimpleFolderIterator::CSimpleFolderIterator() : m_private(new CSimpleFolderIteratorPrivate) {}

CSimpleFolderIterator::~CSimpleFolderIterator() { Close(); }

CYqError CSimpleFolderIterator::Open(const std::string& folder,
                                     const CSimpleFolderItemFilterPtr& filter) {
  CYqError err = Open(folder, FVBasePtr(), filter);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CSimpleFolderIterator::Open(const std::string& folder, const FVBasePtr& context,
                                     const CSimpleFolderItemFilterPtr& filter) {
  Close();
  // Items of the previous listing keep the old state; this listing gets its own.
  boost::shared_ptr<CSimpleFolderIteratorPrivate> fresh(new CSimpleFolderIteratorPrivate);
  fresh->options = m_private->options;
  fresh->callback = m_private->callback;
  fresh->folder = folder;
  fresh->context = context;
  fresh->filter = filter;
  fresh->opened = !folder.empty();
  m_private = fresh;
  return CYqError();
}

void CSimpleFolderIterator::SetOption(unsigned int options) { m_private->options = options; }

void CSimpleFolderIterator::SetCallback(
    const boost::shared_ptr<CSimpleFolderIteratorCallback>& callback) {
  m_private->callback = callback;
}

CYqError CSimpleFolderIterator::GetNextItem(CSimpleFolderItemPtr& item) {
  CSimpleFolderIteratorPrivate& state = *m_private;
  if (!state.opened) return FXErrorUtil::ErrorWin32(YQ_LOC, 3, "No search path provided");
  if (state.ended) return FXErrorUtil::ErrorWin32(YQ_LOC, 18, "No more entries");
  if (state.dir == nullptr) {
    CYqError err = state.OpenStream();
    if (err.Failed()) {
      state.ended = true;  // reported once; the listing is over
      return err.Push(YQ_LOC);
    }
  }
  for (;;) {
    errno = 0;
    const struct dirent64* entry = ::readdir64(state.dir);
    if (entry == nullptr) {
      const int error = errno;
      Close();
      state.ended = true;
      if (error != 0)
        return FXErrorUtil::ErrorErrNo(YQ_LOC, error, "readdir failed, Path=%s",
                                       state.folder.c_str());
      return FXErrorUtil::ErrorWin32(YQ_LOC, 18, "No more entries");
    }
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    CSimpleFolderItemPtr candidate(new CSimpleFolderItemImplStat(m_private, name));
    if (!state.filter || state.filter->IsSelected(candidate)) {
      item = candidate;
      return CYqError();
    }
  }
}

void CSimpleFolderIterator::Close() { m_private->Close(); }
