#include "yqbase/utilities/FileBasedLock.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <boost/date_time/gregorian/gregorian_types.hpp>
#include <boost/date_time/posix_time/posix_time_types.hpp>
#include <boost/interprocess/exceptions.hpp>
#include <boost/interprocess/sync/file_lock.hpp>
#include <boost/interprocess/sync/spin/wait.hpp>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/FileOperations.h"
#include "yqbase/files/YqPath.h"
#include "yqbase/logging/LogWriterInterface.h"

namespace {

// The holder of boost's count, filled when the library is loaded, so that no waiting thread
// pays for sysconf; it gives 1 when sysconf yields less.
const unsigned g_processorCount = boost::interprocess::ipcdetail::num_core_holder<0>::get();

// The latest time a ptime holds (the end of 9999) in ticks since 1601.
constexpr LONGLONG kLastPtimeTicks = CTimeStamp::kPosixEpoch + 253402300799LL * 10000000LL;

// The deadline as a boost time: "never" past the last ptime, 1970 for anything earlier (a
// deadline that has passed). Built from days so that no part overflows a 32-bit long.
boost::posix_time::ptime ToPtime(CTimeStamp deadline) {
  if (deadline.GetValue() > kLastPtimeTicks) return boost::posix_time::pos_infin;
  const LONGLONG ticks = deadline.GetValue() > CTimeStamp::kPosixEpoch
                             ? deadline.GetValue() - CTimeStamp::kPosixEpoch
                             : 0;
  const LONGLONG inDay = ticks % CTimeInterval::kTicksPerDay;
  return boost::posix_time::ptime(
      boost::gregorian::date(1970, 1, 1) +
          boost::gregorian::days(static_cast<long>(ticks / CTimeInterval::kTicksPerDay)),
      boost::posix_time::seconds(static_cast<long>(inDay / CTimeInterval::kTicksPerSecond)) +
          boost::posix_time::microseconds((inDay % CTimeInterval::kTicksPerSecond) / 10));
}

}  // namespace

/// The open lock file, closed with the last reference.
class FXFileBasedLockPrivate {
 public:
  boost::interprocess::file_lock lock;  // no descriptor while openError is set
  CYqError openError;
};

FXFileBasedLock::FXFileBasedLock(const std::string& path)
    : m_holder(0), m_private(new FXFileBasedLockPrivate()) {
  std::string native;
  CYqError err = FXPath::MakeNativePath(path, native);
  if (err.Failed()) {
    m_private->openError = err.Push(YQ_LOC, "lock file [%s]", path.c_str());
    return;
  }
  if (!FXFile::DoesFileExist(path)) {
    // Created without truncation: a file that appears meanwhile keeps its contents.
    const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
      m_private->openError =
          FXErrorUtil::ErrorErrNo(YQ_LOC, errno, "creating lock file [%s]", path.c_str());
      return;
    }
    ::close(fd);
  }
  try {
    boost::interprocess::file_lock opened(native.c_str());
    m_private->lock.swap(opened);
  } catch (const boost::interprocess::interprocess_exception& e) {
    m_private->openError = FXErrorUtil::ErrorErrNo(YQ_LOC, e.get_native_error(),
                                                   "opening lock file [%s]", path.c_str());
  }
}

FXFileBasedLock::~FXFileBasedLock() = default;

CYqError FXFileBasedLock::GetOpenError() const { return m_private->openError; }

unsigned FXFileBasedLock::GetProcessorCount() { return g_processorCount; }

bool FXFileBasedLock::TryLock() {
  try {
    if (m_private->openError.Failed()) {
      YQ_LOG_FAILURE("TryLock exception, error=[%s]", m_private->openError.AsString().c_str());
      return false;
    }
    if (!m_private->lock.try_lock()) return false;
    m_holder.store(pthread_self(), std::memory_order_relaxed);
    return true;
  } catch (const boost::interprocess::interprocess_exception& e) {
    YQ_LOG_FAILURE("TryLock exception, error=[%s]", e.what());
    return false;
  }
}

bool FXFileBasedLock::TryLock(CTimeInterval timeout) {
  if (timeout.GetValue() == CTimeInterval::kInfinite) return Lock() == 0;
  try {
    if (m_private->openError.Failed()) {
      YQ_LOG_FAILURE("TryLock exception, error=[%s]", m_private->openError.AsString().c_str());
      return false;
    }
    if (!m_private->lock.timed_lock(ToPtime(CTimeStamp::Now() + timeout))) return false;
    m_holder.store(pthread_self(), std::memory_order_relaxed);
    return true;
  } catch (const std::exception& e) {  // the lock's and the date library's
    YQ_LOG_FAILURE("TryLock exception, error=[%s]", e.what());
    return false;
  }
}

int FXFileBasedLock::Lock() {
  if (m_private->openError.Failed()) {
    const int code = FXErrorUtil::GetErrNo(m_private->openError);
    YQ_LOG_FAILURE("Lock exception, error=[%s]", m_private->openError.AsString().c_str());
    return code != 0 && code != 0xFFFF ? code : EBADF;
  }
  try {
    m_private->lock.lock();
  } catch (const boost::interprocess::interprocess_exception& e) {
    YQ_LOG_FAILURE("Lock exception, error=[%s]", e.what());
    return e.get_native_error() != 0 ? e.get_native_error() : EIO;
  }
  m_holder.store(pthread_self(), std::memory_order_relaxed);
  return 0;
}

int FXFileBasedLock::Unlock() {
  m_holder.store(0, std::memory_order_relaxed);
  if (m_private->openError.Failed()) return EBADF;
  try {
    m_private->lock.unlock();
  } catch (const boost::interprocess::interprocess_exception& e) {
    YQ_LOG_FAILURE("Unlock exception, error=[%s]", e.what());
    return e.get_native_error() != 0 ? e.get_native_error() : EIO;
  }
  return 0;
}
