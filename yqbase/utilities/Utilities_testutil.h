// Test helpers of the utilities folder: whole-file reads and writes in a temporary folder.
#pragma once

#include <fstream>
#include <string>

#include "yqbase/files/Files_testutil.h"
#include "yqbase/logging/Logging_testutil.h"

namespace yqbase_test {

using yqtest::ReadFile;

/// Creates or replaces `path` with exactly `bytes`.
inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace yqbase_test
