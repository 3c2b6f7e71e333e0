// A small host program of the library: formatting, name conversion and error reporting.
#include <yqbase/yqbase.h>

#include <cstdio>
#include <string>

namespace example {

// Fails the way a file call of a backup agent would, passing the failure up with context.
CYqError OpenCatalogue(const std::string& name) {
  if (name.empty()) return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "empty catalogue name");
  CYqError error = FXErrorUtil::ErrorWin32(YQ_LOC, 2);
  return error.Push(YQ_LOC, "opening catalogue %s", name.c_str());
}

}  // namespace example

int main() {
  std::string line;
  if (FXString::Format(line, "%s(%d) - file=%s size=%llu", "backup", 42, "/data/report.txt",
                       1234567ULL)
          .Failed())
    return 1;
  std::printf("formatted:  %s\n", line.c_str());

  const std::string name = "/data/Gr\xC3\xBC\xC3\x9F" "e/\xE6\x96\x87\xE4\xBB\xB6.txt";
  std::wstring wide;
  CYqError error = FXString::UTF8ToUnicode(name, wide);
  if (error.Failed()) {
    std::printf("conversion failed: %s\n", error.AsString().c_str());
    return 1;
  }
  std::printf("converted:  %zu UTF-8 bytes -> %zu UTF-32 characters -> %s\n", name.size(),
              wide.size(), FXString::ToString(wide).c_str());

  error = example::OpenCatalogue("weekly");
  std::printf("full:       %s\n", error.AsString(EErrorOutputFormat::LOGGING_FULL).c_str());
  std::printf("one line:   %s\n",
              error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_CODE).c_str());
  std::printf("with text:  %s\n",
              error.AsString(EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE).c_str());
  std::printf("is 'file not found': %s\n", FXErrorUtil::IsWin32(error, 2) ? "yes" : "no");
  return error.Failed() ? 0 : 1;
}
