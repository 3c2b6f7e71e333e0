#include "yqbase/utilities/Sortable.h"

#include <sys/types.h>

#include <algorithm>
#include <bitset>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "yqbase/files/Unix/FsUTF.h"
#include "yqbase/logging/LogWriterInterface.h"

namespace {

constexpr const char* kAdd = "Sortable::addToSorter()";
constexpr const char* kDump = "Sortable::dumpBuffer()";
constexpr const char* kMerge = "Sortable::mergeWorkFiles()";
constexpr const char* kFinish = "Sortable::finishSort()";
constexpr const char* kWrongParameters = "Wrong parameters";
constexpr const char* kNoMemory = "Could not malloc";
constexpr const char* kCannotOpen = "Could not open file for writing";
constexpr const char* kCannotWrite = "Could not write to file";
constexpr const char* kCannotRead = "Could not read from file";
constexpr const char* kCannotRename = "Could not rename file";

// Two slots per merge level; 64 levels hold more runs than a 64-bit counter can count.
constexpr int kMaxSlots = 2 * 64 + 4;
constexpr size_t kStreamBuffer = 64 * 1024;
constexpr size_t kMB = 1024 * 1024;

int Sign(int value) { return (value > 0) - (value < 0); }

unsigned char FoldAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// A stdio stream with a large buffer of its own; closed (result ignored) when destroyed.
class CBufferedStream {
 public:
  CBufferedStream() = default;
  CBufferedStream(const CBufferedStream&) = delete;
  CBufferedStream& operator=(const CBufferedStream&) = delete;
  ~CBufferedStream() {
    if (m_file != nullptr) std::fclose(m_file);
    std::free(m_line);
  }

  bool Open(const std::string& path, const char* mode) {
    m_file = TempFsUTF::fopen_utf(path.c_str(), mode);
    if (m_file == nullptr) return false;
    m_buffer.reset(new (std::nothrow) char[kStreamBuffer]);
    if (m_buffer) std::setvbuf(m_file, m_buffer.get(), _IOFBF, kStreamBuffer);
    return true;
  }
  // Adopts a stream opened elsewhere, without taking it over.
  void Borrow(FILE* file) {
    m_borrowed = file;
    m_buffer.reset(new (std::nothrow) char[kStreamBuffer]);
    if (m_buffer) std::setvbuf(file, m_buffer.get(), _IOFBF, kStreamBuffer);
  }
  FILE* Get() const { return m_borrowed != nullptr ? m_borrowed : m_file; }

  // Reads the next line into Line() without its newline: 1, 0 at the end, -1 on a read error.
  int Next() {
    const ssize_t got = ::getline(&m_line, &m_capacity, Get());
    if (got < 0) return std::ferror(Get()) ? -1 : 0;
    m_current.text = m_line;
    m_current.size = static_cast<size_t>(got);
    if (m_current.size > 0 && m_line[m_current.size - 1] == '\n') --m_current.size;
    return 1;
  }
  const SSortLine& Line() const { return m_current; }

  bool Write(const SSortLine& line) {
    FILE* f = Get();
    if (line.size > 0 && fwrite_unlocked(line.text, 1, line.size, f) != line.size) return false;
    return putc_unlocked('\n', f) != EOF;
  }
  // Closes an owned stream; false when a write failed or the close did.
  bool Close() {
    const bool ok = std::ferror(m_file) == 0;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    return ok && closed;
  }

 private:
  FILE* m_file = nullptr;
  FILE* m_borrowed = nullptr;
  std::unique_ptr<char[]> m_buffer;
  char* m_line = nullptr;
  size_t m_capacity = 0;
  SSortLine m_current{nullptr, 0};
};

}  // namespace

class YqSortablePrivate {
 public:
  ~YqSortablePrivate() { std::free(buffer); }

  SSortLine* Records() { return reinterpret_cast<SSortLine*>(buffer + capacity) - lines; }
  bool Fits(size_t size) const {
    const size_t records = (lines + 1) * sizeof(SSortLine);
    return records <= capacity - used && size <= capacity - used - records;
  }
  int Fail(const char* operation, const char* reason, const std::string& file = std::string()) {
    message = std::string(operation) + " " + reason;
    if (!file.empty()) message += " " + file;
    YQ_LOG_FAILURE("%s", message.c_str());
    return -1;
  }

