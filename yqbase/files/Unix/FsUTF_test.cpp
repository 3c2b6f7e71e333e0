#include "yqbase/files/Unix/FsUTF.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/errors/ZkException.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/files/utfFsUtils.h"
#include "yqbase/strings/TempZkUCS.h"

using yqbase_test::CScopedLocale;
using yqbase_test::CTempFolder;
using yqbase_test::HasText;
using yqbase_test::MakeFile;
using yqbase_test::NativeNames;

namespace {

struct SMode {
  const char* locale;
  bool ignoreLocale;
};
const SMode kModes[] = {{"C.UTF-8", false}, {"C.UTF-8", true}, {"C", false}, {"C", true}};

// Native names with every byte value from 0x01 to 0xFF except "/": each byte alone (but "."),
// and each between and after ASCII letters, so that ASCII also occurs inside escaped sections;
// then names that stress the escape: valid UTF-8, Latin-1, the markers themselves, CESU-8
// surrogates, overlong and five-byte forms, and a long name whose escape outgrows d_name.
std::vector<std::string> StressNames() {
  std::vector<std::string> names;
  for (int b = 1; b <= 0xFF; ++b) {
    if (b == '/') continue;
    const char c = static_cast<char>(b);
    if (b != '.') names.push_back(std::string(1, c));
    names.push_back(std::string("x") + c + "y" + c);
  }
  for (const char* name :
       {"\xC3\xA9t\xC3\xA9", "caf\xE9", "\xE2\x80\x8Bzw", "a\xE2\x80\x8B",
        "\xEF\xBB\xBF"
        "bom",
        "\xED\xA0\x80\xED\xB0\x80", "\xED\xA0\x80", "\xC0\x80", "\xF8\x88\x80\x80\x80",
        "\xF0\x9F\x98\x80", "\xE6\x97\xA5\xE6\x9C\xAC\xFF"})
    names.push_back(name);
  names.push_back(std::string(200, '\xFF'));
  return names;
}

// Whether `text` is UTF-8 that the UCS-2 layer accepts.
bool DecodesAsUtf8(const std::string& text) {
  try {
    TempZkUCS::utfToUcs(text.c_str());
    return true;
  } catch (const ZkException&) {
    return false;
  }
}

// The function and file of the innermost item: where the failure was found.
std::string FirstCause(const CYqError& err) {
  const std::vector<FXErrorItemPtr> items = err.GetItems();
  if (items.empty()) return "";
  return std::string(items.back()->GetLocation().function) + " in " +
         items.back()->GetLocation().file;
}

// Every entry of `folder` in UTF-8 but "." and "..", read with readdir_utf (`how` 0) or
// readdir_r_utf into a dirent64 (1) or a dirent (2).
std::set<std::string> ListUtf8(const std::string& folder, int how) {
  std::set<std::string> names;
  DIR* dir = TempFsUTF::opendir_utf(folder.c_str());
  EXPECT_NE(nullptr, dir);
  alignas(struct dirent64) char buffer[TempFsUTF::kDirentBufferSize];
  struct dirent64* result64 = nullptr;
  struct dirent* result = nullptr;
  while (dir != nullptr) {
    // Each form's name is read from its own record type: the layouts differ on 32-bit x86.
    const char* found = nullptr;
    if (how == 0 && (result = TempFsUTF::readdir_utf(dir, nullptr)) != nullptr)
      found = result->d_name;
    if (how == 1 &&
        TempFsUTF::readdir_r_utf(dir, reinterpret_cast<struct dirent64*>(buffer), &result64,
                                 nullptr) == 0 &&
        result64 != nullptr)
      found = result64->d_name;
    if (how == 2 &&
        TempFsUTF::readdir_r_utf(dir, reinterpret_cast<struct dirent*>(buffer), &result, nullptr) ==
            0 &&
        result != nullptr)
      found = result->d_name;
    if (found == nullptr) break;
    const std::string name = found;
    if (name != "." && name != "..") names.insert(name);
  }
  EXPECT_EQ(0, dir ? TempFsUTF::closedir_utf(dir) : 0);
  return names;
}

}  // namespace

