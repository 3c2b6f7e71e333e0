// The scan: each content path resolved and expanded by volumes, one filter set for all of
// them, and one walk per content entry.
#include "Scan.h"

#include <sys/stat.h>
#include <yqbase/errors/ErrorUtil.h>
#include <yqbase/files/utfFsUtils.h>
#include <yqbase/filters/FilterSet.h>
#include <yqbase/logging/LogWriterInterface.h>
#include <yqbase/serialization/Bag.h>
#include <yqbase/threads/SendEventInterface.h>
#include <yqbase/time/Counters.h>
#include <yqbase/time/TimeStamp.h>
#include <yqbase/traversal/TraverseFolder.h>
#include <yqbase/volumes/Unix/MountPathInfo.h>
#include <yqbase/volumes/Unix/UnixSymbolicLink.h>
#include <yqbase/volumes/skipFS.h>

#include <list>
#include <map>
#include <mutex>
#include <set>

#include "Output.h"
#include "Report.h"

namespace yqscan {

std::string OneLine(const CYqError& error) {
  return error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE);
}

void SEntryReport::AddError(const CYqError& error, const std::string& where) {
  ++errors;
  YQ_LOG_FAILURE("%s: %s", where.c_str(), error.AsString().c_str());
  if (errorTexts.size() < kMaxShownErrors) errorTexts.push_back(where + ": " + OneLine(error));
}

unsigned long long SScanResult::Errors() const {
  unsigned long long count = general.errors;
  for (const SEntryReport& entry : entries) count += entry.errors;
  return count;
}

namespace {

// Remembers the file-system type of each mount the expansion leaves out for its type.
class CSkippedMounts : public ISendEventInterface {
 public:
  void SendSkipFSEvent(const std::string& mountPath, const std::string& type, long long) override {
    std::lock_guard<std::mutex> guard(m_lock);
    m_types[mountPath] = type;
  }
  std::string Reason(const std::string& mountPoint,
                     const std::list<MountPathInfo::ContentEntry>& entries) const {
    for (const MountPathInfo::ContentEntry& entry : entries)
      if (entry.path == mountPoint) return "scanned as a content entry of its own";
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_types.find(mountPoint);
    if (found == m_types.end()) return "mount not followed (see --follow-mounts)";
    return "file system type " + found->second + " is skipped";
  }

 private:
  mutable std::mutex m_lock;
  std::map<std::string, std::string> m_types;
};

// Include terms as given; without any, each content entry is included whole. Exclude terms
// always apply.
CYqError BuildFilterSet(const SOptions& options, CFilterSet& set) {
  for (const auto& term : options.terms) {
    CYqError err =
        set.AddFilterItem(term.first ? BFilterNodeState::Filter : BFilterNodeState::Exception,
                          term.second, FVBasePtr(), term.first ? "--include" : "--exclude");
    if (err.Failed()) return err.Push(YQ_LOC, "bad filter term '%s'", term.second.c_str());
  }
  return CYqError();
}

bool HasIncludes(const SOptions& options) {
  for (const auto& term : options.terms)
    if (term.first) return true;
  return false;
}

// One content path: links resolved, then one entry per volume beneath it.
CYqError Expand(const std::string& path, CBagPtr& volumeOptions,
                std::list<MountPathInfo::ContentEntry>& entries) {
  struct stat64 st;
  CYqError err = CYqUTFOSAPI::lstat(path.c_str(), &st);
  if (err.Failed()) return err.Push(YQ_LOC, "cannot read %s", path.c_str());
  std::vector<std::string> links;
  std::string physical;
  if (!UnixSymbolicLink::getPhysicalPath(path, physical, links, false, false))
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "cannot resolve the links of %s", path.c_str());
  err = MountPathInfo::expandContentPathByVolumes(physical, entries, volumeOptions);
  return err.Failed() ? err.Push(YQ_LOC, "cannot expand %s by volumes", path.c_str()) : err;
}

// Walks one content entry: asks the filter set about every folder before queuing it and
// about every other entry, leaves out the mounts below the entry, and hands the selected
// entries to the outputs.
class CScanWalk : public CTraverseFolder {
 public:
  CScanWalk(const MountPathInfo::ContentEntry& entry, const CFilterSet& filters,
            CSelection& selection, CProgressLine& progress, SEntryReport& report)
      : m_filters(filters),
        m_selection(selection),
        m_progress(progress),
        m_report(report),
        m_mounts(entry.excludes.begin(), entry.excludes.end()) {
    FXCounter::CountersManagerPtr counters = FXCounter::CountersManager::Get();
    m_listing = counters->registerCounter("listing " + entry.path, 0, 0);
    m_stat = counters->registerCounter("stat " + entry.path, 0, 0);
    m_filter = counters->registerCounter("filter " + entry.path, 0, 0);
  }

  // The device of the entry's root: a folder on another device is a mount point. A content
  // path may also be a single file, which the walk hands to OnFile.
  CYqError Start(const std::string& path) {
    struct stat64 st;
    CYqError err = CYqUTFOSAPI::lstat(path.c_str(), &st);
    if (err.Failed()) return err.Push(YQ_LOC);
    m_device = st.st_dev;
    m_rootIsFolder = S_ISDIR(st.st_mode);
    if (m_rootIsFolder && !m_filters.IsMatchPossibleInFolder(path)) {
      ++m_report.excluded;  // excluded whole: not even opened
      return CYqError();
    }
    AddFolderToList(path);
    return CYqError();
  }

  CYqError OnTraverseFolder(const std::string& input, const std::string&) override {
    m_listing->stop();  // the folder before this one is done
    m_listing->start(0);
    if (m_rootIsFolder) ++m_report.folders;
    m_folder = input;
    return CYqError();
  }

