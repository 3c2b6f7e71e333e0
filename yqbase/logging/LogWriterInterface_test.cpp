#include "yqbase/logging/LogWriterInterface.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "yqbase/logging/LogWriter_testutil.h"

namespace {

void TracedFunction(int value) { YQ_TRACE(2, "value=%d", value); }

}  // namespace

TEST(CLogWriterNull, IsInstalledAtLoadAndDiscardsEverything) {
  ASSERT_TRUE(g_ptrLogWriter);
  EXPECT_NE(nullptr, dynamic_cast<CLogWriterNull*>(g_ptrLogWriter.get()));
  EXPECT_EQ(0, g_ptrLogWriter->GetDebugLevel());
  EXPECT_EQ(0xFFFFu, g_ptrLogWriter->GetDebugMask());
  g_ptrLogWriter->SetDebugLevel(5);
  EXPECT_EQ(0, g_ptrLogWriter->GetDebugLevel());
  EXPECT_TRUE(g_ptrLogWriter->Initialize().Succeeded());
  EXPECT_FALSE(g_ptrLogWriter->GetThreadAttachment());
  g_ptrLogWriter->LogMessage(-1, "f", 1, 0, nullptr, "%s", "dropped");
  EXPECT_NE(CreateNullLogWriter().get(), CreateNullLogWriter().get());
}

TEST(YQ_TRACE, RespectsTheWritersLevelAndNamesTheFunction) {
  {
    yqtest::CScopedCaptureLog quiet(1);
    TracedFunction(1);
    EXPECT_TRUE(quiet.Writer().Lines().empty());
  }
  yqtest::CScopedCaptureLog verbose(2);
  TracedFunction(2);
  YQ_LOG_FAILURE("failed %d", 3);
  const std::vector<yqtest::SLogLine> lines = verbose.Writer().Lines();
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ(2, lines[0].level);
  // The compilers spell the anonymous namespace differently; the signature follows it.
  EXPECT_EQ(0u, lines[0].function.find("void "));
  EXPECT_NE(std::string::npos, lines[0].function.find("::TracedFunction(int)"));
  EXPECT_EQ("value=2", lines[0].text);
  EXPECT_EQ(-1, lines[1].level);
  EXPECT_EQ("failed 3", lines[1].text);
}