// Bytes a mode cannot decode are escaped between U+200B and U+FEFF, each byte as the character
// of its value, and read back; the C locale also reports the failure it escaped.
// The word-wise test sees a high byte at every position of names up to 20 bytes long.
TEST(TempFsUTF, IsAsciiTextSeesEveryByte) {
  for (size_t n = 0; n <= 20; ++n) {
    std::string text(n, 'a');
    EXPECT_TRUE(TempFsUTF::IsAsciiText(text.data(), n)) << n;
    for (size_t at = 0; at < n; ++at) {
      text[at] = '\x80';
      EXPECT_FALSE(TempFsUTF::IsAsciiText(text.data(), n)) << n << " at " << at;
      text[at] = 'a';
    }
  }
}

TEST(TempFsUTF, EscapesWhatTheModeCannotDecode) {
  const struct {
    const char* locale;
    bool ignoreLocale;
    const char* native;
    const char* utf8;
    const char* error;
  } cases[] = {{"C.UTF-8", false, "a\xFFz", "a\xE2\x80\x8B\xC3\xBFz\xEF\xBB\xBF", ""},
               {"C.UTF-8", false, "\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9", ""},
               {"C.UTF-8", true, "\xC3\xA9t\xC3\xA9",
                "\xE2\x80\x8B\xC3\x83\xC2\xA9t\xC3\x83\xC2\xA9\xEF\xBB\xBF", ""},
               {"C", false, "caf\xE9", "caf\xE2\x80\x8B\xC3\xA9\xEF\xBB\xBF",
                "MBE to UCS conversion failed (caf\xE9): Invalid MBE byte sequence. MBE string is "
                "incompatible with the current system locale."}};
  for (const auto& c : cases) {
    CScopedLocale locale(c.locale, c.ignoreLocale);
    ASSERT_TRUE(locale.ok());
    SCOPED_TRACE(std::string(c.locale) + (c.ignoreLocale ? " ignoring locale: " : ": ") + c.native);
    std::string error;
    EXPECT_EQ(c.utf8, TempFsUTF::mbeToUtf(c.native, &error));
    EXPECT_EQ(c.error, error);
    error.clear();
    EXPECT_EQ(c.native, TempFsUTF::utfToMbe(c.utf8, &error));
    EXPECT_EQ("", error);
  }
  // Input without a native form comes back as it is, with the reason: a character the C
  // locale cannot encode, text that is not UTF-8.
  const char* const noNative[][3] = {
      {"C", "caf\xC3\xA9",
       "UCS to MBE conversion failed: One of UCS-2 characters does not have MBE representation "
       "in the current locale."},
      {"C.UTF-8", "bad\xFF", "String \"bad\xFF\" is not in UTF-8 format."},
      {"C.UTF-8", "a\xED\xA0\x80", "String \"a\xED\xA0\x80\" is not in UTF-8 format."}};
  for (const auto& c : noNative) {
    CScopedLocale locale(c[0], false);
    std::string error, native, checkedError;
    EXPECT_EQ(c[1], TempFsUTF::utfToMbe(c[1], &error));
    EXPECT_EQ(c[2], error);
    EXPECT_FALSE(TempFsUTF::utfToMbeChecked(c[1], native, checkedError));
    EXPECT_EQ(std::string(c[1]) + c[2], native + checkedError);
  }
}

// Only a section as mbeToUtf writes it is read back as bytes; any other U+200B is text, so
// U+0141 no longer becomes "A" and U+0100 no longer a NUL.
TEST(TempFsUTF, OnlyTheLibrarysEscapeIsReadAsBytes) {
  CScopedLocale locale("C.UTF-8", false);
  const std::string o = "\xE2\x80\x8B", c = "\xEF\xBB\xBF";      // open, close
  const std::string kept[] = {o + "\xC5\x81" + c,                // U+0141 inside
                              "a" + o + "\xC4\x80" + c,          // U+0100 inside
                              o + "A" + c,                       // ASCII only
                              "a" + o + "\xC3\xBFx",             // not closed
                              o + "\xC3\xBE" + c + "b",          // text after the close
                              "\xC3\xA9" + o + "\xC3\xBE" + c};  // non-ASCII start of the name
  for (const std::string& utf8 : kept) EXPECT_EQ(utf8, TempFsUTF::utfToMbe(utf8.c_str(), nullptr));
  const std::pair<std::string, std::string> read[] = {
      {"a" + o + "\xC3\xBFx" + c, "a\xFFx"},
      {"\xC3\xA9/" + o + "\xC3\xBE" + c + "/d" + o + "\xC3\xBD" + c,
       "\xC3\xA9/\xFE/d\xFD"},                                   // one escaped name per component
      {"/t/d" + o + "\xC3\xBD/\xC3\xBE" + c, "/t/d\xFD/\xFE"}};  // a whole path escaped
  for (const auto& r : read) EXPECT_EQ(r.second, TempFsUTF::utfToMbe(r.first.c_str(), nullptr));
}