  std::string workFolder;
  int ascending = 1;
  int caseSensitive = 1;
  int unique = 0;
  char* buffer = nullptr;
  size_t capacity = 0;  // usable bytes: a whole number of records at the back
  size_t used = 0;      // line bytes at the front
  size_t lines = 0;     // records at the back
  std::string message;
  unsigned long long runs = 0;
  int workFiles = 0;
  std::bitset<kMaxSlots> exists;
};

YqSortable::YqSortable() : m_p(new YqSortablePrivate) {}

YqSortable::~YqSortable() = default;

int YqSortable::cmpFunc(const void* a, const void* b) {
  const SSortLine* x = static_cast<const SSortLine*>(a);
  const SSortLine* y = static_cast<const SSortLine*>(b);
  const size_t n = std::min(x->size, y->size);
  int result = 0;
  if (m_p->caseSensitive) {
    if (n > 0) result = Sign(std::memcmp(x->text, y->text, n));
  } else {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(x->text);
    const unsigned char* q = reinterpret_cast<const unsigned char*>(y->text);
    for (size_t i = 0; i < n && result == 0; ++i) result = FoldAscii(p[i]) - FoldAscii(q[i]);
    result = Sign(result);
  }
  if (result == 0) result = (x->size > y->size) - (x->size < y->size);
  return m_p->ascending ? result : -result;
}

int YqSortable::initSorter(const char* workFolder, int ascending, int caseSensitive, int unique,
                           long bufferSize) {
  releaseSorter();
  if (workFolder == nullptr || *workFolder == '\0' || bufferSize < 0)
    return m_p->Fail(kAdd, kWrongParameters);
  m_p->workFolder = workFolder;
  m_p->ascending = ascending;
  m_p->caseSensitive = caseSensitive;
  m_p->unique = unique;
  // A request larger than the address space cannot be met; start from the largest size_t.
  size_t size = static_cast<unsigned long>(bufferSize) > SIZE_MAX / 2
                    ? SIZE_MAX / 2
                    : static_cast<size_t>(bufferSize);
  char* buffer = static_cast<char*>(std::malloc(size > 0 ? size : 1));
  while (buffer == nullptr && size >= 2 * kMB) {
    size = size > 64 * kMB ? size / 2 : size - kMB;
    buffer = static_cast<char*>(std::malloc(size));
  }
  if (buffer == nullptr) return m_p->Fail(kAdd, kNoMemory);
  m_p->buffer = buffer;
  m_p->capacity = size - size % alignof(SSortLine);
  return 0;
}

size_t YqSortable::bufferSize() const { return m_p->capacity; }

void YqSortable::releaseSorter() {
  std::free(m_p->buffer);
  m_p->buffer = nullptr;
  m_p->capacity = 0;
  m_p->workFolder.clear();
  m_p->ascending = m_p->caseSensitive = 1;
  m_p->unique = 0;
  resetRuns();
}

void YqSortable::resetRuns() {
  m_p->used = m_p->lines = 0;
  m_p->runs = 0;
}

int YqSortable::addToSorter(char* line) {
  if (line == nullptr) return m_p->Fail(kAdd, kWrongParameters);
  size_t size = std::strlen(line);
  if (size > 0 && line[size - 1] == '\n') --size;
  return addLine(line, size);
}

// Writes the lines in array order, skipping a line equal to the one written before it when
// the unique flag is set. A file that could not be written completely is removed.
static int WriteLines(YqSortable& sorter, YqSortablePrivate& p, const std::string& file,
                      const SSortLine* lines, size_t count) {
  CBufferedStream out;
  if (!out.Open(file, "w")) return p.Fail(kDump, kCannotOpen, file);
  const SSortLine* last = nullptr;
  for (size_t i = 0; i < count; ++i) {
    if (p.unique && last != nullptr && sorter.cmpFunc(last, &lines[i]) == 0) continue;
    if (!out.Write(lines[i])) break;
    last = &lines[i];
  }
  if (!out.Close()) {
    TempFsUTF::unlink_utf(file.c_str());
    return p.Fail(kDump, kCannotWrite, file);
  }
  return 0;
}

