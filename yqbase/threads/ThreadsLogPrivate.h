// Logging under fixed function texts for the thread and task classes, so that their lines
// read the same with every compiler (__PRETTY_FUNCTION__ spells types differently).
#pragma once

#include <optional>

#include "yqbase/logging/DefaultLogWriter.h"
#include "yqbase/logging/LogWriterInterface.h"

/// Logs at `level` through g_ptrLogWriter with `function` as the function column, without a
/// level guard (callers guard trace lines themselves).
#define YQ_LOG_AS(level, function, ...)                                              \
  do {                                                                               \
    CLogWriterInterface* yqWriter_ = g_ptrLogWriter.get();                           \
    if (yqWriter_ != nullptr)                                                        \
      yqWriter_->LogMessage((level), (function), __LINE__, 0, nullptr, __VA_ARGS__); \
  } while (0)

namespace yqthreads_detail {

/// The writer's debug level, or 0 without a writer.
inline int DebugLevel() {
  CLogWriterInterface* writer = g_ptrLogWriter.get();
  return writer != nullptr ? writer->GetDebugLevel() : 0;
}

/// A scope trace ("+++" on entry, "---" on exit) at `level` under `function`, made only when
/// the writer's debug level is at least `level`.
class CGuardedTrace {
 public:
  CGuardedTrace(const char* function, unsigned line, int level) {
    if (DebugLevel() >= level)
      m_trace.emplace(g_ptrLogWriter, function, line, level, 0, ZKDebugFunction::kNoActivity, "%s",
                      "");
  }

 private:
  std::optional<ZKDebugFunction> m_trace;
};

}  // namespace yqthreads_detail
