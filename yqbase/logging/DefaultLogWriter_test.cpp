#include "yqbase/logging/DefaultLogWriter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <boost/make_shared.hpp>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "yqbase/logging/Logging_testutil.h"
#include "yqbase/logging/YqLogger.h"

using namespace yqtest;

namespace {

std::string LastRest(const std::string& path) {
  const std::vector<std::string> lines = ReadLines(path);
  return lines.empty() ? "<none>" : Rest(lines.back());
}

// "level|function|line|jobId|tag|text" of every line.
std::vector<std::string> Summaries(CRecordingWriter& writer) {
  std::vector<std::string> summaries;
  for (const SRecordedLine& l : writer.Lines())
    summaries.push_back(std::to_string(l.level) + "|" + l.function + "|" + std::to_string(l.line) +
                        "|" + std::to_string(l.jobId) + "|" + l.tag + "|" + l.text);
  return summaries;
}

}  // namespace

// Named, because the compilers spell the anonymous namespace differently.
namespace loggertest {
void Traced(const std::string& path) { YQ_TRACE(1, "tracing %s", path.c_str()); }
const unsigned kTracedLine = __LINE__ - 1;
}  // namespace loggertest

TEST(CLogWriterNull, IsInstalledAtLoadAndDiscardsEverything) {
  ASSERT_NE(nullptr, dynamic_cast<CLogWriterNull*>(g_ptrLogWriter.get()));
  g_ptrLogWriter->SetDebugLevel(5);
  EXPECT_EQ(0, g_ptrLogWriter->GetDebugLevel());
  EXPECT_EQ(0xFFFFu, g_ptrLogWriter->GetDebugMask());
  g_ptrLogWriter->LogMessage(-1, "f", 1, 0, nullptr, "%s", "dropped");
  EXPECT_NE(CreateNullLogWriter().get(), CreateNullLogWriter().get());
}

TEST(YQ_TRACE, RespectsTheWritersLevelAndNamesTheFunction) {
  CTempDir dir;
  boost::shared_ptr<CLogWriterInterface> writer = CreateDefaultLogWriter("agent", dir.Path());
  EXPECT_EQ(1, writer->GetDebugLevel());
  EXPECT_TRUE(writer->Initialize().Succeeded());
  {
    CScopedWriter scope(writer);
    loggertest::Traced("/data");
    writer->SetDebugLevel(0);
    loggertest::Traced("/hidden");
    YQ_LOG_FAILURE("failed %d", 3);
  }
  const unsigned failureLine = __LINE__ - 2;
  const std::vector<std::string> lines = ReadLines(dir.Path() + "agent.log");
  ASSERT_TRUE(StartsWithHeader(ReadFile(dir.Path() + "agent.log")));
  ASSERT_GE(lines.size(), 2u);
  // Job id 0 prints the "#" column.
  EXPECT_EQ(
      "### loggertest::Traced(" + std::to_string(loggertest::kTracedLine) + ") - [ ] tracing /data",
      Rest(lines[lines.size() - 2]));
  EXPECT_EQ("### YQ_TRACE_RespectsTheWritersLevelAndNamesTheFunction_Test::TestBody(" +
                std::to_string(failureLine) + ") - [ ] failed 3",
            Rest(lines.back()));

  writer->SetDebugLevel(2);
  writer->LogMessage(2, "f", 1, 3, "TAG", "now %s", "written");
  EXPECT_EQ("3   f(1) - TAG now written", LastRest(dir.Path() + "agent.log"));
}

