#include "yqbase/time/Counters.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "yqbase/logging/LogWriter_testutil.h"

using namespace FXCounter;

namespace {

constexpr LONGLONG kMs = CTimeInterval::kTicksPerMillisecond;

// A counter holding the given statistics, as a caller restores them.
CounterBasicPtr Counter(const char* name, EnableAt level, unsigned long long samples,
                        unsigned long long data, LONGLONG ticks) {
  CounterBasicPtr counter(new CounterBasic(name, level));
  CounterData stat = {data, samples, ticks, 0};
  counter->restoreStatFrom(&stat);
  return counter;
}

std::vector<std::string> Texts(yqtest::CRecordingWriter& writer) {
  std::vector<std::string> texts;
  for (const yqtest::SRecordedLine& line : writer.Lines())
    texts.push_back(std::to_string(line.level) + "|" + line.text);
  return texts;
}

}  // namespace

TEST(FXCounter, DataValueAndRateTexts) {
  const double kKB = 1024, kTB = kKB * kKB * kKB * kKB;
  const struct {
    double bytes, milliseconds;
    const char* value;
    const char* rate;
  } cases[] = {
      {0, 0, "1 B", "N/A"},  // below one byte reads as one; no time has no rate
      {0.5, 3600000, "1 B", "0.500 B/h"},
      {1023, 3600000, "1023.000 B", "0.999 KB/h"},  // the rate steps up at 1,000
      {1536, 3600000, "1.500 KB", "1.500 KB/h"},
      {3 * kKB * kKB * kKB, 1800000, "3.000 GB", "6.000 GB/h"},
      {2048 * kTB, 3600000, "2048.000 TB", "2048.000 TB/h"},  // terabytes are the last unit
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(c.value, AsDataValueDouble(c.bytes));
    EXPECT_EQ(c.rate, AsDataAverageDouble(c.bytes, c.milliseconds));
  }
  EXPECT_EQ("1.500 KB", AsDataValue(1536ULL));
}

TEST(FXCounter, CounterTextPicksUnitAndForm) {
  const struct {
    unsigned long long samples, data;
    LONGLONG ticks;
    const char* text;
  } cases[] = {
      {0, 0, 0, "[c] (enabledAtLevel 3)"},
      {3600, 0, 3600 * kMs, "[c] Samples[3600] Time[0:03.600000] Average[1.000 msec/sample]"},
      {2, 0, 3000 * kMs, "[c] Samples[2] Time[0:03.000000] Average[1.500 sec/sample]"},
      {1, 0, 90000 * kMs, "[c] Samples[1] Time[1:30.000000] Average[1.500 min/sample]"},
      {1, 0, 7200000 * kMs, "[c] Samples[1] Time[120:00.000000] Average[2.000 hour/sample]"},
      {4, 1536, 2 * kMs,
       "[c] Samples[4] Time[0:00.002000] Average[0.500 msec/sample] Data[1.500 KB] [-G/H]"},
      {1, 2048, 5000 * kMs,
       "[c] Samples[1] Time[0:05.000000] Average[5.000 sec/sample] Data[2.000 KB]"},
      // From 10 seconds of total time on, data counters report a rate per hour.
      {10, 10240, 10000 * kMs,
       "[c] Samples[10] Data[10.000 KB] Time[0:10.000000] Average[3.516 MB/h]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.text, Counter("c", 3, c.samples, c.data, c.ticks)->AsString());
  }
}

TEST(FXCounter, StartTwiceThrowsAndStopWithoutStartIsIgnored) {
  CounterBasic counter("c", 0);
  counter.stop(10);
  counter.start();
  try {
    counter.start();
    ADD_FAILURE() << "no exception";
  } catch (const char* text) {
    EXPECT_STREQ("starting counter while already counting", text);
  }
  counter.stop(-1);  // discarded
  EXPECT_FALSE(counter.isCounting());
  EXPECT_EQ(0u, counter.getSamples());
}

TEST(FXCounter, WrappersCountOnlyAtOrAboveTheEnableLevel) {
  CounterBasicPtr counter(new CounterBasic("c", 2)), other(new CounterBasic("o", 9));
  CounterWrapper wrapper(counter);
  const struct {
    EnableAt level;
    unsigned long long samples;
  } rows[] = {{1, 0}, {2, 1}, {5, 2}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.level);
    wrapper.start(row.level, 100);
    wrapper.start(row.level, 100);  // ignored while started, so the counter never throws
    wrapper.setSize(3);
    wrapper.stop();
    EXPECT_EQ(row.samples, counter->getSamples());
    EXPECT_EQ(3 * row.samples, counter->getData());
  }
  {
    CountersWrapper group;
    EXPECT_TRUE(group.add(counter) && group.add(other));
    for (int i = 2; i < CountersWrapper::kMaxCounters; ++i) group.add(other);
    EXPECT_FALSE(group.add(other));  // the 33rd
    group.start(2, 1);
    EXPECT_FALSE(other->isCounting());
  }  // going out of scope ends the sample
  EXPECT_FALSE(counter->isCounting());
  EXPECT_EQ(3u, counter->getSamples());
  EXPECT_EQ("p:" + counter->AsString(), wrapper.report("p"));
}

