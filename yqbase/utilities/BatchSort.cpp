#include "yqbase/utilities/BatchSort.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/FileOperations.h"
#include "yqbase/files/utfFsUtils.h"

namespace {

constexpr long kSmallInput = 5242880;
constexpr long kSlack = 512000;

}  // namespace

class YqBatchSortPrivate {
 public:
  std::string input;
  std::string output;
  bool ready = false;
};

YqBatchSort::YqBatchSort() : m_p(new YqBatchSortPrivate) {}

YqBatchSort::~YqBatchSort() {
  const CYqError ignored = finalize();
  (void)ignored;
}

int YqBatchSort::cmpFunc(const void* a, const void* b) { return YqSortable::cmpFunc(a, b); }

CYqError YqBatchSort::init(const char* inputFile, const char* outputFile, const char* workFolder,
                           int ascending, int caseSensitive, int unique, long bufferSize) {
  CYqError err = finalize();
  if (err.Failed()) return err.Push(YQ_LOC);
  if (inputFile == nullptr || *inputFile == '\0' || outputFile == nullptr || *outputFile == '\0' ||
      workFolder == nullptr || *workFolder == '\0' || bufferSize < 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, EINVAL, "Wrong parameters");
  m_p->input = inputFile;
  m_p->output = outputFile;
  if (bufferSize == 0) {
    struct stat64 info;
    const long long size =
        CYqUTFOSAPI::stat(inputFile, &info).Succeeded() ? info.st_size : kSmallInput + 1;
    bufferSize = size <= kSmallInput ? static_cast<long>(size) + kSlack : kSmallInput + kSlack;
  }
  if (initSorter(workFolder, ascending, caseSensitive, unique, bufferSize) != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, ENOMEM, "Could not malloc");
  m_p->ready = true;
  return CYqError();
}

CYqError YqBatchSort::sort() {
  if (!m_p->ready) return FXErrorUtil::ErrorErrNo(YQ_LOC, EINVAL, "Wrong parameters");
  resetRuns();
  removeWorkFiles();
  auto_fileptr input;
  CYqError err = FXFile::zkfopen(input, m_p->input, "r");
  if (err.Failed()) return err.Push(YQ_LOC);
  if (addStream(input.get()) != 0 || finishSort() != 0) {
    removeWorkFiles();
    resetRuns();
    return FXErrorUtil::ErrorErrNo(YQ_LOC, -1, "%s", getFatalErrMsg());
  }
  input.reset();
  const int slot = resultSlot();
  const std::string result = workFilePath(slot);
  err = FXFile::ZKMoveFileEx(result, m_p->output, MOVEFILE_REPLACE_EXISTING);
  if (err.Failed() && FXErrorUtil::IsErrNo(err, EXDEV)) {
    err = FXFile::ZKCopyFile(result, m_p->output, 0);
    if (err.Succeeded()) err = FXFile::RemoveFile(result);
  }
  if (err.Succeeded()) forgetWorkFile(slot);
  removeWorkFiles();
  resetRuns();
  if (err.Failed()) return err.Push(YQ_LOC);
  return CYqError();
}

CYqError YqBatchSort::finalize() {
  removeWorkFiles();
  releaseSorter();
  m_p->input.clear();
  m_p->output.clear();
  m_p->ready = false;
  return CYqError();
}