// Names built from the shapes of escapes map to distinct native names, except a name and the
// escape of its own bytes, which mean the same bytes.
TEST(TempFsUTF, DistinctNamesStayDistinct) {
  std::vector<std::string> names;
  const char* const pieces[] = {"", "A", "\xC3\xA9", "\xC3\xBF", "\xC5\x81", "\xC4\x80"};
  for (const char* prefix : {"", "a", "\xC3\xA9"})
    for (const char* first : pieces)
      for (const char* second : pieces)
        for (const char* close : {"", "\xEF\xBB\xBF"})
          for (const char* suffix : {"", "b"}) {
            names.push_back(std::string(prefix) + first + second + close + suffix);
            names.push_back(std::string(prefix) + "\xE2\x80\x8B" + first + second + close + suffix);
          }
  for (const SMode& mode : kModes) {
    CScopedLocale locale(mode.locale, mode.ignoreLocale);
    std::map<std::string, std::string> byNative;
    for (const std::string& name : names) {
      std::string native, error;
      if (!TempFsUTF::utfToMbeChecked(name.c_str(), native, error)) continue;
      const auto inserted = byNative.emplace(native, name);
      if (inserted.second || inserted.first->second == name) continue;
      TempFsUTF::SetIgnoreLocale(true);
      const std::string escape = TempFsUTF::mbeToUtf(native.c_str(), nullptr);
      TempFsUTF::SetIgnoreLocale(mode.ignoreLocale);
      EXPECT_TRUE(escape == name || escape == inserted.first->second)
          << mode.locale << (mode.ignoreLocale ? " ignoring locale: \"" : ": \"") << name
          << "\" and \"" << inserted.first->second << "\" both give \"" << native << "\"";
    }
  }
}

TEST(TempFsUTF, UcsToUtfTakesUnalignedUnits) {
  const ucs2_char units[] = {0x0061, 0x00E9, 0xD83D, 0xDE00, 0};
  std::vector<char> bytes(sizeof units + 1);
  std::memcpy(bytes.data() + 1, units, sizeof units);
  std::string error;
  EXPECT_EQ("a\xC3\xA9\xF0\x9F\x98\x80", TempFsUTF::ucsToUtf(bytes.data() + 1, &error));
  EXPECT_EQ("", error);

  const ucs2_char lone[] = {0x0061, 0xD83D, 0x0062, 0};
  EXPECT_EQ("", TempFsUTF::ucsToUtf(reinterpret_cast<const char*>(lone), &error));
  EXPECT_EQ("The source string is not in UCS-2/UTF-16 format.", error);
}

// Names made natively list back through readdir_utf and readdir_r_utf as UTF-8 names that
// convert back to them and reach the same files, and UTF-8 names create the same native
// names, in every mode.
TEST(TempFsUTF, ListingRealFilesInEveryMode) {
  const std::vector<std::string> names = StressNames();
  for (const SMode& mode : kModes) {
    CScopedLocale locale(mode.locale, mode.ignoreLocale);
    SCOPED_TRACE(std::string(mode.locale) + (mode.ignoreLocale ? " ignoring locale" : ""));
    CTempFolder folder, second;
    for (const std::string& name : names) ASSERT_TRUE(MakeFile(folder / name)) << name;
    const std::set<std::string> native = NativeNames(folder.path());
    ASSERT_EQ(names.size(), native.size());
    const std::set<std::string> utf8Names = ListUtf8(folder.path(), 0);
    EXPECT_EQ(utf8Names, ListUtf8(folder.path(), 1));
    std::set<std::string> listed;
    for (const std::string& utf8 : utf8Names) {
      // Valid UTF-8 that reads back to the native name; ASCII stays as it is.
      std::string back, error;
      EXPECT_TRUE(DecodesAsUtf8(utf8)) << utf8;
      EXPECT_TRUE(TempFsUTF::utfToMbeChecked(utf8.c_str(), back, error)) << error;
      const bool ascii = std::all_of(back.begin(), back.end(), [](char c) { return c > 0; });
      EXPECT_TRUE(!ascii || utf8 == back) << utf8;
      listed.insert(back);
      struct stat64 st;
      EXPECT_EQ(0, TempFsUTF::lstat_utf((folder.path() + "/" + utf8).c_str(), &st)) << utf8;
      // The other direction: the UTF-8 names create the original native names.
      const int fd = TempFsUTF::creat_utf((second.path() + "/" + utf8).c_str(), 0644);
      ASSERT_GE(fd, 0) << utf8;
      ::close(fd);
    }
    EXPECT_EQ(native, listed);
    EXPECT_EQ(native, NativeNames(second.path()));
  }
}

