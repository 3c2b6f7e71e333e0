#include "yqbase/platform/YqOSRelease.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/Files_testutil.h"

TEST(CYqOSRelease, ParsesQuotingEscapesAndComments) {
  struct Row {
    const char* line;
    const char* key;
    const char* value;  // null: the line is skipped
  };
  const Row rows[] = {
      {"NAME=\"Debian GNU/Linux\"", "NAME", "Debian GNU/Linux"},
      {"NAME='Single quoted $HOME \\n'", "NAME", "Single quoted $HOME \\n"},
      {"NAME=\"esc \\\"q\\\" \\\\ \\$ \\` \\n\"", "NAME", "esc \"q\" \\ $ ` \\n"},
      {"NAME=bare\\ word", "NAME", "bare word"},
      {"NAME=\"a\"'b'c", "NAME", "abc"},
      {"NAME=", "NAME", ""},
      {"  VERSION_ID=\"12\"  \r", "VERSION_ID", "12"},
      {"NAME=a=b", "NAME", "a=b"},
      {"  # NAME=comment", "NAME", nullptr},
      {"NAME=\"unterminated", "NAME", nullptr},
      {"NAME='unterminated", "NAME", nullptr},
      {"NAME=two words", "NAME", nullptr},
      {"1NAME=x", "1NAME", nullptr},
      {"NA-ME=x", "NA-ME", nullptr},
      {"=x", "", nullptr},
      {"NAME x", "NAME x", nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    CYqOSRelease release;
    release.Parse(std::string("OTHER=1\n") + row.line + "\nLAST=2");
    EXPECT_EQ("1", release.Get("OTHER"));
    EXPECT_EQ("2", release.Get("LAST"));
    EXPECT_EQ(row.value ? 3u : 2u, release.GetAll().size());
    EXPECT_EQ(row.value ? row.value : "", release.Get(row.key));
  }
}

TEST(CYqOSRelease, LoadsFilesAndTheSystemOne) {
  yqbase_test::CTempFolder folder;
  std::ofstream(folder / "os-release") << "PRETTY_NAME=\"Test OS 7 (x)\"\nNAME=\"Test OS\"\n"
                                          "VERSION_ID=\"7\"\nVERSION=\"7 (x)\"\nID=testos\n";
  CYqOSRelease release;
  ASSERT_TRUE(release.Load(folder / "os-release").Succeeded());
  EXPECT_EQ("Test OS|7 (x)|7|testos|Test OS 7 (x)",
            release.GetName() + "|" + release.GetVersion() + "|" + release.GetVersionId() + "|" +
                release.GetId() + "|" + release.GetPrettyName());
  EXPECT_TRUE(FXErrorUtil::IsErrNo(release.Load(folder / "missing"), ENOENT));
  EXPECT_EQ("testos", release.GetId());  // kept
  if (::access(CYqOSRelease::kDefaultPath, R_OK) == 0 ||
      ::access(CYqOSRelease::kFallbackPath, R_OK) == 0) {
    ASSERT_TRUE(release.Load().Succeeded());
    EXPECT_FALSE(release.GetId().empty());
  }
}

TEST(FXPlatform, KernelMachineAndCounts) {
  std::string release, machine, host, procRelease;
  ASSERT_TRUE(FXPlatform::GetKernelRelease(release).Succeeded());
  ASSERT_TRUE(FXPlatform::GetMachine(machine).Succeeded());
  ASSERT_TRUE(FXPlatform::GetHostName(host).Succeeded());
  std::getline(std::ifstream("/proc/sys/kernel/osrelease"), procRelease);
  EXPECT_TRUE(procRelease.empty() || procRelease == release) << release;
  EXPECT_FALSE(machine.empty() || host.empty());
  EXPECT_FALSE(sizeof(void*) == 8 && FXPlatform::Is32BitProcessOn64BitKernel());
  EXPECT_GE(FXPlatform::GetProcessorCount(), 1u);
  const DWORD page = FXPlatform::GetPageSize();
  EXPECT_TRUE(page >= 4096 && (page & (page - 1)) == 0) << page;
}
