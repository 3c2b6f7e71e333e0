// CTraverseFolder: the work-list walk and its default callbacks.
#include "yqbase/traversal/TraverseFolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <thread>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/files/YqPath.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/traversal/TraverseFolderPrivate.h"

namespace {

constexpr DWORD kNoMoreFiles = 18;   // ERROR_NO_MORE_FILES
constexpr DWORD kNoMoreItems = 259;  // ERROR_NO_MORE_ITEMS
constexpr DWORD kAborted = 995;      // ERROR_OPERATION_ABORTED

// The listing whose entries the callbacks of this thread are handed, for GetItemStat.
thread_local const auto_find_handle* t_search = nullptr;

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

std::string Join(const std::string& folder, const std::string& name) {
  std::string path;
  path.reserve(folder.size() + name.size() + 1);
  path = folder;
  FXPath::Append(path, name);
  return path;
}

// Find data for a path met outside a listing (a content path): its name, its folder and its
// lstat record. False when it cannot be stat'ed.
bool FillFromPath(const std::string& folder, const std::string& name, FXFile::CFileData& data) {
  data = FXFile::CFileData();
  data.m_name = name;
  data.m_folder = folder;
  std::snprintf(data.m_dirent.d_name, sizeof data.m_dirent.d_name, "%s", name.c_str());
  if (TempFsUTF::lstat_utf(Join(folder, name).c_str(), &data.m_stat) != 0) return false;
  data.m_bStatFetched = true;
  data.m_dirent.d_ino = data.m_stat.st_ino;
  data.m_dirent.d_type = static_cast<unsigned char>(IFTODT(data.m_stat.st_mode));
  return true;
}

// Whether an entry is a folder: from its type byte, or its lstat record when the file system
// gives no type.
bool IsFolder(CTraverseFolder& walk, FXFile::CFileData& data) {
  if (data.m_bStatFetched) return S_ISDIR(data.m_stat.st_mode);
  if (data.m_dirent.d_type != DT_UNKNOWN) return data.m_dirent.d_type == DT_DIR;
  return walk.GetItemStat(data).Succeeded() && S_ISDIR(data.m_stat.st_mode);
}

// Lets an idle worker take a newly queued entry; nothing to do unless workers run.
void WakeWorker(CTraverseFolderPrivate& state) {
  if (!state.m_workersRunning.load(std::memory_order_acquire)) return;
  { std::lock_guard<std::mutex> idle(state.m_idleMutex); }
  state.m_idle.notify_one();
}

}  // namespace

CAbortOperationCheck::~CAbortOperationCheck() = default;

bool CAbortOperationCheck::IsAborted() { return false; }

CFoldersToTraverse::CFoldersToTraverse(const std::string& inputPath, const std::string& outputPath)
    : m_bReparsePoint(false), m_inputPath(inputPath), m_outputPath(outputPath), m_data(0) {}

CFoldersToTraverse::CFoldersToTraverse(const std::string& inputPath,
                                       const std::string& endSubstituteName,
                                       const std::string& outputPath, DWORD data,
                                       const std::string& nextSubstituteName)
    : m_bReparsePoint(true),
      m_inputPath(inputPath),
      m_outputPath(outputPath),
      m_endSubstituteName(endSubstituteName),
      m_nextSubstituteName(nextSubstituteName),
      m_data(data) {}

CTraverseFolder::CTraverseFolder() : m_private(new CTraverseFolderPrivate) {}

CTraverseFolder::~CTraverseFolder() = default;

// ---- default callbacks -----------------------------------------------------------------------

CYqError CTraverseFolder::OnTraverseFolder(const std::string&, const std::string&) {
  return CYqError();
}

CYqError CTraverseFolder::OnFolder(const std::string& inputPath, const std::string& outputPath,
                                   FXFile::CFileData&) {
  // The content paths themselves are queued already when the top-level pass reports them.
  if (!m_private->m_processTopLevel) AddFolderToList(inputPath, outputPath);
  return CYqError();
}

CYqError CTraverseFolder::OnFile(const std::string&, const std::string&, FXFile::CFileData&) {
  return CYqError();
}

CYqError CTraverseFolder::OnTraverseReparsePoint(const std::string&, const std::string&,
                                                 const std::string&, DWORD, const std::string&) {
  return CYqError();
}

CYqError CTraverseFolder::OnReparsePointFolder(const std::string&, const std::string&,
                                               FXFile::CFileData&) {
  return CYqError();
}