int YqSortable::dumpBuffer(char* file) {
  if (file == nullptr || *file == '\0') return m_p->Fail(kDump, kWrongParameters);
  SSortLine* records = m_p->Records();
  std::sort(records, records + m_p->lines,
            [this](const SSortLine& x, const SSortLine& y) { return cmpFunc(&x, &y) < 0; });
  return WriteLines(*this, *m_p, file, records, m_p->lines);
}

// Writes the collected run (or the single line `alone`) to the work file of slot runs % 2.
static int WriteRun(YqSortable& sorter, YqSortablePrivate& p, const SSortLine* alone) {
  const int slot = static_cast<int>(p.runs % 2);
  std::string file = sorter.workFilePath(slot);
  const int rc =
      alone != nullptr ? WriteLines(sorter, p, file, alone, 1) : sorter.dumpBuffer(&file[0]);
  if (rc != 0) return rc;
  p.exists.set(slot);
  ++p.workFiles;
  return 0;
}

// Writes a run, then merges upwards while the run counter's low bits are set, as a binary
// counter carries, so that each merge level keeps at most one work file between runs.
static int CompleteRun(YqSortable& sorter, YqSortablePrivate& p, const SSortLine* alone) {
  if (WriteRun(sorter, p, alone) != 0) return -1;
  for (int k = 0; (p.runs >> k) & 1; ++k) {
    const int target = 2 * k + 2 + static_cast<int>((p.runs >> (k + 1)) & 1);
    if (sorter.mergeWorkFiles(2 * k, 2 * k + 1, target) != 0) return -1;
  }
  ++p.runs;
  p.used = p.lines = 0;
  return 0;
}

int YqSortable::addLine(const char* text, size_t size) {
  if (m_p->buffer == nullptr || (text == nullptr && size > 0))
    return m_p->Fail(kAdd, kWrongParameters);
  if (!m_p->Fits(size)) {
    if (m_p->lines > 0 && CompleteRun(*this, *m_p, nullptr) != 0) return -1;
    if (!m_p->Fits(size)) {
      const SSortLine alone{text, size};
      return CompleteRun(*this, *m_p, &alone);
    }
  }
  char* copy = m_p->buffer + m_p->used;
  if (size > 0) std::memcpy(copy, text, size);
  m_p->used += size;
  ++m_p->lines;
  *m_p->Records() = SSortLine{copy, size};
  return 0;
}

int YqSortable::addStream(FILE* stream) {
  if (stream == nullptr) return m_p->Fail(kAdd, kWrongParameters);
  CBufferedStream in;
  in.Borrow(stream);
  int got;
  while ((got = in.Next()) > 0)
    if (addLine(in.Line().text, in.Line().size) != 0) return -1;
  return got < 0 ? m_p->Fail(kAdd, kCannotRead) : 0;
}

