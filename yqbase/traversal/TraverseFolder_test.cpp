#include "yqbase/traversal/TraverseFolder.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/traversal/Traversal_testutil.h"

using yqbase_test::CTempFolder;
using yqbase_test::MakeTree;
using yqbase_test::NftwEntries;
using yqbase_test::Touch;

namespace {

// Records what the walk reports: native path -> file type (S_IFMT bits of lstat).
class CRecorder : public CTraverseFolder {
 public:
  CYqError OnTraverseFolder(const std::string& input, const std::string&) override {
    std::lock_guard<std::mutex> guard(lock);  // workers call in at once
    traversed.push_back(input);
    return onTraverse ? onTraverse(input) : CYqError();
  }
  CYqError OnFolder(const std::string& input, const std::string& output,
                    FXFile::CFileData& data) override {
    Record(input, output, data);
    return CTraverseFolder::OnFolder(input, output, data);
  }
  CYqError OnFile(const std::string& input, const std::string& output,
                  FXFile::CFileData& data) override {
    Record(input, output, data);
    return onFile ? onFile(input) : CYqError();
  }
  CYqError OnTraverseReparsePoint(const std::string& input, const std::string& end,
                                  const std::string& output, DWORD value,
                                  const std::string& next) override {
    reparse = input + "|" + end + "|" + output + "|" + std::to_string(value) + "|" + next;
    return CYqError();
  }

  void Record(const std::string& input, const std::string& output, FXFile::CFileData& data) {
    EXPECT_TRUE(GetItemStat(data).Succeeded()) << input;
    std::lock_guard<std::mutex> guard(lock);
    seen[TempFsUTF::utfToMbe(input.c_str(), nullptr)] = data.m_stat.st_mode & S_IFMT;
    outputs.push_back(output);
  }

