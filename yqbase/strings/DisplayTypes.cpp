#include "yqbase/strings/DisplayTypes.h"

namespace {

// The wide name is made from the same literal as the narrow one.
// clang-format off
#define YQ_ENUM_ROW(value, name) {value, name, L"" name}
#define YQ_BITS_ROW(value, mask, name) {value, mask, name, L"" name}
// A reparse tag known only by number, named by its hexadecimal constant "(0x00000009L)".
#define YQ_TAG_NUMBER(hex) {0x##hex, "(0x" #hex "L)", L"(0x" #hex "L)"}

const _DISPLAY_BITS_INFO_TABLE s_dtFileAttributesWindows[] = {
    YQ_BITS_ROW(0xFFFFFFFF, 0xFFFFFFFF, "INVALID"),
    YQ_BITS_ROW(0, 0xFFFFFFFF, "NONE"),
    YQ_BITS_ROW(0x1, 0x1, "READONLY"),
    YQ_BITS_ROW(0x2, 0x2, "HIDDEN"),
    YQ_BITS_ROW(0x4, 0x4, "SYSTEM"),
    YQ_BITS_ROW(0x10, 0x10, "DIRECTORY"),
    YQ_BITS_ROW(0x20, 0x20, "ARCHIVE"),
    YQ_BITS_ROW(0x40, 0x40, "DEVICE"),
    YQ_BITS_ROW(0x80, 0x80, "NORMAL"),
    YQ_BITS_ROW(0x100, 0x100, "TEMPORARY"),
    YQ_BITS_ROW(0x200, 0x200, "SPARSE"),
    YQ_BITS_ROW(0x400, 0x400, "REPARSE"),
    YQ_BITS_ROW(0x800, 0x800, "COMPRESSED"),
    YQ_BITS_ROW(0x1000, 0x1000, "OFFLINE"),
    YQ_BITS_ROW(0x2000, 0x2000, "NOTCONTENTINDEXED"),
    YQ_BITS_ROW(0x4000, 0x4000, "ENCRYPTED"),
    YQ_BITS_ROW(0x10000, 0x10000, "VIRTUAL"),
    {0, 0, nullptr, nullptr},
};

const _DISPLAY_BITS_INFO_TABLE s_dtMftIndexFileFlags[] = {
    YQ_BITS_ROW(0, 0x30007FE7, "NONE"),
    YQ_BITS_ROW(0x1, 0x1, "READONLY"),
    YQ_BITS_ROW(0x2, 0x2, "HIDDEN"),
    YQ_BITS_ROW(0x4, 0x4, "SYSTEM"),
    YQ_BITS_ROW(0x20, 0x20, "ARCHIVE"),
    YQ_BITS_ROW(0x40, 0x40, "DEVICE"),
    YQ_BITS_ROW(0x80, 0x80, "NORMAL"),
    YQ_BITS_ROW(0x100, 0x100, "TEMPORARY"),
    YQ_BITS_ROW(0x200, 0x200, "SPARSE_FILE"),
    YQ_BITS_ROW(0x400, 0x400, "REPARSE_POINT"),
    YQ_BITS_ROW(0x800, 0x800, "COMPRESSED"),
    YQ_BITS_ROW(0x1000, 0x1000, "OFFLINE"),
    YQ_BITS_ROW(0x2000, 0x2000, "NOT_CONTENT_INDEXED"),
    YQ_BITS_ROW(0x4000, 0x4000, "ENCRYPTED"),
    YQ_BITS_ROW(0x10000000, 0x10000000, "DIRECTORY"),
    YQ_BITS_ROW(0x20000000, 0x20000000, "INDEX_VIEW"),
    {0, 0, nullptr, nullptr},
};

const _DISPLAY_BITS_INFO_TABLE s_dtFilterNodeState[] = {
    YQ_BITS_ROW(0, 0x3, "(Placeholder)"),
    YQ_BITS_ROW(1, 0x3, "Filter"),
    YQ_BITS_ROW(2, 0x3, "Exception"),
    YQ_BITS_ROW(4, 0x4, "NoInherit"),
    {0, 0, nullptr, nullptr},
};

const _DISPLAY_BITS_INFO_TABLE s_dtFilterTermOptions[] = {
    YQ_BITS_ROW(0, 0x3, "CaseDefault"),
    YQ_BITS_ROW(1, 0x3, "CaseInsensitive"),
    YQ_BITS_ROW(2, 0x3, "CaseSensitive"),
    {0, 0, nullptr, nullptr},
};

const _DISPLAY_BITS_INFO_TABLE s_dtPathCacheNodeFlags[] = {
    YQ_BITS_ROW(0x1, 0x1, "ContentPresent"),
    {0, 0, nullptr, nullptr},
};

const _DISPLAY_ENUM_INFO_TABLE s_dtPathCacheResult[] = {
    YQ_ENUM_ROW(EPathCacheResult::NOT_FOUND, "NOT_FOUND"),
    YQ_ENUM_ROW(EPathCacheResult::FOUND, "FOUND"),
    YQ_ENUM_ROW(EPathCacheResult::PARENT_FOUND, "PARENT_FOUND"),
    YQ_ENUM_ROW(EPathCacheResult::ANCESTOR_FOUND, "ANCESTOR_FOUND"),
    {0, nullptr, nullptr},
};

const _DISPLAY_ENUM_INFO_TABLE s_dtFolderWatcherFolderAction[] = {
    YQ_ENUM_ROW(EFolderWatcherFolderAction::NONE, "NONE"),
    YQ_ENUM_ROW(EFolderWatcherFolderAction::ADDED, "ADDED"),
    YQ_ENUM_ROW(EFolderWatcherFolderAction::REMOVED, "REMOVED"),
    YQ_ENUM_ROW(EFolderWatcherFolderAction::MODIFIED, "MODIFIED"),
    YQ_ENUM_ROW(EFolderWatcherFolderAction::RENAMED_OLD_NAME, "RENAMED_OLD_NAME"),
    YQ_ENUM_ROW(EFolderWatcherFolderAction::RENAMED_NEW_NAME, "RENAMED_NEW_NAME"),
    YQ_ENUM_ROW(EFolderWatcherFolderAction::RESCAN_FOLDER, "RESCAN_FOLDER"),
    {0, nullptr, nullptr},
};

const _DISPLAY_ENUM_INFO_TABLE s_dtReparseTag[] = {
    YQ_ENUM_ROW(EReparseTag::None, "None"),
    YQ_ENUM_ROW(EReparseTag::MountPoint, "MountPoint"),
    YQ_ENUM_ROW(EReparseTag::HSM, "HSM"),
    YQ_ENUM_ROW(EReparseTag::DriveExtender, "DriveExtender"),
    YQ_ENUM_ROW(EReparseTag::HSM2, "HSM2"),
    YQ_ENUM_ROW(EReparseTag::SIS, "SIS"),
    YQ_ENUM_ROW(EReparseTag::WIM, "WIM"),
    YQ_ENUM_ROW(EReparseTag::CSV, "CSV"),
    YQ_ENUM_ROW(EReparseTag::DFS, "DFS"),
    YQ_ENUM_ROW(EReparseTag::FilterManager, "FilterManager"),
    YQ_ENUM_ROW(EReparseTag::SymLink, "SymLink"),
    YQ_ENUM_ROW(EReparseTag::IISCache, "IISCache"),
    YQ_ENUM_ROW(EReparseTag::DFSR, "DFSR"),
    YQ_ENUM_ROW(EReparseTag::Dedup, "Dedup"),
    YQ_ENUM_ROW(EReparseTag::AppXstream, "AppXstream"),
    YQ_ENUM_ROW(EReparseTag::NFS, "NFS"),
    YQ_ENUM_ROW(EReparseTag::FilePlaceholder, "FilePlaceholder"),
    YQ_ENUM_ROW(EReparseTag::DFM, "DFM"),
    YQ_ENUM_ROW(EReparseTag::WOF, "WOF"),
    YQ_ENUM_ROW(EReparseTag::WCI, "WCI"),
    YQ_ENUM_ROW(EReparseTag::WCI_1, "WCI_1"),
    YQ_ENUM_ROW(EReparseTag::GlobalReparse, "GlobalReparse"),
    YQ_ENUM_ROW(EReparseTag::Cloud, "Cloud"),
    YQ_ENUM_ROW(EReparseTag::Cloud_1, "Cloud_1"),
    YQ_ENUM_ROW(EReparseTag::Cloud_2, "Cloud_2"),
    YQ_ENUM_ROW(EReparseTag::Cloud_3, "Cloud_3"),
    YQ_ENUM_ROW(EReparseTag::Cloud_4, "Cloud_4"),
    YQ_ENUM_ROW(EReparseTag::Cloud_5, "Cloud_5"),
    YQ_ENUM_ROW(EReparseTag::Cloud_6, "Cloud_6"),
    YQ_ENUM_ROW(EReparseTag::Cloud_7, "Cloud_7"),
    YQ_ENUM_ROW(EReparseTag::Cloud_8, "Cloud_8"),
    YQ_ENUM_ROW(EReparseTag::Cloud_9, "Cloud_9"),
    YQ_ENUM_ROW(EReparseTag::Cloud_A, "Cloud_A"),
    YQ_ENUM_ROW(EReparseTag::Cloud_B, "Cloud_B"),
    YQ_ENUM_ROW(EReparseTag::Cloud_C, "Cloud_C"),
    YQ_ENUM_ROW(EReparseTag::Cloud_D, "Cloud_D"),
    YQ_ENUM_ROW(EReparseTag::Cloud_E, "Cloud_E"),
    YQ_ENUM_ROW(EReparseTag::Cloud_F, "Cloud_F"),
    YQ_ENUM_ROW(EReparseTag::CloudMask, "CloudMask"),
    YQ_ENUM_ROW(EReparseTag::AppExecLink, "AppExecLink"),
    YQ_ENUM_ROW(EReparseTag::ProjFS, "ProjFS"),
    YQ_ENUM_ROW(EReparseTag::LXSymLink, "LXSymLink"),
    YQ_ENUM_ROW(EReparseTag::StorageSync, "StorageSync"),
    YQ_ENUM_ROW(EReparseTag::WCITombstone, "WCITombstone"),
    YQ_ENUM_ROW(EReparseTag::Unhandled, "Unhandled"),
    YQ_ENUM_ROW(EReparseTag::OneDrive, "OneDrive"),
    YQ_ENUM_ROW(EReparseTag::ProjFSTombstone, "ProjFSTombstone"),
    YQ_ENUM_ROW(EReparseTag::AFUnix, "AFUnix"),
    YQ_ENUM_ROW(EReparseTag::LXFiFo, "LXFiFo"),
    YQ_ENUM_ROW(EReparseTag::LXChr, "LXChr"),
    YQ_ENUM_ROW(EReparseTag::LXBlk, "LXBlk"),
    // Tags assigned to other vendors, 9 to 81; five of them carry the name-surrogate bit.
    YQ_TAG_NUMBER(00000009), YQ_TAG_NUMBER(0000000A), YQ_TAG_NUMBER(0000000B),
    YQ_TAG_NUMBER(0000000C), YQ_TAG_NUMBER(2000000D),
    YQ_ENUM_ROW(EReparseTag::Ostravine, "Ostravine"),
    YQ_TAG_NUMBER(0000000F), YQ_TAG_NUMBER(00000010), YQ_TAG_NUMBER(00000011),
    YQ_TAG_NUMBER(00000012), YQ_TAG_NUMBER(00000013), YQ_TAG_NUMBER(00000014),
    YQ_TAG_NUMBER(00000015), YQ_TAG_NUMBER(00000016), YQ_TAG_NUMBER(20000017),
    YQ_TAG_NUMBER(00000018), YQ_TAG_NUMBER(00000019), YQ_TAG_NUMBER(0000001A),
    YQ_TAG_NUMBER(0000001B), YQ_TAG_NUMBER(0000001C),
    YQ_ENUM_ROW(EReparseTag::OstravineHSM, "OstravineHSM"),
    YQ_TAG_NUMBER(0000001E), YQ_TAG_NUMBER(0000001F), YQ_TAG_NUMBER(00000020),
    YQ_TAG_NUMBER(00000021), YQ_TAG_NUMBER(00000022), YQ_TAG_NUMBER(00000023),
    YQ_TAG_NUMBER(00000024), YQ_TAG_NUMBER(00000025), YQ_TAG_NUMBER(00000026),
    YQ_TAG_NUMBER(00000027), YQ_TAG_NUMBER(00000028), YQ_TAG_NUMBER(00000029),
    YQ_TAG_NUMBER(0000002A), YQ_TAG_NUMBER(0000002B), YQ_TAG_NUMBER(0000002C),
    YQ_TAG_NUMBER(0000002D), YQ_TAG_NUMBER(0000002E), YQ_TAG_NUMBER(2000002F),
    YQ_TAG_NUMBER(00000030), YQ_TAG_NUMBER(00000031), YQ_TAG_NUMBER(00000032),
    YQ_TAG_NUMBER(00000033), YQ_TAG_NUMBER(00000034), YQ_TAG_NUMBER(20000035),
    YQ_TAG_NUMBER(00000036), YQ_TAG_NUMBER(00000037), YQ_TAG_NUMBER(00000038),
    YQ_TAG_NUMBER(00000039), YQ_TAG_NUMBER(0000003A), YQ_TAG_NUMBER(0000003B),
    YQ_TAG_NUMBER(0000003C), YQ_TAG_NUMBER(0000003D), YQ_TAG_NUMBER(0000003E),
    YQ_TAG_NUMBER(0000003F), YQ_TAG_NUMBER(00000040), YQ_TAG_NUMBER(00000041),
    YQ_TAG_NUMBER(00000042), YQ_TAG_NUMBER(00000043), YQ_TAG_NUMBER(00000044),
    YQ_TAG_NUMBER(00000045), YQ_TAG_NUMBER(00000046), YQ_TAG_NUMBER(00000047),
    YQ_TAG_NUMBER(00000048), YQ_TAG_NUMBER(00000049), YQ_TAG_NUMBER(0000004A),
    YQ_TAG_NUMBER(0000004B), YQ_TAG_NUMBER(2000004C), YQ_TAG_NUMBER(0000004D),
    YQ_TAG_NUMBER(0000004E), YQ_TAG_NUMBER(0000004F), YQ_TAG_NUMBER(00000050),
    YQ_TAG_NUMBER(00000051),
    {0, nullptr, nullptr},
};

#undef YQ_TAG_NUMBER
#undef YQ_BITS_ROW
#undef YQ_ENUM_ROW
// clang-format on

}  // namespace

