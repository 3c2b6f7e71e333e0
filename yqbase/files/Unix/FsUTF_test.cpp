#include "yqbase/files/Unix/FsUTF.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "yqbase/errors/ZkException.h"
#include "yqbase/files/Files_testutil.h"
#include "yqbase/strings/TempZkUCS.h"

using yqbase_test::CScopedLocale;
using yqbase_test::CTempFolder;
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

std::string CreateNative(const std::string& path) {
  const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  return "";
}

}  // namespace

TEST(TempFsUTF, EscapeOfUndecodableBytesInUtf8Locale) {
  CScopedLocale locale("C.UTF-8", false);
  ASSERT_TRUE(locale.ok());
  std::string error;
  const std::string utf8 = TempFsUTF::mbeToUtf(
      "a\xFF"
      "b",
      &error);
  EXPECT_EQ(
      "a\xE2\x80\x8B\xC3\xBF"
      "b\xEF\xBB\xBF",
      utf8);
  EXPECT_EQ("", error);  // an invalid name in a UTF-8 locale is simply escaped
  EXPECT_EQ(
      "a\xFF"
      "b",
      TempFsUTF::utfToMbe(utf8.c_str(), &error));
  EXPECT_EQ("", error);
}

TEST(TempFsUTF, ValidUtf8StaysOrIsEscapedByMode) {
  const char* name = "\xC3\xA9t\xC3\xA9";  // "été"
  {
    CScopedLocale locale("C.UTF-8", false);
    EXPECT_EQ(name, TempFsUTF::mbeToUtf(name, nullptr));
  }
  {
    CScopedLocale locale("C.UTF-8", true);
    const std::string escaped = TempFsUTF::mbeToUtf(name, nullptr);
    EXPECT_EQ("\xE2\x80\x8B\xC3\x83\xC2\xA9t\xC3\x83\xC2\xA9\xEF\xBB\xBF", escaped);
    EXPECT_EQ(name, TempFsUTF::utfToMbe(escaped.c_str(), nullptr));
  }
}

TEST(TempFsUTF, AsciiIsTheSameInEveryMode) {
  std::string ascii;
  for (int b = 1; b < 0x80; ++b) ascii += static_cast<char>(b);
  for (const SMode& mode : kModes) {
    CScopedLocale locale(mode.locale, mode.ignoreLocale);
    SCOPED_TRACE(std::string(mode.locale) + (mode.ignoreLocale ? " ignoring locale" : ""));
    for (const std::string& name : {std::string(), std::string("report.txt"), ascii}) {
      std::string error;
      EXPECT_EQ(name, TempFsUTF::mbeToUtf(name.c_str(), &error));
      EXPECT_EQ(name, TempFsUTF::utfToMbe(name.c_str(), &error));
      EXPECT_EQ("", error);
    }
  }
}

// Every native name survives native -> UTF-8 -> native, and its UTF-8 form is valid.
TEST(TempFsUTF, RoundTripOfEveryByteInEveryMode) {
  for (const SMode& mode : kModes) {
    CScopedLocale locale(mode.locale, mode.ignoreLocale);
    ASSERT_TRUE(locale.ok());
    for (const std::string& name : StressNames()) {
      SCOPED_TRACE(std::string(mode.locale) + (mode.ignoreLocale ? " ignoring locale: " : ": ") +
                   name);
      std::string error;
      const std::string utf8 = TempFsUTF::mbeToUtf(name.c_str(), &error);
      EXPECT_TRUE(DecodesAsUtf8(utf8));
      std::string back, backError;
      EXPECT_TRUE(TempFsUTF::utfToMbeChecked(utf8.c_str(), back, backError)) << backError;
      EXPECT_EQ(name, back);
    }
  }
}

TEST(TempFsUTF, CLocaleReportsAndEscapes) {
  CScopedLocale locale("C", false);
  std::string error;
  EXPECT_EQ("caf\xE2\x80\x8B\xC3\xA9\xEF\xBB\xBF", TempFsUTF::mbeToUtf("caf\xE9", &error));
  EXPECT_EQ(
      "MBE to UCS conversion failed (caf\xE9): Invalid MBE byte sequence. MBE string is "
      "incompatible with the current system locale.",
      error);

  // A character the locale cannot encode has no native form: the input comes back.
  error.clear();
  EXPECT_EQ("caf\xC3\xA9", TempFsUTF::utfToMbe("caf\xC3\xA9", &error));
  EXPECT_EQ(
      "UCS to MBE conversion failed: One of UCS-2 characters does not have MBE "
      "representation in the current locale.",
      error);
}

