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

using yqtest::CRecordingWriter;
using yqtest::CScopedWriter;
using yqtest::CTempDir;
using yqtest::ReadFile;
using yqtest::ReadLines;
using yqtest::SLineParts;
using yqtest::SplitLine;

namespace {

std::string LastRest(const std::string& path) {
  const std::vector<std::string> lines = ReadLines(path);
  SLineParts parts;
  if (lines.empty() || !SplitLine(lines.back(), &parts)) return "<none>";
  return parts.rest;
}

}  // namespace

// Named, because the compilers spell the anonymous namespace differently.
namespace loggertest {
void Traced(const std::string& path) { YQ_TRACE(1, "tracing %s", path.c_str()); }
const unsigned kTracedLine = __LINE__ - 1;
}  // namespace loggertest

TEST(CDefaultLogWriter, WritesTheModuleLogInTheGivenFolder) {
  CTempDir dir;
  boost::shared_ptr<CLogWriterInterface> writer = CreateDefaultLogWriter("agent", dir.Path());
  EXPECT_EQ(1, writer->GetDebugLevel());
  EXPECT_EQ(0xFFFFu, writer->GetDebugMask());
  writer->SetDebugMask(0x11);
  EXPECT_EQ(0x11u, writer->GetDebugMask());
  EXPECT_TRUE(writer->Initialize().Succeeded());
  EXPECT_TRUE(writer->RefreshConfiguration().Succeeded());
  EXPECT_FALSE(writer->GetThreadAttachment());
  {
    CScopedWriter scope(writer);
    loggertest::Traced("/data");
  }
  const std::string path = dir.Path() + "agent.log";
  EXPECT_TRUE(yqtest::StartsWithHeader(ReadFile(path)));
  // Job id 0 prints the "#" column.
  EXPECT_EQ("### loggertest::Traced(" + std::to_string(loggertest::kTracedLine) +
                ") - [ ] tracing /data",
            LastRest(path));

  writer->LogMessage(2, "f", 1, 0, nullptr, "too verbose");
  writer->SetDebugLevel(2);
  writer->LogMessage(2, "f", 1, 3, "TAG", "now %s", "written");
  EXPECT_EQ("3   f(1) - TAG now written", LastRest(path));
}

TEST(CDefaultLogWriter, FlagsAndTheDefaultFolder) {
  CTempDir dir;
  boost::shared_ptr<CLogWriterInterface> quiet =
      CreateDefaultLogWriter("plain", dir.Path(), false, false);
  quiet->LogMessage(1, "", 0, 0, nullptr, "no placeholders");
  EXPECT_EQ("### no placeholders", LastRest(dir.Path() + "plain.log"));

  // The module name alone writes "/tmp/<module>.log"; the name is unique to this run.
  const std::string module = "yqbase_writer_test_" + std::to_string(getpid());
  {
    boost::shared_ptr<CLogWriterInterface> writer = CreateDefaultLogWriter(module.c_str());
    writer->LogMessage(1, "", 0, 0, nullptr, "hello");
  }
  const std::string path = "/tmp/" + module + ".log";
  EXPECT_EQ("### () - [ ] hello", LastRest(path));
  std::remove(path.c_str());
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
  ASSERT_EQ(1u, recorder->lines.size());
  EXPECT_EQ(-1, recorder->lines[0].level);
  EXPECT_EQ("CDefaultLogWriter::CDefaultLogWriter(const char*)", recorder->lines[0].function);
  EXPECT_EQ(50u, recorder->lines[0].line);
  EXPECT_EQ(0u, recorder->lines[0].text.find("Initialize failed, error=0x80070057:"));
  EXPECT_NE(std::string::npos, recorder->lines[0].text.find("AppName empty"));
  EXPECT_FALSE(static_cast<CYqLoggerWrapper*>(writer.get())->GetLogger()->IsInitialized());
  writer->LogMessage(-1, "f", 1, 0, nullptr, "dropped");
}