// A name whose escape is longer than d_name is still listed whole; the end of a listing keeps
// errno, and a missing folder sets it.
TEST(TempFsUTF, ReaddirEntryOutgrowsTheRecordAndKeepsErrno) {
  CScopedLocale locale("C.UTF-8", false);
  CTempFolder folder, empty;
  const std::string name(250, '\xFF');
  ASSERT_TRUE(MakeFile(folder / name));
  const std::string expected = TempFsUTF::mbeToUtf(name.c_str(), nullptr);
  ASSERT_GT(expected.size(), 255u);
  for (int how : {0, 1, 2})
    EXPECT_EQ(std::set<std::string>{expected}, ListUtf8(folder.path(), how)) << how;

  errno = 0;
  EXPECT_TRUE(ListUtf8(empty.path(), 0).empty());
  EXPECT_EQ(0, errno);
  EXPECT_EQ(nullptr, TempFsUTF::opendir_utf((empty / "missing").c_str()));
  EXPECT_EQ(ENOENT, errno);
}

// The wrappers give the system call's result and errno for UTF-8 names.
TEST(TempFsUTF, WrappersActLikeTheirCalls) {
  CScopedLocale locale("C.UTF-8", false);
  CTempFolder folder;
  const std::string dir = folder / "d\xC3\xA9j\xC3\xA0";
  const std::string file = dir + "/f\xFF.txt";  // not valid UTF-8: passed through unchanged
  const std::string escaped = dir + "/" + TempFsUTF::mbeToUtf("f\xFF.txt", nullptr);
  const std::string link = dir + "/l\xC3\xAFnk", hard = dir + "/h\xC3\xA4rd",
                    moved = dir + "/m\xC3\xB6ved", fifo = dir + "/p\xC3\xAFpe";

  EXPECT_EQ(0, TempFsUTF::mkdir_utf(dir.c_str(), 0755));
  const int fd = TempFsUTF::open_utf(escaped.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(3, ::write(fd, "abc", 3));
  ::close(fd);
  EXPECT_EQ(std::set<std::string>{"f\xFF.txt"}, NativeNames(dir));

  struct stat st;
  struct stat64 st64;
  struct utimbuf times = {1000000000, 1200000000};
  EXPECT_EQ(0, TempFsUTF::stat_utf(escaped.c_str(), &st));
  EXPECT_EQ(3, st.st_size);
  EXPECT_EQ(0, TempFsUTF::truncate_utf(escaped.c_str(), 10) +
                   TempFsUTF::stat_utf(escaped.c_str(), &st64));
  EXPECT_EQ(10, st64.st_size);
  EXPECT_EQ(0, TempFsUTF::access_utf(escaped.c_str(), R_OK) +
                   TempFsUTF::chmod_utf(escaped.c_str(), 0640) +
                   TempFsUTF::lstat_utf(escaped.c_str(), &st64) +
                   TempFsUTF::chown_utf(escaped.c_str(), ::getuid(), ::getgid()) +
                   TempFsUTF::utime_utf(escaped.c_str(), &times) +
                   TempFsUTF::stat_utf(escaped.c_str(), &st));
  EXPECT_EQ(0640u, st64.st_mode & 07777);
  EXPECT_EQ(1200000000, st.st_mtime);
  FILE* stream = TempFsUTF::fopen_utf(escaped.c_str(), "r");
  ASSERT_NE(nullptr, stream);
  ::fclose(stream);

  // Links: the target text is converted too, and readlink hands it back in UTF-8; the whole
  // target is escaped from its first undecodable byte on, and names the same file.
  EXPECT_EQ(0, TempFsUTF::symlink_utf(escaped.c_str(), link.c_str()));
  char target[600];
  const ssize_t n = TempFsUTF::readlink_utf(link.c_str(), target, sizeof target);
  ASSERT_GT(n, 0);
  EXPECT_EQ(TempFsUTF::mbeToUtf(file.c_str(), nullptr),
            std::string(target, static_cast<size_t>(n)));
  EXPECT_EQ(4, TempFsUTF::readlink_utf(link.c_str(), target, 4));  // cut like readlink
  EXPECT_EQ(0, TempFsUTF::lchown_utf(link.c_str(), ::getuid(), ::getgid()) +
                   TempFsUTF::stat_utf(link.c_str(), &st) + TempFsUTF::unlink_utf(link.c_str()) +
                   TempFsUTF::link_utf(escaped.c_str(), hard.c_str()) +
                   TempFsUTF::rename_utf(hard.c_str(), moved.c_str()) +
                   TempFsUTF::lchmod_utf(moved.c_str(), 0600));
  EXPECT_EQ((std::set<std::string>{"f\xFF.txt", "m\xC3\xB6ved"}), NativeNames(dir));
  EXPECT_EQ(0, TempFsUTF::mknod_utf(fifo.c_str(), S_IFIFO | 0600, 0) +
                   TempFsUTF::lstat_utf(fifo.c_str(), &st));
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  struct statfs64 fs;
  EXPECT_EQ(0, TempFsUTF::statfs_utf(dir.c_str(), &fs));

  // Failures keep the call's errno.
  const std::pair<std::function<long()>, int> failures[] = {
      {[&] { return TempFsUTF::mkdir_utf(dir.c_str(), 0755); }, EEXIST},
      {[&] { return TempFsUTF::rmdir_utf(dir.c_str()); }, ENOTEMPTY},
      {[&] { return TempFsUTF::stat_utf((escaped + "/x").c_str(), &st); }, ENOTDIR},
      {[&] { return TempFsUTF::unlink_utf(dir.c_str()); }, EISDIR},
      {[&] { return TempFsUTF::open_utf((dir + "/none").c_str(), O_RDONLY); }, ENOENT},
      {[&] { return TempFsUTF::creat_utf((dir + "/none/x").c_str(), 0600); }, ENOENT},
      {[&] { return TempFsUTF::link_utf(escaped.c_str(), moved.c_str()); }, EEXIST},
      {[&] { return TempFsUTF::readlink_utf(escaped.c_str(), target, 10); }, EINVAL}};
  for (const auto& f : failures) {
    errno = 0;
    EXPECT_EQ(-1, f.first());
    EXPECT_EQ(f.second, errno) << &f - failures;
  }
}

TEST(TempFsUTF, WorkingFolderInUtf8) {
  CScopedLocale locale("C.UTF-8", false);
  CTempFolder folder;
  ASSERT_EQ(0, ::mkdir((folder / "w\xFE").c_str(), 0755));
  std::string previous, now;
  ASSERT_EQ(0, TempFsUTF::getcwd_utf(previous));
  const std::string utf8 = folder / TempFsUTF::mbeToUtf("w\xFE", nullptr);
  ASSERT_EQ(0, TempFsUTF::chdir_utf(utf8.c_str()));
  EXPECT_EQ(0, TempFsUTF::getcwd_utf(now));
  EXPECT_EQ(utf8, now);
  char buffer[512];
  EXPECT_EQ(buffer, TempFsUTF::getcwd_utf(buffer, sizeof buffer));
  EXPECT_EQ(utf8, buffer);
  errno = 0;
  EXPECT_EQ(nullptr, TempFsUTF::getcwd_utf(buffer, utf8.size()));  // no room for the NUL
  EXPECT_EQ(ERANGE, errno);
  char* allocated = TempFsUTF::getcwd_utf(nullptr, 0);
  ASSERT_NE(nullptr, allocated);
  EXPECT_EQ(utf8, allocated);
  std::free(allocated);
  EXPECT_EQ(0, TempFsUTF::chdir_utf(previous.c_str()) + TempFsUTF::rmdir_utf(utf8.c_str()));
}

// The out-pointer checks come before any conversion or system call: nothing is created.
TEST(CYqUTFOSAPI, NullOutPointersFailBeforeTouchingTheFileSystem) {
  CTempFolder folder;
  const std::string newFile = folder / "new";
  const char* path = newFile.c_str();
  std::string templ = folder / "tmpXXXXXX";
  char buffer[16];
  const std::pair<CYqError, const char*> cases[] = {
      {CYqUTFOSAPI::fopen(nullptr, path, "w"), "*fp"},
      {CYqUTFOSAPI::freopen(nullptr, path, "w", stdout), "*fp"},
      {CYqUTFOSAPI::open(nullptr, path, O_CREAT | O_WRONLY, 0644), "*fd"},
      {CYqUTFOSAPI::open2(nullptr, path, O_CREAT | O_WRONLY, 0644, 0), "*fd"},
      {CYqUTFOSAPI::creat(nullptr, path, 0644), "*fd"},
      {CYqUTFOSAPI::readlink(nullptr, path, buffer, sizeof buffer), "*readSize"},
      {CYqUTFOSAPI::mktemp(&templ[0], nullptr), "*szTempFileName"}};
  for (const auto& c : cases) {
    EXPECT_TRUE(FXErrorUtil::IsWin32(c.first, 87) &&
                HasText(c.first, std::string("Input ") + c.second + " is null"))
        << c.first.AsString();
    EXPECT_NE(std::string::npos, FirstCause(c.first).find(" in utfFsUtils.cpp"));
  }
  EXPECT_TRUE(NativeNames(folder.path()).empty());
}

// Failures are errno items made at the wrapper; the calls that open or read a file name it.
TEST(CYqUTFOSAPI, FailuresAreErrnoErrorsAtTheWrapper) {
  CTempFolder folder;
  const std::string file = folder / "file", none = folder / "none";
  ASSERT_TRUE(MakeFile(file));
  struct stat st;
  struct stat64 st64;
  DIR* dir = nullptr;
  int fd = -1, size = 0;
  FILE* fp = nullptr;
  char buffer[8];
  const struct {
    CYqError err;
    int error;
    const char* function;
    std::string text;
  } cases[] = {
      {CYqUTFOSAPI::stat(none.c_str(), &st), ENOENT, "stat(const char*, stat*)", ""},
      {CYqUTFOSAPI::stat((file + "/x").c_str(), &st64), ENOTDIR, "stat(const char*, stat64*)", ""},
      {CYqUTFOSAPI::lstat(none.c_str(), &st), ENOENT, "lstat(const char*, stat*)", ""},
      {CYqUTFOSAPI::mkdir(file.c_str(), 0755), EEXIST, "mkdir(const char*, int)", ""},
      {CYqUTFOSAPI::rmdir(file.c_str()), ENOTDIR, "rmdir(const char*)", ""},
      {CYqUTFOSAPI::unlink(folder.path().c_str()), EISDIR, "unlink(const char*)", ""},
      {CYqUTFOSAPI::chdir(file.c_str()), ENOTDIR, "chdir(const char*)", ""},
      {CYqUTFOSAPI::access(none.c_str(), F_OK), ENOENT, "access(const char*, int)", ""},
      {CYqUTFOSAPI::rename(none.c_str(), file.c_str()), ENOENT, "rename(const char*, const char*)",
       ""},
      {CYqUTFOSAPI::link(file.c_str(), file.c_str()), EEXIST, "link(const char*, const char*)", ""},
      {CYqUTFOSAPI::opendir(&dir, file.c_str()), ENOTDIR, "opendir(DIR**, const char*)", ""},
      {CYqUTFOSAPI::open(&fd, none.c_str(), O_RDONLY, 0644), ENOENT,
       "open(int*, const char*, int, int)",
       "Open failed, File=" + none + ", OperationFlag=0x0, PermissionMode=0x1A4"},
      {CYqUTFOSAPI::fopen(&fp, none.c_str(), "r"), ENOENT,
       "fopen(FILE**, const char*, const char*)", "Failed to open file " + none},
      {CYqUTFOSAPI::creat(&fd, (none + "/x").c_str(), 0644), ENOENT,
       "creat(int*, const char*, int)", "Create file failed"},
      {CYqUTFOSAPI::readlink(&size, none.c_str(), buffer, sizeof buffer), ENOENT,
       "readlink(int*, const char*, char*, size_t)", "readlink failed for '" + none + "'"}};
  for (const auto& c : cases) {
    EXPECT_TRUE(FXErrorUtil::IsErrNo(c.err, c.error) && HasText(c.err, c.text)) << c.err.AsString();
    EXPECT_EQ(std::string("static CYqError CYqUTFOSAPI::") + c.function + " in utfFsUtils.cpp",
              FirstCause(c.err));
  }
  EXPECT_TRUE(fd == -1 && fp == nullptr);  // untouched on failure
}

// A name with no native form fails with 774, and the wrapper adds its own location.
TEST(CYqUTFOSAPI, ConversionFailureIs774) {
  CScopedLocale locale("C", false);
  struct stat st;
  const CYqError err = CYqUTFOSAPI::stat("/tmp/caf\xC3\xA9", &st);
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 774));
  const std::vector<FXErrorItemPtr> items = err.GetItems();
  ASSERT_EQ(2u, items.size());
  EXPECT_STREQ("static CYqError CYqUTFOSAPI::stat(const char*, stat*)",
               items[0]->GetLocation().function);
  EXPECT_EQ("CYqError utfToMbe(const char*, std::string&) in utfConversions.cpp", FirstCause(err));
  EXPECT_TRUE(HasText(err, "UCS to MBE conversion failed"));
  // Each converted argument of a two-path call can fail on its own.
  EXPECT_TRUE(FXErrorUtil::IsWin32(CYqUTFOSAPI::rename("/tmp/a", "/tmp/caf\xC3\xA9"), 774));
}