// The static renderers of a display type over its table.
#define YQ_DEFINE_RENDERERS(Type, Base, table)                                             \
  std::string Type::AsString(unsigned long value) { return Base::AsString(table, value); } \
  std::wstring Type::AsWstring(unsigned long value) { return Base::AsWstring(table, value); }

YQ_DEFINE_RENDERERS(BFileAttributesWindows, CDisplayBitsBase, s_dtFileAttributesWindows)
YQ_DEFINE_RENDERERS(BMftIndexFileFlags, CDisplayBitsBase, s_dtMftIndexFileFlags)
YQ_DEFINE_RENDERERS(BFilterNodeState, CDisplayBitsBase, s_dtFilterNodeState)
YQ_DEFINE_RENDERERS(BFilterTermOptions, CDisplayBitsBase, s_dtFilterTermOptions)
YQ_DEFINE_RENDERERS(BPathCacheNodeFlags, CDisplayBitsBase, s_dtPathCacheNodeFlags)
YQ_DEFINE_RENDERERS(EPathCacheResult, CDisplayEnumBase, s_dtPathCacheResult)
YQ_DEFINE_RENDERERS(EFolderWatcherFolderAction, CDisplayEnumBase, s_dtFolderWatcherFolderAction)

#undef YQ_DEFINE_RENDERERS

// Reparse tags are Windows constants, which read best in hexadecimal.
std::string EReparseTag::AsString(unsigned long value) {
  return CDisplayEnumBase::AsString(s_dtReparseTag, value, " (0x%lX)");
}
std::wstring EReparseTag::AsWstring(unsigned long value) {
  return CDisplayEnumBase::AsWstring(s_dtReparseTag, value, L" (0x%lX)");
}