  void Stop() { m_listing->stop(); }

  void OnFolderError(const std::string& input, const std::string&, const CYqError& error) override {
    m_report.AddError(error, input);
  }

  CYqError OnFolder(const std::string& input, const std::string& output,
                    FXFile::CFileData& data) override {
    m_progress.Update(m_folder);
    if (m_mounts.count(input) != 0) return ExcludeMount(input, "");
    struct stat64* st = Stat(data, input);
    if (st == nullptr) return CYqError();
    if (st->st_dev != m_device) return ExcludeMount(input, "another volume");
    m_filter->start(0);
    const bool possible = m_filters.IsMatchPossibleInFolder(input);
    m_filter->stop();
    if (!possible) {
      ++m_report.excluded;
      return CYqError();
    }
    return CTraverseFolder::OnFolder(input, output, data);
  }

  CYqError OnFile(const std::string& input, const std::string&, FXFile::CFileData& data) override {
    m_progress.Update(m_folder);
    m_filter->start(0);
    const bool in = m_filters.IsIn(FILTER_APPLIES_FILES, input);
    m_filter->stop();
    if (!in) {
      ++m_report.excluded;
      return CYqError();
    }
    struct stat64* st = Stat(data, input);
    if (st == nullptr) return CYqError();
    if (S_ISREG(st->st_mode)) {
      ++m_report.files;
      m_report.bytes += static_cast<unsigned long long>(st->st_size);
    } else if (S_ISLNK(st->st_mode)) {
      ++m_report.links;
    } else {
      ++m_report.other;
    }
    CYqError err = m_selection.Add(input, *st);
    if (err.Failed()) m_report.AddError(err, input);
    return CYqError();
  }

 private:
  // The entry's lstat record, or null with the failure counted.
  struct stat64* Stat(FXFile::CFileData& data, const std::string& path) {
    m_stat->start(0);
    CYqError err = GetItemStat(data);
    m_stat->stop();
    if (err.Succeeded()) return &data.m_stat;
    m_report.AddError(err, path);
    return nullptr;
  }

  CYqError ExcludeMount(const std::string& path, const std::string& reason) {
    m_report.excludedMounts.emplace_back(path, reason);
    return CYqError();
  }

  const CFilterSet& m_filters;
  CSelection& m_selection;
  CProgressLine& m_progress;
  SEntryReport& m_report;
  std::set<std::string> m_mounts;
  dev_t m_device = 0;
  bool m_rootIsFolder = true;
  std::string m_folder;
  FXCounter::CounterWrapperPtr m_listing, m_stat, m_filter;
};

}  // namespace

CYqError RunScan(const SOptions& options, SScanResult& result) {
  // The register lives while someone holds it: the whole run, so that it can report at the end.
  FXCounter::CountersManagerPtr counters = FXCounter::CountersManager::Get();
  CFilterSet filters;
  CYqError err = BuildFilterSet(options, filters);
  if (err.Failed()) return err.Push(YQ_LOC);

  if (!options.skipFsTypes.empty())
    skipFS::getInstance().SetIgnoreFSTypes(skipFS::kDefaultIgnoreFSTypes + std::string(":") +
                                           options.skipFsTypes);
  CBagPtr volumeOptions(new CBag);
  err = volumeOptions->Write("isFollowMountPoint", options.followMounts);
  if (err.Succeeded())
    err = volumeOptions->Write("isDisableAutomountCheck", options.noAutomountCheck);
  if (err.Failed()) return err.Push(YQ_LOC);

  boost::shared_ptr<CSkippedMounts> skipped(new CSkippedMounts);
  ISendEventInterface::SetInstance(skipped);
  std::list<MountPathInfo::ContentEntry> entries;
  for (const std::string& path : options.paths) {
    err = Expand(path, volumeOptions, entries);
    if (err.Failed()) result.general.AddError(err, path);
  }
  ISendEventInterface::SetInstance(ISendEventInterfacePtr());

  const bool everything = !HasIncludes(options);
  for (const MountPathInfo::ContentEntry& entry : entries) {
    if (everything) err = filters.AddFilterItem(BFilterNodeState::Filter, entry.path);
    if (err.Failed()) return err.Push(YQ_LOC, "cannot include %s", entry.path.c_str());
  }

  CSelection selection(options);
  err = selection.Open();
  if (err.Failed()) {
    result.general.AddError(err, "outputs");
    return CYqError();
  }
  result.entries.reserve(entries.size());  // the progress line points at the current one
  CProgressLine progress(options.progress);
  for (const MountPathInfo::ContentEntry& entry : entries) {
    result.entries.emplace_back();
    SEntryReport& report = result.entries.back();
    report.path = entry.path;
    report.volume = entry.volume;
    const CTimeStamp start = FXMicroTimeStamp::Now();
    CScanWalk walk(entry, filters, selection, progress, report);
    progress.SetTotals(&report);
    err = walk.Start(entry.path);
    if (err.Succeeded()) err = walk.Traverse();
    walk.Stop();
    if (err.Failed()) report.AddError(err, entry.path);
    report.seconds = static_cast<double>((FXMicroTimeStamp::Now() - start).GetValue()) /
                     CTimeInterval::kTicksPerSecond;
    for (auto& mount : report.excludedMounts)
      if (mount.second.empty()) mount.second = skipped->Reason(mount.first, entries);
  }
  progress.Clear();
  err = selection.Finish();
  if (err.Failed()) result.general.AddError(err, "outputs");
  counters->reportAll();
  return CYqError();
}

}  // namespace yqscan
