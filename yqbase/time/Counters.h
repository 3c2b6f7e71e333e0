// FXCounter: named performance counters switched on by level and reported to the log; and
// CTimeCounter, a thread-safe accumulator of samples and time.
#pragma once

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>
#include <mutex>
#include <string>
#include <vector>

#include "yqbase/errors/YqExport.h"
#include "yqbase/threads/CriticalSection.h"
#include "yqbase/time/TimeStamp.h"

namespace FXCounter {

/// The level a counter is enabled at: it counts only when started at this level or above.
typedef int EnableAt;

/// The statistics of one counter as callers keep them between runs.
struct CounterData {
  unsigned long long data;     // bytes
  unsigned long long samples;  // completed samples
  LONGLONG totalTime;          // ticks
  LONGLONG startTime;          // ticks of the running sample's start
};

/// "1 B" below one byte, else "%.3lf B", "KB", "MB", "GB" or "TB" (1,024 per step).
YQBASE_EXPORT std::string AsDataValueDouble(double bytes);
template <typename T>
std::string AsDataValue(T bytes) {
  return AsDataValueDouble(static_cast<double>(bytes));
}
/// The rate of `bytes` over `milliseconds` per hour: "%.3f B/h" up to "TB/h" (each unit
/// 1,024 of the one before, used from 1,000 on); "N/A" for no time.
YQBASE_EXPORT std::string AsDataAverageDouble(double bytes, double milliseconds);

/// One named counter: samples, their total time and the bytes they moved. Shared by pointer;
/// one thread drives a counter at a time, and it is read (reported, saved) once that thread
/// has stopped it.
class YQBASE_EXPORT CounterBasic : public boost::enable_shared_from_this<CounterBasic> {
 public:
  CounterBasic(const std::string& name, EnableAt level);
  virtual ~CounterBasic();
  CounterBasic(const CounterBasic&) = delete;
  CounterBasic& operator=(const CounterBasic&) = delete;

  /// Starts a sample. Throws the C string "starting counter while already counting" when a
  /// sample is running already.
  virtual void start();
  /// Ends the running sample: a size of 0 or more counts it (time and bytes), a negative size
  /// discards it. Does nothing when no sample runs.
  virtual void stop(long long size);

  bool isCounting() const { return m_counting; }
  EnableAt getEnableLevel() const { return m_enableAt; }
  const std::string& getName() const { return m_name; }
  unsigned long long getSamples() const { return m_samples; }
  unsigned long long getData() const { return m_data; }
  CTimeInterval getTotalTime() const { return m_totalTime; }

  /// Copy the statistics out or in; a null pointer does nothing.
  void saveStatTo(CounterData* data) const;
  void restoreStatFrom(const CounterData* data);

  /// The report text: "[name] (enabledAtLevel N)" without samples, otherwise samples, time,
  /// the average per sample (or the data rate over long runs) and the data moved.
  std::string AsString() const;

 private:
  bool m_counting;
  EnableAt m_enableAt;
  unsigned long long m_data;
  unsigned long long m_samples;
  std::string m_name;
  CTimeInterval m_totalTime;
  CTimeStamp m_startTime;
};
typedef boost::shared_ptr<CounterBasic> CounterBasicPtr;

/// Drives a counter for one operation at a level: start, optionally setSize, stop. A started
/// wrapper that goes out of scope stops its sample. Not copyable; one thread at a time.
///
///   FXCounter::CounterWrapperPtr reads = manager->registerCounter("reads", 0, 2);
///   reads->start(level, 0); ... reads->setSize(bytes); reads->stop();
class YQBASE_EXPORT CounterWrapper {
 public:
  explicit CounterWrapper(const CounterBasicPtr& counter);
  virtual ~CounterWrapper();
  CounterWrapper(const CounterWrapper&) = delete;
  CounterWrapper& operator=(const CounterWrapper&) = delete;

  /// Ignored while started. Otherwise records the level and size and starts the counter when
  /// its enable level is at most `level`.
  virtual void start(EnableAt level, unsigned long long size = 0);
  /// Stops the counter with the recorded size if this wrapper started it.
  virtual void stop();
  void setSize(long long size) { m_size = size; }
  /// Whether the wrapper is started.
  bool end() const { return m_started; }

