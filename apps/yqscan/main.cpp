// yqscan: scans content paths with the library's traversal, filters and volume expansion, and
// prints what it found. Exit status 0: all done; 1: some entries could not be read; 2: bad usage.
#include <yqbase/logging/DefaultLogWriter.h>
#include <yqbase/logging/LogWriterInterface.h>

#include <cstdio>

#include "Options.h"
#include "Report.h"
#include "Scan.h"

int main(int argc, char** argv) {
  yqscan::SOptions options;
  CYqError err = yqscan::ParseOptions(argc, argv, options);
  if (err.Failed()) {
    std::fprintf(stderr, "yqscan: %s\nTry 'yqscan --help'.\n", yqscan::OneLine(err).c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(yqscan::HelpText(), stdout);
    return 0;
  }

  g_ptrLogWriter = options.logDir.empty() ? CreateDefaultLogWriter("yqscan")
                                          : CreateDefaultLogWriter("yqscan", options.logDir);
  g_ptrLogWriter->SetDebugLevel(options.debugLevel);

  yqscan::SScanResult result;
  err = yqscan::RunScan(options, result);
  if (err.Failed()) {
    YQ_LOG_FAILURE("%s", err.AsString().c_str());
    std::fprintf(stderr, "yqscan: %s\n", yqscan::OneLine(err).c_str());
    g_ptrLogWriter.reset();
    return 2;
  }
  if (options.json)
    yqscan::PrintJson(stdout, result);
  else
    yqscan::PrintSummary(stdout, result);
  const int status = result.Errors() != 0 ? 1 : 0;
  YQ_TRACE(1, "yqscan done, errors=%llu", result.Errors());
  g_ptrLogWriter.reset();
  return status;
}