TEST(CYqUTFOSAPI, OperationsOnRealFiles) {
  CScopedLocale locale("C.UTF-8", false);
  CTempFolder folder;
  const std::string dir = folder / "d\xC3\xAFr", file = dir + "/f\xC3\xAFle",
                    link = dir + "/l\xC3\xAFnk";
  ASSERT_TRUE(CYqUTFOSAPI::mkdir(dir.c_str(), 0755).Succeeded());
  ASSERT_TRUE(CYqUTFOSAPI::access(dir.c_str(), W_OK).Succeeded());
  int fd = -1;
  ASSERT_TRUE(CYqUTFOSAPI::open2(&fd, file.c_str(), O_CREAT | O_WRONLY, 0600, 7).Succeeded());
  EXPECT_EQ(5, ::write(fd, "hello", 5));
  ::close(fd);
  ASSERT_TRUE(CYqUTFOSAPI::creat(&fd, (dir + "/c").c_str(), 0600).Succeeded());
  ::close(fd);

  struct stat64 st;
  ASSERT_TRUE(CYqUTFOSAPI::stat(file.c_str(), &st).Succeeded());
  EXPECT_EQ(5, st.st_size);
  struct utimbuf times = {1000, 2000};
  struct statfs fs;
  ASSERT_TRUE(CYqUTFOSAPI::chmod(file.c_str(), 0644).Succeeded() &&
              CYqUTFOSAPI::utime(file.c_str(), &times).Succeeded() &&
              CYqUTFOSAPI::lstat(file.c_str(), &st).Succeeded() &&
              CYqUTFOSAPI::statfs(dir.c_str(), &fs).Succeeded());
  EXPECT_EQ(0644u, st.st_mode & 07777);
  EXPECT_EQ(2000, st.st_mtime);
  FILE* fp = nullptr;
  ASSERT_TRUE(CYqUTFOSAPI::fopen(&fp, file.c_str(), "r").Succeeded());
  ASSERT_TRUE(CYqUTFOSAPI::freopen(&fp, file.c_str(), "a", fp).Succeeded());
  ::fclose(fp);

  ASSERT_TRUE(CYqUTFOSAPI::symlink("f\xC3\xAFle", link.c_str()).Succeeded());
  char target[64];
  int size = 0;
  ASSERT_TRUE(CYqUTFOSAPI::readlink(&size, link.c_str(), target, sizeof target).Succeeded());
  EXPECT_EQ("f\xC3\xAFle", std::string(target, static_cast<size_t>(size)));
  ASSERT_TRUE(CYqUTFOSAPI::link(file.c_str(), (dir + "/hard").c_str()).Succeeded());
  ASSERT_TRUE(CYqUTFOSAPI::rename((dir + "/hard").c_str(), (dir + "/moved").c_str()).Succeeded());

  std::string templ = dir + "/t\xC3\xA9mpXXXXXX";
  std::vector<char> made(templ.size() + 1);
  ASSERT_TRUE(CYqUTFOSAPI::mktemp(&templ[0], made.data()).Succeeded());
  const std::string temp = made.data();
  EXPECT_EQ(templ.substr(0, templ.size() - 6) + "|" + std::to_string(templ.size()),
            temp.substr(0, templ.size() - 6) + "|" + std::to_string(temp.size()));
  EXPECT_EQ((std::set<std::string>{"c", "f\xC3\xAFle", "l\xC3\xAFnk", "moved",
                                   temp.substr(dir.size() + 1)}),
            NativeNames(dir));

  ASSERT_TRUE(CYqUTFOSAPI::chdir(dir.c_str()).Succeeded());
  EXPECT_TRUE(CYqUTFOSAPI::remove("moved").Succeeded());
  EXPECT_TRUE(CYqUTFOSAPI::chdir("/").Succeeded());
  for (const std::string& name : {link, dir + "/c", file, temp})
    EXPECT_TRUE(CYqUTFOSAPI::unlink(name.c_str()).Succeeded()) << name;
  EXPECT_TRUE(CYqUTFOSAPI::rmdir(dir.c_str()).Succeeded());
}