  void saveStatTo(CounterData* data) const;
  void restoreStatFrom(const CounterData* data);
  /// "prefix:counter text".
  std::string report(const std::string& prefix) const;
  const CounterBasicPtr& getCounter() const { return m_counter; }

 protected:
  EnableAt m_level;
  bool m_started;
  long long m_size;
  CounterBasicPtr m_counter;
};
typedef boost::shared_ptr<CounterWrapper> CounterWrapperPtr;

/// A wrapper that drives up to kMaxCounters counters together, for an operation that several
/// counters measure.
class YQBASE_EXPORT CountersWrapper : public CounterWrapper {
 public:
  static constexpr int kMaxCounters = 32;

  CountersWrapper();
  ~CountersWrapper() override;

  /// Adds a counter; false (nothing added) for a null one or when kMaxCounters are held.
  bool add(const CounterBasicPtr& counter);
  /// Starts every counter whose enable level is at most `level`; ignored while started.
  void start(EnableAt level, unsigned long long size = 0) override;
  /// Stops every counter this wrapper started, with the recorded size.
  void stop() override;
  int getCount() const { return m_count; }

 private:
  CounterBasicPtr m_counters[kMaxCounters];
  int m_count;
};

/// The process's register of counters. Get() hands out the live manager or makes a new one;
/// the manager lives as long as someone holds it. Registration and reports are thread-safe.
class YQBASE_EXPORT CountersManager {
 public:
  static boost::shared_ptr<CountersManager> Get();
  ~CountersManager();
  CountersManager(const CountersManager&) = delete;
  CountersManager& operator=(const CountersManager&) = delete;

  /// A new counter named `name`, enabled at `level`, and a wrapper driving it; both stay in
  /// the manager's lists until releaseAll. `group` is a caller's tag, kept with nothing else.
  CounterWrapperPtr registerCounter(const std::string& name, int group, EnableAt level);
  /// Logs every registered counter: used counters with data first, then those without data,
  /// then (at debug levels above 1) the unused ones.
  void reportAll();
  /// Forgets every registered counter and wrapper; callers' pointers stay valid.
  void releaseAll();

  /// The level printed in the report's title; 0 unless set.
  void setLevel(int level) { m_level = level; }
  int getLevel() const { return m_level; }

 private:
  CountersManager();

  std::mutex m_lock;
  int m_level;
  std::vector<CounterBasicPtr> _counters;
  std::vector<CounterWrapperPtr> _wrappers;
};
typedef boost::shared_ptr<CountersManager> CountersManagerPtr;

}  // namespace FXCounter

/// Samples and total time, shared between threads: every call holds this counter's lock (and
/// the other counter's while reading it). Copies take a snapshot.
class YQBASE_EXPORT CTimeCounter : public FXCriticalSection {
 public:
  CTimeCounter();
  CTimeCounter(CTimeInterval time, long long samples);
  CTimeCounter(const CTimeCounter& other);
  CTimeCounter& operator=(const CTimeCounter& other);
  ~CTimeCounter() override;

  /// One more sample of `time`.
  CTimeCounter operator+(const CTimeInterval& time) const;
  CTimeCounter& operator+=(const CTimeInterval& time);
  /// The other counter's samples and time added.
  CTimeCounter operator+(const CTimeCounter& other) const;
  CTimeCounter& operator+=(const CTimeCounter& other);
  /// Time added or taken away; the sample count stays.
  void AddTime(const CTimeInterval& time);
  void RemoveTime(const CTimeInterval& time);
  void AddTime(const CTimeCounter& other);
  void RemoveTime(const CTimeCounter& other);

  CTimeInterval GetTotalTime() const;
  long long GetTotalSamples() const;

  /// "R/second, N samples, A average, T total" with the interval texts of the average sample
  /// and the total time; "0/second" and a zero average without time or samples.
  std::string AsString() const;

 private:
  // Reads both values of `other` under its lock.
  static void Snapshot(const CTimeCounter& other, long long& samples, CTimeInterval& time);
  // Adds `samples` and `time` under this counter's lock.
  void Add(long long samples, CTimeInterval time);

  long long m_samples;
  CTimeInterval m_totalTime;
};
