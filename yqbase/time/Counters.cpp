#include "yqbase/time/Counters.h"

#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/StringExtensions.h"

namespace FXCounter {

namespace {

// Report lines go out unguarded at level 0: a report is asked for explicitly.
#define YQ_COUNTER_REPORT(...)                                                          \
  do {                                                                                  \
    CLogWriterInterface* yqWriter_ = g_ptrLogWriter.get();                              \
    if (yqWriter_ != nullptr)                                                           \
      yqWriter_->LogMessage(0, __PRETTY_FUNCTION__, __LINE__, 0, nullptr, __VA_ARGS__); \
  } while (0)

const char* const kUnits[] = {"B", "KB", "MB", "GB", "TB"};
constexpr int kLastUnit = 4;

}  // namespace

std::string AsDataValueDouble(double bytes) {
  if (bytes < 1) return "1 B";
  int unit = 0;
  while (bytes >= 1024 && unit < kLastUnit) {
    bytes /= 1024;
    ++unit;
  }
  return FXString::Format("%.3lf %s", bytes, kUnits[unit]);
}

std::string AsDataAverageDouble(double bytes, double milliseconds) {
  if (milliseconds == 0) return "N/A";
  double perHour = bytes * 3600000.0 / milliseconds;
  int unit = 0;
  while (perHour >= 1000 && unit < kLastUnit) {
    perHour /= 1024;
    ++unit;
  }
  return FXString::Format("%.3f %s/h", perHour, kUnits[unit]);
}

CounterBasic::CounterBasic(const std::string& name, EnableAt level)
    : m_counting(false), m_enableAt(level), m_data(0), m_samples(0), m_name(name) {}

CounterBasic::~CounterBasic() = default;

void CounterBasic::start() {
  if (m_counting) throw "starting counter while already counting";
  m_counting = true;
  m_startTime = CTimeStamp::Now();
}

void CounterBasic::stop(long long size) {
  if (!m_counting) return;
  if (size >= 0) {
    ++m_samples;
    m_totalTime += CTimeStamp::Now() - m_startTime;
    m_data += static_cast<unsigned long long>(size);
  }
  m_counting = false;
}

void CounterBasic::saveStatTo(CounterData* data) const {
  if (data == nullptr) return;
  data->data = m_data;
  data->samples = m_samples;
  data->totalTime = m_totalTime.GetValue();
  data->startTime = m_startTime.GetValue();
  YQ_TRACE(6, "saved [%s] count:%llu data:%llu", m_name.c_str(), m_samples, m_data);
}

void CounterBasic::restoreStatFrom(const CounterData* data) {
  if (data == nullptr) return;
  m_data = data->data;
  m_samples = data->samples;
  m_totalTime = CTimeInterval(data->totalTime);
  m_startTime = CTimeStamp(data->startTime);
  YQ_TRACE(6, "rest [%s] count:%llu data:%llu", m_name.c_str(), m_samples, m_data);
}

std::string CounterBasic::AsString() const {
  const char* name = m_name.c_str();
  if (m_samples == 0) return FXString::Format("[%s] (enabledAtLevel %d)", name, m_enableAt);
  const std::string time = m_totalTime.AsString();
  const LONGLONG milliseconds = m_totalTime.GetMilliseconds();
  const std::string data = AsDataValue(m_data);
  if (m_data != 0 && milliseconds >= 10000)
    return FXString::Format(
        "[%s] Samples[%llu] Data[%s] Time[%s] Average[%s]", name, m_samples, data.c_str(),
        time.c_str(),
        AsDataAverageDouble(static_cast<double>(m_data), static_cast<double>(milliseconds))
            .c_str());

  // Average per sample in the largest unit that keeps it below the next step.
  static const char* const kPlain[] = {"[%s] Samples[%llu] Time[%s] Average[%.3lf msec/sample]",
                                       "[%s] Samples[%llu] Time[%s] Average[%.3lf sec/sample]",
                                       "[%s] Samples[%llu] Time[%s] Average[%.3lf min/sample]",
                                       "[%s] Samples[%llu] Time[%s] Average[%.3lf hour/sample]"};
  static const char* const kWithData[] = {
      "[%s] Samples[%llu] Time[%s] Average[%.3lf msec/sample] Data[%s] [-G/H]",
      "[%s] Samples[%llu] Time[%s] Average[%.3lf sec/sample] Data[%s]",
      "[%s] Samples[%llu] Time[%s] Average[%.3lf min/sample] Data[%s]",
      "[%s] Samples[%llu] Time[%s] Average[%.3lf hour/sample] Data[%s]"};
  static const double kStep[] = {1000, 60, 60};
  double average = static_cast<double>(milliseconds) / static_cast<double>(m_samples);
  int unit = 0;
  while (unit < 3 && average >= kStep[unit]) average /= kStep[unit++];
  if (m_data == 0) return FXString::Format(kPlain[unit], name, m_samples, time.c_str(), average);
  return FXString::Format(kWithData[unit], name, m_samples, time.c_str(), average, data.c_str());
}

CounterWrapper::CounterWrapper(const CounterBasicPtr& counter)
    : m_level(0), m_started(false), m_size(0), m_counter(counter) {}

CounterWrapper::~CounterWrapper() {
  // Only this class's own sample: a derived wrapper has stopped its counters already.
  if (m_started && m_counter && m_counter->getEnableLevel() <= m_level) m_counter->stop(m_size);
}

void CounterWrapper::start(EnableAt level, unsigned long long size) {
  if (m_started) return;
  m_level = level;
  m_size = static_cast<long long>(size);
  if (m_counter && m_counter->getEnableLevel() <= level) m_counter->start();
  m_started = true;
}

void CounterWrapper::stop() {
  if (!m_started) return;
  if (m_counter && m_counter->getEnableLevel() <= m_level) m_counter->stop(m_size);
  m_started = false;
}

void CounterWrapper::saveStatTo(CounterData* data) const {
  if (m_counter) m_counter->saveStatTo(data);
}

void CounterWrapper::restoreStatFrom(const CounterData* data) {
  if (m_counter) m_counter->restoreStatFrom(data);
}

std::string CounterWrapper::report(const std::string& prefix) const {
  return FXString::Format("%s:%s", prefix.c_str(), m_counter ? m_counter->AsString().c_str() : "");
}

CountersWrapper::CountersWrapper() : CounterWrapper(CounterBasicPtr()), m_count(0) {}

CountersWrapper::~CountersWrapper() { stop(); }

bool CountersWrapper::add(const CounterBasicPtr& counter) {
  if (!counter || m_count >= kMaxCounters) return false;
  m_counters[m_count++] = counter;
  return true;
}

void CountersWrapper::start(EnableAt level, unsigned long long size) {
  if (m_started) return;
  m_level = level;
  m_size = static_cast<long long>(size);
  for (int i = 0; i < m_count; ++i)
    if (m_counters[i]->getEnableLevel() <= level) m_counters[i]->start();
  m_started = true;
}

void CountersWrapper::stop() {
  if (!m_started) return;
  for (int i = 0; i < m_count; ++i)
    if (m_counters[i]->getEnableLevel() <= m_level) m_counters[i]->stop(m_size);
  m_started = false;
}

namespace {
std::mutex g_managerLock;
boost::weak_ptr<CountersManager> g_manager;
}  // namespace

CountersManager::CountersManager() : m_level(0) {}

CountersManager::~CountersManager() = default;

boost::shared_ptr<CountersManager> CountersManager::Get() {
  std::lock_guard<std::mutex> guard(g_managerLock);
  boost::shared_ptr<CountersManager> manager = g_manager.lock();
  if (!manager) {
    manager.reset(new CountersManager());
    g_manager = manager;
  }
  return manager;
}

CounterWrapperPtr CountersManager::registerCounter(const std::string& name, int /*group*/,
                                                   EnableAt level) {
  CounterBasicPtr counter(new CounterBasic(name, level));
  CounterWrapperPtr wrapper(new CounterWrapper(counter));
  std::lock_guard<std::mutex> guard(m_lock);
  _counters.push_back(counter);
  _wrappers.push_back(wrapper);
  return wrapper;
}

void CountersManager::reportAll() {
  std::lock_guard<std::mutex> guard(m_lock);
  YQ_COUNTER_REPORT("Performance Counters (Level %d", m_level);
  for (const CounterBasicPtr& c : _counters)
    if (c->getSamples() != 0 && c->getData() != 0)
      YQ_COUNTER_REPORT(" {PFC} %s", c->AsString().c_str());
  YQ_COUNTER_REPORT(" {PFC}");
  for (const CounterBasicPtr& c : _counters)
    if (c->getSamples() != 0 && c->getData() == 0)
      YQ_COUNTER_REPORT(" {PFC} %s", c->AsString().c_str());
  YQ_TRACE(2, "Unused Performance Counters:");
  for (const CounterBasicPtr& c : _counters)
    if (c->getSamples() == 0) YQ_TRACE(2, " {PFC} %s", c->AsString().c_str());
}

void CountersManager::releaseAll() {
  std::lock_guard<std::mutex> guard(m_lock);
  _wrappers.clear();
  _counters.clear();
}

}  // namespace FXCounter

