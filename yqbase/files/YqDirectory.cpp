// FXFolder: folder functions and the mounted-volume list.
#include "yqbase/files/YqDirectory.h"

#include "yqbase/threads/CriticalSection.h"

namespace {

// The kept volume list and the lock that guards it.
struct SVolumeCache {
  FXCriticalSection lock;
  std::list<ZkMntTab::Entry> volumes;
};

SVolumeCache& VolumeCache() {
  static SVolumeCache cache;
  return cache;
}

}  // namespace

CYqError FXFolder::getLogicalVolumeList(std::list<ZkMntTab::Entry>& volumes, const char* fsType) {
  SVolumeCache& cache = VolumeCache();
  auto_lock guard(&cache.lock);
  if (cache.volumes.empty()) {
    std::list<ZkMntTab::Entry> read;
    CYqError err = ZkMntTab::getAll(read, fsType);
    if (err.Failed()) return err.Push(YQ_LOC);
    read.sort(CmpPathByLength);  // stable: equal lengths keep the table's order
    cache.volumes.swap(read);
  }
  volumes = cache.volumes;
  return CYqError();
}

void FXFolder::resetLogicalVolumeList() {
  SVolumeCache& cache = VolumeCache();
  auto_lock guard(&cache.lock);
  cache.volumes.clear();
}

bool FXFolder::CmpPathByLength(const ZkMntTab::Entry& a, const ZkMntTab::Entry& b) {
  return a.mountPoint.size() > b.mountPoint.size();
}
