// The state of a CLogWriterWrapperBase.
#pragma once

#include <atomic>

class CLogWriterWrapperPrivate {
 public:
  std::atomic<unsigned> m_debugMask{65535};
};