int YqSortable::mergeWorkFiles(int a, int b, int out) {
  YqSortablePrivate& p = *m_p;
  if (a < 0 || b < 0 || out < 0 || a >= kMaxSlots || b >= kMaxSlots || out >= kMaxSlots || a == b ||
      out == a || out == b)
    return p.Fail(kMerge, kWrongParameters);
  if (!p.exists[a] && !p.exists[b]) return 0;
  if (!p.exists[a] || !p.exists[b]) {
    const int from = p.exists[a] ? a : b;
    const std::string source = workFilePath(from);
    if (TempFsUTF::rename_utf(source.c_str(), workFilePath(out).c_str()) != 0)
      return p.Fail(kMerge, kCannotRename, source);
    p.exists.reset(from);
    p.exists.set(out);
    return 0;
  }
  const std::string fileA = workFilePath(a), fileB = workFilePath(b), fileOut = workFilePath(out);
  CBufferedStream inA, inB, merged;
  if (!inA.Open(fileA, "r")) return p.Fail(kMerge, kCannotRead, fileA);
  if (!inB.Open(fileB, "r")) return p.Fail(kMerge, kCannotRead, fileB);
  if (!merged.Open(fileOut, "w")) return p.Fail(kDump, kCannotWrite, fileOut);

  std::string last;
  bool haveLast = false, writeFailed = false;
  auto emit = [&](const SSortLine& line) {
    if (p.unique) {
      const SSortLine previous{last.data(), last.size()};
      if (haveLast && cmpFunc(&previous, &line) == 0) return;
      last.assign(line.text, line.size);
      haveLast = true;
    }
    if (!merged.Write(line)) writeFailed = true;
  };
  int gotA = inA.Next(), gotB = inB.Next();
  while (gotA > 0 && gotB > 0 && !writeFailed) {
    // On equal lines the one from b goes first.
    if (cmpFunc(&inA.Line(), &inB.Line()) < 0) {
      emit(inA.Line());
      gotA = inA.Next();
    } else {
      emit(inB.Line());
      gotB = inB.Next();
    }
  }
  for (; gotA > 0 && !writeFailed; gotA = inA.Next()) emit(inA.Line());
  for (; gotB > 0 && !writeFailed; gotB = inB.Next()) emit(inB.Line());
  if (!merged.Close() || writeFailed) {
    TempFsUTF::unlink_utf(fileOut.c_str());
    return p.Fail(kMerge, kCannotWrite, fileOut);
  }
  if (gotA < 0 || gotB < 0) {
    TempFsUTF::unlink_utf(fileOut.c_str());
    return p.Fail(kMerge, kCannotRead, gotA < 0 ? fileA : fileB);
  }
  p.exists.set(out);
  TempFsUTF::unlink_utf(fileA.c_str());
  TempFsUTF::unlink_utf(fileB.c_str());
  p.exists.reset(a);
  p.exists.reset(b);
  --p.workFiles;
  return 0;
}

int YqSortable::finishSort() {
  YqSortablePrivate& p = *m_p;
  if (p.buffer == nullptr) return p.Fail(kFinish, kWrongParameters);
  // An empty last run adds nothing once other runs exist.
  if (p.lines > 0 || p.workFiles == 0) {
    if (WriteRun(*this, p, nullptr) != 0) return -1;
    ++p.runs;
    p.used = p.lines = 0;
  }
  const unsigned long long last = p.runs - 1;
  for (int k = 0; p.workFiles > 1; ++k) {
    int target = 2 * k + 2 + static_cast<int>((last >> (k + 1)) & 1);
    if (p.exists[target]) target ^= 1;
    if (mergeWorkFiles(2 * k, 2 * k + 1, target) != 0) return -1;
  }
  return 0;
}

const char* YqSortable::getFatalErrMsg() const {
  return m_p->message.empty() ? "Unknown error" : m_p->message.c_str();
}

int YqSortable::resultSlot() const {
  if (m_p->workFiles != 1) return -1;
  for (int slot = 0; slot < kMaxSlots; ++slot)
    if (m_p->exists[slot]) return slot;
  return -1;
}

int YqSortable::workFileCount() const { return m_p->workFiles; }

std::string YqSortable::workFilePath(int slot) const {
  return m_p->workFolder + "/_SORTWORK." + std::to_string(slot);
}

void YqSortable::forgetWorkFile(int slot) {
  if (slot < 0 || slot >= kMaxSlots || !m_p->exists[slot]) return;
  m_p->exists.reset(slot);
  --m_p->workFiles;
}

void YqSortable::removeWorkFiles() {
  for (int slot = 0; slot < kMaxSlots; ++slot) {
    if (!m_p->exists[slot]) continue;
    if (TempFsUTF::unlink_utf(workFilePath(slot).c_str()) != 0 && errno != ENOENT)
      YQ_LOG_FAILURE("Could not remove work file %s: %s", workFilePath(slot).c_str(),
                     std::strerror(errno));
  }
  m_p->exists.reset();
  m_p->workFiles = 0;
}
