#include "yqbase/logging/LineWriter.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <cstdio>
#include <string>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/Logging_testutil.h"

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

TEST(CLineWriter, WriteLineFormatsAndPassesFailuresOn) {
  const unsigned char data[] = {1, 2, 3};
  CLineWriter base;  // discards everything
  EXPECT_TRUE(base.WriteLine("%d", 1).Succeeded());
  EXPECT_TRUE(base.WriteBuffer("t", 0, data, sizeof data).Succeeded());

  CRecordingLineWriter writer;
  EXPECT_TRUE(writer.WriteLine("%s=%d", "count", 3).Succeeded());
  // A text beyond what the formatter holds is written behind the overflow mark.
  EXPECT_TRUE(writer.WriteLine("%s", std::string(200000, 'h').c_str()).Succeeded());
  ASSERT_EQ(2u, writer.lines.size());
  EXPECT_EQ("count=3", writer.lines[0]);
  EXPECT_EQ(0u, writer.lines[1].find("[BUFFEROVERFLOW] hhh"));

  writer.fail = true;
  const CYqError error = writer.WriteLine("lost");
  EXPECT_TRUE(FXErrorUtil::IsWin32(error, 29));
  const std::vector<FXErrorItemPtr> items = error.GetItems();
  ASSERT_EQ(2u, items.size());
  EXPECT_TRUE(yqtest::Contains(items[0]->GetLocation().function, "WriteLine"));
  EXPECT_TRUE(yqtest::Contains(items[1]->AsString(), "sink full"));
}

TEST(CLineWriter, WriteBufferMarksEveryEighthByte) {
  CRecordingLineWriter writer;
  unsigned char data[33];
  std::string hex = "     title FFFFFFF0:", chars;
  for (unsigned i = 0; i < sizeof data; ++i) data[i] = static_cast<unsigned char>(0x30 + i);
  for (unsigned i = 0; i < 32; ++i) {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%c%02X", i == 8 || i == 16 || i == 24 ? '\'' : ' ', data[i]);
    hex += byte;
    chars += static_cast<char>(data[i]);
  }
  EXPECT_TRUE(writer.WriteBuffer("title", 0xFFFFFFF0ul, data, sizeof data).Succeeded());
  EXPECT_TRUE(writer.WriteBuffer(nullptr, 0, nullptr, 0).Succeeded());
  // The address is printed with 32 bits.
  EXPECT_EQ((std::vector<std::string>{
                hex + "  " + chars, "     title 00000010: 50" + std::string(31 * 3, ' ') + "  P"}),
            writer.lines);
  EXPECT_TRUE(FXErrorUtil::IsWin32(writer.WriteBuffer("t", 0, nullptr, 4), 87));
}

TEST(CLineWriterWithOptions, OptionsIgnoreCase) {
  CLineWriterWithOptions writer;
  EXPECT_FALSE(CLineWriter().IsOptionEnabled("Verbose"));
  writer.SetOption("Verbose", true);
  writer.SetOption("VERBOSE", true);
  writer.SetOption("other", false);  // not set: nothing changes
  EXPECT_TRUE(writer.IsOptionEnabled("verbose"));
  EXPECT_FALSE(writer.IsOptionEnabled("other"));
  writer.SetOption("vErBoSe", false);
  EXPECT_FALSE(writer.IsOptionEnabled("Verbose"));
}

TEST(CLogWriterLineWriter, LogsAtLevelZeroWithTheGivenLocation) {
  auto log = boost::make_shared<yqtest::CRecordingWriter>(0);
  CLogWriterLineWriter plain(log);
  EXPECT_TRUE(plain.WriteString("first").Succeeded());
  CLogWriterLineWriter located(log, FXCodeLocation{"file.cpp", "void Dump()", 88});
  EXPECT_TRUE(located.WriteLine("second %d", 2).Succeeded());
  log->level = -1;  // below 0: nothing is logged
  EXPECT_TRUE(plain.WriteString("dropped").Succeeded());
  EXPECT_TRUE(
      CLogWriterLineWriter(boost::shared_ptr<CLogWriterInterface>()).WriteString("x").Succeeded());
  const std::vector<yqtest::SRecordedLine> lines = log->Lines();
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ("virtual CYqError CLogWriterLineWriter::WriteString(const string&)|37|first",
            lines[0].function + "|" + std::to_string(lines[0].line) + "|" + lines[0].text);
  EXPECT_EQ("void Dump()|88|second 2",
            lines[1].function + "|" + std::to_string(lines[1].line) + "|" + lines[1].text);
  for (const yqtest::SRecordedLine& line : lines)
    EXPECT_EQ("0|0|<null>",
              std::to_string(line.level) + "|" + std::to_string(line.jobId) + "|" + line.tag);
}

TEST(CTextFileLineWriter, WritesLinesAndReplacesTheFile) {
  yqtest::CTempDir dir;
  const std::string path = dir.Path() + "dump.txt";
  std::ofstream(path) << "old contents\n";
  CTextFileLineWriter writer(path);
  EXPECT_TRUE(writer.WriteLine("a=%d", 1).Succeeded());
  EXPECT_TRUE(writer.WriteString("b").Succeeded());
  EXPECT_EQ("a=1\nb\n", yqtest::ReadFile(path));  // flushed after every line

  CTextFileLineWriter nowhere(dir.Path() + "missing/dump.txt");
  EXPECT_TRUE(yqtest::Contains(nowhere.WriteString("x").AsString(), "missing/dump.txt"));
}