// Native names with every byte value list back through readdir and readdir_r as UTF-8 names
// that convert back to the same bytes, in a UTF-8 locale and in the C locale.
TEST(CYqUTFOSAPI, ListsEveryByteValue) {
  for (const char* localeName : {"C.UTF-8", "C"}) {
    for (bool ignoreLocale : {false, true}) {
      CScopedLocale locale(localeName, ignoreLocale);
      SCOPED_TRACE(std::string(localeName) + (ignoreLocale ? " ignoring locale" : ""));
      CTempFolder folder;
      for (int b = 1; b <= 0xFF; ++b)
        ASSERT_TRUE(b == '/' ||
                    MakeFile(folder / ("n" + std::string(1, static_cast<char>(b)) + "e")));
      const std::set<std::string> native = NativeNames(folder.path());
      ASSERT_EQ(254u, native.size());
      for (bool reentrant : {false, true}) {
        DIR* dir = nullptr;
        ASSERT_TRUE(CYqUTFOSAPI::opendir(&dir, folder.path().c_str()).Succeeded());
        std::set<std::string> listed;
        alignas(struct dirent) char buffer[1300];
        struct dirent* entry = reinterpret_cast<struct dirent*>(buffer);
        for (struct dirent* result = entry; result != nullptr;) {
          const CYqError err = reentrant ? CYqUTFOSAPI::readdir_r(dir, entry, &result)
                                         : CYqUTFOSAPI::readdir(entry, dir);
          if (FXErrorUtil::IsWin32(err, 18) || result == nullptr) break;
          ASSERT_TRUE(err.Succeeded()) << err.AsString();
          std::string back;
          ASSERT_TRUE(CYqUTFOSAPI::UTF8ToLocalEncoding(entry->d_name, back).Succeeded());
          if (back != "." && back != "..") listed.insert(back);
        }
        ::closedir(dir);
        EXPECT_EQ(native, listed);
      }
    }
  }
}

