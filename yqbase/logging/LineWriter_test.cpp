#include "yqbase/logging/LineWriter.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/Logging_testutil.h"

using yqtest::CRecordingWriter;
using yqtest::CTempDir;
using yqtest::ReadFile;

namespace {

// Keeps the lines it is given, or fails when told to.
class CRecordingLineWriter : public CLineWriterWithOptions {
 public:
  CYqError WriteString(const std::string& text) override {
    if (fail) return FXErrorUtil::ErrorWin32(YQ_LOC, 29, "sink full");
    lines.push_back(text);
    return CYqError();
  }
  bool fail = false;
  std::vector<std::string> lines;
};

}  // namespace

TEST(CLineWriter, BaseDiscardsLinesAndHasNoOptions) {
  CLineWriter writer;
  EXPECT_FALSE(writer.IsOptionEnabled("anything"));
  EXPECT_TRUE(writer.WriteString("x").Succeeded());
  EXPECT_TRUE(writer.WriteLine("%d", 1).Succeeded());
  const unsigned char data[] = {1, 2, 3};
  EXPECT_TRUE(writer.WriteBuffer("t", 0, data, sizeof data).Succeeded());
}

TEST(CLineWriter, WriteLineFormatsAndPassesFailuresOn) {
  CRecordingLineWriter writer;
  EXPECT_TRUE(writer.WriteLine("%s=%d", "count", 3).Succeeded());
  ASSERT_EQ(1u, writer.lines.size());
  EXPECT_EQ("count=3", writer.lines[0]);

  // A text beyond what the formatter holds is written behind the overflow mark.
  const std::string huge(200000, 'h');
  EXPECT_TRUE(writer.WriteLine("%s", huge.c_str()).Succeeded());
  ASSERT_EQ(2u, writer.lines.size());
  EXPECT_EQ(0u, writer.lines[1].find("[BUFFEROVERFLOW] hhh"));

  writer.fail = true;
  CYqError error = writer.WriteLine("lost");
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 29));
  const std::vector<FXErrorItemPtr> items = error.GetItems();
  ASSERT_EQ(2u, items.size());
  EXPECT_NE(std::string::npos, std::string(items[0]->GetLocation().function).find("WriteLine"));
  EXPECT_NE(std::string::npos, items[1]->AsString().find("sink full"));
}

TEST(CLineWriter, WriteBufferMarksEveryEighthByte) {
  CRecordingLineWriter writer;
  unsigned char data[33];
  for (unsigned i = 0; i < sizeof data; ++i) data[i] = static_cast<unsigned char>(0x30 + i);
  EXPECT_TRUE(writer.WriteBuffer("title", 0xFFFFFFF0ul, data, sizeof data).Succeeded());
  ASSERT_EQ(2u, writer.lines.size());
  std::string hex = "     title FFFFFFF0:";
  std::string chars;
  for (unsigned i = 0; i < 32; ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%c%02X", i == 8 || i == 16 || i == 24 ? '\'' : ' ', data[i]);
    hex += byte;
    chars += static_cast<char>(data[i]);
  }
  EXPECT_EQ(hex + "  " + chars, writer.lines[0]);
  // The address is printed with 32 bits.
  EXPECT_EQ("     title 00000010: 50" + std::string(31 * 3, ' ') + "  P", writer.lines[1]);

  writer.lines.clear();
  EXPECT_TRUE(writer.WriteBuffer(nullptr, 0, nullptr, 0).Succeeded());
  EXPECT_TRUE(writer.lines.empty());
  EXPECT_TRUE(FXErrorUtil::IsWin32(writer.WriteBuffer("t", 0, nullptr, 4), 87));
}

TEST(CLineWriterWithOptions, OptionsIgnoreCase) {
  CLineWriterWithOptions writer;
  writer.SetOption("Verbose", true);
  writer.SetOption("VERBOSE", true);
  EXPECT_TRUE(writer.IsOptionEnabled("verbose"));
  writer.SetOption("other", false);  // not set: nothing changes
  EXPECT_TRUE(writer.IsOptionEnabled("Verbose"));
  EXPECT_FALSE(writer.IsOptionEnabled("other"));
  writer.SetOption("vErBoSe", false);
  EXPECT_FALSE(writer.IsOptionEnabled("Verbose"));
}

TEST(CLogWriterLineWriter, LogsAtLevelZeroWithTheGivenLocation) {
  auto log = boost::make_shared<CRecordingWriter>(0);
  CLogWriterLineWriter plain(log);
  EXPECT_TRUE(plain.WriteString("first").Succeeded());
  const FXCodeLocation location = {"file.cpp", "void Dump()", 88};
  CLogWriterLineWriter located(log, location);
  EXPECT_TRUE(located.WriteLine("second %d", 2).Succeeded());
  log->level = -1;  // below 0: nothing is logged
  EXPECT_TRUE(plain.WriteString("dropped").Succeeded());
  const std::vector<std::string> lines = log->Summaries();
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ("0|virtual CYqError CLogWriterLineWriter::WriteString(const string&)|37|first",
            lines[0]);
  EXPECT_EQ("0|void Dump()|88|second 2", lines[1]);
  EXPECT_EQ("<null>", log->lines[0].tag);
  EXPECT_EQ(0u, log->lines[1].jobId);

  CLogWriterLineWriter none((boost::shared_ptr<CLogWriterInterface>()));
  EXPECT_TRUE(none.WriteString("nowhere").Succeeded());
}

TEST(CTextFileLineWriter, WritesLinesAndReplacesTheFile) {
  CTempDir dir;
  const std::string path = dir.Path() + "dump.txt";
  {
    std::ofstream old(path);
    old << "old contents\n";
  }
  CTextFileLineWriter writer(path);
  EXPECT_TRUE(writer.WriteLine("a=%d", 1).Succeeded());
  EXPECT_TRUE(writer.WriteString("b").Succeeded());
  // Flushed after every line.
  EXPECT_EQ("a=1\nb\n", ReadFile(path));

  CTextFileLineWriter nowhere(dir.Path() + "missing/dump.txt");
  CYqError error = nowhere.WriteString("x");
  EXPECT_TRUE(error.Failed());
  EXPECT_NE(std::string::npos, error.AsString().find("missing/dump.txt"));
}