CTimeCounter::CTimeCounter() : m_samples(0) {}

CTimeCounter::CTimeCounter(CTimeInterval time, long long samples)
    : m_samples(samples), m_totalTime(time) {}

CTimeCounter::CTimeCounter(const CTimeCounter& other) : FXCriticalSection(), m_samples(0) {
  Snapshot(other, m_samples, m_totalTime);
}

CTimeCounter& CTimeCounter::operator=(const CTimeCounter& other) {
  long long samples = 0;
  CTimeInterval time;
  Snapshot(other, samples, time);
  auto_lock guard(this);
  m_samples = samples;
  m_totalTime = time;
  return *this;
}

CTimeCounter::~CTimeCounter() = default;

void CTimeCounter::Snapshot(const CTimeCounter& other, long long& samples, CTimeInterval& time) {
  auto_lock guard(const_cast<CTimeCounter*>(&other));
  samples = other.m_samples;
  time = other.m_totalTime;
}

void CTimeCounter::Add(long long samples, CTimeInterval time) {
  auto_lock guard(this);
  m_samples += samples;
  m_totalTime += time;
}

CTimeCounter CTimeCounter::operator+(const CTimeInterval& time) const {
  CTimeCounter sum(*this);
  sum += time;
  return sum;
}

CTimeCounter& CTimeCounter::operator+=(const CTimeInterval& time) {
  Add(1, time);
  return *this;
}