TEST(CYqLoggerWrapper, ForwardsToTheLoggerItWraps) {
  CYqLoggerWrapper empty(nullptr);
  EXPECT_EQ(0, empty.GetDebugLevel());
  empty.SetDebugLevel(3);
  EXPECT_EQ(0, empty.GetDebugLevel());
  empty.LogMessage(1, "f", 1, 0, nullptr, "nowhere");

  CTempDir dir;
  CYqLogger logger;
  ASSERT_TRUE(logger.Initialize("wrapped", dir.Path(), 2, false, false).Succeeded());
  {
    CYqLoggerWrapper wrapper(&logger);
    EXPECT_EQ(2, wrapper.GetDebugLevel());
    wrapper.SetDebugLevel(4);
    EXPECT_EQ(4, logger.GetDebugLevel());
    wrapper.LogMessage(4, "f", 2, static_cast<unsigned long long>(CYqLogger::kNoJobId), nullptr,
                       "no job");
  }
  // The wrapper does not own the logger.
  logger.LogMessage(1, "g", 3, nullptr, "still here");
  const std::vector<std::string> lines = ReadLines(logger.GetLogFilePath());
  ASSERT_GE(lines.size(), 2u);
  SLineParts parts;
  ASSERT_TRUE(SplitLine(lines[lines.size() - 2], &parts));
  EXPECT_EQ("--- f(2) - no job", parts.rest);
  EXPECT_EQ("--- g(3) - still here", LastRest(logger.GetLogFilePath()));
}

TEST(ZKDebugFunction, LogsEntryAndExit) {
  auto recorder = boost::make_shared<CRecordingWriter>();
  {
    ZKDebugFunction trace(recorder, "void CFoo::Bar(int)", 12, 2, 7, ZKDebugFunction::kNoActivity,
                          "value=%d", 5);
    ASSERT_EQ(1u, recorder->lines.size());
  }
  ASSERT_EQ(2u, recorder->lines.size());
  for (const auto& line : recorder->lines) {
    EXPECT_EQ(2, line.level);
    EXPECT_EQ("void CFoo::Bar(int)", line.function);
    EXPECT_EQ(12u, line.line);
    EXPECT_EQ(7u, line.jobId);
    EXPECT_EQ("<null>", line.tag);
  }
  EXPECT_EQ("+++ value=5", recorder->lines[0].text);
  EXPECT_EQ("--- value=5", recorder->lines[1].text);

  // Without a writer nothing happens.
  ZKDebugFunction silent(boost::shared_ptr<CLogWriterInterface>(), "f", 1, 1, 0,
                         ZKDebugFunction::kNoActivity, "x");
}

TEST(ZKDebugFunction, ActivityTagObjectNameAndTiming) {
  auto recorder = boost::make_shared<CRecordingWriter>();
  {
    ZKDebugFunction trace(recorder, ZKDebugFunction::kFlagObject | ZKDebugFunction::kFlagTiming,
                          "void ns::CFoo::Bar(int)", 30, 1, 0, 42, "%s", "scan");
    trace.DebugLvlPre("middle %d", 1);
  }
  ASSERT_EQ(3u, recorder->lines.size());
  for (const auto& line : recorder->lines) {
    EXPECT_EQ("[A:42]", line.tag);
    EXPECT_EQ("OBJECT void ns::CFoo", line.function);
  }
  EXPECT_EQ("+++ scan", recorder->lines[0].text);
  EXPECT_EQ("middle 1", recorder->lines[1].text);
  EXPECT_TRUE(std::regex_match(recorder->lines[2].text,
                               std::regex("--- -?\\d+:-?\\d\\d\\.-?\\d{6} scan")))
      << recorder->lines[2].text;
}

TEST(ZKDebugFunction, MessageLengths) {
  auto recorder = boost::make_shared<CRecordingWriter>();
  const std::string long5000(5000, 'm');
  {
    ZKDebugFunction trace(recorder, "f", 1, 1, 0, ZKDebugFunction::kNoActivity, "%s",
                          long5000.c_str());
    trace.Configure(nullptr);
  }
  ASSERT_EQ(2u, recorder->lines.size());
  EXPECT_EQ("+++ " + long5000, recorder->lines[0].text);
  EXPECT_EQ("--- ", recorder->lines[1].text);

  // More than six doublings of 512 bytes plus the format leaves the message empty.
  const std::string tooLong(40000, 'm');
  recorder->lines.clear();
  {
    ZKDebugFunction trace(recorder, "f", 1, 1, 0, ZKDebugFunction::kNoActivity, "%s",
                          tooLong.c_str());
  }
  ASSERT_EQ(2u, recorder->lines.size());
  EXPECT_EQ("+++ ", recorder->lines[0].text);
}

