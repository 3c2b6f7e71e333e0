#include "yqbase/traversal/SimpleFolderIterator.h"

#include <gtest/gtest.h>
#include <utime.h>

#include <map>
#include <set>
#include <string>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/traversal/SimpleFolderItemImplStat.h"
#include "yqbase/traversal/SimpleFolderTreeIterator.h"
#include "yqbase/traversal/Traversal_testutil.h"

using yqbase_test::CTempFolder;
using yqbase_test::Touch;

namespace {

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
      EXPECT_TRUE(item->GetItemName() != "link" || (item->IsReparsePoint() && !item->IsFolder()));
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
  // The first eight properties are offered; names are case-sensitive.
  int row = 0;
  for (const char* name :
       {"ItemName", "FullyQualifiedItemName", "Attributes", "Size", "LastWriteTime", "ChangeTime",
        "ReparseTag", "FileId", "CreationTime", "itemname", ""}) {
    const bool offered = row++ < 8;
    SCOPED_TRACE(name);
    boost::any value;
    EXPECT_EQ(file->Has(name, 0), offered);
    CYqError err = file->GetValue(name, value, 0);
    EXPECT_TRUE(offered ? err.Succeeded() : FXErrorUtil::IsWin32(err, 1168));
    EXPECT_EQ(file->GetAny(name, 0).empty(), !offered);
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
  const std::string before = yqbase_test::Cwd();
  CSimpleFolderIterator it;
  it.SetOption(CSimpleFolderIterator::kOptionChangeDirectory);
  ASSERT_TRUE(
      it.Open(tmp.path(), CSimpleFolderItemFilterPtr(new CSimpleFolderFilterByItemName(term)))
          .Succeeded());
  CSimpleFolderItemPtr item;
  std::set<std::string> names;
  while (it.GetNextItem(item).Succeeded()) {
    names.insert(item->GetItemName());
    EXPECT_EQ(yqbase_test::Cwd(), tmp.path());
  }
  EXPECT_EQ(names, (std::set<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(yqbase_test::Cwd(), before);
}

// The tree iterator returns exactly what nftw(FTW_PHYS) reports, links never followed.
TEST(CSimpleFolderTreeIterator, ReportsWhatNftwReports) {
  CTempFolder tmp;
  yqbase_test::MakeTree(tmp.path());
  CSimpleFolderTreeIterator it;
  CSimpleFolderItemPtr item;
  EXPECT_TRUE(FXErrorUtil::IsWin32(it.GetNextItem(item), 3));
  ASSERT_TRUE(it.Open(tmp.path(), CSimpleFolderItemFilterPtr()).Succeeded());
  std::map<std::string, unsigned> items;
  CYqError end;
  while ((end = it.GetNextItem(item)).Succeeded()) {
    auto* stat = dynamic_cast<CSimpleFolderItemImplStat*>(item.get());
    ASSERT_NE(stat, nullptr);
    items[TempFsUTF::utfToMbe(item->GetFullyQualifiedItemName().c_str(), nullptr)] =
        stat->GetStat().st_mode & S_IFMT;
  }
  EXPECT_EQ(items, yqbase_test::NftwEntries(tmp.path()));
  EXPECT_TRUE(FXErrorUtil::IsWin32(end, 18)) << end.AsString();
}

// The callback prunes a folder and hands its contents another context; a folder that
// vanishes before its turn is skipped; a chain deeper than PATH_MAX is walked to the bottom.
TEST(CSimpleFolderTreeIterator, CallbackPruningVanishingAndDepth) {
  CTempFolder tmp;
  for (const char* folder : {"pruned/x", "gone/x", "kept/x"})
    ASSERT_TRUE(FXFolder::CreateFoldersIteratively(tmp / folder).Succeeded());
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
