// Test helpers for the threads suite: bounded waiting, and the capturing log writer.
#pragma once

#include <chrono>
#include <thread>

#include "yqbase/logging/LogWriter_testutil.h"

namespace yqtest {

// Polls `condition` until it holds or a generous minute has passed; true when it held.
template <typename Condition>
bool WaitUntil(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace yqtest
