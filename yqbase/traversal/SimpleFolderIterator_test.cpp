#include "yqbase/traversal/SimpleFolderIterator.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <map>
#include <set>
#include <string>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/files/YqDirectory.h"
#include "yqbase/traversal/SimpleFolderItemImplStat.h"
#include "yqbase/traversal/SimpleFolderTreeIterator.h"
#include "yqbase/traversal/Traversal_testutil.h"

using yqbase_test::CTempFolder;
using yqbase_test::Touch;

namespace {

// Every item of an iterator by full native path, with its lstat type.
template <typename Iterator>
std::map<std::string, unsigned> Collect(Iterator& it, CYqError& end) {
  std::map<std::string, unsigned> items;
  CSimpleFolderItemPtr item;
  while ((end = it.GetNextItem(item)).Succeeded()) {
    auto* stat = dynamic_cast<CSimpleFolderItemImplStat*>(item.get());
    const std::string path =
        TempFsUTF::utfToMbe(item->GetFullyQualifiedItemName().c_str(), nullptr);
    items[path] = stat != nullptr ? stat->GetStat().st_mode & S_IFMT : 0;
  }
  return items;
}

TEST(CSimpleFolderIterator, EndsAndFailures) {
  CTempFolder tmp;
  CSimpleFolderIterator it;
  CSimpleFolderItemPtr item;
  EXPECT_TRUE(FXErrorUtil::IsWin32(it.GetNextItem(item), 3));
  ASSERT_TRUE(it.Open(tmp.path(), CSimpleFolderItemFilterPtr()).Succeeded());
  EXPECT_TRUE(FXErrorUtil::IsWin32(it.GetNextItem(item), 18));  // empty folder
  EXPECT_TRUE(FXErrorUtil::IsWin32(it.GetNextItem(item), 18));
  ASSERT_TRUE(it.Open(tmp / "missing", CSimpleFolderItemFilterPtr()).Succeeded());
  EXPECT_TRUE(FXErrorUtil::IsErrNo(it.GetNextItem(item), ENOENT));
}

// Attributes from the lstat mode, times from seconds (zero stays zero), generic properties.
TEST(CSimpleFolderIterator, ItemDetails) {
  CTempFolder tmp;
  ASSERT_EQ(::mkdir((tmp / "dir").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((tmp / "rodir").c_str(), 0555), 0);
  Touch(tmp / "file");
  Touch(tmp / "rofile");
  ASSERT_EQ(::chmod((tmp / "rofile").c_str(), 0444), 0);
  ASSERT_EQ(::symlink("dir", (tmp / "link").c_str()), 0);
  ASSERT_EQ(::mkfifo((tmp / "fifo").c_str(), 0644), 0);
  struct utimbuf times = {1, 0};
  ASSERT_EQ(::utime((tmp / "file").c_str(), &times), 0);
  const std::map<std::string, DWORD> expected = {{"dir", 0x10},   {"rodir", 0x11}, {"file", 0x80},
                                                 {"rofile", 0x1}, {"link", 0x400}, {"fifo", 0x80}};
  std::map<std::string, DWORD> seen;
  CSimpleFolderItemPtr file;
  {
    CSimpleFolderIterator it;
    ASSERT_TRUE(it.Open(tmp.path(), CSimpleFolderItemFilterPtr()).Succeeded());
    CSimpleFolderItemPtr item;
    while (it.GetNextItem(item).Succeeded()) {
      seen[item->GetItemName()] = item->GetAttributes();
      if (item->GetItemName() == "file") file = item;
      if (item->GetItemName() == "link") {
        EXPECT_FALSE(item->IsFolder());
        EXPECT_TRUE(item->IsReparsePoint());
      }
    }
  }
  EXPECT_EQ(seen, expected);
  // The item outlives its iterator.
  ASSERT_TRUE(file);
  EXPECT_EQ(file->GetLastWriteTime().GetValue(), 0);
  EXPECT_EQ(file->GetLastAccessTime().GetValue(), CTimeStamp::FromPosixTime(1).GetValue());
  EXPECT_EQ(file->GetSize(), 1u);
  EXPECT_EQ(static_cast<DWORD>(file->GetReparseTag()), 0u);
  struct stat64 st;
  ASSERT_EQ(stat64((tmp / "file").c_str(), &st), 0);
  struct Row {
    const char* name;
    bool offered;
  };
  const Row rows[] = {{"ItemName", true},
                      {"FullyQualifiedItemName", true},
                      {"Attributes", true},
                      {"Size", true},
                      {"LastWriteTime", true},
                      {"ChangeTime", true},
                      {"ReparseTag", true},
                      {"FileId", true},
                      {"CreationTime", false},
                      {"itemname", false},
                      {"", false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    boost::any value;
    EXPECT_EQ(file->Has(row.name, 0), row.offered);
    CYqError err = file->GetValue(row.name, value, 0);
    EXPECT_EQ(err.Succeeded(), row.offered);
    EXPECT_EQ(file->GetAny(row.name, 0).empty(), !row.offered);
    if (!row.offered) {
      EXPECT_TRUE(FXErrorUtil::IsWin32(err, 1168));
    }
  }
  EXPECT_EQ(boost::any_cast<std::uint64_t>(file->GetAny("FileId", 0)), st.st_ino);
  EXPECT_EQ(boost::any_cast<std::string>(file->GetAny("FullyQualifiedItemName", 0)), tmp / "file");
  boost::any value;
  EXPECT_TRUE(FXErrorUtil::IsWin32(file->GetValue(std::uint64_t(7), value, 0), 1168));
  EXPECT_FALSE(file->Has(std::uint64_t(7), 0));
}

TEST(CSimpleFolderIterator, FilterByNameAndChangeDirectory) {
  CTempFolder tmp;
  for (const char* name : {"a.txt", "b.txt", "c.log"}) Touch(tmp / name);
  CFilterTermPtr term(new CFilterTerm);
  ASSERT_TRUE(term->LoadRaw("*.txt").Succeeded());
  char before[PATH_MAX];
  ASSERT_NE(::getcwd(before, sizeof before), nullptr);
  CSimpleFolderIterator it;
  it.SetOption(CSimpleFolderIterator::kOptionChangeDirectory);
  ASSERT_TRUE(
      it.Open(tmp.path(), CSimpleFolderItemFilterPtr(new CSimpleFolderFilterByItemName(term)))
          .Succeeded());
  CSimpleFolderItemPtr item;
  std::set<std::string> names;
  while (it.GetNextItem(item).Succeeded()) {
    names.insert(item->GetItemName());
    char inside[PATH_MAX];
    ASSERT_NE(::getcwd(inside, sizeof inside), nullptr);
    EXPECT_EQ(inside, tmp.path());
  }
  EXPECT_EQ(names, (std::set<std::string>{"a.txt", "b.txt"}));
  char after[PATH_MAX];
  ASSERT_NE(::getcwd(after, sizeof after), nullptr);
  EXPECT_STREQ(after, before);
}

// The tree iterator returns exactly what nftw(FTW_PHYS) reports, links never followed.
TEST(CSimpleFolderTreeIterator, ReportsWhatNftwReports) {
  CTempFolder tmp;
  yqbase_test::MakeTree(tmp.path());
  CSimpleFolderTreeIterator it;
  CYqError end;
  CSimpleFolderItemPtr none;
  EXPECT_TRUE(FXErrorUtil::IsWin32(it.GetNextItem(none), 3));
  ASSERT_TRUE(it.Open(tmp.path(), CSimpleFolderItemFilterPtr()).Succeeded());
  EXPECT_EQ(Collect(it, end), yqbase_test::NftwEntries(tmp.path()));
  EXPECT_TRUE(FXErrorUtil::IsWin32(end, 18)) << end.AsString();
}

// The callback prunes a folder and hands its contents another context; a folder that
// vanishes before its turn is skipped; a chain deeper than PATH_MAX is walked to the bottom.
TEST(CSimpleFolderTreeIterator, CallbackPruningVanishingAndDepth) {
  CTempFolder tmp;
  ASSERT_TRUE(FXFolder::CreateFoldersIteratively(tmp / "pruned/x").Succeeded());
  ASSERT_TRUE(FXFolder::CreateFoldersIteratively(tmp / "gone/x").Succeeded());
  ASSERT_TRUE(FXFolder::CreateFoldersIteratively(tmp / "kept/x").Succeeded());
  const std::string deep = yqbase_test::MakeDeepChain(tmp.path());
  ASSERT_FALSE(deep.empty());
  struct CCallback : CSimpleFolderIteratorCallback {
    FVBasePtr marker{new FVBase};
    CYqError OnQueryIterateFolderContents(const CSimpleFolderItemPtr& item, bool& iterate,
                                          FVBasePtr& context) override {
      const std::string name = item->GetItemName();
      if (name == "pruned") iterate = false;
      if (name == "gone") FXFile::RemoveFolder(item->GetFullyQualifiedItemName(), 0).Succeeded();
      if (name == "kept") context = marker;
      return CYqError();
    }
  };
  boost::shared_ptr<CCallback> callback(new CCallback);
  CSimpleFolderTreeIterator it;
  it.SetCallback(callback);
  ASSERT_TRUE(it.Open(tmp.path(), CSimpleFolderItemFilterPtr()).Succeeded());
  std::map<std::string, FVBasePtr> contexts;
  CSimpleFolderItemPtr item;
  CYqError end;
  while ((end = it.GetNextItem(item)).Succeeded())
    contexts[item->GetFullyQualifiedItemName()] = item->GetContext();
  EXPECT_TRUE(FXErrorUtil::IsWin32(end, 18));
  EXPECT_EQ(contexts.count(tmp / "pruned"), 1u);
  EXPECT_EQ(contexts.count(tmp / "pruned/x"), 0u);
  EXPECT_EQ(contexts.count(tmp / "gone/x"), 0u);
  EXPECT_EQ(contexts[tmp / "kept/x"], callback->marker);
  EXPECT_EQ(contexts[tmp / "kept"], FVBasePtr());
  EXPECT_EQ(contexts.count(deep + "/leaf"), 1u);
}

}  // namespace