CTimeCounter CTimeCounter::operator+(const CTimeCounter& other) const {
  CTimeCounter sum(*this);
  sum += other;
  return sum;
}

// The other counter is read before this one is locked, so two threads adding two counters to
// each other never wait on each other's locks.
CTimeCounter& CTimeCounter::operator+=(const CTimeCounter& other) {
  long long samples = 0;
  CTimeInterval time;
  Snapshot(other, samples, time);
  Add(samples, time);
  return *this;
}

void CTimeCounter::AddTime(const CTimeInterval& time) { Add(0, time); }

void CTimeCounter::RemoveTime(const CTimeInterval& time) { Add(0, -time); }

void CTimeCounter::AddTime(const CTimeCounter& other) { AddTime(other.GetTotalTime()); }

void CTimeCounter::RemoveTime(const CTimeCounter& other) { RemoveTime(other.GetTotalTime()); }

CTimeInterval CTimeCounter::GetTotalTime() const {
  long long samples = 0;
  CTimeInterval time;
  Snapshot(*this, samples, time);
  return time;
}

long long CTimeCounter::GetTotalSamples() const {
  long long samples = 0;
  CTimeInterval time;
  Snapshot(*this, samples, time);
  return samples;
}

std::string CTimeCounter::AsString() const {
  long long samples = 0;
  CTimeInterval time;
  Snapshot(*this, samples, time);
  const long long perSecond =
      time.GetValue() > 0
          ? static_cast<long long>(static_cast<double>(samples) * CTimeInterval::kTicksPerSecond /
                                   static_cast<double>(time.GetValue()))
          : 0;
  const CTimeInterval average(samples > 0 ? time.GetValue() / samples : 0);
  return FXString::Format("%lld/second, %lld samples, %s average, %s total", perSecond, samples,
                          average.AsString().c_str(), time.AsString().c_str());
}
