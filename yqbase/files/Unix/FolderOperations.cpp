// Folder operations on POSIX: find handles, folder removal, pattern listing and deletion, and
// the directory stream reader.
#include <dirent.h>

#include <cerrno>
#include <cstring>

#include "yqbase/files/DirectoryExt.h"
#include "yqbase/files/Unix/FsUTF.h"

// ---- DirectoryExt ----------------------------------------------------------------------------

DirectoryExtObserver::~DirectoryExtObserver() = default;

DirectoryExt::DirectoryExt()
    : m_dir(nullptr),
      m_last(nullptr),
      m_buffer(new char[kEntryBufferSize]),
      m_errno(0),
      m_open(false) {}

DirectoryExt::~DirectoryExt() {
  close();
  notify();
}

int DirectoryExt::openDirectory(const char* path) {
  close();
  m_dir = TempFsUTF::opendir_utf(path);
  if (m_dir == nullptr) {
    m_errno = errno;
    return -1;
  }
  m_errno = 0;
  m_open = true;
  return 0;
}

const char* DirectoryExt::read() {
  if (!m_open) {
    m_errno = -1;
    errno = EBADF;
    return nullptr;
  }
  std::memset(m_buffer.get(), 0, kEntryBufferSize);
  m_last = nullptr;
  const int rc = TempFsUTF::readdir_r_utf(m_dir, reinterpret_cast<struct dirent64*>(m_buffer.get()),
                                          &m_last, nullptr);
  m_errno = rc;
  if (rc != 0) errno = rc;
  return m_last != nullptr ? m_last->d_name : nullptr;
}

void DirectoryExt::close() {
  if (m_dir != nullptr) TempFsUTF::closedir_utf(m_dir);
  m_dir = nullptr;
  m_last = nullptr;
  m_open = false;
}

void DirectoryExt::attach(DirectoryExtObserver* observer) {
  if (observer != nullptr) m_observers.emplace_back(observer);
}

void DirectoryExt::notify() {
  std::vector<std::unique_ptr<DirectoryExtObserver>> observers;
  observers.swap(m_observers);
  for (auto& observer : observers) observer->notification();
}
