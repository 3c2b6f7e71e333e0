// C7zip: creates, lists, extracts from and deletes from archives through the archiver library
// "lib7z.so", driven with 7-Zip command lines.
#pragma once

#include <boost/shared_ptr.hpp>
#include <map>
#include <string>
#include <vector>

#include "yqbase/errors/YqError.h"
#include "yqbase/utilities/YqLibrary.h"

/// One entry of an archive listing.
struct C7zMetaData {
  std::string name;          ///< path inside the archive
  ULONGLONG size = 0;        ///< unpacked bytes
  ULONGLONG packedSize = 0;  ///< packed bytes (0 inside a solid block but its first file)
  std::string modified;      ///< "YYYY-MM-DD HH:MM:SS" as the archive stores it, or empty
  std::string attributes;    ///< the archiver's attribute letters, or empty
  bool isFolder = false;
};

/// The record handed to the archiver's entry point `int Handle7zCompression(CompressionParams*)`.
/// Plain C data only, so that a library loaded into a namespace of its own can use it. The
/// driver fills `commandLine`, `size` and, for a listing, `listEntry` and `listContext`; the
/// library returns 0 on success, or the archiver's exit status (or an errno value when it
/// could not run the archiver) with a message in `errorText` and/or `errorTextWide`. For the
/// list verb "l" the library calls `listEntry` once per entry; the pointers it passes are
/// valid during the call only.
struct CompressionParams {
  const wchar_t* commandLine;  ///< verb, switches, archive and names; blanks separate, double
                               ///< quotes group (and are removed)
  int size;                    ///< sizeof(CompressionParams), to catch a mismatched library
  char errorText[2048];
  wchar_t errorTextWide[512];
  int exitCode;    ///< the archiver's exit status, also on success
  int entryCount;  ///< entries handed to listEntry
  void (*listEntry)(void* context, const char* name, ULONGLONG size, ULONGLONG packedSize,
                    const char* modified, const char* attributes, int isFolder);
  void* listContext;
};

/// The archiver library's entry point.
typedef int (*Handle7zCompressionFn)(CompressionParams* params);

class C7zipPrivate;

/// Drives the archiver library with 7-Zip command lines built from its settings; every
/// command blocks until the archiver finishes. Not copyable; one thread at a time.
///
///   C7zip zip("/opt/app/lib", C7zip::Zip);
///   CYqError err = zip.Initialize();
///   if (err.Succeeded()) err = zip.AddFilesToArchive("/backup/a.zip", files, results);
///
/// Names are passed between double quotes. Deliberate departure, so that no name can change
/// what a command does: an archive, file, folder, list file, exclude pattern or password that
/// contains a double quote or a NUL byte, and a file, archive or list-file name that starts
/// with "-" (a switch) or "@" (a list file), is refused with Win32 error 87 before anything
/// runs; for that reason AddExcludeList and SetVolumeSize return a CYqError.
class YQBASE_EXPORT C7zip {
 public:
  enum CompressionFormat { Zip = 1, SevenZip = 2, GZip = 3, BZip2 = 4, Xz = 5 };
  enum VolumeSize { Bytes = 0, Kilobytes = 1, Megabytes = 2, Gigabytes = 3 };

  /// `libraryFolder` holds "lib7z.so"; empty or null: the loader's search path.
  C7zip(const char* libraryFolder, CompressionFormat format);
  ~C7zip();
  C7zip(const C7zip&) = delete;
  C7zip& operator=(const C7zip&) = delete;

  /// Loads the library and resolves "Handle7zCompression"; their errors with this location.
  [[nodiscard]] CYqError Initialize();

  /// 0 (store) to 9; 5 (the default) adds no switch. Others: Win32 87.
  [[nodiscard]] CYqError SetCompressionLevel(int level);
  void SetPassword(const std::string& password);
  void SetMultithreading(bool on);
  void SetSharedFiles(bool on);
  void SetRecurse(bool on);
  void SetFullPaths(bool on);
  void SetQuiet(bool on);
  /// Appends a volume switch "-v<size><unit> "; a size below 1 is Win32 87.
  [[nodiscard]] CYqError SetVolumeSize(int size, VolumeSize unit);
  /// Appends an exclude switch: a wildcard, or a list file of wildcards; `recursive` matches
  /// in every folder.
  [[nodiscard]] CYqError AddExcludeList(const std::string& pattern, bool isListFile,
                                        bool recursive);

  /// Adds the files (folders with SetRecurse). `results` gets one entry per file: empty on
  /// success, else the error text.
  [[nodiscard]] CYqError AddFilesToArchive(const std::string& archive,
                                           std::vector<std::string>& files,
                                           std::map<std::wstring, std::wstring>& results);
  /// Adds the files named one per line in `listFile`; `results` gets the list file's entry.
  [[nodiscard]] CYqError AddFilesToArchive(const std::string& archive, std::string& listFile,
                                           std::map<std::wstring, std::wstring>& results);
  /// Adds the files named by the keys of `files` (their values are not used).
  [[nodiscard]] CYqError AddFilesToArchive(const std::string& archive,
                                           std::map<std::wstring, std::wstring>& files,
                                           std::map<std::wstring, std::wstring>& results);
  /// Extracts every file into `outputFolder` (the working folder when empty), overwriting;
  /// the first form drops the folders stored in the archive, the second recreates them.
  [[nodiscard]] CYqError ExtractFilesFromArchive(const std::string& archive,
                                                 std::string& outputFolder);
  [[nodiscard]] CYqError ExtractFilesWithFullPathsFromArchive(const std::string& archive,
                                                              std::string& outputFolder);
  [[nodiscard]] CYqError DeleteFilesFromArchive(const std::string& archive,
                                                std::vector<std::string>& files);
  /// Replaces `entries` with the archive's entries.
  [[nodiscard]] CYqError ListFilesInArchive(const std::string& archive,
                                            std::vector<C7zMetaData>& entries);
  /// Hands one command line to the library. A non-zero answer is an integer-kind error with
  /// that value and the library's message.
  [[nodiscard]] CYqError RunCommandLine(std::string commandLine);

  /// The format switch followed by a blank, or empty for the archiver's own format.
  std::string GetFormatString() const;
  /// "-mx<level> " unless the level is 5, then "-ssw " with shared files.
  std::string GetCompressionSwitches() const;
  /// Format, "-mmt ", "-spf ", password, "-bso0 " and the exclude switches, as set.
  std::string GetCommonSwitches() const;

 private:
  boost::shared_ptr<C7zipPrivate> m_p;
};
