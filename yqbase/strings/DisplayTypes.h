// Display wrappers of the library's enumerations (E...) and flag words (B...).
#pragma once

#include <string>

#include "yqbase/strings/DisplayTable.h"

/// A Windows file attribute word.
class YQBASE_EXPORT BFileAttributesWindows : public CDisplayValue<CDisplayBitsBase> {
 public:
  enum Type : DWORD {
    NONE = 0,
    READONLY = 0x1,
    HIDDEN = 0x2,
    SYSTEM = 0x4,
    DIRECTORY = 0x10,
    ARCHIVE = 0x20,
    DEVICE = 0x40,
    NORMAL = 0x80,
    TEMPORARY = 0x100,
    SPARSE = 0x200,
    REPARSE = 0x400,
    COMPRESSED = 0x800,
    OFFLINE = 0x1000,
    NOTCONTENTINDEXED = 0x2000,
    ENCRYPTED = 0x4000,
    VIRTUAL = 0x10000,
    INVALID = 0xFFFFFFFF,
  };
  using CDisplayValue::CDisplayValue;
  YQ_DISPLAY_TYPE_RENDERERS;
};

/// The file flags of an index entry.
class YQBASE_EXPORT BMftIndexFileFlags : public CDisplayValue<CDisplayBitsBase> {
 public:
  enum Type : DWORD {
    READONLY = 0x1,
    HIDDEN = 0x2,
    SYSTEM = 0x4,
    ARCHIVE = 0x20,
    DEVICE = 0x40,
    NORMAL = 0x80,
    TEMPORARY = 0x100,
    SPARSE_FILE = 0x200,
    REPARSE_POINT = 0x400,
    COMPRESSED = 0x800,
    OFFLINE = 0x1000,
    NOT_CONTENT_INDEXED = 0x2000,
    ENCRYPTED = 0x4000,
    DIRECTORY = 0x10000000,
    INDEX_VIEW = 0x20000000,
  };
  using CDisplayValue::CDisplayValue;
  YQ_DISPLAY_TYPE_RENDERERS;
};

/// The state of a filter-set node: a two-bit role (placeholder, filter, exception) and the
/// no-inherit bit.
class YQBASE_EXPORT BFilterNodeState : public CDisplayValue<CDisplayBitsBase> {
 public:
  enum Type : DWORD {
    Placeholder = 0,
    Filter = 1,
    Exception = 2,
    RoleMask = 0x3,
    NoInherit = 0x4,
  };
  using CDisplayValue::CDisplayValue;
  YQ_DISPLAY_TYPE_RENDERERS;
};

/// The case handling of a filter term (a two-bit field).
class YQBASE_EXPORT BFilterTermOptions : public CDisplayValue<CDisplayBitsBase> {
 public:
  enum Type : DWORD {
    CaseDefault = 0,
    CaseInsensitive = 1,
    CaseSensitive = 2,
    CaseMask = 0x3,
  };
  using CDisplayValue::CDisplayValue;
  YQ_DISPLAY_TYPE_RENDERERS;
};

/// The flags of a path-cache node.
class YQBASE_EXPORT BPathCacheNodeFlags : public CDisplayValue<CDisplayBitsBase> {
 public:
  enum Type : DWORD { ContentPresent = 0x1 };
  using CDisplayValue::CDisplayValue;
  YQ_DISPLAY_TYPE_RENDERERS;
};

/// How far a path-cache look-up got.
class YQBASE_EXPORT EPathCacheResult : public CDisplayValue<CDisplayEnumBase> {
 public:
  enum Type : DWORD { NOT_FOUND = 0, FOUND = 1, PARENT_FOUND = 2, ANCESTOR_FOUND = 3 };
  using CDisplayValue::CDisplayValue;
  YQ_DISPLAY_TYPE_RENDERERS;
};

/// What a folder watcher saw happen to a folder entry.
class YQBASE_EXPORT EFolderWatcherFolderAction : public CDisplayValue<CDisplayEnumBase> {
 public:
  enum Type : DWORD {
    NONE = 0,
    ADDED = 1,
    REMOVED = 2,
    MODIFIED = 3,
    RENAMED_OLD_NAME = 4,
    RENAMED_NEW_NAME = 5,
    RESCAN_FOLDER = 0x10000006,
  };
  using CDisplayValue::CDisplayValue;
  YQ_DISPLAY_TYPE_RENDERERS;
};

/// A Windows reparse tag, rendered "Name (0x%X)". Items on this platform always carry None.
class YQBASE_EXPORT EReparseTag : public CDisplayValue<CDisplayEnumBase> {
 public:
  enum Type : DWORD {
    None = 0,
    MountPoint = 0xA0000003,
    HSM = 0xC0000004,
    DriveExtender = 0x80000005,
    HSM2 = 0x80000006,
    SIS = 0x80000007,
    WIM = 0x80000008,
    CSV = 0x80000009,
    DFS = 0x8000000A,
    FilterManager = 0x8000000B,
    SymLink = 0xA000000C,
    IISCache = 0xA0000010,
    DFSR = 0x80000012,
    Dedup = 0x80000013,
    AppXstream = 0xC0000014,
    NFS = 0x80000014,
    FilePlaceholder = 0x80000015,
    DFM = 0x80000016,
    WOF = 0x80000017,
    WCI = 0x80000018,
    WCI_1 = 0x90001018,
    GlobalReparse = 0xA0000019,
    Cloud = 0x9000001A,
    Cloud_1 = 0x9000101A,
    Cloud_2 = 0x9000201A,
    Cloud_3 = 0x9000301A,
    Cloud_4 = 0x9000401A,
    Cloud_5 = 0x9000501A,
    Cloud_6 = 0x9000601A,
    Cloud_7 = 0x9000701A,
    Cloud_8 = 0x9000801A,
    Cloud_9 = 0x9000901A,
    Cloud_A = 0x9000A01A,
    Cloud_B = 0x9000B01A,
    Cloud_C = 0x9000C01A,
    Cloud_D = 0x9000D01A,
    Cloud_E = 0x9000E01A,
    Cloud_F = 0x9000F01A,
    CloudMask = 0x0000F000,
    AppExecLink = 0x8000001B,
    ProjFS = 0x9000001C,
    LXSymLink = 0xA000001D,
    StorageSync = 0x8000001E,
    WCITombstone = 0xA000001F,
    Unhandled = 0x80000020,
    OneDrive = 0x80000021,
    ProjFSTombstone = 0xA0000022,
    AFUnix = 0x80000023,
    LXFiFo = 0x80000024,
    LXChr = 0x80000025,
    LXBlk = 0x80000026,
    Ostravine = 14,
    OstravineHSM = 29,
  };
  using CDisplayValue::CDisplayValue;
  YQ_DISPLAY_TYPE_RENDERERS;
};
