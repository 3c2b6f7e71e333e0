#include "yqbase/utilities/7zip.h"

#include <cstring>
#include <cwchar>
#include <exception>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/StringExtensions.h"

namespace {

constexpr DWORD kInvalidParameter = 87;
constexpr DWORD kNotInitialized = 774;
constexpr const char* kLibraryName = "lib7z.so";
constexpr const char* kEntryPoint = "Handle7zCompression";

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

// A name is passed between double quotes, so a quote or NUL inside it would end the name
// early; a leading "-" or "@" would make 7-Zip read it as a switch or a list file.
CYqError CheckName(const FXCodeLocation& location, const std::string& name, const char* what,
                   bool mayLeadCommand) {
  const char* reason = nullptr;
  if (name.find('"') != std::string::npos)
    reason = "contains a double quote";
  else if (name.find('\0') != std::string::npos)
    reason = "contains a NUL byte";
  else if (!mayLeadCommand && !name.empty() && (name[0] == '-' || name[0] == '@'))
    reason = "starts with '-' or '@'";
  if (reason == nullptr) return CYqError();
  return FXErrorUtil::ErrorWin32(location, kInvalidParameter, "%s %s cannot be passed to 7zip: %s",
                                 what, name.c_str(), reason);
}

void AppendEntry(void* context, const char* name, ULONGLONG size, ULONGLONG packedSize,
                 const char* modified, const char* attributes, int isFolder) {
  try {
    C7zMetaData entry;
    entry.name = name != nullptr ? name : "";
    entry.size = size;
    entry.packedSize = packedSize;
    entry.modified = modified != nullptr ? modified : "";
    entry.attributes = attributes != nullptr ? attributes : "";
    entry.isFolder = isFolder != 0;
    static_cast<std::vector<C7zMetaData>*>(context)->push_back(std::move(entry));
  } catch (const std::exception& e) {
    YQ_LOG_FAILURE("Listing entry dropped: %s", e.what());
  }
}

}  // namespace

class C7zipPrivate {
 public:
  CYqLibrary library;
  bool initialized = false;
  std::string libraryFolder;
  Handle7zCompressionFn entry = nullptr;
  int level = 5;
  std::string password;
  std::string excludes;
  bool multithreading = false;
  bool sharedFiles = false;
  C7zip::CompressionFormat format;
  std::string volumes;
  bool recurse = false;
  bool fullPaths = false;
  bool quiet = false;

  // Runs one command line; a listing's entries go to `entries` when given.
  CYqError Run(const std::string& commandLine, std::vector<C7zMetaData>* entries) {
    std::wstring wide;
    CYqError err = FXString::UTF8ToUnicode(commandLine, wide);
    if (err.Failed()) return err.Push(YQ_LOC);
    CompressionParams params;
    std::memset(&params, 0, sizeof params);
    params.commandLine = wide.c_str();
    params.size = sizeof params;
    if (entries != nullptr) {
      params.listEntry = &AppendEntry;
      params.listContext = entries;
    }
    const int result = entry(&params);
    if (result == 0) return CYqError();
    params.errorText[sizeof params.errorText - 1] = '\0';
    params.errorTextWide[sizeof params.errorTextWide / sizeof(wchar_t) - 1] = L'\0';
    if (params.errorText[0] != '\0')
      return FXErrorUtil::ErrorInt(YQ_LOC, result, "%s", params.errorText);
    return FXErrorUtil::ErrorInt(YQ_LOC, result, "%s",
                                 FXString::ToString(params.errorTextWide).c_str());
  }

  // The password, when set, becomes part of every command line.
  CYqError CheckSettings() const { return CheckName(YQ_LOC, password, "Password", true); }
};

C7zip::C7zip(const char* libraryFolder, CompressionFormat format) : m_p(new C7zipPrivate) {
  m_p->libraryFolder = libraryFolder != nullptr ? libraryFolder : "";
  m_p->format = format;
}

C7zip::~C7zip() = default;

CYqError C7zip::Initialize() {
  const std::string file =
      m_p->libraryFolder.empty() ? kLibraryName : m_p->libraryFolder + "/" + kLibraryName;
  CYqError err = m_p->library.Load(file.c_str(), true);
  if (err.Failed()) return err.Push(YQ_LOC);
  void* address = nullptr;
  err = m_p->library.GetAddress(kEntryPoint, address);
  if (err.Failed()) return err.Push(YQ_LOC);
  m_p->entry = reinterpret_cast<Handle7zCompressionFn>(address);
  m_p->initialized = true;
  return CYqError();
}