TEST(___DebugLvlPre, TagsTheActivity) {
  CRecordingWriter recorder;
  ___DebugLvlPre(&recorder, "fn", 9, 3, 11, 77, "n=%d", 4);
  ___DebugLvlPre(nullptr, "fn", 9, 3, 11, 77, "n=%d", 4);
  ASSERT_EQ(1u, recorder.lines.size());
  EXPECT_EQ(3, recorder.lines[0].level);
  EXPECT_EQ("fn", recorder.lines[0].function);
  EXPECT_EQ(11u, recorder.lines[0].jobId);
  EXPECT_EQ("[A:77]", recorder.lines[0].tag);
  EXPECT_EQ("n=4", recorder.lines[0].text);
}

TEST(__DebugOutputBufferBytes, RowsOfThirtyTwoBytes) {
  auto recorder = boost::make_shared<CRecordingWriter>();
  CScopedWriter scope(recorder);
  unsigned char data[33];
  for (unsigned i = 0; i < sizeof data; ++i) data[i] = static_cast<unsigned char>('A' + i);
  data[1] = '\t';
  data[2] = 0x80;
  __DebugOutputBufferBytes(2, "buf", 0x1000, data, sizeof data, "dump()", 5);
  ASSERT_EQ(2u, recorder->lines.size());
  std::string hex = "       buf 00001000:";
  std::string chars;
  for (unsigned i = 0; i < 32; ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, " %02X", data[i]);
    hex += byte;
    chars += i == 1 || i == 2 ? '.' : static_cast<char>(data[i]);
  }
  EXPECT_EQ(hex + "  " + chars, recorder->lines[0].text);
  EXPECT_EQ("       buf 00001020: 61" + std::string(31 * 3, ' ') + "  a", recorder->lines[1].text);
  EXPECT_EQ(2, recorder->lines[0].level);
  EXPECT_EQ("dump()", recorder->lines[0].function);
  EXPECT_EQ(0u, recorder->lines[0].jobId);

  // Rows above the writer's level are not logged.
  recorder->lines.clear();
  recorder->level = 1;
  __DebugOutputBufferBytes(2, "buf", 0, data, sizeof data, "dump()", 5);
  EXPECT_TRUE(recorder->lines.empty());

  // A long title widens the row.
  recorder->level = 5;
  const std::string title(40, 't');
  __DebugOutputBufferBytes(2, title.c_str(), 0, data, 1, "dump()", 5);
  ASSERT_EQ(1u, recorder->lines.size());
  EXPECT_EQ(title + " 00000000: 41", recorder->lines[0].text.substr(0, title.size() + 13));
}

TEST(FXLog, PrefixIfNotEmpty) {
  EXPECT_EQ("[x]", FXLog::PrefixIfNotEmpty("[", std::string("x"), "]"));
  EXPECT_EQ("", FXLog::PrefixIfNotEmpty("[", std::string(), "]"));
  EXPECT_EQ("x", FXLog::PrefixIfNotEmpty("", std::string("x"), ""));
  EXPECT_EQ("(Gr\xC3\xBC\xC3\x9F\xF0\x9F\x98\x80)",
            FXLog::PrefixIfNotEmpty("(", std::wstring(L"Gr\u00FC\u00DF\U0001F600"), ")"));
  EXPECT_EQ("", FXLog::PrefixIfNotEmpty("(", std::wstring(), ")"));
}

TEST(CConsoleOutput, DoesNothingOnThisPlatform) {
  CConsoleOutput console;
  console.PushColor(4);
  console.ChangeColor(2);
  console.PopColor();
  console.ClearScreen();
  EXPECT_EQ(15, console.GetColor());
  EXPECT_TRUE(FXConsole::EnableVTMode().Succeeded());
  bool enabled = false;
  EXPECT_TRUE(FXConsole::IsVTModeEnabled(enabled).Succeeded());
  EXPECT_TRUE(enabled);
}