CYqError CTraverseFolder::OnReparsePointFile(const std::string&, const std::string&,
                                             FXFile::CFileData&) {
  return CYqError();
}

CYqError CTraverseFolder::OnInitializeWorker() { return CYqError(); }

void CTraverseFolder::OnFolderError(const std::string&, const std::string&, const CYqError&) {}

// ---- the work list ---------------------------------------------------------------------------

void CTraverseFolder::AddFolderToList(const std::string& inputPath) {
  AddFolderToList(inputPath, inputPath);
}

void CTraverseFolder::AddFolderToList(const std::string& inputPath, const std::string& outputPath) {
  YQ_TRACE(6, "Adding folder, InputPath=[%s], OutputPath=[%s]", inputPath.c_str(),
           outputPath.c_str());
  {
    auto_lock guard(&m_private->m_lock);
    m_private->m_folders.emplace_back(inputPath, outputPath);
  }
  WakeWorker(*m_private);
}

void CTraverseFolder::AddReparsePointToList(const std::string& inputPath,
                                            const std::string& endSubstituteName,
                                            const std::string& outputPath, DWORD data,
                                            const std::string& nextSubstituteName) {
  YQ_TRACE(6,
           "Adding reparse point, InputPath=[%s], EndSubstituteName=[%s], OutputPath=[%s], "
           "NextSubstituteName=[%s]",
           inputPath.c_str(), endSubstituteName.c_str(), outputPath.c_str(),
           nextSubstituteName.c_str());
  {
    auto_lock guard(&m_private->m_lock);
    m_private->m_folders.emplace_back(inputPath, endSubstituteName, outputPath, data,
                                      nextSubstituteName);
  }
  WakeWorker(*m_private);
}

bool CTraverseFolder::FolderWillAlreadyBeTraversed(const std::string& folder,
                                                   std::string& newOutputPath) const {
  auto_lock guard(&m_private->m_lock);
  for (const CFoldersToTraverse& entry : m_private->m_folders) {
    if (!FXPath::IsAncestorOf(entry.m_inputPath, folder, true)) continue;
    std::string rest = folder.substr(std::min(entry.m_inputPath.size(), folder.size()));
    while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    newOutputPath = entry.m_outputPath;
    if (!rest.empty()) FXPath::Append(newOutputPath, rest);
    YQ_TRACE(2, "Folder %s will already be traversed through %s, NewOutputPath=[%s]",
             folder.c_str(), entry.m_inputPath.c_str(), newOutputPath.c_str());
    return true;
  }
  YQ_TRACE(1, "Folder %s not already being traversed", folder.c_str());
  return false;
}

size_t CTraverseFolder::GetFoldersToTraverseCount() const {
  auto_lock guard(&m_private->m_lock);
  return m_private->m_folders.size();
}

// ---- settings --------------------------------------------------------------------------------

void CTraverseFolder::ignoreConsumerError(const CYqError& error) {
  m_private->m_ignoredErrors.insert(static_cast<long>(error.GetCode()));
}

void CTraverseFolder::SetAbortCheck(CAbortOperationCheck* check) {
  m_private->m_abortCheck = check;
}

void CTraverseFolder::SetAbortEvent(const boost::shared_ptr<FXEvent>& event) {
  m_private->m_abortEvent = event;
}

void CTraverseFolder::SetMaxWorkers(int workers) {
  m_private->m_maxWorkers = workers < 1 ? 1 : workers;
}

int CTraverseFolder::GetMaxWorkers() const { return m_private->m_maxWorkers; }

void CTraverseFolder::SetProcessTopLevelContentItem(bool process) {
  m_private->m_processTopLevel = process;
}

// ---- the walk --------------------------------------------------------------------------------

