// Mount-table lines: any table reads into entries whose mount points have no trailing "/",
// with a root entry; a type filter changes only the cluster flags; find() answers with a
// mount point that holds the path by whole components.
#include <algorithm>

#include "fuzz/FuzzUtil.h"
#include "yqbase/utilities/Utilities_testutil.h"
#include "yqbase/volumes/ZkMntTab.h"

namespace {

bool Holds(const std::string& mountPoint, const std::string& path) {
  if (mountPoint == "/") return !path.empty() && path[0] == '/';
  return path.compare(0, mountPoint.size(), mountPoint) == 0 &&
         (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const yqbase_test::CTempFolder folder;
  FuzzedDataProvider input(data, size);
  const std::string filter = yqfuzz::UpToNul(input.ConsumeRandomLengthString(16));
  const std::string path = "/" + yqfuzz::UpToNul(input.ConsumeRandomLengthString(64));
  const std::string table = input.ConsumeRemainingBytesAsString();
  const std::string file = folder / "mtab";
  yqbase_test::WriteFile(file, table);

  std::list<ZkMntTab::Entry> entries, filtered;
  FUZZ_CHECK(ZkMntTab::getAllFromFile(file.c_str(), entries, nullptr).Succeeded());
  FUZZ_CHECK(ZkMntTab::getAllFromFile(file.c_str(), filtered, filter.c_str()).Succeeded());
  FUZZ_CHECK(entries.size() == filtered.size());
  bool root = false;
  for (auto e = entries.begin(), f = filtered.begin(); e != entries.end(); ++e, ++f) {
    FUZZ_CHECK(!e->mountPoint.empty());
    FUZZ_CHECK(e->mountPoint == "/" || e->mountPoint.back() != '/');
    root = root || e->mountPoint == "/";
    ZkMntTab::Entry unflagged = *f;
    unflagged.cluster = e->cluster;
    FUZZ_CHECK(unflagged == *e);
  }
  FUZZ_CHECK(root);
  FUZZ_CHECK(entries.size() <=
             static_cast<size_t>(std::count(table.begin(), table.end(), '\n')) + 2);

  const ZkMntTab::Entry* found = ZkMntTab::find(entries, path.c_str());
  if (found != nullptr) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    FUZZ_CHECK(Holds(found->mountPoint, trimmed));
  }
  return 0;
}
