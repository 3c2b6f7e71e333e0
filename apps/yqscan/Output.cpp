// The selected entries turned into checksums, the sorted --list file and the --archive.
#include "Output.h"

#include <fcntl.h>
#include <unistd.h>
#include <yqbase/errors/ErrorUtil.h>
#include <yqbase/files/YqFile.h>
#include <yqbase/strings/Md5.h>
#include <yqbase/strings/StringExtensions.h>
#include <yqbase/strings/YqCRC64.h>
#include <yqbase/utilities/7zip.h>
#include <yqbase/utilities/BatchSort.h>

#include <map>
#include <vector>

#ifndef YQSCAN_ARCHIVER_DIR
#define YQSCAN_ARCHIVER_DIR ""
#endif

namespace yqscan {

namespace {

// A name as one field of a list line: tabs, newlines and backslashes escaped C-style, so that
// every line holds exactly one entry.
std::string ListField(const std::string& name) {
  if (name.find_first_of("\t\n\\") == std::string::npos) return name;
  std::string field;
  for (char c : name) {
    if (c == '\t')
      field += "\\t";
    else if (c == '\n')
      field += "\\n";
    else if (c == '\\')
      field += "\\\\";
    else
      field += c;
  }
  return field;
}

CYqError WriteText(auto_fileptr& file, const std::string& text, const std::string& name) {
  if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size())
    return FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "cannot write %s", name.c_str());
  return CYqError();
}

// Flushes and closes a work file, so that a full disk shows before the file is used.
CYqError CloseWorkFile(auto_fileptr& file, const std::string& name) {
  if (!file.IsValid()) return CYqError();
  const bool failed = std::fflush(file.get()) != 0 || std::ferror(file.get()) != 0;
  const int error = errno;
  file.reset();
  if (failed) return FXErrorUtil::ErrorErrNo(YQ_LOC, error, "cannot write %s", name.c_str());
  return CYqError();
}

}  // namespace

CSelection::CSelection(const SOptions& options) : m_options(options) {
  m_checksumCounter = FXCounter::CountersManager::Get()->registerCounter("checksum", 0, 0);
}

CSelection::~CSelection() { RemoveWorkFiles(); }

void CSelection::RemoveWorkFiles() {
  m_unsorted.reset();
  m_names.reset();
  for (const std::string* path : {&m_unsortedPath, &m_namesPath})
    if (!path->empty()) ::unlink(path->c_str());
}

CYqError CSelection::Open() {
  const std::string suffix = ".yqscan-" + std::to_string(::getpid());
  CYqError err;
  if (!m_options.listFile.empty()) {
    m_unsortedPath = m_options.listFile + suffix;
    err = FXFile::zkfopen(m_unsorted, m_unsortedPath, "w");
  }
  if (err.Succeeded() && !m_options.archiveFile.empty()) {
    m_namesPath = m_options.archiveFile + suffix;
    err = FXFile::zkfopen(m_names, m_namesPath, "w");
  }
  return err.Failed() ? err.Push(YQ_LOC, "cannot create the work files of the outputs") : err;
}

CYqError CSelection::Checksum(const std::string& path, std::string& text) {
  CYqFile file;
  CYqError err = file.Open(path.c_str(), O_RDONLY | O_NOFOLLOW, 0);
  if (err.Failed()) return err.Push(YQ_LOC);
  FXCounter::CounterWrapper& counter = *m_checksumCounter;
  counter.start(0);
  CYqCRC64 crc(0xFFFFFFFFFFFFFFFFULL);
  CMd5 md5;
  md5.Start();
  const bool isMd5 = m_options.checksum == "md5";
  std::vector<char> buffer(1 << 20);
  long long total = 0;
  for (unsigned done = 0;; total += done) {
    err = file.Read(buffer.data(), static_cast<unsigned>(buffer.size()), &done);
    if (err.Failed() || done == 0) break;
    if (isMd5)
      md5.Process(buffer.data(), done);
    else
      crc.UpdateCRC64(reinterpret_cast<const unsigned char*>(buffer.data()), done);
  }
  counter.setSize(total);
  counter.stop();
  if (err.Failed()) return err.Push(YQ_LOC);
  if (isMd5) {
    md5.End();
    unsigned char digest[16];
    md5.GetCode(digest);
    text.clear();
    for (unsigned char byte : digest) text += FXString::Format("%02x", byte);
  } else {
    text = FXString::Format("%016llx", static_cast<unsigned long long>(~crc.GetCRC64()));
  }
  return CYqError();
}

CYqError CSelection::Add(const std::string& path, const struct stat64& st) {
  std::string line;
  if (m_unsorted.IsValid()) {
    line = ListField(path) + FXString::Format("\t%lld\t%lld", static_cast<long long>(st.st_size),
                                              static_cast<long long>(st.st_mtime));
    if (!m_options.checksum.empty()) {
      std::string sum = "-";  // links and special files have no contents to read
      if (S_ISREG(st.st_mode)) {
        CYqError err = Checksum(path, sum);
        if (err.Failed()) return err.Push(YQ_LOC, "cannot read %s", path.c_str());
      }
      line += "\t" + sum;
    }
    line += '\n';
  }
  // The archive takes regular files; a name with a line break cannot go in its list file.
  if (m_names.IsValid() && S_ISREG(st.st_mode)) {
    if (path.find('\n') != std::string::npos)
      return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "a name with a line break cannot be archived");
    CYqError err = WriteText(m_names, path + "\n", m_namesPath);
    if (err.Failed()) return err;
  }
  return line.empty() ? CYqError() : WriteText(m_unsorted, line, m_unsortedPath);
}

CYqError CSelection::Finish() {
  CYqError err = CloseWorkFile(m_unsorted, m_unsortedPath);
  if (err.Succeeded()) err = CloseWorkFile(m_names, m_namesPath);
  if (err.Succeeded() && !m_unsortedPath.empty()) {
    // The list's folder also holds the sort's work files.
    const size_t slash = m_options.listFile.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : m_options.listFile.substr(0, slash);
    YqBatchSort sorter;
    err =
        sorter.init(m_unsortedPath.c_str(), m_options.listFile.c_str(), folder.c_str(), 1, 1, 0, 0);
    if (err.Succeeded()) err = sorter.sort();
    (void)sorter.finalize();
    if (err.Failed()) err.Push(YQ_LOC, "cannot sort the list into %s", m_options.listFile.c_str());
  }
  if (err.Succeeded() && !m_namesPath.empty()) {
    C7zip zip(YQSCAN_ARCHIVER_DIR, C7zip::SevenZip);
    zip.SetFullPaths(true);
    std::map<std::wstring, std::wstring> results;
    err = zip.Initialize();
    if (err.Succeeded()) err = zip.AddFilesToArchive(m_options.archiveFile, m_namesPath, results);
    if (err.Failed())
      err.Push(YQ_LOC, "cannot write the archive %s", m_options.archiveFile.c_str());
  }
  RemoveWorkFiles();
  return err;
}

}  // namespace yqscan
