// Path text functions: removeDotDotFolder and MakeAbsolutePath are idempotent and leave no
// "." or inner ".." component; split and append rebuild the path; nothing hangs.
#include "fuzz/FuzzUtil.h"
#include "yqbase/files/YqPath.h"

namespace {

void CheckClean(const std::string& path) {
  const std::string clean = FXPath::removeDotDotFolder(path);
  FUZZ_CHECK(FXPath::removeDotDotFolder(clean) == clean);
  FUZZ_CHECK(clean.find("//") == std::string::npos);
  if (clean == "." || clean == "./") return;        // a relative path that cancels out entirely
  bool leading = clean.empty() || clean[0] != '/';  // a relative path keeps its leading ".."
  for (const std::string& c : yqfuzz::SplitAt(clean, '/')) {
    FUZZ_CHECK(c != ".");
    FUZZ_CHECK(c != ".." || leading);
    leading = leading && c == "..";
  }
}

void CheckSplit(const std::string& path) {
  std::string parent, name;
  if (FXPath::SplitParentPath(path, parent, name).Failed()) {
    FUZZ_CHECK(path.empty() || path == "/");
    return;
  }
  FUZZ_CHECK(name.find('/') == std::string::npos);
  const bool trailing = path.size() > 1 && path.back() == '/';  // one trailing "/" is ignored
  const std::string trimmed = path.substr(0, path.size() - trailing);
  if (trimmed.find('/') == std::string::npos)
    FUZZ_CHECK(parent == "/" && name == trimmed);
  else
    FUZZ_CHECK(parent + name == trimmed);
}

void CheckAppend(const std::string& base, const std::string& tail) {
  std::string joined = base;
  (void)FXPath::Append(joined, tail);
  if (tail.empty()) {
    FUZZ_CHECK(joined == base);
    return;
  }
  const std::string separator = !base.empty() && base.back() == '/' ? "" : "/";
  FUZZ_CHECK(joined == base + separator + (tail[0] == '/' ? tail.substr(1) : tail));
}

void CheckAbsolute(const std::string& base, const std::string& in) {
  std::string out, again;
  (void)FXPath::MakeAbsolutePath(base, in, out);
  FUZZ_CHECK(!out.empty() && out[0] == '/');
  (void)FXPath::MakeAbsolutePath(base, out, again);
  FUZZ_CHECK(again == out);
  FUZZ_CHECK(FXPath::IsAncestorOf("/", out, true));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string base = "/" + input.ConsumeRandomLengthString(256);
  const std::string path = input.ConsumeRemainingBytesAsString();
  CheckClean(path);
  CheckClean(base);
  CheckSplit(path);
  CheckAppend(base, path);
  CheckAppend(path, base);
  CheckAbsolute(base, path);
  std::vector<CYqString> components;
  CYqPath::Split(path.c_str(), components);
  std::vector<std::string> pieces;
  (void)FXPath::SplitPaths(path, ":;", pieces, 1);
  FUZZ_CHECK(pieces.size() >= 1 || path.empty());
  return 0;
}
