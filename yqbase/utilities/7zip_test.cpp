#include "yqbase/utilities/7zip.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <random>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/YqDirectory.h"
#include "yqbase/strings/StringExtensions.h"
#include "yqbase/utilities/Utilities_testutil.h"

namespace {

using yqbase_test::CTempFolder;
using yqbase_test::ReadFile;
using yqbase_test::WriteFile;
typedef std::map<std::wstring, std::wstring> Results;

// The command line the stand-in library saw last (it is the same loaded object as C7zip's).
std::string LastCommandLine() {
  void* library = dlopen(YQ_TEST_FAKE7Z_DIR "/lib7z.so", RTLD_NOW | RTLD_NOLOAD);
  if (library == nullptr) return "<not loaded>";
  auto last = reinterpret_cast<const wchar_t* (*)()>(dlsym(library, "LastCommandLine"));
  std::string text = last != nullptr ? FXString::ToString(last()) : "<no symbol>";
  dlclose(library);
  return text;
}

bool Has7zz() { return std::system("command -v 7zz > /dev/null 2>&1") == 0; }

}  // namespace

TEST(CYqLibrary, LoadResolveAndFailures) {
  EXPECT_EQ("lib7z.so", CYqLibrary::GetLibraryNameForName("7z"));
  CYqLibrary library;
  void* address = &library;
  CYqError err = library.GetAddress("cos", address);
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 87) && address == nullptr) << err.AsString();
  EXPECT_NE(std::string::npos, err.AsString().find("Module handle is NULL"));

  err = library.Load("/nonexistent/libnothing.so", true);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, 14)) << err.AsString();
  EXPECT_NE(std::string::npos,
            err.AsString().find("Failed to load module /nonexistent/libnothing.so:"));

  // A namespace of its own: the library's C runtime is not the program's.
  ASSERT_TRUE(library.LoadThirdParty("libm.so.6", true).Succeeded());
  ASSERT_TRUE(library.GetAddress("cos", address).Succeeded());
  EXPECT_EQ(1.0, reinterpret_cast<double (*)(double)>(address)(0.0));
  err = library.GetAddress("no_such_symbol", address);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, 14)) << err.AsString();
  EXPECT_NE(std::string::npos, err.AsString().find("Failed to get address of no_such_symbol:"));
  EXPECT_TRUE(library.Free().Succeeded());
  EXPECT_FALSE(library.IsLoaded());
}

TEST(C7zip, InitializeReportsAMissingLibrary) {
  const CYqError err = C7zip("/nonexistent", C7zip::SevenZip).Initialize();
  EXPECT_TRUE(FXErrorUtil::IsErrNo(err, 14)) << err.AsString();
  EXPECT_NE(std::string::npos, err.AsString().find("C7zip::Initialize"));
  EXPECT_NE(std::string::npos, err.AsString().find("/nonexistent/lib7z.so"));
}

TEST(C7zip, CommandsNeedInitializeAndInput) {
  C7zip zip(YQ_TEST_FAKE7Z_DIR, C7zip::Zip);
  std::vector<std::string> none, one{"f"};
  std::string empty, folder = "out";
  Results results;
  std::vector<C7zMetaData> entries;
  for (int initialized = 0; initialized < 2; ++initialized) {
    const struct {
      CYqError err;
      const char* text;
    } cases[] = {
        {zip.AddFilesToArchive("a", one, results),
         "7zip is not initialized to add files to archive"},
        {zip.ExtractFilesFromArchive("a", folder),
         "7zip is not initialized to extract file(s) from archive"},
        {zip.DeleteFilesFromArchive("a", one),
         "7zip is not initialized to delete files from archive"},
        {zip.RunCommandLine("l a"), "7zip is not initialized to delete files from archive"},
        {zip.ListFilesInArchive("a", entries), "7zip is not initialized to list files in archive"},
        {zip.AddFilesToArchive("a", none, results), "File paths list is empty"},
        {zip.AddFilesToArchive("a", empty, results), "List file path is empty"},
        {zip.DeleteFilesFromArchive("a", none), "File list is empty"},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.text);
      const bool emptyInput = std::string(c.text).find("empty") != std::string::npos;
      EXPECT_EQ(!initialized || emptyInput, FXErrorUtil::IsWin32(c.err, 774)) << c.err.AsString();
      if (initialized == emptyInput) {
        EXPECT_NE(std::string::npos, c.err.AsString().find(c.text));
      }
    }
    ASSERT_TRUE(zip.Initialize().Succeeded());
  }
}

