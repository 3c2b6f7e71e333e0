// CYqFile: a file opened through a descriptor or a stdio stream, with result-returning
// operations, and static operations on file names.
#pragma once

#include <stdio.h>
#include <sys/stat.h>
#include <time.h>

#include <cstddef>
#include <string>

#include "yqbase/errors/YqError.h"
#include "yqbase/errors/YqTypes.h"
#include "yqbase/strings/YqString.h"
#include "yqbase/time/TimeStamp.h"

/// The platform's 64-bit stat record.
struct SYqFileStat : public stat64 {};

/// Flags of CYqFile::Delete.
enum : DWORD {
  YQ_DELETE_NO_CHMOD = 1,            // never make the file writable to delete it
  YQ_DELETE_NO_FIRST_UNLINK = 2,     // go straight to making the file writable
  YQ_DELETE_NO_EXISTENCE_CHECK = 8,  // skip the check that makes a missing file a success
  YQ_DELETE_NO_GRANT = 16,           // skip granting delete permissions
};

/// An open file: a descriptor or a stdio stream (at most one of them), and the absolute name
/// it was opened under. The destructor closes whatever is open and ignores the result. After a
/// failed read, write or seek the file stays open; Close always forgets it. Not copyable; one
/// thread at a time.
///
///   CYqFile file;
///   CYqError err = file.Open("/var/lib/agent/state", O_RDONLY, 0);
///   if (err.Succeeded()) err = file.Read(buffer, sizeof buffer, &done);
class YQBASE_EXPORT CYqFile {
 public:
  typedef long long offset;

  CYqFile();
  ~CYqFile();
  CYqFile(const CYqFile&) = delete;
  CYqFile& operator=(const CYqFile&) = delete;

  /// Opens a descriptor (closing what is open first); flags and mode go to open64 unchanged.
  [[nodiscard]] CYqError Open(const char* name, int flags, int mode);
  /// The same; the last argument has no effect.
  [[nodiscard]] CYqError Open(const char* name, int flags, int mode, int unused);
  /// Opens a stdio stream with a mode such as "rb" or "a+".
  [[nodiscard]] CYqError Open(const char* name, const char* mode);

  /// Reads up to `size` bytes; fewer only at the end of the file. `*done` (if given) gets the
  /// count, also on failure. Neither a descriptor nor a stream open: Win32 error 6.
  [[nodiscard]] CYqError Read(void* buffer, unsigned size, unsigned* done);
  /// Writes all `size` bytes or fails; `*done` (if given) gets the count written.
  [[nodiscard]] CYqError Write(const void* buffer, unsigned size, unsigned* done);
  /// Moves the position (SEEK_SET, SEEK_CUR, SEEK_END); the new position in `*newPosition`.
  [[nodiscard]] CYqError Seek(offset distance, int whence, offset* newPosition);
  [[nodiscard]] CYqError Tell(offset& position);
  /// The size, found by seeking to the end and back.
  [[nodiscard]] CYqError Size(unsigned long long& size);
  /// Cuts or extends the file to `size` bytes; the position is kept.
  [[nodiscard]] CYqError Truncate(offset size);
  /// Flushes the stream's buffer and syncs the file to the device.
  [[nodiscard]] CYqError Flush();
  /// Whether the position is at (or past) the end.
  [[nodiscard]] CYqError IsEOF(bool& eof);

  /// Closes what is open and takes over `fd`, remembering the absolute form of `name`. The
  /// descriptor is adopted even when closing the old one fails (that failure is returned).
  [[nodiscard]] CYqError Attach(int fd, const char* name);
  /// Gives up the descriptor without closing it (read it with GetFD() first) and hands out
  /// the name. Without a descriptor: Win32 error 6.
  [[nodiscard]] CYqError Detach(CYqString* name);

  [[nodiscard]] CYqError Chmod(int mode);
  /// Times of the open file; null pointers are skipped.
  [[nodiscard]] CYqError GetTimes(time_t* access, time_t* modify, time_t* change);
  [[nodiscard]] CYqError GetTimes(CTimeStamp* access, CTimeStamp* modify, CTimeStamp* change);
  /// Sets access and modification times; a null one keeps its value. The change time cannot
  /// be set and is ignored.
  [[nodiscard]] CYqError SetTimes(time_t* access, time_t* modify, time_t* change);
  /// Closes the descriptor or stream; its failure is an errno-type error, and the file is
  /// forgotten either way.
  [[nodiscard]] CYqError Close();

  bool IsValid() const { return m_fd >= 0 || m_stream != nullptr; }
  int GetFD() const { return m_fd; }
  const CYqString& GetName() const { return m_name; }

  // ---- operations on names -------------------------------------------------------------

  [[nodiscard]] static CYqError Chmod(const char* name, int mode);
  [[nodiscard]] static CYqError GetTimes(const char* name, time_t* access, time_t* modify,
                                         time_t* change);
  [[nodiscard]] static CYqError GetTimes(const char* name, CTimeStamp* access, CTimeStamp* modify,
                                         CTimeStamp* change);
  [[nodiscard]] static CYqError SetTimes(const char* name, time_t* access, time_t* modify,
                                         time_t* change);
  /// stat of the name (links followed).
  [[nodiscard]] static CYqError Stat(const char* name, SYqFileStat& stat);
  /// Copies the bytes of `from` into `to` (created or truncated with mode 0777 before the
  /// umask). Copying a file onto itself fails with EINVAL and leaves it alone.
  [[nodiscard]] static CYqError Copy(const char* from, const char* to);
  /// The whole file in a new buffer of exactly `size` bytes (release it with delete[]). An
  /// empty file fails with Win32 error 4306 (ERROR_EMPTY).
  [[nodiscard]] static CYqError ReadWholeFile(const char* name, char** data, size_t& size);
  /// The whole file; an empty file fails with 4306, a short read with 13.
  [[nodiscard]] static CYqError ReadWholeFile(const char* name, std::string& content);
  /// Replaces the file's content (created with mode 0644 before the umask).
  [[nodiscard]] static CYqError WriteWholeFile(const std::string& name, const std::string& content);
  /// Deletes a file, read-only ones too; a missing file is a success. `flags` are the
  /// YQ_DELETE_ bits. Null or empty names fail with EINVAL.
  [[nodiscard]] static CYqError Delete(const char* name, DWORD flags);
  /// Delete with `makeWritable` choosing whether the file's mode may be changed to delete it.
  [[nodiscard]] static CYqError Delete(const char* name, bool makeWritable);
  /// No effect on this platform.
  [[nodiscard]] static CYqError EnableLongNamespace(const char* name);

 private:
  // The descriptor, or the stream's descriptor.
  int AnyFD() const { return m_fd >= 0 ? m_fd : ::fileno(m_stream); }
  // fstat of what is open; Win32 error 6 when nothing is.
  CYqError StatOpen(struct stat64& st) const;

  int m_fd;
  CYqString m_name;
  FILE* m_stream;
};
