// A stand-in for the logging-service library, built as "libzkloggingservice" for the tests:
// it records every line handed to it and can refuse lines or log back into the logger.
#pragma once

#include <string>
#include <vector>

namespace yqtest {

// One call of an entry point.
struct SServiceCall {
  std::string entryPoint;
  std::string module;
  std::string logFilePath;
  int debugLevel;
  bool showEmptyColumns;
  bool constantTrue;
  std::string line;
};

// The calls made so far (the library's own list).
typedef std::vector<SServiceCall>* (*PFNFakeServiceCalls)();
// Whether the entry points take lines (non-zero) or refuse them (0).
typedef void (*PFNFakeServiceAccept)(int accept);
// A function the entry points call with each line before they return.
typedef void (*PFNFakeServiceEcho)(void (*echo)(const std::string& line));

}  // namespace yqtest