// The exact command lines, and the library's answer turned into an integer-kind error.
TEST(C7zip, ComposesCommandLines) {
  C7zip bzip(YQ_TEST_FAKE7Z_DIR, C7zip::BZip2);
  ASSERT_TRUE(bzip.Initialize().Succeeded());
  ASSERT_TRUE(bzip.SetCompressionLevel(9).Succeeded());
  ASSERT_TRUE(bzip.SetVolumeSize(100, C7zip::Megabytes).Succeeded());
  ASSERT_TRUE(bzip.AddExcludeList("*.tmp", false, true).Succeeded());
  std::vector<std::string> files{"a b.txt", "c"};
  Results results;
  ASSERT_TRUE(bzip.AddFilesToArchive("x.bz2", files, results).Succeeded());
  EXPECT_EQ("a -mx9 -tbzip2  -xr!\"*.tmp\" -v100m \"x.bz2\" \"a b.txt\" \"c\"", LastCommandLine());
  EXPECT_EQ(2u, results.size());

  C7zip zip(YQ_TEST_FAKE7Z_DIR, C7zip::Zip);
  ASSERT_TRUE(zip.Initialize().Succeeded());
  zip.SetPassword("pw");
  zip.SetMultithreading(true);
  zip.SetSharedFiles(true);
  zip.SetFullPaths(true);
  zip.SetQuiet(true);
  zip.SetRecurse(true);
  ASSERT_TRUE(zip.AddExcludeList("skip.lst", true, false).Succeeded());
  std::string list = "files.lst", none, out = "o dir";
  std::vector<C7zMetaData> entries;
  const std::string common = "-tzip  -mmt -spf -p\"pw\" -bso0 -x@\"skip.lst\" ";
  const struct {
    CYqError err;
    std::string expected;
  } cases[] = {
      {zip.AddFilesToArchive("z.zip", list, results),
       "a -ssw " + common + "\"z.zip\" -r @\"files.lst\""},
      {zip.ExtractFilesFromArchive("z.zip", none), "e " + common + "-y \"z.zip\""},
      {zip.ExtractFilesWithFullPathsFromArchive("z.zip", out),
       "x " + common + "-y \"z.zip\" -o\"o dir\""},
      {zip.DeleteFilesFromArchive("z.zip", files), "d \"z.zip\" \"a b.txt\" \"c\""},
      {zip.ListFilesInArchive("z.zip", entries), "l \"z.zip\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_TRUE(c.err.Succeeded()) << c.err.AsString();
  }
  EXPECT_EQ(cases[4].expected, LastCommandLine());
  ASSERT_EQ(1u, entries.size());
  EXPECT_EQ("dir/file.txt", entries[0].name);
  EXPECT_EQ(12u, entries[0].size);

  CYqError err = zip.RunCommandLine("t FAIL8");
  EXPECT_TRUE(FXErrorUtil::IsInt(err, 2)) << err.AsString();
  EXPECT_NE(std::string::npos, err.AsString().find("narrow failure"));
  err = zip.RunCommandLine("t FAILW");
  EXPECT_TRUE(FXErrorUtil::IsInt(err, 7)) << err.AsString();
  EXPECT_NE(std::string::npos, err.AsString().find("wide failure"));
}

// No name can end its quotes early or read as a switch: such names never reach the library.
TEST(C7zip, RefusesNamesThatWouldChangeTheCommand) {
  C7zip zip(YQ_TEST_FAKE7Z_DIR, C7zip::SevenZip);
  ASSERT_TRUE(zip.Initialize().Succeeded());
  ASSERT_TRUE(zip.RunCommandLine("t untouched").Succeeded());
  Results results;
  std::string folder = "out\" -pEVIL \"x", list = "l\"st";
  const std::vector<std::string> badFiles[] = {
      {"ok", "a\" -pEVIL \""}, {"-sdel"}, {"@list"}, {std::string("nul\0byte", 8)}};
  for (std::vector<std::string> files : badFiles) {
    SCOPED_TRACE(files.back());
    const CYqError add = zip.AddFilesToArchive("a.7z", files, results);
    const CYqError remove = zip.DeleteFilesFromArchive("a.7z", files);
    EXPECT_TRUE(FXErrorUtil::IsWin32(add, 87) && FXErrorUtil::IsWin32(remove, 87))
        << add.AsString();
  }
  std::vector<std::string> good{"ok"};
  const CYqError others[] = {
      zip.AddFilesToArchive("-sdel.7z", good, results),
      zip.AddFilesToArchive("a.7z", list, results),
      zip.ExtractFilesFromArchive("a.7z", folder),
      zip.AddExcludeList("*\" -sdel \"", false, true),
  };
  for (const CYqError& err : others) EXPECT_TRUE(FXErrorUtil::IsWin32(err, 87)) << err.AsString();
  zip.SetPassword("p\"w");
  EXPECT_TRUE(FXErrorUtil::IsWin32(zip.AddFilesToArchive("a.7z", good, results), 87));
  EXPECT_EQ("t untouched", LastCommandLine());
}

// Round trips through the real archiver library and 7zz.
TEST(C7zip, ArchivesAndRestoresRealFiles) {
  if (!Has7zz()) GTEST_SKIP() << "7zz (Debian package 7zip) is not installed";
  CTempFolder tmp;
  const std::string src = tmp / "src";
  ASSERT_TRUE(FXFolder::CreateFoldersIteratively(src + "/sub dir").Succeeded());
  std::mt19937 random(5);
  std::string binary(300000, '\0');
  for (char& c : binary) c = static_cast<char>(random());
  const struct {
    const char* name;
    std::string bytes;
  } files[] = {{"a.txt", std::string(100000, 'a') + "end\n"},
               {"sub dir/b.bin", binary},
               {"sub dir/c.tmp", "scratch"},
               {"ü.txt", "non-ASCII name"}};
  for (const auto& f : files) WriteFile(src + "/" + f.name, f.bytes);

  const struct {
    C7zip::CompressionFormat format;
    const char* archive;
  } formats[] = {{C7zip::SevenZip, "/arc.7z"}, {C7zip::Zip, "/arc.zip"}};
  for (const auto& format : formats) {
    SCOPED_TRACE(format.archive);
    const std::string archive = tmp.path() + format.archive;
    C7zip zip(YQ_TEST_ARCHIVER_DIR, format.format);
    ASSERT_TRUE(zip.Initialize().Succeeded());
    ASSERT_TRUE(zip.SetCompressionLevel(9).Succeeded());
    ASSERT_TRUE(zip.AddExcludeList("*.tmp", false, true).Succeeded());
    std::vector<std::string> names{src};
    Results results;
    CYqError err = zip.AddFilesToArchive(archive, names, results);
    ASSERT_TRUE(err.Succeeded()) << err.AsString();
    EXPECT_EQ(L"", results[FXString::ToWstring(src)]);

    std::vector<C7zMetaData> entries;
    ASSERT_TRUE(zip.ListFilesInArchive(archive, entries).Succeeded());
    std::map<std::string, C7zMetaData> byName;
    for (const C7zMetaData& e : entries) byName[e.name] = e;
    EXPECT_EQ(5u, byName.size());  // src, src/sub dir and three files; no .tmp
    EXPECT_TRUE(byName["src/sub dir"].isFolder);
    EXPECT_EQ(binary.size(), byName["src/sub dir/b.bin"].size);
    EXPECT_EQ(19u, byName["src/a.txt"].modified.size());

    std::string full = archive + ".full", flat = archive + ".flat";
    ASSERT_TRUE(zip.ExtractFilesWithFullPathsFromArchive(archive, full).Succeeded());
    ASSERT_TRUE(zip.ExtractFilesFromArchive(archive, flat).Succeeded());
    for (const auto& f : files) {
      SCOPED_TRACE(f.name);
      const bool excluded = std::string(f.name).find(".tmp") != std::string::npos;
      const std::string base = std::string(f.name).substr(std::string(f.name).rfind('/') + 1);
      EXPECT_EQ(excluded ? "" : f.bytes, ReadFile(full + "/src/" + f.name));
      EXPECT_EQ(excluded ? "" : f.bytes, ReadFile(flat + "/" + base));
    }

    std::vector<std::string> gone{"src/a.txt"};
    ASSERT_TRUE(zip.DeleteFilesFromArchive(archive, gone).Succeeded());
    ASSERT_TRUE(zip.ListFilesInArchive(archive, entries).Succeeded());
    EXPECT_EQ(4u, entries.size());

    // The tool's own failure comes back with its exit status and text.
    std::vector<std::string> missing{tmp / "missing"};
    err = zip.AddFilesToArchive(archive, missing, results);
    EXPECT_TRUE(err.Failed() && FXErrorUtil::GetInt(err) != 0) << err.AsString();
    EXPECT_NE(L"", results[FXString::ToWstring(tmp / "missing")]);
  }
}

// Volumes of 64 KiB and a list file of names; the first volume extracts the whole set.
TEST(C7zip, VolumesAndListFiles) {
  if (!Has7zz()) GTEST_SKIP() << "7zz (Debian package 7zip) is not installed";
  CTempFolder tmp;
  std::mt19937 random(9);
  std::string bytes(200000, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  WriteFile(tmp / "data.bin", bytes);
  WriteFile(tmp / "names.lst", tmp / "data.bin" + "\n");
  C7zip zip(YQ_TEST_ARCHIVER_DIR, C7zip::SevenZip);
  ASSERT_TRUE(zip.Initialize().Succeeded());
  ASSERT_TRUE(zip.SetVolumeSize(64, C7zip::Kilobytes).Succeeded());
  std::string list = tmp / "names.lst", out = tmp / "out";
  Results results;
  const CYqError err = zip.AddFilesToArchive(tmp / "v.7z", list, results);
  ASSERT_TRUE(err.Succeeded()) << err.AsString();
  EXPECT_TRUE(yqtest::Exists(tmp / "v.7z.004"));
  ASSERT_TRUE(zip.ExtractFilesFromArchive(tmp / "v.7z.001", out).Succeeded());
  EXPECT_TRUE(bytes == ReadFile(out + "/data.bin"));
}