TEST(CDefaultLogWriter, FlagsAndTheDefaultFolder) {
  CTempDir dir;
  CreateDefaultLogWriter("plain", dir.Path(), false, false)
      ->LogMessage(1, "", 0, 0, nullptr, "no placeholders");
  EXPECT_EQ("### no placeholders", LastRest(dir.Path() + "plain.log"));

  // The module name alone writes "/tmp/<module>.log"; the name is unique to this run.
  const std::string module = "yqbase_writer_test_" + std::to_string(getpid());
  CreateDefaultLogWriter(module.c_str())->LogMessage(1, "", 0, 0, nullptr, "hello");
  EXPECT_EQ("### () - [ ] hello", LastRest("/tmp/" + module + ".log"));
  std::remove(("/tmp/" + module + ".log").c_str());
  std::remove(("/tmp/locks/" + module + ".log").c_str());
  boost::shared_ptr<CLogWriterInterface> emptyPath = CreateDefaultLogWriter(module, "");
  EXPECT_EQ("/tmp/" + module + ".log",
            static_cast<CYqLoggerWrapper*>(emptyPath.get())->GetLogger()->GetLogFilePath());
}

// A writer whose logger cannot start says so and drops every line.
TEST(CDefaultLogWriter, FailedInitializeIsReportedAndTheWriterStaysUsable) {
  auto recorder = boost::make_shared<CRecordingWriter>();
  boost::shared_ptr<CLogWriterInterface> writer;
  {
    CScopedWriter scope(recorder);
    writer = CreateDefaultLogWriter("");
  }
  const std::vector<std::string> lines = Summaries(*recorder);
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(0u, lines[0].find("-1|CDefaultLogWriter::CDefaultLogWriter(const char*)|50|0|<null>|"
                              "Initialize failed, error=0x80070057:"));
  EXPECT_TRUE(Contains(lines[0], "AppName empty"));
  EXPECT_FALSE(static_cast<CYqLoggerWrapper*>(writer.get())->GetLogger()->IsInitialized());
  writer->LogMessage(-1, "f", 1, 0, nullptr, "dropped");
}

TEST(CYqLoggerWrapper, ForwardsToTheLoggerItWraps) {
  CYqLoggerWrapper empty(nullptr);
  empty.SetDebugLevel(3);
  EXPECT_EQ(0, empty.GetDebugLevel());
  empty.LogMessage(1, "f", 1, 0, nullptr, "nowhere");

  CTempDir dir;
  CYqLogger logger;
  ASSERT_TRUE(logger.Initialize("wrapped", dir.Path(), 2, false, false).Succeeded());
  {
    CYqLoggerWrapper wrapper(&logger);
    wrapper.SetDebugLevel(4);
    EXPECT_EQ(4, logger.GetDebugLevel());
    wrapper.LogMessage(4, "f", 2, static_cast<unsigned long long>(CYqLogger::kNoJobId), nullptr,
                       "no job");
    EXPECT_EQ("--- f(2) - no job", LastRest(logger.GetLogFilePath()));
  }
  // The wrapper does not own the logger.
  logger.LogMessage(1, "g", 3, nullptr, "still here");
  EXPECT_EQ("--- g(3) - still here", LastRest(logger.GetLogFilePath()));
}

TEST(ZKDebugFunction, EntryExitActivityObjectAndTiming) {
  auto recorder = boost::make_shared<CRecordingWriter>();
  {
    ZKDebugFunction trace(recorder, "void CFoo::Bar(int)", 12, 2, 7, ZKDebugFunction::kNoActivity,
                          "value=%d", 5);
    ZKDebugFunction silent(boost::shared_ptr<CLogWriterInterface>(), "f", 1, 1, 0,
                           ZKDebugFunction::kNoActivity, "x");
    EXPECT_EQ(1u, recorder->Lines().size());
  }
  EXPECT_EQ((std::vector<std::string>{"2|void CFoo::Bar(int)|12|7|<null>|+++ value=5",
                                      "2|void CFoo::Bar(int)|12|7|<null>|--- value=5"}),
            Summaries(*recorder));

  recorder->lines.clear();
  {
    ZKDebugFunction trace(recorder, ZKDebugFunction::kFlagObject | ZKDebugFunction::kFlagTiming,
                          "void ns::CFoo::Bar(int)", 30, 1, 0, 42, "%s", "scan");
    trace.DebugLvlPre("middle %d", 1);
  }
  const std::vector<std::string> lines = Summaries(*recorder);
  ASSERT_EQ(3u, lines.size());
  const std::string start = "1|OBJECT void ns::CFoo|30|0|[A:42]|";
  EXPECT_EQ(start + "+++ scan", lines[0]);
  EXPECT_EQ(start + "middle 1", lines[1]);
  EXPECT_TRUE(std::regex_match(lines[2].substr(start.size()),
                               std::regex("--- -?\\d+:-?\\d\\d\\.-?\\d{6} scan")))
      << lines[2];
}