  std::mutex lock;
  std::map<std::string, unsigned> seen;
  std::vector<std::string> traversed, outputs;
  std::string reparse;
  std::function<CYqError(const std::string&)> onTraverse, onFile;
};

// The bar: the walk reports exactly the entries nftw(FTW_PHYS) reports, with the same types,
// alone or with workers.
TEST(CTraverseFolder, ReportsWhatNftwReports) {
  CTempFolder tmp;
  MakeTree(tmp.path());
  for (int workers : {1, 3}) {
    SCOPED_TRACE(workers);
    CRecorder walk;
    walk.SetMaxWorkers(workers);
    walk.AddFolderToList(tmp.path());
    ASSERT_TRUE(walk.Traverse().Succeeded());
    EXPECT_EQ(walk.seen, NftwEntries(tmp.path()));
    EXPECT_EQ(walk.traversed.size(), 5u);  // root, a, a/b, a/b/c, empty
  }
}

// A missing content path is skipped and a file is reported as itself. With the top-level
// pass, the content folder comes first through OnFolder of its parent and is walked once;
// output paths follow the input paths below a different output root.
TEST(CTraverseFolder, ContentPathsAndOutputPaths) {
  CTempFolder tmp;
  ASSERT_TRUE(FXFolder::CreateFoldersIteratively(tmp / "top/sub").Succeeded());
  Touch(tmp / "top/sub/f");
  Touch(tmp / "file");
  CRecorder walk;
  walk.AddFolderToList(tmp / "missing");
  walk.AddFolderToList(tmp / "file", "/out/file");
  ASSERT_TRUE(walk.Traverse().Succeeded());
  EXPECT_EQ(walk.seen, (std::map<std::string, unsigned>{{tmp / "file", S_IFREG}}));
  EXPECT_EQ(walk.outputs, (std::vector<std::string>{"/out/file"}));
  CRecorder top;
  top.SetProcessTopLevelContentItem(true);
  top.AddFolderToList(tmp / "top", "/snap/top");
  ASSERT_TRUE(top.Traverse().Succeeded());
  EXPECT_EQ(top.outputs,
            (std::vector<std::string>{"/snap/top", "/snap/top/sub", "/snap/top/sub/f"}));
  EXPECT_EQ(top.traversed, (std::vector<std::string>{tmp / "top", tmp / "top/sub"}));
}

TEST(CTraverseFolder, IgnoredAndFatalCallbackErrors) {
  CTempFolder tmp;
  ASSERT_TRUE(FXFolder::CreateFoldersIteratively(tmp / "x/y").Succeeded());
  for (const char* name : {"x/1", "x/2", "x/3"}) Touch(tmp / name);
  for (int case_ = 0; case_ < 4; ++case_) {
    const bool ignore = case_ % 2 == 0;
    const int workers = case_ < 2 ? 1 : 3;
    SCOPED_TRACE(case_);
    CRecorder walk;
    walk.SetMaxWorkers(workers);
    walk.onFile = [](const std::string&) { return FXErrorUtil::ErrorWin32(YQ_LOC, 5, "denied"); };
    if (ignore) walk.ignoreConsumerError(FXErrorUtil::ErrorWin32(YQ_LOC, 5));
    walk.AddFolderToList(tmp / "x");
    walk.AddFolderToList(tmp / "x/y");  // taken first; still queued after a failure
    walk.AddFolderToList(tmp / "x");
    CYqError err = walk.Traverse();
    if (ignore) {
      EXPECT_TRUE(err.Succeeded()) << err.AsString();
      EXPECT_EQ(walk.GetFoldersToTraverseCount(), 0u);
    } else {
      EXPECT_TRUE(FXErrorUtil::IsWin32(err, 5));
      EXPECT_NE(err.AsString().find("Failed to report failed item."), std::string::npos);
      if (workers == 1) {
        EXPECT_EQ(walk.GetFoldersToTraverseCount(), 2u);
      }
    }
  }
}

TEST(CTraverseFolder, AbortByEventAndByCheck) {
  CTempFolder tmp;
  for (const char* name : {"1", "2", "3"}) Touch(tmp / name);
  CRecorder byEvent;
  auto event = boost::shared_ptr<FXEvent>(new FXEvent(FXEvent::MANUAL_RESET));
  event->Set();
  byEvent.SetAbortEvent(event);
  byEvent.AddFolderToList(tmp.path());
  EXPECT_TRUE(FXErrorUtil::IsWin32(byEvent.Traverse(), 995));
  EXPECT_TRUE(byEvent.traversed.empty());
  EXPECT_EQ(byEvent.GetFoldersToTraverseCount(), 1u);

  // A check that aborts after the first item stops the listing there.
  struct CAfterOne : CAbortOperationCheck {
    int calls = 0;
    bool IsAborted() override { return ++calls > 2; }
  } check;
  CRecorder byCheck;
  byCheck.SetAbortCheck(&check);
  byCheck.AddFolderToList(tmp.path());
  EXPECT_TRUE(FXErrorUtil::IsWin32(byCheck.Traverse(), 995));
  EXPECT_EQ(byCheck.seen.size(), 1u);
}

// Folders that vanish or become unreadable during the walk are skipped, never fatal.
TEST(CTraverseFolder, FoldersVanishingDuringTheWalk) {
  CTempFolder tmp;
  for (const char* folder : {"gone/inner", "locked/inner", "kept"})
    ASSERT_TRUE(FXFolder::CreateFoldersIteratively(tmp / folder).Succeeded());
  Touch(tmp / "kept/f");
  CRecorder walk;
  const std::string gone = tmp / "gone", locked = tmp / "locked";
  walk.onTraverse = [&](const std::string& input) {
    if (input == tmp.path()) {
      EXPECT_TRUE(FXFile::RemoveFolder(gone, 0).Succeeded());
      EXPECT_EQ(::chmod(locked.c_str(), 0), 0);
    }
    return CYqError();
  };
  for (const std::string& folder : {gone, locked, tmp / "kept", tmp.path()})
    walk.AddFolderToList(folder);
  EXPECT_TRUE(walk.Traverse().Succeeded());
  ::chmod(locked.c_str(), 0700);
  EXPECT_EQ(walk.seen.count(tmp / "kept/f"), 1u);
  EXPECT_EQ(walk.seen.count(tmp / "gone/inner"), 0u);
  if (::geteuid() != 0) {
    EXPECT_EQ(walk.seen.count(tmp / "locked/inner"), 0u);
  }
}

// A tree deeper than PATH_MAX is walked to its bottom; the working directory is unchanged.
TEST(CTraverseFolder, DeeperThanPathMax) {
  CTempFolder tmp;
  const std::string deep = yqbase_test::MakeDeepChain(tmp.path());
  ASSERT_FALSE(deep.empty());
  const std::string before = yqbase_test::Cwd();
  for (int workers : {1, 3}) {  // workers leave the deep part to the calling thread
    CRecorder walk;
    walk.SetMaxWorkers(workers);
    walk.AddFolderToList(tmp.path());
    ASSERT_TRUE(walk.Traverse().Succeeded());
    EXPECT_EQ(walk.seen[deep + "/leaf"], static_cast<unsigned>(S_IFREG)) << workers;
    EXPECT_EQ(yqbase_test::Cwd(), before);
  }
}

TEST(CTraverseFolder, WorkListQueries) {
  CRecorder walk;
  walk.AddFolderToList("/data/a", "/out/a");
  walk.AddFolderToList("/data/b/");
  struct Row {
    const char* folder;
    const char* output;  // null: not queued
  };
  const Row rows[] = {{"/data/a", "/out/a"},      {"/data/a/x/y", "/out/a/x/y"},
                      {"/data/b/c", "/data/b/c"}, {"/data/ab", nullptr},
                      {"/data", nullptr},         {"", nullptr}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.folder);
    std::string output = "unchanged";
    EXPECT_EQ(walk.FolderWillAlreadyBeTraversed(row.folder, output), row.output != nullptr);
    EXPECT_EQ(output, row.output != nullptr ? row.output : "unchanged");
  }
  walk.SetMaxWorkers(0);
  EXPECT_EQ(walk.GetMaxWorkers(), 1);

  CRecorder reparse;
  reparse.AddReparsePointToList("/no/such/link", "end", "/out/link", 7, "next");
  ASSERT_TRUE(reparse.Traverse().Succeeded());
  EXPECT_EQ(reparse.reparse, "/no/such/link|end|/out/link|7|next");
  EXPECT_TRUE(reparse.traversed.empty());
}

}  // namespace