TEST(FXCounter, SaveAndRestoreRoundTripAndLogAboveLevel5) {
  yqtest::CScopedCaptureLog capture(6);
  CounterData stat = {};
  Counter("s", 0, 4, 99, 123)->saveStatTo(&stat);
  CounterWrapper target(CounterBasicPtr(new CounterBasic("t", 0)));
  target.restoreStatFrom(&stat);
  target.restoreStatFrom(nullptr);
  EXPECT_EQ("p:[t] Samples[4] Time[0:00.000012] Average[0.000 msec/sample] Data[99.000 B] [-G/H]",
            target.report("p"));
  EXPECT_EQ((std::vector<std::string>{"6|rest [s] count:4 data:99", "6|saved [s] count:4 data:99",
                                      "6|rest [t] count:4 data:99"}),
            Texts(capture.Writer()));
}

TEST(CountersManager, ReportGroupsCountersAndListsUnusedOnlyAboveLevel1) {
  CountersManagerPtr manager = CountersManager::Get();
  EXPECT_EQ(manager, CountersManager::Get());
  manager->releaseAll();
  CounterWrapperPtr plain = manager->registerCounter("plain", 0, 0);
  CounterWrapperPtr data = manager->registerCounter("data", 0, 0);
  CounterWrapperPtr unused = manager->registerCounter("unused", 0, 2);
  for (const CounterWrapperPtr& w : {plain, data, unused}) {
    w->start(1, w == data ? 10 : 0);
    w->stop();
  }
  for (int level : {1, 2}) {
    SCOPED_TRACE(level);
    yqtest::CScopedCaptureLog capture(level);
    manager->reportAll();
    std::vector<std::string> expected = {"0|Performance Counters (Level 0",
                                         "0| {PFC} " + data->getCounter()->AsString(), "0| {PFC}",
                                         "0| {PFC} " + plain->getCounter()->AsString()};
    if (level > 1) {
      expected.push_back("2|Unused Performance Counters:");
      expected.push_back("2| {PFC} [unused] (enabledAtLevel 2)");
    }
    EXPECT_EQ(expected, Texts(capture.Writer()));
  }
  manager->releaseAll();
}

TEST(CTimeCounter, ArithmeticAndText) {
  CTimeCounter one;
  EXPECT_EQ("0/second, 0 samples, 0:00.000000 average, 0:00.000000 total", one.AsString());
  one += CTimeInterval::FromMilliseconds(300);
  const CTimeCounter two = one + CTimeInterval::FromMilliseconds(700);
  EXPECT_EQ("2/second, 2 samples, 0:00.500000 average, 0:01.000000 total", two.AsString());
  CTimeCounter sum = two + CTimeCounter(CTimeInterval::FromSeconds(1), 8);
  sum.RemoveTime(two);                         // 1 s
  sum.AddTime(CTimeInterval::FromSeconds(4));  // 5 s
  sum.RemoveTime(CTimeInterval::FromSeconds(1));
  sum.AddTime(one);
  EXPECT_EQ(10, sum.GetTotalSamples());
  EXPECT_EQ(CTimeInterval::FromMilliseconds(4300), sum.GetTotalTime());
  sum = two;
  sum += sum;  // adding itself doubles
  EXPECT_EQ("2/second, 4 samples, 0:00.500000 average, 0:02.000000 total", sum.AsString());
}

// Lost updates or a lock-order deadlock would show here: threads add to one counter and add
// two counters to each other at once.
TEST(CTimeCounter, ConcurrentAddsAreNotLost) {
  CTimeCounter total, a(CTimeInterval(1), 1), b(CTimeInterval(1), 1);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        total += CTimeInterval(3);
        if (i < 10) (t % 2 == 0 ? a : b) += (t % 2 == 0 ? b : a);
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(8000, total.GetTotalSamples());
  EXPECT_EQ(CTimeInterval(24000), total.GetTotalTime());
}