TEST(ZKDebugFunction, MessageLengths) {
  auto recorder = boost::make_shared<CRecordingWriter>();
  const std::string long5000(5000, 'm');
  {
    ZKDebugFunction trace(recorder, "f", 1, 1, 0, ZKDebugFunction::kNoActivity, "%s",
                          long5000.c_str());
    trace.Configure(nullptr);
  }
  // More than six doublings of 512 bytes plus the format leaves the message empty.
  ZKDebugFunction(recorder, "f", 1, 1, 0, ZKDebugFunction::kNoActivity, "%s",
                  std::string(40000, 'm').c_str());
  ASSERT_EQ(4u, recorder->lines.size());
  EXPECT_EQ("+++ " + long5000, recorder->lines[0].text);
  EXPECT_EQ("--- ", recorder->lines[1].text);
  EXPECT_EQ("+++ ", recorder->lines[2].text);
}

TEST(___DebugLvlPre, TagsTheActivity) {
  CRecordingWriter recorder;
  ___DebugLvlPre(&recorder, "fn", 9, 3, 11, 77, "n=%d", 4);
  ___DebugLvlPre(nullptr, "fn", 9, 3, 11, 77, "n=%d", 4);
  EXPECT_EQ(std::vector<std::string>{"3|fn|9|11|[A:77]|n=4"}, Summaries(recorder));
}

TEST(__DebugOutputBufferBytes, RowsOfThirtyTwoBytes) {
  auto recorder = boost::make_shared<CRecordingWriter>();
  CScopedWriter scope(recorder);
  unsigned char data[33];
  std::string hex = "       buf 00001000:", chars;
  for (unsigned i = 0; i < sizeof data; ++i) data[i] = static_cast<unsigned char>('A' + i);
  data[1] = '\t';
  data[2] = 0x80;
  for (unsigned i = 0; i < 32; ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, " %02X", data[i]);
    hex += byte;
    chars += i == 1 || i == 2 ? '.' : static_cast<char>(data[i]);
  }
  __DebugOutputBufferBytes(2, "buf", 0x1000, data, sizeof data, "dump()", 5);
  recorder->level = 1;  // rows above the writer's level are not logged
  __DebugOutputBufferBytes(2, "buf", 0, data, sizeof data, "dump()", 5);
  recorder->level = 5;  // a long title widens the row
  __DebugOutputBufferBytes(2, std::string(40, 't').c_str(), 0, data, 1, "dump()", 5);
  EXPECT_EQ((std::vector<std::string>{
                "2|dump()|5|0|<null>|" + hex + "  " + chars,
                "2|dump()|5|0|<null>|       buf 00001020: 61" + std::string(31 * 3, ' ') + "  a",
                "2|dump()|5|0|<null>|" + std::string(40, 't') + " 00000000: 41" +
                    std::string(31 * 3, ' ') + "  A"}),
            Summaries(*recorder));
}

TEST(FXLog, PrefixIfNotEmpty) {
  EXPECT_EQ("[x]", FXLog::PrefixIfNotEmpty("[", std::string("x"), "]"));
  EXPECT_EQ("", FXLog::PrefixIfNotEmpty("[", std::string(), "]"));
  EXPECT_EQ("(Gr\xC3\xBC\xC3\x9F\xF0\x9F\x98\x80)",
            FXLog::PrefixIfNotEmpty("(", std::wstring(L"Gr\u00FC\u00DF\U0001F600"), ")"));
  EXPECT_EQ("", FXLog::PrefixIfNotEmpty("(", std::wstring(), ")"));
}