CYqError C7zip::SetCompressionLevel(int level) {
  if (level < 0 || level > 9)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidParameter, "Compression level %d", level);
  m_p->level = level;
  return CYqError();
}

void C7zip::SetPassword(const std::string& password) { m_p->password = password; }
void C7zip::SetMultithreading(bool on) { m_p->multithreading = on; }
void C7zip::SetSharedFiles(bool on) { m_p->sharedFiles = on; }
void C7zip::SetRecurse(bool on) { m_p->recurse = on; }
void C7zip::SetFullPaths(bool on) { m_p->fullPaths = on; }
void C7zip::SetQuiet(bool on) { m_p->quiet = on; }

CYqError C7zip::SetVolumeSize(int size, VolumeSize unit) {
  if (size < 1) return FXErrorUtil::ErrorWin32(YQ_LOC, kInvalidParameter, "Volume size %d", size);
  const char units[] = {'b', 'k', 'm', 'g'};
  const char letter = (unit >= Kilobytes && unit <= Gigabytes) ? units[unit] : 'b';
  m_p->volumes += "-v" + std::to_string(size) + letter + " ";
  return CYqError();
}

CYqError C7zip::AddExcludeList(const std::string& pattern, bool isListFile, bool recursive) {
  CYqError err = CheckName(YQ_LOC, pattern, "Exclude pattern", true);
  if (err.Failed()) return err;
  m_p->excludes +=
      std::string("-x") + (recursive ? "r" : "") + (isListFile ? "@" : "!") + Quote(pattern) + " ";
  return CYqError();
}

std::string C7zip::GetFormatString() const {
  switch (m_p->format) {
    case Zip:
      return "-tzip ";
    case GZip:
      return "-tgzip ";
    case BZip2:
      return "-tbzip2 ";
    case Xz:
      return "-txz ";
    default:
      return "";
  }
}

std::string C7zip::GetCompressionSwitches() const {
  std::string switches;
  if (m_p->level != 5) switches += "-mx" + std::to_string(m_p->level) + " ";
  if (m_p->sharedFiles) switches += "-ssw ";
  return switches;
}

std::string C7zip::GetCommonSwitches() const {
  std::string switches;
  if (m_p->format != SevenZip) switches += GetFormatString() + " ";
  if (m_p->multithreading) switches += "-mmt ";
  if (m_p->fullPaths) switches += "-spf ";
  if (!m_p->password.empty()) switches += "-p" + Quote(m_p->password) + " ";
  if (m_p->quiet) switches += "-bso0 ";
  return switches + m_p->excludes;
}

// The add command for `items` (quoted names or a list file); every key gets the outcome:
// empty on success, else the error text.
static CYqError Add(C7zip& zip, C7zipPrivate& p, const std::string& archive,
                    const std::string& items, const std::vector<std::string>& keys,
                    std::map<std::wstring, std::wstring>& results) {
  CYqError err = CheckName(YQ_LOC, archive, "Archive", false);
  if (err.Succeeded()) err = p.CheckSettings();
  if (err.Failed()) return err;
  err = p.Run("a " + zip.GetCompressionSwitches() + zip.GetCommonSwitches() + p.volumes +
                  Quote(archive) + (p.recurse ? " -r" : "") + items,
              nullptr);
  const std::wstring outcome = err.Failed() ? FXString::ToWstring(err.AsString()) : L"";
  for (const std::string& key : keys) results[FXString::ToWstring(key)] = outcome;
  return err;
}

CYqError C7zip::AddFilesToArchive(const std::string& archive, std::vector<std::string>& files,
                                  std::map<std::wstring, std::wstring>& results) {
  if (!m_p->initialized)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kNotInitialized,
                                   "7zip is not initialized to add files to archive");
  if (files.empty())
    return FXErrorUtil::ErrorWin32(YQ_LOC, kNotInitialized, "File paths list is empty");
  std::string items;
  for (const std::string& file : files) {
    CYqError err = CheckName(YQ_LOC, file, "File", false);
    if (err.Failed()) return err;
    items += " " + Quote(file);
  }
  CYqError err = Add(*this, *m_p, archive, items, files, results);
  if (err.Failed()) return err.Push(YQ_LOC);
  return CYqError();
}

