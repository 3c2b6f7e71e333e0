#include "yqbase/logging/LogWriterInterface.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <string>
#include <vector>

#include "yqbase/logging/Logging_testutil.h"

using yqtest::CRecordingWriter;
using yqtest::CScopedWriter;

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
  auto quiet = boost::make_shared<CRecordingWriter>(1);
  {
    CScopedWriter scope(quiet);
    TracedFunction(1);
  }
  EXPECT_TRUE(quiet->Summaries().empty());

  auto verbose = boost::make_shared<CRecordingWriter>(2);
  {
    CScopedWriter scope(verbose);
    TracedFunction(2);
    YQ_LOG_FAILURE("failed %d", 3);
  }
  const std::vector<std::string> lines = verbose->Summaries();
  ASSERT_EQ(2u, lines.size());
  // The compilers spell the anonymous namespace differently; the signature follows it.
  EXPECT_EQ(0u, lines[0].find("2|void "));
  EXPECT_NE(std::string::npos, lines[0].find("::TracedFunction(int)|"));
  EXPECT_NE(std::string::npos, lines[0].find("|value=2"));
  EXPECT_EQ(0u, lines[1].find("-1|"));
}
