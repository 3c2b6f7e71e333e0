#include "yqbase/logging/LogWriterInterface.h"

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <string>
#include <vector>

namespace {

// Records lines so that tests can see what the library logs.
class CRecordingWriter : public CLogWriterNull {
 public:
  explicit CRecordingWriter(int level) : m_level(level) {}
  void LogMessage(int level, const char* function, unsigned line, unsigned long long,
                  const char*, const char* format, ...) override {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    lines.push_back(std::to_string(level) + "|" + function + "|" + std::to_string(line) + "|" +
                    text);
  }
  int GetDebugLevel() override { return m_level; }
  std::vector<std::string> lines;

 private:
  int m_level;
};

// Installs a writer for one test and puts the previous one back.
class ScopedWriter {
 public:
  explicit ScopedWriter(boost::shared_ptr<CLogWriterInterface> writer)
      : m_previous(g_ptrLogWriter) {
    g_ptrLogWriter = writer;
  }
  ~ScopedWriter() { g_ptrLogWriter = m_previous; }

 private:
  boost::shared_ptr<CLogWriterInterface> m_previous;
};

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
    ScopedWriter scope(quiet);
    TracedFunction(1);
  }
  EXPECT_TRUE(quiet->lines.empty());

  auto verbose = boost::make_shared<CRecordingWriter>(2);
  {
    ScopedWriter scope(verbose);
    TracedFunction(2);
    YQ_LOG_FAILURE("failed %d", 3);
  }
  ASSERT_EQ(2u, verbose->lines.size());
  // The compilers spell the anonymous namespace differently; the signature follows it.
  EXPECT_EQ(0u, verbose->lines[0].find("2|void "));
  EXPECT_NE(std::string::npos, verbose->lines[0].find("::TracedFunction(int)|"));
  EXPECT_NE(std::string::npos, verbose->lines[0].find("|value=2"));
  EXPECT_EQ(0u, verbose->lines[1].find("-1|"));
}
