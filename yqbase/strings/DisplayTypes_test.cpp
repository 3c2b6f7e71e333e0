#include "yqbase/strings/DisplayTypes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

struct Case {
  const char* type;
  std::function<std::string(unsigned long)> narrow;
  std::function<std::wstring(unsigned long)> wide;
  unsigned long value;
  const char* expected;
};

#define YQ_RENDERERS(T) #T, T::AsString, T::AsWstring

}  // namespace

TEST(DisplayTypes, Renders) {
  const Case cases[] = {
      {YQ_RENDERERS(BFileAttributesWindows), 0, "NONE (0x0)"},
      {YQ_RENDERERS(BFileAttributesWindows), 0x21, "READONLY+ARCHIVE (0x21)"},
      {YQ_RENDERERS(BFileAttributesWindows), 0x10010, "DIRECTORY+VIRTUAL (0x10010)"},
      {YQ_RENDERERS(BFileAttributesWindows), 0x8, "VALUE_NOT_FOUND(0x8) (0x8)"},
      {YQ_RENDERERS(BFileAttributesWindows), 0xFFFFFFFF,
       "INVALID+READONLY+HIDDEN+SYSTEM+DIRECTORY+ARCHIVE+DEVICE+NORMAL+TEMPORARY+SPARSE+REPARSE+"
       "COMPRESSED+OFFLINE+NOTCONTENTINDEXED+ENCRYPTED+VIRTUAL (0xFFFFFFFF)"},
      {YQ_RENDERERS(BMftIndexFileFlags), 0, "NONE (0x0)"},
      // Bits outside NONE's mask do not stop it from matching.
      {YQ_RENDERERS(BMftIndexFileFlags), 0x8, "NONE+VALUE_NOT_FOUND(0x8) (0x8)"},
      {YQ_RENDERERS(BMftIndexFileFlags), 0x30000401,
       "READONLY+REPARSE_POINT+DIRECTORY+INDEX_VIEW (0x30000401)"},
      {YQ_RENDERERS(BMftIndexFileFlags), 0x2200, "SPARSE_FILE+NOT_CONTENT_INDEXED (0x2200)"},
      {YQ_RENDERERS(BFilterNodeState), 0, "(Placeholder) (0x0)"},
      {YQ_RENDERERS(BFilterNodeState), 5, "Filter+NoInherit (0x5)"},
      {YQ_RENDERERS(BFilterNodeState), 6, "Exception+NoInherit (0x6)"},
      {YQ_RENDERERS(BFilterNodeState), 3, "VALUE_NOT_FOUND(0x3) (0x3)"},
      {YQ_RENDERERS(BFilterNodeState), 4, "(Placeholder)+NoInherit (0x4)"},
      {YQ_RENDERERS(BFilterTermOptions), 0, "CaseDefault (0x0)"},
      {YQ_RENDERERS(BFilterTermOptions), 1, "CaseInsensitive (0x1)"},
      {YQ_RENDERERS(BFilterTermOptions), 2, "CaseSensitive (0x2)"},
      {YQ_RENDERERS(BFilterTermOptions), 7, "VALUE_NOT_FOUND(0x7) (0x7)"},
      {YQ_RENDERERS(BPathCacheNodeFlags), 0, "(0x0)"},
      {YQ_RENDERERS(BPathCacheNodeFlags), 1, "ContentPresent (0x1)"},
      {YQ_RENDERERS(BPathCacheNodeFlags), 3, "ContentPresent+VALUE_NOT_FOUND(0x2) (0x3)"},
      {YQ_RENDERERS(EPathCacheResult), 0, "NOT_FOUND (0)"},
      {YQ_RENDERERS(EPathCacheResult), 2, "PARENT_FOUND (2)"},
      {YQ_RENDERERS(EPathCacheResult), 3, "ANCESTOR_FOUND (3)"},
      {YQ_RENDERERS(EPathCacheResult), 7, "VALUE_NOT_FOUND (7)"},
      {YQ_RENDERERS(EFolderWatcherFolderAction), 5, "RENAMED_NEW_NAME (5)"},
      {YQ_RENDERERS(EFolderWatcherFolderAction), 0x10000006, "RESCAN_FOLDER (268435462)"},
      {YQ_RENDERERS(EFolderWatcherFolderAction), 6, "VALUE_NOT_FOUND (6)"},
      {YQ_RENDERERS(EReparseTag), 0, "None (0x0)"},
      {YQ_RENDERERS(EReparseTag), 0x9000F01A, "Cloud_F (0x9000F01A)"},
      {YQ_RENDERERS(EReparseTag), 1, "VALUE_NOT_FOUND (0x1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + c.expected);
    EXPECT_EQ(c.expected, c.narrow(c.value));
    EXPECT_EQ(c.expected, Narrow(c.wide(c.value)));
  }
}

// Every named tag is its Windows constant.
TEST(EReparseTag, NamedTags) {
  const std::pair<DWORD, const char*> named[] = {
      {0xA0000003, "MountPoint"},
      {0xC0000004, "HSM"},
      {0x80000005, "DriveExtender"},
      {0x80000006, "HSM2"},
      {0x80000007, "SIS"},
      {0x80000008, "WIM"},
      {0x80000009, "CSV"},
      {0x8000000A, "DFS"},
      {0x8000000B, "FilterManager"},
      {0xA000000C, "SymLink"},
      {0xA0000010, "IISCache"},
      {0x80000012, "DFSR"},
      {0x80000013, "Dedup"},
      {0xC0000014, "AppXstream"},
      {0x80000014, "NFS"},
      {0x80000015, "FilePlaceholder"},
      {0x80000016, "DFM"},
      {0x80000017, "WOF"},
      {0x80000018, "WCI"},
      {0x90001018, "WCI_1"},
      {0xA0000019, "GlobalReparse"},
      {0x9000001A, "Cloud"},
      {0x0000F000, "CloudMask"},
      {0x8000001B, "AppExecLink"},
      {0x9000001C, "ProjFS"},
      {0xA000001D, "LXSymLink"},
      {0x8000001E, "StorageSync"},
      {0xA000001F, "WCITombstone"},
      {0x80000020, "Unhandled"},
      {0x80000021, "OneDrive"},
      {0xA0000022, "ProjFSTombstone"},
      {0x80000023, "AFUnix"},
      {0x80000024, "LXFiFo"},
      {0x80000025, "LXChr"},
      {0x80000026, "LXBlk"},
  };
  char suffix[32];
  for (const auto& tag : named) {
    SCOPED_TRACE(tag.second);
    std::snprintf(suffix, sizeof suffix, " (0x%X)", static_cast<unsigned int>(tag.first));
    EXPECT_EQ(std::string(tag.second) + suffix, EReparseTag::AsString(tag.first));
  }
  for (DWORD n = 1; n <= 15; ++n) {
    SCOPED_TRACE(n);
    std::snprintf(suffix, sizeof suffix, "Cloud_%X (0x%X)", static_cast<unsigned int>(n),
                  static_cast<unsigned int>(0x9000001A | (n << 12)));
    EXPECT_EQ(suffix, EReparseTag::AsString(0x9000001A | (n << 12)));
  }
}

// The vendor tags 9 to 81 are named by their constants, five of them with bit 29 set.
TEST(EReparseTag, NumberedTags) {
  for (DWORD n = 9; n <= 81; ++n) {
    SCOPED_TRACE(n);
    const bool surrogate = n == 13 || n == 23 || n == 47 || n == 53 || n == 76;
    const DWORD value = surrogate ? (0x20000000 | n) : n;
    char expected[64];
    if (n == 14)
      std::snprintf(expected, sizeof expected, "Ostravine (0xE)");
    else if (n == 29)
      std::snprintf(expected, sizeof expected, "OstravineHSM (0x1D)");
    else
      std::snprintf(expected, sizeof expected, "(0x%08XL) (0x%X)", static_cast<unsigned int>(value),
                    static_cast<unsigned int>(value));
    EXPECT_EQ(expected, EReparseTag::AsString(value));
    EXPECT_EQ(expected, Narrow(EReparseTag::AsWstring(value)));
  }
  // The plain numbers of the five surrogate tags have no row, nor have 8 and 82.
  for (const char* hex : {"D", "17", "2F", "35", "4C", "8", "52"})
    EXPECT_EQ("VALUE_NOT_FOUND (0x" + std::string(hex) + ")",
              EReparseTag::AsString(std::stoul(hex, nullptr, 16)));
}

TEST(DisplayTypes, ValuesConvertBothWays) {
  BFileAttributesWindows attributes = BFileAttributesWindows::READONLY | 0x20;
  EXPECT_EQ(0x21u, static_cast<DWORD>(attributes));
  EXPECT_EQ("READONLY+ARCHIVE (0x21)", attributes.AsString(attributes));
  EPathCacheResult result = EPathCacheResult::PARENT_FOUND;
  switch (result) {
    case EPathCacheResult::PARENT_FOUND:
      break;
    default:
      ADD_FAILURE() << "switch on the wrapper";
  }
  EXPECT_EQ(EReparseTag::None, static_cast<DWORD>(EReparseTag()));
}