// A name of 200 bytes 0xFF takes 406 bytes in UTF-8: readdir reports the overflow of its
// record, readdir_r hands the whole name over.
TEST(CYqUTFOSAPI, ReaddirLimitsTheNameLength) {
  CScopedLocale locale("C.UTF-8", false);
  CTempFolder folder;
  ASSERT_TRUE(MakeFile(folder / std::string(200, '\xFF')));
  DIR* dir = nullptr;
  ASSERT_TRUE(CYqUTFOSAPI::opendir(&dir, folder.path().c_str()).Succeeded());
  alignas(struct dirent64) char buffer[1300];
  struct dirent64* entry = reinterpret_cast<struct dirent64*>(buffer);
  bool overflowed = false;
  for (CYqError err; !FXErrorUtil::IsWin32(err = CYqUTFOSAPI::readdir(entry, dir), 18);)
    overflowed = overflowed || FXErrorUtil::IsErrNo(err, EOVERFLOW);
  EXPECT_TRUE(overflowed);
  ::rewinddir(dir);
  size_t longest = 0;
  struct dirent64* result = nullptr;
  while (CYqUTFOSAPI::readdir_r(dir, entry, &result).Succeeded() && result != nullptr)
    longest = std::max(longest, std::strlen(result->d_name));
  EXPECT_EQ(406u, longest);
  ::closedir(dir);
}