CYqError C7zip::AddFilesToArchive(const std::string& archive, std::string& listFile,
                                  std::map<std::wstring, std::wstring>& results) {
  if (!m_p->initialized)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kNotInitialized,
                                   "7zip is not initialized to add files to archive");
  if (listFile.empty())
    return FXErrorUtil::ErrorWin32(YQ_LOC, kNotInitialized, "List file path is empty");
  CYqError err = CheckName(YQ_LOC, listFile, "List file", true);
  if (err.Succeeded()) err = Add(*this, *m_p, archive, " @" + Quote(listFile), {listFile}, results);
  if (err.Failed()) return err.Push(YQ_LOC);
  return CYqError();
}

CYqError C7zip::AddFilesToArchive(const std::string& archive,
                                  std::map<std::wstring, std::wstring>& files,
                                  std::map<std::wstring, std::wstring>& results) {
  std::vector<std::string> names;
  for (const auto& file : files) {
    std::string name;
    CYqError err = FXString::UnicodeToUTF8(file.first, name);
    if (err.Failed()) return err.Push(YQ_LOC);
    names.push_back(name);
  }
  CYqError err = AddFilesToArchive(archive, names, results);
  if (err.Failed()) return err.Push(YQ_LOC);
  return CYqError();
}

// Extraction with and without the stored folders differs only in the verb.
static CYqError Extract(C7zip& zip, C7zipPrivate& p, const char* verb, const std::string& archive,
                        const std::string& outputFolder) {
  if (!p.initialized)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kNotInitialized,
                                   "7zip is not initialized to extract file(s) from archive");
  CYqError err = CheckName(YQ_LOC, archive, "Archive", false);
  if (err.Succeeded()) err = CheckName(YQ_LOC, outputFolder, "Output folder", true);
  if (err.Succeeded()) err = p.CheckSettings();
  if (err.Failed()) return err;
  std::string command = verb + zip.GetCommonSwitches() + "-y " + Quote(archive);
  if (!outputFolder.empty()) command += " -o" + Quote(outputFolder);
  return p.Run(command, nullptr);
}

CYqError C7zip::ExtractFilesFromArchive(const std::string& archive, std::string& outputFolder) {
  CYqError err = Extract(*this, *m_p, "e ", archive, outputFolder);
  if (err.Failed()) return err.Push(YQ_LOC);
  return CYqError();
}

CYqError C7zip::ExtractFilesWithFullPathsFromArchive(const std::string& archive,
                                                     std::string& outputFolder) {
  CYqError err = Extract(*this, *m_p, "x ", archive, outputFolder);
  if (err.Failed()) return err.Push(YQ_LOC);
  return CYqError();
}

CYqError C7zip::DeleteFilesFromArchive(const std::string& archive,
                                       std::vector<std::string>& files) {
  if (!m_p->initialized)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kNotInitialized,
                                   "7zip is not initialized to delete files from archive");
  if (files.empty()) return FXErrorUtil::ErrorWin32(YQ_LOC, kNotInitialized, "File list is empty");
  CYqError err = CheckName(YQ_LOC, archive, "Archive", false);
  for (size_t i = 0; i < files.size() && err.Succeeded(); ++i)
    err = CheckName(YQ_LOC, files[i], "File", false);
  if (err.Failed()) return err;
  std::string command = "d " + Quote(archive);
  for (const std::string& file : files) command += " " + Quote(file);
  err = m_p->Run(command, nullptr);
  if (err.Failed()) return err.Push(YQ_LOC);
  return CYqError();
}

CYqError C7zip::ListFilesInArchive(const std::string& archive, std::vector<C7zMetaData>& entries) {
  entries.clear();
  if (!m_p->initialized)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kNotInitialized,
                                   "7zip is not initialized to list files in archive");
  CYqError err = CheckName(YQ_LOC, archive, "Archive", false);
  if (err.Failed()) return err;
  err = m_p->Run("l " + Quote(archive), &entries);
  if (err.Failed()) return err.Push(YQ_LOC);
  return CYqError();
}

CYqError C7zip::RunCommandLine(std::string commandLine) {
  if (!m_p->initialized)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kNotInitialized,
                                   "7zip is not initialized to delete files from archive");
  CYqError err = m_p->Run(commandLine, nullptr);
  if (err.Failed()) return err.Push(YQ_LOC);
  return CYqError();
}