CYqError CTraverseFolder::GetItemStat(FXFile::CFileData& data) {
  if (data.m_bStatFetched) return CYqError();
  const auto_find_handle* search = t_search;
  CYqError err;
  if (search != nullptr && search->IsValid() && search->get().path == data.m_folder) {
    err = FXFile::ZKFindStat(*search, data);
  } else if (TempFsUTF::lstat_utf(data.GetFullPath().c_str(), &data.m_stat) == 0) {
    data.m_bStatFetched = true;
  } else {
    err =
        FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "lstat failed, File=%s", data.GetFullPath().c_str());
  }
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CTraverseFolder::ProcessItem(const std::string& inputFolder,
                                      const std::string& outputFolder, FXFile::CFileData& data) {
  CYqError err = ReportItem(Join(inputFolder, data.m_name), Join(outputFolder, data.m_name), data);
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

CYqError CTraverseFolder::ReportItem(const std::string& input, const std::string& output,
                                     FXFile::CFileData& data) {
  YQ_TRACE(6, "oFile.name=[%s], input=[%s], output=[%s]", data.m_name.c_str(), input.c_str(),
           output.c_str());
  CYqError err;
  if (IsFolder(*this, data)) {
    if (!IsDotOrDotDot(data.m_name.c_str())) err = OnFolder(input, output, data);
  } else {
    err = OnFile(input, output, data);
  }
  return err.Failed() ? err.Push(YQ_LOC) : err;
}

namespace {

// The walk's steps that need the private state; a friend-free helper over the public class.
struct SWalk {
  CTraverseFolder& walk;
  CTraverseFolderPrivate& state;
  // Set while several workers list at once: no listing may change the working directory.
  bool multiThread = false;

  bool Aborted() const {
    if (state.m_abortCheck != nullptr && state.m_abortCheck->IsAborted()) return true;
    return state.m_abortEvent && state.m_abortEvent->WaitForSet(0) == WAIT_OBJECT_0;
  }

  unsigned long long Queued() const {
    auto_lock guard(&state.m_lock);
    return state.m_folders.size();
  }

  bool Ignored(const CYqError& err) const {
    return state.m_ignoredErrors.count(static_cast<long>(err.GetCode())) != 0;
  }

  CYqError AbortError(unsigned long long queued) const {
    YQ_TRACE(3, "Traverse aborted, FoldersToTraverse=[%llu]", queued);
    return FXErrorUtil::ErrorWin32(YQ_LOC, kAborted, "Operation aborted");
  }

  // Reports each queued content path as an item of its parent.
  CYqError TopLevelPass() {
    std::list<CFoldersToTraverse> entries;
    {
      auto_lock guard(&state.m_lock);
      entries = state.m_folders;
    }
    for (const CFoldersToTraverse& entry : entries) {
      if (!FXPath::DoesPathExist(entry.m_inputPath)) continue;
      std::string inputFolder, name, outputFolder, outputName;
      if (FXPath::SplitParentPath(entry.m_inputPath, inputFolder, name).Failed() ||
          FXPath::SplitParentPath(entry.m_outputPath, outputFolder, outputName).Failed())
        continue;  // "/" has no parent to be reported in
      FXFile::CFileData data;
      if (!FillFromPath(inputFolder, name, data)) continue;
      YQ_TRACE(3, "oFolder.input=%s oFile.name=%s, oFile.dir=%s, InputFolder=%s OutputFolder=%s",
               entry.m_inputPath.c_str(), data.m_name.c_str(), data.m_folder.c_str(),
               inputFolder.c_str(), outputFolder.c_str());
      CYqError err = walk.ProcessItem(inputFolder, outputFolder, data);
      if (err.Failed())
        return err.Push(YQ_LOC, "ProcessItem failed, cannot process, InputFolder=%s",
                        inputFolder.c_str());
    }
    return CYqError();
  }

  CYqError TakeLast(CFoldersToTraverse& entry) {
    auto_lock guard(&state.m_lock);
    if (state.m_folders.empty())
      return FXErrorUtil::ErrorWin32(YQ_LOC, kNoMoreItems, "No folder to traverse");
    entry = std::move(state.m_folders.back());
    state.m_folders.pop_back();
    return CYqError();
  }

  CYqError TraverseEntry(const CFoldersToTraverse& entry) {
    const std::string& input = entry.m_inputPath;
    const std::string& output = entry.m_outputPath;
    YQ_TRACE(6, "OnTraverseFolder(%s,%s) FoldersToTraverse=[%llu]", input.c_str(), output.c_str(),
             Queued());
    CYqError err = entry.m_bReparsePoint
                       ? walk.OnTraverseReparsePoint(input, entry.m_endSubstituteName, output,
                                                     entry.m_data, entry.m_nextSubstituteName)
                       : walk.OnTraverseFolder(input, output);
    if (err.Failed()) {
      YQ_TRACE(2, "Skipping traversal of %s", input.c_str());
      return CYqError();
    }
    return TraverseListing(entry);
  }

  CYqError TraverseFile(const std::string& input, const std::string& output) {
    YQ_TRACE(2, "SearchPath=%s is a file", input.c_str());
    std::string inputFolder, name, outputFolder, outputName;
    FXFile::CFileData data;
    CYqError err = FXPath::SplitParentPath(input, inputFolder, name);
    if (err.Succeeded()) err = FXPath::SplitParentPath(output, outputFolder, outputName);
    if (err.Succeeded() && !FillFromPath(inputFolder, name, data)) {
      YQ_LOG_FAILURE("Content path [%s] not found (errno=%d)", input.c_str(), errno);
      return CYqError();
    }
    if (err.Succeeded()) {
      YQ_TRACE(3, "oFile.name=%s oFile.dir=%s from %s", data.m_name.c_str(), data.m_folder.c_str(),
               input.c_str());
      err = walk.ProcessItem(inputFolder, outputFolder, data);
    }
    if (err.Failed() && !Ignored(err))
      return err.Push(YQ_LOC, "Traverse failed, cannot process, ContentPath=%s", input.c_str());
    return CYqError();
  }

  // Lists a folder; opening it first also tells whether it exists and is a folder (one call
  // less per folder than asking stat first). With several workers a folder too deep to open
  // without changing the working directory is left for the calling thread.
  CYqError TraverseListing(const CFoldersToTraverse& entry) {
    const std::string& input = entry.m_inputPath;
    const std::string& output = entry.m_outputPath;
    YQ_TRACE(6, "FindFirst, SearchPath=[%s]", input.c_str());
    auto_find_handle search;
    FXFile::CFileData data;
    CYqError err =
        FXFile::ZKFindFirstFile(search, input, data, multiThread ? ZK_FIND_MULTITHREAD : 0);
    if (multiThread && FXErrorUtil::IsErrNo(err, ENAMETOOLONG)) {
      auto_lock guard(&state.m_lock);
      state.m_deferred.push_back(entry);
      return CYqError();
    }
    if (FXErrorUtil::IsErrNo(err, ENOTDIR)) return TraverseFile(input, output);
    if (FXErrorUtil::IsErrNo(err, ENOENT)) {
      YQ_LOG_FAILURE("Content path [%s] not found (%s)", input.c_str(), err.AsString().c_str());
      return CYqError();
    }
    if (err.Failed()) {
      YQ_LOG_FAILURE("ZKFindFirstFile failed, ignoring, SearchPath=[%s], error=%s", input.c_str(),
                     err.AsString().c_str());
      walk.OnFolderError(input, output, err);
      return CYqError();
    }
    struct SCurrent {
      const auto_find_handle* previous = t_search;
      ~SCurrent() { t_search = previous; }
    } current;
    t_search = &search;
    // Each item's paths are the folder's paths with the name appended: one buffer each,
    // reused for every entry.
    std::string inputItem = Join(input, "x"), outputItem = Join(output, "x");
    const size_t inputPrefix = inputItem.size() - 1, outputPrefix = outputItem.size() - 1;
    for (; err.Succeeded(); err = FXFile::ZKFindNextFile(search, data)) {
      if (IsDotOrDotDot(data.m_name.c_str())) continue;
      // Another worker failed: the walk's result is already set.
      if (multiThread && state.m_stop.load(std::memory_order_relaxed)) return CYqError();
      if (Aborted()) {
        YQ_TRACE(3, "Traverse(%s,%s) aborted, FoldersToTraverse=%llu", input.c_str(),
                 output.c_str(), Queued());
        return FXErrorUtil::ErrorWin32(YQ_LOC, kAborted, "Operation aborted");
      }
      inputItem.resize(inputPrefix);  // cheaper than replace for a short tail
      inputItem += data.m_name;
      outputItem.resize(outputPrefix);
      outputItem += data.m_name;
      CYqError item = walk.ReportItem(inputItem, outputItem, data);
      if (item.Failed() && !Ignored(item))
        return item.Push(YQ_LOC, "Failed to report failed item.");
    }
    if (FXErrorUtil::IsNotWin32(err, kNoMoreFiles)) {
      YQ_LOG_FAILURE("ZKFindNextFile failed, ignoring the rest, SearchPath=[%s], error=%s",
                     input.c_str(), err.AsString().c_str());
      walk.OnFolderError(input, output, err);
    }
    return CYqError();
  }

  // The walk on the calling thread alone: most recent entry first, until the list is empty.
  CYqError RunSequential() {
    for (;;) {
      const unsigned long long queued = Queued();
      if (queued == 0) return CYqError();
      if (Aborted()) return AbortError(queued);
      CFoldersToTraverse entry("", "");
      CYqError err = TakeLast(entry);
      if (err.Succeeded()) err = TraverseEntry(entry);
      if (err.Failed()) return err.Push(YQ_LOC);
    }
  }

  // ---- several workers ----

  // Takes the most recent entry for a worker; false when the walk is over (the list is empty
  // and no worker is busy, or it was stopped). Waits while other workers may still queue more.
  bool TakeForWorker(CFoldersToTraverse& entry) {
    std::unique_lock<std::mutex> idle(state.m_idleMutex);
    for (;;) {
      {
        auto_lock guard(&state.m_lock);
        if (state.m_stop) return false;
        if (!state.m_folders.empty()) {
          entry = std::move(state.m_folders.back());
          state.m_folders.pop_back();
          ++state.m_busy;
          return true;
        }
        if (state.m_busy == 0) return false;
      }
      state.m_idle.wait(idle);
    }
  }

  // Ends a worker's entry (`taken`) or the worker itself; the first failure stops every worker.
  void Finish(bool taken, const CYqError& err) {
    {
      auto_lock guard(&state.m_lock);
      if (taken) --state.m_busy;
      if (err.Failed() && !state.m_stop) {
        state.m_stop.store(true);
        state.m_failure = err;
      }
    }
    { std::lock_guard<std::mutex> idle(state.m_idleMutex); }
    state.m_idle.notify_all();
  }

  void WorkerLoop() {
    for (;;) {
      if (Aborted()) return Finish(false, AbortError(Queued()));
      CFoldersToTraverse entry("", "");
      if (!TakeForWorker(entry)) return;
      Finish(true, TraverseEntry(entry));
    }
  }

  void WorkerThread() {
    CYqError err = walk.OnInitializeWorker();
    if (err.Failed()) return Finish(false, err.Push(YQ_LOC));
    WorkerLoop();
  }

  // `workers` workers, the calling thread one of them; then the folders left for the calling
  // thread, with the working-directory fallback.
  CYqError RunWorkers(int workers) {
    state.m_busy = 0;
    state.m_stop.store(false);
    state.m_failure = CYqError();
    state.m_deferred.clear();
    state.m_workersRunning.store(true, std::memory_order_release);
    multiThread = true;
    std::vector<std::thread> threads;
    for (int i = 1; i < workers; ++i) {
      try {
        threads.emplace_back([this] { WorkerThread(); });
      } catch (const std::system_error& e) {
        YQ_LOG_FAILURE("Cannot start a traversal worker, going on with %d: %s",
                       static_cast<int>(threads.size()) + 1, e.what());
        break;
      }
    }
    WorkerLoop();
    for (std::thread& thread : threads) thread.join();
    state.m_workersRunning.store(false, std::memory_order_release);
    multiThread = false;
    if (state.m_failure.Failed()) {
      // Entries not yet taken stay queued, the deferred ones too.
      auto_lock guard(&state.m_lock);
      state.m_folders.insert(state.m_folders.end(), state.m_deferred.begin(),
                             state.m_deferred.end());
      state.m_deferred.clear();
      return state.m_failure.Push(YQ_LOC);
    }
    std::vector<CFoldersToTraverse> deferred;
    deferred.swap(state.m_deferred);
    for (const CFoldersToTraverse& entry : deferred) {
      CYqError err = TraverseListing(entry);
      if (err.Succeeded()) err = RunSequential();
      if (err.Failed()) return err.Push(YQ_LOC);
    }
    return CYqError();
  }
};

}  // namespace

CYqError CTraverseFolder::Traverse() {
  SWalk walk{*this, *m_private};
  CYqError err = OnInitializeWorker();
  if (err.Failed()) return err.Push(YQ_LOC);
  if (m_private->m_processTopLevel && walk.Queued() != 0) {
    err = walk.TopLevelPass();
    m_private->m_processTopLevel = false;
    if (err.Failed()) return err.Push(YQ_LOC);
  }
  m_private->m_processTopLevel = false;
  err =
      m_private->m_maxWorkers > 1 ? walk.RunWorkers(m_private->m_maxWorkers) : walk.RunSequential();
  return err.Failed() ? err.Push(YQ_LOC) : err;
}
