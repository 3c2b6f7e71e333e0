// CPathMatch: any pattern and subject (any delimiter, case option, length up to past the fixed
// arrays) match without overflow and in bounded time (-timeout=2); on patterns of "*", "?",
// simple classes, escapes and literals the answer is the one of fnmatch(FNM_PATHNAME).
#include "yqbase/filters/PathMatch.h"

#include <fnmatch.h>

#include <memory>

#include "fuzz/FuzzUtil.h"

namespace {

// Pieces both matchers read alike. "**" (which spans folders here) is kept out by never
// putting two stars side by side, and so are classes holding the delimiter, whose "[" is an
// ordinary character here.
const char* const kPatternPieces[] = {"a",    "b",    ".",     "/",   "*",  "?",
                                      "[ab]", "[!a]", "[a-c]", "\\*", "\\a"};
const char kSubjectChars[] = {'a', 'b', 'c', '.', '/', '*'};

void CheckAgainstFnmatch(FuzzedDataProvider& input) {
  std::string pattern;
  const int pieces = input.ConsumeIntegralInRange(0, 12);
  for (int i = 0; i < pieces; ++i) {
    const char* piece = input.PickValueInArray(kPatternPieces);
    if (piece[0] == '*' && !pattern.empty() && pattern.back() == '*') continue;
    pattern += piece;
  }
  std::string subject;
  const int length = input.ConsumeIntegralInRange(0, 16);
  for (int i = 0; i < length; ++i) subject += input.PickValueInArray(kSubjectChars);

  CPathMatch matcher;
  FUZZ_CHECK(matcher.initialize(pattern.c_str(), true, false).Succeeded());
  CPathMatchWorkData wd;
  const bool ours = matcher.match(wd, subject.c_str()) == PATH_MATCH;
  const bool theirs = ::fnmatch(pattern.c_str(), subject.c_str(), FNM_PATHNAME) == 0;
  if (ours != theirs)
    std::fprintf(stderr, "pattern [%s] subject [%s]: %d, fnmatch %d\n", pattern.c_str(),
                 subject.c_str(), ours, theirs);
  FUZZ_CHECK(ours == theirs);
}

void CheckAnyInput(FuzzedDataProvider& input) {
  static const char kDelimiters[] = {'/', ',', '.', '\\', 'x'};
  const char delimiter = input.PickValueInArray(kDelimiters);
  const bool wildcards = input.ConsumeBool();
  const bool lastComponentOnly = input.ConsumeBool();
  const bool caseBlind = input.ConsumeBool();
  const bool unc = input.ConsumeBool();
  const std::string pattern = yqfuzz::UpToNul(input.ConsumeRandomLengthString(1100));
  std::unique_ptr<CPathMatch> matcher(unc ? new CPathMatchUnc : new CPathMatch);
  matcher->setDelimiter(delimiter);
  if (caseBlind) matcher->caseInsensitive();
  if (matcher->initialize(pattern.c_str(), wildcards, lastComponentOnly).Failed()) return;
  while (input.remaining_bytes() > 0) {
    const std::string subject = yqfuzz::UpToNul(input.ConsumeRandomLengthString(1100));
    CPathMatchWorkData wd;
    if (matcher->match(wd, subject.c_str()) == PATH_MATCH || wd.nextPattern == nullptr) continue;
    std::unique_ptr<char[]> next(new char[1024]);  // the size callers are told to give
    (void)matcher->getNextBasename(wd, next.get());
    FUZZ_CHECK(std::strlen(next.get()) < 1024);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  CheckAgainstFnmatch(input);
  CheckAnyInput(input);
  return 0;
}
