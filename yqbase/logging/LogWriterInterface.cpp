#include "yqbase/logging/LogWriterInterface.h"

// Constructed before every other static object of the library, so that their initialisers can
// log.
boost::shared_ptr<CLogWriterInterface> g_ptrLogWriter __attribute__((init_priority(101))) =
    CreateNullLogWriter();

CLogWriterInterface::~CLogWriterInterface() = default;

FVBasePtr CLogWriterInterface::GetThreadAttachment() { return FVBasePtr(); }

CLogWriterNull::~CLogWriterNull() = default;
CYqError CLogWriterNull::Initialize() { return CYqError(); }
void CLogWriterNull::SetLogAppName(const std::string&) {}
void CLogWriterNull::SetLogFileName(const std::string&) {}
void CLogWriterNull::LogMessage(int, const char*, unsigned, unsigned long long, const char*,
                                const char*, ...) {}
void CLogWriterNull::LogMessageV(int, const char*, unsigned, unsigned long long, const char*,
                                 const char*, va_list) {}
CYqError CLogWriterNull::RefreshConfiguration() { return CYqError(); }
int CLogWriterNull::GetDebugLevel() { return 0; }
void CLogWriterNull::SetDebugLevel(int) {}
unsigned CLogWriterNull::GetDebugMask() { return 0xFFFF; }
void CLogWriterNull::SetDebugMask(unsigned) {}

boost::shared_ptr<CLogWriterInterface> CreateNullLogWriter() {
  return boost::shared_ptr<CLogWriterInterface>(new CLogWriterNull());
}
