// The hand-off of lines to the logging-service library. The tests load the stand-in built as
// "libzkloggingservice" from the folder the test runner puts on LD_LIBRARY_PATH. Each case
// runs in a child process, because the entry point, once found, serves the whole process.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "yqbase/logging/FakeLoggingService_testutil.h"
#include "yqbase/logging/Logging_testutil.h"
#include "yqbase/logging/YqLogger.h"

using yqtest::CTempDir;
using yqtest::Exists;
using yqtest::ReadFile;
using yqtest::ReadLines;
using yqtest::RunInChild;

namespace {

void* LoadService() { return dlopen("libzkloggingservice", RTLD_NOW); }

template <typename T>
T Entry(void* library, const char* name) {
  return reinterpret_cast<T>(dlsym(library, name));
}

// Writes the calls the stand-in received to `path`, one "field|field|..." line per call,
// with the logged line reduced to its columns from the job id on.
bool SaveCalls(void* library, const std::string& path) {
  auto calls = Entry<yqtest::PFNFakeServiceCalls>(library, "FakeServiceCalls");
  if (calls == nullptr) return false;
  std::ofstream out(path);
  for (const yqtest::SServiceCall& call : *calls()) {
    out << call.entryPoint << '|' << call.module << '|' << call.logFilePath << '|'
        << call.debugLevel << '|' << call.showEmptyColumns << '|' << call.constantTrue << '|'
        << yqtest::Rest(call.line) << '\n';
  }
  return out.good();
}

CYqLogger* g_echoLogger = nullptr;

}  // namespace

class CYqLoggerService : public ::testing::Test {
 protected:
  void SetUp() override {
    void* library = LoadService();
    ASSERT_NE(nullptr, library) << "libzkloggingservice is not on the library path: " << dlerror();
    dlclose(library);
  }

  // Logs two lines in `mode` in a child process and returns the calls the service saw.
  std::vector<std::string> LogInMode(CYqLogger::modeOfLogging mode) {
    const std::string calls = m_dir.Path() + "calls.txt";
    const int result = RunInChild([&] {
      void* library = LoadService();
      if (library == nullptr) return 2;
      CYqLogger logger;
      if (logger.Initialize("served", m_dir.Path(), 3, true, false).Failed()) return 3;
      logger.SetLoggingMode(mode);
      logger.LogMessage(1, "void Run()", 4, nullptr, "one");
      logger.LogMessage(2, "", 0, 9, "T", "two %d", 2);
      return SaveCalls(library, calls) ? 0 : 4;
    });
    EXPECT_EQ(0, result);
    return ReadLines(calls);
  }

  CTempDir m_dir;
};

TEST_F(CYqLoggerService, ServiceModesHandLinesToTheService) {
  for (const auto mode :
       {CYqLogger::LOGGING_MODE_SERVICE_SAME_PROCESS, CYqLogger::LOGGING_MODE_SERVICE_ASYNC}) {
    SCOPED_TRACE(mode);
    const std::string common =
        std::string(mode == CYqLogger::LOGGING_MODE_SERVICE_ASYNC ? "LogMessageAsync"
                                                                  : "LogMessageAsyncSameProcess") +
        "|served|" + m_dir.Path() + "served.log|3|1|1|";
    EXPECT_EQ(
        (std::vector<std::string>{common + "--- Run(4) - [ ] one", common + "9   () - T two 2"}),
        LogInMode(mode));
    EXPECT_FALSE(Exists(m_dir.Path() + "served.log"));
  }
}

// A line the service does not take, and every line of a mode without an entry point, is
// written to the file.
TEST_F(CYqLoggerService, RefusedLinesAreWrittenDirectly) {
  const std::string calls = m_dir.Path() + "calls.txt";
  const int result = RunInChild([&] {
    void* library = LoadService();
    if (library == nullptr) return 2;
    Entry<yqtest::PFNFakeServiceAccept>(library, "FakeServiceAccept")(0);
    CYqLogger logger;
    if (logger.Initialize("refused", m_dir.Path(), 2, false, false).Failed()) return 3;
    logger.SetLoggingMode(CYqLogger::LOGGING_MODE_SERVICE_ASYNC);
    logger.LogMessage(1, "", 0, nullptr, "refused by the service");
    const CYqLogger::modeOfLogging other = static_cast<CYqLogger::modeOfLogging>(5);
    CYqLogger direct;
    if (direct.Initialize("refused", m_dir.Path(), 2, false, false).Failed()) return 4;
    direct.SetLoggingMode(other);
    direct.LogMessage(1, "", 0, nullptr, "no entry point for this mode");
    return SaveCalls(library, calls) ? 0 : 5;
  });
  ASSERT_EQ(0, result);
  // The entry point found first serves every logger of the process.
  EXPECT_EQ(2u, ReadLines(calls).size());
  const std::string text = ReadFile(m_dir.Path() + "refused.log");
  EXPECT_NE(std::string::npos, text.find("--- refused by the service\n"));
  EXPECT_NE(std::string::npos, text.find("--- no entry point for this mode\n"));
}

// What the service logs through the same logger while it holds a line goes to the file, not
// back to the service.
TEST_F(CYqLoggerService, LinesLoggedByTheServiceAreWrittenDirectly) {
  const std::string calls = m_dir.Path() + "calls.txt";
  const int result = RunInChild([&] {
    void* library = LoadService();
    if (library == nullptr) return 2;
    CYqLogger logger;
    if (logger.Initialize("echo", m_dir.Path(), 2, false, false).Failed()) return 3;
    g_echoLogger = &logger;
    Entry<yqtest::PFNFakeServiceEcho>(library, "FakeServiceEcho")([](const std::string& line) {
      g_echoLogger->LogMessage(1, "", 0, nullptr, "service saw %zu bytes", line.size());
    });
    logger.SetLoggingMode(CYqLogger::LOGGING_MODE_SERVICE_SAME_PROCESS);
    logger.LogMessage(1, "", 0, nullptr, "handed over");
    return SaveCalls(library, calls) ? 0 : 4;
  });
  ASSERT_EQ(0, result);
  const std::vector<std::string> seen = ReadLines(calls);
  ASSERT_EQ(1u, seen.size());
  EXPECT_NE(std::string::npos, seen[0].find("|--- handed over"));
  const std::vector<std::string> lines = ReadLines(m_dir.Path() + "echo.log");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(0u, yqtest::Rest(lines.back()).find("--- service saw "));
}
