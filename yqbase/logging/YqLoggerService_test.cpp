// The hand-off of lines to the logging-service library. The tests load the stand-in built as
// "libzkloggingservice" from the folder the test runner puts on LD_LIBRARY_PATH. Each case
// runs in a child process, because the entry point, once found, serves the whole process.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "yqbase/logging/FakeLoggingService_testutil.h"
#include "yqbase/logging/Logging_testutil.h"

using namespace yqtest;

namespace {

template <typename T>
T Entry(void* library, const char* name) {
  return reinterpret_cast<T>(dlsym(library, name));
}

CYqLogger* g_echoLogger = nullptr;

}  // namespace

class CYqLoggerService : public ::testing::Test {
 protected:
  // Runs `body` with the loaded stand-in in a child process and returns the calls the stand-in
  // received, one "field|field|..." line per call, the logged line from the job-id column on.
  std::vector<std::string> CallsOf(const std::function<bool(void* library)>& body) {
    const std::string path = m_dir.Path() + "calls.txt";
    EXPECT_EQ(0, RunInChild([&] {
                void* library = dlopen("libzkloggingservice", RTLD_NOW);
                if (library == nullptr || !body(library)) return 2;
                std::ofstream out(path);
                for (const SServiceCall& call :
                     *Entry<PFNFakeServiceCalls>(library, "FakeServiceCalls")())
                  out << call.entryPoint << '|' << call.module << '|' << call.logFilePath << '|'
                      << call.debugLevel << '|' << call.showEmptyColumns << '|' << call.constantTrue
                      << '|' << Rest(call.line) << '\n';
                return out.good() ? 0 : 3;
              }))
        << "is libzkloggingservice on the library path?";
    return ReadLines(path);
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
        CallsOf([&](void*) {
          CYqLogger logger;
          if (logger.Initialize("served", m_dir.Path(), 3, true, false).Failed()) return false;
          logger.SetLoggingMode(mode);
          logger.LogMessage(1, "void Run()", 4, nullptr, "one");
          logger.LogMessage(2, "", 0, 9, "T", "two %d", 2);
          return true;
        }));
    EXPECT_FALSE(Exists(m_dir.Path() + "served.log"));
  }
}

// A line the service does not take, and every line of a mode without an entry point, is
// written to the file.
TEST_F(CYqLoggerService, RefusedLinesAreWrittenDirectly) {
  // The entry point found first serves every logger of the process.
  EXPECT_EQ(2u, CallsOf([&](void* library) {
                  Entry<PFNFakeServiceAccept>(library, "FakeServiceAccept")(0);
                  CYqLogger logger, direct;
                  if (logger.Initialize("refused", m_dir.Path(), 2, false, false).Failed() ||
                      direct.Initialize("refused", m_dir.Path(), 2, false, false).Failed())
                    return false;
                  logger.SetLoggingMode(CYqLogger::LOGGING_MODE_SERVICE_ASYNC);
                  logger.LogMessage(1, "", 0, nullptr, "refused by the service");
                  direct.SetLoggingMode(static_cast<CYqLogger::modeOfLogging>(5));
                  direct.LogMessage(1, "", 0, nullptr, "no entry point for this mode");
                  return true;
                }).size());
  const std::string text = ReadFile(m_dir.Path() + "refused.log");
  EXPECT_TRUE(Contains(text, "--- refused by the service\n"));
  EXPECT_TRUE(Contains(text, "--- no entry point for this mode\n"));
}

// What the service logs through the same logger while it holds a line goes to the file, not
// back to the service.
TEST_F(CYqLoggerService, LinesLoggedByTheServiceAreWrittenDirectly) {
  const std::vector<std::string> seen = CallsOf([&](void* library) {
    CYqLogger logger;
    if (logger.Initialize("echo", m_dir.Path(), 2, false, false).Failed()) return false;
    g_echoLogger = &logger;
    Entry<PFNFakeServiceEcho>(library, "FakeServiceEcho")([](const std::string& line) {
      g_echoLogger->LogMessage(1, "", 0, nullptr, "service saw %zu bytes", line.size());
    });
    logger.SetLoggingMode(CYqLogger::LOGGING_MODE_SERVICE_SAME_PROCESS);
    logger.LogMessage(1, "", 0, nullptr, "handed over");
    return true;
  });
  ASSERT_EQ(1u, seen.size());
  EXPECT_TRUE(Contains(seen[0], "|--- handed over"));
  const std::vector<std::string> lines = ReadLines(m_dir.Path() + "echo.log");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(0u, Rest(lines.back()).find("--- service saw "));
}
