// CSimpleFolderTreeIterator: a stack of folder iterators, one per open level.
#include "yqbase/traversal/SimpleFolderTreeIterator.h"

#include <sys/stat.h>

#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/traversal/SimpleFolderItemImplStat.h"
#include "yqbase/traversal/SimpleFolderIteratorPrivate.h"

class CSimpleFolderTreeIteratorPrivate {
 public:
  std::string folder;
  FVBasePtr context;
  CSimpleFolderItemFilterPtr filter;
  boost::shared_ptr<CSimpleFolderIteratorCallback> callback;
  unsigned options = 0;
  bool opened = false;
  dev_t device = 0;  // of the starting folder, for kOptionOneFileSystem
  std::vector<boost::shared_ptr<CSimpleFolderIterator>> levels;
  // The folder item last returned whose contents come next, and their context.
  CSimpleFolderItemPtr pending;
  FVBasePtr pendingContext;
};

CSimpleFolderTreeIterator::CSimpleFolderTreeIterator()
    : m_private(new CSimpleFolderTreeIteratorPrivate) {}

CSimpleFolderTreeIterator::~CSimpleFolderTreeIterator() = default;

CYqError CSimpleFolderTreeIterator::Open(const std::string& folder,
                                         const CSimpleFolderItemFilterPtr& filter) {
  CYqError err = Open(folder, FVBasePtr(), filter);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CSimpleFolderTreeIterator::Open(const std::string& folder, const FVBasePtr& context,
                                         const CSimpleFolderItemFilterPtr& filter) {
  CSimpleFolderTreeIteratorPrivate& state = *m_private;
  state.levels.clear();
  state.pending.reset();
  state.folder = folder;
  state.context = context;
  state.filter = filter;
  state.opened = !folder.empty();
  if (!state.opened) return CYqError();
  boost::shared_ptr<CSimpleFolderIterator> root(new CSimpleFolderIterator);
  root->SetOption(state.options & CSimpleFolderIterator::kOptionChangeDirectory);
  CYqError err = root->Open(folder, context, CSimpleFolderItemFilterPtr());
  if (err.Failed()) return err.Push(YQ_LOC);
  struct stat64 st;
  state.device = TempFsUTF::stat_utf(folder.c_str(), &st) == 0 ? st.st_dev : 0;
  state.levels.push_back(root);
  return CYqError();
}

void CSimpleFolderTreeIterator::SetOption(unsigned int options) { m_private->options = options; }

void CSimpleFolderTreeIterator::SetCallback(
    const boost::shared_ptr<CSimpleFolderIteratorCallback>& callback) {
  m_private->callback = callback;
}

CYqError CSimpleFolderTreeIterator::GetNextItem(CSimpleFolderItemPtr& item) {
  CSimpleFolderTreeIteratorPrivate& state = *m_private;
  if (!state.opened) return FXErrorUtil::ErrorWin32(YQ_LOC, 3, "No search path provided");
  for (;;) {
    if (state.pending) {
      // Descend into the folder returned last: opened beside its parent's open folder.
      CSimpleFolderItemPtr folder;
      folder.swap(state.pending);
      boost::shared_ptr<CSimpleFolderIterator> child(new CSimpleFolderIterator);
      child->SetOption(state.options & CSimpleFolderIterator::kOptionChangeDirectory);
      (void)child->Open(folder->GetFullyQualifiedItemName(), state.pendingContext,
                        CSimpleFolderItemFilterPtr());
      auto* stat = dynamic_cast<CSimpleFolderItemImplStat*>(folder.get());
      if (stat != nullptr && !state.levels.empty()) {
        child->m_private->parent = state.levels.back()->m_private;
        child->m_private->nameInParent = stat->GetNativeName();
      }
      state.levels.push_back(child);
    }
    if (state.levels.empty()) return FXErrorUtil::ErrorWin32(YQ_LOC, 18, "No more entries");
    CSimpleFolderIterator& level = *state.levels.back();
    CSimpleFolderItemPtr next;
    CYqError err = level.GetNextItem(next);
    if (err.Failed()) {
      const bool root = state.levels.size() == 1;
      const std::string name = level.m_private->folder;
      state.levels.pop_back();
      if (FXErrorUtil::IsWin32(err, 18)) continue;
      if (root) return err.Push(YQ_LOC, "FolderName=[%s]", name.c_str());
      YQ_LOG_FAILURE("Cannot list folder, skipping it, FolderName=[%s], error=%s", name.c_str(),
                     err.AsString().c_str());
      continue;
    }
    if (next->IsFolder()) {
      bool iterate = true;
      FVBasePtr context = level.m_private->context;
      if (state.callback) {
        CYqError asked = state.callback->OnQueryIterateFolderContents(next, iterate, context);
        if (asked.Failed()) {
          YQ_LOG_FAILURE("OnQueryIterateFolderContents failed, FolderName=[%s], error=%s",
                         next->GetFullyQualifiedItemName().c_str(), asked.AsString().c_str());
          iterate = false;
        }
      }
      if (iterate && (state.options & kOptionOneFileSystem) != 0) {
        auto* stat = dynamic_cast<CSimpleFolderItemImplStat*>(next.get());
        iterate = stat == nullptr || stat->GetStat().st_dev == state.device;
      }
      if (iterate) {
        YQ_TRACE(6, "Descending, FolderName=[%s]", next->GetFullyQualifiedItemName().c_str());
        state.pending = next;
        state.pendingContext = context;
      }
    }
    if (!state.filter || state.filter->IsSelected(next)) {
      item = next;
      return CYqError();
    }
  }
}
