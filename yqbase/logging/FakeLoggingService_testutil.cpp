// The test stand-in for the logging-service library (see FakeLoggingService_testutil.h).
#include "yqbase/logging/FakeLoggingService_testutil.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::vector<yqtest::SServiceCall> g_calls;
int g_accept = 1;
void (*g_echo)(const std::string&) = nullptr;

int Record(const char* entryPoint, const std::string& module, const std::string& path, int level,
           bool showEmpty, bool constant, const std::string& line) {
  g_calls.push_back(
      yqtest::SServiceCall{entryPoint, module, path, level, showEmpty, constant, line});
  if (g_echo != nullptr) g_echo(line);
  return g_accept;
}

}  // namespace

FAKE_EXPORT int LogMessageAsync(const std::string& module, const std::string& path, int level,
                                bool showEmpty, bool constant, const std::string& line) {
  return Record("LogMessageAsync", module, path, level, showEmpty, constant, line);
}

FAKE_EXPORT int LogMessageAsyncSameProcess(const std::string& module, const std::string& path,
                                           int level, bool showEmpty, bool constant,
                                           const std::string& line) {
  return Record("LogMessageAsyncSameProcess", module, path, level, showEmpty, constant, line);
}

FAKE_EXPORT std::vector<yqtest::SServiceCall>* FakeServiceCalls() { return &g_calls; }
FAKE_EXPORT void FakeServiceAccept(int accept) { g_accept = accept; }
FAKE_EXPORT void FakeServiceEcho(void (*echo)(const std::string&)) { g_echo = echo; }