TEST(TempFsUTF, UtfToMbeRejectsMalformedInput) {
  CScopedLocale locale("C.UTF-8", false);
  struct {
    const char* input;
    const char* error;
  } const cases[] = {
      {"bad\xFF", "String \"bad\xFF\" is not in UTF-8 format."},
      {"a\xED\xA0\x80", "String \"a\xED\xA0\x80\" is not in UTF-8 format."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    std::string native, error;
    EXPECT_FALSE(TempFsUTF::utfToMbeChecked(c.input, native, error));
    EXPECT_EQ(c.input, native);
    EXPECT_EQ(c.error, error);
    error.clear();
    EXPECT_EQ(c.input, TempFsUTF::utfToMbe(c.input, &error));
    EXPECT_EQ(c.error, error);
  }
}

// Only a section as mbeToUtf writes it is read back as bytes; any other U+200B is text, so
// U+0141 no longer becomes "A" and U+0100 no longer a NUL.
TEST(TempFsUTF, OnlyTheLibrarysEscapeIsReadAsBytes) {
  CScopedLocale locale("C.UTF-8", false);
  const std::string open = "\xE2\x80\x8B", close = "\xEF\xBB\xBF";
  const struct {
    std::string utf8;
    std::string native;  // empty: the same as the input
  } cases[] = {
      {open + "\xC5\x81" + close, ""},               // U+0141 inside
      {"a" + open + "\xC4\x80" + close, ""},         // U+0100 inside
      {open + "A" + close, ""},                      // ASCII only
      {"a" + open + "\xC3\xBFx", ""},                // not closed
      {open + "\xC3\xBE" + close + "b", ""},         // text after the close
      {"\xC3\xA9" + open + "\xC3\xBE" + close, ""},  // non-ASCII start of the name
      {"a" + open + "\xC3\xBFx" + close, "a\xFFx"},
      {"\xC3\xA9/" + open + "\xC3\xBE" + close + "/d" + open + "\xC3\xBD" + close,
       "\xC3\xA9/\xFE/d\xFD"},  // one escaped name per component
      {"/t/d" + open + "\xC3\xBD/\xC3\xBE" + close, "/t/d\xFD/\xFE"},  // a whole path escaped
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(c.native.empty() ? c.utf8 : c.native, TempFsUTF::utfToMbe(c.utf8.c_str(), nullptr));
  }
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
// reach the same files, and UTF-8 names create the same native names, in every mode.
TEST(TempFsUTF, ListingRealFilesInEveryMode) {
  const std::vector<std::string> names = StressNames();
  for (const SMode& mode : kModes) {
    CScopedLocale locale(mode.locale, mode.ignoreLocale);
    SCOPED_TRACE(std::string(mode.locale) + (mode.ignoreLocale ? " ignoring locale" : ""));
    CTempFolder folder;
    for (const std::string& name : names) ASSERT_EQ("", CreateNative(folder / name)) << name;
    const std::set<std::string> native = NativeNames(folder.path());
    ASSERT_EQ(names.size(), native.size());

    std::set<std::string> listed, listedReentrant, utf8Names;
    DIR* dir = TempFsUTF::opendir_utf(folder.path().c_str());
    ASSERT_NE(nullptr, dir);
    while (const struct dirent* entry = TempFsUTF::readdir_utf(dir, nullptr)) {
      const std::string utf8 = entry->d_name;
      if (utf8 == "." || utf8 == "..") continue;
      utf8Names.insert(utf8);
      listed.insert(TempFsUTF::utfToMbe(utf8.c_str(), nullptr));
      struct stat64 st;
      EXPECT_EQ(0, TempFsUTF::lstat_utf((folder.path() + "/" + utf8).c_str(), &st)) << utf8;
    }
    EXPECT_EQ(0, TempFsUTF::closedir_utf(dir));
    EXPECT_EQ(native, listed);

    dir = TempFsUTF::opendir_utf(folder.path().c_str());
    ASSERT_NE(nullptr, dir);
    alignas(struct dirent64) char buffer[TempFsUTF::kDirentBufferSize];
    struct dirent64* entry = reinterpret_cast<struct dirent64*>(buffer);
    struct dirent64* result = nullptr;
    while (TempFsUTF::readdir_r_utf(dir, entry, &result, nullptr) == 0 && result != nullptr) {
      const std::string utf8 = result->d_name;
      if (utf8 != "." && utf8 != "..") listedReentrant.insert(utf8);
    }
    EXPECT_EQ(0, TempFsUTF::closedir_utf(dir));
    EXPECT_EQ(utf8Names, listedReentrant);

    // The other direction: the UTF-8 names create the original native names.
    CTempFolder second;
    for (const std::string& utf8 : utf8Names) {
      const int fd = TempFsUTF::creat_utf((second.path() + "/" + utf8).c_str(), 0644);
      ASSERT_GE(fd, 0) << utf8;
      ::close(fd);
    }
    EXPECT_EQ(native, NativeNames(second.path()));
  }
}

TEST(TempFsUTF, ReaddirEntryOutgrowsTheRecord) {
  CScopedLocale locale("C.UTF-8", false);
  CTempFolder folder;
  const std::string name(250, '\xFF');
  ASSERT_EQ("", CreateNative(folder / name));
  const std::string expected = TempFsUTF::mbeToUtf(name.c_str(), nullptr);
  ASSERT_GT(expected.size(), 255u);

  DIR* dir = TempFsUTF::opendir_utf(folder.path().c_str());
  ASSERT_NE(nullptr, dir);
  std::set<std::string> seen;
  while (const struct dirent* entry = TempFsUTF::readdir_utf(dir, nullptr))
    seen.insert(entry->d_name);
  EXPECT_EQ(1u, seen.count(expected));
  EXPECT_EQ(0, TempFsUTF::closedir_utf(dir));

  dir = TempFsUTF::opendir_utf(folder.path().c_str());
  alignas(struct dirent) char buffer[TempFsUTF::kDirentBufferSize];
  struct dirent* result = nullptr;
  seen.clear();
  while (TempFsUTF::readdir_r_utf(dir, reinterpret_cast<struct dirent*>(buffer), &result,
                                  nullptr) == 0 &&
         result != nullptr)
    seen.insert(result->d_name);
  EXPECT_EQ(1u, seen.count(expected));
  EXPECT_EQ(0, TempFsUTF::closedir_utf(dir));
}

TEST(TempFsUTF, ReaddirAtEndKeepsErrno) {
  CTempFolder folder;
  DIR* dir = TempFsUTF::opendir_utf(folder.path().c_str());
  ASSERT_NE(nullptr, dir);
  int entries = 0;
  errno = 0;
  while (TempFsUTF::readdir_utf(dir, nullptr) != nullptr) ++entries;
  EXPECT_EQ(0, errno);
  EXPECT_EQ(2, entries);  // "." and ".."
  EXPECT_EQ(0, TempFsUTF::closedir_utf(dir));
  EXPECT_EQ(nullptr, TempFsUTF::opendir_utf((folder / "missing").c_str()));
  EXPECT_EQ(ENOENT, errno);
}

// The wrappers give the system call's result and errno for UTF-8 names.
TEST(TempFsUTF, WrappersActLikeTheirCalls) {
  CScopedLocale locale("C.UTF-8", false);
  CTempFolder folder;
  const std::string dir = folder / "d\xC3\xA9j\xC3\xA0";
  const std::string file = dir + "/f\xFF.txt";  // not valid UTF-8: passed through unchanged
  const std::string escaped = dir + "/" + TempFsUTF::mbeToUtf("f\xFF.txt", nullptr);

  EXPECT_EQ(0, TempFsUTF::mkdir_utf(dir.c_str(), 0755));
  errno = 0;
  EXPECT_EQ(-1, TempFsUTF::mkdir_utf(dir.c_str(), 0755));
  EXPECT_EQ(EEXIST, errno);
  const int fd = TempFsUTF::open_utf(escaped.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(3, ::write(fd, "abc", 3));
  ::close(fd);
  EXPECT_EQ(std::set<std::string>{"f\xFF.txt"}, NativeNames(dir));

  struct stat st;
  struct stat64 st64;
  EXPECT_EQ(0, TempFsUTF::stat_utf(escaped.c_str(), &st));
  EXPECT_EQ(3, st.st_size);
  EXPECT_EQ(0, TempFsUTF::truncate_utf(escaped.c_str(), 10));
  EXPECT_EQ(0, TempFsUTF::stat_utf(escaped.c_str(), &st64));
  EXPECT_EQ(10, st64.st_size);
  EXPECT_EQ(0, TempFsUTF::access_utf(escaped.c_str(), R_OK));
  EXPECT_EQ(0, TempFsUTF::chmod_utf(escaped.c_str(), 0640));
  EXPECT_EQ(0, TempFsUTF::lstat_utf(escaped.c_str(), &st64));
  EXPECT_EQ(0640u, st64.st_mode & 07777);
  EXPECT_EQ(0, TempFsUTF::chown_utf(escaped.c_str(), ::getuid(), ::getgid()));
  struct utimbuf times = {1000000000, 1200000000};
  EXPECT_EQ(0, TempFsUTF::utime_utf(escaped.c_str(), &times));
  EXPECT_EQ(0, TempFsUTF::stat_utf(escaped.c_str(), &st));
  EXPECT_EQ(1200000000, st.st_mtime);

  FILE* stream = TempFsUTF::fopen_utf(escaped.c_str(), "r");
  ASSERT_NE(nullptr, stream);
  ::fclose(stream);

  // Links: the target text is converted too, and readlink hands it back in UTF-8.
  const std::string link = dir + "/l\xC3\xAFnk";
  EXPECT_EQ(0, TempFsUTF::symlink_utf(escaped.c_str(), link.c_str()));
  char target[600];
  const ssize_t n = TempFsUTF::readlink_utf(link.c_str(), target, sizeof target);
  ASSERT_GT(n, 0);
  // The whole target is escaped from its first undecodable byte on; it names the same file.
  EXPECT_EQ(TempFsUTF::mbeToUtf(file.c_str(), nullptr),
            std::string(target, static_cast<size_t>(n)));
  EXPECT_EQ(4, TempFsUTF::readlink_utf(link.c_str(), target, 4));  // cut like readlink
  EXPECT_EQ(0, TempFsUTF::lchown_utf(link.c_str(), ::getuid(), ::getgid()));
  EXPECT_EQ(0, TempFsUTF::stat_utf(link.c_str(), &st));
  EXPECT_EQ(0, TempFsUTF::unlink_utf(link.c_str()));

  const std::string hard = dir + "/h\xC3\xA4rd";
  EXPECT_EQ(0, TempFsUTF::link_utf(escaped.c_str(), hard.c_str()));
  const std::string moved = dir + "/m\xC3\xB6ved";
  EXPECT_EQ(0, TempFsUTF::rename_utf(hard.c_str(), moved.c_str()));
  EXPECT_EQ((std::set<std::string>{"f\xFF.txt", "m\xC3\xB6ved"}), NativeNames(dir));
  EXPECT_EQ(0, TempFsUTF::lchmod_utf(moved.c_str(), 0600));

  const std::string fifo = dir + "/p\xC3\xAFpe";
  EXPECT_EQ(0, TempFsUTF::mknod_utf(fifo.c_str(), S_IFIFO | 0600, 0));
  EXPECT_EQ(0, TempFsUTF::lstat_utf(fifo.c_str(), &st));
  EXPECT_TRUE(S_ISFIFO(st.st_mode));

  struct statfs64 fs;
  EXPECT_EQ(0, TempFsUTF::statfs_utf(dir.c_str(), &fs));

  // Failures keep the call's errno.
  struct {
    const char* what;
    std::function<long()> call;
    int error;
  } const failures[] = {
      {"rmdir of a full folder", [&] { return TempFsUTF::rmdir_utf(dir.c_str()); }, ENOTEMPTY},
      {"stat through a file", [&] { return TempFsUTF::stat_utf((escaped + "/x").c_str(), &st); },
       ENOTDIR},
      {"unlink of a folder", [&] { return TempFsUTF::unlink_utf(dir.c_str()); }, EISDIR},
      {"open of a missing file",
       [&] { return TempFsUTF::open_utf((dir + "/none").c_str(), O_RDONLY); }, ENOENT},
      {"creat below a missing folder",
       [&] { return TempFsUTF::creat_utf((dir + "/none/x").c_str(), 0600); }, ENOENT},
      {"link onto a name in use",
       [&] { return TempFsUTF::link_utf(escaped.c_str(), moved.c_str()); }, EEXIST},
      {"readlink of a file",
       [&] { return static_cast<long>(TempFsUTF::readlink_utf(escaped.c_str(), target, 10)); },
       EINVAL},
  };
  for (const auto& f : failures) {
    SCOPED_TRACE(f.what);
    errno = 0;
    EXPECT_EQ(-1, f.call());
    EXPECT_EQ(f.error, errno);
  }
}

TEST(TempFsUTF, WorkingFolderInUtf8) {
  CScopedLocale locale("C.UTF-8", false);
  CTempFolder folder;
  const std::string dir = folder / "w\xFE";
  ASSERT_EQ(0, ::mkdir(dir.c_str(), 0755));
  std::string previous;
  ASSERT_EQ(0, TempFsUTF::getcwd_utf(previous));
  const std::string utf8 = folder / TempFsUTF::mbeToUtf("w\xFE", nullptr);
  ASSERT_EQ(0, TempFsUTF::chdir_utf(utf8.c_str()));
  std::string now;
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
  EXPECT_EQ(0, TempFsUTF::chdir_utf(previous.c_str()));
  EXPECT_EQ(0, TempFsUTF::rmdir_utf(utf8.c_str()));
}
