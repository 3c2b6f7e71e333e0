// Raw filter terms: LoadRaw takes any text or refuses it with a CYqError; a loaded term's raw
// form reloads to the same term; a folder above a matching path is never reported as holding
// no match.
#include "yqbase/filters/FilterTerm.h"

#include "fuzz/FuzzUtil.h"

namespace {

// The folders above a normalized path ("/a/b/c" gives "/a/b", "/a" and "").
std::vector<std::string> Ancestors(const std::string& path) {
  std::vector<std::string> folders;
  for (size_t slash = path.rfind('/'); slash != std::string::npos && slash > 0;
       slash = path.rfind('/', slash - 1))
    folders.push_back(path.substr(0, slash));
  folders.push_back("");
  return folders;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> lines =
      yqfuzz::SplitAt(std::string(reinterpret_cast<const char*>(data), size), '\n');
  if (lines.empty()) return 0;
  CFilterTerm term;
  if (term.LoadRaw(lines[0]).Failed()) return 0;
  CFilterTerm reloaded;
  FUZZ_CHECK(reloaded.LoadRaw(term.GetRawFilterTerm()).Succeeded());
  // Loading trims one trailing "/" of a PathMatch pattern and puts "/**/" before a bare name
  // pattern, so a term still ending in "/" ("a//" loads as "a/") or without any "/" ("*.tmp/"
  // loads as "*.tmp") reloads from its raw form as another term.
  const std::string text = term.GetFilterTerm();
  const bool reshaped = term.GetEngine() == CFilterTerm::ENGINE_PATHMATCH &&
                        (text.find('/') == std::string::npos || text.back() == '/');
  FUZZ_CHECK(reshaped || reloaded.IsSameFilterAs(term));
  (void)term.GetFilterPrefix();
  (void)term.IsTrailingPathWildcard();
  if (term.InitializeEngine().Failed()) return 0;
  // A backtracking regular expression takes as long as its pattern asks for; RegEx terms come
  // from the administrator, so only their parsing and compilation are fuzzed here.
  if (term.GetEngine() == CFilterTerm::ENGINE_REGEX) return 0;

  for (size_t i = 1; i < lines.size(); ++i) {
    CFilterTermTestString subject(lines[i]);
    if (!term.Matches(subject)) {
      (void)term.Matches(subject, 1);
      continue;
    }
    for (const std::string& folder : Ancestors(subject.str())) {
      CFilterTermTestString test(folder);
      FUZZ_CHECK(term.Matches(test, 1));
    }
  }
  return 0;
}
